// Worker threads over topic log files, and the scan of one log's bytes.
#include "search/logsearch.h"

#include "base/text.h"
#include "store/threadlog.h"

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace search {

namespace {

long long NowMillis()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string_view WithoutLineEnd(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

// The topic's title as the results show it: message 1's title when the log starts with it.
std::string TitleOf(std::string_view text, const LogSource &source)
{
    const std::size_t lf = text.find('\n');
    const store::LogFields first = store::SplitLogLine(WithoutLineEnd(text.substr(0, lf)));
    if (first.number == "1" && !first.title.empty())
        return PlainFieldText(first.title);
    if (!source.listedTitle.empty())
        return source.listedTitle;
    return source.topicId;
}

} // namespace

bool ReadLogFile(const std::string &path, std::string &out)
{
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::size_t>(st.st_size) > kMaxLogBytes) {
        ::close(fd);
        return false;
    }
    // The size is a hint: a log replaced or grown meanwhile is read to its end all the same.
    out.resize(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == out.size()) {
            if (out.size() > kMaxLogBytes) { // grown past the bound while being read
                out.clear();
                ::close(fd);
                return false;
            }
            out.resize(out.size() * 2 + 4096);
        }
        const ssize_t got = ::read(fd, out.data() + used, out.size() - used);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            const bool ok = got == 0;
            out.resize(used);
            ::close(fd);
            return ok;
        }
        used += static_cast<std::size_t>(got);
    }
}

std::vector<Hit> SearchLogText(std::string_view text, const Matcher &matcher, const LogSource &source,
                               std::size_t sourceIndex, const std::atomic<bool> *stop)
{
    std::vector<Hit> hits;
    std::string scratch;
    const std::string_view prepared = matcher.prepare(text, scratch);
    if (prepared.size() != text.size())
        return hits; // a matcher that broke its promise finds nothing rather than reading past the text
    std::optional<std::string> title;
    std::size_t from = 0;
    while (from < text.size()) {
        if (stop && stop->load(std::memory_order_relaxed))
            break;
        const std::size_t candidate = matcher.nextCandidate(prepared, from);
        if (candidate == std::string_view::npos || candidate >= text.size())
            break;
        const void *lf = candidate > from ? ::memrchr(text.data() + from, '\n', candidate - from) : nullptr;
        const std::size_t lineStart =
            lf ? static_cast<std::size_t>(static_cast<const char *>(lf) - text.data()) + 1 : from;
        const void *end = ::memchr(text.data() + candidate, '\n', text.size() - candidate);
        const std::size_t lineEnd =
            end ? static_cast<std::size_t>(static_cast<const char *>(end) - text.data()) : text.size();
        const std::string_view line = WithoutLineEnd(text.substr(lineStart, lineEnd - lineStart));
        from = lineEnd + 1;
        const std::optional<Span> span = matcher.findInLine(line, prepared.substr(lineStart, line.size()));
        if (!span || span->pos + span->length > line.size())
            continue;
        if (!title)
            title = TitleOf(text, source);
        const store::LogFields fields = store::SplitLogLine(line);
        Hit hit;
        hit.source = sourceIndex;
        hit.number = base::ParseInt(fields.number, 0);
        hit.title = *title;
        hit.dateTime = std::string(fields.dateTime);
        hit.span = *span;
        hit.excerpt = MakeExcerpt(line, *span);
        hits.push_back(std::move(hit));
    }
    return hits;
}

LogSearch::~LogSearch()
{
    stop();
}

void LogSearch::start(std::vector<LogSource> sources, std::shared_ptr<const Matcher> matcher, SearchCallbacks callbacks,
                      SearchOptions options)
{
    stop();
    m_sources = std::move(sources);
    m_matcher = std::move(matcher);
    m_callbacks = std::move(callbacks);
    m_options = options;
    m_next = 0;
    m_done = 0;
    m_hits = 0;
    m_bytes = 0;
    m_stop = false;
    m_limited = false;
    m_lastHandOver = NowMillis();
    int threads = std::max(1, options.threads);
    if (static_cast<std::size_t>(threads) > m_sources.size())
        threads = std::max<int>(1, static_cast<int>(m_sources.size()));
    m_active = threads;
    m_running = true;
    for (int i = 0; i < threads; ++i)
        m_threads.emplace_back([this] { work(); });
}

void LogSearch::stop()
{
    m_stop = true;
    wait();
}

void LogSearch::wait()
{
    for (std::thread &t : m_threads)
        if (t.joinable())
            t.join();
    m_threads.clear();
}

void LogSearch::flush(std::vector<Hit> &pending, bool force)
{
    std::lock_guard<std::mutex> lock(m_handOver);
    const long long now = NowMillis();
    if (!force && pending.size() < m_options.batchSize && now - m_lastHandOver < m_options.batchMillis)
        return;
    m_lastHandOver = now;
    if (!pending.empty() && m_callbacks.hits) {
        std::vector<Hit> batch;
        batch.swap(pending);
        m_callbacks.hits(std::move(batch));
    }
    pending.clear();
    if (m_callbacks.progress)
        m_callbacks.progress({m_done.load(), m_sources.size(), std::min(m_hits.load(), m_options.maxHits),
                              m_bytes.load(), m_limited.load()});
}

void LogSearch::work()
{
    std::vector<Hit> pending;
    std::string bytes;
    while (!m_stop.load() && !m_limited.load()) {
        const std::size_t i = m_next.fetch_add(1);
        if (i >= m_sources.size())
            break;
        if (ReadLogFile(m_sources[i].path, bytes)) {
            std::vector<Hit> found = SearchLogText(bytes, *m_matcher, m_sources[i], i, &m_stop);
            if (!found.empty()) {
                const std::size_t before = m_hits.fetch_add(found.size());
                if (before >= m_options.maxHits) {
                    found.clear();
                    m_limited = true;
                } else if (before + found.size() > m_options.maxHits) {
                    found.resize(m_options.maxHits - before);
                    m_limited = true;
                }
                for (Hit &h : found)
                    pending.push_back(std::move(h));
            }
            m_bytes += bytes.size();
        }
        ++m_done;
        flush(pending, false);
    }
    flush(pending, true);
    if (m_active.fetch_sub(1) == 1) {
        std::lock_guard<std::mutex> lock(m_handOver);
        Progress p{m_done.load(), m_sources.size(), std::min(m_hits.load(), m_options.maxHits), m_bytes.load(),
                   m_limited.load()};
        const bool stopped = m_stop.load();
        m_running = false;
        if (m_callbacks.finished)
            m_callbacks.finished(p, stopped);
    }
}

} // namespace search
