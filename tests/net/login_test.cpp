// Login, logout and posting through the pipeline: the exact request texts on the wire, the
// cookies kept and sent, and the notices of the post form and the post.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

#include "base/text.h"
#include "net/endpoints.h"
#include "net/texts.h"
#include "tests/net/loopback.h"
#include "tests/net/mainthread.h"

using namespace net;
using namespace nettest;
using namespace std::chrono_literals;

namespace {

const settings::EndpointSettings kEndpoints;
const char kPassword[] = "p&ss#1";
const char kFormUrl[] = "http://post.messages.yahoo.co.jp/bbs?action=r&board=1834578&sid=1834578&tid=a1&mid=0";
const char kTopicLocation[] = "http://messages.yahoo.co.jp/bbs?action=m&board=1834578&sid=1834578&tid=a1&mid=9";

/// A login, post and board server in one, as the substitute server is.
class ServiceScript {
public:
    LoopbackServer::Responder responder()
    {
        return [this](Peer &peer, const std::string &request) { answer(peer, request); };
    }

    std::chrono::steady_clock::time_point postAnsweredAt() const
    {
        std::lock_guard lock(m_lock);
        return m_postAnsweredAt;
    }

private:
    void answer(Peer &peer, const std::string &request)
    {
        std::string target = LoopbackServer::targetOf(request);
        bool hasCookies = request.find("\r\nCookie: B=") != std::string::npos;
        if (target.find("config/login?login=") != std::string::npos) {
            if (target.ends_with("&passwd=" + EscapeQueryValue(kPassword)))
                peer.send(HttpResponse("302 Found",
                                       "Set-Cookie: B=b1; expires=Thu, 01 Jan 2037 00:00:00 GMT; path=/\r\n"
                                       "Set-Cookie: Y=y1; path=/\r\nLocation: " +
                                           kEndpoints.verify + "\r\n",
                                       ""));
            else
                peer.send(HttpResponse("302 Found",
                                       "Set-Cookie: F=tries1; path=/\r\n"
                                       "Location: http://login.yahoo.co.jp/config/login_form?.err=1\r\n",
                                       ""));
        } else if (target.find("config/login?logout=1") != std::string::npos) {
            peer.send(HttpResponse("200 OK", "Set-Cookie: B=; expires=Thu, 01 Jan 1970 00:00:00 GMT\r\n", "bye"));
        } else if (target.find("bbs?action=r&") != std::string::npos) {
            if (hasCookies)
                peer.send(HttpResponse("200 OK", "", "N taro\nN taro_2\n"));
            else
                peer.send(HttpResponse("302 Found", "Location: http://login.yahoo.co.jp/\r\n", "moved"));
        } else if (target.find("bbs?action=post&") != std::string::npos && hasCookies) {
            {
                std::lock_guard lock(m_lock);
                m_postAnsweredAt = std::chrono::steady_clock::now();
            }
            peer.send(HttpResponse("302 Found", std::string("Location: ") + kTopicLocation + "\r\n", ""));
        } else if (target.find("bbs?") != std::string::npos && target.find("action=m") == std::string::npos) {
            peer.send(HttpResponse("200 OK", "", "failed"));
        } else {
            std::string mid = base::ExtractUrlParam("mid=", target).value_or("0");
            peer.send(HttpResponse("200 OK", "", "M " + mid + " 10\n"));
        }
    }

    mutable std::mutex m_lock;
    std::chrono::steady_clock::time_point m_postAnsweredAt;
};

std::string messageUrl(int mid)
{
    return MessageUrl("http://messages.yahoo.co.jp/", "1834578", "a1", mid);
}

std::string withoutCookies(const std::string &url)
{
    return "GET " + url + " HTTP/1.0\r\nUser-Agent: Nekomado\r\n\r\n";
}

std::string withCookies(const std::string &url, const std::string &cookies)
{
    return "GET " + url + " HTTP/1.0\r\nUser-Agent: Nekomado\r\nCookie: " + cookies + "\r\n\r\n";
}

/// Queues one request and handles notices until the pipeline is idle; the request's text.
std::string fetch(TestMainThread &main, const LoopbackServer &server, const std::string &url, int kind,
                  const char *key = nullptr, const char *query = nullptr)
{
    std::size_t before = server.requests().size();
    EXPECT_EQ(main.pipeline.EnqueueRequest(nullptr, url.c_str(), key, query, kind, 0, 0), 1);
    EXPECT_TRUE(main.runUntilIdle());
    auto requests = server.requests();
    return requests.size() > before ? requests[before] : std::string();
}

std::vector<std::string> loginTexts(const TestMainThread &main)
{
    std::vector<std::string> texts;
    for (const SeenNotice &n : main.seen(NoticeCode::LoginStatus))
        texts.push_back(n.text);
    return texts;
}

} // namespace

TEST(Login, LogsInSendsTheCookiesWhileLoggedInAndLogsOut)
{
    ServiceScript script;
    LoopbackServer server(script.responder());
    TestMainThread main;
    main.useProxy(server.port());

    settings::LoginSettings account;
    account.id = "taro";
    account.pass = kPassword;
    ASSERT_EQ(main.pipeline.FileLogin(account), 1);
    ASSERT_TRUE(main.runUntilIdle());
    EXPECT_EQ(server.requests().at(0),
              withoutCookies("http://login.yahoo.co.jp/config/login?login=taro&passwd=p%26ss%231"));
    EXPECT_EQ(loginTexts(main), (std::vector<std::string>{"B=b1;", "Y=y1;", kLoginMarker}));
    EXPECT_TRUE(main.pipeline.loggedIn());
    EXPECT_EQ(main.panel0, kLoggedInText);
    EXPECT_EQ(main.pipeline.cookies(), (CookieList{"B=b1;", "Y=y1;"}));

    EXPECT_EQ(fetch(main, server, messageUrl(3), plugin_api::kMessagePage), withCookies(messageUrl(3), "B=b1; Y=y1;"));

    // Logged in, the same command logs out.
    ASSERT_EQ(main.pipeline.FileLogin(account), 1);
    ASSERT_TRUE(main.runUntilIdle());
    EXPECT_EQ(server.requests().back(), withCookies("http://login.yahoo.co.jp/config/login?logout=1", "B=b1; Y=y1;"));
    EXPECT_EQ(loginTexts(main).back(), kLogoutMarker);
    EXPECT_FALSE(main.pipeline.loggedIn());
    EXPECT_EQ(main.panel0, kLoggedOutText);
    // The cookies are kept, but no longer sent.
    EXPECT_EQ(main.pipeline.cookies().size(), 2u);
    EXPECT_EQ(fetch(main, server, messageUrl(4), plugin_api::kMessagePage), withoutCookies(messageUrl(4)));
}

TEST(Login, RedirectElsewhereIsALoginErrorEvenAfterASuccessfulLogin)
{
    ServiceScript script;
    LoopbackServer server(script.responder());
    TestMainThread main;
    main.useProxy(server.port());

    fetch(main, server, LoginUrl(kEndpoints.login, "taro", kPassword), plugin_api::kLogin);
    ASSERT_TRUE(main.pipeline.loggedIn());
    // Logged in, the next login carries the cookies; the wrong password is refused all the same.
    EXPECT_EQ(fetch(main, server, LoginUrl(kEndpoints.login, "taro", "wrong"), plugin_api::kLogin),
              withCookies("http://login.yahoo.co.jp/config/login?login=taro&passwd=wrong", "B=b1; Y=y1;"));
    EXPECT_EQ(loginTexts(main).back(), kLoginErrorMarker);
    EXPECT_FALSE(main.pipeline.loggedIn());
    EXPECT_EQ(main.panel0, kLoginFailedText);
    // The refused login's cookie is stored beside the others, and nothing is sent now.
    EXPECT_EQ(main.pipeline.cookies(), (CookieList{"B=b1;", "Y=y1;", "F=tries1;"}));
    EXPECT_EQ(fetch(main, server, messageUrl(1), plugin_api::kMessagePage), withoutCookies(messageUrl(1)));
}

TEST(Posting, LoggedInTheFormListsTheNicknamesAndARedirectedPostReportsItsLocation)
{
    ServiceScript script;
    LoopbackServer server(script.responder());
    TestMainThread main;
    main.network.posttimeout = 250;
    main.useProxy(server.port());
    fetch(main, server, LoginUrl(kEndpoints.login, "taro", kPassword), plugin_api::kLogin);
    ASSERT_TRUE(main.pipeline.loggedIn());

    fetch(main, server, kFormUrl, plugin_api::kPostForm);
    auto forms = main.seen(NoticeCode::PostFormParsed);
    ASSERT_EQ(forms.size(), 1u);
    EXPECT_EQ(forms[0].url, kFormUrl);
    EXPECT_EQ(forms[0].names, (std::vector<std::string>{"taro", "taro_2"}));

    const char query[] = "action=post&board=1834578&sid=1834578&tid=a1&mid=0&identity=chat_pf_2"
                         "&posting=%3e%3e5%0d%0aabc"
                         "&Subject=Re:x";
    std::string post = PostUrl(kEndpoints.post);
    EXPECT_EQ(fetch(main, server, post, plugin_api::kPost, kFormUrl, query),
              "GET " + post + query +
                  " HTTP/1.0\r\nUser-Agent: Nekomado\r\nReferer:http://post.messages.yahoo.co.jp/bbs\r\n"
                  "Cookie: B=b1; Y=y1;\r\n\r\n");
    auto answers = main.seen(NoticeCode::PostAnswered);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].location, kTopicLocation);
    EXPECT_EQ(answers[0].key, kFormUrl);
    EXPECT_EQ(answers[0].url, post);
    EXPECT_GE(answers[0].at - script.postAnsweredAt(), 250ms);
}

TEST(Posting, PostAnsweredWith200IsReportedWithoutLocation)
{
    ServiceScript script;
    LoopbackServer server(script.responder());
    TestMainThread main;
    main.network.posttimeout = 2000;
    main.useProxy(server.port());
    // Logged out: only the URL goes out, and the server answers it as a failure at once.
    auto start = std::chrono::steady_clock::now();
    std::string post = PostUrl(kEndpoints.post);
    EXPECT_EQ(fetch(main, server, post, plugin_api::kPost, kFormUrl, "action=post&board=1"), withoutCookies(post));
    auto answers = main.seen(NoticeCode::PostAnswered);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_FALSE(answers[0].location.has_value());
    EXPECT_EQ(answers[0].key, kFormUrl);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}

TEST(Posting, FormRedirectedWhileLoggedOutReportsNotLoggedInThenDiscardsTheForm)
{
    ServiceScript script;
    LoopbackServer server(script.responder());
    TestMainThread main;
    main.useProxy(server.port());
    fetch(main, server, kFormUrl, plugin_api::kPostForm);
    ASSERT_EQ(main.count(NoticeCode::PostFormRedirected), 1);
    auto empty = main.seen(NoticeCode::PostFormEmpty);
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty[0].url, kFormUrl);
    EXPECT_EQ(main.panel0, kNotLoggedInText);
    auto order = std::find_if(main.notices.begin(), main.notices.end(), [](const SeenNotice &n) {
        return n.code == NoticeCode::PostFormRedirected || n.code == NoticeCode::PostFormEmpty;
    });
    EXPECT_EQ(order->code, NoticeCode::PostFormRedirected);
}

// A post is settled by its answer alone: once answered, a later stall does not report it lost
// (the user may have sent again by then); an answer that settles nothing does.
TEST(Posting, APostIsReportedLostOnlyWhenNoAnswerCame)
{
    struct Case {
        const char *name;
        std::string reply;
        bool stallAfter;
        int answers;
        int lost;
    };
    const Case cases[] = {
        {"refused, then the body stalls past the timeout", "HTTP/1.0 200 OK\r\n\r\nfail", true, 1, 0},
        {"redirected, then the body stalls past the timeout",
         std::string("HTTP/1.0 302 Found\r\nLocation: ") + kTopicLocation + "\r\n\r\n", true, 1, 0},
        {"a header without a status line", "HTTP/1.0\r\n\r\n", false, 0, 1},
        {"the connection closed before any header", "", false, 0, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server([&c](Peer &peer, const std::string &) {
            peer.send(c.reply);
            if (c.stallAfter)
                peer.waitForClose(5s);
        });
        TestMainThread main;
        main.network.posttimeout = 0;
        main.useProxy(server.port(), 300);
        std::string post = PostUrl(kEndpoints.post);
        fetch(main, server, post, plugin_api::kPost, kFormUrl, "action=post&board=1");
        EXPECT_EQ(main.count(NoticeCode::PostAnswered), c.answers);
        EXPECT_EQ(main.count(NoticeCode::RequestFailed), c.lost);
        EXPECT_EQ(main.pipeline.runningCount(), 0u);
    }
}
