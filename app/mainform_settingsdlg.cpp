// The settings dialog from the window's side, and the help menu's site commands.
#include "app/mainform.h"
#include "base/programdir.h"
#include "help/help.h"
#include "help/helpindex.h"
#include "help/helpwindow.h"
#include "net/pipeline.h"
#include "settings/gesturebindings.h"
#include "ui/panes.h"
#include "ui/settingdlg.h"

#include <QAction>
#include <QTreeWidget>
#include <QUrl>

void TMainForm::wireSettingDialog()
{
    ui::ActionList &a = *m_actions;
    a.setExecute(QStringLiteral("ToolSetting"), [this] { ToolSettingExecute(); });
    a.setExecute(QStringLiteral("HelpYahoo"),
                 [this] { OpenUrl(m_boardServer, 0, 0, store::OpenMode::Browser, false); });
    // The board server comes from the plug-in: without one there is nowhere to go.
    a.setUpdate(QStringLiteral("HelpYahoo"), [this](QAction &act) { act.setEnabled(!m_boardServer.empty()); });
    // The program's own page travels with it: the start page of its help, in the browser.
    a.setExecute(QStringLiteral("HelpHomepage"), [this] {
        QString page = QString::fromStdString(base::JoinPath(m_programDir, help::kHelpDirName)) + QStringLiteral("/") +
                       QString::fromLatin1(help::kStartPage);
        OpenUrl(QUrl::fromLocalFile(page).toEncoded().toStdString(), 0, 0, store::OpenMode::Browser, false);
    });
    // F1 is free: no command of the window takes it.
    a.action(QStringLiteral("HelpOpen"))->setShortcut(QKeySequence(Qt::Key_F1));
}

void TMainForm::ToolSettingExecute()
{
    std::vector<settings::ActionInfo> actions;
    for (const QString &name : m_actions->names()) {
        QAction *act = m_actions->action(name);
        actions.push_back({name.toStdString(), m_actions->category(name).toStdString(), act->toolTip().toStdString(),
                           act->isVisible()});
    }
    const bool treeOpenNode = m_settings.general.treeOpenNode;
    ui::TSettingDlg dialog(m_settings, std::move(actions), base::JoinPath(m_programDir, settings::kMouseIniName), this);
    dialog.openHelp = [this](QWidget *owner, const QString &keyword) {
        if (m_help)
            m_help->openKeyword(owner, keyword);
    };
    dialog.showMessage = [this](const QString &text) { m_showMessage(QString::fromUtf8("設定"), text); };
    if (dialog.exec() != QDialog::Accepted || m_destroyed)
        return;

    settings::ApplyFields(dialog.fields(), m_settings);
    m_settings.network.dlCount = dialog.dlCounts();
    m_settings.network.dlCountIndex = dialog.dlCountIndex();
    if (m_settings.general.treeOpenNode != treeOpenNode) {
        int site = siteCategoryTab();
        if (ui::CategoryPage *page = m_categoryPane->pages().at(site); page && page->tree)
            page->tree->collapseAll();
    }
    // The workers read their own copy of the network settings.
    m_pipeline->setNetworkSettings(m_settings.network);
    ApplyDisplaySettings(false);
    // What the user confirmed is kept even if the program does not end normally.
    SaveSettings();
}
