// The queued notice channel: one notice at a time on the main thread, each sender waiting for its
// own answer, and a close that releases every waiting sender.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <set>
#include <thread>
#include <vector>

#include "net/notice.h"

using namespace net;
using namespace std::chrono_literals;

namespace {

/// Handles notices whose payload is an int: answers twice its value and records it.
class Doubler : public NoticeHandler {
public:
    int handleNotice(NoticeCode code, const void *payload) override
    {
        EXPECT_EQ(std::this_thread::get_id(), mainThread);
        EXPECT_FALSE(inHandler.exchange(true)) << "two notices handled at once";
        int value = *static_cast<const int *>(payload);
        seen.push_back(value);
        codes.push_back(code);
        if (onNotice)
            onNotice(value);
        inHandler = false;
        return value * 2;
    }
    void handleStatus(StatusEvent event) override { statuses.push_back({event, seen.size()}); }

    std::thread::id mainThread = std::this_thread::get_id();
    std::atomic<bool> inHandler{false};
    std::vector<int> seen;
    std::vector<NoticeCode> codes;
    std::vector<std::pair<StatusEvent, std::size_t>> statuses; ///< event and notices handled before it
    std::function<void(int)> onNotice;
};

} // namespace

TEST(NoticeQueue, TenNoticesWhileTheMainThreadIsBusyAreEachHandledOnceAndAnsweredToTheirSender)
{
    NoticeQueue queue;
    Doubler handler;
    std::atomic<bool> handled[10] = {};
    std::atomic<bool> handledBeforeReturn[10] = {};
    handler.onNotice = [&](int value) { handled[value - 1] = true; };
    std::vector<int> answers(10, -1);
    std::vector<std::thread> senders;
    for (int i = 0; i < 10; ++i)
        senders.emplace_back([&, i] {
            int value = i + 1;
            answers[static_cast<std::size_t>(i)] = queue.send(NoticeCode::MessageParsed, &value);
            // The handler must have run before the sender continued.
            handledBeforeReturn[i] = handled[i].load();
        });
    // Busy: nothing is handled until the main thread comes back to its loop.
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(handler.seen.empty());

    auto deadline = std::chrono::steady_clock::now() + 5s;
    while (handler.seen.size() < 10 && std::chrono::steady_clock::now() < deadline)
        queue.waitAndProcess(handler, 50ms);
    for (auto &t : senders)
        t.join();

    EXPECT_EQ(std::set<int>(handler.seen.begin(), handler.seen.end()).size(), 10u);
    EXPECT_EQ(handler.seen.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(answers[static_cast<std::size_t>(i)], 2 * (i + 1));
        EXPECT_TRUE(handledBeforeReturn[i]);
    }
}

TEST(NoticeQueue, StatusEventsAndNoticesArriveInTheOrderTheyWereQueued)
{
    NoticeQueue queue;
    Doubler handler;
    std::thread worker([&] {
        queue.post(StatusEvent::GeneralWorkerStarted);
        int one = 1;
        queue.send(NoticeCode::MessageParsed, &one);
        queue.post(StatusEvent::CategoryWorkerStarted);
        int two = 2;
        queue.send(NoticeCode::WorkerEnded, &two);
    });
    auto deadline = std::chrono::steady_clock::now() + 5s;
    while (handler.seen.size() < 2 && std::chrono::steady_clock::now() < deadline)
        queue.waitAndProcess(handler, 50ms);
    worker.join();
    ASSERT_EQ(handler.statuses.size(), 2u);
    EXPECT_EQ(handler.statuses[0], std::make_pair(StatusEvent::GeneralWorkerStarted, std::size_t{0}));
    EXPECT_EQ(handler.statuses[1], std::make_pair(StatusEvent::CategoryWorkerStarted, std::size_t{1}));
    EXPECT_EQ(handler.codes, (std::vector<NoticeCode>{NoticeCode::MessageParsed, NoticeCode::WorkerEnded}));
}

TEST(NoticeQueue, CloseAnswersWaitingSendersZeroWithoutHandlingThem)
{
    NoticeQueue queue;
    Doubler handler;
    std::atomic<int> returned{0};
    std::vector<int> answers(3, -1);
    std::vector<std::thread> senders;
    for (int i = 0; i < 3; ++i)
        senders.emplace_back([&, i] {
            int value = 7;
            answers[static_cast<std::size_t>(i)] = queue.send(NoticeCode::RequestFailed, &value);
            ++returned;
        });
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(returned, 0);
    queue.close();
    for (auto &t : senders)
        t.join();
    EXPECT_EQ(answers, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(queue.processPending(handler), 0);
    EXPECT_TRUE(handler.seen.empty());

    // After the close a send returns at once.
    int late = 5;
    auto before = std::chrono::steady_clock::now();
    std::thread([&] { EXPECT_EQ(queue.send(NoticeCode::WorkerEnded, &late), 0); }).join();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
    queue.post(StatusEvent::GeneralWorkerStarted);
    EXPECT_EQ(queue.processPending(handler), 0);
}

TEST(NoticeQueue, CloseFromInsideAHandlerLetsThatNoticeFinishAndReleasesTheRest)
{
    NoticeQueue queue;
    Doubler handler;
    handler.onNotice = [&](int) { queue.close(); };
    int first = 3;
    int answerFirst = -1;
    std::thread sender([&] { answerFirst = queue.send(NoticeCode::MessageParsed, &first); });
    while (handler.seen.empty())
        queue.waitAndProcess(handler, 50ms);
    sender.join();
    EXPECT_EQ(answerFirst, 6);
    EXPECT_TRUE(queue.closed());
}

TEST(NoticeQueue, WakeIsCalledForEveryQueuedItem)
{
    std::atomic<int> wakes{0};
    NoticeQueue queue([&] { ++wakes; });
    Doubler handler;
    std::thread sender([&] {
        queue.post(StatusEvent::GeneralWorkerStarted);
        int v = 1;
        queue.send(NoticeCode::WorkerEnded, &v);
    });
    while (handler.seen.empty())
        queue.waitAndProcess(handler, 50ms);
    sender.join();
    EXPECT_EQ(wakes, 2);
}

TEST(NoticeQueue, AStatusEventStillWaitingAbsorbsAnEqualOne)
{
    NoticeQueue queue;
    Doubler handler;
    std::thread dispatcher([&] {
        queue.post(StatusEvent::GeneralWorkerStarted);
        queue.post(StatusEvent::GeneralWorkerStarted);
        queue.post(StatusEvent::CategoryWorkerStarted);
        int v = 1;
        queue.send(NoticeCode::WorkerEnded, &v);
        // Handled already: a new one is queued again.
        queue.post(StatusEvent::GeneralWorkerStarted);
        queue.send(NoticeCode::WorkerEnded, &v);
    });
    // The main thread is busy until all three events and the first notice are queued.
    std::this_thread::sleep_for(100ms);
    while (handler.seen.size() < 2)
        queue.waitAndProcess(handler, 50ms);
    dispatcher.join();
    ASSERT_EQ(handler.statuses.size(), 3u);
    EXPECT_EQ(handler.statuses[0].first, StatusEvent::GeneralWorkerStarted);
    EXPECT_EQ(handler.statuses[1].first, StatusEvent::CategoryWorkerStarted);
    EXPECT_EQ(handler.statuses[2], std::make_pair(StatusEvent::GeneralWorkerStarted, std::size_t{1}));
}

TEST(NoticeQueue, AnEventIsNotMergedIntoOneBeforeANoticeThatFollowedIt)
{
    // Worker B's end is queued behind worker A's start; worker C then starts. Were C's start
    // folded into A's, the window would handle B's end last and say "done" while C runs.
    std::atomic<int> wakes{0};
    NoticeQueue queue([&] { ++wakes; });
    Doubler handler;
    queue.post(StatusEvent::GeneralWorkerStarted);
    std::thread workerB([&] {
        int v = 1;
        queue.send(NoticeCode::WorkerEnded, &v);
    });
    while (wakes < 2)
        std::this_thread::yield();
    queue.post(StatusEvent::GeneralWorkerStarted);
    while (handler.seen.empty())
        queue.waitAndProcess(handler, 50ms);
    queue.processPending(handler);
    workerB.join();
    ASSERT_EQ(handler.statuses.size(), 2u);
    EXPECT_EQ(handler.statuses[0], std::make_pair(StatusEvent::GeneralWorkerStarted, std::size_t{0}));
    EXPECT_EQ(handler.statuses[1], std::make_pair(StatusEvent::GeneralWorkerStarted, std::size_t{1}));
}

TEST(NoticeQueue, AnEventPostedLaterWaitsForTheNextWakeOrAFlushAndKeepsItsPlace)
{
    std::atomic<int> wakes{0};
    NoticeQueue queue([&] { ++wakes; });
    Doubler handler;

    queue.postLater(StatusEvent::GeneralWorkerStarted);
    EXPECT_EQ(wakes, 0);
    queue.flush();
    EXPECT_EQ(wakes, 1);
    // Owed once only: the wake covers it.
    queue.flush();
    EXPECT_EQ(wakes, 1);
    EXPECT_EQ(queue.processPending(handler), 1);

    // A notice that follows wakes the main thread, which handles the event first; nothing is
    // left to flush afterwards.
    queue.postLater(StatusEvent::GeneralWorkerStarted);
    int value = 4;
    int answer = -1;
    std::thread worker([&] { answer = queue.send(NoticeCode::MessageParsed, &value); });
    while (handler.seen.empty())
        queue.waitAndProcess(handler, 50ms);
    worker.join();
    EXPECT_EQ(answer, 8);
    EXPECT_EQ(wakes, 2);
    ASSERT_EQ(handler.statuses.size(), 2u);
    EXPECT_EQ(handler.statuses[1], std::make_pair(StatusEvent::GeneralWorkerStarted, std::size_t{0}));
    queue.flush();
    EXPECT_EQ(wakes, 2);

    // Taken by a main thread that woke for nothing in particular: no flush either.
    queue.postLater(StatusEvent::CategoryWorkerStarted);
    EXPECT_EQ(queue.processPending(handler), 1);
    queue.flush();
    EXPECT_EQ(wakes, 2);

    queue.close();
    queue.postLater(StatusEvent::GeneralWorkerStarted);
    queue.flush();
    EXPECT_EQ(wakes, 2);
    EXPECT_EQ(queue.processPending(handler), 0);
}

TEST(NoticeQueue, TimesSplitEachSendersWaitIntoTheDelayBeforeItsHandlerAndTheHandlerItself)
{
    std::atomic<int> inQueue{0};
    NoticeQueue queue([&] { ++inQueue; });
    Doubler handler;
    handler.onNotice = [](int) {
        const auto until = std::chrono::steady_clock::now() + 3ms;
        while (std::chrono::steady_clock::now() < until) {
        }
    };
    std::vector<std::thread> senders;
    for (int i = 0; i < 3; ++i)
        senders.emplace_back([&, i] {
            int value = 1;
            queue.send(i == 2 ? NoticeCode::WorkerEnded : NoticeCode::MessageParsed, &value);
        });
    // All three wait in the queue; the main thread stays away 15 ms more before taking them.
    while (inQueue < 3)
        std::this_thread::yield();
    std::this_thread::sleep_for(15ms);
    int handled = 0;
    while (handled < 3)
        handled += queue.waitAndProcess(handler, 50ms);
    for (auto &t : senders)
        t.join();

    const NoticeTimes message = queue.times(NoticeCode::MessageParsed);
    const NoticeTimes ended = queue.times(NoticeCode::WorkerEnded);
    EXPECT_EQ(message.handled, 2u);
    EXPECT_EQ(ended.handled, 1u);
    EXPECT_EQ(queue.times(NoticeCode::RequestFailed).handled, 0u);
    for (const NoticeTimes &t : {message, ended}) {
        EXPECT_GE(t.handling, 3ms * t.handled);
        EXPECT_GE(t.queued, 15ms * t.handled);
        EXPECT_GE(t.waited, t.queued + t.handling);
    }
    // Handled one at a time: the three waited for the handlers before theirs too.
    EXPECT_GE(message.queued + ended.queued, 3 * 15ms + 3 * 3ms);

    // A call released by a close was never handled: it costs nothing here.
    queue.resetTimes();
    EXPECT_EQ(queue.times(NoticeCode::MessageParsed).handled, 0u);
    std::thread late([&] {
        int value = 2;
        queue.send(NoticeCode::MessageParsed, &value);
    });
    while (inQueue < 4)
        std::this_thread::yield();
    queue.close();
    late.join();
    EXPECT_EQ(queue.times(NoticeCode::MessageParsed).handled, 0u);
}
