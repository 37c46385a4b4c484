// Regular expressions for the log search. The logs are Shift_JIS and the core is byte-based, so
// a regular expression runs on the decoded text of each field (QRegularExpression, Unicode) and
// its match is carried back to the bytes of the line.
#pragma once

#include "search/matcher.h"

#include <QRegularExpression>
#include <QString>
#include <optional>

namespace search {

/// A text every match of pattern holds, as the pattern writes it outside groups, classes and
/// optional parts: needle\w+ holds "needle". Empty when there is none the search can rely on
/// (alternatives, inline options, back references, letters whose case Unicode folds wider than
/// the lists do, characters without a Shift_JIS code).
QString RequiredLiteral(const QString &pattern, bool ignoreCase);

/// The lines that hold the pattern's required literal (RequiredLiteral) are found as the plain
/// text is, and only they are decoded; without one, every line is. Without case, letters are
/// compared as QRegularExpression::CaseInsensitiveOption compares them: every letter Unicode gives
/// two cases, a wider folding than the plain text's. Matches inside markup are passed over, as
/// the plain text's are.
class RegexMatcher : public Matcher {
public:
    RegexMatcher(const QString &pattern, bool ignoreCase);

    bool isValid() const { return m_regex.isValid(); }
    QString errorString() const { return m_regex.errorString(); }

    std::string_view prepare(std::string_view text, std::string &scratch) const override;
    std::size_t nextCandidate(std::string_view prepared, std::size_t from) const override;
    std::optional<Span> findInLine(std::string_view line, std::string_view prepared) const override;

    /// The prefilter's bytes, empty without one (for tests).
    std::string prefilterBytes() const { return m_prefilter ? m_prefilter->pattern() : std::string(); }

private:
    QRegularExpression m_regex;
    std::optional<LiteralPrefilter> m_prefilter;
};

} // namespace search
