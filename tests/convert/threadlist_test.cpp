// `ThrLstConversion` in the window against the substitute board server: the dialog opens with
// the selected row's topic log, resolved through the board's log directory.
#include "app/mainform.h"
#include "base/programdir.h"
#include "base/text.h"
#include "base/textfile.h"
#include "convert/convertiondlg.h"
#include "store/boarddir.h"
#include "store/boardurls.h"
#include "store/categoryfile.h"
#include "tests/app/boardfixture.h"
#include "ui/topiclistview.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

int argc = 1;
char arg0[] = "convert_threadlist_test";
char *argv[] = {arg0, nullptr};

class ThreadListConversionTest : public apptest::BoardFixture {
protected:
    static void SetUpTestSuite()
    {
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }
};

TEST_F(ThreadListConversionTest, SelectedRowOpensTheDialogWithItsTopicLog)
{
    crawl();
    QTreeWidget *list = openListedBoard();
    ASSERT_NE(list, nullptr);
    form->actions().update(QStringLiteral("ThrLstConversion"));
    list->clearSelection();
    list->setCurrentItem(nullptr);
    form->actions().update(QStringLiteral("ThrLstConversion"));
    EXPECT_FALSE(form->actions().action(QStringLiteral("ThrLstConversion"))->isEnabled());

    auto *item = static_cast<ui::TopicItem *>(list->topLevelItem(1));
    list->setCurrentItem(item);
    item->setSelected(true);
    const store::TopicEntry entry = item->row().entry;
    const std::string board = base::ExtractUrlParam("board=", entry.topicUrl).value_or("");
    const auto boardDir =
        store::ResolveBoardLogDir({dir, form->settings().path.log}, store::BoardListUrl(form->boardServer(), board));
    ASSERT_TRUE(boardDir);
    const std::string logPath = base::JoinPath(*boardDir, entry.logName);
    ASSERT_TRUE(base::WriteFileAtomic(logPath, "1\t0\td\tn\tfirst\tbody\r\n2\t1\td\tn\tsecond\tbody\r\n"));

    QString datField;
    QString count;
    auto readDialog = [&] {
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<convert::TConvertionDlg *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            datField = dialog->findChild<QLineEdit *>(QStringLiteral("DatPathEdit"))->text();
            count = dialog->findChild<QLabel *>(QStringLiteral("CountStaticText"))->text();
            dialog->findChild<QPushButton *>(QStringLiteral("CancelBtn"))->click();
        });
    };
    readDialog();
    ASSERT_TRUE(form->actions().run(QStringLiteral("ThrLstConversion")));
    EXPECT_EQ(datField, QFile::decodeName(QByteArray::fromStdString(logPath)));
    EXPECT_EQ(count, QString::fromUtf8("投稿数：2"));

    // Without the category file every board's logs are kept under the log root: the field names
    // the log there, which this board has not got.
    std::filesystem::remove(store::CategoryFilePath(dir, store::kPluginTreeName));
    const auto rootDir =
        store::ResolveBoardLogDir({dir, form->settings().path.log}, store::BoardListUrl(form->boardServer(), board));
    ASSERT_TRUE(rootDir);
    ASSERT_NE(*rootDir, *boardDir);
    readDialog();
    ASSERT_TRUE(form->actions().run(QStringLiteral("ThrLstConversion")));
    EXPECT_EQ(datField, QFile::decodeName(QByteArray::fromStdString(base::JoinPath(*rootDir, entry.logName))));
    EXPECT_EQ(count, QString::fromUtf8("投稿数：0"));
}

} // namespace
