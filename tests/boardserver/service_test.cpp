// The service behind the sockets: routing by endpoint host, login and logout, the post form,
// posts and new topics, and what a restart keeps.
#include "boardserver/pages.h"
#include "boardserver/text.h"
#include "tests/boardserver/fixture.h"

namespace {

using namespace boardserver;
using bstest::Sjis;

class Service : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(board.opened); }

    const Board &firstBoard() const { return board.data.boards().front(); }
    std::string replyQuery(const Topic &t, const std::string &mid, const std::string &identity,
                           const std::string &posting, const std::string &subject) const
    {
        const Board &b = firstBoard();
        return ep.postBase() + "bbs?action=post&board=" + b.id + "&sid=" + b.id + "&tid=" + t.tid + "&mid=" + mid +
               "&identity=" + identity + "&posting=" + UrlEncode(posting) + "&Subject=" + UrlEncode(subject);
    }

    bstest::Board board;
    const Endpoints ep;
};

TEST_F(Service, Routing_ByEndpointHost_AndPlainPathsReachEveryRole)
{
    EXPECT_EQ(board.get(ep.boardBase()).status, 200);
    EXPECT_EQ(board.get(ep.boardBase() + "index.html").body, board.get(ep.boardBase()).body);
    EXPECT_EQ(board.get("/index.html").body, board.get(ep.boardBase()).body);
    EXPECT_EQ(board.get("http://127.0.0.1:8080/index.html").body, board.get(ep.boardBase()).body);
    // Each host serves its own role only.
    EXPECT_EQ(board.get(ep.postBase() + "index.html").status, 404);
    EXPECT_EQ(board.get(ep.boardBase() + "config/login?login=nekodemo&passwd=nekopass").status, 404);
    EXPECT_EQ(board.get(ep.profileBase() + "taro").status, 200);
    EXPECT_EQ(board.get(ep.boardBase() + "taro").status, 404);
    EXPECT_EQ(board.get("http://www.example.com/").status, 502);
    EXPECT_EQ(board.get(ep.boardBase() + "no/such/").status, 404);
    EXPECT_EQ(board.get(ep.profileBase() + "a/b").status, 404);

    HttpRequest head;
    head.method = "POST";
    EXPECT_EQ(board.service->handle(head, *ParseRequestTarget(ep.boardBase())).status, 501);
}

TEST_F(Service, MissingMessagesBoardsAndTopics_GetTheErrorPage)
{
    const Board &b = firstBoard();
    const Topic &t = b.topics.front();
    const std::string error = BuildMessageErrorPage(ep);
    EXPECT_EQ(board.get(MessageUrl(b.id, t.tid, t.messageCount + 1, ep)).body, error);
    EXPECT_EQ(board.get(MessageUrl(b.id, t.tid, 0, ep)).body, error);
    EXPECT_EQ(board.get(MessageUrl(b.id, "nope", 1, ep)).body, error);
    EXPECT_EQ(board.get(MessageUrl("999", t.tid, 1, ep)).body, error);
    EXPECT_EQ(board.get(ep.boardBase() + "bbs?action=m&board=" + b.id + "&tid=" + t.tid + "&mid=x").body, error);
    EXPECT_NE(board.get(MessageUrl(b.id, t.tid, 1, ep)).body, error);
    // A colon in a value makes the program append "/index.html"; the query still counts.
    EXPECT_EQ(board.get(MessageUrl(b.id, t.tid, 1, ep) + "/index.html").body,
              board.get(MessageUrl(b.id, t.tid, 1, ep)).body);
    EXPECT_EQ(board.get(TopicListUrl("999", ep)).body, BuildNoBoardPage(ep));
}

TEST_F(Service, Login_SetsTwoCookiesAndRedirectsToTheConfirmation_WrongPasswordElsewhere)
{
    const auto ok = board.get(ep.loginBase() + "config/login?login=nekodemo&passwd=nekopass");
    EXPECT_EQ(ok.status, 302);
    ASSERT_GE(ok.headerLines.size(), 3u);
    EXPECT_EQ(ok.headerLines[0].rfind("Set-Cookie: Y=", 0), 0u);
    EXPECT_EQ(ok.headerLines[1].rfind("Set-Cookie: T=", 0), 0u);
    EXPECT_EQ(bstest::Board::location(ok), "http://login.yahoo.co.jp/config/verify");

    for (const char *query : {"login=nekodemo&passwd=wrong", "login=nobody&passwd=nekopass", "login=nekodemo",
                              "passwd=nekopass"}) {
        const auto bad = board.get(ep.loginBase() + "config/login?" + query);
        const std::string location = bstest::Board::location(bad);
        EXPECT_NE(location, ep.verifyUrl()) << query;
        for (const std::string &line : bad.headerLines)
            EXPECT_NE(line.rfind("Set-Cookie:", 0), 0u) << query;
    }
}

TEST_F(Service, Login_TakesValuesAsSentOrPercentEncoded)
{
    // The program sends "&" and ":" unescaped; a browser would encode them.
    for (const char *query : {"login=amp&user&passwd=p&ss:w", "login=amp%26user&passwd=p%26ss%3aw",
                              "login=amp&user&passwd=p&ss:w/index.html"})
        EXPECT_EQ(bstest::Board::location(board.get(ep.loginBase() + "config/login?" + query)), ep.verifyUrl())
            << query;
}

TEST_F(Service, Cookies_AuthoriseThePostForm_UntilLogout)
{
    const Topic &t = firstBoard().topics.front();
    const std::string form = ep.postBase() + "bbs?action=r&board=" + firstBoard().id + "&sid=" + firstBoard().id +
                             "&tid=" + t.tid + "&mid=0";
    EXPECT_EQ(board.get(form).status, 302);
    const auto cookies = board.login();
    ASSERT_EQ(cookies.size(), 2u);
    EXPECT_EQ(cookies[0].back(), ';');
    EXPECT_EQ(board.get(form, cookies).status, 200);
    EXPECT_NE(board.get(form, cookies).body.find("<option value=\"chat_pf_2\">neko_writer\n"), std::string::npos);
    // Each cookie alone, or a forged one, does not do.
    EXPECT_EQ(board.get(form, {cookies[0]}).status, 302);
    EXPECT_EQ(board.get(form, {cookies[1]}).status, 302);
    EXPECT_EQ(board.get(form, {"Y=v=1&n=forged&p=m2;", cookies[1]}).status, 302);
    // The new-topic form, and a form for a message beyond the last.
    EXPECT_EQ(board.get(ep.postBase() + "bbs?action=r&sid=" + firstBoard().id + "&board=" + firstBoard().id, cookies)
                  .status,
              200);
    EXPECT_EQ(board.get(form.substr(0, form.size() - 1) + std::to_string(t.messageCount + 1), cookies).body.find(
                  "option value"),
              std::string::npos);

    const auto out = board.get(ep.loginBase() + "config/login?logout=1", cookies);
    EXPECT_EQ(out.status, 200);
    ASSERT_FALSE(out.headerLines.empty());
    EXPECT_EQ(out.headerLines[0].rfind("Set-Cookie: ", 0), 0u);
    EXPECT_EQ(board.get(form, cookies).status, 302);
    // A logout without cookies still answers with Set-Cookie lines.
    EXPECT_EQ(board.get(ep.loginBase() + "config/login?logout=1").headerLines.size(), 2u);
}

TEST_F(Service, Post_NeedsCookiesAValidIdentityAndText)
{
    const Topic &t = firstBoard().topics.front();
    const auto cookies = board.login();
    const std::string text = Sjis("本文です");
    const std::string subject = Sjis("題名");
    struct Case {
        const char *why;
        std::string url;
        std::vector<std::string> cookies;
    };
    const std::vector<Case> refused = {
        {"no cookies", replyQuery(t, "0", "chat_pf_1", text, subject), {}},
        {"identity 0", replyQuery(t, "0", "chat_pf_0", text, subject), cookies},
        {"identity 3 of 2", replyQuery(t, "0", "chat_pf_3", text, subject), cookies},
        {"identity text", replyQuery(t, "0", "chat_pf_1x", text, subject), cookies},
        {"empty text", replyQuery(t, "0", "chat_pf_1", "", subject), cookies},
        {"blank text", replyQuery(t, "0", "chat_pf_1", " \r\n" + Sjis("　"), subject), cookies},
        {"blank subject", replyQuery(t, "0", "chat_pf_1", text, Sjis("　 ")), cookies},
        {"text too long", replyQuery(t, "0", "chat_pf_1", std::string(kMaxPostText + 1, 'a'), subject), cookies},
        {"subject too long", replyQuery(t, "0", "chat_pf_1", text, std::string(kMaxPostSubject + 1, 'a')), cookies},
        {"beyond the last", replyQuery(t, std::to_string(t.messageCount + 1), "chat_pf_1", text, subject), cookies},
        {"unknown topic", ep.postBase() + "bbs?action=post&board=" + firstBoard().id + "&sid=" + firstBoard().id +
                              "&tid=nope&mid=0&identity=chat_pf_1&posting=a&Subject=b",
         cookies},
        {"unknown board", ep.postBase() + "bbs?action=post&board=1&sid=1&identity=chat_pf_1&posting=a&Subject=b", cookies},
        {"mid without tid", ep.postBase() + "bbs?action=post&board=" + firstBoard().id + "&sid=" + firstBoard().id +
                                "&mid=0&identity=chat_pf_1&posting=a&Subject=b",
         cookies},
        {"no posting", ep.postBase() + "bbs?action=post&board=" + firstBoard().id + "&sid=" + firstBoard().id +
                           "&identity=chat_pf_1&Subject=b",
         cookies},
    };
    for (const Case &c : refused) {
        const auto r = board.get(c.url, c.cookies);
        EXPECT_EQ(r.status, 200) << c.why;
        EXPECT_EQ(bstest::Board::location(r), "") << c.why;
    }
    EXPECT_EQ(board.store->messageCount(), 0u);
    EXPECT_EQ(board.service->topicSummary(firstBoard(), t.tid)->highest, t.messageCount);

    const auto ok = board.get(replyQuery(t, std::to_string(t.messageCount), "chat_pf_1", text, subject), cookies);
    EXPECT_EQ(ok.status, 302);
    EXPECT_EQ(bstest::Board::location(ok), MessageUrl(firstBoard().id, t.tid, t.messageCount + 1, ep));
}

TEST_F(Service, PostsAndNewTopics_SurviveARestart)
{
    const Board &b = firstBoard();
    const Topic &t = b.topics[2];
    auto cookies = board.login();
    ASSERT_EQ(board.get(replyQuery(t, "1", "chat_pf_1", Sjis("一つ目"), Sjis("件名")), cookies).status, 302);
    ASSERT_EQ(board.get(replyQuery(t, "0", "chat_pf_2", Sjis("二つ目"), Sjis("件名")), cookies).status, 302);
    const auto made = board.get(ep.postBase() + "bbs?action=post&board=" + b.id + "&sid=" + b.id +
                                    "&identity=chat_pf_1&posting=" + UrlEncode(Sjis("新規")) +
                                    "&Subject=" + UrlEncode(Sjis("新しいトピック")),
                                cookies);
    ASSERT_EQ(made.status, 302);
    const std::string newTopicUrl = bstest::Board::location(made);
    const auto before = board.service->topicSummaries(b);
    const std::string secondPage = board.get(MessageUrl(b.id, t.tid, t.messageCount + 2, ep)).body;

    board.reopen();
    EXPECT_EQ(board.store->messageCount(), 3u);
    const auto after = board.service->topicSummaries(b);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].tid, before[i].tid);
        EXPECT_EQ(after[i].highest, before[i].highest);
        EXPECT_EQ(after[i].title, before[i].title);
    }
    EXPECT_EQ(board.get(MessageUrl(b.id, t.tid, t.messageCount + 2, ep)).body, secondPage);
    EXPECT_NE(board.get(newTopicUrl).body, BuildMessageErrorPage(ep));
    // Sessions do not survive: the user logs in again.
    EXPECT_EQ(board.get(replyQuery(t, "0", "chat_pf_1", "x", "y"), cookies).status, 200);
    cookies = board.login();
    EXPECT_EQ(board.get(replyQuery(t, "0", "chat_pf_1", "x", "y"), cookies).status, 302);
}

TEST_F(Service, VariedMarkup_FollowsTheSeedAndThePathNotTheHost_AndLeavesOtherPagesPlain)
{
    bstest::Board varied;
    varied.markupSeed = 5;
    varied.reopen();
    const Board &b = firstBoard();
    const std::string root = ep.boardBase() + "index.html";
    for (const std::string &url : {root, TopicListUrl(b.id, ep), MessageUrl(b.id, b.topics.front().tid, 2, ep),
                                   MessageUrl(b.id, "nosuchtopic", 1, ep)}) {
        const std::string page = varied.get(url).body;
        EXPECT_NE(page, board.get(url).body) << url;
        EXPECT_EQ(varied.get(url).body, page) << url;
    }
    // A restart, or the page asked for as a plain path, gives the same bytes.
    const std::string page = varied.get(root).body;
    varied.reopen();
    EXPECT_EQ(varied.get(root).body, page);
    EXPECT_EQ(varied.get("/index.html").body, page);
    varied.markupSeed = 6;
    varied.reopen();
    EXPECT_NE(varied.get(root).body, page);

    // Pages that no parser reads keep their plain form.
    EXPECT_EQ(varied.get(ep.profileBase() + "taro").body, board.get(ep.profileBase() + "taro").body);
    EXPECT_EQ(varied.get(ep.loginBase() + "config/login?login=nekodemo&passwd=nekopass").body,
              board.get(ep.loginBase() + "config/login?login=nekodemo&passwd=nekopass").body);
}

TEST(PostText, PostedText_IsEscapedAndItsLineEndsBecomeBreaks)
{
    EXPECT_EQ(PostTextToPage("a\r\nb\rc\nd"), "a<br>b<br>c<br>d");
    EXPECT_EQ(PostTextToPage(">>12 & \"x\" <y>"), "&gt;&gt;12 &amp; &quot;x&quot; &lt;y&gt;");
    EXPECT_EQ(PostTextToPage(std::string("a\0b\x01\x7f\tc", 7)), "ab\tc");
    // A trail byte that looks like "\" or "@" stays inside its character.
    EXPECT_EQ(PostTextToPage(Sjis("表") + Sjis("ソ")), SjisToEuc(Sjis("表ソ")));
    EXPECT_EQ(PostSubjectToPage("a\r\nb"), "ab");
}

} // namespace

namespace {

// Mangled requests, made from the program's own by random edits, through the head parser,
// the target parser and the service: every one is answered with a status, none crashes.
TEST(Robustness, MangledRequests_AreAllAnswered)
{
    bstest::Board board;
    ASSERT_TRUE(board.opened);
    const auto cookies = board.login();
    const Board &b = board.data.boards().front();
    const Topic &t = b.topics.front();
    const Endpoints ep;
    const std::vector<std::string> seeds = {
        MessageUrl(b.id, t.tid, 3, ep),
        TopicListUrl(b.id, ep),
        ep.boardBase() + "index.html",
        ep.postBase() + "bbs?action=post&board=" + b.id + "&sid=" + b.id + "&tid=" + t.tid +
            "&mid=1&identity=chat_pf_1&posting=%82%a0%0d%0a%3e%3e1&Subject=Re%3a+x",
        ep.postBase() + "bbs?action=r&sid=" + b.id + "&board=" + b.id,
        ep.loginBase() + "config/login?login=nekodemo&passwd=nekopass",
        ep.loginBase() + "config/login?logout=1",
    };
    static const char kAlphabet[] = "&=?/%:@#.\\+ \r\n\t\x00\x80\xff\x8e\x8fHTTPGET0123456789abcdef";
    const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);
    Random random(2024);
    int answered = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string text = "GET " + seeds[random.below(seeds.size())] + " HTTP/1.0\r\nUser-Agent: Nekomado\r\n";
        if (random.percent(50))
            text += "Cookie: " + cookies[0] + " " + cookies[1] + "\r\n";
        text += "\r\n";
        const int edits = 1 + static_cast<int>(random.below(6));
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = random.below(text.size());
            switch (random.below(4)) {
            case 0:
                text[at] = alphabet[random.below(alphabet.size())];
                break;
            case 1:
                text.insert(at, 1, alphabet[random.below(alphabet.size())]);
                break;
            case 2:
                text.erase(at, 1 + random.below(8));
                break;
            default:
                text.insert(at, text.substr(random.below(text.size()), random.below(40)));
            }
            if (text.empty())
                text = "G";
        }
        HttpRequest request;
        std::size_t length = 0;
        if (ParseRequestHead(text, request, length) != HeadStatus::Complete)
            continue;
        const auto target = ParseRequestTarget(request.target);
        if (!target)
            continue;
        const HttpResponse response = board.service->handle(request, *target);
        EXPECT_GE(response.status, 200);
        EXPECT_LT(response.status, 600);
        ++answered;
    }
    EXPECT_GT(answered, 5000);
}

} // namespace
