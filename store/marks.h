// Read marks: the marked message numbers of each topic in "mark.ini" (section board id, key
// topic id, value the numbers in the order they were marked), and the view position a jump to
// a mark moves to. Main thread only.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace store {

inline constexpr const char kMarkFileName[] = "mark.ini";

/// The board and topic ids of a page key ("board=" and "tid=" values).
struct TopicIds {
    std::string board;
    std::string topic;
};

/// The ids of pageKey; nullopt when either is missing or could not serve as an INI section or key
/// (empty, or holding "[", "]", "=", ";", a control character or a blank at either end).
std::optional<TopicIds> MarkIdsOf(std::string_view pageKey);

/// The numbers of a stored value in order; empty entries (",," or a trailing comma) are dropped.
std::vector<std::string> SplitMarks(std::string_view value);

/// The value after marking number: removed when listed, else appended.
std::string ToggleMark(std::string_view value, int number);

/// "mark.ini", read afresh for every question and written back (atomically) on every change.
class MarkFile {
public:
    explicit MarkFile(std::string path) : m_path(std::move(path)) {}

    /// The stored value of the topic; empty when the file, section or key is missing.
    std::string value(const TopicIds &ids) const;
    std::vector<std::string> marks(const TopicIds &ids) const { return SplitMarks(value(ids)); }
    bool hasMarks(const TopicIds &ids) const { return !marks(ids).empty(); }

    /// Marks or unmarks number. A number below 1 (no target message) changes nothing. The key
    /// stays with an empty value when its last mark goes. False when nothing was written.
    bool toggle(const TopicIds &ids, int number);

    /// Deletes the topic's key. False when the file could not be written.
    bool clear(const TopicIds &ids);

    const std::string &path() const { return m_path; }

private:
    std::string m_path;
};

/// Where a jump to a mark moves the view.
struct MarkJump {
    int scrollTarget = 0;
    int viewStart = 0;
};

/// The jump to the mark captioned caption in a topic's lines, shown from viewStart with msgview
/// messages per page; nullopt when no line's field 1 equals caption (the mark's message is gone).
std::optional<MarkJump> JumpToMark(const std::vector<std::string> &lines, std::string_view caption, int viewStart,
                                   int msgview);

} // namespace store
