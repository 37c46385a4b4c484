// `TSettingDlg`: the settings dialog, eight pages over the dialog's plain model.
#pragma once

#include "settings/settingdlgmodel.h"

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QButtonGroup;
class QTabWidget;
class QTreeWidget;

namespace ui {

/// The file dialog's filter for "caption|patterns|caption|patterns…": each caption that already
/// ends in its patterns in brackets is used as it stands, any other gets them appended.
QString FileDialogFilter(const QString &pairs);

/// A stored colour value for a QColor (0x00BBGGRR).
int SettingFromColor(const QColor &color);
/// A stored font group for a QFont; the colour is kept from base.
settings::FontSetting SettingFromFont(const QFont &font, const settings::FontSetting &base);

/// The settings dialog. It edits a copy of the settings; after exec() returned Accepted, fields()
/// and the count list hold what the user confirmed, and "mouse.ini" has been written. Cancel
/// leaves everything as it was.
class TSettingDlg : public QDialog {
    Q_OBJECT
public:
    /// actions: every action of the main window in list order, captions and categories in UTF-8.
    TSettingDlg(const settings::Settings &current, std::vector<settings::ActionInfo> actions, std::string mouseIniPath,
                QWidget *parent = nullptr);

    /// Opens the help at a keyword (the active page's caption); set by the window.
    std::function<void(QWidget *owner, const QString &keyword)> openHelp;
    /// Shows a refusal to the user; tests replace it.
    std::function<void(const QString &text)> showMessage;

    const settings::DialogFields &fields() const { return m_fields; }
    const std::vector<std::string> &dlCounts() const { return m_counts.items(); }
    int dlCountIndex() const { return m_counts.selectedIndex(); }

    QTabWidget *pages() const { return m_pages; }

    // Handlers, public so that the window's tests can drive them like a user.
    void AddGestureButton(settings::TMouseGestureType arrow);
    void ClearButtonClick();
    void MenuComboBoxSelect();
    void AddButtonClick();
    void DelButtonClick();
    void DlCountAddButtonClick();
    void DlCountDelButtonClick();
    void PassCheckBoxClick();
    void OKBtnClick();
    void HelpBtnClick();

private:
    void FormCreate();
    QWidget *buildGeneralPage();
    QWidget *buildPathPage();
    QWidget *buildTabPage();
    QWidget *buildDesignPage();
    QWidget *buildActionPage();
    QWidget *buildGesturePage();
    QWidget *buildNetworkPage();
    QWidget *buildLoginPage();
    /// Controls from m_fields, and back.
    void fillControls();
    void readControls();
    void refreshGestureRows(int select);
    void refreshSamples();
    void browseFile(QLineEdit *edit, const char *title, const char *filter);
    void browseFolder(QLineEdit *edit, const char *prompt);
    void pickColor(int &value);
    void pickFont(settings::FontSetting &font);
    void refuse(const std::string &sjis);
    void refillDlCounts();

    settings::DialogFields m_fields;
    settings::DlCountEditor m_counts;
    settings::GestureEditor m_gestures;
    std::string m_mouseIniPath;

    QTabWidget *m_pages = nullptr;
    // 全般
    QLineEdit *m_viewMsg = nullptr;
    QCheckBox *m_popupRes = nullptr, *m_openYahooUrl = nullptr, *m_treeOnce = nullptr, *m_treeGuide = nullptr,
              *m_treeButton = nullptr, *m_sort = nullptr;
    // パス
    QLineEdit *m_browserPath = nullptr, *m_logPath = nullptr, *m_skinPath = nullptr, *m_pluginPath = nullptr;
    // タブ
    QLineEdit *m_thrLstWidth = nullptr, *m_thrLstHeight = nullptr, *m_thrWidth = nullptr, *m_thrHeight = nullptr;
    QCheckBox *m_thrLstBottom = nullptr, *m_thrBottom = nullptr;
    QButtonGroup *m_thrLstStyle = nullptr, *m_thrStyle = nullptr;
    QCheckBox *m_openFavorite = nullptr, *m_tabIcon = nullptr, *m_saveTab = nullptr, *m_multiTab = nullptr,
              *m_wheelChange = nullptr, *m_middleClose = nullptr, *m_dblClickReload = nullptr;
    // デザイン
    QLabel *m_ctgLabel = nullptr, *m_thrLstLabel = nullptr, *m_oddLabel = nullptr, *m_evenLabel = nullptr,
           *m_popMsgLabel = nullptr;
    QCheckBox *m_colorSep = nullptr;
    // 動作
    QComboBox *m_ctgClick = nullptr, *m_ctgDblClick = nullptr, *m_thrLstClick = nullptr, *m_thrLstDblClick = nullptr;
    // マウスジェスチャー
    QComboBox *m_gestureCombo = nullptr, *m_menuCombo = nullptr, *m_actionCombo = nullptr, *m_placeCombo = nullptr;
    QLineEdit *m_marginEdit = nullptr;
    QTreeWidget *m_gestureList = nullptr;
    // ネットワーク
    QCheckBox *m_proxy = nullptr, *m_dlMsg = nullptr;
    QLineEdit *m_proxyServer = nullptr, *m_proxyPort = nullptr, *m_threadMax = nullptr, *m_retry = nullptr,
              *m_timeOut = nullptr, *m_resRetry = nullptr, *m_postTimeOut = nullptr;
    QComboBox *m_dlCountCombo = nullptr;
    // ログイン
    QLineEdit *m_id = nullptr, *m_pass = nullptr;
    QCheckBox *m_passHide = nullptr, *m_loginStart = nullptr;
};

} // namespace ui
