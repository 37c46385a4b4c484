// Test helpers for the topic store: a board that answers message requests from memory, a host
// that keeps the queued requests, and a temporary log directory.
#pragma once

#include <cstring>
#include <deque>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <stdlib.h>
#include <string>

#include "base/text.h"
#include "store/topicfetch.h"
#include "store/topicopen.h"

namespace topictest {

inline constexpr const char kBase[] = "http://messages.example.jp/";
inline constexpr const char kBoard[] = "b0001";
inline constexpr const char kTopic[] = "t77";

/// The page key of message mid of the test topic.
inline std::string Key(int mid = 1)
{
    return std::string(kBase) + "bbs?action=m&board=" + kBoard + "&sid=" + kBoard + "&tid=" + kTopic +
           "&mid=" + std::to_string(mid);
}

template <std::size_t N> void Put(char (&field)[N], const std::string &text)
{
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

/// A topic of `posts` messages; the numbers in `unreadable` come back as the error message
/// (date "0000/00/00 00:00") while their request's re-fetch count is below `unreadableUntil`.
struct FakeBoard {
    int posts = 5;
    std::set<int> unreadable;
    int unreadableUntil = 1000;
    std::size_t bodyBytes = 0; ///< extra body text per message

    static std::string TitleOf(int n) { return n == 1 ? "Topic \x8e\xe6\x93\xbe" : "Re: " + std::to_string(n); }
    std::string BodyOf(int n) const
    {
        std::string body = "text " + std::to_string(n) + "<br>\x93\xfa\x96\x7b &gt;&gt;1";
        body.append(bodyBytes, 'x');
        return body;
    }

    MessageRecord Make(int number, int refetch) const
    {
        MessageRecord m{};
        m.number = number;
        m.lastNumber = posts;
        if (unreadable.count(number) && refetch < unreadableUntil) {
            Put(m.author, "Yahoo");
            Put(m.title, "error");
            Put(m.text, "not found");
            Put(m.date, "0000/00/00");
            Put(m.time, "00:00");
            m.lastNumber = number;
            return m;
        }
        m.replyTo = number > 1 ? number - 1 : 0;
        Put(m.author, "author" + std::to_string(number % 7));
        Put(m.title, TitleOf(number));
        Put(m.text, BodyOf(number));
        Put(m.date, "2004/05/06");
        Put(m.time, "07:08");
        return m;
    }

    /// The log line the merge writes for message n.
    std::string LineOf(int n) const
    {
        return std::to_string(n) + "\t" + std::to_string(n > 1 ? n - 1 : 0) + "\t2004/05/06 07:08\tauthor" +
               std::to_string(n % 7) + "\t" + TitleOf(n) + "\t" + BodyOf(n);
    }
};

struct Request {
    std::string url;
    std::string key;
    int refetch = 0;
};

class FakeHost : public store::TopicHost {
public:
    std::deque<Request> queue;
    std::string boardDir; ///< empty: the board does not resolve
    bool refuse = false;  ///< every enqueue fails
    int resolves = 0;

    bool enqueueMessage(const std::string &url, const std::string &key) override
    {
        if (refuse)
            return false;
        queue.push_back({url, key, 0});
        return true;
    }
    std::optional<std::string> resolveBoardDir(const std::string &listUrl) override
    {
        ++resolves;
        EXPECT_EQ(listUrl, std::string(kBase) + "bbs?action=topics&board=" + kBoard + "&sid=" + kBoard + "&type=r");
        if (boardDir.empty())
            return std::nullopt;
        return boardDir;
    }

    /// The mid of every queued request, in queue order.
    std::vector<int> QueuedNumbers() const
    {
        std::vector<int> out;
        for (const Request &r : queue)
            out.push_back(base::ParseInt(base::ExtractUrlParam("mid=", r.url).value_or(""), -1));
        return out;
    }
};

/// Delivers queued requests one at a time (from the front, or from the back with lastFirst) to
/// MergeMessage, re-queueing rejected ones with a raised re-fetch count, until the queue is empty.
/// Returns the outcome of the last merge.
inline store::MessageMergeOutcome Serve(store::TopicState &topic, FakeHost &host, const FakeBoard &board,
                                 const store::FetchOptions &options, bool lastFirst = false, int maxCount = 1 << 30)
{
    store::MessageMergeOutcome last;
    for (int served = 0; !host.queue.empty() && served < maxCount; ++served) {
        Request r = lastFirst ? host.queue.back() : host.queue.front();
        lastFirst ? host.queue.pop_back() : host.queue.pop_front();
        EXPECT_EQ(r.key, topic.topicUrl);
        const int number = base::ParseInt(base::ExtractUrlParam("mid=", r.url).value_or(""), -1);
        const MessageRecord record = board.Make(number, r.refetch);
        last = store::MergeMessage(topic, record, r.refetch, options, host);
        if (last.answer == store::MergeAnswer::Requeue)
            host.queue.push_back({r.url, r.key, r.refetch + 1});
    }
    return last;
}

inline store::FetchOptions Options(int limit = -1, bool dlNew = false, int msgview = 100)
{
    store::FetchOptions o;
    o.boardBase = kBase;
    o.limit = limit;
    o.dlNew = dlNew;
    o.msgview = msgview;
    o.resretry = 1;
    return o;
}

/// Opens the test topic online for the range, as the window does.
inline bool OpenOnline(store::TopicState &topic, FakeHost &host, const store::FetchOptions &options, int first,
                       int last, int mid = 1)
{
    std::optional<store::OnlineOpening> opening = store::OpenTopicOnline(Key(mid), options, host);
    if (!opening)
        return false;
    store::BeginOnlineFetch(topic, std::move(*opening), first, last, options, host);
    return true;
}

class TempDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "nk-topics-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        m_dir = tmpl;
        m_host.boardDir = m_dir + "/board";
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string LogPath() const { return m_host.boardDir + "/" + kTopic + ".dat"; }
    std::string IndexPath() const { return m_host.boardDir + "/" + kTopic + ".log"; }

    std::string m_dir;
    FakeHost m_host;
    FakeBoard m_board;
    store::TopicState m_topic;
};

} // namespace topictest
