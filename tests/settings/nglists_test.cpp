#include "settings/nglists.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "base/textfile.h"

namespace {

class NgFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "nk-ng-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        m_dir = tmpl;
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string m_dir;
};

TEST_F(NgFiles, MissingFilesLeaveTheListsAsTheyAre)
{
    settings::NgLists lists;
    lists.names.add("keep");
    ASSERT_TRUE(base::WriteLines(m_dir + "/NG_Word.txt", {"spam", "", "SPAM", "eggs"}));
    settings::LoadNgLists(m_dir, lists);
    EXPECT_EQ(lists.names.items(), std::vector<std::string>{"keep"});
    EXPECT_EQ(lists.words.items(), (std::vector<std::string>{"", "eggs", "spam"}))
        << "sorted, one of spam/SPAM, the empty line an empty entry";
}

TEST_F(NgFiles, SaveWritesAllThreeAlsoWhenEmptyAndLoadReplaces)
{
    settings::NgLists lists;
    lists.titles.add("\x83\x65\x83\x58\x83\x67"); // テスト
    ASSERT_TRUE(settings::SaveNgLists(m_dir, lists));
    EXPECT_EQ(*base::ReadFile(m_dir + "/NG_Name.txt"), "");
    EXPECT_EQ(*base::ReadFile(m_dir + "/NG_Title.txt"), "\x83\x65\x83\x58\x83\x67\r\n");
    EXPECT_EQ(*base::ReadFile(m_dir + "/NG_Word.txt"), "");

    settings::NgLists back;
    back.names.add("stale");
    settings::LoadNgLists(m_dir, back);
    EXPECT_TRUE(back.names.empty()) << "an existing empty file replaces the list";
    EXPECT_EQ(back.titles.items(), lists.titles.items());
}

TEST_F(NgFiles, SaveReportsAFailedWrite)
{
    settings::NgLists lists;
    EXPECT_FALSE(settings::SaveNgLists(m_dir + "/missing-dir", lists));
}

} // namespace
