// Placing one window into one region: a window that settles, drifts once or twice, is refused,
// vanishes, or whose interaction ends mid-move; what a placement records and what it leaves.
#include "SnapFixture.h"

#include "snap/PlaceWindow.h"

namespace fw::snaptest {
namespace {

using sim::Write;

class Placement : public SnapDesk {
protected:
    PlacementResult place(const ManagedWindow& w, RegionNumber region, const SnapLayout& layout,
                          const ScreenInfo& on = kLeft, std::optional<Rect> startFrame = std::nullopt,
                          bool guarded = false)
    {
        auto& c = *coordinator;
        return clock.run(placeInRegion(c.context(), state.layouts, state.memory, w, region, layout, on, startFrame, guarded));
    }
    // A window maximized from `restored`.
    ManagedWindow addMaximized(Pid pid, const Rect& restored)
    {
        const auto w = add(pid, restored);
        sim.setMaximized(w.element, true);
        return w;
    }
    Duration lastWrite(const ManagedWindow& w, std::uint32_t kinds) const
    {
        Duration at{-1};
        for (const auto& write : sim.writesFor(w.element))
            at = (write.kind & kinds) ? write.time : at;
        return at;
    }
};

TEST_F(Placement, ASettledWindowIsRecordedOnceStillWithItsFrameFromBeforeAndReturnPosition)
{
    auto& c = start();
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const Rect before(100, 100, 600, 400);
    const auto w = add(100, before);
    const auto other = add(101, region(u"thirds"_qs, 2));
    const auto elsewhere = add(102, region(u"halves"_qs, 0, kRight));
    state.layouts.setGroup(u"B"_qs, LayoutGroup{halves, {{0, elsewhere}}, {}});
    state.layouts.setGroup(u"A"_qs, LayoutGroup{builtIn(u"thirds"_qs), {{2, other}, {0, elsewhere}}, {}});
    sim.setFrontmostApp(101);

    const PlacementResult result = place(w, 1, halves, kLeft, Rect(5, 5, 500, 300));
    EXPECT_TRUE(result.placed);
    EXPECT_FALSE(result.notice);
    EXPECT_EQ(frameOf(w), region(halves, 1));
    // Brought forward right after the move (its application was not frontmost), then watched
    // from 80 ms on until it stayed on target for 400 ms.
    const auto raised = sim.writesOf(Write::Activate | Write::Raise);
    ASSERT_EQ(raised.size(), 2u);
    EXPECT_EQ(raised[0].kind, Write::Activate);
    EXPECT_EQ(raised[0].time, lastWrite(w, Write::Geometry));
    EXPECT_EQ(clock.now() - raised[1].time, 480ms);

    // The display's group becomes "halves": the window in region 1, the thirds window that
    // does not sit in a halves region left out; the window placed on B before leaves B's group.
    const LayoutGroup& group = c.groups().at(u"A"_qs);
    EXPECT_EQ(group.layout.id, u"halves"_qs);
    EXPECT_EQ(group.windows, (std::map<RegionNumber, ManagedWindow>{{1, w}}));
    EXPECT_EQ(state.memory.originals.at(w), Rect(5, 5, 500, 300)) << "the start frame of the gesture";
    EXPECT_EQ(state.memory.returnHomes.at(w).frame, region(halves, 1));
    ASSERT_FALSE(stacks.changes.empty());
    EXPECT_EQ(stacks.changes.back(), (WindowFramePairs{{w, region(halves, 1)}}));

    // Placed again, into the other display's layout: it leaves A, keeps its first frame from
    // before, and the window already in B's region 0 stays.
    EXPECT_TRUE(place(w, 1, halves, kRight).placed);
    EXPECT_TRUE(c.groups().at(u"A"_qs).windows.empty());
    EXPECT_EQ(c.groups().at(u"B"_qs).windows, (std::map<RegionNumber, ManagedWindow>{{0, elsewhere}, {1, w}}));
    EXPECT_EQ(state.memory.originals.at(w), Rect(5, 5, 500, 300));

    // A layout other than the display's: the group is replaced, and a window sitting exactly in
    // one of the new layout's other regions stays, in that region.
    sim.place(w.element, region(u"quarters"_qs, 2, kRight));
    EXPECT_TRUE(place(elsewhere, 1, builtIn(u"quarters"_qs), kRight).placed);
    const auto& replaced = c.groups().at(u"B"_qs);
    EXPECT_EQ(replaced.layout.id, u"quarters"_qs);
    EXPECT_EQ(replaced.windows, (std::map<RegionNumber, ManagedWindow>{{1, elsewhere}, {2, w}}));
    EXPECT_EQ(state.memory.originals.at(elsewhere), region(u"halves"_qs, 0, kRight)) << "the frame read at the start";

    // A terminal's cell grid cannot take the region exactly: it is placed on its grid, each
    // side short by less than a cell, and recorded in the region.
    const Rect cells(100, 100, 10 + 80 * 7, 20 + 24 * 15);
    const auto term = add(103, cells);
    sim.setSizeHints(term.element, {.increment = Size{7, 15}, .base = Size{10, 20}});
    EXPECT_TRUE(place(term, 0, halves).placed);
    const Rect got = frameOf(term), wanted = region(halves, 0);
    EXPECT_EQ(got.origin, wanted.origin);
    EXPECT_GT(got.width(), wanted.width() - 7);
    EXPECT_GT(got.height(), wanted.height() - 15);
    EXPECT_FALSE(edgesMatch(got, wanted, 5)) << "the grid is off by more than the settle tolerance";
    EXPECT_EQ(c.groups().at(u"A"_qs).windows.at(0), term);
    EXPECT_EQ(state.memory.returnHomes.at(term).frame, wanted);
    EXPECT_TRUE(notices.isEmpty());
}

TEST_F(Placement, OneDriftIsCorrectedASecondRollsBackWithItsNotice)
{
    auto& c = start();
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const Rect before(100, 100, 600, 400), drifted(120, 140, 600, 400);
    const auto once = add(100, before);
    sim.driftAfterWrite(once.element, drifted, 100ms, 1);
    const PlacementResult corrected = place(once, 0, halves);
    EXPECT_TRUE(corrected.placed);
    EXPECT_EQ(frameOf(once), region(halves, 0));
    EXPECT_TRUE(logs.contains(u"Post-placement drift in App100: expected %1, actual %2"_qs.arg(
        toString(region(halves, 0)), toString(drifted))));

    // A second drift after the correction: back with the notice, and no record.
    const auto twice = add(101, before);
    sim.driftAfterWrite(twice.element, drifted, 100ms, 2);
    const PlacementResult rolledBack = place(twice, 1, halves);
    EXPECT_FALSE(rolledBack.placed);
    EXPECT_EQ(rolledBack.notice, u"App101 did not keep the region’s size. Its prior frame was restored."_qs);
    EXPECT_EQ(frameOf(twice), before);
    EXPECT_FALSE(state.memory.originals.count(twice) || state.memory.returnHomes.count(twice));

    // One drift that comes late, after the window was found on target for a while, is corrected
    // just the same: the watch goes by how long the window stays put, not by how many checks.
    const auto late = add(102, before);
    sim.driftAfterWrite(late.element, drifted, 300ms, 1);
    EXPECT_TRUE(place(late, 1, halves).placed);
    EXPECT_EQ(frameOf(late), region(halves, 1));
    EXPECT_EQ(c.groups().at(u"A"_qs).windows, (std::map<RegionNumber, ManagedWindow>{{0, once}, {1, late}}));
}

TEST_F(Placement, RefusedWindowsAreRestoredWhereTheyCanBeAndSayWhichWayItWent)
{
    auto& c = start();
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const Rect before(100, 100, 600, 400);
    const Rect target = region(halves, 1);

    // Too big for the region: the move fails, the window goes back.
    const Rect wideBefore(100, 100, target.width() + 60, 400);
    const auto wide = add(100, wideBefore);
    sim.setSizeHints(wide.element, {.minimum = Size{target.width() + 40, 300}});
    const PlacementResult kept = place(wide, 1, halves);
    EXPECT_FALSE(kept.placed);
    EXPECT_EQ(kept.notice, u"App100 did not keep the region’s size. Its prior frame was restored."_qs);
    EXPECT_EQ(frameOf(wide), wideBefore);

    // Stops taking writes halfway: it cannot be put back either.
    const auto stuck = add(101, before);
    sim.refuseWrites(stuck.element, {.kinds = Write::Geometry, .skip = 3});
    const PlacementResult lost = place(stuck, 1, halves);
    EXPECT_FALSE(lost.placed);
    EXPECT_EQ(lost.notice, u"App101 could not be placed or fully restored."_qs);
    EXPECT_NE(frameOf(stuck), before);

    // A region the layout lacks: nothing moves, nothing is said.
    const auto wrongRegion = add(102, before);
    const PlacementResult none = place(wrongRegion, 7, halves);
    EXPECT_FALSE(none.placed || none.notice);
    EXPECT_TRUE(sim.writesFor(wrongRegion.element).empty());
    EXPECT_TRUE(c.groups().empty() && state.memory.originals.empty());
}

// The window manager stops (SIGSTOP) as a window is placed. Stopped for 12 s, the moves go
// unanswered past every bound: the placement gives up, and the manager applies them once it goes
// on. What the notice says is what the user ends up with: the window back in its frame from
// before, and no record. Stopped for 4 s, as a compositing manager on two busy cores answers, it
// is waited for: the window is placed.
TEST_F(Placement, AWindowManagerStoppedMidPlacementEndsWhereTheNoticeSays)
{
    auto& c = start();
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const Rect before(100, 100, 600, 400);
    const auto w = add(100, before);
    sim.stopManager(12s);
    const PlacementResult result = place(w, 1, halves);
    clock.advance(20s);
    EXPECT_FALSE(sim.writesPending());
    EXPECT_FALSE(result.placed);
    EXPECT_EQ(result.notice, u"App100 did not keep the region’s size. Its prior frame was restored."_qs);
    EXPECT_EQ(frameOf(w), before);
    EXPECT_TRUE(c.groups().empty() && state.memory.originals.empty());

    sim.stopManager(4s);
    const PlacementResult slow = place(w, 1, halves);
    EXPECT_TRUE(slow.placed) << slow.notice.value_or(QString()).toStdString();
    EXPECT_EQ(frameOf(w), region(halves, 1));
}

// A maximized or shaded window is placed only once the window manager has taken it out of
// that state, however late it shows that; a roll-back puts back its frame and then the state. A
// terminal sized off its grid is aimed at its grid counted from its base size, and goes back cut
// to that grid.
TEST_F(Placement, WindowsLeaveMaximizedAndShadedStatesFirstAndARollBackPutsThemBack)
{
    start();
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const Rect restored(100, 100, 600, 400);
    const Rect full = topLeftVisibleFrame(kLeft);

    // Maximized: left first, then placed; its frame from before is the one it had out of it.
    const auto maximized = addMaximized(100, restored);
    ASSERT_EQ(frameOf(maximized), full);
    EXPECT_TRUE(place(maximized, 0, halves).placed);
    EXPECT_EQ(frameOf(maximized), region(halves, 0));
    EXPECT_EQ(sim.windowStates(maximized.element), WindowStates(0));
    EXPECT_EQ(state.memory.originals.at(maximized), restored);
    const auto states = sim.writesOf(Write::States | Write::Geometry);
    ASSERT_FALSE(states.empty());
    EXPECT_EQ(states.front().kind, Write::States) << "the state goes before any frame is written";

    // Maximized and too large for the region: rolled back to its frame, then maximized again.
    const auto wide = addMaximized(101, Rect(100, 100, region(halves, 1).width() + 60, 400));
    sim.setSizeHints(wide.element, {.minimum = Size{region(halves, 1).width() + 40, 300}});
    const PlacementResult refused = place(wide, 1, halves);
    EXPECT_FALSE(refused.placed);
    EXPECT_EQ(refused.notice, u"App101 did not keep the region’s size. Its prior frame was restored."_qs);
    EXPECT_EQ(sim.windowStates(wide.element), kMaximized);
    EXPECT_EQ(frameOf(wide), full);
    sim.setMaximized(wide.element, false);
    EXPECT_EQ(frameOf(wide), Rect(100, 100, region(halves, 1).width() + 60, 400)) << "its frame to return to";

    // A window manager that will not let it leave the state (as metacity holds its own edge
    // tile): nothing is written, and saying that it could not be placed is all there is to do
    // (it never had the region's size to keep).
    const auto held = addMaximized(102, restored);
    sim.refuseWrites(held.element, {.kinds = Write::States});
    const PlacementResult kept = place(held, 0, halves);
    EXPECT_FALSE(kept.placed);
    EXPECT_EQ(kept.notice, u"App102 could not be placed or fully restored."_qs);
    EXPECT_EQ(lastWrite(held, Write::Geometry), Duration{-1});
    EXPECT_EQ(frameOf(held), full);

    // Shaded: rolled down first, so it fills the region instead of showing its title bar there.
    const auto shaded = add(103, restored);
    sim.setShaded(shaded.element, true);
    ASSERT_EQ(frameOf(shaded).height(), 24);
    EXPECT_TRUE(place(shaded, 1, halves).placed);
    EXPECT_EQ(frameOf(shaded), region(halves, 1));
    EXPECT_EQ(sim.windowStates(shaded.element), WindowStates(0));

    // A terminal sized off its grid (10 + 7·cols, 20 + 15·rows): placed on its grid; one that
    // drifts twice goes back cut to its grid, which counts as back.
    const SizeHints cells{.increment = Size{7, 15}, .base = Size{10, 20}};
    const auto term = add(104, Rect(100, 100, 400, 300));
    sim.setSizeHints(term.element, cells);
    EXPECT_TRUE(place(term, 0, halves).placed);
    EXPECT_EQ(frameOf(term), gridFrame(region(halves, 0), cells));
    const auto drifting = add(105, Rect(100, 100, 400, 300));
    sim.setSizeHints(drifting.element, cells);
    sim.driftAfterWrite(drifting.element, Rect(120, 140, 395, 290), 100ms, 2);
    const PlacementResult drifted = place(drifting, 1, halves);
    EXPECT_FALSE(drifted.placed);
    EXPECT_EQ(drifted.notice, u"App105 did not keep the region’s size. Its prior frame was restored."_qs);
    EXPECT_EQ(frameOf(drifting), Rect(100, 100, 395, 290));

    // A window manager on a loaded machine that shows the state change late is waited for, by
    // what it shows, out of the state and back into it by a roll-back; one that never shows it
    // ends the placement on its own, with nothing written.
    const auto slow = addMaximized(106, restored);
    sim.answerStatesLate(slow.element, 600ms);
    EXPECT_TRUE(place(slow, 0, halves).placed);
    EXPECT_EQ(frameOf(slow), region(halves, 0));
    EXPECT_EQ(sim.windowStates(slow.element), WindowStates(0));
    const auto slowWide = addMaximized(107, Rect(100, 100, region(halves, 1).width() + 60, 400));
    sim.setSizeHints(slowWide.element, {.minimum = Size{region(halves, 1).width() + 40, 300}});
    sim.answerStatesLate(slowWide.element, 600ms);
    EXPECT_FALSE(place(slowWide, 1, halves).placed);
    EXPECT_EQ(sim.windowStates(slowWide.element), kMaximized);
    EXPECT_EQ(frameOf(slowWide), full);
    const auto stuck = addMaximized(108, restored);
    sim.answerStatesLate(stuck.element, sim::SimDesktop::kNever);
    const PlacementResult stuckKept = place(stuck, 0, halves);
    EXPECT_FALSE(stuckKept.placed);
    EXPECT_EQ(stuckKept.notice, u"App108 could not be placed or fully restored."_qs);
    EXPECT_EQ(lastWrite(stuck, Write::Geometry), Duration{-1});
    EXPECT_EQ(frameOf(stuck), full);
}

TEST_F(Placement, AWindowThatVanishesOrAnInteractionThatEndsIsHandledWithoutStaleNotices)
{
    auto& c = start();
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const Rect before(100, 100, 600, 400);

    // Gone before the placement reads it: nothing at all.
    const auto gone = add(100, before);
    sim.closeWindow(gone.element);
    const PlacementResult silent = place(gone, 0, halves);
    EXPECT_FALSE(silent.placed || silent.notice);

    // Closed during the checks: the drift is logged, and the window cannot be put back.
    const auto closing = add(101, before);
    sim.closeAfter(closing.element, 400ms);
    const PlacementResult lost = place(closing, 0, halves);
    EXPECT_FALSE(lost.placed);
    EXPECT_EQ(lost.notice, u"App101 could not be placed or fully restored."_qs);
    EXPECT_TRUE(logs.contains(u"Post-placement drift in App101: expected %1, actual unavailable"_qs.arg(
        toString(region(halves, 0)))));

    // A guarded placement whose interaction ends during the move: back where it was, silently.
    const auto interrupted = add(102, before);
    clock.schedule(100ms, [&] { c.endInteraction(false); });
    const PlacementResult ended = place(interrupted, 1, halves, kLeft, std::nullopt, true);
    EXPECT_FALSE(ended.placed || ended.notice);
    EXPECT_EQ(frameOf(interrupted), before);

    // Unguarded, the move runs to its end, and the placement gives up at the next check.
    const auto unguarded = add(103, before);
    clock.schedule(100ms, [&] { c.endInteraction(false); });
    const PlacementResult late = place(unguarded, 1, halves);
    EXPECT_FALSE(late.placed || late.notice);
    EXPECT_EQ(frameOf(unguarded), before);
    EXPECT_GT(sim.writesFor(unguarded.element).size(), sim.writesFor(interrupted.element).size());
    EXPECT_TRUE(c.groups().empty());
}

} // namespace
} // namespace fw::snaptest
