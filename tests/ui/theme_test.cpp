// The light-or-dark decision, the first window's place and the zoom steps.
#include "ui/theme.h"

#include <gtest/gtest.h>

TEST(Theme, DarknessIsReadFromThePaletteAndFromWhatTheDesktopAsks)
{
    EXPECT_TRUE(ui::IsDark(ui::DarkPalette()));
    QPalette light;
    light.setColor(QPalette::Window, Qt::white);
    light.setColor(QPalette::WindowText, Qt::black);
    EXPECT_FALSE(ui::IsDark(light));

    EXPECT_TRUE(ui::DesktopAsksForDark(QStringLiteral("Adwaita:dark"), {}));
    EXPECT_TRUE(ui::DesktopAsksForDark({}, QStringLiteral("'prefer-dark'")));
    EXPECT_FALSE(ui::DesktopAsksForDark(QStringLiteral("Adwaita"), QStringLiteral("'default'")));
    EXPECT_FALSE(ui::DesktopAsksForDark(QStringLiteral("darkness"), QStringLiteral("'prefer-light'")));
}

TEST(Theme, TheFirstWindowTakesTwoThirdsOfTheFreeAreaCentred)
{
    EXPECT_EQ(ui::FirstWindowGeometry(QRect(0, 0, 1920, 1080)), QRect(320, 180, 1280, 720));
    // A panel on the left of the screen moves the free area.
    EXPECT_EQ(ui::FirstWindowGeometry(QRect(60, 0, 1500, 900)), QRect(310, 150, 1000, 600));
}

TEST(Theme, ListColumnsFitTheirContentAndTheTitleTakesTheRest)
{
    const std::array<int, 8> content = {20, 40, 900, 50, 50, 50, 130, 90};
    std::array<int, 8> fitted = ui::FitListColumns(content, 1200);
    EXPECT_EQ(fitted[2], 1200 - (20 + 40 + 50 + 50 + 50 + 130 + 90));
    EXPECT_EQ(fitted[6], 130) << "the date column is never cut";
    // A narrow list keeps the title readable and lets the view scroll.
    fitted = ui::FitListColumns(content, 300);
    EXPECT_EQ(fitted[2], 200);
    EXPECT_EQ(fitted[7], 90);
}

TEST(Theme, ZoomMovesByStepsAndStaysInRange)
{
    EXPECT_EQ(ui::NextZoom(100, 1), 110);
    EXPECT_EQ(ui::NextZoom(100, -1), 90);
    EXPECT_EQ(ui::NextZoom(300, 1), 300);
    EXPECT_EQ(ui::NextZoom(30, -1), 30);
    EXPECT_EQ(ui::NextZoom(105, 1), 110) << "a value between steps goes to its neighbour";
    EXPECT_EQ(ui::NextZoom(105, -1), 100);
    EXPECT_EQ(ui::SanitizedZoom(150), 150);
    EXPECT_EQ(ui::SanitizedZoom(0), 100);
    EXPECT_EQ(ui::SanitizedZoom(-40), 100);
    EXPECT_EQ(ui::SanitizedZoom(100000), 100);
}
