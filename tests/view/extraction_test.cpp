// Extraction: which messages are taken, and the extraction page.
#include <gtest/gtest.h>

#include "pagetesting.h"
#include "view/extraction.h"
#include "view/render.h"

using namespace pagetest;

namespace {

TEST(ExtractMessages, SearchesTheStoredMessageTextOnly)
{
    const std::vector<std::string> source = {Line(1, "0", "tea", "tea", "coffee"), Line(2, "0", "a", "t", "green tea"),
                                             Line(3, "0", "a", "t", "one<br>two"), "4\tbroken tea"};
    std::vector<std::string> target;
    EXPECT_EQ(view::ExtractMessages("tea", source, target), 1u) << "author and title do not count";
    EXPECT_EQ(target, std::vector<std::string>{source[1]});
    target.clear();
    EXPECT_EQ(view::ExtractMessages("br", source, target), 1u) << "line breaks are stored as <br>";
    target.clear();
    EXPECT_EQ(view::ExtractMessages("", source, target), 0u);
    EXPECT_EQ(view::ExtractMessages("TEA", source, target), 0u) << "case-sensitive";
}

TEST(ExtractionPage, ReplacesItsLinesKeepsNothingToWriteAndShowsCountZero)
{
    store::TopicState source = Tab({Line(1, "0", "a", "t", "x yes"), Line(2, "0", "a", "t", "no"),
                                    Line(3, "0", "a", "t", "yes")});
    source.listUrl = "list";
    store::TopicState page;
    page.unsaved = true;
    view::FillExtractionPage(page, source, "yes");
    EXPECT_EQ(page.lines.size(), 2u);
    EXPECT_EQ(page.topicUrl, source.topicUrl);
    EXPECT_EQ(page.listUrl, "list");
    EXPECT_FALSE(page.unsaved);
    view::FillExtractionPage(page, source, "no");
    EXPECT_EQ(page.lines, std::vector<std::string>{source.lines[1]}) << "a second extraction replaces the first";

    view::Skin skin;
    skin.res = "<MSGCOUNT/>|<NUMBER/>\r\n";
    skin.newRes = skin.res;
    view::PageOptions options;
    EXPECT_EQ(view::BuildTopicPage(skin, page.lines, page, options), "0|2\r\n");
    EXPECT_EQ(view::ExtractionCaption("Topic"), "Topic:\x92\x8a\x8f\x6f");
}

} // namespace
