// A board's stored files as opening its list and the favorites tab read them: the site's category
// file (which names the board's directory), the board list file, "favorites.dat" and one topic log.
// Whatever they hold, the directory stays below the log root.
#include "base/textfile.h"
#include "fuzz/files/filefuzz.h"
#include "store/boarddir.h"
#include "store/boardlist.h"
#include "store/boardurls.h"
#include "store/categoryfile.h"
#include "store/favorites.h"
#include "store/safename.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr char kServer[] = "http://messages.yahoo.co.jp/";
constexpr char kBoard[] = "1834578";

// Inside root: below it, with no component that climbs or stays.
bool InsideRoot(const std::string &dir, const std::string &root)
{
    if (dir.compare(0, root.size(), root) != 0)
        return false;
    std::string_view rest = std::string_view(dir).substr(root.size());
    while (!rest.empty()) {
        while (!rest.empty() && rest.front() == '/')
            rest.remove_prefix(1);
        const std::string_view part = rest.substr(0, rest.find('/'));
        if (part == "." || part == "..")
            return false;
        rest.remove_prefix(part.size());
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto parts = filefuzz::SplitInput(data, size, 4);
    const std::string &program = filefuzz::ScratchDir();
    const std::string root = program + "Log";
    // Each run starts from an empty log root: a directory an earlier input named could stand
    // where this one's files go.
    filefuzz::EmptyDir(root + "/");
    filefuzz::MakeDir(root);
    filefuzz::MakeDir(store::CategoryDir(program));
    filefuzz::PutFile(store::CategoryFilePath(program, store::kPluginTreeName), parts[0]);
    filefuzz::PutFile(store::FavoritesFilePath(program), parts[2]);

    const store::BoardPaths paths{program, root};
    const std::string listUrl = store::BoardListUrl(kServer, kBoard);
    auto dir = store::ResolveBoardLogDir(paths, listUrl);
    if (!dir)
        return 0;
    Require(InsideRoot(*dir, root));
    const std::string listFile = store::BoardListFilePath(*dir);
    Require(InsideRoot(listFile, root));
    filefuzz::PutFile(listFile, parts[1].value_or(std::string_view{}));

    auto stored = store::ReadStoredBoardList(paths, listUrl);
    Require(stored && stored->boardDir == *dir);
    for (const TopicRecord &record : stored->records) {
        filefuzz::RequireEnds(record.topicId);
        filefuzz::RequireEnds(record.title);
        filefuzz::RequireEnds(record.date);
        filefuzz::RequireEnds(record.time);
    }

    // The first listed topic gets a log, when its name may be one.
    std::string firstLog;
    if (auto lines = base::ReadLines(listFile)) {
        for (const auto &text : *lines) {
            if (auto line = store::ParseBoardListLine(text)) {
                firstLog = line->logName;
                break;
            }
        }
    }
    if (store::IsTopicLogName(firstLog)) {
        auto logPath = store::TopicLogPath(*dir, firstLog.substr(0, firstLog.size() - 4));
        Require(logPath && InsideRoot(*logPath, root));
        filefuzz::PutFile(*logPath, parts[3]);
        (void)store::FindListedPostCount(listFile, firstLog);
    }

    store::FavoriteTopics favorites(store::FavoritesFilePath(program));
    Require(favorites.load() == parts[2].has_value());
    const auto &entries = favorites.entries();
    for (std::size_t i = 0; i < entries.size(); ++i)
        Require(!entries[i].empty());

    store::TopicRows rows;
    store::TopicListEnv env;
    env.boardServer = kServer;
    env.paths = paths;
    std::vector<std::string> wanted = entries;
    wanted.push_back(store::FavoriteEntry(kBoard, firstLog));
    const int added = store::LoadFavoriteTopics(wanted, rows, env);
    Require(added >= 0 && added == rows.rowCount());
    for (int i = 0; i < rows.rowCount(); ++i)
        Require(rows.row(i).subItems[store::kNumberItem] == std::to_string(i + 1));
    for (const auto &url : store::FavoriteBoardListUrls(wanted, kServer))
        Require(!url.empty());
    return 0;
}
