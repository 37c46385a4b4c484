// The keyword index of the help: which page a help keyword opens, and the index page built from it.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <string>
#include <vector>

namespace help {

/// File names inside the help directory. Pages lie at its top level, so a relative link means the
/// same file from every page.
inline constexpr const char kStartPage[] = "start.html";   ///< the default topic
inline constexpr const char kIndexFile[] = "keywords.txt"; ///< the keyword index
/// The keyword index as a page. It is built from the index file when shown, never read from
/// disk, so the page and the index cannot disagree; pages link to it by this name.
inline constexpr const char kIndexPage[] = "keywords.html";

/// One keyword of the index.
struct IndexEntry {
    QString keyword;
    /// A page of the help directory, optionally followed by "#" and an anchor of that page.
    QString target;
    /// The keyword as Shift_JIS bytes, which is how keywords are compared.
    std::string keywordSjis;
};

/// The parsed index file. Its text is UTF-8, one entry per line: the keyword, a tab, the target.
/// Lines starting with "#" and blank lines are skipped. A line that is not a sound entry (no tab,
/// an empty keyword, a target that leaves the help directory or names a scheme, a keyword listed
/// before) is left out and its number remembered, so a damaged index still serves its good lines.
class HelpIndex {
public:
    static HelpIndex Parse(QByteArrayView text);

    const std::vector<IndexEntry> &entries() const { return m_entries; }
    /// 1-based numbers of the lines that were left out.
    const std::vector<int> &rejectedLines() const { return m_rejected; }

    /// The entry of keyword, or nullptr when the index does not know it. Keywords are compared as
    /// whole Shift_JIS texts, ignoring the case of ASCII and full-width Latin letters.
    const IndexEntry *find(const QString &keyword) const;

    /// The entries in index order: by Shift_JIS bytes, Latin letters folded.
    std::vector<const IndexEntry *> sorted() const;

    /// The index page: every keyword, sorted, as a link to its target.
    QString indexPageHtml() const;

private:
    std::vector<IndexEntry> m_entries;
    std::vector<int> m_rejected;
};

/// True when target ("page" or "page#anchor") names a file inside the help directory: a relative
/// path of ASCII letters, digits, "-", "_" and "." with no empty, "." or ".." component.
bool IsHelpTarget(QStringView target);

/// The file part of a target (before "#").
QString TargetPage(const QString &target);
/// The anchor part of a target (after "#"), empty when there is none.
QString TargetAnchor(const QString &target);

} // namespace help
