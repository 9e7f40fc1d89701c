#include "base/QtClock.h"

#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include <string>

using namespace fw;

namespace {

// Spins the event loop until done() holds; false when the safety deadline passes first.
template<typename F>
bool spinUntil(F done)
{
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(10000);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(0);
    if (!done())
        loop.exec();
    return done();
}

Task<void> napper(Clock& clock, std::string& log, CancelToken token)
{
    log += co_await clock.sleep(3ms, token) ? "slept" : "cancelled";
}

} // namespace

TEST(QtClock, TimersFireThroughTheEventLoopInDeadlineOrderAndNeverInline)
{
    QtClock clock;
    std::string log;
    const Duration before = clock.now();
    clock.schedule(30ms, [&] { log += "c"; });
    clock.schedule(2ms, [&] { log += "b"; });
    clock.schedule(0ms, [&] { log += "a"; });
    EXPECT_EQ(log, "");
    ASSERT_TRUE(spinUntil([&] { return log.size() == 3; }));
    EXPECT_EQ(log, "abc");
    EXPECT_GE(clock.now(), before);
    EXPECT_EQ(clock.pendingCount(), 0u);
}

TEST(QtClock, CancelledTimersNeverFire)
{
    QtClock clock;
    std::string log;
    const TimerId a = clock.schedule(1ms, [&] { log += "a"; });
    TimerId b = 0;
    clock.schedule(0ms, [&] {
        log += "z";
        clock.cancel(b); // cancelled from another timer's callback
    });
    b = clock.schedule(2ms, [&] { log += "b"; });
    clock.cancel(a);
    clock.cancel(a);
    clock.schedule(40ms, [&] { log += "end"; });
    ASSERT_TRUE(spinUntil([&] { return log.find("end") != std::string::npos; }));
    EXPECT_EQ(log, "zend");

    // Timers pending when the clock goes never run.
    int late = 0;
    {
        QtClock gone;
        gone.schedule(0ms, [&] { ++late; });
    }
    QtClock other;
    bool done = false;
    other.schedule(5ms, [&] { done = true; });
    ASSERT_TRUE(spinUntil([&] { return done; }));
    EXPECT_EQ(late, 0);
}

TEST(QtClock, SleepsOfTasksEndOnTimeOrOnCancel)
{
    QtClock clock;
    std::string log;
    spawn(napper(clock, log, {}));
    ASSERT_TRUE(spinUntil([&] { return !log.empty(); }));
    EXPECT_EQ(log, "slept");

    log.clear();
    auto token = CancelToken::make();
    // The long sleep ends at the cancel, well before its deadline would arrive.
    spawn([](Clock& c, std::string& l, CancelToken t) -> Task<void> {
        l += co_await c.sleep(1h, t) ? "slept" : "cancelled";
    }(clock, log, token));
    clock.schedule(1ms, [&] { token.cancel(); });
    ASSERT_TRUE(spinUntil([&] { return !log.empty(); }));
    EXPECT_EQ(log, "cancelled");
    EXPECT_EQ(clock.pendingCount(), 0u);
}
