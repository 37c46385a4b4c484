// The service URLs and the escaping of the login query.
#include <gtest/gtest.h>

#include "net/endpoints.h"

using namespace net;

TEST(LoginUrl, PlainIdAndPasswordAreSentAsTheyAre)
{
    EXPECT_EQ(LoginUrl("http://login.yahoo.co.jp/", "taro_01", "Pass.word-9"),
              "http://login.yahoo.co.jp/config/login?login=taro_01&passwd=Pass.word-9");
    EXPECT_EQ(LogoutUrl("http://login.yahoo.co.jp/"), "http://login.yahoo.co.jp/config/login?logout=1");
}

TEST(LoginUrl, SeparatorsInThePasswordCannotEndItsValue)
{
    // Unescaped, "&" started a new parameter and "#" cut the query off.
    EXPECT_EQ(LoginUrl("http://login.b/", "a&b", "p&q#r=s t%"),
              "http://login.b/config/login?login=a%26b&passwd=p%26q%23r%3ds+t%25");
    EXPECT_EQ(EscapeQueryValue("\x82\xa0\r\n"), "%82%a0%0d%0a");
    EXPECT_EQ(EscapeQueryValue("@!$'()*-._"), "@!$'()*-._");
}

TEST(Endpoints, BoardAndPostUrlsFollowTheirRolesBase)
{
    EXPECT_EQ(TopicListUrl("http://messages.b/", "1834578"),
              "http://messages.b/bbs?action=topics&board=1834578&sid=1834578&type=r");
    EXPECT_EQ(MessageUrl("http://messages.b/", "1834578", "a1", 12),
              "http://messages.b/bbs?action=m&board=1834578&sid=1834578&tid=a1&mid=12");
    EXPECT_EQ(PostUrl("http://post.b/"), "http://post.b/bbs?");
    EXPECT_EQ(PostReferer("http://post.b/"), "http://post.b/bbs");
}

TEST(TopicRequestPrefix, MatchesEveryMessageOfTheTopicAndNoOther)
{
    std::string prefix =
        TopicRequestPrefix("http://messages.b/", "http://messages.b/bbs?action=m&board=77&sid=77&tid=5&mid=1");
    EXPECT_EQ(prefix, "http://messages.b/bbs?action=m&board=77&sid=77&tid=5&mid=");
    EXPECT_NE(MessageUrl("http://messages.b/", "77", "5", 300).find(prefix), std::string::npos);
    EXPECT_EQ(MessageUrl("http://messages.b/", "77", "55", 1).find(prefix), std::string::npos);
    EXPECT_EQ(MessageUrl("http://messages.b/", "7", "5", 1).find(prefix), std::string::npos);
}
