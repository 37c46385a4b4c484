// The directory crawl: merging parsed category pages into the site's tree, and the
// bookkeeping of one crawl from `CtgUpdate` to its end (notice 16) or `CtgUpdateStop`.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "net/notice.h"
#include "net/pipeline.h"
#include "store/categorytree.h"

namespace store {

/// Queues a category request (RequestKind 1) for url with the site's plug-in; true when queued.
using EnqueueCategory = std::function<bool(const std::string &url)>;

/// What one category result did to the tree.
struct CategoryAddition {
    bool taken = false; ///< false: the result was dropped (no tree, or a late result of an earlier crawl)
    int added = 0;
    /// The status message the last added node shows (kind word kCategoryStatusKind): its name
    /// followed by kAddedSuffix. Each node shows one in turn; only the last stays visible.
    std::optional<std::string> status;
    std::vector<std::string> queued; ///< the child pages queued, in record order
};

/// `AddParsedCategories`: the records of result become nodes under the first node (absolute
/// order) whose URL equals the first record's parent URL, or top-level nodes when there is
/// none; each node takes the record's name, URL and is-category value as kind. Every record
/// with fetch-children set is handed to enqueue (when given). tree is the site's category tree,
/// or null when it has no tab: the result is then dropped. Fields are read within their sizes
/// and at most 150 records, whatever the plug-in left in them.
CategoryAddition AddParsedCategories(const net::CategoryResult &result, CategoryTreeModel *tree,
                                     const EnqueueCategory &enqueue);

/// One directory crawl at a time, owned by the window. Main thread.
///
/// Beyond the plain cycle it keeps three promises: a page is fetched at most once per crawl
/// (a directory that links back to a category it came from would otherwise be crawled without
/// end); after `CtgUpdateStop` the result of the request that was still running is added but
/// queues no further pages (otherwise the crawl would go on as if never stopped); and results of
/// an earlier crawl's requests that end after a new `CtgUpdate` are dropped rather than added to
/// the new tree.
class CategoryCrawl {
public:
    /// `CtgUpdate` step 1: enqueueRoot queues the category request without URL (the plug-in's
    /// root page). False when it could not be queued; nothing else changes. On true the caller
    /// shows kCategoryStatusKind / kCategoryFetchStartedText, wakes the category queue, finds or
    /// creates and activates the site's tab, clears its tree, begins its batch update and
    /// disables CtgUpdate. rootUrl is the root page's URL (the plug-in's base URL), so that a
    /// link back to it is not fetched again; it may be empty.
    bool start(const std::function<bool()> &enqueueRoot, const std::string &rootUrl);

    /// Notice 1.
    CategoryAddition add(const net::CategoryResult &result, CategoryTreeModel *tree, const EnqueueCategory &enqueue);

    /// Notice 3 for a category request answered 1: the pipeline queued a retry of it.
    void requeued();

    struct WorkerEnd {
        /// The crawl is complete: save the category files, show outcome's texts, enable CtgUpdate.
        bool finished = false;
        /// End the site tree's batch update now (once per crawl).
        bool endBatch = false;
    };
    /// Notice 16, with what Pipeline::handleCategoryWorkerEnded decided.
    WorkerEnd workerEnded(const net::CategoryEndOutcome &outcome);

    /// `CtgUpdateStop`, after Pipeline::clearCategoryQueue discarded `discarded` requests and
    /// `waiting` are left: the status texts to show. The caller saves the category files and
    /// enables CtgUpdate; the batch update ends with the running request's notice 16.
    net::StatusChange stop(int discarded, std::size_t waiting);

    bool running() const { return m_running; }
    bool batchOpen() const { return m_batchOpen; }

private:
    bool m_running = false;
    bool m_batchOpen = false;
    int m_pending = 0; ///< category requests queued or running, of any crawl
    int m_stale = 0;   ///< of those, the ones an earlier crawl queued
    std::unordered_set<std::string> m_requested;
};

} // namespace store
