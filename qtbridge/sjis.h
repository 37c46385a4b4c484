// The one bridge between the program's Shift_JIS bytes and Qt's QString, used at the widget
// boundary and nowhere else.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace qtbridge {

/// Decodes Shift_JIS (CP932, with the NEC and IBM extensions; 0x5C is a backslash). Bytes that
/// are not valid CP932 become U+FFFD rather than being dropped.
QString FromSjis(std::string_view bytes);

/// Encodes to CP932. Characters CP932 has no code for but a look-alike (the wave dash U+301C,
/// the yen sign U+00A5, …) are written as that look-alike; any other character without a code
/// becomes "?".
std::string ToSjis(const QString &text);

/// A Japanese literal of the UTF-8 source as the Shift_JIS bytes that are stored, sent and
/// compared.
inline std::string Sjis(const char *utf8) { return ToSjis(QString::fromUtf8(utf8)); }

/// A path of the settings (a log, skin, plug-in or browser path) as a widget shows it. Paths are
/// the file system's bytes (UTF-8 names here), not Shift_JIS text: a Japanese folder name read as
/// Shift_JIS would come back as other bytes, naming a folder that does not exist.
QString FromPath(std::string_view bytes);

/// A path under the log folder as a widget shows it: the log folder is the file system's bytes,
/// the category and board folders below it are named in Shift_JIS. A path outside logRoot is
/// read as Shift_JIS throughout.
QString FromLogPath(std::string_view path, std::string_view logRoot);

/// The path a widget's text names, as the file system's bytes. When the text is what FromPath
/// showed of was, was itself: a path the user did not touch comes back unchanged, even one whose
/// bytes the file system's encoding cannot show.
std::string ToPath(const QString &text, std::string_view was = {});

} // namespace qtbridge
