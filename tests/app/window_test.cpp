// The window's own faults, without a board server: which category file a tab is written to, the
// extraction page of a topic, the tab menus' target, the login check, the tree images, the
// address box, the external browser's failure, the message pop-up's width and the progress bar.
#include <QAction>
#include <QApplication>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMouseEvent>
#include <QMenu>
#include <QProgressBar>
#include <QContextMenuEvent>
#include <QTest>
#include <QWheelEvent>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

#include "app/mainform.h"
#include "base/textfile.h"
#include "net/texts.h"
#include "qtbridge/sjis.h"
#include "settings/inifile.h"
#include "store/boarddir.h"
#include "store/categoryfile.h"
#include "tests/app/boardfixture.h"
#include "ui/categorytreeview.h"
#include "ui/images.h"
#include "ui/panes.h"
#include "ui/statusbar.h"
#include "view/htmlview.h"
#include "view/webengine.h"

namespace fs = std::filesystem;

namespace {

int argc = 1;
char arg0[] = "app_window_test";
char *argv[] = {arg0, nullptr};

const std::string kBoard1 = "http://messages.yahoo.co.jp/bbs?action=topics&board=1&sid=1&type=r";
const std::string kBoard2 = "http://messages.yahoo.co.jp/bbs?action=topics&board=2&sid=2&type=r";

std::string topicUrl(int tid)
{
    return "http://messages.yahoo.co.jp/bbs?action=m&board=1&sid=1&tid=" + std::to_string(tid) + "&mid=1";
}

/// Answers the next modal dialog or closes the next pop-up menu as soon as it shows, from inside
/// its own event loop.
void answerSoon(const std::function<bool()> &answer)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer] {
        if (answer())
            timer->deleteLater();
    });
    timer->start();
}

void enterInDialogSoon(const QString &text)
{
    answerSoon([text] {
        auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return false;
        dialog->setTextValue(text);
        dialog->accept();
        return true;
    });
}

void dismissMenuSoon()
{
    answerSoon([] {
        QWidget *popup = QApplication::activePopupWidget();
        if (!popup)
            return false;
        popup->close();
        return true;
    });
}

/// Clicks the item called name of the next pop-up menu, as the mouse would.
void chooseInMenuSoon(const QString &name)
{
    answerSoon([name] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return false;
        for (QAction *item : menu->actions()) {
            if (item->objectName() != name)
                continue;
            QPoint at = menu->actionGeometry(item).center();
            QMouseEvent press(QEvent::MouseButtonPress, at, menu->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                              Qt::NoModifier);
            QMouseEvent release(QEvent::MouseButtonRelease, at, menu->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                                Qt::NoModifier);
            QApplication::sendEvent(menu, &press);
            QApplication::sendEvent(menu, &release);
            return true;
        }
        menu->close();
        return true;
    });
}

class WindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!QApplication::instance()) {
            view::PrepareProcess();
            new QApplication(argc, argv);
        }
    }
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "nk-window-mends-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir = tmpl + "/";
        // Nothing is reached: a login or a list goes to a closed port and fails at once.
        ASSERT_TRUE(base::WriteFileAtomic(dir + "nekomado.ini", "[network]\r\nproxy=1\r\nproxy_server=127.0.0.1\r\n"
                                                                "proxy_port=1\r\n[tab]\r\nthrlst_favorite=0\r\n"
                                                                "[path]\r\nbrowser=" +
                                                                    dir + "no-such-browser\r\n"));
    }
    void TearDown() override
    {
        form.reset();
        fs::remove_all(dir);
    }

    /// A window with the stand-in plug-in (or the one that does not load); topic tabs get a plain
    /// widget as their view unless htmlViews.
    void start(const char *plugin = NK_FAKE_PLUGIN, bool htmlViews = false)
    {
        fs::copy_file(plugin, dir + "Hakobune.so");
        fs::copy(NK_PROGRAM_DIR "/help", dir + "help", fs::copy_options::recursive);
        TMainForm::BrowserFactory factory;
        if (!htmlViews)
            factory = [](QWidget *owner) { return new QWidget(owner); };
        form = std::make_unique<TMainForm>(
            dir, [this](const QString &caption, const QString &text) {
                messages.push_back((caption + "|" + text).toStdString());
                // What a modal box's own event loop would go on doing while it is open.
                if (whileMessageOpen)
                    std::exchange(whileMessageOpen, nullptr)();
            },
            factory);
        form->setSystemUrlOpener([this](const QUrl &url) {
            opened.push_back(url.toString().toStdString());
            return systemOpens;
        });
        created = form->FormCreate();
    }

    ui::TopicPage &addTopic(int tid, const std::string &caption)
    {
        ui::TopicPage &tab = form->topicPane().createPage(form->plugin(), caption, true, false);
        tab.topicUrl = topicUrl(tid);
        tab.listUrl = kBoard1;
        tab.title = caption;
        tab.lines = {"1\t2004/01/02 03:04\tname\t" + caption + "\t0\tfirst x",
                     "2\t2004/01/02 03:05\tname\tre\t1\tsecond"};
        return tab;
    }

    ui::TopicListPage &addList(const std::string &listUrl, const std::string &caption)
    {
        ui::TopicListPage &page = form->topicListPane().createPage(form->plugin(), caption, false, true, false);
        page.listUrl = listUrl;
        return page;
    }

    QLineEdit *urlEdit() { return form->findChild<QLineEdit *>(QStringLiteral("UrlEdit")); }

    std::string dir;
    std::vector<std::string> messages;
    std::function<void()> whileMessageOpen;
    std::vector<std::string> opened;
    bool systemOpens = true;
    bool created = false;
    std::unique_ptr<TMainForm> form;
};

} // namespace

TEST_F(WindowTest, WithoutThePlugInTheDirectoryIsNeverWrittenAsTheFavorites)
{
    const std::vector<std::string> directory = {"Cat\thttp://messages.yahoo.co.jp/dir/1\t1\t0",
                                                "Board\t" + kBoard1 + "\t0\t1"};
    ASSERT_TRUE(base::MakeDirs(dir + "Category"));
    ASSERT_TRUE(base::WriteLines(store::CategoryFilePath(dir, store::kPluginTreeName), directory));
    start(NK_FAKE_PLUGIN_NOINIT);
    EXPECT_FALSE(created);
    EXPECT_GE(form->favoritesCategoryTab(), 0) << "the favorites tree exists beside the directory";
    EXPECT_NE(form->favoritesCategoryTab(), form->siteCategoryTab());
    form.reset();

    EXPECT_EQ(base::ReadLines(store::CategoryFilePath(dir, store::kPluginTreeName)), directory);
    auto favorites = base::ReadLines(store::CategoryFilePath(dir, store::kFavoritesTreeName));
    ASSERT_TRUE(favorites);
    EXPECT_EQ(*favorites, std::vector<std::string>{qtbridge::ToSjis(QString::fromUtf8("お気に入り")) + "\t\t1\t0"});
}

TEST_F(WindowTest, EachTopicHasItsOwnExtractionPageWhateverTheCaptions)
{
    start();
    ASSERT_TRUE(created);
    ui::TopicPane &pane = form->topicPane();
    const std::string same = qtbridge::ToSjis(QString::fromUtf8("同じ題"));
    addTopic(10, same);
    addTopic(11, same);

    pane.strip()->setCurrentIndex(0);
    enterInDialogSoon(QStringLiteral("x"));
    ASSERT_TRUE(form->actions().run("ThrResExtra"));
    ASSERT_EQ(pane.pages().size(), 3);
    EXPECT_EQ(pane.pages()[2].topicUrl, topicUrl(10));

    // The second topic of the same title gets a page of its own.
    pane.strip()->setCurrentIndex(1);
    enterInDialogSoon(QStringLiteral("second"));
    ASSERT_TRUE(form->actions().run("ThrResExtra"));
    ASSERT_EQ(pane.pages().size(), 4);
    EXPECT_EQ(pane.pages()[3].topicUrl, topicUrl(11));
    EXPECT_EQ(pane.pages()[3].lines.size(), 1u);
    EXPECT_EQ(pane.pages()[2].lines, std::vector<std::string>{pane.pages()[0].lines[0]}) << "the first is untouched";

    // A source whose caption changed still finds its page.
    pane.strip()->setCaption(0, "renamed");
    pane.strip()->setCurrentIndex(0);
    enterInDialogSoon(QStringLiteral("second"));
    ASSERT_TRUE(form->actions().run("ThrResExtra"));
    EXPECT_EQ(pane.pages().size(), 4);
    EXPECT_EQ(pane.strip()->currentIndex(), 2);
    EXPECT_EQ(pane.pages()[2].lines, std::vector<std::string>{pane.pages()[0].lines[1]});

    // A message of the extraction page is marked in its source topic.
    form->setTargetMessage(2);
    ASSERT_TRUE(form->actions().run("PopMark"));
    auto marks = settings::IniFile::Load(dir + "mark.ini");
    EXPECT_EQ(marks.value("1", "10").value_or(""), "2");
}

TEST_F(WindowTest, ATabMenuClosedWithoutAChoiceTargetsNoTab)
{
    start();
    ASSERT_TRUE(created);
    for (int i = 0; i < 3; ++i)
        addList(i == 0 ? kBoard1 : kBoard2 + std::to_string(i), "list" + std::to_string(i));
    addTopic(10, "t0");
    addTopic(11, "t1");
    ui::TabStripBar *bar = form->topicListPane().strip()->strip();
    ASSERT_EQ(form->topicListPane().strip()->currentIndex(), 2);

    dismissMenuSoon();
    emit bar->customContextMenuRequested(bar->tabRect(0).center());
    EXPECT_EQ(form->tabTarget(), -1);

    // Ctrl+W on the topic strip and the list strip's close act on their active tabs.
    ASSERT_TRUE(form->actions().run("ThrActiveClose"));
    ASSERT_EQ(form->topicPane().pages().size(), 1);
    EXPECT_EQ(form->topicPane().pages()[0].topicUrl, topicUrl(10));
    ASSERT_TRUE(form->actions().run("ThrLstActiveClose"));
    ASSERT_EQ(form->topicListPane().pages().size(), 2);
    EXPECT_EQ(form->topicListPane().pages()[0].listUrl, kBoard1) << "the tab under the dismissed menu stays";

    // A command chosen from the menu still acts on the tab under it, and the target goes after.
    form->topicListPane().strip()->setCurrentIndex(0);
    chooseInMenuSoon(QStringLiteral("ThrLstLeftClose"));
    emit bar->customContextMenuRequested(bar->tabRect(1).center());
    ASSERT_EQ(form->topicListPane().pages().size(), 1);
    EXPECT_NE(form->topicListPane().pages()[0].listUrl, kBoard1);
    EXPECT_EQ(form->tabTarget(), -1);
}

TEST_F(WindowTest, AKeyOrAClickRightAfterATabOpenedIsNotLost)
{
    start();
    ASSERT_TRUE(created);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QApplication::setActiveWindow(form.get());
    ui::TabStrip *strip = form->topicPane().strip();
    strip->setFocus();
    form->actions().updateAll();
    QAction *closeAll = form->actions().action("ThrAllClose");
    QAction *closeActive = form->actions().action("ThrActiveClose");
    ASSERT_FALSE(closeAll->isEnabled()) << "no topic tab yet";

    // No event is handled between the tabs opening and the key: the states are still those of
    // an empty pane when Ctrl+Q arrives.
    addTopic(10, "t0");
    addTopic(11, "t1");
    ASSERT_FALSE(closeAll->isEnabled());
    QTest::keyClick(strip, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(form->topicPane().pages().size(), 0) << "Ctrl+Q closed every topic tab";

    // The same for a click on the close button.
    form->actions().updateAll();
    ASSERT_FALSE(closeActive->isEnabled());
    QToolButton *button = nullptr;
    for (QToolButton *b : form->findChildren<QToolButton *>())
        if (b->defaultAction() == closeActive && b->isVisible())
            button = b;
    ASSERT_TRUE(button) << "the topic pane's close button";
    addTopic(12, "t2");
    addTopic(13, "t3");
    ASSERT_FALSE(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(form->topicPane().pages().size(), 1) << "the click closed the active tab";
    EXPECT_EQ(form->topicPane().pages()[0].topicUrl, topicUrl(12));
}

TEST_F(WindowTest, ACommandsCtrlKeyRunsWhileABoxHasTheFocusButEditingKeysStayTheBoxs)
{
    start();
    ASSERT_TRUE(created);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QApplication::setActiveWindow(form.get());
    addTopic(10, "t0");
    int replies = 0;
    QObject::connect(form->actions().action("ThrRes"), &QAction::triggered, [&] { ++replies; });
    QLineEdit *box = urlEdit();
    box->setText(QStringLiteral("http://x/"));
    box->setFocus();
    box->setCursorPosition(0);
    // Ctrl+E is also "to the end of the line" for a line edit here.
    QTest::keyClick(box, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(replies, 1) << "the reply command did not run";
    EXPECT_EQ(box->cursorPosition(), 0);
    // Selecting all is the box's own.
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(box->selectedText(), QStringLiteral("http://x/"));
    // Qt's own menu over the bars (English, and able to hide the menus) is not offered.
    EXPECT_EQ(static_cast<QMainWindow *>(form.get())->createPopupMenu(), nullptr);
}

TEST_F(WindowTest, DeletingALogIsOfferedWhereTheBoardsFolderIsNowNotWhereItWas)
{
    start();
    ASSERT_TRUE(created);
    ui::TopicPage &tab = addTopic(10, "t0");
    tab.logName = "10.dat";
    // No directory yet: the board's logs are in the log folder itself.
    ASSERT_TRUE(base::MakeDirs(dir + "log"));
    ASSERT_TRUE(base::WriteFileAtomic(dir + "log/10.dat", tab.lines[0] + "\r\n"));
    form->actions().update("ThrDelete");
    EXPECT_TRUE(form->actions().action("ThrDelete")->isEnabled());

    // The directory now lists the board under a category: its folder moves there.
    ASSERT_TRUE(base::MakeDirs(dir + "Category"));
    ASSERT_TRUE(base::WriteLines(store::CategoryFilePath(dir, store::kPluginTreeName),
                                 {"Cat\thttp://messages.yahoo.co.jp/dir/1\t1\t0", "Board\t" + kBoard1 + "\t0\t1"}));
    form->actions().update("ThrDelete");
    EXPECT_FALSE(form->actions().action("ThrDelete")->isEnabled()) << "no log in the board's folder now";
    auto folder = store::ResolveBoardLogDir({dir, dir + "log"}, kBoard1);
    ASSERT_TRUE(folder);
    ASSERT_TRUE(base::WriteFileAtomic(*folder + "/10.dat", tab.lines[0] + "\r\n"));
    form->actions().update("ThrDelete");
    EXPECT_TRUE(form->actions().action("ThrDelete")->isEnabled());
}

TEST_F(WindowTest, TheEmptyPartOfATabRowAnswersTheMenuAndTheWheel)
{
    start();
    ASSERT_TRUE(created);
    form->resize(1000, 700);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    addList(kBoard1, "a");
    addList(kBoard2 + "1", "b");
    ui::TabStrip *strip = form->topicListPane().strip();
    QApplication::processEvents(); // the bar takes its place in the strip
    const QRect last = strip->strip()->tabRect(strip->count() - 1);
    const QPoint empty = strip->strip()->mapTo(strip, last.center()) + QPoint(last.width() + 40, 0);
    ASSERT_TRUE(strip->rect().contains(empty));
    ASSERT_FALSE(strip->strip()->geometry().contains(empty)) << "the point is off the bar itself";

    // The menu there acts on the active tab.
    chooseInMenuSoon(QStringLiteral("ThrLstActiveClose"));
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, empty, strip->mapToGlobal(empty));
    QApplication::sendEvent(strip, &menuEvent);
    ASSERT_EQ(form->topicListPane().pages().size(), 1);
    EXPECT_EQ(form->topicListPane().pages()[0].listUrl, kBoard1);

    // A wheel turn there switches tabs.
    addList(kBoard2 + "2", "c");
    QApplication::processEvents();
    ASSERT_EQ(strip->currentIndex(), 1);
    QWheelEvent wheel(empty, strip->mapToGlobal(empty), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(strip, &wheel);
    EXPECT_EQ(strip->currentIndex(), 0);
}

TEST_F(WindowTest, ASkinThatCannotBeWrittenIsReportedOnceUntilAPageIsShownAgain)
{
    // The program's skin folder cannot be made: a file holds its name.
    ASSERT_TRUE(base::WriteFileAtomic(dir + "skin", "not a folder"));
    start();
    ASSERT_TRUE(created);
    ui::TopicPage &tab = addTopic(10, "t0");
    for (int n = 3; n <= 250; ++n)
        tab.lines.push_back(std::to_string(n) + "\t2004/01/02 03:04\tname\tre\t1\tmore");
    const auto skinErrors = [&] {
        return std::count_if(messages.begin(), messages.end(),
                             [](const std::string &m) { return m.starts_with("スキンエラー|"); });
    };
    // The download goes on being shown while the first box is open.
    whileMessageOpen = [&] { form->actions().run("ThrMsgNext"); };
    for (const char *command : {"ThrMsgNext", "ThrMsgNext", "ThrMsgPrev"})
        form->actions().run(command);
    EXPECT_EQ(skinErrors(), 1);

    // Once a page could be shown, the next failure is reported again.
    fs::remove(dir + "skin");
    form->actions().run("ThrMsgNext");
    EXPECT_EQ(skinErrors(), 1);
    fs::remove_all(dir + "skin");
    ASSERT_TRUE(base::WriteFileAtomic(dir + "skin", "not a folder"));
    form->actions().run("ThrMsgPrev");
    EXPECT_EQ(skinErrors(), 2);
}

TEST_F(WindowTest, AFailedFavoritesRefreshDoesNotCaptionTheBoardsOwnTab)
{
    start();
    ASSERT_TRUE(created);
    addList(kBoard1, "Board");
    FetchRequest request{};
    std::snprintf(request.url, sizeof request.url, "%s", kBoard1.c_str());
    request.kind = plugin_api::kTopicList;
    request.retryCount = 1000; // beyond any retry setting: given up
    // As a worker reports it: from its own thread, waiting for the window's answer.
    const auto reportFailure = [&] {
        std::atomic<bool> answered{false};
        std::thread worker([&] {
            form->notices().send(net::NoticeCode::RequestFailed, &request);
            answered = true;
        });
        const bool done = apptest::WaitFor([&] { return answered.load(); });
        worker.join();
        return done;
    };
    // The favorites tab refreshes its boards without a plug-in.
    request.plugin = nullptr;
    ASSERT_TRUE(reportFailure());
    EXPECT_EQ(form->topicListPane().strip()->caption(0), "Board");

    request.plugin = form->plugin();
    ASSERT_TRUE(reportFailure());
    EXPECT_EQ(form->topicListPane().strip()->caption(0), net::kRetryErrorText);
}

TEST_F(WindowTest, ClickingFileLoginLeavesTheCheckOnTheLoginState)
{
    start();
    ASSERT_TRUE(created);
    QAction *login = form->actions().action("FileLogin");
    ASSERT_TRUE(form->actions().run("FileLogin"));
    EXPECT_FALSE(login->isChecked()) << "not logged in: the click alone does not check it";
}

TEST_F(WindowTest, TheTreeTellsCategoriesOpenCategoriesAndBoardsApartAlsoAfterExpandAll)
{
    std::vector<QIcon> images = ui::image::MakeImageList();
    auto picture = [&](int i) { return images[static_cast<std::size_t>(i)].pixmap(16, 16).toImage(); };
    EXPECT_NE(picture(ui::image::FolderClosed), picture(ui::image::FolderOpen));
    EXPECT_NE(picture(ui::image::FolderClosed), picture(ui::image::Board));
    EXPECT_NE(picture(ui::image::FolderOpen), picture(ui::image::Board));

    ASSERT_TRUE(base::MakeDirs(dir + "Category"));
    ASSERT_TRUE(base::WriteLines(store::CategoryFilePath(dir, store::kPluginTreeName),
                                 {"Cat\thttp://messages.yahoo.co.jp/dir/1\t1\t0", "Board\t" + kBoard1 + "\t0\t1",
                                  "Sub\thttp://messages.yahoo.co.jp/dir/2\t1\t1", "Deep\t" + kBoard2 + "\t0\t2"}));
    start();
    ASSERT_TRUE(created);
    QTreeWidget *tree = form->categoryPane().pages()[form->siteCategoryTab()].tree;
    QTreeWidgetItem *top = tree->topLevelItem(0);
    ASSERT_TRUE(top);
    qint64 boardIcon = top->child(0)->icon(0).cacheKey();
    qint64 closedIcon = top->icon(0).cacheKey();
    EXPECT_NE(boardIcon, closedIcon);
    tree->setCurrentItem(top);
    QKeyEvent star(QEvent::KeyPress, Qt::Key_Asterisk, Qt::NoModifier, QStringLiteral("*"));
    QApplication::sendEvent(tree, &star);
    ASSERT_TRUE(top->child(1)->isExpanded()) << "expand-all reached the sub-category";
    EXPECT_NE(top->icon(0).cacheKey(), closedIcon) << "an open category shows the open image";
    EXPECT_EQ(top->child(0)->icon(0).cacheKey(), boardIcon);
    EXPECT_EQ(top->child(1)->child(0)->icon(0).cacheKey(), boardIcon);
    top->setExpanded(false);
    EXPECT_EQ(top->icon(0).cacheKey(), closedIcon);
}

TEST_F(WindowTest, TheAddressBoxShowsTheActiveTabsAddressOrNothing)
{
    start();
    ASSERT_TRUE(created);
    addList(kBoard1, "one");
    addList(":Favorite", "fav");
    addList(kBoard2, "two");
    ui::TabStrip &lists = *form->topicListPane().strip();
    lists.setCurrentIndex(0);
    EXPECT_EQ(urlEdit()->text().toStdString(), kBoard1);
    lists.setCurrentIndex(1);
    EXPECT_EQ(urlEdit()->text(), QString()) << "a special list has no address";
    lists.setCurrentIndex(2);
    ASSERT_TRUE(form->actions().run("ThrLstAllClose"));
    EXPECT_EQ(urlEdit()->text(), QString()) << "no address of a closed tab";

    addTopic(10, "t0");
    addTopic(11, "t1");
    form->topicPane().strip()->setCurrentIndex(0);
    EXPECT_EQ(urlEdit()->text().toStdString(), topicUrl(10));
    ASSERT_TRUE(form->actions().run("ThrActiveClose"));
    EXPECT_EQ(urlEdit()->text().toStdString(), topicUrl(11));
    ASSERT_TRUE(form->actions().run("ThrActiveClose"));
    EXPECT_EQ(urlEdit()->text(), QString());
}

TEST_F(WindowTest, TheAddressBoxRefusesWhatItCannotOpenAndABrowserThatFailsIsReported)
{
    start();
    ASSERT_TRUE(created);
    urlEdit()->setText(QStringLiteral("example.jp"));
    emit urlEdit()->returnPressed();
    EXPECT_EQ(form->statusPanels().panelText(0), QString::fromUtf8("URLが正しくありません"));
    EXPECT_TRUE(opened.empty()) << "nothing was handed to the system";
    EXPECT_TRUE(messages.empty());

    // The configured browser does not exist and the system's handler fails too: a message box.
    systemOpens = false;
    urlEdit()->setText(QStringLiteral("http://example.jp/page"));
    emit urlEdit()->returnPressed();
    EXPECT_EQ(opened, std::vector<std::string>{"http://example.jp/page"});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("ブラウザを起動できませんでした。"), std::string::npos) << messages[0];

    // When the system's handler works nothing is said.
    systemOpens = true;
    messages.clear();
    emit urlEdit()->returnPressed();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(opened.size(), 2u);
}

TEST_F(WindowTest, TheProgressBarShowsTheRunningRequestsWhateverTabIsInFront)
{
    start();
    ASSERT_TRUE(created);
    QProgressBar *bar = form->statusPanels().progressBar();
    ui::TopicPage &fetching = addTopic(10, "t0");
    fetching.rangeFirst = 1;
    fetching.rangeLast = 57;
    fetching.received = 23;
    addTopic(11, "t1");
    // A tab change shows the bar anew at once.
    form->topicPane().strip()->setCurrentIndex(0);
    EXPECT_EQ(bar->maximum(), form->settings().network.threadMax) << "a topic's own progress is in its caption";
    EXPECT_EQ(bar->value(), form->pipeline().runningCount());
}

TEST_F(WindowTest, TheMessagePopUpIsAsWideAsTheWindowAtMost)
{
    start(NK_FAKE_PLUGIN, true);
    ASSERT_TRUE(created);
    form->resize(900, 600);
    ui::TopicPage &source = addTopic(10, "t0");
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += "word ";
    source.lines[0] = "1\t2004/01/02 03:04\tname\ttitle\t0\t" + text;
    enterInDialogSoon(QStringLiteral("w"));
    ASSERT_TRUE(form->actions().run("ThrResExtra"));
    auto *view = qobject_cast<view::HtmlView *>(form->topicPane().activePage()->browser.data());
    ASSERT_TRUE(view);
    emit view->linkHovered(QString::fromStdString(topicUrl(10)));
    auto *popup = form->findChild<QLabel *>(QStringLiteral("ResPopup"));
    ASSERT_TRUE(popup) << "the pop-up of message 1 was shown";
    EXPECT_EQ(popup->maximumWidth(), form->width());
    EXPECT_GT(popup->width(), 600) << "a long message uses the width it has";
    EXPECT_LE(popup->width(), form->width());
}
