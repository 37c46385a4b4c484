// The NG lists and the message menu in the window, against the bundled board server: an author
// added from the message menu disappears from every open tab at once, the filter dialog brings
// it back, its cancel leaves the files alone, and a message deleted from the menu leaves the page
// and both files.
#include "app/mainform.h"
#include "base/text.h"
#include "help/help.h"
#include "help/helpwindow.h"
#include "qtbridge/sjis.h"
#include "store/boarddir.h"
#include "store/threadlog.h"
#include "tests/app/boardfixture.h"
#include "ui/topiclistview.h"
#include "view/htmlview.h"
#include "view/msgfilterdlg.h"
#include "view/webengine.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QWebEngineView>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>

namespace {

int argc = 1;
char arg0[] = "app_ng_test";
char *argv[] = {arg0, nullptr};

class NgTest : public apptest::BoardFixture {
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

    view::HtmlView *browserOf(ui::TopicPage &tab) { return qobject_cast<view::HtmlView *>(tab.browser.data()); }

    bool settled(ui::TopicPage &tab)
    {
        view::HtmlView *browser = browserOf(tab);
        return !tab.downloading() && !tab.lines.empty() && browser && !browser->isLoading();
    }

    /// Opens the first `count` topics of the board online, each in a new tab, and waits for all.
    bool openTopics(int count)
    {
        crawl();
        QTreeWidget *list = openListedBoard();
        if (!list || list->topLevelItemCount() < count)
            return false;
        for (int i = 0; i < count; ++i) {
            list->setCurrentItem(list->topLevelItem(i));
            form->actions().run("PopThrLstNewOpen");
            if (!apptest::WaitFor(
                    [&] { return form->topicPane().pages().size() == i + 1 && settled(form->topicPane().pages()[i]); },
                    60000))
                return false;
        }
        return true;
    }

    /// The text of tab i's page as the view shows it, after making the tab current.
    std::string pageText(int i)
    {
        form->topicPane().strip()->setCurrentIndex(i);
        ui::TopicPage &tab = form->topicPane().pages()[i];
        if (!apptest::WaitFor([&] { return settled(tab) && browserOf(tab)->isLive(); }, 30000))
            return "<not loaded>";
        QString text;
        bool done = false;
        browserOf(tab)->runScript(QStringLiteral("document.body.innerText"), [&](const QVariant &v) {
            text = v.toString();
            done = true;
        });
        apptest::WaitFor([&] { return done; }, 10000);
        return qtbridge::ToSjis(text);
    }

    static int count(const std::string &text, const std::string &what)
    {
        int n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
            ++n;
        return n;
    }

    /// How many messages of each author a tab holds.
    static std::map<std::string, int> authors(const ui::TopicPage &tab)
    {
        std::map<std::string, int> out;
        for (const std::string &line : tab.lines)
            ++out[std::string(store::SplitLogLine(line).author)];
        return out;
    }

    /// Right-clicks the number link of message n in the active tab's view; the menu that opens.
    QMenu *rightClickNumber(int n)
    {
        ui::TopicPage &tab = *form->topicPane().activePage();
        return rightClickAt(tab, QStringLiteral("(function(){var a=document.querySelector('a[href=\"pop:%1\"]');"
                                                "if(!a)return null;a.scrollIntoView(true);"
                                                "var r=a.getBoundingClientRect();"
                                                "return [r.left+r.width/2,r.top+r.height/2];})()")
                                     .arg(n));
    }

    QMenu *rightClickAt(ui::TopicPage &tab, const QString &whereScript)
    {
        QVariantList at;
        bool done = false;
        browserOf(tab)->runScript(whereScript, [&](const QVariant &v) {
            at = v.toList();
            done = true;
        });
        if (!apptest::WaitFor([&] { return done; }, 10000) || at.size() != 2)
            return nullptr;
        QWebEngineView *web = browserOf(tab)->webView();
        emit web->customContextMenuRequested(QPoint(at[0].toInt(), at[1].toInt()));
        QMenu *menu = nullptr;
        apptest::WaitFor([&] { return (menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())); }, 10000);
        return menu;
    }

    /// Chooses the item of an open menu that runs the action called name, as a click on it does:
    /// the menu closes, then the action runs. False when the item is missing or disabled.
    bool choose(QMenu *menu, const char *name)
    {
        QAction *action = form->actions().action(name);
        if (!menu || !action || !menu->actions().contains(action) || !action->isEnabled())
            return false;
        menu->close();
        action->trigger();
        return true;
    }

    std::string ngFile(const char *name) { return base::ReadFile(dir + name).value_or("<missing>"); }

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
};

TEST_F(NgTest, AnAuthorAddedFromTheMenuIsHiddenInEveryTabAtOnceAndTheDialogBringsItBack)
{
    form->resize(1000, 700);
    form->show();
    ASSERT_TRUE(openTopics(2));
    ui::TopicPage &first = form->topicPane().pages()[0];
    ui::TopicPage &second = form->topicPane().pages()[1];

    // The author with the most messages in both topics together, present in both.
    std::map<std::string, int> a = authors(first), b = authors(second);
    std::string author;
    for (const auto &[name, n] : a)
        if (b.count(name) && (author.empty() || n + b[name] > a[author] + b[author]))
            author = name;
    ASSERT_FALSE(author.empty()) << "no author writes in both topics";
    int message = 0;
    for (const std::string &line : second.lines)
        if (store::SplitLogLine(line).author == author) {
            message = store::LogLineNumber(line, 0);
            break;
        }
    const int hidden = a[author] + b[author];
    ASSERT_EQ(count(pageText(0), "-NG-"), 0);

    // From the second tab's view: right-click on that message's number, then the menu's item.
    form->topicPane().strip()->setCurrentIndex(1);
    ASSERT_TRUE(apptest::WaitFor([&] { return settled(second) && browserOf(second)->isLive(); }));
    QMenu *menu = rightClickNumber(message);
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->objectName(), "ResPopupMenu");
    QAction *add = form->actions().action("AddNGName");
    EXPECT_TRUE(add->isEnabled());
    EXPECT_TRUE(form->actions().action("PopResDel")->isEnabled()) << "the topic has its site";
    // Seen right after the command ran, before any event: both tabs have a new page coming.
    bool bothRendered = false;
    QObject::connect(add, &QAction::triggered, form.get(),
                     [&] { bothRendered = browserOf(first)->isLoading() && browserOf(second)->isLoading(); });
    auto scrollY = [&](view::HtmlView &view) {
        double y = -1;
        view.readScrollY([&](double value) { y = value; });
        apptest::WaitFor([&] { return y >= 0; }, 10000);
        return y;
    };
    const double readAt = scrollY(*browserOf(second));
    ASSERT_TRUE(choose(menu, "AddNGName"));
    ASSERT_TRUE(apptest::WaitFor([&] { return form->ngLists().names.contains(author); }, 5000));
    EXPECT_TRUE(bothRendered) << "both tabs are rendered again at once";
    ASSERT_TRUE(apptest::WaitFor([&] { return settled(second); }, 30000));
    EXPECT_NEAR(scrollY(*browserOf(second)), readAt, 1.0) << "the page stays where it was read, not at its target";
    EXPECT_EQ(ngFile("NG_Name.txt"), author + "\r\n") << "the list is written at once";

    std::string text0 = pageText(0), text1 = pageText(1);
    EXPECT_EQ(count(text0, "-NG-") + count(text1, "-NG-"), 3 * hidden) << "name, title and text of each";
    EXPECT_EQ(count(text0, author + " "), 0);
    EXPECT_EQ(count(text1, author + " "), 0);

    // Removed in the dialog: every message shows again.
    runFilterDialog([&](view::TMsgFilterDlg &dialog) {
        auto *box = dialog.findChild<QListWidget *>("NameListBox");
        ASSERT_TRUE(box);
        ASSERT_EQ(box->count(), 1);
        EXPECT_EQ(qtbridge::ToSjis(box->item(0)->text()), author);
        box->setCurrentRow(0);
        dialog.findChild<QWidget *>("NgNameTabSheet")->findChild<QPushButton *>("DelButton")->click();
        EXPECT_EQ(box->count(), 0);
        dialog.findChild<QPushButton *>("OKBtn")->click();
    });
    EXPECT_TRUE(form->ngLists().names.empty());
    EXPECT_EQ(ngFile("NG_Name.txt"), "");
    EXPECT_TRUE(browserOf(first)->isLoading() && browserOf(second)->isLoading());
    EXPECT_EQ(count(pageText(0), "-NG-"), 0);
    EXPECT_EQ(count(pageText(1), "-NG-"), 0);
    EXPECT_GE(count(pageText(1), author), b[author]);
}

TEST_F(NgTest, CancelLeavesTheListsAndTheFilesUntouched)
{
    form->show();
    settings::NgLists lists;
    lists.names.assign({"alice"});
    lists.words.assign({"", "spam"});
    ASSERT_TRUE(settings::SaveNgLists(dir, lists));
    form->ngLists() = lists;
    const auto before = std::filesystem::last_write_time(dir + "NG_Word.txt");
    const std::string names = ngFile("NG_Name.txt"), titles = ngFile("NG_Title.txt"), words = ngFile("NG_Word.txt");

    // Without a topic tab the message menu has nothing to act on.
    for (const char *name : {"AddNGName", "AddNGTitle", "PopResDel"}) {
        form->actions().update(name);
        EXPECT_FALSE(form->actions().action(name)->isEnabled()) << name;
    }

    runFilterDialog([&](view::TMsgFilterDlg &dialog) {
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("メッセージフィルタ"));
        dialog.findChild<QPushButton *>("HelpBtn")->click();
        ASSERT_TRUE(form->help().window()) << "the help button opens the help";
        EXPECT_EQ(form->help().window()->currentPage(), "msgfilter.html");
        auto *pages = dialog.findChild<QTabWidget *>("PageControl1");
        ASSERT_TRUE(pages);
        ASSERT_EQ(pages->count(), 3);
        pages->setCurrentIndex(2);
        auto *wordBox = dialog.findChild<QListWidget *>("WordListBox");
        ASSERT_EQ(wordBox->count(), 2);
        wordBox->setCurrentRow(1);
        dialog.findChild<QWidget *>("NgWordTabSheet")->findChild<QPushButton *>("DelButton")->click();
        pages->setCurrentIndex(0);
        dialog.findChild<QLineEdit *>("NameEdit")->setText(QStringLiteral("ALICE"));
        dialog.findChild<QWidget *>("NgNameTabSheet")->findChild<QPushButton *>("AddButton")->click();
        auto *nameBox = dialog.findChild<QListWidget *>("NameListBox");
        EXPECT_EQ(nameBox->count(), 1) << "an equal name is selected, not added";
        EXPECT_EQ(nameBox->currentRow(), 0);
        EXPECT_TRUE(dialog.findChild<QLineEdit *>("NameEdit")->text().isEmpty());
        dialog.findChild<QLineEdit *>("NameEdit")->setText(QStringLiteral("bob"));
        dialog.findChild<QWidget *>("NgNameTabSheet")->findChild<QPushButton *>("AddButton")->click();
        EXPECT_EQ(nameBox->count(), 2);
        EXPECT_EQ(wordBox->count(), 1);
        dialog.findChild<QPushButton *>("CancelBtn")->click();
    });
    EXPECT_EQ(form->ngLists().names.items(), lists.names.items());
    EXPECT_EQ(form->ngLists().words.items(), lists.words.items());
    EXPECT_EQ(ngFile("NG_Name.txt"), names);
    EXPECT_EQ(ngFile("NG_Title.txt"), titles);
    EXPECT_EQ(ngFile("NG_Word.txt"), words);
    EXPECT_EQ(std::filesystem::last_write_time(dir + "NG_Word.txt"), before);
    EXPECT_TRUE(messages.empty());
}

TEST_F(NgTest, OnlyAChosenEntryIsDeletedAndAPastedLineBreakDoesNotSplitAnEntry)
{
    form->show();
    settings::NgLists lists;
    lists.names.assign({"alice", "bob"});
    ASSERT_TRUE(settings::SaveNgLists(dir, lists));
    form->ngLists() = lists;

    runFilterDialog([&](view::TMsgFilterDlg &dialog) {
        auto *box = dialog.findChild<QListWidget *>("NameListBox");
        auto *sheet = dialog.findChild<QWidget *>("NgNameTabSheet");
        ASSERT_TRUE(box && sheet);
        // Entered by Tab, a list box gets a current row that nobody chose.
        QFocusEvent tabbedIn(QEvent::FocusIn, Qt::TabFocusReason);
        QCoreApplication::sendEvent(box, &tabbedIn);
        sheet->findChild<QPushButton *>("DelButton")->click();
        EXPECT_EQ(box->count(), 2) << "nothing was selected, so nothing is deleted";

        // Pasted text is taken up to its first line break, as a one-line box does.
        auto *edit = dialog.findChild<QLineEdit *>("NameEdit");
        edit->insert(QStringLiteral("carol\r\ndave"));
        EXPECT_EQ(edit->text(), QStringLiteral("carol"));
        sheet->findChild<QPushButton *>("AddButton")->click();
        dialog.findChild<QPushButton *>("OKBtn")->click();
    });
    EXPECT_EQ(ngFile("NG_Name.txt"), "alice\r\nbob\r\ncarol\r\n");
}

TEST_F(NgTest, DeletingFromTheMenuRemovesTheMessageFromThePageAndBothFiles)
{
    form->resize(1000, 700);
    form->show();
    ASSERT_TRUE(openTopics(1));
    ui::TopicPage &tab = form->topicPane().pages()[0];
    const std::size_t held = tab.lines.size();
    ASSERT_GE(held, 3u);

    // Elsewhere in the page the view's own menu opens, without the message items.
    QMenu *viewMenu = rightClickAt(tab, QStringLiteral("(function(){var d=document.querySelector('dt');"
                                                       "d.scrollIntoView(true);var r=d.getBoundingClientRect();"
                                                       "return [r.right-3,r.top+r.height/2];})()"));
    ASSERT_TRUE(viewMenu);
    EXPECT_EQ(viewMenu->objectName(), "ThrViewPopupMenu");
    viewMenu->close();

    QMenu *menu = rightClickNumber(2);
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->objectName(), "ResPopupMenu");
    ASSERT_TRUE(choose(menu, "PopResDel"));
    ASSERT_TRUE(apptest::WaitFor([&] { return tab.lines.size() == held - 1; }, 5000));
    ASSERT_TRUE(apptest::WaitFor([&] { return settled(tab); }));
    auto boardDir = store::ResolveBoardLogDir({dir, form->settings().path.log}, tab.listUrl);
    ASSERT_TRUE(boardDir);
    const std::string logPath = *boardDir + "/" + tab.logName;
    EXPECT_EQ(*base::ReadLines(logPath), tab.lines);
    auto index = *base::ReadLines(store::NumberIndexPath(logPath));
    EXPECT_EQ(index.size(), held - 1);
    EXPECT_EQ(std::count(index.begin(), index.end(), "2"), 0);
    EXPECT_EQ(std::count(index.begin(), index.end(), std::to_string(held)), 1) << "the last number stays";
    // In a message tree, the node under the pointer is the target of the message menu.
    ui::TopicListPage &treeTab = form->topicListPane().createPage(form->plugin(), "tree", true, true, false);
    treeTab.listUrl = ":Tree";
    treeTab.treeKey = tab.topicUrl;
    auto *tree = qobject_cast<QTreeWidget *>(treeTab.view.data());
    ASSERT_TRUE(tree);
    auto *node = new QTreeWidgetItem(tree, QStringList{QStringLiteral("3 someone")});
    ASSERT_TRUE(apptest::WaitFor([&] { return tree->isVisible() && !tree->visualItemRect(node).isEmpty(); }));
    QCursor::setPos(tree->viewport()->mapToGlobal(tree->visualItemRect(node).center()));
    ASSERT_TRUE(
        apptest::WaitFor([&] { return tree->itemAt(tree->viewport()->mapFromGlobal(QCursor::pos())) == node; }, 5000));
    QMenu *resMenu = form->findChild<QMenu *>("ResPopupMenu");
    resMenu->popup(QCursor::pos());
    resMenu->close();
    ASSERT_TRUE(form->actions().run("ThrUrlCopy"));
    EXPECT_TRUE(QApplication::clipboard()->text().endsWith("mid=3")) << QApplication::clipboard()->text().toStdString();

    // A topic tab without a site (an extraction) cannot delete from a log.
    form->topicPane().createPage(nullptr, "extract", true, false);
    form->actions().updateAll();
    EXPECT_FALSE(form->actions().action("PopResDel")->isEnabled());
    EXPECT_TRUE(form->actions().action("AddNGName")->isEnabled());
    form->topicPane().strip()->setCurrentIndex(0);

    bool done = false;
    QVariant links;
    browserOf(tab)->runScript(QStringLiteral("document.querySelectorAll('a[href=\"pop:2\"]').length"),
                              [&](const QVariant &v) {
                                  links = v;
                                  done = true;
                              });
    ASSERT_TRUE(apptest::WaitFor([&] { return done; }));
    EXPECT_EQ(links.toInt(), 0) << "the message left the page";
}

} // namespace
