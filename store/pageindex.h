// Finding a tab by plug-in and key, and what ShowStatus puts into the status bar.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace store {

enum class PageKind {
    Category,  ///< matches the first tab of the plug-in; the key is ignored
    TopicList, ///< … whose list URL equals the key
    Topic,     ///< … whose topic URL (page key) equals the key and whose list URL is not empty
};

/// What FindPageIndex compares of one tab.
struct PageRef {
    void *site = nullptr;
    std::string_view listUrl;
    std::string_view topicUrl;
};

/// `FindPageIndex`: the index of the first tab in pages (tab order) that matches, or -1.
/// Comparisons are exact.
int FindPageIndex(std::span<const PageRef> pages, void *site, std::string_view key, PageKind kind);

/// FindPageIndex over a pane's own page list: anything with size() and operator[] whose pages
/// have `site` and, for the kinds that need them, `listUrl` and `topicUrl` (the records of the
/// window's three panes).
template <typename Pages>
int FindPageIndexIn(const Pages &pages, void *site, std::string_view key, PageKind kind)
{
    for (int i = 0; i < static_cast<int>(pages.size()); ++i) {
        const auto &page = pages[i];
        PageRef ref{page.site, {}, {}};
        if constexpr (requires { page.listUrl; })
            ref.listUrl = page.listUrl;
        if constexpr (requires { page.topicUrl; })
            ref.topicUrl = page.topicUrl;
        if (FindPageIndex(std::span<const PageRef>(&ref, 1), site, key, kind) == 0)
            return i;
    }
    return -1;
}

/// Changes to status panels 0, 1 and 2; absent panels stay as they are.
struct StatusTexts {
    std::optional<std::string> panel0, panel1, panel2;
    bool operator==(const StatusTexts &) const = default;
};

/// `ShowStatus`: with a plug-in, panel 2 shows the kind word and panel 0 the message; without
/// one, panels 0, 1 and 2 are emptied and neither text is shown.
StatusTexts ShowStatus(void *site, std::string_view kind, std::string_view message);

} // namespace store
