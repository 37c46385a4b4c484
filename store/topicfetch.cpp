// Merging downloaded messages into a topic tab's log and ending a fetch.
#include "store/topicfetch.h"

#include <algorithm>

#include "base/programdir.h"
#include "base/text.h"
#include "net/endpoints.h"
#include "store/threadlog.h"

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
    if (topic.logName.empty())
        return;
    out.logPath = base::JoinPath(*dir, topic.logName);
    out.written = WriteStoredTopic(out.logPath, topic.lines, topic.heldNumbers);
    if (out.written)
        topic.unsaved = false;
}

} // namespace

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
    return topic.title + " (" + std::to_string(topic.received) + "/" + std::to_string(topic.rangeLast) + ")";
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
    // Returns false when the limit stops the walk.
    auto visit = [&](long long n) {
        const int number = static_cast<int>(n);
        if (topic.heldNumbers.contains(std::to_string(number))) {
            ++topic.received;
            return true;
        }
        if (number >= 1 && board && tid &&
            host.enqueueMessage(net::MessageUrl(options.boardBase, *board, *tid, number), topic.topicUrl)) {
            ++queued;
            return ++counted != topic.limit;
        }
        // No response will ever come for it: count it now so that the fetch can end.
        ++topic.received;
        return true;
    };
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
    topic.flag = 1;
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
    if (refetchCount < options.resretry && MessageDateTime(message) == kUnreadableDateTime) {
        out.answer = MergeAnswer::Requeue;
        return out;
    }

    const std::string number = std::to_string(message.number);
    if (message.number >= 1 && message.number <= message.lastNumber && !topic.heldNumbers.contains(number)) {
        if (message.number == 1) {
            topic.title = MessageTitle(message);
            out.titleChanged = true;
        }
        topic.heldNumbers.add(number);
        topic.newNumbers.push_back(number);
        topic.lines.push_back(FormatLogLine(message));
        ++topic.added;
        topic.unsaved = true;
        out.added = true;
    }

    if (topic.received == 0) {
        topic.postCount = message.lastNumber;
        RequestMissingMessages(topic, options, host);
    }
    ++topic.received;

    if (topic.received >= RangeSize(topic) || topic.added == topic.limit) {
        out.finished = true;
        out.finish = FinishFetch(topic, options, host);
        out.caption = topic.title;
    } else {
        out.caption = FetchCaption(topic);
    }
    return out;
}

MessageMergeOutcome MergeMessage(TopicState &topic, const net::PageResult &result, const FetchOptions &options,
                          TopicHost &host)
{
    if (result.result)
        return MergeMessage(topic, *static_cast<const MessageRecord *>(result.result), result.value, options, host);
    return MessageMergeOutcome{};
}

} // namespace store
