// Deleting one message from a topic log and its number index.
#include "store/messagedelete.h"

#include "base/programdir.h"
#include "base/textfile.h"
#include "store/safename.h"
#include "store/threadlog.h"

#include <algorithm>

namespace store {

MessageDeleteOutcome DeleteMessage(TopicState &topic, int target, int msgview, TopicHost &host)
{
    MessageDeleteOutcome out;
    if (target == -1)
        return out;
    auto found = std::find_if(topic.lines.begin(), topic.lines.end(),
                              [target](const std::string &line) { return LogLineNumber(line, 0) == target; });
    if (found == topic.lines.end()) {
        out.result = MessageDeleteResult::NotFound;
        return out;
    }
    out.result = MessageDeleteResult::NoLog;
    const std::optional<std::string> dir = host.resolveBoardDir(topic.listUrl);
    if (!dir || dir->empty() || topic.logName.empty())
        return out;
    // A log name that would lead out of the board's folder is never written.
    const std::optional<std::string> path = TopicLogFilePathOfName(*dir, topic.logName);
    if (!path || !base::FileExists(*path))
        return out;
    out.logPath = *path;

    const std::size_t index = static_cast<std::size_t>(found - topic.lines.begin());
    topic.lines.erase(found);
    // The index holds numbers in their plain form; a line that merely reads as the same number
    // ("007") was never in it, and a second line of the same number keeps it there.
    const std::string number = std::to_string(target);
    const bool stillHeld = std::any_of(topic.lines.begin(), topic.lines.end(), [&number](const std::string &line) {
        return LogLineNumberText(line) == number;
    });
    if (!stillHeld) {
        topic.heldNumbers.remove(number);
        topic.newNumbers.erase(std::remove(topic.newNumbers.begin(), topic.newNumbers.end(), number),
                               topic.newNumbers.end());
    }

    if (!topic.lines.empty()) {
        const std::size_t next = std::min(index, topic.lines.size() - 1);
        topic.scrollTarget = LogLineNumber(topic.lines[next], topic.scrollTarget);
    }
    const int count = static_cast<int>(topic.lines.size());
    if (topic.viewStart >= count)
        topic.viewStart = std::max(0, count - std::max(1, msgview));

    SortLogLines(topic.lines);
    const bool written = base::WriteLines(NumberIndexPath(out.logPath), topic.heldNumbers.items()) &&
                         base::WriteLines(out.logPath, topic.lines);
    topic.unsaved = !written;
    out.result = written ? MessageDeleteResult::Deleted : MessageDeleteResult::WriteFailed;
    return out;
}

} // namespace store
