// What the topic lists need of a topic log: its number of lines and the date and title of its
// first stored message, with a cache keyed by the file's identity, size and times.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <unordered_map>

namespace store {

struct LogSummary {
    /// Lines as base::SplitLines counts them (CR, LF or CR LF; a last line without a break
    /// counts).
    int lines = 0;
    std::string firstDate;  ///< field 3 of the first line: date and time of the first message
    std::string firstTitle; ///< field 5 of the first line: the topic's title
    bool operator==(const LogSummary &) const = default;
};

/// Reads the log at path once. Nullopt when it is not a regular file or cannot be read.
std::optional<LogSummary> SummarizeLog(const std::string &path);

/// Keeps the summaries of the logs it has read. A summary is reused while the file keeps its
/// device, inode, size, modification and status-change times; a log replaced by rename, grown
/// or touched is read again. Opening a board reads every listed log and every log-only log of
/// its directory, which without the cache is the whole directory each time. Main thread.
class LogSummaryCache {
public:
    explicit LogSummaryCache(std::size_t maxEntries = 100000) : m_maxEntries(maxEntries) {}

    std::optional<LogSummary> summarize(const std::string &path);

    std::size_t size() const { return m_entries.size(); }
    void clear() { m_entries.clear(); }
    /// How many summaries were read from disk rather than reused (for tests and benchmarks).
    std::size_t reads() const { return m_reads; }

private:
    struct Stamp {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        timespec changed{};
        bool operator==(const Stamp &other) const;
    };
    struct Entry {
        Stamp stamp;
        LogSummary summary;
    };

    std::size_t m_maxEntries;
    std::size_t m_reads = 0;
    std::unordered_map<std::string, Entry> m_entries;
};

/// Summarizes through cache when it is given, else straight from the file.
std::optional<LogSummary> SummarizeLog(const std::string &path, LogSummaryCache *cache);

} // namespace store
