// The message filter dialog's widgets.
#include "view/msgfilterdlg.h"

#include "qtbridge/oneline.h"
#include "qtbridge/sjis.h"
#include "qtbridge/sjisregex.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
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

    m_model.setPatternCheck([](std::string_view pattern, std::string *error) {
        return qtbridge::CompileSjisRegex(pattern, error) != nullptr;
    });
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

        auto *regex = new QCheckBox(QString::fromUtf8("正規表現(&R)"), sheet);
        regex->setObjectName(QStringLiteral("RegexCheck"));

        auto *row = new QHBoxLayout;
        row->addWidget(edit, 1);
        row->addWidget(add);
        row->addWidget(del);
        auto *column = new QVBoxLayout(sheet);
        column->addWidget(box, 1);
        column->addWidget(regex);
        column->addLayout(row);
        m_pages->addTab(sheet, QString::fromLatin1(names.caption));

        m_boxes[i] = box;
        m_edits[i] = edit;
        m_regex[i] = regex;
        refill(i);
        // The selection, not the current row: a list box entered by keyboard has a current row
        // that nobody chose, and 削除 must not take it.
        connect(box, &QListWidget::itemSelectionChanged, this, [this, i, box] {
            const QList<QListWidgetItem *> chosen = box->selectedItems();
            m_model.select(shownList(i), chosen.isEmpty() ? -1 : box->row(chosen.front()));
        });
        connect(regex, &QCheckBox::toggled, this, [this, i] {
            m_error->clear();
            refill(i);
        });
        connect(add, &QPushButton::clicked, this, &TMsgFilterDlg::ListAddExecute);
        connect(del, &QPushButton::clicked, this, &TMsgFilterDlg::ListDelExecute);
    }

    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("PatternErrorLabel"));
    m_error->setWordWrap(true);
    m_chain = new QCheckBox(QString::fromUtf8("NGのメッセージへの返信も隠す(&C)"), this);
    m_chain->setObjectName(QStringLiteral("ChainCheck"));

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
    layout->addWidget(m_error);
    layout->addWidget(m_chain);
    layout->addLayout(buttons);

    qtbridge::KeepBoxesToOneLine(this);

    // A fixed border, centred on the screen.
    resize(360, 400);
    setFixedSize(size());
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

std::size_t TMsgFilterDlg::activePage() const
{
    const int index = m_pages->currentIndex();
    return index >= 0 && index < 3 ? static_cast<std::size_t>(index) : 0;
}

NgTab TMsgFilterDlg::shownList(std::size_t page) const
{
    return static_cast<NgTab>(page + (m_regex[page]->isChecked() ? 3 : 0));
}

void TMsgFilterDlg::refill(std::size_t page)
{
    const NgTab tab = shownList(page);
    QListWidget *box = m_boxes[page];
    const QSignalBlocker quiet(box);
    box->clear();
    for (const std::string &item : m_model.items(tab))
        box->addItem(qtbridge::FromSjis(item));
    box->setCurrentRow(m_model.selected(tab));
}

void TMsgFilterDlg::setChain(bool chain)
{
    m_chain->setChecked(chain);
}

bool TMsgFilterDlg::chain() const
{
    return m_chain->isChecked();
}

void TMsgFilterDlg::ListAddExecute()
{
    const std::size_t page = activePage();
    QLineEdit *edit = m_edits[page];
    if (edit->text().isEmpty())
        return;
    if (m_model.add(shownList(page), qtbridge::ToSjis(edit->text())) < 0) {
        // The text stays in the edit to be mended.
        m_error->setText(QString::fromStdString(m_model.addError()));
        return;
    }
    m_error->clear();
    refill(page);
    edit->clear();
}

void TMsgFilterDlg::ListDelExecute()
{
    const std::size_t page = activePage();
    if (m_model.removeSelected(shownList(page)))
        refill(page);
}

} // namespace view
