// Deleting one message from a topic tab's log: the line, its number in the number index, and
// both files on disk, kept in step with each other.
#pragma once

#include "store/topicstate.h"

#include <string>

namespace store {

enum class MessageDeleteResult {
    NoTarget,    ///< the target message is -1: nothing to do
    NotFound,    ///< no line holds the target message
    NoLog,       ///< the board does not resolve or the topic has no log file yet: nothing changed
    Deleted,     ///< the line is gone from memory and from both files
    WriteFailed, ///< gone from memory; the files could not be replaced (the tab stays unsaved)
};

struct MessageDeleteOutcome {
    MessageDeleteResult result = MessageDeleteResult::NoTarget;
    std::string logPath; ///< the topic log file, when the board resolved
};

/// Deletes the first line whose field 1, read as a number (0 when it is not one), is target.
/// Only a topic whose log file exists is touched. The number leaves the number index (and the
/// new numbers) unless another line still holds it, so the message is fetched again by the next
/// download that covers it. The lines are written sorted. The index is replaced before the log:
/// a crash between the two leaves the old log, whose numbers the next opening adds back to the
/// index, so the two files never disagree for long. viewStart is moved back when the page would
/// be empty (msgview messages per page), and scrollTarget becomes the message that took the
/// deleted one's place (the one before it when the last was deleted).
MessageDeleteOutcome DeleteMessage(TopicState &topic, int target, int msgview, TopicHost &host);

} // namespace store
