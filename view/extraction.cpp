// Extracting the messages of a topic that contain a text.
#include "view/extraction.h"

#include "store/threadlog.h"

namespace view {

std::string ExtractionCaption(std::string_view sourceCaption)
{
    return std::string(sourceCaption) + kExtractionSuffix;
}

std::size_t ExtractMessages(std::string_view text, const std::vector<std::string> &source,
                            std::vector<std::string> &target)
{
    if (!text.empty()) {
        for (const std::string &line : source) {
            const store::LogFields fields = store::SplitLogLine(line);
            if (fields.complete && fields.body.find(text) != std::string_view::npos)
                target.push_back(line);
        }
    }
    return target.size();
}

void FillExtractionPage(store::TopicState &page, const store::TopicState &source, std::string_view text)
{
    page.topicUrl = source.topicUrl;
    page.listUrl = source.listUrl;
    page.scrollTarget = 0;
    page.viewStart = 0;
    page.rangeFirst = 0;
    page.rangeLast = 0;
    page.received = 0;
    page.lines.clear();
    page.unsaved = false;
    ExtractMessages(text, source.lines, page.lines);
}

} // namespace view
