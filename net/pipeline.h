// The request pipeline: the general and category queues, their dispatchers, the fetch workers
// and the main thread's side of the notices the pipeline owns.
//
// Threads and what runs on them
//
//   main thread                      general dispatcher          fetch worker (one per request)
//   -----------                      ------------------          ------------------------------
//   EnqueueRequest ──push──▶ general queue ──pop, running+1──▶ FetchWorker
//                                    │ postLater(WorkerStarted)    │ Exchange (net/http.h)
//   dispatcherStatus ◀── posted ─────┘                             │   ParseResponseHeader ─▶ 10, 13, 14
//                                                                  │ ReportFailure ─▶ 3 (then 7)
//   handleRequestFailed (3) ◀──────────── send, worker waits ──────┤ parser ─▶ 1, 5, 7 (→15), 11, 12
//   handleMessageRejected (15)                                      │
//   handleLoginStatus (10)                                          │
//   handleWorkerEnded (4) ◀─────────── send at the end ─────────────┘ general kinds
//   handleCategoryWorkerEnded (16) ◀── send at the end ──────────────── category kind
//
//   main thread                      category dispatcher
//   EnqueueRequest(kind 1) ─push─▶ category queue ─pop when woken and none runs─▶ FetchWorker
//   wakeCategoryQueue, handleCategoryWorkerEnded and RequeueRequest(kind 1) wake it.
//
// Every function of Pipeline that changes something runs on the main thread (the thread that
// constructed it) and asserts so; the read-only observers at the end are safe on any thread. The
// dispatchers and workers are internal. Workers reach the main thread only
// through the NoticeChannel, whose send blocks until the main thread has handled the notice.
// One mutex guards the queues, their events, the running count, the cookie list, the login
// state and the settings the workers read; no lock is held while a notice is sent.
//
// What a request costs is mostly threads going to sleep and being woken, so the pipeline wakes
// no thread that could not do anything: the general dispatcher only when it can start a worker,
// and the main thread not for the status of a started worker alone (postLater): that waits for
// the main thread's next wake, which the running workers' notices bring, and the dispatcher
// wakes the main thread for it itself when it has been idle for 2 ms.
//
// Who owns a FetchRequest
//
//   EnqueueRequest allocates it (with its own copy of the post query) → the queue owns it →
//   the dispatcher takes it off under the lock and hands it to a new worker, which owns it until
//   it ends and frees it. While the worker waits in notice 3 or 15 the main thread may read it
//   (RequeueRequest copies what it needs). The stop commands and shutdown free queued requests.
//   Result records (MessageRecord, the TopicRecord buffer, the post form texts) belong to the
//   worker and live only while the main thread handles their notice; handlers copy what they
//   keep. The category result buffer belongs to the pipeline and is reused by every category
//   parse, which is safe because at most one category worker runs at a time.
//
// Shutdown closes the channel first (a worker blocked in a notice is answered 0 at once), ends
// and joins both dispatchers, and frees every queued request. Running workers are not joined:
// they share the pipeline's state through a reference count, finish their exchange with every
// notice answered 0, and free their request.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "net/cookies.h"
#include "net/notice.h"
#include "plugin_api/records.h"
#include "settings/settings.h"

namespace net {

struct PipelineState;

enum class RequeueMode {
    Retry,   ///< after a network failure (notice 3)
    Refetch, ///< after the main window rejected a message page (notice 15)
};

/// Changes to the status bar (panels 0, 1 and 3, Shift_JIS texts) and to the progress bar's
/// position; absent parts stay as they are.
struct StatusChange {
    std::optional<std::string> panel0;
    std::optional<std::string> panel1;
    std::optional<std::string> panel3;
    std::optional<int> progress;
};

/// The main thread's answer to notice 3 and what else it must do.
struct RetryOutcome {
    int answer = 0; ///< the notice's result: 1 when a retry was queued
    /// Not empty when a topic list was given up: the topic-list tab whose list URL equals it is
    /// captioned kRetryErrorText.
    std::string retryErrorListUrl;
};

/// The main thread's side of notice 10.
struct LoginOutcome {
    StatusChange status;
    /// The new checked state of FileLogin, when the notice decided the login.
    std::optional<bool> loggedIn;
};

/// The main thread's side of notice 16.
struct CategoryEndOutcome {
    /// The crawl is complete: save the category files, end the tree's batch update, enable
    /// CtgUpdate.
    bool crawlFinished = false;
    StatusChange status;
};

struct PipelineOptions {
    /// Starts a detached thread running work; false when it cannot be created. Replaceable so
    /// that tests can refuse threads.
    std::function<bool(std::function<void()> work)> startThread;
};

/// The queues, the dispatchers and the state the workers share. Owned by the main window.
class Pipeline {
public:
    /// Main thread. channel is shared with the workers, so it outlives the window if it must.
    explicit Pipeline(std::shared_ptr<NoticeChannel> channel, PipelineOptions options = {});
    ~Pipeline();

    Pipeline(const Pipeline &) = delete;
    Pipeline &operator=(const Pipeline &) = delete;

    /// Starts the two dispatcher threads; false when either cannot be started.
    bool start();

    /// Closes the channel, ends the dispatchers and frees every waiting request (category queue
    /// first). Idempotent; the destructor calls it. Never waits for a worker.
    void shutdown();

    /// The plug-in whose parsers every worker calls.
    void setPlugin(void *plugin);
    /// The settings the dispatchers and workers read; takes effect for requests started later.
    void setNetworkSettings(const settings::NetworkSettings &network);
    void setEndpoints(const settings::EndpointSettings &endpoints);

    /// Queues a request; 1 when queued, 0 when nothing was. A null url for kind 1 takes the
    /// plug-in's base URL from its Plugin_Info. url, key and postQuery may be null; postQuery is
    /// copied. Refuses a URL or key that does not fit its field and a kind outside 1 to 7.
    int EnqueueRequest(void *plugin, const char *url, const char *key, const char *postQuery, int kind,
                       int retryCount, int refetchCount);

    /// Queues a copy of request with the retry or the re-fetch count raised; 1 when queued, 0
    /// when a retry was given up because the retries ([network] retry) are used up. A retried
    /// request carries no post query. A post is never retried: it may have been taken.
    int RequeueRequest(const FetchRequest &request, RequeueMode mode);

    /// Notice 3.
    RetryOutcome handleRequestFailed(const FetchRequest &request);
    /// Notice 4: a general worker ended; releases its place and wakes the dispatcher.
    StatusChange handleWorkerEnded();
    /// Notice 10: "LOGIN", "LOGIN_ERR", "LOGOUT" or a cookie to store.
    LoginOutcome handleLoginStatus(const char *text);
    /// Notice 15; returns the notice's result (1).
    int handleMessageRejected(const FetchRequest &request);
    /// Notice 16: wakes the category dispatcher while category requests wait.
    CategoryEndOutcome handleCategoryWorkerEnded();
    /// A status event the dispatchers posted.
    StatusChange dispatcherStatus(StatusEvent event) const;

    /// ThrStop: removes and frees every waiting general request whose URL contains urlPart
    /// (TopicRequestPrefix); returns how many. Running requests are not affected.
    int removeQueuedRequests(std::string_view urlPart);
    /// CtgUpdateStop: frees every waiting category request; returns how many.
    int clearCategoryQueue();
    /// CtgUpdate, after queueing the root: lets the category dispatcher start.
    void wakeCategoryQueue();

    /// FileLogin: queues a logout while logged in, else a login with login.id and login.pass
    /// (escaped, see LoginUrl), both at the head of the general queue. The answer decides the
    /// login state (notice 10). 1 when queued.
    int FileLogin(const settings::LoginSettings &login);

    /// Stores a cookie the login answered with (notice 10).
    void StoreCookie(std::string_view text);
    CookieList cookies() const;
    /// The login state, which is the checked state of FileLogin.
    bool loggedIn() const;

    unsigned runningCount() const;
    std::size_t waitingGeneral() const;
    std::size_t waitingCategory() const;
    /// The URLs of the waiting requests, head first.
    std::vector<std::string> generalQueueUrls() const;

    /// Waits until no worker thread is left, up to timeout; true when none is.
    bool waitForWorkers(std::chrono::milliseconds timeout) const;

private:
    void assertMainThread() const;

    std::shared_ptr<PipelineState> m_state;
    std::thread m_generalDispatcher;
    std::thread m_categoryDispatcher;
    bool m_shutDown = false;
};

} // namespace net
