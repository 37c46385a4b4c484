// ParseCategory on any body, for a plain and a numbered directory URL.
#include <cstdint>

#include "fuzz/plugin/fuzzcheck.h"
#include "plugin/endpoints.h"
#include "plugin/parsers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto body = MakeBody(data, size);
    const char *urls[] = {"http://messages.yahoo.co.jp/Arts/index.html",
                          "http://messages.yahoo.co.jp/Arts/dir/1600000185"};
    // Global, so that a write past the last record lands in its guard zone.
    static CategoryRecord records[plugin_api::kMaxCategoryRecords];
    for (const char *url : urls) {
        std::memset(records, 0, sizeof records);
        const int n = hakobune::ParseCategoryPage(hakobune::kDefaultBoardUrl, records,
                                                  plugin_api::kMaxCategoryRecords, url, body.get());
        Require(n >= 0 && n <= plugin_api::kMaxCategoryRecords);
        RequireZero(records + n, (plugin_api::kMaxCategoryRecords - n) * sizeof(CategoryRecord));
        for (int i = 0; i < n; ++i) {
            const CategoryRecord &r = records[i];
            RequireTerminated(r.url, sizeof r.url);
            RequireTerminated(r.parentUrl, sizeof r.parentUrl);
            RequireTerminated(r.name, sizeof r.name);
            Require(r.isCategory == r.fetchChildren && (r.isCategory == 0 || r.isCategory == 1));
        }
    }
    return 0;
}
