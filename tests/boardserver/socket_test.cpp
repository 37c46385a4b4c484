// The running nk-boardserver over loopback sockets: start-up, bad input, the login and post
// flows, a restart, and every fault mode.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "boardserver/dataset.h"
#include "boardserver/faults.h"
#include "boardserver/pages.h"
#include "boardserver/testing/serverprocess.h"
#include "boardserver/text.h"
#include "tests/boardserver/fixture.h"

namespace {

using namespace boardserver;
namespace bst = boardserver::testing;
using bst::HttpExchange;
using bst::HttpGet;
using bst::HttpReply;
using bst::ServerProcess;
using Clock = std::chrono::steady_clock;

const std::vector<std::string> kArgs = {"--seed", "3", "--categories", "2", "--depth", "2", "--subcategories", "2",
                                        "--boards", "2", "--topics", "4", "--messages", "10", "--huge", "0",
                                        "--deleted", "0"};

DatasetOptions SameData()
{
    DatasetOptions o;
    o.seed = 3;
    o.categories = 2;
    o.depth = 2;
    o.subcategories = 2;
    o.boards = 2;
    o.topics = 4;
    o.messages = 10;
    o.hugeTopics = 0;
    o.deletedPermille = 0;
    return o;
}

long long MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Runs the server binary to completion with arguments and returns its exit status and output.
int RunToEnd(const std::string &arguments, std::string &output)
{
    const std::string command = ServerProcess::DefaultExecutable() + " " + arguments + " 2>&1";
    FILE *pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Sends the bytes, shuts the sending side, and reads the answer until the server closes.
std::string HalfClosedExchange(int port, const std::string &bytes)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    std::string answer;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0) {
        timeval timeout{5, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        ::shutdown(fd, SHUT_WR);
        char buffer[4096];
        ssize_t n;
        while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
            answer.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return answer;
}

class Socket : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = new ServerProcess();
        std::string error;
        ASSERT_TRUE(server->start(kArgs, &error)) << error;
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(server && server->running());
        ASSERT_TRUE(server->clearFaults());
    }

    static int port() { return server->port(); }
    std::string messageUrl(int board, int topic, int mid) const
    {
        const Board &b = data.boards()[static_cast<std::size_t>(board)];
        return MessageUrl(b.id, b.topics[static_cast<std::size_t>(topic)].tid, mid, ep);
    }

    static ServerProcess *server;
    const Dataset data{SameData()};
    const Endpoints ep;
};

ServerProcess *Socket::server = nullptr;

TEST_F(Socket, ServesEveryEndpointHost_AbsoluteOrAsAPlainPath)
{
    const auto root = HttpGet(port(), ep.boardBase() + "index.html");
    ASSERT_TRUE(root.ok);
    EXPECT_EQ(root.status, 200);
    EXPECT_EQ(root.body, BuildDirectoryPage(data, data.categories()[0], ep));
    EXPECT_EQ(root.headerValues("Content-Length"), std::vector<std::string>{std::to_string(root.body.size())});
    EXPECT_EQ(root.headerValues("Content-Type"), std::vector<std::string>{"text/html; charset=EUC-JP"});
    EXPECT_EQ(HttpGet(port(), "/index.html").body, root.body);
    // HTTP/1.1 with a Host header is answered too, in HTTP/1.0, and the connection closes.
    const auto viaHost = HttpExchange(port(), "GET /index.html HTTP/1.1\r\nHost: messages.yahoo.co.jp\r\n\r\n");
    EXPECT_TRUE(viaHost.ok);
    EXPECT_EQ(viaHost.raw.rfind("HTTP/1.0 200", 0), 0u);
    EXPECT_EQ(viaHost.body, root.body);

    const auto message = HttpGet(port(), messageUrl(0, 0, 2));
    EXPECT_EQ(message.status, 200);
    EXPECT_NE(message.body.find("<big><b>"), std::string::npos);
    EXPECT_EQ(HttpGet(port(), ep.profileBase() + "taro").status, 200);
    EXPECT_EQ(HttpGet(port(), "http://elsewhere.example/").status, 502);
}

TEST_F(Socket, MalformedRequests_Get400_AndTheServerCarriesOn)
{
    const std::vector<std::string> bad = {
        "garbage\r\n\r\n",
        "GET /\r\n\r\n",
        "GET index.html HTTP/1.0\r\n\r\n",
        std::string("GET / HTTP/1.0\r\nA: \0\r\n\r\n", 24),
        "GET / HTTP/1.0\r\nX: " + std::string(20000, 'x') + "\r\n\r\n",
        "\x16\x03\x01\x00\xa5\x01\x00\x00\xa1\x03\x03",
    };
    for (const std::string &request : bad) {
        const auto r = HttpExchange(port(), request, 5000);
        EXPECT_TRUE(r.ok) << request.substr(0, 30);
        EXPECT_EQ(r.status, 400) << request.substr(0, 30);
    }
    // A client that stops sending half-way through the head is refused as well.
    EXPECT_EQ(HalfClosedExchange(port(), "GET / HTTP/1.0\r\n").rfind("HTTP/1.0 400", 0), 0u);
    EXPECT_EQ(HalfClosedExchange(port(), ""), ""); // connect and close: nothing to answer
    EXPECT_EQ(HttpGet(port(), ep.boardBase()).status, 200);
}

TEST_F(Socket, AHeadSentByteByByte_IsStillRead)
{
    const std::string request = "GET " + messageUrl(1, 1, 1) + " HTTP/1.0\r\nUser-Agent: Nekomado\r\n\r\n";
    HttpReply reply;
    std::thread client([&] {
        // HttpExchange sends in one go; here the bytes go in small pieces with pauses.
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<std::uint16_t>(port()));
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
        for (std::size_t i = 0; i < request.size(); i += 7) {
            ::send(fd, request.data() + i, std::min<std::size_t>(7, request.size() - i), MSG_NOSIGNAL);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        char buffer[4096];
        ssize_t n;
        while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
            reply.raw.append(buffer, static_cast<std::size_t>(n));
        ::close(fd);
    });
    client.join();
    EXPECT_EQ(reply.raw.rfind("HTTP/1.0 200 OK\r\n", 0), 0u);
    EXPECT_NE(reply.raw.find("</html>"), std::string::npos);
}

TEST_F(Socket, ManyClientsAtOnce_AllGetTheirPages)
{
    std::atomic<int> good{0};
    std::vector<std::thread> clients;
    const std::string expected = HttpGet(port(), messageUrl(0, 1, 3)).body;
    for (int i = 0; i < 16; ++i)
        clients.emplace_back([&] {
            for (int k = 0; k < 10; ++k) {
                const auto r = HttpGet(port(), messageUrl(0, 1, 3));
                good += r.ok && r.status == 200 && r.body == expected;
            }
        });
    for (auto &t : clients)
        t.join();
    EXPECT_EQ(good.load(), 160);
}

TEST_F(Socket, LoginPostFormAndPost_OverTheWire)
{
    const auto login = HttpGet(port(), ep.loginBase() + "config/login?login=nekodemo&passwd=nekopass");
    EXPECT_EQ(login.status, 302);
    EXPECT_EQ(login.headerValues("Location"), std::vector<std::string>{ep.verifyUrl()});
    // The program stops reading the head at Content-Length: the cookies must come before it.
    EXPECT_LT(login.head.find("Set-Cookie:"), login.head.find("Content-Length:"));
    const auto cookies = bst::CookiesOf(login);
    ASSERT_EQ(cookies.size(), 2u);

    const Board &b = data.boards()[1];
    const Topic &t = b.topics[0];
    const std::string form =
        ep.postBase() + "bbs?action=r&board=" + b.id + "&sid=" + b.id + "&tid=" + t.tid + "&mid=2";
    EXPECT_EQ(HttpGet(port(), form).status, 302);
    const auto formPage = HttpGet(port(), form, cookies);
    EXPECT_EQ(formPage.status, 200);
    EXPECT_NE(formPage.body.find("<option value=\"chat_pf_1\" selected>nekodemo\n"), std::string::npos);

    const long long before = server->stat("stored");
    const std::string query = "action=post&board=" + b.id + "&sid=" + b.id + "&tid=" + t.tid +
                              "&mid=2&identity=chat_pf_1&posting=" + UrlEncode(bstest::Sjis("ソケット経由\r\n二行")) +
                              "&Subject=" + UrlEncode("Re: x");
    // As the program sends it logged in: the Referer of the post server's "bbs".
    const std::string request = "GET " + ep.postBase() + "bbs?" + query + " HTTP/1.0\r\nUser-Agent: Nekomado\r\n" +
                                "Referer:" + ep.postBase() + "bbs\r\nCookie: " + cookies[0] + " " + cookies[1] +
                                "\r\n\r\n";
    const auto posted = HttpExchange(port(), request);
    EXPECT_EQ(posted.status, 302);
    const auto location = posted.headerValues("Location");
    ASSERT_EQ(location.size(), 1u);
    EXPECT_EQ(location[0], MessageUrl(b.id, t.tid, t.messageCount + 1, ep));
    EXPECT_EQ(server->stat("stored"), before + 1);
    const auto page = HttpGet(port(), location[0]);
    EXPECT_NE(page.body.find(SjisToEuc(bstest::Sjis("ソケット経由")) + "<br>"), std::string::npos);

    // A long Japanese text makes a target of over 10,000 bytes.
    std::string longText;
    while (longText.size() < 3600)
        longText += bstest::Sjis("長文");
    const std::string longQuery = "action=post&board=" + b.id + "&sid=" + b.id + "&tid=" + t.tid +
                                  "&mid=0&identity=chat_pf_2&posting=" + UrlEncode(longText) + "&Subject=long";
    ASSERT_GT(longQuery.size(), 10000u);
    const auto longPost = HttpGet(port(), ep.postBase() + "bbs?" + longQuery, cookies);
    EXPECT_EQ(longPost.status, 302);
    ASSERT_EQ(longPost.headerValues("Location").size(), 1u);
    EXPECT_NE(HttpGet(port(), longPost.headerValues("Location")[0]).body.find(SjisToEuc(longText)), std::string::npos);

    // Not logged in, the program sends the URL alone: the post fails without a Location.
    const auto anonymous = HttpGet(port(), ep.postBase() + "bbs?");
    EXPECT_EQ(anonymous.status, 200);
    EXPECT_TRUE(anonymous.headerValues("Location").empty());

    const auto logout = HttpGet(port(), ep.loginBase() + "config/login?logout=1", cookies);
    EXPECT_FALSE(logout.headerValues("Set-Cookie").empty());
    EXPECT_EQ(HttpGet(port(), form, cookies).status, 302);
}

TEST_F(Socket, Faults_DelayTrickleAndStatus)
{
    const std::string url = messageUrl(0, 2, 1);
    const std::string normal = HttpGet(port(), url).body;

    ASSERT_TRUE(server->addFault("delay=300@*mid=1"));
    auto start = Clock::now();
    auto r = HttpGet(port(), url);
    EXPECT_GE(MillisecondsSince(start), 290);
    EXPECT_EQ(r.body, normal);
    start = Clock::now();
    EXPECT_EQ(HttpGet(port(), messageUrl(0, 2, 2)).status, 200); // the pattern does not match
    EXPECT_LT(MillisecondsSince(start), 250);

    ASSERT_TRUE(server->clearFaults());
    ASSERT_TRUE(server->addFault("trickle=200/15"));
    start = Clock::now();
    r = HttpGet(port(), url);
    EXPECT_EQ(r.body, normal);
    EXPECT_GE(MillisecondsSince(start), static_cast<long long>(r.raw.size() / 200 - 1) * 15);

    ASSERT_TRUE(server->clearFaults());
    ASSERT_TRUE(server->addFault("status=503#1"));
    EXPECT_EQ(HttpGet(port(), url).status, 503);
    EXPECT_EQ(HttpGet(port(), url).status, 200);
}

TEST_F(Socket, Faults_SilentCutAndDrop)
{
    const std::string url = messageUrl(1, 0, 1);
    ASSERT_TRUE(server->addFault("silent@*mid=1"));
    auto start = Clock::now();
    auto r = HttpGet(port(), url, {}, 400);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.raw.empty());
    EXPECT_GE(MillisecondsSince(start), 390);

    ASSERT_TRUE(server->clearFaults());
    ASSERT_TRUE(server->addFault("cut"));
    r = HttpGet(port(), url);
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(r.raw.empty());
    EXPECT_EQ(r.raw.find("\r\n\r\n"), std::string::npos);
    ASSERT_TRUE(server->clearFaults());
    ASSERT_TRUE(server->addFault("cut=12"));
    EXPECT_EQ(HttpGet(port(), url).raw, "HTTP/1.0 200");

    ASSERT_TRUE(server->clearFaults());
    ASSERT_TRUE(server->addFault("drop=50"));
    int dropped = 0;
    for (int i = 0; i < 10; ++i) {
        r = HttpGet(port(), url);
        EXPECT_TRUE(r.ok);
        dropped += r.raw.empty();
    }
    EXPECT_EQ(dropped, 5);
}

TEST_F(Socket, Faults_ShortClosesInTheBodyAfterAWholeHead)
{
    const std::string url = messageUrl(1, 0, 1);
    const HttpReply whole = HttpGet(port(), url);
    ASSERT_EQ(whole.status, 200);
    ASSERT_GT(whole.body.size(), 100u);
    const std::vector<std::string> length{std::to_string(whole.body.size())};
    ASSERT_TRUE(server->addFault("short@*mid=1#1"));
    HttpReply r = HttpGet(port(), url);
    EXPECT_TRUE(r.ok) << "closed by the server, not left hanging";
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.headerValues("Content-Length"), length) << "the head announces the whole body";
    EXPECT_EQ(r.body, whole.body.substr(0, whole.body.size() / 2));
    ASSERT_TRUE(server->addFault("short=0@*mid=1#1"));
    r = HttpGet(port(), url);
    EXPECT_EQ(r.status, 200);
    EXPECT_TRUE(r.body.empty());
    ASSERT_TRUE(server->addFault("short=99@*mid=1#1"));
    r = HttpGet(port(), url);
    EXPECT_LT(r.body.size(), whole.body.size()) << "never the whole body";
    EXPECT_GE(r.body.size(), whole.body.size() * 98 / 100);
    EXPECT_EQ(HttpGet(port(), url).body, whole.body) << "the counts are used up";
}

TEST_F(Socket, Faults_HugeNulAndBadEucBodies)
{
    const std::string url = messageUrl(0, 0, 4);
    const std::string normal = HttpGet(port(), url).body;
    ASSERT_TRUE(server->addFault("huge@*mid=4"));
    auto r = HttpGet(port(), url, {}, 30000);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.body.size(), FaultSet::kDefaultHugeBytes);
    EXPECT_EQ(r.body.substr(0, normal.size()), normal);
    EXPECT_EQ(r.headerValues("Content-Length"), std::vector<std::string>{std::to_string(FaultSet::kDefaultHugeBytes)});

    ASSERT_TRUE(server->clearFaults());
    ASSERT_TRUE(server->addFault("nul"));
    r = HttpGet(port(), url);
    EXPECT_EQ(r.body.size(), normal.size() + 4);
    EXPECT_NE(r.body.find(std::string(4, '\0')), std::string::npos);

    ASSERT_TRUE(server->clearFaults());
    ASSERT_TRUE(server->addFault("badeuc"));
    r = HttpGet(port(), url);
    EXPECT_NE(r.body.find("\x80\xFF"), std::string::npos);
    EXPECT_LT(EucToSjis(r.body).size(), EucToSjis(normal).size());

    ASSERT_TRUE(server->clearFaults());
    EXPECT_FALSE(server->addFault("no-such-fault"));
    EXPECT_EQ(HttpGet(port(), url).body, normal);
}

TEST(SocketProcess, StartsFromTheCommandLineFaultsAndKeepsPostsAcrossARestart)
{
    ServerProcess server;
    std::vector<std::string> args = kArgs;
    args.insert(args.end(), {"--fault", "status=500@*action=topics*#1"});
    std::string error;
    ASSERT_TRUE(server.start(args, &error)) << error;
    const Dataset data(SameData());
    const Endpoints ep;
    const Board &b = data.boards()[0];
    EXPECT_EQ(HttpGet(server.port(), TopicListUrl(b.id, ep)).status, 500);
    EXPECT_EQ(HttpGet(server.port(), TopicListUrl(b.id, ep)).status, 200);

    const auto cookies = bst::CookiesOf(
        HttpGet(server.port(), ep.loginBase() + "config/login?login=nekodemo&passwd=nekopass"));
    const std::string query = "action=post&board=" + b.id + "&sid=" + b.id +
                              "&identity=chat_pf_2&posting=" + UrlEncode("kept") + "&Subject=" + UrlEncode("restart");
    const auto posted = HttpGet(server.port(), ep.postBase() + "bbs?" + query, cookies);
    ASSERT_EQ(posted.status, 302);
    const std::string location = posted.headerValues("Location").at(0);
    const std::string page = HttpGet(server.port(), location).body;
    EXPECT_NE(page.find("kept"), std::string::npos);

    // A second server on the same data directory is refused while the first runs.
    ServerProcess second;
    std::vector<std::string> sameData = kArgs;
    sameData.insert(sameData.end(), {"--data", server.dataDir()});
    EXPECT_FALSE(second.start(sameData, nullptr, 5000));

    ASSERT_TRUE(server.restart(&error)) << error;
    EXPECT_EQ(HttpGet(server.port(), location).body, page);
    EXPECT_EQ(HttpGet(server.port(), TopicListUrl(b.id, ep)).status, 500); // the fault starts afresh
    const auto list = HttpGet(server.port(), TopicListUrl(b.id, ep)).body;
    EXPECT_NE(list.find("restart</a>"), std::string::npos);

    // Other sample data on the same directory is refused.
    server.stop();
    std::vector<std::string> otherSeed = sameData;
    otherSeed[1] = "4";
    EXPECT_FALSE(second.start(otherSeed, nullptr, 5000));
}

TEST(SocketProcess, VaryMarkup_FromTheCommandLine_ShapesThePagesServed)
{
    ServerProcess server;
    std::vector<std::string> args = kArgs;
    args.insert(args.end(), {"--vary-markup", "5"});
    std::string error;
    ASSERT_TRUE(server.start(args, &error)) << error;
    const Dataset data(SameData());
    const Endpoints ep;
    const auto root = HttpGet(server.port(), ep.boardBase() + "index.html");
    ASSERT_EQ(root.status, 200);
    EXPECT_EQ(root.body, BuildDirectoryPage(data, data.categories()[0], ep, VariationFor(5, "/index.html")));
    EXPECT_NE(root.body, BuildDirectoryPage(data, data.categories()[0], ep));

    std::string output;
    EXPECT_EQ(RunToEnd("--vary-markup some", output), 2);
    EXPECT_NE(output.find("--vary-markup"), std::string::npos);
}

TEST(SocketProcess, HelpNamesTheDemoAccount_BadOptionsExitWithStatus2)
{
    std::string output;
    EXPECT_EQ(RunToEnd("--help", output), 0);
    EXPECT_NE(output.find("id \"nekodemo\", password \"nekopass\""), std::string::npos);
    output.clear();
    EXPECT_EQ(RunToEnd("--depth 0", output), 2);
    EXPECT_NE(output.find("--depth"), std::string::npos);
    output.clear();
    EXPECT_EQ(RunToEnd("--fault slow", output), 2);
    output.clear();
    EXPECT_EQ(RunToEnd("--subcategories 100 --boards 100", output), 2);
}

} // namespace
