// nk-boardserver: the substitute board service on loopback, for the demo, the tests and the
// benchmarks.
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "boardserver/corpus.h"
#include "boardserver/dataset.h"
#include "boardserver/faults.h"
#include "boardserver/options.h"
#include "boardserver/poststore.h"
#include "boardserver/server.h"
#include "boardserver/service.h"

namespace {

boardserver::Server *g_server = nullptr;

extern "C" void OnSignal(int)
{
    if (g_server)
        g_server->stop();
}

void RaiseFileLimit(int connections)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return;
    const rlim_t wanted = static_cast<rlim_t>(connections) + 64;
    if (limit.rlim_cur >= wanted)
        return;
    limit.rlim_cur = std::min(wanted, limit.rlim_max);
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

// A data directory of our own when none is given; removed again at exit.
std::string MakeTemporaryDataDir()
{
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/nk-boardserver-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data()))
        return {};
    return buffer.data();
}

} // namespace

int main(int argc, char **argv)
{
    using namespace boardserver;
    std::signal(SIGPIPE, SIG_IGN);

    ProgramOptions options;
    std::string error;
    const CommandLine parsed = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), options, &error);
    if (parsed == CommandLine::Help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (parsed == CommandLine::Error) {
        std::fprintf(stderr, "nk-boardserver: %s (see --help)\n", error.c_str());
        return 2;
    }
    if (!PrepareCorpus(&error)) {
        std::fprintf(stderr, "nk-boardserver: %s\n", error.c_str());
        return 1;
    }

    FaultSet faults;
    for (const std::string &rule : options.faults)
        faults.add(rule, nullptr); // checked while reading the command line

    const bool temporary = options.dataDir.empty();
    if (temporary) {
        options.dataDir = MakeTemporaryDataDir();
        if (options.dataDir.empty()) {
            std::fprintf(stderr, "nk-boardserver: cannot create a temporary data directory\n");
            return 1;
        }
    }
    int status = 0;
    {
        const Dataset data(options.dataset);
        PostStore store;
        std::vector<std::string> warnings;
        if (!store.open(options.dataDir, options.dataset.fingerprint(), &error, &warnings)) {
            std::fprintf(stderr, "nk-boardserver: %s\n", error.c_str());
            status = 1;
        }
        for (const std::string &warning : warnings)
            std::fprintf(stderr, "nk-boardserver: %s\n", warning.c_str());

        ServiceOptions serviceOptions;
        serviceOptions.endpoints = options.endpoints;
        serviceOptions.accounts = options.accounts;
        serviceOptions.markupSeed = options.markupSeed;
        serviceOptions.sessionSeed = (static_cast<std::uint64_t>(std::random_device{}()) << 32) ^ std::random_device{}();
        BoardService service(data, store, serviceOptions);

        RaiseFileLimit(options.server.maxConnections);
        Server server(service, faults, options.server);
        if (status == 0 && !server.listen(&error)) {
            std::fprintf(stderr, "nk-boardserver: %s\n", error.c_str());
            status = 1;
        }
        if (status == 0) {
            std::printf("%d\n", server.port());
            std::fflush(stdout);
            g_server = &server;
            struct sigaction action {};
            action.sa_handler = OnSignal;
            sigemptyset(&action.sa_mask);
            ::sigaction(SIGTERM, &action, nullptr);
            ::sigaction(SIGINT, &action, nullptr);
            server.run();
            g_server = nullptr;
        }
    }
    if (temporary) {
        std::error_code ec;
        std::filesystem::remove_all(options.dataDir, ec);
    }
    return status;
}
