// The settings dialog: its frame, the first five pages, and the controls filled from and read
// back into the model.
#include "ui/settingdlg.h"

#include "qtbridge/oneline.h"
#include "qtbridge/sjis.h"
#include "ui/panes.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace ui {

namespace {

QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

QCheckBox *checkBox(QWidget *parent, const char *name, const char *caption)
{
    auto *box = new QCheckBox(u8(caption), parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QLineEdit *lineEdit(QWidget *parent, const char *name)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QPushButton *pushButton(QWidget *parent, const char *name, const char *caption)
{
    auto *button = new QPushButton(u8(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

/// A radio group "タブ", "ボタン", "フラット" with ids 0, 1, 2.
QButtonGroup *styleGroup(QWidget *parent, QBoxLayout *into, const char *name)
{
    auto *box = new QGroupBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    auto *row = new QHBoxLayout(box);
    auto *group = new QButtonGroup(box);
    int id = 0;
    for (const char *caption : {"タブ", "ボタン", "フラット"}) {
        auto *radio = new QRadioButton(u8(caption), box);
        row->addWidget(radio);
        group->addButton(radio, id++);
    }
    into->addWidget(box);
    return group;
}

QComboBox *clickCombo(QWidget *parent, const char *name)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    for (const char *caption : {"アクティブタブで開く", "新しいタブで開く", "アクティブタブでローカルから開く",
                                "新しいタブでローカルから開く", "なし"})
        combo->addItem(u8(caption));
    return combo;
}

/// The combo box index of a click setting: any value out of the list is "なし".
int clickIndex(int value)
{
    return value >= 0 && value <= 4 ? value : 4;
}

void setSample(QLabel *label, int background, const settings::FontSetting *font)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, ColorFromSetting(background));
    if (font) {
        palette.setColor(QPalette::WindowText, ColorFromSetting(font->color));
        label->setFont(FontFromSetting(*font));
    }
    label->setPalette(palette);
}

QLabel *sample(QWidget *parent, const char *name, const char *text)
{
    auto *label = new QLabel(u8(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setAutoFillBackground(true);
    label->setFrameShape(QFrame::StyledPanel);
    label->setMinimumHeight(28);
    return label;
}

} // namespace

int SettingFromColor(const QColor &color)
{
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

settings::FontSetting SettingFromFont(const QFont &font, const settings::FontSetting &base)
{
    settings::FontSetting f = base;
    f.name = qtbridge::ToSjis(font.family());
    f.bold = font.bold();
    f.italic = font.italic();
    f.underline = font.underline();
    f.strikeout = font.strikeOut();
    int pixels = font.pixelSize();
    if (pixels <= 0)
        pixels = static_cast<int>(font.pointSizeF() * 96.0 / 72.0 + 0.5);
    f.height = -pixels;
    f.pitch = font.fixedPitch() ? 2 : (base.pitch == 2 ? 0 : base.pitch);
    return f;
}

TSettingDlg::TSettingDlg(const settings::Settings &current, std::vector<settings::ActionInfo> actions,
                         std::string mouseIniPath, QWidget *parent)
    : QDialog(parent), m_fields(settings::FieldsFromSettings(current)),
      m_counts(current.network.dlCount, current.network.dlCountIndex),
      m_gestures(std::move(actions), settings::ReadGestureBindings(settings::IniFile::Load(mouseIniPath))),
      m_mouseIniPath(std::move(mouseIniPath))
{
    setObjectName(QStringLiteral("SettingDlg"));
    setWindowTitle(u8("設定"));
    auto *layout = new QVBoxLayout(this);
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    m_pages->addTab(buildGeneralPage(), u8("全般"));
    m_pages->addTab(buildPathPage(), u8("パス"));
    m_pages->addTab(buildTabPage(), u8("タブ"));
    m_pages->addTab(buildDesignPage(), u8("デザイン"));
    m_pages->addTab(buildActionPage(), u8("動作"));
    m_pages->addTab(buildGesturePage(), u8("マウスジェスチャー"));
    m_pages->addTab(buildNetworkPage(), u8("ネットワーク"));
    m_pages->addTab(buildLoginPage(), u8("ログイン"));
    layout->addWidget(m_pages);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    QPushButton *ok = pushButton(this, "OKBtn", "OK");
    ok->setDefault(true);
    ok->setAutoDefault(true);
    QPushButton *cancel = pushButton(this, "CancelBtn", "キャンセル");
    QPushButton *help = pushButton(this, "HelpBtn", "ヘルプ(&H)");
    for (QPushButton *b : {ok, cancel, help})
        buttons->addWidget(b);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &TSettingDlg::OKBtnClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, &TSettingDlg::HelpBtnClick);

    showMessage = [this](const QString &text) { QMessageBox::warning(this, u8("設定"), text); };
    qtbridge::KeepBoxesToOneLine(this);
    fillControls();
    FormCreate();
    setFixedSize(sizeHint().expandedTo(QSize(536, 357)));
}

QWidget *TSettingDlg::buildGeneralPage()
{
    auto *page = new QWidget;
    auto *v = new QVBoxLayout(page);
    auto *form = new QFormLayout;
    m_viewMsg = lineEdit(page, "ViewMsgEdit");
    form->addRow(u8("スレッド一回の表示数"), m_viewMsg);
    v->addLayout(form);
    m_popupRes = checkBox(page, "PopupResCheckBox", "レスをポップアップで表示する");
    m_openYahooUrl = checkBox(page, "OpenYahooUrlCheckBox", "Yahoo内のURLを新しいタブで開く");
    m_treeOnce = checkBox(page, "TreeOnceCheckBox", "カテゴリ展開を一つにする");
    m_treeGuide = checkBox(page, "TreeGuideCheckBox", "ツリーにガイドを表示する");
    m_treeButton = checkBox(page, "TreeButtonCheckBox", "ツリーに [ + ] を表示する");
    m_sort = checkBox(page, "SortCheckBox", "スレッド一覧を開くときに自動で既得済みでソートする");
    for (QCheckBox *b : {m_popupRes, m_openYahooUrl, m_treeOnce, m_treeGuide, m_treeButton, m_sort})
        v->addWidget(b);
    v->addStretch(1);
    return page;
}

QWidget *TSettingDlg::buildPathPage()
{
    auto *page = new QWidget;
    auto *form = new QFormLayout(page);
    auto row = [&](const char *caption, const char *editName, const char *buttonName, QLineEdit *&edit) {
        edit = lineEdit(page, editName);
        auto *h = new QHBoxLayout;
        h->addWidget(edit, 1);
        QPushButton *b = pushButton(page, buttonName, "...");
        h->addWidget(b);
        form->addRow(u8(caption), h);
        return b;
    };
    QPushButton *browser = row("外部ブラウザ", "BrowserPathEdit", "BrowserButton", m_browserPath);
    QPushButton *log = row("ログの保存場所", "LogPathEdit", "LogPathButton", m_logPath);
    QPushButton *skin = row("スキンの場所", "SkinPathEdit", "SkinPathButton", m_skinPath);
    QPushButton *plugin = row("プラグイン", "PluginPathEdit", "PluginPathButton", m_pluginPath);
    form->addRow(new QLabel(u8("(*) 次回起動時に有効"), page));
    connect(browser, &QPushButton::clicked, this,
            // Programs here carry no extension, and "*.*" would hide every name without a dot.
            [this] { browseFile(m_browserPath, "外部ブラウザ", "すべて(*)|*"); });
    connect(plugin, &QPushButton::clicked, this,
            [this] { browseFile(m_pluginPath, "プラグイン", "プラグイン(*.so)|*.so|すべて(*)|*"); });
    connect(log, &QPushButton::clicked, this,
            [this] { browseFolder(m_logPath, "ログフォルダの場所を選択してください"); });
    connect(skin, &QPushButton::clicked, this,
            [this] { browseFolder(m_skinPath, "スキンフォルダの場所を選択してください"); });
    return page;
}

QWidget *TSettingDlg::buildTabPage()
{
    auto *page = new QWidget;
    auto *v = new QVBoxLayout(page);
    auto group = [&](const char *caption, const char *prefix, QLineEdit *&width, QLineEdit *&height, QCheckBox *&bottom,
                     QButtonGroup *&style) {
        auto *box = new QGroupBox(u8(caption), page);
        auto *bv = new QVBoxLayout(box);
        auto *form = new QFormLayout;
        width = lineEdit(box, (std::string(prefix) + "WidthEdit").c_str());
        height = lineEdit(box, (std::string(prefix) + "HeightEdit").c_str());
        form->addRow(u8("幅 (0で指定なし)"), width);
        form->addRow(u8("高さ"), height);
        bv->addLayout(form);
        bottom =
            checkBox(box, (std::string(prefix) + "BottomCheckBox").c_str(), "タブを下に表示する(次回起動時に有効)");
        bv->addWidget(bottom);
        style = styleGroup(box, bv, (std::string(prefix) + "StyleRadioGroup").c_str());
        return box;
    };
    auto *strips = new QHBoxLayout;
    strips->addWidget(group("スレッド一覧", "ThrLst", m_thrLstWidth, m_thrLstHeight, m_thrLstBottom, m_thrLstStyle));
    strips->addWidget(group("スレッド", "Thr", m_thrWidth, m_thrHeight, m_thrBottom, m_thrStyle));
    v->addLayout(strips);
    m_openFavorite = checkBox(page, "OpenFavoriteCheckBox", "起動時にお気に入りタブを開く");
    m_tabIcon = checkBox(page, "TabIconCheckBox", "タブにアイコンを表示する");
    m_saveTab = checkBox(page, "SaveTabCheckBox", "前回の状態を復元する");
    m_multiTab = checkBox(page, "MultiTabCheckBox", "タブを多段表示にする");
    m_wheelChange = checkBox(page, "WheelChangeCheckBox", "ホイール操作でタブを替える");
    m_middleClose = checkBox(page, "MiddleCloseCheckBox", "ミドルボタンでタブを閉じる");
    m_dblClickReload = checkBox(page, "DblClickReloadCheckBox", "タブをダブルクリックでリロード");
    auto *grid = new QGridLayout;
    int i = 0;
    for (QCheckBox *b :
         {m_openFavorite, m_tabIcon, m_saveTab, m_multiTab, m_wheelChange, m_middleClose, m_dblClickReload}) {
        grid->addWidget(b, i / 2, i % 2);
        ++i;
    }
    v->addLayout(grid);
    v->addStretch(1);
    return page;
}

QWidget *TSettingDlg::buildDesignPage()
{
    auto *page = new QWidget;
    auto *v = new QVBoxLayout(page);
    settings::DesignSettings &d = m_fields.values.design;
    auto buttonsFor = [this](QWidget *box, QHBoxLayout *row, const char *bgName, const char *fontName, int &background,
                             settings::FontSetting &font) {
        QPushButton *bg = pushButton(box, bgName, "背景色...");
        QPushButton *f = pushButton(box, fontName, "フォント...");
        row->addWidget(bg);
        row->addWidget(f);
        connect(bg, &QPushButton::clicked, this, [this, &background] { pickColor(background); });
        connect(f, &QPushButton::clicked, this, [this, &font] { pickFont(font); });
    };

    auto *tree = new QGroupBox(u8("ツリービュー"), page);
    auto *treeRow = new QHBoxLayout(tree);
    m_ctgLabel = sample(tree, "CtgLabel", "テスト てすと TEST test");
    treeRow->addWidget(m_ctgLabel, 1);
    buttonsFor(tree, treeRow, "CtgBgButton", "CtgFontButton", d.treeBackground, d.treeFont);
    v->addWidget(tree);

    auto *list = new QGroupBox(u8("リストビュー"), page);
    auto *listV = new QVBoxLayout(list);
    auto *listRow = new QHBoxLayout;
    m_thrLstLabel = sample(list, "ThrLstLabel", "テスト てすと TEST test");
    listRow->addWidget(m_thrLstLabel, 1);
    buttonsFor(list, listRow, "ThrLstBgButton", "ThrLstFontButton", d.thrlstBackground, d.thrlstFont);
    listV->addLayout(listRow);
    auto *stripes = new QHBoxLayout;
    m_colorSep = checkBox(list, "ColorCheckBox", "背景色を色分けする");
    stripes->addWidget(m_colorSep);
    m_oddLabel = sample(list, "OddLabel", "奇数行");
    m_evenLabel = sample(list, "EvenLabel", "偶数行");
    QPushButton *odd = pushButton(list, "OddButton", "...");
    QPushButton *even = pushButton(list, "EvenButton", "...");
    for (QWidget *w : std::initializer_list<QWidget *>{m_oddLabel, odd, m_evenLabel, even})
        stripes->addWidget(w);
    connect(odd, &QPushButton::clicked, this, [this, &d] { pickColor(d.thrlstOdd); });
    connect(even, &QPushButton::clicked, this, [this, &d] { pickColor(d.thrlstEven); });
    listV->addLayout(stripes);
    v->addWidget(list);

    auto *popup = new QGroupBox(u8("レスポップアップ"), page);
    auto *popupRow = new QHBoxLayout(popup);
    m_popMsgLabel = sample(popup, "PopMsgLabel", "テスト てすと TEST test");
    popupRow->addWidget(m_popMsgLabel, 1);
    buttonsFor(popup, popupRow, "PopupBgButton", "PopupFontButton", d.respopBkColor, d.respopFont);
    v->addWidget(popup);
    v->addStretch(1);
    return page;
}

QWidget *TSettingDlg::buildActionPage()
{
    auto *page = new QWidget;
    auto *v = new QVBoxLayout(page);
    auto group = [&](const char *caption, const char *prefix, QComboBox *&click, QComboBox *&dblClick) {
        auto *box = new QGroupBox(u8(caption), page);
        auto *form = new QFormLayout(box);
        click = clickCombo(box, (std::string(prefix) + "ClickComboBox").c_str());
        dblClick = clickCombo(box, (std::string(prefix) + "DblClickComboBox").c_str());
        form->addRow(u8("シングルクリック"), click);
        form->addRow(u8("ダブルクリック"), dblClick);
        v->addWidget(box);
    };
    group("カテゴリ一覧", "Ctg", m_ctgClick, m_ctgDblClick);
    group("スレッド一覧", "ThrLst", m_thrLstClick, m_thrLstDblClick);
    v->addStretch(1);
    return page;
}

void TSettingDlg::fillControls()
{
    const settings::Settings &s = m_fields.values;
    m_viewMsg->setText(QString::fromStdString(m_fields.viewMsg));
    m_popupRes->setChecked(s.general.popres);
    m_openYahooUrl->setChecked(s.general.yahoourl);
    m_treeOnce->setChecked(s.general.treeOpenNode);
    m_treeGuide->setChecked(s.general.treeGuide);
    m_treeButton->setChecked(s.general.treeButtons);
    m_sort->setChecked(s.general.sort);

    m_browserPath->setText(qtbridge::FromPath(s.path.browser));
    m_logPath->setText(qtbridge::FromPath(s.path.log));
    m_skinPath->setText(qtbridge::FromPath(s.path.skin));
    m_pluginPath->setText(qtbridge::FromPath(s.path.plugin));

    m_thrLstWidth->setText(QString::fromStdString(m_fields.thrlstWidth));
    m_thrLstHeight->setText(QString::fromStdString(m_fields.thrlstHeight));
    m_thrWidth->setText(QString::fromStdString(m_fields.thrWidth));
    m_thrHeight->setText(QString::fromStdString(m_fields.thrHeight));
    m_thrLstBottom->setChecked(s.tab.topicList.bottom);
    m_thrBottom->setChecked(s.tab.topic.bottom);
    // A style out of the list selects no button; reading back keeps the stored value then.
    if (QAbstractButton *b = m_thrLstStyle->button(s.tab.topicList.style))
        b->setChecked(true);
    if (QAbstractButton *b = m_thrStyle->button(s.tab.topic.style))
        b->setChecked(true);
    m_openFavorite->setChecked(s.tab.thrlstFavorite);
    m_tabIcon->setChecked(s.tab.icon);
    m_saveTab->setChecked(s.tab.restoration);
    m_multiTab->setChecked(s.tab.multi);
    m_wheelChange->setChecked(s.tab.wheel);
    m_middleClose->setChecked(s.tab.middle);
    m_dblClickReload->setChecked(s.tab.reload);

    m_colorSep->setChecked(s.design.thrlstSep);
    refreshSamples();

    m_ctgClick->setCurrentIndex(clickIndex(s.action.ctgClick));
    m_ctgDblClick->setCurrentIndex(clickIndex(s.action.ctgDblClick));
    m_thrLstClick->setCurrentIndex(clickIndex(s.action.thrlstClick));
    m_thrLstDblClick->setCurrentIndex(clickIndex(s.action.thrlstDblClick));

    m_proxy->setChecked(s.network.proxy);
    m_proxyServer->setText(qtbridge::FromSjis(s.network.proxyServer));
    m_proxyPort->setText(QString::fromStdString(m_fields.proxyPort));
    m_threadMax->setText(QString::fromStdString(m_fields.threadMax));
    m_retry->setText(QString::fromStdString(m_fields.retry));
    m_timeOut->setText(QString::fromStdString(m_fields.timeout));
    m_resRetry->setText(QString::fromStdString(m_fields.resRetry));
    m_postTimeOut->setText(QString::fromStdString(m_fields.postTimeout));
    m_dlMsg->setChecked(s.network.dlNew);

    m_id->setText(qtbridge::FromSjis(s.login.id));
    m_pass->setText(qtbridge::FromSjis(s.login.pass));
    m_passHide->setChecked(s.login.hide);
    m_loginStart->setChecked(s.login.start);
    PassCheckBoxClick();
}

void TSettingDlg::readControls()
{
    settings::Settings &s = m_fields.values;
    m_fields.viewMsg = m_viewMsg->text().toStdString();
    s.general.popres = m_popupRes->isChecked();
    s.general.yahoourl = m_openYahooUrl->isChecked();
    s.general.treeOpenNode = m_treeOnce->isChecked();
    s.general.treeGuide = m_treeGuide->isChecked();
    s.general.treeButtons = m_treeButton->isChecked();
    s.general.sort = m_sort->isChecked();

    s.path.browser = qtbridge::ToPath(m_browserPath->text(), s.path.browser);
    s.path.log = qtbridge::ToPath(m_logPath->text(), s.path.log);
    s.path.skin = qtbridge::ToPath(m_skinPath->text(), s.path.skin);
    s.path.plugin = qtbridge::ToPath(m_pluginPath->text(), s.path.plugin);

    m_fields.thrlstWidth = m_thrLstWidth->text().toStdString();
    m_fields.thrlstHeight = m_thrLstHeight->text().toStdString();
    m_fields.thrWidth = m_thrWidth->text().toStdString();
    m_fields.thrHeight = m_thrHeight->text().toStdString();
    s.tab.topicList.bottom = m_thrLstBottom->isChecked();
    s.tab.topic.bottom = m_thrBottom->isChecked();
    if (m_thrLstStyle->checkedId() >= 0)
        s.tab.topicList.style = m_thrLstStyle->checkedId();
    if (m_thrStyle->checkedId() >= 0)
        s.tab.topic.style = m_thrStyle->checkedId();
    s.tab.thrlstFavorite = m_openFavorite->isChecked();
    s.tab.icon = m_tabIcon->isChecked();
    s.tab.restoration = m_saveTab->isChecked();
    s.tab.multi = m_multiTab->isChecked();
    s.tab.wheel = m_wheelChange->isChecked();
    s.tab.middle = m_middleClose->isChecked();
    s.tab.reload = m_dblClickReload->isChecked();

    s.design.thrlstSep = m_colorSep->isChecked();

    // "なし" keeps a stored value of 5 or more as it was: both mean nothing.
    auto click = [](QComboBox *combo, int &value) {
        if (combo->currentIndex() != clickIndex(value))
            value = combo->currentIndex();
    };
    click(m_ctgClick, s.action.ctgClick);
    click(m_ctgDblClick, s.action.ctgDblClick);
    click(m_thrLstClick, s.action.thrlstClick);
    click(m_thrLstDblClick, s.action.thrlstDblClick);

    s.network.proxy = m_proxy->isChecked();
    s.network.proxyServer = qtbridge::ToSjis(m_proxyServer->text());
    m_fields.proxyPort = m_proxyPort->text().toStdString();
    m_fields.threadMax = m_threadMax->text().toStdString();
    m_fields.retry = m_retry->text().toStdString();
    m_fields.timeout = m_timeOut->text().toStdString();
    m_fields.resRetry = m_resRetry->text().toStdString();
    m_fields.postTimeout = m_postTimeOut->text().toStdString();
    s.network.dlNew = m_dlMsg->isChecked();

    s.login.id = qtbridge::ToSjis(m_id->text());
    s.login.pass = qtbridge::ToSjis(m_pass->text());
    s.login.hide = m_passHide->isChecked();
    s.login.start = m_loginStart->isChecked();
}

void TSettingDlg::refreshSamples()
{
    const settings::DesignSettings &d = m_fields.values.design;
    setSample(m_ctgLabel, d.treeBackground, &d.treeFont);
    setSample(m_thrLstLabel, d.thrlstBackground, &d.thrlstFont);
    setSample(m_oddLabel, d.thrlstOdd, nullptr);
    setSample(m_evenLabel, d.thrlstEven, nullptr);
    setSample(m_popMsgLabel, d.respopBkColor, &d.respopFont);
}

QString FileDialogFilter(const QString &pairs)
{
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString &caption = parts[i];
        const QString &patterns = parts[i + 1];
        filters << (caption.endsWith(QLatin1Char('(') + patterns + QLatin1Char(')'))
                        ? caption
                        : caption + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return filters.join(QStringLiteral(";;"));
}

void TSettingDlg::browseFile(QLineEdit *edit, const char *title, const char *filter)
{
    QString chosen = QFileDialog::getOpenFileName(this, u8(title), edit->text(), FileDialogFilter(u8(filter)));
    if (!chosen.isEmpty())
        edit->setText(chosen);
}

void TSettingDlg::browseFolder(QLineEdit *edit, const char *prompt)
{
    QString chosen = QFileDialog::getExistingDirectory(this, u8(prompt), edit->text(), QFileDialog::ShowDirsOnly);
    if (!chosen.isEmpty())
        edit->setText(chosen);
}

void TSettingDlg::pickColor(int &value)
{
    QColor chosen = QColorDialog::getColor(ColorFromSetting(value), this);
    if (!chosen.isValid())
        return;
    value = SettingFromColor(chosen);
    refreshSamples();
}

void TSettingDlg::pickFont(settings::FontSetting &font)
{
    bool ok = false;
    QFont chosen = QFontDialog::getFont(&ok, FontFromSetting(font), this);
    if (!ok)
        return;
    font = SettingFromFont(chosen, font);
    refreshSamples();
}

} // namespace ui
