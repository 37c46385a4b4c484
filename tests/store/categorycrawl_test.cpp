// Category results into the site's tree, and the crawl from CtgUpdate to its end or its stop.
#include <gtest/gtest.h>

#include "boardtesting.h"
#include "store/boardtexts.h"
#include "store/categorycrawl.h"

using store::CategoryTree;
using Node = store::CategoryTreeModel::Node;

namespace {

const std::string kRoot = "http://b/";

CategoryRecord record(std::string_view url, std::string_view parent, std::string_view name, int isCategory,
                      int fetchChildren)
{
    CategoryRecord r{};
    store::SetFieldText(r.url, url);
    store::SetFieldText(r.parentUrl, parent);
    store::SetFieldText(r.name, name);
    r.isCategory = isCategory;
    r.fetchChildren = fetchChildren;
    return r;
}

struct Page {
    std::vector<CategoryRecord> records;
    net::CategoryResult result() { return {nullptr, records.data(), static_cast<std::int32_t>(records.size())}; }
};

// The category queue as the crawl sees it: what was queued, and whether queueing works.
struct Queue {
    std::vector<std::string> urls;
    bool accept = true;
    store::EnqueueCategory enqueue()
    {
        return [this](const std::string &url) {
            if (accept)
                urls.push_back(url);
            return accept;
        };
    }
    std::function<bool()> root()
    {
        return [this] {
            if (accept)
                urls.push_back("<root>");
            return accept;
        };
    }
};

net::CategoryEndOutcome ended(bool queueEmpty)
{
    net::CategoryEndOutcome outcome;
    outcome.crawlFinished = queueEmpty;
    return outcome;
}

} // namespace

TEST(AddParsedCategories, RecordsGoUnderTheFirstNodeWithTheirParentUrlAndQueueTheirChildren)
{
    CategoryTree tree;
    Node first = tree.addNode(nullptr, "Arts", {"http://b/arts/", 1});
    tree.addNode(nullptr, "Arts again", {"http://b/arts/", 1});
    Page page{{record("http://b/arts/paint/", "http://b/arts/", "Painting", 1, 1),
               record("http://b/bbs?action=topics&board=3&sid=3&type=r", "http://b/arts/", "Board", 0, 0),
               record("http://b/arts/music/", "http://elsewhere/", "Music", 1, 1)}};
    Queue queue;
    auto addition = store::AddParsedCategories(page.result(), &tree, queue.enqueue());

    EXPECT_TRUE(addition.taken);
    EXPECT_EQ(addition.added, 3);
    // Only the first record's parent URL places the batch.
    auto children = tree.children(first);
    ASSERT_EQ(children.size(), 3u);
    EXPECT_EQ(tree.nodeData(children[0]), (store::CategoryNodeData{"http://b/arts/paint/", 1}));
    EXPECT_EQ(tree.stateImage(children[1]), store::kBoardImage);
    EXPECT_EQ(tree.nodeText(children[2]), "Music");
    EXPECT_EQ(queue.urls, (std::vector<std::string>{"http://b/arts/paint/", "http://b/arts/music/"}));
    EXPECT_EQ(addition.queued, queue.urls);
    EXPECT_EQ(addition.status, "Music" + std::string(store::kAddedSuffix));
}

TEST(AddParsedCategories, UnknownParentAddsTopLevelNodesAndNoTreeDropsTheResult)
{
    CategoryTree tree;
    Page root{{record("http://b/a/", kRoot, "A", 1, 1), record("http://b/c/", kRoot, "C", 1, 0)}};
    auto addition = store::AddParsedCategories(root.result(), &tree, nullptr);
    EXPECT_EQ(tree.children(nullptr).size(), 2u);
    EXPECT_TRUE(addition.queued.empty());

    Queue queue;
    EXPECT_FALSE(store::AddParsedCategories(root.result(), nullptr, queue.enqueue()).taken);
    EXPECT_TRUE(queue.urls.empty());

    // A request that cannot be queued is passed over.
    queue.accept = false;
    EXPECT_TRUE(store::AddParsedCategories(root.result(), &tree, queue.enqueue()).queued.empty());
}

TEST(AddParsedCategories, ReadsRecordsWithinTheirFieldsAndTheBufferSize)
{
    CategoryTree tree;
    Page page;
    page.records.assign(plugin_api::kMaxCategoryRecords, record("http://b/x/", kRoot, "X", 0, 0));
    // A name without terminator ends with its field.
    std::memset(page.records[0].name, 'n', sizeof page.records[0].name);
    net::CategoryResult result = page.result();
    result.count = 1000; // more than the buffer holds
    EXPECT_EQ(store::AddParsedCategories(result, &tree, nullptr).added, plugin_api::kMaxCategoryRecords);
    EXPECT_EQ(tree.nodeText(tree.children(nullptr)[0]), std::string(sizeof page.records[0].name, 'n'));

    result.count = -5;
    EXPECT_EQ(store::AddParsedCategories(result, &tree, nullptr).added, 0);
    result.records = nullptr;
    result.count = 3;
    EXPECT_EQ(store::AddParsedCategories(result, &tree, nullptr).added, 0);
}

TEST(CategoryCrawl, RunsFromTheRootUntilTheQueueDrainsFetchingEachPageOnce)
{
    store::CategoryCrawl crawl;
    Queue queue;
    CategoryTree tree;
    ASSERT_TRUE(crawl.start(queue.root(), kRoot));
    EXPECT_TRUE(crawl.running());
    EXPECT_FALSE(crawl.batchOpen()) << "the tree is left alone until a page arrives";

    Page root{{record("http://b/a/", kRoot, "A", 1, 1), record("http://b/b/", kRoot, "B", 1, 1)}};
    crawl.add(root.result(), &tree, queue.enqueue());
    EXPECT_TRUE(crawl.batchOpen());
    EXPECT_FALSE(crawl.workerEnded(ended(false)).finished);
    // A page linking back to the root and to a page already queued queues neither again.
    Page a{{record("http://b/a/x/", "http://b/a/", "X", 1, 1), record("http://b/b/", "http://b/a/", "B link", 1, 1),
            record(kRoot, "http://b/a/", "Home", 1, 1)}};
    auto added = crawl.add(a.result(), &tree, queue.enqueue());
    EXPECT_EQ(added.added, 3);
    EXPECT_EQ(added.queued, (std::vector<std::string>{"http://b/a/x/"}));
    EXPECT_FALSE(crawl.workerEnded(ended(false)).finished);
    crawl.workerEnded(ended(false));
    auto end = crawl.workerEnded(ended(true));
    EXPECT_TRUE(end.finished);
    EXPECT_TRUE(end.endBatch);
    EXPECT_FALSE(crawl.running());
    EXPECT_EQ(queue.urls, (std::vector<std::string>{"<root>", "http://b/a/", "http://b/b/", "http://b/a/x/"}));
    // The batch update ends once.
    EXPECT_FALSE(crawl.workerEnded(ended(true)).endBatch);
}

TEST(CategoryCrawl, RootThatCannotBeQueuedStartsNothing)
{
    store::CategoryCrawl crawl;
    Queue queue;
    queue.accept = false;
    EXPECT_FALSE(crawl.start(queue.root(), kRoot));
    EXPECT_FALSE(crawl.running());
    EXPECT_FALSE(crawl.batchOpen());
}

TEST(CategoryCrawl, StoppedCrawlAddsTheRunningPagesResultButQueuesNothingMore)
{
    store::CategoryCrawl crawl;
    Queue queue;
    CategoryTree tree;
    crawl.start(queue.root(), kRoot);
    Page root{{record("http://b/a/", kRoot, "A", 1, 1), record("http://b/b/", kRoot, "B", 1, 1)}};
    crawl.add(root.result(), &tree, queue.enqueue());
    crawl.workerEnded(ended(false)); // the root's worker; "a" starts running

    // Stop while "a" runs: "b" was waiting and is discarded.
    auto status = crawl.stop(1, 0).status;
    EXPECT_EQ(status.panel0, store::kCategoryFetchInterruptedText);
    EXPECT_EQ(status.panel1, std::string("\x8a\xae\x97\xb9")); // 完了
    EXPECT_EQ(status.panel3, "0");
    EXPECT_FALSE(crawl.running());
    EXPECT_TRUE(crawl.batchOpen());

    Page a{{record("http://b/a/x/", "http://b/a/", "X", 1, 1)}};
    auto added = crawl.add(a.result(), &tree, queue.enqueue());
    EXPECT_EQ(added.added, 1);
    EXPECT_TRUE(added.queued.empty());
    auto end = crawl.workerEnded(ended(true));
    EXPECT_TRUE(end.finished);
    EXPECT_TRUE(end.endBatch);
    EXPECT_EQ(queue.urls.size(), 3u);
}

TEST(CategoryCrawl, LateResultOfAnEarlierCrawlIsNotAddedToTheNewTree)
{
    store::CategoryCrawl crawl;
    Queue queue;
    CategoryTree tree;
    crawl.start(queue.root(), kRoot);
    Page root{{record("http://b/a/", kRoot, "A", 1, 1)}};
    crawl.add(root.result(), &tree, queue.enqueue());
    crawl.workerEnded(ended(false)); // "a" runs
    crawl.stop(0, 0);

    // Started again before "a" ended: the tree is cleared, the new root waits behind "a".
    ASSERT_TRUE(crawl.start(queue.root(), kRoot));
    tree.clear();
    Page late{{record("http://b/a/x/", "http://b/a/", "X", 1, 1)}};
    EXPECT_FALSE(crawl.add(late.result(), &tree, queue.enqueue()).taken);
    EXPECT_TRUE(tree.empty());
    EXPECT_FALSE(crawl.workerEnded(ended(false)).finished); // "a" ended; the new root runs

    auto added = crawl.add(root.result(), &tree, queue.enqueue());
    EXPECT_TRUE(added.taken);
    EXPECT_EQ(added.queued, (std::vector<std::string>{"http://b/a/"}));
    EXPECT_EQ(tree.children(nullptr).size(), 1u);
}

TEST(CategoryCrawl, RetriedRequestStaysCountedAcrossARestart)
{
    store::CategoryCrawl crawl;
    Queue queue;
    CategoryTree tree;
    crawl.start(queue.root(), kRoot);
    crawl.requeued();                // the root failed once and was queued again
    crawl.workerEnded(ended(false)); // the failed attempt ended; the retry runs
    crawl.stop(0, 0);
    crawl.start(queue.root(), kRoot);
    Page root{{record("http://b/a/", kRoot, "A", 1, 1)}};
    EXPECT_FALSE(crawl.add(root.result(), &tree, queue.enqueue()).taken); // the old crawl's retry
    crawl.workerEnded(ended(false));
    EXPECT_TRUE(crawl.add(root.result(), &tree, queue.enqueue()).taken);
}

namespace {

// A tree as the user has it from an earlier crawl.
void fillOldTree(CategoryTree &tree)
{
    Node top = tree.addNode(nullptr, "Old", {"http://b/old/", 1});
    tree.addNode(top, "Old board", {"http://b/bbs?action=topics&board=9&sid=9&type=r", 0});
}

} // namespace

TEST(CategoryCrawl, TheOldTreeStaysUntilAPageWithRecordsArrivesAndACrawlOfNothingFails)
{
    store::CategoryCrawl crawl;
    Queue queue;
    CategoryTree tree;
    fillOldTree(tree);
    ASSERT_TRUE(crawl.start(queue.root(), kRoot));
    EXPECT_TRUE(crawl.awaitingFirstPage());

    // An empty page replaces nothing.
    Page empty;
    EXPECT_FALSE(crawl.add(empty.result(), &tree, queue.enqueue()).replacedTree);
    EXPECT_EQ(tree.size(), 2u);

    // The root could not be fetched: its request ends with nothing added.
    auto end = crawl.workerEnded(ended(true));
    EXPECT_TRUE(end.finished);
    EXPECT_TRUE(end.failed);
    EXPECT_FALSE(end.endBatch) << "no batch was begun";
    EXPECT_EQ(tree.size(), 2u);
    EXPECT_TRUE(crawl.siteTreeWritable()) << "the old tree is whole";

    // The next crawl brings the root: the old nodes go, the new ones come, in one batch.
    ASSERT_TRUE(crawl.start(queue.root(), kRoot));
    Page root{{record("http://b/a/", kRoot, "A", 1, 0)}};
    auto added = crawl.add(root.result(), &tree, queue.enqueue());
    EXPECT_TRUE(added.replacedTree);
    EXPECT_FALSE(crawl.awaitingFirstPage());
    EXPECT_TRUE(crawl.batchOpen());
    ASSERT_EQ(tree.size(), 1u);
    EXPECT_EQ(tree.nodeText(tree.children(nullptr)[0]), "A");
    EXPECT_FALSE(crawl.siteTreeWritable()) << "a crawl under way has a partial tree";
    end = crawl.workerEnded(ended(true));
    EXPECT_FALSE(end.failed);
    EXPECT_TRUE(end.endBatch);
    EXPECT_TRUE(crawl.siteTreeWritable());
}

TEST(CategoryCrawl, AStoppedCrawlsTreeIsNeverWrittenUntilACrawlCompletes)
{
    store::CategoryCrawl crawl;
    Queue queue;
    CategoryTree tree;
    fillOldTree(tree);
    crawl.start(queue.root(), kRoot);
    Page root{{record("http://b/a/", kRoot, "A", 1, 1), record("http://b/b/", kRoot, "B", 1, 1)}};
    crawl.add(root.result(), &tree, queue.enqueue());
    crawl.workerEnded(ended(false)); // "a" runs, "b" waits
    auto stopped = crawl.stop(1, 0);
    EXPECT_FALSE(stopped.endBatch) << "the running request ends it";
    EXPECT_FALSE(crawl.siteTreeWritable());
    // The running request's end drains the queue: still the stopped crawl's stump.
    auto end = crawl.workerEnded(ended(true));
    EXPECT_TRUE(end.finished);
    EXPECT_FALSE(end.failed);
    EXPECT_FALSE(crawl.siteTreeWritable());

    // A later crawl that completes makes the tree whole again.
    crawl.start(queue.root(), kRoot);
    crawl.add(root.result(), &tree, nullptr);
    crawl.workerEnded(ended(true));
    EXPECT_TRUE(crawl.siteTreeWritable());
}

TEST(CategoryCrawl, AStopBeforeTheFirstPageKeepsTheOldTreeEvenWhenTheRootStillArrives)
{
    store::CategoryCrawl crawl;
    Queue queue;
    CategoryTree tree;
    fillOldTree(tree);
    crawl.start(queue.root(), kRoot);
    crawl.stop(0, 0); // the root runs
    Page root{{record("http://b/a/", kRoot, "A", 1, 1)}};
    EXPECT_FALSE(crawl.add(root.result(), &tree, queue.enqueue()).taken);
    EXPECT_EQ(tree.size(), 2u);
    crawl.workerEnded(ended(true));
    EXPECT_TRUE(crawl.siteTreeWritable());
}

TEST(CategoryCrawl, AStopWithNothingRunningEndsTheBatchAtOnce)
{
    store::CategoryCrawl crawl;
    Queue queue;
    CategoryTree tree;
    crawl.start(queue.root(), kRoot);
    Page root{{record("http://b/a/", kRoot, "A", 1, 1), record("http://b/b/", kRoot, "B", 1, 1)}};
    crawl.add(root.result(), &tree, queue.enqueue());
    crawl.workerEnded(ended(false)); // the root ended; "a" and "b" wait, none taken yet
    auto stopped = crawl.stop(2, 0);
    EXPECT_TRUE(stopped.endBatch) << "no notice 16 will come";
    EXPECT_FALSE(crawl.batchOpen());
    EXPECT_EQ(stopped.status.panel0, store::kCategoryFetchInterruptedText);
    // A second stop has nothing to end.
    EXPECT_FALSE(crawl.stop(0, 0).endBatch);
}
