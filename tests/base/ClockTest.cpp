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

namespace {

Task<void> loopForever(Clock& clock, CancelToken token, int& resumed)
{
    for (;;) {
        const bool slept = co_await clock.sleep(1s, token);
        if (!slept)
            co_return;
        ++resumed;
    }
}

Task<int> outer(Clock& clock, std::string& log, CancelToken token)
{
    const int r = co_await sleeper(clock, 50ms, log, "inner", token);
    log += "outer";
    co_return r;
}

} // namespace

TEST(VirtualClock, RunReportsATaskThatDoesNotFinishInsteadOfCrashing)
{
    VirtualClock clock;
    std::string log;
    // The sleep outlasts the limit.
    EXPECT_THROW(clock.run(sleeper(clock, 2h, log, "s"), 1h), VirtualClock::Timeout);
    EXPECT_EQ(log, "");
    EXPECT_EQ(clock.pendingCount(), 0u); // the destroyed task took its timer with it

    // A timer that keeps re-arming must not keep run() going past its limit.
    int ticks = 0;
    RepeatingTimer timer(clock, 10ms, [&] { ++ticks; });
    timer.start();
    int resumed = 0;
    const Duration start = clock.now();
    EXPECT_FALSE(clock.tryRun(loopForever(clock, CancelToken::make(), resumed), 5s).has_value());
    EXPECT_LE(clock.now() - start, 5s);
    EXPECT_EQ(resumed, 5); // a sleep ending exactly at the limit still ends
    timer.stop();

    auto done = clock.tryRun(sleeper(clock, 10ms, log, "t"));
    ASSERT_TRUE(done.has_value());
    EXPECT_EQ(*done, 1);
    EXPECT_EQ(log, "t+");
}

TEST(VirtualClock, ATaskDestroyedWhileSleepingLeavesNoCallbackBehind)
{
    VirtualClock clock;
    std::string log;
    auto token = CancelToken::make();
    {
        // The owner keeps the (un-spawned) task; when the owner goes, so does the task.
        auto owner = std::make_shared<Task<int>>(outer(clock, log, token));
        owner->start();
        EXPECT_EQ(clock.pendingCount(), 1u);
    }
    EXPECT_EQ(clock.pendingCount(), 0u);
    token.cancel(); // must not resume the destroyed frame
    clock.advance(1s);
    EXPECT_EQ(log, "");

    // Destroyed after a cancel was requested but before its resumption ran.
    auto token2 = CancelToken::make();
    {
        Task<int> t = outer(clock, log, token2);
        t.start();
        token2.cancel();
        EXPECT_EQ(clock.pendingCount(), 1u); // the zero-delay resumption
    }
    EXPECT_EQ(clock.pendingCount(), 0u);
    clock.advance(1s);
    EXPECT_EQ(log, "");
}

TEST(VirtualClock, OneTokenEndsEverySleepOnItAndLateRegistrationsRunAtOnce)
{
    VirtualClock clock;
    std::string log;
    auto token = CancelToken::make();
    spawn(sleeper(clock, 1s, log, "a", token));
    spawn(sleeper(clock, 2s, log, "b", token));
    spawn(sleeper(clock, 3s, log, "c"));
    clock.advance(10ms);
    token.cancel();
    EXPECT_EQ(log, ""); // resumption comes from the loop, after the canceller is done
    clock.advance(0ms);
    EXPECT_EQ(log, "a-b-");
    clock.advance(5s);
    EXPECT_EQ(log, "a-b-c+");

    int late = 0;
    EXPECT_EQ(token.onCancel([&] { ++late; }), 0u);
    EXPECT_EQ(late, 1);
    CancelToken never;
    never.onCancel([&] { ++late; });
    never.cancel();
    EXPECT_FALSE(never.cancelled());
    EXPECT_EQ(late, 1);
}

TEST(VirtualClock, NegativeDelaysRunOnTheNextTurnAndCancelledTimersNever)
{
    VirtualClock clock;
    std::string log;
    clock.advance(5ms);
    clock.schedule(-3ms, [&] { log += "n"; });
    const TimerId gone = clock.schedule(1ms, [&] { log += "x"; });
    clock.schedule(0ms, [&] {
        log += "z";
        clock.cancel(gone);
    });
    EXPECT_EQ(log, ""); // never inline
    EXPECT_TRUE(clock.runUntilIdle());
    EXPECT_EQ(log, "nz");
    EXPECT_EQ(clock.now(), 5ms);
    clock.cancel(gone); // already gone: ignored
}
