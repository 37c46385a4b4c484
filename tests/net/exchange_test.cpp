// One exchange against scripted listeners on 127.0.0.1, reached through the proxy settings: the
// request on the wire, chunking, lengths, time-outs and connection failures.
#include <gtest/gtest.h>

#include "net/http.h"
#include "net/texts.h"
#include "tests/net/loopback.h"
#include "tests/net/recorder.h"

using namespace net;
using namespace nettest;
using namespace std::chrono_literals;

namespace {

const char kMessageUrl[] = "http://messages.yahoo.co.jp/bbs?action=m&board=1834578&sid=1834578&tid=a1&mid=3";
const char kVerifyUrl[] = "http://login.yahoo.co.jp/config/verify";

ExchangeSettings viaProxy(int port, int timeout = 2000)
{
    ExchangeSettings s;
    s.proxy = true;
    s.proxyServer = "127.0.0.1";
    s.proxyPort = port;
    s.timeout = timeout;
    s.posttimeout = 300;
    s.verifyUrl = kVerifyUrl;
    s.postBase = "http://post.messages.yahoo.co.jp/";
    return s;
}

LoopbackServer::Responder answer(std::string response)
{
    return [response](Peer &peer, const std::string &) { peer.send(response); };
}

std::chrono::milliseconds since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

} // namespace

TEST(Exchange, SendsTheAbsoluteUrlToTheProxyAndReturnsHeaderAndBody)
{
    LoopbackServer server(answer(HttpResponse("200 OK", "Content-Length: 11\r\n", "hello board")));
    FetchRequest request = MakeTestRequest(plugin_api::kMessagePage, kMessageUrl, "key");
    EventRecorder events;
    ExchangeResult result = Exchange(request, viaProxy(server.port()), events);
    ASSERT_EQ(result.error, ExchangeError::None);
    EXPECT_EQ(result.response.header, "HTTP/1.0 200 OK\r\nContent-Length: 11");
    EXPECT_EQ(result.response.body, "hello board");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0], std::string("GET ") + kMessageUrl + " HTTP/1.0\r\nUser-Agent: Nekomado\r\n\r\n");
}

TEST(Exchange, CompletesTheUrlInPlaceBeforeSending)
{
    LoopbackServer server(answer(HttpResponse("200 OK", "", "root")));
    FetchRequest request = MakeTestRequest(plugin_api::kCategoryPage, "http://messages.yahoo.co.jp/");
    EventRecorder events;
    ASSERT_EQ(Exchange(request, viaProxy(server.port()), events).error, ExchangeError::None);
    EXPECT_STREQ(request.url, "http://messages.yahoo.co.jp/index.html");
    EXPECT_EQ(LoopbackServer::targetOf(server.requests().at(0)), "http://messages.yahoo.co.jp/index.html");
}

TEST(Exchange, HeaderArrivingInPiecesWithTheBlankLineAcrossTwoReads)
{
    LoopbackServer server([](Peer &peer, const std::string &) {
        peer.send("HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=EUC-JP\r\n\r");
        peer.wait(60ms);
        peer.send("\n<html>first</html>");
        peer.wait(60ms);
        peer.sendInPieces("\r\n\r\nmore", 3, 10ms);
    });
    FetchRequest request = MakeTestRequest(plugin_api::kMessagePage, kMessageUrl);
    EventRecorder events;
    ExchangeResult result = Exchange(request, viaProxy(server.port()), events);
    ASSERT_EQ(result.error, ExchangeError::None);
    EXPECT_EQ(result.response.header, "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=EUC-JP");
    EXPECT_EQ(result.response.body, "<html>first</html>\r\n\r\nmore");
}

TEST(Exchange, PageWithoutContentLengthArrivesWholeAt100KB)
{
    std::string page;
    for (int i = 0; page.size() < 100 * 1024; ++i)
        page += "<p>line " + std::to_string(i) + "</p>\n";
    LoopbackServer server([page](Peer &peer, const std::string &) {
        peer.send("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n");
        peer.sendInPieces(page, 7000, 2ms);
    });
    FetchRequest request = MakeTestRequest(plugin_api::kTopicList, kMessageUrl);
    EventRecorder events;
    ExchangeResult result = Exchange(request, viaProxy(server.port()), events);
    ASSERT_EQ(result.error, ExchangeError::None);
    ASSERT_TRUE(result.response.body.has_value());
    EXPECT_EQ(result.response.body->size(), page.size());
    EXPECT_EQ(*result.response.body, page);
}

TEST(Exchange, LoginWithContentLengthBeforeSetCookieSucceedsWithoutCookies)
{
    LoopbackServer server(answer(HttpResponse(
        "302 Found", std::string("Location: ") + kVerifyUrl + "\r\nContent-Length: 0\r\nSet-Cookie: B=abc; path=/\r\n",
        "")));
    FetchRequest request =
        MakeTestRequest(plugin_api::kLogin, "http://login.yahoo.co.jp/config/login?login=taro&passwd=secret");
    EventRecorder events;
    ASSERT_EQ(Exchange(request, viaProxy(server.port()), events).error, ExchangeError::None);
    EXPECT_EQ(events.loginTexts(), std::vector<std::string>{kLoginMarker});
}

TEST(Exchange, PostRedirectIsReportedPostTimeoutAfterTheHeaderArrived)
{
    LoopbackServer server(
        answer(HttpResponse("302 Found", "Location: http://messages.yahoo.co.jp/bbs?action=m&mid=8\r\n", "")));
    FetchRequest request = MakeTestRequest(plugin_api::kPost, "http://post.messages.yahoo.co.jp/bbs?", "formurl");
    EventRecorder events(true);
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Exchange(request, viaProxy(server.port()), events).error, ExchangeError::None);
    ASSERT_EQ(events.notices().size(), 1u);
    RecordedNotice n = events.notices()[0];
    EXPECT_EQ(n.code, NoticeCode::PostAnswered);
    EXPECT_EQ(n.location, "http://messages.yahoo.co.jp/bbs?action=m&mid=8");
    EXPECT_EQ(n.key, "formurl");
    EXPECT_GE(n.at - start, 300ms);
}

TEST(Exchange, PostAnsweredWith200IsReportedAtOnceWithoutLocation)
{
    LoopbackServer server(answer(HttpResponse("200 OK", "Content-Length: 4\r\n", "fail")));
    FetchRequest request = MakeTestRequest(plugin_api::kPost, "http://post.messages.yahoo.co.jp/bbs?", "formurl");
    EventRecorder events(true);
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Exchange(request, viaProxy(server.port()), events).error, ExchangeError::None);
    ASSERT_EQ(events.notices().size(), 1u);
    EXPECT_FALSE(events.notices()[0].location.has_value());
    EXPECT_LT(events.notices()[0].at - start, 300ms);
}

TEST(Exchange, SilentServerFailsAfterTheTimeout)
{
    LoopbackServer server([](Peer &peer, const std::string &) { peer.waitForClose(3s); });
    FetchRequest request = MakeTestRequest(plugin_api::kMessagePage, kMessageUrl);
    EventRecorder events;
    auto start = std::chrono::steady_clock::now();
    ExchangeResult result = Exchange(request, viaProxy(server.port(), 200), events);
    EXPECT_EQ(result.error, ExchangeError::Timeout);
    EXPECT_GE(since(start), 200ms);
    EXPECT_LT(since(start), 2s);
}

TEST(Exchange, TheTimeoutAppliesToEachWaitSoATrickleIsNotCutOff)
{
    LoopbackServer server([](Peer &peer, const std::string &) {
        peer.sendInPieces(HttpResponse("200 OK", "", "slow but steady"), 4, 40ms);
    });
    FetchRequest request = MakeTestRequest(plugin_api::kMessagePage, kMessageUrl);
    EventRecorder events;
    auto start = std::chrono::steady_clock::now();
    ExchangeResult result = Exchange(request, viaProxy(server.port(), 150), events);
    ASSERT_EQ(result.error, ExchangeError::None);
    EXPECT_EQ(result.response.body, "slow but steady");
    EXPECT_GT(since(start), 150ms);
}

TEST(Exchange, ServerClosingBeforeTheBlankLineFailsAPageButNotALogin)
{
    LoopbackServer server(answer("HTTP/1.0 200 OK\r\nContent-Le"));
    for (int kind :
         {plugin_api::kMessagePage, plugin_api::kTopicList, plugin_api::kCategoryPage, plugin_api::kPostForm}) {
        FetchRequest request = MakeTestRequest(kind, kMessageUrl);
        EventRecorder events;
        EXPECT_EQ(Exchange(request, viaProxy(server.port()), events).error, ExchangeError::Incomplete)
            << "kind " << kind << ": a page cut off early is a failure to retry";
    }
    // A login is decided by its header lines as they arrive: a cut-off one stays no failure.
    FetchRequest login = MakeTestRequest(plugin_api::kLogin, "http://login.yahoo.co.jp/config/login?login=a");
    EventRecorder events;
    ExchangeResult result = Exchange(login, viaProxy(server.port()), events);
    ASSERT_EQ(result.error, ExchangeError::None);
    EXPECT_EQ(result.response.header, "HTTP/1.0 200 OK\r\nContent-Le");
    EXPECT_FALSE(result.response.body.has_value());
}

TEST(Exchange, BodyShorterThanItsContentLengthFailsAPage)
{
    LoopbackServer server(answer(HttpResponse("200 OK", "Content-Length: 100\r\n", "only part of it")));
    FetchRequest request = MakeTestRequest(plugin_api::kMessagePage, kMessageUrl);
    EventRecorder events;
    EXPECT_EQ(Exchange(request, viaProxy(server.port()), events).error, ExchangeError::Incomplete);
}

TEST(Exchange, RefusedConnectionFailsTheSend)
{
    FetchRequest request = MakeTestRequest(plugin_api::kMessagePage, kMessageUrl);
    EventRecorder events;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Exchange(request, viaProxy(RefusingPort()), events).error, ExchangeError::Send);
    EXPECT_LT(since(start), 1s);
}

TEST(Exchange, UnknownHostFailsTheLookup)
{
    FetchRequest request = MakeTestRequest(plugin_api::kMessagePage, kMessageUrl);
    EventRecorder events;
    ExchangeSettings proxy = viaProxy(0);
    proxy.proxyServer = UnresolvableHost();
    EXPECT_EQ(Exchange(request, proxy, events).error, ExchangeError::Lookup);
    proxy.proxyServer.clear();
    EXPECT_EQ(Exchange(request, proxy, events).error, ExchangeError::Lookup);

    // Without a proxy the URL's own host is looked up.
    FetchRequest direct = MakeTestRequest(plugin_api::kMessagePage, "http://" + UnresolvableHost() + "/bbs?x=1");
    EXPECT_EQ(Exchange(direct, ExchangeSettings{}, events).error, ExchangeError::Lookup);
}

TEST(Exchange, RequestsThatCannotGoOutWholeFailBeforeConnecting)
{
    LoopbackServer server(answer(HttpResponse("200 OK", "", "x")));
    EventRecorder events;
    FetchRequest longUrl = MakeTestRequest(plugin_api::kMessagePage, "http://a.b/" + std::string(240, 'd') + "/");
    EXPECT_EQ(Exchange(longUrl, viaProxy(server.port()), events).error, ExchangeError::UrlTooLong);

    ExchangeSettings settings = viaProxy(server.port());
    settings.loggedIn = true;
    settings.cookies = {"C=" + std::string(kMaxRequestText, 'c')};
    FetchRequest request = MakeTestRequest(plugin_api::kMessagePage, kMessageUrl);
    EXPECT_EQ(Exchange(request, settings, events).error, ExchangeError::RequestTooLong);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(server.connections(), 0);
}
