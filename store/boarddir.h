// Where a board's logs live: its log directory resolved from the site's category file, its
// display name, the board list file and the topic logs stored in the directory.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace store {

/// The two roots the board directories are resolved against.
struct BoardPaths {
    std::string programDir; ///< holds "Category/Hakobune.dll.ctg"
    std::string logRoot;    ///< [path] log
};

/// `ResolveBoardLogDir`: the log directory of the board whose topic-list URL is listUrl, created
/// with its missing parents. The category file is read on every call, from its last line up: the
/// lowest line containing listUrl gives the board's name, and each folder line above it with a
/// smaller depth gives one more directory, up to depth 0. The board's own name is trimmed and
/// loses the ten characters \ / : * ? " < > | and blank; category names are only trimmed (and
/// lose "/", which would nest them). A board that no line names resolves to the log root as it
/// is, and so does every board while there is no category file yet. Every name is then cut to
/// FitFolderName's length. Nullopt when a name would not be one safe path component
/// (IsSafePathComponent) or the directory cannot be created.
std::optional<std::string> ResolveBoardLogDir(const BoardPaths &paths, std::string_view listUrl);

/// name cut to the longest folder name whose list file ("name.txt") the atomic writer can still
/// replace (241 bytes), never inside a double-byte character; shorter names are kept as they are.
std::string FitFolderName(std::string name);

/// `FindBoardName`: the first field, untrimmed, of the first line from the top of the site's
/// category file that contains listUrl. Nullopt when the file is missing or no line does.
std::optional<std::string> FindBoardName(const std::string &programDir, std::string_view listUrl);

/// The board list file of a board directory: the directory's last component + ".txt", inside it.
std::string BoardListFilePath(const std::string &boardDir);

/// `ListTopicLogs`: the full paths of the regular files directly in dir whose names are topic log
/// names (IsTopicLogName), sorted by name; empty when dir cannot be read.
std::vector<std::string> ListTopicLogs(const std::string &dir);

/// The path of a topic's log in a board directory, or nullopt when the topic id is not one
/// (IsTopicId): a name from a page or a file never leads out of the directory.
std::optional<std::string> TopicLogPath(const std::string &boardDir, std::string_view topicId);

} // namespace store
