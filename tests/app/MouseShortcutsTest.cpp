// Mouse-button shortcuts over simulated grabs whose tap thread is a real thread: matching,
// swallowed releases, suspension, the clicks a stack action leaves to the window off every
// stack, the thread's lifecycle, a refused tap, and the main thread changing the table and the
// stacks while clicks arrive (run once under ThreadSanitizer).
#include "app/MouseShortcuts.h"
#include "platform/sim/SimInput.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace fw {
namespace {

constexpr std::uint32_t CtrlAlt = StoredCtrl | StoredAlt;

struct Delivered {
    ShortcutAction action;
    Point at;
};

struct MouseFixture : ::testing::Test {
    MemoryDefaults defaults;
    ShortcutStore store{defaults};
    sim::SimButtonGrabs platform;
    std::unique_ptr<MouseShortcuts> mouse = std::make_unique<MouseShortcuts>(platform);
    std::vector<Delivered> delivered;

    // A stack wherever a click lands, unless a test says otherwise.
    const std::vector<StackSlot> stackEverywhere{{Rect(-100000, -100000, 200000, 200000), false}};

    void SetUp() override
    {
        mouse->action = [this](ShortcutAction a, Point at) { delivered.push_back({a, at}); };
        mouse->setStackSlots(stackEverywhere);
    }
    // Runs the main thread's queue until `count` matches have arrived or the time is up.
    void settle(size_t count, int timeoutMs = 1000)
    {
        QElapsedTimer t;
        t.start();
        do
            QCoreApplication::processEvents();
        while (delivered.size() < count && t.elapsed() < timeoutMs);
    }
};

TEST_F(MouseFixture, AMatchedClickRunsItsActionOnTheMainThreadAndNeitherHalfReachesTheApplication)
{
    store.setMouseTrigger(MouseTrigger{2, 0}, ShortcutAction::stack);
    store.setMouseTrigger(MouseTrigger{3, CtrlAlt}, ShortcutAction::next);
    mouse->configure(defaults);
    ASSERT_TRUE(mouse->running());
    EXPECT_FALSE(mouse->unavailable());
    EXPECT_EQ(platform.grabbed().size(), 2u);

    EXPECT_FALSE(platform.press(2, 0, Point{40, 50}));
    EXPECT_TRUE(delivered.empty()) << "handed to the main thread, not called on the tap thread";
    EXPECT_FALSE(platform.release(2));
    settle(1);
    ASSERT_EQ(delivered.size(), 1u);
    EXPECT_EQ(delivered[0].action, ShortcutAction::stack);
    EXPECT_EQ(delivered[0].at, (Point{40, 50}));

    // Modifiers must match exactly; the table swallows nothing it did not match.
    EXPECT_TRUE(platform.press(2, StoredCtrl));
    EXPECT_TRUE(platform.release(2));
    EXPECT_TRUE(platform.press(3, StoredCtrl));
    EXPECT_FALSE(platform.press(3, CtrlAlt, Point{1, 2}));
    EXPECT_FALSE(platform.release(3));
    settle(2);
    ASSERT_EQ(delivered.size(), 2u);
    EXPECT_EQ(delivered[1].action, ShortcutAction::next);

    // A matched press whose release comes after suspension: the release is still dropped.
    EXPECT_FALSE(platform.press(2, 0));
    mouse->setSuspended(true);
    EXPECT_FALSE(platform.release(2));
    EXPECT_TRUE(platform.press(2, 0)) << "suspended: the click reaches the window being recorded";
    EXPECT_TRUE(platform.release(2));
    mouse->setSuspended(false);
    EXPECT_FALSE(platform.press(2, 0));
    EXPECT_FALSE(platform.release(2));
    settle(4);
    EXPECT_EQ(delivered.size(), 4u);
}

TEST_F(MouseFixture, AStackActionTakesAClickOnlyOverAStackAndSendingBehindOnlyOverASpan)
{
    store.setMouseTrigger(MouseTrigger{2, 0}, ShortcutAction::stack);
    store.setMouseTrigger(MouseTrigger{3, 0}, ShortcutAction::sendToBack);
    store.setMouseTrigger(MouseTrigger{4, 0}, ShortcutAction::layouts);
    // A dialog of another program stands over the left stack.
    mouse->setStackSlots({{Rect(0, 0, 960, 1080), false, {Rect(100, 600, 300, 200)}}, {Rect(960, 0, 960, 540), true, {}}});
    mouse->configure(defaults);

    // Whether a click reached the window: its press and its release alike.
    const auto reachesWindow = [&](int button, Point at) {
        const bool pressed = platform.press(button, 0, at);
        EXPECT_EQ(platform.release(button), pressed) << "a release goes where its press went";
        return pressed;
    };
    // Off every stack the middle click reaches the window: it pastes there. Over a frame stack
    // and over a span's, the switcher takes it.
    EXPECT_TRUE(reachesWindow(2, Point{1400, 800}));
    EXPECT_FALSE(reachesWindow(2, Point{100, 100}));
    EXPECT_FALSE(reachesWindow(2, Point{1400, 100}));
    EXPECT_TRUE(reachesWindow(2, Point{200, 700})) << "the dialog over the stack takes its click";
    // Sending a span behind reaches only a span's stack; the gallery opens anywhere.
    EXPECT_TRUE(reachesWindow(3, Point{100, 100}));
    EXPECT_FALSE(reachesWindow(3, Point{1400, 100}));
    EXPECT_FALSE(reachesWindow(4, Point{1400, 800}));
    // The stacks gone (turned off or paused): the click is the window's again.
    mouse->setStackSlots({});
    EXPECT_TRUE(reachesWindow(2, Point{100, 100}));

    settle(4);
    ASSERT_EQ(delivered.size(), 4u);
    EXPECT_EQ(delivered[0].action, ShortcutAction::stack);
    EXPECT_EQ(delivered[1].at, (Point{1400, 100}));
    EXPECT_EQ(delivered[2].action, ShortcutAction::sendToBack);
    EXPECT_EQ(delivered[3].action, ShortcutAction::layouts);
}

TEST_F(MouseFixture, TheTapRunsOnlyWhileATriggerOfButtonTwoOrUpIsBoundAndTheProgramRuns)
{
    mouse->configure(defaults);
    EXPECT_FALSE(mouse->running());
    EXPECT_EQ(platform.starts(), 0);

    // Left and right buttons are never bound, even when stored.
    store.setMouseTrigger(MouseTrigger{0, 0}, ShortcutAction::place);
    store.setMouseTrigger(MouseTrigger{1, CtrlAlt}, ShortcutAction::layouts);
    mouse->configure(defaults);
    EXPECT_FALSE(mouse->running());

    store.setMouseTrigger(MouseTrigger{2, 0}, ShortcutAction::stack);
    mouse->configure(defaults);
    store.setMouseTrigger(MouseTrigger{4, 0}, ShortcutAction::next);
    mouse->configure(defaults);
    EXPECT_EQ(platform.starts(), 1) << "a second configure re-grabs the running tap";
    EXPECT_EQ(platform.grabbed(), (std::vector<ButtonGrab>{{2, 0}, {4, 0}}));

    // Paused, the program has nothing to do with a click: the tap stops until it resumes, a
    // change of the table meanwhile included.
    mouse->setPaused(true);
    EXPECT_FALSE(mouse->running());
    EXPECT_TRUE(platform.press(2, 0));
    EXPECT_TRUE(platform.release(2));
    mouse->configure(defaults);
    EXPECT_FALSE(mouse->running());
    mouse->setPaused(false);
    EXPECT_TRUE(mouse->running());
    EXPECT_FALSE(platform.press(2, 0));
    EXPECT_FALSE(platform.release(2));

    store.setMouseTrigger(std::nullopt, ShortcutAction::stack);
    store.setMouseTrigger(std::nullopt, ShortcutAction::next);
    mouse->configure(defaults);
    EXPECT_FALSE(mouse->running());
    EXPECT_TRUE(platform.press(2, 0)) << "after stop, clicks reach applications untouched";
}

TEST_F(MouseFixture, ARefusedTapOrATakenCombinationIsReportedUntilAConfigureSucceeds)
{
    store.setMouseTrigger(MouseTrigger{2, 0}, ShortcutAction::stack);
    platform.setAvailable(false);
    mouse->configure(defaults);
    EXPECT_TRUE(mouse->unavailable());
    EXPECT_FALSE(mouse->running());

    platform.setAvailable(true);
    platform.take({3, 0});
    store.setMouseTrigger(MouseTrigger{3, 0}, ShortcutAction::next);
    mouse->configure(defaults);
    EXPECT_TRUE(mouse->running());
    EXPECT_TRUE(mouse->unavailable()) << "another client holds button 3";
    EXPECT_FALSE(platform.press(2, 0)) << "the other trigger still works";

    store.setMouseTrigger(MouseTrigger{4, 0}, ShortcutAction::next);
    mouse->configure(defaults);
    EXPECT_FALSE(mouse->unavailable());
}

TEST_F(MouseFixture, AMatchStillOnItsWayIsDroppedWhenTheObjectIsGone)
{
    store.setMouseTrigger(MouseTrigger{2, 0}, ShortcutAction::stack);
    mouse->configure(defaults);
    EXPECT_FALSE(platform.press(2, 0));
    mouse.reset();
    EXPECT_FALSE(platform.running());
    settle(1, 50);
    EXPECT_TRUE(delivered.empty());
}

// Clicks from another thread while the main thread reconfigures, suspends, stops and starts:
// every field the tap thread reads is behind the state's lock (checked under ThreadSanitizer).
TEST_F(MouseFixture, TheTableCanChangeWhileClicksArrive)
{
    store.setMouseTrigger(MouseTrigger{2, 0}, ShortcutAction::stack);
    mouse->configure(defaults);
    std::atomic<bool> done{false};
    std::atomic<int> dropped{0};
    std::thread user([&] {
        while (!done) {
            if (!platform.press(2, 0))
                ++dropped;
            platform.release(2);
        }
    });
    for (int i = 0; i < 200; ++i) {
        mouse->setSuspended(i % 3 == 0);
        if (i % 7 == 0)
            mouse->setStackSlots(i % 14 ? stackEverywhere : std::vector<StackSlot>{});
        store.setMouseTrigger(MouseTrigger{2, i % 2 ? 0u : StoredShift}, ShortcutAction::stack);
        mouse->configure(defaults);
        if (i % 10 == 0)
            mouse->stop();
        if (i % 10 == 5)
            mouse->startTapThread();
        QCoreApplication::processEvents();
    }
    mouse->setSuspended(false);
    mouse->setStackSlots(stackEverywhere);
    store.setMouseTrigger(MouseTrigger{2, 0}, ShortcutAction::stack);
    mouse->configure(defaults);
    QElapsedTimer t;
    t.start();
    while (dropped == 0 && t.elapsed() < 2000)
        QCoreApplication::processEvents();
    done = true;
    user.join();
    mouse->stop();
    settle(size_t(dropped.load()));
    EXPECT_GT(dropped.load(), 0);
    EXPECT_EQ(delivered.size(), size_t(dropped.load())) << "every dropped press ran its action once";
}

} // namespace
} // namespace fw
