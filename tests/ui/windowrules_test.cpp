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

TEST(FetchProgress, ShowsTheRunningRequestsWithinThreadMax)
{
    EXPECT_EQ(ui::ProgressFor(2, 5), (ui::ProgressShown{5, 2}));
    // thread_max lowered while more requests ran: never past its end, never below 0.
    EXPECT_EQ(ui::ProgressFor(9, 5), (ui::ProgressShown{5, 5}));
    EXPECT_EQ(ui::ProgressFor(-1, -3), (ui::ProgressShown{0, 0}));
}

TEST(FileDialogFilter, CaptionsThatNameTheirPatternsAreNotNamedTwice)
{
    EXPECT_EQ(ui::FileDialogFilter(QString::fromUtf8("プラグイン(*.so)|*.so|すべて(*)|*")),
              QString::fromUtf8("プラグイン(*.so);;すべて(*)"));
    EXPECT_EQ(ui::FileDialogFilter(QStringLiteral("Logs|*.dat *.log|odd|")), QStringLiteral("Logs (*.dat *.log);;odd ()"));
    EXPECT_EQ(ui::FileDialogFilter(QStringLiteral("caption without patterns")), QString());
}
