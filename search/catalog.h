// Which topic logs a search reads: the board directories under the log root, the board each
// belongs to (its id, for opening a result, and its name), and the logs of one board or topic.
#pragma once

#include "search/logsearch.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace search {

/// One board directory that holds topic logs.
struct BoardLogDir {
    std::string dir;
    std::string name;    ///< the board's name from the category file, else the directory's
    std::string boardId; ///< empty when neither the category file nor the board list names it
};

/// Where each board of the site's category file keeps its logs, by directory: the directory
/// ResolveBoardLogDir gives the board, worked out for every board in one reading of the file and
/// without creating any directory. A board listed twice keeps the directory of its lowest line.
struct CategoryBoard {
    std::string name;
    std::string boardId;
};
std::map<std::string, CategoryBoard> CategoryBoardDirs(const std::string &programDir, const std::string &logRoot,
                                                       std::string_view boardServer);

/// Every directory at or below logRoot (links not followed, at most a few levels deep) that
/// holds a topic log, in name order.
std::vector<BoardLogDir> FindBoardLogDirs(const std::string &programDir, const std::string &logRoot,
                                          std::string_view boardServer);

/// The topic logs of board, with their listed titles; a board without a known id takes it from
/// the topic URLs of its board list file.
std::vector<LogSource> BoardSources(const BoardLogDir &board);

/// Every topic log of boards.
std::vector<LogSource> AllSources(const std::vector<BoardLogDir> &boards);

} // namespace search
