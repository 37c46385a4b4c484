// Memory of nk-boardserver holding many stored messages: a data directory is filled with posts
// (100,000 by default) through the post store, then the server is started on it and serves
// stored message pages and topic lists; the reference is the same server and load on an empty
// data directory, in the same process.
//
//   boardserver_memory [--messages N] [--seconds S]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/boardserver/loadclient.h"
#include "boardserver/dataset.h"
#include "boardserver/pages.h"
#include "boardserver/poststore.h"
#include "boardserver/testing/serverprocess.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string TempDir()
{
    char pattern[] = "/tmp/nk-bsmem-XXXXXX";
    return ::mkdtemp(pattern) ? pattern : "";
}

struct Run {
    double startSeconds = 0;
    bsbench::LoadResult load;
    bsbench::Memory memory;
    long long stored = 0;
};

Run Serve(const std::string &dir, const std::vector<std::string> &requests, double seconds)
{
    Run run;
    boardserver::testing::ServerProcess server;
    const auto start = Clock::now();
    std::string error;
    if (!server.start({"--data", dir}, &error, 120000)) {
        std::fprintf(stderr, "cannot start the server: %s\n", error.c_str());
        std::exit(1);
    }
    run.startSeconds = SecondsSince(start);
    auto good = [](const std::string &a) { return a.rfind("HTTP/1.0 200 OK\r\n", 0) == 0; };
    run.load = bsbench::RunLoad(server.port(), requests, 5, seconds, good);
    run.memory = bsbench::ProcessMemory(server.pid());
    run.stored = server.stat("stored");
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    long messages = 100000;
    double seconds = 3;
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--messages")
            messages = std::atol(argv[++i]);
        else if (a == "--seconds")
            seconds = std::atof(argv[++i]);
    }

    const boardserver::DatasetOptions options;
    const boardserver::Dataset data(options);
    const boardserver::Endpoints ep;
    struct Slot {
        const boardserver::Board *board;
        const boardserver::Topic *topic;
        int stored = 0;
    };
    std::vector<Slot> slots;
    for (const auto &b : data.boards())
        for (const auto &t : b.topics)
            slots.push_back({&b, &t, 0});

    const std::string filled = TempDir();
    const std::string empty = TempDir();
    const auto fillStart = Clock::now();
    {
        boardserver::PostStore store;
        std::string error;
        if (!store.open(filled, options.fingerprint(), &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        boardserver::Random random(5);
        // Round robin over every topic, each topic's posts stored in one go.
        std::vector<std::vector<boardserver::StoredPost>> pending(slots.size());
        for (long i = 0; i < messages; ++i) {
            Slot &slot = slots[static_cast<std::size_t>(i) % slots.size()];
            // Texts and titles of the sample data, so that the stored sizes are the usual ones.
            const auto sample = data.message(*slot.board, *slot.topic,
                                             1 + static_cast<int>(random.below(static_cast<std::uint64_t>(slot.topic->messageCount))));
            boardserver::StoredPost post;
            post.number = slot.topic->messageCount + ++slot.stored;
            post.replyTo = post.number - 1;
            post.minute = sample.minute + 100000;
            post.author = sample.author;
            post.title = sample.title;
            post.text = sample.text;
            pending[static_cast<std::size_t>(i) % slots.size()].push_back(std::move(post));
        }
        for (std::size_t k = 0; k < slots.size(); ++k) {
            if (!pending[k].empty() && !store.appendMany(slots[k].board->id, slots[k].topic->tid, pending[k], &error)) {
                std::fprintf(stderr, "%s\n", error.c_str());
                return 1;
            }
        }
    }
    const double fillSeconds = SecondsSince(fillStart);

    // Stored message pages and topic lists in a fixed shuffled order.
    std::vector<std::string> storedRequests, generatedRequests;
    boardserver::Random random(9);
    for (const Slot &slot : slots) {
        if (slot.stored > 0)
            storedRequests.push_back(bsbench::ProgramRequest(boardserver::MessageUrl(
                slot.board->id, slot.topic->tid,
                slot.topic->messageCount + 1 + static_cast<int>(random.below(static_cast<std::uint64_t>(slot.stored))), ep)));
        generatedRequests.push_back(bsbench::ProgramRequest(boardserver::MessageUrl(slot.board->id, slot.topic->tid, 1, ep)));
    }
    for (const auto &b : data.boards()) {
        storedRequests.push_back(bsbench::ProgramRequest(boardserver::TopicListUrl(b.id, ep)));
        generatedRequests.push_back(bsbench::ProgramRequest(boardserver::TopicListUrl(b.id, ep)));
    }

    const Run reference = Serve(empty, generatedRequests, seconds);
    const Run loaded = Serve(filled, storedRequests, seconds);

    std::error_code ec;
    const auto bytesOnDisk = [&] {
        std::uintmax_t total = 0;
        for (const auto &e : std::filesystem::recursive_directory_iterator(filled, ec))
            if (e.is_regular_file())
                total += e.file_size();
        return total;
    }();
    std::filesystem::remove_all(filled, ec);
    std::filesystem::remove_all(empty, ec);

    std::printf("filled %ld stored messages in %.1f s (%.1f MB on disk)\n", messages, fillSeconds,
                static_cast<double>(bytesOnDisk) / 1e6);
    std::printf("reference, empty data directory: start %.2f s, %ld KB resident, %ld KB peak, %.0f pages/s\n",
                reference.startSeconds, reference.memory.rssKb, reference.memory.peakKb, reference.load.perSecond());
    std::printf("%lld stored messages:            start %.2f s, %ld KB resident, %ld KB peak, %.0f pages/s\n",
                loaded.stored, loaded.startSeconds, loaded.memory.rssKb, loaded.memory.peakKb, loaded.load.perSecond());
    if (reference.memory.rssKb > 0 && messages > 0)
        std::printf("ratio resident / reference: %.2f; %.0f bytes per stored message\n",
                    static_cast<double>(loaded.memory.rssKb) / static_cast<double>(reference.memory.rssKb),
                    static_cast<double>(loaded.memory.rssKb - reference.memory.rssKb) * 1024.0 /
                        static_cast<double>(messages));
    return loaded.stored == messages && loaded.load.failed == 0 && reference.load.failed == 0 ? 0 : 1;
}
