// Line counts of topic logs agree with the line-list reader, and the cache notices changed files.
#include <gtest/gtest.h>

#include <random>

#include "base/textfile.h"
#include "boardtesting.h"
#include "store/boardtexts.h"
#include "store/logsummary.h"

using boardtest::TempDir;
using boardtest::writeFile;

TEST(LogSummary, CountsLinesExactlyAsTheLineReaderSplitsThem)
{
    TempDir dir;
    std::mt19937 random(7);
    const char alphabet[] = {'a', '\t', '\r', '\n', '\x83', '\x5c'};
    for (int round = 0; round < 300; ++round) {
        std::string text;
        auto length = random() % 40;
        for (unsigned i = 0; i < length; ++i)
            text += alphabet[random() % sizeof alphabet];
        writeFile(dir / "t.dat", text);
        auto summary = store::SummarizeLog(dir / "t.dat");
        ASSERT_TRUE(summary);
        ASSERT_EQ(summary->lines, static_cast<int>(base::SplitLines(text).size())) << "text #" << round;
    }
}

TEST(LogSummary, BreaksSplitBetweenReadsCountOnce)
{
    TempDir dir;
    // The reader works in blocks of 64 KiB: put a CR LF, a lone CR and a final CR at the edges.
    for (std::size_t crAt : {65535u, 65536u, 131071u}) {
        std::string text(140000, 'x');
        text[crAt] = '\r';
        text[crAt + 1] = '\n';
        text[100] = '\r';
        text.back() = '\r';
        writeFile(dir / "big.dat", text);
        EXPECT_EQ(store::SummarizeLog(dir / "big.dat")->lines, static_cast<int>(base::SplitLines(text).size()))
            << crAt;
    }
    std::string lone(65536, 'y');
    lone[65535] = '\r';
    writeFile(dir / "lone.dat", lone + "next");
    EXPECT_EQ(store::SummarizeLog(dir / "lone.dat")->lines, 2);
}

TEST(LogSummary, FirstLineGivesTheDateAndTitleFieldsEvenWhenLong)
{
    TempDir dir;
    std::string longText(100000, 'z');
    writeFile(dir / "a.dat", "1\t0\t2003/05/06 07:08\tname\tThe title\t" + longText + "\r\n2\t1\td\tn\tt\tx\r\n");
    auto summary = store::SummarizeLog(dir / "a.dat");
    ASSERT_TRUE(summary);
    EXPECT_EQ(*summary, (store::LogSummary{2, "2003/05/06 07:08", "The title"}));

    writeFile(dir / "short.dat", "only\tone");
    EXPECT_EQ(*store::SummarizeLog(dir / "short.dat"), (store::LogSummary{1, "", ""}));
    writeFile(dir / "empty.dat", "");
    EXPECT_EQ(*store::SummarizeLog(dir / "empty.dat"), (store::LogSummary{0, "", ""}));
    EXPECT_FALSE(store::SummarizeLog(dir / "missing.dat"));
    std::filesystem::create_directory(dir / "dir.dat");
    EXPECT_FALSE(store::SummarizeLog(dir / "dir.dat"));
}

TEST(LogSummaryCache, ReusesUnchangedLogsAndRereadsReplacedOrGrownOnes)
{
    TempDir dir;
    store::LogSummaryCache cache;
    std::string path = dir / "a.dat";
    writeFile(path, boardtest::logLines(3));
    EXPECT_EQ(cache.summarize(path)->lines, 3);
    EXPECT_EQ(cache.summarize(path)->lines, 3);
    EXPECT_EQ(cache.reads(), 1u);

    // Replaced the way logs are written: a new file renamed over the old one, same size.
    std::string other = boardtest::logLines(3, "U");
    ASSERT_TRUE(base::WriteFileAtomic(path, other));
    EXPECT_EQ(cache.summarize(path)->firstTitle, "U");
    EXPECT_EQ(cache.reads(), 2u);

    std::ofstream(path, std::ios::app) << "4\t0\td\tn\tt\tx\r\n";
    EXPECT_EQ(cache.summarize(path)->lines, 4);

    std::filesystem::remove(path);
    EXPECT_FALSE(cache.summarize(path));
    EXPECT_EQ(cache.size(), 0u);
}

TEST(LogSummaryCache, StaysWithinItsBound)
{
    TempDir dir;
    store::LogSummaryCache cache(4);
    for (int i = 0; i < 10; ++i) {
        writeFile(dir / (std::to_string(i) + ".dat"), "x\r\n");
        ASSERT_TRUE(cache.summarize(dir / (std::to_string(i) + ".dat")));
        EXPECT_LE(cache.size(), 4u);
    }
}

TEST(BoardTexts, JapaneseLiteralsAreTheirCp932Bytes)
{
    using boardtest::sjis;
    EXPECT_EQ(store::kCategoryListCaption, sjis("カテゴリ一覧"));
    EXPECT_EQ(store::kFavoritesCaption, sjis("お気に入り"));
    EXPECT_EQ(store::kCategoryStatusKind, sjis("カテゴリ"));
    EXPECT_EQ(store::kCategoryFetchStartedText, sjis("カテゴリの取得開始"));
    EXPECT_EQ(store::kCategoryFetchInterruptedText, sjis("カテゴリの取得が中断されました"));
    EXPECT_EQ(store::kAddedSuffix, sjis(" が追加されました"));
    EXPECT_EQ(store::kTopicListStatusKind, sjis("スレッドリスト"));
    EXPECT_EQ(store::kTopicListFetchStartedText, sjis("スレッドリストの取得開始"));
    EXPECT_EQ(store::kTopicListFetchFinishedText, sjis("スレッドリストの取得終了"));
    EXPECT_EQ(store::kAllCountsCaption, sjis("すべて"));
}
