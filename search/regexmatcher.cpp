// Regular expressions over decoded log fields, their matches mapped back to Shift_JIS bytes.
#include "search/regexmatcher.h"

#include "base/text.h"
#include "qtbridge/sjis.h"

#include <QStringDecoder>
#include <algorithm>
#include <vector>

namespace search {

namespace {

constexpr int kLastTabField = static_cast<int>(LogField::Body);

// One decoder per thread, as the workers decode side by side.
QStringDecoder &Decoder()
{
    // Stateless: a lead byte left alone at the end of a text is decoded there, not kept back.
    thread_local QStringDecoder decoder("Shift_JIS", QStringConverter::Flag::Stateless);
    decoder.resetState();
    return decoder;
}

QString Decode(std::string_view bytes)
{
    return Decoder().decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

// Where each UTF-16 unit of the decoded field comes from: the bytes of its character. Each
// character is decoded alone, so a byte the code page lacks cannot shift what follows it.
struct UnitBytes {
    std::vector<std::size_t> start;
    std::vector<std::size_t> end;
};

UnitBytes MapUnits(std::string_view field, QString &decoded)
{
    UnitBytes units;
    decoded.clear();
    std::size_t i = 0;
    while (i < field.size()) {
        const std::size_t width =
            base::IsSjisLeadByte(static_cast<unsigned char>(field[i])) && i + 1 < field.size() ? 2 : 1;
        const QString one = Decode(field.substr(i, width));
        for (qsizetype k = 0; k < one.size(); ++k) {
            units.start.push_back(i);
            units.end.push_back(i + width);
        }
        decoded += one;
        i += width;
    }
    return units;
}

// The full-width Latin letters, which the lists fold like ASCII ones.
bool IsFullWidthLatin(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0xFF21 && u <= 0xFF3A) || (u >= 0xFF41 && u <= 0xFF5A);
}

} // namespace

QString RequiredLiteral(const QString &pattern, bool ignoreCase)
{
    if (pattern.contains(QLatin1String("(?")))
        return {};
    std::vector<QString> runs;
    QString run;
    bool lastLiteral = false; // the atom before a quantifier was the run's last character
    int depth = 0;
    auto endRun = [&] {
        if (!run.isEmpty())
            runs.push_back(run);
        run.clear();
        lastLiteral = false;
    };
    auto literal = [&](QChar c) {
        if (depth == 0) {
            run += c;
            lastLiteral = true;
        } else {
            lastLiteral = false;
        }
    };
    const qsizetype n = pattern.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = pattern[i];
        if (c == u'\\') {
            if (i + 1 >= n)
                return {};
            const QChar next = pattern[++i];
            if (next.unicode() < 0x80 && !next.isLetterOrNumber()) {
                literal(next);
            } else if (QStringLiteral("dDwWsSbBhHvVRX").contains(next)) {
                endRun();
            } else {
                return {}; // escapes with arguments, quoting, back references: not followed
            }
        } else if (c == u'[') {
            endRun();
            // Up to the class's end; a "]" first in the class is one of its characters.
            qsizetype j = i + 1;
            if (j < n && pattern[j] == u'^')
                ++j;
            if (j < n && pattern[j] == u']')
                ++j;
            while (j < n && pattern[j] != u']') {
                if (pattern[j] == u'\\')
                    ++j;
                ++j;
            }
            if (j >= n)
                return {};
            i = j;
        } else if (c == u'(') {
            endRun();
            ++depth;
        } else if (c == u')') {
            endRun();
            --depth;
        } else if (c == u'|') {
            if (depth <= 0)
                return {};
            endRun();
        } else if (c == u'?' || c == u'*' || c == u'{') {
            if (lastLiteral && depth == 0)
                run.chop(1); // optional or repeated from zero: not required
            endRun();
            if (c == u'{') {
                const qsizetype close = pattern.indexOf(u'}', i);
                if (close < 0)
                    return {};
                i = close;
            }
        } else if (c == u'+') {
            endRun(); // required once; what follows may repeat it
        } else if (c == u'.' || c == u'^' || c == u'$') {
            endRun();
        } else {
            literal(c);
        }
    }
    endRun();
    QString best;
    for (const QString &r : runs)
        if (r.size() > best.size())
            best = r;
    const bool ascii = std::all_of(best.begin(), best.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (best.size() < (ascii ? 2 : 1))
        return {};
    for (QChar c : best) {
        const bool hasCase = c.toLower() != c || c.toUpper() != c;
        if (ignoreCase && hasCase && c.unicode() >= 0x80 && !IsFullWidthLatin(c))
            return {};
        if (c.unicode() < 0x20)
            return {};
    }
    if (qtbridge::FromSjis(qtbridge::ToSjis(best)) != best)
        return {};
    return best;
}

RegexMatcher::RegexMatcher(const QString &pattern, bool ignoreCase)
    : m_regex(pattern, ignoreCase ? QRegularExpression::CaseInsensitiveOption : QRegularExpression::NoPatternOption)
{
    // Compiled here, on one thread: the workers then only read it.
    m_regex.optimize();
    const QString literal = m_regex.isValid() ? RequiredLiteral(pattern, ignoreCase) : QString();
    if (!literal.isEmpty())
        m_prefilter.emplace(qtbridge::ToSjis(literal), ignoreCase);
}

std::string_view RegexMatcher::prepare(std::string_view text, std::string &scratch) const
{
    return m_prefilter ? m_prefilter->prepare(text, scratch) : text;
}

std::size_t RegexMatcher::nextCandidate(std::string_view prepared, std::size_t from) const
{
    return m_prefilter ? m_prefilter->nextCandidate(prepared, from) : Matcher::nextCandidate(prepared, from);
}

std::optional<Span> RegexMatcher::findInLine(std::string_view line, std::string_view) const
{
    if (!m_regex.isValid())
        return std::nullopt;
    // Most lines do not match: the line is decoded once and its fields tried as they stand; the
    // offsets are mapped only for a field that matches. A damaged line whose decoding does not
    // keep the tabs where they were is tried field by field.
    const QString decoded = Decode(line);
    std::vector<qsizetype> tabs;
    for (qsizetype i = 0; i < decoded.size() && static_cast<int>(tabs.size()) < kLastTabField; ++i)
        if (decoded[i] == u'\t')
            tabs.push_back(i);
    std::size_t byteTabs = 0;
    for (std::size_t at = line.find('\t');
         at != std::string_view::npos && byteTabs < static_cast<std::size_t>(kLastTabField);
         at = line.find('\t', at + 1))
        ++byteTabs;
    const bool tabsKept = byteTabs == tabs.size();
    thread_local LineMap map;
    bool mapped = false;
    std::size_t start = 0;
    for (int field = 0; field <= kLastTabField && start <= line.size(); ++field) {
        std::size_t end = field < kLastTabField ? line.find('\t', start) : line.size();
        if (end == std::string_view::npos)
            end = line.size();
        const std::string_view text = line.substr(start, end - start);
        if (field >= static_cast<int>(LogField::DateTime) && !text.empty()) {
            bool mayMatch = true;
            if (tabsKept) {
                const qsizetype from = tabs[static_cast<std::size_t>(field) - 1] + 1;
                const qsizetype to = static_cast<std::size_t>(field) < tabs.size()
                                         ? tabs[static_cast<std::size_t>(field)]
                                         : decoded.size();
                mayMatch = m_regex.match(QStringView(decoded).mid(from, to - from)).hasMatch();
            } else {
                mayMatch = m_regex.match(Decode(text)).hasMatch();
            }
            if (mayMatch) {
                QString fieldText;
                const UnitBytes units = MapUnits(text, fieldText);
                auto it = m_regex.globalMatch(fieldText);
                while (it.hasNext()) {
                    const QRegularExpressionMatch m = it.next();
                    if (m.capturedLength() == 0)
                        continue;
                    const auto from = static_cast<std::size_t>(m.capturedStart());
                    const auto to = static_cast<std::size_t>(m.capturedEnd());
                    if (to > units.end.size() || from >= to)
                        break;
                    const Span span{start + units.start[from], units.end[to - 1] - units.start[from]};
                    if (!mapped) {
                        map.read(line);
                        mapped = true;
                    }
                    if (span.length > 0 && map.isWholeMatch(span))
                        return span;
                }
            }
        }
        if (end >= line.size())
            break;
        start = end + 1;
    }
    return std::nullopt;
}

} // namespace search
