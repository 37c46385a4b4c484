// Request heads and targets as the server reads them, and the response head it writes.
#include "boardserver/http.h"
#include "tests/boardserver/fixture.h"

namespace {

using namespace boardserver;

HeadStatus Parse(std::string_view text, HttpRequest &r, std::size_t &length)
{
    return ParseRequestHead(text, r, length);
}

TEST(RequestHead, TheProgramsRequest_IsReadWithItsCookieLine)
{
    const std::string text = "GET http://messages.yahoo.co.jp/bbs?action=m&board=1&sid=1&tid=a&mid=2 HTTP/1.0\r\n"
                             "User-Agent: Nekomado\r\nCookie: Y=v=1&n=abc; T=z=def;\r\n\r\n";
    HttpRequest r;
    std::size_t length = 0;
    ASSERT_EQ(Parse(text, r, length), HeadStatus::Complete);
    EXPECT_EQ(length, text.size());
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.target, "http://messages.yahoo.co.jp/bbs?action=m&board=1&sid=1&tid=a&mid=2");
    ASSERT_NE(r.header("cookie"), nullptr);
    EXPECT_EQ(*r.header("COOKIE"), "Y=v=1&n=abc; T=z=def;");
    EXPECT_EQ(r.header("Host"), nullptr);
}

TEST(RequestHead, IncompleteUntilTheBlankLine_InAnySplit)
{
    const std::string text = "GET / HTTP/1.0\r\nUser-Agent: x\r\n\r\n";
    for (std::size_t cut = 0; cut < text.size(); ++cut) {
        HttpRequest r;
        std::size_t length = 0;
        EXPECT_EQ(Parse(text.substr(0, cut), r, length), HeadStatus::Incomplete) << cut;
    }
    HttpRequest r;
    std::size_t length = 0;
    EXPECT_EQ(Parse("GET / HTTP/1.1\n\n", r, length), HeadStatus::Complete); // bare line feeds
    EXPECT_EQ(Parse("\r\nGET / HTTP/1.0\r\n\r\n", r, length), HeadStatus::Complete);
}

TEST(RequestHead, MalformedHeads_AreRefused)
{
    const char *const bad[] = {
        "GET\r\n\r\n",
        "GET /\r\n\r\n",
        "GET / HTTP/2.0\r\n\r\n",
        "get / HTTP/1.0\r\n\r\n",
        "GET  / HTTP/1.0\r\n\r\n",
        "GET / HTTP/1.0 extra\r\n\r\n",
        "GET / HTTP/1.0\r\nNo colon here\r\n\r\n",
        "GET / HTTP/1.0\r\n: empty name\r\n\r\n",
        "GET / HTTP/1.0\r\nA: b\r\n folded\r\n\r\n",
        "GET / HTTP/1.0\r\nBad Name: x\r\n\r\n",
        "GET /a\x01 HTTP/1.0\r\n\r\n",
        "GET / HTTP/1.0\r\nA: b\rc\r\n\r\n",
        "\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", // a TLS hello
    };
    for (const char *text : bad) {
        HttpRequest r;
        std::size_t length = 0;
        EXPECT_EQ(Parse(text, r, length), HeadStatus::Malformed) << text;
    }
    HttpRequest r;
    std::size_t length = 0;
    EXPECT_EQ(Parse(std::string("GET / HTTP/1.0\r\nA: \0\r\n\r\n", 24), r, length), HeadStatus::Malformed);
    EXPECT_EQ(Parse("GET /" + std::string(16400, 'a') + " HTTP/1.0\r\n\r\n", r, length), HeadStatus::Malformed);
    EXPECT_EQ(Parse("GET /" + std::string(12000, 'a') + " HTTP/1.0\r\n\r\n", r, length), HeadStatus::Complete);
}

TEST(RequestTarget, AbsoluteAndPlainForms)
{
    auto t = ParseRequestTarget("http://Messages.Yahoo.co.jp:80/bbs?action=topics&board=1#frag");
    ASSERT_TRUE(t);
    EXPECT_TRUE(t->absolute);
    EXPECT_EQ(t->host, "messages.yahoo.co.jp");
    EXPECT_EQ(t->path, "/bbs");
    EXPECT_EQ(t->query, "action=topics&board=1");
    EXPECT_EQ(t->url("x"), "http://messages.yahoo.co.jp/bbs?action=topics&board=1");

    t = ParseRequestTarget("http://login.yahoo.co.jp?x=1");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->path, "/");
    EXPECT_EQ(t->query, "x=1");

    t = ParseRequestTarget("/c1/index.html");
    ASSERT_TRUE(t);
    EXPECT_FALSE(t->absolute);
    EXPECT_EQ(t->url("messages.yahoo.co.jp"), "http://messages.yahoo.co.jp/c1/index.html");

    t = ParseRequestTarget("http://[::1]:8080/");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->host, "[::1]");

    for (const char *bad : {"*", "index.html", "https://a.jp/", "http:///x", "http://a.jp:99999/", "http://a.jp:x/",
                            "http://user@a.jp/", "http://a_b.jp/", "ftp://a.jp/"})
        EXPECT_FALSE(ParseRequestTarget(bad)) << bad;
}

TEST(Query, QueryParam_MatchesWholeNames)
{
    const std::string q = "action=post&board=12&boards=9&mid&tid=";
    EXPECT_EQ(QueryParam(q, "board"), "12");
    EXPECT_EQ(QueryParam(q, "boards"), "9");
    EXPECT_EQ(QueryParam(q, "mid"), "");
    EXPECT_EQ(QueryParam(q, "tid"), "");
    EXPECT_FALSE(QueryParam(q, "bo"));
    EXPECT_FALSE(QueryParam(q, "sid"));
}

TEST(ResponseHead, CookiesAndLocationComeBeforeContentLength)
{
    HttpResponse r;
    r.status = 302;
    r.headerLines = {"Set-Cookie: Y=1; path=/", "Location: http://x/"};
    const std::string head = SerializeHead(r, 12);
    EXPECT_EQ(head.rfind("HTTP/1.0 302 Found\r\n", 0), 0u);
    EXPECT_LT(head.find("Set-Cookie:"), head.find("Content-Length: 12\r\n"));
    EXPECT_LT(head.find("Location:"), head.find("Content-Length: 12\r\n"));
    EXPECT_EQ(head.substr(head.size() - 4), "\r\n\r\n");
    EXPECT_EQ(head.find("\r\n\r\n"), head.size() - 4);
}

} // namespace
