// Category results into the tree, and the crawl's bookkeeping.
#include "store/categorycrawl.h"

#include <algorithm>

#include "net/texts.h"
#include "plugin_api/records.h"
#include "store/boardfields.h"
#include "store/boardtexts.h"

namespace store {

CategoryAddition AddParsedCategories(const net::CategoryResult &result, CategoryTreeModel *tree,
                                     const EnqueueCategory &enqueue)
{
    CategoryAddition addition;
    if (!tree)
        return addition;
    addition.taken = true;
    if (!result.records || result.count <= 0)
        return addition;
    auto count = std::min<std::size_t>(static_cast<std::size_t>(result.count), plugin_api::kMaxCategoryRecords);

    std::string_view parentUrl = FieldText(result.records[0].parentUrl);
    CategoryTreeModel::Node parent = parentUrl.empty() ? nullptr : FindNodeByUrl(*tree, parentUrl);
    for (std::size_t i = 0; i < count; ++i) {
        const CategoryRecord &record = result.records[i];
        std::string url(FieldText(record.url));
        std::string_view name = FieldText(record.name);
        tree->addNode(parent, name, CategoryNodeData{url, record.isCategory});
        ++addition.added;
        addition.status = std::string(name) + kAddedSuffix;
        if (record.fetchChildren != 0 && enqueue && enqueue(url))
            addition.queued.push_back(std::move(url));
    }
    return addition;
}

bool CategoryCrawl::start(const std::function<bool()> &enqueueRoot, const std::string &rootUrl)
{
    if (!enqueueRoot || !enqueueRoot())
        return false;
    // Requests still running or waiting belong to an earlier crawl: their results are not ours.
    m_stale = m_pending;
    ++m_pending;
    m_running = true;
    m_replaced = false;
    m_stopped = false;
    m_requested.clear();
    if (!rootUrl.empty())
        m_requested.insert(rootUrl);
    return true;
}

CategoryAddition CategoryCrawl::add(const net::CategoryResult &result, CategoryTreeModel *tree,
                                    const EnqueueCategory &enqueue)
{
    // A category worker sends its result before it ends, and the queue runs one request at a
    // time, so while an earlier crawl's request has not ended every result is that request's.
    if (m_stale > 0)
        return {};
    bool first = !m_replaced;
    if (first) {
        // The old tree goes only for a page that brings something, and not for the page of a
        // crawl already stopped: the user keeps a whole tree rather than a stump.
        if (!tree || m_stopped || !result.records || result.count <= 0)
            return {};
        tree->clear();
        m_replaced = true;
        m_partial = true;
        m_batchOpen = true;
    }
    CategoryAddition addition = AddParsedCategories(result, tree, [&](const std::string &url) {
        if (!m_running || !enqueue || m_requested.contains(url))
            return false;
        if (!enqueue(url))
            return false;
        m_requested.insert(url);
        ++m_pending;
        return true;
    });
    addition.replacedTree = first;
    return addition;
}

void CategoryCrawl::requeued()
{
    ++m_pending;
}

CategoryCrawl::WorkerEnd CategoryCrawl::workerEnded(const net::CategoryEndOutcome &outcome)
{
    m_pending = std::max(0, m_pending - 1);
    m_stale = std::max(0, m_stale - 1);
    WorkerEnd end;
    if (!outcome.crawlFinished)
        return end;
    end.finished = true;
    end.endBatch = m_batchOpen;
    end.failed = m_running && !m_replaced;
    // Only a crawl that ran to its end without a stop has the whole directory.
    if (m_running && m_replaced && !m_stopped)
        m_partial = false;
    m_running = false;
    m_batchOpen = false;
    // Nothing waits any more; only a request of this crawl could still be counted if the
    // pipeline retried one unseen.
    m_pending = 0;
    m_stale = 0;
    return end;
}

CategoryCrawl::StopOutcome CategoryCrawl::stop(int discarded, std::size_t waiting)
{
    m_pending = std::max(0, m_pending - std::max(0, discarded));
    if (m_running)
        m_stopped = true;
    m_running = false;
    StopOutcome out;
    out.status.panel0 = kCategoryFetchInterruptedText;
    out.status.panel1 = net::kDoneText;
    out.status.panel3 = std::to_string(waiting);
    // With nothing running no notice 16 will come to end the batch.
    if (m_pending == 0 && m_batchOpen) {
        out.endBatch = true;
        m_batchOpen = false;
    }
    return out;
}

} // namespace store
