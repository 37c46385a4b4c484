// CP932 conversion through Qt's ICU-backed codecs ("Shift_JIS" there is Microsoft's CP932).
#include "qtbridge/sjis.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace qtbridge {

namespace {

// Characters that Unicode-to-CP932 converters disagree on: the JIS mapping picks these code
// points, CP932 has their full-width or ASCII forms.
QChar lookAlike(QChar c)
{
    switch (c.unicode()) {
    case 0x301C: return QChar(0xFF5E); // WAVE DASH → FULLWIDTH TILDE
    case 0x2016: return QChar(0x2225); // DOUBLE VERTICAL LINE → PARALLEL TO
    case 0x2212: return QChar(0xFF0D); // MINUS SIGN → FULLWIDTH HYPHEN-MINUS
    case 0x00A2: return QChar(0xFFE0); // CENT SIGN
    case 0x00A3: return QChar(0xFFE1); // POUND SIGN
    case 0x00AC: return QChar(0xFFE2); // NOT SIGN
    case 0x00A5: return QChar(u'\\');  // YEN SIGN: 0x5C is shown as yen by Japanese fonts
    case 0x203E: return QChar(u'~');   // OVERLINE
    case 0x2014: return QChar(0x2015); // EM DASH → HORIZONTAL BAR
    default: return c;
    }
}

} // namespace

QString FromSjis(std::string_view bytes)
{
    QStringDecoder decoder("Shift_JIS");
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string ToSjis(const QString &text)
{
    QString mapped = text;
    for (QChar &c : mapped)
        c = lookAlike(c);
    QStringEncoder encoder("Shift_JIS");
    QByteArray bytes = encoder.encode(mapped);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString FromPath(std::string_view bytes)
{
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

QString FromLogPath(std::string_view path, std::string_view logRoot)
{
    if (logRoot.empty() || !path.starts_with(logRoot))
        return FromSjis(path);
    return FromPath(logRoot) + FromSjis(path.substr(logRoot.size()));
}

std::string ToPath(const QString &text, std::string_view was)
{
    if (text == FromPath(was))
        return std::string(was);
    return QFile::encodeName(text).toStdString();
}

} // namespace qtbridge
