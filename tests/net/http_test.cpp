// The texts of an exchange without sockets: URL completion, request texts, the header examination
// and the split of received bytes into header and body.
#include <gtest/gtest.h>

#include "net/http.h"
#include "net/texts.h"
#include "tests/net/recorder.h"

using namespace net;
using nettest::EventRecorder;
using nettest::MakeTestRequest;

namespace {

const char kTopicListUrl[] = "http://messages.yahoo.co.jp/bbs?action=topics&board=1834578&sid=1834578&type=r";

ExchangeSettings loggedIn(CookieList cookies)
{
    ExchangeSettings s;
    s.loggedIn = true;
    s.cookies = std::move(cookies);
    s.postBase = "http://post.messages.yahoo.co.jp/";
    s.verifyUrl = "http://login.yahoo.co.jp/config/verify";
    return s;
}

ExchangeSettings loginSettings()
{
    ExchangeSettings s;
    s.verifyUrl = "http://login.yahoo.co.jp/config/verify";
    s.posttimeout = 250;
    return s;
}

} // namespace

TEST(CompletedUrl, AppendsIndexOnlyWhereTheLastMarkIsNotADot)
{
    EXPECT_EQ(CompletedUrl("http://messages.yahoo.co.jp/"), "http://messages.yahoo.co.jp/index.html");
    EXPECT_EQ(CompletedUrl("http://messages.yahoo.co.jp/dir/"), "http://messages.yahoo.co.jp/dir/index.html");
    // A query after a host name with a dot: the last mark is that dot.
    EXPECT_EQ(CompletedUrl(kTopicListUrl), kTopicListUrl);
    EXPECT_EQ(CompletedUrl("http://a.b/page.html"), "http://a.b/page.html");
    // Nothing after the scheme's colon: the colon is the last mark.
    EXPECT_EQ(CompletedUrl("http://localhost"), "http://localhost/index.html");
    EXPECT_EQ(CompletedUrl("http://a.b/dir\\sub"), "http://a.b/dir\\sub/index.html");
    EXPECT_EQ(CompletedUrl("plain"), "plain/index.html");
}

TEST(CompletedUrl, RefusesWhatWouldNotFitTheUrlField)
{
    std::string base = "http://a.b/" + std::string(233, 'x') + "/"; // 245 bytes
    ASSERT_EQ(base.size() + 10, kUrlFieldSize - 1);
    EXPECT_EQ(CompletedUrl(base)->size(), kUrlFieldSize - 1);
    EXPECT_FALSE(CompletedUrl("x" + base).has_value());
}

TEST(HostOf, TakesTheTextUpToTheFirstSlashAfterTheScheme)
{
    EXPECT_EQ(HostOf("http://messages.yahoo.co.jp/bbs?x=1"), "messages.yahoo.co.jp");
    EXPECT_EQ(HostOf("http://host.only"), "host.only");
    EXPECT_EQ(HostOf("http://host:8080/x"), "host:8080");
    EXPECT_EQ(HostOf("http:/"), "");
}

TEST(BuildRequestText, LoggedOutSendsTheUrlAloneForEveryKind)
{
    ExchangeSettings out;
    out.cookies = {"A=1;"};
    FetchRequest message = MakeTestRequest(plugin_api::kMessagePage, kTopicListUrl);
    EXPECT_EQ(BuildRequestText(message, out),
              std::string("GET ") + kTopicListUrl + " HTTP/1.0\r\nUser-Agent: Nekomado\r\n\r\n");

    // A post while logged out carries neither its query nor cookies.
    char query[] = "action=post&board=1&posting=abc";
    FetchRequest post = MakeTestRequest(plugin_api::kPost, "http://post.messages.yahoo.co.jp/bbs?");
    post.postQuery = query;
    EXPECT_EQ(BuildRequestText(post, out),
              "GET http://post.messages.yahoo.co.jp/bbs? HTTP/1.0\r\nUser-Agent: Nekomado\r\n\r\n");
}

TEST(BuildRequestText, LoggedInSendsEveryCookieAndPostsTheirQueryWithAReferer)
{
    FetchRequest message = MakeTestRequest(plugin_api::kMessagePage, kTopicListUrl);
    EXPECT_EQ(BuildRequestText(message, loggedIn({"B=abc;", "Y=v=1&n=2;"})),
              std::string("GET ") + kTopicListUrl +
                  " HTTP/1.0\r\nUser-Agent: Nekomado\r\nCookie: B=abc; Y=v=1&n=2;\r\n\r\n");
    EXPECT_EQ(BuildRequestText(message, loggedIn({})),
              std::string("GET ") + kTopicListUrl + " HTTP/1.0\r\nUser-Agent: Nekomado\r\nCookie:\r\n\r\n");

    char query[] = "action=post&board=1&sid=1&tid=2&mid=0&identity=chat_pf_1&posting=%3e%3e5&Subject=Re";
    FetchRequest post = MakeTestRequest(plugin_api::kPost, "http://post.messages.yahoo.co.jp/bbs?");
    post.postQuery = query;
    EXPECT_EQ(BuildRequestText(post, loggedIn({"B=abc;"})),
              std::string("GET http://post.messages.yahoo.co.jp/bbs?") + query +
                  " HTTP/1.0\r\nUser-Agent: Nekomado\r\nReferer:http://post.messages.yahoo.co.jp/bbs"
                  "\r\nCookie: B=abc;\r\n\r\n");
    post.postQuery = nullptr;
    EXPECT_EQ(BuildRequestText(post, loggedIn({})),
              "GET http://post.messages.yahoo.co.jp/bbs? HTTP/1.0\r\nUser-Agent: Nekomado\r\n"
              "Referer:http://post.messages.yahoo.co.jp/bbs\r\nCookie:\r\n\r\n");
}

TEST(BuildRequestText, FailsInsteadOfCuttingWhenTheTextExceedsItsBuffer)
{
    FetchRequest message = MakeTestRequest(plugin_api::kMessagePage, "http://a.b/c");
    const std::string fixed = "GET http://a.b/c HTTP/1.0\r\nUser-Agent: Nekomado\r\nCookie: \r\n\r\n";
    std::string cookie = "C=" + std::string(kMaxRequestText - fixed.size() - 2, 'v');
    auto fits = BuildRequestText(message, loggedIn({cookie}));
    ASSERT_TRUE(fits.has_value());
    EXPECT_EQ(fits->size(), kMaxRequestText);
    EXPECT_FALSE(BuildRequestText(message, loggedIn({cookie + "v"})).has_value());

    std::vector<char> longQuery(kMaxRequestText, 'q');
    longQuery.back() = '\0';
    FetchRequest post = MakeTestRequest(plugin_api::kPost, "http://post.b/bbs?");
    post.postQuery = longQuery.data();
    EXPECT_FALSE(BuildRequestText(post, loggedIn({})).has_value());
}

TEST(BuildRequestText, RefusesBlanksAndLineBreaksThatWouldForgeHeaderLines)
{
    FetchRequest message = MakeTestRequest(plugin_api::kMessagePage, "http://a.b/c\r\nCookie: stolen=1");
    EXPECT_FALSE(BuildRequestText(message, ExchangeSettings{}).has_value());
    FetchRequest spaced = MakeTestRequest(plugin_api::kMessagePage, "http://a.b/c d");
    EXPECT_FALSE(BuildRequestText(spaced, ExchangeSettings{}).has_value());
    char query[] = "a=1\r\nX: y";
    FetchRequest post = MakeTestRequest(plugin_api::kPost, "http://post.b/bbs?");
    post.postQuery = query;
    EXPECT_FALSE(BuildRequestText(post, loggedIn({})).has_value());
}

TEST(ParseResponseHeader, ReadsTheStatusAfterTheFirstBlank)
{
    EventRecorder events;
    FetchRequest r = MakeTestRequest(plugin_api::kMessagePage, kTopicListUrl);
    EXPECT_EQ(ParseResponseHeader("HTTP/1.0 200 OK\r\nServer: x", r, {}, events).status, 200);
    EXPECT_EQ(ParseResponseHeader("HTTP/1.1 404", r, {}, events).status, 404);
    EXPECT_EQ(ParseResponseHeader("HTTP/1.0 2x0 Odd", r, {}, events).status, 0);
    EXPECT_EQ(ParseResponseHeader("HTTP/1.0 20", r, {}, events).status, 0);
    EXPECT_EQ(ParseResponseHeader("garbage-without-blank\r\nSet-Cookie:a=b", r, {}, events).status, -1);
    EXPECT_TRUE(events.notices().empty());
}

TEST(ParseResponseHeader, ContentLengthSetsTheCapacityAndEndsTheExamination)
{
    EventRecorder events;
    FetchRequest r = MakeTestRequest(plugin_api::kMessagePage, kTopicListUrl);
    EXPECT_EQ(ParseResponseHeader("HTTP/1.0 200 OK\r\nContent-Length: 1234", r, {}, events).contentLength, 1234u);
    EXPECT_FALSE(ParseResponseHeader("HTTP/1.0 200 OK\r\nContent-Length: many", r, {}, events).contentLength);
    EXPECT_FALSE(ParseResponseHeader("HTTP/1.0 200 OK\r\nContent-Length: -5", r, {}, events).contentLength);
    EXPECT_FALSE(ParseResponseHeader("HTTP/1.0 200 OK\r\ncontent-length: 12", r, {}, events).contentLength);

    // A Content-Length line before the cookies hides them, and the Location after it too.
    FetchRequest login = MakeTestRequest(plugin_api::kLogin, "http://login.yahoo.co.jp/config/login?login=a&passwd=b");
    ParseResponseHeader("HTTP/1.0 302 Found\r\nContent-Length: 0\r\nSet-Cookie: B=1; path=/\r\n"
                        "Location: http://login.yahoo.co.jp/config/verify",
                        login, loginSettings(), events);
    EXPECT_EQ(events.loginTexts(), std::vector<std::string>{kLoginErrorMarker});
}

TEST(ParseResponseHeader, LoginDeliversEachCookieThenTheOutcome)
{
    FetchRequest login = MakeTestRequest(plugin_api::kLogin, "http://login.yahoo.co.jp/config/login?login=a&passwd=b");
    EventRecorder success;
    ParseResponseHeader("HTTP/1.0 302 Found\r\nSet-Cookie: B=abc; expires=Thu, 01 Jan 2030 00:00:00 GMT\r\n"
                        "Set-Cookie: Y=v=1&n=2; path=/\r\nLocation: http://login.yahoo.co.jp/config/verify\r\n"
                        "Content-Length: 0\r\nSet-Cookie: T=late;",
                        login, loginSettings(), success);
    EXPECT_EQ(success.loginTexts(), (std::vector<std::string>{"B=abc;", "Y=v=1&n=2;", kLoginMarker}));

    // A redirect anywhere else, even to a longer URL that begins like the confirmation URL.
    EventRecorder elsewhere;
    ParseResponseHeader("HTTP/1.0 302 Found\r\nSet-Cookie: B=abc;\r\n"
                        "Location: http://login.yahoo.co.jp/config/verify?.done=1",
                        login, loginSettings(), elsewhere);
    EXPECT_EQ(elsewhere.loginTexts(), (std::vector<std::string>{"B=abc;", kLoginErrorMarker}));

    EventRecorder noRedirect;
    ParseResponseHeader("HTTP/1.0 200 OK", login, loginSettings(), noRedirect);
    EXPECT_EQ(noRedirect.loginTexts(), std::vector<std::string>{kLoginErrorMarker});
}

TEST(ParseResponseHeader, CookieTextsThatAreNoNameValuePairAreIgnored)
{
    // A cookie "LOGIN" would otherwise pass for the login marker.
    FetchRequest login = MakeTestRequest(plugin_api::kLogin, "http://login.yahoo.co.jp/config/login?login=a&passwd=b");
    EventRecorder events;
    ParseResponseHeader("HTTP/1.0 302 Found\r\nSet-Cookie: LOGIN\r\nSet-Cookie:\r\nSet-Cookie: A=1\x01;\r\n"
                        "Set-Cookie:B=2;\r\nLocation: http://elsewhere/",
                        login, loginSettings(), events);
    EXPECT_EQ(events.loginTexts(), (std::vector<std::string>{"B=2;", kLoginErrorMarker}));
}

TEST(ParseResponseHeader, LongLinesAreExaminedUpToTheLineBuffer)
{
    FetchRequest login = MakeTestRequest(plugin_api::kLogin, "http://login.yahoo.co.jp/config/login?login=a&passwd=b");
    EventRecorder events;
    std::string value = "L=" + std::string(1500, 'v');
    ParseResponseHeader("HTTP/1.0 302 Found\r\nSet-Cookie: " + value + "\r\nLocation: x", login, loginSettings(),
                        events);
    auto texts = events.loginTexts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], value.substr(0, kMaxHeaderLine - std::string_view("Set-Cookie: ").size()));
}

TEST(ParseResponseHeader, LogoutIsConfirmedByItsFirstCookieOnly)
{
    FetchRequest logout = MakeTestRequest(plugin_api::kLogout, "http://login.yahoo.co.jp/config/login?logout=1");
    EventRecorder events;
    ParseResponseHeader("HTTP/1.0 200 OK\r\nSet-Cookie: B=; expires=Thu, 01 Jan 1970 00:00:00 GMT\r\n"
                        "Set-Cookie: Y=;",
                        logout, loginSettings(), events);
    EXPECT_EQ(events.loginTexts(), std::vector<std::string>{kLogoutMarker});

    EventRecorder none;
    ParseResponseHeader("HTTP/1.0 200 OK\r\nContent-Type: text/html", logout, loginSettings(), none);
    EXPECT_TRUE(none.notices().empty());

    // Other kinds ignore cookies altogether.
    FetchRequest message = MakeTestRequest(plugin_api::kMessagePage, kTopicListUrl);
    EventRecorder ignored;
    ParseResponseHeader("HTTP/1.0 200 OK\r\nSet-Cookie: B=1;", message, loginSettings(), ignored);
    EXPECT_TRUE(ignored.notices().empty());
}

TEST(ParseResponseHeader, RedirectedPostFormReportsNotLoggedIn)
{
    FetchRequest form = MakeTestRequest(plugin_api::kPostForm, "http://post.b/bbs?action=r&board=1&sid=1&tid=2&mid=0");
    EventRecorder redirected;
    ParseResponseHeader("HTTP/1.0 302 Found\r\nLocation: http://login.b/", form, loginSettings(), redirected);
    ASSERT_EQ(redirected.notices().size(), 1u);
    EXPECT_EQ(redirected.notices()[0].code, NoticeCode::PostFormRedirected);

    EventRecorder served;
    ParseResponseHeader("HTTP/1.0 200 OK", form, loginSettings(), served);
    EXPECT_TRUE(served.notices().empty());
}

TEST(ParseResponseHeader, PostAnsweredByRedirectCarriesTheLocationAfterThePostTimeout)
{
    FetchRequest post = MakeTestRequest(plugin_api::kPost, "http://post.b/bbs?", "http://post.b/bbs?action=r&mid=0");
    EventRecorder events;
    ParseResponseHeader("HTTP/1.0 302 Found\r\nLocation: http://messages.b/bbs?action=m&mid=9\r\n"
                        "Location: http://second/",
                        post, loginSettings(), events);
    ASSERT_EQ(events.notices().size(), 1u);
    auto n = events.notices()[0];
    EXPECT_EQ(n.code, NoticeCode::PostAnswered);
    EXPECT_EQ(n.location, "http://messages.b/bbs?action=m&mid=9");
    EXPECT_EQ(n.url, "http://post.b/bbs?");
    EXPECT_EQ(n.key, "http://post.b/bbs?action=r&mid=0");
    EXPECT_EQ(events.pauses(), std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(250)});
}

TEST(ParseResponseHeader, PostNotRedirectedIsReportedWithoutLocationAtOnce)
{
    FetchRequest post = MakeTestRequest(plugin_api::kPost, "http://post.b/bbs?", "form");
    for (const char *header : {"HTTP/1.0 200 OK\r\nLocation: http://messages.b/", "HTTP/1.0 302 Found",
                               "HTTP/1.0 302 Found\r\nLocation: "}) {
        EventRecorder events;
        ParseResponseHeader(header, post, loginSettings(), events);
        ASSERT_EQ(events.notices().size(), 1u) << header;
        EXPECT_EQ(events.notices()[0].code, NoticeCode::PostAnswered);
        EXPECT_FALSE(events.notices()[0].location.has_value()) << header;
        EXPECT_EQ(events.notices()[0].key, "form");
        EXPECT_TRUE(events.pauses().empty());
    }
}

namespace {

Response readInChunks(std::string_view data, const std::vector<std::size_t> &cuts, const FetchRequest &request)
{
    EventRecorder events;
    ExchangeSettings settings;
    ResponseReader reader(request, settings, events);
    std::size_t from = 0;
    for (std::size_t cut : cuts) {
        EXPECT_TRUE(reader.feed(data.substr(from, cut - from)));
        from = cut;
    }
    EXPECT_TRUE(reader.feed(data.substr(from)));
    EXPECT_EQ(reader.totalReceived(), data.size());
    return reader.take();
}

} // namespace

TEST(ResponseReader, SplitsHeaderAndBodyWhereverTheChunksEnd)
{
    const std::string response = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html>\r\n\r\nbody</html>";
    FetchRequest r = MakeTestRequest(plugin_api::kMessagePage, kTopicListUrl);
    for (std::size_t cut = 1; cut < response.size(); ++cut) {
        Response split = readInChunks(response, {cut}, r);
        EXPECT_EQ(split.header, "HTTP/1.0 200 OK\r\nContent-Type: text/html") << cut;
        ASSERT_TRUE(split.body.has_value()) << cut;
        EXPECT_EQ(*split.body, "<html>\r\n\r\nbody</html>") << cut;
    }
    std::vector<std::size_t> everyByte;
    for (std::size_t i = 1; i < response.size(); ++i)
        everyByte.push_back(i);
    EXPECT_EQ(*readInChunks(response, everyByte, r).body, "<html>\r\n\r\nbody</html>");
    // A lone CR before the terminator does not hide it.
    EXPECT_EQ(*readInChunks("HTTP/1.0 200 OK\r\r\n\r\nX", {}, r).body, "X");
}

TEST(ResponseReader, CapacityFollowsContentLengthOrDefaultsTo4096)
{
    FetchRequest r = MakeTestRequest(plugin_api::kMessagePage, kTopicListUrl);
    EventRecorder events;
    ExchangeSettings settings;
    ResponseReader announced(r, settings, events);
    announced.feed("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n0123456789");
    EXPECT_EQ(announced.announcedCapacity(), 10u);

    ResponseReader unannounced(r, settings, events);
    unannounced.feed("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n");
    EXPECT_EQ(unannounced.announcedCapacity(), kDefaultBodyCapacity);
    // Beyond the default the body grows as data arrives.
    std::string page(100 * 1024, 'p');
    for (std::size_t i = 0; i < page.size(); i += 1000)
        unannounced.feed(std::string_view(page).substr(i, 1000));
    EXPECT_EQ(*unannounced.take().body, page);
}

TEST(ResponseReader, OverlongHeaderIsCutAtAWholeLineAndTheBodyStaysIntact)
{
    FetchRequest login = MakeTestRequest(plugin_api::kLogin, "http://login.b/config/login?login=a&passwd=b");
    std::string header = "HTTP/1.0 302 Found\r\n";
    for (int i = 0; header.size() < 3000; ++i)
        header += "X-Filler-" + std::to_string(i) + ": " + std::string(40, 'f') + "\r\n";
    std::string response = header + "\r\nthe body";
    EventRecorder events;
    ExchangeSettings settings;
    ResponseReader reader(login, settings, events);
    for (std::size_t i = 0; i < response.size(); i += kReceiveChunk)
        reader.feed(std::string_view(response).substr(i, kReceiveChunk));
    Response result = reader.take();
    EXPECT_LE(result.header.size(), kMaxHeaderText);
    EXPECT_EQ(header.substr(0, result.header.size() + 2), result.header + "\r\n");
    EXPECT_EQ(result.body, "the body");
    // The examination ran on the cut header.
    EXPECT_EQ(events.loginTexts(), std::vector<std::string>{kLoginErrorMarker});

    // A header of exactly the limit is kept whole.
    std::string exact = "HTTP/1.0 200 OK\r\nX: " + std::string(kMaxHeaderText - 20, 'e');
    ASSERT_EQ(exact.size(), kMaxHeaderText);
    ResponseReader atLimit(login, settings, events);
    atLimit.feed(exact + "\r\n\r\nB");
    EXPECT_EQ(atLimit.take().header, exact);
}

TEST(ResponseReader, ConnectionClosedBeforeTheBlankLineLeavesNoBody)
{
    FetchRequest r = MakeTestRequest(plugin_api::kMessagePage, kTopicListUrl);
    Response partial = readInChunks("HTTP/1.0 200 OK\r\nContent-Ty", {}, r);
    EXPECT_EQ(partial.header, "HTTP/1.0 200 OK\r\nContent-Ty");
    EXPECT_FALSE(partial.body.has_value());

    // An endless header is kept to the limit, without growing further.
    EventRecorder events;
    ExchangeSettings settings;
    ResponseReader endless(r, settings, events);
    std::string line = "X: " + std::string(1000, 'y') + "\r\n";
    for (int i = 0; i < 200; ++i)
        endless.feed(line);
    Response cut = endless.take();
    EXPECT_LE(cut.header.size(), kMaxHeaderText);
    EXPECT_FALSE(cut.body.has_value());
}

TEST(ResponseReader, AZeroByteEndsTheHeaderText)
{
    FetchRequest post = MakeTestRequest(plugin_api::kPost, "http://post.b/bbs?", "form");
    EventRecorder events;
    ExchangeSettings settings = loginSettings();
    ResponseReader reader(post, settings, events);
    static const char data[] = "HTTP/1.0 302 Found\r\n\0Location: http://x/\r\n\r\nbody";
    reader.feed(std::string_view(data, sizeof data - 1));
    ASSERT_EQ(events.notices().size(), 1u);
    EXPECT_FALSE(events.notices()[0].location.has_value());
}

TEST(ResponseReader, RefusesABodyBeyondItsLimit)
{
    FetchRequest r = MakeTestRequest(plugin_api::kMessagePage, kTopicListUrl);
    EventRecorder events;
    ExchangeSettings settings;
    ResponseReader reader(r, settings, events);
    ASSERT_TRUE(reader.feed("HTTP/1.0 200 OK\r\n\r\n"));
    std::string block(1 << 20, 'b');
    for (std::size_t i = 0; i < kMaxBody / block.size(); ++i)
        ASSERT_TRUE(reader.feed(block));
    EXPECT_FALSE(reader.feed("x"));
}
