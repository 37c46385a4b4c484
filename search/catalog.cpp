// Finding the board directories and topic logs a search reads.
#include "search/catalog.h"

#include "base/programdir.h"
#include "base/text.h"
#include "base/textfile.h"
#include "store/boarddir.h"
#include "store/boardlist.h"
#include "store/boardurls.h"
#include "store/categoryfile.h"
#include "store/safename.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace search {

namespace {

// Deeper than any category tree the site has; a bound against link loops and odd trees.
constexpr int kMaxDepth = 8;

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20)
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20)
        text.remove_suffix(1);
    return text;
}

// The single-byte characters of removed dropped; double-byte characters kept whole.
std::string RemoveChars(std::string_view text, std::string_view removed)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (base::IsSjisLeadByte(static_cast<unsigned char>(c)) && i + 1 < text.size()) {
            out += c;
            out += text[++i];
        } else if (removed.find(c) == std::string_view::npos) {
            out += c;
        }
    }
    return out;
}

std::string LastComponent(std::string_view dir)
{
    while (dir.size() > 1 && dir.back() == '/')
        dir.remove_suffix(1);
    const std::size_t slash = dir.rfind('/');
    return std::string(slash == std::string_view::npos ? dir : dir.substr(slash + 1));
}

void Walk(const std::string &dir, int depth, std::vector<std::string> &found)
{
    DIR *handle = ::opendir(dir.c_str());
    if (!handle)
        return;
    bool hasLog = false;
    std::vector<std::string> children;
    while (const dirent *entry = ::readdir(handle)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        unsigned char type = entry->d_type;
        const std::string path = base::JoinPath(dir, std::string(name));
        if (type == DT_UNKNOWN) {
            struct stat st {};
            if (::lstat(path.c_str(), &st) != 0)
                continue;
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == DT_DIR && depth < kMaxDepth)
            children.push_back(path);
        else if ((type == DT_REG || type == DT_LNK) && store::IsTopicLogName(name))
            hasLog = true;
    }
    ::closedir(handle);
    if (hasLog)
        found.push_back(dir);
    std::sort(children.begin(), children.end());
    for (const std::string &child : children)
        Walk(child, depth + 1, found);
}

} // namespace

std::map<std::string, CategoryBoard> CategoryBoardDirs(const std::string &programDir, const std::string &logRoot,
                                                       std::string_view boardServer)
{
    std::map<std::string, CategoryBoard> out;
    const auto lines = base::ReadLines(store::CategoryFilePath(programDir, store::kPluginTreeName));
    if (!lines)
        return out;
    struct Folder {
        int depth;
        std::string name;
    };
    // The folders above the current line: each one the last folder line before the next with a
    // smaller depth, as the board's directory is found reading upwards.
    std::vector<Folder> folders;
    std::map<std::string, std::string> dirOfBoard; // board id -> directory of its lowest line
    std::map<std::string, std::string> nameOfBoard;
    for (const std::string &text : *lines) {
        const auto line = store::ParseCategoryLine(text);
        if (!line)
            continue;
        const auto board = base::ExtractUrlParam("board=", line->url);
        if (board && !board->empty() && text.find(store::BoardListUrl(boardServer, *board)) != std::string::npos) {
            std::string relative;
            bool safe = true;
            auto append = [&](const std::string &whole) {
                const std::string name = store::FitFolderName(whole);
                if (name.empty())
                    return;
                if (!store::IsSafePathComponent(name))
                    safe = false;
                relative += relative.empty() ? "" : "/";
                relative += name;
            };
            for (const Folder &f : folders)
                if (f.depth < line->depth)
                    append(f.name);
            append(RemoveChars(TrimBlanks(line->name), "\\/:*?\"<>| "));
            if (safe) {
                dirOfBoard[*board] = relative.empty() ? logRoot : base::JoinPath(logRoot, relative);
                nameOfBoard[*board] = line->name;
            } else {
                dirOfBoard.erase(*board);
            }
        }
        if (line->kind != 0) {
            while (!folders.empty() && folders.back().depth >= line->depth)
                folders.pop_back();
            if (line->depth >= 0)
                folders.push_back({line->depth, RemoveChars(TrimBlanks(line->name), "/")});
        }
    }
    for (const auto &[board, dir] : dirOfBoard)
        out[dir] = {nameOfBoard[board], board};
    return out;
}

std::vector<BoardLogDir> FindBoardLogDirs(const std::string &programDir, const std::string &logRoot,
                                          std::string_view boardServer)
{
    std::vector<std::string> dirs;
    Walk(logRoot, 0, dirs);
    const auto known = CategoryBoardDirs(programDir, logRoot, boardServer);
    std::vector<BoardLogDir> out;
    for (const std::string &dir : dirs) {
        BoardLogDir b{dir, LastComponent(dir), {}};
        if (auto it = known.find(dir); it != known.end()) {
            b.name = it->second.name;
            b.boardId = it->second.boardId;
        }
        out.push_back(std::move(b));
    }
    return out;
}

std::vector<LogSource> BoardSources(const BoardLogDir &board)
{
    std::map<std::string, std::string> titles;
    std::string boardId = board.boardId;
    if (auto lines = base::ReadLines(store::BoardListFilePath(board.dir))) {
        for (const std::string &text : *lines) {
            const auto line = store::ParseBoardListLine(text);
            if (!line)
                continue;
            titles.emplace(line->logName, line->title);
            if (boardId.empty())
                boardId = base::ExtractUrlParam("board=", line->topicUrl).value_or("");
        }
    }
    std::vector<LogSource> out;
    for (const std::string &path : store::ListTopicLogs(board.dir)) {
        const std::string logName = LastComponent(path);
        const auto id = store::TopicIdOfLogName(logName);
        if (!id)
            continue;
        LogSource s;
        s.path = path;
        s.boardName = board.name;
        s.boardId = boardId;
        s.topicId = std::string(*id);
        if (auto it = titles.find(logName); it != titles.end())
            s.listedTitle = it->second;
        out.push_back(std::move(s));
    }
    return out;
}

std::vector<LogSource> AllSources(const std::vector<BoardLogDir> &boards)
{
    std::vector<LogSource> out;
    for (const BoardLogDir &b : boards) {
        std::vector<LogSource> one = BoardSources(b);
        std::move(one.begin(), one.end(), std::back_inserter(out));
    }
    return out;
}

} // namespace search
