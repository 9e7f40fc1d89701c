#include "WindowAccessFixture.h"

using namespace fw;
using namespace fw::accesstest;

namespace {

class ShuffleSlide : public Desk {
protected:
    int positionWrites(WindowId id) const
    {
        int n = 0;
        for (const auto& w : sim.writesFor(id))
            n += w.kind == sim::Write::Position;
        return n;
    }
    const Rect home{100, 100, 400, 300};
    const Rect out{500, 140, 400, 300};
};

} // namespace

TEST_F(ShuffleSlide, SlidesOutTurnsOnceAtTheTurningPointAndComesHome)
{
    sim.addApp({.pid = 10, .name = "Editor", .frameAnimation = true});
    const WindowId w = sim.addWindow({.pid = 10, .title = "doc", .frame = home});
    std::vector<Duration> turns;
    Rect atTurn;
    double furthest = 0;
    run(wa.shuffleBack(managed(w), [&] {
        turns.push_back(clock.now());
        atTurn = frameOf(w);
    }, out, home));

    // The first 120 Hz frame at or after t = 0.36 of 0.44 s is frame 20 (166.7 ms).
    ASSERT_EQ(turns.size(), 1u);
    EXPECT_NEAR(toMilliseconds(turns[0]), 1000.0 * 20 / 120, 0.01);
    EXPECT_GT(atTurn.x(), 450);
    EXPECT_LT(atTurn.x(), out.x());   // still on its way out
    for (const auto& r : sim.writesFor(w)) {
        EXPECT_NE(r.kind, sim::Write::Size);   // only the position moves
        if (r.kind == sim::Write::Position) {
            furthest = std::max(furthest, r.position.x);
            EXPECT_EQ(r.position.x, std::round(r.position.x));
        }
    }
    EXPECT_EQ(furthest, out.x());
    EXPECT_EQ(frameOf(w), home);
    const int frames = positionWrites(w);
    EXPECT_GT(frames, 30);
    EXPECT_EQ(motion(), QStringList({QString("Editor shuffle: 441 ms total, %1 frames, app writes 0 ms, slowest 0 ms").arg(frames)}));
    const auto iface = sim.writesOf(sim::Write::FrameAnimation);
    ASSERT_EQ(iface.size(), 2u);
    EXPECT_TRUE(iface[1].flag);
    EXPECT_GE(iface[1].time, sim.writesFor(w).back().time);
}

TEST_F(ShuffleSlide, StandingStillReducedOrRefusedSlidesStillRaiseOnce)
{
    const WindowId w = addWindow(10, "Editor", "doc", home);
    auto raises = [&] { return sim.writesOf(sim::Write::Raise | sim::Write::Activate).size(); };

    run(wa.shuffle(managed(w), home, home));
    EXPECT_EQ(positionWrites(w), 1);   // the rounded position never changes after the first frame
    EXPECT_EQ(raises(), 2u);           // activate, then raise
    EXPECT_EQ(motion().last(), "Editor shuffle: 441 ms total, 1 frames, app writes 0 ms, slowest 0 ms");

    sim.clearWrites();
    const Duration begin = clock.now();
    sim.refuseWrites(w, {.kinds = sim::Write::Position, .count = 1});
    int actions = 0;
    run(wa.shuffleBack(managed(w), [&] { ++actions; }, out, home));
    EXPECT_EQ(actions, 1);
    EXPECT_EQ(clock.now(), begin);
    EXPECT_EQ(motion().last(), "Editor shuffle (refused): 0 ms total, 0 frames, app writes 0 ms, slowest 0 ms");
    EXPECT_EQ(frameOf(w), home);

    sim.clearWrites();
    wa.setReduceMotion([] { return true; });
    run(wa.shuffleBack(managed(w), [&] { ++actions; }, out, home));
    EXPECT_EQ(actions, 2);
    EXPECT_EQ(positionWrites(w), 0);
    EXPECT_EQ(motion().last(), "Editor shuffle: 0 ms total, 0 frames, app writes 0 ms, slowest 0 ms");
}

TEST_F(ShuffleSlide, CancellingNeitherStopsNorRacesTheSlide)
{
    const WindowId w = addWindow(10, "Editor", "doc", home);
    auto token = CancelToken::make();
    clock.schedule(50ms, [&] { token.cancel(); });
    int actions = 0;
    run(wa.shuffleBack(managed(w), [&] { ++actions; }, out, home, token), 10s);
    EXPECT_EQ(actions, 1);
    EXPECT_EQ(frameOf(w), home);
    EXPECT_GT(positionWrites(w), 30);
    EXPECT_TRUE(motion().last().startsWith("Editor shuffle: 441 ms total"));
}
