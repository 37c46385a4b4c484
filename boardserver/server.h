// The network side: one thread, non-blocking sockets on epoll, one response per connection.
//
// Everything here runs on the thread that calls run(), except stop(), which any thread or a
// signal handler may call. Per connection: read the request head; look up the fault plan of
// its URL; ask the service for the answer (or drop it, or stay silent); send it, perhaps after a
// delay, perhaps a few bytes at a time; then shut the sending side and wait briefly for the
// client to close, so that the answer is never cut by a reset.
#pragma once

#include <cstdint>
#include <memory>
#include <queue>
#include <string>
#include <vector>

#include "boardserver/faults.h"
#include "boardserver/http.h"
#include "boardserver/service.h"

namespace boardserver {

struct ServerOptions {
    int port = 0; ///< 0: any free port
    bool log = false; ///< one line per request on stderr
    int maxConnections = 4096;
    int readTimeoutMs = 30000;     ///< for the request head to arrive
    int writeTimeoutMs = 60000;    ///< without progress while sending
    int lingerMs = 2000;           ///< for the client to close after the answer
    int silentTimeoutMs = 600000;  ///< how long a silent connection is held at most
};

struct ServerStats {
    std::uint64_t connections = 0;
    std::uint64_t requests = 0;
    std::uint64_t malformed = 0;
    std::uint64_t dropped = 0;
};

class Server {
public:
    Server(BoardService &service, FaultSet &faults, ServerOptions options);
    ~Server();
    Server(const Server &) = delete;
    Server &operator=(const Server &) = delete;

    /// Binds 127.0.0.1 at the configured port and starts listening.
    bool listen(std::string *error);
    /// The port bound by listen().
    int port() const { return m_port; }
    /// Serves until stop() is called.
    void run();
    /// Makes run() return soon. Async-signal-safe.
    void stop();

    const ServerStats &stats() const { return m_stats; }

private:
    struct Connection;
    struct Timer {
        std::int64_t when;
        int fd;
        std::uint64_t generation;
        bool operator>(const Timer &o) const { return when > o.when; }
    };

    void acceptAll();
    void onEvent(int fd, std::uint32_t events);
    void onWake(Connection &c);
    void readRequest(Connection &c);
    void dispatch(Connection &c, const HttpRequest &request);
    void respond(Connection &c, HttpResponse response, const FaultPlan &plan, const HttpRequest *request);
    HttpResponse control(const RequestTarget &target);
    void flush(Connection &c);
    void drain(Connection &c);
    /// The time-out of the connection's current state (coarse, checked by a periodic sweep).
    void setDeadline(Connection &c, std::int64_t when);
    /// A precise wake-up for a delayed or trickled answer.
    void wakeAt(Connection &c, std::int64_t when);
    void setInterest(Connection &c, std::uint32_t events);
    void close(Connection &c);
    void pauseAccepting(bool paused);
    static std::int64_t nowMs();

    BoardService &m_service;
    FaultSet &m_faults;
    ServerOptions m_options;
    int m_listenFd = -1;
    int m_epollFd = -1;
    int m_stopFd = -1;
    int m_port = 0;
    bool m_acceptPaused = false;
    std::int64_t m_acceptResumeAt = 0;
    std::size_t m_open = 0;
    std::uint64_t m_generation = 0;
    std::vector<std::unique_ptr<Connection>> m_connections; // by file descriptor
    std::priority_queue<Timer, std::vector<Timer>, std::greater<Timer>> m_timers;
    ServerStats m_stats;
};

} // namespace boardserver
