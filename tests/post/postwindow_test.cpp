// Posting end to end in the window against the bundled board server: replies, quotations, new
// topics, the answers the board gives, and posts whose answer is lost.
#include "app/mainform.h"
#include "help/help.h"
#include "help/helpwindow.h"
#include "net/pipeline.h"
#include "post/postformdlg.h"
#include "post/postquery.h"
#include "qtbridge/sjis.h"
#include "store/listrows.h"
#include "store/threadlog.h"
#include "tests/app/boardfixture.h"
#include "ui/statusbar.h"
#include "ui/topiclistview.h"
#include "view/htmlview.h"
#include "view/texttransform.h"
#include "view/webengine.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

int argc = 1;
char arg0[] = "post_window_test";
char *argv[] = {arg0, nullptr};

QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

/// A stored message text as it reads on the page: breaks as line feeds, entities decoded.
std::string shownText(std::string_view body)
{
    return view::DecodeEntities(view::ConvertBreaks(body, false, view::BreakDirection::FromBreaks));
}

class PostWindowTest : public apptest::BoardFixture {
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
                "--topics",     "4", "--messages", "8", "--huge",          "0"};
    }

    std::string extraIni() const override { return "posttimeout=0\r\n[login]\r\nid=nekodemo\r\npass=nekopass\r\n"; }

    void logIn()
    {
        ASSERT_TRUE(form->actions().run("FileLogin"));
        ASSERT_TRUE(apptest::WaitFor([&] { return form->pipeline().loggedIn(); })) << "the login did not succeed";
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
                return tab && !tab->downloading() && tab->lines.size() >= 3;
            },
            60000);
        return done ? form->topicPane().activePage() : nullptr;
    }

    QList<post::TPostFormDlg *> dialogs() { return form->findChildren<post::TPostFormDlg *>(); }

    /// Waits until a post form dialog has been filled and shown.
    QPointer<post::TPostFormDlg> shownDialog()
    {
        post::TPostFormDlg *found = nullptr;
        apptest::WaitFor([&] {
            for (post::TPostFormDlg *d : dialogs())
                if (d->isVisible())
                    found = d;
            return found != nullptr;
        });
        return found;
    }

    static QPlainTextEdit *memoOf(post::TPostFormDlg *d) { return d->findChild<QPlainTextEdit *>("PostMemo"); }
    static QLineEdit *titleOf(post::TPostFormDlg *d) { return d->findChild<QLineEdit *>("TitleEdit"); }
    static void send(post::TPostFormDlg *d) { d->findChild<QPushButton *>("OKBtn")->click(); }

    /// The first message of any topic tab whose text reads as text (Shift_JIS), with its tab.
    std::optional<std::pair<ui::TopicPage *, std::string>> findMessage(const std::string &text)
    {
        for (int i = 0; i < form->topicPane().pages().size(); ++i) {
            ui::TopicPage &tab = form->topicPane().pages()[i];
            for (const std::string &line : tab.lines)
                if (shownText(store::SplitLogLine(line).body) == text)
                    return std::make_pair(&tab, line);
        }
        return std::nullopt;
    }

    /// Waits for the new message, its download finished and its page in the view.
    std::optional<std::pair<ui::TopicPage *, std::string>> waitForMessage(const std::string &text)
    {
        std::optional<std::pair<ui::TopicPage *, std::string>> found;
        apptest::WaitFor(
            [&] {
                found = findMessage(text);
                if (!found || found->first->downloading())
                    return false;
                auto *browser = qobject_cast<view::HtmlView *>(found->first->browser.data());
                return browser && !browser->isLoading();
            },
            30000);
        return found;
    }

    QString pageText(ui::TopicPage &tab)
    {
        auto *browser = qobject_cast<view::HtmlView *>(tab.browser.data());
        QString text;
        bool done = false;
        browser->runScript(QStringLiteral("document.body.innerText"), [&](const QVariant &v) {
            text = v.toString();
            done = true;
        });
        apptest::WaitFor([&] { return done; }, 10000);
        return text;
    }

    QString status0() { return form->statusPanels().panelText(0); }

    /// The pipeline has nothing running or waiting.
    bool idle() { return form->pipeline().runningCount() == 0 && form->pipeline().waitingGeneral() == 0; }
};

TEST_F(PostWindowTest, AReplyWithJapaneseTextAndMarkupCharactersAppearsExactlyAsTyped)
{
    form->show();
    logIn();
    ui::TopicPage *tab = openFirstTopic();
    ASSERT_TRUE(tab);

    // A second reply to the same form while the first waits for it opens nothing more.
    ASSERT_TRUE(form->actions().run("ThrRes"));
    ASSERT_TRUE(form->actions().run("ThrRes"));
    EXPECT_EQ(dialogs().size(), 1);
    QPointer<post::TPostFormDlg> dialog = shownDialog();
    ASSERT_TRUE(dialog) << "the post form did not come";
    EXPECT_EQ(dialogs().size(), 1);
    EXPECT_EQ(dialog->width(), 523);
    auto *names = dialog->findChild<QComboBox *>("NameComboBox");
    ASSERT_EQ(names->count(), 2) << "the demo account's nicknames";
    EXPECT_EQ(names->currentIndex(), 0);
    names->setCurrentIndex(1);
    std::string caption = form->topicPane().strip()->caption(form->topicPane().pages().indexOf(tab));
    EXPECT_EQ(qtbridge::ToSjis(titleOf(dialog)->text()), "Re:" + view::DecodeEntities(caption));
    EXPECT_EQ(qtbridge::ToSjis(dialog->windowTitle()), view::DecodeEntities(caption) + post::kReplyCaptionSuffix);

    const QString typed = u8("猫 & 犬 + <b>ねこ</b>\n二行目 100%");
    memoOf(dialog)->setPlainText(typed);
    EXPECT_EQ(dialog->findChild<QLabel *>("LenStaticText")->text(),
              QString::fromLatin1(post::MemoSizeText(qtbridge::ToSjis(typed).size() + 1).c_str()));

    // The preview shows the text as the topic will.
    auto *pages = dialog->findChild<QTabWidget *>("PageControl1");
    pages->setCurrentIndex(1);
    auto *preview = dialog->findChild<view::HtmlView *>();
    ASSERT_TRUE(preview);
    ASSERT_TRUE(apptest::WaitFor([&] { return !preview->isLoading(); }, 20000));
    QString previewText;
    bool read = false;
    preview->runScript(QStringLiteral("document.body.innerText"), [&](const QVariant &v) {
        previewText = v.toString();
        read = true;
    });
    ASSERT_TRUE(apptest::WaitFor([&] { return read; }, 10000));
    EXPECT_TRUE(previewText.contains(typed)) << previewText.toStdString();
    EXPECT_TRUE(previewText.contains(u8("neko_writer"))) << previewText.toStdString();
    pages->setCurrentIndex(0);

    send(dialog);
    auto found = waitForMessage(qtbridge::ToSjis(typed));
    ASSERT_TRUE(found) << "the new message did not appear; status " << status0().toStdString();
    store::LogFields fields = store::SplitLogLine(found->second);
    EXPECT_EQ(fields.author, "neko_writer");
    EXPECT_EQ(fields.replyTo, "0");
    EXPECT_TRUE(pageText(*found->first).contains(typed)) << pageText(*found->first).toStdString();
    EXPECT_TRUE(apptest::WaitFor([&] { return dialog.isNull(); }, 5000)) << "a successful post closes its dialog";
}

TEST_F(PostWindowTest, AReplyWithAQuotationQuotesMessageThreeAndAnswersIt)
{
    form->show();
    logIn();
    ui::TopicPage *tab = openFirstTopic();
    ASSERT_TRUE(tab);
    // The message menu of message 3 sets the target.
    QTimer::singleShot(200, [] {
        if (QWidget *menu = QApplication::activePopupWidget())
            menu->close();
    });
    emit qobject_cast<view::HtmlView *>(tab->browser.data())->linkActivated(QStringLiteral("pop:3"));
    ASSERT_TRUE(form->actions().run("PopResQuo"));
    QPointer<post::TPostFormDlg> dialog = shownDialog();
    ASSERT_TRUE(dialog);

    std::string third;
    for (const std::string &line : tab->lines)
        if (store::LogLineNumber(line, 0) == 3)
            third = line;
    ASSERT_FALSE(third.empty());
    store::LogFields fields = store::SplitLogLine(third);
    std::string expected = ">>3\n";
    std::string quoted = shownText(fields.body);
    for (std::size_t start = 0;;) {
        std::size_t end = quoted.find('\n', start);
        expected += "> " + quoted.substr(start, end == std::string::npos ? std::string::npos : end - start) + "\n";
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    EXPECT_EQ(qtbridge::ToSjis(memoOf(dialog)->toPlainText()), expected);
    EXPECT_EQ(qtbridge::ToSjis(titleOf(dialog)->text()), "Re:" + view::DecodeEntities(fields.title));

    memoOf(dialog)->appendPlainText(u8("引用への返事"));
    const std::string sent = qtbridge::ToSjis(memoOf(dialog)->toPlainText());
    send(dialog);
    auto found = waitForMessage(sent);
    ASSERT_TRUE(found) << "the quoting reply did not appear; status " << status0().toStdString();
    EXPECT_EQ(store::SplitLogLine(found->second).replyTo, "3");
}

TEST_F(PostWindowTest, ANewTopicAppearsInTheBoardsList)
{
    form->show();
    logIn();
    crawl();
    QTreeWidget *list = openListedBoard();
    ASSERT_TRUE(list);
    int rowsBefore = list->topLevelItemCount();
    form->actions().update("ThrLstWrite");
    ASSERT_TRUE(form->actions().run("ThrLstWrite"));
    QPointer<post::TPostFormDlg> dialog = shownDialog();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(titleOf(dialog)->text().isEmpty());
    EXPECT_TRUE(memoOf(dialog)->toPlainText().isEmpty());
    EXPECT_TRUE(dialog->windowTitle().endsWith(u8(" にスレッドを作成")));

    const QString title = u8("新しい話題 & <テスト>");
    titleOf(dialog)->setText(title);
    memoOf(dialog)->setPlainText(u8("最初の書き込み\n二行目"));
    send(dialog);
    auto found = waitForMessage(qtbridge::ToSjis(u8("最初の書き込み\n二行目")));
    ASSERT_TRUE(found) << "the new topic did not open; status " << status0().toStdString();
    EXPECT_EQ(store::LogLineNumber(found->second, 0), 1);

    // The board's list, fetched again, holds the topic.
    ASSERT_TRUE(form->actions().run("ThrLstReload"));
    bool listed = apptest::WaitFor([&] {
        QTreeWidget *l = activeList();
        if (!l || !l->updatesEnabled() || l->topLevelItemCount() <= rowsBefore)
            return false;
        for (int i = 0; i < l->topLevelItemCount(); ++i)
            if (view::DecodeEntities(static_cast<ui::TopicItem *>(l->topLevelItem(i))->row().text(store::kTitleItem)) ==
                qtbridge::ToSjis(title))
                return true;
        return false;
    });
    EXPECT_TRUE(listed) << "the board's list does not show the new topic";
}

TEST_F(PostWindowTest, ReplyingWhileLoggedOutSaysSoAndDiscardsTheDialog)
{
    form->show();
    ui::TopicPage *tab = openFirstTopic();
    ASSERT_TRUE(tab);
    ASSERT_TRUE(form->actions().run("ThrRes"));
    ASSERT_TRUE(apptest::WaitFor([&] { return status0() == u8("ログインされていません"); }));
    ASSERT_TRUE(apptest::WaitFor([&] { return dialogs().empty(); })) << "the waiting dialog is discarded";
    // And a new reply to the same form may be asked for again.
    ASSERT_TRUE(form->actions().run("ThrRes"));
    EXPECT_EQ(dialogs().size(), 1);
}

TEST_F(PostWindowTest, APostTheBoardRefusesKeepsTheTypedTextInTheShownDialog)
{
    form->show();
    logIn();
    ui::TopicPage *tab = openFirstTopic();
    ASSERT_TRUE(tab);
    ASSERT_TRUE(form->actions().run("ThrRes"));
    QPointer<post::TPostFormDlg> dialog = shownDialog();
    ASSERT_TRUE(dialog);

    // The reply's title is kept whole, also past 40 bytes; typing adds no more than 40 bytes
    // allow (20 full-width characters, or 40 of one byte), while deleting always works.
    const QString reply = QStringLiteral("Re:") + QString(20, QChar(0x732B));
    titleOf(dialog)->setText(reply);
    EXPECT_EQ(titleOf(dialog)->text(), reply);
    titleOf(dialog)->setFocus();
    titleOf(dialog)->end(false);
    QTest::keyClicks(titleOf(dialog), QStringLiteral("xy"));
    EXPECT_EQ(titleOf(dialog)->text(), reply) << "nothing goes past the limit";
    QTest::keyClick(titleOf(dialog), Qt::Key_Backspace);
    EXPECT_EQ(titleOf(dialog)->text(), reply.left(reply.size() - 1));
    titleOf(dialog)->clear();
    for (int i = 0; i < 25; ++i)
        QTest::sendKeyEvent(QTest::Click, titleOf(dialog), Qt::Key_unknown, QString(QChar(0x732B)), Qt::NoModifier);
    EXPECT_EQ(titleOf(dialog)->text(), QString(20, QChar(0x732B)));
    titleOf(dialog)->clear();
    QTest::keyClicks(titleOf(dialog), QString(41, QLatin1Char('t')));
    EXPECT_EQ(titleOf(dialog)->text().size(), 40);

    // An empty title is not sent at all.
    titleOf(dialog)->setText(u8("　 　"));
    std::size_t said = messages.size();
    send(dialog);
    ASSERT_EQ(messages.size(), said + 1);
    EXPECT_EQ(messages.back(), "タイトルが入力されていません。");
    EXPECT_TRUE(dialog->isVisible());

    // 4001 bytes: the counter turns red, and the board refuses it.
    titleOf(dialog)->setText(u8("長すぎる"));
    const QString text = QString(4001, QLatin1Char('a'));
    memoOf(dialog)->setPlainText(text);
    auto *size = dialog->findChild<QLabel *>("LenStaticText");
    EXPECT_EQ(size->text(), QStringLiteral("4001 / 4000 Bytes"));
    EXPECT_EQ(size->palette().color(QPalette::Window), QColor(255, 0, 0));
    send(dialog);
    ASSERT_TRUE(apptest::WaitFor([&] { return status0() == u8("書き込みに失敗しました"); }));
    ASSERT_TRUE(apptest::WaitFor([&] { return dialog && dialog->isVisible(); }));
    EXPECT_EQ(memoOf(dialog)->toPlainText(), text);
    EXPECT_EQ(titleOf(dialog)->text(), u8("長すぎる"));

    // A message too long for any request is not sent: the text stays to be shortened.
    QString longText;
    for (int i = 0; i < 2000; ++i)
        longText += QChar(0x732B); // the kanji for cat: two bytes, six once encoded
    memoOf(dialog)->setPlainText(longText);
    said = messages.size();
    send(dialog);
    ASSERT_EQ(messages.size(), said + 1);
    EXPECT_EQ(messages.back(), "メッセージが長すぎるため書き込めません。");
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(memoOf(dialog)->toPlainText(), longText);
    ASSERT_TRUE(apptest::WaitFor([&] { return idle(); }));
    EXPECT_EQ(server.stat("posts"), 0);

    // Help opens the page of posting.
    dialog->findChild<QPushButton *>("HelpBtn")->click();
    ASSERT_TRUE(form->help().window());
    EXPECT_TRUE(form->help().window()->currentPage().endsWith(QStringLiteral("post.html")))
        << form->help().window()->currentPage().toStdString();
}

TEST_F(PostWindowTest, TheDialogFoldsToItsCaptionWhileAnotherWindowIsActive)
{
    form->show();
    logIn();
    ui::TopicPage *tab = openFirstTopic();
    ASSERT_TRUE(tab);
    ASSERT_TRUE(form->actions().run("ThrRes"));
    QPointer<post::TPostFormDlg> dialog = shownDialog();
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(apptest::WaitFor([&] { return dialog->isActiveWindow(); }, 10000));
    const int height = dialog->height();
    EXPECT_EQ(height, 426);
    form->activateWindow();
    ASSERT_TRUE(apptest::WaitFor([&] { return dialog->collapsed() && dialog->height() < 10; }, 10000));
    EXPECT_EQ(dialog->savedHeight(), height);
    dialog->activateWindow();
    ASSERT_TRUE(apptest::WaitFor([&] { return !dialog->collapsed() && dialog->height() == height; }, 10000));
    // Cancel closes it, and the form may be asked for again.
    dialog->findChild<QPushButton *>("CancelBtn")->click();
    EXPECT_FALSE(dialog->isVisible());
    ASSERT_TRUE(form->actions().run("ThrRes"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());
    EXPECT_EQ(dialogs().size(), 1) << "a new dialog waits for the form";
}

/// The board takes the post, but its answer does not reach the program: the post is not sent
/// again, and the user is told its outcome is unknown, with the text kept.
class LostAnswerTest : public PostWindowTest {
protected:
    void postWithLostAnswer(const std::string &fault)
    {
        form->show();
        logIn();
        ui::TopicPage *tab = openFirstTopic();
        ASSERT_TRUE(tab);
        ASSERT_TRUE(form->actions().run("ThrRes"));
        QPointer<post::TPostFormDlg> dialog = shownDialog();
        ASSERT_TRUE(dialog);
        ASSERT_TRUE(server.addFault(fault));
        memoOf(dialog)->setPlainText(u8("届いたかどうか"));
        send(dialog);
        ASSERT_TRUE(apptest::WaitFor([&] { return !messages.empty(); }, 30000)) << "nothing was said";
        EXPECT_EQ(messages.back().rfind("書き込みの結果を確認できませんでした。", 0), 0u) << messages.back();
        EXPECT_EQ(status0(), u8("書き込みの結果を確認できませんでした"));
        ASSERT_TRUE(dialog);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(memoOf(dialog)->toPlainText(), u8("届いたかどうか"));
        ASSERT_TRUE(apptest::WaitFor([&] { return idle(); }));
        EXPECT_EQ(server.stat("posts"), 1) << "the post went out exactly once";
    }
};

TEST_F(LostAnswerTest, AnswerCutBeforeItsHeaderEnded)
{
    postWithLostAnswer("cut=12@*action=post*#1");
}

TEST_F(LostAnswerTest, AnswerThatNeverCameInTime)
{
    postWithLostAnswer("delay=8000@*action=post*#1");
}

/// The post form never comes: with no retries, the first failure gives its request up.
class LostFormTest : public PostWindowTest {
protected:
    std::string extraIni() const override { return "retry=0\r\n" + PostWindowTest::extraIni(); }
};

TEST_F(LostFormTest, ADialogWhoseFormNeverCameIsDiscardedSoThatTheFormCanBeAskedForAgain)
{
    form->show();
    logIn();
    ui::TopicPage *tab = openFirstTopic();
    ASSERT_TRUE(tab);
    ASSERT_TRUE(server.addFault("silent@*action=r&*#1"));
    ASSERT_TRUE(form->actions().run("ThrRes"));
    ASSERT_EQ(dialogs().size(), 1);
    ASSERT_TRUE(apptest::WaitFor([&] { return status0() == u8("書き込みフォームの取得に失敗しました"); }, 30000));
    EXPECT_TRUE(dialogs().empty());
    ASSERT_TRUE(form->actions().run("ThrRes"));
    EXPECT_TRUE(shownDialog()) << "the form, asked for again, comes";
}

} // namespace
