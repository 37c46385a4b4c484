// The window's side of the settings: reading and writing the file, laying the window out from
// it, and pushing the display values into the views.
#include <QAction>
#include <QSplitter>
#include <QToolBar>
#include <QTreeWidget>

#include "app/mainform.h"
#include "base/programdir.h"
#include "net/pipeline.h"
#include "ui/bandlayout.h"
#include "ui/panes.h"
#include "ui/rightpanes.h"
#include "ui/statusbar.h"
#include "ui/topiclistview.h"

void TMainForm::LoadSettings(bool full)
{
    m_ini = settings::IniFile::Load(base::JoinPath(m_programDir, settings::kSettingsFileName));
    settings::LoadSettings(m_ini, m_settings, m_programDir, full);
    m_actions->action(QStringLiteral("FileOnline"))->setChecked(m_settings.general.online);
    applyFormSettings(full);
    settings::LoadNgLists(m_programDir, m_ngLists);
    // The workers read their copy of these; each load gives them the values just read.
    m_pipeline->setNetworkSettings(m_settings.network);
    m_pipeline->setEndpoints(m_settings.endpoint);
}

void TMainForm::applyFormSettings(bool full)
{
    const settings::FormSettings &f = m_settings.form;
    if (f.state) {
        if (*f.state == 2)
            setWindowState(Qt::WindowMaximized);
        else if (*f.state == 1)
            setWindowState(Qt::WindowMinimized);
        else
            setWindowState(Qt::WindowNoState);
    }
    if (!f.left && !f.top && !f.width && !f.height && !f.state)
        placeFirstWindow();
    else if (!isMaximized()) {
        QRect g = geometry();
        if (f.left)
            g.moveLeft(*f.left);
        if (f.top)
            g.moveTop(*f.top);
        if (f.width)
            g.setWidth(*f.width);
        if (f.height)
            g.setHeight(*f.height);
        setGeometry(g);
    }

    m_arranger->setTypeVisible(f.typeVisible);
    m_arranger->arrange();

    if (f.ctgWidth)
        m_lrSplitter->setSizes({*f.ctgWidth, std::max(width() - *f.ctgWidth, 1)});
    if (f.typeVisible ? f.thrlstWidth.has_value() : f.thrlstHeight.has_value()) {
        int extent = f.typeVisible ? *f.thrlstWidth : *f.thrlstHeight;
        m_paneHost->setExtent(f.typeVisible, extent);
        m_paneHost->layOut(f.typeVisible, extent);
    }

    m_categoryPane->setVisible(f.ctgVisible);
    m_topicListPane->setVisible(f.thrlstVisible);
    m_topicPane->setVisible(f.thrVisible);

    m_arranger->setRememberedSizes(f.paneWidth, f.paneHeight);
    m_arranger->arrange();

    if (full) {
        std::vector<QToolBar *> mainBands = {m_menuBand, m_urlBand, m_mainBand};
        ui::ApplyBands(*this, mainBands, m_settings.coolbar.main);
        std::vector<QToolBar *> topicBands = {m_topicPane->toolBar(), m_topicPane->resBand()};
        ui::ApplyBands(*m_topicPane->bandWindow(), topicBands, m_settings.coolbar.thr);
    }
}

void TMainForm::collectFormSettings()
{
    settings::FormSettings &f = m_settings.form;
    f.state = isMaximized() ? 2 : isMinimized() ? 1 : 0;
    if (!isMaximized()) {
        QRect g = geometry();
        f.top = g.top();
        f.left = g.left();
        f.height = g.height();
        f.width = g.width();
    }
    f.ctgWidth = m_categoryPane->width();
    f.ctgHeight = m_categoryPane->height();
    int extent = m_paneHost->currentExtent();
    bool side = m_arranger->typeVisible();
    f.thrlstWidth = side ? extent : m_topicListPane->width();
    f.thrlstHeight = side ? m_topicListPane->height() : extent;
    f.thrWidth = m_topicPane->width();
    f.thrHeight = m_topicPane->height();
    f.ctgVisible = !m_categoryPane->isHidden();
    f.thrlstVisible = !m_topicListPane->isHidden();
    f.thrVisible = !m_topicPane->isHidden();
    f.typeVisible = m_arranger->typeVisible();
    f.paneWidth = m_arranger->paneWidth();
    f.paneHeight = m_arranger->paneHeight();

    std::vector<QToolBar *> mainBands = {m_menuBand, m_urlBand, m_mainBand};
    m_settings.coolbar.main = ui::ReadBands(*this, mainBands);
    std::vector<QToolBar *> topicBands = {m_topicPane->toolBar(), m_topicPane->resBand()};
    m_settings.coolbar.thr = ui::ReadBands(*m_topicPane->bandWindow(), topicBands);
}

void TMainForm::SaveSettings()
{
    m_settings.general.online = m_actions->action(QStringLiteral("FileOnline"))->isChecked();
    collectFormSettings();
    // Read the file again: nothing writes it while the program runs, but a user may have added
    // keys by hand since the start, and those must survive.
    m_ini = settings::IniFile::Load(base::JoinPath(m_programDir, settings::kSettingsFileName));
    settings::SaveSettings(m_ini, m_settings);
    settings::SaveNgLists(m_programDir, m_ngLists);
    if (!m_ini.save(base::JoinPath(m_programDir, settings::kSettingsFileName), settings::kSettingsFileMode))
        qWarning("nekomado.ini could not be written");
}

void TMainForm::ApplyDisplaySettings(bool atStartup)
{
    const ui::ViewLook look = ui::LookFromSettings(m_settings);
    m_categoryPane->applyDisplay(look);
    m_topicListPane->applyDisplay(look, m_settings.tab.icon);
    // Striping and row colours are painted into the rows: new colours repaint every list.
    for (int i = 0; i < m_topicListPane->pages().size(); ++i) {
        ui::TopicListPage &page = m_topicListPane->pages()[i];
        if (auto *list = qobject_cast<QTreeWidget *>(page.view.data()); list && page.isList())
            ui::PaintTopicRows(*list, m_settings.design);
    }
    m_topicPane->applyDisplay(m_settings);
    ui::ApplyTabStripSettings(*m_topicListPane->strip(), m_settings.tab.topicList, m_settings.tab.multi, atStartup);
    ui::ApplyTabStripSettings(*m_topicPane->strip(), m_settings.tab.topic, m_settings.tab.multi, atStartup);
    m_statusBar->progressBar()->setMaximum(std::max(m_settings.network.threadMax, 0));
}
