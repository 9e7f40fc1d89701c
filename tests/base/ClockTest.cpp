#include "base/Clock.h"

#include <gtest/gtest.h>

#include <string>

using namespace fw;

namespace {

Task<int> sleeper(Clock& clock, Duration d, std::string& log, std::string name, CancelToken token = {})
{
    const bool full = co_await clock.sleep(d, token);
    log += name + (full ? "+" : "-");
    co_return full ? 1 : 0;
}

Task<int> sumOfTwo(Clock& clock, std::string& log)
{
    int a = co_await sleeper(clock, 20ms, log, "a");
    int b = co_await sleeper(clock, 10ms, log, "b");
    co_return a + b;
}

} // namespace

TEST(VirtualClock, RunsTimersInDeadlineOrderThenSchedulingOrder)
{
    VirtualClock clock;
    std::string log;
    clock.schedule(30ms, [&] { log += "c"; });
    clock.schedule(10ms, [&] { log += "a"; });
    clock.schedule(30ms, [&] { log += "d"; });
    clock.schedule(20ms, [&] { log += "b"; });
    clock.advance(25ms);
    EXPECT_EQ(log, "ab");
    EXPECT_EQ(clock.now(), 25ms);
    clock.advance(5ms);
    EXPECT_EQ(log, "abcd");
}

TEST(VirtualClock, AwaitedTasksAdvanceTimeByTheirSleeps)
{
    VirtualClock clock;
    std::string log;
    EXPECT_EQ(clock.run(sumOfTwo(clock, log)), 2);
    EXPECT_EQ(log, "a+b+");
    EXPECT_EQ(clock.now(), 30ms);
}

TEST(VirtualClock, CancellationEndsASleepAtOnceWithoutWaitingForItsDeadline)
{
    VirtualClock clock;
    std::string log;
    auto token = CancelToken::make();
    spawn(sleeper(clock, 10s, log, "s", token));
    clock.advance(1ms);
    token.cancel();
    clock.advance(0ms);
    EXPECT_EQ(log, "s-");
    EXPECT_EQ(clock.now(), 1ms);
    EXPECT_EQ(clock.pendingCount(), 0u);
}

TEST(VirtualClock, AnAlreadyCancelledTokenDoesNotSuspend)
{
    VirtualClock clock;
    std::string log;
    auto token = CancelToken::make();
    token.cancel();
    EXPECT_EQ(clock.run(sleeper(clock, 10s, log, "s", token)), 0);
    EXPECT_EQ(clock.now(), 0ms);
}

TEST(VirtualClock, DelayedCallOfAGoneOwnerDoesNothing)
{
    VirtualClock clock;
    int calls = 0;
    auto owner = std::make_shared<int>(1);
    clock.callAfter(5ms, std::weak_ptr<int>(owner), [&] { ++calls; });
    auto kept = std::make_shared<int>(2);
    clock.callAfter(5ms, std::weak_ptr<int>(kept), [&] { ++calls; });
    owner.reset();
    clock.advance(10ms);
    EXPECT_EQ(calls, 1);
}

TEST(VirtualClock, RepeatingTimerFiresEachIntervalAndStopsFromItsOwnCallback)
{
    VirtualClock clock;
    int ticks = 0;
    RepeatingTimer timer(clock, 100ms, [&] {
        if (++ticks == 3)
            timer.stop();
    });
    timer.start();
    clock.advance(1s);
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(timer.active());
}
