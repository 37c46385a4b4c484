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

/// Status panel 0 when a crawl ended without a single category page: the old tree stays.
inline constexpr const char kCategoryFetchFailedText[] =
    "\x83\x4a\x83\x65\x83\x53\x83\x8a\x82\xcc\x8e\xe6\x93\xbe\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc"
    "\x82\xb5\x82\xbd"; // カテゴリの取得に失敗しました

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
    /// The crawl's first page: the old tree was cleared before its nodes were added.
    bool replacedTree = false;
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
///
/// The tree the user has is not given up for nothing: it is cleared only when the crawl's first
/// page with records arrives (a crawl that brings nothing leaves it and reports a failure), and
/// a tree that a crawl replaced but did not complete (stopped, or cut short by the window
/// closing) is never written over the category file, which other parts read to find every
/// board's log folder.
class CategoryCrawl {
public:
    /// `CtgUpdate` step 1: enqueueRoot queues the category request without URL (the plug-in's
    /// root page). False when it could not be queued; nothing else changes. On true the caller
    /// shows kCategoryStatusKind / kCategoryFetchStartedText, wakes the category queue, finds or
    /// creates and activates the site's tab and disables CtgUpdate; the tree stays as it is until
    /// the first page arrives. rootUrl is the root page's URL (the plug-in's base URL), so that a
    /// link back to it is not fetched again; it may be empty.
    bool start(const std::function<bool()> &enqueueRoot, const std::string &rootUrl);

    /// True when the next result that add() takes replaces the tree: the caller begins the tree's
    /// batch update before calling add().
    bool awaitingFirstPage() const { return m_running && !m_replaced && m_stale == 0; }

    /// Notice 1. The first taken result with records clears tree before adding to it
    /// (replacedTree) and opens the batch update.
    CategoryAddition add(const net::CategoryResult &result, CategoryTreeModel *tree, const EnqueueCategory &enqueue);

    /// Notice 3 for a category request answered 1: the pipeline queued a retry of it.
    void requeued();

    struct WorkerEnd {
        /// The crawl's requests are all done: show outcome's texts, enable CtgUpdate, and save
        /// the category files (the site's tree only when siteTreeWritable()).
        bool finished = false;
        /// End the site tree's batch update now (once per crawl).
        bool endBatch = false;
        /// Finished without a single page: show kCategoryFetchFailedText in panel 0 instead.
        bool failed = false;
    };
    /// Notice 16, with what Pipeline::handleCategoryWorkerEnded decided.
    WorkerEnd workerEnded(const net::CategoryEndOutcome &outcome);

    struct StopOutcome {
        net::StatusChange status; ///< the texts to show
        /// No request is left to end the batch update: end it now.
        bool endBatch = false;
    };
    /// `CtgUpdateStop`, after Pipeline::clearCategoryQueue discarded `discarded` requests and
    /// `waiting` are left. The caller saves the category files (the site's tree only when
    /// siteTreeWritable()) and enables CtgUpdate; when a request still runs, the batch update
    /// ends with its notice 16.
    StopOutcome stop(int discarded, std::size_t waiting);

    bool running() const { return m_running; }
    bool batchOpen() const { return m_batchOpen; }
    /// False while the site's tree is one that a crawl replaced and has not completed: writing it
    /// would lose every board the crawl did not reach.
    bool siteTreeWritable() const { return !m_partial; }

private:
    bool m_running = false;
    bool m_batchOpen = false;
    bool m_replaced = false; ///< the current crawl has replaced the tree
    bool m_stopped = false;  ///< the current crawl was stopped
    bool m_partial = false;  ///< the tree shown is an incomplete crawl's
    int m_pending = 0; ///< category requests queued or running, of any crawl
    int m_stale = 0;   ///< of those, the ones an earlier crawl queued
    std::unordered_set<std::string> m_requested;
};

} // namespace store
