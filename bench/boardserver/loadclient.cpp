// An epoll load client: inFlight connections, each sending one request and reading to the close.
#include "bench/boardserver/loadclient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace bsbench {

namespace {

struct Slot {
    int fd = -1;
    bool connected = false;
    std::size_t request = 0;
    std::size_t sent = 0;
    std::string answer;
};

} // namespace

std::string ProgramRequest(const std::string &url)
{
    return "GET " + url + " HTTP/1.0\r\nUser-Agent: Nekomado\r\n\r\n";
}

LoadResult RunLoad(int port, const std::vector<std::string> &requests, int inFlight, double seconds,
                   const std::function<bool(const std::string &)> &check)
{
    using Clock = std::chrono::steady_clock;
    LoadResult result;
    const int ep = ::epoll_create1(EPOLL_CLOEXEC);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));

    std::vector<Slot> slots(static_cast<std::size_t>(inFlight));
    std::size_t nextRequest = 0;
    auto open = [&](std::size_t index) {
        Slot &s = slots[index];
        s = Slot{};
        s.request = nextRequest++ % requests.size();
        s.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        const int rc = ::connect(s.fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
        if (rc != 0 && errno != EINPROGRESS) {
            ++result.failed;
            ::close(s.fd);
            s.fd = -1;
            return false;
        }
        epoll_event ev{};
        ev.events = EPOLLOUT | EPOLLIN;
        ev.data.u64 = index;
        ::epoll_ctl(ep, EPOLL_CTL_ADD, s.fd, &ev);
        return true;
    };
    auto finish = [&](std::size_t index, bool good) {
        Slot &s = slots[index];
        ::epoll_ctl(ep, EPOLL_CTL_DEL, s.fd, nullptr);
        ::close(s.fd);
        s.fd = -1;
        if (good && check(s.answer)) {
            ++result.completed;
            result.bytes += s.answer.size();
        } else {
            ++result.failed;
        }
    };

    const auto start = Clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    for (std::size_t i = 0; i < slots.size(); ++i)
        open(i);
    epoll_event events[64];
    char buffer[65536];
    bool running = true;
    while (running || std::any_of(slots.begin(), slots.end(), [](const Slot &s) { return s.fd >= 0; })) {
        const int n = ::epoll_wait(ep, events, 64, 100);
        for (int e = 0; e < n; ++e) {
            const std::size_t index = events[e].data.u64;
            Slot &s = slots[index];
            if (s.fd < 0)
                continue;
            const std::string &request = requests[s.request];
            if ((events[e].events & EPOLLOUT) && s.sent < request.size()) {
                const ssize_t w = ::send(s.fd, request.data() + s.sent, request.size() - s.sent, MSG_NOSIGNAL);
                if (w < 0 && errno != EAGAIN) {
                    finish(index, false);
                } else if (w > 0) {
                    s.sent += static_cast<std::size_t>(w);
                    if (s.sent == request.size()) {
                        epoll_event ev{};
                        ev.events = EPOLLIN;
                        ev.data.u64 = index;
                        ::epoll_ctl(ep, EPOLL_CTL_MOD, s.fd, &ev);
                    }
                }
            }
            if (s.fd >= 0 && (events[e].events & (EPOLLIN | EPOLLHUP | EPOLLERR))) {
                for (;;) {
                    const ssize_t r = ::recv(s.fd, buffer, sizeof buffer, 0);
                    if (r > 0) {
                        s.answer.append(buffer, static_cast<std::size_t>(r));
                        continue;
                    }
                    if (r == 0)
                        finish(index, true);
                    else if (errno != EAGAIN && errno != EWOULDBLOCK)
                        finish(index, false);
                    break;
                }
            }
        }
        if (running && Clock::now() >= end)
            running = false;
        if (running)
            for (std::size_t i = 0; i < slots.size(); ++i)
                if (slots[i].fd < 0)
                    open(i);
    }
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    ::close(ep);
    return result;
}

double ProcessCpuSeconds(int pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    // The command name may hold blanks; the fields after it are counted from its ")".
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::atof(field.c_str());
        else if (i == 15)
            stime = std::atof(field.c_str());
    }
    return (utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

Memory ProcessMemory(int pid)
{
    Memory m;
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string key;
        long value = 0;
        fields >> key >> value;
        if (key == "VmRSS:")
            m.rssKb = value;
        else if (key == "VmHWM:")
            m.peakKb = value;
    }
    return m;
}

} // namespace bsbench
