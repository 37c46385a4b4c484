// The boards end to end: the window against the bundled board server, through the real plug-in.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>
#include <filesystem>
#include <gtest/gtest.h>

#include "app/mainform.h"
#include "base/textfile.h"
#include "boardserver/testing/serverprocess.h"
#include "qtbridge/sjis.h"
#include "store/boarddir.h"
#include "store/categoryfile.h"
#include "ui/categorytreeview.h"
#include "ui/panes.h"
#include "ui/statusbar.h"
#include "ui/topiclistview.h"

namespace fs = std::filesystem;

namespace {

int argc = 1;
char arg0[] = "app_boards_test";
char *argv[] = {arg0, nullptr};

/// Runs the event loop until done() holds or limitMs pass; the result of done().
bool waitFor(const std::function<bool()> &done, int limitMs = 30000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < limitMs)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

class BoardsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }

    void SetUp() override
    {
        ASSERT_TRUE(server.start({"--categories", "2", "--depth", "2", "--subcategories", "2", "--boards", "2",
                                  "--topics", "6", "--messages", "8", "--huge", "0"}));
        std::string tmpl = (fs::temp_directory_path() / "nk-boards-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir = tmpl + "/";
        fs::copy_file(NK_PROGRAM_DIR "/Hakobune.so", dir + "Hakobune.so");
        fs::copy(NK_PROGRAM_DIR "/help", dir + "help", fs::copy_options::recursive);
        ASSERT_TRUE(base::WriteFileAtomic(dir + "nekomado.ini", "[network]\r\nproxy=1\r\nproxy_server=127.0.0.1\r\n"
                                                                "proxy_port=" + std::to_string(server.port()) +
                                                                    "\r\ntimeout=5000\r\n"));
        form = std::make_unique<TMainForm>(dir, [this](const QString &, const QString &text) {
            messages.push_back(text.toStdString());
        });
        ASSERT_TRUE(form->FormCreate());
    }

    void TearDown() override
    {
        form.reset();
        fs::remove_all(dir);
    }

    /// Downloads the directory and waits for the crawl to end.
    void crawl()
    {
        ASSERT_TRUE(form->actions().run("CtgUpdate"));
        ASSERT_TRUE(waitFor([&] {
            form->actions().update("CtgUpdate");
            return form->actions().action("CtgUpdate")->isEnabled();
        }, 60000)) << "the crawl did not end";
    }

    ui::CategoryPage &siteTab() { return form->categoryPane().pages()[form->siteCategoryTab()]; }

    /// The first board of the site's tree.
    ui::CategoryItem *firstBoard()
    {
        QTreeWidget &tree = *siteTab().tree;
        for (QTreeWidgetItemIterator it(&tree); *it; ++it) {
            auto *item = static_cast<ui::CategoryItem *>(*it);
            if (!item->data().isFolder())
                return item;
        }
        return nullptr;
    }

    void doubleClick(ui::CategoryItem *item)
    {
        QTreeWidget &tree = *siteTab().tree;
        tree.setCurrentItem(item);
        emit tree.itemDoubleClicked(item, 0);
    }

    QTreeWidget *activeList()
    {
        ui::TopicListPage *page = form->topicListPane().activePage();
        return page ? qobject_cast<QTreeWidget *>(page->view.data()) : nullptr;
    }

    boardserver::testing::ServerProcess server;
    std::string dir;
    std::vector<std::string> messages;
    std::unique_ptr<TMainForm> form;
};

TEST_F(BoardsTest, CtgUpdateCrawlsTheDirectoryIntoTheTreeAndTheCategoryFile)
{
    crawl();
    QTreeWidget &tree = *siteTab().tree;
    int nodes = 0, boards = 0, deepest = 0;
    for (QTreeWidgetItemIterator it(&tree); *it; ++it) {
        ++nodes;
        auto *item = static_cast<ui::CategoryItem *>(*it);
        boards += item->data().isFolder() ? 0 : 1;
        int depth = 0;
        for (QTreeWidgetItem *up = item->parent(); up; up = up->parent())
            ++depth;
        deepest = std::max(deepest, depth);
    }
    EXPECT_GT(boards, 0);
    EXPECT_GE(deepest, 2) << "category pages below category pages were fetched";
    EXPECT_TRUE(tree.updatesEnabled()) << "the batch update ended";
    auto lines = base::ReadLines(store::CategoryFilePath(dir, store::kPluginTreeName));
    ASSERT_TRUE(lines);
    EXPECT_EQ(static_cast<int>(lines->size()), nodes) << "the category file holds the whole tree";
    EXPECT_EQ(form->statusPanels().panelText(0), QString::fromUtf8("カテゴリの取得が終了しました"));
}

TEST_F(BoardsTest, ADoubleClickOnABoardOpensItsListOnlineAndOfflineFromTheBoardListFile)
{
    crawl();
    ui::CategoryItem *board = firstBoard();
    ASSERT_TRUE(board);
    doubleClick(board);
    // A board lists its topics in list form, or a single topic in one of the single forms.
    ASSERT_TRUE(waitFor([&] { return activeList() && activeList()->topLevelItemCount() > 0 &&
                                     activeList()->updatesEnabled(); }))
        << "the topic list did not arrive: tabs " << form->topicListPane().pages().size() << ", status "
        << form->statusPanels().panelText(0).toStdString() << ", url " << board->data().url;
    int rows = activeList()->topLevelItemCount();
    int tab = form->topicListPane().strip()->currentIndex();
    EXPECT_EQ(form->topicListPane().strip()->tabText(tab), board->text(0));
    auto &row = static_cast<ui::TopicItem *>(activeList()->topLevelItem(0))->row();
    EXPECT_NE(row.entry.topicUrl.find("action=m&board="), std::string::npos);
    EXPECT_EQ(row.image, 5) << "no log yet";

    std::string boardDir = form->topicListPane().activePage()->boardDir;
    ASSERT_FALSE(boardDir.empty());
    ASSERT_TRUE(waitFor([&] { return base::FileExists(store::BoardListFilePath(boardDir)); }));

    // Offline: the board opens from the file the download left, at once and without the server.
    server.stop();
    form->actions().action("FileOnline")->setChecked(false);
    form->actions().run("ThrLstAllClose");
    ASSERT_EQ(form->topicListPane().pages().size(), 0);
    doubleClick(board);
    ASSERT_TRUE(activeList());
    EXPECT_EQ(activeList()->topLevelItemCount(), rows);
    EXPECT_TRUE(activeList()->updatesEnabled());
    EXPECT_EQ(form->topicListPane().strip()->tabText(0), board->text(0));
}

} // namespace
