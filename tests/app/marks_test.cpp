// Read marks, tab restoration, log deletion and the reply tree in the window, against the bundled
// board server with the real plug-in and the web view.
#include "app/mainform.h"
#include "base/text.h"
#include "qtbridge/sjis.h"
#include "store/boarddir.h"
#include "store/logdelete.h"
#include "store/marks.h"
#include "store/marktexts.h"
#include "store/replytree.h"
#include "store/threadlog.h"
#include "tests/app/boardfixture.h"
#include "ui/topiclistview.h"
#include "view/htmlview.h"
#include "view/webengine.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <thread>

namespace {

int argc = 1;
char arg0[] = "app_marks_test";
char *argv[] = {arg0, nullptr};

class MarksWindowTest : public apptest::BoardFixture {
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
        return {"--categories", "1", "--depth",    "1",  "--subcategories", "1", "--boards", "2",
                "--topics",     "4", "--messages", "60", "--huge",          "0"};
    }
    /// Every message of a topic in one fetch; ten messages a page.
    std::string extraIni() const override
    {
        return "dl_count_index=0\r\n[tab]\r\nrestoration=1\r\n[general]\r\nmsgview=10\r\n";
    }

    /// Closes the window (the shutdown saves what it saves) and starts a new one on the same
    /// program directory.
    void restart()
    {
        form.reset();
        form = std::make_unique<TMainForm>(
            dir, [this](const QString &, const QString &text) { messages.push_back(text.toStdString()); });
        form->resize(1000, 700);
        form->show();
        ASSERT_TRUE(form->FormCreate());
    }

    /// Opens the board's list online in a tab of its own.
    void openBoard(ui::CategoryItem *board)
    {
        siteTab().tree->setCurrentItem(board);
        ASSERT_TRUE(form->actions().run("PopCtgNewOpen"));
        ASSERT_TRUE(apptest::WaitFor(
            [&] { return activeList() && activeList()->topLevelItemCount() > 0 && activeList()->updatesEnabled(); }));
    }

    view::HtmlView *browserOf(ui::TopicPage &tab) { return qobject_cast<view::HtmlView *>(tab.browser.data()); }

    /// Opens row `row` of the active list in a new tab and waits for the download and the page.
    ui::TopicPage *openRow(int row, int limitMs = 60000)
    {
        QTreeWidget *list = activeList();
        if (!list || list->topLevelItemCount() <= row)
            return nullptr;
        list->setCurrentItem(list->topLevelItem(row));
        std::string url = static_cast<ui::TopicItem *>(list->topLevelItem(row))->row().entry.topicUrl;
        form->actions().run("PopThrLstNewOpen");
        bool done = apptest::WaitFor(
            [&] {
                ui::TopicPage *tab = form->topicPane().activePage();
                return tab && tab->topicUrl == url && !tab->downloading() && !tab->lines.empty() && browserOf(*tab) &&
                       !browserOf(*tab)->isLoading();
            },
            limitMs);
        return done ? form->topicPane().activePage() : nullptr;
    }

    bool pageLoaded(ui::TopicPage &tab)
    {
        return apptest::WaitFor([&] { return browserOf(tab) && !browserOf(tab)->isLoading(); }, 30000);
    }

    double scrollY(ui::TopicPage &tab)
    {
        double y = -1;
        browserOf(tab)->readScrollY([&](double value) { y = value; });
        apptest::WaitFor([&] { return y >= 0; }, 5000);
        return y;
    }

    std::string logPathOf(const std::string &listUrl, const std::string &logName)
    {
        auto boardDir = store::ResolveBoardLogDir({dir, form->settings().path.log}, listUrl);
        return boardDir ? *boardDir + "/" + logName : std::string();
    }

    QMenu *markMenu() { return form->findChild<QMenu *>(QStringLiteral("MarkPopupMenu")); }

    /// The first row of the active list, after skip rows, whose topic has at least posts posts.
    int rowWithPosts(int posts, int skip = 0)
    {
        QTreeWidget *list = activeList();
        for (int i = 0; list && i < list->topLevelItemCount(); ++i) {
            const auto &row = static_cast<ui::TopicItem *>(list->topLevelItem(i))->row();
            if (base::ParseInt(row.text(store::kPostsItem), 0) >= posts && skip-- == 0)
                return i;
        }
        return -1;
    }
};

class RestorationWindowTest : public MarksWindowTest {
protected:
    std::string extraIni() const override { return "dl_count_index=0\r\n[tab]\r\nrestoration=1\r\n"; }
};

TEST_F(RestorationWindowTest, TwoBoardsAndFourTopicsComeBackInTheirOrderWithTheirScroll)
{
    form->resize(1000, 700);
    form->show();
    crawl();
    std::vector<ui::CategoryItem *> all = boards();
    ASSERT_GE(all.size(), 2u);
    for (int b = 0; b < 2; ++b) {
        openBoard(all[static_cast<std::size_t>(b)]);
        ASSERT_TRUE(openRow(0)) << "board " << b;
        ASSERT_TRUE(openRow(1)) << "board " << b;
    }
    ASSERT_EQ(form->topicPane().pages().size(), 4);

    // The second topic is scrolled to its middle with the jump box.
    form->topicPane().strip()->setCurrentIndex(1);
    ui::TopicPage &middle = form->topicPane().pages()[1];
    auto *jump = form->topicPane().resBand()->findChild<QLineEdit *>(QStringLiteral("ResLabeledEdit"));
    ASSERT_TRUE(jump);
    const int half = static_cast<int>(middle.lines.size()) / 2;
    jump->setText(QString::number(half));
    emit jump->returnPressed();
    ASSERT_EQ(middle.scrollTarget, half);
    ASSERT_TRUE(pageLoaded(middle));
    double before = scrollY(middle);
    EXPECT_GT(before, 0);

    struct Tab {
        std::string key;
        int scrollTarget, viewStart;
        std::size_t lines;
    };
    std::vector<Tab> topics;
    for (int i = 0; i < form->topicPane().pages().size(); ++i) {
        ui::TopicPage &t = form->topicPane().pages()[i];
        topics.push_back({t.topicUrl, t.scrollTarget, t.viewStart, t.lines.size()});
    }
    // The two boards, after the favorites tab when the start-up opened one.
    std::vector<std::string> lists;
    int boardTabs = 0;
    for (int i = 0; i < form->topicListPane().pages().size(); ++i) {
        lists.push_back(form->topicListPane().pages()[i].listUrl);
        boardTabs += lists.back()[0] != ':';
    }
    ASSERT_EQ(boardTabs, 2);

    restart();

    std::vector<std::string> restoredLists;
    for (int i = 0; i < form->topicListPane().pages().size(); ++i)
        restoredLists.push_back(form->topicListPane().pages()[i].listUrl);
    EXPECT_EQ(restoredLists, lists);
    for (int i = 0; i < form->topicListPane().pages().size(); ++i) {
        if (form->topicListPane().pages()[i].listUrl[0] == ':')
            continue;
        auto *list = qobject_cast<QTreeWidget *>(form->topicListPane().pages()[i].view.data());
        ASSERT_TRUE(list);
        EXPECT_EQ(list->topLevelItemCount(), 4) << "the board list is read back from its file";
        // A reload after a failed one gives the tab this caption back.
        EXPECT_EQ(form->topicListPane().pages()[i].boardName, form->topicListPane().strip()->caption(i));
    }
    ASSERT_EQ(form->topicPane().pages().size(), 4);
    for (int i = 0; i < 4; ++i) {
        ui::TopicPage &t = form->topicPane().pages()[i];
        const Tab &was = topics[static_cast<std::size_t>(i)];
        EXPECT_TRUE(store::SameTopic(t.topicUrl, was.key)) << i;
        EXPECT_EQ(t.scrollTarget, was.scrollTarget) << i;
        EXPECT_EQ(t.viewStart, was.viewStart) << i;
        EXPECT_EQ(t.lines.size(), was.lines) << i;
        EXPECT_GE(t.postCount, static_cast<int>(t.lines.size())) << "the post count comes from the board list";
        EXPECT_GT(t.postCount, 0);
        EXPECT_EQ(t.rangeLast, 0) << "restored without a download";
        EXPECT_EQ(form->topicPane().strip()->caption(i), t.title);
        EXPECT_FALSE(t.title.empty());
    }
    EXPECT_EQ(form->topicPane().strip()->currentIndex(), 3) << "the last restored tab is active";
    form->topicPane().strip()->setCurrentIndex(1);
    ui::TopicPage &again = form->topicPane().pages()[1];
    ASSERT_TRUE(pageLoaded(again));
    double after = scrollY(again);
    EXPECT_NEAR(after, before, 4.0) << "the same scroll";

    // A restored topic fetches the rest of the whole topic, not just message 1.
    form->topicPane().strip()->setCurrentIndex(3);
    int posts = form->topicPane().activePage()->postCount;
    ASSERT_TRUE(form->actions().run("ThrDlRes"));
    EXPECT_EQ(form->topicPane().activePage()->rangeLast, posts);
}

TEST_F(MarksWindowTest, ThreeMarksSurviveARestartAndAreJumpedTo)
{
    form->resize(1000, 700);
    form->show();
    crawl();
    ASSERT_TRUE(openListedBoard());
    int row = rowWithPosts(25);
    ASSERT_GE(row, 0);
    ui::TopicPage *tab = openRow(row);
    ASSERT_TRUE(tab);
    const int n = static_cast<int>(tab->lines.size());
    ASSERT_GE(n, 21);
    ASSERT_EQ(store::LogLineNumber(tab->lines[11], 0), 12) << "the log holds every message";

    form->setTargetMessage(-1);
    form->actions().update("PopMark");
    EXPECT_FALSE(form->actions().action("PopMark")->isEnabled()) << "no target message, nothing to mark";
    form->actions().update("ThrMark");
    EXPECT_FALSE(form->actions().action("ThrMark")->isEnabled());
    const int last = store::LogLineNumber(tab->lines[static_cast<std::size_t>(n - 3)], 0);
    for (int mark : {5, last, 12}) {
        form->setTargetMessage(mark);
        ASSERT_TRUE(form->actions().run("PopMark"));
    }
    auto ids = store::MarkIdsOf(tab->topicUrl);
    ASSERT_TRUE(ids);
    EXPECT_EQ(base::ReadFile(dir + "mark.ini").value_or(""),
              "[" + ids->board + "]\r\n" + ids->topic + "=5," + std::to_string(last) + ",12\r\n");

    restart();
    ASSERT_EQ(form->topicPane().pages().size(), 1);
    tab = form->topicPane().activePage();
    ASSERT_TRUE(pageLoaded(*tab));
    form->actions().update("ThrMark");
    EXPECT_TRUE(form->actions().action("ThrMark")->isEnabled());
    QMenu *menu = markMenu();
    ASSERT_TRUE(menu);
    auto *markButton = form->findChild<QToolButton *>(QStringLiteral("MarkToolButton"));
    ASSERT_TRUE(markButton);
    EXPECT_EQ(markButton->menu(), menu);
    emit menu->aboutToShow();
    QStringList captions;
    for (QAction *item : menu->actions())
        captions << (item->isSeparator() ? QStringLiteral("-") : item->text());
    EXPECT_EQ(captions, (QStringList{"5", QString::number(last), "12", "-", QString::fromUtf8("クリア(&C)")}));

    auto jumpTo = [&](const QString &caption) {
        for (QAction *item : menu->actions())
            if (item->text() == caption)
                item->trigger();
    };
    // Ten messages a page: 12 (line 11) starts its page, 5 is on the first page, and the
    // third-last message shows the last page.
    jumpTo("12");
    EXPECT_EQ(tab->scrollTarget, 12);
    EXPECT_EQ(tab->viewStart, 11);
    ASSERT_TRUE(pageLoaded(*tab));
    jumpTo("5");
    EXPECT_EQ(tab->scrollTarget, 5);
    EXPECT_EQ(tab->viewStart, 0);
    ASSERT_TRUE(pageLoaded(*tab));
    jumpTo(QString::number(last));
    EXPECT_EQ(tab->scrollTarget, last);
    EXPECT_EQ(tab->viewStart, n - 10);
    ASSERT_TRUE(pageLoaded(*tab));

    jumpTo(QString::fromUtf8("クリア(&C)"));
    form->actions().update("ThrMark");
    EXPECT_FALSE(form->actions().action("ThrMark")->isEnabled()) << "cleared";
}

TEST_F(MarksWindowTest, ATopicsLogIsDeletedFromTheListAndFromItsTab)
{
    form->resize(1000, 700);
    form->show();
    crawl();
    QTreeWidget *list = openListedBoard();
    ASSERT_TRUE(list);
    ui::TopicPage *first = openRow(0);
    ASSERT_TRUE(first);
    std::string firstLog = logPathOf(first->listUrl, first->logName);
    ASSERT_TRUE(base::FileExists(firstLog));
    ASSERT_TRUE(base::FileExists(store::NumberIndexPath(firstLog)));

    // From the list, first answering No.
    int asked = 0;
    std::string question;
    bool answer = false;
    form->setConfirm([&](const QString &, const QString &text) {
        ++asked;
        question = qtbridge::ToSjis(text);
        return answer;
    });
    list = activeList();
    list->setCurrentItem(list->topLevelItem(0));
    auto rowOf = [&](int i) { return static_cast<ui::TopicItem *>(list->topLevelItem(i))->row(); };
    ASSERT_EQ(rowOf(0).image, store::kLoggedTopicImage);
    ASSERT_TRUE(form->actions().run("PopThrLstDelete"));
    EXPECT_EQ(asked, 1);
    EXPECT_NE(question.find(firstLog), std::string::npos) << "the question names the file";
    EXPECT_NE(question.find(store::kDeleteQuestionEnd), std::string::npos);
    EXPECT_TRUE(base::FileExists(firstLog)) << "No keeps the files";
    EXPECT_EQ(rowOf(0).image, store::kLoggedTopicImage);

    answer = true;
    ASSERT_TRUE(form->actions().run("PopThrLstDelete"));
    EXPECT_FALSE(base::FileExists(firstLog));
    EXPECT_FALSE(base::FileExists(store::NumberIndexPath(firstLog)));
    EXPECT_EQ(rowOf(0).image, store::kUnloggedTopicImage);
    EXPECT_EQ(rowOf(0).text(store::kFetchedItem), "0");
    EXPECT_EQ(rowOf(0).text(store::kUnfetchedItem), "");
    EXPECT_FALSE(first->lines.empty()) << "the open tab keeps showing its messages";
    form->actions().update("PopThrLstDelete");
    EXPECT_FALSE(form->actions().action("PopThrLstDelete")->isEnabled()) << "no log left to delete";

    // From the tab of another topic, opened at a message (its key carries mid=N).
    ui::TopicPage *second = openRow(1);
    ASSERT_TRUE(second);
    std::string secondLog = logPathOf(second->listUrl, second->logName);
    ASSERT_TRUE(base::FileExists(secondLog));
    std::string keyAtMessage = second->topicUrl.substr(0, second->topicUrl.find("mid=")) + "mid=12";
    form->OpenUrl(keyAtMessage, 12, 12, store::OpenMode::ActiveTab, true);
    ui::TopicPage *atMessage = form->topicPane().activePage();
    ASSERT_TRUE(atMessage && atMessage->topicUrl == keyAtMessage);
    form->actions().update("ThrDelete");
    ASSERT_TRUE(form->actions().action("ThrDelete")->isEnabled());
    auto *deleteButton = form->findChild<QToolButton *>(QStringLiteral("LogDelToolButton"));
    ASSERT_TRUE(deleteButton);
    EXPECT_TRUE(deleteButton->isEnabled()) << "a topic tab exists";
    ASSERT_TRUE(form->actions().run("ThrDelete"));
    EXPECT_EQ(asked, 3);
    EXPECT_FALSE(base::FileExists(secondLog));
    EXPECT_EQ(rowOf(1).image, store::kUnloggedTopicImage) << "the row is found whatever message the key names";
    form->actions().update("ThrDelete");
    EXPECT_FALSE(form->actions().action("ThrDelete")->isEnabled());

    // While a download runs: it stops, and what still arrives does not write the log back.
    // The topic has a stored beginning, and message 6 answers only after the network timeout.
    int thirdRow = -1;
    for (int i = 2; i < list->topLevelItemCount() && thirdRow < 0; ++i)
        if (base::ParseInt(rowOf(i).text(store::kPostsItem), 0) >= 10)
            thirdRow = i;
    ASSERT_GE(thirdRow, 2) << "a third topic of at least ten messages";
    list->setCurrentItem(list->topLevelItem(thirdRow));
    store::TopicRow third = rowOf(thirdRow);
    std::string thirdLog = logPathOf(form->topicListPane().activePage()->listUrl, third.entry.logName);
    ASSERT_TRUE(base::WriteLines(
        thirdLog, {"1\t0\t2004/01/02 03:04\tname\ttitle\tbody", "2\t1\t2004/01/02 03:05\tname\tRe: title\tbody"}));
    ASSERT_TRUE(server.addFault("delay=20000@*mid=6*"));
    form->actions().run("PopThrLstNewOpen");
    ASSERT_TRUE(apptest::WaitFor(
        [&] {
            ui::TopicPage *tab = form->topicPane().activePage();
            return tab && tab->topicUrl == third.entry.topicUrl && tab->lines.size() >= 5;
        },
        30000));
    ui::TopicPage *running = form->topicPane().activePage();
    ASSERT_TRUE(running->downloading()) << "message 6 is still on its way";
    ASSERT_TRUE(form->actions().run("ThrDelete"));
    EXPECT_EQ(asked, 4);
    EXPECT_FALSE(running->downloading()) << "the fetch ended";
    EXPECT_FALSE(base::FileExists(thirdLog));
    // The requests already running still answer (or are given up) and reach the tab.
    const int counted = running->received;
    ASSERT_TRUE(apptest::WaitFor([&] { return running->received > counted; }, 30000));
    EXPECT_FALSE(base::FileExists(thirdLog)) << "what arrived late did not write the log back";
    form->actions().run("ThrActiveClose");
    EXPECT_FALSE(base::FileExists(thirdLog)) << "nor did closing the tab";
    EXPECT_EQ(rowOf(thirdRow).image, store::kUnloggedTopicImage);
    server.clearFaults();
}

class ReplyTreeWindowTest : public MarksWindowTest {
protected:
    std::vector<std::string> serverArguments() const override
    {
        return {"--categories", "1", "--depth",    "1",   "--subcategories", "1", "--boards", "1",
                "--topics",     "3", "--messages", "300", "--huge",          "0"};
    }
    std::string extraIni() const override { return "dl_count_index=0\r\n"; }
};

TEST_F(ReplyTreeWindowTest, TheTreeOfA300MessageTopicIsBuiltAndANodeOpensItsMessage)
{
    form->resize(1000, 700);
    form->show();
    crawl();
    ASSERT_TRUE(openListedBoard());
    int row = rowWithPosts(300);
    ASSERT_GE(row, 0) << "a topic of 300 messages";
    ui::TopicPage *tab = openRow(row, 180000);
    ASSERT_TRUE(tab);
    ASSERT_GE(tab->lines.size(), 300u);
    std::map<int, int> answers; // number -> the number it answers
    for (const std::string &line : tab->lines) {
        store::LogFields f = store::SplitLogLine(line);
        answers[base::ParseInt(f.number, 0)] = base::ParseInt(f.replyTo, 0);
    }

    ui::TopicListPage *listTab = form->topicListPane().activePage();
    QTreeWidget *list = activeList();
    list->setCurrentItem(list->topLevelItem(row));
    std::string title = static_cast<ui::TopicItem *>(list->topLevelItem(row))->row().text(store::kTitleItem);
    int tabs = form->topicListPane().pages().size();
    ASSERT_TRUE(form->actions().run("ThrLstTreeOpen"));
    ASSERT_EQ(form->topicListPane().pages().size(), tabs + 1);
    EXPECT_EQ(form->topicListPane().activePage(), listTab) << "the tree tab opens behind";
    int treeIndex = tabs;
    ui::TopicListPage &treeTab = form->topicListPane().pages()[treeIndex];
    EXPECT_EQ(treeTab.listUrl, ":Tree");
    auto *tree = qobject_cast<QTreeWidget *>(treeTab.view.data());
    ASSERT_TRUE(tree);
    std::string caption = title + store::kTreeCaptionSuffix;
    auto count = [&] {
        int n = 0;
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            ++n;
        return n;
    };
    ASSERT_TRUE(apptest::WaitFor([&] { return form->topicListPane().strip()->caption(treeIndex) == caption; }))
        << "the building mark goes when the tree is in";
    ASSERT_EQ(count(), static_cast<int>(tab->lines.size()));
    // Each node hangs under the message it answers, when that one came before it.
    int nested = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        int number = store::NodeMessageNumber(qtbridge::ToSjis((*it)->text(0)));
        if (QTreeWidgetItem *parent = (*it)->parent()) {
            ++nested;
            EXPECT_EQ(answers[number], store::NodeMessageNumber(qtbridge::ToSjis(parent->text(0)))) << number;
        } else {
            int answered = answers[number];
            EXPECT_TRUE(answered == 0 || answered >= number || !answers.count(answered)) << number;
        }
    }
    EXPECT_GT(nested, 0) << "the board's replies give the tree some depth";

    // Building again replaces the nodes.
    form->topicListPane().strip()->setCurrentIndex(form->topicListPane().pages().indexOf(listTab));
    ASSERT_TRUE(form->actions().run("ThrLstTreeOpen"));
    EXPECT_EQ(form->topicListPane().strip()->currentIndex(), treeIndex) << "the existing tree tab is shown";
    ASSERT_TRUE(apptest::WaitFor([&] { return form->topicListPane().strip()->caption(treeIndex) == caption; }));
    EXPECT_EQ(count(), static_cast<int>(tab->lines.size()));

    // Selecting the node of message 40 shows that message of the topic.
    QTreeWidgetItem *node40 = nullptr;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->text(0).startsWith(QStringLiteral("40 ")))
            node40 = *it;
    ASSERT_TRUE(node40);
    tree->setCurrentItem(node40);
    ui::TopicPage *shown = form->topicPane().activePage();
    ASSERT_TRUE(shown);
    EXPECT_TRUE(store::SameTopic(shown->topicUrl, tab->topicUrl));
    EXPECT_EQ(shown->scrollTarget, 40);
    ASSERT_TRUE(pageLoaded(*shown));
    EXPECT_GT(scrollY(*shown), 0) << "message 40 is scrolled into view";

    // The node's menu over another topic's tab: that topic's message 40 is not offered for
    // deletion, the NG lists or a reply; over the tree's own topic it is.
    auto menuStates = [&] {
        std::map<std::string, bool> states;
        auto *timer = new QTimer;
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, timer, [&, timer] {
            QWidget *popup = QApplication::activePopupWidget();
            if (!popup)
                return;
            for (const char *name : {"PopResDel", "AddNGName", "AddNGTitle", "PopRes"})
                states[name] = form->actions().action(name)->isEnabled();
            popup->close();
            timer->deleteLater();
        });
        timer->start();
        emit tree->customContextMenuRequested(tree->visualItemRect(node40).center());
        return states;
    };
    for (auto [name, enabled] : menuStates())
        EXPECT_TRUE(enabled) << name << " over the tree's own topic";
    std::string otherUrl = tab->topicUrl;
    otherUrl.insert(otherUrl.find("tid=") + 4, "9");
    ui::TopicPage &other = form->topicPane().createPage(form->plugin(), "other", true, false);
    other.topicUrl = otherUrl;
    other.lines = tab->lines;
    ASSERT_EQ(form->topicPane().activePage(), &other);
    std::map<std::string, bool> overOther = menuStates();
    ASSERT_EQ(overOther.size(), 4u) << "the menu opened";
    for (auto [name, enabled] : overOther)
        EXPECT_FALSE(enabled) << name << " over another topic";
    form->actions().run("ThrActiveClose");

    // A tree tab closed during its build receives nothing.
    form->topicListPane().strip()->setCurrentIndex(form->topicListPane().pages().indexOf(listTab));
    list->setCurrentItem(list->topLevelItem(row));
    ASSERT_TRUE(form->actions().run("ThrLstTreeOpen"));
    form->setTabTarget(treeIndex);
    ASSERT_TRUE(form->actions().run("ThrLstActiveClose"));
    ASSERT_EQ(form->topicListPane().pages().size(), tabs);
    QEventLoop settle;
    QTimer::singleShot(500, &settle, &QEventLoop::quit);
    settle.exec();
    EXPECT_EQ(form->topicListPane().pages().size(), tabs);

    // A tree whose thread cannot be started leaves its tab empty and marked as failed.
    const std::string listUrl = listTab->listUrl;
    auto refuse = std::make_shared<std::atomic<bool>>(false); // read by the dispatcher threads too
    form.reset();
    form = std::make_unique<TMainForm>(
        dir, [this](const QString &, const QString &text) { messages.push_back(text.toStdString()); },
        TMainForm::BrowserFactory{},
        [refuse](std::function<void()> work) {
            if (*refuse)
                return false;
            std::thread(std::move(work)).detach();
            return true;
        });
    form->show();
    ASSERT_TRUE(form->FormCreate());
    form->OpenUrl(listUrl, 0, 0, store::OpenMode::NewTab, true);
    list = activeList();
    ASSERT_TRUE(list && list->topLevelItemCount() > row);
    list->setCurrentItem(list->topLevelItem(row));
    *refuse = true;
    ASSERT_TRUE(form->actions().run("ThrLstTreeOpen"));
    *refuse = false;
    int failedIndex = form->topicListPane().pages().size() - 1;
    EXPECT_EQ(form->topicListPane().strip()->caption(failedIndex), caption + store::kTreeFailedSuffix);
    auto *failedTree = qobject_cast<QTreeWidget *>(form->topicListPane().pages()[failedIndex].view.data());
    ASSERT_TRUE(failedTree);
    EXPECT_EQ(failedTree->topLevelItemCount(), 0);
}

class MarksInAJapaneseFolderTest : public MarksWindowTest {
protected:
    std::string logRoot() const { return dir + "ログ"; }
    std::string extraIni() const override { return MarksWindowTest::extraIni() + "[path]\r\nlog=" + logRoot() + "\r\n"; }
};

TEST_F(MarksInAJapaneseFolderTest, TheDeletionQuestionShowsTheLogFolderAndTheBoardFoldersAsTheyAreNamed)
{
    form->resize(1000, 700);
    form->show();
    crawl();
    QTreeWidget *list = openListedBoard();
    ASSERT_TRUE(list);
    ui::TopicPage *first = openRow(0);
    ASSERT_TRUE(first);
    std::string log = logPathOf(first->listUrl, first->logName);
    ASSERT_TRUE(log.starts_with(logRoot()));
    ASSERT_TRUE(base::FileExists(log));

    QString question;
    form->setConfirm([&](const QString &, const QString &text) {
        question = text;
        return false;
    });
    list = activeList();
    list->setCurrentItem(list->topLevelItem(0));
    ASSERT_TRUE(form->actions().run("PopThrLstDelete"));
    // The board folders are the directory's names, stored as Shift_JIS.
    const QString shown = QString::fromUtf8(logRoot().c_str()) + qtbridge::FromSjis(log.substr(logRoot().size()));
    EXPECT_TRUE(question.contains(shown)) << question.toStdString();
    EXPECT_FALSE(question.contains(QChar(0xFFFD))) << question.toStdString();
    EXPECT_TRUE(question.startsWith(qtbridge::FromSjis(store::kDeleteThreadLabel)));
    EXPECT_TRUE(base::FileExists(log)) << "No keeps the files";
}

} // namespace
