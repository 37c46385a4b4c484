// The reply tree of a stored topic as plain data: one node per log line, nested under the
// message it answers. Built off the main thread (it touches nothing but its own data) and handed
// to the window, which shows it in a tree tab.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace store {

struct ReplyNode {
    std::string text; ///< "%d %s (%s) : %s": number, date and time, author, title (Shift_JIS)
    int number = 0;   ///< field 1, 0 when not a number
    int parent = -1;  ///< index of the parent node, always below this node's own; -1 at the top
};

/// The nodes in log order; a parent always comes before its children.
struct ReplyTree {
    std::vector<ReplyNode> nodes;
};

/// `BuildReplyTree` over the log's lines. A line's parent is the first node of the number it
/// answers (field 2) when that node came earlier in the log; a reply to 0, to a message not in
/// the log, to a later line or to itself stands at the top level. Any thread may call it.
ReplyTree BuildReplyTree(const std::vector<std::string> &lines);

/// The tree of the log at logPath; nullopt when it cannot be read.
std::optional<ReplyTree> ReadReplyTree(const std::string &logPath);

/// The message number of a node's text: the text before its first blank, 1 when that is not a
/// number or there is no blank.
int NodeMessageNumber(std::string_view text);

} // namespace store
