// Steps the coordinator takes later: the 0.1 s commit of a release's choice, tasks started on
// the next turn, and what is left when the coordinator goes away in the middle of a task.
#include "SnapFixture.h"

#include "snap/DeferredSteps.h"
#include "snap/AssistThumbnails.h"
#include "snap/WindowMoves.h"

namespace fw::snaptest {
namespace {

// Hands over one image every 50 ms.
struct SlowCapture final : ThumbnailCapture {
    explicit SlowCapture(Clock& c) : clock(c) {}
    Clock& clock;
    Task<void> captureWindowThumbnails(std::vector<ManagedWindow> windows, double maxSide, ThumbnailDelivery deliver) override
    {
        for (const ManagedWindow& w : windows) {
            co_await clock.sleep(50ms);
            deliver(w, std::make_shared<const PixelImage>(int(maxSide), int(maxSide) / 2));
        }
    }
};

Task<void> record(std::vector<SnapSelection>& into, SnapSelection s)
{
    into.push_back(s);
    co_return;
}

class DeferredSteps : public SnapDesk {
protected:
    std::vector<SnapSelection> chosen;
    SelectionRun recordChoice()
    {
        return [this](SnapSelection s) { return record(chosen, s); };
    }
};

// A placement task as the runs write them: it holds the guard, moves the window, then records
// what it did in the user defaults.
Task<void> placeAndRecord(SnapCoordinator& c, SnapState& state, ManagedWindow w, Rect target)
{
    auto guard = MutationGuard::take(state.interaction, c.context().stacks);
    if (!guard)
        co_return;
    const bool moved = co_await c.context().access.animateMoveGuarded(w, {}, c.stamp(), target, kSameFrameTolerance);
    if (moved)
        state.sideSplits.add(u"A"_qs, {0, 1});
}

TEST_F(DeferredSteps, AReleasesChoiceIsCommittedATenthOfASecondLaterUnlessTheInteractionEnds)
{
    auto& c = start();
    commitSelectionLater(c.context().tasks, c.stamp(), {2, 1}, recordChoice());
    clock.advance(99ms);
    EXPECT_TRUE(chosen.empty());
    clock.advance(1ms);
    EXPECT_EQ(chosen, (std::vector<SnapSelection>{{2, 1}}));

    // A press 50 ms after the release ends the interaction: the choice is not applied.
    commitSelectionLater(c.context().tasks, c.stamp(), {0, 3}, recordChoice());
    clock.advance(50ms);
    c.endInteraction(true);
    clock.runUntilIdle();
    EXPECT_EQ(chosen.size(), 1u);

    // A task started on the next turn runs only when no interaction ended before that turn.
    startWhenCurrent(c.context().tasks, c.stamp(), [this] { return record(chosen, {0, 0}); });
    c.endInteraction(false);
    startWhenCurrent(c.context().tasks, c.stamp(), [this] { return record(chosen, {1, 0}); });
    EXPECT_EQ(chosen.size(), 1u) << "never inline";
    clock.runUntilIdle();
    EXPECT_EQ(chosen, (std::vector<SnapSelection>{{2, 1}, {1, 0}}));

    // The coordinator released before the commit: nothing runs, nothing is left on the clock.
    commitSelectionLater(c.context().tasks, c.stamp(), {3, 3}, recordChoice());
    coordinator.reset();
    EXPECT_EQ(clock.pendingCount(), 0u);
    clock.runUntilIdle();
    EXPECT_EQ(chosen.size(), 2u);
}

TEST_F(DeferredSteps, ACoordinatorDestroyedMidTaskLeavesNoSleepAndNoLaterWrite)
{
    auto& c = start();
    const auto w = add(100, Rect(100, 100, 600, 400));
    const Rect target = region(u"halves"_qs, 1);

    // Undisturbed, the task moves the window and then writes the defaults.
    c.context().tasks.spawn(placeAndRecord(c, state, w, target));
    EXPECT_TRUE(state.interaction.mutating);
    clock.runUntilIdle();
    EXPECT_EQ(frameOf(w), target);
    EXPECT_EQ(defaults.writeLog().size(), 1u);
    EXPECT_FALSE(state.interaction.mutating);

    // Destroyed 100 ms into the same task: its sleep goes with it, and it writes nothing more.
    sim.place(w.element, Rect(100, 100, 600, 400));
    defaults.clearWriteLog();
    c.context().tasks.spawn(placeAndRecord(c, state, w, target));
    clock.advance(100ms);
    const auto refreshes = stacks.refreshes;
    coordinator.reset();
    EXPECT_EQ(stacks.refreshes, refreshes + 1) << "the guard is released on the way out";
    EXPECT_EQ(clock.pendingCount(), 0u);
    const Duration gone = clock.now();
    clock.runUntilIdle();
    for (const auto& write : sim.writes())
        EXPECT_LE(write.time, gone) << write.toString().toStdString();
    EXPECT_TRUE(defaults.writeLog().empty());
    EXPECT_NE(frameOf(w), target);
}

TEST_F(DeferredSteps, ThumbnailsAreKeptOnlyWhileTheirInteractionLasts)
{
    SlowCapture slow(clock);
    captureUsed = &slow;
    auto& c = start();
    const auto a = add(100, Rect()), b = add(101, Rect()), d = add(102, Rect());
    c.captureAssistThumbnails({a, b, d});
    clock.advance(60ms);
    ASSERT_EQ(state.assist.thumbnails.size(), 1u);
    EXPECT_EQ(state.assist.thumbnails.at(a)->width, 520);
    EXPECT_EQ(feedback.count(u"updateAssistThumbnail"_qs), 1);

    // An image that arrives for an interaction that has ended is dropped.
    const InteractionStamp before = c.stamp();
    c.endInteraction(false);
    EXPECT_TRUE(state.assist.thumbnails.empty());
    c.storeThumbnail(std::make_shared<const PixelImage>(), b, before);
    EXPECT_TRUE(state.assist.thumbnails.empty());
    clock.runUntilIdle();
    EXPECT_TRUE(state.assist.thumbnails.empty()) << "the capture ended with the interaction";
    EXPECT_EQ(feedback.count(u"updateAssistThumbnail"_qs), 1);

    // A new capture replaces one under way.
    c.captureAssistThumbnails({a, b});
    clock.advance(10ms);
    c.captureAssistThumbnails({d});
    clock.runUntilIdle();
    EXPECT_EQ(state.assist.thumbnails.size(), 1u);
    EXPECT_EQ(state.assist.thumbnails.count(d), 1u);
}

} // namespace
} // namespace fw::snaptest
