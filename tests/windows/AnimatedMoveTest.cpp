#include "WindowAccessFixture.h"
#include "windows/MotionCurve.h"

#include <cmath>

using namespace fw;
using namespace fw::accesstest;

namespace {

class AnimatedMove : public Desk {
protected:
    std::vector<sim::WriteRecord> positions(WindowId id) const
    {
        std::vector<sim::WriteRecord> out;
        for (const auto& w : sim.writesFor(id)) {
            if (w.kind == sim::Write::Position)
                out.push_back(w);
        }
        return out;
    }
    // Frame n of the move from start to target: the curve starts where the first frame moves
    // the farthest edge one pixel and still ends at the sixteenth.
    Rect frameAt(int n) const
    {
        const double from = (progressMoving(start, target, 1.0) - 0.0625) / (1 - 0.0625);
        return animateFrame(start, target, from + (1 - from) * (n * 0.0625));
    }
    const Rect start{0, 0, 400, 300};
    const Rect target{320, 160, 400, 300};
};

} // namespace

TEST(MotionCurve, EasesInAndOutAndClampsProgress)
{
    const Rect a(0, 0, 100, 100), b(100, 200, 300, 100);
    EXPECT_EQ(animateFrame(a, b, -1), a);
    EXPECT_EQ(animateFrame(a, b, std::nan("")), a);
    EXPECT_EQ(animateFrame(a, b, 1.5), b);
    EXPECT_EQ(animateFrame(a, b, 0.25), Rect(6.25, 12.5, 112.5, 100));   // 4p³ = 1/16
    EXPECT_EQ(animateFrame(a, b, 0.75), Rect(93.75, 187.5, 287.5, 100)); // 1 − (0.5)³/2
    EXPECT_DOUBLE_EQ(easeInOut(0.5), 0.5);
    // The progress at which the farthest edge (b's right edge, 300 away) has moved so far.
    EXPECT_NEAR(easeInOut(progressMoving(a, b, 1.0)) * 300, 1.0, 1e-9);
    EXPECT_NEAR(easeInOut(progressMoving(a, b, 200.0)) * 300, 200.0, 1e-9);
    EXPECT_EQ(progressMoving(a, a.offsetBy(0.5, 0), 1.0), 1.0);
    EXPECT_DOUBLE_EQ(shuffleFraction(0.21), 0.5);
    EXPECT_DOUBLE_EQ(shuffleFraction(0.42), 1);
    EXPECT_NEAR(shuffleFraction(1), 0, 1e-12);
}

TEST_F(AnimatedMove, WritesSixteenEasedFramesSixteenMillisecondsApart)
{
    const WindowId w = addWindow(10, "Editor", "doc", start);
    EXPECT_TRUE(run(wa.animateMove(managed(w), {}, target, 1.0)));
    const auto writes = positions(w);
    ASSERT_EQ(writes.size(), 16u);
    // The first frame moves the window a whole pixel, where the bare ease-in would move it a
    // third of one.
    EXPECT_LT(animateFrame(start, target, 1 / 16.0).x(), 0.5);
    EXPECT_NEAR(writes[0].position.x, 1.0, 1e-9);
    for (int n = 1; n <= 16; ++n) {
        EXPECT_EQ(writes[n - 1].time, (n - 1) * 16ms);
        EXPECT_EQ(writes[n - 1].position, frameAt(n).origin) << n;
    }
    EXPECT_EQ(geometryWrites(w).size(), 16);   // a pure move writes no size, and the settle nothing
    EXPECT_EQ(frameOf(w), target);
    EXPECT_EQ(motion(), QStringList({"Editor move done: 240 ms total, 16 frames, app writes 0 ms, slowest 0 ms"}));
}

TEST_F(AnimatedMove, AlreadyThereWritesNothingAndResizeStartsAboveOnePoint)
{
    const WindowId w = addWindow(10, "Editor", "doc", start);
    EXPECT_TRUE(run(wa.animateMove(managed(w), {}, Rect(0.5, 0, 400.5, 300), 1.0)));
    EXPECT_TRUE(sim.writesFor(w).empty());
    EXPECT_TRUE(motion().isEmpty());

    EXPECT_TRUE(run(wa.animateMove(managed(w), {}, Rect(100, 0, 401, 300), 1.0)));
    EXPECT_TRUE(run(wa.animateMove(managed(w), {}, Rect(0, 0, 402.01, 300), 1.0)));
    ASSERT_EQ(motion().size(), 2);
    EXPECT_TRUE(motion()[0].startsWith("Editor move done"));
    EXPECT_TRUE(motion()[1].startsWith("Editor resize done"));
}

TEST_F(AnimatedMove, SlowResizeJumpsToTheSettleButSlowMoveRunsOn)
{
    const WindowId w = addWindow(10, "Editor", "doc", start);
    sim.setWriteLatency(w, 25ms);   // one write per frame that moves and grows: 25 ms
    EXPECT_TRUE(run(wa.animateMove(managed(w), {}, Rect(100, 100, 600, 500), 1.0)));
    ASSERT_EQ(motion().size(), 1);
    EXPECT_TRUE(motion()[0].startsWith("Editor resize done (jumped: slow app):"));
    EXPECT_TRUE(motion()[0].endsWith(" 1 frames, app writes 25 ms, slowest 25 ms"));
    EXPECT_EQ(frameOf(w), Rect(100, 100, 600, 500));

    logs.clear();
    const WindowId v = addWindow(11, "Viewer", "pic", start);
    sim.setWriteLatency(v, 30ms);
    EXPECT_TRUE(run(wa.animateMove(managed(v), {}, target, 1.0)));
    ASSERT_EQ(motion().size(), 1);
    EXPECT_TRUE(motion()[0].startsWith("Viewer move done:"));
    // Progress follows the clock once writes are slow: fewer than 16 frames, none skipped by a jump.
    const auto frames = positions(v).size();
    EXPECT_GT(frames, 4u);
    EXPECT_LT(frames, 16u);
    EXPECT_EQ(frameOf(v), target);
}

TEST_F(AnimatedMove, RefusedFrameReportsAndAnimatesBackBeforeRestoringTheInterface)
{
    sim.addApp({.pid = 10, .name = "Editor", .frameAnimation = true});
    const WindowId w = sim.addWindow({.pid = 10, .title = "doc", .frame = start});
    sim.refuseWrites(w, {.kinds = sim::Write::Position, .skip = 2, .count = 1});
    std::vector<std::optional<Rect>> rejected;
    EXPECT_FALSE(run(wa.animateMove(managed(w), [&](auto r) { rejected.push_back(r); }, target, 1.0)));
    ASSERT_EQ(rejected.size(), 1u);
    EXPECT_EQ(rejected[0], Rect(frameAt(2).origin, start.size));
    EXPECT_EQ(motion(), QStringList({"Editor move failed: 32 ms total, 3 frames, app writes 0 ms, slowest 0 ms"}));
    EXPECT_EQ(frameOf(w), start);
    const auto writes = positions(w);
    ASSERT_GT(writes.size(), 5u);                       // the way back is animated too
    EXPECT_EQ(writes.back().position, start.origin);
    const auto iface = sim.writesOf(sim::Write::FrameAnimation);
    ASSERT_EQ(iface.size(), 2u);
    EXPECT_FALSE(iface[0].flag);
    EXPECT_TRUE(iface[1].flag);
    EXPECT_GE(iface[1].time, writes.back().time);

    // A failure that leaves the window where it started has nothing to roll back.
    const WindowId v = addWindow(11, "Viewer", "pic", start);
    sim.refuseWrites(v, {.kinds = sim::Write::Position, .count = 1});
    EXPECT_FALSE(run(wa.animateMove(managed(v), {}, target, 1.0)));
    EXPECT_EQ(geometryWrites(v).size(), 1);
    EXPECT_EQ(frameOf(v), start);
}

TEST_F(AnimatedMove, CancellationAndGenerationChangesEndTheMoveAndRollBack)
{
    const WindowId w = addWindow(10, "Editor", "doc", start);
    auto token = CancelToken::make();
    clock.schedule(40ms, [&] { token.cancel(); });
    EXPECT_FALSE(run(wa.animateMove(managed(w), {}, target, 1.0, token)));
    EXPECT_EQ(motion(), QStringList({"Editor move failed: 40 ms total, 3 frames, app writes 0 ms, slowest 0 ms"}));
    EXPECT_EQ(frameOf(w), start);
    EXPECT_EQ(clock.now(), 40ms);   // the way back does not wait on a cancelled task

    const auto sharedOwner = std::make_shared<Generation>();
    Generation& owner = *sharedOwner;
    owner.value = 7;
    sim.resetCounters();
    logs.clear();
    EXPECT_FALSE(run(wa.animateMoveGuarded(managed(w), {}, {sharedOwner, 6}, target, 1.0)));
    EXPECT_EQ(sim.frameReadCount(), 0);
    EXPECT_TRUE(motion().isEmpty());

    const Duration begin = clock.now();
    clock.schedule(70ms, [&] { owner.value = 8; });
    EXPECT_FALSE(run(wa.animateMoveGuarded(managed(w), {}, {sharedOwner, 7}, target, 1.0)));
    ASSERT_EQ(motion().size(), 1);
    EXPECT_TRUE(motion()[0].contains("failed: 80 ms total, 5 frames"));
    EXPECT_EQ(frameOf(w), start);
    EXPECT_GT(clock.now() - begin, 80ms);   // the roll-back keeps its pace
}

TEST_F(AnimatedMove, ReducedMotionOnlySettles)
{
    const WindowId w = addWindow(10, "Editor", "doc", start);
    wa.setReduceMotion([] { return true; });
    EXPECT_TRUE(run(wa.animateMove(managed(w), {}, target, 1.0)));
    EXPECT_EQ(geometryWrites(w), QStringList({"frame {{320, 160}, {400, 300}} @0ms"}));
    EXPECT_EQ(motion(), QStringList({"Editor move done: 0 ms total, 0 frames, app writes 0 ms, slowest 0 ms"}));
}
