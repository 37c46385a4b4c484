// The settings dialog's rules without its widgets: every key from the file into the controls
// and back, the fallbacks, the count list and the gesture bindings.
#include "settings/settingdlgmodel.h"

#include <gtest/gtest.h>

using settings::DialogFields;
using settings::IniFile;

namespace {

const std::string kDir = "/opt/nekomado/";
const std::string kDown = "\x81\xab", kRight = "\x81\xa8", kUp = "\x81\xaa";

/// Every key the dialog edits, none at its default.
const char kEdited[] = "[general]\r\nonline=0\r\nmsgview=50\r\npopres=0\r\nyahoourl=0\r\ntree_opennode=1\r\n"
                       "tree_guide=0\r\ntree_buttons=0\r\nsort=1\r\n"
                       "[path]\r\nbrowser=/usr/bin/b\r\nlog=/l\r\nskin=/s\r\nplugin=/p.so\r\n"
                       "[tab]\r\nthrlst_width=80\r\nthrlst_height=20\r\nthrlst_bottom=1\r\nthrlst_style=1\r\n"
                       "thr_width=90\r\nthr_height=21\r\nthr_bottom=1\r\nthr_style=2\r\nthrlst_favorite=0\r\n"
                       "icon=1\r\nrestoration=1\r\nmulti=1\r\nwheel=0\r\nmiddle=1\r\nreload=1\r\n"
                       "[design]\r\ntree_background=1\r\ntree_font_name=A\r\ntree_font_height=-20\r\n"
                       "thrlst_background=2\r\nthrlst_font_bold=1\r\nthrlst_sep=1\r\nthrlst_odd=3\r\n"
                       "thrlst_even=4\r\nrespop_bk_color=5\r\nrespop_font_italic=1\r\n"
                       "[action]\r\nctg_click=1\r\nctg_dblclick=2\r\nthrlst_click=3\r\nthrlst_dblclick=4\r\n"
                       "[network]\r\nproxy=1\r\nproxy_server=px\r\nproxy_port=8080\r\nthread_max=7\r\nretry=4\r\n"
                       "resretry=2\r\ntimeout=5000\r\nposttimeout=6000\r\ndl_count=10,20\r\ndl_count_index=2\r\n"
                       "dl_new=1\r\n"
                       "[login]\r\nid=me\r\npass=pw\r\nhide=1\r\nstart=1\r\n"
                       "[conversion]\r\noutput=7\r\nwrite=1\r\n";

settings::Settings load(const std::string &text)
{
    settings::Settings s = settings::DefaultSettings(kDir);
    settings::LoadSettings(IniFile::Parse(text), s, kDir, true);
    return s;
}

TEST(SettingDialogFields, EveryKeyIsShownAndAnUnchangedDialogWritesTheFileBackAlike)
{
    settings::Settings s = load(kEdited);
    DialogFields f = settings::FieldsFromSettings(s);
    EXPECT_EQ(f.viewMsg, "50");
    EXPECT_EQ(f.thrlstWidth, "80");
    EXPECT_EQ(f.thrlstHeight, "20");
    EXPECT_EQ(f.thrWidth, "90");
    EXPECT_EQ(f.thrHeight, "21");
    EXPECT_EQ(f.proxyPort, "8080");
    EXPECT_EQ(f.threadMax, "7");
    EXPECT_EQ(f.retry, "4");
    EXPECT_EQ(f.timeout, "5000");
    EXPECT_EQ(f.resRetry, "2");
    EXPECT_EQ(f.postTimeout, "6000");
    EXPECT_EQ(f.values.design.treeFont.name, "A");
    EXPECT_TRUE(f.values.login.hide);
    EXPECT_EQ(f.values.action.thrlstClick, 3);

    settings::Settings after = s;
    settings::ApplyFields(f, after);
    EXPECT_EQ(after, s) << "confirming without a change changes nothing";
    IniFile before = IniFile::Parse(kEdited);
    IniFile written = before;
    settings::SaveSettings(written, after);
    IniFile reference = before;
    settings::SaveSettings(reference, s);
    EXPECT_EQ(written.serialize(), reference.serialize());
}

TEST(SettingDialogFields, EveryEditedControlReachesItsKey)
{
    settings::Settings s = load("");
    DialogFields f = settings::FieldsFromSettings(s);
    // Change every control the way a user would.
    f.viewMsg = "30";
    f.values.general.popres = false;
    f.values.general.yahoourl = false;
    f.values.general.treeOpenNode = true;
    f.values.general.treeGuide = false;
    f.values.general.treeButtons = false;
    f.values.general.sort = true;
    f.values.path = {"/b", "/l/", "/s//", "/p.so"};
    f.thrlstWidth = "11";
    f.thrlstHeight = "12";
    f.thrWidth = "13";
    f.thrHeight = "14";
    f.values.tab.topicList.bottom = true;
    f.values.tab.topicList.style = 2;
    f.values.tab.topic.bottom = true;
    f.values.tab.topic.style = 1;
    f.values.tab.thrlstFavorite = false;
    f.values.tab.icon = true;
    f.values.tab.restoration = true;
    f.values.tab.multi = true;
    f.values.tab.wheel = false;
    f.values.tab.middle = true;
    f.values.tab.reload = true;
    f.values.design.treeBackground = 0x102030;
    f.values.design.treeFont.name = "T";
    f.values.design.thrlstBackground = 0x405060;
    f.values.design.thrlstFont.height = -30;
    f.values.design.thrlstSep = true;
    f.values.design.thrlstOdd = 1;
    f.values.design.thrlstEven = 2;
    f.values.design.respopBkColor = 3;
    f.values.design.respopFont.underline = true;
    f.values.action = {0, 1, 2, 3};
    f.values.network.proxy = true;
    f.values.network.proxyServer = "proxy";
    f.proxyPort = "3128";
    f.threadMax = "2";
    f.retry = "9";
    f.timeout = "100";
    f.resRetry = "8";
    f.postTimeout = "200";
    f.values.network.dlNew = true;
    f.values.login = {"id", "pw", true, true};
    settings::ApplyFields(f, s);

    IniFile ini;
    settings::SaveSettings(ini, s);
    const std::pair<const char *, const char *> keys[] = {
        {"msgview", "30"},   {"popres", "0"},       {"yahoourl", "0"}, {"tree_opennode", "1"},
        {"tree_guide", "0"}, {"tree_buttons", "0"}, {"sort", "1"}};
    for (auto &[key, value] : keys)
        EXPECT_EQ(ini.value("general", key), value) << key;
    EXPECT_EQ(ini.value("path", "browser"), "/b");
    EXPECT_EQ(ini.value("path", "log"), "/l") << "one trailing separator goes";
    EXPECT_EQ(ini.value("path", "skin"), "/s/") << "only one";
    EXPECT_EQ(ini.value("path", "plugin"), "/p.so");
    const std::pair<const char *, const char *> tabs[] = {
        {"thrlst_width", "11"},   {"thrlst_height", "12"}, {"thrlst_bottom", "1"}, {"thrlst_style", "2"},
        {"thr_width", "13"},      {"thr_height", "14"},    {"thr_bottom", "1"},    {"thr_style", "1"},
        {"thrlst_favorite", "0"}, {"icon", "1"},           {"restoration", "1"},   {"multi", "1"},
        {"wheel", "0"},           {"middle", "1"},         {"reload", "1"}};
    for (auto &[key, value] : tabs)
        EXPECT_EQ(ini.value("tab", key), value) << key;
    const std::pair<const char *, const char *> design[] = {
        {"tree_background", "1056816"}, {"tree_font_name", "T"},  {"thrlst_background", "4214880"},
        {"thrlst_font_height", "-30"},  {"thrlst_sep", "1"},      {"thrlst_odd", "1"},
        {"thrlst_even", "2"},           {"respop_bk_color", "3"}, {"respop_font_underline", "1"}};
    for (auto &[key, value] : design)
        EXPECT_EQ(ini.value("design", key), value) << key;
    EXPECT_EQ(ini.value("action", "ctg_click"), "0");
    EXPECT_EQ(ini.value("action", "ctg_dblclick"), "1");
    EXPECT_EQ(ini.value("action", "thrlst_click"), "2");
    EXPECT_EQ(ini.value("action", "thrlst_dblclick"), "3");
    const std::pair<const char *, const char *> network[] = {
        {"proxy", "1"},     {"proxy_server", "proxy"}, {"proxy_port", "3128"}, {"thread_max", "2"}, {"retry", "9"},
        {"timeout", "100"}, {"resretry", "8"},         {"posttimeout", "200"}, {"dl_new", "1"}};
    for (auto &[key, value] : network)
        EXPECT_EQ(ini.value("network", key), value) << key;
    EXPECT_EQ(ini.value("login", "id"), "id");
    EXPECT_EQ(ini.value("login", "pass"), "pw");
    EXPECT_EQ(ini.value("login", "hide"), "1");
    EXPECT_EQ(ini.value("login", "start"), "1");
}

TEST(SettingDialogFields, WhatTheDialogDoesNotShowIsLeftAlone)
{
    settings::Settings s = load(kEdited);
    s.form.width = 640;
    DialogFields f = settings::FieldsFromSettings(s);
    f.values.general.online = true;
    f.values.network.dlCount = {"1"};
    f.values.network.dlCountIndex = 0;
    f.values.conversion.output = 1;
    f.values.form.width = 1;
    f.values.endpoint.post = "x";
    settings::Settings after = s;
    settings::ApplyFields(f, after);
    EXPECT_FALSE(after.general.online) << "the online mode is the command's";
    EXPECT_EQ(after.network.dlCount, (std::vector<std::string>{"10", "20"}));
    EXPECT_EQ(after.network.dlCountIndex, 2);
    EXPECT_EQ(after.conversion, s.conversion);
    EXPECT_EQ(after.form, s.form);
    EXPECT_EQ(after.endpoint, s.endpoint);
}

TEST(SettingDialogFields, NumbersThatDoNotParseFallBack)
{
    settings::Settings s = load(kEdited);
    DialogFields f = settings::FieldsFromSettings(s);
    for (std::string *edit : {&f.viewMsg, &f.thrlstWidth, &f.thrlstHeight, &f.thrWidth, &f.thrHeight, &f.proxyPort,
                              &f.threadMax, &f.retry, &f.timeout, &f.resRetry, &f.postTimeout})
        *edit = "abc";
    EXPECT_EQ(settings::ValidateFields(f), std::nullopt) << "letters take the fallback, nothing to refuse";
    settings::ApplyFields(f, s);
    EXPECT_EQ(s.general.msgview, 100);
    EXPECT_EQ(s.tab.topicList.width, 0);
    EXPECT_EQ(s.tab.topicList.height, 0);
    EXPECT_EQ(s.tab.topic.width, 0);
    EXPECT_EQ(s.tab.topic.height, 0);
    EXPECT_EQ(s.network.proxyPort, 0);
    EXPECT_EQ(s.network.threadMax, 5);
    EXPECT_EQ(s.network.retry, 3);
    EXPECT_EQ(s.network.timeout, 3000);
    EXPECT_EQ(s.network.resretry, 1);
    EXPECT_EQ(s.network.posttimeout, 3000);
}

TEST(SettingDialogFields, AThreadMaxOfZeroOrLessIsRefusedAndTheOldValueKept)
{
    settings::Settings s = load(kEdited);
    for (const char *bad : {"0", "-3"}) {
        DialogFields f = settings::FieldsFromSettings(s);
        f.threadMax = bad;
        EXPECT_TRUE(settings::ValidateFields(f).has_value()) << bad;
        settings::Settings after = s;
        settings::ApplyFields(f, after);
        EXPECT_EQ(after.network.threadMax, 7) << bad;
    }
}

TEST(DlCounts, AddingKeepsOneOfEachAndRefusesWhatIsNotACount)
{
    settings::DlCountEditor e({"100", "500"}, 1);
    EXPECT_EQ(e.add("100"), std::nullopt);
    EXPECT_EQ(e.add(" 250"), std::nullopt);
    EXPECT_EQ(e.items(), (std::vector<std::string>{"100", "500", " 250"}));
    for (const char *bad : {"abc", "", "0", "-5", "12x"})
        EXPECT_TRUE(e.add(bad).has_value()) << bad;
    EXPECT_EQ(e.items().size(), 3u);
}

TEST(DlCounts, DeletingKeepsTheIndexOnItsCountAndRefusesTheSelectedOne)
{
    settings::DlCountEditor e({"100", "500", "1000"}, 3);
    EXPECT_TRUE(e.remove("1000").has_value()) << "the count in use cannot go";
    EXPECT_EQ(e.remove("100"), std::nullopt);
    EXPECT_EQ(e.items(), (std::vector<std::string>{"500", "1000"}));
    EXPECT_EQ(e.selectedIndex(), 2) << "still on 1000";
    EXPECT_EQ(e.remove("700"), std::nullopt);
    EXPECT_EQ(e.items().size(), 2u);

    settings::DlCountEditor all({"100"}, 0);
    EXPECT_EQ(all.remove("100"), std::nullopt);
    EXPECT_EQ(all.selectedIndex(), 0) << "all messages stays all messages";
    settings::DlCountEditor past({"100", "500"}, 9);
    EXPECT_EQ(past.selectedIndex(), 2) << "an index past the list names the last count";
}

std::vector<settings::ActionInfo> actions()
{
    return {{"ThrReload", "T", "reload", true},
            {"ThrStop", "T", "stop", true},
            {"Hidden", "T", "hidden", false},
            {"CtgUpdate", "C", "update", true}};
}

TEST(GestureEditor, ArrowsNeverRepeatTheLastCharacter)
{
    using settings::GestureEditor;
    using T = settings::TMouseGestureType;
    std::string g = GestureEditor::AppendArrow("", T::mgDown);
    g = GestureEditor::AppendArrow(g, T::mgDown);
    EXPECT_EQ(g, kDown);
    g = GestureEditor::AppendArrow(g, T::mgRight);
    g = GestureEditor::AppendArrow(g, T::mgDown);
    EXPECT_EQ(g, kDown + kRight + kDown);
    // "\x88\x81" is one character whose trail byte looks like the lead of an arrow.
    EXPECT_EQ(GestureEditor::AppendArrow("\x88\x81\xab", T::mgDown), "\x88\x81\xab" + kDown);
}

TEST(GestureEditor, CategoriesAndVisibleActionsInListOrder)
{
    settings::GestureEditor e(actions(), {});
    EXPECT_EQ(e.categories(), (std::vector<std::string>{"T", "C"}));
    auto offered = e.actionsOf("T");
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_EQ(offered[0]->name, "ThrReload");
    EXPECT_EQ(offered[1]->name, "ThrStop");
}

TEST(GestureEditor, AddingWithAPlaceReusesTheRowOfTheSameKey)
{
    settings::GestureEditor e(actions(), {});
    auto a = e.add(2, kDown, e.findAction("ThrReload"));
    EXPECT_EQ(a.row, 0);
    EXPECT_EQ(e.rows()[0].key, std::string("\x81\x9b") + kDown);
    auto b = e.add(2, kDown, e.findAction("ThrStop"));
    EXPECT_EQ(b.row, 0);
    ASSERT_EQ(e.rows().size(), 1u);
    EXPECT_EQ(e.rows()[0].action, "ThrStop");
    EXPECT_EQ(e.actionCaption(0), "stop");
    e.add(0, "WheelUp", e.findAction("CtgUpdate"));
    e.add(1, kUp, e.findAction("CtgUpdate"));
    e.add(3, kUp, e.findAction("CtgUpdate"));
    ASSERT_EQ(e.rows().size(), 4u);
    EXPECT_EQ(e.rows()[1].key, "WheelUp");
    EXPECT_EQ(e.rows()[2].key, "\x81\xa0" + kUp);
    EXPECT_EQ(e.rows()[3].key, "\x81\xa2" + kUp);
}

TEST(GestureEditor, NoGestureDoesNothingAndNoActionIsRefused)
{
    settings::GestureEditor e(actions(), {});
    auto empty = e.add(0, "", e.findAction("ThrReload"));
    EXPECT_EQ(empty.row, -1);
    EXPECT_FALSE(empty.refusal);
    auto none = e.add(0, kDown, nullptr);
    EXPECT_EQ(none.row, -1);
    EXPECT_TRUE(none.refusal.has_value());
    EXPECT_TRUE(e.rows().empty());
}

TEST(GestureEditor, BindingsReadAreKeptEvenForHiddenOrUnknownActions)
{
    settings::GestureEditor e(actions(), {{"WheelUp", "Hidden"}, {"WheelDown", "Gone"}, {kDown, "ThrStop"}});
    EXPECT_EQ(e.actionCaption(0), "hidden");
    EXPECT_EQ(e.actionCaption(1), "Gone") << "an unknown name is shown and kept as it is";
    e.remove(1);
    e.remove(7);
    ASSERT_EQ(e.rows().size(), 2u);
    EXPECT_EQ(e.rows()[0].action, "Hidden");
    EXPECT_EQ(e.rows()[1].action, "ThrStop");
}

} // namespace
