// Gestures, the settings dialog, the action list and the desktop keys in the window, against
// the bundled board server with the real plug-in and the web view.
#include "app/mainform.h"
#include "base/textfile.h"
#include "help/help.h"
#include "help/helpwindow.h"
#include "qtbridge/sjis.h"
#include "settings/gesturebindings.h"
#include "settings/inifile.h"
#include "tests/app/boardfixture.h"
#include "ui/findbar.h"
#include "ui/panes.h"
#include "ui/settingdlg.h"
#include "ui/statusbar.h"
#include "ui/tabstrip.h"
#include "view/htmlview.h"
#include "view/webengine.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWebEngineFindTextResult>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

int argc = 1;
char arg0[] = "app_gestures_test";
char *argv[] = {arg0, nullptr};

const std::string kUp = "\x81\xaa", kDown = "\x81\xab";

class GesturesTest : public apptest::BoardFixture {
protected:
    static void SetUpTestSuite()
    {
        if (!QApplication::instance()) {
            view::PrepareProcess();
            new QApplication(argc, argv);
        }
    }

    std::vector<std::string> serverArguments() const override
    {
        return {"--categories", "1", "--depth",    "1", "--subcategories", "1", "--boards", "2",
                "--topics",     "3", "--messages", "6", "--huge",          "0"};
    }

    void showWindow()
    {
        form->resize(1000, 700);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    ui::TopicPage *openFirstTopic()
    {
        crawl();
        QTreeWidget *list = openListedBoard();
        if (!list)
            return nullptr;
        list->setCurrentItem(list->topLevelItem(0));
        form->actions().run("PopThrLstActiveOpen");
        bool done = apptest::WaitFor(
            [&] {
                ui::TopicPage *tab = form->topicPane().activePage();
                auto *browser = tab ? qobject_cast<view::HtmlView *>(tab->browser.data()) : nullptr;
                return tab && !tab->downloading() && !tab->lines.empty() && browser && !browser->isLoading() &&
                       browser->inputWidget();
            },
            60000);
        return done ? form->topicPane().activePage() : nullptr;
    }

    void writeMouseIni(const std::string &text) { ASSERT_TRUE(base::WriteFileAtomic(dir + "mouse.ini", text)); }

    /// A right-button stroke up then down over widget, in the window's own coordinates.
    void strokeUpDown(QWidget *widget)
    {
        QWindow *window = form->windowHandle();
        QPoint at = widget->mapTo(form.get(), widget->rect().center());
        QTest::mousePress(window, Qt::RightButton, {}, at);
        QTest::mouseMove(window, at + QPoint(0, -30));
        QTest::mouseMove(window, at + QPoint(0, 0));
        statusWhileDrawn = form->statusPanels().panelText(0);
        QTest::mouseRelease(window, Qt::RightButton, {}, at);
    }

    void rightClick(QWidget *widget)
    {
        QWindow *window = form->windowHandle();
        QPoint at = widget->mapTo(form.get(), widget->rect().center());
        QTest::mousePress(window, Qt::RightButton, {}, at);
        QTest::mouseRelease(window, Qt::RightButton, {}, at);
    }

    /// Closes every pop-up menu that opens while it lives, remembering their names.
    struct MenuWatcher {
        MenuWatcher()
        {
            timer.setInterval(5);
            QObject::connect(&timer, &QTimer::timeout, [this] {
                if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                    shown.push_back(menu->objectName());
                    menu->close();
                }
            });
            timer.start();
        }
        QTimer timer;
        QStringList shown;
    };

    /// Runs work once a modal widget of type W is up.
    template <typename W> void whenModal(std::function<void(W &)> work)
    {
        auto *timer = new QTimer(form.get());
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, [timer, work] {
            if (auto *w = qobject_cast<W *>(QApplication::activeModalWidget())) {
                timer->stop();
                timer->deleteLater();
                work(*w);
            }
        });
        timer->start();
    }

    QString statusWhileDrawn;
};

TEST_F(GesturesTest, EveryActionOfTheListHasAHandler)
{
    QStringList missing;
    for (const QString &name : form->actions().names())
        if (!form->actions().hasExecute(name))
            missing << name;
    EXPECT_TRUE(missing.isEmpty()) << missing.join(QLatin1Char(' ')).toStdString();
    for (const char *name : {"ToolSetting", "HelpYahoo", "HelpHomepage", "HelpOpen"}) {
        form->actions().update(name);
        EXPECT_TRUE(form->actions().action(name)->isEnabled()) << name;
    }
    EXPECT_EQ(form->actions().action("HelpOpen")->shortcut(), QKeySequence(Qt::Key_F1));
}

TEST_F(GesturesTest, AStrokeInTheTopicPaneRunsItsBindingAndShowsNoMenu)
{
    showWindow();
    ui::TopicPage *tab = openFirstTopic();
    ASSERT_TRUE(tab) << "the topic did not download";
    writeMouseIni("[gesture]\r\n" + std::string(settings::kPlaceTopic) + kUp + kDown + "=WindowCtg\r\n");
    ASSERT_FALSE(form->categoryPane().isHidden());
    MenuWatcher menus;
    strokeUpDown(tab->browser);
    EXPECT_EQ(qtbridge::ToSjis(statusWhileDrawn), std::string(settings::kPlaceTopic) + kUp + kDown);
    EXPECT_TRUE(apptest::WaitFor([&] { return form->categoryPane().isHidden(); })) << "the bound command ran";
    // A menu asked for by the stroke would come before the one of this plain click.
    rightClick(tab->browser);
    EXPECT_TRUE(apptest::WaitFor([&] { return !menus.shown.isEmpty(); }, 10000));
    EXPECT_EQ(menus.shown.size(), 1) << "only the plain click showed a menu";
}

TEST_F(GesturesTest, APlainRightClickInTheTopicPaneStillShowsTheViewsMenu)
{
    showWindow();
    ui::TopicPage *tab = openFirstTopic();
    ASSERT_TRUE(tab) << "the topic did not download";
    writeMouseIni("[gesture]\r\n" + std::string(settings::kPlaceTopic) + kUp + kDown + "=WindowCtg\r\n");
    rightClick(tab->browser);
    EXPECT_TRUE(apptest::WaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 10000));
    if (QWidget *menu = QApplication::activePopupWidget())
        menu->close();
    EXPECT_FALSE(form->categoryPane().isHidden()) << "no gesture ran";
    EXPECT_EQ(form->gesturePlace(), settings::kPlaceTopic);
}

TEST_F(GesturesTest, TheCategoryTreeHasItsOwnMarkAndKeepsItsMenuForAPlainClick)
{
    showWindow();
    writeMouseIni("[gesture]\r\n" + std::string(settings::kPlaceCategory) + kUp + kDown + "=WindowThrLst\r\n" +
                  std::string(settings::kPlaceTopicList) + kUp + kDown + "=WindowThr\r\n");
    ui::CategoryPage *page = form->categoryPane().activePage();
    ASSERT_TRUE(page && page->tree) << "the favorites tree is there from the start";
    QTreeWidget *tree = page->tree;
    {
        MenuWatcher menus;
        strokeUpDown(tree->viewport());
        EXPECT_TRUE(apptest::WaitFor([&] { return form->topicListPane().isHidden(); }));
        EXPECT_FALSE(form->topicPane().isHidden()) << "only the binding of the category mark ran";
        EXPECT_TRUE(menus.shown.isEmpty()) << menus.shown.join(',').toStdString();
    }
    MenuWatcher menus;
    rightClick(tree->viewport());
    EXPECT_TRUE(apptest::WaitFor([&] { return !menus.shown.isEmpty(); }));
    EXPECT_EQ(menus.shown.value(0), QStringLiteral("CtgPopupMenu"));
}

TEST_F(GesturesTest, AStrokeOverATopicListTakesTheListsMarkUnlessAnUnmarkedBindingExists)
{
    showWindow();
    crawl();
    QTreeWidget *list = openListedBoard();
    ASSERT_TRUE(list);
    writeMouseIni("[gesture]\r\n" + std::string(settings::kPlaceTopicList) + kUp + kDown + "=WindowCtg\r\n");
    strokeUpDown(list->viewport());
    EXPECT_EQ(form->gesturePlace(), settings::kPlaceTopicList);
    EXPECT_TRUE(apptest::WaitFor([&] { return form->categoryPane().isHidden(); }));
    // The same stroke bound without a mark wins everywhere.
    writeMouseIni("[gesture]\r\n" + std::string(settings::kPlaceTopicList) + kUp + kDown + "=WindowCtg\r\n" + kUp +
                  kDown + "=WindowThr\r\n");
    strokeUpDown(list->viewport());
    EXPECT_TRUE(apptest::WaitFor([&] { return form->topicPane().isHidden(); }));
    EXPECT_TRUE(form->categoryPane().isHidden()) << "the list's own binding did not run again";
}

TEST_F(GesturesTest, ClicksAndWheelTurnsWhileTheRightButtonIsHeldRunTheirBindings)
{
    showWindow();
    writeMouseIni("[gesture]\r\nLeftClick=WindowCtg\r\nWheelDown=WindowThr\r\nWheelUp=WindowThrLst\r\n");
    QTreeWidget *tree = form->categoryPane().activePage()->tree;
    QWindow *window = form->windowHandle();
    QPoint at = tree->viewport()->mapTo(form.get(), tree->viewport()->rect().center());
    MenuWatcher menus;
    QTest::mousePress(window, Qt::RightButton, {}, at);
    QTest::mousePress(window, Qt::LeftButton, {}, at);
    QTest::mouseRelease(window, Qt::LeftButton, {}, at);
    EXPECT_TRUE(apptest::WaitFor([&] { return form->categoryPane().isHidden(); }));
    // A sideways turn is no wheel gesture.
    QWheelEvent sideways(at, window->mapToGlobal(at), QPoint(), QPoint(120, 0), Qt::RightButton, Qt::NoModifier,
                         Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(window, &sideways);
    QCoreApplication::processEvents();
    EXPECT_FALSE(form->topicListPane().isHidden());
    QWheelEvent wheel(at, window->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::RightButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(window, &wheel);
    EXPECT_TRUE(apptest::WaitFor([&] { return form->topicPane().isHidden(); }));
    EXPECT_TRUE(menus.shown.isEmpty());
    // No direction was drawn: the release is the window's, as a plain click would be.
    QTest::mouseRelease(window, Qt::RightButton, {}, at);
    EXPECT_TRUE(apptest::WaitFor([&] { return !menus.shown.isEmpty(); }));
}

TEST_F(GesturesTest, SettingsConfirmedWithoutChangesKeepEveryValueOfTheFile)
{
    ASSERT_TRUE(base::WriteFileAtomic(dir + "mouse.ini", "[gesture]\r\nWheelUp=Unknown\r\n"));
    // The file as the program writes it, then through the dialog.
    form->close();
    form.reset();
    const std::string before = *base::ReadFile(dir + "nekomado.ini");
    form = std::make_unique<TMainForm>(
        dir, [this](const QString &, const QString &text) { messages.push_back(text.toStdString()); });
    ASSERT_TRUE(form->FormCreate());
    bool ran = false;
    whenModal<ui::TSettingDlg>([&](ui::TSettingDlg &dlg) {
        ran = true;
        dlg.OKBtnClick();
    });
    form->actions().run("ToolSetting");
    ASSERT_TRUE(ran);
    auto a = settings::IniFile::Parse(before);
    auto b = settings::IniFile::Load(dir + "nekomado.ini");
    for (const char *section :
         {"general", "path", "tab", "design", "action", "network", "login", "column", "conversion", "endpoint"})
        EXPECT_EQ(a.entries(section), b.entries(section)) << section;
    EXPECT_EQ(*base::ReadFile(dir + "mouse.ini"), "[gesture]\r\nWheelUp=Unknown\r\n")
        << "a binding of an unknown command is kept as it was";
    EXPECT_TRUE(messages.empty());
}

TEST_F(GesturesTest, JapaneseFolderNamesInThePathsComeThroughTheDialogAsTheFileSystemNamesThem)
{
    // This source is UTF-8, as the file system's names are; these names do not come back the same
    // when read as Shift_JIS and written again.
    const std::string logDir = dir + "ダウンロード";
    const std::string browser = "/opt/デスクトップ/bin/web";
    form->close();
    form.reset();
    auto ini = settings::IniFile::Load(dir + "nekomado.ini");
    ini.writeString("path", "log", logDir);
    ini.writeString("path", "browser", browser);
    ASSERT_TRUE(ini.save(dir + "nekomado.ini"));
    form = std::make_unique<TMainForm>(
        dir, [this](const QString &, const QString &text) { messages.push_back(text.toStdString()); });
    ASSERT_TRUE(form->FormCreate());
    const std::string plugin = form->settings().path.plugin;

    bool ran = false;
    whenModal<ui::TSettingDlg>([&](ui::TSettingDlg &dlg) {
        ran = true;
        EXPECT_EQ(dlg.findChild<QLineEdit *>(QStringLiteral("LogPathEdit"))->text(),
                  QString::fromStdString(dir) + QString::fromUtf8("ダウンロード"));
        // A folder typed in anew is kept as the file system names it too.
        dlg.findChild<QLineEdit *>(QStringLiteral("SkinPathEdit"))
            ->setText(QString::fromStdString(dir) + QString::fromUtf8("ドキュメント"));
        dlg.OKBtnClick();
    });
    form->actions().run("ToolSetting");
    ASSERT_TRUE(ran);
    EXPECT_EQ(form->settings().path.log, logDir);
    EXPECT_EQ(form->settings().path.browser, browser);
    EXPECT_EQ(form->settings().path.skin, dir + "ドキュメント");
    EXPECT_EQ(form->settings().path.plugin, plugin);
}

TEST_F(GesturesTest, AFontAndAColourChosenInTheDialogApplyToOpenTabsAtOnce)
{
    showWindow();
    crawl();
    QTreeWidget *list = openListedBoard();
    ASSERT_TRUE(list);
    const QColor before = list->palette().color(QPalette::Base);
    bool ran = false;
    whenModal<ui::TSettingDlg>([&](ui::TSettingDlg &dlg) {
        whenModal<QFontDialog>([](QFontDialog &fonts) {
            QFont f(QStringLiteral("DejaVu Sans Mono"));
            f.setPixelSize(23);
            f.setBold(true);
            fonts.setCurrentFont(f);
            fonts.accept();
        });
        dlg.findChild<QPushButton *>(QStringLiteral("ThrLstFontButton"))->click();
        whenModal<QColorDialog>([](QColorDialog &colors) {
            colors.setCurrentColor(QColor(10, 20, 30));
            colors.accept();
        });
        dlg.findChild<QPushButton *>(QStringLiteral("ThrLstBgButton"))->click();
        ran = true;
        dlg.findChild<QPushButton *>(QStringLiteral("OKBtn"))->click();
    });
    form->actions().run("ToolSetting");
    ASSERT_TRUE(ran);
    EXPECT_NE(before, QColor(10, 20, 30));
    EXPECT_EQ(list->palette().color(QPalette::Base), QColor(10, 20, 30));
    EXPECT_EQ(list->font().pixelSize(), 23);
    EXPECT_TRUE(list->font().bold());
    EXPECT_EQ(form->settings().design.thrlstBackground, 0x1E140A);
    auto saved = settings::IniFile::Load(dir + "nekomado.ini");
    EXPECT_EQ(saved.value("design", "thrlst_background"), "1971210");
    EXPECT_EQ(saved.value("design", "thrlst_font_height"), "-23");
}

TEST_F(GesturesTest, StripedRowsTakeNewColoursWhenTheSettingsChange)
{
    crawl();
    QTreeWidget *list = openListedBoard();
    ASSERT_TRUE(list);
    ASSERT_GE(list->topLevelItemCount(), 2);
    whenModal<ui::TSettingDlg>([](ui::TSettingDlg &dlg) {
        dlg.findChild<QCheckBox *>(QStringLiteral("ColorCheckBox"))->setChecked(true);
        dlg.OKBtnClick();
    });
    form->actions().run("ToolSetting");
    EXPECT_TRUE(form->settings().design.thrlstSep);
    EXPECT_EQ(list->topLevelItem(0)->background(1).color(), ui::ColorFromSetting(0xC0DCC0));
}

TEST_F(GesturesTest, TabRowsAndTheOneBranchTreeFollowTheDialogAtOnce)
{
    crawl();
    QTreeWidget *tree = siteTab().tree;
    ASSERT_TRUE(tree && tree->topLevelItemCount() > 0);
    tree->expandAll();
    ui::TabStripBar *bar = form->topicPane().strip()->strip();
    ASSERT_TRUE(bar->usesScrollButtons());
    whenModal<ui::TSettingDlg>([](ui::TSettingDlg &dlg) {
        dlg.findChild<QCheckBox *>(QStringLiteral("MultiTabCheckBox"))->setChecked(true);
        dlg.findChild<QCheckBox *>(QStringLiteral("TreeOnceCheckBox"))->setChecked(true);
        dlg.OKBtnClick();
    });
    form->actions().run("ToolSetting");
    EXPECT_FALSE(bar->usesScrollButtons()) << "every tab stays in view";
    EXPECT_FALSE(tree->topLevelItem(0)->isExpanded()) << "switching to one open branch collapses the tree";

    // Confirming again without touching the box leaves the tree as it is.
    tree->expandAll();
    whenModal<ui::TSettingDlg>([](ui::TSettingDlg &dlg) { dlg.OKBtnClick(); });
    form->actions().run("ToolSetting");
    EXPECT_TRUE(tree->topLevelItem(0)->isExpanded());
}

TEST_F(GesturesTest, AThreadMaxOfZeroIsRefusedAndCancelChangesNothing)
{
    const settings::Settings before = form->settings();
    bool refused = false;
    QString countKept, masked;
    whenModal<ui::TSettingDlg>([&](ui::TSettingDlg &dlg) {
        auto *edit = dlg.findChild<QLineEdit *>(QStringLiteral("ThreadMaxEdit"));
        edit->setText(QStringLiteral("0"));
        dlg.OKBtnClick();
        refused = dlg.isVisible() && edit->text() == QString::number(before.network.threadMax);
        // Edits that Cancel throws away: a gesture binding and a count.
        dlg.findChild<QComboBox *>(QStringLiteral("GestureComboBox"))->setEditText(QStringLiteral("WheelUp"));
        auto *menus = dlg.findChild<QComboBox *>(QStringLiteral("MenuComboBox"));
        menus->setCurrentIndex(0);
        dlg.MenuComboBoxSelect();
        dlg.AddButtonClick();
        auto *counts = dlg.findChild<QComboBox *>(QStringLiteral("DlCountComboBox"));
        counts->setEditText(QStringLiteral("250"));
        dlg.DlCountAddButtonClick();
        countKept = counts->currentText();
        // The password box masks with '*'.
        auto *pass = dlg.findChild<QLineEdit *>(QStringLiteral("PassEdit"));
        auto *hide = dlg.findChild<QCheckBox *>(QStringLiteral("PassCheckBox"));
        pass->setText(QStringLiteral("abc"));
        if (!hide->isChecked())
            hide->click();
        masked = pass->displayText();
        dlg.findChild<QPushButton *>(QStringLiteral("CancelBtn"))->click();
    });
    form->actions().run("ToolSetting");
    EXPECT_TRUE(refused);
    EXPECT_EQ(countKept, QStringLiteral("250")) << "an added count stays in the box, to be taken back at once";
    EXPECT_EQ(masked, QStringLiteral("***"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "最大スレッド数には1以上の数を入力してください。");
    EXPECT_EQ(form->settings(), before);
    EXPECT_FALSE(std::filesystem::exists(dir + "mouse.ini"));
}

TEST_F(GesturesTest, AGestureWithoutACommandIsRefusedAndOneWithACommandIsWritten)
{
    whenModal<ui::TSettingDlg>([&](ui::TSettingDlg &dlg) {
        dlg.findChild<QComboBox *>(QStringLiteral("PlaceComboBox"))->setCurrentIndex(2);
        dlg.AddGestureButton(settings::TMouseGestureType::mgDown);
        dlg.AddGestureButton(settings::TMouseGestureType::mgDown);
        dlg.AddButtonClick(); // no command chosen
        auto *menus = dlg.findChild<QComboBox *>(QStringLiteral("MenuComboBox"));
        menus->setCurrentIndex(menus->findText(QString::fromUtf8("スレッド一覧")));
        dlg.MenuComboBoxSelect();
        auto *commands = dlg.findChild<QComboBox *>(QStringLiteral("ActionComboBox"));
        commands->setCurrentIndex(commands->findData(QStringLiteral("ThrLstReload")));
        dlg.AddButtonClick();
        dlg.OKBtnClick();
    });
    form->actions().run("ToolSetting");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "動作を選択してください。");
    EXPECT_EQ(*base::ReadFile(dir + "mouse.ini"),
              "[gesture]\r\n" + std::string(settings::kPlaceTopicList) + kDown + "=ThrLstReload\r\n");
}

TEST_F(GesturesTest, TheHelpButtonOpensThePagesKeywordAndEscClosesTheHelp)
{
    showWindow();
    whenModal<ui::TSettingDlg>([&](ui::TSettingDlg &dlg) {
        dlg.pages()->setCurrentIndex(6);
        dlg.HelpBtnClick();
        help::HelpWindow *window = form->help().window();
        ASSERT_TRUE(window);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        EXPECT_EQ(window->currentPage(), QStringLiteral("settings-network.html"));
        window->activateWindow();
        QTest::keyClick(window, Qt::Key_Escape);
        EXPECT_TRUE(apptest::WaitFor([&] { return !window->isVisible(); }));
        dlg.reject();
    });
    form->actions().run("ToolSetting");
}

TEST_F(GesturesTest, SlashFindsInTheTopicAndCtrlFIsTheCategorySearchEverywhere)
{
    showWindow();
    ui::TopicPage *tab = openFirstTopic();
    ASSERT_TRUE(tab);
    auto *view = qobject_cast<view::HtmlView *>(tab->browser.data());
    QWidget *input = view->inputWidget();
    form->activateWindow();
    QApplication::setActiveWindow(form.get());
    input->setFocus();
    ASSERT_TRUE(apptest::WaitFor([&] { return QApplication::focusWidget() == input; }));

    // Ctrl+F in the topic is the category search, as the menu says.
    bool asked = false;
    whenModal<QInputDialog>([&](QInputDialog &box) {
        asked = true;
        box.reject();
    });
    QTest::keyClick(input, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(asked);
    EXPECT_FALSE(form->findBar()->isVisible());

    QApplication::setActiveWindow(form.get()); // the dialog had it
    input->setFocus();
    ASSERT_TRUE(apptest::WaitFor([&] { return QApplication::focusWidget() == input; }));
    QTest::keyClick(input, Qt::Key_Slash);
    EXPECT_TRUE(form->findBar()->isVisible());
    EXPECT_TRUE(form->findBar()->edit()->hasFocus());
    // The view finds and highlights: message numbers are on every page.
    int matches = -1;
    QObject::connect(view->webView()->page(), &QWebEnginePage::findTextFinished,
                     [&](const QWebEngineFindTextResult &r) { matches = r.numberOfMatches(); });
    QTest::keyClicks(form->findBar()->edit(), QStringLiteral("1/"));
    EXPECT_EQ(form->findBar()->edit()->text(), QStringLiteral("1/")) << "a slash typed in the bar is text";
    EXPECT_TRUE(apptest::WaitFor([&] { return matches >= 0; }, 10000)) << matches;
    form->findBar()->edit()->setText(QStringLiteral("1"));
    matches = -1;
    QTest::keyClick(form->findBar()->edit(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_TRUE(apptest::WaitFor([&] { return matches > 0; }, 10000)) << "previous finds too";
    QTest::keyClick(form->findBar()->edit(), Qt::Key_Escape);
    EXPECT_FALSE(form->findBar()->isVisible());

    // The menu item opens it too.
    ASSERT_TRUE(form->actions().run("ViewFindInTopic"));
    EXPECT_TRUE(form->findBar()->isVisible());
    QTest::keyClick(form->findBar()->edit(), Qt::Key_Escape);
}

TEST_F(GesturesTest, EnterOpensTheSelectedTopicAndCtrlPageDownSwitchesTabs)
{
    showWindow();
    crawl();
    QTreeWidget *list = openListedBoard();
    ASSERT_TRUE(list);
    list->setCurrentItem(list->topLevelItem(0));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_TRUE(apptest::WaitFor([&] { return form->topicPane().pages().size() == 1; }));
    list->setCurrentItem(list->topLevelItem(1));
    form->actions().run("PopThrLstNewOpen");
    ASSERT_TRUE(apptest::WaitFor([&] { return form->topicPane().pages().size() == 2; }));
    ui::TabStrip *strip = form->topicPane().strip();
    strip->setCurrentIndex(1);
    QApplication::setActiveWindow(form.get());
    strip->setFocus();
    QTest::keyClick(strip, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(strip->currentIndex(), 0) << "past the last tab comes the first";
    QTest::keyClick(strip, Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(strip->currentIndex(), 1);
}

TEST_F(GesturesTest, AGestureWaitsWhileADialogIsOpenSoTheTabBehindItStays)
{
    showWindow();
    ui::TopicPage *tab = openFirstTopic();
    ASSERT_TRUE(tab) << "the topic did not download";
    writeMouseIni("[gesture]\r\nSide1=ThrActiveClose\r\n");
    auto backClick = [](QWindow *window) {
        QPoint at(window->width() / 2, window->height() / 2);
        QTest::mousePress(window, Qt::BackButton, {}, at);
        QTest::mouseRelease(window, Qt::BackButton, {}, at);
        // A bound command runs from the event queue.
        QCoreApplication::processEvents();
    };
    int pagesUnderTheBox = -1;
    whenModal<QInputDialog>([&](QInputDialog &box) {
        backClick(box.windowHandle());
        pagesUnderTheBox = form->topicPane().pages().size();
        box.setTextValue(QStringLiteral("a"));
        box.accept();
    });
    form->actions().run("ThrResExtra");
    EXPECT_EQ(pagesUnderTheBox, 1) << "the source tab stayed while the box was open";
    EXPECT_EQ(form->topicPane().pages().size(), 2) << "the extraction opened beside its source";

    // Without a dialog the same click closes the active tab.
    backClick(form->windowHandle());
    EXPECT_EQ(form->topicPane().pages().size(), 1);
}

} // namespace
