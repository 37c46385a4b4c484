#include "ui/panelayout.h"

#include <gtest/gtest.h>

#include "ui/tablist.h"

namespace {

using ui::RightPane;

/// A right side that records what the arranger asked for.
class FakeHost : public ui::PaneLayoutHost {
public:
    bool visible[2] = {true, true};
    int width = 300, height = 169; ///< the topic-list pane's extent in each arrangement
    bool sideBySide = false;
    int layOuts = 0;

    bool isVisible(RightPane p) const override { return visible[static_cast<int>(p)]; }
    void setVisible(RightPane p, bool v) override { visible[static_cast<int>(p)] = v; }
    int topicListExtent(bool side) const override { return side ? width : height; }
    void layOut(bool side, int extent) override
    {
        ++layOuts;
        sideBySide = side;
        if (extent >= 0 && visible[0] && visible[1])
            (side ? width : height) = extent;
    }
};

TEST(PaneArranger, HidingTheLastRightPaneShowsTheOtherWithoutOverwritingTheRememberedSize)
{
    FakeHost host;
    ui::PaneArranger arranger(host);
    arranger.toggle(RightPane::Topic); // hide topics: remembers the list's height 169
    EXPECT_EQ(arranger.paneHeight(), 169);
    host.height = 400; // the list now fills the right side
    arranger.toggle(RightPane::TopicList); // hiding the list too must bring the topics back
    EXPECT_TRUE(host.visible[static_cast<int>(RightPane::Topic)]);
    EXPECT_FALSE(host.visible[static_cast<int>(RightPane::TopicList)]);
    EXPECT_EQ(arranger.paneHeight(), 169) << "the forced change does not overwrite the remembered size";

    FakeHost other;
    ui::PaneArranger reverse(other);
    reverse.toggle(RightPane::TopicList);
    other.height = 0;
    reverse.toggle(RightPane::Topic); // forced: shows the list again
    EXPECT_TRUE(other.visible[static_cast<int>(RightPane::TopicList)]);
    EXPECT_FALSE(other.visible[static_cast<int>(RightPane::Topic)]);
    EXPECT_EQ(reverse.paneHeight(), 169);
}

TEST(PaneArranger, ShowingAPaneAgainRestoresTheRememberedExtent)
{
    FakeHost host;
    ui::PaneArranger arranger(host);
    arranger.toggle(RightPane::Topic);
    host.height = 500;
    arranger.toggle(RightPane::Topic);
    EXPECT_EQ(host.height, 169);

    arranger.setTypeVisible(true);
    host.width = 250;
    arranger.toggle(RightPane::Topic);
    EXPECT_EQ(arranger.paneWidth(), 250);
    EXPECT_EQ(arranger.paneHeight(), 169) << "each arrangement remembers its own extent";
    host.width = 700;
    arranger.toggle(RightPane::Topic);
    EXPECT_EQ(host.width, 250);
    EXPECT_TRUE(host.sideBySide);
}

TEST(PaneArranger, SwitchingWithOnePaneHiddenOnlyChangesTheNextShowing)
{
    FakeHost host;
    ui::PaneArranger arranger(host);
    arranger.toggle(RightPane::Topic);
    int before = host.layOuts;
    arranger.switchArrangement();
    EXPECT_EQ(host.layOuts, before) << "nothing changes on screen";
    EXPECT_TRUE(arranger.typeVisible());
    arranger.toggle(RightPane::Topic);
    EXPECT_TRUE(host.sideBySide) << "the showing uses the new arrangement";
    EXPECT_EQ(arranger.paneWidth(), 0);
    EXPECT_EQ(host.width, 300) << "nothing remembered: the pane keeps the extent it had, never 0";

    arranger.switchArrangement();
    EXPECT_FALSE(host.sideBySide) << "both visible: switched on screen";
    EXPECT_FALSE(arranger.typeVisible());
}

TEST(TabStrip, DroppingTabFourOnTabOneGivesFourOneTwoThree)
{
    std::vector<int> records = {1, 2, 3, 4};
    auto move = ui::TabDropMove(3, 0, 4);
    ASSERT_TRUE(move);
    ui::MoveElement(records, move->first, move->second);
    EXPECT_EQ(records, (std::vector<int>{4, 1, 2, 3}));

    EXPECT_FALSE(ui::TabDropMove(2, 2, 4)) << "on itself";
    EXPECT_FALSE(ui::TabDropMove(2, -1, 4)) << "beyond the last tab";
    ui::MoveElement(records, 0, 2);
    EXPECT_EQ(records, (std::vector<int>{1, 2, 4, 3}));
}

TEST(TabStrip, ClosingCommandsFollowTheReferenceTab)
{
    EXPECT_EQ(ui::ReferenceTab(-1, 2, 5), 2);
    EXPECT_EQ(ui::ReferenceTab(4, 2, 5), 4);
    EXPECT_EQ(ui::ReferenceTab(7, 2, 5), 2) << "a target of the other strip falls back to the active tab";

    auto none = ui::CloseCommandsEnabled(-1, -1, 0);
    EXPECT_FALSE(none.active || none.all || none.left || none.right || none.noneActive);
    auto last = ui::CloseCommandsEnabled(-1, 4, 5);
    EXPECT_FALSE(last.right);
    EXPECT_TRUE(last.left);
    auto first = ui::CloseCommandsEnabled(0, 4, 5);
    EXPECT_FALSE(first.left);
    EXPECT_TRUE(first.right);
    EXPECT_FALSE(ui::CloseCommandsEnabled(-1, 0, 1).noneActive);
}

TEST(StatusBar, PanelsOneToThreeKeepTheirWidths)
{
    auto w = ui::StatusPanelWidths(800, ui::kStatusPanelDesignWidths);
    EXPECT_EQ(w, (std::array<int, 4>{595, 70, 100, 35}));
    w = ui::StatusPanelWidths(100, ui::kStatusPanelDesignWidths);
    EXPECT_EQ(w[0], 0) << "a narrow window squeezes only panel 0";
    EXPECT_EQ(w[2], 100);
}

} // namespace
