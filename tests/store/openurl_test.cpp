// What OpenUrl opens for each kind of URL, mode and online state, and the tab lookup.
#include <gtest/gtest.h>

#include "store/boardurls.h"
#include "store/openurl.h"
#include "store/pageindex.h"

using store::OpenAction;
using store::OpenMode;
using Kind = store::OpenAction::Kind;

namespace {

const std::string kServer = "http://b/";

// Boards named by the category file: 77 "Foo@", 78 "Bar".
std::optional<std::string> boardName(std::string_view listUrl)
{
    if (listUrl == store::BoardListUrl(kServer, "77"))
        return "Foo@";
    if (listUrl == store::BoardListUrl(kServer, "78"))
        return "Bar";
    return std::nullopt;
}

OpenAction open(std::string_view url, int start, int end, OpenMode mode, bool local, bool online)
{
    return store::DecideOpenUrl(url, start, end, mode, local, online, kServer, boardName);
}

} // namespace

TEST(OpenUrl, BoardUrlsOpenTheBoardListOnlineOrFromTheLogs)
{
    // Any host, any parameter order: the board server's list URL is rebuilt from "board=".
    std::string url = "http://elsewhere/bbs?board=77&action=topics";
    OpenAction online = open(url, 0, 0, OpenMode::ActiveTab, false, true);
    EXPECT_EQ(online, (OpenAction{Kind::TopicListOnline, "http://b/bbs?action=topics&board=77&sid=77&type=r", "Foo", 0,
                                  0, true, -1}));
    EXPECT_EQ(open(url, 0, 0, OpenMode::NewTab, false, true).reuse, false);
    EXPECT_EQ(open(url, 0, 0, OpenMode::NewTab, true, true).kind, Kind::TopicListLocal);
    OpenAction offline = open(url, 0, 0, OpenMode::ActiveTab, false, false);
    EXPECT_EQ(offline.kind, Kind::TopicListLocal);
    EXPECT_EQ(offline.boardName, "Foo");

    // A board the category file does not name, or no board at all, opens nothing in any mode
    // but 2 (and never the browser).
    EXPECT_EQ(open("http://b/bbs?action=topics&board=99", 0, 0, OpenMode::ActiveTab, false, true).kind, Kind::Nothing);
    EXPECT_EQ(open("http://b/bbs?action=topics", 0, 0, OpenMode::ActiveTab, false, true).kind, Kind::Nothing);
    EXPECT_EQ(open("http://b/bbs?action=topics", 0, 0, OpenMode::NewTab, true, false).kind, Kind::Nothing);
}

TEST(OpenUrl, MessageUrlsOpenTheTopicByItsPageKeyWithTheRangeFromMid)
{
    std::string url = "http://b/bbs?action=m&board=78&sid=78&tid=T9&mid=7";
    std::string key = store::TopicMessageUrl(kServer, "78", "T9", "7");
    EXPECT_EQ(open(url, 0, 0, OpenMode::ActiveTab, false, true),
              (OpenAction{Kind::TopicOnline, key, "", 7, 7, true, -1}));
    // A row's open passes 1 and its post count, which stay.
    EXPECT_EQ(open(url, 1, 20, OpenMode::NewTab, false, true),
              (OpenAction{Kind::TopicOnline, key, "", 1, 20, false, -1}));
    EXPECT_EQ(open(url, 1, 0, OpenMode::NewTab, false, true).end, 7);

    EXPECT_EQ(open(url, 1, 20, OpenMode::ActiveTab, true, true),
              (OpenAction{Kind::TopicLocal, key, "", 0, 0, true, -1}));
    EXPECT_EQ(open(url, 0, 0, OpenMode::NewTab, false, false).kind, Kind::TopicLocal);

    // The page key keeps the mid text; a board missing from the category file still opens.
    EXPECT_EQ(open("http://x/bbs?action=m&board=5&tid=t&mid=07", 0, 0, OpenMode::ActiveTab, false, true).url,
              store::TopicMessageUrl(kServer, "5", "t", "07"));
    // A mid that is not a number gives no range online, but opens the log offline.
    EXPECT_EQ(open("http://b/bbs?action=m&board=5&tid=t&mid=x", 0, 0, OpenMode::ActiveTab, false, true).kind,
              Kind::Nothing);
    EXPECT_EQ(open("http://b/bbs?action=m&board=5&tid=t&mid=x", 1, 3, OpenMode::ActiveTab, false, true).kind,
              Kind::TopicOnline);
    EXPECT_EQ(open("http://b/bbs?action=m&board=5&tid=t&mid=x", 0, 0, OpenMode::ActiveTab, false, false).kind,
              Kind::TopicLocal);

    EXPECT_EQ(open("http://b/bbs?action=m&board=5&mid=1", 0, 0, OpenMode::ActiveTab, false, true).kind, Kind::Nothing);
    EXPECT_EQ(open("http://b/bbs?action=m&board=5&tid=1", 0, 0, OpenMode::ActiveTab, false, true).kind, Kind::Nothing);
    EXPECT_EQ(open("http://b/bbs?action=post&board=5&tid=1&mid=1", 0, 0, OpenMode::NewTab, false, true).kind,
              Kind::Nothing);
}

TEST(OpenUrl, BrowserModeAndOtherUrlsGoOutsideOnlyWhileOnline)
{
    std::string board = "http://b/bbs?action=topics&board=77";
    EXPECT_EQ(open(board, 0, 0, OpenMode::Browser, false, true),
              (OpenAction{Kind::External, board, "", 0, 0, false, -1}));
    EXPECT_EQ(open(board, 0, 0, OpenMode::Browser, false, false).kind, Kind::Nothing);
    EXPECT_EQ(open("http://example.com/page", 0, 0, OpenMode::ActiveTab, false, true).kind, Kind::External);
    EXPECT_EQ(open("http://example.com/page", 0, 0, OpenMode::NewTab, true, false).kind, Kind::Nothing);
    // Enter in the empty address box passes an empty text: not even the browser opens.
    EXPECT_EQ(open("", 0, 0, OpenMode::ActiveTab, false, true).kind, Kind::Nothing);
    EXPECT_EQ(open("", 0, 0, OpenMode::Browser, false, true).kind, Kind::Nothing);
    EXPECT_EQ(store::BoardCaption("a@@"), "a@");
}

TEST(FindPageIndex, MatchesByPluginAndTheKeyOfEachKind)
{
    int site, other;
    std::vector<store::PageRef> pages{{&other, "L", "K"}, {&site, "L2", ""}, {&site, "L", "K"}, {&site, "", "K2"}};
    EXPECT_EQ(store::FindPageIndex(pages, &site, "ignored", store::PageKind::Category), 1);
    EXPECT_EQ(store::FindPageIndex(pages, nullptr, "", store::PageKind::Category), -1);
    EXPECT_EQ(store::FindPageIndex(pages, &site, "L", store::PageKind::TopicList), 2);
    EXPECT_EQ(store::FindPageIndex(pages, &site, "l", store::PageKind::TopicList), -1);
    EXPECT_EQ(store::FindPageIndex(pages, &site, "K", store::PageKind::Topic), 2);
    // A topic tab without a list URL (an extraction) is never found.
    EXPECT_EQ(store::FindPageIndex(pages, &site, "K2", store::PageKind::Topic), -1);

    struct TopicListPage {
        void *site;
        std::string listUrl;
    };
    std::vector<TopicListPage> lists{{&other, "L"}, {&site, "L"}};
    EXPECT_EQ(store::FindPageIndexIn(lists, &site, "L", store::PageKind::TopicList), 1);
}
