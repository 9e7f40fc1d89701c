// Dropping a placed window on the "Swap" tile over another placed window: the two trade
// regions as one transaction; a window that cannot fit the other region puts both back; a
// failed restore is reported even after the interaction ended; ending the interaction during
// the move restores both silently. A terminal on its cell grid swaps within its increments.
#include "DropDesk.h"

namespace fw::snaptest {
namespace {

class SwapDrop : public DropDesk {
protected:
    // The left window of "focus" dragged over the right one and its "Swap" tile released.
    void swapLeftIntoRight(bool run = true)
    {
        const Rect start = region(focus, 0);
        sim.place(windows[0].element, start.offsetBy(700, 40));
        const auto t = tile(windows[0], centre(region(focus, 1)), RegionDropIntent::swap(1), homeOf(focus, 0), start);
        ASSERT_EQ(t.intent, RegionDropIntent::swap(1));
        ASSERT_TRUE(release(t, windows[0], homeOf(focus, 0), start, run));
    }

    const SnapLayout& focus = builtIn(u"focus"_qs);
    std::vector<ManagedWindow> windows = placeAll(focus);
};

TEST_F(SwapDrop, TheTwoWindowsTradeRegionsWithTheirMemoriesAndOneTimingLine)
{
    swapLeftIntoRight();
    const ManagedWindow &dragged = windows[0], &other = windows[1];
    EXPECT_EQ(frameOf(dragged), region(focus, 1));
    EXPECT_EQ(frameOf(other), region(focus, 0));
    auto& c = *coordinator;
    EXPECT_EQ(c.groups().at(u"A"_qs).windows, (std::map<RegionNumber, ManagedWindow>{{0, other}, {1, dragged}}));
    EXPECT_EQ(state.memory.originals.at(dragged), region(focus, 0));
    EXPECT_EQ(state.memory.originals.at(other), region(focus, 1));
    EXPECT_EQ(state.memory.returnHomes.at(dragged).region, 1);
    EXPECT_EQ(state.memory.returnHomes.at(other).region, 0);
    ASSERT_FALSE(stacks.changes.empty());
    EXPECT_EQ(stacks.changes.back(), (WindowFramePairs{{other, region(focus, 0)}, {dragged, region(focus, 1)}}));
    EXPECT_TRUE(notices.isEmpty()) << notices.join(u" | "_qs).toStdString();

    // What the drag showed: the menu offered with the tip once, then the lit tile with the
    // preview over the other region and the panel over the dragged window's own.
    EXPECT_EQ(tips, std::vector<Tip>{Tip::dropMenu});
    EXPECT_TRUE(feedback.calls.contains(u"showDropMenu 4 Swap armed"_qs)) << feedback.calls.join(u"\n"_qs).toStdString();
    EXPECT_TRUE(feedback.calls.contains(u"showDropTarget %1 Release to swap arrow.left.arrow.right armed captionHidden swap %2"_qs.arg(
        toString(region(focus, 1)), toString(region(focus, 0)))));

    // One line from the release to the end; the interaction ended, nothing holds the guard.
    ASSERT_EQ(dropLines().size(), 1);
    EXPECT_TRUE(dropLines().front().startsWith(u"Drop swap(1) finished "_qs));
    EXPECT_FALSE(state.interaction.mutating);
    EXPECT_FALSE(state.drop.regionDrop);
    EXPECT_FALSE(state.picker.pickerScreen());
}

TEST_F(SwapDrop, AWindowThatCannotFitTheOtherRegionPutsBothBackAndAFailedRestoreIsAlwaysReported)
{
    // The right window cannot be made as wide as the left region.
    sim.setSizeHints(windows[1].element, {.maximum = Size{700, 2000}});
    swapLeftIntoRight();
    EXPECT_EQ(frameOf(windows[0]), region(focus, 0));
    EXPECT_EQ(frameOf(windows[1]), region(focus, 1));
    EXPECT_EQ(notices, QStringList{u"A window could not fit the other region. The swap was restored."_qs});
    EXPECT_EQ(coordinator->groups().at(u"A"_qs).windows.at(0), windows[0]);
    EXPECT_FALSE(state.memory.originals.count(windows[0]));

    // The dragged window closes as it moves: it cannot be restored; said even though the
    // interaction moved on meanwhile.
    notices.clear();
    sim.setSizeHints(windows[1].element, {});
    sim.closeOnNextWrite(windows[0].element);
    swapLeftIntoRight(false);
    clock.advance(100ms);
    coordinator->endInteraction(false);
    clock.runUntilIdle();
    EXPECT_EQ(notices, QStringList{u"The swap could not finish or fully restore both windows."_qs});
    EXPECT_FALSE(state.interaction.mutating);
}

TEST_F(SwapDrop, EndingTheInteractionDuringTheMoveRestoresBothSilently)
{
    swapLeftIntoRight(false);
    clock.advance(200ms); // past the wait, the first window on its way
    coordinator->endInteraction(false);
    const auto generation = state.interaction.generation();
    clock.runUntilIdle();
    EXPECT_EQ(frameOf(windows[0]), region(focus, 0));
    EXPECT_EQ(frameOf(windows[1]), region(focus, 1));
    EXPECT_TRUE(notices.isEmpty());
    EXPECT_EQ(dropLines().size(), 1);
    EXPECT_EQ(state.interaction.generation(), generation) << "the newer interaction is left alone";
    EXPECT_FALSE(state.interaction.mutating);
}

TEST_F(SwapDrop, ATerminalOnItsCellGridSwapsWithinItsIncrements)
{
    // The left window is a terminal sitting in its region on its grid, short of it by less
    // than a cell: it is offered the swap, and both arrive, the terminal on its grid.
    const Rect left = region(focus, 0);
    sim.setSizeHints(windows[0].element, {.increment = Size{7, 15}, .base = Size{3, 5}});
    const Size onGrid{3 + 7 * std::floor((left.width() - 3) / 7), 5 + 15 * std::floor((left.height() - 5) / 15)};
    sim.place(windows[0].element, Rect(left.origin, onGrid));
    const Rect start = frameOf(windows[0]);
    ASSERT_NE(start, left);
    sim.place(windows[0].element, start.offsetBy(700, 40));
    const auto t = tile(windows[0], centre(region(focus, 1)), RegionDropIntent::swap(1), homeOf(focus, 0), start);
    ASSERT_EQ(t.intent, RegionDropIntent::swap(1)) << "no swap tile for the terminal";
    ASSERT_TRUE(release(t, windows[0], homeOf(focus, 0), start));
    const Rect got = frameOf(windows[0]), wanted = region(focus, 1);
    EXPECT_EQ(got.origin, wanted.origin);
    EXPECT_LT(wanted.width() - got.width(), 7);
    EXPECT_LT(wanted.height() - got.height(), 15);
    EXPECT_NE(got, wanted);
    EXPECT_EQ(frameOf(windows[1]), left);
    EXPECT_EQ(coordinator->groups().at(u"A"_qs).windows.at(1), windows[0]);
    EXPECT_TRUE(notices.isEmpty()) << notices.join(u" | "_qs).toStdString();
}

} // namespace
} // namespace fw::snaptest
