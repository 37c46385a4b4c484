// ParseThreadList on any body.
#include <cstdint>

#include "fuzz/plugin/fuzzcheck.h"
#include "plugin/endpoints.h"
#include "plugin/parsers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto body = MakeBody(data, size);
    // Global, so that a write past the last record lands in its guard zone.
    static TopicRecord records[plugin_api::kMaxTopicRecords];
    std::memset(records, 0, sizeof records);
    const int n = hakobune::ParseThreadListPage(
        hakobune::kDefaultBoardUrl, records, plugin_api::kMaxTopicRecords,
        "http://messages.yahoo.co.jp/bbs?action=topics&board=1834578&sid=1834578&type=r", body.get());
    Require(n >= 0 && n <= plugin_api::kMaxTopicRecords);
    RequireZero(records + n, (plugin_api::kMaxTopicRecords - n) * sizeof(TopicRecord));
    for (int i = 0; i < n; ++i) {
        const TopicRecord &r = records[i];
        RequireTerminated(r.topicId, sizeof r.topicId);
        RequireTerminated(r.topicUrl, sizeof r.topicUrl);
        RequireTerminated(r.title, sizeof r.title);
        RequireTerminated(r.date, sizeof r.date);
        RequireTerminated(r.time, sizeof r.time);
        Require(r.postCount >= 0);
    }
    return 0;
}
