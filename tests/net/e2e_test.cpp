// The whole road: pages fetched from the substitute board server through the proxy settings and
// parsed by the real plug-in, with the test thread as the main thread.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>

#include "boardserver/dataset.h"
#include "boardserver/options.h"
#include "boardserver/testing/serverprocess.h"
#include "net/endpoints.h"
#include "net/texts.h"
#include "plugin_api/loader.h"
#include "tests/net/mainthread.h"

using namespace net;
using namespace nettest;
using namespace std::chrono_literals;

namespace {

const char kBoardBase[] = "http://messages.yahoo.co.jp/";
const settings::EndpointSettings kEndpoints;

void *Hakobune()
{
    static void *module = plugin_api::LoadPlugin(NK_HAKOBUNE_PATH, 0);
    return module;
}

class EndToEnd : public ::testing::Test {
protected:
    void start(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.end(), {"--categories", "2", "--depth", "2", "--subcategories", "2", "--boards",
                                           "2", "--topics", "6", "--messages", "12", "--huge", "0", "--deleted", "0"});
        std::string error;
        ASSERT_TRUE(server.start(arguments, &error)) << error;
        boardserver::ProgramOptions options;
        ASSERT_EQ(boardserver::ParseCommandLine(arguments, options, &error), boardserver::CommandLine::Run) << error;
        dataset = std::make_unique<boardserver::Dataset>(options.dataset);
        ASSERT_NE(Hakobune(), nullptr);
        main.usePlugin(Hakobune());
        main.network.posttimeout = 300;
        main.useProxy(server.port(), 3000);
    }

    const boardserver::Board &listedBoard() const
    {
        for (const auto &board : dataset->boards())
            if (board.listed && !board.topics.empty())
                return board;
        return dataset->boards().front();
    }

    bool login(const std::string &id, const std::string &password)
    {
        std::string url = LoginUrl(kEndpoints.login, id, password);
        main.pipeline.EnqueueRequest(nullptr, url.c_str(), nullptr, nullptr, plugin_api::kLogin, 0, 0);
        EXPECT_TRUE(main.runUntilIdle());
        return main.pipeline.loggedIn();
    }

    boardserver::testing::ServerProcess server;
    std::unique_ptr<boardserver::Dataset> dataset;
    TestMainThread main;
};

} // namespace

TEST_F(EndToEnd, TopicListAndEveryMessageOfATopicArriveParsed)
{
    start({});
    const auto &board = listedBoard();
    std::string list = TopicListUrl(kBoardBase, board.id);
    main.pipeline.EnqueueRequest(main.plugin, list.c_str(), nullptr, nullptr, plugin_api::kTopicList, 0, 0);
    ASSERT_TRUE(main.runUntilIdle());
    auto lists = main.seen(NoticeCode::TopicListParsed);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0].url, list);
    std::set<std::string> expectedIds, ids(lists[0].names.begin(), lists[0].names.end());
    for (const auto &topic : board.topics)
        expectedIds.insert(topic.tid);
    EXPECT_EQ(ids, expectedIds);

    const auto &topic = board.topics.front();
    std::string key = MessageUrl(kBoardBase, board.id, topic.tid, 0);
    for (int mid = 1; mid <= topic.messageCount; ++mid) {
        std::string url = MessageUrl(kBoardBase, board.id, topic.tid, mid);
        main.pipeline.EnqueueRequest(main.plugin, url.c_str(), key.c_str(), nullptr, plugin_api::kMessagePage, 0, 0);
    }
    ASSERT_TRUE(main.runUntilIdle(30s));
    auto messages = main.seen(NoticeCode::MessageParsed);
    ASSERT_EQ(static_cast<int>(messages.size()), topic.messageCount);
    std::set<int> numbers;
    for (const SeenNotice &n : messages) {
        numbers.insert(n.message.number);
        EXPECT_EQ(n.message.lastNumber, topic.messageCount);
        EXPECT_EQ(n.key, key);
        EXPECT_EQ(n.url, MessageUrl(kBoardBase, board.id, topic.tid, n.message.number));
        EXPECT_NE(n.message.author[0], '\0');
    }
    EXPECT_EQ(static_cast<int>(numbers.size()), topic.messageCount);
    EXPECT_EQ(main.count(NoticeCode::RequestFailed), 0);
    EXPECT_EQ(main.panel1, kDoneText);
}

TEST_F(EndToEnd, DirectoryIsCrawledOnePageAtATime)
{
    start({});
    int categoryPages = 0;
    std::set<std::string> queued;
    main.onCategories = [&](const CategoryResult &result) {
        for (int i = 0; i < result.count; ++i) {
            const CategoryRecord &r = result.records[i];
            if (r.isCategory && queued.insert(r.url).second)
                main.pipeline.EnqueueRequest(result.plugin, r.url, nullptr, nullptr, plugin_api::kCategoryPage, 0, 0);
        }
    };
    ASSERT_EQ(main.pipeline.EnqueueRequest(main.plugin, nullptr, nullptr, nullptr, plugin_api::kCategoryPage, 0, 0), 1);
    main.pipeline.wakeCategoryQueue();
    ASSERT_TRUE(main.runUntil([&] { return main.crawlsFinished > 0 && main.idle(); }, 30s));
    for (const auto &category : dataset->categories())
        if (category.listed)
            ++categoryPages;
    EXPECT_EQ(main.count(NoticeCode::CategoryWorkerEnded), categoryPages);
    EXPECT_EQ(static_cast<int>(queued.size()) + 1, categoryPages);
    EXPECT_EQ(main.maxCategoryInFlight, 1);
    EXPECT_EQ(main.panel0, kCategoryFinishedText);
}

TEST_F(EndToEnd, LoggedInTheFormOffersTheNicknamesAndAReplyIsPosted)
{
    start({});
    ASSERT_TRUE(login("nekodemo", "nekopass"));
    EXPECT_EQ(main.panel0, kLoggedInText);
    EXPECT_EQ(main.pipeline.cookies().size(), 2u);

    const auto &board = listedBoard();
    const auto &topic = board.topics.front();
    std::string form = "http://post.messages.yahoo.co.jp/bbs?action=r&board=" + board.id + "&sid=" + board.id +
                       "&tid=" + topic.tid + "&mid=0";
    main.pipeline.EnqueueRequest(nullptr, form.c_str(), nullptr, nullptr, plugin_api::kPostForm, 0, 0);
    ASSERT_TRUE(main.runUntilIdle());
    auto forms = main.seen(NoticeCode::PostFormParsed);
    ASSERT_EQ(forms.size(), 1u);
    EXPECT_EQ(forms[0].names, (std::vector<std::string>{"nekodemo", "neko_writer"}));

    std::string query = "action=post&board=" + board.id + "&sid=" + board.id + "&tid=" + topic.tid +
                        "&mid=0&identity=chat_pf_2&posting=" + EscapeQueryValue(">>1\r\nhello from the tests") +
                        "&Subject=" + EscapeQueryValue("Re: tests");
    std::string post = PostUrl(kEndpoints.post);
    main.pipeline.EnqueueRequest(nullptr, post.c_str(), form.c_str(), query.c_str(), plugin_api::kPost, 0, 0);
    ASSERT_TRUE(main.runUntilIdle(20s));
    auto answers = main.seen(NoticeCode::PostAnswered);
    ASSERT_EQ(answers.size(), 1u);
    ASSERT_TRUE(answers[0].location.has_value());
    EXPECT_EQ(*answers[0].location, MessageUrl(kBoardBase, board.id, topic.tid, topic.messageCount + 1));
    EXPECT_EQ(answers[0].key, form);
    EXPECT_EQ(server.stat("posts"), 1);

    // The new message is there to be fetched.
    std::string url = *answers[0].location;
    main.pipeline.EnqueueRequest(main.plugin, url.c_str(), nullptr, nullptr, plugin_api::kMessagePage, 0, 0);
    ASSERT_TRUE(main.runUntilIdle());
    auto messages = main.seen(NoticeCode::MessageParsed);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].message.number, topic.messageCount + 1);
    EXPECT_STREQ(messages[0].message.author, "neko_writer");
}

TEST_F(EndToEnd, PasswordWithQuerySeparatorsLogsInAndAWrongOneDoesNot)
{
    start({"--account", "amp:p&ss#1=x:ampnick"});
    EXPECT_FALSE(login("amp", "p&ss"));
    EXPECT_EQ(main.panel0, kLoginFailedText);
    EXPECT_TRUE(login("amp", "p&ss#1=x"));
    EXPECT_EQ(main.panel0, kLoggedInText);
}

TEST_F(EndToEnd, PostFormWhileLoggedOutReportsNotLoggedIn)
{
    start({});
    const auto &board = listedBoard();
    std::string form = "http://post.messages.yahoo.co.jp/bbs?action=r&board=" + board.id + "&sid=" + board.id +
                       "&tid=" + board.topics.front().tid + "&mid=0";
    main.pipeline.EnqueueRequest(nullptr, form.c_str(), nullptr, nullptr, plugin_api::kPostForm, 0, 0);
    ASSERT_TRUE(main.runUntilIdle());
    EXPECT_EQ(main.count(NoticeCode::PostFormRedirected), 1);
    EXPECT_EQ(main.count(NoticeCode::PostFormEmpty), 1);
    EXPECT_EQ(main.panel0, kNotLoggedInText);
}

TEST_F(EndToEnd, SilentMessagePagesEndInTheFailureMessageAndTheRestArrives)
{
    start({"--fault", "silent@*mid=2"});
    main.network.retry = 1;
    main.useProxy(server.port(), 300);
    const auto &board = listedBoard();
    const auto &topic = board.topics.front();
    for (int mid = 1; mid <= 3; ++mid) {
        std::string url = MessageUrl(kBoardBase, board.id, topic.tid, mid);
        main.pipeline.EnqueueRequest(main.plugin, url.c_str(), nullptr, nullptr, plugin_api::kMessagePage, 0, 0);
    }
    ASSERT_TRUE(main.runUntilIdle(20s));
    EXPECT_EQ(main.count(NoticeCode::RequestFailed), 2);
    std::map<int, std::string> titles;
    for (const SeenNotice &n : main.seen(NoticeCode::MessageParsed))
        titles[n.message.number] = n.message.title;
    ASSERT_EQ(titles.size(), 3u);
    EXPECT_EQ(titles[2], kRetryErrorText);
    EXPECT_NE(titles[1], kRetryErrorText);
    EXPECT_NE(titles[3], kRetryErrorText);
    EXPECT_EQ(main.pipeline.runningCount(), 0u);
}
