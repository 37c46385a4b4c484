#include "ui/actionlist.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <set>

#include "ui/images.h"

namespace {

int argc = 1;
char arg0[] = "ui_actions_test";
char *argv[] = {arg0, nullptr};

class Actions : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }
    void SetUp() override { list.create(ui::MainActionSpecs(), ui::image::MakeImageList()); }
    ui::ActionList list;
};

TEST_F(Actions, EveryActionHasAUniqueNameAKnownCategoryAndACaption)
{
    std::set<std::string> categories = {"ファイル", "カテゴリ一覧", "スレッド一覧", "スレッド", "表示", "ツール", "ヘルプ"};
    std::set<std::string> names;
    for (const ui::ActionSpec &spec : ui::MainActionSpecs()) {
        EXPECT_TRUE(names.insert(spec.name).second) << spec.name;
        EXPECT_TRUE(categories.count(spec.category)) << spec.name;
        EXPECT_NE(std::string(spec.caption), "") << spec.name;
    }
    EXPECT_EQ(list.names().size(), names.size());
    EXPECT_EQ(list.action("ThrActiveClose")->shortcut().toString(), "Ctrl+W");
    EXPECT_EQ(list.action("WindowThr")->shortcut().toString(), "F8");
    EXPECT_EQ(list.category("CtgSearch"), QString::fromUtf8("カテゴリ一覧"));
    EXPECT_EQ(list.action("ThrRes")->toolTip(), QString::fromUtf8("レス")) << "hint drops the access key";
}

TEST_F(Actions, AnActionWithoutBehaviourStaysDisabledWhateverItsUpdateSays)
{
    list.setUpdate("ThrStop", [](QAction &a) { a.setEnabled(true); });
    list.updateAll();
    EXPECT_FALSE(list.action("ThrStop")->isEnabled());
    EXPECT_FALSE(list.run("ThrStop"));

    int runs = 0;
    list.setExecute("ThrStop", [&] { ++runs; });
    list.updateAll();
    EXPECT_TRUE(list.action("ThrStop")->isEnabled());
    EXPECT_TRUE(list.run("ThrStop"));
    EXPECT_EQ(runs, 1);
}

TEST_F(Actions, RunChecksTheUpdateRuleFirstAndTogglesCheckableActions)
{
    bool allowed = false;
    int runs = 0;
    list.setExecute("FileOnline", [&] { ++runs; });
    list.setUpdate("FileOnline", [&](QAction &a) { a.setEnabled(allowed); });
    EXPECT_FALSE(list.run("FileOnline"));
    EXPECT_EQ(runs, 0);
    allowed = true;
    bool before = list.action("FileOnline")->isChecked();
    EXPECT_TRUE(list.run("FileOnline"));
    EXPECT_EQ(runs, 1);
    EXPECT_NE(list.action("FileOnline")->isChecked(), before);
    EXPECT_FALSE(list.run("NoSuchAction"));
}

} // namespace
