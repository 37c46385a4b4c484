// Posted messages in the data directory: segment files replaced atomically, an index in memory.
#include "boardserver/poststore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace boardserver {

namespace fs = std::filesystem;

namespace {

constexpr int kPostsPerSegment = 16;
constexpr std::string_view kSegmentMagic = "NKPOSTS 1\n";
constexpr std::string_view kFingerprintFile = "dataset.txt";
// Limits that no post the server accepts comes near; anything beyond them is damage.
constexpr std::uint64_t kMaxFieldLength = 1 << 20;

std::string Key(std::string_view board, std::string_view tid)
{
    std::string key;
    key.reserve(board.size() + tid.size() + 1);
    key += board;
    key += '\t';
    key += tid;
    return key;
}

std::string ErrnoText(const std::string &what)
{
    return what + ": " + std::strerror(errno);
}

bool ReadWholeFile(const std::string &path, std::string &out)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    out.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

struct SegmentRecord {
    std::int64_t number = 0, replyTo = 0, minute = 0;
    std::string_view author, title, text;
    std::size_t titleOffset = 0;
};

bool ReadNumber(std::string_view data, std::size_t &pos, char end, std::int64_t &value, bool allowNegative)
{
    bool negative = false;
    if (allowNegative && pos < data.size() && data[pos] == '-') {
        negative = true;
        ++pos;
    }
    const std::size_t start = pos;
    std::int64_t v = 0;
    while (pos < data.size() && data[pos] >= '0' && data[pos] <= '9') {
        if (pos - start >= 15)
            return false;
        v = v * 10 + (data[pos] - '0');
        ++pos;
    }
    if (pos == start || pos >= data.size() || data[pos] != end)
        return false;
    ++pos;
    value = negative ? -v : v;
    return true;
}

// Walks the records of a segment file; returns the length of its sound prefix and sets damaged
// when something after that prefix could not be read.
template <typename Fn>
std::size_t ParseSegment(std::string_view data, bool &damaged, Fn &&onRecord)
{
    damaged = false;
    if (data.substr(0, kSegmentMagic.size()) != kSegmentMagic) {
        damaged = !data.empty();
        return 0;
    }
    std::size_t pos = kSegmentMagic.size();
    while (pos < data.size()) {
        std::size_t p = pos;
        SegmentRecord r;
        std::int64_t authorLen = 0, titleLen = 0, textLen = 0;
        if (data.substr(p, 2) != "P " || !ReadNumber(data, p += 2, ' ', r.number, false) ||
            !ReadNumber(data, p, ' ', r.replyTo, false) || !ReadNumber(data, p, ' ', r.minute, true) ||
            !ReadNumber(data, p, ' ', authorLen, false) || !ReadNumber(data, p, ' ', titleLen, false) ||
            !ReadNumber(data, p, '\n', textLen, false)) {
            damaged = true;
            return pos;
        }
        const auto total = static_cast<std::uint64_t>(authorLen + titleLen + textLen);
        if (static_cast<std::uint64_t>(authorLen) > kMaxFieldLength || static_cast<std::uint64_t>(titleLen) > kMaxFieldLength ||
            static_cast<std::uint64_t>(textLen) > kMaxFieldLength || r.number <= 0 || r.number > 0x7FFFFFFF ||
            r.replyTo > 0x7FFFFFFF || p + total + 1 > data.size() || data[p + total] != '\n') {
            damaged = true;
            return pos;
        }
        r.author = data.substr(p, static_cast<std::size_t>(authorLen));
        r.titleOffset = p + static_cast<std::size_t>(authorLen);
        r.title = data.substr(r.titleOffset, static_cast<std::size_t>(titleLen));
        r.text = data.substr(r.titleOffset + static_cast<std::size_t>(titleLen), static_cast<std::size_t>(textLen));
        onRecord(r);
        pos = p + total + 1;
    }
    return pos;
}

void AppendRecord(std::string &out, const StoredPost &post)
{
    out += "P ";
    out += std::to_string(post.number);
    out += ' ';
    out += std::to_string(post.replyTo);
    out += ' ';
    out += std::to_string(post.minute);
    out += ' ';
    out += std::to_string(post.author.size());
    out += ' ';
    out += std::to_string(post.title.size());
    out += ' ';
    out += std::to_string(post.text.size());
    out += '\n';
    out += post.author;
    out += post.title;
    out += post.text;
    out += '\n';
}

} // namespace

bool WriteFileAtomically(const std::string &path, std::string_view bytes, std::string *error)
{
    const std::string temp = path + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error)
            *error = ErrnoText("cannot create " + temp);
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (error)
                *error = ErrnoText("cannot write " + temp);
            ::close(fd);
            ::unlink(temp.c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        if (error)
            *error = ErrnoText("cannot write " + temp);
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        if (error)
            *error = ErrnoText("cannot replace " + path);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

PostStore::~PostStore()
{
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

bool PostStore::IsSafeName(std::string_view name)
{
    if (name.empty() || name.size() > 128)
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    });
}

bool PostStore::open(const std::string &dir, const std::string &fingerprint, std::string *error,
                     std::vector<std::string> *warnings)
{
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        if (error)
            *error = "cannot create " + dir + ": " + ec.message();
        return false;
    }
    m_dir = dir;
    while (m_dir.size() > 1 && m_dir.back() == '/')
        m_dir.pop_back();
    const std::string lockPath = dir + "/.lock";
    m_lockFd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (m_lockFd < 0 || ::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
        if (error)
            *error = "the data directory " + dir + " is in use by another server";
        return false;
    }

    const std::string fingerprintPath = dir + "/" + std::string(kFingerprintFile);
    std::string stored;
    if (ReadWholeFile(fingerprintPath, stored)) {
        while (!stored.empty() && (stored.back() == '\n' || stored.back() == '\r'))
            stored.pop_back();
        if (stored != fingerprint) {
            if (error)
                *error = "the data directory " + dir + " belongs to other sample data (" + stored +
                         "); start with the same sizes and seed, or use another directory";
            return false;
        }
    } else if (!WriteFileAtomically(fingerprintPath, fingerprint + "\n", error)) {
        return false;
    }

    const fs::path postsDir = fs::path(dir) / "posts";
    fs::create_directories(postsDir, ec);
    if (ec) {
        if (error)
            *error = "cannot create " + postsDir.string() + ": " + ec.message();
        return false;
    }
    // Boards, then topics, then segments, each in name order so that loading is repeatable.
    auto sortedEntries = [](const fs::path &p) {
        std::vector<fs::path> entries;
        std::error_code iterError;
        for (fs::directory_iterator it(p, iterError), end; !iterError && it != end; it.increment(iterError))
            entries.push_back(it->path());
        std::sort(entries.begin(), entries.end());
        return entries;
    };
    for (const fs::path &boardDir : sortedEntries(postsDir)) {
        const std::string board = boardDir.filename().string();
        if (!IsSafeName(board) || !fs::is_directory(boardDir, ec))
            continue;
        for (const fs::path &topicDir : sortedEntries(boardDir)) {
            const std::string tid = topicDir.filename().string();
            if (!IsSafeName(tid) || !fs::is_directory(topicDir, ec))
                continue;
            for (const fs::path &segment : sortedEntries(topicDir)) {
                const std::string stem = segment.stem().string();
                if (segment.extension() != ".seg" || stem.empty() || stem.size() > 9 ||
                    !std::all_of(stem.begin(), stem.end(), [](char c) { return c >= '0' && c <= '9'; }))
                    continue;
                loadSegment(segment.string(), board, tid, std::stoi(stem), warnings);
            }
        }
    }
    for (auto &[key, topic] : m_topics) {
        auto &posts = topic.posts;
        std::stable_sort(posts.begin(), posts.end(),
                         [](const PostMeta &a, const PostMeta &b) { return a.number < b.number; });
        posts.erase(std::unique(posts.begin(), posts.end(),
                                [](const PostMeta &a, const PostMeta &b) { return a.number == b.number; }),
                    posts.end());
    }
    m_messageCount = 0;
    for (const auto &[key, topic] : m_topics)
        m_messageCount += topic.posts.size();
    return true;
}

void PostStore::loadSegment(const std::string &path, const std::string &board, const std::string &tid,
                            int segment, std::vector<std::string> *warnings)
{
    std::string data;
    if (!ReadWholeFile(path, data)) {
        if (warnings)
            warnings->push_back("cannot read " + path);
        return;
    }
    const std::string key = Key(board, tid);
    auto it = m_topics.find(key);
    bool damaged = false;
    ParseSegment(data, damaged, [&](const SegmentRecord &r) {
        // A record filed under the wrong segment would be lost by the next rewrite of its own.
        if ((r.number - 1) / kPostsPerSegment != segment)
            return;
        if (it == m_topics.end()) {
            it = m_topics.emplace(key, TopicPosts{board, tid, {}, {}}).first;
            m_tidsByBoard[board].push_back(tid);
        }
        PostMeta meta;
        meta.number = static_cast<std::int32_t>(r.number);
        meta.replyTo = static_cast<std::int32_t>(r.replyTo);
        meta.minute = r.minute;
        meta.author = internAuthor(std::string(r.author));
        meta.offset = static_cast<std::uint32_t>(r.titleOffset);
        meta.titleLength = static_cast<std::uint32_t>(r.title.size());
        meta.textLength = static_cast<std::uint32_t>(r.text.size());
        if (r.number == 1)
            it->second.firstTitle = std::string(r.title);
        it->second.posts.push_back(meta);
    });
    if (damaged && warnings)
        warnings->push_back("damaged segment file " + path + ": read up to the damage");
}

std::uint32_t PostStore::internAuthor(const std::string &name)
{
    auto it = m_authorIndex.find(name);
    if (it != m_authorIndex.end())
        return it->second;
    const auto index = static_cast<std::uint32_t>(m_authors.size());
    m_authors.push_back(name);
    m_authorIndex.emplace(name, index);
    return index;
}

std::string PostStore::segmentPath(std::string_view board, std::string_view tid, int number) const
{
    char name[32];
    std::snprintf(name, sizeof name, "%06d.seg", (number - 1) / kPostsPerSegment);
    std::string path = m_dir;
    path += "/posts/";
    path += board;
    path += '/';
    path += tid;
    path += '/';
    path += name;
    return path;
}

const TopicPosts *PostStore::find(std::string_view board, std::string_view tid) const
{
    auto it = m_topics.find(Key(board, tid));
    return it == m_topics.end() ? nullptr : &it->second;
}

std::vector<const TopicPosts *> PostStore::topicsOf(std::string_view board) const
{
    std::vector<const TopicPosts *> out;
    auto it = m_tidsByBoard.find(std::string(board));
    if (it == m_tidsByBoard.end())
        return out;
    for (const std::string &tid : it->second)
        if (const TopicPosts *topic = find(board, tid))
            out.push_back(topic);
    return out;
}

const PostMeta *PostStore::findPost(const TopicPosts &topic, int number) const
{
    auto it = std::lower_bound(topic.posts.begin(), topic.posts.end(), number,
                               [](const PostMeta &m, int n) { return m.number < n; });
    return it != topic.posts.end() && it->number == number ? &*it : nullptr;
}

bool PostStore::append(std::string_view board, std::string_view tid, const StoredPost &post, std::string *error)
{
    return appendMany(board, tid, {post}, error);
}

bool PostStore::appendMany(std::string_view board, std::string_view tid, const std::vector<StoredPost> &posts,
                           std::string *error)
{
    if (m_dir.empty() || !IsSafeName(board) || !IsSafeName(tid)) {
        if (error)
            *error = "invalid post";
        return false;
    }
    const TopicPosts *existing = find(board, tid);
    int last = existing && !existing->posts.empty() ? existing->posts.back().number : 0;
    for (const StoredPost &post : posts) {
        if (post.number <= last) {
            if (error)
                *error = post.number <= 0 ? "invalid post" : "message number already stored";
            return false;
        }
        last = post.number;
    }
    std::error_code ec;
    std::size_t i = 0;
    while (i < posts.size()) {
        // The run of posts that share a segment file goes in with one rewrite.
        const std::string path = segmentPath(board, tid, posts[i].number);
        std::size_t j = i + 1;
        while (j < posts.size() && segmentPath(board, tid, posts[j].number) == path)
            ++j;
        fs::create_directories(fs::path(path).parent_path(), ec);
        if (ec) {
            if (error)
                *error = "cannot create the topic directory: " + ec.message();
            return false;
        }
        std::string data;
        if (!ReadWholeFile(path, data))
            data.clear();
        bool damaged = false;
        data.resize(ParseSegment(data, damaged, [](const SegmentRecord &) {}));
        if (data.empty())
            data = kSegmentMagic;
        std::vector<std::size_t> starts;
        for (std::size_t k = i; k < j; ++k) {
            starts.push_back(data.size());
            AppendRecord(data, posts[k]);
        }
        if (!WriteFileAtomically(path, data, error))
            return false;

        const std::string key = Key(board, tid);
        auto it = m_topics.find(key);
        if (it == m_topics.end()) {
            it = m_topics.emplace(key, TopicPosts{std::string(board), std::string(tid), {}, {}}).first;
            m_tidsByBoard[std::string(board)].push_back(std::string(tid));
        }
        for (std::size_t k = i; k < j; ++k) {
            const StoredPost &post = posts[k];
            // The header line of the record, then the author, then the title.
            const std::size_t headerEnd = data.find('\n', starts[k - i]) + 1;
            PostMeta meta;
            meta.number = post.number;
            meta.replyTo = post.replyTo;
            meta.minute = post.minute;
            meta.author = internAuthor(post.author);
            meta.offset = static_cast<std::uint32_t>(headerEnd + post.author.size());
            meta.titleLength = static_cast<std::uint32_t>(post.title.size());
            meta.textLength = static_cast<std::uint32_t>(post.text.size());
            if (post.number == 1)
                it->second.firstTitle = post.title;
            it->second.posts.push_back(meta);
            ++m_messageCount;
        }
        i = j;
    }
    return true;
}

std::optional<StoredPost> PostStore::read(const TopicPosts &topic, const PostMeta &meta) const
{
    const std::string path = segmentPath(topic.board, topic.tid, meta.number);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string payload(static_cast<std::size_t>(meta.titleLength) + meta.textLength, '\0');
    std::size_t done = 0;
    while (done < payload.size()) {
        const ssize_t n = ::pread(fd, payload.data() + done, payload.size() - done,
                                  static_cast<off_t>(meta.offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (done != payload.size())
        return std::nullopt;
    StoredPost post;
    post.number = meta.number;
    post.replyTo = meta.replyTo;
    post.minute = meta.minute;
    post.author = m_authors[meta.author];
    post.title = payload.substr(0, meta.titleLength);
    post.text = payload.substr(meta.titleLength);
    return post;
}

} // namespace boardserver
