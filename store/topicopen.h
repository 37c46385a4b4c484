// The topic store's part of opening a topic online (queue the first request, load the stored
// log) or locally (from the log alone). Main thread only.
//
// Online, the window calls, in this order:
//   1. OpenTopicOnline: resolves the board, reads the stored log, picks the title and queues the
//      first request. nullopt: nothing could be queued, stop before touching any tab.
//   2. its own part: status "スレッド" / "スレッドの取得開始", find, reuse or create the tab,
//      caption = opening.title, the tab's plug-in, the address box, the pane rule.
//   3. BeginOnlineFetch on the tab's state, then RenderTopicPage.
// Locally: OpenTopicLocal (nullopt: stop), the listed post count (board list file), the tab, then
// BeginLocalView and RenderTopicPage.
#pragma once

#include <optional>
#include <string>

#include "store/threadlog.h"
#include "store/topicstate.h"

namespace store {

/// What OpenTopicOnline found and queued.
struct OnlineOpening {
    std::string pageKey;
    std::string listUrl;
    std::string topicId;
    std::optional<std::string> boardDir; ///< nullopt when the board cannot be resolved
    std::string title;    ///< "取得中" (kFetchingTitle), or the stored title of message 1
    std::string firstUrl; ///< the request queued: the page key, or message 1 when the log lacks it
    StoredTopic stored;   ///< the log and the number index as read
};

/// The steps of an online opening before the tab is touched. nullopt when the page key lacks
/// "board=" or "tid=", its topic id is not one (IsTopicId), or when the first request could not be queued.
std::optional<OnlineOpening> OpenTopicOnline(const std::string &pageKey, const FetchOptions &options,
                                             TopicHost &host);

/// Initialises the tab's fetch from the opening: first writes what the tab still held unsaved
/// (under its old key, as it may be reused for another topic), then sets the key, list URL, log
/// name, range, limit (options.limit) and title, loads the log and the number index, and sets the
/// view start and scroll target. The number set also receives every number of the log that the
/// index lacks (a missing or stale index would otherwise fetch those messages again); such a
/// repair marks the state unsaved so that the next write stores the repaired index.
void BeginOnlineFetch(TopicState &topic, OnlineOpening opening, int rangeFirst, int rangeLast,
                      const FetchOptions &options, TopicHost &host);

/// What OpenTopicLocal found.
struct LocalOpening {
    std::string pageKey;
    std::string listUrl;
    std::string topicId;
    std::string boardDir;
    std::string logName; ///< topic id + ".dat"; with boardDir, for the listed post count
    StoredTopic stored;  ///< log is always present
};

/// The steps of a local opening before the tab is touched. nullopt when the page key lacks
/// "board=" or "tid=", its topic id is not one (IsTopicId), the board cannot be resolved, or its log does not exist or cannot be read.
std::optional<LocalOpening> OpenTopicLocal(const std::string &pageKey, const std::string &boardBase,
                                           TopicHost &host);

/// Fills the tab from a local opening (after writing what it held unsaved). target is a message
/// number to show, or -1 for the end of the log. Returns true when the log starts with message 1,
/// whose title then became the tab's title (and is to become its caption).
bool BeginLocalView(TopicState &topic, LocalOpening opening, int postCount, int target, int msgview,
                    TopicHost &host);

} // namespace store
