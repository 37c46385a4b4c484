// Favorites end to end: favorite topics added from a list and from a topic tab, the favorites tab
// and its reload from the bundled board server, the favorites tree with folders and drops, and
// what a restart and a killed process leave.
#include "app/mainform.h"
#include "base/text.h"
#include "base/textfile.h"
#include "boardserver/testing/serverprocess.h"
#include "qtbridge/sjis.h"
#include "store/boardtexts.h"
#include "store/boardurls.h"
#include "store/categoryfile.h"
#include "store/favorites.h"
#include "tests/app/boardfixture.h"
#include "ui/categorytreeview.h"
#include "ui/panes.h"
#include "ui/topiclistview.h"

#include <QAction>
#include <QApplication>
#include <QInputDialog>
#include <QProcess>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

int argc = 1;
char arg0[] = "app_favorites_test";
char *argv[] = {arg0, nullptr};

class FavoritesTest : public apptest::BoardFixture {
protected:
    static void SetUpTestSuite()
    {
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }

    std::vector<std::string> serverArguments() const override
    {
        return {"--categories", "1", "--depth",    "1", "--subcategories", "1", "--boards", "2",
                "--topics",     "4", "--messages", "6", "--huge",          "0"};
    }

    void SetUp() override
    {
        BoardFixture::SetUp();
        if (!HasFatalFailure())
            restart();
    }

    /// Closes the window (its shutdown saves as usual) and starts a new one on the same program
    /// directory. Topic tabs get a plain widget: these tests never look at a rendered page.
    void restart()
    {
        form.reset();
        form = std::make_unique<TMainForm>(
            dir, [this](const QString &, const QString &text) { messages.push_back(text.toStdString()); },
            [](QWidget *parent) { return new QWidget(parent); });
        ASSERT_TRUE(form->FormCreate());
    }

    QTreeWidget *favoritesList()
    {
        int tab = form->favoritesTab();
        return tab < 0 ? nullptr : qobject_cast<QTreeWidget *>(form->topicListPane().pages()[tab].view.data());
    }

    static const store::TopicRow &rowOf(QTreeWidget *list, int i)
    {
        return static_cast<ui::TopicItem *>(list->topLevelItem(i))->row();
    }

    /// The row of the topic in list, or -1.
    static int findRow(QTreeWidget *list, const std::string &topicUrl)
    {
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (rowOf(list, i).entry.topicUrl == topicUrl)
                return i;
        return -1;
    }

    ui::CategoryPage &favoritesTree() { return form->categoryPane().pages()[form->favoritesTreeTab()]; }

    bool enabled(const char *action)
    {
        form->actions().update(QString::fromLatin1(action));
        return form->actions().action(QString::fromLatin1(action))->isEnabled();
    }

    /// Posts a reply to the topic as the server's demo account.
    void postTo(const std::string &board, const std::string &tid)
    {
        auto login = boardserver::testing::HttpGet(
            server.port(), "http://login.yahoo.co.jp/config/login?login=nekodemo&passwd=nekopass");
        auto cookies = boardserver::testing::CookiesOf(login);
        ASSERT_FALSE(cookies.empty());
        auto posted = boardserver::testing::HttpGet(server.port(),
                                                    "http://post.messages.yahoo.co.jp/bbs?action=post&board=" + board +
                                                        "&sid=" + board + "&tid=" + tid +
                                                        "&mid=1&identity=chat_pf_1&posting=new+post&Subject=Re",
                                                    cookies);
        ASSERT_TRUE(posted.ok);
        ASSERT_LT(posted.status, 400) << posted.body;
    }

    /// Answers the next input dialog with text once it is up.
    void answerNextInputDialog(const QString &text)
    {
        auto *poll = new QTimer(form.get());
        QObject::connect(poll, &QTimer::timeout, poll, [poll, text] {
            auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            dialog->setTextValue(text);
            dialog->accept();
            poll->deleteLater();
        });
        poll->start(10);
    }

    /// Drops the tree's current node on target, as the end of a drag does.
    static bool dropOn(QTreeWidget &tree, QTreeWidgetItem *target)
    {
        auto *favorites = qobject_cast<ui::FavoritesTreeWidget *>(&tree);
        EXPECT_TRUE(favorites) << "the favorites tree moves nodes by its own rules";
        return favorites && favorites->moveNode(tree.currentItem(), target);
    }
};

TEST_F(FavoritesTest, TopicsFromAListAndFromATabShowInTheFavoritesTabReloadWithNewCountsAndGo)
{
    crawl();
    ASSERT_GE(form->favoritesTab(), 0) << "[tab] thrlst_favorite opens the favorites tab at start-up";
    QTreeWidget *list = openListedBoard();
    ASSERT_TRUE(list);
    // The board opened "in the active tab", which was the favorites tab: that tab stays.
    ASSERT_GE(form->favoritesTab(), 0);
    EXPECT_NE(form->topicListPane().activePage()->listUrl, store::kFavoritesListUrl);
    QTreeWidget *favorites = favoritesList();
    ASSERT_TRUE(favorites);
    EXPECT_EQ(favorites->topLevelItemCount(), 0);

    // From the list.
    list->setCurrentItem(list->topLevelItem(0));
    store::TopicEntry first = rowOf(list, 0).entry;
    std::string board = base::ExtractUrlParam("board=", first.topicUrl).value();
    EXPECT_FALSE(enabled("ThrLstDelFavorite"));
    ASSERT_TRUE(form->actions().run("ThrLstAddFavorite"));
    ASSERT_EQ(favorites->topLevelItemCount(), 1);
    EXPECT_EQ(rowOf(favorites, 0).entry, first);
    EXPECT_EQ(rowOf(favorites, 0).text(store::kNumberItem), "1");
    EXPECT_FALSE(enabled("ThrLstAddFavorite"));
    EXPECT_TRUE(enabled("ThrLstDelFavorite"));
    EXPECT_EQ(base::ReadFile(dir + "favorites.dat").value_or("<missing>"), board + "\t" + first.logName + "\r\n")
        << "written at once";

    // From its topic tab.
    store::TopicEntry secondTopic = rowOf(list, 1).entry;
    list->setCurrentItem(list->topLevelItem(1));
    ASSERT_TRUE(form->actions().run("PopThrLstActiveOpen"));
    ASSERT_TRUE(apptest::WaitFor(
        [&] {
            ui::TopicPage *tab = form->topicPane().activePage();
            return tab && !tab->downloading() && !tab->lines.empty();
        },
        60000))
        << "the topic did not download";
    ui::TopicPage &topic = *form->topicPane().activePage();
    QAction *thrFavorite = form->actions().action("ThrFavorite");
    ASSERT_TRUE(enabled("ThrFavorite"));
    EXPECT_FALSE(thrFavorite->isChecked());
    ASSERT_TRUE(form->actions().run("ThrFavorite"));
    EXPECT_TRUE(enabled("ThrFavorite"));
    EXPECT_TRUE(thrFavorite->isChecked());
    EXPECT_EQ(thrFavorite->text(), QString::fromUtf8("お気に入りから削除(&A)"));
    ASSERT_EQ(favorites->topLevelItemCount(), 2);
    const int posts = topic.postCount;
    const int fromTab = findRow(favorites, topic.topicUrl);
    ASSERT_GE(fromTab, 0);
    EXPECT_EQ(rowOf(favorites, fromTab).text(store::kPostsItem), std::to_string(posts));
    // The same topic from the list is the same favorite.
    list->setCurrentItem(list->topLevelItem(findRow(list, secondTopic.topicUrl)));
    EXPECT_FALSE(enabled("ThrLstAddFavorite"));

    // New posts on the server; the favorites tab's reload shows them.
    std::string tid = base::ExtractUrlParam("tid=", topic.topicUrl).value();
    postTo(board, tid);
    form->topicListPane().strip()->setCurrentIndex(form->favoritesTab());
    ASSERT_TRUE(form->actions().run("ThrLstReload"));
    ASSERT_TRUE(apptest::WaitFor(
        [&] {
            int at = findRow(favorites, topic.topicUrl);
            return at >= 0 && rowOf(favorites, at).text(store::kPostsItem) == std::to_string(posts + 1);
        },
        60000))
        << "the reload did not bring the new count";
    ASSERT_EQ(favorites->topLevelItemCount(), 2);
    const store::TopicRow &refreshed = rowOf(favorites, findRow(favorites, topic.topicUrl));
    EXPECT_EQ(refreshed.image, store::kRefreshedTopicImage);
    EXPECT_EQ(refreshed.text(store::kFetchedItem), std::to_string(posts));
    EXPECT_EQ(refreshed.text(store::kUnfetchedItem), "1");
    EXPECT_EQ(form->topicListPane().activePage()->listUrl, store::kFavoritesListUrl);
    EXPECT_GE(form->favoritesTab(), 0) << "a reload of the favorites tab never makes it a board tab";

    // Removing from the board's list takes the favorites tab's row, not the board's.
    int boardTab = -1;
    for (int i = 0; i < form->topicListPane().pages().size(); ++i)
        if (form->topicListPane().pages()[i].listUrl == store::BoardListUrl(form->boardServer(), board))
            boardTab = i;
    ASSERT_GE(boardTab, 0);
    form->topicListPane().strip()->setCurrentIndex(boardTab);
    const int listed = list->topLevelItemCount();
    list->setCurrentItem(list->topLevelItem(findRow(list, first.topicUrl)));
    ASSERT_TRUE(form->actions().run("ThrLstDelFavorite"));
    EXPECT_EQ(list->topLevelItemCount(), listed);
    ASSERT_EQ(favorites->topLevelItemCount(), 1);
    EXPECT_EQ(rowOf(favorites, 0).entry.topicUrl, topic.topicUrl);
    EXPECT_EQ(rowOf(favorites, 0).text(store::kNumberItem), "1") << "renumbered";

    // And from the topic tab.
    ASSERT_TRUE(form->actions().run("ThrFavorite"));
    EXPECT_TRUE(enabled("ThrFavorite"));
    EXPECT_EQ(favorites->topLevelItemCount(), 0);
    EXPECT_FALSE(thrFavorite->isChecked());
    EXPECT_EQ(thrFavorite->text(), QString::fromUtf8("お気に入りに追加(&A)"));
    EXPECT_TRUE(form->favorites().entries().empty());
    EXPECT_EQ(base::ReadFile(dir + "favorites.dat").value_or("<missing>"), "");
}

TEST_F(FavoritesTest, TheFavoritesTreeTakesBoardsFoldersAndDropsAndARestartKeepsEverything)
{
    crawl();
    ASSERT_GE(form->favoritesTreeTab(), 0);
    std::vector<ui::CategoryItem *> siteBoards = boards();
    ASSERT_GE(siteBoards.size(), 2u);

    // Two boards from the site's tree; the same board a second time is refused.
    ui::CategoryPage &site = siteTab();
    form->categoryPane().strip()->setCurrentIndex(form->siteCategoryTab());
    for (ui::CategoryItem *board : {siteBoards[0], siteBoards[1]}) {
        site.tree->setCurrentItem(board);
        EXPECT_FALSE(enabled("CtgDelFavorite")) << "never in the site's tree";
        ASSERT_TRUE(form->actions().run("CtgAddFavorite"));
    }
    ASSERT_TRUE(form->actions().run("CtgAddFavorite"));
    // Even when run past its update rule, the delete leaves the site's tree alone.
    int siteNodes = 0;
    for (QTreeWidgetItemIterator it(site.tree); *it; ++it)
        ++siteNodes;
    form->actions().action("CtgDelFavorite")->trigger();
    int siteNodesAfter = 0;
    for (QTreeWidgetItemIterator it(site.tree); *it; ++it)
        ++siteNodesAfter;
    EXPECT_EQ(siteNodesAfter, siteNodes);

    QTreeWidget &tree = *favoritesTree().tree;
    form->categoryPane().strip()->setCurrentIndex(form->favoritesTreeTab());
    tree.expandAll();
    QTreeWidgetItem *root = tree.topLevelItem(0);
    ASSERT_EQ(root->childCount(), 2) << "a board already there is not added again";
    auto *second = static_cast<ui::CategoryItem *>(root->child(1));
    EXPECT_EQ(second->data(), siteBoards[1]->data());

    // A folder made on a board becomes its sibling.
    tree.setCurrentItem(root->child(0));
    answerNextInputDialog(QString::fromUtf8("フォルダ"));
    ASSERT_TRUE(form->actions().run("CtgCreateFolder"));
    ASSERT_EQ(root->childCount(), 3);
    auto *folder = static_cast<ui::CategoryItem *>(root->child(2));
    EXPECT_EQ(folder->text(0), QString::fromUtf8("フォルダ"));
    EXPECT_TRUE(folder->data().isFolder());

    // Dragging the root does nothing; a board dropped on the folder goes into it.
    tree.setCurrentItem(root);
    EXPECT_FALSE(enabled("CtgDelFavorite"));
    EXPECT_FALSE(dropOn(tree, folder));
    EXPECT_EQ(tree.topLevelItem(0), root);
    EXPECT_EQ(root->childCount(), 3);
    tree.setCurrentItem(second);
    EXPECT_TRUE(dropOn(tree, folder));
    ASSERT_EQ(root->childCount(), 2);
    ASSERT_EQ(folder->childCount(), 1);
    EXPECT_EQ(folder->child(0), second);
    EXPECT_EQ(tree.currentItem(), second);

    // Saved at once, before any shutdown.
    std::string folderName = qtbridge::ToSjis(QString::fromUtf8("フォルダ"));
    auto lines = base::ReadLines(store::CategoryFilePath(dir, store::kFavoritesTreeName));
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines->size(), 4u);
    EXPECT_EQ((*lines)[0], std::string(store::kFavoritesCaption) + "\t\t1\t0");
    EXPECT_EQ((*lines)[2], folderName + "\t\t1\t1");
    EXPECT_EQ((*lines)[3], second->sjisText() + "\t" + second->data().url + "\t0\t2");

    // A favorite topic too, then a restart.
    QTreeWidget *list = openListedBoard();
    ASSERT_TRUE(list);
    list->setCurrentItem(list->topLevelItem(0));
    store::TopicEntry topic = rowOf(list, 0).entry;
    ASSERT_TRUE(form->actions().run("ThrLstAddFavorite"));
    const std::string movedUrl = second->data().url;

    restart();
    ASSERT_GE(form->favoritesTreeTab(), 0);
    EXPECT_EQ(form->categoryPane().pages().size(), 2) << "one site tree, one favorites tree";
    QTreeWidget &again = *favoritesTree().tree;
    ASSERT_EQ(again.topLevelItemCount(), 1);
    ASSERT_EQ(again.topLevelItem(0)->childCount(), 2);
    QTreeWidgetItem *folderAgain = again.topLevelItem(0)->child(1);
    EXPECT_EQ(folderAgain->text(0), QString::fromUtf8("フォルダ"));
    ASSERT_EQ(folderAgain->childCount(), 1);
    EXPECT_EQ(static_cast<ui::CategoryItem *>(folderAgain->child(0))->data().url, movedUrl);
    QTreeWidget *favorites = favoritesList();
    ASSERT_TRUE(favorites);
    ASSERT_EQ(favorites->topLevelItemCount(), 1);
    EXPECT_EQ(rowOf(favorites, 0).entry, topic);
}

TEST_F(FavoritesTest, AProcessKilledRightAfterItsEditsLeavesThemForTheNextStart)
{
    crawl();
    QTreeWidget *list = openListedBoard();
    ASSERT_TRUE(list);
    std::string listUrl = form->topicListPane().activePage()->listUrl;
    store::TopicEntry topic = rowOf(list, 0).entry;
    form.reset();

    QProcess helper;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    helper.setProcessEnvironment(env);
    helper.start(QStringLiteral(NK_FAVORITES_HELPER), {QString::fromStdString(dir), QString::fromStdString(listUrl)});
    ASSERT_TRUE(helper.waitForStarted(30000));
    QByteArray out;
    ASSERT_TRUE(apptest::WaitFor(
        [&] {
            out += helper.readAllStandardOutput();
            return out.contains("edited\n") || helper.state() == QProcess::NotRunning;
        },
        60000));
    ASSERT_TRUE(out.contains("edited\n"))
        << "helper exit " << helper.exitCode() << ": " << helper.readAllStandardError().toStdString();
    helper.kill(); // SIGKILL: no shutdown runs
    ASSERT_TRUE(helper.waitForFinished(30000));
    EXPECT_EQ(helper.exitStatus(), QProcess::CrashExit);

    restart();
    EXPECT_TRUE(form->favorites().contains(store::FavoriteEntryOfRow(topic).value()));
    QTreeWidget *favorites = favoritesList();
    ASSERT_TRUE(favorites);
    ASSERT_EQ(favorites->topLevelItemCount(), 1);
    EXPECT_EQ(rowOf(favorites, 0).entry, topic);
    QTreeWidget &tree = *favoritesTree().tree;
    ASSERT_EQ(tree.topLevelItemCount(), 1);
    ASSERT_EQ(tree.topLevelItem(0)->childCount(), 1);
    EXPECT_EQ(static_cast<ui::CategoryItem *>(tree.topLevelItem(0)->child(0))->data().url, listUrl);
}

// With one branch open at a time, the favorites tree opened in full at the start is not taken
// for the branch the user opened last.
class FavoritesOneBranchTest : public FavoritesTest {
protected:
    std::string extraIni() const override { return "[general]\r\ntree_opennode=1\r\n"; }
};

TEST_F(FavoritesOneBranchTest, OpeningASiteCategoryLeavesTheFavoritesTreeOpen)
{
    crawl();
    ui::CategoryPage &site = siteTab();
    form->categoryPane().strip()->setCurrentIndex(form->siteCategoryTab());
    site.tree->setCurrentItem(boards().front());
    ASSERT_TRUE(form->actions().run("CtgAddFavorite"));

    restart();
    QTreeWidgetItem *favoritesRoot = favoritesTree().tree->topLevelItem(0);
    ASSERT_TRUE(favoritesRoot);
    ASSERT_TRUE(favoritesRoot->isExpanded()) << "opened in full at the start";
    QTreeWidget &siteTree = *siteTab().tree;
    siteTree.collapseAll();
    ASSERT_GT(siteTree.topLevelItemCount(), 0);
    siteTree.expandItem(siteTree.topLevelItem(0));
    EXPECT_TRUE(favoritesRoot->isExpanded());
}

} // namespace
