// The restoration file and the reopening of its tabs.
#include "store/restoration.h"

#include "base/programdir.h"
#include "base/text.h"
#include "net/endpoints.h"
#include "store/boarddir.h"
#include "store/boardlist.h"
#include "store/boardtexts.h"

#include <algorithm>

namespace store {

namespace {

constexpr std::string_view kListField = "THREADLIST";
constexpr std::string_view kTopicField = "THREAD";

bool FitsField(std::string_view text)
{
    return !text.empty() && text.find_first_of("\t\r\n") == std::string_view::npos;
}

std::vector<std::string_view> SplitTabs(std::string_view line)
{
    std::vector<std::string_view> fields;
    while (true) {
        std::size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos)
            break;
        line.remove_prefix(tab + 1);
    }
    return fields;
}

std::string LastComponent(std::string_view dir)
{
    while (!dir.empty() && dir.back() == '/')
        dir.remove_suffix(1);
    std::size_t slash = dir.rfind('/');
    return std::string(slash == std::string_view::npos ? dir : dir.substr(slash + 1));
}

} // namespace

base::Lines RestorationLines(const std::vector<std::string> &listUrls, const std::vector<OpenTopicTab> &topics)
{
    base::Lines lines;
    for (const std::string &url : listUrls) {
        if (url == kFavoritesListUrl) {
            lines.push_back(std::string(kListField) + '\t' + kFavoritesListUrl);
            continue;
        }
        if (url == kTreeListUrl)
            continue;
        std::optional<std::string> board = base::ExtractUrlParam("board=", url);
        if (board && FitsField(*board))
            lines.push_back(std::string(kListField) + '\t' + *board);
    }
    for (const OpenTopicTab &tab : topics) {
        std::optional<std::string> board = base::ExtractUrlParam("board=", tab.pageKey);
        std::optional<std::string> topic = base::ExtractUrlParam("tid=", tab.pageKey);
        if (!board || !topic || !FitsField(*board) || !FitsField(*topic))
            continue;
        lines.push_back(std::string(kTopicField) + '\t' + *board + '\t' + *topic + '\t' +
                        std::to_string(tab.scrollTarget) + '\t' + std::to_string(tab.viewStart));
    }
    return lines;
}

bool SaveOpenTabs(const std::string &path, const std::vector<std::string> &listUrls,
                  const std::vector<OpenTopicTab> &topics)
{
    return base::WriteLines(path, RestorationLines(listUrls, topics));
}

std::vector<RestorationEntry> ParseRestorationLines(const base::Lines &lines)
{
    std::vector<RestorationEntry> entries;
    for (const std::string &line : lines) {
        std::vector<std::string_view> f = SplitTabs(line);
        RestorationEntry e;
        if (f[0] == kTopicField) {
            if (f.size() < 5 || f[1].empty() || f[2].empty())
                continue;
            e.kind = RestorationEntry::Kind::Topic;
            e.board = std::string(f[1]);
            e.topic = std::string(f[2]);
            e.scrollTarget = base::ParseInt(f[3], 0);
            e.viewStart = base::ParseInt(f[4], 0);
        } else {
            // Any first field but a topic's names a list, as the list's own field does.
            if (f.size() < 2 || f[1].empty())
                continue;
            e.kind = f[1] == kFavoritesListUrl ? RestorationEntry::Kind::Favorites : RestorationEntry::Kind::TopicList;
            if (e.kind == RestorationEntry::Kind::TopicList)
                e.board = std::string(f[1]);
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

int ClampRestoredViewStart(int viewStart, int n, int msgview)
{
    if (viewStart < 0)
        return 0;
    if (viewStart < n)
        return viewStart;
    return std::max(0, n - std::max(1, msgview));
}

int RestoreOpenTabs(const base::Lines &lines, const std::string &boardServer, int msgview, RestorationHost &host)
{
    int opened = 0;
    for (RestorationEntry &e : ParseRestorationLines(lines)) {
        if (e.kind == RestorationEntry::Kind::Favorites) {
            host.openFavoritesTab();
            ++opened;
            continue;
        }
        std::string listUrl = net::TopicListUrl(boardServer, e.board);
        std::optional<std::string> dir = host.resolveBoardDir(listUrl);
        if (!dir || dir->empty())
            continue;
        if (e.kind == RestorationEntry::Kind::TopicList) {
            std::optional<std::vector<TopicRecord>> records = ReadBoardListFile(BoardListFilePath(*dir));
            if (!records)
                continue;
            host.openTopicList(RestoredList{listUrl, *dir, LastComponent(*dir), std::move(*records)});
            ++opened;
            continue;
        }
        std::optional<std::string> logPath = TopicLogPath(*dir, e.topic);
        if (!logPath || !base::FileExists(*logPath))
            continue;
        RestoredTopic topic;
        topic.stored = ReadStoredTopic(*logPath);
        if (!topic.stored.log)
            continue;
        topic.pageKey = net::MessageUrl(boardServer, e.board, e.topic, 1);
        topic.listUrl = listUrl;
        topic.logName = e.topic + ".dat";
        if (!topic.stored.log->empty())
            topic.title = std::string(SplitLogLine(topic.stored.log->front()).title);
        topic.postCount = FindListedPostCount(BoardListFilePath(*dir), topic.logName);
        topic.scrollTarget = e.scrollTarget;
        topic.viewStart = ClampRestoredViewStart(e.viewStart, static_cast<int>(topic.stored.log->size()), msgview);
        host.openTopic(std::move(topic));
        ++opened;
    }
    return opened;
}

void ApplyRestoredTopic(TopicState &tab, RestoredTopic topic)
{
    tab.topicUrl = std::move(topic.pageKey);
    tab.listUrl = std::move(topic.listUrl);
    tab.logName = std::move(topic.logName);
    tab.title = std::move(topic.title);
    tab.postCount = topic.postCount;
    tab.scrollTarget = topic.scrollTarget;
    tab.viewStart = topic.viewStart;
    tab.rangeFirst = tab.rangeLast = tab.received = 0;
    tab.walked = false;
    tab.awaited = 0;
    tab.lines = std::move(*topic.stored.log);
    tab.newNumbers.clear();
    tab.heldNumbers.clear();
    if (topic.stored.index)
        tab.heldNumbers.assign(*topic.stored.index);
    // Restoring only reads, as a local opening does: the numbers are completed in memory, and
    // closing the tab must not write back a log that another tab of the topic may have grown.
    AddLoggedNumbers(tab.lines, tab.heldNumbers);
    tab.unsaved = false;
}

} // namespace store
