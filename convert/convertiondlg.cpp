// The conversion dialog's controls, its three choosers and the run in slices.
#include "convert/convertiondlg.h"

#include "base/text.h"
#include "convert/converttexts.h"
#include "view/render.h"
#include "view/skin.h"
#include "qtbridge/oneline.h"
#include "qtbridge/sjis.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace convert {

namespace {

// A slice converts lines for about this long before the event loop runs again.
constexpr qint64 kSliceMillis = 15;
constexpr std::size_t kLinesPerCheck = 32;

QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

QLabel *label(const char *text, QWidget *parent, const char *objectName = nullptr)
{
    auto *l = new QLabel(u8(text), parent);
    if (objectName)
        l->setObjectName(QString::fromLatin1(objectName));
    return l;
}

QLineEdit *edit(const char *objectName, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(objectName));
    return e;
}

QPushButton *button(const char *text, const char *objectName, QWidget *parent)
{
    auto *b = new QPushButton(u8(text), parent);
    b->setObjectName(QString::fromLatin1(objectName));
    b->setAutoDefault(false);
    return b;
}

} // namespace

TConvertionDlg::TConvertionDlg(Options options, QWidget *parent) : QDialog(parent), m_options(std::move(options))
{
    setObjectName(QStringLiteral("ConvertionDlg"));
    setWindowTitle(u8("HTML 変換ツール"));
    if (!m_options.showMessage) {
        m_options.showMessage = [this](const QString &caption, const QString &text) {
            QMessageBox::warning(this, caption, text);
        };
    }
    m_openDat = [](QWidget *owner, const QString &start) {
        return QFileDialog::getOpenFileName(owner, u8("変換元 DAT ファイル"), start,
                                            u8("DAT ファイル(*.dat);;すべて(*.*)"));
    };
    m_saveHtml = [](QWidget *owner, const QString &start) {
        QFileDialog dialog(owner, u8("変換先 HTML ファイル"), start, u8("HTML ファイル(*.html *.htm);;すべて(*.*)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("html"));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return dialog.selectedFiles().front();
    };
    m_chooseSkin = [](QWidget *owner, const QString &start) {
        return QFileDialog::getExistingDirectory(owner, u8("スキンの場所を選択してください"), start,
                                                 QFileDialog::ShowDirsOnly);
    };
    buildControls();
    qtbridge::KeepBoxesToOneLine(this);
    setPath(m_skinPath, m_skinRaw, m_options.skinDir);
    m_outputCount->setText(QString::number(m_options.conversion.output));
    m_overwrite->setChecked(m_options.conversion.write);
    readDatInfo();

    m_sliceTimer = new QTimer(this);
    m_sliceTimer->setInterval(0);
    connect(m_sliceTimer, &QTimer::timeout, this, &TConvertionDlg::slice);
}

TConvertionDlg::~TConvertionDlg() = default;

void TConvertionDlg::buildControls()
{
    auto *layout = new QVBoxLayout(this);

    m_infoGroup = new QGroupBox(u8("DAT ファイル"), this);
    m_infoGroup->setObjectName(QStringLiteral("InfoGroupBox"));
    auto *infoLayout = new QVBoxLayout(m_infoGroup);
    m_title = label("", m_infoGroup, "TitleStaticText");
    m_title->setTextFormat(Qt::PlainText);
    m_count = label("", m_infoGroup, "CountStaticText");
    infoLayout->addWidget(m_title);
    infoLayout->addWidget(m_count);
    layout->addWidget(m_infoGroup);

    auto *paths = new QGridLayout;
    struct PathRow {
        const char *caption;
        QLineEdit **edit;
        const char *editName;
        const char *buttonName;
    };
    const PathRow rows[] = {{"変換元: DAT ファイル", &m_datPath, "DatPathEdit", "InputButton"},
                            {"変換先: HTML ファイル", &m_htmlPath, "HtmlPathEdit", "OutputButton"},
                            {"使用するスキン", &m_skinPath, "SkinPathEdit", "SkinButton"}};
    int row = 0;
    for (const PathRow &r : rows) {
        *r.edit = edit(r.editName, this);
        QPushButton *choose = button("...", r.buttonName, this);
        choose->setFixedWidth(choose->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 16);
        paths->addWidget(label(r.caption, this), row, 0);
        paths->addWidget(*r.edit, row, 1);
        paths->addWidget(choose, row, 2);
        ++row;
        QLineEdit *target = *r.edit;
        connect(choose, &QPushButton::clicked, this, [this, target] {
            ChooseFn &chooser = target == m_datPath ? m_openDat : target == m_htmlPath ? m_saveHtml : m_chooseSkin;
            std::string &raw = target == m_datPath ? m_datRaw : target == m_htmlPath ? m_htmlRaw : m_skinRaw;
            const QString chosen = chooser(this, QFile::decodeName(QByteArray::fromStdString(pathOf(target, raw))));
            if (chosen.isEmpty())
                return;
            setPath(target, raw, QFile::encodeName(chosen).toStdString());
            if (target == m_datPath)
                readDatInfo();
        });
    }
    layout->addLayout(paths);

    auto *options = new QGroupBox(u8("オプション"), this);
    options->setObjectName(QStringLiteral("OptionGroupBox"));
    auto *grid = new QGridLayout(options);
    m_start = edit("StartEdit", options);
    m_end = edit("EndEdit", options);
    m_outputCount = edit("OutputCountEdit", options);
    for (QLineEdit *number : {m_start, m_end, m_outputCount})
        number->setMaximumWidth(number->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
    auto *range = new QHBoxLayout;
    range->addWidget(m_start);
    range->addWidget(new QLabel(QStringLiteral("-"), options));
    range->addWidget(m_end);
    range->addWidget(label("(*) 空白で指定なし", options));
    grid->addWidget(label("出力範囲", options), 0, 0);
    grid->addLayout(range, 0, 1);
    grid->addWidget(label("一回の出力数", options), 1, 0);
    grid->addWidget(m_outputCount, 1, 1, Qt::AlignLeft);
    m_overwrite = new QCheckBox(u8("同名ファイルの上書き"), options);
    m_overwrite->setObjectName(QStringLiteral("OverWriteCheckBox"));
    grid->addWidget(m_overwrite, 2, 0, 1, 2);
    layout->addWidget(options);

    m_info = label("", this, "InfoStaticText");
    layout->addWidget(m_info);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    layout->addWidget(m_progress);

    auto *bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    layout->addWidget(bevel);

    auto *buttons = new QHBoxLayout;
    m_help = button("ヘルプ(&H)", "HelpBtn", this);
    m_ok = button("実行", "OKBtn", this);
    m_cancel = button("閉じる", "CancelBtn", this);
    buttons->addWidget(m_help);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &TConvertionDlg::run);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_help, &QPushButton::clicked, this, [this] {
        if (m_options.openHelp)
            m_options.openHelp(this, u8("HTML変換ツール"));
    });
    resize(460, sizeHint().height());
}

void TConvertionDlg::setChoosers(ChooseFn openDat, ChooseFn saveHtml, ChooseFn chooseSkin)
{
    m_openDat = std::move(openDat);
    m_saveHtml = std::move(saveHtml);
    m_chooseSkin = std::move(chooseSkin);
}

std::string TConvertionDlg::pathOf(const QLineEdit *field, const std::string &raw) const
{
    return qtbridge::ToPath(field->text(), raw);
}

void TConvertionDlg::setPath(QLineEdit *field, std::string &raw, const std::string &path)
{
    raw = path;
    field->setText(qtbridge::FromPath(path));
}

void TConvertionDlg::setDatPath(const std::string &path)
{
    setPath(m_datPath, m_datRaw, path);
    readDatInfo();
}

void TConvertionDlg::readDatInfo()
{
    const DatInfo info = ReadDatInfo(pathOf(m_datPath, m_datRaw));
    m_title->setText(qtbridge::FromSjis(info.title));
    m_count->setText(u8("投稿数：%1").arg(info.count));
}

settings::ConversionSettings TConvertionDlg::conversionSettings() const
{
    settings::ConversionSettings s;
    s.output = base::ParseInt(qtbridge::ToSjis(m_outputCount->text()), 1000);
    s.write = m_overwrite->isChecked();
    return s;
}

void TConvertionDlg::showMessage(const QString &text)
{
    m_options.showMessage(windowTitle(), text);
}

void TConvertionDlg::run()
{
    if (running())
        return;
    ConversionInput input;
    input.datPath = pathOf(m_datPath, m_datRaw);
    input.htmlPath = pathOf(m_htmlPath, m_htmlRaw);
    input.skinDir = pathOf(m_skinPath, m_skinRaw);
    input.start = qtbridge::ToSjis(m_start->text());
    input.end = qtbridge::ToSjis(m_end->text());
    input.perFile = qtbridge::ToSjis(m_outputCount->text());
    input.overwrite = m_overwrite->isChecked();

    Prepared prepared = Prepare(input, Environment{m_options.programDir, m_options.profileBase});
    if (prepared.skinDirChanged)
        setPath(m_skinPath, m_skinRaw, prepared.skinDir);
    switch (prepared.failure) {
    case Prepared::Failure::None:
        break;
    case Prepared::Failure::Invalid:
        showMessage(qtbridge::FromSjis(ValidationMessage(prepared.validation)));
        emit runFinished();
        return;
    case Prepared::Failure::SkinUnwritten:
        // The window's own words for this, and where it tried to write.
        m_options.showMessage(u8("スキンエラー"), qtbridge::FromSjis(view::kSkinWriteFailedText) + QLatin1Char('\n') +
                                                     QString::fromStdString(view::ProgramSkinDir(m_options.programDir)));
        emit runFinished();
        return;
    case Prepared::Failure::DatUnreadable:
        m_info->setText(u8("読み込みエラー"));
        showMessage(qtbridge::FromSjis(kReadErrorMessage));
        emit runFinished();
        return;
    }

    const int lines = static_cast<int>(prepared.lines.size());
    m_progress->setRange(0, std::max(lines, 1));
    m_progress->setValue(0);
    m_info->setText(u8("読み込み中..."));
    m_converter = std::make_unique<Converter>(std::move(prepared.lines), std::move(prepared.templates), prepared.bounds,
                                              SplitOutputPath(input.htmlPath), input.overwrite);
    m_ok->setEnabled(false);
    m_sliceTimer->start();
}

void TConvertionDlg::slice()
{
    if (!m_converter) {
        m_sliceTimer->stop();
        return;
    }
    QElapsedTimer clock;
    clock.start();
    while (m_converter->step(kLinesPerCheck) == RunStatus::Running && clock.elapsed() < kSliceMillis) {
    }
    m_progress->setValue(static_cast<int>(m_converter->position()));
    if (m_converter->status() != RunStatus::Running)
        finish();
}

void TConvertionDlg::finish()
{
    m_sliceTimer->stop();
    const std::unique_ptr<Converter> converter = std::move(m_converter);
    m_ok->setEnabled(true);
    switch (converter->status()) {
    case RunStatus::ReadError:
        m_info->setText(u8("読み込みエラー"));
        showMessage(qtbridge::FromSjis(kReadErrorMessage));
        break;
    case RunStatus::WriteError:
        m_info->setText(u8("書き込みエラー"));
        showMessage(u8("%1 に書き込めませんでした。")
                        .arg(QFile::decodeName(QByteArray::fromStdString(converter->failedPath()))));
        break;
    default:
        m_info->setText(u8("HTML への変換が正常に終了しました"));
        break;
    }
    emit runFinished();
}

void TConvertionDlg::done(int result)
{
    // Closing stops a run: the files it wrote stay, the one being filled is dropped.
    m_sliceTimer->stop();
    m_converter.reset();
    m_ok->setEnabled(true);
    QDialog::done(result);
}

} // namespace convert
