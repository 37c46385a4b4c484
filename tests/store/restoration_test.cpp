// The restoration file: what shutdown writes, what start-up reads back and which lines it skips.
#include "net/endpoints.h"
#include "store/boarddir.h"
#include "store/restoration.h"
#include "tests/store/boardtesting.h"

#include <gtest/gtest.h>
#include <map>

namespace {

using boardtest::TempDir;
using Kind = store::RestorationEntry::Kind;

const std::string kBase = "http://b.example/";

std::string ListUrl(const std::string &board)
{
    return net::TopicListUrl(kBase, board);
}

std::string Key(const std::string &board, const std::string &topic, int mid)
{
    return net::MessageUrl(kBase, board, topic, mid);
}

/// Boards resolve to directories under a temporary root; the rest is recorded.
struct Host : store::RestorationHost {
    std::map<std::string, std::string> dirs; ///< list URL -> board dir
    std::vector<std::string> opened;         ///< "fav", "list:<url>", "topic:<key>" in order
    std::vector<store::RestoredList> lists;
    std::vector<store::RestoredTopic> topics;

    std::optional<std::string> resolveBoardDir(const std::string &listUrl) override
    {
        auto it = dirs.find(listUrl);
        return it == dirs.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    void openFavoritesTab() override { opened.push_back("fav"); }
    void openTopicList(store::RestoredList list) override
    {
        opened.push_back("list:" + list.listUrl);
        lists.push_back(std::move(list));
    }
    void openTopic(store::RestoredTopic topic) override
    {
        opened.push_back("topic:" + topic.pageKey);
        topics.push_back(std::move(topic));
    }
};

TEST(RestorationFile, ListsComeFirstThenTopicsEachInTabOrderWithoutTreeTabs)
{
    std::vector<std::string> lists = {":Favorite", ListUrl("b01"), ":Tree", ListUrl("b02")};
    std::vector<store::OpenTopicTab> topics = {{Key("b01", "t1", 1), 7, 0}, {Key("b02", "t5", 40), 140, 100}};
    EXPECT_EQ(store::RestorationLines(lists, topics),
              (base::Lines{"THREADLIST\t:Favorite", "THREADLIST\tb01", "THREADLIST\tb02", "THREAD\tb01\tt1\t7\t0",
                           "THREAD\tb02\tt5\t140\t100"}));
}

TEST(RestorationFile, IdsThatWouldSplitALineAreNotWritten)
{
    std::vector<std::string> lists = {"no board here", "http://b.example/bbs?board=b\t1"};
    std::vector<store::OpenTopicTab> topics = {{"http://b.example/bbs?board=b1&tid=t\r2", 1, 0},
                                               {"http://b.example/bbs?board=b1", 1, 0}};
    EXPECT_TRUE(store::RestorationLines(lists, topics).empty());
}

TEST(RestorationFile, RoundTripsThroughTheFileAndSkipsLinesItCannotRead)
{
    TempDir dir;
    const std::string path = dir / "restoration.txt";
    ASSERT_TRUE(store::SaveOpenTabs(path, {":Favorite", ListUrl("b01")}, {{Key("b01", "t1", 1), 12, 3}}));
    EXPECT_EQ(boardtest::readFile(path), "THREADLIST\t:Favorite\r\nTHREADLIST\tb01\r\nTHREAD\tb01\tt1\t12\t3\r\n");
    auto lines = base::ReadLines(path);
    ASSERT_TRUE(lines);
    lines->insert(lines->begin() + 1, "TREE\tb09"); // unknown first field: a list all the same
    lines->push_back("THREAD\tb01\tt2");            // fields missing
    lines->push_back("THREADLIST");                 // no board id
    lines->push_back("OTHER");                      // nor here
    lines->push_back("THREAD\tb01\tt3\tx\t-");      // numbers that are not numbers
    lines->push_back("X\t:Favorite");
    lines->push_back("");
    auto entries = store::ParseRestorationLines(*lines);
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0].kind, Kind::Favorites);
    EXPECT_EQ(entries[1], (store::RestorationEntry{Kind::TopicList, "b09", "", 0, 0}));
    EXPECT_EQ(entries[2], (store::RestorationEntry{Kind::TopicList, "b01", "", 0, 0}));
    EXPECT_EQ(entries[3], (store::RestorationEntry{Kind::Topic, "b01", "t1", 12, 3}));
    EXPECT_EQ(entries[4], (store::RestorationEntry{Kind::Topic, "b01", "t3", 0, 0}));
    EXPECT_EQ(entries[5].kind, Kind::Favorites);
}

class RestoreOpenTabsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        board1 = dir / "Board One";
        board2 = dir / "Board Two";
        host.dirs[ListUrl("b01")] = board1;
        host.dirs[ListUrl("b02")] = board2;
        // Board one was listed; board two only has a log.
        boardtest::writeFile(store::BoardListFilePath(board1),
                             boardtest::crlf({"t1.dat\t250\t2004/01/02 03:04\t" + Key("b01", "t1", 1) + "\tFirst",
                                              "t2.dat\t9\t2004/01/02 03:05\t" + Key("b01", "t2", 1) + "\tSecond"}));
        boardtest::writeFile(board1 + "/t1.dat", boardtest::logLines(250, "First"));
        boardtest::writeFile(board2 + "/t7.dat", boardtest::logLines(5, "Seventh"));
    }

    TempDir dir;
    std::string board1, board2;
    Host host;
};

TEST_F(RestoreOpenTabsTest, OpensTheReadableTabsInFileOrder)
{
    base::Lines lines = {"THREADLIST\t:Favorite", "THREADLIST\tb01",           "THREADLIST\tb02",
                         "THREADLIST\tb99",       "THREAD\tb01\tt1\t151\t150", "THREAD\tb01\tt2\t1\t0",
                         "THREAD\tb02\tt7\t5\t0", "THREAD\tb99\tt1\t1\t0",     "BOGUS\tb01"};
    EXPECT_EQ(store::RestoreOpenTabs(lines, kBase, 100, host), 5);
    // b02 has no board list file, b99 does not resolve, t2's log is gone; BOGUS names a list as
    // THREADLIST would.
    EXPECT_EQ(host.opened, (std::vector<std::string>{"fav", "list:" + ListUrl("b01"), "topic:" + Key("b01", "t1", 1),
                                                     "topic:" + Key("b02", "t7", 1), "list:" + ListUrl("b01")}));
    ASSERT_EQ(host.lists.size(), 2u);
    EXPECT_EQ(host.lists[0].caption, "Board One");
    EXPECT_EQ(host.lists[0].boardDir, board1);
    EXPECT_EQ(host.lists[0].records.size(), 2u);
}

TEST_F(RestoreOpenTabsTest, ARestoredTopicTakesItsTitleFromTheLogAndItsPostCountFromTheBoardList)
{
    EXPECT_EQ(store::RestoreOpenTabs({"THREAD\tb01\tt1\t151\t150", "THREAD\tb02\tt7\t5\t0"}, kBase, 100, host), 2);
    ASSERT_EQ(host.topics.size(), 2u);
    const store::RestoredTopic &t1 = host.topics[0];
    EXPECT_EQ(t1.title, "First");
    EXPECT_EQ(t1.postCount, 250) << "a later download then asks for the whole topic, not 1-1";
    EXPECT_EQ(t1.scrollTarget, 151);
    EXPECT_EQ(t1.viewStart, 150);
    EXPECT_EQ(t1.logName, "t1.dat");
    EXPECT_EQ(t1.listUrl, ListUrl("b01"));
    EXPECT_EQ(host.topics[1].postCount, 0) << "not listed: unknown until downloaded";

    store::TopicState tab;
    store::ApplyRestoredTopic(tab, host.topics[0]);
    EXPECT_EQ(tab.lines.size(), 250u);
    EXPECT_EQ(tab.topicUrl, Key("b01", "t1", 1));
    EXPECT_EQ(tab.viewStart, 150);
    EXPECT_EQ(tab.postCount, 250);
    EXPECT_TRUE(tab.heldNumbers.contains("250")) << "the numbers come from the log when the index is missing";
    EXPECT_EQ(tab.rangeLast, 0) << "nothing is fetched";
    EXPECT_FALSE(tab.unsaved) << "restoring only reads: closing the tab must not write the log back";
}

TEST_F(RestoreOpenTabsTest, AViewStartBeyondTheLogShowsItsLastPage)
{
    store::RestoreOpenTabs({"THREAD\tb01\tt1\t250\t900", "THREAD\tb02\tt7\t5\t60", "THREAD\tb02\tt7\t5\t-4"}, kBase,
                           100, host);
    ASSERT_EQ(host.topics.size(), 3u);
    EXPECT_EQ(host.topics[0].viewStart, 150);
    EXPECT_EQ(host.topics[1].viewStart, 0);
    EXPECT_EQ(host.topics[2].viewStart, 0);
    EXPECT_EQ(store::ClampRestoredViewStart(249, 250, 100), 249);
    EXPECT_EQ(store::ClampRestoredViewStart(250, 250, 100), 150);
}

TEST_F(RestoreOpenTabsTest, ATopicIdNamingAnotherDirectoryIsSkipped)
{
    boardtest::writeFile(dir / "x.dat", boardtest::logLines(2));
    EXPECT_EQ(store::RestoreOpenTabs({"THREAD\tb01\t../x\t1\t0"}, kBase, 100, host), 0);
}

} // namespace
