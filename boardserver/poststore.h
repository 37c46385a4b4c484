// Posted messages and new topics, kept in the data directory so that a restart keeps them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace boardserver {

/// A posted message as the pages show it (title and text EUC-JP, escaped for HTML).
struct StoredPost {
    int number = 0;
    int replyTo = 0;
    std::int64_t minute = 0;
    std::string author;
    std::string title;
    std::string text;
};

/// What stays in memory of a stored message: the texts are read from disk when a page needs them.
struct PostMeta {
    std::int32_t number = 0;
    std::int32_t replyTo = 0;
    std::int64_t minute = 0;
    std::uint32_t author = 0; ///< index into the store's author names
    std::uint32_t offset = 0; ///< of the title in its segment file; the text follows it
    std::uint32_t titleLength = 0;
    std::uint32_t textLength = 0;
};

/// The stored messages of one topic, by rising number.
struct TopicPosts {
    std::string board;
    std::string tid;
    std::string firstTitle; ///< the title of message 1 when it is stored (a topic made by a post)
    std::vector<PostMeta> posts;
};

/// Posts live in data/posts/<board>/<tid>/<segment>.seg, sixteen message numbers to a segment.
/// A post rewrites only its segment, to a temporary file renamed over the old one, so the files
/// are never half-written and a post costs little however long the topic grows. Single-threaded.
class PostStore {
public:
    PostStore() = default;
    ~PostStore();
    PostStore(const PostStore &) = delete;
    PostStore &operator=(const PostStore &) = delete;

    /// Opens the store in dir, creating it, and loads the index of every stored message. The
    /// directory remembers the sample data it was made with (fingerprint); another fingerprint
    /// is refused, as is a directory that another server holds. Damaged segment files are
    /// reported in warnings and read up to the damage.
    bool open(const std::string &dir, const std::string &fingerprint, std::string *error,
              std::vector<std::string> *warnings = nullptr);

    const TopicPosts *find(std::string_view board, std::string_view tid) const;
    /// The topics of the board with stored messages (in no particular order).
    std::vector<const TopicPosts *> topicsOf(std::string_view board) const;
    /// Stores a message; its number must be above the topic's stored numbers. False (with the
    /// reason) when the file could not be written; nothing changes then.
    bool append(std::string_view board, std::string_view tid, const StoredPost &post, std::string *error);
    /// Stores several messages of one topic (rising numbers) with one rewrite per segment, for
    /// filling a directory in bulk. Stops at the first failure; what was stored before it stays.
    bool appendMany(std::string_view board, std::string_view tid, const std::vector<StoredPost> &posts,
                    std::string *error);
    /// Reads a stored message back; nullopt when its file has gone or changed.
    std::optional<StoredPost> read(const TopicPosts &topic, const PostMeta &meta) const;
    const PostMeta *findPost(const TopicPosts &topic, int number) const;

    std::size_t messageCount() const { return m_messageCount; }
    const std::string &authorName(std::uint32_t index) const { return m_authors[index]; }
    const std::string &directory() const { return m_dir; }

    /// Whether a board id or topic id may name a directory: ASCII letters, digits, "_" and "-".
    static bool IsSafeName(std::string_view name);

private:
    std::string segmentPath(std::string_view board, std::string_view tid, int number) const;
    std::uint32_t internAuthor(const std::string &name);
    void loadSegment(const std::string &path, const std::string &board, const std::string &tid, int segment,
                     std::vector<std::string> *warnings);

    std::string m_dir;
    int m_lockFd = -1;
    std::unordered_map<std::string, TopicPosts> m_topics; // key: board + '\t' + tid
    std::unordered_map<std::string, std::vector<std::string>> m_tidsByBoard;
    std::vector<std::string> m_authors;
    std::unordered_map<std::string, std::uint32_t> m_authorIndex;
    std::size_t m_messageCount = 0;
};

/// Writes bytes to path through a temporary file in the same directory and a rename, so that
/// path holds either the old or the new content, never a part.
bool WriteFileAtomically(const std::string &path, std::string_view bytes, std::string *error);

} // namespace boardserver
