// ParsePostForm on any body.
#include <cstdint>

#include "fuzz/plugin/fuzzcheck.h"
#include "plugin/parsers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto body = MakeBody(data, size);
    // Ten separate blocks of exactly 256 bytes, so that an overrun of one is reported.
    std::unique_ptr<char[]> buffers[plugin_api::kPostFormTexts];
    char *texts[plugin_api::kPostFormTexts];
    for (int i = 0; i < plugin_api::kPostFormTexts; ++i) {
        buffers[i].reset(new char[plugin_api::kPostFormTextSize]());
        texts[i] = buffers[i].get();
    }
    const int n = hakobune::ParsePostFormPage(texts, plugin_api::kPostFormTexts, body.get());
    Require(n >= 0 && n <= plugin_api::kPostFormTexts);
    for (int i = 0; i < plugin_api::kPostFormTexts; ++i) {
        if (i < n)
            RequireTerminated(texts[i], plugin_api::kPostFormTextSize);
        else
            RequireZero(texts[i], plugin_api::kPostFormTextSize);
    }
    return 0;
}
