// The choice between the program's own directory and the user's data directory.
#include "base/datadir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include "base/textfile.h"

namespace {

namespace fs = std::filesystem;

class DataDirTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "nk-datadir-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        root = tmpl + "/";
        install = root + "install/";
        fs::create_directories(install + "skin");
        fs::create_directories(install + "help");
        ASSERT_TRUE(base::WriteFileAtomic(install + "Hakobune.so", "plugin"));
        ASSERT_TRUE(base::WriteFileAtomic(install + "skin/Header.html", "<html>\r\n"));
        const char *old = ::getenv("XDG_DATA_HOME");
        savedXdg = old ? std::optional<std::string>(old) : std::nullopt;
        ::setenv("XDG_DATA_HOME", (root + "xdg").c_str(), 1);
    }
    void TearDown() override
    {
        if (savedXdg)
            ::setenv("XDG_DATA_HOME", savedXdg->c_str(), 1);
        else
            ::unsetenv("XDG_DATA_HOME");
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    std::string root;
    std::string install;
    std::optional<std::string> savedXdg;
};

TEST_F(DataDirTest, AWritableProgramDirectoryKeepsEverything)
{
    base::DataDirChoice choice = base::ChooseDataDir(install);
    EXPECT_EQ(choice.dir, install);
    EXPECT_FALSE(choice.separate);
    EXPECT_FALSE(fs::exists(root + "xdg"));
    // The probe file is gone again.
    EXPECT_EQ(std::distance(fs::directory_iterator(install), fs::directory_iterator()), 3);
}

TEST_F(DataDirTest, UserDirectoryFollowsXdgDataHomeThenHome)
{
    EXPECT_EQ(base::UserDataDir(), root + "xdg/nekomado/");
    ::setenv("XDG_DATA_HOME", "relative/path", 1); // not absolute: ignored, as the XDG rules say
    const char *home = ::getenv("HOME");
    if (home && home[0] == '/') {
        EXPECT_EQ(base::UserDataDir(), std::string(home) + "/.local/share/nekomado/");
    }
}

// Root can write into a directory without write bits, so an unwritable place is a path whose
// parent is a file: nothing can be created there, whoever runs the test.
TEST_F(DataDirTest, WritabilityIsTriedNotGuessed)
{
    ASSERT_TRUE(base::WriteFileAtomic(root + "file", "x"));
    EXPECT_FALSE(base::IsWritableDir(root + "file/sub/"));
    EXPECT_FALSE(base::IsWritableDir(root + "missing/"));
    EXPECT_TRUE(base::IsWritableDir(install));
}

TEST_F(DataDirTest, TheUserDirectoryIsPreparedOnceAndUserChangesSurvive)
{
    const std::string data = root + "xdg/nekomado/";
    base::DataDirChoice choice = base::PrepareUserDataDir(install, data);
    ASSERT_EQ(choice.dir, data);
    EXPECT_TRUE(choice.separate);
    EXPECT_TRUE(choice.error.empty());
    EXPECT_EQ(fs::read_symlink(data + "Hakobune.so"), fs::path(install + "Hakobune.so"));
    EXPECT_EQ(fs::read_symlink(data + "help"), fs::path(install + "help"));
    EXPECT_FALSE(fs::is_symlink(data + "skin"));
    EXPECT_EQ(base::ReadFile(data + "skin/Header.html").value_or(""), "<html>\r\n");

    // The user's edits and the user's own plug-in link survive the next start.
    ASSERT_TRUE(base::WriteFileAtomic(data + "skin/Header.html", "<html mine>\r\n"));
    fs::remove(data + "Hakobune.so");
    fs::create_symlink(install + "skin", data + "Hakobune.so");
    choice = base::PrepareUserDataDir(install, data);
    EXPECT_EQ(base::ReadFile(data + "skin/Header.html").value_or(""), "<html mine>\r\n");
    EXPECT_EQ(fs::read_symlink(data + "Hakobune.so"), fs::path(install + "skin"));

    // An install that moved leaves dangling links: they are renewed.
    fs::remove(data + "help");
    fs::create_symlink(root + "gone/help", data + "help");
    base::PrepareUserDataDir(install, data);
    EXPECT_EQ(fs::read_symlink(data + "help"), fs::path(install + "help"));
}

TEST_F(DataDirTest, AUserDirectoryThatCannotBeMadeIsReported)
{
    ASSERT_TRUE(base::WriteFileAtomic(root + "file", "x"));
    base::DataDirChoice choice = base::PrepareUserDataDir(install, root + "file/nekomado/");
    EXPECT_EQ(choice.dir, install);
    EXPECT_FALSE(choice.separate);
    EXPECT_FALSE(choice.error.empty());
}

} // namespace
