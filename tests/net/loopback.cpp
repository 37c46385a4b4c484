// The scripted loopback listener.
#include "tests/net/loopback.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace nettest {

namespace {

constexpr std::size_t kMaxRequest = 64 * 1024;
constexpr int kReadTimeoutMs = 3000;

int bindLoopback(int &port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

/// Reads up to the blank line that ends the request, bounded in size and time.
std::string readRequest(int fd)
{
    std::string request;
    char buffer[2048];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < kMaxRequest) {
        pollfd watch{fd, POLLIN, 0};
        if (::poll(&watch, 1, kReadTimeoutMs) <= 0)
            break;
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        request.append(buffer, static_cast<std::size_t>(n));
    }
    return request;
}

} // namespace

bool Peer::send(std::string_view data)
{
    while (!data.empty()) {
        ssize_t n = ::send(m_fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool Peer::sendInPieces(std::string_view data, std::size_t size, std::chrono::milliseconds pause)
{
    while (!data.empty()) {
        std::string_view piece = data.substr(0, size);
        if (!send(piece))
            return false;
        data.remove_prefix(piece.size());
        wait(pause);
    }
    return true;
}

void Peer::wait(std::chrono::milliseconds duration)
{
    auto until = std::chrono::steady_clock::now() + duration;
    while (!m_stopping && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            std::chrono::milliseconds(5), until - std::chrono::steady_clock::now()));
}

void Peer::waitForClose(std::chrono::milliseconds duration)
{
    auto until = std::chrono::steady_clock::now() + duration;
    char buffer[256];
    while (!m_stopping && std::chrono::steady_clock::now() < until) {
        pollfd watch{m_fd, POLLIN, 0};
        if (::poll(&watch, 1, 10) > 0 && ::recv(m_fd, buffer, sizeof buffer, 0) <= 0)
            return;
    }
}

LoopbackServer::LoopbackServer(Responder responder) : m_responder(std::move(responder))
{
    m_listener = bindLoopback(m_port);
    if (m_listener >= 0 && ::listen(m_listener, 64) == 0)
        m_acceptor = std::thread([this] { acceptLoop(); });
}

LoopbackServer::~LoopbackServer()
{
    m_stopping = true;
    if (m_acceptor.joinable())
        m_acceptor.join();
    if (m_listener >= 0)
        ::close(m_listener);
    std::vector<std::thread> connections;
    {
        std::lock_guard lock(m_lock);
        connections.swap(m_connections);
    }
    for (auto &t : connections)
        t.join();
}

void LoopbackServer::acceptLoop()
{
    while (!m_stopping) {
        pollfd watch{m_listener, POLLIN, 0};
        if (::poll(&watch, 1, 20) <= 0)
            continue;
        int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        std::lock_guard lock(m_lock);
        ++m_connectionCount;
        ++m_open;
        m_maxOpen = std::max(m_maxOpen, m_open);
        m_connections.emplace_back([this, fd] { serve(fd); });
    }
}

void LoopbackServer::serve(int fd)
{
    std::string request = readRequest(fd);
    {
        std::lock_guard lock(m_lock);
        m_requests.push_back(request);
    }
    m_changed.notify_all();
    Peer peer(fd, m_stopping);
    m_responder(peer, request);
    // Counted as closed before the client can see the close, so that a client that opens its
    // next connection at once never overlaps with this one.
    {
        std::lock_guard lock(m_lock);
        --m_open;
    }
    ::close(fd);
}

std::vector<std::string> LoopbackServer::requests() const
{
    std::lock_guard lock(m_lock);
    return m_requests;
}

int LoopbackServer::connections() const
{
    std::lock_guard lock(m_lock);
    return m_connectionCount;
}

int LoopbackServer::maxConcurrent() const
{
    std::lock_guard lock(m_lock);
    return m_maxOpen;
}

bool LoopbackServer::waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_lock);
    return m_changed.wait_for(lock, timeout, [&] { return m_requests.size() >= count; });
}

std::string LoopbackServer::targetOf(const std::string &request)
{
    auto start = request.find(' ');
    if (start == std::string::npos)
        return {};
    auto end = request.find(' ', start + 1);
    return request.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
}

int RefusingPort()
{
    int port = 0;
    int fd = bindLoopback(port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

std::string UnresolvableHost()
{
    return std::string(70, 'x') + ".invalid";
}

std::string HttpResponse(std::string_view status, std::string_view headerLines, std::string_view body)
{
    std::string text = "HTTP/1.0 ";
    text += status;
    text += "\r\n";
    text += headerLines;
    text += "\r\n";
    text += body;
    return text;
}

} // namespace nettest
