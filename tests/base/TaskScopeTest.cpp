// Task scopes: nothing a scope started runs after the scope ends.
#include "base/TaskScope.h"

#include <gtest/gtest.h>

#include <vector>

using namespace fw;

namespace {

Task<void> sleeper(Clock& clock, std::vector<int>& log, int id, Duration d)
{
    log.push_back(id);
    const bool slept = co_await clock.sleep(d);
    log.push_back(slept ? id * 10 : -id);
}

Task<void> outer(Clock& clock, std::vector<int>& log)
{
    co_await sleeper(clock, log, 2, 500ms); // the awaited task's sleep belongs to this frame too
    log.push_back(99);
}

// Starts another task from its destructor, as a guard released by a dying frame would.
struct SpawnsOnDestruction {
    TaskScope* scope;
    Clock* clock;
    std::vector<int>* log;
    ~SpawnsOnDestruction() { scope->spawn(sleeper(*clock, *log, 7, 1ms)); }
};

Task<void> guarded(TaskScope& scope, Clock& clock, std::vector<int>& log)
{
    SpawnsOnDestruction guard{&scope, &clock, &log};
    co_await clock.sleep(1s);
}

} // namespace

TEST(TaskScope, EndingTheScopeWithdrawsEverySleepAndDeferredStep)
{
    VirtualClock clock;
    std::vector<int> log;
    {
        TaskScope scope(clock);
        scope.spawn(sleeper(clock, log, 1, 100ms));
        scope.spawn(outer(clock, log));
        scope.spawn(guarded(scope, clock, log));
        scope.after(50ms, [&] { log.push_back(5); });
        scope.after(200ms, [&] { log.push_back(6); });
        EXPECT_EQ(log, (std::vector<int>{1, 2})) << "tasks start at once";
        clock.advance(120ms);
        EXPECT_EQ(log, (std::vector<int>{1, 2, 5, 10}));
        EXPECT_EQ(scope.taskCount(), 2u);
        EXPECT_EQ(scope.pendingSteps(), 1u);
    }
    EXPECT_EQ(clock.pendingCount(), 0u) << "no sleep, step or late spawn is left on the clock";
    clock.runUntilIdle();
    EXPECT_EQ(log, (std::vector<int>{1, 2, 5, 10}));
}

TEST(TaskScope, CancelEndsOneTaskAndFinishedTasksAreDropped)
{
    VirtualClock clock;
    std::vector<int> log;
    TaskScope scope(clock);
    const auto a = scope.spawn(sleeper(clock, log, 1, 100ms));
    const auto b = scope.spawn(sleeper(clock, log, 2, 300ms));
    EXPECT_TRUE(scope.running(a));
    EXPECT_TRUE(scope.cancel(b));
    EXPECT_FALSE(scope.running(b));
    EXPECT_FALSE(scope.cancel(b)) << "twice";
    EXPECT_EQ(clock.pendingCount(), 1u) << "the cancelled task's sleep went with it";
    clock.runUntilIdle();
    EXPECT_EQ(log, (std::vector<int>{1, 2, 10}));
    EXPECT_FALSE(scope.running(a));
    EXPECT_FALSE(scope.cancel(a)) << "a finished task cannot be cancelled";
    EXPECT_EQ(scope.taskCount(), 0u);
}

TEST(Lifeline, WeakReferencesExpireWhenCut)
{
    int value = 3;
    Lifeline<int> line(&value);
    auto weak = line.weak();
    ASSERT_FALSE(weak.expired());
    EXPECT_EQ(*weak.lock(), 3);
    line.cut();
    EXPECT_TRUE(weak.expired());
}
