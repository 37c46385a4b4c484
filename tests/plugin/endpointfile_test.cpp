// Hakobune.ini beside the module sets the servers the plug-in expects its pages from.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/plugin/pluginmodule.h"

namespace {

namespace fs = std::filesystem;
using plugintest::MakeRequest;
using plugintest::PluginModule;

/// A copy of the module in a fresh directory, so that it loads as a library of its own and
/// reads the settings file placed beside it.
class ModuleCopy : public testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("hakobune-ini-" + std::to_string(::getpid()) + "-" +
                                             testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        fs::copy_file(plugintest::kModulePath, m_dir / "Hakobune.so");
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }
    void writeIni(const std::string &text)
    {
        std::ofstream(m_dir / "Hakobune.ini", std::ios::binary) << text;
    }
    PluginModule load() { return PluginModule::load((m_dir / "Hakobune.so").string()); }

    fs::path m_dir;
};

TEST_F(ModuleCopy, ReadsBoardAndProfileServersFromTheIniBesideIt)
{
    writeIni("; substitute server\r\n[other]\r\nboard=http://wrong/\r\n[Endpoint]\r\n"
             "board = http://127.0.0.1/boards/\r\nprofile=http://127.0.0.1/people\r\n");
    const PluginModule m = load();
    ASSERT_TRUE(m.complete());
    PluginInfo info{};
    ASSERT_EQ(m.info(&info), 1);
    EXPECT_STREQ(info.baseUrl, "http://127.0.0.1/boards/");

    // Pages are accepted from the configured board server only, and links are made absolute
    // against it.
    std::vector<CategoryRecord> records(plugin_api::kMaxCategoryRecords);
    const char *page = "<a href=/Arts/><strong>Arts</strong></a>";
    const FetchRequest offsite = MakeRequest("http://messages.yahoo.co.jp/");
    EXPECT_EQ(m.parseCategory(records.data(), &offsite, "", page), 0);
    const FetchRequest onsite = MakeRequest("http://127.0.0.1/boards/");
    ASSERT_EQ(m.parseCategory(records.data(), &onsite, "", page), 1);
    EXPECT_STREQ(records[0].url, "http://127.0.0.1/boards/Arts/index.html");

    // The author link is found by the configured profile server, with its "/" added.
    const char *message = "<big><b>t</b></big><td align=right><small>2003/05/12 14:33<br>No: 2 / 3<"
                          "<a href=\"http://127.0.0.1/people/taro\">taro</a><p>\nhello\n</td><small>&nbsp;</small>";
    MessageRecord record{};
    const FetchRequest messageUrl = MakeRequest("http://127.0.0.1/boards/bbs?action=m&mid=2");
    ASSERT_EQ(m.parseThread(&record, &messageUrl, "", message), 1);
    EXPECT_STREQ(record.author, "taro");
    EXPECT_STREQ(record.text, "hello");
}

TEST_F(ModuleCopy, KeepsTheDefaultsWithoutAnIni)
{
    const PluginModule m = load();
    ASSERT_TRUE(m.complete());
    PluginInfo info{};
    ASSERT_EQ(m.info(&info), 1);
    EXPECT_STREQ(info.baseUrl, "http://messages.yahoo.co.jp/");
}

} // namespace
