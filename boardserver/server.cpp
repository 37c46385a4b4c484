// The epoll loop of the board server.
#include "boardserver/server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <limits>

#include "boardserver/text.h"

namespace boardserver {

namespace {

constexpr std::size_t kReadChunk = 16384;
constexpr int kAcceptPauseMs = 100;
constexpr std::int64_t kSweepMs = 100;

HttpResponse TextResponse(int status, std::string text)
{
    HttpResponse r;
    r.status = status;
    r.contentType = "text/plain; charset=US-ASCII";
    r.body = std::move(text);
    return r;
}

} // namespace

struct Server::Connection {
    enum class State { Reading, Waiting, Writing, Silent, Lingering };
    int fd = -1;
    State state = State::Reading;
    std::string in;
    std::string out;
    std::size_t sent = 0;
    std::size_t limit = SIZE_MAX; // bytes of out to send before closing without the rest
    int trickleBytes = 0;
    int trickleMs = 0;
    int budget = 0; // bytes left in this trickle period
    bool linger = true; // false when the whole request was read: closing at once loses nothing
    std::uint32_t interest = 0;
    std::uint64_t generation = 0;
    std::int64_t deadline = 0;
};

Server::Server(BoardService &service, FaultSet &faults, ServerOptions options)
    : m_service(service), m_faults(faults), m_options(options)
{
}

Server::~Server()
{
    for (auto &c : m_connections)
        if (c && c->fd >= 0)
            ::close(c->fd);
    if (m_listenFd >= 0)
        ::close(m_listenFd);
    if (m_epollFd >= 0)
        ::close(m_epollFd);
    if (m_stopFd >= 0)
        ::close(m_stopFd);
}

std::int64_t Server::nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool Server::listen(std::string *error)
{
    auto fail = [&](const char *what) {
        if (error)
            *error = std::string(what) + ": " + std::strerror(errno);
        return false;
    };
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0)
        return fail("cannot create the listening socket");
    const int one = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(m_options.port));
    if (::bind(m_listenFd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0)
        return fail(("cannot bind 127.0.0.1:" + std::to_string(m_options.port)).c_str());
    if (::listen(m_listenFd, 1024) != 0)
        return fail("cannot listen");
    socklen_t len = sizeof addr;
    if (::getsockname(m_listenFd, reinterpret_cast<sockaddr *>(&addr), &len) != 0)
        return fail("cannot read the bound port");
    m_port = ntohs(addr.sin_port);

    m_epollFd = ::epoll_create1(EPOLL_CLOEXEC);
    m_stopFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_epollFd < 0 || m_stopFd < 0)
        return fail("cannot create the event queue");
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = m_listenFd;
    if (::epoll_ctl(m_epollFd, EPOLL_CTL_ADD, m_listenFd, &ev) != 0)
        return fail("cannot watch the listening socket");
    ev.data.fd = m_stopFd;
    if (::epoll_ctl(m_epollFd, EPOLL_CTL_ADD, m_stopFd, &ev) != 0)
        return fail("cannot watch the stop event");
    return true;
}

void Server::stop()
{
    const std::uint64_t one = 1;
    if (m_stopFd >= 0) {
        const ssize_t n = ::write(m_stopFd, &one, sizeof one);
        (void)n;
    }
}

void Server::run()
{
    epoll_event events[256];
    std::int64_t lastSweep = nowMs();
    for (;;) {
        std::int64_t now = nowMs();
        std::int64_t wake = lastSweep + kSweepMs;
        if (!m_timers.empty())
            wake = std::min(wake, m_timers.top().when);
        if (m_acceptPaused && m_acceptResumeAt > 0)
            wake = std::min(wake, m_acceptResumeAt);
        const int timeout = static_cast<int>(std::clamp<std::int64_t>(wake - now, 0, kSweepMs));
        const int n = ::epoll_wait(m_epollFd, events, 256, timeout);
        if (n < 0 && errno != EINTR)
            return;
        for (int i = 0; i < n; ++i) {
            const int fd = events[i].data.fd;
            if (fd == m_stopFd)
                return;
            if (fd == m_listenFd)
                acceptAll();
            else
                onEvent(fd, events[i].events);
        }
        now = nowMs();
        if (m_acceptPaused && m_acceptResumeAt > 0 && now >= m_acceptResumeAt)
            pauseAccepting(false);
        while (!m_timers.empty() && m_timers.top().when <= now) {
            const Timer t = m_timers.top();
            m_timers.pop();
            if (t.fd < 0 || static_cast<std::size_t>(t.fd) >= m_connections.size())
                continue;
            Connection *c = m_connections[static_cast<std::size_t>(t.fd)].get();
            if (c && c->generation == t.generation)
                onWake(*c);
        }
        // Time-outs need no precision: one sweep over the open connections now and then costs
        // less than a timer per connection.
        if (now - lastSweep >= kSweepMs) {
            lastSweep = now;
            for (auto &slot : m_connections)
                if (slot && slot->deadline <= now)
                    close(*slot);
        }
    }
}

void Server::pauseAccepting(bool paused)
{
    if (paused == m_acceptPaused)
        return;
    m_acceptPaused = paused;
    if (!paused)
        m_acceptResumeAt = 0;
    epoll_event ev{};
    ev.events = paused ? 0u : static_cast<std::uint32_t>(EPOLLIN);
    ev.data.fd = m_listenFd;
    ::epoll_ctl(m_epollFd, EPOLL_CTL_MOD, m_listenFd, &ev);
}

void Server::acceptAll()
{
    for (;;) {
        if (m_open >= static_cast<std::size_t>(m_options.maxConnections)) {
            pauseAccepting(true); // resumed when a connection closes
            return;
        }
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                pauseAccepting(true);
                m_acceptResumeAt = nowMs() + kAcceptPauseMs;
            }
            return;
        }
        if (static_cast<std::size_t>(fd) >= m_connections.size())
            m_connections.resize(static_cast<std::size_t>(fd) + 64);
        auto c = std::make_unique<Connection>();
        c->fd = fd;
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.fd = fd;
        if (::epoll_ctl(m_epollFd, EPOLL_CTL_ADD, fd, &ev) != 0) {
            ::close(fd);
            continue;
        }
        c->interest = EPOLLIN;
        Connection &ref = *c;
        m_connections[static_cast<std::size_t>(fd)] = std::move(c);
        ++m_open;
        ++m_stats.connections;
        setDeadline(ref, nowMs() + m_options.readTimeoutMs);
    }
}

void Server::setDeadline(Connection &c, std::int64_t when)
{
    c.deadline = when;
}

void Server::wakeAt(Connection &c, std::int64_t when)
{
    c.generation = ++m_generation;
    m_timers.push(Timer{when, c.fd, c.generation});
}

void Server::setInterest(Connection &c, std::uint32_t events)
{
    if (c.interest == events)
        return;
    epoll_event ev{};
    ev.events = events;
    ev.data.fd = c.fd;
    ::epoll_ctl(m_epollFd, EPOLL_CTL_MOD, c.fd, &ev);
    c.interest = events;
}

void Server::close(Connection &c)
{
    const int fd = c.fd;
    ::close(fd); // also takes it off the epoll set: no descriptor is ever duplicated
    m_connections[static_cast<std::size_t>(fd)].reset();
    --m_open;
    if (m_acceptPaused && m_acceptResumeAt == 0)
        pauseAccepting(false);
}

void Server::onEvent(int fd, std::uint32_t events)
{
    if (fd < 0 || static_cast<std::size_t>(fd) >= m_connections.size())
        return;
    Connection *c = m_connections[static_cast<std::size_t>(fd)].get();
    if (!c)
        return;
    if (events & EPOLLERR) {
        close(*c);
        return;
    }
    switch (c->state) {
    case Connection::State::Reading:
        readRequest(*c);
        break;
    case Connection::State::Writing:
        if (events & (EPOLLOUT | EPOLLHUP))
            flush(*c);
        break;
    case Connection::State::Silent:
    case Connection::State::Lingering:
        drain(*c);
        break;
    case Connection::State::Waiting:
        if (events & EPOLLHUP)
            close(*c);
        break;
    }
}

void Server::onWake(Connection &c)
{
    if (c.state == Connection::State::Waiting) {
        c.state = Connection::State::Writing;
        setDeadline(c, nowMs() + m_options.writeTimeoutMs);
        flush(c);
    } else if (c.state == Connection::State::Writing && c.trickleBytes > 0 && c.budget == 0) {
        c.budget = c.trickleBytes;
        flush(c);
    }
}

void Server::drain(Connection &c)
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(c.fd, buffer, sizeof buffer, 0);
        if (n > 0)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n < 0 && errno == EINTR)
            continue;
        close(c); // the client closed (or failed): done
        return;
    }
}

void Server::readRequest(Connection &c)
{
    bool eof = false;
    HttpRequest request;
    std::size_t headLength = 0;
    HeadStatus status = HeadStatus::Incomplete;
    for (;;) {
        const std::size_t old = c.in.size();
        c.in.resize(old + kReadChunk);
        const ssize_t n = ::recv(c.fd, c.in.data() + old, kReadChunk, 0);
        if (n > 0) {
            c.in.resize(old + static_cast<std::size_t>(n));
            // A complete head needs no further read: the program sends nothing after it.
            status = ParseRequestHead(c.in, request, headLength);
            if (status != HeadStatus::Incomplete || c.in.size() > kMaxRequestHead)
                break;
            continue;
        }
        c.in.resize(old);
        if (n == 0) {
            eof = true;
            break;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            break;
        if (errno == EINTR)
            continue;
        close(c);
        return;
    }
    if (status == HeadStatus::Complete && headLength <= kMaxRequestHead) {
        // Bytes after the head (a body, a second request) may be followed by more; closing
        // with unread data would reset the connection and could cost the client the answer.
        c.linger = c.in.size() > headLength || request.header("Content-Length") ||
                   request.header("Transfer-Encoding");
        dispatch(c, request);
        return;
    }
    if (status == HeadStatus::Incomplete && c.in.size() <= kMaxRequestHead && !eof)
        return;
    if (status == HeadStatus::Incomplete && eof && c.in.empty()) {
        close(c);
        return;
    }
    ++m_stats.malformed;
    respond(c, StatusResponse(400), FaultPlan{}, nullptr);
}

HttpResponse Server::control(const RequestTarget &target)
{
    if (target.path == "/_nk/ping")
        return TextResponse(200, "ok\n");
    if (target.path == "/_nk/stats") {
        std::string text;
        text += "connections=" + std::to_string(m_stats.connections) + "\n";
        text += "requests=" + std::to_string(m_stats.requests) + "\n";
        text += "malformed=" + std::to_string(m_stats.malformed) + "\n";
        text += "dropped=" + std::to_string(m_stats.dropped) + "\n";
        text += "posts=" + std::to_string(m_service.postsAccepted()) + "\n";
        text += "stored=" + std::to_string(m_service.storedMessages()) + "\n";
        return TextResponse(200, text);
    }
    if (target.path == "/_nk/fault") {
        if (QueryParam(target.query, "clear"))
            m_faults.clear();
        if (const auto spec = QueryParam(target.query, "add")) {
            std::string error;
            if (!m_faults.add(PercentDecode(*spec, true), &error))
                return TextResponse(400, error + "\n");
        }
        return TextResponse(200, "ok\n");
    }
    return TextResponse(404, "unknown control path\n");
}

void Server::dispatch(Connection &c, const HttpRequest &request)
{
    ++m_stats.requests;
    const auto target = ParseRequestTarget(request.target);
    if (!target) {
        ++m_stats.malformed;
        respond(c, StatusResponse(400), FaultPlan{}, &request);
        return;
    }
    if (target->path.rfind("/_nk/", 0) == 0) {
        respond(c, control(*target), FaultPlan{}, &request);
        return;
    }
    const FaultPlan plan = !m_faults.empty() ? m_faults.plan(target->url(m_service.endpoints().boardHost)) : FaultPlan{};
    if (plan.drop) {
        ++m_stats.dropped;
        if (m_options.log)
            std::fprintf(stderr, "%s %s -> dropped\n", request.method.c_str(), request.target.c_str());
        close(c);
        return;
    }
    if (plan.silent) {
        if (m_options.log)
            std::fprintf(stderr, "%s %s -> silent\n", request.method.c_str(), request.target.c_str());
        c.state = Connection::State::Silent;
        c.in.clear();
        c.in.shrink_to_fit();
        setInterest(c, EPOLLIN);
        setDeadline(c, nowMs() + m_options.silentTimeoutMs);
        return;
    }
    HttpResponse response = plan.status ? StatusResponse(plan.status) : m_service.handle(request, *target);
    respond(c, std::move(response), plan, &request);
}

void Server::respond(Connection &c, HttpResponse response, const FaultPlan &plan, const HttpRequest *request)
{
    ApplyBodyFaults(plan, response.body);
    c.out = SerializeHead(response, response.body.size());
    const std::size_t headLength = c.out.size();
    c.out += response.body;
    c.sent = 0;
    c.in.clear();
    c.in.shrink_to_fit();
    if (plan.cutBytes >= 0) {
        // Always short of the blank line, so the head is never complete.
        const std::size_t most = headLength > 2 ? headLength - 2 : 0;
        c.limit = plan.cutBytes == INT_MAX ? headLength / 2 : std::min<std::size_t>(static_cast<std::size_t>(plan.cutBytes), most);
    }
    if (plan.shortPercent >= 0 && plan.cutBytes < 0) {
        // Less than the length the head announced: the body ends early.
        const std::size_t body = c.out.size() - headLength;
        c.limit = headLength + std::min(body * static_cast<std::size_t>(plan.shortPercent) / 100, body ? body - 1 : 0);
    }
    if (plan.trickleBytes > 0) {
        c.trickleBytes = plan.trickleBytes;
        c.trickleMs = plan.trickleMs;
        c.budget = plan.trickleBytes;
        const int one = 1;
        ::setsockopt(c.fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    if (m_options.log && request)
        std::fprintf(stderr, "%s %s -> %d %zu\n", request->method.c_str(), request->target.c_str(), response.status,
                     response.body.size());
    if (plan.delayMs > 0) {
        setInterest(c, 0);
        c.state = Connection::State::Waiting;
        setDeadline(c, std::numeric_limits<std::int64_t>::max());
        wakeAt(c, nowMs() + plan.delayMs);
        return;
    }
    c.state = Connection::State::Writing;
    setDeadline(c, nowMs() + m_options.writeTimeoutMs);
    flush(c);
}

void Server::flush(Connection &c)
{
    const std::size_t end = std::min(c.out.size(), c.limit);
    while (c.sent < end) {
        std::size_t chunk = end - c.sent;
        if (c.trickleBytes > 0)
            chunk = std::min(chunk, static_cast<std::size_t>(c.budget));
        const ssize_t n = ::send(c.fd, c.out.data() + c.sent, chunk, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                setInterest(c, EPOLLOUT);
                return;
            }
            close(c);
            return;
        }
        c.sent += static_cast<std::size_t>(n);
        setDeadline(c, nowMs() + m_options.writeTimeoutMs);
        if (c.trickleBytes > 0) {
            c.budget -= static_cast<int>(n);
            if (c.budget <= 0 && c.sent < end) {
                c.budget = 0;
                setInterest(c, 0);
                wakeAt(c, nowMs() + c.trickleMs);
                return;
            }
        }
    }
    if (c.limit != SIZE_MAX) {
        close(c); // the cut and short faults: gone before the answer is complete
        return;
    }
    if (!c.linger) {
        close(c);
        return;
    }
    ::shutdown(c.fd, SHUT_WR);
    c.out.clear();
    c.out.shrink_to_fit();
    c.state = Connection::State::Lingering;
    setInterest(c, EPOLLIN);
    setDeadline(c, nowMs() + m_options.lingerMs);
}

} // namespace boardserver
