// Message pages per second from nk-boardserver on loopback: an epoll client with five
// connections in flight, one request per connection, against a reference run of the same client
// on the server's smallest answer (/_nk/ping) in the same process.
//
//   boardserver_throughput [--seconds S] [--in-flight N] [-- server arguments...]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/boardserver/loadclient.h"
#include "boardserver/dataset.h"
#include "boardserver/pages.h"
#include "boardserver/testing/serverprocess.h"

int main(int argc, char **argv)
{
    double seconds = 5;
    int inFlight = 5;
    std::vector<std::string> serverArgs;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seconds" && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else if (a == "--in-flight" && i + 1 < argc)
            inFlight = std::atoi(argv[++i]);
        else if (a == "--")
            serverArgs.assign(argv + i + 1, argv + argc);
        if (a == "--")
            break;
    }
    if (!serverArgs.empty()) {
        std::fprintf(stderr, "server arguments change the sample data; the URLs here assume the defaults\n");
        return 2;
    }

    boardserver::testing::ServerProcess server;
    std::string error;
    if (!server.start({}, &error)) {
        std::fprintf(stderr, "cannot start the server: %s\n", error.c_str());
        return 1;
    }

    // Message pages spread over every topic of the default sample boards, huge topics included.
    const boardserver::Dataset data{boardserver::DatasetOptions{}};
    const boardserver::Endpoints ep;
    std::vector<std::string> requests;
    boardserver::Random random(42);
    for (const boardserver::Board &b : data.boards())
        for (const boardserver::Topic &t : b.topics)
            for (int k = 0; k < 3; ++k)
                requests.push_back(bsbench::ProgramRequest(boardserver::MessageUrl(
                    b.id, t.tid, 1 + static_cast<int>(random.below(static_cast<std::uint64_t>(t.messageCount))), ep)));
    for (std::size_t i = requests.size(); i > 1; --i)
        std::swap(requests[i - 1], requests[random.below(i)]);

    // A good answer is a whole 200 page: the status line and the end of the HTML.
    auto page = [](const std::string &a) {
        return a.rfind("HTTP/1.0 200 OK\r\n", 0) == 0 && a.size() > 7 && a.compare(a.size() - 8, 8, "</html>\n") == 0 &&
               (a.find("<big><b>") != std::string::npos || a.find("<center><b>") != std::string::npos);
    };
    auto ping = [](const std::string &a) { return a.rfind("HTTP/1.0 200 OK\r\n", 0) == 0; };

    bsbench::RunLoad(server.port(), requests, inFlight, 0.5, page); // warm-up
    // The server's own CPU time per answer does not depend on what else the machine runs.
    double cpu = bsbench::ProcessCpuSeconds(server.pid());
    const auto reference = bsbench::RunLoad(server.port(), {bsbench::ProgramRequest("/_nk/ping")}, inFlight, seconds, ping);
    const double referenceCpu = bsbench::ProcessCpuSeconds(server.pid()) - cpu;
    cpu = bsbench::ProcessCpuSeconds(server.pid());
    const auto pages = bsbench::RunLoad(server.port(), requests, inFlight, seconds, page);
    const double pagesCpu = bsbench::ProcessCpuSeconds(server.pid()) - cpu;
    const auto memory = bsbench::ProcessMemory(server.pid());
    auto perCpuSecond = [](const bsbench::LoadResult &r, double cpuSeconds) {
        return cpuSeconds > 0 ? static_cast<double>(r.completed) / cpuSeconds : 0.0;
    };

    std::printf("in flight: %d, one request per connection, %.1f s per run\n", inFlight, seconds);
    std::printf("reference /_nk/ping:  %8.0f answers/s (%llu, %llu failed)\n", reference.perSecond(),
                static_cast<unsigned long long>(reference.completed), static_cast<unsigned long long>(reference.failed));
    std::printf("message pages:        %8.0f pages/s   (%llu, %llu failed, %.1f KB average)\n", pages.perSecond(),
                static_cast<unsigned long long>(pages.completed), static_cast<unsigned long long>(pages.failed),
                pages.completed ? static_cast<double>(pages.bytes) / static_cast<double>(pages.completed) / 1024 : 0.0);
    std::printf("ratio pages / reference: %.2f\n", reference.perSecond() > 0 ? pages.perSecond() / reference.perSecond() : 0);
    std::printf("server CPU: %.1f us per ping, %.1f us per page: %.0f pages per CPU second (ratio %.2f)\n",
                reference.completed ? referenceCpu * 1e6 / static_cast<double>(reference.completed) : 0.0,
                pages.completed ? pagesCpu * 1e6 / static_cast<double>(pages.completed) : 0.0, perCpuSecond(pages, pagesCpu),
                perCpuSecond(reference, referenceCpu) > 0 ? perCpuSecond(pages, pagesCpu) / perCpuSecond(reference, referenceCpu)
                                                          : 0.0);
    std::printf("server memory: %ld KB resident, %ld KB peak\n", memory.rssKb, memory.peakKb);
    return pages.failed == 0 && reference.failed == 0 ? 0 : 1;
}
