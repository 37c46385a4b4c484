// Query values, the memoised marker search and the settings file of the plug-in.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "plugin/endpoints.h"
#include "plugin/pagetext.h"

namespace {

using hakobune::ExtractQueryValue;

TEST(ExtractQueryValue, TakesTheFirstOccurrenceUpToTheNextAmpersand)
{
    char value[16];
    EXPECT_EQ(ExtractQueryValue("tid=", "bbs?board=1&tid=abc&mid=5", value, sizeof value), 1);
    EXPECT_STREQ(value, "abc");
    EXPECT_EQ(ExtractQueryValue("mid=", "bbs?board=1&tid=abc&mid=5", value, sizeof value), 1);
    EXPECT_STREQ(value, "5");
    // The name is found anywhere, also inside a longer parameter name.
    EXPECT_EQ(ExtractQueryValue("id=", "bbs?tid=abc&id=9", value, sizeof value), 1);
    EXPECT_STREQ(value, "abc");
    EXPECT_EQ(ExtractQueryValue("tid=", "bbs?board=1&tid=", value, sizeof value), 1);
    EXPECT_STREQ(value, "");
}

TEST(ExtractQueryValue, MissingNameGivesZeroAndAnEmptyText)
{
    char value[16];
    std::strcpy(value, "old");
    EXPECT_EQ(ExtractQueryValue("tid=", "bbs?board=1&mid=5", value, sizeof value), 0);
    EXPECT_STREQ(value, "");
}

TEST(ExtractQueryValue, CutsALongValueToTheDestination)
{
    char value[8];
    std::memset(value, 0x7F, sizeof value);
    EXPECT_EQ(ExtractQueryValue("tid=", "tid=0123456789", value, 5), 1);
    EXPECT_STREQ(value, "0123");
    EXPECT_EQ(value[5], 0x7F) << "written beyond the capacity";
}

TEST(MarkerFinder, AnswersLikeAFreshSearchFromAnyPosition)
{
    const std::string page = "a>b>>c---->";
    hakobune::MarkerFinder finder(page, ">");
    // Forwards, backwards and repeated questions all agree with std::string::find.
    for (std::size_t from : {0u, 1u, 2u, 2u, 3u, 0u, 5u, 4u, 6u, 10u, 11u, 12u, 3u}) {
        const std::size_t expected = from > page.size() ? std::string::npos : page.find('>', from);
        EXPECT_EQ(finder.next(from), expected) << "from " << from;
    }
}

TEST(EndpointIni, ReadsBothKeysOfTheEndpointSection)
{
    const hakobune::Endpoints e = hakobune::ParseEndpointIni(
        "[network]\nboard=http://wrong/\n\n[ENDPOINT]\r\n  Board =  http://127.0.0.1:8080/bb/  \r\n"
        "; profile=http://commented/\r\nprofile=http://127.0.0.1/p\r\n[later]\r\nprofile=http://wrong/\r\n");
    EXPECT_EQ(e.boardUrl(), "http://127.0.0.1:8080/bb/");
    EXPECT_EQ(e.profileUrl(), "http://127.0.0.1/p/");
}

TEST(EndpointIni, MissingEmptyOrOverlongValuesKeepTheDefaults)
{
    hakobune::Endpoints e = hakobune::ParseEndpointIni("");
    EXPECT_EQ(e.boardUrl(), hakobune::kDefaultBoardUrl);
    EXPECT_EQ(e.profileUrl(), hakobune::kDefaultProfileUrl);

    e = hakobune::ParseEndpointIni("[endpoint]\nboard=\nprofile");
    EXPECT_EQ(e.boardUrl(), hakobune::kDefaultBoardUrl);
    EXPECT_EQ(e.profileUrl(), hakobune::kDefaultProfileUrl);

    // A base URL must fit a 256-byte field with its "/": 254 characters get one, 255 do not.
    const std::string fits = "http://" + std::string(247, 'h');
    e = hakobune::ParseEndpointIni("[endpoint]\nboard=" + fits + "\nprofile=" + fits + "h\n");
    EXPECT_EQ(e.boardUrl(), fits + "/");
    EXPECT_EQ(e.profileUrl(), hakobune::kDefaultProfileUrl);
}

} // namespace
