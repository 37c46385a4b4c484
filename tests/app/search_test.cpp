// The search through the stored logs in the window, against the bundled board server: a topic
// downloaded a moment ago is found by a text of its last message, in every scope, and the result
// opens the topic from its log at that message with the match marked.
#include "app/mainform.h"
#include "base/text.h"
#include "qtbridge/sjis.h"
#include "search/searchdlg.h"
#include "store/boarddir.h"
#include "store/threadlog.h"
#include "tests/app/boardfixture.h"
#include "ui/topiclistview.h"
#include "view/htmlview.h"
#include "view/webengine.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

int argc = 1;
char arg0[] = "app_search_test";
char *argv[] = {arg0, nullptr};

// The longest run of text in body outside markup, cut to a few characters.
std::string TextOf(std::string_view body)
{
    std::string_view best;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= body.size(); ++i) {
        const bool stop = i == body.size() || body[i] == '<' || body[i] == '>' || body[i] == '&' || body[i] == '\t';
        if (i < body.size() && base::IsSjisLeadByte(static_cast<unsigned char>(body[i])) && i + 1 < body.size()) {
            ++i;
            continue;
        }
        if (!stop)
            continue;
        if (i - start > best.size())
            best = body.substr(start, i - start);
        if (i < body.size() && body[i] == '&') {
            const std::size_t semicolon = body.find(';', i);
            i = semicolon == std::string_view::npos ? body.size() : semicolon;
        } else if (i < body.size() && body[i] == '<') {
            const std::size_t close = body.find('>', i);
            i = close == std::string_view::npos ? body.size() : close;
        }
        start = i + 1;
    }
    return std::string(base::CutSjis(best, 24));
}

class SearchWindowTest : public apptest::BoardFixture {
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
        return {"--categories", "1", "--depth",    "1",  "--subcategories", "1", "--boards", "1",
                "--topics",     "3", "--messages", "40", "--huge",          "0"};
    }
    std::string extraIni() const override { return "dl_count_index=0\r\n[general]\r\nmsgview=10\r\n"; }

    view::HtmlView *browserOf(ui::TopicPage &tab) { return qobject_cast<view::HtmlView *>(tab.browser.data()); }

    /// Opens row of the active list in a new tab and waits for the download and the page.
    ui::TopicPage *openRow(int row)
    {
        QTreeWidget *list = activeList();
        if (!list || list->topLevelItemCount() <= row)
            return nullptr;
        list->setCurrentItem(list->topLevelItem(row));
        const std::string url = static_cast<ui::TopicItem *>(list->topLevelItem(row))->row().entry.topicUrl;
        form->actions().run("PopThrLstNewOpen");
        const bool done = apptest::WaitFor(
            [&] {
                ui::TopicPage *tab = form->topicPane().activePage();
                return tab && tab->topicUrl == url && !tab->downloading() && !tab->lines.empty() && browserOf(*tab) &&
                       !browserOf(*tab)->isLoading();
            },
            60000);
        return done ? form->topicPane().activePage() : nullptr;
    }

    search::TSearchDlg *openSearch()
    {
        if (!form->actions().run("ToolSearch"))
            return nullptr;
        return form->searchDialog();
    }

    /// Searches text (Shift_JIS) in scope and waits for the end.
    bool searchFor(search::TSearchDlg &dlg, const std::string &text, search::SearchScope scope)
    {
        dlg.regexBox()->setChecked(false);
        dlg.scopeBox()->setCurrentIndex(static_cast<int>(scope));
        dlg.textEdit()->setText(qtbridge::FromSjis(text));
        if (!dlg.startSearch())
            return false;
        return apptest::WaitFor([&] { return !dlg.isSearching(); }, 30000);
    }

    std::string debugPage(ui::TopicPage &tab, int n, const std::string &t)
    {
        QString out;
        browserOf(tab)->runScript(
            QStringLiteral("(function(n,t){var a=document.anchors.namedItem('Res'+n);"
                           "return document.anchors.length+' '+(!!a)+' '+document.body.innerText.indexOf(t)+' "
                           "'+document.body.innerHTML.length;})(%1,'%2')")
                .arg(n)
                .arg(qtbridge::FromSjis(t)),
            [&](const QVariant &v) { out = v.toString(); });
        apptest::WaitFor([&] { return !out.isEmpty(); }, 5000);
        return out.toStdString() + " / " + qtbridge::FromSjis(t).toStdString();
    }

    /// The row of the result for topicId at number; null when there is none.
    QTreeWidgetItem *resultRow(search::TSearchDlg &dlg, const std::string &topicId, int number)
    {
        QTreeWidget *list = dlg.results();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem *row = list->topLevelItem(i);
            if (dlg.sourceOf(row)->topicId == topicId && dlg.hitOf(row)->number == number)
                return row;
        }
        return nullptr;
    }
};

TEST_F(SearchWindowTest, AMessageStoredAMomentAgoIsFoundAndOpensAtItsPlace)
{
    form->resize(1000, 700);
    form->show();
    crawl();
    ASSERT_NE(openListedBoard(), nullptr);
    ui::TopicPage *tab = openRow(1);
    ASSERT_NE(tab, nullptr);
    const std::string topicUrl = tab->topicUrl;
    const std::string topicId = base::ExtractUrlParam("tid=", topicUrl).value_or("");
    const std::string lastLine = tab->lines.back(); // the tab and its lines go before the end
    const store::LogFields last = store::SplitLogLine(lastLine);
    const int lastNumber = base::ParseInt(last.number, 0);
    ASSERT_GT(lastNumber, 1);
    const std::string text = TextOf(last.body);
    ASSERT_GE(text.size(), 4u) << "the last message has some plain text";

    search::TSearchDlg *dlg = openSearch();
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(dlg->isVisible());
    for (search::SearchScope scope :
         {search::SearchScope::Topic, search::SearchScope::Board, search::SearchScope::AllBoards}) {
        ASSERT_TRUE(searchFor(*dlg, text, scope)) << static_cast<int>(scope);
        EXPECT_NE(resultRow(*dlg, topicId, lastNumber), nullptr) << static_cast<int>(scope);
        QTreeWidget *list = dlg->results();
        for (int i = 0; scope == search::SearchScope::Topic && i < list->topLevelItemCount(); ++i)
            EXPECT_EQ(dlg->sourceOf(list->topLevelItem(i))->topicId, topicId);
    }
    EXPECT_TRUE(dlg->statusText().contains(QString::fromUtf8("検索終了")));

    // Opened from the log in a tab of its own, after the downloaded one has gone.
    ASSERT_TRUE(form->actions().run("ThrAllClose"));
    ASSERT_TRUE(apptest::WaitFor([&] { return form->topicPane().pages().size() == 0; }));
    QTreeWidgetItem *row = resultRow(*dlg, topicId, lastNumber);
    ASSERT_NE(row, nullptr);
    const std::string match = qtbridge::ToSjis(qtbridge::FromSjis(dlg->hitOf(row)->excerpt.match));
    dlg->results()->setCurrentItem(row);
    emit dlg->results()->itemActivated(row, 0);
    ui::TopicPage *shown = nullptr;
    ASSERT_TRUE(apptest::WaitFor([&] {
        shown = form->topicPane().activePage();
        return shown && base::ExtractUrlParam("tid=", shown->topicUrl) == topicId && browserOf(*shown) &&
               !browserOf(*shown)->isLoading();
    }));
    EXPECT_EQ(shown->scrollTarget, lastNumber);
    EXPECT_EQ(store::SplitLogLine(shown->lines.back()).number, last.number);

    // The match is marked inside the message, also where a link cuts it into pieces.
    QString marked;
    bool answered = false;
    ASSERT_TRUE(apptest::WaitFor(
        [&] {
            if (!answered) {
                answered = true;
                browserOf(*shown)->runScript(
                    QStringLiteral("(function(){var m=document.querySelectorAll('mark.nk-search-hit'),s='';"
                                   "for(var i=0;i<m.length;i++)s+=m[i].textContent;return s;})()"),
                    [&](const QVariant &v) {
                        marked = v.toString();
                        if (marked.isEmpty())
                            answered = false; // the page may still be placing it: ask again
                    });
            }
            return !marked.isEmpty();
        },
        10000))
        << debugPage(*shown, lastNumber, match);
    EXPECT_EQ(qtbridge::ToSjis(marked), match);

    // Opened again: the tab shows the same page, and only the new mark is there.
    answered = false;
    emit dlg->results()->itemActivated(row, 0);
    ASSERT_TRUE(apptest::WaitFor([&] { return !browserOf(*shown)->isLoading(); }));
    QString again;
    ASSERT_TRUE(apptest::WaitFor(
        [&] {
            if (!answered) {
                answered = true;
                browserOf(*shown)->runScript(
                    QStringLiteral("(function(){var m=document.querySelectorAll('mark.nk-search-hit'),s='';"
                                   "for(var i=0;i<m.length;i++)s+=m[i].textContent;return s;})()"),
                    [&](const QVariant &v) { again = v.toString(); });
            }
            return !again.isEmpty();
        },
        10000));
    EXPECT_EQ(qtbridge::ToSjis(again), match);
}

TEST_F(SearchWindowTest, ScopesWithoutTabsSayWhatIsMissing)
{
    search::TSearchDlg *dlg = openSearch();
    ASSERT_NE(dlg, nullptr);
    EXPECT_FALSE(searchFor(*dlg, "abc", search::SearchScope::Topic));
    EXPECT_FALSE(dlg->statusText().isEmpty());
    EXPECT_FALSE(searchFor(*dlg, "abc", search::SearchScope::AllBoards)) << "nothing is stored yet";
    EXPECT_EQ(form->actions().action("ToolSearch")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+F")));
}

} // namespace
