// Tab lookup and the status-bar helper.
#include "store/pageindex.h"

namespace store {

int FindPageIndex(std::span<const PageRef> pages, void *site, std::string_view key, PageKind kind)
{
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const PageRef &page = pages[i];
        if (page.site != site)
            continue;
        bool match = false;
        switch (kind) {
        case PageKind::Category:
            match = true;
            break;
        case PageKind::TopicList:
            match = page.listUrl == key;
            break;
        case PageKind::Topic:
            match = page.topicUrl == key && !page.listUrl.empty();
            break;
        }
        if (match)
            return static_cast<int>(i);
    }
    return -1;
}

StatusTexts ShowStatus(void *site, std::string_view kind, std::string_view message)
{
    StatusTexts texts;
    if (site) {
        texts.panel2 = std::string(kind);
        texts.panel0 = std::string(message);
    } else {
        texts.panel0 = std::string();
        texts.panel1 = std::string();
        texts.panel2 = std::string();
    }
    return texts;
}

} // namespace store
