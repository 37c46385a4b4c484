// `DeleteTopicLog`: deleting a topic's log and number index after the user confirmed, and what
// the rows and open tabs of the topic do then. Main thread only; the window asks the question.
#pragma once

#include "store/listrows.h"
#include "store/topicstate.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace store {

/// Whether two topic URLs name the same topic: equal "board=" and "tid=" values. A page key
/// carries the message it was opened at (mid=N), a row's URL the one the board listed.
bool SameTopic(std::string_view a, std::string_view b);

/// Steps 1 to 3 of `DeleteTopicLog`.
struct LogDeletionPlan {
    enum class Step {
        NoBoard, ///< the board dir does not resolve, or the log name is not a topic log's: return 0, no dialog
        NoLog,   ///< nothing to delete: return 1 without asking
        Ask,     ///< ask question; on Yes DeleteTopicFiles(logPath) and reset the rows
    };
    Step step = Step::NoBoard;
    std::string listUrl;
    std::string logPath;
    std::string question; ///< Shift_JIS; lines joined with "\n"
};

/// Resolves the topic's board from topicUrl's "board=" value and builds the question from the
/// title, the board id, the topic id ("tid=") and the log path.
LogDeletionPlan PlanTopicLogDeletion(std::string_view topicUrl, std::string_view logName, std::string_view title,
                                     const std::string &boardServer,
                                     const std::function<std::optional<std::string>(const std::string &)> &resolve);

/// Deletes the log, then its number index, each when it exists. True when neither is left.
bool DeleteTopicFiles(const std::string &logPath);

/// The first row of the topic (SameTopic) shows it as not fetched: fetched "0", not fetched
/// empty, icon 5. True when a row was changed.
bool ResetDeletedTopicRow(TopicRowList &rows, std::string_view topicUrl);

/// An open tab of the topic whose log was just deleted keeps showing its messages, but its fetch
/// ends (the window removed its waiting requests) and nothing it held or still receives is
/// written back until it opens a topic again.
void ForgetDeletedLog(TopicState &tab);

} // namespace store
