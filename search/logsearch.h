// The search through stored topic logs: worker threads read the log files, look for a matcher's
// matches line by line and hand the hits over in batches while the search runs. The files are
// read as they are on disk at that moment, so a message is found as soon as its log is written.
#pragma once

#include "search/matcher.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace search {

/// One topic log to search and what the results show for it.
struct LogSource {
    std::string path;      ///< the topic log file
    std::string boardName; ///< shown for its board
    std::string boardId;   ///< the board's id, empty when it is not known
    std::string topicId;
    std::string listedTitle; ///< the title of the board list file, used when the log lacks message 1
};

/// A message that matched.
struct Hit {
    std::size_t source = 0; ///< index into the sources searched
    int number = 0;         ///< message number (0 when field 1 is not one)
    std::string title;      ///< topic title: message 1's, else the listed one, else the topic id
    std::string dateTime;
    Span span;       ///< the match in its line
    Excerpt excerpt; ///< the text around the match
};

/// Where a search stands.
struct Progress {
    std::size_t filesDone = 0;
    std::size_t filesTotal = 0;
    std::size_t hits = 0;
    std::size_t bytesRead = 0;
    bool limited = false; ///< the hit limit was reached: the search ended early
};

struct SearchOptions {
    int threads = 2;
    std::size_t maxHits = 10000;
    /// Hits are handed over when this many are waiting, or when a file ends and batchMillis
    /// have passed since the last hand-over.
    std::size_t batchSize = 200;
    int batchMillis = 50;
};

/// The hand-over points, called on the worker threads (never two at once).
struct SearchCallbacks {
    std::function<void(std::vector<Hit> hits)> hits;
    std::function<void(const Progress &)> progress;
    /// Called once, last, also after a stop.
    std::function<void(const Progress &, bool stopped)> finished;
};

/// The largest log read: far beyond any topic's log, and a bound on what a worker holds.
inline constexpr std::size_t kMaxLogBytes = 256u << 20;

/// Reads path whole; false when it cannot be read or is larger than kMaxLogBytes. Damaged bytes
/// are read as they are.
bool ReadLogFile(const std::string &path, std::string &out);

/// Every hit of matcher in one log text (what a worker does with a file's bytes), in line order.
/// stop is looked at between lines.
std::vector<Hit> SearchLogText(std::string_view text, const Matcher &matcher, const LogSource &source,
                               std::size_t sourceIndex, const std::atomic<bool> *stop = nullptr);

/// One search at a time. The destructor stops a running search and waits for its threads.
class LogSearch {
public:
    LogSearch() = default;
    ~LogSearch();
    LogSearch(const LogSearch &) = delete;
    LogSearch &operator=(const LogSearch &) = delete;

    /// Stops a search still running, then starts one over sources. The sources and the matcher
    /// stay alive until the search ends.
    void start(std::vector<LogSource> sources, std::shared_ptr<const Matcher> matcher, SearchCallbacks callbacks,
               SearchOptions options = {});
    /// Asks the running search to stop and waits until its threads have ended (finished has
    /// been called by then).
    void stop();
    /// Asks the running search to stop, without waiting for it.
    void requestStop() { m_stop = true; }
    bool stopRequested() const { return m_stop.load(); }
    /// Waits until the running search has ended by itself.
    void wait();
    bool running() const { return m_running.load(); }

private:
    void work();
    void flush(std::vector<Hit> &pending, bool force);

    std::vector<LogSource> m_sources;
    std::shared_ptr<const Matcher> m_matcher;
    SearchCallbacks m_callbacks;
    SearchOptions m_options;
    std::vector<std::thread> m_threads;
    std::atomic<std::size_t> m_next{0};
    std::atomic<std::size_t> m_done{0};
    std::atomic<std::size_t> m_hits{0};
    std::atomic<std::size_t> m_bytes{0};
    std::atomic<int> m_active{0};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_limited{false};
    std::atomic<bool> m_running{false};
    std::mutex m_handOver; ///< one callback at a time
    long long m_lastHandOver = 0;
};

} // namespace search
