// Where the view's style goes in a page: ahead of it, but never ahead of its document type.
#include "view/renderhints.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using view::RenderHintsOffset;

TEST(RenderHints, GoAheadOfAPageWithoutDocumentType)
{
    EXPECT_EQ(RenderHintsOffset("<html lang=ja><head>"), 0u);
    EXPECT_EQ(RenderHintsOffset(""), 0u);
    EXPECT_EQ(RenderHintsOffset("<!doc"), 0u) << "shorter than the declaration's start";
    EXPECT_EQ(RenderHintsOffset("<p><!DOCTYPE html>"), 0u) << "a declaration later in the page is not one";
}

TEST(RenderHints, FollowALeadingDocumentTypeWhateverItsCaseAndTheBlanksBeforeIt)
{
    const std::string page = "<!DOCTYPE html>\r\n<html>";
    EXPECT_EQ(RenderHintsOffset(page), page.find('>') + 1);
    const std::string lower = " \r\n\t<!doctype HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\"><html>";
    EXPECT_EQ(RenderHintsOffset(lower), lower.find('>') + 1);
    EXPECT_EQ(RenderHintsOffset("<!DOCTYPE html"), 0u) << "a declaration without its end is left alone";
}

} // namespace
