// Tab restoration: "restoration.txt" lists the topic lists and topics open at shutdown, and the
// start-up reopens them from the local logs without downloading anything. Main thread only.
#pragma once

#include "base/textfile.h"
#include "plugin_api/records.h"
#include "store/threadlog.h"
#include "store/topicstate.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace store {

inline constexpr const char kRestorationFileName[] = "restoration.txt";
inline constexpr const char kTreeListUrl[] = ":Tree";

/// A topic tab as SaveOpenTabs writes it.
struct OpenTopicTab {
    std::string pageKey;
    int scrollTarget = 0;
    int viewStart = 0;
};

/// `SaveOpenTabs`' lines: "THREADLIST\t<board id>" (or ":Favorite") per topic-list tab, then
/// "THREAD\t<board>\t<topic>\t<scroll target>\t<view start>" per topic tab, each in tab order.
/// Tree tabs, lists without a board id and ids holding a tab or a line break get no line.
base::Lines RestorationLines(const std::vector<std::string> &listUrls, const std::vector<OpenTopicTab> &topics);

/// Writes the lines, replacing the file atomically. False when the write failed.
bool SaveOpenTabs(const std::string &path, const std::vector<std::string> &listUrls,
                  const std::vector<OpenTopicTab> &topics);

/// One readable line of the file.
struct RestorationEntry {
    enum class Kind { Favorites, TopicList, Topic };
    Kind kind = Kind::TopicList;
    std::string board;
    std::string topic;
    int scrollTarget = 0;
    int viewStart = 0;
    bool operator==(const RestorationEntry &) const = default;
};

/// The entries of the file's lines in order. Lines with another first field, without their
/// fields or with ids that are empty are skipped; numbers that are not numbers read 0.
std::vector<RestorationEntry> ParseRestorationLines(const base::Lines &lines);

/// A board list to reopen.
struct RestoredList {
    std::string listUrl;
    std::string boardDir;
    std::string caption; ///< the board directory's last component
    std::vector<TopicRecord> records;
};

/// A topic to reopen, read from its log.
struct RestoredTopic {
    std::string pageKey; ///< <board server>bbs?action=m&board=%s&sid=%s&tid=%s&mid=1
    std::string listUrl;
    std::string logName;
    std::string title; ///< field 5 of the log's first line
    int postCount = 0; ///< from the board list file, 0 when the topic is not listed there
    int scrollTarget = 0;
    int viewStart = 0;  ///< clamped to the log
    StoredTopic stored; ///< the log (always present) and its number index
};

/// What the start-up does with each entry; the window creates the tabs.
class RestorationHost {
public:
    virtual ~RestorationHost() = default;
    virtual std::optional<std::string> resolveBoardDir(const std::string &listUrl) = 0;
    /// `ThrLstFavoriteTab`.
    virtual void openFavoritesTab() = 0;
    virtual void openTopicList(RestoredList list) = 0;
    virtual void openTopic(RestoredTopic topic) = 0;
};

/// `RestoreOpenTabs` over the file's lines: entries whose board does not resolve, whose board
/// list file or topic log is missing are skipped; the others are handed to host in file order.
/// msgview is the page size a view start beyond the log is clamped with. Returns the number of
/// tabs handed over.
int RestoreOpenTabs(const base::Lines &lines, const std::string &boardServer, int msgview, RestorationHost &host);

/// The view start a restored tab of n lines shows: viewStart when it lies inside the log,
/// otherwise the last page (n - msgview, at least 0).
int ClampRestoredViewStart(int viewStart, int n, int msgview);

/// Fills a new topic tab's state from a restored topic: key, list URL, log name, title, post
/// count, lines, number set (the index completed from the log), scroll target and view start.
void ApplyRestoredTopic(TopicState &tab, RestoredTopic topic);

} // namespace store
