// Progress while downloads run, shown in batches: every message of a topic moves the count in its
// tab's caption, and every request moves the status panels and the progress bar. Painting the
// window for each of them would cost the main thread more than the messages themselves; a batch
// a few times a second shows the same progress.
#include <QProgressBar>
#include <QTimer>

#include <algorithm>

#include "app/mainform.h"
#include "net/pipeline.h"
#include "qtbridge/sjis.h"
#include "store/pageindex.h"
#include "store/topicfetch.h"
#include "ui/pages.h"
#include "ui/panes.h"
#include "ui/statusbar.h"

namespace {

/// The longest a change of the progress waits to be shown.
constexpr int kLiveUpdateMs = 100;
/// How often a downloading topic is shown again: often enough to watch it arrive, seldom enough
/// that building pages costs the download little.
constexpr int kLiveRenderMs = 1000;

} // namespace

void TMainForm::scheduleLiveUpdates()
{
    if (!m_liveTimer) {
        m_liveTimer = new QTimer(this);
        m_liveTimer->setSingleShot(true);
        m_liveTimer->setInterval(kLiveUpdateMs);
        connect(m_liveTimer, &QTimer::timeout, this, [this] { applyLiveUpdates(); });
    }
    // Not restarted by later changes: the first change of a batch waits kLiveUpdateMs at most.
    if (!m_liveTimer->isActive())
        m_liveTimer->start();
}

void TMainForm::deferStatus(const net::StatusChange &change)
{
    if (change.panel0)
        ShowStatus(0, qtbridge::FromSjis(*change.panel0));
    if (change.panel1)
        m_livePanel1 = change.panel1;
    if (change.panel3)
        m_livePanel3 = change.panel3;
    if (change.progress)
        m_liveProgress = change.progress;
    if (change.panel1 || change.panel3 || change.progress)
        scheduleLiveUpdates();
}

void TMainForm::deferFetchCaption(const ui::TopicPage &tab)
{
    std::pair<plugin_api::PluginHandle, std::string> key{tab.site, tab.topicUrl};
    if (std::find(m_liveCaptions.begin(), m_liveCaptions.end(), key) == m_liveCaptions.end())
        m_liveCaptions.push_back(std::move(key));
    scheduleLiveUpdates();
}

void TMainForm::setFinalCaption(const ui::TopicPage &tab, const std::string &caption)
{
    // A fetch that reached its limit still waits for the requests already running, so the tab
    // counts as downloading: a refresh would put the count back.
    std::erase(m_liveCaptions, std::pair<plugin_api::PluginHandle, std::string>{tab.site, tab.topicUrl});
    const int index = m_topicPane->pages().indexOf(&tab);
    if (index >= 0)
        m_topicPane->strip()->setCaption(index, caption);
}

void TMainForm::applyLiveUpdates()
{
    if (m_liveTimer)
        m_liveTimer->stop();
    if (m_livePanel1)
        ShowStatus(1, qtbridge::FromSjis(*m_livePanel1));
    if (m_livePanel3)
        ShowStatus(3, qtbridge::FromSjis(*m_livePanel3));
    if (m_liveProgress)
        m_runningCount = *m_liveProgress;
    updateProgress();
    m_livePanel1.reset();
    m_livePanel3.reset();
    m_liveProgress.reset();

    // The caption is taken from the tab as it is now: a tab closed or reused meanwhile is not
    // found, and a fetch that has ended since already shows its final caption.
    std::vector<std::pair<plugin_api::PluginHandle, std::string>> captions;
    captions.swap(m_liveCaptions);
    for (const auto &[site, pageKey] : captions) {
        const int index = store::FindPageIndexIn(m_topicPane->pages(), site, pageKey, store::PageKind::Topic);
        if (index < 0)
            continue;
        const ui::TopicPage &tab = m_topicPane->pages()[index];
        if (tab.downloading())
            m_topicPane->strip()->setCaption(index, store::FetchCaption(tab));
    }
}

void TMainForm::scheduleLiveRender()
{
    if (!m_liveRenderTimer) {
        m_liveRenderTimer = new QTimer(this);
        m_liveRenderTimer->setSingleShot(true);
        m_liveRenderTimer->setInterval(kLiveRenderMs);
        connect(m_liveRenderTimer, &QTimer::timeout, this, [this] { liveRender(); });
    }
    if (!m_liveRenderTimer->isActive())
        m_liveRenderTimer->start();
}

void TMainForm::liveRender()
{
    // Only the tab in view: a tab brought forward later shows the next batch, and the end of
    // every fetch renders its tab anyway.
    ui::TopicPage *tab = m_topicPane->activePage();
    if (!tab || !tab->downloading())
        return;
    if (m_renderedTopic == std::pair<plugin_api::PluginHandle, std::string>{tab->site, tab->topicUrl} &&
        m_renderedAdded == tab->added)
        return;
    // A view still busy with the previous page takes this one at the next tick.
    if (!renderTopic(*tab, true))
        scheduleLiveRender();
}
