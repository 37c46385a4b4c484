// The state the main thread, the dispatchers and the workers share (internal to net/).
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "net/cookies.h"
#include "net/http.h"
#include "net/notice.h"
#include "plugin_api/records.h"
#include "settings/settings.h"

namespace net {

/// Frees a request together with the post query it owns.
struct RequestDeleter {
    void operator()(FetchRequest *request) const;
};
using RequestPtr = std::unique_ptr<FetchRequest, RequestDeleter>;

/// Shared by reference count, so that a worker still running at shutdown keeps it alive.
struct PipelineState {
    PipelineState(std::shared_ptr<NoticeChannel> noticeChannel, std::function<bool(std::function<void()>)> start);

    /// Sends a notice unless shutdown has begun (then 0). Called with the lock not held.
    int notify(NoticeCode code, const void *payload);
    /// Posts a status event unless shutdown has begun. Called with the lock not held.
    void postStatus(StatusEvent event);
    /// The same through NoticeChannel::postLater, and its flush.
    void postStatusLater(StatusEvent event);
    void flushStatus();

    /// What an exchange reads, and the plug-in to parse with, copied under the lock.
    ExchangeSettings exchangeSettings(void **parser) const;

    const std::shared_ptr<NoticeChannel> channel;
    const std::function<bool(std::function<void()>)> startThread;
    const std::thread::id mainThread;

    mutable std::mutex lock;
    std::condition_variable generalWake;  ///< the general queue's event
    std::condition_variable categoryWake; ///< the category queue's event, and the category worker's end
    std::condition_variable stopping;     ///< shutdown, for waits on worker threads
    mutable std::condition_variable workersGone;
    /// Set with shuttingDown, read without the lock before every notice.
    std::atomic<bool> closing{false};

    // Guarded by lock.
    std::deque<RequestPtr> generalQueue;
    std::deque<RequestPtr> categoryQueue;
    bool generalEvent = false;
    bool categoryEvent = false;
    bool categoryRunning = false; ///< a category worker has started and not yet ended
    bool shuttingDown = false;    ///< events closed, notices answer 0
    unsigned running = 0;         ///< general workers that have not yet been released by notice 4
    unsigned liveWorkers = 0;     ///< worker threads that have not yet returned
    CookieList cookies;
    bool loggedIn = false;
    settings::NetworkSettings network;
    settings::EndpointSettings endpoints;
    void *plugin = nullptr;

    /// Reused by every category parse; only the category worker touches it, one at a time.
    std::vector<CategoryRecord> categoryRecords;
};

/// A request that copies url, key and the post query; nullptr when url or key does not fit.
RequestPtr MakeRequest(void *plugin, const char *url, const char *key, const char *postQuery, int kind,
                       int retryCount, int refetchCount);

/// The thread procedure of one request. Always returns 0.
int FetchWorker(const std::shared_ptr<PipelineState> &state, RequestPtr request);

/// After a network failure: notice 3, and when no retry was queued the failure message by
/// notice 7. 1 when a retry was queued.
int ReportFailure(PipelineState &state, const FetchRequest &request);

/// Lowers the calling thread, and the threads it will create, to the lowest priority (nice 19).
void LowerThreadPriority();

} // namespace net
