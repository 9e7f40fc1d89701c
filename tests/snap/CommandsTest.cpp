// The coordinator's commands, each as the shell or the stack controller calls it: restoring
// the focused window (never snapped, restored, not restorable), a display's numbered layouts
// (missing ones, none at all, applied with its windows, renamed or deleted while applied or while
// being applied), resetting layouts (built-in and
// custom, a failed move storing nothing), the divider editor (nothing snapped, recognised
// from the windows, edits queued), the window chooser and a change of displays.
#include "SnapFixture.h"

namespace fw::snaptest {
namespace {

class Commands : public SnapDesk {
protected:
    void customLayouts(const QString& display, int count)
    {
        for (int i = 0; i < count; ++i) {
            const SnapLayout own{u"user-%1"_qs.arg(i), u"Own %1"_qs.arg(i), H(0.6, L(0), L(1)), std::nullopt};
            ASSERT_TRUE(store.upsertCustom(own, display));
        }
    }
};

TEST_F(Commands, RestoringTheFocusedWindowPutsItBackOnlyWhenItWasSnappedAndMoves)
{
    auto& c = start();
    const Rect before(300, 200, 700, 500);
    const auto w = add(100, before);
    sim.setFocus(w.element);
    clock.run(c.restoreFocusedWindow());
    EXPECT_EQ(notices, QStringList{u"Focus a snapped window to restore its previous size."_qs});

    ASSERT_TRUE(clock.run(c.placeInRegion(w, 0, builtIn(u"halves"_qs), kLeft, std::nullopt, false)));
    ASSERT_TRUE(state.memory.returnHomes.count(w));
    clock.run(c.restoreFocusedWindow());
    EXPECT_EQ(frameOf(w), before);
    EXPECT_FALSE(c.groups().at(u"A"_qs).windows.count(0));
    EXPECT_FALSE(state.memory.originals.count(w));
    EXPECT_TRUE(state.memory.returnHomes.count(w)) << "its return position stays";
    EXPECT_EQ(stacks.changes.back(), (WindowFramePairs{{w, before}}));
    EXPECT_FALSE(state.interaction.mutating);

    // Snapped again, it will not move back: everything stays for another try.
    ASSERT_TRUE(clock.run(c.placeInRegion(w, 1, builtIn(u"halves"_qs), kLeft, std::nullopt, false)));
    sim.refuseWrites(w.element);
    clock.run(c.restoreFocusedWindow());
    EXPECT_EQ(notices.back(), u"That window could not be restored."_qs);
    EXPECT_EQ(state.memory.originals.at(w), before);
    EXPECT_EQ(c.groups().at(u"A"_qs).windows.at(1), w);
}

TEST_F(Commands, NumberedLayoutsAreAppliedOrTheirAbsenceIsSaid)
{
    auto& c = start();
    customLayouts(u"A"_qs, 2);
    const auto w = add(100, Rect(300, 200, 700, 500));
    const auto switchLayout = stacks.callbacks.switchLayout;
    ASSERT_TRUE(switchLayout);

    switchLayout(2, Rect(100, 100, 400, 300)); // Ctrl+Alt+3 on the left display
    clock.runUntilIdle();
    c.applySavedLayout(0, kRight);
    EXPECT_EQ(notices, (QStringList{u"There’s no layout 3 on Left; you have 2."_qs,
                                    u"You haven’t made any layouts for Right yet. Create one from Choose a Layout."_qs}));

    // Refused silently while windows move and for a tree that is not valid.
    const auto generation = c.interactionGeneration();
    {
        auto moving = MutationGuard::take(state.interaction, stacks);
        c.applySavedLayout(1, kLeft);
    }
    c.startLayoutApplication(SnapLayout{u"user-x"_qs, u"Bad"_qs, H(0.99, L(0), L(1)), std::nullopt}, kLeft);
    EXPECT_EQ(c.interactionGeneration(), generation);

    switchLayout(1, Rect(100, 100, 400, 300));
    clock.runUntilIdle();
    const SnapLayout second = store.customLayouts(u"A"_qs).at(1);
    EXPECT_EQ(c.groups().at(u"A"_qs).layout, second);
    EXPECT_TRUE(sameFrame(frameOf(w), region(second, 0), 1.0)
                || sameFrame(frameOf(w), region(second, 1), 1.0));
    EXPECT_EQ(notices.back(), u"Arranged 1 windows. 1 space remains available."_qs);
    EXPECT_EQ(c.activeLayout(kLeft), (LayoutSummary{{u"Own 0"_qs, u"Own 1"_qs}, 1}));
    EXPECT_EQ(presented.back(), false);
}

// A custom layout has one name everywhere and, deleted, is gone everywhere: from the applied
// group, its windows' return positions, the active layout and every list, also when the display
// is scanned again, its layouts are applied by number, and the settings are read anew.
TEST_F(Commands, ARenamedOrDeletedAppliedLayoutChangesEverywhereAtOnce)
{
    auto& c = start();
    const SnapLayout work{u"user-w"_qs, u"Work"_qs, H(0.6, L(0), L(1)), std::nullopt};
    const SnapLayout other{u"user-o"_qs, u"Other"_qs, V(0.5, L(0), L(1)), std::nullopt};
    ASSERT_TRUE(store.upsertCustom(work, u"A"_qs));
    ASSERT_TRUE(store.upsertCustom(other, u"A"_qs));
    const auto w = add(100, Rect(300, 200, 700, 500));
    c.applySavedLayout(0, kLeft);
    clock.runUntilIdle();
    ASSERT_EQ(c.groups().at(u"A"_qs).layout, work);
    ASSERT_EQ(state.memory.returnHomes.at(w).layout, work);

    SnapLayout renamed = work;
    renamed.name = u"Work Two"_qs;
    ASSERT_TRUE(store.upsertCustom(renamed, u"A"_qs));
    EXPECT_EQ(c.groups().at(u"A"_qs).layout, renamed);
    EXPECT_EQ(state.memory.returnHomes.at(w).layout, renamed);
    EXPECT_EQ(store.activeLayout(u"A"_qs), renamed);
    const auto listed = [&](const QString& name) {
        const auto group = c.groups().find(u"A"_qs);
        const auto menu = store.menuLayouts(
            u"A"_qs, group != c.groups().end() ? std::optional(group->second.layout) : std::nullopt);
        return std::count_if(menu.begin(), menu.end(), [&](const SnapLayout& l) { return l.name == name; });
    };
    EXPECT_EQ(listed(u"Work Two"_qs), 1);
    EXPECT_EQ(listed(u"Work"_qs), 0);

    const Rect placedAt = frameOf(w);
    ASSERT_TRUE(store.deleteCustom(work.id, u"A"_qs));
    EXPECT_FALSE(c.groups().count(u"A"_qs));
    EXPECT_FALSE(state.memory.returnHomes.count(w));
    EXPECT_FALSE(store.activeLayout(u"A"_qs));
    EXPECT_EQ(listed(u"Work Two"_qs), 0);
    EXPECT_EQ(frameOf(w), placedAt) << "the windows stay where they are";
    c.startLayoutApplication(renamed, kLeft); // a menu row built before the delete
    clock.runUntilIdle();
    EXPECT_FALSE(c.groups().count(u"A"_qs));
    EXPECT_EQ(frameOf(w), placedAt);

    // A scan recognises what a display without the layout shows; the first number is Other.
    stacks.callbacks.onSnapshot(scan());
    const auto seen = c.groups().find(u"A"_qs);
    EXPECT_TRUE(seen == c.groups().end() || seen->second.layout.id != work.id);
    c.applySavedLayout(0, kLeft);
    clock.runUntilIdle();
    EXPECT_EQ(c.groups().at(u"A"_qs).layout.id, other.id);
    EXPECT_EQ(listed(u"Work Two"_qs), 0);

    const LayoutStore reread(defaults);
    EXPECT_EQ(reread.customLayouts(u"A"_qs), std::vector<SnapLayout>{other});
    EXPECT_EQ(reread.activeLayout(u"A"_qs)->id, other.id);
}

// Deleted while its windows are on their way, a layout leaves no group and no active layout.
TEST_F(Commands, ALayoutDeletedWhileItIsAppliedLeavesNothingBehind)
{
    auto& c = start();
    const SnapLayout work{u"user-w"_qs, u"Work"_qs, H(0.6, L(0), L(1)), std::nullopt};
    ASSERT_TRUE(store.upsertCustom(work, u"A"_qs));
    add(100, Rect(300, 200, 700, 500));
    add(101, Rect(900, 300, 700, 500));
    c.applySavedLayout(0, kLeft);
    clock.advance(std::chrono::milliseconds(120));
    ASSERT_FALSE(c.groups().count(u"A"_qs)) << "still moving";
    ASSERT_TRUE(store.deleteCustom(work.id, u"A"_qs));
    clock.runUntilIdle();
    EXPECT_FALSE(c.groups().count(u"A"_qs));
    EXPECT_FALSE(store.activeLayout(u"A"_qs));
    EXPECT_FALSE(store.layouts(u"A"_qs).back().id == work.id);
}

TEST_F(Commands, ResettingLayoutsBringsBuiltInProportionsBackAndForgetsTheAdjustments)
{
    auto& c = start();
    SnapLayout adjusted = builtIn(u"halves"_qs);
    adjusted.tree = H(0.7, L(0), L(1));
    const auto left = add(100, region(adjusted, 0));
    const auto right = add(101, region(adjusted, 1));
    store.save(adjusted, u"A"_qs);
    state.layouts.setGroup(u"A"_qs, LayoutGroup{adjusted, {{0, left}, {1, right}}, {}});

    // A window that does not move: nothing stored changes.
    sim.refuseWrites(right.element);
    clock.run(c.resetLayouts(kLeft));
    EXPECT_EQ(store.activeLayout(u"A"_qs), adjusted);
    EXPECT_EQ(c.groups().at(u"A"_qs).layout, adjusted);
    EXPECT_EQ(frameOf(left), region(adjusted, 0));

    sim.refuseWrites(right.element, {.count = 0});
    clock.run(c.resetLayouts(kLeft));
    EXPECT_EQ(frameOf(left), region(u"halves"_qs, 0));
    EXPECT_EQ(frameOf(right), region(u"halves"_qs, 1));
    EXPECT_EQ(c.groups().at(u"A"_qs).layout, builtIn(u"halves"_qs));
    EXPECT_FALSE(store.activeLayout(u"A"_qs));
    EXPECT_EQ(store.adjusted(builtIn(u"halves"_qs), u"A"_qs).tree, builtIn(u"halves"_qs).tree);

    // A layout of the user's own: the windows stay, only the stored state goes.
    const SnapLayout own{u"user-1"_qs, u"Mine"_qs, H(0.3, L(0), L(1)), std::nullopt};
    state.layouts.setGroup(u"A"_qs, LayoutGroup{own, {{0, left}}, {}});
    store.save(own, u"A"_qs);
    sim.clearWrites();
    clock.run(c.resetLayouts(kLeft));
    EXPECT_TRUE(sim.writes().empty());
    EXPECT_EQ(c.groups().at(u"A"_qs).layout, own);
    EXPECT_FALSE(store.activeLayout(u"A"_qs));
}

TEST_F(Commands, TheDividerEditorOpensOverARecognisedLayoutAndQueuesItsEdits)
{
    auto& c = start();
    c.adjustLayout(kLeft);
    EXPECT_EQ(notices, QStringList{u"Nothing is snapped on Left. Choose a layout first (Ctrl+Alt+Z), or drag a "
                                   "window to the top center."_qs});
    bindings.labels = {{1, u"Super+L"_qs}};
    c.context().shortcuts = &bindings;
    c.adjustLayout(kLeft);
    EXPECT_TRUE(notices.back().contains(u"(Super+L)"_qs));

    add(100, region(u"halves"_qs, 0));
    add(101, region(u"halves"_qs, 1));
    int drains = 0;
    state.interaction.drainPendingEdit = [&] { ++drains; };
    c.adjustLayout(kLeft);
    EXPECT_EQ(feedback.calls.back(), u"showDividerEditor A halves"_qs);
    EXPECT_EQ(c.groups().at(u"A"_qs).windows.size(), 2u) << "recognised from the windows";
    EXPECT_EQ(state.picker.pickerScreen(), u"A"_qs);
    EXPECT_EQ(presented.back(), true);

    feedback.editorEqualize(DividerPath{});
    EXPECT_EQ(state.interaction.pendingEdit, (PendingEdit{u"A"_qs, {}, DividerEdit::equalize()}));
    feedback.editorChange(DividerPath{}, 0.3, false);
    EXPECT_EQ(state.interaction.pendingEdit, (PendingEdit{u"A"_qs, {}, DividerEdit::move(0.3)}));
    clock.advance(0ms);
    EXPECT_GE(drains, 1);
    EXPECT_EQ(notices.size(), 2);
}

TEST_F(Commands, TheWindowChooserOpensThePickerForThePickedWindowAndDisplayChangesForgetLayouts)
{
    auto& c = start();
    c.showWindowChooser(kRight);
    EXPECT_EQ(notices, QStringList{u"Open a resizable window on this desktop first."_qs});

    const auto a = add(100, region(u"halves"_qs, 0));
    add(101, Rect(900, 200, 600, 400));
    c.showWindowChooser(kLeft);
    EXPECT_EQ(feedback.calls.back(), u"showWindowChooser A 2 Choose a window to arrange."_qs);
    feedback.chooserChoose(a);
    ASSERT_TRUE(feedback.picker);
    EXPECT_FALSE(feedback.picker->wholeComposition);
    EXPECT_EQ(state.picker.pickerWindow, a);
    c.showWindowChooser(kLeft);
    const auto generation = c.interactionGeneration();
    feedback.chooserCancel();
    EXPECT_EQ(c.interactionGeneration(), generation + 1);
    EXPECT_FALSE(state.picker.pickerScreen());

    ASSERT_TRUE(clock.run(c.placeInRegion(a, 0, builtIn(u"halves"_qs), kLeft, std::nullopt, false)));
    c.displaysChanged();
    EXPECT_TRUE(c.groups().empty());
    EXPECT_TRUE(state.memory.returnHomes.empty());
    EXPECT_TRUE(state.memory.originals.count(a));
    EXPECT_EQ(stacks.scanResets, 1);
}

} // namespace
} // namespace fw::snaptest
