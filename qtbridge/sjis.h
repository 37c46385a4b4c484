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

} // namespace qtbridge
