// A board's topic list: the board list file in the board's log directory, and the merge of a
// downloaded or stored list into a topic-list tab.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "net/notice.h"
#include "plugin_api/records.h"
#include "store/boarddir.h"
#include "store/boardurls.h"
#include "store/listrows.h"
#include "store/logsummary.h"

namespace store {

/// One line of a board list file: "log\tposts\tlatest\turl\ttitle".
struct BoardListLine {
    std::string logName; ///< topic id + ".dat"
    int postCount = 0;
    std::string latest; ///< date, a blank, time
    std::string topicUrl;
    std::string title; ///< the rest of the line, tabs included
    bool operator==(const BoardListLine &) const = default;
};

/// Nullopt when the line has fewer than four tabs. A post count that is not a number reads 0.
std::optional<BoardListLine> ParseBoardListLine(std::string_view line);
/// The line for a topic; tabs in the first four fields and line breaks anywhere become blanks.
std::string FormatBoardListLine(const BoardListLine &line);

/// The topic record a stored line stands for: topic id = log name without its last four
/// characters, date = the first 10 characters of latest, time = what follows its first blank.
/// Texts too long for their fields are cut.
TopicRecord TopicRecordFromLine(const BoardListLine &line);

/// The topics of a board list file in file order, lines that do not parse skipped; nullopt when
/// the file is missing or cannot be read.
std::optional<std::vector<TopicRecord>> ReadBoardListFile(const std::string &path);

/// The PageResult `OpenTopicListLocal` feeds to MergeTopicList: records (which must outlive
/// it), the plug-in, the list URL, the from-local flag set.
net::PageResult MakeLocalPageResult(void *plugin, std::string_view listUrl, const std::vector<TopicRecord> &records);

/// `FindListedPostCount`: the post count of the first line whose log name equals logName; 0 when
/// there is none or the file is missing.
int FindListedPostCount(const std::string &boardListPath, std::string_view logName);

/// A topic-list tab as the merge sees it.
struct TopicListTarget {
    void *site = nullptr;  ///< the plug-in; null for the favorites tab
    std::string listUrl;   ///< the tab's list URL (":Favorite" for the favorites tab)
    std::string boardDir;  ///< the tab's board log directory; empty when it was not resolved
    std::string caption;   ///< the board's name, shown in the category column
    TopicRowList *rows = nullptr;
};

/// What the merge needs besides the tab.
struct TopicListEnv {
    std::string boardServer; ///< the board server's base URL, ending with "/"
    BoardPaths paths;        ///< for the favorites refresh, which resolves each row's board
    /// `DecodeEntities` (the text transforms): titles of a board merge are shown and stored
    /// decoded. Without it titles stay as the plug-in gave them.
    std::function<std::string(std::string_view)> decodeTitle;
    LogSummaryCache *logCache = nullptr; ///< optional: reuses the line counts of unchanged logs
};

struct MergeOutcome {
    /// 1 when the tab took the list (its rows may have changed), 0 when it did not.
    int taken = 0;
    /// A board merge ran: end the list's batch update, begun when the fetch started. Set also
    /// for a board list without entries, so that the list never stays frozen.
    bool endBatch = false;
    /// Status texts to show with ShowStatus (the tab's plug-in): the last a board merge shows.
    std::optional<std::pair<std::string, std::string>> status;
    /// The board list file written, if any.
    std::optional<std::string> writtenListFile;
};

/// Index of the tab a topic-list result goes to (notice 5, or a local reader): the topic-list
/// tab of the result's plug-in and list URL, else the favorites tab (no plug-in, ":Favorite"),
/// else -1. pages are (site, list URL) of the topic-list tabs in tab order.
struct TopicListTabRef {
    void *site = nullptr;
    std::string_view listUrl;
};
int FindMergeTarget(std::span<const TopicListTabRef> pages, const net::PageResult &result);

/// `MergeTopicList` into one tab. A tab with a plug-in takes a board merge: one row per entry
/// (icon 4 with the log's line count when <topic id>.dat is in the board directory, else 5),
/// then one row per other log of the directory (icon 6, figures from the log), and the board
/// list file is rewritten unless the list came from it. The favorites tab takes a refresh: every
/// row of an entry's topic gets the entry's figures (icon 17) when its log exists, and the board
/// list file of the last such row's board is rewritten with the titles as given.
///
/// A row whose topic URL is already in the tab is replaced in place instead of added again:
/// two downloads of one board that were both started before either result arrived leave each
/// topic once, not twice. When env says so by [general] sort, the caller then clears
/// SortDescending and sorts with key 0.
MergeOutcome MergeTopicList(const net::PageResult &result, TopicListTarget &tab, const TopicListEnv &env);

/// What `OpenTopicListLocal` reads before it touches a tab: the board's directory and the topics
/// of its board list file. Nullopt when the directory does not resolve or the board was never
/// listed (no board list file): nothing opens then.
struct StoredBoardList {
    std::string boardDir;
    std::vector<TopicRecord> records;
};
std::optional<StoredBoardList> ReadStoredBoardList(const BoardPaths &paths, std::string_view listUrl);

/// `LoadFavoriteTopics`: rows for the favorites tab from the logs. favorites are the lines of the
/// favorites list, "board id\tlog name", sorted, so that a board's entries are adjacent. For each
/// board whose directory resolves and whose board list file exists, every line of that file
/// naming one of the board's favorites gives a row (title as stored, icon 4 with the log's line
/// count when the log exists, else 5; the category column is the directory's last component),
/// grouped by board in favorites order and in file order within a board. Favorites not in their
/// board's file get no row. Returns the number of rows added.
int LoadFavoriteTopics(const std::vector<std::string> &favorites, TopicRowList &rows, const TopicListEnv &env);

/// The list URLs `ThrLstReload` refreshes for the favorites tab: each favorite's board, first
/// occurrence only, in favorites order.
std::vector<std::string> FavoriteBoardListUrls(const std::vector<std::string> &favorites,
                                               std::string_view boardServer);

} // namespace store
