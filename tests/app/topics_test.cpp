// Topics end to end in the window: download, render, scroll, pop-ups, the message menu and links
// to other topics, against the bundled board server with the real plug-in and the web view.
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/mainform.h"
#include "base/text.h"
#include "qtbridge/sjis.h"
#include "settings/nglists.h"
#include "store/boarddir.h"
#include "store/threadlog.h"
#include "tests/app/boardfixture.h"
#include "ui/topiclistview.h"
#include "view/htmlview.h"
#include "view/rendernav.h"
#include "view/webengine.h"

namespace {

int argc = 1;
char arg0[] = "app_topics_test";
char *argv[] = {arg0, nullptr};

class TopicsTest : public apptest::BoardFixture {
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
        return {"--categories", "1", "--depth", "1", "--subcategories", "1", "--boards", "2",
                "--topics", "4", "--messages", "40", "--huge", "0"};
    }

    /// Opens the first row of a listed board online and waits until its download has finished
    /// and the page is in the view.
    ui::TopicPage *openFirstTopic()
    {
        crawl();
        QTreeWidget *list = openListedBoard();
        if (!list)
            return nullptr;
        list->setCurrentItem(list->topLevelItem(0));
        form->actions().run("PopThrLstActiveOpen");
        bool done = apptest::WaitFor([&] {
            ui::TopicPage *tab = form->topicPane().activePage();
            auto *browser = tab ? qobject_cast<view::HtmlView *>(tab->browser.data()) : nullptr;
            return tab && !tab->downloading() && !tab->lines.empty() && browser && !browser->isLoading();
        }, 60000);
        return done ? form->topicPane().activePage() : nullptr;
    }

    view::HtmlView *browserOf(ui::TopicPage &tab) { return qobject_cast<view::HtmlView *>(tab.browser.data()); }
};

TEST_F(TopicsTest, ATopicDownloadsIsStoredRendersAndScrollsToItsLastMessage)
{
    form->resize(1000, 700);
    form->show();
    ui::TopicPage *tab = openFirstTopic();
    ASSERT_TRUE(tab) << "the topic did not download";
    EXPECT_GE(static_cast<int>(tab->lines.size()), tab->postCount > 0 ? 1 : 0);
    EXPECT_EQ(static_cast<int>(tab->lines.size()), tab->postCount) << "every message of the topic is held";
    auto boardDir = store::ResolveBoardLogDir({dir, form->settings().path.log}, tab->listUrl);
    ASSERT_TRUE(boardDir);
    auto stored = base::ReadLines(*boardDir + "/" + tab->logName);
    ASSERT_TRUE(stored) << "the log was written";
    EXPECT_EQ(stored->size(), tab->lines.size());

    EXPECT_EQ(tab->scrollTarget, 1) << "a first download shows the topic from its start";

    // Fetching again finds the log: the view now goes to the last message held.
    int last = base::ParseInt(tab->lines.back().substr(0, tab->lines.back().find('\t')), 0);
    view::HtmlView *browser = browserOf(*tab);
    bool loaded = false;
    QObject::connect(browser, &view::HtmlView::loadCompleted, [&] { loaded = true; });
    ASSERT_TRUE(form->actions().run("ThrDlRes"));
    ASSERT_TRUE(apptest::WaitFor([&] { return loaded && !tab->downloading(); }, 30000))
        << "loaded " << loaded << " downloading " << tab->downloading() << " isLoading " << browser->isLoading();
    EXPECT_EQ(tab->scrollTarget, last);
    double y = -1;
    browser->readScrollY([&](double value) { y = value; });
    ASSERT_TRUE(apptest::WaitFor([&] { return y >= 0; }, 5000));
    EXPECT_GT(y, 0) << "the view scrolled down to the last message";

    // The topic's row now shows what is held locally.
    QTreeWidget *list = activeList();
    ASSERT_TRUE(list);
    auto &row = static_cast<ui::TopicItem *>(list->topLevelItem(0))->row();
    EXPECT_EQ(row.image, 4);
    EXPECT_EQ(row.text(store::kFetchedItem), std::to_string(tab->lines.size()));
}

TEST_F(TopicsTest, HoveringAReplyLinkShowsTheAnsweredMessage)
{
    form->show();
    ui::TopicPage *tab = openFirstTopic();
    ASSERT_TRUE(tab);
    std::string link = tab->topicUrl.substr(0, tab->topicUrl.find("mid=")) + "mid=1";
    emit browserOf(*tab)->linkHovered(QString::fromStdString(link));
    auto expected = view::PopupForMessage("1", tab->lines, form->ngLists());
    ASSERT_TRUE(expected);
    QLabel *popup = nullptr;
    for (QLabel *label : form->findChildren<QLabel *>())
        if (label->windowFlags() & Qt::ToolTip)
            popup = label;
    ASSERT_TRUE(popup);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->text(), qtbridge::FromSjis(*expected));
    EXPECT_EQ(popup->textFormat(), Qt::PlainText);
    emit browserOf(*tab)->linkHovered(QString());
    EXPECT_FALSE(popup->isVisible()) << "leaving the link hides the pop-up";
}

TEST_F(TopicsTest, APopClickOpensTheMessageMenuAndALinkToAnotherTopicOpensANewTab)
{
    form->show();
    ui::TopicPage *tab = openFirstTopic();
    ASSERT_TRUE(tab);
    QString shown;
    QTimer::singleShot(200, [&] {
        if (QWidget *menu = QApplication::activePopupWidget()) {
            shown = menu->objectName();
            menu->close();
        }
    });
    emit browserOf(*tab)->linkActivated(QStringLiteral("pop:3"));
    ASSERT_TRUE(apptest::WaitFor([&] { return !shown.isEmpty(); }, 5000));
    EXPECT_EQ(shown, "ResPopupMenu");

    // Another topic of the same board, by its message URL.
    QTreeWidget *list = activeList();
    ASSERT_TRUE(list && list->topLevelItemCount() > 1);
    std::string other = static_cast<ui::TopicItem *>(list->topLevelItem(1))->row().entry.topicUrl;
    int before = form->topicPane().pages().size();
    emit browserOf(*tab)->linkActivated(QString::fromStdString(other));
    ASSERT_TRUE(apptest::WaitFor([&] { return form->topicPane().pages().size() == before + 1; }, 5000));
    EXPECT_EQ(form->topicPane().activePage()->topicUrl, other);
}

TEST_F(TopicsTest, ClosingATabDuringItsDownloadKeepsWhatArrived)
{
    form->show();
    crawl();
    QTreeWidget *list = openListedBoard();
    ASSERT_TRUE(list);
    // Message 6 and later answer only after a long delay: the download is still running when
    // the tab closes.
    ASSERT_TRUE(server.addFault("delay=20000@*mid=6*"));
    list->setCurrentItem(list->topLevelItem(0));
    form->actions().run("PopThrLstActiveOpen");
    ASSERT_TRUE(apptest::WaitFor([&] {
        ui::TopicPage *tab = form->topicPane().activePage();
        return tab && tab->lines.size() >= 5;
    }, 30000));
    ui::TopicPage *tab = form->topicPane().activePage();
    ASSERT_TRUE(tab->downloading());
    std::string listUrl = tab->listUrl, logName = tab->logName;
    std::size_t held = tab->lines.size();
    ASSERT_TRUE(form->actions().run("ThrActiveClose"));
    EXPECT_EQ(form->topicPane().pages().size(), 0);
    auto boardDir = store::ResolveBoardLogDir({dir, form->settings().path.log}, listUrl);
    ASSERT_TRUE(boardDir);
    auto stored = base::ReadLines(*boardDir + "/" + logName);
    ASSERT_TRUE(stored) << "the messages merged before the close were written";
    EXPECT_EQ(stored->size(), held);
    server.clearFaults();
}

} // namespace
