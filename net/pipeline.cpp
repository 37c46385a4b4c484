// The queues and their dispatchers, and the main thread's side of the pipeline's notices.
#include "net/pipeline.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <system_error>

#include "net/endpoints.h"
#include "net/pipelinestate.h"
#include "net/texts.h"
#include "plugin_api/exports.h"
#include "plugin_api/loader.h"

namespace net {

namespace {

/// A thread that cannot be created is tried again at once; this pause keeps that retry from
/// spinning a core while the system is out of threads.
constexpr auto kThreadRetryPause = std::chrono::milliseconds(10);

bool startDetached(std::function<void()> work)
{
    try {
        std::thread(std::move(work)).detach();
        return true;
    } catch (const std::system_error &) {
        return false;
    }
}

bool fits(const char *text, std::size_t field)
{
    return !text || std::strlen(text) < field;
}

void copyField(char *field, std::size_t size, const char *text)
{
    if (!text)
        return;
    std::size_t n = std::min(std::strlen(text), size - 1);
    std::memcpy(field, text, n);
    field[n] = '\0';
}

bool isKnownKind(int kind)
{
    return kind >= plugin_api::kCategoryPage && kind <= plugin_api::kPost;
}

/// How long the status of a started worker may wait for the main thread's next wake before the
/// dispatcher wakes it: far below what the eye can tell on the status bar.
constexpr auto kStatusDelay = std::chrono::milliseconds(2);

/// Whether the general dispatcher would start a worker now. Called with the lock held.
bool generalCanStart(const PipelineState &s)
{
    // Compared as unsigned numbers, as the count is.
    return !s.generalQueue.empty() && s.running < static_cast<unsigned>(s.network.threadMax);
}

/// Runs the general queue: one worker per request while fewer than thread_max run.
void generalDispatcher(const std::shared_ptr<PipelineState> &statePtr)
{
    PipelineState &s = *statePtr;
    LowerThreadPriority();
    auto ready = [&] { return s.generalEvent || s.shuttingDown; };
    // The status of a started worker was posted for the main thread's next wake (while workers
    // run, their notices wake it often); if the dispatcher has nothing to do for kStatusDelay,
    // it wakes the main thread for it.
    bool statusOwed = false;
    std::unique_lock lock(s.lock);
    for (;;) {
        if (statusOwed && !ready() && !s.generalWake.wait_for(lock, kStatusDelay, ready)) {
            statusOwed = false;
            lock.unlock();
            s.flushStatus();
            lock.lock();
            continue;
        }
        s.generalWake.wait(lock, ready);
        if (s.shuttingDown)
            return;
        if (!generalCanStart(s)) {
            s.generalEvent = false;
            continue;
        }
        // Taken off and counted under one lock: a request put at the head meanwhile is neither
        // lost nor started twice, and a worker that ends at once finds the count raised.
        FetchRequest *request = s.generalQueue.front().release();
        s.generalQueue.pop_front();
        ++s.running;
        ++s.liveWorkers;
        lock.unlock();

        // Posted before the worker exists, so that it reaches the main thread before any
        // notice of that worker.
        s.postStatusLater(StatusEvent::GeneralWorkerStarted);
        statusOwed = true;
        bool started = s.startThread([statePtr, request] { FetchWorker(statePtr, RequestPtr(request)); });

        lock.lock();
        if (!started) {
            --s.running;
            --s.liveWorkers;
            s.generalQueue.push_back(RequestPtr(request));
            lock.unlock();
            std::this_thread::sleep_for(kThreadRetryPause);
            lock.lock();
        }
    }
}

/// Runs the category queue one request at a time: the next starts only when the event is set
/// and the running one has ended.
void categoryDispatcher(const std::shared_ptr<PipelineState> &statePtr)
{
    PipelineState &s = *statePtr;
    LowerThreadPriority();
    std::unique_lock lock(s.lock);
    for (;;) {
        s.categoryWake.wait(lock, [&] { return (s.categoryEvent && !s.categoryRunning) || s.shuttingDown; });
        if (s.shuttingDown)
            return;
        s.categoryEvent = false;
        if (s.categoryQueue.empty())
            continue;
        FetchRequest *request = s.categoryQueue.front().release();
        s.categoryQueue.pop_front();
        s.categoryRunning = true;
        ++s.liveWorkers;
        lock.unlock();

        s.postStatus(StatusEvent::CategoryWorkerStarted);
        bool started = s.startThread([statePtr, request] { FetchWorker(statePtr, RequestPtr(request)); });

        lock.lock();
        if (!started) {
            s.categoryRunning = false;
            --s.liveWorkers;
            s.categoryQueue.push_back(RequestPtr(request));
            s.categoryEvent = true;
            lock.unlock();
            std::this_thread::sleep_for(kThreadRetryPause);
            lock.lock();
        }
    }
}

} // namespace

void RequestDeleter::operator()(FetchRequest *request) const
{
    if (!request)
        return;
    delete[] request->postQuery;
    delete request;
}

RequestPtr MakeRequest(void *plugin, const char *url, const char *key, const char *postQuery, int kind,
                       int retryCount, int refetchCount)
{
    if (!url || !fits(url, sizeof FetchRequest::url) || !fits(key, sizeof FetchRequest::key))
        return nullptr;
    RequestPtr request(new FetchRequest{});
    copyField(request->url, sizeof request->url, url);
    copyField(request->key, sizeof request->key, key);
    if (postQuery) {
        std::size_t n = std::strlen(postQuery);
        request->postQuery = new char[n + 1];
        std::memcpy(request->postQuery, postQuery, n + 1);
    }
    request->plugin = plugin;
    request->kind = kind;
    request->retryCount = retryCount;
    request->refetchCount = refetchCount;
    return request;
}

PipelineState::PipelineState(std::shared_ptr<NoticeChannel> noticeChannel,
                             std::function<bool(std::function<void()>)> start)
    : channel(std::move(noticeChannel)), startThread(start ? std::move(start) : startDetached),
      mainThread(std::this_thread::get_id()), categoryRecords(plugin_api::kMaxCategoryRecords)
{
    // Until the settings are loaded.
    network.threadMax = 10;
    network.timeout = 3000;
}

int PipelineState::notify(NoticeCode code, const void *payload)
{
    if (closing.load(std::memory_order_acquire))
        return 0;
    // A shutdown that begins now closes the channel, which answers this send with 0.
    return channel->send(code, payload);
}

void PipelineState::postStatus(StatusEvent event)
{
    if (!closing.load(std::memory_order_acquire))
        channel->post(event);
}

void PipelineState::postStatusLater(StatusEvent event)
{
    if (!closing.load(std::memory_order_acquire))
        channel->postLater(event);
}

void PipelineState::flushStatus()
{
    if (!closing.load(std::memory_order_acquire))
        channel->flush();
}

ExchangeSettings PipelineState::exchangeSettings(void **parser) const
{
    std::lock_guard guard(lock);
    *parser = plugin;
    ExchangeSettings s;
    s.proxy = network.proxy;
    s.proxyServer = network.proxyServer;
    s.proxyPort = network.proxyPort;
    s.timeout = network.timeout;
    s.posttimeout = network.posttimeout;
    s.loggedIn = loggedIn;
    if (loggedIn)
        s.cookies = cookies;
    s.postBase = endpoints.post;
    s.verifyUrl = endpoints.verify;
    return s;
}

Pipeline::Pipeline(std::shared_ptr<NoticeChannel> channel, PipelineOptions options)
    : m_state(std::make_shared<PipelineState>(std::move(channel), std::move(options.startThread)))
{
    assert(m_state->channel && "the pipeline needs a notice channel");
}

Pipeline::~Pipeline()
{
    shutdown();
}

void Pipeline::assertMainThread() const
{
    assert(std::this_thread::get_id() == m_state->mainThread && "Pipeline functions run on the main thread");
}

bool Pipeline::start()
{
    assertMainThread();
    if (m_shutDown || m_generalDispatcher.joinable())
        return false;
    try {
        m_generalDispatcher = std::thread(generalDispatcher, m_state);
        m_categoryDispatcher = std::thread(categoryDispatcher, m_state);
    } catch (const std::system_error &) {
        return false;
    }
    return true;
}

void Pipeline::shutdown()
{
    assertMainThread();
    if (m_shutDown)
        return;
    m_shutDown = true;
    {
        std::lock_guard lock(m_state->lock);
        m_state->shuttingDown = true;
        m_state->closing = true;
    }
    m_state->generalWake.notify_all();
    m_state->categoryWake.notify_all();
    m_state->stopping.notify_all();
    // Workers blocked in a notice are answered 0 now; the main thread never waits for them.
    m_state->channel->close();
    if (m_generalDispatcher.joinable())
        m_generalDispatcher.join();
    if (m_categoryDispatcher.joinable())
        m_categoryDispatcher.join();

    std::deque<RequestPtr> category, general;
    {
        std::lock_guard lock(m_state->lock);
        category.swap(m_state->categoryQueue);
        general.swap(m_state->generalQueue);
    }
    category.clear();
    general.clear();
}

void Pipeline::setPlugin(void *plugin)
{
    assertMainThread();
    std::lock_guard lock(m_state->lock);
    m_state->plugin = plugin;
}

void Pipeline::setNetworkSettings(const settings::NetworkSettings &network)
{
    assertMainThread();
    {
        std::lock_guard lock(m_state->lock);
        m_state->network = network;
        // A larger thread_max may let waiting requests start now.
        m_state->generalEvent = true;
    }
    m_state->generalWake.notify_all();
}

void Pipeline::setEndpoints(const settings::EndpointSettings &endpoints)
{
    assertMainThread();
    std::lock_guard lock(m_state->lock);
    m_state->endpoints = endpoints;
}

int Pipeline::EnqueueRequest(void *plugin, const char *url, const char *key, const char *postQuery, int kind,
                             int retryCount, int refetchCount)
{
    assertMainThread();
    if (!isKnownKind(kind) || m_shutDown)
        return 0;

    PluginInfo info{};
    if (!url) {
        if (kind != plugin_api::kCategoryPage)
            return 0;
        auto pluginInfo = plugin_api::FindExport<PluginInfoFn>(plugin, plugin_api::kPluginInfoName);
        if (!pluginInfo)
            return 0;
        pluginInfo(&info);
        info.baseUrl[sizeof info.baseUrl - 1] = '\0';
        url = info.baseUrl;
    }
    RequestPtr request = MakeRequest(plugin, url, key, postQuery, kind, retryCount, refetchCount);
    if (!request)
        return 0;

    {
        std::lock_guard lock(m_state->lock);
        if (kind == plugin_api::kCategoryPage) {
            // The caller wakes the category dispatcher once it has queued what it wants.
            m_state->categoryQueue.push_back(std::move(request));
            return 1;
        }
        if (kind == plugin_api::kMessagePage)
            m_state->generalQueue.push_back(std::move(request));
        else
            m_state->generalQueue.push_front(std::move(request));
        m_state->generalEvent = true;
        // While thread_max workers run, the dispatcher could only find that out and go back to
        // sleep: the event stays set and the next notice 4 wakes it.
        if (!generalCanStart(*m_state))
            return 1;
    }
    m_state->generalWake.notify_all();
    return 1;
}

int Pipeline::RequeueRequest(const FetchRequest &request, RequeueMode mode)
{
    assertMainThread();
    std::string url(request.url, ::strnlen(request.url, sizeof request.url));
    std::string key(request.key, ::strnlen(request.key, sizeof request.key));
    if (mode == RequeueMode::Refetch)
        return EnqueueRequest(request.plugin, url.c_str(), key.c_str(), nullptr, request.kind, request.retryCount,
                              request.refetchCount + 1) != 0
                   ? 1
                   : 0;

    // A post whose exchange failed may have reached the board all the same: sending it again
    // could post it twice, so it is given up at once and its owner tells the user.
    if (request.kind == plugin_api::kPost)
        return 0;
    int retries = 0;
    {
        std::lock_guard lock(m_state->lock);
        retries = m_state->network.retry;
    }
    // At or beyond the limit: a negative limit means no retries rather than endless ones.
    if (request.retryCount >= retries)
        return 0;
    if (!EnqueueRequest(request.plugin, url.c_str(), key.c_str(), nullptr, request.kind, request.retryCount + 1,
                        request.refetchCount))
        return 0;
    if (request.kind == plugin_api::kCategoryPage) {
        // No notice 16 follows a queued retry, so the dispatcher is woken here.
        wakeCategoryQueue();
    }
    return 1;
}

RetryOutcome Pipeline::handleRequestFailed(const FetchRequest &request)
{
    RetryOutcome outcome;
    outcome.answer = RequeueRequest(request, RequeueMode::Retry);
    if (outcome.answer == 0 && request.kind == plugin_api::kTopicList)
        outcome.retryErrorListUrl.assign(request.url, ::strnlen(request.url, sizeof request.url));
    return outcome;
}

StatusChange Pipeline::handleWorkerEnded()
{
    assertMainThread();
    StatusChange change;
    unsigned running = 0;
    bool wake = false;
    {
        std::lock_guard lock(m_state->lock);
        if (m_state->generalQueue.empty())
            change.panel1 = kDoneText;
        if (m_state->running > 0)
            --m_state->running;
        running = m_state->running;
        m_state->generalEvent = true;
        wake = generalCanStart(*m_state);
    }
    // With nothing waiting the event stays set for the next EnqueueRequest, which wakes the
    // dispatcher itself.
    if (wake)
        m_state->generalWake.notify_all();
    change.panel3 = std::to_string(running);
    change.progress = static_cast<int>(running);
    return change;
}

LoginOutcome Pipeline::handleLoginStatus(const char *text)
{
    assertMainThread();
    LoginOutcome outcome;
    std::string_view value = text ? std::string_view(text) : std::string_view();
    auto setState = [&](bool state) {
        std::lock_guard lock(m_state->lock);
        m_state->loggedIn = state;
        outcome.loggedIn = state;
    };
    if (value == kLoginMarker) {
        outcome.status.panel0 = kLoggedInText;
        setState(true);
    } else if (value == kLoginErrorMarker) {
        outcome.status.panel0 = kLoginFailedText;
        setState(false);
    } else if (value == kLogoutMarker) {
        outcome.status.panel0 = kLoggedOutText;
        setState(false);
    } else {
        StoreCookie(value);
    }
    return outcome;
}

int Pipeline::handleMessageRejected(const FetchRequest &request)
{
    RequeueRequest(request, RequeueMode::Refetch);
    return 1;
}

CategoryEndOutcome Pipeline::handleCategoryWorkerEnded()
{
    assertMainThread();
    CategoryEndOutcome outcome;
    std::size_t waiting = 0;
    {
        std::lock_guard lock(m_state->lock);
        waiting = m_state->categoryQueue.size();
        if (waiting > 0)
            m_state->categoryEvent = true;
    }
    if (waiting > 0) {
        m_state->categoryWake.notify_all();
        outcome.status.panel3 = std::to_string(waiting);
        return outcome;
    }
    outcome.crawlFinished = true;
    outcome.status.panel0 = kCategoryFinishedText;
    outcome.status.panel1 = kDoneText;
    return outcome;
}

StatusChange Pipeline::dispatcherStatus(StatusEvent event) const
{
    assertMainThread();
    StatusChange change;
    change.panel1 = kCommunicatingText;
    if (event == StatusEvent::GeneralWorkerStarted) {
        // The count as it is now: notices of workers that ended since are already applied.
        unsigned running = runningCount();
        change.panel3 = std::to_string(running);
        change.progress = static_cast<int>(running);
    }
    return change;
}

int Pipeline::removeQueuedRequests(std::string_view urlPart)
{
    assertMainThread();
    std::deque<RequestPtr> removed;
    {
        std::lock_guard lock(m_state->lock);
        auto &queue = m_state->generalQueue;
        for (auto it = queue.begin(); it != queue.end();) {
            std::string_view url((*it)->url, ::strnlen((*it)->url, sizeof(*it)->url));
            if (url.find(urlPart) != std::string_view::npos) {
                removed.push_back(std::move(*it));
                it = queue.erase(it);
            } else {
                ++it;
            }
        }
    }
    return static_cast<int>(removed.size());
}

int Pipeline::clearCategoryQueue()
{
    assertMainThread();
    std::deque<RequestPtr> removed;
    {
        std::lock_guard lock(m_state->lock);
        removed.swap(m_state->categoryQueue);
    }
    return static_cast<int>(removed.size());
}

void Pipeline::wakeCategoryQueue()
{
    assertMainThread();
    {
        std::lock_guard lock(m_state->lock);
        m_state->categoryEvent = true;
    }
    m_state->categoryWake.notify_all();
}

int Pipeline::FileLogin(const settings::LoginSettings &login)
{
    assertMainThread();
    std::string loginBase;
    bool loggedIn = false;
    {
        std::lock_guard lock(m_state->lock);
        loginBase = m_state->endpoints.login;
        loggedIn = m_state->loggedIn;
    }
    if (loggedIn)
        return EnqueueRequest(nullptr, LogoutUrl(loginBase).c_str(), nullptr, nullptr, plugin_api::kLogout, 0, 0);
    return EnqueueRequest(nullptr, LoginUrl(loginBase, login.id, login.pass).c_str(), nullptr, nullptr,
                          plugin_api::kLogin, 0, 0);
}

void Pipeline::StoreCookie(std::string_view text)
{
    assertMainThread();
    std::lock_guard lock(m_state->lock);
    net::StoreCookie(m_state->cookies, text);
}

CookieList Pipeline::cookies() const
{
    std::lock_guard lock(m_state->lock);
    return m_state->cookies;
}

bool Pipeline::loggedIn() const
{
    std::lock_guard lock(m_state->lock);
    return m_state->loggedIn;
}

unsigned Pipeline::runningCount() const
{
    std::lock_guard lock(m_state->lock);
    return m_state->running;
}

std::size_t Pipeline::waitingGeneral() const
{
    std::lock_guard lock(m_state->lock);
    return m_state->generalQueue.size();
}

std::size_t Pipeline::waitingCategory() const
{
    std::lock_guard lock(m_state->lock);
    return m_state->categoryQueue.size();
}

std::vector<std::string> Pipeline::generalQueueUrls() const
{
    std::lock_guard lock(m_state->lock);
    std::vector<std::string> urls;
    for (const RequestPtr &request : m_state->generalQueue)
        urls.emplace_back(request->url, ::strnlen(request->url, sizeof request->url));
    return urls;
}

bool Pipeline::waitForWorkers(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_state->lock);
    return m_state->workersGone.wait_for(lock, timeout, [&] { return m_state->liveWorkers == 0; });
}

} // namespace net
