// Downloads that must end and names that must not become paths, in the window against the
// bundled board server: the server stopped in the middle of a topic's download, a topic id that
// would leave the log folder, and a topic opened before the first directory update.
#include "app/mainform.h"
#include "base/programdir.h"
#include "base/text.h"
#include "net/endpoints.h"
#include "net/texts.h"
#include "qtbridge/sjis.h"
#include "store/boarddir.h"
#include "tests/app/boardfixture.h"
#include "ui/panes.h"
#include "ui/statusbar.h"
#include "ui/tabstrip.h"
#include "ui/topiclistview.h"
#include "view/htmlview.h"
#include "view/webengine.h"

#include <QApplication>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

int argc = 1;
char arg0[] = "app_mends_test";
char *argv[] = {arg0, nullptr};

constexpr int kTimeoutMs = 1000;
constexpr int kRetries = 1;
constexpr int kRange = 100;

class MendsTest : public apptest::BoardFixture {
protected:
    static void SetUpTestSuite()
    {
        if (!QApplication::instance()) {
            view::PrepareProcess();
            new QApplication(argc, argv);
        }
    }

    std::vector<std::string> serverArguments() const override
    {
        // Every topic holds 100 to 300 messages.
        return {"--categories", "1", "--depth",    "1",   "--subcategories", "1", "--boards", "1",
                "--topics",     "2", "--messages", "200", "--huge",          "0"};
    }

    void SetUp() override
    {
        apptest::BoardFixture::SetUp();
        if (HasFatalFailure())
            return;
        // The fixture's window waits 5 s per read; this one gives up quickly.
        form.reset();
        ASSERT_TRUE(base::WriteFileAtomic(
            dir + "nekomado.ini", "[network]\r\nproxy=1\r\nproxy_server=127.0.0.1\r\nproxy_port=" +
                                      std::to_string(server.port()) + "\r\ntimeout=" + std::to_string(kTimeoutMs) +
                                      "\r\nretry=" + std::to_string(kRetries) + "\r\ndl_count_index=0\r\n"));
        form = std::make_unique<TMainForm>(
            dir, [this](const QString &, const QString &text) { messages.push_back(text.toStdString()); });
        ASSERT_TRUE(form->FormCreate());
        form->resize(1000, 700);
        form->show();
    }

    QString panel0() { return form->statusPanels().panelText(0); }

    /// The number of messages the active topic's page shows, read from the page itself.
    int shownMessages(ui::TopicPage &tab)
    {
        auto *browser = qobject_cast<view::HtmlView *>(tab.browser.data());
        if (!browser || !apptest::WaitFor([&] { return !browser->isLoading(); }, 30000))
            return -1;
        int count = -1;
        browser->runScript(QStringLiteral("Array.from(document.querySelectorAll('[name],[id]')).filter("
                                          "e => /^Res[0-9]+$/.test(e.getAttribute('name') || e.id)).length"),
                           [&](const QVariant &v) { count = v.toInt(); });
        apptest::WaitFor([&] { return count >= 0; }, 10000);
        return count;
    }
};

TEST_F(MendsTest, ServerStoppedMidDownload_FetchEndsShowsWhatCameAndLaterFetchesOnlyTheRest)
{
    crawl();
    QTreeWidget *list = openListedBoard();
    ASSERT_TRUE(list);
    const std::string topicUrl = static_cast<ui::TopicItem *>(list->topLevelItem(0))->row().entry.topicUrl;

    // Slow enough that the download is caught in the middle.
    ASSERT_TRUE(server.addFault("delay=30@*action=m&*"));
    form->OpenUrl(topicUrl, 1, kRange, store::OpenMode::ActiveTab, false);
    ui::TopicPage *tab = form->topicPane().activePage();
    ASSERT_TRUE(tab);
    ASSERT_TRUE(apptest::WaitFor([&] { return tab->received >= 20; }, 60000)) << "received " << tab->received;
    ASSERT_TRUE(tab->downloading());

    server.stop();
    QElapsedTimer sinceStop;
    sinceStop.start();
    ASSERT_TRUE(apptest::WaitFor([&] { return !tab->downloading(); }, 60000))
        << "the download never ended: " << tab->received << "/" << kRange;
    // Each request waits at most the time-out per attempt; the refused ones fail at once.
    EXPECT_LE(sinceStop.elapsed(), (kRetries + 1) * kTimeoutMs + 500);
    // Every request is answered or given up before the fetch ends; nothing is left running.
    ASSERT_TRUE(apptest::WaitFor(
        [&] { return form->pipeline().runningCount() == 0 && form->pipeline().waitingGeneral() == 0; },
        (kRetries + 1) * kTimeoutMs + 5000));

    const int held = static_cast<int>(tab->lines.size());
    const int missing = kRange - held;
    ASSERT_GT(held, 0);
    ASSERT_GT(missing, 0) << "the server was stopped too late to test anything";
    EXPECT_EQ(tab->failed, missing);
    EXPECT_EQ(shownMessages(*tab), held) << "the messages that arrived are on the page";
    const QString expected = QString::fromUtf8("スレッドの取得終了 (%1件のレスを取得できませんでした)").arg(missing);
    EXPECT_EQ(panel0(), expected);
    const int index = form->topicPane().pages().indexOf(tab);
    EXPECT_EQ(form->topicPane().strip()->caption(index), tab->title) << "no (n/100) left in the caption";

    // The board is back: opening again asks for the missing messages and message 1 only.
    ASSERT_TRUE(server.restart());
    settings::NetworkSettings network = form->settings().network;
    network.proxyPort = server.port();
    form->pipeline().setNetworkSettings(network);
    const long long before = server.stat("requests");
    form->OpenUrl(topicUrl, 1, kRange, store::OpenMode::ActiveTab, false);
    ASSERT_TRUE(apptest::WaitFor([&] { return !tab->downloading() && tab->lines.size() == kRange; }, 60000))
        << tab->lines.size() << " held";
    ASSERT_TRUE(apptest::WaitFor(
        [&] { return form->pipeline().runningCount() == 0 && form->pipeline().waitingGeneral() == 0; }, 30000));
    const long long after = server.stat("requests");
    EXPECT_EQ(after - before - 1, missing + 1) << "message 1 again, then only the missing ones";
    EXPECT_EQ(tab->failed, 0);
    EXPECT_EQ(panel0(), QString::fromUtf8("スレッドの取得終了"));
    EXPECT_EQ(shownMessages(*tab), kRange);
}

TEST_F(MendsTest, TopicOpenedWhileTheServerIsDownEndsWithRetryError)
{
    const std::string url = net::MessageUrl(form->boardServer(), "b1", "a1b2", 1);
    server.stop();
    form->OpenUrl(url, 0, 0, store::OpenMode::NewTab, false);
    ui::TopicPage *tab = form->topicPane().activePage();
    ASSERT_TRUE(tab);
    ASSERT_TRUE(apptest::WaitFor([&] { return !tab->downloading(); }, (kRetries + 1) * kTimeoutMs + 5000));
    const int index = form->topicPane().pages().indexOf(tab);
    EXPECT_EQ(form->topicPane().strip()->caption(index), net::kRetryErrorText) << "not \"fetching\" for ever";
    EXPECT_EQ(panel0(), QString::fromUtf8("スレッドの取得終了 (1件のレスを取得できませんでした)"));
}

TEST_F(MendsTest, TypedTopicIdsThatWouldLeaveTheLogFolderAreRefused)
{
    const std::string base = form->boardServer() + "bbs?action=m&board=b1&sid=b1&tid=";
    for (const char *tid : {"../../../escaped", "..%2F..%2F..%2Fescaped", "/tmp/nk-window-escaped"}) {
        for (bool local : {false, true}) {
            form->ShowStatus(0, QString());
            const int tabs = form->topicPane().pages().size();
            const std::size_t waiting = form->pipeline().waitingGeneral();
            form->OpenUrl(base + tid + "&mid=1", 0, 0, store::OpenMode::NewTab, local);
            EXPECT_EQ(form->topicPane().pages().size(), tabs) << tid;
            EXPECT_EQ(form->pipeline().waitingGeneral(), waiting) << tid << ": nothing is requested";
            EXPECT_EQ(panel0(), QString::fromUtf8("スレッドIDが不正なため開けません")) << tid;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(dir).parent_path().parent_path() / "escaped.dat"));
    EXPECT_FALSE(std::filesystem::exists("/tmp/nk-window-escaped.dat"));
}

TEST_F(MendsTest, BeforeTheFirstDirectoryUpdateATypedTopicIsStoredUnderTheLogRoot)
{
    // No crawl: the category file does not exist yet. The board's list gives a real topic.
    crawl(); // only to learn a topic URL; the category file is removed again below
    QTreeWidget *list = openListedBoard();
    ASSERT_TRUE(list);
    const std::string topicUrl = static_cast<ui::TopicItem *>(list->topLevelItem(0))->row().entry.topicUrl;
    std::filesystem::remove(dir + "Category/Hakobune.dll.ctg");

    form->OpenUrl(topicUrl, 1, 3, store::OpenMode::NewTab, false);
    ui::TopicPage *tab = form->topicPane().activePage();
    ASSERT_TRUE(tab);
    ASSERT_TRUE(apptest::WaitFor([&] { return !tab->downloading() && tab->lines.size() >= 3; }, 30000));
    const std::string tid = base::ExtractUrlParam("tid=", topicUrl).value_or("");
    EXPECT_TRUE(base::FileExists(base::JoinPath(form->settings().path.log, tid + ".dat")))
        << "stored under the log root, not lost";
}

} // namespace
