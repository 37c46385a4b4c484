// The help content as shipped: the index knows every keyword the dialogs ask for, every page
// and anchor it names exists, no link inside the pages is broken, and the build copies it all.
#include "help/helpindex.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {

using help::HelpIndex;

QString U(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

QString ContentDir()
{
    return QString::fromUtf8(NK_HELP_CONTENT_DIR);
}

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

HelpIndex ShippedIndex()
{
    return HelpIndex::Parse(ReadBytes(QDir(ContentDir()).filePath(help::kIndexFile)));
}

struct Page {
    QString text;
    std::set<QString> anchors;
    std::vector<QString> links; ///< href and src values, as written
};

/// Every page of the content directory, decoded as the UTF-8 it declares.
std::map<QString, Page> ReadPages()
{
    static const QRegularExpression linkPattern(QStringLiteral("(?:href|src)\\s*=\\s*\"([^\"]*)\""),
                                                QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression anchorPattern(QStringLiteral("<a\\s+name\\s*=\\s*\"([^\"]*)\""),
                                                  QRegularExpression::CaseInsensitiveOption);
    std::map<QString, Page> pages;
    const QStringList names = QDir(ContentDir()).entryList({QStringLiteral("*.html")}, QDir::Files);
    for (const QString &name : names) {
        QStringDecoder decoder(QStringDecoder::Utf8);
        Page page;
        page.text = decoder.decode(ReadBytes(QDir(ContentDir()).filePath(name)));
        EXPECT_FALSE(decoder.hasError()) << name.toStdString() << " is not UTF-8";
        for (const QRegularExpressionMatch &m : anchorPattern.globalMatch(page.text))
            page.anchors.insert(m.captured(1));
        for (const QRegularExpressionMatch &m : linkPattern.globalMatch(page.text))
            page.links.push_back(m.captured(1));
        pages.emplace(name, std::move(page));
    }
    return pages;
}

/// Empty when target ("page#anchor" as linked from page from) leads to a page and anchor that
/// exist; otherwise what is wrong.
QString Broken(const std::map<QString, Page> &pages, const QString &from, const QString &target)
{
    const QString file = help::TargetPage(target).isEmpty() ? from : help::TargetPage(target);
    const QString anchor = help::TargetAnchor(target);
    if (file == QLatin1String(help::kIndexPage))
        return anchor.isEmpty() ? QString() : QStringLiteral("the index page has no anchors");
    if (file.endsWith(QLatin1String(".html"))) {
        const auto page = pages.find(file);
        if (page == pages.end())
            return QStringLiteral("no such page");
        if (!anchor.isEmpty() && !page->second.anchors.count(anchor))
            return QStringLiteral("no such anchor");
        return {};
    }
    if (!anchor.isEmpty())
        return QStringLiteral("an anchor in a file that is not a page");
    return QFile::exists(QDir(ContentDir()).filePath(file)) ? QString() : QStringLiteral("no such file");
}

TEST(HelpContent, Index_ParsesWhole)
{
    const HelpIndex index = ShippedIndex();
    EXPECT_TRUE(index.rejectedLines().empty()) << "first rejected line: " << index.rejectedLines().front();
    EXPECT_GE(index.entries().size(), 11u);
}

TEST(HelpContent, Index_KnowsTheKeywordOfEveryHelpButton)
{
    const HelpIndex index = ShippedIndex();
    // The three dialogs with a keyword of their own, and the eight pages of the settings dialog,
    // whose help button asks for the caption of its active page.
    const std::vector<std::pair<QString, QString>> expected = {
        {U("書き込み"), U("post.html")},
        {U("メッセージフィルタ"), U("msgfilter.html")},
        {U("HTML変換ツール"), U("convert.html")},
        {U("全般"), U("settings-general.html")},
        {U("パス"), U("settings-path.html")},
        {U("タブ"), U("settings-tab.html")},
        {U("デザイン"), U("settings-design.html")},
        {U("動作"), U("settings-action.html")},
        {U("マウスジェスチャー"), U("settings-gesture.html")},
        {U("ネットワーク"), U("settings-network.html")},
        {U("ログイン"), U("settings-login.html")},
    };
    for (const auto &[keyword, page] : expected) {
        const help::IndexEntry *entry = index.find(keyword);
        ASSERT_NE(entry, nullptr) << keyword.toStdString();
        EXPECT_EQ(help::TargetPage(entry->target), page) << keyword.toStdString();
    }
}

TEST(HelpContent, Index_EveryTargetExists)
{
    const std::map<QString, Page> pages = ReadPages();
    const HelpIndex index = ShippedIndex();
    for (const help::IndexEntry &entry : index.entries()) {
        const QString page = help::TargetPage(entry.target);
        EXPECT_NE(page, QLatin1String(help::kIndexPage)) << entry.keyword.toStdString();
        EXPECT_EQ(Broken(pages, page, entry.target), QString())
            << entry.keyword.toStdString() << " -> " << entry.target.toStdString();
    }
}

TEST(HelpContent, Pages_DeclareTheirEncodingAndTitle)
{
    static const QRegularExpression title(QStringLiteral("<title>([^<]+)</title>"));
    for (const auto &[name, page] : ReadPages()) {
        EXPECT_TRUE(page.text.contains(U("charset=UTF-8"), Qt::CaseInsensitive)) << name.toStdString();
        EXPECT_TRUE(title.match(page.text).hasMatch()) << name.toStdString();
    }
}

TEST(HelpContent, Pages_HaveNoBrokenLinks)
{
    const std::map<QString, Page> pages = ReadPages();
    ASSERT_TRUE(pages.count(QLatin1String(help::kStartPage)));
    EXPECT_FALSE(pages.count(QLatin1String(help::kIndexPage))) << "the index page is built, not shipped";
    int links = 0;
    for (const auto &[name, page] : pages) {
        for (const QString &link : page.links) {
            ++links;
            // The help window follows no link that leaves the help, so such a link is dead.
            EXPECT_TRUE(help::IsHelpTarget(link) || (link.startsWith(u'#') && help::IsHelpTarget(name + link)))
                << name.toStdString() << ": " << link.toStdString() << " leaves the help";
            EXPECT_EQ(Broken(pages, name, link), QString()) << name.toStdString() << ": " << link.toStdString();
        }
    }
    EXPECT_GT(links, 50);
}

TEST(HelpContent, Pages_AreAllReachable)
{
    const std::map<QString, Page> pages = ReadPages();
    std::set<QString> reached = {QLatin1String(help::kStartPage)};
    const HelpIndex index = ShippedIndex();
    for (const help::IndexEntry &entry : index.entries())
        reached.insert(help::TargetPage(entry.target));
    for (const auto &[name, page] : pages) {
        for (const QString &link : page.links)
            reached.insert(help::TargetPage(link));
    }
    for (const auto &[name, page] : pages)
        EXPECT_TRUE(reached.count(name)) << name.toStdString() << " is linked from nowhere";
}

TEST(HelpContent, Build_CopiesEveryFileIntoTheProgramDirectory)
{
    const QDir source(ContentDir());
    const QDir copy(QDir(QString::fromUtf8(NK_PROGRAM_DIR)).filePath(QStringLiteral("help")));
    const QStringList names = source.entryList(QDir::Files);
    ASSERT_FALSE(names.isEmpty());
    for (const QString &name : names) {
        ASSERT_TRUE(copy.exists(name)) << name.toStdString() << " is missing from the program directory";
        EXPECT_EQ(ReadBytes(copy.filePath(name)), ReadBytes(source.filePath(name))) << name.toStdString();
    }
}

} // namespace
