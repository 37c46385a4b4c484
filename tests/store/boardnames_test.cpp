// Names from pages and files that would lead out of a board's folder, at every place the board
// store turns one into a path: the board merge, the favorites refresh, the favorites tab read
// from the logs, the stored logs listed from a folder and the folders named by the category file.
#include "boardtesting.h"
#include "store/boarddir.h"
#include "store/boardlist.h"
#include "store/boardtexts.h"
#include "store/categoryfile.h"

#include <gtest/gtest.h>

using boardtest::crlf;
using boardtest::logLines;
using boardtest::TempDir;
using boardtest::topicRecord;
using boardtest::writeFile;

namespace {

const std::string kServer = "http://b/";
const std::string kList = "http://b/bbs?action=topics&board=77&sid=77&type=r";
int g_site;

// The board folder is <log>/Cat/Foo; each id names <log>/Cat/secret.dat one way or another.
std::vector<std::string> HostileIds(const std::string &absoluteSecret)
{
    return {"../secret", "..%2Fsecret", absoluteSecret.substr(0, absoluteSecret.size() - 4)};
}

class BoardNames : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeFile(store::CategoryFilePath(program.path(), store::kPluginTreeName),
                  crlf({"Cat\thttp://b/cat/\t1\t0", "Foo\t" + kList + "\t0\t1"}));
        env.boardServer = kServer;
        env.paths = {program.path(), program / "log"};
        boardDir = store::ResolveBoardLogDir(env.paths, kList).value();
        secret = program / "log/Cat/secret.dat";
        writeFile(secret, logLines(9));
    }

    net::PageResult result(const std::vector<TopicRecord> &records, void *site)
    {
        net::PageResult r{};
        r.plugin = site;
        r.result = records.data();
        store::SetFieldText(r.url, kList);
        r.value = static_cast<int>(records.size());
        return r;
    }

    TempDir program;
    store::TopicListEnv env;
    std::string boardDir;
    std::string secret;
};

TEST_F(BoardNames, BoardMergeFindsNoLogThroughAHostileTopicId)
{
    for (const std::string &tid : HostileIds(secret)) {
        store::TopicRows rows;
        store::TopicListTarget tab{&g_site, kList, boardDir, "Foo", &rows};
        std::vector<TopicRecord> list{topicRecord(tid, "Sneaky", 3, store::TopicMessageUrl(kServer, "77", "x", "1"))};
        store::MergeTopicList(result(list, &g_site), tab, env);
        ASSERT_EQ(rows.rowCount(), 1) << tid;
        EXPECT_EQ(rows.row(0).image, store::kUnloggedTopicImage) << tid << ": the log outside was read";
        EXPECT_EQ(rows.row(0).text(store::kFetchedItem), "0") << tid;
    }
}

TEST_F(BoardNames, FavoritesRefreshFindsNoLogThroughAHostileTopicId)
{
    for (const std::string &tid : HostileIds(secret)) {
        store::TopicRows rows;
        store::TopicListTarget favorites{nullptr, store::kFavoritesListUrl, "", store::kFavoritesCaption, &rows};
        const std::string url = store::TopicMessageUrl(kServer, "77", "x", "1");
        store::TopicRow row;
        row.image = store::kLoggedTopicImage;
        row.subItems = {"1", "T", "1", "1", "0", "d", "Foo"};
        row.entry = {url, tid + ".dat", 0};
        rows.appendRow(row);
        std::vector<TopicRecord> list{topicRecord(tid, "T", 12, url)};
        store::MergeTopicList(result(list, nullptr), favorites, env);
        EXPECT_NE(rows.row(0).image, store::kRefreshedTopicImage) << tid << ": the log outside was read";
        EXPECT_EQ(rows.row(0).text(store::kFetchedItem), "1") << tid;
    }
}

TEST_F(BoardNames, FavoritesTabFromTheLogsFindsNoLogThroughAHostileName)
{
    std::vector<std::string> lines, favorites;
    for (const std::string &tid : HostileIds(secret)) {
        lines.push_back(tid + ".dat\t9\t2004/01/01 00:00\t" + store::TopicMessageUrl(kServer, "77", "x", "1") + "\tT");
        favorites.push_back("77\t" + tid + ".dat");
    }
    writeFile(store::BoardListFilePath(boardDir), crlf(lines));
    store::TopicRows rows;
    EXPECT_EQ(store::LoadFavoriteTopics(favorites, rows, env), 3);
    for (int i = 0; i < rows.rowCount(); ++i)
        EXPECT_EQ(rows.row(i).image, store::kUnloggedTopicImage) << rows.row(i).entry.logName;
}

TEST_F(BoardNames, StoredLogsOfAFolderAreOnlyTopicLogs)
{
    writeFile(boardDir + "/12ab.dat", logLines(2));
    writeFile(boardDir + "/..%2Fsecret.dat", logLines(2));
    writeFile(boardDir + "/a b.dat", logLines(2));
    EXPECT_EQ(store::ListTopicLogs(boardDir), std::vector<std::string>{boardDir + "/12ab.dat"});
}

TEST_F(BoardNames, CategoryNamesThatWouldLeaveTheLogRootAreRefused)
{
    for (std::string name : {"..", "."}) {
        writeFile(store::CategoryFilePath(program.path(), store::kPluginTreeName),
                  crlf({name + "\thttp://b/cat/\t1\t0", "Foo\t" + kList + "\t0\t1"}));
        EXPECT_FALSE(store::ResolveBoardLogDir(env.paths, kList)) << name;
    }
    // A slash inside a name is dropped, so the name stays one folder.
    writeFile(store::CategoryFilePath(program.path(), store::kPluginTreeName),
              crlf({"../..\thttp://b/cat/\t1\t0", "/etc\t" + kList + "\t0\t1"}));
    EXPECT_EQ(store::ResolveBoardLogDir(env.paths, kList), env.paths.logRoot + "/..../etc");
}

} // namespace
