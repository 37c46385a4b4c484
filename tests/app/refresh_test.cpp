// Refreshes that must not take from the user what they have: the topic list and the directory
// when the server is down, stopped directory updates, and the category files at shutdown.
#include <QAction>
#include <QApplication>
#include <QTreeWidget>
#include <filesystem>
#include <gtest/gtest.h>

#include "app/mainform.h"
#include "base/textfile.h"
#include "net/texts.h"
#include "qtbridge/sjis.h"
#include "store/categoryfile.h"
#include "store/listrows.h"
#include "ui/topiclistview.h"
#include "tests/app/boardfixture.h"
#include "ui/panes.h"
#include "ui/statusbar.h"

namespace fs = std::filesystem;

namespace {

int argc = 1;
char arg0[] = "app_refresh_test";
char *argv[] = {arg0, nullptr};

class RefreshTest : public apptest::BoardFixture {
protected:
    static void SetUpTestSuite()
    {
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }

    int treeNodes()
    {
        int nodes = 0;
        for (QTreeWidgetItemIterator it(siteTab().tree); *it; ++it)
            ++nodes;
        return nodes;
    }

    std::vector<std::string> categoryFile()
    {
        return base::ReadLines(store::CategoryFilePath(dir, store::kPluginTreeName))
            .value_or(std::vector<std::string>{});
    }

    /// Starts the stopped server again where the window reaches it: its port and its data.
    bool restartOnSamePort(int port)
    {
        std::vector<std::string> arguments = serverArguments();
        arguments.insert(arguments.end(), {"--port", std::to_string(port)});
        return server.start(arguments);
    }

    bool crawlRunning()
    {
        form->actions().update("CtgUpdate");
        return !form->actions().action("CtgUpdate")->isEnabled();
    }
};

TEST_F(RefreshTest, AReloadWithTheServerDownKeepsTheRowsAndAReloadThatWorksReplacesThem)
{
    crawl();
    QTreeWidget *list = openListedBoard();
    ASSERT_TRUE(list);
    int rows = list->topLevelItemCount();
    int tab = form->topicListPane().strip()->currentIndex();
    std::string caption = form->topicListPane().strip()->caption(tab);

    int port = server.port();
    server.stop();
    ASSERT_TRUE(form->actions().run("ThrLstReload"));
    EXPECT_EQ(list->topLevelItemCount(), rows) << "the rows stay while the list is fetched";
    ASSERT_TRUE(apptest::WaitFor([&] { return form->topicListPane().strip()->caption(tab) == net::kRetryErrorText; }))
        << "the retries did not end";
    EXPECT_EQ(list->topLevelItemCount(), rows) << "a failed reload keeps the list";
    EXPECT_TRUE(list->updatesEnabled());

    // Back online: the new list replaces the rows (not added to them) and the board's caption returns.
    ASSERT_TRUE(restartOnSamePort(port));
    ASSERT_TRUE(form->actions().run("ThrLstReload"));
    ASSERT_TRUE(apptest::WaitFor([&] { return form->topicListPane().strip()->caption(tab) == caption; }));
    EXPECT_EQ(list->topLevelItemCount(), rows);
    EXPECT_TRUE(list->updatesEnabled());
    auto *first = static_cast<ui::TopicItem *>(list->topLevelItem(0));
    EXPECT_EQ(first->row().text(store::kBoardItem), caption) << "rows carry the board's name, not the error";
}

TEST_F(RefreshTest, ADirectoryUpdateWithTheServerDownKeepsTheTreeAndSaysItFailed)
{
    crawl();
    int nodes = treeNodes();
    auto file = categoryFile();
    ASSERT_EQ(static_cast<int>(file.size()), nodes);

    server.stop();
    crawl();
    EXPECT_EQ(treeNodes(), nodes) << "the tree the user had is still there";
    EXPECT_TRUE(siteTab().tree->updatesEnabled());
    EXPECT_EQ(form->statusPanels().panelText(0), QString::fromUtf8("カテゴリの取得に失敗しました"));
    EXPECT_EQ(categoryFile(), file);
}

TEST_F(RefreshTest, AStoppedDirectoryUpdateNeverWritesItsPartialTree)
{
    crawl();
    auto file = categoryFile();
    int nodes = treeNodes();
    ASSERT_GT(nodes, 3);

    // Every page comes slowly: the update can be stopped once the root page is in.
    ASSERT_TRUE(server.addFault("delay=1500"));
    ASSERT_TRUE(form->actions().run("CtgUpdate"));
    ASSERT_TRUE(apptest::WaitFor([&] { return treeNodes() > 0 && treeNodes() < nodes; }, 20000))
        << "the root page did not arrive";
    ASSERT_TRUE(crawlRunning());
    ASSERT_TRUE(form->actions().run("CtgUpdateStop"));
    EXPECT_EQ(form->statusPanels().panelText(0), QString::fromUtf8("カテゴリの取得が中断されました"));
    EXPECT_EQ(categoryFile(), file) << "the stop did not write the partial tree";
    // The request still running delivers its page and ends the batch update.
    ASSERT_TRUE(apptest::WaitFor([&] { return !crawlRunning() && siteTab().tree->updatesEnabled(); }, 20000));
    EXPECT_LT(treeNodes(), nodes);
    EXPECT_EQ(categoryFile(), file) << "the stop did not write the partial tree";
    // Let the request that was running end (if one was), then close the window: the file is
    // still whole.
    apptest::WaitFor(
        [&] { return form->statusPanels().panelText(0) == QString::fromUtf8("カテゴリの取得が終了しました"); }, 5000);
    form.reset();
    EXPECT_EQ(categoryFile(), file) << "the shutdown did not write it either";

    // A complete update writes the file again.
    server.clearFaults();
    form = std::make_unique<TMainForm>(
        dir, [this](const QString &, const QString &text) { messages.push_back(text.toStdString()); });
    ASSERT_TRUE(form->FormCreate());
    EXPECT_EQ(treeNodes(), nodes) << "the whole tree was read back";
    crawl();
    EXPECT_EQ(categoryFile(), file);
}

} // namespace
