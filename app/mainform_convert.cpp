// The log conversion tool in the window: `ToolConversion` and `ThrLstConversion` open the
// conversion dialog, the latter with the selected row's topic log.
#include "app/mainform.h"
#include "base/programdir.h"
#include "base/text.h"
#include "convert/convertiondlg.h"
#include "help/help.h"
#include "help/helpwindow.h"
#include "store/boarddir.h"
#include "store/boardurls.h"
#include "ui/panes.h"
#include "ui/rightpanes.h"
#include "ui/topiclistview.h"

#include <QTreeWidget>

void TMainForm::wireConvert()
{
    ui::ActionList &a = *m_actions;
    a.setExecute(QStringLiteral("ToolConversion"), [this] { openConversion({}); });
    a.setUpdate(QStringLiteral("ToolConversion"), [](QAction &act) { act.setEnabled(true); });
    a.setExecute(QStringLiteral("ThrLstConversion"), [this] {
        if (selectedConversionRow())
            openConversion(selectedRowLogPath().value_or(""));
    });
    a.setUpdate(QStringLiteral("ThrLstConversion"),
                [this](QAction &act) { act.setEnabled(selectedConversionRow() != nullptr); });
}

ui::TopicItem *TMainForm::selectedConversionRow() const
{
    ui::TopicListPage *page = m_topicListPane->activePage();
    auto *list = page && page->isList() ? qobject_cast<QTreeWidget *>(page->view.data()) : nullptr;
    return list ? ui::SelectedTopicItem(*list) : nullptr;
}

std::optional<std::string> TMainForm::selectedRowLogPath()
{
    ui::TopicItem *item = selectedConversionRow();
    if (!item)
        return std::nullopt;
    const store::TopicEntry &entry = item->row().entry;
    const std::string board = base::ExtractUrlParam("board=", entry.topicUrl).value_or("");
    const std::optional<std::string> dir =
        store::ResolveBoardLogDir({m_programDir, m_settings.path.log}, store::BoardListUrl(m_boardServer, board));
    if (!dir)
        return std::nullopt;
    return base::JoinPath(*dir, entry.logName);
}

void TMainForm::openConversion(const std::string &datPath)
{
    convert::TConvertionDlg::Options options;
    options.programDir = m_programDir;
    options.profileBase = m_settings.endpoint.profile;
    options.skinDir = m_settings.path.skin;
    options.conversion = m_settings.conversion;
    options.showMessage = m_showMessage;
    options.openHelp = [this](QWidget *owner, const QString &keyword) {
        if (m_help)
            m_help->openKeyword(owner, keyword);
    };
    convert::TConvertionDlg dialog(std::move(options), this);
    if (!datPath.empty())
        dialog.setDatPath(datPath);
    dialog.exec();
    m_settings.conversion = dialog.conversionSettings();
}
