#include "WindowAccessFixture.h"

using namespace fw;
using namespace fw::accesstest;

namespace {
class FrameWrite : public Desk {};
}

TEST_F(FrameWrite, ShrinksThenMovesThenGrowsWhereTheOrderMattersAndSkipsFramesAlreadyThere)
{
    // Moved right at its old width, the window would reach past the screen's edge: it shrinks
    // first. Past both frames but on the screen, it is one write.
    const WindowId w = addWindow(10, "Editor", "doc", Rect(100, 100, 800, 600));
    EXPECT_TRUE(run(wa.setFrame(managed(w), Rect(500, 60, 400, 900), 1.0)));
    EXPECT_EQ(geometryWrites(w), QStringList({"frame {{500, 60}, {400, 900}} @0ms"}));
    sim.clearWrites();
    EXPECT_TRUE(run(wa.setFrame(managed(w), Rect(100, 100, 800, 600), 1.0)));
    sim.clearWrites();
    EXPECT_TRUE(run(wa.setFrame(managed(w), Rect(1500, 60, 400, 900), 1.0)));
    EXPECT_EQ(geometryWrites(w), QStringList({"size {400, 600} @0ms", "position {1500, 60} @0ms", "size {400, 900} @0ms"}));
    EXPECT_EQ(frameOf(w), Rect(1500, 60, 400, 900));

    // Moved left, its old size stays within the frames: one write.
    sim.clearWrites();
    EXPECT_TRUE(run(wa.setFrame(managed(w), Rect(50, 60, 300, 950), 1.0)));
    EXPECT_EQ(geometryWrites(w), QStringList({"frame {{50, 60}, {300, 950}} @0ms"}));
    EXPECT_EQ(frameOf(w), Rect(50, 60, 300, 950));

    sim.clearWrites();
    EXPECT_TRUE(run(wa.setFrame(managed(w), Rect(50.5, 60, 300, 950.5), 1.0)));
    EXPECT_TRUE(geometryWrites(w).isEmpty());
    // Two points away is written even when the caller would accept five: a move alone, one write.
    EXPECT_TRUE(run(wa.setFrame(managed(w), Rect(52, 60, 300, 950), 5.0)));
    EXPECT_EQ(geometryWrites(w).size(), 1);
    // A pixel off the asked origin, though every edge is within the tolerance: written too
    // (the last step of an animation, or a manager that answered between two writes, leaves
    // a window there).
    sim.clearWrites();
    EXPECT_TRUE(run(wa.setFrame(managed(w), Rect(53, 60, 300, 950), 1.0)));
    EXPECT_EQ(geometryWrites(w), QStringList({"frame {{53, 60}, {300, 950}} @0ms"}));
    // So is a side a pixel short where no cell grid counts.
    sim.clearWrites();
    EXPECT_TRUE(run(wa.setFrame(managed(w), Rect(53, 60, 300, 951), 1.0)));
    EXPECT_EQ(geometryWrites(w).size(), 1);
    EXPECT_EQ(frameOf(w), Rect(53, 60, 300, 951));
    EXPECT_TRUE(access().isEmpty());
}

TEST_F(FrameWrite, OneReadBeforeTheWriteAndItsReadBackAfterAndOnlyAMaximizedWindowLeavesThatStateFirst)
{
    const WindowId w = addWindow(10, "Editor", "doc", Rect(100, 100, 800, 600));
    const ManagedWindow window = managed(w);
    const auto kinds = [&] {
        QStringList out;
        for (const auto& r : sim.writesFor(w))
            out << sim::writeKindName(r.kind);
        return out;
    };
    // The frame and the states in one read, the application's frame animation, the write and
    // the frame read back: nothing else.
    sim.resetCounters();
    EXPECT_TRUE(run(wa.setFrame(window, Rect(50, 60, 700, 500), 1.0)));
    EXPECT_EQ(sim.frameReadCount(), 2);
    EXPECT_EQ(sim.readCount(), 3);
    EXPECT_EQ(kinds(), QStringList({"frame"}));
    EXPECT_EQ(frameOf(w), Rect(50, 60, 700, 500));

    // Maximized, it holds its frame: it leaves that state before the write.
    sim.setMaximized(w, true);
    sim.clearWrites();
    EXPECT_TRUE(run(wa.setFrame(window, Rect(200, 100, 600, 400), 1.0)));
    EXPECT_EQ(kinds().value(0), QStringLiteral("unmaximize"));
    EXPECT_EQ(frameOf(w), Rect(200, 100, 600, 400));
    EXPECT_EQ(sim.windowStates(w), WindowStates(0));
}

TEST_F(FrameWrite, RefusedGeometryIsCheckedOnScheduleRewrittenOnceAndReported)
{
    const WindowId w = addWindow(10, "Term", "shell", Rect(0, 0, 700, 520));
    sim.setSizeHints(w, {.maximum = Size{800, 600}});
    std::vector<std::optional<Rect>> rejected;
    const bool ok = run(wa.setFrame(managed(w), Rect(100, 100, 805, 605), 1.0,
                                    [&](std::optional<Rect> r) { rejected.push_back(r); }));
    EXPECT_FALSE(ok);
    EXPECT_EQ(clock.now(), 512ms);   // the checks' bound; the re-write once 48 ms passed
    EXPECT_EQ(geometryWrites(w), QStringList({"frame {{100, 100}, {805, 605}} @0ms", "position {100, 100} @48ms",
                                              "size {805, 605} @48ms"}));
    ASSERT_EQ(rejected.size(), 1u);
    EXPECT_EQ(rejected[0], Rect(100, 100, 800, 600));
    EXPECT_EQ(access(), QStringList({"Geometry rejected by Term: requested {{100, 100}, {805, 605}}, "
                                     "actual {{100, 100}, {800, 600}}"}));

    // The same answer is good enough for a caller that allows five points.
    logs.clear();
    EXPECT_TRUE(run(wa.setFrame(managed(w), Rect(100, 100, 805, 605), 5.0)));
    EXPECT_TRUE(access().isEmpty());

    // A zero-width target never verifies.
    EXPECT_FALSE(run(wa.setFrame(managed(w), Rect(100, 100, 0, 600), 5.0)));
    EXPECT_EQ(access().size(), 1);

    // A terminal sized in cells from its base size takes a frame off its grid cut to the grid:
    // that is no refusal.
    logs.clear();
    sim.setSizeHints(w, {.increment = {10, 10}, .base = {4, 6}});
    EXPECT_TRUE(run(wa.setFrame(managed(w), Rect(100, 100, 805, 605), 1.0)));
    EXPECT_EQ(frameOf(w), Rect(100, 100, 804, 596));
    EXPECT_TRUE(access().isEmpty());

    // Held a cell off that cut (here by its maximum) but within a cell and the tolerance of the
    // target, it has arrived as well, at once: the write answers by the rule every placement's
    // check uses.
    sim.setSizeHints(w, {.maximum = Size{798, 598}, .increment = {10, 10}, .base = {4, 6}});
    const auto before = clock.now();
    EXPECT_TRUE(run(wa.setFrame(managed(w), Rect(100, 100, 805, 605), 2.0)));
    EXPECT_EQ(frameOf(w), Rect(100, 100, 794, 596));
    EXPECT_EQ(clock.now(), before) << "no check waited for";
    EXPECT_TRUE(access().isEmpty());
}

TEST_F(FrameWrite, LateWindowIsConfirmedByALaterCheckWithoutAnotherRewrite)
{
    const WindowId w = addWindow(10, "Slow", "doc", Rect(0, 0, 400, 300));
    sim.applyLate(w, 100ms);
    const Duration begin = clock.now();
    EXPECT_TRUE(run(wa.setFrame(managed(w), Rect(200, 200, 400, 300), 1.0)));
    EXPECT_EQ(clock.now() - begin, 112ms);   // the first check after it landed; the re-write at 48 ms lands at 148
    EXPECT_EQ(geometryWrites(w).size(), 3);   // the move, then the re-write of both
}

TEST_F(FrameWrite, PositionRefusalStillShrinksAndRewritesBoth)
{
    const WindowId w = addWindow(10, "Stuck", "doc", Rect(0, 0, 800, 600));
    sim.refuseWrites(w, {.kinds = sim::Write::Position});
    EXPECT_FALSE(run(wa.setFrame(managed(w), Rect(1500, 100, 400, 300), 1.0)));
    EXPECT_EQ(geometryWrites(w), QStringList({"size {400, 300} @0ms", "position {1500, 100} @0ms refused",
                                              "position {1500, 100} @48ms refused", "size {400, 300} @48ms"}));
    EXPECT_EQ(frameOf(w), Rect(0, 0, 400, 300));
}

TEST_F(FrameWrite, FrameAnimationIsRestoredOnEveryEndingAndUntouchedOtherwise)
{
    sim.addApp({.pid = 10, .name = "Assisted", .frameAnimation = true});
    const WindowId w = sim.addWindow({.pid = 10, .title = "doc", .frame = Rect(0, 0, 400, 300)});
    EXPECT_TRUE(run(wa.setFrame(managed(w), Rect(10, 10, 400, 300), 1.0)));
    EXPECT_EQ(interfaceWrites(), QStringList({"frame-animation off @0ms", "frame-animation on @0ms"}));
    EXPECT_EQ(sim.frameAnimation(10), true);

    sim.clearWrites();
    sim.refuseWrites(w);
    EXPECT_FALSE(run(wa.setFrame(managed(w), Rect(20, 20, 400, 300), 1.0)));
    EXPECT_EQ(interfaceWrites(), QStringList({"frame-animation off @0ms", "frame-animation on @512ms"}));

    sim.clearWrites();
    sim.addApp({.pid = 11, .name = "Plain", .frameAnimation = false});
    const WindowId p = sim.addWindow({.pid = 11, .title = "doc", .frame = Rect(0, 0, 400, 300)});
    const WindowId q = addWindow(12, "Unreadable", "doc", Rect(0, 0, 400, 300));
    EXPECT_TRUE(run(wa.setFrame(managed(p), Rect(10, 10, 400, 300), 1.0)));
    EXPECT_TRUE(run(wa.setFrame(managed(q), Rect(10, 10, 400, 300), 1.0)));
    EXPECT_TRUE(interfaceWrites().isEmpty());
}

TEST_F(FrameWrite, ClosedOrCancelledWritesStillReportTheirEnd)
{
    const WindowId w = addWindow(10, "Closing", "doc", Rect(0, 0, 400, 300));
    sim.refuseWrites(w);
    sim.closeAfter(w, 30ms);
    std::vector<std::optional<Rect>> rejected;
    auto window = managed(w);
    EXPECT_FALSE(run(wa.setFrame(window, Rect(10, 10, 400, 300), 1.0, [&](auto r) { rejected.push_back(r); })));
    ASSERT_EQ(rejected.size(), 1u);
    EXPECT_FALSE(rejected[0]);
    EXPECT_EQ(access(), QStringList({"Geometry rejected by Closing: requested {{10, 10}, {400, 300}}, actual unavailable"}));
    // Gone from the start: nothing happens at all.
    logs.clear();
    EXPECT_FALSE(run(wa.setFrame(window, Rect(20, 10, 400, 300), 1.0, [&](auto r) { rejected.push_back(r); })));
    EXPECT_EQ(rejected.size(), 1u);
    EXPECT_TRUE(access().isEmpty());

    // A cancelled task runs the checks back to back but still reports.
    const WindowId v = addWindow(11, "Hurried", "doc", Rect(0, 0, 400, 300));
    sim.refuseWrites(v);
    auto token = CancelToken::make();
    token.cancel();
    const Duration begin = clock.now();
    EXPECT_FALSE(run(wa.setFrame(managed(v), Rect(10, 10, 400, 300), 1.0, {}, token)));
    EXPECT_EQ(clock.now(), begin);
    EXPECT_EQ(geometryWrites(v).size(), 3);   // the refused move, then the re-write of both
    EXPECT_EQ(access().size(), 1);
}

TEST_F(FrameWrite, DriftRaiseAndPermissionOperations)
{
    const WindowId w = addWindow(10, "Editor", "doc", Rect(0, 0, 400, 300));
    wa.checkDrift(managed(w), Rect(0, 0, 400, 300), Rect(5, 0, 400, 300));
    wa.checkDrift(managed(w), Rect(0, 0, 400, 300), std::nullopt);
    EXPECT_EQ(access(), QStringList({"Post-placement drift in Editor: expected {{0, 0}, {400, 300}}, actual {{5, 0}, {400, 300}}",
                                     "Post-placement drift in Editor: expected {{0, 0}, {400, 300}}, actual unavailable"}));

    auto kinds = [&] {
        QStringList out;
        for (const auto& r : sim.writesOf(sim::Write::Raise | sim::Write::Activate))
            out << sim::writeKindName(r.kind);
        return out;
    };
    const WindowId other = addWindow(11, "Viewer", "pic", Rect(0, 0, 400, 300));
    sim.setFrontmostApp(11);
    wa.raise(managed(w));
    EXPECT_EQ(kinds(), QStringList({"activate", "raise"}));
    sim.clearWrites();
    sim.setFrontmostApp(11);
    wa.raise(managed(other));   // its application is frontmost: nothing is activated
    EXPECT_EQ(kinds(), QStringList({"raise"}));

    // No reset tool: nothing else happens. With one: prompt and settings follow.
    EXPECT_FALSE(wa.resetAccessibilityPermission());
    EXPECT_EQ(sim.promptCount(), 0);
    EXPECT_TRUE(sim.openedSettings().isEmpty());
    sim.setResetAvailable(true);
    sim.setWindowControlGranted(false);
    EXPECT_TRUE(wa.resetAccessibilityPermission());
    EXPECT_EQ(sim.promptCount(), 1);
    EXPECT_EQ(sim.openedSettings().size(), 1);
}
