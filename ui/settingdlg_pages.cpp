// The settings dialog's last three pages (gestures, network, login) and the handlers of its
// gesture editor, count list, password mask and buttons.
#include "qtbridge/sjis.h"
#include "ui/settingdlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace ui {

namespace {

constexpr int kNetworkPage = 6;

QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

template <typename W> W *named(W *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QPushButton *button(QWidget *parent, const char *name, const char *caption)
{
    auto *b = named(new QPushButton(u8(caption), parent), name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

QWidget *TSettingDlg::buildGesturePage()
{
    using T = settings::TMouseGestureType;
    auto *page = new QWidget;
    auto *v = new QVBoxLayout(page);
    auto *grid = new QGridLayout;
    m_gestureCombo = named(new QComboBox(page), "GestureComboBox");
    m_gestureCombo->setEditable(true);
    for (const char *name : {"LeftClick", "WheelClick", "WheelUp", "WheelDown", "Side1", "Side2", "Side1R", "Side2R"})
        m_gestureCombo->addItem(QString::fromLatin1(name));
    m_gestureCombo->setCurrentIndex(-1);
    m_gestureCombo->setEditText(QString());
    grid->addWidget(new QLabel(u8("ジェスチャー"), page), 0, 0);
    grid->addWidget(m_gestureCombo, 0, 1);
    auto *arrows = new QHBoxLayout;
    const std::pair<const char *, T> arrowButtons[] = {
        {"UpButton", T::mgUp}, {"RightButton", T::mgRight}, {"BottomButton", T::mgDown}, {"LeftButton", T::mgLeft}};
    for (auto &[name, arrow] : arrowButtons) {
        QPushButton *b = button(page, name, "");
        b->setText(qtbridge::FromSjis(settings::MouseGestureToString(arrow)));
        b->setMaximumWidth(32);
        connect(b, &QPushButton::clicked, this, [this, a = arrow] { AddGestureButton(a); });
        arrows->addWidget(b);
    }
    QPushButton *clear = button(page, "ClearButton", "&C");
    connect(clear, &QPushButton::clicked, this, &TSettingDlg::ClearButtonClick);
    arrows->addWidget(clear);
    grid->addLayout(arrows, 0, 2);

    m_menuCombo = named(new QComboBox(page), "MenuComboBox");
    m_actionCombo = named(new QComboBox(page), "ActionComboBox");
    m_placeCombo = named(new QComboBox(page), "PlaceComboBox");
    for (const char *place : {"指定なし", "カテゴリ一覧", "スレッド一覧", "スレッド"})
        m_placeCombo->addItem(u8(place));
    m_marginEdit = named(new QLineEdit(u8("10"), page), "MarginEdit");
    grid->addWidget(new QLabel(u8("メニュー"), page), 1, 0);
    grid->addWidget(m_menuCombo, 1, 1);
    grid->addWidget(m_actionCombo, 1, 2);
    grid->addWidget(new QLabel(u8("場所"), page), 2, 0);
    grid->addWidget(m_placeCombo, 2, 1);
    auto *margin = new QHBoxLayout;
    margin->addWidget(new QLabel(u8("マージン"), page));
    margin->addWidget(m_marginEdit);
    grid->addLayout(margin, 2, 2);
    v->addLayout(grid);
    connect(m_menuCombo, &QComboBox::activated, this, &TSettingDlg::MenuComboBoxSelect);

    m_gestureList = named(new QTreeWidget(page), "GestureListView");
    m_gestureList->setHeaderLabels({u8("ジェスチャー"), u8("動作")});
    m_gestureList->setColumnWidth(0, 150);
    m_gestureList->setRootIsDecorated(false);
    m_gestureList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_gestureList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->addWidget(m_gestureList, 1);
    auto *rowButtons = new QHBoxLayout;
    rowButtons->addStretch(1);
    QPushButton *add = button(page, "AddButton", "追加(&A)");
    QPushButton *del = button(page, "DelButton", "削除(&D)");
    rowButtons->addWidget(add);
    rowButtons->addWidget(del);
    v->addLayout(rowButtons);
    connect(add, &QPushButton::clicked, this, &TSettingDlg::AddButtonClick);
    connect(del, &QPushButton::clicked, this, &TSettingDlg::DelButtonClick);
    return page;
}

QWidget *TSettingDlg::buildNetworkPage()
{
    auto *page = new QWidget;
    auto *v = new QVBoxLayout(page);
    auto *proxy = new QGroupBox(u8("プロキシ"), page);
    auto *pf = new QFormLayout(proxy);
    m_proxy = named(new QCheckBox(u8("プロキシを使う"), proxy), "ProxyCheckBox");
    m_proxyServer = named(new QLineEdit(proxy), "ProxyServerEdit");
    m_proxyPort = named(new QLineEdit(proxy), "ProxyPortEdit");
    pf->addRow(m_proxy);
    pf->addRow(u8("アドレス"), m_proxyServer);
    pf->addRow(u8("ポート"), m_proxyPort);
    v->addWidget(proxy);

    auto *download = new QGroupBox(u8("ダウンロード"), page);
    auto *df = new QFormLayout(download);
    m_threadMax = named(new QLineEdit(download), "ThreadMaxEdit");
    m_retry = named(new QLineEdit(download), "RetryEdit");
    m_timeOut = named(new QLineEdit(download), "TimeOutEdit");
    m_resRetry = named(new QLineEdit(download), "ResRetryEdit");
    m_postTimeOut = named(new QLineEdit(download), "PostTimeOutEdit");
    df->addRow(u8("最大スレッド数"), m_threadMax);
    df->addRow(u8("リトライ回数"), m_retry);
    df->addRow(u8("タイムアウト(ミリ秒)"), m_timeOut);
    df->addRow(u8("レスリトライ回数"), m_resRetry);
    df->addRow(u8("書き込み後の待機時間(ミリ秒)"), m_postTimeOut);
    auto *counts = new QHBoxLayout;
    m_dlCountCombo = named(new QComboBox(download), "DlCountComboBox");
    m_dlCountCombo->setEditable(true);
    m_dlCountCombo->setInsertPolicy(QComboBox::NoInsert);
    QPushButton *add = button(download, "DlCountAddButton", "追加");
    QPushButton *del = button(download, "DlCountDelButton", "削除");
    counts->addWidget(m_dlCountCombo, 1);
    counts->addWidget(add);
    counts->addWidget(del);
    df->addRow(u8("一回の取得数"), counts);
    m_dlMsg = named(new QCheckBox(u8("最新メッセージから取得する"), download), "DlMsgCheckBox");
    df->addRow(m_dlMsg);
    v->addWidget(download);
    v->addStretch(1);
    connect(add, &QPushButton::clicked, this, &TSettingDlg::DlCountAddButtonClick);
    connect(del, &QPushButton::clicked, this, &TSettingDlg::DlCountDelButtonClick);
    return page;
}

QWidget *TSettingDlg::buildLoginPage()
{
    auto *page = new QWidget;
    auto *form = new QFormLayout(page);
    m_id = named(new QLineEdit(page), "IdEdit");
    m_pass = named(new QLineEdit(page), "PassEdit");
    // A star for each character, not the desktop's own mask.
    m_pass->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    m_id->setMaxLength(32);
    m_pass->setMaxLength(32);
    m_passHide = named(new QCheckBox(u8("パスワードを隠す"), page), "PassCheckBox");
    m_loginStart = named(new QCheckBox(u8("起動時にログインする"), page), "LoginCheckBox");
    form->addRow(u8("Yahoo JAPAN ID"), m_id);
    form->addRow(u8("パスワード"), m_pass);
    form->addRow(m_passHide);
    form->addRow(m_loginStart);
    connect(m_passHide, &QCheckBox::clicked, this, &TSettingDlg::PassCheckBoxClick);
    return page;
}

void TSettingDlg::FormCreate()
{
    for (const std::string &category : m_gestures.categories())
        m_menuCombo->addItem(QString::fromStdString(category));
    m_menuCombo->setCurrentIndex(-1);
    refreshGestureRows(-1);
    for (const std::string &item : m_counts.items())
        m_dlCountCombo->addItem(qtbridge::FromSjis(item));
    m_dlCountCombo->setCurrentIndex(m_counts.items().empty() ? -1 : 0);
    m_pages->setCurrentIndex(0);
}

void TSettingDlg::refreshGestureRows(int select)
{
    m_gestureList->clear();
    const auto &rows = m_gestures.rows();
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        auto *item = new QTreeWidgetItem(m_gestureList);
        item->setText(0, qtbridge::FromSjis(rows[static_cast<std::size_t>(i)].key));
        item->setText(1, QString::fromStdString(m_gestures.actionCaption(i)));
    }
    if (select >= 0 && select < m_gestureList->topLevelItemCount())
        m_gestureList->setCurrentItem(m_gestureList->topLevelItem(select));
}

void TSettingDlg::AddGestureButton(settings::TMouseGestureType arrow)
{
    std::string text = qtbridge::ToSjis(m_gestureCombo->currentText());
    m_gestureCombo->setEditText(qtbridge::FromSjis(settings::GestureEditor::AppendArrow(text, arrow)));
}

void TSettingDlg::ClearButtonClick()
{
    m_gestureCombo->setEditText(QString());
}

void TSettingDlg::MenuComboBoxSelect()
{
    m_actionCombo->clear();
    for (const settings::ActionInfo *a : m_gestures.actionsOf(m_menuCombo->currentText().toStdString()))
        m_actionCombo->addItem(QString::fromStdString(a->caption), QString::fromStdString(a->name));
}

void TSettingDlg::AddButtonClick()
{
    const settings::ActionInfo *action = nullptr;
    if (m_actionCombo->currentIndex() >= 0)
        action = m_gestures.findAction(m_actionCombo->currentData().toString().toStdString());
    auto result = m_gestures.add(std::max(m_placeCombo->currentIndex(), 0),
                                 qtbridge::ToSjis(m_gestureCombo->currentText()), action);
    if (result.refusal) {
        refuse(*result.refusal);
        return;
    }
    if (result.row >= 0)
        refreshGestureRows(result.row);
}

void TSettingDlg::DelButtonClick()
{
    QTreeWidgetItem *item = m_gestureList->currentItem();
    if (!item || !item->isSelected())
        return;
    m_gestures.remove(m_gestureList->indexOfTopLevelItem(item));
    refreshGestureRows(-1);
}

void TSettingDlg::DlCountAddButtonClick()
{
    if (auto refusal = m_counts.add(qtbridge::ToSjis(m_dlCountCombo->currentText()))) {
        refuse(*refusal);
        return;
    }
    refillDlCounts();
}

void TSettingDlg::DlCountDelButtonClick()
{
    QString text = m_dlCountCombo->currentText();
    if (auto refusal = m_counts.remove(qtbridge::ToSjis(text))) {
        refuse(*refusal);
        return;
    }
    refillDlCounts();
}

void TSettingDlg::refillDlCounts()
{
    // The text stays as typed: refilled, an editable box would show its first count instead.
    const QString typed = m_dlCountCombo->currentText();
    m_dlCountCombo->clear();
    for (const std::string &item : m_counts.items())
        m_dlCountCombo->addItem(qtbridge::FromSjis(item));
    m_dlCountCombo->setEditText(typed);
}

void TSettingDlg::PassCheckBoxClick()
{
    m_pass->setEchoMode(m_passHide->isChecked() ? QLineEdit::Password : QLineEdit::Normal);
}

void TSettingDlg::refuse(const std::string &sjis)
{
    if (showMessage)
        showMessage(qtbridge::FromSjis(sjis));
}

void TSettingDlg::OKBtnClick()
{
    readControls();
    if (auto refusal = settings::ValidateFields(m_fields)) {
        // The old value goes back into the box; the dialog stays open on its page.
        m_threadMax->setText(QString::number(m_fields.values.network.threadMax));
        m_pages->setCurrentIndex(kNetworkPage);
        refuse(*refusal);
        return;
    }
    if (!m_gestures.write(m_mouseIniPath)) {
        refuse(qtbridge::Sjis("mouse.ini の書き込みに失敗しました。"));
        return;
    }
    accept();
}

void TSettingDlg::HelpBtnClick()
{
    if (openHelp)
        openHelp(this, m_pages->tabText(m_pages->currentIndex()));
}

} // namespace ui
