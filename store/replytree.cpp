// Building the reply tree of a topic log.
#include "store/replytree.h"

#include "base/text.h"
#include "base/textfile.h"
#include "store/threadlog.h"

#include <unordered_map>

namespace store {

ReplyTree BuildReplyTree(const std::vector<std::string> &lines)
{
    ReplyTree tree;
    tree.nodes.reserve(lines.size());
    std::unordered_map<int, int> firstNode; // number -> index of its first node
    firstNode.reserve(lines.size());
    for (const std::string &line : lines) {
        const LogFields f = SplitLogLine(line);
        ReplyNode node;
        node.number = base::ParseInt(f.number, 0);
        const int answered = base::ParseInt(f.replyTo, 0);
        if (answered != 0)
            if (auto it = firstNode.find(answered); it != firstNode.end())
                node.parent = it->second;
        node.text.reserve(f.dateTime.size() + f.author.size() + f.title.size() + 20);
        node.text += std::to_string(node.number);
        node.text += ' ';
        node.text += f.dateTime;
        node.text += " (";
        node.text += f.author;
        node.text += ") : ";
        node.text += f.title;
        const int index = static_cast<int>(tree.nodes.size());
        firstNode.emplace(node.number, index);
        tree.nodes.push_back(std::move(node));
    }
    return tree;
}

std::optional<ReplyTree> ReadReplyTree(const std::string &logPath)
{
    std::optional<base::Lines> lines = base::ReadLines(logPath);
    if (!lines)
        return std::nullopt;
    return BuildReplyTree(*lines);
}

int NodeMessageNumber(std::string_view text)
{
    const std::size_t blank = text.find(' ');
    if (blank == std::string_view::npos)
        return 1;
    const int number = base::ParseInt(text.substr(0, blank), 1);
    return number;
}

} // namespace store
