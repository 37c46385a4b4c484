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

TEST_F(NgFiles, FilesTheProgramWroteSurviveALoadAndASaveByteForByte)
{
    // Sorted as the lists sort, CR LF after every entry: full-width letters, a trail byte 0x5C
    // ("表示"), blanks and a tab inside entries, and an empty entry.
    const std::string names = "\r\nAlice\r\nbob smith\r\n\x82\x60\x82\x61\r\n";
    const std::string titles = "\x95\x5c\x8e\xa6\r\n";
    const std::string words = "a\tb\r\nword \r\n";
    ASSERT_TRUE(base::WriteFileAtomic(m_dir + "/NG_Name.txt", names));
    ASSERT_TRUE(base::WriteFileAtomic(m_dir + "/NG_Title.txt", titles));
    ASSERT_TRUE(base::WriteFileAtomic(m_dir + "/NG_Word.txt", words));
    settings::NgLists lists;
    settings::LoadNgLists(m_dir, lists);
    ASSERT_EQ(lists.names.size(), 4u);
    EXPECT_EQ(lists.names[0], "") << "the empty line is an entry";
    ASSERT_TRUE(settings::SaveNgLists(m_dir, lists));
    EXPECT_EQ(*base::ReadFile(m_dir + "/NG_Name.txt"), names);
    EXPECT_EQ(*base::ReadFile(m_dir + "/NG_Title.txt"), titles);
    EXPECT_EQ(*base::ReadFile(m_dir + "/NG_Word.txt"), words);

    settings::NgLists again;
    settings::LoadNgLists(m_dir, again);
    EXPECT_EQ(again.names.items(), lists.names.items());
    EXPECT_EQ(again.words.items(), lists.words.items());
}

TEST_F(NgFiles, RegexFilesAreWrittenOnlyWhenTheyHoldEntriesOrExisted)
{
    settings::NgLists lists;
    ASSERT_TRUE(settings::SaveNgLists(m_dir, lists));
    for (const char *name : {settings::kNgNameRegexFile, settings::kNgTitleRegexFile, settings::kNgWordRegexFile})
        EXPECT_FALSE(base::FileExists(m_dir + "/" + name)) << name << ": a user who never adds one gets none";

    lists.wordRegex.add("^buy.*now$");
    lists.nameRegex.add("bot\\d+");
    ASSERT_TRUE(settings::SaveNgLists(m_dir, lists));
    EXPECT_EQ(*base::ReadFile(m_dir + "/NG_WordRegex.txt"), "^buy.*now$\r\n");
    EXPECT_EQ(*base::ReadFile(m_dir + "/NG_NameRegex.txt"), "bot\\d+\r\n");
    EXPECT_FALSE(base::FileExists(m_dir + "/NG_TitleRegex.txt"));
    EXPECT_EQ(*base::ReadFile(m_dir + "/NG_Word.txt"), "") << "the plain word list keeps its own file";

    settings::NgLists loaded;
    settings::LoadNgLists(m_dir, loaded);
    EXPECT_EQ(loaded.wordRegex.items(), lists.wordRegex.items());
    EXPECT_EQ(loaded.nameRegex.items(), lists.nameRegex.items());
    EXPECT_TRUE(loaded.words.items().empty());

    loaded.wordRegex.assign({});
    ASSERT_TRUE(settings::SaveNgLists(m_dir, loaded));
    EXPECT_EQ(*base::ReadFile(m_dir + "/NG_WordRegex.txt"), "") << "an emptied list empties its file";
    settings::NgLists again;
    again.wordRegex.add("stale");
    settings::LoadNgLists(m_dir, again);
    EXPECT_TRUE(again.wordRegex.items().empty());
}

} // namespace
