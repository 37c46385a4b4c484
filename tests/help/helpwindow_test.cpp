// The help facade and window on a temporary program directory: finding the help, opening the
// default topic and keywords, the index as fallback, the link policy and window ownership.
#include "help/help.h"
#include "help/helpwindow.h"
#include "qtbridge/sjis.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTextDocument>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

using help::Help;
using help::HelpWindow;

QString U(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

/// A program directory holding a copy of the shipped help.
class HelpFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_programDir.isValid());
        copyHelp();
    }

    void copyHelp()
    {
        const QDir source(QString::fromUtf8(NK_HELP_CONTENT_DIR));
        ASSERT_TRUE(QDir(m_programDir.path()).mkdir(QStringLiteral("help")));
        for (const QString &name : source.entryList(QDir::Files))
            ASSERT_TRUE(QFile::copy(source.filePath(name), helpDir().filePath(name)));
    }

    QDir helpDir() const { return QDir(QDir(m_programDir.path()).filePath(QStringLiteral("help"))); }
    QString programDir() const { return m_programDir.path(); }

    QTemporaryDir m_programDir;
};

TEST_F(HelpFixture, OpenDefault_ShowsTheStartPage)
{
    Help help(programDir());
    ASSERT_TRUE(help.available());
    EXPECT_EQ(help.window(), nullptr) << "nothing is created before help is asked for";
    help.openDefault(nullptr);
    ASSERT_NE(help.window(), nullptr);
    EXPECT_TRUE(help.window()->isVisible());
    EXPECT_EQ(help.window()->currentPage(), U("start.html"));
    EXPECT_EQ(help.window()->windowTitle(), U("Nekomado ヘルプ")) << "the name once, not the start page's title again";
    EXPECT_TRUE(help.window()->browser()->toPlainText().contains(U("Nekomado とは")));
}

TEST_F(HelpFixture, OpenKeyword_ShowsThePageOfTheKeyword)
{
    Help help(programDir());
    help.openKeyword(nullptr, U("ネットワーク"));
    HelpWindow *window = help.window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->currentPage(), U("settings-network.html"));
    EXPECT_EQ(window->windowTitle(), U("設定 - ネットワーク - Nekomado ヘルプ"));
    EXPECT_TRUE(window->browser()->toPlainText().contains(U("プロキシを使う")));
    EXPECT_EQ(window->keywordEdit()->text(), U("ネットワーク"));
    ASSERT_NE(window->keywordList()->currentItem(), nullptr);
    EXPECT_EQ(window->keywordList()->currentItem()->text(), U("ネットワーク"));

    // The same window serves the next request, also with an anchor and folded Latin case.
    help.openKeyword(nullptr, U("プロキシ"));
    EXPECT_EQ(help.window(), window);
    EXPECT_EQ(window->currentPage(), U("settings-network.html"));
    EXPECT_EQ(window->currentAnchor(), U("proxy"));
    help.openKeyword(nullptr, U("html変換ツール"));
    EXPECT_EQ(window->currentPage(), U("convert.html"));
}

TEST_F(HelpFixture, OpenKeyword_UnknownKeywordOpensTheIndexWithTheKeywordTypedIn)
{
    Help help(programDir());
    help.openKeyword(nullptr, U("ネコ"));
    HelpWindow *window = help.window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->currentPage(), QLatin1String(help::kIndexPage));
    EXPECT_EQ(window->keywordEdit()->text(), U("ネコ"));
    ASSERT_NE(window->keywordList()->currentItem(), nullptr) << "the nearest keyword is selected";
    EXPECT_GE(window->keywordList()->currentRow(), 0);

    // The index page lists every keyword, and its links work like any other.
    const QString text = window->browser()->toPlainText();
    for (const help::IndexEntry &entry : help.index().entries())
        EXPECT_TRUE(text.contains(entry.keyword)) << entry.keyword.toStdString();
    EXPECT_TRUE(window->followLink(QUrl(QStringLiteral("settings-login.html"))));
    EXPECT_EQ(window->currentPage(), U("settings-login.html"));
}

TEST_F(HelpFixture, KeywordBox_SelectsTheFirstKeywordThatBeginsWithTheTypedText)
{
    Help help(programDir());
    help.openDefault(nullptr);
    HelpWindow *window = help.window();
    window->showIndexPage(U("ネット"));
    ASSERT_NE(window->keywordList()->currentItem(), nullptr);
    EXPECT_EQ(window->keywordList()->currentItem()->text(), U("ネットワーク"));
    window->showIndexPage(U("NGW"));
    ASSERT_NE(window->keywordList()->currentItem(), nullptr);
    EXPECT_EQ(window->keywordList()->currentItem()->text(), U("NgWord"));
    // Enter in the keyword box opens the selected keyword.
    emit window->keywordEdit()->returnPressed();
    EXPECT_EQ(window->currentPage(), U("msgfilter.html"));
}

TEST_F(HelpFixture, Links_StayInsideTheHelp)
{
    WriteFile(QDir(programDir()).filePath(QStringLiteral("secret.html")), "<html><body>secret</body></html>");
    Help help(programDir());
    help.openDefault(nullptr);
    HelpWindow *window = help.window();

    EXPECT_TRUE(window->followLink(QUrl(QStringLiteral("#keys"))));
    EXPECT_EQ(window->currentPage(), U("start.html"));
    EXPECT_EQ(window->currentAnchor(), U("keys"));

    EXPECT_TRUE(window->followLink(QUrl(QStringLiteral("post.html#preview"))));
    EXPECT_EQ(window->currentPage(), U("post.html"));
    EXPECT_TRUE(window->followLink(QUrl(QStringLiteral("keywords.html"))));
    EXPECT_EQ(window->currentPage(), QLatin1String(help::kIndexPage));
    EXPECT_TRUE(window->followLink(QUrl(QStringLiteral("start.html"))));

    // None of these is followed, and the page stays as it was.
    for (const char *link : {"http://example.com/", "https://example.com/page.html", "mailto:a@example.com",
                             "../secret.html", "missing.html", "ftp://example.com/start.html"}) {
        EXPECT_FALSE(window->followLink(QUrl(QString::fromUtf8(link)))) << link;
        EXPECT_EQ(window->currentPage(), U("start.html")) << link;
    }
    EXPECT_FALSE(window->followLink(QUrl::fromLocalFile(QDir(programDir()).filePath(QStringLiteral("secret.html")))));

    // Paths that only look like the help directory are outside it.
    EXPECT_EQ(window->localPage(QUrl::fromLocalFile(QDir(programDir()).filePath(QStringLiteral("secret.html")))),
              QString());
    EXPECT_EQ(window->localPage(QUrl::fromLocalFile(programDir() + QStringLiteral("/help2/start.html"))), QString());
    EXPECT_EQ(window->localPage(QUrl::fromLocalFile(programDir() + QStringLiteral("/help/sub/../start.html"))),
              U("start.html"));
    EXPECT_EQ(window->localPage(QUrl(QStringLiteral("http://example.com/help/start.html"))), QString());

    // The view itself loads nothing from outside the help directory either.
    help::HelpBrowser *browser = window->browser();
    EXPECT_FALSE(browser
                     ->loadResource(QTextDocument::HtmlResource,
                                    QUrl::fromLocalFile(QDir(programDir()).filePath(QStringLiteral("secret.html"))))
                     .isValid());
    EXPECT_FALSE(browser->loadResource(QTextDocument::HtmlResource, QUrl(QStringLiteral("../secret.html"))).isValid());
    EXPECT_FALSE(browser->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("http://example.com/cat.png")))
                     .isValid());
    EXPECT_TRUE(browser->loadResource(QTextDocument::StyleSheetResource, QUrl(QStringLiteral("help.css"))).isValid());
}

TEST_F(HelpFixture, Pages_MayDeclareShiftJis)
{
    const QByteArray page = QByteArray("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                                       "charset=Shift_JIS\"><title>t</title></head><body>") +
                            QByteArray::fromStdString(qtbridge::Sjis("猫の窓から")) + "</body></html>";
    WriteFile(helpDir().filePath(QStringLiteral("sjis.html")), page);
    WriteFile(helpDir().filePath(help::kIndexFile), "sjis\tsjis.html\n");
    Help help(programDir());
    help.openKeyword(nullptr, U("sjis"));
    ASSERT_NE(help.window(), nullptr);
    EXPECT_EQ(help.window()->currentPage(), U("sjis.html"));
    EXPECT_TRUE(help.window()->browser()->toPlainText().contains(U("猫の窓から")));
}

TEST_F(HelpFixture, Index_KnownKeywordWhosePageIsMissingOpensTheIndex)
{
    WriteFile(helpDir().filePath(help::kIndexFile), "gone\tnothere.html\nbroken line\nok\tpost.html\n");
    Help help(programDir());
    ASSERT_TRUE(help.available()) << "a damaged index still serves its good lines";
    EXPECT_EQ(help.index().rejectedLines(), std::vector<int>{2});
    help.openKeyword(nullptr, U("gone"));
    EXPECT_EQ(help.window()->currentPage(), QLatin1String(help::kIndexPage));
    help.openKeyword(nullptr, U("ok"));
    EXPECT_EQ(help.window()->currentPage(), U("post.html"));
}

TEST_F(HelpFixture, Unavailable_CommandsDoNothing)
{
    struct Case {
        const char *what;
        std::function<void()> damage;
    };
    const std::vector<Case> cases = {
        {"no help directory", [this] { ASSERT_TRUE(helpDir().removeRecursively()); }},
        {"no index file", [this] { ASSERT_TRUE(helpDir().remove(help::kIndexFile)); }},
        {"no start page", [this] { ASSERT_TRUE(helpDir().remove(help::kStartPage)); }},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(QDir(programDir()).removeRecursively());
        ASSERT_TRUE(QDir().mkpath(programDir()));
        copyHelp();
        c.damage();
        const qsizetype windowsBefore = QApplication::topLevelWidgets().size();
        Help help(programDir());
        EXPECT_FALSE(help.available()) << c.what;
        QWidget owner;
        help.openDefault(&owner);
        help.openKeyword(&owner, U("全般"));
        help.openKeyword(nullptr, U("ネコ"));
        EXPECT_EQ(help.window(), nullptr) << c.what;
        EXPECT_EQ(QApplication::topLevelWidgets().size(), windowsBefore + 1) << c.what << ": only the owner";
    }
}

TEST_F(HelpFixture, Ownership_TheWindowBelongsToTheWindowThatAskedLast)
{
    Help help(programDir());
    QWidget mainWindow;
    mainWindow.show();
    help.openDefault(&mainWindow);
    QPointer<HelpWindow> first = help.window();
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first->parentWidget(), &mainWindow);
    EXPECT_TRUE(first->isWindow());

    {
        // A dialog's help button: the help window moves to the dialog, so that it is usable while
        // the dialog is modal, and closes with it.
        QDialog dialog(&mainWindow);
        dialog.show();
        auto *button = new QWidget(&dialog);
        help.openKeyword(button, U("全般"));
        EXPECT_EQ(help.window(), first.data());
        EXPECT_EQ(first->parentWidget(), &dialog);
        EXPECT_TRUE(first->isVisible());
        EXPECT_EQ(first->currentPage(), U("settings-general.html"));
    }
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(help.window(), nullptr);

    help.openDefault(&mainWindow);
    ASSERT_NE(help.window(), nullptr);
    EXPECT_EQ(help.window()->parentWidget(), &mainWindow);
}

TEST_F(HelpFixture, Ownership_HelpDeletesAWindowWithoutOwner)
{
    auto help = std::make_unique<Help>(programDir());
    help->openDefault(nullptr);
    QPointer<HelpWindow> window = help->window();
    ASSERT_FALSE(window.isNull());
    help.reset();
    EXPECT_TRUE(window.isNull());
}

} // namespace
