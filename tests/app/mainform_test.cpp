#include "app/mainform.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSplitter>
#include <QToolBar>
#include <QTreeWidget>
#include <QWheelEvent>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "base/textfile.h"
#include "help/help.h"
#include "help/helpwindow.h"
#include "net/pipeline.h"
#include "settings/inifile.h"
#include "ui/panes.h"
#include "ui/statusbar.h"

namespace fs = std::filesystem;

namespace {

int argc = 1;
char arg0[] = "app_mainform_test";
char *argv[] = {arg0, nullptr};

class MainFormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "nk-app-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir = tmpl + "/";
    }
    void TearDown() override { fs::remove_all(dir); }

    void installPlugin(const char *from) { fs::copy_file(from, dir + "Hakobune.so"); }
    void installHelp() { fs::copy(NK_PROGRAM_DIR "/help", dir + "help", fs::copy_options::recursive); }
    void writeIni(const std::string &text) { ASSERT_TRUE(base::WriteFileAtomic(dir + "nekomado.ini", text)); }
    std::unique_ptr<TMainForm> makeForm()
    {
        return std::make_unique<TMainForm>(dir, [this](const QString &caption, const QString &text) {
            messages.push_back((caption + "|" + text).toStdString());
        });
    }
    settings::IniFile savedIni() const { return settings::IniFile::Load(dir + "nekomado.ini"); }

    std::string dir;
    std::vector<std::string> messages;
};

TEST_F(MainFormTest, NormalStartAndShutdownWriteACompletePrivateSettingsFile)
{
    installPlugin(NK_FAKE_PLUGIN);
    installHelp();
    {
        auto form = makeForm();
        ASSERT_TRUE(form->FormCreate());
        EXPECT_NE(form->plugin(), nullptr);
        EXPECT_EQ(form->windowTitle(), "Nekomado");
        EXPECT_EQ(form->statusPanels().progressBar()->maximum(), 5) << "thread_max applied";
    }
    EXPECT_TRUE(messages.empty());
    settings::IniFile ini = savedIni();
    for (auto [section, key] : std::vector<std::pair<const char *, const char *>>{
             {"general", "online"}, {"network", "dl_count"}, {"form", "form_state"}, {"form", "ctg_width"},
             {"form", "type_visible"}, {"coolbar", "main_band2_id"}, {"coolbar", "thr_band1_id"},
             {"column", "width7"}, {"endpoint", "verify"}})
        EXPECT_TRUE(ini.hasKey(section, key)) << section << " " << key;
    struct stat st {};
    ASSERT_EQ(::stat((dir + "nekomado.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u);
    EXPECT_TRUE(base::FileExists(dir + "NG_Name.txt"));
    EXPECT_TRUE(base::FileExists(dir + "NG_Word.txt"));
}

TEST_F(MainFormTest, AMissingOrUnusablePluginEndsStartUpWithTheMessage)
{
    for (const char *plugin : {static_cast<const char *>(nullptr), NK_FAKE_PLUGIN_NOINIT}) {
        messages.clear();
        fs::remove(dir + "Hakobune.so");
        if (plugin)
            installPlugin(plugin);
        {
            auto form = makeForm();
            EXPECT_FALSE(form->FormCreate());
            EXPECT_EQ(form->plugin(), nullptr);
        }
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_EQ(messages[0], "|HHCTRL.OCXが見つかりません。") << "no help here either";
        EXPECT_EQ(messages[1], "プラグインエラー|プラグインのロードに失敗しました。");
        EXPECT_TRUE(savedIni().hasKey("general", "msgview")) << "the shutdown still saves";
    }
}

TEST_F(MainFormTest, MissingHelpIsReportedAndStartUpGoesOn)
{
    installPlugin(NK_FAKE_PLUGIN);
    auto form = makeForm();
    EXPECT_TRUE(form->FormCreate());
    EXPECT_EQ(messages, std::vector<std::string>{"|HHCTRL.OCXが見つかりません。"});
    EXPECT_FALSE(form->help().available());
    EXPECT_TRUE(form->actions().run("HelpOpen")) << "the command runs and does nothing";
}

TEST_F(MainFormTest, SettingsLayTheWindowOutAndUnknownKeysSurvive)
{
    installPlugin(NK_FAKE_PLUGIN);
    writeIni("[form]\r\nctg_visible=0\r\ntype_visible=1\r\npane_width=222\r\n[mine]\r\nkeep=yes\r\n"
             "[general]\r\nonline=0\r\n[tab]\r\nthr_bottom=1\r\n");
    {
        auto form = makeForm();
        ASSERT_TRUE(form->FormCreate());
        EXPECT_TRUE(form->categoryPane().isHidden());
        EXPECT_TRUE(form->arranger().typeVisible());
        EXPECT_EQ(form->arranger().paneWidth(), 222);
        EXPECT_FALSE(form->actions().action("FileOnline")->isChecked());
        EXPECT_EQ(form->topicPane().strip()->tabPosition(), QTabWidget::South);
        form->actions().run("FileOnline");
    }
    settings::IniFile ini = savedIni();
    EXPECT_EQ(ini.value("mine", "keep"), "yes");
    EXPECT_EQ(ini.value("form", "ctg_visible"), "0");
    EXPECT_EQ(ini.value("form", "type_visible"), "1");
    EXPECT_EQ(ini.value("general", "online"), "1") << "written from the command's checked state";
}

TEST_F(MainFormTest, ClosingWhileRequestsWaitFreesThemUnsentAndLoginAtStartIsQueued)
{
    installPlugin(NK_FAKE_PLUGIN);
    installHelp();
    // thread_max 0 runs nothing, so every request stays queued until the window closes.
    writeIni("[network]\r\nthread_max=0\r\n[login]\r\nstart=1\r\nid=taro\r\npass=a&b\r\n"
             "[endpoint]\r\nlogin=http://127.0.0.1:9/\r\n");
    auto form = makeForm();
    ASSERT_TRUE(form->FormCreate());
    std::vector<std::string> urls = form->pipeline().generalQueueUrls();
    ASSERT_EQ(urls.size(), 1u) << "the login at start-up";
    EXPECT_EQ(urls[0], "http://127.0.0.1:9/config/login?login=taro&passwd=a%26b");
    for (int i = 1; i <= 20; ++i) {
        std::string url = "http://127.0.0.1:9/bbs?action=m&board=1&sid=1&tid=t&mid=" + std::to_string(i);
        ASSERT_EQ(form->pipeline().EnqueueRequest(nullptr, url.c_str(), "key", nullptr, 3, 0, 0), 1);
    }
    EXPECT_EQ(form->pipeline().waitingGeneral(), 21u);
    form->close();
    EXPECT_EQ(form->pipeline().waitingGeneral(), 0u) << "freed at shutdown";
    EXPECT_EQ(form->pipeline().runningCount(), 0u) << "none was sent";
}

TEST_F(MainFormTest, BandOrderAndRowBreaksComeBackAtTheSecondLoad)
{
    installPlugin(NK_FAKE_PLUGIN);
    installHelp();
    // The address band first, the menu band on a row of its own below it.
    writeIni("[coolbar]\r\nmain_band0_id=1\r\nmain_band1_id=0\r\nmain_band1_break=1\r\nmain_band2_id=2\r\n"
             "main_band2_break=0\r\n");
    {
        auto form = makeForm();
        ASSERT_TRUE(form->FormCreate());
        form->show();
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
        QToolBar *url = form->findChild<QToolBar *>("UrlPanel");
        QToolBar *menu = form->findChild<QToolBar *>("MenuToolBar");
        ASSERT_TRUE(url && menu);
        EXPECT_LT(url->geometry().top(), menu->geometry().top()) << "the menu band moved below";
    }
    settings::IniFile ini = savedIni();
    EXPECT_EQ(ini.value("coolbar", "main_band0_id"), "1");
    EXPECT_EQ(ini.value("coolbar", "main_band1_id"), "0");
    EXPECT_EQ(ini.value("coolbar", "main_band1_break"), "1");
}

TEST_F(MainFormTest, WheelOverAStripSwitchesTabsWithoutWrapping)
{
    installPlugin(NK_FAKE_PLUGIN);
    installHelp();
    auto form = makeForm();
    ASSERT_TRUE(form->FormCreate());
    form->resize(900, 600);
    form->show();
    QApplication::processEvents();
    ui::TopicListPane &pane = form->topicListPane();
    pane.closeTab(form->favoritesTab()); // opened at start-up; these tabs are the test's own
    for (const char *caption : {"a", "b", "c"})
        pane.createPage(nullptr, caption, false, true, false);
    QApplication::processEvents();
    ui::TabStripBar *bar = pane.strip()->strip();
    auto turn = [&](int delta) {
        QPoint local = bar->tabRect(0).center();
        QWheelEvent wheel(local, bar->mapToGlobal(local), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(bar, &wheel);
    };
    ASSERT_EQ(pane.strip()->currentIndex(), 2);
    turn(120);
    EXPECT_EQ(pane.strip()->currentIndex(), 2) << "no wrap-around past the last tab";
    turn(-120);
    turn(-120);
    EXPECT_EQ(pane.strip()->currentIndex(), 0);
    turn(-120);
    EXPECT_EQ(pane.strip()->currentIndex(), 0);
    turn(120);
    EXPECT_EQ(pane.strip()->currentIndex(), 1);
}

TEST_F(MainFormTest, HidingTheLastRightPaneShowsTheOther)
{
    installPlugin(NK_FAKE_PLUGIN);
    auto form = makeForm();
    ASSERT_TRUE(form->FormCreate());
    form->show();
    QApplication::processEvents();
    form->actions().run("WindowThr");
    EXPECT_TRUE(form->topicPane().isHidden());
    form->actions().run("WindowThrLst");
    EXPECT_FALSE(form->topicPane().isHidden()) << "the right side is never empty";
    EXPECT_TRUE(form->topicListPane().isHidden());
    form->actions().run("WindowThrLst");
    EXPECT_FALSE(form->topicListPane().isHidden());
    form->actions().updateAll();
    EXPECT_TRUE(form->actions().action("WindowThrLst")->isChecked());
    EXPECT_TRUE(form->actions().action("WindowThr")->isChecked());
    form->actions().run("WindowCtg");
    EXPECT_TRUE(form->categoryPane().isHidden());
    EXPECT_FALSE(form->topicListPane().isHidden()) << "the category pane is independent";
}

TEST_F(MainFormTest, DroppingTabFourOnTabOneMovesItsRecordToo)
{
    installPlugin(NK_FAKE_PLUGIN);
    auto form = makeForm();
    ASSERT_TRUE(form->FormCreate());
    ui::TopicListPane &pane = form->topicListPane();
    pane.closeTab(form->favoritesTab()); // opened at start-up; these tabs are the test's own
    for (const char *caption : {"1", "2", "3", "4"}) {
        ui::TopicListPage &page = pane.createPage(nullptr, caption, false, true, false);
        page.listUrl = std::string("url") + caption;
    }
    ASSERT_EQ(pane.strip()->currentIndex(), 3);
    emit pane.strip()->strip()->droppedOn(0);
    std::string captions, urls;
    for (int i = 0; i < 4; ++i) {
        captions += pane.strip()->tabText(i).toStdString();
        urls += pane.pages()[i].listUrl.back();
        EXPECT_EQ(pane.strip()->widget(i), pane.pages()[i].view.data()) << "tab and record stay paired";
    }
    EXPECT_EQ(captions, "4123");
    EXPECT_EQ(urls, "4123");
    auto *address = form->findChild<QLineEdit *>(QStringLiteral("UrlEdit"));
    ASSERT_TRUE(address);
    EXPECT_EQ(address->text(), QStringLiteral("url4")) << "the box shows the moved tab, which is still the active one";
    emit pane.strip()->strip()->droppedOn(-1);
    emit pane.strip()->strip()->droppedOn(pane.strip()->currentIndex());
    EXPECT_EQ(pane.strip()->tabText(0), "4") << "beyond the last tab or on itself: unchanged";
}

TEST_F(MainFormTest, CaptionsKeepTheirBytesAndShowEntitiesAndAmpersandsAsText)
{
    installPlugin(NK_FAKE_PLUGIN);
    auto form = makeForm();
    ASSERT_TRUE(form->FormCreate());
    ui::TopicPane &pane = form->topicPane();
    pane.createPage(nullptr, "&lt;A&gt; & B", true, false);
    EXPECT_EQ(pane.strip()->caption(0), "&lt;A&gt; & B") << "stored and compared as given";
    EXPECT_EQ(pane.strip()->tabText(0), "<A> && B") << "shown decoded, & not an accelerator";
}

TEST_F(MainFormTest, LeftCloseFromTheThirdTabClosesTheFirstTwo)
{
    installPlugin(NK_FAKE_PLUGIN);
    auto form = makeForm();
    ASSERT_TRUE(form->FormCreate());
    ui::TopicListPane &pane = form->topicListPane();
    pane.closeTab(form->favoritesTab()); // opened at start-up; these tabs are the test's own
    for (const char *caption : {"a", "b", "c", "d"})
        pane.createPage(nullptr, caption, false, true, false);
    pane.strip()->setCurrentIndex(3);
    form->setTabTarget(2);
    form->actions().updateAll();
    ASSERT_TRUE(form->actions().run("ThrLstLeftClose"));
    ASSERT_EQ(pane.strip()->count(), 2);
    EXPECT_EQ(pane.strip()->tabText(0), "c");
    EXPECT_EQ(pane.pages().size(), 2);
    EXPECT_EQ(form->tabTarget(), -1);

    pane.strip()->setCurrentIndex(1);
    form->actions().updateAll();
    EXPECT_FALSE(form->actions().action("ThrLstRightClose")->isEnabled()) << "last tab";
    form->actions().run("ThrLstAllClose");
    EXPECT_EQ(pane.pages().size(), 0);
    form->actions().updateAll();
    EXPECT_FALSE(form->actions().run("ThrActiveClose")) << "no topic tab: nothing to close";
}

TEST_F(MainFormTest, StatusPanelsKeepTheirWidthsAndTheProgressBarStaysInPanelTwo)
{
    installPlugin(NK_FAKE_PLUGIN);
    auto form = makeForm();
    ASSERT_TRUE(form->FormCreate());
    form->resize(900, 600);
    form->show();
    QApplication::processEvents();
    ui::MainStatusBar &bar = form->statusPanels();
    EXPECT_EQ(bar.panelWidth(1), 70);
    EXPECT_EQ(bar.panelWidth(2), 100);
    EXPECT_EQ(bar.panelWidth(3), 35);
    // The online or offline mode sits at the right end, outside the four panels.
    const QLabel *mode = bar.findChild<QLabel *>(QStringLiteral("ModeLabel"));
    ASSERT_TRUE(mode && mode->isVisible());
    EXPECT_EQ(mode->geometry().right(), bar.width() - 1);
    EXPECT_EQ(bar.panelWidth(0), bar.width() - 205 - mode->width());
    QRect progress = bar.progressBar()->geometry();
    EXPECT_EQ(progress.left(), bar.panelWidth(0) + bar.panelWidth(1) + 2);
    EXPECT_EQ(progress.width(), 98);
}

} // namespace
