// The notice channel: how fetch workers hand their results to the main thread and wait for the
// answer, and the payloads they hand over.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "plugin_api/records.h"

namespace net {

/// What a notice reports. The numbers are the codes the main window's HandleNotice dispatches on;
/// 2, 6, 8 and 9 are unused.
enum class NoticeCode : int {
    CategoryParsed = 1,      ///< payload CategoryResult
    RequestFailed = 3,       ///< payload the FetchRequest; answer 1 when a retry was queued
    WorkerEnded = 4,         ///< no payload; a general-queue worker released its place
    TopicListParsed = 5,     ///< payload PageResult (TopicRecord array, count)
    MessageParsed = 7,       ///< payload PageResult (one MessageRecord, re-fetch count); answer -1 rejects
    LoginStatus = 10,        ///< payload a zero-terminated text: "LOGIN", "LOGIN_ERR", "LOGOUT" or a cookie
    PostFormParsed = 11,     ///< payload PageResult (array of ten text pointers, count)
    PostFormEmpty = 12,      ///< payload PageResult (URL only)
    PostFormRedirected = 13, ///< no payload; the user is not logged in
    PostAnswered = 14,       ///< payload PageResult (location text or null, URL, key)
    MessageRejected = 15,    ///< payload the FetchRequest; the main window queues a re-fetch
    CategoryWorkerEnded = 16 ///< no payload; the category worker ended
};

/// Payload of notice 1.
struct CategoryResult {
    void *plugin;            ///< the plug-in the category request named
    CategoryRecord *records; ///< the category result buffer
    std::int32_t count;
};

/// Payload of notices 5, 7, 11, 12 and 14; also built by the local readers of stored topic lists.
struct PageResult {
    void *plugin;       ///< from the request; may be null
    const void *result; ///< TopicRecord[], MessageRecord, char *[10], nothing, or the location text
    char url[256];      ///< the request's completed URL
    char key[256];      ///< the request's key (empty for notices 5 and 12)
    std::uint8_t fromLocal;
    /// Notice 7 only: the request was given up (its retries used up, or none could be queued)
    /// and result is the failure message standing in for the page that never came.
    std::uint8_t givenUp;
    std::int32_t value; ///< record count (5, 11) or the request's re-fetch count (7)
};

/// A PageResult for request: its plugin, URL and (when withKey) key, and result; value 0.
PageResult MakePageResult(const FetchRequest &request, const void *result, bool withKey = true);

/// Status-bar events the dispatchers post without waiting; the main thread turns each into the
/// texts of Pipeline::dispatcherStatus.
enum class StatusEvent {
    GeneralWorkerStarted,
    CategoryWorkerStarted,
};

/// The channel the pipeline uses to reach the main thread. The main window implements it (or
/// wraps a NoticeQueue); tests implement it with a loop on the test thread.
class NoticeChannel {
public:
    virtual ~NoticeChannel() = default;

    /// Worker threads only. Runs the main thread's handler for the notice and returns its answer;
    /// blocks until then, which keeps payload valid for the whole handling. Notices are handled
    /// one at a time. Once close() has begun, returns 0 at once without running any handler.
    virtual int send(NoticeCode code, const void *payload) = 0;

    /// Dispatcher threads. Queues a status event for the main thread and returns at once. Events
    /// and notices reach the main thread in the order they were posted and sent; an event equal
    /// to one still waiting may be merged into it. Ignored after close().
    virtual void post(StatusEvent event) = 0;

    /// Dispatcher threads. As post, but the main thread need not be woken for this event alone:
    /// it is handled when the main thread next wakes for anything, and the poster calls flush()
    /// if nothing else may come soon. Saves a wake per started worker while notices keep coming.
    /// By default the same as post.
    virtual void postLater(StatusEvent event) { post(event); }

    /// Dispatcher threads. Wakes the main thread if an event of postLater still waits unseen.
    virtual void flush() {}

    /// Main thread, at shutdown. Every send still waiting is answered 0 without being handled,
    /// and every later send returns 0 at once; a notice whose handler is running finishes
    /// normally. Never waits for a worker.
    virtual void close() = 0;
};

/// The main thread's side of a NoticeQueue.
class NoticeHandler {
public:
    virtual ~NoticeHandler() = default;
    virtual int handleNotice(NoticeCode code, const void *payload) = 0;
    virtual void handleStatus(StatusEvent event) = 0;
};

/// What the notices of one code cost their senders, summed over the sends handled: from the send
/// to the handler's start (the main thread's delay in taking it), the handler itself, and the
/// whole wait until the sender ran again.
struct NoticeTimes {
    std::uint64_t handled = 0;
    std::chrono::nanoseconds queued{0};
    std::chrono::nanoseconds handling{0};
    std::chrono::nanoseconds waited{0};
};

/// A NoticeChannel that keeps sent notices and posted events in one FIFO until the main thread
/// takes them. `wake` is called on the sending thread whenever something is queued, with the
/// queue's lock held so that no call can follow close(): it must only schedule work (a Qt window
/// queues a call of processPending on its own thread) and never call back into the queue. A plain
/// loop passes nothing and uses waitAndProcess.
class NoticeQueue final : public NoticeChannel {
public:
    /// Constructed on the main thread, which is the only thread that may process or close it.
    explicit NoticeQueue(std::function<void()> wake = {});
    ~NoticeQueue() override;

    NoticeQueue(const NoticeQueue &) = delete;
    NoticeQueue &operator=(const NoticeQueue &) = delete;

    int send(NoticeCode code, const void *payload) override;
    void post(StatusEvent event) override;
    void postLater(StatusEvent event) override;
    void flush() override;
    void close() override;

    /// Main thread. Handles everything queued now, one item at a time in arrival order, and
    /// returns how many items were handled. Items that arrive meanwhile are handled too.
    int processPending(NoticeHandler &handler);

    /// Main thread. Waits up to timeout for at least one item, then handles what is queued.
    int waitAndProcess(NoticeHandler &handler, std::chrono::milliseconds timeout);

    /// True once close() has begun.
    bool closed() const;

    /// The costs of the notices of code handled since the last resetTimes().
    NoticeTimes times(NoticeCode code) const;
    void resetTimes();

private:
    /// Shared by the waiting sender and the queue; its own condition variable wakes only that
    /// sender when its answer is ready. answer and done are guarded by m_lock.
    struct PendingCall {
        NoticeCode code{};
        const void *payload = nullptr;
        int answer = 0;
        bool done = false;
        bool handled = false;
        std::condition_variable answered;
        std::chrono::steady_clock::time_point sent;
        std::chrono::nanoseconds queued{0};
        std::chrono::nanoseconds handling{0};
    };
    struct Item {
        std::shared_ptr<PendingCall> call; ///< null for a status event
        StatusEvent event{};
    };

    bool takeOne(Item &item);
    /// Queues a status event unless closed or merged; true when queued. Called with m_lock held.
    bool queueEvent(StatusEvent event);
    /// Calls wake and lets waitAndProcess return. Called with m_lock held; the caller notifies
    /// m_queued after releasing it.
    void wakeLocked();

    const std::function<void()> m_wake;
    const std::thread::id m_mainThread;
    mutable std::mutex m_lock;
    std::condition_variable m_queued; ///< waitAndProcess waits here for work
    std::deque<Item> m_items;
    bool m_closed = false;
    /// An event of postLater waits and the main thread has not been woken since it was queued.
    bool m_wakeOwed = false;
    static constexpr std::size_t kCodes = 17;
    NoticeTimes m_times[kCodes]; ///< by code; guarded by m_lock
};

} // namespace net
