// Merging downloaded messages into a topic tab's log and ending a fetch.
#include "store/topicfetch.h"

#include <algorithm>
#include <limits>

#include "base/programdir.h"
#include "base/text.h"
#include "net/endpoints.h"
#include "net/texts.h"
#include "store/safename.h"
#include "store/threadlog.h"
#include "store/topictexts.h"

namespace store {

namespace {

long long RangeSize(const TopicState &topic)
{
    return static_cast<long long>(topic.rangeLast) - topic.rangeFirst + 1;
}

// Sorts the lines and writes both files; the outcome's board dir, path and written flag.
void WriteTopic(TopicState &topic, TopicHost &host, FinishOutcome &out)
{
    SortLogLines(topic.lines);
    if (topic.logDeleted) {
        topic.unsaved = false;
        return;
    }
    const std::optional<std::string> dir = host.resolveBoardDir(topic.listUrl);
    if (!dir || dir->empty())
        return;
    out.boardDirKnown = true;
    // The log name came from a URL or a restored file: only a topic log name may become a path.
    const std::optional<std::string> path = TopicLogFilePathOfName(*dir, topic.logName);
    if (!path)
        return;
    out.logPath = *path;
    out.written = WriteStoredTopic(out.logPath, topic.lines, topic.heldNumbers);
    if (out.written)
        topic.unsaved = false;
}

// The end of a merge: the finish when the fetch is complete, else the caption with the count.
void endOrCaption(TopicState &topic, const FetchOptions &options, TopicHost &host, MessageMergeOutcome &out)
{
    // Every number of the range dealt with, the limit reached, or every request answered (a
    // limit stops the walk early, and a given-up answer adds nothing, so neither of the others
    // need ever be met).
    const bool allAnswered = topic.walked && topic.awaited <= 0;
    if (topic.received >= RangeSize(topic) || (topic.limit >= 0 && topic.added >= topic.limit) || allAnswered) {
        out.finished = true;
        out.finish = FinishFetch(topic, options, host);
        // A topic none of whose messages came says so, rather than still "fetching".
        out.caption =
            topic.lines.empty() && topic.title == kFetchingTitle ? std::string(net::kRetryErrorText) : topic.title;
    } else {
        out.caption = FetchCaption(topic);
    }
}

} // namespace

std::string FinishStatusText(const TopicState &topic)
{
    std::string text = kThreadFetchFinished;
    if (topic.failed > 0) {
        text += " (";
        text += std::to_string(topic.failed);
        text += kMessagesNotFetchedText;
        text += ")";
    }
    return text;
}

RowFigures FinishedRowFigures(int rowPostCount, int fetched)
{
    RowFigures figures;
    figures.fetched = fetched;
    figures.notFetched = rowPostCount - fetched;
    return figures;
}

std::string FetchCaption(const TopicState &topic)
{
    if (topic.flag)
        return topic.title;
    const std::string received = std::to_string(topic.received);
    const std::string last = std::to_string(topic.rangeLast);
    std::string caption;
    caption.reserve(topic.title.size() + received.size() + last.size() + 4);
    caption.append(topic.title).append(" (").append(received).append("/").append(last).append(")");
    return caption;
}

int ViewStartAfterFinish(int viewStart, int n, int m)
{
    if (viewStart == 0)
        return 0;
    const long long rest = static_cast<long long>(n) - (static_cast<long long>(viewStart) + m);
    if (rest >= m)
        return viewStart + m;
    return std::max(0, n - m);
}

int RequestMissingMessages(TopicState &topic, const FetchOptions &options, TopicHost &host)
{
    const std::optional<std::string> board = base::ExtractUrlParam("board=", topic.topicUrl);
    const std::optional<std::string> tid = base::ExtractUrlParam("tid=", topic.topicUrl);
    int counted = topic.added;
    int queued = 0;
    // Returns false when the limit stops the walk. The limit is a ceiling, not a mark to hit:
    // the first response may already have reached it (limit 1 with message 1 new).
    auto limitReached = [&] { return topic.limit >= 0 && counted >= topic.limit; };
    auto visit = [&](long long n) {
        const int number = static_cast<int>(n);
        if (topic.heldNumbers.contains(number)) {
            ++topic.received;
            return true;
        }
        if (limitReached())
            return false;
        if (number >= 1 && board && tid &&
            host.enqueueMessage(net::MessageUrl(options.boardBase, *board, *tid, number), topic.topicUrl)) {
            ++queued;
            ++counted;
            return !limitReached();
        }
        // No response will ever come for it: count it now so that the fetch can end, and as
        // one the user is told could not be fetched.
        ++topic.received;
        if (number >= 1)
            ++topic.failed;
        return true;
    };
    topic.walked = true;
    if (options.dlNew) {
        for (long long n = topic.rangeLast; n >= topic.rangeFirst; --n) {
            if (!visit(n))
                break;
        }
    } else {
        for (long long n = topic.rangeFirst; n <= topic.rangeLast; ++n) {
            if (!visit(n))
                break;
        }
    }
    topic.awaited += queued;
    // Room for every answer now due, so that the merges append without moving the log.
    topic.lines.reserve(topic.lines.size() + static_cast<std::size_t>(queued));
    topic.newNumbers.reserve(topic.newNumbers.size() + static_cast<std::size_t>(queued));
    return queued;
}

FinishOutcome FinishFetch(TopicState &topic, const FetchOptions &options, TopicHost &host)
{
    FinishOutcome out;
    out.changed = topic.unsaved;
    WriteTopic(topic, host, out);
    out.fetched = static_cast<int>(topic.lines.size());
    topic.viewStart = ViewStartAfterFinish(topic.viewStart, out.fetched, options.msgview);
    return out;
}

FinishOutcome StopFetch(TopicState &topic, int removedRequests, const FetchOptions &options, TopicHost &host)
{
    topic.received += std::max(0, removedRequests);
    topic.awaited -= std::max(0, removedRequests);
    topic.flag = 1;
    // A first answer still on its way must not ask for the rest of the range after all.
    topic.walked = true;
    return FinishFetch(topic, options, host);
}

bool FlushTopic(TopicState &topic, TopicHost &host)
{
    if (!topic.unsaved)
        return true;
    FinishOutcome ignored;
    WriteTopic(topic, host, ignored);
    return !topic.unsaved;
}

MessageMergeOutcome MergeMessage(TopicState &topic, const MessageRecord &message, int refetchCount,
                          const FetchOptions &options, TopicHost &host)
{
    MessageMergeOutcome out;
    if (refetchCount < options.resretry && IsUnreadable(message)) {
        out.answer = MergeAnswer::Requeue;
        return out;
    }

    if (message.number >= 1 && message.number <= message.lastNumber && !topic.heldNumbers.contains(message.number)) {
        if (message.number == 1) {
            topic.title = MessageTitle(message);
            out.titleChanged = true;
        }
        topic.heldNumbers.add(message.number);
        topic.newNumbers.push_back(std::to_string(message.number));
        topic.lines.push_back(FormatLogLine(message));
        ++topic.added;
        topic.unsaved = true;
        out.added = true;
    }

    if (!topic.walked) {
        // The first answer is not counted by itself: the walk counts its number when it was
        // stored and in the range, and asks for it again when it was not.
        topic.postCount = message.lastNumber;
        topic.awaited = 0;
        RequestMissingMessages(topic, options, host);
    } else {
        ++topic.received;
        --topic.awaited;
        // A fetch stopped before its first answer came has no post count yet; the answer still
        // tells it, which the next download of new messages and the page need.
        if (topic.postCount <= 0)
            topic.postCount = message.lastNumber;
    }

    endOrCaption(topic, options, host, out);
    return out;
}

MessageMergeOutcome GiveUpMessage(TopicState &topic, const FetchOptions &options, TopicHost &host)
{
    MessageMergeOutcome out;
    ++topic.failed;
    if (!topic.walked) {
        // The first request decides what else to ask for; without its answer nothing else is
        // asked, so the rest of the range will not come either.
        long long missing = 0;
        for (long long n = std::max(1, topic.rangeFirst); n <= topic.rangeLast; ++n) {
            if (topic.limit >= 0 && missing >= topic.limit)
                break;
            missing += topic.heldNumbers.contains(static_cast<int>(n)) ? 0 : 1;
        }
        topic.failed = static_cast<int>(std::clamp<long long>(missing, 1, std::numeric_limits<int>::max()));
        topic.received = static_cast<int>(std::clamp<long long>(RangeSize(topic), 1, std::numeric_limits<int>::max()));
        topic.walked = true;
        topic.awaited = 0;
    } else {
        ++topic.received;
        --topic.awaited;
    }
    endOrCaption(topic, options, host, out);
    return out;
}

MessageMergeOutcome MergeMessage(TopicState &topic, const net::PageResult &result, const FetchOptions &options,
                          TopicHost &host)
{
    if (result.givenUp)
        return GiveUpMessage(topic, options, host);
    if (result.result)
        return MergeMessage(topic, *static_cast<const MessageRecord *>(result.result), result.value, options, host);
    return MessageMergeOutcome{};
}

} // namespace store
