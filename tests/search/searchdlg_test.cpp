// The log search window without the main window: results arrive while the search runs, each row
// carries its log and message, a stop keeps what was found, and bad input is refused.
#include "base/textfile.h"
#include "qtbridge/sjis.h"
#include "search/searchdlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace {

int argc = 1;
char arg0[] = "search_dialog_test";
char *argv[] = {arg0, nullptr};

bool WaitFor(const std::function<bool()> &done, int limitMs = 30000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs) {
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

class SearchDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }

    void SetUp() override
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "nk-searchdlg-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
        for (int f = 0; f < 30; ++f) {
            std::string text;
            for (int n = 1; n <= 20; ++n)
                text += std::to_string(n) + "\t0\t2024/05/06 12:34\tname\t" + qtbridge::Sjis("話題") +
                        std::to_string(f) + "\t" + (n == 7 ? "the " + qtbridge::Sjis("探し物") + " is here" : "hay") +
                        "\r\n";
            search::LogSource s;
            s.path = dir + "/t" + std::to_string(f) + ".dat";
            s.boardName = qtbridge::Sjis("板");
            s.boardId = "b1";
            s.topicId = "t" + std::to_string(f);
            ASSERT_TRUE(base::WriteFileAtomic(s.path, text));
            sources.push_back(s);
        }
        search::TSearchDlg::Options options;
        options.sources = [this](search::SearchScope scope,
                                 QString &why) -> std::optional<std::vector<search::LogSource>> {
            scopes.push_back(scope);
            if (scope == search::SearchScope::Topic) {
                why = QStringLiteral("no topic");
                return std::nullopt;
            }
            return sources;
        };
        options.showMessage = [this](const QString &, const QString &text) { messages.push_back(text); };
        options.search.batchSize = 4;
        dlg = std::make_unique<search::TSearchDlg>(options);
    }

    void TearDown() override
    {
        dlg.reset();
        std::filesystem::remove_all(dir);
    }

    bool searchFor(const QString &text)
    {
        dlg->textEdit()->setText(text);
        if (!dlg->startSearch())
            return false;
        return WaitFor([&] { return !dlg->isSearching(); });
    }

    std::string dir;
    std::vector<search::LogSource> sources;
    std::vector<search::SearchScope> scopes;
    std::vector<QString> messages;
    std::unique_ptr<search::TSearchDlg> dlg;
};

TEST_F(SearchDialogTest, EveryMatchIsListedWithItsLogAndMessage)
{
    QSignalSpy finished(dlg.get(), &search::TSearchDlg::searchFinished);
    ASSERT_TRUE(searchFor(QString::fromUtf8("探し物")));
    EXPECT_EQ(finished.count(), 1);
    QTreeWidget *list = dlg->results();
    ASSERT_EQ(list->topLevelItemCount(), 30);
    std::set<std::string> topics;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = list->topLevelItem(i);
        const search::LogSource *source = dlg->sourceOf(row);
        const search::Hit *hit = dlg->hitOf(row);
        ASSERT_TRUE(source && hit);
        EXPECT_EQ(hit->number, 7);
        EXPECT_EQ(row->text(search::NumberColumn), QStringLiteral("7"));
        EXPECT_EQ(row->text(search::BoardColumn), QString::fromUtf8("板"));
        EXPECT_EQ(row->text(search::TopicColumn),
                  QString::fromUtf8("話題") + QString::fromStdString(source->topicId.substr(1)));
        EXPECT_EQ(row->text(search::ExcerptColumn), QString::fromUtf8("the 探し物 is here"));
        topics.insert(source->topicId);
    }
    EXPECT_EQ(topics.size(), 30u);
    EXPECT_TRUE(dlg->statusText().contains(QStringLiteral("30")));
    EXPECT_FALSE(dlg->stopButton()->isEnabled());
}

TEST_F(SearchDialogTest, FinishedResultsSortByTheirHeadings)
{
    ASSERT_TRUE(searchFor(QStringLiteral("hay")));
    QTreeWidget *list = dlg->results();
    list->sortByColumn(search::NumberColumn, Qt::AscendingOrder);
    int previous = 0;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const int number = list->topLevelItem(i)->text(search::NumberColumn).toInt();
        ASSERT_GE(number, previous) << "numbers sort as numbers: 9 before 10";
        previous = number;
    }
    EXPECT_EQ(previous, 20);
    // The rows still lead to their own hits after the sort.
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        ASSERT_EQ(dlg->hitOf(list->topLevelItem(i))->number, list->topLevelItem(i)->text(search::NumberColumn).toInt());
    // A new search lists its rows as they come again.
    ASSERT_TRUE(dlg->startSearch());
    EXPECT_FALSE(list->isSortingEnabled());
    ASSERT_TRUE(WaitFor([&] { return !dlg->isSearching(); }));
    EXPECT_TRUE(list->isSortingEnabled());
}

TEST_F(SearchDialogTest, OpeningARowNamesItsTopicAndMessage)
{
    ASSERT_TRUE(searchFor(QString::fromUtf8("探し物")));
    QSignalSpy opened(dlg.get(), &search::TSearchDlg::openRequested);
    QTreeWidgetItem *row = dlg->results()->topLevelItem(3);
    emit dlg->results()->itemActivated(row, 0);
    ASSERT_EQ(opened.count(), 1);
    EXPECT_EQ(opened[0][0].value<search::LogSource>().topicId, dlg->sourceOf(row)->topicId);
    EXPECT_EQ(opened[0][1].toInt(), 7);
    EXPECT_EQ(opened[0][2].toString(), QString::fromUtf8("探し物"));
}

TEST_F(SearchDialogTest, EnterSearchesOnceInTheTextAndOpensOnceInTheList)
{
    QSignalSpy finished(dlg.get(), &search::TSearchDlg::searchFinished);
    QSignalSpy opened(dlg.get(), &search::TSearchDlg::openRequested);
    dlg->textEdit()->setText(QString::fromUtf8("探し物"));
    QTest::keyClick(dlg->textEdit(), Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return finished.count() > 0 && !dlg->isSearching(); }));
    EXPECT_EQ(scopes.size(), 1u) << "one search started";
    EXPECT_EQ(dlg->results()->topLevelItemCount(), 30);
    dlg->results()->setCurrentItem(dlg->results()->topLevelItem(2));
    QTest::keyClick(dlg->results(), Qt::Key_Return);
    EXPECT_EQ(opened.count(), 1);
    EXPECT_EQ(scopes.size(), 1u) << "Enter in the list does not search again";
}

TEST_F(SearchDialogTest, ANewSearchReplacesTheResults)
{
    ASSERT_TRUE(searchFor(QStringLiteral("hay")));
    EXPECT_EQ(dlg->results()->topLevelItemCount(), 30 * 19);
    ASSERT_TRUE(searchFor(QStringLiteral("HERE")));
    EXPECT_EQ(dlg->results()->topLevelItemCount(), 30);
    dlg->ignoreCaseBox()->setChecked(false);
    ASSERT_TRUE(searchFor(QStringLiteral("HERE")));
    EXPECT_EQ(dlg->results()->topLevelItemCount(), 0);
}

TEST_F(SearchDialogTest, RegularExpressionsAndTheirErrors)
{
    dlg->regexBox()->setChecked(true);
    ASSERT_TRUE(searchFor(QString::fromUtf8("探.物\\s+is")));
    EXPECT_EQ(dlg->results()->topLevelItemCount(), 30);
    EXPECT_FALSE(searchFor(QStringLiteral("(bad")));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].contains(QString::fromUtf8("正規表現")));
    EXPECT_EQ(dlg->results()->topLevelItemCount(), 30) << "a refused search leaves the last results";
}

TEST_F(SearchDialogTest, TheScopeIsAskedForAndAMissingOneIsSaid)
{
    dlg->scopeBox()->setCurrentIndex(static_cast<int>(search::SearchScope::Topic));
    EXPECT_FALSE(searchFor(QStringLiteral("hay")));
    EXPECT_EQ(dlg->statusText(), QStringLiteral("no topic"));
    dlg->scopeBox()->setCurrentIndex(static_cast<int>(search::SearchScope::Board));
    EXPECT_TRUE(searchFor(QStringLiteral("hay")));
    EXPECT_EQ(scopes, (std::vector<search::SearchScope>{search::SearchScope::Topic, search::SearchScope::Board}));
    EXPECT_FALSE(searchFor(QString())) << "an empty text searches nothing";
}

TEST_F(SearchDialogTest, StopKeepsWhatWasFound)
{
    dlg->textEdit()->setText(QStringLiteral("hay"));
    ASSERT_TRUE(dlg->startSearch());
    EXPECT_TRUE(dlg->stopButton()->isEnabled());
    dlg->stopButton()->click();
    ASSERT_TRUE(WaitFor([&] { return !dlg->isSearching(); }));
    const int kept = dlg->results()->topLevelItemCount();
    EXPECT_LE(kept, 30 * 19);
    EXPECT_FALSE(dlg->stopButton()->isEnabled());
    if (kept < 30 * 19) {
        EXPECT_TRUE(dlg->statusText().contains(QString::fromUtf8("中止")));
    }
}

} // namespace
