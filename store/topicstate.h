// The in-memory state of one topic tab's log and download, the settings a download reads, and
// the small interface through which the topic store reaches the request queue and the boards.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/numberset.h"
#include "settings/settings.h"

namespace store {

/// The data of a topic tab that the log, the download and the page builder work on. The tab's
/// record (which adds the plug-in handle and the view) carries these fields under the same names.
/// Main thread only.
struct TopicState {
    std::string listUrl;  ///< the board's topic-list URL; resolves the board's log directory
    std::string topicUrl; ///< the page key: every request of the tab carries it as its key
    std::string logName;  ///< topic id + ".dat"
    std::string title;    ///< the title of message 1; the caption's base
    int postCount = 0;    ///< the topic's last message number as far as known
    int scrollTarget = 0; ///< message number scrolled into view after a render
    int viewStart = 0;    ///< index in lines of the first message rendered
    int rangeFirst = 0, rangeLast = 0; ///< message numbers to fetch, inclusive
    /// Numbers of the range dealt with in this fetch: those found stored when the missing ones
    /// were asked for, then one per answer to those requests. Each number counts once.
    int received = 0;
    int limit = -1;       ///< most messages to add in this fetch; -1 for no limit
    int added = 0;        ///< messages added in this fetch
    int failed = 0;       ///< messages of this fetch given up: counted as received, not stored
    /// The first answer of this fetch has come and the missing numbers were asked for.
    bool walked = false;
    /// Answers still due to the requests the walk queued; the fetch ends when none is.
    int awaited = 0;
    int flag = 0;         ///< 1 once the user stopped a fetch of this tab
    std::vector<std::string> lines;      ///< the topic log, one line per message
    std::vector<std::string> newNumbers; ///< numbers added by downloads since the tab was opened
    MessageNumberSet heldNumbers;        ///< the number index: numbers never requested again
    /// Lines or numbers changed since the files were last written; a flush writes them.
    bool unsaved = false;
    /// The log was deleted under the open tab: nothing is written back (messages of a fetch that
    /// still arrive stay in memory only) until the tab opens a topic again.
    bool logDeleted = false;

    /// A download is still waiting for responses.
    bool downloading() const { return received < rangeLast - rangeFirst + 1; }
};

/// What the topic store needs from the rest of the program. The main window implements it over
/// its request pipeline and the category store; tests implement it in memory.
class TopicHost {
public:
    virtual ~TopicHost() = default;

    /// Queues a message-page request for url at the end of the general queue, with the topic's
    /// plug-in and key as the request's key. False when nothing was queued.
    virtual bool enqueueMessage(const std::string &url, const std::string &key) = 0;

    /// The board's log directory for its topic-list URL; nullopt when it cannot be resolved.
    virtual std::optional<std::string> resolveBoardDir(const std::string &listUrl) = 0;
};

/// The settings one download reads.
struct FetchOptions {
    std::string boardBase; ///< the board server's base URL, ending with "/"
    int msgview = 100;     ///< messages per rendered page
    int resretry = 1;      ///< how often an unreadable message is requested again
    bool dlNew = false;    ///< walk the range from its end down
    int limit = -1;        ///< the limit a fetch starts with (FetchLimit)
};

/// The limit of a fetch that starts now: -1 when dl_count_index is 0 (or negative), else the
/// chosen dl_count entry as a number (1 when it is not a number or below 1). An index beyond the
/// list takes its last entry, and an empty list means no limit.
int FetchLimit(const settings::NetworkSettings &network);

/// The dl_count_index that choosing caption in the download-count menu sets: its 1-based
/// position in dlCount, or 0 (all messages) when it is not listed.
int DlCountIndexFor(std::string_view caption, const std::vector<std::string> &dlCount);

/// FetchOptions from the current settings; limit from FetchLimit.
FetchOptions MakeFetchOptions(const settings::Settings &settings, std::string boardBase);

} // namespace store
