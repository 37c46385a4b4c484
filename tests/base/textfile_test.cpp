#include "base/textfile.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class TempDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "nk-base-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        m_dir = tmpl;
    }
    void TearDown() override
    {
        ::chmod(m_dir.c_str(), 0755);
        fs::remove_all(m_dir);
    }
    std::string path(const std::string &name) const { return m_dir + "/" + name; }

    std::string m_dir;
};

TEST(SplitLines, CrLfAndCrLfEndsReadAlike)
{
    base::Lines expected = {"one", "two", "", "three"};
    EXPECT_EQ(base::SplitLines("one\r\ntwo\r\n\r\nthree\r\n"), expected);
    EXPECT_EQ(base::SplitLines("one\ntwo\n\nthree\n"), expected);
    EXPECT_EQ(base::SplitLines("one\rtwo\r\rthree\r"), expected);
    EXPECT_EQ(base::SplitLines("one\r\ntwo\n\rthree"), expected) << "mixed ends, last line without break";
}

TEST(SplitLines, LastLineWithoutBreakCountsAndNoPhantomLine)
{
    EXPECT_EQ(base::SplitLines("a\r\nb"), (base::Lines{"a", "b"}));
    EXPECT_EQ(base::SplitLines("a\r\n"), (base::Lines{"a"}));
    EXPECT_TRUE(base::SplitLines("").empty());
    EXPECT_EQ(base::SplitLines("\r\n"), (base::Lines{""}));
}

TEST(SplitLines, KeepsShiftJisBytesAndTabs)
{
    // "表" is 0x95 0x5C: its trail byte is a backslash, which must pass through untouched.
    std::string text = "\x95\x5c\tx\r\n\x83\x5c";
    EXPECT_EQ(base::SplitLines(text), (base::Lines{"\x95\x5c\tx", "\x83\x5c"}));
}

TEST_F(TempDir, WriteLinesUsesCrLfAndReadsBack)
{
    base::Lines lines = {"first\tfield", "", "\x82\xa0"};
    ASSERT_TRUE(base::WriteLines(path("a.txt"), lines));
    EXPECT_EQ(*base::ReadFile(path("a.txt")), "first\tfield\r\n\r\n\x82\xa0\r\n");
    EXPECT_EQ(*base::ReadLines(path("a.txt")), lines);
}

TEST_F(TempDir, MissingFileReadsAsNothing)
{
    EXPECT_FALSE(base::ReadFile(path("none")).has_value());
    EXPECT_FALSE(base::ReadLines(path("none")).has_value());
    EXPECT_FALSE(base::FileExists(path("none")));
}

TEST_F(TempDir, FailedWriteLeavesOldFileWholeAndNoTemporary)
{
    ASSERT_TRUE(base::WriteFileAtomic(path("keep.txt"), "old content"));
    if (::geteuid() == 0)
        GTEST_SKIP() << "root ignores directory permissions";
    ASSERT_EQ(::chmod(m_dir.c_str(), 0555), 0);
    EXPECT_FALSE(base::WriteFileAtomic(path("keep.txt"), "new content"));
    ::chmod(m_dir.c_str(), 0755);
    EXPECT_EQ(*base::ReadFile(path("keep.txt")), "old content");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

TEST_F(TempDir, WriteIntoMissingDirectoryFailsCleanly)
{
    EXPECT_FALSE(base::WriteFileAtomic(path("no/such/dir/file.txt"), "x"));
}

TEST_F(TempDir, WriteOverADirectoryFailsAndRemovesItsTemporary)
{
    // rename() onto a directory fails after the temporary was written: it must not be left behind.
    ASSERT_TRUE(base::MakeDirs(path("target")));
    EXPECT_FALSE(base::WriteFileAtomic(path("target"), "x"));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

TEST_F(TempDir, ReplacementKeepsRequestedMode)
{
    ASSERT_TRUE(base::WriteFileAtomic(path("secret.ini"), "pass=x", 0600));
    struct stat st {};
    ASSERT_EQ(::stat(path("secret.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_TRUE(base::WriteFileAtomic(path("secret.ini"), "pass=y", 0600));
    ASSERT_EQ(::stat(path("secret.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(TempDir, NewFileIsWrittenWholeOnlyWhereNothingIs)
{
    EXPECT_EQ(base::WriteNewFileAtomic(path("new.html"), "first", 0640), base::NewFileResult::Written);
    EXPECT_EQ(base::ReadFile(path("new.html")), "first");
    struct stat st {};
    ASSERT_EQ(::stat(path("new.html").c_str(), &st), 0);
    EXPECT_EQ(st.st_nlink, 1u);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0640u & ~mask);
    // A file, a directory or a dangling link at the name is left alone, and no temporary stays.
    EXPECT_EQ(base::WriteNewFileAtomic(path("new.html"), "second"), base::NewFileResult::Taken);
    EXPECT_EQ(base::ReadFile(path("new.html")), "first");
    ASSERT_TRUE(base::MakeDirs(path("dir.html")));
    EXPECT_EQ(base::WriteNewFileAtomic(path("dir.html"), "x"), base::NewFileResult::Taken);
    ASSERT_EQ(::symlink(path("nowhere").c_str(), path("link.html").c_str()), 0);
    EXPECT_EQ(base::WriteNewFileAtomic(path("link.html"), "x"), base::NewFileResult::Taken);
    EXPECT_FALSE(fs::exists(path("nowhere")));
    EXPECT_EQ(base::WriteNewFileAtomic(path("missing/x.html"), "x"), base::NewFileResult::Failed);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 3);
}

TEST_F(TempDir, MakeDirsCreatesParentsAndAcceptsExisting)
{
    EXPECT_TRUE(base::MakeDirs(path("a/b/c")));
    EXPECT_TRUE(fs::is_directory(path("a/b/c")));
    EXPECT_TRUE(base::MakeDirs(path("a/b/c/")));
    ASSERT_TRUE(base::WriteFileAtomic(path("file"), "x"));
    EXPECT_FALSE(base::MakeDirs(path("file"))) << "a file in the way is not a directory";
}

TEST_F(TempDir, LargeFileRoundTrips)
{
    std::string big(5 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 131);
    ASSERT_TRUE(base::WriteFileAtomic(path("big"), big));
    EXPECT_EQ(*base::ReadFile(path("big")), big);
}

} // namespace

namespace {

// The process umask as the kernel reports it, without setting it.
int currentUmask()
{
    auto status = base::ReadLines("/proc/self/status");
    if (!status)
        return -1;
    for (const auto &line : *status)
        if (line.starts_with("Umask:"))
            return static_cast<int>(std::strtol(line.c_str() + 6, nullptr, 8));
    return -1;
}

TEST_F(TempDir, WritingNeverWidensTheProcessUmaskForOtherThreads)
{
    mode_t saved = ::umask(022);
    if (currentUmask() != 022) {
        ::umask(saved);
        GTEST_SKIP() << "the kernel does not report the umask";
    }
    // Many cheap writes (on a memory file system when there is one) give the observer many
    // chances to see the umask while a write runs.
    std::string where = m_dir;
    char shm[] = "/dev/shm/nk-umask-XXXXXX";
    const bool onShm = ::mkdtemp(shm) != nullptr;
    if (onShm)
        where = shm;
    std::atomic<bool> done{false};
    std::atomic<int> widened{0};
    std::thread writer([&] {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
        for (int i = 0; std::chrono::steady_clock::now() < end && widened == 0; ++i)
            base::WriteFileAtomic(where + "/f" + std::to_string(i % 4), "x");
        done = true;
    });
    while (!done)
        widened += currentUmask() != 022;
    writer.join();
    ::umask(saved);
    if (onShm)
        fs::remove_all(shm);
    EXPECT_EQ(widened, 0) << "another thread saw the umask changed while files were written";
}

TEST_F(TempDir, NewFileModeHonoursTheUmask)
{
    mode_t saved = ::umask(027);
    bool written = base::WriteFileAtomic(path("a.txt"), "x", 0666);
    ::umask(saved);
    ASSERT_TRUE(written);
    struct stat st {};
    ASSERT_EQ(::stat(path("a.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator{}), 1) << "no temporary left";
}

TEST(TemporaryFileName, OnlyTheWritersFormCounts)
{
    EXPECT_TRUE(base::IsTemporaryFileName("a1b2.dat.tmpAb3xZ9"));
    EXPECT_TRUE(base::IsTemporaryFileName("nekomado.ini.tmp000000"));
    EXPECT_FALSE(base::IsTemporaryFileName(".tmpAb3xZ9")) << "no name before it";
    EXPECT_FALSE(base::IsTemporaryFileName("a.dat.tmpAb3xZ")) << "five letters";
    EXPECT_FALSE(base::IsTemporaryFileName("a.dat.tmpAb3xZ99")) << "seven letters";
    EXPECT_FALSE(base::IsTemporaryFileName("a.dat.tmpAb3x-9"));
    EXPECT_FALSE(base::IsTemporaryFileName("a.datXtmpAb3xZ9"));
    EXPECT_FALSE(base::IsTemporaryFileName("a1b2.dat"));
    EXPECT_FALSE(base::IsTemporaryFileName("notes.tmp"));
}

// A writer killed in the middle of its temporary file, as a crash leaves it: the next start
// removes the temporary file and nothing else.
TEST_F(TempDir, TemporaryLeftByAKilledWriterIsRemovedAndTheFileKeepsItsEarlierVersion)
{
    ASSERT_TRUE(base::MakeDirs(path("Log/b1")));
    const std::string target = path("Log/b1/t1.dat");
    ASSERT_TRUE(base::WriteFileAtomic(target, "earlier\r\n"));
    const std::string big(32u << 20, 'x');
    std::string left;
    for (int attempt = 0; attempt < 20 && left.empty(); ++attempt) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;)
                base::WriteFileAtomic(target, big);
        }
        // Killed as soon as its temporary file shows.
        for (int polls = 0; polls < 20000 && left.empty(); ++polls) {
            for (const auto &entry : fs::directory_iterator(path("Log/b1")))
                if (entry.path().filename() != "t1.dat")
                    left = entry.path().filename().string();
            if (left.empty())
                std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        left.clear();
        for (const auto &entry : fs::directory_iterator(path("Log/b1")))
            if (entry.path().filename() != "t1.dat")
                left = entry.path().filename().string();
    }
    ASSERT_FALSE(left.empty()) << "no writer was caught with its temporary file";
    EXPECT_TRUE(base::IsTemporaryFileName(left)) << left;

    // Around it: files of other names, a fresh temporary file and a link of a temporary name.
    ASSERT_TRUE(base::WriteFileAtomic(path("nekomado.ini"), "[x]\r\n"));
    ASSERT_TRUE(base::WriteFileAtomic(path("notes.tmp"), "keep"));
    ASSERT_TRUE(base::WriteFileAtomic(path("Log/fresh.dat.tmpABCDEF"), "being written"));
    ASSERT_TRUE(base::WriteFileAtomic(path("outside"), "outside"));
    fs::create_symlink(path("outside"), path("Log/link.dat.tmpQWERTY"));
    // The killed writer's file is older than the grace; the fresh one is not.
    const std::string leftPath = path("Log/b1/" + left);
    const struct timespec old[2] = {{std::time(nullptr) - 120, 0}, {std::time(nullptr) - 120, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, leftPath.c_str(), old, 0), 0);

    EXPECT_EQ(base::RemoveStaleTemporaries(m_dir, 60), 1);
    EXPECT_FALSE(fs::exists(leftPath));
    EXPECT_TRUE(fs::exists(path("Log/fresh.dat.tmpABCDEF"))) << "another writer may be busy with it";
    EXPECT_TRUE(fs::is_symlink(path("Log/link.dat.tmpQWERTY")));
    EXPECT_EQ(base::ReadFile(path("outside")), "outside");
    EXPECT_EQ(base::ReadFile(path("notes.tmp")), "keep");
    const auto kept = base::ReadFile(target);
    ASSERT_TRUE(kept);
    EXPECT_TRUE(*kept == "earlier\r\n" || *kept == big) << "a complete version, of " << kept->size() << " bytes";

    EXPECT_EQ(base::RemoveStaleTemporaries(m_dir, 0), 1) << "without a grace the fresh one goes too";
    EXPECT_FALSE(fs::exists(path("Log/fresh.dat.tmpABCDEF")));
    EXPECT_EQ(base::RemoveStaleTemporaries(path("missing"), 0), 0);
}

} // namespace
