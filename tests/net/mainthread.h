// The test's own thread acting as the main thread: it owns a pipeline, handles its notices in a
// loop the way the main window does, and records what arrived.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "net/notice.h"
#include "net/pipeline.h"
#include "settings/settings.h"

namespace nettest {

/// One handled notice, with copies of what its payload held.
struct SeenNotice {
    net::NoticeCode code;
    std::string url;
    std::string key;
    int value = 0;
    MessageRecord message{};             ///< notice 7
    bool givenUp = false;                ///< notice 7: the failure message of a given-up request
    std::vector<std::string> names;      ///< notice 1 (category URLs), 5 (topic ids), 11 (nicknames)
    std::string text;                    ///< notice 10
    std::optional<std::string> location; ///< notice 14
    std::chrono::steady_clock::time_point at;
};

class TestMainThread final : public net::NoticeHandler {
public:
    explicit TestMainThread(net::PipelineOptions options = {});
    ~TestMainThread() override;

    /// The plug-in whose parsers the workers call (the fake one unless told otherwise).
    void usePlugin(void *module);
    /// Sends every request to 127.0.0.1:port as the proxy, with the given per-wait time-out.
    void useProxy(int port, int timeout = 2000);
    /// Applies network to the pipeline.
    void applyNetwork();

    /// Handles notices until done() holds or timeout passes; false on time-out.
    bool runUntil(const std::function<bool()> &done, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    /// Handles notices for the whole duration.
    void runFor(std::chrono::milliseconds duration);
    /// Nothing waits, nothing runs and no worker thread is left.
    bool idle() const;
    /// Runs until idle.
    bool runUntilIdle(std::chrono::milliseconds timeout = std::chrono::seconds(10));

    int count(net::NoticeCode code) const;
    std::vector<SeenNotice> seen(net::NoticeCode code) const;

    int handleNotice(net::NoticeCode code, const void *payload) override;
    void handleStatus(net::StatusEvent event) override;

    std::shared_ptr<net::NoticeQueue> queue;
    net::Pipeline pipeline;
    settings::NetworkSettings network;
    void *plugin = nullptr;

    /// The answer to notice 7; 0 when not set.
    std::function<int(const MessageRecord &, const net::PageResult &)> onMessage;
    /// Called for notice 1, before the record is stored.
    std::function<void(const net::CategoryResult &)> onCategories;

    std::vector<SeenNotice> notices;
    std::map<std::string, std::string> captions; ///< topic-list URL → tab caption
    std::string panel0, panel1, panel3;
    int progress = 0;
    int maxProgress = 0;
    int crawlsFinished = 0;
    /// Category workers started and not yet ended (by notice 16, or notice 3 with a retry
    /// queued), and the most there ever were.
    int categoryInFlight = 0;
    int maxCategoryInFlight = 0;
    std::vector<std::string> panel1AtWorkerEnd; ///< panel 1 after each notice 4

private:
    void apply(const net::StatusChange &change);
};

/// The fake plug-in's module, loaded once; null in binaries built without it.
void *FakePlugin();

} // namespace nettest
