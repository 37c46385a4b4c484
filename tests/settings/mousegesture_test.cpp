// The gesture recogniser and the bindings file.
#include "base/textfile.h"
#include "settings/gesturebindings.h"
#include "settings/mousegesture.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using settings::MouseMessage;
using settings::TgMouseGesture;
using settings::TMouseGestureType;
using Kind = settings::MouseMessage::Kind;

namespace {

const std::string kUp = "\x81\xaa", kDown = "\x81\xab", kLeft = "\x81\xa9", kRight = "\x81\xa8";

/// A recogniser that records what it raises.
struct Recorder {
    Recorder()
    {
        g.OnMouseGestureExecute = [this](const settings::TMouseGestureArray &a) {
            executed.push_back(settings::MouseGestureArrayToString(a));
        };
        g.OnMouseGestureNotifyMove = [this](const settings::TMouseGestureArray &a) {
            shown.push_back(settings::MouseGestureArrayToString(a));
        };
    }
    bool send(Kind kind, int x, int y, unsigned keys, int delta = 0, int side = 1)
    {
        return g.DoMouseGesture(MouseMessage{kind, x, y, keys, delta, side});
    }
    void press(int x = 100, int y = 100) { send(Kind::RightDown, x, y, MouseMessage::Right); }
    bool move(int x, int y, unsigned keys = MouseMessage::Right) { return send(Kind::Move, x, y, keys); }
    bool release(int x = 0, int y = 0, unsigned keys = 0) { return send(Kind::RightUp, x, y, keys); }

    TgMouseGesture g;
    std::vector<std::string> executed;
    std::vector<std::string> shown;
};

TEST(MouseGestureText, EveryKindHasItsStoredText)
{
    using T = TMouseGestureType;
    const std::pair<T, std::string> expected[] = {{T::mgUp, kUp},
                                                  {T::mgDown, kDown},
                                                  {T::mgLeft, kLeft},
                                                  {T::mgRight, kRight},
                                                  {T::mgLeftClick, "LeftClick"},
                                                  {T::mgWheelClick, "WheelClick"},
                                                  {T::mgWheelUp, "WheelUp"},
                                                  {T::mgWheelDown, "WheelDown"},
                                                  {T::mgSide1, "Side1"},
                                                  {T::mgSide2, "Side2"},
                                                  {T::mgSide1R, "Side1R"},
                                                  {T::mgSide2R, "Side2R"}};
    for (auto &[type, text] : expected)
        EXPECT_EQ(settings::MouseGestureToString(type), text);
    EXPECT_EQ(settings::MouseGestureArrayToString({T::mgDown, T::mgRight, T::mgUp}), kDown + kRight + kUp);
    // A named element after others starts a new line; alone it is the key as it stands.
    EXPECT_EQ(settings::MouseGestureArrayToString({T::mgDown, T::mgWheelUp}), kDown + "\r\nWheelUp");
    EXPECT_EQ(settings::MouseGestureArrayToString({T::mgSide2R}), "Side2R");
    EXPECT_EQ(settings::MouseGestureArrayToString({}), "");
}

TEST(MouseGestureMoves, TheMarginOfFivePixelsMustBeExceeded)
{
    Recorder r;
    r.press(100, 100);
    EXPECT_TRUE(r.move(105, 100)) << "moves while drawing never reach the window";
    EXPECT_TRUE(r.g.current().empty());
    EXPECT_TRUE(r.move(106, 100));
    EXPECT_EQ(settings::MouseGestureArrayToString(r.g.current()), kRight);
}

TEST(MouseGestureMoves, SlowMovementAccumulatesFromTheLastRecordedPoint)
{
    Recorder r;
    r.press(0, 0);
    for (int y = 1; y <= 12; ++y)
        r.move(0, y);
    EXPECT_EQ(settings::MouseGestureArrayToString(r.g.current()), kDown);
}

TEST(MouseGestureMoves, NoDirectionRepeatsItsPredecessor)
{
    Recorder r;
    r.press(0, 0);
    r.move(10, 0);
    r.move(20, 0);
    r.move(30, 0);
    EXPECT_EQ(settings::MouseGestureArrayToString(r.g.current()), kRight);
    EXPECT_EQ(r.shown.size(), 1u) << "the status shows only when the gesture grew";
    r.move(30, 10);
    r.move(40, 10);
    EXPECT_EQ(settings::MouseGestureArrayToString(r.g.current()), kRight + kDown + kRight);
    EXPECT_EQ(r.shown.back(), kRight + kDown + kRight);
}

TEST(MouseGestureMoves, ExactDiagonalsAreHorizontalAndSteeperOnesVertical)
{
    Recorder a;
    a.press(50, 50);
    a.move(60, 60);
    EXPECT_EQ(settings::MouseGestureArrayToString(a.g.current()), kRight);
    Recorder b;
    b.press(50, 50);
    b.move(59, 60);
    EXPECT_EQ(settings::MouseGestureArrayToString(b.g.current()), kDown);
    Recorder c;
    c.press(50, 50);
    c.move(40, 40);
    EXPECT_EQ(settings::MouseGestureArrayToString(c.g.current()), kLeft);
    Recorder d;
    d.press(50, 50);
    d.move(45, 30);
    EXPECT_EQ(settings::MouseGestureArrayToString(d.g.current()), kUp);
}

TEST(MouseGestureRelease, ADrawnGestureRunsAndKeepsTheContextMenuAway)
{
    Recorder r;
    r.press();
    r.move(100, 120);
    r.move(100, 100);
    EXPECT_TRUE(r.release());
    ASSERT_EQ(r.executed.size(), 1u);
    EXPECT_EQ(r.executed[0], kDown + kUp);
}

TEST(MouseGestureRelease, AReleaseWithoutMovementPassesOnForTheContextMenu)
{
    Recorder r;
    r.press();
    EXPECT_TRUE(r.move(103, 102)) << "within the margin, yet kept from the window";
    EXPECT_FALSE(r.release());
    EXPECT_TRUE(r.executed.empty());
}

TEST(MouseGestureRelease, CtrlOrShiftHeldCancelTheGesture)
{
    for (unsigned modifier : {unsigned(MouseMessage::Ctrl), unsigned(MouseMessage::Shift)}) {
        Recorder r;
        r.press();
        EXPECT_FALSE(r.move(100, 150, MouseMessage::Right | modifier)) << "a move with a modifier reaches the window";
        EXPECT_TRUE(r.g.current().empty());
        // Drawn first, then released with the modifier held: the window gets the release.
        r.move(100, 200);
        EXPECT_FALSE(r.release(0, 0, modifier));
        EXPECT_TRUE(r.executed.empty());
    }
}

TEST(MouseGestureRelease, EachPressStartsAFreshGesture)
{
    Recorder r;
    r.press();
    r.move(200, 100);
    r.release();
    r.press();
    r.move(100, 200);
    r.release();
    ASSERT_EQ(r.executed.size(), 2u);
    EXPECT_EQ(r.executed[1], kDown);
}

TEST(MouseGestureButtons, LeftAndMiddleClicksRunWhileTheRightButtonIsHeld)
{
    Recorder r;
    r.press();
    EXPECT_TRUE(r.send(Kind::LeftDown, 0, 0, MouseMessage::Left | MouseMessage::Right));
    EXPECT_TRUE(r.g.extraButtonPending());
    EXPECT_TRUE(r.send(Kind::LeftUp, 0, 0, MouseMessage::Right));
    EXPECT_TRUE(r.send(Kind::MiddleDown, 0, 0, MouseMessage::Middle | MouseMessage::Right));
    EXPECT_TRUE(r.send(Kind::MiddleUp, 0, 0, MouseMessage::Right));
    EXPECT_EQ(r.executed, (std::vector<std::string>{"LeftClick", "WheelClick"}));
    // Without the right button, clicks are the window's.
    Recorder plain;
    EXPECT_FALSE(plain.send(Kind::LeftDown, 0, 0, MouseMessage::Left));
    EXPECT_FALSE(plain.send(Kind::LeftUp, 0, 0, 0));
    EXPECT_FALSE(plain.send(Kind::MiddleDown, 0, 0, MouseMessage::Middle | MouseMessage::Ctrl));
    EXPECT_TRUE(plain.executed.empty());
}

TEST(MouseGestureButtons, ClickEventsLeaveTheDrawnDirectionsToRunOnRelease)
{
    Recorder r;
    r.press();
    r.move(100, 130);
    r.send(Kind::LeftDown, 0, 0, MouseMessage::Left | MouseMessage::Right);
    r.send(Kind::LeftUp, 0, 0, MouseMessage::Right);
    EXPECT_TRUE(r.release());
    EXPECT_EQ(r.executed, (std::vector<std::string>{"LeftClick", kDown}));
}

TEST(MouseGestureButtons, TheWheelTurnsWhileTheRightButtonIsHeld)
{
    Recorder r;
    r.press();
    EXPECT_TRUE(r.send(Kind::Wheel, 0, 0, MouseMessage::Right, -120));
    EXPECT_TRUE(r.send(Kind::Wheel, 0, 0, MouseMessage::Right, 120));
    EXPECT_FALSE(r.send(Kind::Wheel, 0, 0, 0, 120)) << "a plain turn scrolls";
    EXPECT_FALSE(r.send(Kind::Wheel, 0, 0, MouseMessage::Right | MouseMessage::Ctrl, 120));
    EXPECT_EQ(r.executed, (std::vector<std::string>{"WheelDown", "WheelUp"}));
}

TEST(MouseGestureButtons, SideButtonsWithAndWithoutTheRightButton)
{
    Recorder r;
    EXPECT_FALSE(r.send(Kind::SideDown, 0, 0, MouseMessage::Side1, 0, 1)) << "alone, the press reaches the window";
    EXPECT_TRUE(r.send(Kind::SideUp, 0, 0, 0, 0, 1));
    EXPECT_FALSE(r.send(Kind::SideDown, 0, 0, MouseMessage::Side2, 0, 2));
    EXPECT_TRUE(r.send(Kind::SideUp, 0, 0, 0, 0, 2));
    r.press();
    EXPECT_TRUE(r.send(Kind::SideDown, 0, 0, MouseMessage::Side1 | MouseMessage::Right, 0, 1));
    EXPECT_TRUE(r.send(Kind::SideUp, 0, 0, MouseMessage::Right, 0, 1));
    EXPECT_TRUE(r.send(Kind::SideDown, 0, 0, MouseMessage::Side2 | MouseMessage::Right, 0, 2));
    EXPECT_TRUE(r.send(Kind::SideUp, 0, 0, MouseMessage::Right, 0, 2));
    EXPECT_EQ(r.executed, (std::vector<std::string>{"Side1", "Side2", "Side1R", "Side2R"}));
    EXPECT_FALSE(r.send(Kind::SideUp, 0, 0, 0, 0, 1)) << "a release without its press is the window's";
}

TEST(MouseGestureButtons, TheRightButtonReleaseClearsAPendingExtraButton)
{
    Recorder r;
    r.press();
    r.send(Kind::LeftDown, 0, 0, MouseMessage::Left | MouseMessage::Right);
    r.release(0, 0, MouseMessage::Left);
    EXPECT_FALSE(r.g.extraButtonPending());
    EXPECT_FALSE(r.send(Kind::LeftUp, 0, 0, 0));
    EXPECT_TRUE(r.executed.empty());
}

TEST(MouseGestureButtons, ADisabledRecogniserLetsEverythingPass)
{
    Recorder r;
    r.g.Enabled = false;
    r.press();
    EXPECT_FALSE(r.move(200, 100));
    EXPECT_FALSE(r.send(Kind::Wheel, 0, 0, MouseMessage::Right, 120));
    EXPECT_FALSE(r.release());
    EXPECT_TRUE(r.executed.empty());
}

TEST(GestureBindings, TheBindingWithoutPlaceMarkWinsOverThePlaces)
{
    const std::string list = settings::kPlaceTopicList;
    auto ini = settings::IniFile::Parse("[gesture]\r\n" + kDown + "=ThrReload\r\n" + list + kDown +
                                        "=ThrLstReload\r\n" + list + kRight + "=ThrLstActiveClose\r\n" + kUp + "=\r\n" +
                                        std::string(settings::kPlaceTopic) + kUp +
                                        "=ThrMsgPrev\r\n"
                                        "Side2R=ThrMsgNext\r\n");
    EXPECT_EQ(settings::LookUpGesture(ini, list, kDown), "ThrReload");
    EXPECT_EQ(settings::LookUpGesture(ini, list, kRight), "ThrLstActiveClose");
    EXPECT_EQ(settings::LookUpGesture(ini, "", kRight), std::nullopt);
    EXPECT_EQ(settings::LookUpGesture(ini, settings::kPlaceTopic, kUp), "ThrMsgPrev") << "an empty value is none";
    EXPECT_EQ(settings::LookUpGesture(ini, settings::kPlaceCategory, "Side2R"), "ThrMsgNext");
    EXPECT_EQ(settings::LookUpGesture(settings::IniFile(), "", kDown), std::nullopt);

    // Written by hand with blanks around the name; blanks alone are no name.
    auto spaced = settings::IniFile::Parse("[gesture]\r\n" + kDown + " = ThrReload \r\n" + kUp + "= \t\r\n" + list +
                                           kUp + "=ThrLstReload\r\n");
    EXPECT_EQ(settings::LookUpGesture(spaced, list, kDown), "ThrReload");
    EXPECT_EQ(settings::LookUpGesture(spaced, list, kUp), "ThrLstReload");
}

TEST(GestureBindings, WritingReplacesTheFileWholeAndReadsBackInOrder)
{
    std::string tmpl = (fs::temp_directory_path() / "nk-mouse-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    const std::string path = tmpl + "/mouse.ini";
    ASSERT_TRUE(base::WriteFileAtomic(path, "[gesture]\r\nWheelUp=Old\r\n[other]\r\nx=1\r\n"));
    std::vector<settings::GestureBinding> rows = {{std::string(settings::kPlaceTopic) + kDown + kUp, "ThrReload"},
                                                  {"WheelDown", "ThrMsgNext"}};
    ASSERT_TRUE(settings::WriteGestureBindings(path, rows));
    auto read = settings::ReadGestureBindings(settings::IniFile::Load(path));
    EXPECT_EQ(read, rows);
    EXPECT_EQ(*base::ReadFile(path), "[gesture]\r\n\x81\xa2\x81\xab\x81\xaa=ThrReload\r\nWheelDown=ThrMsgNext\r\n");
    // A file in a missing directory cannot be written: the write says so.
    EXPECT_FALSE(settings::WriteGestureBindings(tmpl + "/missing/mouse.ini", rows));
    fs::remove_all(tmpl);
}

} // namespace
