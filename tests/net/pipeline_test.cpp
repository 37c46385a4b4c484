// The pipeline driven from a test main thread against scripted loopback listeners and the fake
// plug-in: queue order, the worker limit, retries, the category crawl, stopping and shutdown.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <set>

#include "base/text.h"
#include "net/endpoints.h"
#include "net/texts.h"
#include "tests/net/loopback.h"
#include "tests/net/mainthread.h"

using namespace net;
using namespace nettest;
using namespace std::chrono_literals;

namespace {

const char kBoard[] = "http://messages.yahoo.co.jp/";

std::string messageUrl(const std::string &topic, int mid)
{
    return MessageUrl(kBoard, "1834578", topic, mid);
}

std::string topicListUrl(const std::string &board = "1834578")
{
    return TopicListUrl(kBoard, board);
}

/// Answers like a board: a message page names its mid, a topic list two topics.
std::string boardAnswer(const std::string &request)
{
    std::string target = LoopbackServer::targetOf(request);
    if (target.find("action=topics") != std::string::npos)
        return HttpResponse("200 OK", "", "T t1\nT t2\n");
    if (auto mid = base::ExtractUrlParam("mid=", target))
        return HttpResponse("200 OK", "", "M " + *mid + " 100\n");
    return HttpResponse("404 Not Found", "", "");
}

LoopbackServer::Responder board(std::chrono::milliseconds delay = 0ms)
{
    return [delay](Peer &peer, const std::string &request) {
        peer.wait(delay);
        peer.send(boardAnswer(request));
    };
}

std::vector<std::string> targets(const LoopbackServer &server)
{
    std::vector<std::string> list;
    for (const std::string &r : server.requests())
        list.push_back(LoopbackServer::targetOf(r));
    return list;
}

int enqueue(TestMainThread &main, const std::string &url, int kind, const std::string &key = {})
{
    return main.pipeline.EnqueueRequest(main.plugin, url.c_str(), key.empty() ? nullptr : key.c_str(), nullptr, kind,
                                        0, 0);
}

} // namespace

TEST(Pipeline, TopicListGoesBeforeWaitingMessagesAndALaterMessageBehindThem)
{
    LoopbackServer server(board());
    TestMainThread main;
    main.network.threadMax = 0;
    main.useProxy(server.port());

    std::vector<std::string> expected;
    for (int mid = 1; mid <= 50; ++mid)
        ASSERT_EQ(enqueue(main, messageUrl("t1", mid), plugin_api::kMessagePage, messageUrl("t1", 0)), 1);
    ASSERT_EQ(enqueue(main, topicListUrl(), plugin_api::kTopicList), 1);
    ASSERT_EQ(enqueue(main, messageUrl("t1", 51), plugin_api::kMessagePage), 1);
    expected.push_back(topicListUrl());
    for (int mid = 1; mid <= 51; ++mid)
        expected.push_back(messageUrl("t1", mid));
    EXPECT_EQ(main.pipeline.generalQueueUrls(), expected);

    main.network.threadMax = 1;
    main.applyNetwork();
    ASSERT_TRUE(main.runUntilIdle());
    EXPECT_EQ(targets(server), expected);
    EXPECT_EQ(main.count(NoticeCode::TopicListParsed), 1);
    EXPECT_EQ(main.count(NoticeCode::MessageParsed), 51);
    // Every result goes to the key it was queued with.
    EXPECT_EQ(main.seen(NoticeCode::MessageParsed)[0].key, messageUrl("t1", 0));
    EXPECT_EQ(main.seen(NoticeCode::MessageParsed)[0].message.number, 1);
}

TEST(Pipeline, WorkersRunAtTheLowestPriority)
{
    LoopbackServer server(board());
    TestMainThread main;
    main.useProxy(server.port());
    enqueue(main, messageUrl("t1", 1), plugin_api::kMessagePage);
    ASSERT_TRUE(main.runUntilIdle());
    auto messages = main.seen(NoticeCode::MessageParsed);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].message.replyTo, 19);
}

TEST(Pipeline, ThreadMaxOneRunsStrictlyOneRequestAtATime)
{
    LoopbackServer server(board(15ms));
    TestMainThread main;
    main.network.threadMax = 1;
    main.useProxy(server.port());
    for (int mid = 1; mid <= 8; ++mid)
        enqueue(main, messageUrl("t1", mid), plugin_api::kMessagePage);
    ASSERT_TRUE(main.runUntilIdle());
    EXPECT_EQ(server.connections(), 8);
    EXPECT_EQ(server.maxConcurrent(), 1);
    EXPECT_EQ(main.maxProgress, 1);
}

TEST(Pipeline, ThreadMaxThreeRunsUpToThreeAtOnce)
{
    LoopbackServer server(board(150ms));
    TestMainThread main;
    main.network.threadMax = 3;
    main.useProxy(server.port());
    for (int mid = 1; mid <= 9; ++mid)
        enqueue(main, messageUrl("t1", mid), plugin_api::kMessagePage);
    ASSERT_TRUE(main.runUntilIdle());
    EXPECT_EQ(server.connections(), 9);
    EXPECT_GE(server.maxConcurrent(), 2);
    EXPECT_LE(server.maxConcurrent(), 3);
    EXPECT_LE(main.maxProgress, 3);
}

TEST(Pipeline, ThreadMaxZeroRunsNothingAndShutdownFreesWhatWaits)
{
    LoopbackServer server(board());
    auto main = std::make_unique<TestMainThread>();
    main->network.threadMax = 0;
    main->useProxy(server.port());
    for (int mid = 1; mid <= 3; ++mid)
        enqueue(*main, messageUrl("t1", mid), plugin_api::kMessagePage);
    enqueue(*main, topicListUrl(), plugin_api::kTopicList);
    enqueue(*main, std::string(kBoard) + "dir/", plugin_api::kCategoryPage);
    main->runFor(300ms);
    EXPECT_EQ(server.connections(), 0);
    EXPECT_EQ(main->pipeline.waitingGeneral(), 4u);
    // The sanitizer run reports any request left unfreed.
    main->pipeline.shutdown();
    EXPECT_EQ(main->pipeline.waitingGeneral(), 0u);
    EXPECT_EQ(main->pipeline.waitingCategory(), 0u);
    EXPECT_EQ(main->pipeline.EnqueueRequest(nullptr, "http://a.b/c", nullptr, nullptr, 3, 0, 0), 0);
}

TEST(Pipeline, RetryZeroGivesUpAtTheFirstFailureWithTheFailureMessage)
{
    LoopbackServer server([](Peer &peer, const std::string &) { peer.waitForClose(2s); });
    TestMainThread main;
    main.network.retry = 0;
    main.useProxy(server.port(), 100);
    enqueue(main, messageUrl("t1", 17), plugin_api::kMessagePage, messageUrl("t1", 0));
    ASSERT_TRUE(main.runUntilIdle());
    EXPECT_EQ(server.connections(), 1);
    EXPECT_EQ(main.count(NoticeCode::RequestFailed), 1);
    EXPECT_EQ(main.count(NoticeCode::WorkerEnded), 1);
    auto messages = main.seen(NoticeCode::MessageParsed);
    ASSERT_EQ(messages.size(), 1u);
    const MessageRecord &m = messages[0].message;
    EXPECT_STREQ(m.author, "System");
    EXPECT_STREQ(m.title, kRetryErrorText);
    EXPECT_STREQ(m.text, kReceiveFailedText);
    EXPECT_STREQ(m.date, "0000/00/00");
    EXPECT_STREQ(m.time, "00:00");
    EXPECT_EQ(m.number, 17);
    EXPECT_EQ(m.lastNumber, 17);
    EXPECT_EQ(m.replyTo, 0);
    EXPECT_EQ(messages[0].key, messageUrl("t1", 0));
    EXPECT_TRUE(messages[0].givenUp) << "the window must tell it from a page the board sent";
}

TEST(Pipeline, MessagePageCutOffBeforeItsHeaderEndsIsRetriedAndThenDelivered)
{
    std::atomic<int> answered{0};
    LoopbackServer server([&](Peer &peer, const std::string &request) {
        if (answered++ == 0)
            peer.send("HTTP/1.0 200 OK\r\nConte");
        else
            peer.send(boardAnswer(request));
    });
    TestMainThread main;
    main.network.retry = 1;
    main.useProxy(server.port());
    enqueue(main, messageUrl("t1", 5), plugin_api::kMessagePage);
    ASSERT_TRUE(main.runUntilIdle());
    EXPECT_EQ(server.connections(), 2);
    EXPECT_EQ(main.count(NoticeCode::RequestFailed), 1);
    auto messages = main.seen(NoticeCode::MessageParsed);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].message.number, 5);
    EXPECT_FALSE(messages[0].givenUp);
}

TEST(Pipeline, MessagePageWithoutAMessageIsRetriedAndThenGivenUp)
{
    // An error status or a page broken off in its body: nothing the plug-in reads as a message.
    // The first answer for message 5 is an error status, the first for 6 a page without it.
    std::atomic<int> answered5{0}, answered6{0};
    LoopbackServer server([&](Peer &peer, const std::string &request) {
        const std::string mid = base::ExtractUrlParam("mid=", LoopbackServer::targetOf(request)).value_or("");
        if (mid == "5" && answered5++ == 0)
            peer.send(HttpResponse("503 Service Unavailable", "", "busy"));
        else if (mid == "6" && answered6++ == 0)
            peer.send(HttpResponse("200 OK", "", "X garbled\n"));
        else
            peer.send(boardAnswer(request));
    });
    TestMainThread main;
    main.network.retry = 1;
    main.useProxy(server.port());
    enqueue(main, messageUrl("t1", 5), plugin_api::kMessagePage, messageUrl("t1", 0));
    enqueue(main, messageUrl("t1", 6), plugin_api::kMessagePage, messageUrl("t1", 0));
    ASSERT_TRUE(main.runUntilIdle());
    EXPECT_EQ(main.count(NoticeCode::RequestFailed), 2);
    auto messages = main.seen(NoticeCode::MessageParsed);
    ASSERT_EQ(messages.size(), 2u) << "an answer for each message asked for";
    for (const SeenNotice &m : messages)
        EXPECT_FALSE(m.givenUp) << "the retry brought message " << m.message.number;
    EXPECT_EQ(main.pipeline.runningCount(), 0u);

    // Without retries the page is given up at once, told apart from a page the board sent.
    LoopbackServer broken([](Peer &peer, const std::string &) { peer.send(HttpResponse("200 OK", "", "")); });
    TestMainThread second;
    second.network.retry = 0;
    second.useProxy(broken.port());
    enqueue(second, messageUrl("t1", 9), plugin_api::kMessagePage, messageUrl("t1", 0));
    ASSERT_TRUE(second.runUntilIdle());
    EXPECT_EQ(broken.connections(), 1);
    auto given = second.seen(NoticeCode::MessageParsed);
    ASSERT_EQ(given.size(), 1u);
    EXPECT_TRUE(given[0].givenUp);
    EXPECT_EQ(given[0].message.number, 9);
}

TEST(Pipeline, RetryThreeSendsTheRequestFourTimes)
{
    LoopbackServer server([](Peer &peer, const std::string &) { peer.waitForClose(2s); });
    TestMainThread main;
    main.network.retry = 3;
    main.useProxy(server.port(), 80);
    enqueue(main, messageUrl("t1", 2), plugin_api::kMessagePage);
    ASSERT_TRUE(main.runUntilIdle());
    EXPECT_EQ(server.connections(), 4);
    auto failures = main.seen(NoticeCode::RequestFailed);
    ASSERT_EQ(failures.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(failures[static_cast<std::size_t>(i)].value, i) << "retry count of attempt " << i;
    EXPECT_EQ(main.count(NoticeCode::MessageParsed), 1);
    EXPECT_EQ(main.count(NoticeCode::WorkerEnded), 4);
}

TEST(Pipeline, TopicListThatKeepsFailingCaptionsItsTabRetryError)
{
    TestMainThread main;
    main.network.retry = 2;
    main.useProxy(RefusingPort(), 500);
    enqueue(main, topicListUrl(), plugin_api::kTopicList);
    ASSERT_TRUE(main.runUntilIdle());
    EXPECT_EQ(main.count(NoticeCode::RequestFailed), 3);
    EXPECT_EQ(main.captions[topicListUrl()], kRetryErrorText);
    EXPECT_EQ(main.count(NoticeCode::TopicListParsed), 0);
}

TEST(Pipeline, TopicListErrorPageIsRetriedAndThenCaptionsRetryErrorButAnEmptyBoardIsNot)
{
    std::atomic<int> answered{0};
    LoopbackServer server([&](Peer &peer, const std::string &request) {
        if (answered++ == 0)
            peer.send(HttpResponse("503 Service Unavailable", "", "busy"));
        else
            peer.send(boardAnswer(request));
    });
    TestMainThread main;
    main.network.retry = 1;
    main.useProxy(server.port());
    enqueue(main, topicListUrl(), plugin_api::kTopicList);
    ASSERT_TRUE(main.runUntilIdle());
    EXPECT_EQ(server.connections(), 2);
    EXPECT_EQ(main.count(NoticeCode::TopicListParsed), 1) << "the retry brought the list";
    EXPECT_EQ(main.captions.count(topicListUrl()), 0u);

    LoopbackServer failing([](Peer &peer, const std::string &) {
        peer.send(HttpResponse("500 Internal Server Error", "", "<html>"));
    });
    TestMainThread second;
    second.network.retry = 1;
    second.useProxy(failing.port());
    enqueue(second, topicListUrl(), plugin_api::kTopicList);
    ASSERT_TRUE(second.runUntilIdle());
    EXPECT_EQ(failing.connections(), 2);
    EXPECT_EQ(second.captions[topicListUrl()], kRetryErrorText) << "the tab learns that no list comes";
    EXPECT_EQ(second.count(NoticeCode::TopicListParsed), 0);

    // A board that has no topics answers in full: an empty list for the tab, nothing asked again.
    LoopbackServer empty([](Peer &peer, const std::string &) { peer.send(HttpResponse("200 OK", "", "<html>")); });
    TestMainThread third;
    third.network.retry = 1;
    third.useProxy(empty.port());
    enqueue(third, topicListUrl(), plugin_api::kTopicList);
    ASSERT_TRUE(third.runUntilIdle());
    EXPECT_EQ(empty.connections(), 1);
    EXPECT_EQ(third.captions.count(topicListUrl()), 0u);
    EXPECT_EQ(third.count(NoticeCode::TopicListParsed), 1) << "the tab waiting for the list must hear of it";
}

TEST(Pipeline, RunningCountReturnsToZeroAfterAnyMixOfFailures)
{
    // Per message number: answer, stay silent, close at once, or send a broken header.
    LoopbackServer server([](Peer &peer, const std::string &request) {
        int mid = base::ParseInt(base::ExtractUrlParam("mid=", LoopbackServer::targetOf(request)).value_or(""), 0);
        switch (mid % 4) {
        case 0:
            peer.send(boardAnswer(request));
            break;
        case 1:
            peer.waitForClose(1s);
            break;
        case 2:
            break;
        default:
            peer.send("garbage");
            break;
        }
    });
    TestMainThread main;
    main.network.threadMax = 3;
    main.network.retry = 1;
    main.useProxy(server.port(), 100);
    for (int mid = 0; mid < 12; ++mid)
        enqueue(main, messageUrl("t1", mid), plugin_api::kMessagePage);
    enqueue(main, topicListUrl(), plugin_api::kTopicList);
    ASSERT_TRUE(main.runUntilIdle());
    EXPECT_EQ(main.pipeline.runningCount(), 0u);
    EXPECT_EQ(main.progress, 0);
    EXPECT_EQ(main.panel3, "0");
    EXPECT_EQ(main.panel1, kDoneText);
    // The silent ones, those closed at once and those cut off in the header failed (and were
    // retried once): 9 of them, each twice.
    EXPECT_EQ(main.count(NoticeCode::RequestFailed), 18);
    EXPECT_EQ(main.count(NoticeCode::WorkerEnded), server.connections());
    EXPECT_EQ(server.connections(), 13 + 9);
}

TEST(Pipeline, DoneIsShownOnlyWhenTheLastWorkerEndsWithAnEmptyQueue)
{
    LoopbackServer server(board());
    TestMainThread main;
    main.network.threadMax = 1;
    main.useProxy(server.port());
    for (int mid = 1; mid <= 3; ++mid)
        enqueue(main, messageUrl("t1", mid), plugin_api::kMessagePage);
    ASSERT_TRUE(main.runUntilIdle());
    EXPECT_EQ(main.panel1AtWorkerEnd,
              (std::vector<std::string>{kCommunicatingText, kCommunicatingText, kDoneText}));
}

TEST(Pipeline, RejectedMessageIsFetchedAgainWithItsRefetchCountRaised)
{
    LoopbackServer server(board());
    TestMainThread main;
    main.useProxy(server.port());
    int rejections = 0;
    main.onMessage = [&](const MessageRecord &m, const PageResult &page) {
        if (m.number == 5 && page.value == 0) {
            ++rejections;
            return -1;
        }
        return 0;
    };
    enqueue(main, messageUrl("t1", 5), plugin_api::kMessagePage, "topic-key");
    enqueue(main, messageUrl("t1", 6), plugin_api::kMessagePage, "topic-key");
    ASSERT_TRUE(main.runUntilIdle());
    EXPECT_EQ(rejections, 1);
    EXPECT_EQ(main.count(NoticeCode::MessageRejected), 1);
    auto messages = main.seen(NoticeCode::MessageParsed);
    ASSERT_EQ(messages.size(), 3u);
    auto again = std::find_if(messages.begin(), messages.end(),
                              [](const SeenNotice &n) { return n.message.number == 5 && n.value == 1; });
    ASSERT_NE(again, messages.end());
    EXPECT_EQ(again->key, "topic-key");
    // The re-fetch came after the rejection.
    auto first =
        std::find_if(messages.begin(), messages.end(), [](const SeenNotice &n) { return n.message.number == 5; });
    EXPECT_LT(first, again);
    EXPECT_EQ(server.connections(), 3);
}

TEST(Pipeline, CategoryQueueRunsOnePageAtATimeAndARetryWaitsAtTheTail)
{
    const std::string root = std::string(kBoard) + "index.html";
    auto dir = [](const std::string &name) { return std::string(kBoard) + "dir/" + name + "/"; };
    std::map<std::string, std::string> pages = {
        {root, "C " + dir("c1") + "\nC " + dir("c2") + "\nC " + dir("c3") + "\n"},
        {dir("c1") + "index.html", "C " + dir("c11") + "\n"},
    };
    std::mutex lock;
    std::map<std::string, int> hits;
    LoopbackServer server([&](Peer &peer, const std::string &request) {
        std::string target = LoopbackServer::targetOf(request);
        int hit = 0;
        {
            std::lock_guard guard(lock);
            hit = ++hits[target];
        }
        // c1 fails its first time.
        if (target == dir("c1") + "index.html" && hit == 1) {
            peer.waitForClose(1s);
            return;
        }
        peer.wait(20ms);
        auto page = pages.find(target);
        peer.send(HttpResponse("200 OK", "", page == pages.end() ? "" : page->second));
    });

    TestMainThread main;
    main.network.retry = 1;
    main.useProxy(server.port(), 150);
    main.onCategories = [&](const CategoryResult &result) {
        for (int i = 0; i < result.count; ++i)
            main.pipeline.EnqueueRequest(result.plugin, result.records[i].url, nullptr, nullptr,
                                         plugin_api::kCategoryPage, 0, 0);
    };
    ASSERT_EQ(main.pipeline.EnqueueRequest(main.plugin, nullptr, nullptr, nullptr, plugin_api::kCategoryPage, 0, 0), 1);
    main.pipeline.wakeCategoryQueue();
    ASSERT_TRUE(main.runUntil([&] { return main.crawlsFinished > 0 && main.idle(); }));

    EXPECT_EQ(targets(server), (std::vector<std::string>{root, dir("c1") + "index.html", dir("c2") + "index.html",
                                                         dir("c3") + "index.html", dir("c1") + "index.html",
                                                         dir("c11") + "index.html"}));
    EXPECT_EQ(main.maxCategoryInFlight, 1);
    EXPECT_EQ(main.categoryInFlight, 0);
    EXPECT_EQ(main.crawlsFinished, 1);
    EXPECT_EQ(main.panel0, kCategoryFinishedText);
    EXPECT_EQ(main.panel1, kDoneText);
    // No notice 16 after the failed attempt that was retried.
    EXPECT_EQ(main.count(NoticeCode::CategoryWorkerEnded), 5);
    EXPECT_EQ(main.count(NoticeCode::CategoryParsed), 2);
}

TEST(Pipeline, ThrStopRemovesExactlyTheWaitingRequestsOfOneTopic)
{
    TestMainThread main;
    main.network.threadMax = 0;
    main.applyNetwork();
    auto add = [&](const std::string &topic, int from, int to) {
        for (int mid = from; mid <= to; ++mid)
            enqueue(main, messageUrl(topic, mid), plugin_api::kMessagePage);
    };
    add("5", 1, 10);
    add("55", 1, 3);
    add("5", 11, 30);
    add("55", 4, 5);
    enqueue(main, topicListUrl(), plugin_api::kTopicList);

    int removed = main.pipeline.removeQueuedRequests(TopicRequestPrefix(kBoard, messageUrl("5", 0)));
    EXPECT_EQ(removed, 30);
    std::vector<std::string> left = {topicListUrl()};
    for (int mid = 1; mid <= 5; ++mid)
        left.push_back(messageUrl("55", mid));
    EXPECT_EQ(main.pipeline.generalQueueUrls(), left);
    EXPECT_EQ(main.pipeline.clearCategoryQueue(), 0);
}

TEST(Pipeline, EnqueueRequestRefusesWhatItCannotQueue)
{
    TestMainThread main;
    main.network.threadMax = 0;
    main.applyNetwork();
    // A category request without URL takes the plug-in's base URL; other kinds need one.
    EXPECT_EQ(main.pipeline.EnqueueRequest(main.plugin, nullptr, nullptr, nullptr, plugin_api::kCategoryPage, 0, 0), 1);
    EXPECT_EQ(main.pipeline.EnqueueRequest(main.plugin, nullptr, nullptr, nullptr, plugin_api::kTopicList, 0, 0), 0);
    EXPECT_EQ(main.pipeline.EnqueueRequest(nullptr, nullptr, nullptr, nullptr, plugin_api::kCategoryPage, 0, 0), 0);
    EXPECT_EQ(main.pipeline.waitingCategory(), 1u);

    std::string tooLong = "http://a.b/" + std::string(250, 'x');
    EXPECT_EQ(enqueue(main, tooLong, plugin_api::kMessagePage), 0);
    EXPECT_EQ(enqueue(main, messageUrl("t", 1), plugin_api::kMessagePage, std::string(256, 'k')), 0);
    EXPECT_EQ(enqueue(main, messageUrl("t", 1), 0), 0);
    EXPECT_EQ(enqueue(main, messageUrl("t", 1), 8), 0);
    EXPECT_EQ(main.pipeline.waitingGeneral(), 0u);
}

TEST(Pipeline, ShutdownReleasesAWorkerBlockedInANoticeAndFreesTheQueue)
{
    LoopbackServer server(board());
    auto main = std::make_unique<TestMainThread>();
    main->network.threadMax = 1;
    main->useProxy(server.port());
    for (int mid = 1; mid <= 5; ++mid)
        enqueue(*main, messageUrl("t1", mid), plugin_api::kMessagePage);
    // The main thread handles nothing, so the first worker waits in its notice 7.
    ASSERT_TRUE(server.waitForRequests(1, 5s));
    std::this_thread::sleep_for(100ms);
    auto start = std::chrono::steady_clock::now();
    main->pipeline.shutdown();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_TRUE(main->pipeline.waitForWorkers(5s));
    EXPECT_TRUE(main->notices.empty());
    EXPECT_EQ(server.connections(), 1);
}

TEST(Pipeline, ThreadThatCannotBeStartedIsTriedAgainFromTheTail)
{
    LoopbackServer server(board());
    std::atomic<int> refusals{1};
    PipelineOptions options;
    options.startThread = [&](std::function<void()> work) {
        if (refusals-- > 0)
            return false;
        std::thread(std::move(work)).detach();
        return true;
    };
    TestMainThread main(options);
    main.network.threadMax = 0;
    main.useProxy(server.port());
    enqueue(main, messageUrl("t1", 1), plugin_api::kMessagePage);
    enqueue(main, messageUrl("t1", 2), plugin_api::kMessagePage);
    main.network.threadMax = 1;
    main.applyNetwork();
    ASSERT_TRUE(main.runUntilIdle());
    EXPECT_EQ(targets(server), (std::vector<std::string>{messageUrl("t1", 2), messageUrl("t1", 1)}));
}

namespace {

/// A main thread that runs only when the queue wakes it, as a window's event loop does.
class WokenMainThread final : public NoticeHandler {
public:
    explicit WokenMainThread(Pipeline *&pipeline) : m_pipeline(pipeline) {}

    int handleNotice(NoticeCode code, const void *) override
    {
        codes.push_back(code);
        if (code == NoticeCode::WorkerEnded)
            m_pipeline->handleWorkerEnded();
        return 0;
    }
    void handleStatus(StatusEvent event) override
    {
        if (event == StatusEvent::GeneralWorkerStarted && codes.empty())
            statusBeforeAnyNotice = std::chrono::steady_clock::now();
    }

    std::vector<NoticeCode> codes;
    std::optional<std::chrono::steady_clock::time_point> statusBeforeAnyNotice;

private:
    Pipeline *&m_pipeline;
};

} // namespace

TEST(Pipeline, TheStatusOfAStartedWorkerReachesAMainThreadThatNothingElseWakes)
{
    // The answer comes late, so only the dispatcher's own status can wake the main thread early.
    LoopbackServer server(board(600ms));
    std::mutex lock;
    std::condition_variable woken;
    int wakes = 0;
    auto queue = std::make_shared<NoticeQueue>([&] {
        std::lock_guard guard(lock);
        ++wakes;
        woken.notify_one();
    });
    Pipeline *pipelinePtr = nullptr;
    WokenMainThread main(pipelinePtr);
    Pipeline pipeline(queue);
    pipelinePtr = &pipeline;
    settings::NetworkSettings network;
    network.proxy = true;
    network.proxyServer = "127.0.0.1";
    network.proxyPort = server.port();
    network.timeout = 5000;
    pipeline.setNetworkSettings(network);
    pipeline.setEndpoints(settings::EndpointSettings{});
    pipeline.setPlugin(FakePlugin());
    ASSERT_TRUE(pipeline.start());

    auto queued = std::chrono::steady_clock::now();
    ASSERT_EQ(pipeline.EnqueueRequest(FakePlugin(), messageUrl("t1", 1).c_str(), nullptr, nullptr,
                                      plugin_api::kMessagePage, 0, 0),
              1);
    auto deadline = queued + 5s;
    while (std::count(main.codes.begin(), main.codes.end(), NoticeCode::WorkerEnded) == 0 &&
           std::chrono::steady_clock::now() < deadline) {
        {
            std::unique_lock guard(lock);
            woken.wait_until(guard, deadline, [&] { return wakes > 0; });
            wakes = 0;
        }
        queue->processPending(main);
    }
    pipeline.shutdown();
    EXPECT_TRUE(pipeline.waitForWorkers(5s));
    ASSERT_TRUE(main.statusBeforeAnyNotice.has_value()) << "the status came only with the worker's notices";
    EXPECT_LT(*main.statusBeforeAnyNotice - queued, 400ms);
    EXPECT_EQ(main.codes, (std::vector<NoticeCode>{NoticeCode::MessageParsed, NoticeCode::WorkerEnded}));
}
