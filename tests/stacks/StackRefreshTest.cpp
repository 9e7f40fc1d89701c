// The stack controller's refresh on the simulated desktop in virtual time, with the real
// coordinator: what a pass reads and when it asks the windows again, the coordinator's
// reconcile after each discovery, the passes it skips, its pacing, and its diagnostics file.
#include "StackDesk.h"

#include "base/DiagnosticsWriter.h"

namespace fw::stacktest {
namespace {

class StackRefresh : public StackDesk {};

TEST_F(StackRefresh, PassesReadTheLayerListOnceAndAskOnlyTheWindowsThatChanged)
{
    const Rect left = region(u"halves"_qs, 0), right = region(u"halves"_qs, 1);
    const auto ab = stackOf(left, {100, 101});
    const auto c = add(102, right);
    auto& s = startStacks();

    // The first pass discovers every window, hands them to the coordinator (which recognises
    // the halves) and groups the two in the left half; the front is the one on top.
    EXPECT_EQ(s.fullScanCount(), 1);
    ASSERT_EQ(s.presented().size(), 1u);
    EXPECT_EQ(s.presented()[0].members, ab);
    ASSERT_TRUE(state.layouts.group(u"A"_qs));
    EXPECT_EQ(state.layouts.group(u"A"_qs)->windows.at(1), c);
    EXPECT_EQ(s.stack(ab[0]), ab[1]);
    EXPECT_EQ(s.stackMates(ab[0]), ab);
    EXPECT_TRUE(s.isSameWindowOrStack(ab[0], ab[1]));
    EXPECT_FALSE(s.isSameWindowOrStack(ab[0], c));
    EXPECT_EQ(s.stackMates(c), std::vector<ManagedWindow>{c});

    // A steady desktop: one layer list a second and nothing else.
    sim.resetCounters();
    presentation.shown.clear();
    clock.advance(3s);
    EXPECT_EQ(sim.snapshotCount(), 3);
    EXPECT_EQ(sim.readCount(), 0) << "no window is asked anything";
    EXPECT_TRUE(presentation.shown.empty()) << "nothing presented again";

    // c moves into the left half: only its process is asked again, and the coordinator gets
    // the whole new list before the stacks are grouped.
    sim.place(c.element, left);
    clock.advance(1s);
    EXPECT_EQ(s.fullScanCount(), 2);
    EXPECT_EQ(s.scanState().changedPIDs, (std::unordered_set<Pid>{102}));
    EXPECT_EQ(s.presented()[0].members, (std::vector<ManagedWindow>{ab[0], ab[1], c}));
    EXPECT_FALSE(state.layouts.group(u"A"_qs)->windows.count(1)) << "reconciled: the right half is empty";

    // Only the stacking changes: presented again from what is known.
    sim.raise(ab[0].element);
    presentation.shown.clear();
    clock.advance(1s);
    EXPECT_EQ(s.fullScanCount(), 2);
    ASSERT_EQ(presentation.shown.size(), 1u);
    EXPECT_EQ(s.stack(c), ab[0]);

    // A floating window of another application (a menu) counts only where it meets a stack or an anchor.
    s.noteMouseMoved(Point{});   // passes every second again
    presentation.zones = {Rect(0, 0, 60, 60)};
    const WindowId floating = sim.addWindow({.pid = 300, .frame = Rect(right.midX(), right.midY(), 50, 50), .layer = kUnmanagedLevel});
    presentation.shown.clear();
    clock.advance(1s);
    EXPECT_TRUE(presentation.shown.empty());
    sim.place(floating, Rect(left.midX(), left.midY(), 50, 50));
    clock.advance(1s);
    EXPECT_EQ(presentation.shown.size(), 1u) << "presented again, nothing discovered";
    EXPECT_EQ(s.fullScanCount(), 2);

    // Another application becomes active: the badges are presented again shortly after.
    sim.setFocus(c.element);
    presentation.shown.clear();
    clock.advance(250ms);
    EXPECT_DOUBLE_EQ(s.lastSwitchAt(), toSeconds(clock.now() - 250ms));
    EXPECT_EQ(presentation.shown.size(), 1u);

    // A minute after the first discovery, every window is asked again, changed or not.
    clock.advance(60s);
    EXPECT_EQ(s.fullScanCount(), 3);
    EXPECT_FALSE(s.scanState().changedPIDs);
    EXPECT_FALSE(QFile::exists(diagnosticsFile(fw::stacks::kStackStateFile))) << "only with --diagnostics";

    s.stop();
    EXPECT_FALSE(sim.hasActivationHandler());
    EXPECT_TRUE(s.presented().empty());
    EXPECT_EQ(s.scanState(), WindowScanState{});
    EXPECT_EQ(presentation.stops, 1);
}

TEST_F(StackRefresh, DeferredRefreshesCollapseAndAnIdleDesktopIsScannedEveryFiveSeconds)
{
    stackOf(region(u"halves"_qs, 0), {100, 101});
    auto& s = startStacks();
    sim.resetCounters();
    for (int i = 0; i < 10; ++i) {
        s.scheduleRefresh();
        clock.advance(10ms);
    }
    clock.advance(250ms);   // 0.6 s: before the timer's first tick
    EXPECT_EQ(sim.snapshotCount(), 1) << "ten requests within 0.1 s, one pass";

    clock.advance(Duration(20s) - clock.now());
    sim.resetCounters();
    clock.advance(10s);
    EXPECT_EQ(sim.snapshotCount(), 2) << "idle: every 5 s";
    s.noteMouseMoved(Point{10, 10});
    clock.advance(1ms);
    EXPECT_EQ(sim.snapshotCount(), 3) << "the first movement scans at once";
    clock.advance(2s);
    EXPECT_EQ(sim.snapshotCount(), 5) << "then every second";

    s.setMonitoringEnabled(false);
    EXPECT_FALSE(s.refreshTimerArmed());
    s.scheduleRefresh();
    clock.advance(10s);
    EXPECT_EQ(sim.snapshotCount(), 5) << "monitoring off: no timer, no deferred pass";
}

TEST_F(StackRefresh, PassesWaitForTheMenuSwitchersAndTheCoordinatorAndMonitoringForcesAFullScan)
{
    const Rect left = region(u"halves"_qs, 0);
    const auto ab = stackOf(left, {100, 101});
    auto& s = startStacks();
    clock.advance(3s);

    // The menu open: nothing at all, not even the layer list.
    s.setMenuOpen(true);
    sim.resetCounters();
    const int suspends = presentation.suspends;
    s.refresh(true);
    EXPECT_EQ(sim.snapshotCount(), 0);
    EXPECT_EQ(presentation.suspends, suspends);
    s.setMenuOpen(false);

    // A switcher open: passes wait; a window appearing meanwhile is grouped once it closes.
    presentation.switcherShown = true;
    const auto c = add(102, left);
    s.refresh(false);
    EXPECT_EQ(s.presented()[0].members, ab);
    presentation.switcherShown = false;
    s.refresh(false);
    EXPECT_EQ(s.presented()[0].members, (std::vector<ManagedWindow>{ab[0], ab[1], c}));

    // The coordinator moving a window: a pass only hides what is shown, and keeps the stacks.
    state.interaction.mutating = true;
    s.refresh(false);
    EXPECT_EQ(presentation.suspends, suspends + 1);
    EXPECT_EQ(s.presented().size(), 1u);
    state.interaction.mutating = false;
    // A press held that has not become a drag or a resize: a pass waits and hides nothing.
    state.interaction.windowInteraction = true;
    s.refresh(false);
    EXPECT_EQ(presentation.suspends, suspends + 1);
    state.interaction.windowInteraction = false;

    // Monitoring off suspends; back on, the next pass asks every window again although the
    // last full discovery is only seconds old.
    s.setMonitoringEnabled(false);
    EXPECT_EQ(presentation.suspends, suspends + 2);
    s.refresh(false);
    EXPECT_EQ(s.presented().size(), 1u) << "the tables stay";
    const int scans = s.fullScanCount();
    ASSERT_LT(toSeconds(clock.now()), 60.0);
    s.setMonitoringEnabled(true);
    clock.advance(250ms);
    EXPECT_EQ(s.fullScanCount(), scans + 1);
    EXPECT_FALSE(s.scanState().changedPIDs) << "a full discovery";

    // Window stacks switched off: no stacks, every window alone.
    s.setEnabled(false);
    clock.advance(250ms);
    EXPECT_TRUE(s.presented().empty());
    EXPECT_EQ(s.stackMates(ab[0]), std::vector<ManagedWindow>{ab[0]});
    EXPECT_FALSE(s.isSameWindowOrStack(ab[0], ab[1]));
}

TEST_F(StackRefresh, DiagnosticsFileIsRewrittenWhenItsContentChangesOrEveryMinute)
{
    const Rect left = region(u"halves"_qs, 0);
    stackOf(left, {100, 101});
    auto& s = startStacks(true);
    QJsonObject file = stackStateFile();
    EXPECT_EQ(file.value(u"fullScans"_qs).toInt(), 1);
    EXPECT_EQ(file.value(u"visibleAnchors"_qs).toInt(), 1);
    EXPECT_EQ(file.value(u"pid"_qs).toInteger(), qint64(ownPid()));
    EXPECT_EQ(file.value(u"stacks"_qs).toArray(),
              QJsonArray({QJsonObject{{u"apps"_qs, QJsonArray{u"App100"_qs, u"App101"_qs}},
                                      {u"frame"_qs, toString(left)},
                                      {u"status"_qs, u"hover ready"_qs}}}));

    // Steady: the same content is not written again within a minute.
    QFile::remove(diagnosticsFile(fw::stacks::kStackStateFile));
    s.noteMouseMoved(Point{});
    clock.advance(30s);
    EXPECT_FALSE(QFile::exists(diagnosticsFile(fw::stacks::kStackStateFile)));
    clock.advance(40s);
    EXPECT_TRUE(QFile::exists(diagnosticsFile(fw::stacks::kStackStateFile)));

    // A new stack member changes the content: written at the next pass.
    add(102, left);
    clock.advance(6s);
    EXPECT_EQ(stackStateFile().value(u"stacks"_qs).toArray().at(0).toObject().value(u"apps"_qs).toArray().size(), 3);
}

} // namespace
} // namespace fw::stacktest
