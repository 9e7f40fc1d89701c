#include "PlacementFixture.h"

#include "windows/FrameMatch.h"

using namespace fw;
using namespace fw::placementtest;

namespace {

// Two columns of a 1920 × 1050 visible frame, the right one split in two rows.
const Rect kLeft(4, 4, 952, 1042);
const Rect kTopRight(964, 4, 952, 517);
const Rect kBottomRight(964, 529, 952, 517);
const RegionFrames kRegions{{0, kLeft}, {1, kTopRight}, {2, kBottomRight}};

const Rect kStartA(100, 100, 500, 400);
const Rect kStartB(1000, 100, 500, 400);
const Rect kStartC(1000, 600, 500, 400);

class Sequence : public ThreeWindowDesk {
protected:
    Sequence() : ThreeWindowDesk(201, kStartA, kStartB, kStartC) {}
    std::vector<CompositionCandidate<ManagedWindow>> candidates() const
    {
        return {{a, kStartA, {0, 0}}, {b, kStartB, {0, 0}}, {c, kStartC, {0, 0}}};
    }
    Task<SequenceResult> runWith(GroupMover mover, RegionWindows fixed = {},
                                 std::vector<CompositionCandidate<ManagedWindow>> cands = {}, bool useCands = false)
    {
        return placement.runSequence(useCands ? std::move(cands) : candidates(), kRegions, std::move(mover),
                                     std::move(fixed), {sharedHost, 7}, sharedHost, {sharedHost, 7});
    }
    // Back where the run found them; a window left within a point of it counts as back.
    void expectAllAtStart()
    {
        EXPECT_TRUE(edgesMatch(frameOf(a), kStartA, 1.0)) << toString(frameOf(a)).toStdString();
        EXPECT_TRUE(edgesMatch(frameOf(b), kStartB, 1.0)) << toString(frameOf(b)).toStdString();
        EXPECT_TRUE(edgesMatch(frameOf(c), kStartC, 1.0)) << toString(frameOf(c)).toStdString();
    }
};

} // namespace

TEST_F(Sequence, ACleanRunPlacesEveryWindowRaisesThemInRegionOrderAndCommits)
{
    host.picker = a;
    const auto r = run(runWith(placement.compositionGroupMover({sharedHost, 7})));
    EXPECT_EQ(r.outcome, PlacementOutcome::committed);
    EXPECT_EQ(r.placed, (RegionWindows{{0, a}, {1, b}, {2, c}}));
    EXPECT_EQ(frameOf(a), kLeft);
    EXPECT_EQ(frameOf(b), kTopRight);
    EXPECT_EQ(frameOf(c), kBottomRight);
    // Region order, then the picker window once more, last; no single placements raised
    // anything before.
    EXPECT_EQ(raises(), (QStringList{activateOf(a), raiseOf(a), activateOf(b), raiseOf(b), activateOf(c), raiseOf(c),
                                     activateOf(a), raiseOf(a)}));
    // The watch after the raise: from 80 ms on, until every window stayed on target for 400 ms.
    const Duration raisedAt = sim.writesOf(sim::Write::Raise).back().time;
    EXPECT_EQ(clock.now() - raisedAt, 480ms);
}

TEST_F(Sequence, NothingToPlaceCommitsAnEmptyMapOnceTheWatchEnds)
{
    const auto r = run(placement.runSequence({}, kRegions, {}, {}, {sharedHost, 7}, sharedHost, {sharedHost, 7}));
    EXPECT_EQ(r.outcome, PlacementOutcome::committed);
    EXPECT_TRUE(r.placed.empty());
    EXPECT_EQ(clock.now(), 480ms);
    EXPECT_TRUE(sim.writes().empty());
}

TEST_F(Sequence, WithoutAGroupMoverWindowsArePlacedOneAtATimeTheSmallestRegionFirst)
{
    const auto r = run(runWith({}));
    EXPECT_EQ(r.outcome, PlacementOutcome::committed);
    EXPECT_EQ(r.placed, (RegionWindows{{0, a}, {1, b}, {2, c}}));
    // Regions 1 and 2 have equal areas (region 1 first), region 0 is the largest.
    const Duration tB = firstWriteAfter(b, -1ms);
    const Duration tC = firstWriteAfter(c, -1ms);
    const Duration tA = firstWriteAfter(a, -1ms);
    EXPECT_LT(tB, tC);
    EXPECT_LT(tC, tA);
}

TEST_F(Sequence, FixedWindowsGoFirstAndAFixedWindowThatCannotBePlacedLeavesItsRegionFree)
{
    // C is fixed in region 0 but cannot become that wide; region 5 has no frame, so its
    // fixed window (B) is an ordinary candidate. C is tried first, gives up, and leaves
    // region 0 to the others; as a fixed window it is offered nothing else.
    sim.setSizeHints(c.element, SizeHints{.maximum = Size{900, 1100}});
    const auto r = run(runWith({}, RegionWindows{{0, c}, {5, b}}));
    EXPECT_EQ(r.outcome, PlacementOutcome::committed);
    EXPECT_EQ(r.placed.size(), 2u);
    ASSERT_EQ(r.placed.count(0), 1u);
    for (const auto& [region, w] : r.placed)
        EXPECT_NE(w, c);
    EXPECT_EQ(frameOf(c), kStartC);
    EXPECT_LT(firstWriteAfter(c, -1ms), firstWriteAfter(a, -1ms));
}

TEST_F(Sequence, AGenerationChangeBeforeEveryWindowArrivedPutsEveryWindowBackAndOneAfterLeavesThemPlaced)
{
    auto mover = placement.compositionGroupMover({sharedHost, 7});
    const SequenceResult clean = run(runWith(mover));
    ASSERT_EQ(clean.outcome, PlacementOutcome::committed);
    const int checkpoints = host.reads;
    // The last seven come once every window has arrived: the one before the raise, then one at
    // each of the watch's six checks.
    const int arrived = checkpoints - 7;
    ASSERT_GT(arrived, 1);
    for (int n = 1; n <= checkpoints; ++n) {
        SCOPED_TRACE(n);
        putBack();
        sim.clearWrites();
        host.reset(n);
        const auto r = run(runWith(mover));
        if (n <= arrived) {
            EXPECT_EQ(r.outcome, PlacementOutcome::rolledBack);
            EXPECT_TRUE(r.placed.empty());
            expectAllAtStart();
            continue;
        }
        // Another interaction (a click on one of them) takes over: nothing goes back, and
        // nothing is raised over what it raised.
        EXPECT_EQ(r.outcome, PlacementOutcome::committed);
        EXPECT_EQ(r.placed, clean.placed);
        EXPECT_EQ(frameOf(a), kLeft);
        EXPECT_EQ(frameOf(b), kTopRight);
        EXPECT_EQ(frameOf(c), kBottomRight);
        if (n == arrived + 1) {
            EXPECT_TRUE(raises().isEmpty());
        }
    }
}

TEST_F(Sequence, AWindowDriftingDuringVerificationIsPlacedOnceMoreThenTheRunGivesUp)
{
    sim.driftAfterWrite(b.element, Rect(900, 50, 500, 400), 100ms, 1);
    auto r = run(runWith(placement.compositionGroupMover({sharedHost, 7})));
    EXPECT_EQ(r.outcome, PlacementOutcome::committed);
    EXPECT_EQ(frameOf(b), kTopRight);

    putBack();
    sim.driftAfterWrite(b.element, Rect(900, 50, 500, 400), 100ms, 3);
    r = run(runWith(placement.compositionGroupMover({sharedHost, 7})));
    EXPECT_EQ(r.outcome, PlacementOutcome::rolledBack);
    EXPECT_TRUE(r.placed.empty());
    expectAllAtStart();
}

TEST_F(Sequence, AWindowMovedButNotPlacedGoesBackBeforeTheRunCommits)
{
    // The group move leaves B half way and reports nobody in place; B then cannot take its
    // region (too wide for it), so its single placement gives up where the group left it.
    sim.setSizeHints(b.element, SizeHints{.maximum = Size{600, 600}});
    const Rect halfWay(700, 300, 500, 400);
    GroupMover stalls = [this, halfWay](std::vector<std::pair<ManagedWindow, Rect>> items)
        -> Task<std::unordered_set<ManagedWindow>> {
        for (const auto& [w, target] : items) {
            if (w == b)
                sim.setFrame(w.element, halfWay);
        }
        co_return std::unordered_set<ManagedWindow>{};
    };
    const std::vector<CompositionCandidate<ManagedWindow>> two{{a, kStartA, {0, 0}}, {b, kStartB, {0, 0}}};
    const RegionFrames regions{{0, kLeft}, {1, kTopRight}};
    auto r = run(placement.runSequence(two, regions, stalls, {}, {sharedHost, 7}, sharedHost, {sharedHost, 7}));
    EXPECT_EQ(r.outcome, PlacementOutcome::committed);
    EXPECT_EQ(r.placed, (RegionWindows{{0, a}}));
    EXPECT_EQ(frameOf(a), kLeft);
    EXPECT_EQ(frameOf(b), kStartB);

    // When B cannot be put back, nothing is committed: A goes back too.
    putBack();
    GroupMover closesB = [this](std::vector<std::pair<ManagedWindow, Rect>> items)
        -> Task<std::unordered_set<ManagedWindow>> {
        (void)items;
        sim.closeWindow(b.element);
        co_return std::unordered_set<ManagedWindow>{};
    };
    r = run(placement.runSequence(two, regions, closesB, {}, {sharedHost, 7}, sharedHost, {sharedHost, 7}));
    EXPECT_EQ(r.outcome, PlacementOutcome::rollbackFailed);
    EXPECT_TRUE(r.placed.empty());
    EXPECT_EQ(frameOf(a), kStartA);
}

TEST_F(Sequence, AWindowAlreadyInItsRegionIsNotMovedAndUnreadableWindowsTakeNoPart)
{
    sim.place(b.element, kTopRight);
    sim.closeWindow(c.element);
    std::vector<CompositionCandidate<ManagedWindow>> cands{{a, kStartA, {0, 0}}, {b, kTopRight, {0, 0}},
                                                           {c, kBottomRight, {0, 0}}};
    const auto r = run(runWith(placement.compositionGroupMover({sharedHost, 7}), {}, cands, true));
    EXPECT_EQ(r.outcome, PlacementOutcome::committed);
    EXPECT_EQ(r.placed.at(1), b);
    EXPECT_EQ(r.placed.count(2), 0u);
    EXPECT_EQ(geometryWriteCount(b), 0);
}

TEST_F(Sequence, ASinglePlacementThatCannotRestoreItsWindowRollsBackTheWholeRun)
{
    // Without a group mover B (region 1) and C (region 2) are placed first; A's turn comes
    // last and its window closes on the first write, so its own roll-back fails too. Nothing
    // more is assigned or raised and the windows placed before go back.
    sim.closeOnNextWrite(a.element);
    const auto r = run(runWith({}));
    EXPECT_EQ(r.outcome, PlacementOutcome::rollbackFailed);
    EXPECT_TRUE(r.placed.empty());
    EXPECT_EQ(frameOf(b), kStartB);
    EXPECT_EQ(frameOf(c), kStartC);
    // B and C were raised by their own placements; the run itself raised nothing afterwards.
    EXPECT_EQ(raises(), (QStringList{activateOf(b), raiseOf(b), activateOf(c), raiseOf(c)}));
}

TEST_F(Sequence, AssigningStopsAfterThirtyTwoFailedPlacementsAndTheRunStillCommits)
{
    // Six windows that refuse every write and six regions they all fit: 36 pairs to try, but
    // the run gives up assigning after 32 placements that rolled back. Each single placement
    // reads its owner's generation exactly once (before its only move).
    std::vector<CompositionCandidate<ManagedWindow>> cands;
    RegionFrames regions;
    for (int i = 0; i < 6; ++i) {
        const Rect start(20 + 150 * i, 700, 100, 100);
        const auto w = add(Pid(300 + i), start);
        sim.refuseWrites(w.element);
        cands.push_back({w, start, {0, 0}});
        regions.emplace(i, Rect(4 + 310 * i, 4, 300, 300));
    }
    const auto sharedOwner = std::make_shared<FakeHost>(clock);
    FakeHost& placementOwner = *sharedOwner;
    const auto r = run(placement.runSequence(cands, regions, {}, {}, {sharedOwner, 7}, sharedHost, {sharedHost, 7}));
    EXPECT_EQ(placementOwner.reads, 32);
    EXPECT_EQ(r.outcome, PlacementOutcome::committed);
    EXPECT_TRUE(r.placed.empty());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(frameOf(cands[std::size_t(i)].window), cands[std::size_t(i)].frame);
}
