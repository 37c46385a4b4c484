// The style the view hands to the engine ahead of every page: message blocks off the screen are
// left unlaid and unpainted until they are scrolled near. What the page shows is unchanged.
#pragma once

#include <cstddef>
#include <string_view>

namespace view {

/// A topic page holds up to [general] msgview messages, of which a screenful is seen at a time;
/// with this style the engine does for a page of a thousand messages about what it does for a
/// screenful. Blocks not yet laid out count as two lines high. The skins' messages are the
/// <dt>/<dd> pairs of a <dl>.
inline constexpr std::string_view kRenderHintsStyle =
    "<style>dl>dt,dl>dd{content-visibility:auto;contain-intrinsic-size:auto 2em}</style>";

/// Where the style goes in page: after a leading document type declaration (which must stay the
/// first thing in the page, or the engine would lay the page out in its quirks mode), else at 0.
inline std::size_t RenderHintsOffset(std::string_view page)
{
    std::size_t i = 0;
    while (i < page.size() && (page[i] == ' ' || page[i] == '\t' || page[i] == '\r' || page[i] == '\n'))
        ++i;
    constexpr std::string_view kDoctype = "<!doctype";
    if (page.size() - i < kDoctype.size())
        return 0;
    for (std::size_t k = 0; k < kDoctype.size(); ++k) {
        char c = page[i + k];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != kDoctype[k])
            return 0;
    }
    const std::size_t end = page.find('>', i);
    return end == std::string_view::npos ? 0 : end + 1;
}

} // namespace view
