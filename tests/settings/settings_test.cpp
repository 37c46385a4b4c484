#include "settings/settings.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "base/textfile.h"

namespace {

using settings::IniFile;
using settings::Settings;

const std::string kDir = "/opt/nekomado/";

Settings load(std::string_view text, bool full = true)
{
    Settings s;
    settings::LoadSettings(IniFile::Parse(text), s, kDir, full);
    return s;
}

TEST(Settings, NoFileGivesEveryDefault)
{
    Settings s = load("");
    EXPECT_EQ(s, settings::DefaultSettings(kDir));
    EXPECT_TRUE(s.general.online);
    EXPECT_EQ(s.general.msgview, 100);
    EXPECT_EQ(s.path.log, "/opt/nekomado/log");
    EXPECT_EQ(s.path.skin, "/opt/nekomado/skin");
    EXPECT_EQ(s.path.plugin, "/opt/nekomado/Hakobune.so");
    EXPECT_EQ(s.network.threadMax, 5);
    EXPECT_EQ(s.network.timeout, 3000);
    EXPECT_EQ(s.network.dlCount, (std::vector<std::string>{"100", "500", "1000", "5000"}));
    EXPECT_EQ(s.network.dlCountIndex, 1);
    EXPECT_EQ(s.action.ctgClick, 4);
    EXPECT_EQ(s.design.treeFont.height, -13);
    EXPECT_EQ(s.design.thrlstFont.height, -12);
    EXPECT_EQ(s.design.thrlstOdd, 12639424);
    EXPECT_EQ(s.design.thrlstEven, -2147483643);
    EXPECT_EQ(s.design.respopBkColor, -2147483624);
    EXPECT_EQ(s.design.respopFont.color, -2147483640);
    EXPECT_EQ(s.columnWidths, (std::array<int, 8>{20, 30, 200, 50, 50, 50, 110, 110}));
    EXPECT_EQ(s.endpoint.verify, "http://login.yahoo.co.jp/config/verify");
    EXPECT_FALSE(s.form.state.has_value()) << "the window keeps its designed geometry";
}

TEST(Settings, DefaultPathsFollowTheProgramDirectory)
{
    EXPECT_EQ(settings::DefaultSettings("/home/u/nk/").path.log, "/home/u/nk/log");
    EXPECT_EQ(settings::DefaultSettings("/home/u/nk/").path.plugin, "/home/u/nk/Hakobune.so");
}

TEST(Settings, SavingDefaultsWritesACompleteFileThatReadsBackAlike)
{
    Settings s = settings::DefaultSettings(kDir);
    IniFile ini;
    settings::SaveSettings(ini, s);
    for (auto [section, key] : std::vector<std::pair<const char *, const char *>>{
             {"general", "sort"},           {"path", "plugin"},
             {"tab", "thr_style"},          {"tab", "reload"},
             {"design", "respop_font_color"}, {"design", "tree_font_name"},
             {"action", "thrlst_dblclick"}, {"network", "dl_new"},
             {"network", "dl_count"},       {"login", "start"},
             {"form", "pane_height"},       {"form", "ThrLst_visible"},
             {"column", "width7"},          {"conversion", "write"},
             {"endpoint", "domain"},         {"view", "zoom"}})
        EXPECT_TRUE(ini.hasKey(section, key)) << section << " " << key;
    EXPECT_EQ(ini.value("network", "dl_count"), "100,500,1000,5000");
    EXPECT_EQ(ini.value("design", "tree_font_name"), settings::kDefaultFontName);
    EXPECT_EQ(ini.value("design", "thrlst_even"), "-2147483643");

    Settings back;
    settings::LoadSettings(IniFile::Parse(ini.serialize()), back, kDir, true);
    EXPECT_EQ(back, s);
}

TEST(Settings, TheNgChainIsOffUnlessTheFileSaysOn)
{
    EXPECT_FALSE(load("[view]\nzoom=120\n").view.ngChain);
    EXPECT_FALSE(load("[view]\nng_chain=yes\n").view.ngChain) << "an unreadable value keeps the default";
    Settings s = load("[view]\nng_chain=1\n");
    EXPECT_TRUE(s.view.ngChain);
    IniFile ini;
    settings::SaveSettings(ini, s);
    EXPECT_EQ(ini.value("view", "ng_chain"), "1");
}

TEST(Settings, BadValuesFallBackToTheirDefaults)
{
    Settings s = load("[general]\nmsgview=abc\npopres=2\nsort=x\n[network]\nthread_max=\ntimeout=-5\n");
    EXPECT_EQ(s.general.msgview, 100);
    EXPECT_TRUE(s.general.popres);
    EXPECT_FALSE(s.general.sort);
    EXPECT_EQ(s.network.threadMax, 5);
    EXPECT_EQ(s.network.timeout, -5) << "a negative integer is still an integer";

    IniFile ini;
    settings::SaveSettings(ini, s);
    EXPECT_EQ(ini.value("general", "popres"), "1");
    EXPECT_EQ(ini.value("general", "msgview"), "100");
}

TEST(Settings, EverySectionAndFontIsRead)
{
    Settings s = load("[general]\nonline=0\n"
                      "[path]\nbrowser=/usr/bin/firefox\n"
                      "[tab]\nthrlst_width=80\nthr_bottom=1\nmiddle=1\n"
                      "[design]\nrespop_font_name=IPAGothic\nrespop_font_bold=1\nrespop_font_height=-16\n"
                      "respop_font_pitch=2\nrespop_font_color=255\n"
                      "[action]\nctg_click=1\n"
                      "[network]\nproxy=1\nproxy_server=127.0.0.1\nproxy_port=8080\ndl_count_index=0\n"
                      "[login]\nid=taro\npass=p&ss#1\n"
                      "[form]\nform_state=0\nform_top=10\ntype_visible=1\nctg_visible=0\n"
                      "[column]\nwidth2=321\n"
                      "[conversion]\noutput=50\n"
                      "[endpoint]\npost=http://127.0.0.1/post/\n");
    EXPECT_FALSE(s.general.online);
    EXPECT_EQ(s.path.browser, "/usr/bin/firefox");
    EXPECT_EQ(s.tab.topicList.width, 80);
    EXPECT_TRUE(s.tab.topic.bottom);
    EXPECT_FALSE(s.tab.topicList.bottom);
    EXPECT_TRUE(s.tab.middle);
    settings::FontSetting f = s.design.respopFont;
    EXPECT_EQ(f.name, "IPAGothic");
    EXPECT_TRUE(f.bold);
    EXPECT_FALSE(f.italic);
    EXPECT_EQ(f.height, -16);
    EXPECT_EQ(f.pitch, 2);
    EXPECT_EQ(f.color, 255);
    EXPECT_EQ(s.design.thrlstFont, settings::FontSetting{}) << "other fonts untouched";
    EXPECT_EQ(s.action.ctgClick, 1);
    EXPECT_TRUE(s.network.proxy);
    EXPECT_EQ(s.network.proxyServer, "127.0.0.1");
    EXPECT_EQ(s.network.proxyPort, 8080);
    EXPECT_EQ(s.network.dlCountIndex, 0);
    EXPECT_EQ(s.login.pass, "p&ss#1");
    EXPECT_EQ(s.form.state, 0);
    EXPECT_EQ(s.form.top, 10);
    EXPECT_FALSE(s.form.left.has_value());
    EXPECT_TRUE(s.form.typeVisible);
    EXPECT_FALSE(s.form.ctgVisible);
    EXPECT_EQ(s.columnWidths[2], 321);
    EXPECT_EQ(s.columnWidths[3], 50);
    EXPECT_EQ(s.conversion.output, 50);
    EXPECT_EQ(s.endpoint.post, "http://127.0.0.1/post/");
    EXPECT_EQ(s.endpoint.login, "http://login.yahoo.co.jp/");
}

TEST(Settings, TheSameKeyNameInTabAndFormIsTwoSettings)
{
    Settings s = load("[tab]\nthrlst_width=90\n[form]\nthrlst_width=400\n");
    EXPECT_EQ(s.tab.topicList.width, 90);
    EXPECT_EQ(s.form.thrlstWidth, 400);
}

TEST(Settings, UnknownKeysAndSectionsSurviveASave)
{
    IniFile ini = IniFile::Parse("[mine]\nfoo=bar\n[general]\nmsgview=20\nextra=1\n");
    Settings s;
    settings::LoadSettings(ini, s, kDir, true);
    s.general.msgview = 30;
    settings::SaveSettings(ini, s);
    IniFile back = IniFile::Parse(ini.serialize());
    EXPECT_EQ(back.value("mine", "foo"), "bar");
    EXPECT_EQ(back.value("general", "extra"), "1");
    EXPECT_EQ(back.value("general", "msgview"), "30");
}

TEST(Settings, MaximisedWindowKeepsItsLastNormalPosition)
{
    IniFile ini = IniFile::Parse("[form]\nform_state=0\nform_top=11\nform_left=12\nform_height=600\nform_width=800\n");
    Settings s;
    settings::LoadSettings(ini, s, kDir, true);
    s.form.state = 2;
    s.form.top = 0;
    s.form.left = 0;
    s.form.height = 1200;
    s.form.width = 1600;
    settings::SaveSettings(ini, s);
    EXPECT_EQ(ini.value("form", "form_state"), "2");
    EXPECT_EQ(ini.value("form", "form_top"), "11");
    EXPECT_EQ(ini.value("form", "form_width"), "800");
}

TEST(Settings, BandLayoutIsReadOnlyByTheFullLoad)
{
    IniFile ini = IniFile::Parse("[coolbar]\nmain_band0_id=1\nmain_band0=300\nmain_band0_break=0\n"
                                 "main_band1_id=0\nmain_band1=500\nmain_band1_break=1\n"
                                 "thr_band0_id=0\n");
    Settings s;
    settings::LoadSettings(ini, s, kDir, false);
    EXPECT_TRUE(s.coolbar.main.empty());
    settings::LoadSettings(ini, s, kDir, true);
    ASSERT_EQ(s.coolbar.main.size(), 2u);
    EXPECT_EQ(s.coolbar.main[0], (settings::BandLayout{1, 300, false}));
    EXPECT_EQ(s.coolbar.main[1], (settings::BandLayout{0, 500, true}));
    ASSERT_EQ(s.coolbar.thr.size(), 1u);
    EXPECT_FALSE(s.coolbar.thr[0].width.has_value()) << "missing width keeps the band's own";

    settings::LoadSettings(IniFile(), s, kDir, false);
    EXPECT_EQ(s.coolbar.main.size(), 2u) << "the plain load leaves the band layout alone";

    IniFile out;
    settings::SaveSettings(out, s);
    EXPECT_EQ(out.value("coolbar", "main_band1_break"), "1");
    EXPECT_EQ(out.value("coolbar", "main_band0_id"), "1");
}

TEST(CommaList, ItemsWithBlanksCommasAndQuotesRoundTrip)
{
    std::vector<std::string> items = {"100", "two words", "a,b", "say \"hi\"", "", "5000"};
    std::string text = settings::FormatCommaList(items);
    EXPECT_EQ(text, "100,\"two words\",\"a,b\",\"say \"\"hi\"\"\",\"\",5000");
    EXPECT_EQ(settings::ParseCommaList(text), items);
}

TEST(CommaList, UnquotedBlanksSeparateLikeCommas)
{
    EXPECT_EQ(settings::ParseCommaList("100 500,1000 , 5000"),
              (std::vector<std::string>{"100", "500", "1000", "5000"}));
    EXPECT_EQ(settings::ParseCommaList("  "), std::vector<std::string>{});
    EXPECT_EQ(settings::ParseCommaList("\"unterminated"), std::vector<std::string>{"unterminated"});
    EXPECT_EQ(settings::ParseCommaList("a,"), (std::vector<std::string>{"a", ""}));
}

TEST(Settings, FileIsWrittenPrivately)
{
    std::string dir = (std::filesystem::temp_directory_path() / "nk-settings-XXXXXX").string();
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    std::string path = dir + "/" + settings::kSettingsFileName;
    IniFile ini;
    Settings s = settings::DefaultSettings(dir + "/");
    s.login.pass = "secret";
    settings::SaveSettings(ini, s);
    ASSERT_TRUE(ini.save(path, settings::kSettingsFileMode));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u) << "the password must not be readable by others";
    Settings back;
    settings::LoadSettings(IniFile::Load(path), back, dir + "/", true);
    EXPECT_EQ(back, s);
    std::filesystem::remove_all(dir);
}

} // namespace

namespace {

TEST(Settings, EndpointBasesWithoutTheirFinalSlashGetIt)
{
    Settings s = load("[endpoint]\npost=http://p.example\nlogin=http://h\nprofile=http://pr/u\n"
                      "verify=http://h/config/verify\ndomain=example.jp\n");
    EXPECT_EQ(s.endpoint.post, "http://p.example/");
    EXPECT_EQ(s.endpoint.login, "http://h/");
    EXPECT_EQ(s.endpoint.profile, "http://pr/u/");
    EXPECT_EQ(s.endpoint.verify, "http://h/config/verify") << "a full URL, not a base";
    EXPECT_EQ(s.endpoint.domain, "example.jp");
}

} // namespace
