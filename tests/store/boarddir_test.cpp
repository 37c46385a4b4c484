// Board log directories resolved from the category file, board names, and the stored logs of a
// directory.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "boardtesting.h"
#include "base/textfile.h"
#include "store/boarddir.h"
#include "store/categoryfile.h"

using boardtest::crlf;
using boardtest::TempDir;
using boardtest::writeFile;

namespace {

const std::string kFooList = "http://b/bbs?action=topics&board=77&sid=77&type=r";

struct Program {
    TempDir dir;
    store::BoardPaths paths{dir.path(), dir / "log root"};

    void categories(const std::vector<std::string> &lines) const
    {
        writeFile(store::CategoryFilePath(dir.path(), store::kPluginTreeName), crlf(lines));
    }
};

} // namespace

TEST(ResolveBoardLogDir, BoardNameLosesTheTenCharactersWhileCategoriesKeepTheirBlanks)
{
    Program p;
    p.categories({"A\thttp://b/a/\t1\t0", "B C\thttp://b/a/bc/\t1\t1", " Foo:Bar? \t" + kFooList + "\t0\t2",
                  "Other\thttp://b/other/\t1\t0"});
    auto dir = store::ResolveBoardLogDir(p.paths, kFooList);
    ASSERT_TRUE(dir);
    EXPECT_EQ(*dir, p.paths.logRoot + "/A/B C/FooBar");
    EXPECT_TRUE(std::filesystem::is_directory(*dir));

    p.categories({"Top\tu\t1\t0", "x\\y/z:w*v?u\"t<s>r|q p\t" + kFooList + "\t0\t1"});
    EXPECT_EQ(store::ResolveBoardLogDir(p.paths, kFooList), p.paths.logRoot + "/Top/xyzwvutsrqp");
}

TEST(ResolveBoardLogDir, BoardMissingFromTheFileResolvesToTheLogRootAsItIs)
{
    Program p;
    p.categories({"A\thttp://b/a/\t1\t0"});
    // The log root's own blank stays: only a board's name is cleaned.
    EXPECT_EQ(store::ResolveBoardLogDir(p.paths, kFooList), p.paths.logRoot);
    EXPECT_TRUE(std::filesystem::is_directory(p.paths.logRoot));
    // An empty URL is in every line, yet names no board.
    EXPECT_EQ(store::ResolveBoardLogDir(p.paths, ""), p.paths.logRoot);
}

TEST(ResolveBoardLogDir, WithoutTheCategoryFileEveryBoardIsStoredUnderTheLogRoot)
{
    Program p;
    // Before the first directory update a topic opened from a typed URL must still be stored.
    EXPECT_EQ(store::ResolveBoardLogDir(p.paths, kFooList), p.paths.logRoot);
    EXPECT_TRUE(std::filesystem::is_directory(p.paths.logRoot));
    EXPECT_FALSE(store::FindBoardName(p.dir.path(), kFooList)) << "the board name still needs the file";
}

TEST(ResolveBoardLogDir, FailsWhenTheDirectoryCannotBeMade)
{
    Program p;

    p.categories({"Board\t" + kFooList + "\t0\t0"});
    writeFile(p.paths.logRoot, "a file, not a directory");
    EXPECT_FALSE(store::ResolveBoardLogDir(p.paths, kFooList));
}

TEST(ResolveBoardLogDir, OnlyFolderLinesAboveWithSmallerDepthsFormThePath)
{
    Program p;
    p.categories({"Far\tu1\t1\t0", "Near\tu2\t1\t0", "Skipped sibling\tu3\t1\t1", "A board, not a folder\tu4\t0\t0",
                  "Parent\tu5\t1\t1", "Deeper sibling\tu6\t1\t2", "Board\t" + kFooList + "\t0\t2",
                  "Below the board\tu7\t1\t1"});
    EXPECT_EQ(store::ResolveBoardLogDir(p.paths, kFooList), p.paths.logRoot + "/Near/Parent/Board");
}

TEST(ResolveBoardLogDir, MatchNearerTheTopRestartsThePathWhileTheLowerOneReachedNoRoot)
{
    Program p;
    // Scanning up: the lower match sits at depth 0, so scanning goes on and the upper match,
    // a substring hit inside a longer URL of the same board, restarts the path.
    p.categories({"Cat\tu\t1\t0", "Upper\t" + kFooList + "&x=1\t0\t1", "Lower\t" + kFooList + "\t0\t0"});
    EXPECT_EQ(store::ResolveBoardLogDir(p.paths, kFooList), p.paths.logRoot + "/Cat/Upper");

    // A lower match below a folder stops at depth 0: the upper line is never reached.
    p.categories({"Upper\t" + kFooList + "\t0\t0", "Cat\tu\t1\t0", "Lower\t" + kFooList + "\t0\t1"});
    EXPECT_EQ(store::ResolveBoardLogDir(p.paths, kFooList), p.paths.logRoot + "/Cat/Lower");
}

TEST(ResolveBoardLogDir, DoubleByteCharactersAndHostileNamesAreHandledSafely)
{
    Program p;
    std::string soft = boardtest::sjis("ソフト"); // ソ is 0x83 0x5C: its second byte is no backslash
    p.categories({"A/B\tu\t1\t0", " " + soft + " board\t" + kFooList + "\t0\t1"});
    EXPECT_EQ(store::ResolveBoardLogDir(p.paths, kFooList), p.paths.logRoot + "/AB/" + soft + "board");

    p.categories({"..\tu\t1\t0", "Board\t" + kFooList + "\t0\t1"});
    EXPECT_FALSE(store::ResolveBoardLogDir(p.paths, kFooList));
    p.categories({"..\t" + kFooList + "\t0\t0"});
    EXPECT_FALSE(store::ResolveBoardLogDir(p.paths, kFooList));

    // Damaged lines are passed over, like the loader does.
    p.categories({"Cat\tu\t1\t0", "garbage " + kFooList, "Board\t" + kFooList + "\t0\tx",
                  "Board\t" + kFooList + "\t0\t1"});
    EXPECT_EQ(store::ResolveBoardLogDir(p.paths, kFooList), p.paths.logRoot + "/Cat/Board");
}

TEST(ResolveBoardLogDir, NamesTooLongForAListFileAreCutOnACharacterBoundary)
{
    Program p;
    std::string board; // 300 bytes of double-byte characters: 241 bytes would end inside one
    for (int i = 0; i < 150; ++i)
        board += boardtest::sjis("板");
    const std::string category(300, 'C');
    p.categories({category + "\tu\t1\t0", board + "\t" + kFooList + "\t0\t1"});
    auto dir = store::ResolveBoardLogDir(p.paths, kFooList);
    ASSERT_TRUE(dir);
    const std::string expected = p.paths.logRoot + "/" + std::string(241, 'C') + "/" + board.substr(0, 240);
    EXPECT_EQ(*dir, expected) << "cut after 120 characters, not inside the 121st";
    // The list file of the board, and its temporary file, fit in a name.
    EXPECT_TRUE(base::WriteFileAtomic(store::BoardListFilePath(*dir), "listed\r\n"));

    // A name that fits keeps every byte.
    const std::string fits(241, 'F');
    p.categories({fits + "\t" + kFooList + "\t0\t0"});
    EXPECT_EQ(store::ResolveBoardLogDir(p.paths, kFooList), p.paths.logRoot + "/" + fits);
    EXPECT_EQ(store::FitFolderName(fits + "G"), fits);
}

TEST(FindBoardName, FirstLineFromTheTopGivesItsUntrimmedName)
{
    Program p;
    p.categories({"Cat\tu\t1\t0", " First \t" + kFooList + "\t0\t1", "Second\t" + kFooList + "\t0\t1"});
    EXPECT_EQ(store::FindBoardName(p.dir.path(), kFooList), " First ");
    EXPECT_FALSE(store::FindBoardName(p.dir.path(), "http://b/bbs?action=topics&board=78&sid=78&type=r"));
    EXPECT_FALSE(store::FindBoardName(p.dir.path(), ""));
}

TEST(BoardListFile, IsNamedAfterTheDirectorysLastComponent)
{
    EXPECT_EQ(store::BoardListFilePath("/x/log/Foo"), "/x/log/Foo/Foo.txt");
    EXPECT_EQ(store::BoardListFilePath("/x/log/"), "/x/log/log.txt");
}

TEST(ListTopicLogs, ListsOnlyRegularDatFilesDirectlyInTheDirectory)
{
    TempDir dir;
    writeFile(dir / "b.dat", "1\r\n");
    writeFile(dir / "a.dat", "");
    writeFile(dir / "a.log", "");
    writeFile(dir / "c.DAT", "");
    writeFile(dir / "d.dat.bak", "");
    // Names that are no topic id would come back as hostile ids.
    writeFile(dir / "x y.dat", "");
    writeFile(dir / "..%2Fz.dat", "");
    writeFile(dir / ".dat", "");
    writeFile(dir / "sub/e.dat", "");
    std::filesystem::create_directory(dir / "f.dat");
    std::filesystem::create_symlink(dir / "b.dat", dir / "g.dat");
    std::filesystem::create_symlink(dir / "missing", dir / "h.dat");

    EXPECT_EQ(store::ListTopicLogs(dir.path()),
              (std::vector<std::string>{dir / "a.dat", dir / "b.dat", dir / "g.dat"}));
    EXPECT_TRUE(store::ListTopicLogs(dir / "no such directory").empty());
}

TEST(TopicLogPath, RefusesTopicIdsThatLeaveTheBoardDirectory)
{
    EXPECT_EQ(store::TopicLogPath("/log/B", "123"), "/log/B/123.dat");
    for (std::string_view bad : {"..", "../../etc/x", "..%2F..%2Fetc%2Fx", "/etc/x", "", "a.b"})
        EXPECT_FALSE(store::TopicLogPath("/log/B", bad)) << bad;
}
