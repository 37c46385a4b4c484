// The boards end to end: the window against the bundled board server, through the real plug-in.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>
#include <filesystem>
#include <gtest/gtest.h>

#include "app/mainform.h"
#include "tests/app/boardfixture.h"
#include "base/textfile.h"
#include "boardserver/testing/serverprocess.h"
#include "qtbridge/sjis.h"
#include "store/boarddir.h"
#include "store/categoryfile.h"
#include "store/openurl.h"
#include "ui/categorytreeview.h"
#include "ui/panes.h"
#include "ui/statusbar.h"
#include "ui/topiclistview.h"

namespace fs = std::filesystem;

namespace {

int argc = 1;
char arg0[] = "app_boards_test";
char *argv[] = {arg0, nullptr};

class BoardsTest : public apptest::BoardFixture {
protected:
    static void SetUpTestSuite()
    {
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }

    ui::CategoryItem *firstBoard()
    {
        auto all = boards();
        return all.empty() ? nullptr : all.front();
    }
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
    ASSERT_TRUE(apptest::WaitFor([&] { return activeList() && activeList()->topLevelItemCount() > 0 &&
                                     activeList()->updatesEnabled(); }))
        << "the topic list did not arrive: tabs " << form->topicListPane().pages().size() << ", status "
        << form->statusPanels().panelText(0).toStdString() << ", url " << board->data().url;
    int rows = activeList()->topLevelItemCount();
    int tab = form->topicListPane().strip()->currentIndex();
    EXPECT_EQ(form->topicListPane().strip()->caption(tab), store::BoardCaption(board->sjisText()));
    auto &row = static_cast<ui::TopicItem *>(activeList()->topLevelItem(0))->row();
    EXPECT_NE(row.entry.topicUrl.find("action=m&board="), std::string::npos);
    EXPECT_EQ(row.image, 5) << "no log yet";

    std::string boardDir = form->topicListPane().activePage()->boardDir;
    ASSERT_FALSE(boardDir.empty());
    ASSERT_TRUE(apptest::WaitFor([&] { return base::FileExists(store::BoardListFilePath(boardDir)); }));

    // Offline: the board opens from the file the download left, at once and without the server.
    server.stop();
    form->actions().action("FileOnline")->setChecked(false);
    form->actions().run("ThrLstAllClose");
    ASSERT_EQ(form->topicListPane().pages().size(), 0);
    doubleClick(board);
    ASSERT_TRUE(activeList());
    EXPECT_EQ(activeList()->topLevelItemCount(), rows);
    EXPECT_TRUE(activeList()->updatesEnabled());
    EXPECT_EQ(form->topicListPane().strip()->caption(0), store::BoardCaption(board->sjisText()));
}

} // namespace

// Colours and fonts of the settings reach every tree and list, also those made after the start.
class BoardsLookTest : public BoardsTest {
protected:
    std::string extraIni() const override
    {
        // 0x0000FF is red and 0x00FF00 green in the settings' byte order.
        return "[design]\r\nthrlst_background=255\r\nthrlst_font_height=-20\r\n"
               "tree_background=65280\r\ntree_font_height=-17\r\n";
    }
};

TEST_F(BoardsLookTest, TreesAndListsMadeAfterTheStartLookAsTheSettingsSay)
{
    crawl(); // the site's tree is made by the crawl: there was no category file at the start
    QTreeWidget &tree = *siteTab().tree;
    EXPECT_EQ(tree.palette().color(QPalette::Base), QColor(0, 255, 0));
    EXPECT_EQ(tree.font().pixelSize(), 17);
    QTreeWidget *list = openListedBoard();
    ASSERT_TRUE(list);
    EXPECT_EQ(list->palette().color(QPalette::Base), QColor(255, 0, 0));
    EXPECT_EQ(list->font().pixelSize(), 20);
}
