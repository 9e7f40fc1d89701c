#include "platform/sim/SimDesktop.h"

#include <gtest/gtest.h>

#include <limits>
#include <ostream>

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace fw {
void PrintTo(const Size& s, std::ostream* os) { *os << toString(s).toStdString(); }
void PrintTo(const Rect& r, std::ostream* os) { *os << toString(r).toStdString(); }
void PrintTo(const Point& p, std::ostream* os) { *os << toString(p).toStdString(); }
} // namespace fw

using namespace fw;
using namespace fw::sim;

namespace {

QStringList describe(const std::vector<WriteRecord>& records)
{
    QStringList out;
    for (const auto& r : records)
        out << r.toString();
    return out;
}

std::vector<WindowId> ids(const std::vector<WindowInfo>& infos)
{
    std::vector<WindowId> out;
    for (const auto& i : infos)
        out.push_back(i.id);
    return out;
}

ScreenInfo screen(const QString& key, Rect frame, bool primary = false)
{
    return ScreenInfo{key, key + u" display"_qs, frame, Rect(frame.x(), frame.y() + 30, frame.width(), frame.height() - 30), primary};
}

struct SimDesktopTest : ::testing::Test {
    VirtualClock clock;
    SimDesktop sim{clock};
};

} // namespace

// ---- size rules

TEST(SimSizeRules, ClampsToMinimumAndMaximum)
{
    SizeHints h;
    h.minimum = Size{400, 300};
    h.maximum = Size{1000, 800};
    EXPECT_EQ(SimDesktop::constrainedSize({300, 200}, h), (Size{400, 300}));
    EXPECT_EQ(SimDesktop::constrainedSize({2000, 500}, h), (Size{1000, 500}));
    EXPECT_EQ(SimDesktop::constrainedSize({700, 900}, h), (Size{700, 800}));
    // A maximum below the minimum is ignored rather than producing an impossible size.
    h.maximum = Size{100, 100};
    EXPECT_EQ(SimDesktop::constrainedSize({2000, 50}, h), (Size{2000, 300}));
}

TEST(SimSizeRules, RoundsDownToIncrementsFromTheBaseSize)
{
    // A terminal: 6×13 cells over a 22×35 base (padding and decorations).
    SizeHints h;
    h.increment = Size{6, 13};
    h.base = Size{22, 35};
    EXPECT_EQ(SimDesktop::constrainedSize({960, 540}, h), (Size{958, 529}));
    // Exact steps stay as they are.
    EXPECT_EQ(SimDesktop::constrainedSize({22 + 6 * 10, 35 + 13 * 4}, h), (Size{82, 87}));
    // Below the base nothing is rounded.
    EXPECT_EQ(SimDesktop::constrainedSize({10, 20}, h), (Size{10, 20}));
}

TEST(SimSizeRules, MinimumServesAsBaseAndIsNeverUndercut)
{
    SizeHints h;
    h.minimum = Size{100, 100};
    h.increment = Size{30, 30};
    // Steps are counted from the minimum when no base size is given.
    EXPECT_EQ(SimDesktop::constrainedSize({175, 100}, h), (Size{160, 100}));
    // With a base below the minimum, rounding down would undercut the minimum: one step up.
    h.base = Size{5, 5};
    EXPECT_EQ(SimDesktop::constrainedSize({110, 120}, h), (Size{125, 125}));
    EXPECT_EQ(SimDesktop::constrainedSize({160, 155}, h), (Size{155, 155}));
}

TEST(SimSizeRules, DegenerateSizesBecomeOnePixel)
{
    EXPECT_EQ(SimDesktop::constrainedSize({0, -50}, {}), (Size{1, 1}));
}

// ---- writes

TEST_F(SimDesktopTest, WritesApplyTheSizeRulesAndTheReadBackTellsTheTruth)
{
    SizeHints h;
    h.minimum = Size{400, 300};
    const WindowId w = sim.addWindow({.pid = 10, .title = "Editor", .frame = {50, 60, 800, 600}, .hints = h});

    EXPECT_TRUE(sim.setSize(w, {200, 200}));
    EXPECT_EQ(sim.frame(w), Rect(50, 60, 400, 300));
    EXPECT_TRUE(sim.setPosition(w, {500, 10}));
    EXPECT_EQ(sim.frame(w), Rect(500, 10, 400, 300));
    EXPECT_TRUE(sim.setFrame(w, {0, 0, 1000, 700}));
    EXPECT_EQ(sim.frame(w), Rect(0, 0, 1000, 700));

    // The log keeps what was asked for, in order, with the virtual time.
    clock.advance(16ms);
    EXPECT_TRUE(sim.setFrame(w, {1, 2, 3, 4}));
    EXPECT_EQ(describe(sim.writesFor(w)),
              (QStringList{"size {200, 200} @0ms", "position {500, 10} @0ms", "frame {{0, 0}, {1000, 700}} @0ms",
                           "frame {{1, 2}, {3, 4}} @16ms"}));
    EXPECT_EQ(sim.frame(w), Rect(1, 2, 400, 300));
}

TEST_F(SimDesktopTest, UnsafeOrForbiddenWritesAreRefusedAndChangeNothing)
{
    const WindowId w = sim.addWindow({.pid = 10, .frame = {0, 0, 300, 200}});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(sim.setPosition(w, {nan, 0}));
    EXPECT_FALSE(sim.setSize(w, {inf, 10}));
    EXPECT_FALSE(sim.setFrame(w, {0, 0, 10, nan}));

    sim.setMovable(w, false);
    EXPECT_FALSE(sim.setPosition(w, {5, 5}));
    // Not moving is fine for a window that cannot move: the size still changes.
    EXPECT_TRUE(sim.setFrame(w, {0, 0, 310, 210}));
    sim.setResizable(w, false);
    EXPECT_FALSE(sim.setSize(w, {100, 100}));
    EXPECT_EQ(sim.frame(w), Rect(0, 0, 310, 210));
    EXPECT_EQ(sim.writesFor(w).size(), 6u);
    EXPECT_EQ(std::count_if(sim.writes().begin(), sim.writes().end(), [](auto& r) { return r.accepted; }), 1);

    // Writes to a window that does not exist fail and are still logged.
    EXPECT_FALSE(sim.setFrame(0xdead, {0, 0, 10, 10}));
    EXPECT_FALSE(sim.raise(0xdead));
    EXPECT_FALSE(sim.frame(0xdead));
    EXPECT_EQ(sim.writesFor(0xdead).size(), 2u);
}

TEST_F(SimDesktopTest, MaximizedWindowsKeepTheirFrameUntilUnmaximized)
{
    sim.addScreen(screen("A", {0, 0, 1920, 1080}, true));
    const WindowId w = sim.addWindow({.pid = 1, .frame = {100, 100, 600, 400}, .maximized = true});
    EXPECT_EQ(sim.frame(w), Rect(0, 30, 1920, 1050));

    EXPECT_TRUE(sim.setFrame(w, {10, 10, 500, 500}));
    EXPECT_EQ(sim.frame(w), Rect(0, 30, 1920, 1050));
    EXPECT_TRUE(sim.unmaximize(w));
    EXPECT_EQ(sim.frame(w), Rect(100, 100, 600, 400));
    EXPECT_TRUE(sim.setFrame(w, {10, 10, 500, 500}));
    EXPECT_EQ(sim.frame(w), Rect(10, 10, 500, 500));
    EXPECT_TRUE(sim.unmaximize(w)); // not maximized: nothing to do
    EXPECT_EQ(sim.frame(w), Rect(10, 10, 500, 500));
}

// ---- stacking, focus and the snapshot

TEST_F(SimDesktopTest, RaiseReordersWithoutFocusActivateFocusesAndRestores)
{
    const WindowId a = sim.addWindow({.pid = 1, .title = "a", .frame = {0, 0, 100, 100}});
    const WindowId b = sim.addWindow({.pid = 2, .title = "b", .frame = {50, 50, 100, 100}});
    const WindowId c = sim.addWindow({.pid = 2, .title = "c", .frame = {500, 0, 100, 100}, .front = false});
    sim.setFocus(b);
    EXPECT_EQ(ids(sim.snapshot()), (std::vector<WindowId>{b, a, c}));
    EXPECT_EQ(sim.windowAt({60, 60}), b);

    EXPECT_TRUE(sim.raise(a));
    EXPECT_EQ(ids(sim.snapshot()), (std::vector<WindowId>{a, b, c}));
    EXPECT_EQ(sim.windowAt({60, 60}), a);
    EXPECT_EQ(sim.focusedWindow(), b);
    EXPECT_EQ(sim.frontmostPid(), 2);

    sim.setMinimized(c, true);
    EXPECT_FALSE(sim.windowAt({550, 50}));
    EXPECT_FALSE(sim.snapshot().back().onScreen);
    EXPECT_TRUE(sim.activate(c));
    EXPECT_EQ(ids(sim.snapshot()), (std::vector<WindowId>{c, a, b}));
    EXPECT_FALSE(sim.isMinimized(c));
    EXPECT_EQ(sim.windowAt({550, 50}), c);
    // The focus, and the frontmost application with it, follows on the next turn.
    EXPECT_EQ(sim.focusedWindow(), b);
    clock.runUntilIdle();
    EXPECT_EQ(sim.focusedWindow(), c);

    EXPECT_TRUE(sim.activate(a));
    EXPECT_EQ(sim.frontmostPid(), 2);
    clock.runUntilIdle();
    EXPECT_EQ(sim.frontmostPid(), 1);
    EXPECT_EQ(sim.app(2)->frontmost, false);
    EXPECT_EQ(describe(sim.writesOf(Write::Raise | Write::Activate)),
              (QStringList{"raise @0ms", "activate @0ms", "activate @0ms"}));

    // The focus that follows an activation raises nothing again: a window raised before it
    // arrives stays in front, as under a real window manager.
    EXPECT_TRUE(sim.activate(b));
    EXPECT_TRUE(sim.raise(a));
    clock.runUntilIdle();
    EXPECT_EQ(ids(sim.snapshot()).front(), a);
    EXPECT_EQ(sim.focusedWindow(), b);
    EXPECT_EQ(sim.frontmostPid(), 2);
}

TEST_F(SimDesktopTest, ClosingAndQuittingRemoveWindowsFromEveryRead)
{
    const WindowId a = sim.addWindow({.pid = 1, .title = "a", .frame = {0, 0, 100, 100}});
    const WindowId b = sim.addWindow({.pid = 1, .title = "b", .frame = {0, 0, 100, 100}});
    const WindowId c = sim.addWindow({.pid = 2, .title = "c", .frame = {0, 0, 100, 100}});
    sim.setFocus(a);
    EXPECT_TRUE(sim.closeWindow(a));
    EXPECT_FALSE(sim.frame(a));
    EXPECT_FALSE(sim.title(a));
    EXPECT_FALSE(sim.windowInfo(a));
    EXPECT_FALSE(sim.focusedWindow());
    EXPECT_EQ(sim.frontmostPid(), 1);

    EXPECT_TRUE(sim.quitApp(1));
    EXPECT_FALSE(sim.frontmostPid());
    EXPECT_FALSE(sim.pid(b));
    EXPECT_EQ(ids(sim.snapshot()), (std::vector<WindowId>{c}));
    EXPECT_EQ(sim.windowInfo(c)->title, "c");
    EXPECT_EQ(sim.windowInfo(c)->appClass, "App 2");
}

// ---- fault scripts

TEST_F(SimDesktopTest, RefusalScriptSkipsThenRefusesForItsCount)
{
    const WindowId w = sim.addWindow({.pid = 1, .frame = {0, 0, 100, 100}});
    sim.refuseWrites(w, {.kinds = Write::Position, .skip = 2, .count = 1});
    EXPECT_TRUE(sim.setPosition(w, {1, 0}));
    EXPECT_TRUE(sim.setSize(w, {200, 200}));    // not a selected kind: never counted
    EXPECT_TRUE(sim.setPosition(w, {2, 0}));
    EXPECT_FALSE(sim.setPosition(w, {3, 0}));   // the third position write
    EXPECT_EQ(sim.frame(w), Rect(2, 0, 200, 200));
    EXPECT_TRUE(sim.setPosition(w, {4, 0}));    // behaves again
    EXPECT_EQ(sim.frame(w), Rect(4, 0, 200, 200));

    // For ever, every kind.
    sim.refuseWrites(w, {.kinds = Write::All});
    EXPECT_FALSE(sim.setFrame(w, {9, 9, 9, 9}));
    EXPECT_FALSE(sim.raise(w));
    EXPECT_FALSE(sim.activate(w));
    EXPECT_EQ(sim.frame(w), Rect(4, 0, 200, 200));
}

TEST_F(SimDesktopTest, LateFramesApplyAfterTheirDelayInOrder)
{
    SizeHints h;
    h.minimum = Size{150, 150};
    const WindowId w = sim.addWindow({.pid = 1, .frame = {0, 0, 300, 300}, .hints = h});
    sim.applyLate(w, 40ms);
    EXPECT_TRUE(sim.setSize(w, {100, 100}));
    clock.advance(10ms);
    EXPECT_TRUE(sim.setPosition(w, {500, 0}));
    EXPECT_EQ(sim.frame(w), Rect(0, 0, 300, 300));
    clock.advance(30ms);
    EXPECT_EQ(sim.frame(w), Rect(0, 0, 150, 150));   // clamped when it lands
    clock.advance(9ms);
    EXPECT_EQ(sim.frame(w), Rect(0, 0, 150, 150));
    clock.advance(1ms);
    EXPECT_EQ(sim.frame(w), Rect(500, 0, 150, 150));

    // A window that closes before its late frame lands stays closed.
    EXPECT_TRUE(sim.setFrame(w, {1, 1, 200, 200}));
    sim.closeAfter(w, 20ms);
    clock.runUntilIdle();
    EXPECT_FALSE(sim.frame(w));
}

TEST_F(SimDesktopTest, DriftFollowsTheLastWriteAndStopsAfterItsCount)
{
    const WindowId w = sim.addWindow({.pid = 1, .frame = {0, 0, 300, 300}});
    const Rect away(7, 7, 310, 290);
    sim.driftAfterWrite(w, away, 50ms, 2);

    EXPECT_TRUE(sim.setFrame(w, {100, 0, 300, 300}));
    clock.advance(30ms);
    EXPECT_TRUE(sim.setFrame(w, {200, 0, 300, 300}));   // writes keep coming: the drift waits
    clock.advance(49ms);
    EXPECT_EQ(sim.frame(w), Rect(200, 0, 300, 300));
    clock.advance(1ms);
    EXPECT_EQ(sim.frame(w), away);

    EXPECT_TRUE(sim.setFrame(w, {200, 0, 300, 300}));   // corrected, drifts once more
    clock.advance(50ms);
    EXPECT_EQ(sim.frame(w), away);
    EXPECT_TRUE(sim.setFrame(w, {200, 0, 300, 300}));   // and then stays
    clock.runUntilIdle();
    EXPECT_EQ(sim.frame(w), Rect(200, 0, 300, 300));

    // Refused writes never trigger a drift.
    sim.driftAfterWrite(w, away, 10ms);
    sim.refuseWrites(w);
    EXPECT_FALSE(sim.setPosition(w, {0, 0}));
    clock.runUntilIdle();
    EXPECT_EQ(sim.frame(w), Rect(200, 0, 300, 300));
}

TEST_F(SimDesktopTest, WindowsCloseAtATimeOrOnTheirNextWrite)
{
    const WindowId a = sim.addWindow({.pid = 1, .frame = {0, 0, 100, 100}});
    const WindowId b = sim.addWindow({.pid = 1, .frame = {0, 0, 100, 100}});
    clock.advance(5ms);
    sim.closeAt(a, 20ms);
    clock.advance(14ms);
    EXPECT_TRUE(sim.frame(a));
    clock.advance(1ms);
    EXPECT_FALSE(sim.frame(a));
    EXPECT_FALSE(sim.setFrame(a, {0, 0, 1, 1}));

    sim.closeOnNextWrite(b);
    EXPECT_TRUE(sim.frame(b));
    EXPECT_FALSE(sim.raise(b));
    EXPECT_FALSE(sim.frame(b));
    EXPECT_FALSE(sim.setPosition(b, {1, 1}));
    EXPECT_EQ(sim.snapshot().size(), 0u);
}

TEST_F(SimDesktopTest, LateLaunchShowsTheAppFrontmostAfterItsDelay)
{
    const WindowId old = sim.addWindow({.pid = 1, .frame = {0, 0, 100, 100}});
    sim.setFocus(old);
    const WindowId w = sim.launchLate({.pid = 7, .name = "Mail"}, {.title = "Inbox", .frame = {10, 10, 400, 300}}, 200ms);
    EXPECT_NE(w, old);
    EXPECT_FALSE(sim.frame(w));
    EXPECT_FALSE(sim.app(7)->setup.running);
    EXPECT_FALSE(sim.setFrame(w, {0, 0, 10, 10}));

    clock.advance(199ms);
    EXPECT_EQ(sim.snapshot().size(), 1u);
    clock.advance(1ms);
    EXPECT_EQ(sim.frame(w), Rect(10, 10, 400, 300));
    EXPECT_EQ(ids(sim.snapshot()), (std::vector<WindowId>{w, old}));
    EXPECT_EQ(sim.snapshot().front().appClass, "Mail");
    EXPECT_EQ(sim.focusedWindow(), w);
    EXPECT_EQ(sim.frontmostPid(), 7);
    // Ids handed out later never collide with the reserved one.
    EXPECT_NE(sim.addWindow({.pid = 1}), w);
}

namespace {

// A move the way the window code makes one: shrink where it shrinks, move, then grow,
// one frame every 16 ms.
Task<int> stepwiseMove(Clock& clock, WindowSystem& ws, WindowId id, Rect to, int frames)
{
    Rect prev = *ws.frame(id);
    const Rect from = prev;
    int written = 0;
    for (int n = 1; n <= frames; ++n) {
        const double t = double(n) / frames;
        const Rect f(from.x() + (to.x() - from.x()) * t, from.y() + (to.y() - from.y()) * t,
                     from.width() + (to.width() - from.width()) * t, from.height() + (to.height() - from.height()) * t);
        const Size shrunk{std::min(f.width(), prev.width()), std::min(f.height(), prev.height())};
        if (shrunk != prev.size && !ws.setSize(id, shrunk))
            co_return written;
        if (f.origin != prev.origin && !ws.setPosition(id, f.origin))
            co_return written;
        if (f.size != shrunk && !ws.setSize(id, f.size))
            co_return written;
        prev = f;
        ++written;
        if (n < frames)
            co_await clock.sleep(16ms);
    }
    co_return written;
}

} // namespace

TEST_F(SimDesktopTest, TaskDrivenMoveIsRecordedAsShrinkMoveGrowWithItsTimes)
{
    const WindowId w = sim.addWindow({.pid = 1, .frame = {0, 0, 400, 200}});
    EXPECT_EQ(clock.run(stepwiseMove(clock, sim, w, {100, 100, 200, 400}, 2)), 2);
    EXPECT_EQ(describe(sim.writesFor(w)),
              (QStringList{"size {300, 200} @0ms", "position {50, 50} @0ms", "size {300, 300} @0ms",
                           "size {200, 300} @16ms", "position {100, 100} @16ms", "size {200, 400} @16ms"}));

    // The same move against an application that refuses positions from its second frame on.
    sim.place(w, {0, 0, 400, 200});
    sim.clearWrites();
    sim.refuseWrites(w, {.kinds = Write::Position, .skip = 1});
    EXPECT_EQ(clock.run(stepwiseMove(clock, sim, w, {100, 100, 200, 400}, 4)), 1);
    EXPECT_EQ(sim.writesOf(Write::Position).back().accepted, false);
    EXPECT_EQ(sim.writesOf(Write::Position).back().time, 32ms);
}

TEST_F(SimDesktopTest, SlowWritesPassTimeAndLetDueTimersRunAfterwards)
{
    const WindowId w = sim.addWindow({.pid = 1, .frame = {0, 0, 100, 100}});
    sim.setWriteLatency(w, 30ms);
    bool fired = false;
    Duration firedAt{0};
    clock.schedule(10ms, [&] {
        fired = true;
        firedAt = clock.now();
    });
    EXPECT_TRUE(sim.setPosition(w, {5, 5}));
    EXPECT_EQ(clock.now(), 30ms);
    EXPECT_FALSE(fired);   // not inside the write
    clock.advance(0ms);
    EXPECT_TRUE(fired);
    EXPECT_EQ(firedAt, 30ms);
    EXPECT_EQ(sim.writes().front().time, 0ms);

    // Refusals take as long as anything else the application does.
    sim.setMovable(w, false);
    EXPECT_FALSE(sim.setPosition(w, {6, 6}));
    EXPECT_TRUE(sim.raise(w));
    EXPECT_EQ(clock.now(), 90ms);
    EXPECT_EQ(describe(sim.writesFor(w)).mid(1), (QStringList{"position {6, 6} @30ms refused", "raise @60ms"}));
}

TEST_F(SimDesktopTest, PendingFaultsOutliveNoDesktop)
{
    {
        SimDesktop local(clock);
        const WindowId w = local.addWindow({.pid = 1, .frame = {0, 0, 100, 100}});
        local.applyLate(w, 10ms);
        local.driftAfterWrite(w, {1, 1, 1, 1}, 20ms);
        local.setFrame(w, {5, 5, 50, 50});
        local.closeAfter(w, 30ms);
        local.launchLate({.pid = 2}, {}, 40ms);
    }
    EXPECT_TRUE(clock.runUntilIdle());
}

// ---- applications' frame-animation switch

TEST_F(SimDesktopTest, FrameAnimationFlagReadsAndWritesAsScripted)
{
    sim.addApp({.pid = 1, .name = "A", .frameAnimation = true});
    sim.addApp({.pid = 2, .name = "B"});   // unreadable
    sim.addApp({.pid = 3, .name = "C", .frameAnimation = true, .frameAnimationSettable = false});

    EXPECT_EQ(sim.frameAnimation(1), true);
    EXPECT_TRUE(sim.setFrameAnimation(1, false));
    EXPECT_EQ(sim.frameAnimation(1), false);
    EXPECT_EQ(sim.frameAnimation(2), std::nullopt);
    EXPECT_FALSE(sim.setFrameAnimation(2, false));
    EXPECT_FALSE(sim.setFrameAnimation(3, false));
    EXPECT_EQ(sim.frameAnimation(3), true);
    EXPECT_FALSE(sim.setFrameAnimation(99, true));

    const auto log = sim.writesOf(Write::FrameAnimation);
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].pid, 1);
    EXPECT_EQ(log[0].toString(), "frame-animation off @0ms");
    EXPECT_EQ(log[2].toString(), "frame-animation off @0ms refused");
}

// ---- screens

TEST_F(SimDesktopTest, ScreensKeepOnePrimaryFirstAndReportEachChange)
{
    int changes = 0;
    sim.setChangeHandler([&] { ++changes; });
    sim.addScreen(screen("L", {0, 0, 1920, 1080}));
    EXPECT_TRUE(sim.screens().front().primary);   // the only display is the primary one
    sim.addScreen(screen("R", {1920, 0, 1280, 1024}, true));
    auto s = sim.screens();
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].key, "R");
    EXPECT_TRUE(s[0].primary);
    EXPECT_FALSE(s[1].primary);

    EXPECT_TRUE(sim.changeScreen("L", screen("L", {0, 0, 2560, 1440})));
    EXPECT_EQ(sim.screens()[1].frame, Rect(0, 0, 2560, 1440));
    EXPECT_TRUE(sim.removeScreen("R"));
    EXPECT_EQ(sim.screens().front().key, "L");
    EXPECT_TRUE(sim.screens().front().primary);
    EXPECT_FALSE(sim.removeScreen("R"));
    EXPECT_FALSE(sim.changeScreen("R", screen("R", {})));
    EXPECT_EQ(changes, 4);

    sim.setScreens({screen("X", {0, 0, 10, 10}, true), screen("Y", {10, 0, 10, 10}, true)});
    EXPECT_EQ(changes, 5);
    EXPECT_EQ(sim.screens()[0].key, "X");
    EXPECT_FALSE(sim.screens()[1].primary);
}

// ---- mouse and permissions

TEST_F(SimDesktopTest, MouseEventsReachTheHandlerOnlyWhileRunning)
{
    std::vector<MouseEvent::Type> seen;
    EXPECT_FALSE(sim.mouse().press({1, 1}));
    ASSERT_TRUE(sim.mouse().start([&](const MouseEvent& e) {
        seen.push_back(e.type);
        if (e.type == MouseEvent::Type::LeftUp)
            sim.mouse().stop();   // a handler may stop the monitor
    }));
    EXPECT_TRUE(sim.mouse().press({10, 10}, ModShift));
    EXPECT_TRUE(sim.mouse().drag({20, 10}));
    EXPECT_TRUE(sim.mouse().release({30, 10}));
    EXPECT_FALSE(sim.mouse().move({40, 10}));
    EXPECT_EQ(seen, (std::vector{MouseEvent::Type::LeftDown, MouseEvent::Type::LeftDrag, MouseEvent::Type::LeftUp}));
    EXPECT_EQ(sim.mouse().position(), (Point{40, 10}));

    sim.mouse().setAvailable(false);
    EXPECT_FALSE(sim.mouse().start([](const MouseEvent&) {}));
    EXPECT_FALSE(sim.mouse().running());
}

TEST_F(SimDesktopTest, PermissionsAreGrantedUntilDenied)
{
    EXPECT_TRUE(sim.windowControlGranted(true));
    EXPECT_TRUE(sim.windowPreviewsGranted());
    EXPECT_EQ(sim.promptCount(), 0);
    sim.setWindowControlGranted(false);
    EXPECT_FALSE(sim.windowControlGranted(false));
    EXPECT_FALSE(sim.windowControlGranted(true));
    EXPECT_EQ(sim.promptCount(), 1);
    EXPECT_FALSE(sim.resetWindowControl());
    sim.setResetAvailable(true);
    EXPECT_TRUE(sim.resetWindowControl());
    EXPECT_TRUE(sim.openSettings("windowControl"));
    EXPECT_EQ(sim.openedSettings(), QStringList{"windowControl"});
}
