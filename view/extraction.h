// The extraction page: a topic tab without a site that holds the messages of its source topic
// whose text contains a given string.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/topicstate.h"

namespace view {

/// ":抽出" (extraction), appended to the source tab's caption.
inline constexpr const char kExtractionSuffix[] = ":\x92\x8a\x8f\x6f";

/// The caption of the extraction page of a tab captioned sourceCaption.
std::string ExtractionCaption(std::string_view sourceCaption);

/// Appends to target every source line whose message text (what follows the fifth tab, the
/// stored HTML) contains text as a byte substring; returns target's size. An empty text extracts
/// nothing.
std::size_t ExtractMessages(std::string_view text, const std::vector<std::string> &source,
                            std::vector<std::string> &target);

/// ThrResExtra on the page (found or just created): copies the source's URLs, resets the
/// position and range, and replaces its lines by the extraction. The page never has anything to
/// write back. Render it afterwards with its own lines.
void FillExtractionPage(store::TopicState &page, const store::TopicState &source, std::string_view text);

} // namespace view
