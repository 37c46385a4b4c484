// Post form pages: the identities the logged-in user may post under.
#include "plugin/pagetext.h"
#include "plugin/parsers.h"

#include "plugin_api/records.h"

namespace hakobune {

int ParsePostFormPage(char **texts, int count, const char *bodyText)
{
    if (!texts || !bodyText || count <= 0)
        return 0;
    const std::string_view body(bodyText);
    int filled = 0;
    std::size_t pos = 0;
    while (filled < count && texts[filled]) {
        const std::size_t option = body.find("option value", pos);
        if (option == kNotFound)
            break;
        const std::size_t tag = body.find('>', option + 12);
        if (tag == kNotFound)
            break;
        // An option without a line break after it is not complete: the page ended inside it.
        const std::size_t lf = body.find('\n', tag + 1);
        if (lf == kNotFound)
            break;
        WriteText(texts[filled], plugin_api::kPostFormTextSize, Slice(body, tag + 1, lf));
        ++filled;
        pos = tag + 1;
    }
    return filled;
}

} // namespace hakobune
