// Opening a topic: the first request, and the tab's log, numbers and view position.
#include "store/topicopen.h"

#include <algorithm>

#include "base/programdir.h"
#include "base/text.h"
#include "net/endpoints.h"
#include "store/safename.h"
#include "store/topicfetch.h"
#include "store/topictexts.h"

namespace store {

namespace {

struct TopicIds {
    std::string board;
    std::string topic;
};

std::optional<TopicIds> IdsOf(const std::string &pageKey)
{
    std::optional<std::string> board = base::ExtractUrlParam("board=", pageKey);
    std::optional<std::string> topic = base::ExtractUrlParam("tid=", pageKey);
    // The topic id becomes a file name: anything but the service's id form is refused here,
    // before a request is queued or a file is touched.
    if (!board || !topic || !IsTopicId(*topic))
        return std::nullopt;
    return TopicIds{std::move(*board), std::move(*topic)};
}

// The number set from the index file, completed from the log. A download writes the completed
// index back; a local opening only reads, and leaves the files as they are.
void LoadNumbers(TopicState &topic, const StoredTopic &stored, bool writeBack)
{
    if (stored.index)
        topic.heldNumbers.assign(*stored.index);
    if (AddLoggedNumbers(topic.lines, topic.heldNumbers) && writeBack)
        topic.unsaved = true;
}

// Clears what every opening empties, after saving what the tab still held.
void ResetTopic(TopicState &topic, TopicHost &host, const std::string &pageKey, const std::string &listUrl)
{
    FlushTopic(topic, host);
    topic.topicUrl = pageKey;
    topic.listUrl = listUrl;
    topic.lines.clear();
    topic.newNumbers.clear();
    topic.heldNumbers.clear();
    topic.unsaved = false;
    topic.logDeleted = false;
}

int LastLineNumber(const std::vector<std::string> &lines)
{
    return lines.empty() ? 1 : LogLineNumber(lines.back(), 1);
}

} // namespace

std::optional<OnlineOpening> OpenTopicOnline(const std::string &pageKey, const FetchOptions &options,
                                             TopicHost &host)
{
    const std::optional<TopicIds> ids = IdsOf(pageKey);
    if (!ids)
        return std::nullopt;
    OnlineOpening opening;
    opening.pageKey = pageKey;
    opening.topicId = ids->topic;
    opening.listUrl = net::TopicListUrl(options.boardBase, ids->board);
    opening.boardDir = host.resolveBoardDir(opening.listUrl);
    if (opening.boardDir && opening.boardDir->empty())
        opening.boardDir.reset();
    opening.title = kFetchingTitle;
    opening.firstUrl = net::MessageUrl(options.boardBase, ids->board, ids->topic, 1);
    if (opening.boardDir) {
        if (const auto path = TopicLogFilePath(*opening.boardDir, ids->topic))
            opening.stored = ReadStoredTopic(*path);
        const std::optional<base::Lines> &log = opening.stored.log;
        if (log && !log->empty()) {
            const LogFields first = SplitLogLine(log->front());
            if (first.number == "1") {
                opening.title = std::string(first.title);
                opening.firstUrl = pageKey;
            }
        }
    }
    if (!host.enqueueMessage(opening.firstUrl, pageKey))
        return std::nullopt;
    return opening;
}

void BeginOnlineFetch(TopicState &topic, OnlineOpening opening, int rangeFirst, int rangeLast,
                      const FetchOptions &options, TopicHost &host)
{
    ResetTopic(topic, host, opening.pageKey, opening.listUrl);
    topic.viewStart = 0;
    topic.rangeFirst = rangeFirst;
    topic.rangeLast = rangeLast;
    topic.received = 0;
    topic.walked = false;
    topic.awaited = 0;
    topic.limit = options.limit;
    topic.added = 0;
    topic.failed = 0;
    topic.title = std::move(opening.title);
    // The log name follows from the topic alone; a reused tab must not keep its old one.
    topic.logName = opening.topicId + ".dat";
    topic.scrollTarget = 1;
    if (opening.stored.log) {
        topic.lines = std::move(*opening.stored.log);
        topic.scrollTarget = LastLineNumber(topic.lines);
        const long long n = static_cast<long long>(topic.lines.size());
        if (n > options.msgview)
            topic.viewStart = static_cast<int>(n - options.msgview);
    }
    LoadNumbers(topic, opening.stored, true);
}

std::optional<LocalOpening> OpenTopicLocal(const std::string &pageKey, const std::string &boardBase,
                                           TopicHost &host)
{
    const std::optional<TopicIds> ids = IdsOf(pageKey);
    if (!ids)
        return std::nullopt;
    LocalOpening opening;
    opening.pageKey = pageKey;
    opening.topicId = ids->topic;
    opening.listUrl = net::TopicListUrl(boardBase, ids->board);
    const std::optional<std::string> dir = host.resolveBoardDir(opening.listUrl);
    if (!dir || dir->empty())
        return std::nullopt;
    opening.boardDir = *dir;
    opening.logName = ids->topic + ".dat";
    const auto path = TopicLogFilePath(opening.boardDir, ids->topic);
    if (!path)
        return std::nullopt;
    opening.stored = ReadStoredTopic(*path);
    if (!opening.stored.log)
        return std::nullopt;
    return opening;
}

bool BeginLocalView(TopicState &topic, LocalOpening opening, int postCount, int target, int msgview,
                    TopicHost &host)
{
    ResetTopic(topic, host, opening.pageKey, opening.listUrl);
    topic.viewStart = 0;
    topic.rangeFirst = 0;
    topic.rangeLast = 0;
    topic.received = 0;
    topic.walked = false;
    topic.awaited = 0;
    topic.failed = 0;
    topic.postCount = postCount;
    topic.lines = std::move(*opening.stored.log);
    bool titled = false;
    if (!topic.lines.empty()) {
        const LogFields first = SplitLogLine(topic.lines.front());
        if (first.number == "1") {
            topic.title = std::string(first.title);
            titled = true;
        }
    }
    topic.logName = opening.logName;

    const long long n = static_cast<long long>(topic.lines.size());
    if (target == -1) {
        topic.scrollTarget = LastLineNumber(topic.lines);
        if (n > msgview)
            topic.viewStart = static_cast<int>(n - msgview);
    } else {
        const std::string wanted = std::to_string(target);
        const auto it = std::find_if(topic.lines.begin(), topic.lines.end(),
                                     [&](const std::string &line) { return LogLineNumberText(line) == wanted; });
        if (it != topic.lines.end()) {
            const long long i = it - topic.lines.begin();
            topic.scrollTarget = target;
            topic.viewStart = static_cast<int>(n - i < msgview ? std::max(0LL, n - msgview) : i);
        }
    }
    LoadNumbers(topic, opening.stored, false);
    return titled;
}

} // namespace store
