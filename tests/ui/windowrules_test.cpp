// The address box's rules and the progress bar's range, without a display.
#include <gtest/gtest.h>

#include "ui/addressbox.h"
#include "ui/fetchprogress.h"
#include "ui/settingdlg.h"

using store::OpenMode;

TEST(AddressBox, ShowsAListsAddressAndNothingForSpecialLists)
{
    const std::string list = "http://b/bbs?action=topics&board=1&sid=1&type=r";
    EXPECT_EQ(ui::AddressOfList(list), list);
    EXPECT_EQ(ui::AddressOfList(":Favorite"), "");
    EXPECT_EQ(ui::AddressOfList(":Tree"), "");
    EXPECT_EQ(ui::AddressOfList(""), "");
}

TEST(AddressBox, TakesBoardsTopicsAndWebAddressesAndRefusesTheRest)
{
    for (OpenMode mode : {OpenMode::ActiveTab, OpenMode::NewTab}) {
        EXPECT_TRUE(ui::AddressAccepted("http://b/bbs?action=topics&board=1&sid=1&type=r", mode));
        EXPECT_TRUE(ui::AddressAccepted("http://b/bbs?action=m&board=1&sid=1&tid=2&mid=3", mode));
        EXPECT_TRUE(ui::AddressAccepted("bbs?action=m&board=1&sid=1&tid=2&mid=3", mode)) << "OpenUrl reads the ids";
        EXPECT_TRUE(ui::AddressAccepted("HTTPS://example.jp/", mode));
        EXPECT_FALSE(ui::AddressAccepted("example.jp", mode));
        EXPECT_FALSE(ui::AddressAccepted("ftp://example.jp/", mode));
        EXPECT_FALSE(ui::AddressAccepted("file:///etc/passwd", mode));
        EXPECT_FALSE(ui::AddressAccepted("http://", mode)) << "no host";
        EXPECT_FALSE(ui::AddressAccepted("-p now", mode));
    }
    // The browser is given web addresses only: never an option or a local file.
    EXPECT_TRUE(ui::AddressAccepted("http://example.jp/", OpenMode::Browser));
    EXPECT_FALSE(ui::AddressAccepted("bbs?action=m&board=1", OpenMode::Browser));
    EXPECT_FALSE(ui::AddressAccepted("--help", OpenMode::Browser));
    // Empty input goes on to OpenUrl, which does nothing with it.
    EXPECT_TRUE(ui::AddressAccepted("", OpenMode::ActiveTab));
}

TEST(FetchProgress, MeasuresTheActiveFetchAndOtherwiseTheRunningRequests)
{
    store::TopicState fetch;
    fetch.rangeFirst = 1;
    fetch.rangeLast = 57;
    fetch.received = 23;
    // 5 requests run at once (thread_max 5), but the fetch is not half done.
    EXPECT_EQ(ui::ProgressFor(5, 5, &fetch), (ui::ProgressShown{57, 23}));
    fetch.rangeFirst = 40;
    fetch.rangeLast = 49;
    fetch.received = 3;
    EXPECT_EQ(ui::ProgressFor(5, 5, &fetch), (ui::ProgressShown{10, 3}));

    fetch.received = 10; // done: the bar goes back to the running requests
    EXPECT_EQ(ui::ProgressFor(2, 5, &fetch), (ui::ProgressShown{5, 2}));
    EXPECT_EQ(ui::ProgressFor(2, 5, nullptr), (ui::ProgressShown{5, 2}));
    store::TopicState local; // opened from its log: range 0 to 0, nothing received
    EXPECT_EQ(ui::ProgressFor(2, 5, &local), (ui::ProgressShown{5, 2}));
    // Never past its end, never below 0.
    EXPECT_EQ(ui::ProgressFor(9, 5, nullptr), (ui::ProgressShown{5, 5}));
    EXPECT_EQ(ui::ProgressFor(-1, -3, nullptr), (ui::ProgressShown{0, 0}));
}

TEST(FileDialogFilter, CaptionsThatNameTheirPatternsAreNotNamedTwice)
{
    EXPECT_EQ(ui::FileDialogFilter(QString::fromUtf8("プラグイン(*.so)|*.so|すべて(*)|*")),
              QString::fromUtf8("プラグイン(*.so);;すべて(*)"));
    EXPECT_EQ(ui::FileDialogFilter(QStringLiteral("Logs|*.dat *.log|odd|")), QStringLiteral("Logs (*.dat *.log);;odd ()"));
    EXPECT_EQ(ui::FileDialogFilter(QStringLiteral("caption without patterns")), QString());
}
