// The message filter dialog's widgets.
#include "view/msgfilterdlg.h"

#include "qtbridge/sjis.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

namespace view {

namespace {

struct TabNames {
    const char *caption;
    const char *sheet;
    const char *listBox;
    const char *edit;
};

constexpr TabNames kTabs[] = {
    {"NgName", "NgNameTabSheet", "NameListBox", "NameEdit"},
    {"NgTitle", "NgTitleTabSheet", "TitleListBox", "TitleEdit"},
    {"NgWord", "NgWordTabSheet", "WordListBox", "WordEdit"},
};

} // namespace

TMsgFilterDlg::TMsgFilterDlg(const settings::NgLists &lists, QWidget *parent) : QDialog(parent), m_model(lists)
{
    setObjectName(QStringLiteral("MsgFilterDlg"));
    setWindowTitle(QString::fromUtf8("メッセージフィルタ"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        const TabNames &names = kTabs[i];
        auto *sheet = new QWidget(m_pages);
        sheet->setObjectName(QString::fromLatin1(names.sheet));
        auto *box = new QListWidget(sheet);
        box->setObjectName(QString::fromLatin1(names.listBox));
        auto *edit = new QLineEdit(sheet);
        edit->setObjectName(QString::fromLatin1(names.edit));
        auto *add = new QPushButton(QString::fromUtf8("追加(&A)"), sheet);
        add->setObjectName(QStringLiteral("AddButton"));
        add->setAutoDefault(false);
        auto *del = new QPushButton(QString::fromUtf8("削除(&D)"), sheet);
        del->setObjectName(QStringLiteral("DelButton"));
        del->setAutoDefault(false);

        auto *row = new QHBoxLayout;
        row->addWidget(edit, 1);
        row->addWidget(add);
        row->addWidget(del);
        auto *column = new QVBoxLayout(sheet);
        column->addWidget(box, 1);
        column->addLayout(row);
        m_pages->addTab(sheet, QString::fromLatin1(names.caption));

        const NgTab tab = static_cast<NgTab>(i);
        m_boxes[i] = box;
        m_edits[i] = edit;
        refill(tab);
        connect(box, &QListWidget::currentRowChanged, this, [this, tab](int current) { m_model.select(tab, current); });
        connect(add, &QPushButton::clicked, this, &TMsgFilterDlg::ListAddExecute);
        connect(del, &QPushButton::clicked, this, &TMsgFilterDlg::ListDelExecute);
    }

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QString::fromUtf8("キャンセル"), this);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    cancel->setAutoDefault(false);
    auto *help = new QPushButton(QString::fromUtf8("ヘルプ(&H)"), this);
    help->setObjectName(QStringLiteral("HelpBtn"));
    help->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, &TMsgFilterDlg::helpRequested);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addLayout(buttons);

    // A fixed border, centred on the screen.
    resize(360, 320);
    setFixedSize(size());
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

NgTab TMsgFilterDlg::activeTab() const
{
    const int index = m_pages->currentIndex();
    return static_cast<NgTab>(index >= 0 && index < 3 ? index : 0);
}

void TMsgFilterDlg::refill(NgTab tab)
{
    QListWidget *box = m_boxes[static_cast<std::size_t>(tab)];
    const QSignalBlocker quiet(box);
    box->clear();
    for (const std::string &item : m_model.items(tab))
        box->addItem(qtbridge::FromSjis(item));
    box->setCurrentRow(m_model.selected(tab));
}

void TMsgFilterDlg::ListAddExecute()
{
    const NgTab tab = activeTab();
    QLineEdit *edit = m_edits[static_cast<std::size_t>(tab)];
    if (edit->text().isEmpty())
        return;
    m_model.add(tab, qtbridge::ToSjis(edit->text()));
    refill(tab);
    edit->clear();
}

void TMsgFilterDlg::ListDelExecute()
{
    const NgTab tab = activeTab();
    if (m_model.removeSelected(tab))
        refill(tab);
}

} // namespace view
