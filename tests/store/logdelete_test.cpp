// Deleting a topic's log: the plan and its question, the files, the rows and an open tab.
#include "net/endpoints.h"
#include "store/logdelete.h"
#include "store/marktexts.h"
#include "store/threadlog.h"
#include "store/topicfetch.h"
#include "tests/store/boardtesting.h"

#include <gtest/gtest.h>

namespace {

using boardtest::TempDir;
using Step = store::LogDeletionPlan::Step;

const std::string kBase = "http://b.example/";

class LogDeletionTest : public ::testing::Test {
protected:
    std::optional<std::string> resolve(const std::string &listUrl)
    {
        if (listUrl != net::TopicListUrl(kBase, "b01"))
            return std::nullopt;
        return boardDir;
    }
    store::LogDeletionPlan plan(const std::string &topicUrl, const std::string &logName)
    {
        return store::PlanTopicLogDeletion(topicUrl, logName, "Title", kBase,
                                           [this](const std::string &url) { return resolve(url); });
    }

    TempDir dir;
    std::string boardDir = dir / "Board";
    std::string key = net::MessageUrl(kBase, "b01", "t5", 40);
};

TEST_F(LogDeletionTest, AsksWithTheTitleBoardTopicAndPath)
{
    boardtest::writeFile(boardDir + "/t5.dat", boardtest::logLines(3));
    store::LogDeletionPlan p = plan(key, "t5.dat");
    ASSERT_EQ(p.step, Step::Ask);
    EXPECT_EQ(p.logPath, boardDir + "/t5.dat");
    EXPECT_EQ(p.question, boardtest::sjis("スレッド：") +
                              "Title\nBOARD\x81\x46"
                              "b01\nTID\x81\x46t5\n" +
                              p.logPath + "\n" + boardtest::sjis("このスレッドのログを削除します。"));
}

TEST_F(LogDeletionTest, WithoutABoardOrALogThereIsNothingToAsk)
{
    EXPECT_EQ(plan(net::MessageUrl(kBase, "b99", "t5", 1), "t5.dat").step, Step::NoBoard);
    EXPECT_EQ(plan("http://b.example/bbs?tid=t5", "t5.dat").step, Step::NoBoard);
    EXPECT_EQ(plan(key, "t5.dat").step, Step::NoLog);
}

TEST_F(LogDeletionTest, ALogNameWithADirectoryPartIsRefusedBeforeAnythingIsTouched)
{
    boardtest::writeFile(dir / "victim.dat", "keep");
    EXPECT_EQ(plan(key, "../victim.dat").step, Step::NoBoard);
    EXPECT_EQ(plan(key, "..").step, Step::NoBoard);
    EXPECT_EQ(plan(key, "").step, Step::NoBoard);
    EXPECT_TRUE(std::filesystem::exists(dir / "victim.dat"));
}

TEST_F(LogDeletionTest, DeletesTheLogAndItsIndexOrTheLogAloneWhenTheIndexIsMissing)
{
    boardtest::writeFile(boardDir + "/t5.dat", boardtest::logLines(3));
    boardtest::writeFile(boardDir + "/t5.log", "1\r\n2\r\n3\r\n");
    boardtest::writeFile(boardDir + "/t6.dat", boardtest::logLines(3));
    EXPECT_TRUE(store::DeleteTopicFiles(boardDir + "/t5.dat"));
    EXPECT_TRUE(store::DeleteTopicFiles(boardDir + "/t6.dat"));
    EXPECT_FALSE(std::filesystem::exists(boardDir + "/t5.dat"));
    EXPECT_FALSE(std::filesystem::exists(boardDir + "/t5.log"));
    EXPECT_FALSE(std::filesystem::exists(boardDir + "/t6.dat"));
}

store::TopicRow Row(const std::string &url)
{
    store::TopicRow row;
    row.image = store::kLoggedTopicImage;
    row.subItems[store::kPostsItem] = "40";
    row.subItems[store::kFetchedItem] = "40";
    row.subItems[store::kUnfetchedItem] = "0";
    row.entry.topicUrl = url;
    return row;
}

TEST(ResetDeletedTopicRow, FindsTheRowOfTheTopicWhateverMessageTheKeyCarries)
{
    store::TopicRows rows;
    rows.appendRow(Row(net::MessageUrl(kBase, "b01", "t4", 1)));
    rows.appendRow(Row(net::MessageUrl(kBase, "b01", "t5", 1)));
    rows.appendRow(Row(net::MessageUrl(kBase, "b02", "t5", 1)));
    ASSERT_TRUE(store::ResetDeletedTopicRow(rows, net::MessageUrl(kBase, "b01", "t5", 40)));
    EXPECT_EQ(rows.row(1).image, store::kUnloggedTopicImage);
    EXPECT_EQ(rows.row(1).text(store::kFetchedItem), "0");
    EXPECT_EQ(rows.row(1).text(store::kUnfetchedItem), "");
    EXPECT_EQ(rows.row(1).text(store::kPostsItem), "40");
    EXPECT_EQ(rows.row(0), Row(net::MessageUrl(kBase, "b01", "t4", 1)));
    EXPECT_EQ(rows.row(2), Row(net::MessageUrl(kBase, "b02", "t5", 1))) << "another board's topic of that id";
    EXPECT_FALSE(store::ResetDeletedTopicRow(rows, net::MessageUrl(kBase, "b03", "t5", 1)));
}

TEST(SameTopic, ComparesBoardAndTopicIds)
{
    EXPECT_TRUE(store::SameTopic(net::MessageUrl(kBase, "b", "t", 1), net::MessageUrl(kBase, "b", "t", 9)));
    EXPECT_FALSE(store::SameTopic(net::MessageUrl(kBase, "b", "t", 1), net::MessageUrl(kBase, "b", "t2", 1)));
    EXPECT_FALSE(store::SameTopic("no ids", "no ids"));
}

/// A host whose board always resolves to one directory and which queues nothing.
struct Host : store::TopicHost {
    std::string dir;
    bool enqueueMessage(const std::string &, const std::string &) override { return true; }
    std::optional<std::string> resolveBoardDir(const std::string &) override { return dir; }
};

MessageRecord Message(int number, int last)
{
    MessageRecord m{};
    m.number = number;
    m.lastNumber = last;
    std::snprintf(m.date, sizeof m.date, "2004/01/02");
    std::snprintf(m.time, sizeof m.time, "03:04");
    std::snprintf(m.title, sizeof m.title, "title");
    return m;
}

TEST_F(LogDeletionTest, AnOpenTabDuringItsDownloadDoesNotWriteTheDeletedLogBack)
{
    Host host;
    host.dir = boardDir;
    store::TopicState tab;
    tab.topicUrl = key;
    tab.listUrl = net::TopicListUrl(kBase, "b01");
    tab.logName = "t5.dat";
    tab.rangeFirst = 1;
    tab.rangeLast = 5;
    store::FetchOptions options;
    options.boardBase = kBase;
    store::MergeMessage(tab, Message(1, 5), 0, options, host);
    ASSERT_TRUE(tab.unsaved && tab.downloading());
    boardtest::writeFile(boardDir + "/t5.dat", boardtest::logLines(1));
    ASSERT_TRUE(store::DeleteTopicFiles(boardDir + "/t5.dat"));

    store::ForgetDeletedLog(tab);
    EXPECT_FALSE(tab.downloading());
    EXPECT_FALSE(tab.unsaved);
    EXPECT_TRUE(store::FlushTopic(tab, host));
    // A response of a request already running still arrives.
    store::MessageMergeOutcome late = store::MergeMessage(tab, Message(2, 5), 0, options, host);
    EXPECT_TRUE(late.added) << "the tab keeps showing what it receives";
    EXPECT_FALSE(late.finish.written);
    store::FlushTopic(tab, host);
    EXPECT_FALSE(std::filesystem::exists(boardDir + "/t5.dat")) << "the deleted log stays deleted";
    EXPECT_EQ(tab.lines.size(), 2u);
}

TEST_F(LogDeletionTest, AFirstAnswerArrivingAfterTheDeletionAsksForNothingMore)
{
    struct CountingHost : Host {
        int queued = 0;
        bool enqueueMessage(const std::string &, const std::string &) override { return ++queued > 0; }
    } host;
    host.dir = boardDir;
    store::TopicState tab;
    tab.topicUrl = key;
    tab.listUrl = net::TopicListUrl(kBase, "b01");
    tab.logName = "t5.dat";
    tab.rangeFirst = 1;
    tab.rangeLast = 5;
    store::ForgetDeletedLog(tab);
    store::FetchOptions options;
    options.boardBase = kBase;
    EXPECT_TRUE(store::MergeMessage(tab, Message(1, 5), 0, options, host).added);
    EXPECT_EQ(host.queued, 0) << "the fetch has ended";
    EXPECT_FALSE(tab.downloading());
}

} // namespace
