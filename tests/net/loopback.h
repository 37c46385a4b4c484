// A scripted HTTP listener on 127.0.0.1 for the network tests: it records every request and
// answers each connection with a responder of the test's choosing.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace nettest {

/// One accepted connection, as the responder sees it.
class Peer {
public:
    explicit Peer(int fd, const std::atomic<bool> &stopping) : m_fd(fd), m_stopping(stopping) {}

    /// Writes all of data; false when the client has gone.
    bool send(std::string_view data);
    /// Writes data in pieces of at most size bytes with a pause after each.
    bool sendInPieces(std::string_view data, std::size_t size, std::chrono::milliseconds pause);
    /// Waits up to duration, or less when the listener stops.
    void wait(std::chrono::milliseconds duration);
    /// Stays silent until the client closes the connection, at most for duration.
    void waitForClose(std::chrono::milliseconds duration);

private:
    int m_fd;
    const std::atomic<bool> &m_stopping;
};

class LoopbackServer {
public:
    /// Called on the connection's own thread once the request (up to its blank line) is read; the
    /// connection is closed when it returns.
    using Responder = std::function<void(Peer &peer, const std::string &request)>;

    explicit LoopbackServer(Responder responder);
    ~LoopbackServer();

    LoopbackServer(const LoopbackServer &) = delete;
    LoopbackServer &operator=(const LoopbackServer &) = delete;

    int port() const { return m_port; }
    std::vector<std::string> requests() const;
    int connections() const;
    /// The most connections that were open at the same time.
    int maxConcurrent() const;
    bool waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;

    /// The target of a request line ("GET <target> HTTP/1.0").
    static std::string targetOf(const std::string &request);

private:
    void acceptLoop();
    void serve(int fd);

    Responder m_responder;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptor;

    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    std::vector<std::thread> m_connections;
    std::vector<std::string> m_requests;
    int m_connectionCount = 0;
    int m_open = 0;
    int m_maxOpen = 0;
};

/// A loopback port that refuses connections (bound once, then released).
int RefusingPort();

/// A host name that cannot be resolved and is refused by the resolver itself, without any query
/// leaving the machine: its first label is longer than the 63 bytes DNS allows.
std::string UnresolvableHost();

/// "HTTP/1.0 200 OK" with the given header lines and body, as one text.
std::string HttpResponse(std::string_view status, std::string_view headerLines, std::string_view body);

} // namespace nettest
