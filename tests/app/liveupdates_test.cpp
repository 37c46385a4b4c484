// Downloads in the window with their progress shown in batches: the count in the caption while a
// topic arrives, the title once it has, and the status panels at the end, against the bundled
// board server with the real plug-in.
#include <QApplication>
#include <QProgressBar>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <regex>

#include "qtbridge/sjis.h"
#include "tests/app/boardfixture.h"
#include "ui/panes.h"
#include "ui/statusbar.h"
#include "ui/tabstrip.h"
#include "ui/topiclistview.h"
#include "view/htmlview.h"
#include "view/webengine.h"

namespace {

int argc = 1;
char arg0[] = "app_liveupdates_test";
char *argv[] = {arg0, nullptr};

class LiveUpdatesTest : public apptest::BoardFixture {
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
        return {"--categories", "1", "--depth",  "1", "--subcategories", "1",       "--boards", "1",
                "--topics",     "2", "--messages", "40", "--huge",       "0", "--deleted", "0"};
    }

    /// Opens the board and the first topic with at least `least` posts, each message page
    /// answered after delayMs, so that the download is still running for a while.
    ui::TopicPage *startSlowDownload(int least, int delayMs)
    {
        crawl();
        QTreeWidget *list = openListedBoard();
        if (!list)
            return nullptr;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            auto *item = static_cast<ui::TopicItem *>(list->topLevelItem(i));
            if (std::stoi(item->row().text(store::kPostsItem)) < least)
                continue;
            posts = std::stoi(item->row().text(store::kPostsItem));
            if (!server.addFault("delay=" + std::to_string(delayMs) + "@*mid=*"))
                return nullptr;
            list->setCurrentItem(item);
            form->actions().run("PopThrLstActiveOpen");
            return form->topicPane().activePage();
        }
        return nullptr;
    }

    std::string caption() { return form->topicPane().strip()->caption(form->topicPane().strip()->currentIndex()); }

    /// Lets the event loop run for ms: a batch due meanwhile is shown.
    void runFor(int ms)
    {
        QElapsedTimer clock;
        clock.start();
        apptest::WaitFor([&] { return clock.elapsed() >= ms; }, ms + 1000);
    }

    int posts = 0;
};

TEST_F(LiveUpdatesTest, TheCaptionCountsWhileMessagesArriveAndIsTheTitleAtTheEnd)
{
    form->show();
    ui::TopicPage *tab = startSlowDownload(20, 40);
    ASSERT_TRUE(tab);
    // The count is shown while the download runs, the range end being the post count.
    const std::regex counting(".* \\(([0-9]+)/" + std::to_string(posts) + "\\)");
    std::smatch match;
    ASSERT_TRUE(apptest::WaitFor([&] {
        const std::string text = caption();
        return std::regex_match(text, match, counting) && std::stoi(match[1].str()) > 1;
    }, 30000)) << "caption " << caption();
    EXPECT_TRUE(tab->downloading());

    ASSERT_TRUE(apptest::WaitFor([&] { return !tab->downloading(); }, 60000));
    EXPECT_EQ(caption(), tab->title);
    EXPECT_EQ(static_cast<int>(tab->lines.size()), posts);
    // A batch that was due when the download ended does not bring a count back.
    runFor(400);
    EXPECT_EQ(caption(), tab->title);
    // The network state and the running count reach the status bar.
    EXPECT_EQ(form->statusPanels().panelText(1), QString::fromUtf8("完了"));
    EXPECT_EQ(form->statusPanels().panelText(3), QStringLiteral("0"));
    EXPECT_EQ(form->statusPanels().progressBar()->value(), 0);
    server.clearFaults();
}

class LimitedLiveUpdatesTest : public LiveUpdatesTest {
protected:
    std::string extraIni() const override { return "dl_count=8,100\r\ndl_count_index=1\r\n"; }
};

TEST_F(LimitedLiveUpdatesTest, AFetchEndedByItsLimitKeepsTheTitleThoughTheRangeIsNotDone)
{
    form->show();
    ui::TopicPage *tab = startSlowDownload(20, 60);
    ASSERT_TRUE(tab);
    ASSERT_TRUE(apptest::WaitFor([&] { return tab->added == 8; }, 60000)) << "added " << tab->added;
    // The rest of the range was never asked for: the tab still counts as downloading.
    EXPECT_TRUE(tab->downloading());
    EXPECT_EQ(caption(), tab->title);
    runFor(400);
    EXPECT_EQ(caption(), tab->title) << "no count after the fetch's end";
    server.clearFaults();
}

TEST_F(LiveUpdatesTest, AClosedTabsBatchTouchesNoOtherTab)
{
    form->show();
    crawl();
    QTreeWidget *list = openListedBoard();
    ASSERT_TRUE(list && list->topLevelItemCount() >= 2);
    ui::TopicPane &pane = form->topicPane();
    // One topic downloaded whole, then the other slowly in a tab of its own.
    list->setCurrentItem(list->topLevelItem(0));
    form->actions().run("PopThrLstNewOpen");
    ASSERT_TRUE(apptest::WaitFor([&] { return pane.activePage() && !pane.activePage()->downloading(); }, 60000));
    const std::string first = pane.strip()->caption(0);
    EXPECT_EQ(first, pane.pages()[0].title);
    ASSERT_TRUE(server.addFault("delay=40@*mid=*"));
    list->setCurrentItem(list->topLevelItem(1));
    form->actions().run("PopThrLstNewOpen");
    ASSERT_EQ(pane.pages().size(), 2);
    ASSERT_TRUE(apptest::WaitFor([&] { return pane.pages()[1].lines.size() >= 2; }, 30000));
    ASSERT_TRUE(pane.pages()[1].downloading());
    // Closed while its messages keep coming and a batch may be due.
    pane.strip()->setCurrentIndex(1);
    ASSERT_TRUE(form->actions().run("ThrActiveClose"));
    ASSERT_EQ(pane.pages().size(), 1);
    runFor(400);
    EXPECT_EQ(pane.strip()->caption(0), first);
    EXPECT_EQ(pane.strip()->count(), 1);
    server.clearFaults();
}

class LiveRenderTest : public LiveUpdatesTest {
protected:
    std::vector<std::string> serverArguments() const override
    {
        return {"--categories", "1", "--depth",  "1", "--subcategories", "1",       "--boards", "1",
                "--topics",     "4", "--messages", "90", "--huge",       "0", "--deleted", "0"};
    }
    // Every message on one page, so the page grows as they arrive.
    std::string extraIni() const override { return "dl_count_index=0\r\n[general]\r\nmsgview=1000\r\n"; }

    /// The number of message anchors in the tab's page, or -1 when it could not be read.
    int shownMessages(view::HtmlView &browser)
    {
        int count = -2;
        browser.runScript(QStringLiteral("(function(){var n=0,a=document.anchors;for(var i=0;i<a.length;i++)"
                                         "if(/^Res[0-9]+$/.test(a[i].name))++n;return n;})()"),
                          [&](const QVariant &value) { count = value.isValid() ? value.toInt() : -1; });
        apptest::WaitFor([&] { return count != -2; }, 10000);
        return count;
    }

    double scrollY(view::HtmlView &browser)
    {
        double y = -1;
        browser.readScrollY([&](double value) { y = value; });
        apptest::WaitFor([&] { return y >= 0; }, 10000);
        return y;
    }
};

TEST_F(LiveRenderTest, ATopicIsShownAgainWhileItArrivesWhereTheUserScrolledIt)
{
    form->show();
    ui::TopicPage *tab = startSlowDownload(60, 400);
    ASSERT_TRUE(tab);
    auto *browser = qobject_cast<view::HtmlView *>(tab->browser.data());
    ASSERT_TRUE(browser);
    // Enough of the topic on the page to scroll it.
    int shown = 0;
    ASSERT_TRUE(apptest::WaitFor([&] {
        shown = browser->isLoading() ? 0 : shownMessages(*browser);
        return shown >= 15;
    }, 60000)) << "shown " << shown;
    ASSERT_TRUE(tab->downloading()) << "the download must outlast the test's first steps";
    browser->runScript(QStringLiteral("window.scrollTo(0,120)"));
    ASSERT_EQ(scrollY(*browser), 120) << "the page is taller than the view";

    // The next showing holds more messages and stays where the user put it.
    int later = 0;
    ASSERT_TRUE(apptest::WaitFor([&] {
        later = browser->isLoading() ? 0 : shownMessages(*browser);
        return later > shown;
    }, 30000)) << "shown " << shown << " later " << later;
    EXPECT_TRUE(tab->downloading()) << "shown again before the end";
    EXPECT_EQ(scrollY(*browser), 120);
    EXPECT_LE(later, static_cast<int>(tab->lines.size()));

    // The end shows the whole topic.
    ASSERT_TRUE(apptest::WaitFor([&] { return !tab->downloading() && !browser->isLoading(); }, 120000));
    EXPECT_EQ(shownMessages(*browser), posts);
    server.clearFaults();
}

} // namespace
