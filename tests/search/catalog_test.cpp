// Which logs a search reads: board directories under the log root, their boards from the
// category file and the board list files, and the topic logs of a board.
#include "base/textfile.h"
#include "search/catalog.h"
#include "store/boarddir.h"
#include "store/boardlist.h"
#include "store/boardurls.h"
#include "store/categoryfile.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr char kServer[] = "http://boards.example/";

class CatalogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "nk-catalog-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        programDir = tmpl;
        logRoot = programDir + "/Log";
    }
    void TearDown() override { fs::remove_all(programDir); }

    std::string board(const std::string &id) { return store::BoardListUrl(kServer, id); }

    void writeCategories(const std::vector<std::string> &lines)
    {
        fs::create_directories(store::CategoryDir(programDir));
        ASSERT_TRUE(base::WriteLines(store::CategoryFilePath(programDir, store::kPluginTreeName), lines));
    }

    void writeLog(const std::string &dir, const std::string &id, const std::string &text = "1\t0\td t\tn\tT\tb")
    {
        fs::create_directories(dir);
        ASSERT_TRUE(base::WriteFileAtomic(dir + "/" + id + ".dat", text + "\r\n"));
    }

    std::string programDir;
    std::string logRoot;
};

TEST_F(CatalogTest, EveryBoardHasTheDirectoryItsLogsAreWrittenTo)
{
    writeCategories({
        store::FormatCategoryLine(" Cat A ", "http://c/a", 1, 0),
        store::FormatCategoryLine("Sub/X", "http://c/ax", 1, 1),
        store::FormatCategoryLine("Board: One", board("b1"), 0, 2),
        store::FormatCategoryLine("Cat B", "http://c/b", 1, 0),
        store::FormatCategoryLine("Deep", "http://c/bd", 1, 2),
        store::FormatCategoryLine("Board Two", board("b2"), 0, 1),
        store::FormatCategoryLine("b1 again", board("b1"), 0, 1),
        store::FormatCategoryLine("Three", board("b3"), 0, 0),
        store::FormatCategoryLine("Bad..", board("b4"), 0, 0),
        store::FormatCategoryLine(std::string(300, 'L'), "http://c/l", 1, 0),
        store::FormatCategoryLine(std::string(280, 'n'), board("b5"), 0, 1),
        "a line that is no node",
    });
    const auto dirs = search::CategoryBoardDirs(programDir, logRoot, kServer);
    EXPECT_FALSE(fs::exists(logRoot)) << "finding the directories creates none";
    std::map<std::string, std::string> byBoard;
    for (const auto &[dir, b] : dirs)
        byBoard[b.boardId] = dir;
    for (const char *id : {"b1", "b2", "b3", "b4", "b5"}) {
        const auto resolved = store::ResolveBoardLogDir({programDir, logRoot}, board(id));
        ASSERT_TRUE(resolved) << id;
        EXPECT_EQ(byBoard[id], *resolved) << id;
    }
    EXPECT_EQ(byBoard["b1"], logRoot + "/Cat B/b1again");
    EXPECT_EQ(dirs.at(logRoot + "/Cat B/b1again").name, "b1 again");
}

TEST_F(CatalogTest, WithoutACategoryFileNoBoardIsKnown)
{
    EXPECT_TRUE(search::CategoryBoardDirs(programDir, logRoot, kServer).empty());
}

TEST_F(CatalogTest, BoardDirectoriesAreTheOnesHoldingLogs)
{
    writeCategories(
        {store::FormatCategoryLine("Cat", "http://c/a", 1, 0), store::FormatCategoryLine("One", board("b1"), 0, 1)});
    writeLog(logRoot + "/Cat/One", "t1");
    writeLog(logRoot + "/Cat/One", "t2");
    writeLog(logRoot + "/Other/Nine", "t9");
    writeLog(logRoot, "t0"); // a board the category file does not name lives in the root
    fs::create_directories(logRoot + "/Empty");
    ASSERT_TRUE(base::WriteFileAtomic(logRoot + "/Empty/notes.txt", "x"));
    ASSERT_TRUE(base::WriteFileAtomic(logRoot + "/Empty/a.b.dat", "x")); // no topic id
    fs::create_directory_symlink(logRoot, logRoot + "/Other/loop");
    const auto boards = search::FindBoardLogDirs(programDir, logRoot, kServer);
    ASSERT_EQ(boards.size(), 3u);
    EXPECT_EQ(boards[0].dir, logRoot);
    EXPECT_EQ(boards[1].dir, logRoot + "/Cat/One");
    EXPECT_EQ(boards[1].boardId, "b1");
    EXPECT_EQ(boards[1].name, "One");
    EXPECT_EQ(boards[2].dir, logRoot + "/Other/Nine");
    EXPECT_EQ(boards[2].name, "Nine");
    EXPECT_EQ(boards[2].boardId, "");
    EXPECT_EQ(search::AllSources(boards).size(), 4u);
}

TEST_F(CatalogTest, ABoardListGivesTitlesAndTheBoardId)
{
    const std::string dir = logRoot + "/Nine";
    writeLog(dir, "t1", "2\t0\td t\tn\tRe\tb");
    writeLog(dir, "t2");
    store::BoardListLine listed{"t1.dat", 5, "2024/01/01 10:00", store::TopicMessageUrl(kServer, "b9", "t1", "1"),
                                "Listed title"};
    ASSERT_TRUE(base::WriteLines(store::BoardListFilePath(dir), {store::FormatBoardListLine(listed)}));
    const auto sources = search::BoardSources({dir, "Nine", ""});
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(sources[0].topicId, "t1");
    EXPECT_EQ(sources[0].listedTitle, "Listed title");
    EXPECT_EQ(sources[0].boardId, "b9");
    EXPECT_EQ(sources[1].boardId, "b9") << "every log of the board";
    EXPECT_EQ(sources[1].listedTitle, "");
    EXPECT_EQ(sources[1].boardName, "Nine");
}

} // namespace
