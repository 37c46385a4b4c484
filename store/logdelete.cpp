// Deleting a topic's log.
#include "store/logdelete.h"

#include "base/programdir.h"
#include "base/text.h"
#include "base/textfile.h"
#include "net/endpoints.h"
#include "store/marktexts.h"
#include "store/safename.h"
#include "store/threadlog.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace store {

bool SameTopic(std::string_view a, std::string_view b)
{
    std::optional<std::string> boardA = base::ExtractUrlParam("board=", a);
    std::optional<std::string> topicA = base::ExtractUrlParam("tid=", a);
    if (!boardA || !topicA)
        return false;
    return boardA == base::ExtractUrlParam("board=", b) && topicA == base::ExtractUrlParam("tid=", b);
}

LogDeletionPlan PlanTopicLogDeletion(std::string_view topicUrl, std::string_view logName, std::string_view title,
                                     const std::string &boardServer,
                                     const std::function<std::optional<std::string>(const std::string &)> &resolve)
{
    LogDeletionPlan plan;
    std::optional<std::string> board = base::ExtractUrlParam("board=", topicUrl);
    // The name is checked before anything is resolved or touched.
    if (!board || !IsTopicLogName(logName))
        return plan;
    plan.listUrl = net::TopicListUrl(boardServer, *board);
    std::optional<std::string> dir = resolve(plan.listUrl);
    if (!dir || dir->empty())
        return plan;
    plan.logPath = TopicLogFilePathOfName(*dir, logName).value_or("");
    if (plan.logPath.empty()) {
        plan.step = LogDeletionPlan::Step::NoBoard;
        return plan;
    }
    if (!base::FileExists(plan.logPath)) {
        plan.step = LogDeletionPlan::Step::NoLog;
        return plan;
    }
    plan.step = LogDeletionPlan::Step::Ask;
    std::string topic = base::ExtractUrlParam("tid=", topicUrl).value_or("");
    plan.question = std::string(kDeleteThreadLabel) + std::string(title) + "\n" + kDeleteBoardLabel + *board + "\n" +
                    kDeleteTopicLabel + topic + "\n" + plan.logPath + "\n" + kDeleteQuestionEnd;
    return plan;
}

bool DeleteTopicFiles(const std::string &logPath)
{
    bool clean = true;
    for (const std::string &path : {logPath, NumberIndexPath(logPath)}) {
        if (base::FileExists(path) && std::remove(path.c_str()) != 0 && errno != ENOENT)
            clean = false;
    }
    return clean;
}

bool ResetDeletedTopicRow(TopicRowList &rows, std::string_view topicUrl)
{
    for (int i = 0; i < rows.rowCount(); ++i) {
        if (!SameTopic(rows.row(i).entry.topicUrl, topicUrl))
            continue;
        TopicRow row = rows.row(i);
        row.subItems[kFetchedItem] = "0";
        row.subItems[kUnfetchedItem].clear();
        row.image = kUnloggedTopicImage;
        rows.replaceRow(i, std::move(row));
        return true;
    }
    return false;
}

void ForgetDeletedLog(TopicState &tab)
{
    const long long range = static_cast<long long>(tab.rangeLast) - tab.rangeFirst + 1;
    if (tab.received < range)
        tab.received = static_cast<int>(range);
    tab.walked = true;
    tab.flag = 1;
    tab.unsaved = false;
    tab.logDeleted = true;
}

} // namespace store
