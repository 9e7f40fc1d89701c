// The coordinator hub: what it installs, how ending an interaction leaves every interaction
// field, the refresh guard, and the stack controller's requests it answers itself.
#include "SnapFixture.h"

namespace fw::snaptest {
namespace {

Task<void> sleepFor(Clock& clock, Duration d, bool& finished)
{
    co_await clock.sleep(d);
    finished = true;
}

class CoordinatorHub : public SnapDesk {};

TEST_F(CoordinatorHub, InstallsOneOverlayAndSevenStackCallbacksThatGoQuietWithIt)
{
    start();
    EXPECT_EQ(feedback.count(u"setOnCancel"_qs), 1);
    EXPECT_EQ(stacks.installedCallbacks(), 7);
    EXPECT_FALSE(stacks.callbacks.tip) << "the shell fills the tip slot";

    auto& c = *coordinator;
    EXPECT_EQ(c.interactionGeneration(), 0u);
    EXPECT_FALSE(state.interaction.mutating || state.interaction.windowInteraction || state.interaction.pendingEdit);
    EXPECT_TRUE(c.groups().empty() && state.memory.originals.empty() && state.memory.returnHomes.empty());
    EXPECT_FALSE(state.picker.pickerScreen() || state.picker.pickerWindow || state.drop.regionDrop || state.assist.assistSession);
    EXPECT_FALSE(state.recovery.lastRecoveryDiagnostic());
    EXPECT_TRUE(defaults.writeLog().empty()) << "side splits load lazily";
    EXPECT_TRUE(stacks.callbacks.canRefresh());

    feedback.onCancel();
    EXPECT_EQ(c.interactionGeneration(), 1u) << "the panels' cancel ends the interaction";
    EXPECT_EQ(stacks.suspends, 1) << "without resuming the stacks";

    coordinator.reset();
    EXPECT_FALSE(stacks.callbacks.canRefresh());
    EXPECT_TRUE(stacks.callbacks.spanProvider().empty());
    EXPECT_EQ(stacks.callbacks.layoutSummary(Rect(0, 0, 100, 100)), LayoutSummary{});
    stacks.callbacks.onSnapshot(scan());
    stacks.callbacks.onChoose(add(100, Rect(0, 0, 10, 10)));
    feedback.onCancel();
    EXPECT_EQ(clock.pendingCount(), 0u);
}

TEST_F(CoordinatorHub, EndingAnInteractionResetsItsFieldsAndKeepsTheMemories)
{
    auto& c = start();
    bool presented = true;
    c.sinks().presentationChanged = [&](bool shown) { presented = shown; };
    const auto w = add(100, region(u"halves"_qs, 0));
    add(101, region(u"halves"_qs, 1));
    c.reconcile(scan());
    ASSERT_EQ(c.groups().size(), 1u);
    state.memory.originals[w] = Rect(1, 2, 3, 4);

    // Every interaction field dirty, and a capture running.
    state.drop.regionDrop = RegionDropTarget{u"A"_qs, builtIn(u"halves"_qs), RegionDropIntent::place(1), w, Rect(), {}, {}};
    state.drop.regionDropArmed = true;
    state.drop.shownMenu = ShownMenu{u"A"_qs, 1, {}};
    state.picker.choosingComposition = true;
    state.picker.cornerSelection = SnapSelection{1, 2};
    state.picker.pickerWindow = w;
    state.picker.pickerLayouts = SnapLayout::builtIns();
    state.picker.setPickerScreen(u"A"_qs, stacks);
    state.interaction.pendingEdit = PendingEdit{u"A"_qs, {}, DividerEdit::equalize()};
    state.interaction.mutating = true;
    state.interaction.windowInteraction = true;
    state.assist.assistSession = SnapAssistSession<ManagedWindow>{{{1, Rect()}}, {w}, {}, {}};
    bool captured = false;
    state.assist.thumbnailTask = c.context().tasks.spawn(sleepFor(clock, 1s, captured));
    EXPECT_EQ(stacks.suspends, 1) << "showing something on a display suspends the stacks";
    EXPECT_FALSE(c.canRefreshStacks());

    c.endInteraction(false);
    c.endInteraction(false);
    EXPECT_EQ(c.interactionGeneration(), 2u);
    EXPECT_FALSE(presented);
    EXPECT_EQ(stacks.suspends, 3);
    EXPECT_EQ(stacks.refreshes, 2);
    EXPECT_EQ(feedback.count(u"hideAll"_qs), 2);
    EXPECT_FALSE(state.drop.regionDrop || state.drop.regionDropArmed || state.drop.shownMenu);
    EXPECT_FALSE(state.picker.choosingComposition || state.picker.cornerSelection || state.picker.pickerWindow);
    EXPECT_FALSE(state.picker.pickerScreen());
    EXPECT_TRUE(state.picker.pickerLayouts.empty());
    EXPECT_FALSE(state.interaction.pendingEdit || state.assist.assistSession || state.assist.thumbnailTask);
    EXPECT_EQ(c.context().tasks.taskCount(), 0u) << "the capture was cancelled";
    clock.runUntilIdle();
    EXPECT_FALSE(captured);
    // Left alone: the guards, the applied layouts and the memories.
    EXPECT_TRUE(state.interaction.mutating && state.interaction.windowInteraction);
    EXPECT_EQ(c.groups().size(), 1u);
    EXPECT_EQ(state.memory.originals.size(), 1u);
    EXPECT_EQ(state.memory.returnHomes.size(), 2u);

    // A press outside our panels closes the stack pickers and keeps the stacks running.
    c.endInteraction(true);
    EXPECT_EQ(stacks.pickerDismissals, 1);
    EXPECT_EQ(stacks.suspends, 3);
}

TEST_F(CoordinatorHub, StacksRefreshOnlyWhileNothingMovesShowsOrIsPressed)
{
    auto& c = start();
    EXPECT_TRUE(c.canRefreshStacks());
    state.picker.setPickerScreen(u"B"_qs, stacks);
    EXPECT_FALSE(stacks.callbacks.canRefresh()) << "a shown picker blocks scans even when no window moves";
    state.picker.setPickerScreen(std::nullopt, stacks);
    EXPECT_EQ(stacks.suspends, 1) << "clearing the screen suspends nothing";
    state.interaction.windowInteraction = true;
    EXPECT_FALSE(c.canRefreshStacks());
    state.interaction.windowInteraction = false;
    {
        auto guard = MutationGuard::take(state.interaction, stacks);
        EXPECT_FALSE(c.canRefreshStacks());
    }
    EXPECT_TRUE(c.canRefreshStacks());
}

TEST_F(CoordinatorHub, AStackChoiceBecomesTheOccupantOfTheRegionItFills)
{
    auto& c = start();
    const auto left = add(100, region(u"halves"_qs, 0));
    const auto right = add(101, region(u"halves"_qs, 1));
    c.reconcile(scan());
    // Another window brought to the front of the right half, 4 points off its frame.
    const auto front = add(102, region(u"halves"_qs, 1).offsetBy(4, -4));
    const auto stray = add(103, Rect(300, 300, 500, 400));
    stacks.callbacks.onChoose(front);
    stacks.callbacks.onChoose(stray);
    const auto* g = state.layouts.group(u"A"_qs);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->windows.at(0), left);
    EXPECT_EQ(g->windows.at(1), front) << "replaces " << right.title.toStdString();
    EXPECT_EQ(g->windows.size(), 2u) << "a window on no region changes nothing";
    sim.closeWindow(front.element);
    stacks.callbacks.onChoose(ManagedWindow{front.element, front.pid, {}, {}});
    EXPECT_EQ(state.layouts.group(u"A"_qs)->windows.at(1), front) << "an unreadable frame changes nothing";
}

TEST_F(CoordinatorHub, ReturnHomesOnlyForFramesExactlyOnARegion)
{
    auto& c = start();
    const auto a = add(100, Rect()), b = add(101, Rect());
    const Rect exact = region(u"quarters"_qs, 2, kRight);
    c.recordReturnHomes({{a, exact}, {b, exact.offsetBy(0.5, 0)}}, builtIn(u"quarters"_qs), kRight);
    ASSERT_EQ(state.memory.returnHomes.size(), 1u);
    EXPECT_EQ(state.memory.returnHomes.at(a),
              (ReturnSnapTarget{u"B"_qs, kRight.visibleFrame, builtIn(u"quarters"_qs), 2, exact}));
    c.recordReturnHomes({}, builtIn(u"halves"_qs), kLeft);
    EXPECT_EQ(state.memory.returnHomes.size(), 1u);
}

TEST_F(CoordinatorHub, LayoutSummaryNamesTheDisplaysOwnLayoutsAndTheActiveOne)
{
    start();
    const SnapLayout mine{u"user-1"_qs, u"Mine"_qs, builtIn(u"halves"_qs).tree, std::nullopt};
    const SnapLayout other{u"user-2"_qs, u"Other"_qs, builtIn(u"rows"_qs).tree, std::nullopt};
    ASSERT_TRUE(store.upsertCustom(mine, u"B"_qs));
    ASSERT_TRUE(store.upsertCustom(other, u"B"_qs));
    const Rect onRight(2000, 100, 300, 300);
    EXPECT_EQ(stacks.callbacks.layoutSummary(onRight), (LayoutSummary{{u"Mine"_qs, u"Other"_qs}, std::nullopt}));
    store.setActive(other, u"B"_qs);
    EXPECT_EQ(stacks.callbacks.layoutSummary(onRight).active, 1);
    // The applied layout wins over the stored active one; a built-in marks nothing.
    state.layouts.setGroup(u"B"_qs, {mine, {}, {}});
    EXPECT_EQ(stacks.callbacks.layoutSummary(onRight).active, 0);
    state.layouts.setGroup(u"B"_qs, {builtIn(u"halves"_qs), {}, {}});
    EXPECT_EQ(stacks.callbacks.layoutSummary(onRight).active, std::nullopt);
    EXPECT_EQ(stacks.callbacks.layoutSummary(Rect(-500, -500, 10, 10)), LayoutSummary{}) << "off every display";
}

} // namespace
} // namespace fw::snaptest
