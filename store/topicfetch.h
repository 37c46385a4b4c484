// The incremental download of a topic: merging each parsed message into the tab's log, asking
// for the numbers still missing, and the end of a fetch (sort, write, view position). Main thread
// only; the window finds the tab, then calls these and applies the outcome to its widgets.
#pragma once

#include <string>

#include "net/notice.h"
#include "plugin_api/records.h"
#include "store/topicstate.h"

namespace store {

/// What the end of a fetch did; the window then updates the topic's rows, renders the tab and
/// shows the status "スレッド" / "スレッドの取得終了" (kThreadStatusTitle, kThreadFetchFinished).
struct FinishOutcome {
    bool boardDirKnown = false; ///< false: nothing was written, memory and view are still updated
    bool written = false;       ///< the log and its number index were replaced on disk
    bool changed = false;       ///< lines or numbers had changed since the previous write
    std::string logPath;        ///< board dir + "/" + log name, when the board dir is known
    int fetched = 0;            ///< lines held: the topic rows' "fetched" figure
};

/// The figures of a topic's row after a fetch: fetched, not fetched, and the icon.
struct RowFigures {
    int fetched = 0;
    int notFetched = 0;
    int icon = 4;
};

/// The row figures for a row listing rowPostCount posts of a topic that now holds fetched lines.
RowFigures FinishedRowFigures(int rowPostCount, int fetched);

/// The answer of a merge, as notice 7 returns it.
enum class MergeAnswer : int {
    Handled = 1,  ///< merged, or counted as received
    Requeue = -1, ///< unreadable: the request is to be queued again with its re-fetch count raised
};

struct MessageMergeOutcome {
    MergeAnswer answer = MergeAnswer::Handled;
    bool added = false;        ///< the message was new and went into the log
    bool titleChanged = false; ///< message 1 arrived: the tab's title (and caption) changed
    bool finished = false;     ///< the fetch reached its end; finish holds what that did
    FinishOutcome finish;
    std::string caption; ///< the tab's new caption; empty when the caption stays
};

/// MergeMessage for the message of notice 7 in the topic tab state (found by the window through
/// the result's plug-in and key). refetchCount is the request's re-fetch count. A message numbered
/// below 1 or above its page's last number is not stored but still counts as received. The first
/// answer of a fetch runs RequestMissingMessages and is counted by it alone, so every number of
/// the range counts once and the fetch ends with the answer to its last request, after that
/// answer was stored.
MessageMergeOutcome MergeMessage(TopicState &topic, const MessageRecord &message, int refetchCount,
                          const FetchOptions &options, TopicHost &host);

/// The same for notice 7's payload: its MessageRecord and its re-fetch count. A payload without
/// a record changes nothing (answer Handled, empty caption). A given-up request's failure
/// message (PageResult::givenUp) goes to GiveUpMessage instead: it is never stored.

MessageMergeOutcome MergeMessage(TopicState &topic, const net::PageResult &result, const FetchOptions &options,
                          TopicHost &host);

/// A message request of the tab that was given up (retries used up, or a re-fetch that could not
/// be queued): it counts as received and as failed, so the fetch still ends, and nothing is
/// stored, so the next opening asks for it again. When the first request of a fetch is given up
/// nothing else was asked for: the fetch ends at once and every number of the range not held
/// (up to the limit) counts as failed. A fetch that ends with nothing at all is captioned
/// "リトライエラー" instead of the title "取得中".
MessageMergeOutcome GiveUpMessage(TopicState &topic, const FetchOptions &options, TopicHost &host);

/// Panel 0 at the end of a fetch: "スレッドの取得終了", followed, when messages of the fetch were
/// given up, by " (" + their count + "件のレスを取得できませんでした)".
std::string FinishStatusText(const TopicState &topic);

/// Walks the range (downward with dlNew) and queues a request for every number not yet stored,
/// while fewer than the limit are counted (messages added so far plus requests queued); numbers
/// found stored count as received. A request that cannot be queued counts as received and as
/// failed at once, since no response will come for it, so the fetch can still end. Returns how
/// many requests were queued, which are added to the answers awaited. MergeMessage runs it on the
/// first response.
int RequestMissingMessages(TopicState &topic, const FetchOptions &options, TopicHost &host);

/// The end of a fetch: sorts the lines, writes the log and its number index when the board dir
/// resolves, and moves the view start. The caption becomes the title (MessageMergeOutcome::caption).
FinishOutcome FinishFetch(TopicState &topic, const FetchOptions &options, TopicHost &host);

/// The topic's part of ThrStop, after the window removed removedRequests waiting requests of the
/// topic from the queue: counts them as received, marks the tab stopped and runs the end of the
/// fetch. The caption is left as it is. Answers of requests already running still come and are
/// merged; the last of them ends the fetch again, so that they are written too, and a first
/// answer among them asks for nothing more.
FinishOutcome StopFetch(TopicState &topic, int removedRequests, const FetchOptions &options, TopicHost &host);

/// Writes what the tab merged since its last write (sorted), so that closing a tab, reusing it
/// for another topic or leaving the program during a fetch loses nothing. Does nothing when
/// nothing is unsaved. True when nothing was left unsaved.
bool FlushTopic(TopicState &topic, TopicHost &host);

/// The view start after a finish, for n lines and m messages per page.
int ViewStartAfterFinish(int viewStart, int n, int m);

/// The caption during a fetch: the title alone once stopped, else "%s (%d/%d)" with title,
/// received and range end.
std::string FetchCaption(const TopicState &topic);

} // namespace store
