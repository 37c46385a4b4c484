// The sample boards: a directory of categories, boards and topics made deterministically from a
// seed, and the messages of every topic, generated on demand so that huge topics cost no memory.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace boardserver {

/// Sizes of the sample data. The same options always give the same boards, byte for byte.
struct DatasetOptions {
    std::uint64_t seed = 1;
    int categories = 4;    ///< top-level categories (the news category comes on top of these)
    int depth = 3;         ///< levels of categories below the root page
    int subcategories = 3; ///< child categories of every category above the last level
    int boards = 3;        ///< boards of every category
    int topics = 30;       ///< topics of every board
    int messages = 80;     ///< mean messages of a topic; each has between half and 1.5 times this
    int hugeTopics = 2;    ///< topics with hugeMessages messages each
    int hugeMessages = 10000;
    int deletedPermille = 3; ///< share of generated messages (never the first) that are deleted

    /// One line naming every value, kept in the data directory so that stored posts are never
    /// laid over different sample data.
    std::string fingerprint() const;
};

/// How a directory page links a category.
enum class CategoryLinkForm {
    Strong, ///< href=/path/><strong>name</strong> (the root page)
    Row,    ///< href=/path/>name </a> in a "&nbsp;|&nbsp;" row
    Bold,   ///< href="absolute URL"><b>name</b>
};

/// How a directory page links a board.
enum class BoardLinkForm {
    Name,       ///< the name is the link text
    IdThenName, ///< the board id is the link text, followed by " - " and the name
};

/// The page form a board's topic-list URL is answered with.
enum class TopicListForm { List, SingleA, SingleB };

struct Category {
    std::string path; ///< below the board server's base: "" for the root, else "A/c5/" (ends with "/")
    std::string name; ///< EUC-JP
    int parent = -1;
    int level = 0; ///< 0 is the root page
    CategoryLinkForm form = CategoryLinkForm::Strong;
    bool listed = true; ///< false for names the plug-in drops (the news category, names with "@")
    std::vector<int> children;
    std::vector<int> boards;
};

struct Topic {
    std::string tid;
    std::string title; ///< EUC-JP, as the pages show it (entities stay)
    int messageCount = 0;
    std::int64_t firstMinute = 0; ///< minutes since 1970-01-01 00:00 of the board's clock
    int gapMinutes = 1;
    int starter = 0; ///< author index of message 1
};

struct Board {
    std::string id;
    std::string name; ///< EUC-JP
    int category = 0;
    BoardLinkForm form = BoardLinkForm::Name;
    TopicListForm listForm = TopicListForm::List;
    bool listed = true;
    std::vector<Topic> topics;
};

/// One generated message, ready for the message page.
struct Message {
    std::string title;  ///< EUC-JP
    std::string author; ///< ASCII
    std::string text;   ///< EUC-JP HTML fragment: "<br>" breaks, entities, references
    std::int64_t minute = 0;
    int replyTo = 0;
};

class Dataset {
public:
    explicit Dataset(const DatasetOptions &options);

    const DatasetOptions &options() const { return m_options; }
    /// Every category; [0] is the root page.
    const std::vector<Category> &categories() const { return m_categories; }
    const std::vector<Board> &boards() const { return m_boards; }
    const std::vector<std::string> &authors() const { return m_authors; }

    /// The category whose path is path ("" the root), or nullptr.
    const Category *findCategory(std::string_view path) const;
    const Board *findBoard(std::string_view id) const;
    const Topic *findTopic(const Board &board, std::string_view tid) const;

    /// Whether generated message mid of the topic is deleted: its page is the error page.
    bool isDeleted(const Board &board, const Topic &topic, int mid) const;
    /// Generated message mid (1 to messageCount) of the topic.
    Message message(const Board &board, const Topic &topic, int mid) const;
    /// Time of generated message mid; never decreasing with mid.
    std::int64_t messageMinute(const Topic &topic, int mid) const;

private:
    void buildCategories();
    void buildBoards();
    void buildTopics(Board &board, int boardIndex, int topicCount);
    std::uint64_t messageSeed(const Board &board, const Topic &topic, int mid) const;

    DatasetOptions m_options;
    std::vector<Category> m_categories;
    std::vector<Board> m_boards;
    std::vector<std::string> m_authors;
    std::unordered_map<std::string, int> m_categoryByPath;
    std::unordered_map<std::string, int> m_boardById;
    std::vector<std::unordered_map<std::string, int>> m_topicByTid; // per board
};

/// A topic id in the service's style: the hexadecimal of the title's first bytes, then a serial.
std::string MakeTid(std::string_view titleEuc, int serial);

/// "YYYY/MM/DD HH:MM" of minutes since 1970-01-01 00:00.
std::string FormatMinute(std::int64_t minute);

/// A small, fast deterministic generator (splitmix64).
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next();
    /// Uniform in [0, bound) for bound > 0.
    std::uint64_t below(std::uint64_t bound) { return next() % bound; }
    bool percent(int p) { return static_cast<int>(below(100)) < p; }

private:
    std::uint64_t m_state;
};

/// Mixes a text into a 64-bit seed (FNV-1a, then splitmix).
std::uint64_t MixSeed(std::uint64_t seed, std::string_view text);

} // namespace boardserver
