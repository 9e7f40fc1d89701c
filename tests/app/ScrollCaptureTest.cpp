// Scroll capture in virtual time with synthetic events: smooth deltas adding up to a step,
// notches, momentum, the interval between steps, and giving scrolling back.
#include "app/ScrollCapture.h"
#include "platform/sim/SimInput.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

ScrollEvent smooth(double points, int momentum = 0)
{
    return ScrollEvent{true, points, 0, momentum};
}
ScrollEvent notch(int lines)
{
    return ScrollEvent{false, 0, lines, 0};
}

struct ScrollFixture : ::testing::Test {
    VirtualClock clock;
    sim::SimScrollTap tap;
    ScrollCapture capture{tap, clock};
    std::vector<int> steps;

    void start() { capture.start([this](int d) { steps.push_back(d); }); }
    // Feeds one event and lets the main loop run; whether the event reached the application.
    bool feed(const ScrollEvent& e)
    {
        const bool reached = tap.scroll(e);
        clock.advance(0ms);
        return reached;
    }
};

TEST_F(ScrollFixture, SmoothDeltasAddUpToOneStepAndMomentumIsSwallowed)
{
    start();
    EXPECT_TRUE(capture.capturing());
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(feed(smooth(-10)));
    EXPECT_TRUE(steps.empty());
    EXPECT_FALSE(feed(smooth(-10)));
    EXPECT_EQ(steps, (std::vector<int>{1})) << "-40 points: one step down the list";

    // Coasting after the swipe: dropped, no step, and the sum is untouched (it was reset).
    clock.advance(1s);
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(feed(smooth(-30, 2)));
    EXPECT_EQ(steps.size(), 1u);
    EXPECT_FALSE(feed(smooth(20)));
    EXPECT_FALSE(feed(smooth(20)));
    EXPECT_EQ(steps, (std::vector<int>{1, -1})) << "+40 from zero: one step up";

    // Scrolling inside the pause is lost, not stored: the sum resets without a step.
    clock.advance(100ms);
    EXPECT_FALSE(feed(smooth(40)));
    EXPECT_EQ(steps.size(), 2u);
    clock.advance(300ms);
    EXPECT_FALSE(feed(smooth(30)));
    EXPECT_EQ(steps.size(), 2u) << "30 points since the lost step are below the threshold";
}

TEST_F(ScrollFixture, NotchesStepAtMostEveryIntervalAndTheFirstIsNeverHeldBack)
{
    start();
    EXPECT_FALSE(feed(notch(1)));
    EXPECT_EQ(steps, (std::vector<int>{-1})) << "at time zero, the first step goes through";
    clock.advance(100ms);
    EXPECT_FALSE(feed(notch(1)));
    EXPECT_EQ(steps.size(), 1u);
    clock.advance(180ms);
    EXPECT_FALSE(feed(notch(-2)));
    EXPECT_EQ(steps, (std::vector<int>{-1, 1})) << "0.28 s after the last step";
    EXPECT_FALSE(feed(notch(0))) << "a sideways notch is taken without a step";
    EXPECT_EQ(steps.size(), 2u);

    // The step runs on a later turn of the loop, and not at all once the capture stopped.
    clock.advance(1s);
    EXPECT_FALSE(tap.scroll(notch(-1)));
    EXPECT_EQ(steps.size(), 2u);
    capture.stop();
    clock.advance(0ms);
    EXPECT_EQ(steps.size(), 2u);
    EXPECT_FALSE(capture.capturing());
    EXPECT_TRUE(feed(notch(-1))) << "after stop, scrolling reaches the applications";
}

TEST_F(ScrollFixture, StartWithoutInstallingOrRefusedOnlyKeepsTheClosure)
{
    capture.start([this](int d) { steps.push_back(d); }, false);
    EXPECT_FALSE(capture.capturing());
    EXPECT_TRUE(feed(notch(1)));

    tap.setAvailable(false);
    start();
    EXPECT_FALSE(capture.capturing());
    EXPECT_TRUE(feed(notch(1)));
    EXPECT_TRUE(steps.empty());

    // Starting again while capturing feeds the new closure and resets the sum.
    tap.setAvailable(true);
    start();
    EXPECT_FALSE(feed(smooth(-30)));
    std::vector<int> other;
    capture.start([&](int d) { other.push_back(d); });
    EXPECT_FALSE(feed(smooth(-30)));
    EXPECT_TRUE(other.empty());
    EXPECT_FALSE(feed(smooth(-6)));
    EXPECT_EQ(other, (std::vector<int>{1}));
    EXPECT_TRUE(steps.empty());
}

} // namespace
} // namespace fw
