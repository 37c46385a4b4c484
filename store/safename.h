// The one check of every name that comes from a URL, a page or a file and becomes part of a
// path: topic ids, topic log names and the folder names of boards and categories. A name that
// fails it is refused before anything is read, created or written.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace store {

/// The longest topic id a topic record can carry (its field holds 128 bytes with the zero).
inline constexpr std::size_t kMaxTopicIdLength = 127;

/// Shown in status panel 0 when an opening is refused because its topic id is not one:
/// "スレッドIDが不正なため開けません" (the topic id is not valid, so it cannot be opened).
inline constexpr const char kInvalidTopicIdText[] =
    "\x83\x58\x83\x8c\x83\x62\x83\x68\x49\x44\x82\xaa\x95\x73\x90\xb3\x82\xc8\x82\xbd\x82\xdf\x8a\x4a\x82\xaf\x82\xdc"
    "\x82\xb9\x82\xf1";

/// A topic id in the service's form: 1 to kMaxTopicIdLength ASCII letters and digits. Nothing
/// else (no dot, slash, backslash, percent sign, blank or non-ASCII byte) can reach a path
/// through it.
bool IsTopicId(std::string_view id);

/// A topic log's file name: a topic id followed by ".dat".
bool IsTopicLogName(std::string_view name);

/// The topic id of a topic log's file name; nullopt when name is not IsTopicLogName.
std::optional<std::string_view> TopicIdOfLogName(std::string_view name);

/// A name that may become one component of a path below a directory of ours (a board or
/// category folder): not empty, not "." or "..", and free of "/" and of control characters
/// (NUL, tab, line breaks). Any other byte is allowed, so Japanese names stay as they are.
bool IsSafePathComponent(std::string_view name);

/// dir + "/" + name when name IsSafePathComponent, else nullopt.
std::optional<std::string> JoinSafe(const std::string &dir, std::string_view name);

/// The path of a topic's log in a board directory (dir + "/" + id + ".dat"); nullopt when id is
/// not IsTopicId.
std::optional<std::string> TopicLogFilePath(const std::string &boardDir, std::string_view topicId);

/// The same for a log name that IsTopicLogName; nullopt otherwise.
std::optional<std::string> TopicLogFilePathOfName(const std::string &boardDir, std::string_view logName);

} // namespace store
