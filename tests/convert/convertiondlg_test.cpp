// The conversion dialog: its controls and settings, its messages, a large run that leaves the
// window responsive, and the window's two commands that open it.
#include "app/mainform.h"
#include "convert/convertiondlg.h"
#include "converttesting.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using namespace converttest;

int argc = 1;
char arg0[] = "convert_dialog_test";
char *argv[] = {arg0, nullptr};

// Runs the event loop until done() holds or limitMs pass; the result of done().
bool WaitFor(const std::function<bool()> &done, int limitMs = 30000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

class DialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }

    void SetUp() override
    {
        ASSERT_FALSE(scratch.path.empty());
        std::filesystem::create_directories(scratch.path + "out");
    }

    std::unique_ptr<convert::TConvertionDlg> makeDialog(settings::ConversionSettings conversion = {})
    {
        convert::TConvertionDlg::Options options;
        options.programDir = scratch.path;
        options.profileBase = "http://profiles.example/";
        options.skinDir = DataDir() + "skin";
        options.conversion = conversion;
        options.showMessage = [this](const QString &, const QString &text) { messages.push_back(text); };
        options.openHelp = [this](QWidget *, const QString &keyword) { helpKeywords.push_back(keyword); };
        auto dialog = std::make_unique<convert::TConvertionDlg>(std::move(options));
        QObject::connect(dialog.get(), &convert::TConvertionDlg::runFinished, [this] { ++finished; });
        return dialog;
    }

    template <typename T> static T *child(QWidget &dialog, const char *name)
    {
        T *widget = dialog.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    static QString text(QWidget &dialog, const char *name) { return child<QLabel>(dialog, name)->text(); }
    static void type(QWidget &dialog, const char *name, const QString &value)
    {
        child<QLineEdit>(dialog, name)->setText(value);
    }

    void runAndWait(convert::TConvertionDlg &dialog)
    {
        const int before = finished;
        child<QPushButton>(dialog, "OKBtn")->click();
        ASSERT_TRUE(WaitFor([&] { return finished > before; }));
    }

    ScratchDir scratch;
    std::vector<QString> messages;
    std::vector<QString> helpKeywords;
    int finished = 0;
};

TEST_F(DialogTest, ControlsCarryTheirCaptionsAndTheInitialSettings)
{
    settings::ConversionSettings conversion;
    conversion.output = 250;
    conversion.write = true;
    auto dialog = makeDialog(conversion);
    EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("HTML 変換ツール"));
    EXPECT_EQ(child<QGroupBox>(*dialog, "InfoGroupBox")->title(), QString::fromUtf8("DAT ファイル"));
    EXPECT_EQ(child<QGroupBox>(*dialog, "OptionGroupBox")->title(), QString::fromUtf8("オプション"));
    EXPECT_EQ(child<QPushButton>(*dialog, "OKBtn")->text(), QString::fromUtf8("実行"));
    EXPECT_EQ(child<QPushButton>(*dialog, "CancelBtn")->text(), QString::fromUtf8("閉じる"));
    EXPECT_EQ(child<QPushButton>(*dialog, "HelpBtn")->text(), QString::fromUtf8("ヘルプ(&H)"));
    EXPECT_EQ(child<QCheckBox>(*dialog, "OverWriteCheckBox")->text(), QString::fromUtf8("同名ファイルの上書き"));
    for (const char *name : {"InputButton", "OutputButton", "SkinButton"})
        EXPECT_EQ(child<QPushButton>(*dialog, name)->text(), QStringLiteral("..."));
    for (const char *caption : {"変換元: DAT ファイル", "変換先: HTML ファイル", "使用するスキン", "出力範囲",
                                "(*) 空白で指定なし", "一回の出力数"}) {
        bool found = false;
        for (QLabel *l : dialog->findChildren<QLabel *>())
            found = found || l->text() == QString::fromUtf8(caption);
        EXPECT_TRUE(found) << caption;
    }
    EXPECT_EQ(child<QLineEdit>(*dialog, "OutputCountEdit")->text(), QStringLiteral("250"));
    EXPECT_TRUE(child<QCheckBox>(*dialog, "OverWriteCheckBox")->isChecked());
    EXPECT_EQ(child<QLineEdit>(*dialog, "SkinPathEdit")->text(), QString::fromStdString(DataDir() + "skin"));
    EXPECT_EQ(child<QLineEdit>(*dialog, "DatPathEdit")->text(), QString());
    EXPECT_EQ(text(*dialog, "CountStaticText"), QString::fromUtf8("投稿数：0"));
}

TEST_F(DialogTest, ClosingLeavesTheCountAsANumberOr1000AndTheOverwriteBox)
{
    auto dialog = makeDialog();
    for (auto [typed, expected] : {std::pair{"40", 40}, std::pair{"", 1000}, std::pair{"abc", 1000}}) {
        type(*dialog, "OutputCountEdit", QString::fromLatin1(typed));
        EXPECT_EQ(dialog->conversionSettings().output, expected) << typed;
    }
    child<QCheckBox>(*dialog, "OverWriteCheckBox")->setChecked(true);
    EXPECT_TRUE(dialog->conversionSettings().write);
}

TEST_F(DialogTest, LogInformationShowsTheFirstTitleInJapaneseAndTheLineCount)
{
    auto dialog = makeDialog();
    dialog->setDatPath(DataDir() + "topic.dat");
    EXPECT_EQ(text(*dialog, "TitleStaticText"), QString::fromUtf8("変換の話題 <b>&amp;</b>"));
    EXPECT_EQ(text(*dialog, "CountStaticText"), QString::fromUtf8("投稿数：7"));
    dialog->setDatPath(scratch.path + "none.dat");
    EXPECT_EQ(text(*dialog, "TitleStaticText"), QString());
    EXPECT_EQ(text(*dialog, "CountStaticText"), QString::fromUtf8("投稿数：0"));
}

TEST_F(DialogTest, ChoosersFillTheirFieldsAndTheLogChooserReadsTheLog)
{
    auto dialog = makeDialog();
    QString started;
    dialog->setChoosers(
        [&](QWidget *, const QString &start) {
            started = start;
            return QString::fromStdString(DataDir() + "topic.dat");
        },
        [&](QWidget *, const QString &) { return QString::fromStdString(scratch.path + "out/x.html"); },
        [&](QWidget *, const QString &) { return QString(); });
    type(*dialog, "DatPathEdit", QStringLiteral("/typed/before.dat"));
    child<QPushButton>(*dialog, "InputButton")->click();
    EXPECT_EQ(started, QStringLiteral("/typed/before.dat"));
    EXPECT_EQ(child<QLineEdit>(*dialog, "DatPathEdit")->text(), QString::fromStdString(DataDir() + "topic.dat"));
    EXPECT_EQ(text(*dialog, "CountStaticText"), QString::fromUtf8("投稿数：7"));
    child<QPushButton>(*dialog, "OutputButton")->click();
    EXPECT_EQ(child<QLineEdit>(*dialog, "HtmlPathEdit")->text(), QString::fromStdString(scratch.path + "out/x.html"));
    child<QPushButton>(*dialog, "SkinButton")->click(); // cancelled: the field keeps its skin
    EXPECT_EQ(child<QLineEdit>(*dialog, "SkinPathEdit")->text(), QString::fromStdString(DataDir() + "skin"));
}

TEST_F(DialogTest, HelpButtonLooksUpTheToolsKeyword)
{
    auto dialog = makeDialog();
    child<QPushButton>(*dialog, "HelpBtn")->click();
    EXPECT_EQ(helpKeywords, std::vector<QString>{QString::fromUtf8("HTML変換ツール")});
}

TEST_F(DialogTest, EachFailedCheckShowsItsMessageAndWritesNothing)
{
    auto dialog = makeDialog();
    runAndWait(*dialog);
    type(*dialog, "DatPathEdit", QString::fromStdString(scratch.path + "none.dat"));
    type(*dialog, "HtmlPathEdit", QString::fromStdString(scratch.path + "out/t.html"));
    runAndWait(*dialog);
    type(*dialog, "DatPathEdit", QString::fromStdString(DataDir() + "topic.dat"));
    type(*dialog, "StartEdit", QStringLiteral("abc"));
    runAndWait(*dialog);
    type(*dialog, "StartEdit", QString());
    type(*dialog, "OutputCountEdit", QStringLiteral("-5"));
    runAndWait(*dialog);
    EXPECT_EQ(messages, (std::vector<QString>{QString::fromUtf8("すべての項目が入力されていません。"),
                                              QString::fromUtf8("DAT ファイルまたは、スキンが存在しません。"),
                                              QString::fromUtf8("「1」以上の値を入力してください。"),
                                              QString::fromUtf8("「1」以上の値を入力してください。")}));
    EXPECT_TRUE(FileNames(scratch.path + "out").empty());
}

TEST_F(DialogTest, LargeLogConvertsInSlicesWhileTheProgressBarMovesAndTheDialogStaysOpen)
{
    ASSERT_TRUE(base::WriteFileAtomic(scratch.path + "big.dat", MakeLog(1, 30000)));
    auto dialog = makeDialog();
    dialog->show();
    dialog->setDatPath(scratch.path + "big.dat");
    type(*dialog, "HtmlPathEdit", QString::fromStdString(scratch.path + "out/big.html"));
    type(*dialog, "OutputCountEdit", QStringLiteral("10000"));
    QProgressBar *bar = child<QProgressBar>(*dialog, "ProgressBar1");
    std::vector<int> seen;
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) { seen.push_back(value); });

    child<QPushButton>(*dialog, "OKBtn")->click();
    EXPECT_TRUE(dialog->running());
    EXPECT_EQ(bar->maximum(), 30000);
    EXPECT_EQ(text(*dialog, "InfoStaticText"), QString::fromUtf8("読み込み中..."));
    EXPECT_FALSE(child<QPushButton>(*dialog, "OKBtn")->isEnabled());
    ASSERT_TRUE(WaitFor([&] { return finished > 0; }, 120000));

    EXPECT_GT(std::count_if(seen.begin(), seen.end(), [](int v) { return v > 0 && v < 30000; }), 0)
        << "the bar never showed an intermediate position: the run did not yield to the event loop";
    EXPECT_EQ(bar->value(), 30000);
    EXPECT_EQ(text(*dialog, "InfoStaticText"), QString::fromUtf8("HTML への変換が正常に終了しました"));
    EXPECT_TRUE(child<QPushButton>(*dialog, "OKBtn")->isEnabled());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(FileNames(scratch.path + "out"), (std::vector<std::string>{"big1.html", "big2.html", "big3.html"}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(DialogTest, ClosingDuringARunStopsIt)
{
    ASSERT_TRUE(base::WriteFileAtomic(scratch.path + "big.dat", MakeLog(1, 30000)));
    auto dialog = makeDialog();
    dialog->show();
    dialog->setDatPath(scratch.path + "big.dat");
    type(*dialog, "HtmlPathEdit", QString::fromStdString(scratch.path + "out/big.html"));
    type(*dialog, "OutputCountEdit", QStringLiteral("10"));
    child<QPushButton>(*dialog, "OKBtn")->click();
    ASSERT_TRUE(WaitFor([&] { return !FileNames(scratch.path + "out").empty(); }));
    child<QPushButton>(*dialog, "CancelBtn")->click();
    EXPECT_FALSE(dialog->running());
    const std::size_t written = FileNames(scratch.path + "out").size();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(FileNames(scratch.path + "out").size(), written);
    EXPECT_LT(written, 3000u);
}

TEST_F(DialogTest, ReadErrorShowsItsMessageAndStatus)
{
    ASSERT_TRUE(base::WriteFileAtomic(scratch.path + "bad.dat", MakeLog(1, 3) + "no tabs here\r\n"));
    auto dialog = makeDialog();
    dialog->setDatPath(scratch.path + "bad.dat");
    type(*dialog, "HtmlPathEdit", QString::fromStdString(scratch.path + "out/t.html"));
    runAndWait(*dialog);
    EXPECT_EQ(messages, std::vector<QString>{QString::fromUtf8("DAT ファイルの読み込み中にエラーが発生しました。")});
    EXPECT_EQ(text(*dialog, "InfoStaticText"), QString::fromUtf8("読み込みエラー"));
}

TEST_F(DialogTest, BrokenSkinFallsBackToTheProgramsSkinWhichTheFieldThenShows)
{
    std::filesystem::create_directories(scratch.path + "partial");
    auto dialog = makeDialog();
    dialog->setDatPath(DataDir() + "topic.dat");
    type(*dialog, "HtmlPathEdit", QString::fromStdString(scratch.path + "out/t.html"));
    type(*dialog, "SkinPathEdit", QString::fromStdString(scratch.path + "partial"));
    runAndWait(*dialog);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(child<QLineEdit>(*dialog, "SkinPathEdit")->text(), QString::fromStdString(scratch.path + "skin"));
    EXPECT_NE(Read(scratch.path + "out/t1.html").find("http://profiles.example/"), std::string::npos);
}

TEST_F(DialogTest, ASkinThatCannotBeWrittenIsReportedInTheWindowsOwnWords)
{
    // The chosen skin lacks its templates, and the program's skin folder cannot be made.
    std::filesystem::create_directories(scratch.path + "partial");
    ASSERT_TRUE(base::WriteFileAtomic(scratch.path + "skin", "not a folder"));
    auto dialog = makeDialog();
    dialog->setDatPath(DataDir() + "topic.dat");
    type(*dialog, "HtmlPathEdit", QString::fromStdString(scratch.path + "out/t.html"));
    type(*dialog, "SkinPathEdit", QString::fromStdString(scratch.path + "partial"));
    runAndWait(*dialog);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QString::fromUtf8("デフォルトのスキンを書き込めませんでした。\n") +
                               QString::fromStdString(scratch.path + "skin"));
    EXPECT_FALSE(std::filesystem::exists(scratch.path + "out/t1.html"));
}

TEST_F(DialogTest, PathThatIsNotUtf8IsUsedAsTheProgramGaveIt)
{
    // A board directory's name is Shift_JIS on disk: 板 is 0x94 0xC2.
    const std::string dir = scratch.path + "\x94\xc2/";
    std::filesystem::create_directories(dir);
    ASSERT_TRUE(base::WriteFileAtomic(dir + "123.dat", MakeLog(1, 4)));
    auto dialog = makeDialog();
    dialog->setDatPath(dir + "123.dat");
    EXPECT_EQ(text(*dialog, "CountStaticText"), QString::fromUtf8("投稿数：4"));
    type(*dialog, "HtmlPathEdit", QString::fromStdString(scratch.path + "out/t.html"));
    runAndWait(*dialog);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(FileNames(scratch.path + "out"), std::vector<std::string>{"t1.html"});
}

// The window's commands.
class WindowCommandTest : public DialogTest {};

TEST_F(WindowCommandTest, ToolConversionOpensAnEmptyLogFieldAndKeepsTheSettingsOfTheClosedDialog)
{
    TMainForm form(scratch.path, [this](const QString &, const QString &text) { messages.push_back(text); });
    QString datField = QStringLiteral("unset");
    QString countField;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<convert::TConvertionDlg *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        datField = child<QLineEdit>(*dialog, "DatPathEdit")->text();
        countField = child<QLineEdit>(*dialog, "OutputCountEdit")->text();
        type(*dialog, "OutputCountEdit", QStringLiteral("77"));
        child<QCheckBox>(*dialog, "OverWriteCheckBox")->setChecked(true);
        child<QPushButton>(*dialog, "CancelBtn")->click();
    });
    ASSERT_TRUE(form.actions().run(QStringLiteral("ToolConversion")));
    EXPECT_EQ(datField, QString());
    EXPECT_EQ(countField, QStringLiteral("1000"));
    EXPECT_EQ(form.settings().conversion.output, 77);
    EXPECT_TRUE(form.settings().conversion.write);
}

TEST_F(WindowCommandTest, ThrLstConversionNeedsASelectedRow)
{
    TMainForm form(scratch.path, [this](const QString &, const QString &text) { messages.push_back(text); });
    form.actions().update(QStringLiteral("ThrLstConversion"));
    EXPECT_FALSE(form.actions().action(QStringLiteral("ThrLstConversion"))->isEnabled());
    EXPECT_FALSE(form.actions().run(QStringLiteral("ThrLstConversion")));
}

} // namespace
