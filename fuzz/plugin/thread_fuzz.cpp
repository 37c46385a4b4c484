// ParseThread on any body.
#include <cstdint>

#include "fuzz/plugin/fuzzcheck.h"
#include "plugin/endpoints.h"
#include "plugin/parsers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto body = MakeBody(data, size);
    std::unique_ptr<MessageRecord> record(new MessageRecord());
    const int n = hakobune::ParseThreadPage(
        hakobune::kDefaultProfileUrl, record.get(),
        "http://messages.yahoo.co.jp/bbs?action=m&board=1834578&sid=1834578&tid=bfa1a4d3&mid=57", body.get());
    Require(n == 0 || n == 1);
    if (n == 0) {
        RequireZero(record.get(), sizeof *record);
        return 0;
    }
    RequireTerminated(record->author, sizeof record->author);
    RequireTerminated(record->title, sizeof record->title);
    RequireTerminated(record->text, sizeof record->text);
    RequireTerminated(record->date, sizeof record->date);
    RequireTerminated(record->time, sizeof record->time);
    RequireZero(record->padding, sizeof record->padding);
    Require(record->number >= 0 && record->replyTo >= 0 && record->lastNumber >= 0);
    return 0;
}
