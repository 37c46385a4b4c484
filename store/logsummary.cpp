// Counting a log's lines in one pass over the file, and the summary cache.
#include "store/logsummary.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "store/boardfields.h"

namespace store {

namespace {

// Counts lines chunk by chunk with the rules of base::SplitLines: every CR, LF or CR LF ends a
// line, and text after the last break is one more line. Breaks are found with memchr, a pass for
// LF and one for CR (whose next byte tells a lone CR from CR LF): about twice the cost of reading
// the file, where a byte loop costs four times.
class LineCounter {
public:
    void feed(const char *data, std::size_t size)
    {
        const char *begin = data;
        const char *end = data + size;
        if (m_pendingCr && begin < end && *begin == '\n')
            ++begin; // the LF of a CR LF split between two chunks; its CR was counted
        if (begin < end)
            m_pendingCr = false;
        for (const char *lf = begin; lf < end; ++lf) {
            lf = static_cast<const char *>(std::memchr(lf, '\n', static_cast<std::size_t>(end - lf)));
            if (!lf)
                break;
            ++m_breaks;
        }
        for (const char *cr = begin; cr < end; ++cr) {
            cr = static_cast<const char *>(std::memchr(cr, '\r', static_cast<std::size_t>(end - cr)));
            if (!cr)
                break;
            if (cr + 1 == end) {
                ++m_breaks;
                m_pendingCr = true;
            } else if (cr[1] != '\n') {
                ++m_breaks; // a lone CR; in CR LF the LF is the one counted
            }
        }
        if (begin < end)
            m_endsWithBreak = end[-1] == '\n' || end[-1] == '\r';
    }

    int lines() const { return static_cast<int>(m_breaks + (m_endsWithBreak ? 0 : 1)); }

private:
    std::ptrdiff_t m_breaks = 0;
    bool m_pendingCr = false;
    bool m_endsWithBreak = true; // an empty text has no line
};

} // namespace

std::optional<LogSummary> SummarizeLog(const std::string &path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    LineCounter counter;
    std::string firstLine;
    bool firstLineDone = false;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        auto size = static_cast<std::size_t>(n);
        if (!firstLineDone) {
            std::string_view chunk(buffer, size);
            auto brk = chunk.find_first_of("\r\n");
            firstLine.append(chunk.substr(0, brk));
            firstLineDone = brk != std::string_view::npos;
        }
        counter.feed(buffer, size);
    }
    ::close(fd);
    LogSummary summary;
    summary.lines = counter.lines();
    summary.firstDate = std::string(TabField(firstLine, 2));
    summary.firstTitle = std::string(TabField(firstLine, 4));
    return summary;
}

bool LogSummaryCache::Stamp::operator==(const Stamp &other) const
{
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
           changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
}

std::optional<LogSummary> LogSummaryCache::summarize(const std::string &path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        m_entries.erase(path);
        return std::nullopt;
    }
    Stamp stamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
    if (auto it = m_entries.find(path); it != m_entries.end() && it->second.stamp == stamp)
        return it->second.summary;
    ++m_reads;
    auto summary = SummarizeLog(path);
    if (!summary) {
        m_entries.erase(path);
        return std::nullopt;
    }
    if (m_entries.size() >= m_maxEntries)
        m_entries.clear();
    // The stamp of the stat before the read: a file changed meanwhile is read again next time.
    m_entries[path] = Entry{stamp, *summary};
    return summary;
}

std::optional<LogSummary> SummarizeLog(const std::string &path, LogSummaryCache *cache)
{
    return cache ? cache->summarize(path) : SummarizeLog(path);
}

} // namespace store
