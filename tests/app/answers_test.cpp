// Who answered whom, in the window: a topic from the bundled board server whose messages answer
// each other shows the answers in the message pop-up and a reply count link in the page.
#include "app/mainform.h"
#include "base/text.h"
#include "base/textfile.h"
#include "qtbridge/sjis.h"
#include "store/threadlog.h"
#include "tests/app/boardfixture.h"
#include "view/htmlview.h"
#include "view/msgfilterdlg.h"
#include "view/rendernav.h"
#include "view/skin.h"
#include "view/webengine.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {

int argc = 1;
char arg0[] = "app_answers_test";
char *argv[] = {arg0, nullptr};

class AnswersTest : public apptest::BoardFixture {
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
                "--topics",     "4", "--messages", "40", "--huge",          "0"};
    }

    /// The default skin with the reply count after each title, as a user adds it to a skin.
    void useReplyCountSkin()
    {
        ASSERT_TRUE(base::MakeDirs(dir + "skin"));
        for (auto [name, text] : view::DefaultSkinFiles(form->settings().endpoint.profile)) {
            if (auto at = text.find("</b></b>"); at != std::string::npos)
                text.insert(at + 8, " <REPLYCOUNT/>");
            ASSERT_TRUE(base::WriteFileAtomic(dir + "skin/" + name, text));
        }
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
                return tab && !tab->downloading() && !tab->lines.empty() && browser && !browser->isLoading();
            },
            60000);
        return done ? form->topicPane().activePage() : nullptr;
    }

    /// Runs the message filter dialog; act gets it while it is shown.
    void runFilterDialog(const std::function<void(view::TMsgFilterDlg &)> &act)
    {
        bool acted = false;
        QTimer::singleShot(0, [&] {
            apptest::WaitFor([&] { return qobject_cast<view::TMsgFilterDlg *>(QApplication::activeModalWidget()); },
                             10000);
            if (auto *dialog = qobject_cast<view::TMsgFilterDlg *>(QApplication::activeModalWidget())) {
                acted = true;
                act(*dialog);
            }
        });
        ASSERT_TRUE(form->actions().run("ToolMsgFilter"));
        ASSERT_TRUE(acted) << "the dialog did not show";
    }

    /// A message that some other message answers by its reply field, and those answering it so.
    static std::pair<int, std::vector<int>> mostAnswered(const std::vector<std::string> &lines)
    {
        std::map<int, std::vector<int>> byReplyField;
        std::set<int> numbers;
        for (const std::string &line : lines)
            numbers.insert(store::LogLineNumber(line, 0));
        for (const std::string &line : lines) {
            const store::LogFields f = store::SplitLogLine(line);
            const int number = base::ParseInt(f.number, 0);
            const int target = base::ParseInt(f.replyTo, 0);
            if (target > 0 && target != number && numbers.count(target))
                byReplyField[target].push_back(number);
        }
        if (byReplyField.empty())
            return {0, {}};
        auto most = std::max_element(byReplyField.begin(), byReplyField.end(),
                                     [](const auto &a, const auto &b) { return a.second.size() < b.second.size(); });
        return *most;
    }

    std::string midLink(const ui::TopicPage &tab, int number)
    {
        return tab.topicUrl.substr(0, tab.topicUrl.find("mid=")) + "mid=" + std::to_string(number);
    }

    QLabel *popup()
    {
        for (QLabel *label : form->findChildren<QLabel *>())
            if (label->windowFlags() & Qt::ToolTip)
                return label;
        return nullptr;
    }
};

TEST_F(AnswersTest, TheMessagePopupAndTheReplyCountListTheAnswers)
{
    form->resize(1000, 700);
    form->show();
    useReplyCountSkin();
    ui::TopicPage *tab = openFirstTopic();
    ASSERT_TRUE(tab) << "the topic did not download";
    auto *browser = qobject_cast<view::HtmlView *>(tab->browser.data());

    // The message most often named in reply fields, and those that name it there: whatever else
    // counts, these answer it.
    const auto [target, answerers] = mostAnswered(tab->lines);
    ASSERT_GT(target, 0) << "the server's topic has replies";

    // Hovering a link to the message: its pop-up ends with the answers' numbers.
    emit browser->linkHovered(QString::fromStdString(midLink(*tab, target)));
    QLabel *label = popup();
    ASSERT_TRUE(label);
    ASSERT_TRUE(label->isVisible());
    const QString shown = label->text();
    const QString last = shown.split(u'\n').last();
    ASSERT_TRUE(last.startsWith(QString::fromUtf8(" 返信: "))) << last.toStdString();
    const QStringList listed = last.mid(5).split(QStringLiteral(", "));
    for (int n : answerers)
        EXPECT_TRUE(listed.contains(QString::number(n))) << n << " in " << last.toStdString();
    EXPECT_FALSE(listed.contains(QString::number(target))) << "no message answers itself";
    emit browser->linkHovered(QString());
    EXPECT_FALSE(label->isVisible());

    // The page's reply count for it: a link showing as many answers as the pop-up lists.
    QVariant count;
    bool answered = false;
    browser->runScript(QStringLiteral("(function(){var a=document.querySelector('a[href=\"answers:%1\"]');"
                                      "return a?a.textContent:'';})()")
                           .arg(target),
                       [&](const QVariant &v) {
                           count = v;
                           answered = true;
                       });
    ASSERT_TRUE(apptest::WaitFor([&] { return answered; }, 10000));
    EXPECT_EQ(count.toString(), QString::fromUtf8("返信") + QString::number(listed.size()));

    // Hovering the count pops up the answers themselves, the first one first.
    emit browser->linkHovered(QStringLiteral("answers:%1").arg(target));
    ASSERT_TRUE(label->isVisible());
    const std::string firstLine = *view::PopupForMessage(listed.first().toStdString(), tab->lines, form->ngLists());
    const QString firstHeader = qtbridge::FromSjis(firstLine.substr(0, firstLine.find('\n')));
    EXPECT_TRUE(label->text().startsWith(firstHeader)) << label->text().toStdString();
    emit browser->linkHovered(QString());
    EXPECT_FALSE(label->isVisible());
}

TEST_F(AnswersTest, ARegexEntryAndTheChainHideAnAuthorAndTheAnswersToIt)
{
    form->resize(1000, 700);
    form->show();
    ui::TopicPage *tab = openFirstTopic();
    ASSERT_TRUE(tab);
    auto *browser = qobject_cast<view::HtmlView *>(tab->browser.data());
    const auto [target, answerers] = mostAnswered(tab->lines);
    ASSERT_GT(target, 0);
    const int line = view::FindLineByNumberText(tab->lines, std::to_string(target));
    const QString author = qtbridge::FromSjis(store::SplitLogLine(tab->lines[static_cast<std::size_t>(line)]).author);
    // An answer by someone else, so that only the chain can hide it.
    int answer = 0;
    for (int n : answerers) {
        const auto &l = tab->lines[static_cast<std::size_t>(view::FindLineByNumberText(tab->lines, std::to_string(n)))];
        if (qtbridge::FromSjis(store::SplitLogLine(l).author) != author)
            answer = n;
    }
    ASSERT_GT(answer, 0) << "every answer has the same author";

    bool loaded = false;
    QObject::connect(browser, &view::HtmlView::loadCompleted, [&] { loaded = true; });
    runFilterDialog([&](view::TMsgFilterDlg &dialog) {
        auto *sheet = dialog.findChild<QWidget *>("NgNameTabSheet");
        auto *regex = sheet->findChild<QCheckBox *>("RegexCheck");
        auto *box = dialog.findChild<QListWidget *>("NameListBox");
        auto *edit = dialog.findChild<QLineEdit *>("NameEdit");
        auto *error = dialog.findChild<QLabel *>("PatternErrorLabel");
        ASSERT_TRUE(regex && box && edit && error);
        regex->setChecked(true);
        edit->setText(QStringLiteral("(unclosed"));
        sheet->findChild<QPushButton *>("AddButton")->click();
        EXPECT_FALSE(error->text().isEmpty()) << "an invalid expression is reported";
        EXPECT_EQ(box->count(), 0);
        EXPECT_EQ(edit->text(), QStringLiteral("(unclosed")) << "kept to be mended";
        edit->setText(QLatin1Char('^') + QRegularExpression::escape(author) + QLatin1Char('$'));
        sheet->findChild<QPushButton *>("AddButton")->click();
        EXPECT_TRUE(error->text().isEmpty());
        EXPECT_EQ(box->count(), 1);
        regex->setChecked(false);
        EXPECT_EQ(box->count(), 0) << "the plain names are apart";
        dialog.findChild<QCheckBox *>("ChainCheck")->setChecked(true);
        dialog.findChild<QPushButton *>("OKBtn")->click();
    });
    EXPECT_TRUE(form->ngLists().names.items().empty());
    ASSERT_EQ(form->ngLists().nameRegex.items().size(), 1u);
    EXPECT_EQ(base::ReadFile(dir + "NG_NameRegex.txt").value_or(""), form->ngLists().nameRegex.items()[0] + "\r\n");
    EXPECT_EQ(base::ReadFile(dir + "NG_Name.txt").value_or("?"), "");
    EXPECT_NE(base::ReadFile(dir + "nekomado.ini").value_or("").find("ng_chain=1"), std::string::npos);
    ASSERT_TRUE(apptest::WaitFor([&] { return loaded && !browser->isLoading(); }, 30000)) << "the page was rebuilt";

    // The answer's pop-up is cut as an NG message's, and so is the page's block.
    emit browser->linkHovered(QString::fromStdString(midLink(*tab, answer)));
    QLabel *label = popup();
    ASSERT_TRUE(label && label->isVisible());
    EXPECT_TRUE(label->text().contains(QStringLiteral("-NG-"))) << label->text().toStdString();
    emit browser->linkHovered(QString());
    QVariant shown;
    bool read = false;
    browser->runScript(QStringLiteral("document.querySelector('a[name=\"Res%1\"]').closest('dt').nextElementSibling"
                                      ".innerText")
                           .arg(answer),
                       [&](const QVariant &v) {
                           shown = v;
                           read = true;
                       });
    ASSERT_TRUE(apptest::WaitFor([&] { return read; }, 10000));
    EXPECT_TRUE(shown.toString().contains(QStringLiteral("-NG-"))) << shown.toString().toStdString();
}

} // namespace
