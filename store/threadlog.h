// The topic log file (one tab-separated line per message) and its number index file (one
// message number per line): building, splitting and sorting lines, and reading and writing both.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/textfile.h"
#include "base/textlist.h"
#include "plugin_api/records.h"
#include "store/numberset.h"

namespace store {

/// The date and time of a message that could not be read from the board.
inline constexpr const char kUnreadableDateTime[] = "0000/00/00 00:00";

/// The six fields of a log line. Fields 1 to 5 end at the first five tabs; the body is the rest
/// of the line and may hold tabs. Fields missing from a short line are empty.
struct LogFields {
    std::string_view number;
    std::string_view replyTo;
    std::string_view dateTime;
    std::string_view author;
    std::string_view title;
    std::string_view body;
    bool complete = false; ///< the line had all five tabs
};

/// Splits line; the views point into it.
LogFields SplitLogLine(std::string_view line);

/// Field 1 of line: the text before its first tab.
std::string_view LogLineNumberText(std::string_view line);

/// Field 1 read as a number; fallback when it is not one.
int LogLineNumber(std::string_view line, int fallback);

/// "%d\t%d\t%s %s\t%s\t%s\t%s": number, reply-to, date and time, author, title, text. The text
/// loses every CR and LF. The other texts lose CR and LF too and have tabs turned into blanks, so
/// that no board text can split the line or shift its fields. Each text is read only up to its
/// field's size, also when the plug-in left it without a terminating zero.
std::string FormatLogLine(const MessageRecord &message);

/// The date and time of message as the log stores them ("date time").
std::string MessageDateTime(const MessageRecord &message);

/// True when the date and time of message as the log stores them are kUnreadableDateTime.
bool IsUnreadable(const MessageRecord &message);

/// The title of message as the log stores it (field 5).
std::string MessageTitle(const MessageRecord &message);

/// Sorts lines by field 1, numerically ascending; lines with equal numbers keep their order and
/// lines whose field 1 is not a number come first.
void SortLogLines(std::vector<std::string> &lines);

/// The number index beside a topic log: logPath with its last three characters replaced by "log".
std::string NumberIndexPath(const std::string &logPath);

/// Adds field 1 of every line that is a message number in its plain decimal form to numbers.
/// True when anything was added.
bool AddLoggedNumbers(const std::vector<std::string> &lines, base::SortedTextList &numbers);
bool AddLoggedNumbers(const std::vector<std::string> &lines, MessageNumberSet &numbers);

/// The stored files of one topic.
struct StoredTopic {
    std::optional<base::Lines> log;   ///< nullopt when the log file does not exist or cannot be read
    std::optional<base::Lines> index; ///< nullopt when the index file does not exist or cannot be read
};

/// Reads the topic log at logPath and its number index.
StoredTopic ReadStoredTopic(const std::string &logPath);

/// Writes lines to logPath, then numbers to its number index, each replaced atomically. The log
/// goes first: a crash between the two leaves an index that lacks numbers of the log, which the
/// next opening adds back from the log (AddLoggedNumbers), so no message is lost or fetched twice.
/// Creates the directory when it is missing. False when either write failed.
bool WriteStoredTopic(const std::string &logPath, const std::vector<std::string> &lines,
                      const base::SortedTextList &numbers);
bool WriteStoredTopic(const std::string &logPath, const std::vector<std::string> &lines,
                      const MessageNumberSet &numbers);

} // namespace store
