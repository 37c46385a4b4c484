// Regular expressions for the log search. The logs are Shift_JIS and the core is byte-based, so
// a regular expression runs on the decoded text of each field (QRegularExpression, Unicode) and
// its match is carried back to the bytes of the line.
#pragma once

#include "search/matcher.h"

#include <QRegularExpression>
#include <QString>

namespace search {

/// Every line is read (there is no byte pattern to look for first). Without case, letters are
/// compared as QRegularExpression::CaseInsensitiveOption compares them: every letter Unicode gives
/// two cases, a wider folding than the plain text's. Matches inside markup are passed over, as
/// the plain text's are.
class RegexMatcher : public Matcher {
public:
    RegexMatcher(const QString &pattern, bool ignoreCase);

    bool isValid() const { return m_regex.isValid(); }
    QString errorString() const { return m_regex.errorString(); }

    std::optional<Span> findInLine(std::string_view line, std::string_view prepared) const override;

private:
    QRegularExpression m_regex;
};

} // namespace search
