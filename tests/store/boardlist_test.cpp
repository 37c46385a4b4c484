// Board list files and the merge of topic lists into board tabs and the favorites tab.
#include <gtest/gtest.h>

#include "boardtesting.h"
#include "store/boardlist.h"
#include "store/boardtexts.h"
#include "store/categoryfile.h"

using boardtest::crlf;
using boardtest::logLines;
using boardtest::TempDir;
using boardtest::topicRecord;
using boardtest::writeFile;
using store::TopicRow;

namespace {

const std::string kServer = "http://b/";
const std::string kList = "http://b/bbs?action=topics&board=77&sid=77&type=r";
int g_site; // its address stands for the loaded plug-in

std::string topicUrl(std::string_view tid)
{
    return store::TopicMessageUrl(kServer, "77", tid, "1");
}

// The four entities, enough for the merge's use of the decoder.
std::string decodeForTest(std::string_view text)
{
    std::string out(text);
    for (auto [entity, plain] : {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}, {"&quot;", "\""}})
        for (auto at = out.find(entity); at != std::string::npos; at = out.find(entity, at + 1))
            out.replace(at, std::strlen(entity), plain);
    return out;
}

class Board : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeFile(store::CategoryFilePath(program.path(), store::kPluginTreeName),
                  crlf({"Cat\thttp://b/cat/\t1\t0", "Foo\t" + kList + "\t0\t1"}));
        env.boardServer = kServer;
        env.paths = {program.path(), program / "log"};
        env.decodeTitle = decodeForTest;
        boardDir = store::ResolveBoardLogDir(env.paths, kList).value();
        tab = store::TopicListTarget{&g_site, kList, boardDir, "Foo", &rows};
        favorites =
            store::TopicListTarget{nullptr, store::kFavoritesListUrl, "", store::kFavoritesCaption, &favoriteRows};
    }

    net::PageResult result(const std::vector<TopicRecord> &records, void *site = &g_site, std::string url = kList)
    {
        net::PageResult r{};
        r.plugin = site;
        r.result = records.data();
        store::SetFieldText(r.url, url);
        r.value = static_cast<int>(records.size());
        return r;
    }

    std::string listFile() const { return store::BoardListFilePath(boardDir); }

    TempDir program;
    store::TopicListEnv env;
    std::string boardDir;
    store::TopicRows rows, favoriteRows;
    store::TopicListTarget tab, favorites;
};

TopicRow favoriteRow(std::string_view tid, std::string title)
{
    TopicRow row;
    row.image = store::kLoggedTopicImage;
    row.subItems = {"1", std::move(title), "1", "1", "0", "2000/01/01 00:00", "Foo"};
    row.entry = {topicUrl(tid), std::string(tid) + ".dat", 0};
    return row;
}

} // namespace

TEST_F(Board, ListedTopicsFirstThenLogOnlyTopicsWhileTheListFileKeepsOnlyTheListed)
{
    writeFile(boardDir + "/a.dat", logLines(3, "Alpha &amp; co", "2003/05/06 07:08"));
    writeFile(boardDir + "/b.dat", logLines(7));
    std::vector<TopicRecord> list{topicRecord("b", "Bravo", 10, topicUrl("b")),
                                  topicRecord("c", "Charlie", 4, topicUrl("c"), "2004/02/03", "04:05")};
    auto outcome = store::MergeTopicList(result(list), tab, env);

    EXPECT_EQ(outcome.taken, 1);
    EXPECT_TRUE(outcome.endBatch);
    EXPECT_EQ(outcome.status, (std::pair<std::string, std::string>{store::kTopicListStatusKind,
                                                                   store::kTopicListFetchFinishedText}));
    ASSERT_EQ(rows.rowCount(), 3);
    // A topic of 10 posts with 7 stored lines.
    EXPECT_EQ(rows.row(0), (TopicRow{store::kLoggedTopicImage,
                                     {"1", "Bravo", "10", "7", "3", "2004/01/02 03:04", "Foo"},
                                     {topicUrl("b"), "b.dat", 0}}));
    EXPECT_EQ(rows.row(1), (TopicRow{store::kUnloggedTopicImage,
                                     {"2", "Charlie", "4", "0", "", "2004/02/03 04:05", "Foo"},
                                     {topicUrl("c"), "c.dat", 0}}));
    // Known only from its log: posts = fetched = its lines, the date of its first message.
    EXPECT_EQ(rows.row(2), (TopicRow{store::kLogOnlyTopicImage,
                                     {"3", "Alpha & co", "3", "3", "", "2003/05/06 07:08", "Foo"},
                                     {topicUrl("a"), "a.dat", 0}}));

    EXPECT_EQ(outcome.writtenListFile, listFile());
    EXPECT_EQ(listFile(), boardDir + "/Foo.txt");
    EXPECT_EQ(boardtest::readFile(listFile()), crlf({"b.dat\t10\t2004/01/02 03:04\t" + topicUrl("b") + "\tBravo",
                                                     "c.dat\t4\t2004/02/03 04:05\t" + topicUrl("c") + "\tCharlie"}));
}

TEST_F(Board, BoardMergeShowsAndStoresTitlesDecodedButFavoritesRefreshKeepsTheEntity)
{
    std::vector<TopicRecord> list{topicRecord("t", "Tom &amp; Jerry", 2, topicUrl("t"))};
    store::MergeTopicList(result(list), tab, env);
    EXPECT_EQ(rows.row(0).text(store::kTitleItem), "Tom & Jerry");
    EXPECT_EQ(boardtest::readFile(listFile()),
              crlf({"t.dat\t2\t2004/01/02 03:04\t" + topicUrl("t") + "\tTom & Jerry"}));

    favoriteRows.appendRow(favoriteRow("t", "Tom & Jerry"));
    store::MergeTopicList(result(list, nullptr), favorites, env);
    EXPECT_EQ(boardtest::readFile(listFile()),
              crlf({"t.dat\t2\t2004/01/02 03:04\t" + topicUrl("t") + "\tTom &amp; Jerry"}));
}

TEST_F(Board, SecondResultOfTheSameBoardReplacesRowsInsteadOfDoublingThem)
{
    writeFile(boardDir + "/a.dat", logLines(2));
    std::vector<TopicRecord> first{topicRecord("b", "B", 5, topicUrl("b")), topicRecord("c", "C", 6, topicUrl("c"))};
    // Two downloads started one after the other; both results arrive after the one clearing.
    store::MergeTopicList(result(first), tab, env);
    writeFile(boardDir + "/c.dat", logLines(4));
    std::vector<TopicRecord> second{topicRecord("c", "C2", 8, topicUrl("c")), topicRecord("b", "B", 5, topicUrl("b"))};
    store::MergeTopicList(result(second), tab, env);

    ASSERT_EQ(rows.rowCount(), 3);
    EXPECT_EQ(rows.row(0).text(store::kTitleItem), "B");
    EXPECT_EQ(rows.row(0).text(store::kNumberItem), "1");
    // The later result's figures, in the row's old place and number.
    EXPECT_EQ(rows.row(1), (TopicRow{store::kLoggedTopicImage,
                                     {"2", "C2", "8", "4", "4", "2004/01/02 03:04", "Foo"},
                                     {topicUrl("c"), "c.dat", 0}}));
    EXPECT_EQ(rows.row(2).entry.logName, "a.dat");
    EXPECT_EQ(rows.row(2).text(store::kNumberItem), "3");

    // A topic new in a later list is added after the rows there are.
    std::vector<TopicRecord> third{topicRecord("d", "D", 1, topicUrl("d"))};
    store::MergeTopicList(result(third), tab, env);
    ASSERT_EQ(rows.rowCount(), 4);
    EXPECT_EQ(rows.row(3).text(store::kNumberItem), "4");
}

TEST_F(Board, StoredListReadBackMergesLikeTheDownloadAndIsNotRewritten)
{
    writeFile(boardDir + "/b.dat", logLines(7));
    std::vector<TopicRecord> list{topicRecord("b", "Bravo\tand more", 10, topicUrl("b")),
                                  topicRecord("c", "Charlie", 4, topicUrl("c"))};
    store::MergeTopicList(result(list), tab, env);
    std::vector<TopicRow> online = rows.rows();
    std::string written = boardtest::readFile(listFile());

    auto stored = store::ReadBoardListFile(listFile());
    ASSERT_TRUE(stored);
    ASSERT_EQ(stored->size(), 2u);
    rows.clearRows();
    writeFile(boardDir + "/extra.dat", logLines(1)); // a change the stored list must not write back
    auto outcome = store::MergeTopicList(store::MakeLocalPageResult(&g_site, kList, *stored), tab, env);
    EXPECT_FALSE(outcome.writtenListFile);
    EXPECT_EQ(boardtest::readFile(listFile()), written);
    ASSERT_EQ(rows.rowCount(), 3);
    EXPECT_EQ(rows.row(0), online[0]);
    EXPECT_EQ(rows.row(1), online[1]);
}

TEST_F(Board, BoardWithoutTopicsListsItsLogsAndFinishesButKeepsTheStoredList)
{
    writeFile(boardDir + "/a.dat", logLines(2));
    std::vector<TopicRecord> none;
    auto outcome = store::MergeTopicList(result(none), tab, env);
    EXPECT_EQ(outcome.taken, 1);
    EXPECT_TRUE(outcome.endBatch);
    EXPECT_EQ(outcome.status, (std::pair<std::string, std::string>{store::kTopicListStatusKind,
                                                                   store::kTopicListFetchFinishedText}));
    ASSERT_EQ(rows.rowCount(), 1);
    EXPECT_EQ(rows.row(0).image, store::kLogOnlyTopicImage);
    EXPECT_FALSE(std::filesystem::exists(listFile()));

    // An empty answer does not wipe the list stored before: it may be a page not understood.
    std::vector<TopicRecord> list{topicRecord("b", "Bravo", 10, topicUrl("b"))};
    rows.clearRows();
    store::MergeTopicList(result(list), tab, env);
    const std::string stored = boardtest::readFile(listFile());
    rows.clearRows();
    outcome = store::MergeTopicList(result(none), tab, env);
    EXPECT_FALSE(outcome.writtenListFile);
    EXPECT_EQ(boardtest::readFile(listFile()), stored);
}

TEST_F(Board, TopicIdsThatWouldLeaveTheBoardDirectoryHaveNoLog)
{
    writeFile(program / "log/Cat/secret.dat", logLines(9));
    std::vector<TopicRecord> list{topicRecord("../secret", "Sneaky", 3, topicUrl("x"))};
    store::MergeTopicList(result(list), tab, env);
    ASSERT_EQ(rows.rowCount(), 1);
    EXPECT_EQ(rows.row(0).image, store::kUnloggedTopicImage);
    EXPECT_EQ(rows.row(0).text(store::kFetchedItem), "0");
}

TEST_F(Board, WorkerResultIsReadWithinItsBufferAndItsFields)
{
    std::vector<TopicRecord> list(160, topicRecord("t", "", 1, ""));
    for (int i = 0; i < 160; ++i)
        list[static_cast<std::size_t>(i)] = topicRecord(std::to_string(i), "T", i, topicUrl(std::to_string(i)));
    // A title without its terminator ends at its field's end.
    std::memset(list[0].title, 'x', sizeof list[0].title);
    store::MergeTopicList(result(list), tab, env);
    EXPECT_EQ(rows.rowCount(), 150);
    EXPECT_EQ(rows.row(0).text(store::kTitleItem), std::string(sizeof list[0].title, 'x'));

    rows.clearRows();
    auto local = result(list);
    local.fromLocal = 1;
    store::MergeTopicList(local, tab, env);
    EXPECT_EQ(rows.rowCount(), 160);
}

TEST_F(Board, FavoritesRefreshUpdatesLoggedRowsAndWritesTheBoardsListFile)
{
    writeFile(boardDir + "/b.dat", logLines(7));
    favoriteRows.appendRow(favoriteRow("b", "B"));
    favoriteRows.appendRow(favoriteRow("x", "No log"));
    std::vector<TopicRecord> list{topicRecord("b", "B", 12, topicUrl("b"), "2005/06/07", "08:09"),
                                  topicRecord("x", "No log", 3, topicUrl("x")),
                                  topicRecord("z", "Not a favorite", 1, topicUrl("z"))};
    auto outcome = store::MergeTopicList(result(list, nullptr), favorites, env);

    EXPECT_EQ(outcome.taken, 1);
    EXPECT_FALSE(outcome.endBatch);
    ASSERT_EQ(favoriteRows.rowCount(), 2);
    TopicRow refreshed = favoriteRow("b", "B");
    refreshed.image = store::kRefreshedTopicImage;
    refreshed.subItems[store::kPostsItem] = "12";
    refreshed.subItems[store::kFetchedItem] = "7";
    refreshed.subItems[store::kUnfetchedItem] = "5";
    refreshed.subItems[store::kLatestItem] = "2005/06/07 08:09";
    EXPECT_EQ(favoriteRows.row(0), refreshed);
    EXPECT_EQ(favoriteRows.row(1), favoriteRow("x", "No log"));
    EXPECT_EQ(boardtest::readFile(listFile()),
              crlf({"b.dat\t12\t2005/06/07 08:09\t" + topicUrl("b") + "\tB",
                    "x.dat\t3\t2004/01/02 03:04\t" + topicUrl("x") + "\tNo log",
                    "z.dat\t1\t2004/01/02 03:04\t" + topicUrl("z") + "\tNot a favorite"}));
}

TEST_F(Board, FavoritesRefreshWritesWhenARowMatchedEvenWithoutLogsAndNothingOtherwise)
{
    favoriteRows.appendRow(favoriteRow("x", "No log"));
    std::vector<TopicRecord> unmatched{topicRecord("q", "Q", 1, topicUrl("q"))};
    EXPECT_FALSE(store::MergeTopicList(result(unmatched, nullptr), favorites, env).writtenListFile);
    EXPECT_FALSE(std::filesystem::exists(listFile()));

    std::vector<TopicRecord> matched{topicRecord("x", "No log", 3, topicUrl("x"))};
    EXPECT_EQ(store::MergeTopicList(result(matched, nullptr), favorites, env).writtenListFile, listFile());
    EXPECT_EQ(favoriteRows.row(0), favoriteRow("x", "No log"));
}

TEST(MergeTarget, BoardTabByPluginAndListUrlElseTheFavoritesTab)
{
    int other;
    std::vector<store::TopicListTabRef> pages{{&other, kList}, {&g_site, kList}, {nullptr, store::kFavoritesListUrl}};
    net::PageResult r{};
    r.plugin = &g_site;
    store::SetFieldText(r.url, kList);
    EXPECT_EQ(store::FindMergeTarget(pages, r), 1);
    store::SetFieldText(r.url, "http://b/bbs?action=topics&board=1&sid=1&type=r");
    EXPECT_EQ(store::FindMergeTarget(pages, r), 2);
    pages.pop_back();
    EXPECT_EQ(store::FindMergeTarget(pages, r), -1);
}

TEST(BoardListLine, ReadsBackTheFiveFieldsWithTheTitleAsTheRestOfTheLine)
{
    auto line = store::ParseBoardListLine("12.dat\t5\t2004/01/02 03:04\thttp://b/t\tA title\twith a tab");
    ASSERT_TRUE(line);
    TopicRecord record = store::TopicRecordFromLine(*line);
    EXPECT_EQ(store::FieldText(record.topicId), "12");
    EXPECT_EQ(record.postCount, 5);
    EXPECT_EQ(store::FieldText(record.date), "2004/01/02");
    EXPECT_EQ(store::FieldText(record.time), "03:04");
    EXPECT_EQ(store::FieldText(record.topicUrl), "http://b/t");
    EXPECT_EQ(store::FieldText(record.title), "A title\twith a tab");

    // Written titles keep their tabs but never break the line.
    store::BoardListLine written{"1.dat", 2, "d t", "u", "two\r\nlines\tand tab"};
    EXPECT_EQ(store::FormatBoardListLine(written), "1.dat\t2\td t\tu\ttwo  lines\tand tab");
}

TEST(BoardListFile, DamagedFileGivesTheReadableLinesWithFieldsCutToFit)
{
    TempDir dir;
    std::string title200(126, 'x');
    title200 += boardtest::sjis("字") + std::string(72, 'y'); // a double-byte character across the 127-byte limit
    std::string longUrl(400, 'u');
    std::string bytes = crlf({"", "no tabs", "a.dat\t1\t2\t3", "b.dat\tmany\t\t\t", std::string("\xff\xfe\x00\x01", 4),
                              "c.dat\t3\t2004/01/02\t" + longUrl + "\t" + title200,
                              "x\t1\t2004/01/02 03:04 extra\tu\tt"});
    writeFile(dir / "list.txt", bytes + "d.dat\t4\tdate\turl\tlast line without a break");

    auto records = store::ReadBoardListFile(dir / "list.txt");
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), 4u);
    EXPECT_EQ((*records)[0].postCount, 0); // "many"
    EXPECT_EQ(store::FieldText((*records)[0].topicId), "b");
    const TopicRecord &c = (*records)[1];
    EXPECT_EQ(store::FieldText(c.topicUrl), std::string(255, 'u'));
    EXPECT_EQ(store::FieldText(c.title), std::string(126, 'x')); // the character did not fit whole
    EXPECT_EQ(store::FieldText(c.time), "");                       // no blank in the latest field
    // A log name shorter than ".dat" gives an empty topic id; the time runs to the end.
    EXPECT_EQ(store::FieldText((*records)[2].topicId), "");
    EXPECT_EQ(store::FieldText((*records)[2].time), "03:04 extra");
    EXPECT_EQ(store::FieldText((*records)[3].title), "last line without a break");

    EXPECT_FALSE(store::ReadBoardListFile(dir / "missing.txt"));
}

TEST(FindListedPostCount, FirstLineOfTheLogNameElseZero)
{
    TempDir dir;
    writeFile(dir / "Foo.txt", crlf({"1.dat\t5\td\tu\tt", "2.dat\tx\td\tu\tt", "3.dat\t7", "1.dat\t9\td\tu\tt",
                                     "4.dat"}));
    EXPECT_EQ(store::FindListedPostCount(dir / "Foo.txt", "1.dat"), 5);
    EXPECT_EQ(store::FindListedPostCount(dir / "Foo.txt", "2.dat"), 0);
    EXPECT_EQ(store::FindListedPostCount(dir / "Foo.txt", "3.dat"), 7);
    EXPECT_EQ(store::FindListedPostCount(dir / "Foo.txt", "4.dat"), 0);
    EXPECT_EQ(store::FindListedPostCount(dir / "Foo.txt", "5.dat"), 0);
    EXPECT_EQ(store::FindListedPostCount(dir / "none.txt", "1.dat"), 0);
}

TEST_F(Board, StoredBoardListNeedsTheBoardsDirectoryAndListFile)
{
    EXPECT_FALSE(store::ReadStoredBoardList(env.paths, kList)); // never listed online
    std::vector<TopicRecord> list{topicRecord("b", "B", 5, topicUrl("b"))};
    store::MergeTopicList(result(list), tab, env);
    auto stored = store::ReadStoredBoardList(env.paths, kList);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->boardDir, boardDir);
    ASSERT_EQ(stored->records.size(), 1u);
    EXPECT_EQ(store::FieldText(stored->records[0].topicUrl), topicUrl("b"));

    std::filesystem::remove(store::CategoryFilePath(program.path(), store::kPluginTreeName));
    EXPECT_FALSE(store::ReadStoredBoardList(env.paths, kList));
}

TEST_F(Board, FavoritesTabFromTheLogsGroupsRowsByBoardInListFileOrder)
{
    // A second board, 88, in its own directory.
    const std::string list88 = store::BoardListUrl(kServer, "88");
    writeFile(store::CategoryFilePath(program.path(), store::kPluginTreeName),
              crlf({"Cat\thttp://b/cat/\t1\t0", "Foo\t" + kList + "\t0\t1", "Bar\t" + list88 + "\t0\t1"}));
    std::string dir88 = store::ResolveBoardLogDir(env.paths, list88).value();
    writeFile(store::BoardListFilePath(boardDir),
              crlf({"c.dat\t9\t2004/01/01 00:00\t" + topicUrl("c") + "\tSee &amp; say",
                    "a.dat\t4\t2004/01/02 00:00\t" + topicUrl("a") + "\tAye", "z.dat\t1\td\tu\tNot a favorite"}));
    writeFile(boardDir + "/c.dat", logLines(6));
    writeFile(store::BoardListFilePath(dir88), crlf({"q.dat\t2\td88\tu88\tQueue"}));

    std::vector<std::string> list{"77\ta.dat", "77\tc.dat", "77\tgone.dat", "88\tq.dat", "99\tx.dat", "broken"};
    EXPECT_EQ(store::LoadFavoriteTopics(list, favoriteRows, env), 3);
    ASSERT_EQ(favoriteRows.rowCount(), 3);
    EXPECT_EQ(favoriteRows.row(0), (TopicRow{store::kLoggedTopicImage,
                                             {"1", "See &amp; say", "9", "6", "3", "2004/01/01 00:00", "Foo"},
                                             {topicUrl("c"), "c.dat", 0}}));
    EXPECT_EQ(favoriteRows.row(1), (TopicRow{store::kUnloggedTopicImage,
                                             {"2", "Aye", "4", "0", "", "2004/01/02 00:00", "Foo"},
                                             {topicUrl("a"), "a.dat", 0}}));
    EXPECT_EQ(favoriteRows.row(2).text(store::kBoardItem), "Bar");
    EXPECT_EQ(favoriteRows.row(2).entry.topicUrl, "u88");

    EXPECT_EQ(store::FavoriteBoardListUrls(list, kServer),
              (std::vector<std::string>{kList, list88, store::BoardListUrl(kServer, "99")}));
}
