#include "PlacementFixture.h"

using namespace fw;
using namespace fw::placementtest;

namespace {

const Rect kStartA(10, 10, 500, 400);
const Rect kStartB(600, 10, 500, 400);
const Rect kStartC(1200, 10, 500, 400);
const Rect kStartD(300, 500, 500, 400);
const Rect kTargetA(4, 4, 952, 1042);
const Rect kTargetB(964, 4, 952, 517);
const Rect kTargetC(964, 529, 952, 517);

class Transaction : public ThreeWindowDesk {
protected:
    Transaction() : ThreeWindowDesk(101, kStartA, kStartB, kStartC) {}
    PlacementItems threeTargets() const { return {{a, kTargetA}, {b, kTargetB}, {c, kTargetC}}; }
    // Moves every window at once through the window system, taking no time.
    PlacementMover instantMover(int* calls = nullptr)
    {
        return [this, calls](PlacementItems items) -> Task<bool> {
            if (calls)
                ++*calls;
            for (const auto& item : items)
                sim.setFrame(item.window.element, item.frame);
            co_return true;
        };
    }
    // One placement through the door under the stamp (generation 7 of the shared host), its
    // outcome.
    PlacementOutcome outcomeOf(PlacementRequest request, std::optional<InteractionStamp> stamp = {})
    {
        return run(placement.place(std::move(request), stamp.value_or(InteractionStamp{sharedHost, 7}))).outcome;
    }
};

} // namespace

TEST_F(Transaction, CleanRunRaisesTheFrontWindowAndCommitsOnceTheWindowsHeldStill)
{
    int calls = 0;
    const auto o = outcomeOf({.targets = threeTargets(), .kind = place::FillColumn{b}, .mover = instantMover(&calls)});
    EXPECT_EQ(o, PlacementOutcome::committed);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(frameOf(a), kTargetA);
    EXPECT_EQ(frameOf(c), kTargetC);
    EXPECT_EQ(raises(), (QStringList{activateOf(b), raiseOf(b)}));
    // Generation read before and after the mover, then at each check, 80 ms apart, until the
    // windows stayed on target for 400 ms.
    EXPECT_EQ(host.readTimes, (std::vector<Duration>{0ms, 0ms, 80ms, 160ms, 240ms, 320ms, 400ms, 480ms}));
    EXPECT_EQ(clock.now(), 480ms);
    EXPECT_TRUE(logs.messages(LogCategory::WindowAccess).isEmpty());

    // The resize variant raises nothing; the front window's app already frontmost is not
    // activated again.
    sim.clearWrites();
    putBack();
    EXPECT_EQ(outcomeOf({.targets = threeTargets(), .kind = place::ResizeTogether{}, .mover = instantMover()}),
              PlacementOutcome::committed);
    EXPECT_TRUE(raises().isEmpty());
    putBack();
    sim.setFrontmostApp(b.pid);
    EXPECT_EQ(outcomeOf({.targets = threeTargets(), .kind = place::Composition{b}, .mover = instantMover()}),
              PlacementOutcome::committed);
    EXPECT_EQ(raises(), QStringList{raiseOf(b)});
}

TEST_F(Transaction, AGenerationChangeBeforeEveryWindowArrivedPutsEveryWindowBackAndOneAfterLeavesThemPlaced)
{
    // Count the checkpoints of a clean run of one-by-one moves, then raise the generation at
    // each of them in turn.
    ASSERT_EQ(outcomeOf({.targets = threeTargets(), .kind = place::FillColumn{c}}), PlacementOutcome::committed);
    const int checkpoints = host.reads;
    const int arrived = 3 + 1; // before each move, after the last
    ASSERT_EQ(checkpoints, arrived + 6); // then at each check of the watch
    for (int n = 1; n <= checkpoints; ++n) {
        SCOPED_TRACE(n);
        putBack();
        host.reset(n);
        if (n <= arrived) {
            EXPECT_EQ(outcomeOf({.targets = threeTargets(), .kind = place::FillColumn{c}}),
                      PlacementOutcome::rolledBack);
            EXPECT_EQ(frameOf(a), kStartA);
            EXPECT_EQ(frameOf(b), kStartB);
            EXPECT_EQ(frameOf(c), kStartC);
            continue;
        }
        // Once every window has arrived, another interaction (a click on one of them) is the
        // user's: the placement stands, and the watch ends there.
        EXPECT_EQ(outcomeOf({.targets = threeTargets(), .kind = place::FillColumn{c}}),
                  PlacementOutcome::committed);
        EXPECT_EQ(frameOf(a), kTargetA);
        EXPECT_EQ(frameOf(b), kTargetB);
        EXPECT_EQ(frameOf(c), kTargetC);
        EXPECT_EQ(host.reads, n);
    }
    // Before any move nothing is written at all.
    putBack();
    sim.clearWrites();
    host.reset(1);
    EXPECT_EQ(outcomeOf({.targets = threeTargets(), .kind = place::FillColumn{c}}), PlacementOutcome::rolledBack);
    EXPECT_TRUE(sim.writes().empty());
    EXPECT_EQ(clock.now() - host.readTimes.front(), 0ms);

    // A window that leaves its target once the interaction has ended (the user drags it away)
    // is neither corrected nor put back, and the others stay.
    putBack();
    const Rect away(300, 300, 500, 400);
    sim.driftAfterWrite(a.element, away, 100ms, 1);
    host.reset(4); // before and after the mover, then the checks at 80 and 160 ms
    EXPECT_EQ(outcomeOf({.targets = threeTargets(), .kind = place::FillColumn{c}, .mover = instantMover()}),
              PlacementOutcome::committed);
    EXPECT_EQ(frameOf(a), away);
    EXPECT_EQ(frameOf(b), kTargetB);
    EXPECT_EQ(frameOf(c), kTargetC);
    EXPECT_TRUE(logs.messages(LogCategory::WindowAccess)
                    .contains(u"Another interaction began while the placement settled: it stands"_qs));
}

TEST_F(Transaction, ACoordinatorThatGoesAwayEndsEveryMoveLikeAnEndedInteraction)
{
    // The coordinator is destroyed while the first window moves: the column split stops at
    // its next checkpoint and puts back what moved.
    auto coordinator = std::make_shared<FakeHost>(clock);
    const InteractionStamp stamp{coordinator, 7};
    clock.schedule(100ms, [&] { coordinator.reset(); });
    EXPECT_EQ(outcomeOf({.targets = threeTargets(), .kind = place::ColumnSplit{a, {}, nullptr}}, stamp),
              PlacementOutcome::rolledBack);
    EXPECT_EQ(frameOf(a), kStartA);
    EXPECT_EQ(frameOf(b), kStartB);
    EXPECT_EQ(frameOf(c), kStartC);
    EXPECT_TRUE(raises().isEmpty());

    // Gone before anything starts: transactions, group and guarded moves write nothing.
    sim.clearWrites();
    EXPECT_EQ(outcomeOf({.targets = threeTargets(), .kind = place::FillColumn{a}, .mover = instantMover()}, stamp),
              PlacementOutcome::rolledBack);
    EXPECT_FALSE(run(access.animateGroup({{a, kTargetA}, {b, kTargetB}}, {}, stamp, 1.0)));
    EXPECT_FALSE(run(access.animateMoveGuarded(c, {}, stamp, kTargetC, 1.0)));
    EXPECT_TRUE(run(placement.compositionGroupMover(stamp)({{a, kStartA}})).count(a)) << "still in place";
    EXPECT_TRUE(sim.writes().empty());
}

TEST_F(Transaction, AFailedMoveRollsBackTheLastFirstWithTheCallersRestoreFrames)
{
    // D was moved by the caller before the transaction and is to go back to kStartD; it is
    // not a target. C refuses every write.
    const auto d = add(104, kStartD);
    sim.place(d.element, Rect(50, 50, 300, 300));
    sim.refuseWrites(c.element);
    const RestoreMap restore{{d, kStartD}, {a, Rect(20, 20, 500, 400)}};
    PlacementItems targets = threeTargets();
    targets.push_back({d, Rect(0, 0, 800, 800)});

    const auto o = outcomeOf({.targets = targets, .kind = place::FillColumn{a}, .restore = restore});
    EXPECT_EQ(o, PlacementOutcome::rolledBack);
    // The restore map's frame wins over the frame read at the start.
    EXPECT_EQ(frameOf(a), Rect(20, 20, 500, 400));
    EXPECT_EQ(frameOf(b), kStartB);
    EXPECT_EQ(frameOf(c), kStartC);
    EXPECT_EQ(frameOf(d), kStartD);
    // Walked from the end: D (only named by the restore map), then C (still in place: no
    // write), B, A. Nothing was raised.
    const Duration tD = firstWriteAfter(d, -1ms);
    ASSERT_GE(tD, 0ms);
    const Duration tB = firstWriteAfter(b, tD);
    const Duration tA = firstWriteAfter(a, tD);
    EXPECT_LT(tD, tB);
    EXPECT_LT(tB, tA);
    EXPECT_TRUE(raises().isEmpty());
}

TEST_F(Transaction, ARollBackMoveThatFailsDoesNotStopTheOthers)
{
    host.bumpAt = 4; // after the three moves
    host.onBump = [&] { sim.closeWindow(b.element); };
    EXPECT_EQ(outcomeOf({.targets = threeTargets(), .kind = place::FillColumn{a}}),
              PlacementOutcome::rollbackFailed);
    EXPECT_EQ(frameOf(a), kStartA);
    EXPECT_EQ(frameOf(c), kStartC);
}

TEST_F(Transaction, AnUnreadableTargetStopsBeforeMovingButStillRestoresTheCallersWindows)
{
    sim.closeWindow(c.element);
    // Nothing to restore: nothing is written.
    EXPECT_EQ(outcomeOf({.targets = threeTargets(), .kind = place::FillColumn{a}}), PlacementOutcome::rolledBack);
    EXPECT_TRUE(sim.writes().empty());

    // A was moved by the caller and is named in the restore map: it goes back.
    sim.place(a.element, Rect(700, 600, 400, 300));
    EXPECT_EQ(outcomeOf({.targets = threeTargets(), .kind = place::FillColumn{a}, .restore = {{a, kStartA}}}),
              PlacementOutcome::rolledBack);
    EXPECT_EQ(frameOf(a), kStartA);
    EXPECT_EQ(frameOf(b), kStartB);

    // When that fails, the caller hears so.
    sim.place(a.element, Rect(700, 600, 400, 300));
    sim.refuseWrites(a.element);
    EXPECT_EQ(outcomeOf({.targets = threeTargets(), .kind = place::FillColumn{a}, .restore = {{a, kStartA}}}),
              PlacementOutcome::rollbackFailed);
}

TEST_F(Transaction, EmptyAndTrivialTargetLists)
{
    // No targets: the front window is still raised and the run commits after 480 ms.
    EXPECT_EQ(outcomeOf({.targets = {}, .kind = place::FillColumn{a}, .mover = instantMover()}),
              PlacementOutcome::committed);
    EXPECT_EQ(raises(), (QStringList{activateOf(a), raiseOf(a)}));
    EXPECT_EQ(clock.now(), 480ms);
    // With the generation already changed it gives up at once, raising nothing.
    sim.clearWrites();
    host.reset(1);
    const Duration t0 = clock.now();
    EXPECT_EQ(outcomeOf({.targets = {}, .kind = place::FillColumn{a}}), PlacementOutcome::rolledBack);
    EXPECT_EQ(clock.now(), t0);
    EXPECT_TRUE(sim.writes().empty());

    // One target with a mover: the mover is not used.
    host.reset();
    int calls = 0;
    EXPECT_EQ(outcomeOf({.targets = {{a, kTargetA}}, .kind = place::FillColumn{a}, .mover = instantMover(&calls)}),
              PlacementOutcome::committed);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(frameOf(a), kTargetA);

    // A window already at its target is not written to.
    sim.clearWrites();
    EXPECT_EQ(outcomeOf({.targets = {{a, Rect(4.5, 4, 952, 1042)}}, .kind = place::FillColumn{a}}),
              PlacementOutcome::committed);
    EXPECT_EQ(geometryWriteCount(a), 0);
}

TEST_F(Transaction, ADriftedWindowIsCorrectedOnceAndASecondDriftRollsBack)
{
    const Rect away(300, 300, 500, 400);
    sim.driftAfterWrite(a.element, away, 100ms, 1);
    EXPECT_EQ(outcomeOf({.targets = threeTargets(), .kind = place::FillColumn{c}, .mover = instantMover()}),
              PlacementOutcome::committed);
    EXPECT_EQ(frameOf(a), kTargetA);
    const QStringList drift = logs.messages(LogCategory::WindowAccess);
    ASSERT_EQ(drift.size(), 1);
    EXPECT_EQ(drift[0], QStringLiteral("Post-placement drift in App101: expected {{4, 4}, {952, 1042}}, actual "
                                       "{{300, 300}, {500, 400}}"));

    // Drifting again after its correction ends the run: everything goes back.
    putBack();
    logs.clear();
    sim.driftAfterWrite(a.element, away, 100ms, 2);
    EXPECT_EQ(outcomeOf({.targets = threeTargets(), .kind = place::FillColumn{c}, .mover = instantMover()}),
              PlacementOutcome::rolledBack);
    EXPECT_EQ(frameOf(a), kStartA);
    EXPECT_EQ(frameOf(b), kStartB);
    EXPECT_EQ(frameOf(c), kStartC);
    EXPECT_EQ(logs.messages(LogCategory::WindowAccess).size(), 2);
}

TEST_F(Transaction, TwoWindowsDriftingAtOneCheckAreBothReportedAndCorrectedInTargetOrder)
{
    sim.driftAfterWrite(c.element, Rect(0, 0, 300, 300), 100ms, 1);
    sim.driftAfterWrite(a.element, Rect(0, 500, 300, 300), 100ms, 1);
    EXPECT_EQ(outcomeOf({.targets = threeTargets(), .kind = place::FillColumn{b}, .mover = instantMover()}),
              PlacementOutcome::committed);
    const QStringList drift = logs.messages(LogCategory::WindowAccess);
    ASSERT_EQ(drift.size(), 2);
    EXPECT_TRUE(drift[0].contains("App101"));
    EXPECT_TRUE(drift[1].contains("App103"));
    EXPECT_LT(firstWriteAfter(a, 1ms), firstWriteAfter(c, 1ms));
    EXPECT_EQ(frameOf(a), kTargetA);
    EXPECT_EQ(frameOf(c), kTargetC);
}

TEST_F(Transaction, TheSwapRaisesTheSecondWindowLastAndTheResizeVariantReportsNothing)
{
    EXPECT_EQ(outcomeOf({.targets = {{a, kStartB}, {b, kStartA}}, .kind = place::Swap{a, b}}),
              PlacementOutcome::committed);
    EXPECT_EQ(frameOf(a), kStartB);
    EXPECT_EQ(frameOf(b), kStartA);
    ASSERT_GE(sim.stacking().size(), 2u);
    EXPECT_EQ(sim.stacking()[0], b.element);
    EXPECT_EQ(sim.stacking()[1], a.element);

    // A drift under the resize variant is corrected without a log line.
    putBack();
    sim.driftAfterWrite(a.element, Rect(300, 300, 500, 400), 100ms, 1);
    EXPECT_EQ(outcomeOf({.targets = threeTargets(), .kind = place::ResizeTogether{}, .mover = instantMover()}),
              PlacementOutcome::committed);
    EXPECT_TRUE(logs.messages(LogCategory::WindowAccess).isEmpty());
}

TEST_F(Transaction, TheColumnSplitRecordsTheFirstRefusalAndHandsMismatchesToTheCaller)
{
    auto record = std::make_shared<ColumnSplitRecord>();
    std::vector<std::pair<WindowId, std::optional<Rect>>> mismatches;
    MismatchHandler onMismatch = [&](const ManagedWindow& w, std::optional<Rect> actual, const Rect& expected) {
        record->lastMismatch = ColumnSplitRecord::Mismatch{w, actual, expected};
        access.checkDrift(w, expected, actual);
        mismatches.emplace_back(w.element, actual);
    };
    // C cannot grow to its target (its maximum size is smaller).
    sim.setSizeHints(c.element, SizeHints{.maximum = Size{900, 517}});
    const auto o = outcomeOf({.targets = threeTargets(), .kind = place::ColumnSplit{a, onMismatch, record},
                             .mover = instantMover()});
    // The mover reported success, so C is found off target at the first check, corrected
    // (refused: the move fails) and everything goes back.
    EXPECT_EQ(o, PlacementOutcome::rolledBack);
    ASSERT_FALSE(mismatches.empty());
    EXPECT_EQ(mismatches.front().first, c.element);
    ASSERT_TRUE(record->firstRefusal);
    EXPECT_EQ(record->firstRefusal->window, c);
    EXPECT_EQ(record->firstRefusal->requested, kTargetC);
    ASSERT_TRUE(record->firstRefusal->actual);
    EXPECT_EQ(record->firstRefusal->actual->size, (Size{900, 517}));
    ASSERT_TRUE(record->lastMismatch);
    EXPECT_EQ(record->lastMismatch->window, c);
    EXPECT_EQ(frameOf(a), kStartA);
    EXPECT_EQ(frameOf(b), kStartB);
    EXPECT_EQ(frameOf(c), kStartC);
    EXPECT_TRUE(logs.contains(QStringLiteral("Post-placement drift in App103: expected {{964, 529}, {952, 517}}, actual "
                                             "{{964, 529}, {900, 517}}")));
}
