// The board list file and the merge of topic lists into their tabs.
#include "store/boardlist.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "base/text.h"
#include "base/textfile.h"
#include "store/boardfields.h"
#include "store/boardtexts.h"

namespace store {

namespace {

constexpr std::string_view kLogExtension = ".dat";

std::span<const TopicRecord> resultRecords(const net::PageResult &result)
{
    if (!result.result || result.value <= 0)
        return {};
    auto count = static_cast<std::size_t>(result.value);
    // A worker's list is its 150-record buffer; a local reader's list is as long as its file.
    if (!result.fromLocal)
        count = std::min<std::size_t>(count, plugin_api::kMaxTopicRecords);
    return {static_cast<const TopicRecord *>(result.result), count};
}

std::string latestText(const TopicRecord &record)
{
    std::string latest(FieldText(record.date));
    latest += ' ';
    latest += FieldText(record.time);
    return latest;
}

std::string decoded(const TopicListEnv &env, std::string_view title)
{
    return env.decodeTitle ? env.decodeTitle(title) : std::string(title);
}

// Rows by topic URL, so that a topic already in the tab is found without a scan per entry.
std::unordered_map<std::string, std::vector<int>> rowsByUrl(const TopicRowList &rows)
{
    std::unordered_map<std::string, std::vector<int>> index;
    for (int i = 0; i < rows.rowCount(); ++i) {
        const std::string &url = rows.row(i).entry.topicUrl;
        if (!url.empty())
            index[url].push_back(i);
    }
    return index;
}

// Adds row, or replaces the tab's row of the same topic keeping its number and position.
void putRow(TopicRowList &rows, std::unordered_map<std::string, std::vector<int>> &index, TopicRow row)
{
    if (!row.entry.topicUrl.empty()) {
        auto it = index.find(row.entry.topicUrl);
        if (it != index.end()) {
            int at = it->second.front();
            row.subItems[kNumberItem] = rows.row(at).subItems[kNumberItem];
            rows.replaceRow(at, std::move(row));
            return;
        }
        index[row.entry.topicUrl].push_back(rows.rowCount());
    }
    row.subItems[kNumberItem] = std::to_string(rows.rowCount() + 1);
    rows.appendRow(std::move(row));
}

void setLogFigures(TopicRow &row, int posts, const LogSummary &log)
{
    row.subItems[kFetchedItem] = std::to_string(log.lines);
    row.subItems[kUnfetchedItem] = std::to_string(posts - log.lines);
}

MergeOutcome boardMerge(std::span<const TopicRecord> records, bool fromLocal, TopicListTarget &tab,
                        const TopicListEnv &env)
{
    MergeOutcome outcome;
    outcome.taken = 1;
    outcome.endBatch = true;

    TopicRowList &rows = *tab.rows;
    auto index = rowsByUrl(rows);
    const std::string &dir = tab.boardDir;
    std::vector<std::string> logs = dir.empty() ? std::vector<std::string>{} : ListTopicLogs(dir);
    std::unordered_set<std::string> listedLogs;
    base::Lines boardList;
    boardList.reserve(records.size());

    for (const TopicRecord &record : records) {
        std::string_view topicId = FieldText(record.topicId);
        std::string logName = std::string(topicId) + std::string(kLogExtension);
        TopicRow row;
        row.image = kUnloggedTopicImage;
        row.subItems[kTitleItem] = decoded(env, FieldText(record.title));
        row.subItems[kPostsItem] = std::to_string(record.postCount);
        row.subItems[kFetchedItem] = "0";
        row.subItems[kLatestItem] = latestText(record);
        row.subItems[kBoardItem] = tab.caption;
        if (auto path = dir.empty() ? std::nullopt : TopicLogPath(dir, topicId)) {
            if (auto log = SummarizeLog(*path, env.logCache)) {
                setLogFigures(row, record.postCount, *log);
                row.image = kLoggedTopicImage;
            }
            listedLogs.insert(*path);
        }
        row.entry = TopicEntry{std::string(FieldText(record.topicUrl)), logName, 0};
        boardList.push_back(FormatBoardListLine(BoardListLine{logName, record.postCount, row.subItems[kLatestItem],
                                                              row.entry.topicUrl, row.subItems[kTitleItem]}));
        putRow(rows, index, std::move(row));
    }

    // Stored topics the board no longer lists.
    std::string board = base::ExtractUrlParam("board=", tab.listUrl).value_or("");
    for (const std::string &path : logs) {
        if (listedLogs.contains(path))
            continue;
        std::string name = path.substr(path.rfind('/') + 1);
        std::string topicId = name.substr(0, name.size() - kLogExtension.size());
        LogSummary log = SummarizeLog(path, env.logCache).value_or(LogSummary{});
        TopicRow row;
        row.image = kLogOnlyTopicImage;
        row.subItems[kTitleItem] = decoded(env, log.firstTitle);
        row.subItems[kPostsItem] = std::to_string(log.lines);
        row.subItems[kFetchedItem] = std::to_string(log.lines);
        row.subItems[kLatestItem] = log.firstDate;
        row.subItems[kBoardItem] = tab.caption;
        row.entry = TopicEntry{TopicMessageUrl(env.boardServer, board, topicId, "1"), name, 0};
        putRow(rows, index, std::move(row));
    }

    outcome.status = std::pair<std::string, std::string>{kTopicListStatusKind, kTopicListFetchFinishedText};
    // A list without entries keeps the stored one: an empty board and a page the plug-in could
    // not read look alike, and the stored list is all that opens the board offline.
    if (!dir.empty() && !fromLocal && !records.empty()) {
        std::string listFile = BoardListFilePath(dir);
        if (base::WriteLines(listFile, boardList))
            outcome.writtenListFile = listFile;
    }
    return outcome;
}

MergeOutcome favoritesRefresh(std::span<const TopicRecord> records, bool fromLocal, TopicListTarget &tab,
                              const TopicListEnv &env)
{
    MergeOutcome outcome;
    outcome.taken = 1;
    TopicRowList &rows = *tab.rows;
    auto index = rowsByUrl(rows);
    // A row added from a topic tab carries the tab's page key, whose "mid=" need not be 1: rows
    // are also found by their board and log name.
    std::unordered_map<std::string, std::vector<int>> byTopic;
    for (int i = 0; i < rows.rowCount(); ++i) {
        const TopicEntry &entry = rows.row(i).entry;
        if (auto board = base::ExtractUrlParam("board=", entry.topicUrl))
            byTopic[*board + '\t' + entry.logName].push_back(i);
    }
    std::optional<std::string> dir;
    base::Lines boardList;
    boardList.reserve(records.size());

    for (const TopicRecord &record : records) {
        std::string_view topicId = FieldText(record.topicId);
        std::string logName = std::string(topicId) + std::string(kLogExtension);
        std::string latest = latestText(record);
        std::string url(FieldText(record.topicUrl));
        boardList.push_back(FormatBoardListLine(
            BoardListLine{logName, record.postCount, latest, url, std::string(FieldText(record.title))}));
        std::vector<int> matched;
        if (auto it = index.find(url); it != index.end())
            matched = it->second;
        if (auto board = base::ExtractUrlParam("board=", url)) {
            if (auto it = byTopic.find(*board + '\t' + logName); it != byTopic.end())
                for (int at : it->second)
                    if (std::find(matched.begin(), matched.end(), at) == matched.end())
                        matched.push_back(at);
            std::sort(matched.begin(), matched.end());
        }
        for (int at : matched) {
            std::string board = base::ExtractUrlParam("board=", rows.row(at).entry.topicUrl).value_or("");
            std::string listUrl = BoardListUrl(env.boardServer, board);
            auto rowDir = ResolveBoardLogDir(env.paths, listUrl);
            if (!rowDir)
                continue;
            dir = rowDir;
            auto path = TopicLogPath(*rowDir, topicId);
            auto log = path ? SummarizeLog(*path, env.logCache) : std::nullopt;
            if (!log)
                continue;
            TopicRow row = rows.row(at);
            row.subItems[kPostsItem] = std::to_string(record.postCount);
            setLogFigures(row, record.postCount, *log);
            row.subItems[kLatestItem] = latest;
            row.image = kRefreshedTopicImage;
            rows.replaceRow(at, std::move(row));
        }
    }

    if (dir && !fromLocal) {
        std::string listFile = BoardListFilePath(*dir);
        if (base::WriteLines(listFile, boardList))
            outcome.writtenListFile = listFile;
    }
    return outcome;
}

} // namespace

std::optional<BoardListLine> ParseBoardListLine(std::string_view line)
{
    std::size_t tabs[4];
    std::size_t from = 0;
    for (auto &tab : tabs) {
        tab = line.find('\t', from);
        if (tab == std::string_view::npos)
            return std::nullopt;
        from = tab + 1;
    }
    BoardListLine parsed;
    parsed.logName = std::string(line.substr(0, tabs[0]));
    parsed.postCount = base::ParseInt(line.substr(tabs[0] + 1, tabs[1] - tabs[0] - 1), 0);
    parsed.latest = std::string(line.substr(tabs[1] + 1, tabs[2] - tabs[1] - 1));
    parsed.topicUrl = std::string(line.substr(tabs[2] + 1, tabs[3] - tabs[2] - 1));
    parsed.title = std::string(line.substr(tabs[3] + 1));
    return parsed;
}

std::string FormatBoardListLine(const BoardListLine &line)
{
    std::string out;
    out.reserve(line.logName.size() + line.latest.size() + line.topicUrl.size() + line.title.size() + 16);
    AppendFieldText(out, line.logName);
    out += '\t';
    out += std::to_string(line.postCount);
    out += '\t';
    AppendFieldText(out, line.latest);
    out += '\t';
    AppendFieldText(out, line.topicUrl);
    out += '\t';
    // The title is the rest of the line when read back, so its tabs may stay.
    for (char c : line.title)
        out += (c == '\r' || c == '\n') ? ' ' : c;
    return out;
}

TopicRecord TopicRecordFromLine(const BoardListLine &line)
{
    TopicRecord record{};
    std::string_view logName = line.logName;
    SetFieldText(record.topicId, logName.substr(0, logName.size() >= 4 ? logName.size() - 4 : 0));
    SetFieldText(record.topicUrl, line.topicUrl);
    SetFieldText(record.title, line.title);
    std::string_view latest = line.latest;
    SetFieldText(record.date, latest.substr(0, 10));
    auto blank = latest.find(' ');
    SetFieldText(record.time, blank == std::string_view::npos ? std::string_view{} : latest.substr(blank + 1));
    record.postCount = line.postCount;
    return record;
}

std::optional<std::vector<TopicRecord>> ReadBoardListFile(const std::string &path)
{
    auto lines = base::ReadLines(path);
    if (!lines)
        return std::nullopt;
    std::vector<TopicRecord> records;
    records.reserve(lines->size());
    for (const auto &text : *lines)
        if (auto line = ParseBoardListLine(text))
            records.push_back(TopicRecordFromLine(*line));
    return records;
}

net::PageResult MakeLocalPageResult(void *plugin, std::string_view listUrl, const std::vector<TopicRecord> &records)
{
    net::PageResult result{};
    result.plugin = plugin;
    result.result = records.data();
    SetFieldText(result.url, listUrl);
    result.fromLocal = 1;
    result.value = static_cast<std::int32_t>(records.size());
    return result;
}

int FindListedPostCount(const std::string &boardListPath, std::string_view logName)
{
    auto lines = base::ReadLines(boardListPath);
    if (!lines)
        return 0;
    for (const auto &line : *lines) {
        auto tab = line.find('\t');
        if (std::string_view(line).substr(0, tab) != logName)
            continue;
        if (tab == std::string::npos)
            return 0;
        auto next = line.find('\t', tab + 1);
        return base::ParseInt(std::string_view(line).substr(tab + 1, next == std::string::npos ? next : next - tab - 1),
                              0);
    }
    return 0;
}

int FindMergeTarget(std::span<const TopicListTabRef> pages, const net::PageResult &result)
{
    std::string_view listUrl = FieldText(result.url);
    for (std::size_t i = 0; i < pages.size(); ++i)
        if (pages[i].site == result.plugin && pages[i].listUrl == listUrl)
            return static_cast<int>(i);
    for (std::size_t i = 0; i < pages.size(); ++i)
        if (pages[i].site == nullptr && pages[i].listUrl == kFavoritesListUrl)
            return static_cast<int>(i);
    return -1;
}

std::optional<StoredBoardList> ReadStoredBoardList(const BoardPaths &paths, std::string_view listUrl)
{
    auto dir = ResolveBoardLogDir(paths, listUrl);
    if (!dir)
        return std::nullopt;
    auto records = ReadBoardListFile(BoardListFilePath(*dir));
    if (!records)
        return std::nullopt;
    return StoredBoardList{std::move(*dir), std::move(*records)};
}

int LoadFavoriteTopics(const std::vector<std::string> &favorites, TopicRowList &rows, const TopicListEnv &env)
{
    int added = 0;
    auto addBoard = [&](std::string_view board, const std::unordered_set<std::string> &logNames) {
        auto dir = ResolveBoardLogDir(env.paths, BoardListUrl(env.boardServer, board));
        if (!dir)
            return;
        auto lines = base::ReadLines(BoardListFilePath(*dir));
        if (!lines)
            return;
        std::string_view dirName = *dir;
        while (dirName.size() > 1 && dirName.back() == '/')
            dirName.remove_suffix(1);
        dirName = dirName.substr(dirName.rfind('/') + 1);
        for (const auto &text : *lines) {
            auto line = ParseBoardListLine(text);
            if (!line || !logNames.contains(line->logName))
                continue;
            TopicRow row;
            row.image = kUnloggedTopicImage;
            row.subItems[kTitleItem] = line->title;
            row.subItems[kPostsItem] = std::to_string(line->postCount);
            row.subItems[kFetchedItem] = "0";
            row.subItems[kLatestItem] = line->latest;
            row.subItems[kBoardItem] = std::string(dirName);
            std::string_view logName = line->logName;
            std::string_view topicId = logName.substr(0, logName.size() >= 4 ? logName.size() - 4 : 0);
            if (auto path = TopicLogPath(*dir, topicId)) {
                if (auto log = SummarizeLog(*path, env.logCache)) {
                    setLogFigures(row, line->postCount, *log);
                    row.image = kLoggedTopicImage;
                }
            }
            row.entry = TopicEntry{line->topicUrl, line->logName, 0};
            row.subItems[kNumberItem] = std::to_string(rows.rowCount() + 1);
            rows.appendRow(std::move(row));
            ++added;
        }
    };

    std::string board;
    std::unordered_set<std::string> logNames;
    for (std::size_t i = 0; i < favorites.size(); ++i) {
        std::string_view entry = favorites[i];
        auto tab = entry.find('\t');
        if (tab == std::string_view::npos)
            continue;
        if (!logNames.empty() && entry.substr(0, tab) != board) {
            addBoard(board, logNames);
            logNames.clear();
        }
        board = std::string(entry.substr(0, tab));
        logNames.insert(std::string(entry.substr(tab + 1)));
    }
    if (!logNames.empty())
        addBoard(board, logNames);
    return added;
}

std::vector<std::string> FavoriteBoardListUrls(const std::vector<std::string> &favorites,
                                               std::string_view boardServer)
{
    std::vector<std::string> urls;
    std::unordered_set<std::string> seen;
    for (const auto &entry : favorites) {
        auto tab = entry.find('\t');
        if (tab == std::string::npos)
            continue;
        std::string url = BoardListUrl(boardServer, std::string_view(entry).substr(0, tab));
        if (seen.insert(url).second)
            urls.push_back(std::move(url));
    }
    return urls;
}

MergeOutcome MergeTopicList(const net::PageResult &result, TopicListTarget &tab, const TopicListEnv &env)
{
    if (!tab.rows)
        return {};
    auto records = resultRecords(result);
    return tab.site ? boardMerge(records, result.fromLocal != 0, tab, env)
                    : favoritesRefresh(records, result.fromLocal != 0, tab, env);
}

} // namespace store
