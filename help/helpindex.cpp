// Parsing and lookup of the help's keyword index.
#include "help/helpindex.h"

#include "base/text.h"
#include "base/textfile.h"
#include "qtbridge/sjis.h"

#include <QList>
#include <QStringDecoder>
#include <algorithm>
#include <string_view>

namespace help {

namespace {

bool IsTargetChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '-' || u == '_' ||
           u == '.';
}

} // namespace

QString TargetPage(const QString &target)
{
    const qsizetype hash = target.indexOf(u'#');
    return hash < 0 ? target : target.left(hash);
}

QString TargetAnchor(const QString &target)
{
    const qsizetype hash = target.indexOf(u'#');
    return hash < 0 ? QString() : target.mid(hash + 1);
}

bool IsHelpTarget(QStringView target)
{
    const qsizetype hash = target.indexOf(u'#');
    const QStringView page = hash < 0 ? target : target.left(hash);
    if (page.isEmpty())
        return false;
    for (QStringView part : page.split(u'/')) {
        if (part.isEmpty() || part == u"." || part == u"..")
            return false;
        if (!std::all_of(part.begin(), part.end(), IsTargetChar))
            return false;
    }
    if (hash >= 0) {
        const QStringView anchor = target.mid(hash + 1);
        if (anchor.isEmpty() || !std::all_of(anchor.begin(), anchor.end(), IsTargetChar))
            return false;
    }
    return true;
}

HelpIndex HelpIndex::Parse(QByteArrayView text)
{
    HelpIndex index;
    std::string_view bytes(text.data(), static_cast<std::size_t>(text.size()));
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);

    int lineNumber = 0;
    for (const std::string &line : base::SplitLines(bytes)) {
        ++lineNumber;
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString decoded = decoder.decode(QByteArrayView(line.data(), static_cast<qsizetype>(line.size())));
        const QString trimmed = decoded.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
            continue;

        const qsizetype tab = decoded.indexOf(u'\t');
        IndexEntry entry;
        if (tab >= 0) {
            entry.keyword = decoded.left(tab).trimmed();
            entry.target = decoded.mid(tab + 1).trimmed();
            entry.keywordSjis = qtbridge::ToSjis(entry.keyword);
        }
        const bool sound = !decoder.hasError() && tab >= 0 && !entry.keyword.isEmpty() && IsHelpTarget(entry.target);
        if (!sound || index.find(entry.keyword) != nullptr) {
            index.m_rejected.push_back(lineNumber);
            continue;
        }
        index.m_entries.push_back(std::move(entry));
    }
    return index;
}

const IndexEntry *HelpIndex::find(const QString &keyword) const
{
    const std::string key = qtbridge::ToSjis(keyword.trimmed());
    if (key.empty())
        return nullptr;
    for (const IndexEntry &entry : m_entries) {
        if (base::EqualsNoCase(entry.keywordSjis, key))
            return &entry;
    }
    return nullptr;
}

std::vector<const IndexEntry *> HelpIndex::sorted() const
{
    std::vector<const IndexEntry *> order;
    order.reserve(m_entries.size());
    for (const IndexEntry &entry : m_entries)
        order.push_back(&entry);
    std::stable_sort(order.begin(), order.end(), [](const IndexEntry *a, const IndexEntry *b) {
        return base::CompareTextNoCase(a->keywordSjis, b->keywordSjis) < 0;
    });
    return order;
}

QString HelpIndex::indexPageHtml() const
{
    QString html = QStringLiteral("<html><head><title>索引</title>"
                                  "<link rel=\"stylesheet\" type=\"text/css\" href=\"help.css\"></head><body>"
                                  "<h1>索引</h1><p>キーワードを選ぶと、その説明のページが開きます。"
                                  "<a href=\"%1\">目次に戻る</a></p><ul>")
                       .arg(QLatin1String(kStartPage));
    for (const IndexEntry *entry : sorted()) {
        // Targets are plain ASCII file names (IsHelpTarget), so only the keyword needs escaping.
        html += QStringLiteral("<li><a href=\"%1\">%2</a></li>").arg(entry->target, entry->keyword.toHtmlEscaped());
    }
    html += QStringLiteral("</ul></body></html>");
    return html;
}

} // namespace help
