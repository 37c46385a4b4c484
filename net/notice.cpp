// The queued notice channel: senders wait on their own call record until the main thread has
// handled it or the queue is closed.
#include "net/notice.h"

#include <cassert>
#include <cstring>

namespace net {

namespace {

template <std::size_t N>
void copyField(char (&to)[N], const char (&from)[N])
{
    std::size_t n = ::strnlen(from, N - 1);
    std::memcpy(to, from, n);
    to[n] = '\0';
}

} // namespace

PageResult MakePageResult(const FetchRequest &request, const void *result, bool withKey)
{
    PageResult page{};
    page.plugin = request.plugin;
    page.result = result;
    copyField(page.url, request.url);
    if (withKey)
        copyField(page.key, request.key);
    return page;
}

NoticeQueue::NoticeQueue(std::function<void()> wake)
    : m_wake(std::move(wake)), m_mainThread(std::this_thread::get_id())
{
}

NoticeQueue::~NoticeQueue()
{
    close();
}

int NoticeQueue::send(NoticeCode code, const void *payload)
{
    assert(std::this_thread::get_id() != m_mainThread && "a notice sent from the main thread would wait for itself");
    auto call = std::make_shared<PendingCall>();
    call->code = code;
    call->payload = payload;
    call->sent = std::chrono::steady_clock::now();
    std::unique_lock lock(m_lock);
    if (m_closed)
        return 0;
    m_items.push_back({call, StatusEvent{}});
    wakeLocked();
    // Woken without the lock held, so that the main thread does not wake only to wait for it.
    lock.unlock();
    m_queued.notify_one();
    lock.lock();
    call->answered.wait(lock, [&] { return call->done; });
    const auto index = static_cast<std::size_t>(code);
    if (call->handled && index < kCodes) {
        NoticeTimes &t = m_times[index];
        ++t.handled;
        t.queued += call->queued;
        t.handling += call->handling;
        t.waited += std::chrono::steady_clock::now() - call->sent;
    }
    return call->answer;
}

NoticeTimes NoticeQueue::times(NoticeCode code) const
{
    const auto index = static_cast<std::size_t>(code);
    std::lock_guard lock(m_lock);
    return index < kCodes ? m_times[index] : NoticeTimes{};
}

void NoticeQueue::resetTimes()
{
    std::lock_guard lock(m_lock);
    for (NoticeTimes &t : m_times)
        t = NoticeTimes{};
}

bool NoticeQueue::queueEvent(StatusEvent event)
{
    if (m_closed)
        return false;
    // A status event carries no data (the main thread reads the state when it handles it), so
    // one that is still waiting already covers this one, unless a notice was queued after it:
    // that notice would then be handled after the state this event reports. ("A worker ended"
    // after "a worker started" reads "done" while the later worker runs.)
    for (auto it = m_items.rbegin(); it != m_items.rend() && !it->call; ++it)
        if (it->event == event)
            return false;
    m_items.push_back({nullptr, event});
    return true;
}

void NoticeQueue::wakeLocked()
{
    // Once woken, the main thread handles everything queued, the quietly posted events too.
    m_wakeOwed = false;
    if (m_wake)
        m_wake();
}

void NoticeQueue::post(StatusEvent event)
{
    {
        std::lock_guard lock(m_lock);
        if (!queueEvent(event))
            return;
        wakeLocked();
    }
    m_queued.notify_one();
}

void NoticeQueue::postLater(StatusEvent event)
{
    std::lock_guard lock(m_lock);
    if (queueEvent(event))
        m_wakeOwed = true;
}

void NoticeQueue::flush()
{
    {
        std::lock_guard lock(m_lock);
        if (m_closed || !m_wakeOwed)
            return;
        wakeLocked();
    }
    m_queued.notify_one();
}

void NoticeQueue::close()
{
    std::deque<Item> released;
    {
        std::lock_guard lock(m_lock);
        m_closed = true;
        m_wakeOwed = false;
        // The calls still queued were never handled: their senders get 0 and their payloads
        // were never touched. A call being handled right now is not in the list; it finishes
        // normally.
        for (Item &item : m_items)
            if (item.call)
                item.call->done = true;
        released.swap(m_items);
    }
    for (Item &item : released)
        if (item.call)
            item.call->answered.notify_one();
    m_queued.notify_all();
}

bool NoticeQueue::closed() const
{
    std::lock_guard lock(m_lock);
    return m_closed;
}

bool NoticeQueue::takeOne(Item &item)
{
    std::lock_guard lock(m_lock);
    if (m_items.empty())
        return false;
    item = std::move(m_items.front());
    m_items.pop_front();
    // Taken without a wake of its own: nothing is left to flush.
    if (m_items.empty())
        m_wakeOwed = false;
    return true;
}

int NoticeQueue::processPending(NoticeHandler &handler)
{
    assert(std::this_thread::get_id() == m_mainThread && "notices are handled on the main thread");
    int handled = 0;
    Item item;
    while (takeOne(item)) {
        ++handled;
        if (!item.call) {
            handler.handleStatus(item.event);
            continue;
        }
        // The sender stays blocked until done is set, so the payload is valid here.
        const auto started = std::chrono::steady_clock::now();
        int answer = handler.handleNotice(item.call->code, item.call->payload);
        const auto ended = std::chrono::steady_clock::now();
        {
            std::lock_guard lock(m_lock);
            item.call->answer = answer;
            item.call->done = true;
            item.call->handled = true;
            item.call->queued = started - item.call->sent;
            item.call->handling = ended - started;
        }
        // Notified without the lock, so that the sender does not wake only to wait for it; the
        // shared record stays alive here even when the sender has already returned.
        item.call->answered.notify_one();
    }
    return handled;
}

int NoticeQueue::waitAndProcess(NoticeHandler &handler, std::chrono::milliseconds timeout)
{
    {
        std::unique_lock lock(m_lock);
        m_queued.wait_for(lock, timeout, [&] { return !m_items.empty() || m_closed; });
    }
    return processPending(handler);
}

} // namespace net
