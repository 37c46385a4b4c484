// The test main thread's notice handler: the pipeline's own helpers for the codes it owns, and
// records of everything else.
#include "tests/net/mainthread.h"

#include <gtest/gtest.h>

#include "net/texts.h"
#include "plugin_api/loader.h"

namespace nettest {

using net::NoticeCode;

void *FakePlugin()
{
#ifdef NK_FAKE_PLUGIN_PATH
    static void *module = plugin_api::LoadPlugin(NK_FAKE_PLUGIN_PATH, 0);
    return module;
#else
    return nullptr;
#endif
}

TestMainThread::TestMainThread(net::PipelineOptions options)
    : queue(std::make_shared<net::NoticeQueue>()), pipeline(queue, std::move(options))
{
    plugin = FakePlugin();
    pipeline.setPlugin(plugin);
    pipeline.setEndpoints(settings::EndpointSettings{});
    EXPECT_TRUE(pipeline.start());
}

TestMainThread::~TestMainThread()
{
    pipeline.shutdown();
    EXPECT_TRUE(pipeline.waitForWorkers(std::chrono::seconds(10))) << "a worker did not end";
}

void TestMainThread::usePlugin(void *module)
{
    plugin = module;
    pipeline.setPlugin(module);
}

void TestMainThread::useProxy(int port, int timeout)
{
    network.proxy = true;
    network.proxyServer = "127.0.0.1";
    network.proxyPort = port;
    network.timeout = timeout;
    applyNetwork();
}

void TestMainThread::applyNetwork()
{
    pipeline.setNetworkSettings(network);
}

bool TestMainThread::runUntil(const std::function<bool()> &done, std::chrono::milliseconds timeout)
{
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        queue->waitAndProcess(*this, std::chrono::milliseconds(20));
    }
    return true;
}

void TestMainThread::runFor(std::chrono::milliseconds duration)
{
    auto until = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < until)
        queue->waitAndProcess(*this, std::chrono::milliseconds(10));
}

bool TestMainThread::idle() const
{
    return pipeline.waitingGeneral() == 0 && pipeline.waitingCategory() == 0 && pipeline.runningCount() == 0 &&
           pipeline.waitForWorkers(std::chrono::milliseconds(0));
}

bool TestMainThread::runUntilIdle(std::chrono::milliseconds timeout)
{
    return runUntil([&] { return idle(); }, timeout);
}

int TestMainThread::count(NoticeCode code) const
{
    return static_cast<int>(seen(code).size());
}

std::vector<SeenNotice> TestMainThread::seen(NoticeCode code) const
{
    std::vector<SeenNotice> list;
    for (const SeenNotice &n : notices)
        if (n.code == code)
            list.push_back(n);
    return list;
}

void TestMainThread::apply(const net::StatusChange &change)
{
    if (change.panel0)
        panel0 = *change.panel0;
    if (change.panel1)
        panel1 = *change.panel1;
    if (change.panel3)
        panel3 = *change.panel3;
    if (change.progress) {
        progress = *change.progress;
        maxProgress = std::max(maxProgress, progress);
    }
}

void TestMainThread::handleStatus(net::StatusEvent event)
{
    if (event == net::StatusEvent::CategoryWorkerStarted)
        maxCategoryInFlight = std::max(maxCategoryInFlight, ++categoryInFlight);
    apply(pipeline.dispatcherStatus(event));
}

int TestMainThread::handleNotice(NoticeCode code, const void *payload)
{
    SeenNotice n{code, {}, {}, 0, {}, false, {}, {}, {}, std::chrono::steady_clock::now()};
    auto page = static_cast<const net::PageResult *>(payload);
    auto request = static_cast<const FetchRequest *>(payload);
    int answer = 0;
    switch (code) {
    case NoticeCode::CategoryParsed: {
        auto result = static_cast<const net::CategoryResult *>(payload);
        for (int i = 0; i < result->count; ++i)
            n.names.emplace_back(result->records[i].url);
        if (onCategories)
            onCategories(*result);
        break;
    }
    case NoticeCode::RequestFailed: {
        n.url = request->url;
        n.value = request->retryCount;
        net::RetryOutcome outcome = pipeline.handleRequestFailed(*request);
        if (!outcome.retryErrorListUrl.empty())
            captions[outcome.retryErrorListUrl] = net::kRetryErrorText;
        answer = outcome.answer;
        if (request->kind == plugin_api::kCategoryPage && answer != 0)
            --categoryInFlight;
        break;
    }
    case NoticeCode::WorkerEnded:
        apply(pipeline.handleWorkerEnded());
        panel1AtWorkerEnd.push_back(panel1);
        break;
    case NoticeCode::TopicListParsed: {
        n.url = page->url;
        n.value = page->value;
        auto records = static_cast<const TopicRecord *>(page->result);
        for (int i = 0; i < page->value; ++i)
            n.names.emplace_back(records[i].topicId);
        break;
    }
    case NoticeCode::MessageParsed:
        n.url = page->url;
        n.key = page->key;
        n.value = page->value;
        n.message = *static_cast<const MessageRecord *>(page->result);
        n.givenUp = page->givenUp != 0;
        if (onMessage)
            answer = onMessage(n.message, *page);
        break;
    case NoticeCode::LoginStatus: {
        n.text = static_cast<const char *>(payload);
        apply(pipeline.handleLoginStatus(static_cast<const char *>(payload)).status);
        break;
    }
    case NoticeCode::PostFormParsed: {
        n.url = page->url;
        n.key = page->key;
        n.value = page->value;
        auto texts = static_cast<char *const *>(page->result);
        for (int i = 0; i < page->value; ++i)
            n.names.emplace_back(texts[i]);
        break;
    }
    case NoticeCode::PostFormEmpty:
        n.url = page->url;
        break;
    case NoticeCode::PostFormRedirected:
        panel0 = net::kNotLoggedInText;
        break;
    case NoticeCode::PostAnswered:
        n.url = page->url;
        n.key = page->key;
        if (page->result)
            n.location = static_cast<const char *>(page->result);
        break;
    case NoticeCode::MessageRejected:
        n.url = request->url;
        answer = pipeline.handleMessageRejected(*request);
        break;
    case NoticeCode::CategoryWorkerEnded: {
        --categoryInFlight;
        net::CategoryEndOutcome outcome = pipeline.handleCategoryWorkerEnded();
        apply(outcome.status);
        if (outcome.crawlFinished)
            ++crawlsFinished;
        break;
    }
    }
    notices.push_back(std::move(n));
    return answer;
}

} // namespace nettest
