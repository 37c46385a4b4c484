// The post form dialog's widgets and their behaviour; the rules live in post/postquery.h.
#include "post/postformdlg.h"

#include "post/postquery.h"
#include "qtbridge/oneline.h"
#include "qtbridge/sjis.h"
#include "view/htmlview.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <ctime>

namespace post {

namespace {

constexpr int kDesignWidth = 523;
constexpr int kDesignHeight = 426;

QPushButton *makeButton(const char *caption, const char *name, QWidget *parent)
{
    auto *button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    // Enter in the title must not send the post.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace

TPostFormDlg::TPostFormDlg(QWidget *owner, const BrowserFactory &makeBrowser) : QDialog(owner)
{
    setObjectName(QStringLiteral("PostFormDlg"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    setModal(false);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSizeConstraint(QLayout::SetNoConstraint);
    m_body = new QWidget(this);
    outer->addWidget(m_body);
    auto *bodyLayout = new QVBoxLayout(m_body);

    m_pages = new QTabWidget(m_body);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    auto *form = new QWidget(m_pages);
    form->setObjectName(QStringLiteral("FormTabSheet"));
    auto *preview = new QWidget(m_pages);
    preview->setObjectName(QStringLiteral("PreviewTabSheet"));
    m_pages->addTab(form, QString::fromUtf8("書き込み"));
    m_pages->addTab(preview, QString::fromUtf8("プレビュー"));
    bodyLayout->addWidget(m_pages, 1);

    auto *grid = new QGridLayout(form);
    auto *nameLabel = new QLabel(QString::fromUtf8("ニックネーム"), form);
    nameLabel->setObjectName(QStringLiteral("NameLabel"));
    m_names = new QComboBox(form);
    m_names->setObjectName(QStringLiteral("NameComboBox"));
    m_names->setEditable(false);
    auto *titleLabel = new QLabel(QString::fromUtf8("タイトル(全角20文字まで)"), form);
    m_title = new QLineEdit(form);
    m_title->setValidator(new qtbridge::OneLineValidator(m_title));
    m_title->setObjectName(QStringLiteral("TitleEdit"));
    m_memo = new QPlainTextEdit(form);
    m_memo->setObjectName(QStringLiteral("PostMemo"));
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto *lenLabel = new QLabel(QString::fromUtf8("メッセージサイズ"), form);
    lenLabel->setObjectName(QStringLiteral("LenLabel"));
    m_size = new QLabel(form);
    m_size->setObjectName(QStringLiteral("LenStaticText"));
    m_size->setAutoFillBackground(true);
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(m_names, 0, 1);
    grid->addWidget(titleLabel, 1, 0);
    grid->addWidget(m_title, 1, 1);
    grid->addWidget(m_memo, 2, 0, 1, 2);
    auto *sizeRow = new QHBoxLayout;
    sizeRow->addWidget(lenLabel);
    sizeRow->addWidget(m_size);
    sizeRow->addStretch(1);
    grid->addLayout(sizeRow, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(2, 1);

    auto *previewLayout = new QVBoxLayout(preview);
    previewLayout->setContentsMargins(0, 0, 0, 0);
    if (makeBrowser)
        m_browser = makeBrowser(preview);
    if (m_browser) {
        m_browser->setObjectName(QStringLiteral("CppWebBrowser1"));
        previewLayout->addWidget(m_browser);
    }

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    QPushButton *ok = makeButton("書き込む(&W)", "OKBtn", m_body);
    QPushButton *cancel = makeButton("キャンセル", "CancelBtn", m_body);
    QPushButton *help = makeButton("ヘルプ(&H)", "HelpBtn", m_body);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);
    bodyLayout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &TPostFormDlg::sendRequested);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    connect(help, &QPushButton::clicked, this, &TPostFormDlg::helpRequested);
    connect(m_memo, &QPlainTextEdit::textChanged, this, &TPostFormDlg::updateSize);
    // The text as it stands, not as signalled: a cut made while an edit is reported comes first.
    connect(m_title, &QLineEdit::textChanged, this, [this] {
        m_titleBefore = m_titleNow;
        m_titleNow = m_title->text();
    });
    connect(m_title, &QLineEdit::textEdited, this, &TPostFormDlg::keepTitleWithinLimit);
    connect(m_pages, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == 1)
            showPreview();
    });

    resize(kDesignWidth, kDesignHeight);
    m_savedHeight = height();
    updateSize();
}

void TPostFormDlg::setCaption(const std::string &sjis)
{
    setWindowTitle(qtbridge::FromSjis(sjis));
}

void TPostFormDlg::setTitleText(const std::string &sjis)
{
    m_title->setText(qtbridge::FromSjis(sjis));
}

void TPostFormDlg::setMemoText(const std::string &sjis)
{
    m_memo->setPlainText(qtbridge::FromSjis(sjis));
}

std::string TPostFormDlg::titleText() const
{
    return qtbridge::ToSjis(m_title->text());
}

std::string TPostFormDlg::memoText() const
{
    return WithCrLf(qtbridge::ToSjis(m_memo->toPlainText()));
}

void TPostFormDlg::setNicknames(const std::vector<std::string> &sjis)
{
    m_names->clear();
    for (const std::string &name : sjis)
        m_names->addItem(qtbridge::FromSjis(name));
    if (m_names->count() > 0)
        m_names->setCurrentIndex(0);
}

int TPostFormDlg::nicknameIndex() const
{
    return std::max(0, m_names->currentIndex());
}

void TPostFormDlg::clearPreview()
{
    if (auto *view = qobject_cast<view::HtmlView *>(m_browser))
        view->load(std::string());
}

void TPostFormDlg::showCentred()
{
    if (QWidget *owner = parentWidget()) {
        QRect area = owner->frameGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    activateWindow();
}

void TPostFormDlg::focusActiveControl()
{
    if (!isVisible())
        return;
    raise();
    activateWindow();
    if (QWidget *control = focusWidget())
        control->setFocus();
}

void TPostFormDlg::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow())
        restore();
    else
        collapse();
}

void TPostFormDlg::collapse()
{
    // A dialog being hidden (sent, waiting for the answer) keeps its size for when it comes back.
    if (m_collapsed || !isVisible())
        return;
    m_savedHeight = height();
    m_collapsed = true;
    m_body->hide();
    setMinimumHeight(0);
    resize(width(), 1);
}

void TPostFormDlg::restore()
{
    if (!m_collapsed)
        return;
    m_collapsed = false;
    m_body->show();
    resize(width(), m_savedHeight);
}

void TPostFormDlg::updateSize()
{
    std::size_t bytes = memoText().size();
    m_size->setText(QString::fromLatin1(MemoSizeText(bytes).c_str()));
    QPalette palette = m_size->palette();
    palette.setColor(QPalette::Window,
                     MemoOverLimit(bytes) ? QColor(255, 0, 0) : this->palette().color(QPalette::Button));
    m_size->setPalette(palette);
}

void TPostFormDlg::keepTitleWithinLimit(const QString &edited)
{
    // Qt may tell of the edit before or after the change itself.
    const QString &previous = m_titleNow == edited ? m_titleBefore : m_titleNow;
    const std::size_t allowed = std::max(kTitleLimit, qtbridge::ToSjis(previous).size());
    QString kept = edited;
    int cursor = m_title->cursorPosition();
    // As an edit with a length limit does: the characters just put in before the cursor go.
    while (cursor > 0 && qtbridge::ToSjis(kept).size() > allowed) {
        kept.remove(cursor - 1, 1);
        --cursor;
    }
    if (kept == edited)
        return;
    m_title->setText(kept);
    m_title->setCursorPosition(cursor);
}

void TPostFormDlg::showPreview()
{
    auto *view = qobject_cast<view::HtmlView *>(m_browser);
    if (!view)
        return;
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    std::string nickname = m_names->currentIndex() >= 0 ? qtbridge::ToSjis(m_names->currentText()) : std::string();
    view->load(PreviewPage(PreviewHeader(), PreviewDate(local), nickname, titleText(), memoText()));
}

} // namespace post
