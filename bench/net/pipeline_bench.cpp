// Throughput of the request pipeline against a minimal epoll client, both fetching the same
// message pages of one topic from the substitute board server on loopback.
//
// The pipeline run is the program's road: EnqueueRequest for every message, thread_max 5
// workers, one connection and one thread per request, ParseThread of the real plug-in, and a
// main thread that stores each record when its notice arrives. The reference keeps 5
// connections in flight from one epoll loop and only receives. Both run in this process, at
// the same priority as the workers (nice 19), alternately, and the best round of each counts.
//
//   net_pipeline_bench [--messages N] [--rounds R] [--smoke] [--only pipeline|epoll]
//
// --only runs one side (for profiling) and prints its figures without a ratio.
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/net/pipelinerun.h"
#include "boardserver/dataset.h"
#include "boardserver/options.h"
#include "boardserver/testing/serverprocess.h"
#include "net/endpoints.h"
#include "plugin_api/loader.h"

namespace {

constexpr int kInFlight = 5;
const char kBoardBase[] = "http://messages.yahoo.co.jp/";

using Figures = benchnet::PipelineFigures;

double processCpuSeconds() { return benchnet::ProcessCpuSeconds(); }

Figures runPipeline(int port, void *plugin, const std::vector<std::string> &urls, const std::string &key)
{
    Figures f = benchnet::RunPipeline(port, plugin, urls, key, kInFlight);
    if (f.failures > 0)
        std::fprintf(stderr, "pipeline: %d failed exchanges\n", f.failures);
    return f;
}

/// One request of the reference client.
struct Connection {
    int fd = -1;
    std::string out;
    std::size_t sent = 0;
    std::size_t received = 0;
    bool sawBlankLine = false;
    std::string head; ///< the first bytes, to find the blank line
};

bool openConnection(int epoll, const sockaddr_in &address, const std::string &url, Connection &c)
{
    c = Connection{};
    c.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (c.fd < 0)
        return false;
    c.out = "GET " + url + " HTTP/1.0\r\nUser-Agent: Nekomado\r\n\r\n";
    int r = ::connect(c.fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    if (r != 0 && errno != EINPROGRESS) {
        ::close(c.fd);
        return false;
    }
    epoll_event event{};
    event.events = EPOLLOUT | EPOLLIN | EPOLLRDHUP;
    event.data.ptr = &c;
    return ::epoll_ctl(epoll, EPOLL_CTL_ADD, c.fd, &event) == 0;
}

Figures runEpollClient(int port, const std::vector<std::string> &urls)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int epoll = ::epoll_create1(EPOLL_CLOEXEC);
    std::vector<Connection> slots(kInFlight);
    std::size_t next = 0;
    int active = 0;
    Figures f;

    double cpu0 = processCpuSeconds();
    auto t0 = std::chrono::steady_clock::now();
    for (auto &slot : slots)
        if (next < urls.size() && openConnection(epoll, address, urls[next++], slot))
            ++active;
    epoll_event events[kInFlight];
    char buffer[16384];
    while (active > 0) {
        int n = ::epoll_wait(epoll, events, kInFlight, 10000);
        if (n <= 0)
            break;
        for (int i = 0; i < n; ++i) {
            auto &c = *static_cast<Connection *>(events[i].data.ptr);
            if ((events[i].events & EPOLLOUT) && c.sent < c.out.size()) {
                ssize_t s = ::send(c.fd, c.out.data() + c.sent, c.out.size() - c.sent, MSG_NOSIGNAL);
                if (s > 0)
                    c.sent += static_cast<std::size_t>(s);
                if (c.sent == c.out.size()) {
                    epoll_event event{};
                    event.events = EPOLLIN | EPOLLRDHUP;
                    event.data.ptr = &c;
                    ::epoll_ctl(epoll, EPOLL_CTL_MOD, c.fd, &event);
                }
            }
            bool closed = false;
            for (;;) {
                ssize_t r = ::recv(c.fd, buffer, sizeof buffer, 0);
                if (r > 0) {
                    c.received += static_cast<std::size_t>(r);
                    if (!c.sawBlankLine) {
                        c.head.append(buffer, static_cast<std::size_t>(std::min<ssize_t>(r, 4096)));
                        c.sawBlankLine = c.head.find("\r\n\r\n") != std::string::npos;
                    }
                    continue;
                }
                if (r == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
                    closed = true;
                break;
            }
            if (!closed)
                continue;
            ::epoll_ctl(epoll, EPOLL_CTL_DEL, c.fd, nullptr);
            ::close(c.fd);
            if (c.sawBlankLine && c.head.compare(0, 12, "HTTP/1.0 200") == 0)
                ++f.completed;
            --active;
            if (next < urls.size() && openConnection(epoll, address, urls[next++], c))
                ++active;
        }
    }
    f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    f.cpuSeconds = processCpuSeconds() - cpu0;
    ::close(epoll);
    return f;
}

/// Runs work on a thread at the workers' priority, so that both sides compete alike.
template <typename Work>
Figures atLowestPriority(Work work)
{
    Figures f;
    std::thread([&] {
        (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
        f = work();
    }).join();
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    int messages = 5000;
    int rounds = 3;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--smoke") {
            messages = 200;
            rounds = 1;
        } else if (arg == "--messages" && i + 1 < argc) {
            messages = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--only" && i + 1 < argc && (std::string(argv[i + 1]) == "pipeline" ||
                                                        std::string(argv[i + 1]) == "epoll")) {
            only = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--messages N] [--rounds R] [--smoke] [--only pipeline|epoll]\n", argv[0]);
            return 2;
        }
    }

    // One board with one topic of exactly `messages` messages, none deleted.
    std::vector<std::string> arguments = {"--categories", "1", "--depth",  "1", "--subcategories", "1", "--boards",
                                          "1",            "--topics",     "1", "--huge", "1", "--huge-messages",
                                          std::to_string(messages), "--deleted", "0"};
    boardserver::ProgramOptions options;
    std::string error;
    if (boardserver::ParseCommandLine(arguments, options, &error) != boardserver::CommandLine::Run) {
        std::fprintf(stderr, "server options: %s\n", error.c_str());
        return 1;
    }
    boardserver::Dataset dataset(options.dataset);
    const boardserver::Board *board = nullptr;
    const boardserver::Topic *topic = nullptr;
    for (const auto &b : dataset.boards())
        for (const auto &t : b.topics)
            if (t.messageCount == messages && !topic) {
                board = &b;
                topic = &t;
            }
    if (!topic) {
        std::fprintf(stderr, "no topic of %d messages in the sample data\n", messages);
        return 1;
    }
    boardserver::testing::ServerProcess server;
    if (!server.start(arguments, &error)) {
        std::fprintf(stderr, "board server: %s\n", error.c_str());
        return 1;
    }
    void *plugin = plugin_api::LoadPlugin(NK_HAKOBUNE_PATH, 0);
    if (!plugin) {
        std::fprintf(stderr, "cannot load %s\n", NK_HAKOBUNE_PATH);
        return 1;
    }

    std::vector<std::string> urls;
    for (int mid = 1; mid <= messages; ++mid)
        urls.push_back(net::MessageUrl(kBoardBase, board->id, topic->tid, mid));
    const std::string key = net::MessageUrl(kBoardBase, board->id, topic->tid, 0);

    // A short warm-up of both, then alternate rounds; the best of each counts.
    if (!only.empty()) {
        for (int round = 0; round < rounds; ++round) {
            Figures f = only == "epoll" ? atLowestPriority([&] { return runEpollClient(server.port(), urls); })
                                        : runPipeline(server.port(), plugin, urls, key);
            std::printf("%s: %.0f requests/s, CPU %.1f us/request, %d complete\n", only.c_str(), messages / f.seconds,
                        f.cpuSeconds / messages * 1e6, f.completed);
        }
        return 0;
    }

    std::vector<std::string> warmUp(urls.begin(), urls.begin() + std::min<std::size_t>(urls.size(), 100));
    atLowestPriority([&] { return runEpollClient(server.port(), warmUp); });
    runPipeline(server.port(), plugin, warmUp, key);

    Figures bestReference, bestPipeline;
    for (int round = 0; round < rounds; ++round) {
        Figures reference = atLowestPriority([&] { return runEpollClient(server.port(), urls); });
        Figures pipeline = runPipeline(server.port(), plugin, urls, key);
        std::printf("round %d: epoll %.3f s (%d ok), pipeline %.3f s (%d stored)\n", round + 1, reference.seconds,
                    reference.completed, pipeline.seconds, pipeline.completed);
        if (reference.completed != messages || pipeline.completed != messages) {
            std::fprintf(stderr, "incomplete round: not every message arrived\n");
            return 1;
        }
        if (bestReference.seconds == 0 || reference.seconds < bestReference.seconds)
            bestReference = reference;
        if (bestPipeline.seconds == 0 || pipeline.seconds < bestPipeline.seconds)
            bestPipeline = pipeline;
    }

    double referenceRate = messages / bestReference.seconds;
    double pipelineRate = messages / bestPipeline.seconds;
    double ratio = pipelineRate / referenceRate;
    std::printf("messages                %d\n", messages);
    std::printf("epoll client            %.0f requests/s, CPU %.1f us/request\n", referenceRate,
                bestReference.cpuSeconds / messages * 1e6);
    std::printf("pipeline (thread_max 5) %.0f requests/s, CPU %.1f us/request (parse and store included)\n",
                pipelineRate, bestPipeline.cpuSeconds / messages * 1e6);
    // One thread and one connection per request is the pipeline's design: the ratio is reported
    // for comparison within a run, not held to a minimum.
    std::printf("ratio pipeline/epoll    %.2f\n", ratio);
    return 0;
}
