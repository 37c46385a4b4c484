// The favorites without a display: the favorites file, the favorites tab's rows and its refresh
// from the boards, the commands' states, and what the favorites tree lets a drop move.
#include "base/textfile.h"
#include "boardtesting.h"
#include "store/boardlist.h"
#include "store/boardtexts.h"
#include "store/categoryfile.h"
#include "store/favorites.h"

#include <gtest/gtest.h>

using boardtest::crlf;
using boardtest::logLines;
using boardtest::readFile;
using boardtest::TempDir;
using boardtest::topicRecord;
using boardtest::writeFile;
using store::TopicRow;

namespace {

const std::string kServer = "http://b/";

std::string listUrl(std::string_view board)
{
    return store::BoardListUrl(kServer, board);
}

std::string topicUrl(std::string_view board, std::string_view tid, std::string_view mid = "1")
{
    return store::TopicMessageUrl(kServer, board, tid, mid);
}

TopicRow favoriteRow(std::string_view board, std::string_view tid, std::string title, std::string_view mid = "1")
{
    TopicRow row;
    row.image = store::kLoggedTopicImage;
    row.subItems = {"0", std::move(title), "1", "1", "0", "2000/01/01 00:00", "Board"};
    row.entry = {topicUrl(board, tid, mid), std::string(tid) + ".dat", 0};
    return row;
}

std::vector<std::string> titles(const store::TopicRows &rows)
{
    std::vector<std::string> out;
    for (const TopicRow &row : rows.rows())
        out.push_back(row.subItems[store::kNumberItem] + ":" + row.subItems[store::kTitleItem]);
    return out;
}

// The favorites file.

TEST(FavoritesFile, LoadSortsIgnoringCaseDropsDuplicatesAndSaveWritesCrLfAfterEveryLine)
{
    TempDir dir;
    const std::string path = store::FavoritesFilePath(dir.path() + "/");
    EXPECT_EQ(path, dir.path() + "/favorites.dat");
    // Mixed line ends, an empty line, a line without a tab and a last line without a break.
    writeFile(path, "9\t1.dat\r\nabc\tX.dat\n10\ta.dat\r\rnoTab\r\n10\tA.DAT\r\nABC\tw.dat");
    store::FavoriteTopics favorites(path);
    ASSERT_TRUE(favorites.load());
    // Board 10 before board 9: the order is the text's, not the number's.
    EXPECT_EQ(favorites.entries(),
              (std::vector<std::string>{"10\ta.dat", "9\t1.dat", "ABC\tw.dat", "abc\tX.dat", "noTab"}));
    EXPECT_TRUE(favorites.contains("10\tA.dat"));

    ASSERT_TRUE(favorites.save());
    EXPECT_EQ(readFile(path), "10\ta.dat\r\n9\t1.dat\r\nABC\tw.dat\r\nabc\tX.dat\r\nnoTab\r\n");

    store::FavoriteTopics again(path);
    ASSERT_TRUE(again.load());
    EXPECT_EQ(again.entries(), favorites.entries()) << "a written file reads back the same";
}

TEST(FavoritesFile, EveryChangeIsWrittenAtOnceAndAMissingFileKeepsTheList)
{
    TempDir dir;
    const std::string path = dir / "favorites.dat";
    store::FavoriteTopics favorites(path);
    EXPECT_FALSE(favorites.load()) << "no file yet";
    EXPECT_TRUE(favorites.entries().empty());

    EXPECT_TRUE(favorites.add("77\tb.dat"));
    EXPECT_EQ(readFile(path), "77\tb.dat\r\n");
    EXPECT_TRUE(favorites.add("77\ta.dat"));
    EXPECT_EQ(readFile(path), "77\ta.dat\r\n77\tb.dat\r\n");
    // The same topic again, in another case: one entry, the file untouched.
    writeFile(path, "sentinel");
    EXPECT_FALSE(favorites.add("77\tB.DAT"));
    EXPECT_EQ(readFile(path), "sentinel");
    EXPECT_TRUE(favorites.remove("77\tB.dat"));
    EXPECT_EQ(readFile(path), "77\ta.dat\r\n");
    EXPECT_FALSE(favorites.remove("77\tb.dat"));

    std::filesystem::remove(path);
    EXPECT_FALSE(favorites.load());
    EXPECT_EQ(favorites.entries(), std::vector<std::string>{"77\ta.dat"});
}

TEST(FavoritesFile, AFailedWriteIsReportedAndLeavesTheListInMemory)
{
    TempDir dir;
    store::FavoriteTopics favorites(dir / "missing/favorites.dat");
    EXPECT_TRUE(favorites.add("1\t2.dat"));
    EXPECT_FALSE(favorites.saved());
    EXPECT_TRUE(favorites.contains("1\t2.dat"));
    std::filesystem::create_directory(dir / "missing");
    EXPECT_TRUE(favorites.save());
    EXPECT_TRUE(favorites.saved());
    EXPECT_EQ(readFile(dir / "missing/favorites.dat"), "1\t2.dat\r\n");
}

TEST(FavoritesFile, ALineWithoutATabIsKeptButNamesNoBoardToLoadOrReload)
{
    TempDir program;
    writeFile(store::CategoryFilePath(program.path(), store::kPluginTreeName),
              crlf({"Board\t" + listUrl("77") + "\t0\t0"}));
    store::TopicListEnv env;
    env.boardServer = kServer;
    env.paths = {program.path(), program / "log"};
    std::string boardDir = store::ResolveBoardLogDir(env.paths, listUrl("77")).value();
    writeFile(store::BoardListFilePath(boardDir),
              crlf({"a.dat\t4\t2004/01/02 00:00\t" + topicUrl("77", "a") + "\tAye"}));

    std::vector<std::string> entries{"77\ta.dat", "garbage", "77\ta.dat"};
    store::TopicRows rows;
    EXPECT_EQ(store::LoadFavoriteTopics(entries, rows, env), 1);
    EXPECT_EQ(store::FavoriteBoardListUrls(entries, kServer), std::vector<std::string>{listUrl("77")})
        << "each board once, the line without a tab none";
}

// The favorites tab's rows.

TEST(FavoriteRows, AnAddedRowIsACopyNumberedAfterTheTabsRows)
{
    store::TopicRows tab;
    store::AppendFavoriteRow(tab, favoriteRow("77", "a", "Aye"));
    TopicRow source = favoriteRow("88", "b", "Bee");
    source.image = store::kUnloggedTopicImage;
    source.subItems[store::kNumberItem] = "42";
    store::AppendFavoriteRow(tab, source);
    ASSERT_EQ(tab.rowCount(), 2);
    TopicRow expected = source;
    expected.subItems[store::kNumberItem] = "2";
    EXPECT_EQ(tab.row(1), expected);
    EXPECT_EQ(source.subItems[store::kNumberItem], "42") << "the source row is not changed";
}

TEST(FavoriteRows, RemovalFindsTheRowByBoardAndLogNameWhateverItsMidAndRenumbers)
{
    store::TopicRows tab;
    store::AppendFavoriteRow(tab, favoriteRow("77", "a", "A"));
    // Added from a topic tab: the page key names message 9, not 1.
    store::AppendFavoriteRow(tab, favoriteRow("77", "b", "B", "9"));
    store::AppendFavoriteRow(tab, favoriteRow("88", "b", "Other board, same log name"));
    store::AppendFavoriteRow(tab, favoriteRow("77", "c", "C"));

    EXPECT_TRUE(store::RemoveFavoriteRow(tab, "77", "b.dat"));
    EXPECT_EQ(titles(tab), (std::vector<std::string>{"1:A", "2:Other board, same log name", "3:C"}));
    EXPECT_FALSE(store::RemoveFavoriteRow(tab, "77", "b.dat"));
    EXPECT_FALSE(store::RemoveFavoriteRow(tab, "7", "a.dat")) << "board ids compare whole";
    EXPECT_TRUE(store::RemoveFavoriteRow(tab, "88", "b.dat"));
    EXPECT_EQ(titles(tab), (std::vector<std::string>{"1:A", "2:C"}));
}

TEST(FavoriteRows, ARowFromATopicTabTakesItsFiguresAndTheTimeWithoutLeadingZeros)
{
    std::tm at{};
    at.tm_year = 2004 - 1900;
    at.tm_mon = 0;
    at.tm_mday = 2;
    at.tm_hour = 7;
    at.tm_min = 5;
    EXPECT_EQ(store::FavoriteRowTime(at), "2004/01/02 7:5");
    at.tm_hour = 0;
    at.tm_min = 0;
    EXPECT_EQ(store::FavoriteRowTime(at), "2004/01/02 0:0");
    at.tm_hour = 23;
    at.tm_min = 59;

    store::TopicTabFacts facts{"Title", 10, 7, topicUrl("77", "t", "5"), "t.dat"};
    TopicRow row = store::TopicTabFavoriteRow(facts, "/logs/Cat/Foo/", at);
    EXPECT_EQ(row, (TopicRow{store::kLoggedTopicImage,
                             {"", "Title", "10", "7", "3", "2004/01/02 23:59", "Foo"},
                             {topicUrl("77", "t", "5"), "t.dat", 0}}));
    EXPECT_EQ(store::LastPathComponent("/logs"), "logs");
    EXPECT_EQ(store::LastPathComponent("Foo"), "Foo");
}

// The commands' states.

TEST(FavoriteCommands, TheListCommandsFollowTheSelectedRowsEntry)
{
    store::FavoriteTopics favorites;
    favorites.add("77\ta.dat");
    store::TopicEntry favorite{topicUrl("77", "a"), "a.dat", 0};
    store::TopicEntry other{topicUrl("77", "b"), "b.dat", 0};
    store::TopicEntry noBoard{"http://b/elsewhere?tid=x", "x.dat", 0};

    EXPECT_EQ(store::ListFavoriteCommandState(true, nullptr, favorites), (store::ListFavoriteCommands{false, false}));
    EXPECT_EQ(store::ListFavoriteCommandState(true, &other, favorites), (store::ListFavoriteCommands{true, false}));
    EXPECT_EQ(store::ListFavoriteCommandState(true, &favorite, favorites), (store::ListFavoriteCommands{false, true}));
    EXPECT_EQ(store::ListFavoriteCommandState(true, &noBoard, favorites), (store::ListFavoriteCommands{false, true}));
    EXPECT_EQ(store::ListFavoriteCommandState(false, &other, favorites), (store::ListFavoriteCommands{false, true}));
}

TEST(FavoriteCommands, ATopicFromItsListAndFromItsTabIsOneFavorite)
{
    store::FavoriteTopics favorites;
    store::TopicEntry listed{topicUrl("77", "t"), "t.dat", 0};
    ASSERT_TRUE(favorites.add(store::FavoriteEntryOfRow(listed).value()));

    store::TopicFavoriteCommand tab =
        store::TopicFavoriteCommandState(true, true, topicUrl("77", "t", "12"), "t.dat", favorites);
    EXPECT_TRUE(tab.enabled);
    EXPECT_TRUE(tab.checked) << "the tab's page key names another message of the same topic";
    EXPECT_EQ(tab.board, "77");
    EXPECT_FALSE(favorites.add(tab.entry));
    EXPECT_EQ(favorites.entries().size(), 1u);

    EXPECT_FALSE(store::TopicFavoriteCommandState(false, true, topicUrl("77", "t"), "t.dat", favorites).enabled);
    EXPECT_FALSE(store::TopicFavoriteCommandState(true, false, topicUrl("77", "t"), "t.dat", favorites).enabled)
        << "an extraction tab has no plug-in";
    EXPECT_FALSE(store::TopicFavoriteCommandState(true, true, "http://b/other", "t.dat", favorites).enabled);
    EXPECT_FALSE(store::TopicFavoriteCommandState(true, true, topicUrl("77", "u"), "u.dat", favorites).checked);
}

TEST(FavoriteCommands, OpeningABoardInTheActiveTabNeverTakesASpecialTab)
{
    EXPECT_TRUE(store::ReusableForBoard(listUrl("77"), true));
    EXPECT_FALSE(store::ReusableForBoard(store::kFavoritesListUrl, true));
    EXPECT_FALSE(store::ReusableForBoard(":Tree", false));
    EXPECT_FALSE(store::ReusableForBoard(listUrl("77"), false)) << "a tree view cannot show a list";
}

// The favorites tab's refresh from the boards.

class FavoritesRefresh : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeFile(store::CategoryFilePath(program.path(), store::kPluginTreeName),
                  crlf({"Cat\thttp://b/cat/\t1\t0", "Seventy\t" + listUrl("77") + "\t0\t1",
                        "Eighty\t" + listUrl("88") + "\t0\t1"}));
        env.boardServer = kServer;
        env.paths = {program.path(), program / "log"};
        dir77 = store::ResolveBoardLogDir(env.paths, listUrl("77")).value();
        dir88 = store::ResolveBoardLogDir(env.paths, listUrl("88")).value();
        writeFile(dir77 + "/a.dat", logLines(3));
        writeFile(dir77 + "/b.dat", logLines(2));
        writeFile(dir77 + "/gone.dat", logLines(5));
        writeFile(dir88 + "/c.dat", logLines(4));
        for (TopicRow row : {favoriteRow("77", "a", "A"), favoriteRow("77", "b", "B from its tab", "4"),
                             favoriteRow("77", "gone", "Gone"), favoriteRow("88", "c", "C")})
            store::AppendFavoriteRow(rows, row);
        before = rows.rows();
    }

    net::PageResult answer(const std::vector<TopicRecord> &records, const std::string &url)
    {
        net::PageResult r{};
        r.result = records.data();
        store::SetFieldText(r.url, url);
        r.value = static_cast<int>(records.size());
        return r;
    }

    TempDir program;
    store::TopicListEnv env;
    std::string dir77, dir88;
    store::TopicRows rows;
    store::TopicListTarget tab{nullptr, store::kFavoritesListUrl, "", store::kFavoritesCaption, &rows};
    std::vector<TopicRow> before;
};

TEST_F(FavoritesRefresh, NewCountsReachEveryRowOfTheTopicWhileAFailedBoardAndAGoneTopicKeepTheirs)
{
    store::FavoriteTopics favorites;
    for (const TopicRow &row : rows.rows())
        favorites.add(store::FavoriteEntryOfRow(row.entry).value());
    // The reload asks each board once, in favorites order.
    ASSERT_EQ(store::FavoriteBoardListUrls(favorites.entries(), kServer),
              (std::vector<std::string>{listUrl("77"), listUrl("88")}));

    // Board 77 answers with new counts and no longer lists "gone"; board 88 fails (no answer).
    std::vector<TopicRecord> list77{topicRecord("a", "A", 10, topicUrl("77", "a"), "2004/05/06", "07:08"),
                                    topicRecord("b", "B", 6, topicUrl("77", "b"), "2004/05/07", "08:09"),
                                    topicRecord("n", "Not a favorite", 1, topicUrl("77", "n"))};
    store::MergeOutcome outcome = store::MergeTopicList(answer(list77, listUrl("77")), tab, env);
    EXPECT_EQ(outcome.taken, 1);

    ASSERT_EQ(rows.rowCount(), 4);
    EXPECT_EQ(rows.row(0), (TopicRow{store::kRefreshedTopicImage,
                                     {"1", "A", "10", "3", "7", "2004/05/06 07:08", "Board"},
                                     {topicUrl("77", "a"), "a.dat", 0}}));
    // A row added from a topic tab is found by its board and log name, not by its URL.
    EXPECT_EQ(rows.row(1), (TopicRow{store::kRefreshedTopicImage,
                                     {"2", "B from its tab", "6", "2", "4", "2004/05/07 08:09", "Board"},
                                     {topicUrl("77", "b", "4"), "b.dat", 0}}));
    EXPECT_EQ(rows.row(2), before[2]) << "a topic gone from its board keeps its figures";
    EXPECT_EQ(rows.row(3), before[3]) << "a board that did not answer keeps its rows";

    EXPECT_EQ(outcome.writtenListFile, store::BoardListFilePath(dir77));
    EXPECT_EQ(readFile(store::BoardListFilePath(dir77)),
              crlf({"a.dat\t10\t2004/05/06 07:08\t" + topicUrl("77", "a") + "\tA",
                    "b.dat\t6\t2004/05/07 08:09\t" + topicUrl("77", "b") + "\tB",
                    "n.dat\t1\t2004/01/02 03:04\t" + topicUrl("77", "n") + "\tNot a favorite"}));
    EXPECT_FALSE(base::FileExists(store::BoardListFilePath(dir88)));

    // The next start shows what the refresh stored: "gone" has no line any more, so no row.
    store::TopicRows reopened;
    EXPECT_EQ(store::LoadFavoriteTopics(favorites.entries(), reopened, env), 2);
}

TEST_F(FavoritesRefresh, AnAnswerOfAnotherBoardTouchesNoRowOfThisOne)
{
    // Board 88 lists a topic "a" too: the rows of board 77's "a" stay.
    std::vector<TopicRecord> list88{topicRecord("a", "Other A", 50, topicUrl("88", "a")),
                                    topicRecord("c", "C", 9, topicUrl("88", "c"))};
    store::MergeTopicList(answer(list88, listUrl("88")), tab, env);
    EXPECT_EQ(rows.row(0), before[0]);
    EXPECT_EQ(rows.row(3).subItems[store::kPostsItem], "9");
    EXPECT_EQ(rows.row(3).subItems[store::kUnfetchedItem], "5");
    EXPECT_EQ(rows.row(3).image, store::kRefreshedTopicImage);
}

// The favorites tree.

class FavoritesTree : public ::testing::Test {
protected:
    using Node = store::CategoryTreeModel::Node;
    void SetUp() override
    {
        root = store::AddFavoritesRoot(tree);
        f1 = tree.addNode(root, "F1", {"", 1});
        b1 = tree.addNode(f1, "b1", {listUrl("1"), 0});
        f2 = tree.addNode(f1, "F2", {"", 1});
        b2 = tree.addNode(f2, "b2", {listUrl("2"), 0});
        b3 = tree.addNode(root, "b3", {listUrl("3"), 0});
        b4 = tree.addNode(root, "b4", {listUrl("4"), 0});
        top = tree.addNode(nullptr, "top", {listUrl("5"), 0});
    }
    store::FavoriteDrop drop(Node dragged, Node target) { return store::DecideFavoriteDrop(tree, dragged, target); }

    store::CategoryTree tree;
    Node root, f1, b1, f2, b2, b3, b4, top;
};

TEST_F(FavoritesTree, TheRootItselfAndAnythingInsideTheDraggedNodeTakeNoDrop)
{
    const store::FavoriteDrop none{};
    EXPECT_EQ(drop(root, b3), none) << "the root never moves";
    EXPECT_EQ(drop(b3, root), none) << "nothing lands on the root";
    EXPECT_EQ(drop(b3, nullptr), none);
    EXPECT_EQ(drop(nullptr, b3), none);
    EXPECT_EQ(drop(f1, f1), none);
    EXPECT_EQ(drop(f1, f2), none) << "a folder into its own subfolder";
    EXPECT_EQ(drop(f1, b2), none) << "a folder before a board deep inside it";
    EXPECT_EQ(drop(b3, b3), none);
}

TEST_F(FavoritesTree, AFolderTakesTheNodeLastAndABoardTakesItJustAbove)
{
    using Kind = store::FavoriteDrop::Kind;
    EXPECT_EQ(drop(b3, f1), (store::FavoriteDrop{Kind::IntoFolder, f1, nullptr}));
    EXPECT_EQ(drop(b4, b3), (store::FavoriteDrop{Kind::Before, root, b3}));
    EXPECT_EQ(drop(b1, b4), (store::FavoriteDrop{Kind::Before, root, b4})) << "out of a folder";
    EXPECT_EQ(drop(f2, b3), (store::FavoriteDrop{Kind::Before, root, b3})) << "a folder before a board";
    EXPECT_EQ(drop(b2, f1), (store::FavoriteDrop{Kind::IntoFolder, f1, nullptr})) << "up into an ancestor";
    EXPECT_EQ(drop(f2, f1), (store::FavoriteDrop{Kind::IntoFolder, f1, nullptr})) << "its own parent: to the end";
    EXPECT_EQ(drop(b3, top), (store::FavoriteDrop{Kind::Before, nullptr, top})) << "a top-level board";
    EXPECT_EQ(drop(top, f2), (store::FavoriteDrop{Kind::IntoFolder, f2, nullptr}));
}

TEST_F(FavoritesTree, ParentsSubtreesAndTheNewFoldersPlace)
{
    EXPECT_EQ(store::FirstNode(tree), root);
    EXPECT_EQ(store::ParentNode(tree, b2), f2);
    EXPECT_EQ(store::ParentNode(tree, b3), root);
    EXPECT_EQ(store::ParentNode(tree, top), nullptr);
    EXPECT_EQ(store::ParentNode(tree, root), nullptr);
    EXPECT_TRUE(store::InSubtree(tree, root, b2));
    EXPECT_FALSE(store::InSubtree(tree, f2, b3));
    EXPECT_FALSE(store::InSubtree(tree, b1, f2)) << "a sibling after it";
    // A folder made while a board is selected becomes the board's sibling.
    EXPECT_EQ(store::FolderParentFor(tree, b1), f1);
    EXPECT_EQ(store::FolderParentFor(tree, f2), f2);
    EXPECT_EQ(store::FolderParentFor(tree, top), nullptr);
    EXPECT_EQ(store::FolderParentFor(tree, nullptr), nullptr);

    store::CategoryTree empty;
    EXPECT_EQ(store::FirstNode(empty), nullptr);
    EXPECT_EQ(store::DecideFavoriteDrop(empty, nullptr, nullptr), store::FavoriteDrop{});
}

TEST_F(FavoritesTree, TheMenuShowsAddInTheSiteTreeAndFolderAndDeleteInTheFavoritesTree)
{
    // site tree, node, board, first node, favorites tree exists
    EXPECT_EQ(store::FavoritesMenuState(true, true, true, false, true),
              (store::FavoritesMenuItems{true, true, false, false, false, false}));
    EXPECT_FALSE(store::FavoritesMenuState(true, true, false, false, true).addEnabled) << "a category";
    EXPECT_FALSE(store::FavoritesMenuState(true, true, true, false, false).addEnabled) << "no favorites tree";
    EXPECT_EQ(store::FavoritesMenuState(false, true, false, true, true),
              (store::FavoritesMenuItems{false, false, true, true, true, false}))
        << "the root cannot be deleted";
    EXPECT_EQ(store::FavoritesMenuState(false, true, true, false, true),
              (store::FavoritesMenuItems{false, false, true, true, true, true}));
    EXPECT_EQ(store::FavoritesMenuState(false, false, false, false, true),
              (store::FavoritesMenuItems{false, false, true, false, true, false}));

    EXPECT_FALSE(store::CanAddFavoriteBoard(tree, {listUrl("3"), 0})) << "already in the tree";
    EXPECT_FALSE(store::CanAddFavoriteBoard(tree, {"http://b/cat/", 1})) << "a category";
    EXPECT_TRUE(store::CanAddFavoriteBoard(tree, {listUrl("6"), 0}));
}

} // namespace
