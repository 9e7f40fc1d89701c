// Choosing a picker selection: the whole gesture from a drag over the picker to the placed
// window and the assist panels, choices refused while windows move (and the release that then
// ends its interaction), the notice when there is no window to place, and placements that fail
// or are overtaken by a newer interaction.
#include "SnapFixture.h"

#include "snap/ChooseSelection.h"

namespace fw::snaptest {
namespace {

class Choice : public SnapDesk {
protected:
    // The drag monitor's part: the picker opened for a drag, the pointer over a region of a
    // card, the release.
    void dragOntoPicker(const ManagedWindow& w, const Rect& before, int layoutIndex, RegionNumber r,
                        const ScreenInfo& on = kLeft)
    {
        coordinator->showLayoutPicker(w, on, true, before, false);
        coordinator->hoverPicker(feedback.pickerPoint(layoutIndex, r));
        coordinator->commitPickerSelection();
    }
};

TEST_F(Choice, AWindowDraggedOverThePickerLandsInTheRegionAndTheRestIsOfferedForTheOthers)
{
    auto& c = start();
    SnapLayout adjusted = builtIn(u"thirds"_qs);
    adjusted.tree = H(0.4, L(0), H(0.5, L(1), L(2)));
    const Rect before(300, 200, 700, 500);
    const auto dragged = add(100, before);
    const auto placed = add(101, region(adjusted, 0));
    const auto loose = add(102, Rect(50, 600, 400, 300));
    add(103, Rect(2100, 100, 500, 400)); // on the other display
    state.layouts.setGroup(u"A"_qs, LayoutGroup{adjusted, {{0, placed}}, {}});
    defaults.clearWriteLog();

    dragOntoPicker(dragged, before, 1, 2);
    EXPECT_TRUE(feedback.calls.contains(u"showPreview %1"_qs.arg(toString(region(adjusted, 2)))));
    clock.advance(99ms);
    EXPECT_TRUE(sim.writesFor(dragged.element).empty()) << "the choice waits 0.1 s after the release";
    clock.advance(1ms);
    EXPECT_TRUE(state.interaction.mutating);
    clock.runUntilIdle();

    EXPECT_EQ(frameOf(dragged), region(adjusted, 2)) << "the display's adjusted tree";
    EXPECT_EQ(c.groups().at(u"A"_qs).windows, (std::map<RegionNumber, ManagedWindow>{{0, placed}, {2, dragged}}));
    EXPECT_EQ(state.memory.originals.at(dragged), before);
    // The adjusted layout is remembered as the display's, and only that is written.
    EXPECT_EQ(store.activeLayout(u"A"_qs), adjusted);
    QStringList written;
    for (const auto& [key, value] : defaults.writeLog())
        written << key;
    written.sort();
    EXPECT_EQ(written, (QStringList{u"activeLayouts.v1"_qs, u"layouts.v2"_qs}));
    // Region 1 stays empty and the one other window of the display is offered for it.
    EXPECT_EQ(feedback.calls.back(), u"showRegionAssist 1 1"_qs);
    EXPECT_TRUE(state.assist.assistSession);
    EXPECT_EQ(state.assist.assistSession->candidates, (std::vector<ManagedWindow>{loose}));
    EXPECT_FALSE(state.interaction.mutating);
    EXPECT_EQ(presented, (std::vector<bool>{false, true})) << "the interaction goes on with the assist panels";
    EXPECT_TRUE(notices.isEmpty());
}

TEST_F(Choice, AChoiceRefusedWhileWindowsMoveEndsTheInteractionOnlyWhenThePickerWentWithTheRelease)
{
    auto& c = start();
    const Rect before(300, 200, 700, 500);
    const auto w = add(100, before);
    c.showLayoutPicker(w, kLeft, false, std::nullopt, false);
    const auto generation = c.interactionGeneration();
    {
        // A click while another task moves windows, and a card index past the last: dropped,
        // and the picker stays open for another try.
        auto moving = MutationGuard::take(state.interaction, stacks);
        clock.run(c.choose({0, 1}));
        EXPECT_TRUE(state.interaction.mutating);
    }
    clock.run(c.choose({int(state.picker.pickerLayouts.size()), 0}));
    EXPECT_TRUE(feedback.picker);
    EXPECT_EQ(c.interactionGeneration(), generation);
    EXPECT_EQ(state.picker.pickerScreen(), u"A"_qs);
    EXPECT_FALSE(state.interaction.mutating);

    // The same refusal after a release took the picker away: the interaction ends, so the
    // display is not left claimed with the stacks suspended and Escape taken.
    auto moving = MutationGuard::take(state.interaction, stacks);
    dragOntoPicker(w, before, 0, 1);
    const auto opened = c.interactionGeneration();
    clock.runUntilIdle();
    EXPECT_EQ(c.interactionGeneration(), opened + 1);
    EXPECT_FALSE(state.picker.pickerScreen() || state.picker.pickerWindow);
    EXPECT_EQ(presented.back(), false);
    EXPECT_TRUE(sim.writesFor(w.element).empty());
    moving.reset();

    // A stale selection on the release path ends it as well.
    dragOntoPicker(w, before, 0, 1);
    clock.run(c.choose({99, 0}));
    EXPECT_FALSE(state.picker.pickerScreen());
    EXPECT_TRUE(notices.isEmpty());
}

TEST_F(Choice, ASecondChoiceWhileTheFirstRunsDoesNothing)
{
    auto& c = start();
    const Rect before(300, 200, 700, 500);
    const auto w = add(100, before);
    dragOntoPicker(w, before, 1, 2);
    const SnapLayout chosen = state.picker.pickerLayouts[1];
    clock.advance(100ms);
    ASSERT_TRUE(state.interaction.mutating) << "the first choice is moving the window";
    EXPECT_FALSE(feedback.picker) << "and took the picker away";
    const auto generation = c.interactionGeneration();

    // A click or key arriving now for another card: dropped, with the first choice untouched.
    clock.run(c.choose({0, 0}));
    EXPECT_EQ(c.interactionGeneration(), generation);
    EXPECT_TRUE(state.interaction.mutating);
    clock.runUntilIdle();
    EXPECT_EQ(frameOf(w), region(chosen, 2)) << "the first placement stands";
    EXPECT_EQ(c.groups().at(u"A"_qs).windows.at(2), w);
    EXPECT_FALSE(state.interaction.choosing);
    EXPECT_TRUE(notices.isEmpty());
}

TEST_F(Choice, NothingToPlaceNamesThePlaceShortcutAsItIsBound)
{
    auto& c = start();
    // As the "--preview" option opens it: no window.
    c.showLayoutPicker(std::nullopt, kLeft, false, std::nullopt, false);
    clock.run(c.choose({0, 1}));
    EXPECT_EQ(notices, (QStringList{u"Drag a window here, or focus a window and press Ctrl+Alt+P."_qs}));
    EXPECT_FALSE(state.picker.pickerScreen()) << "the interaction ends";

    bindings.labels = {{6, u"Super+Shift+L"_qs}};
    c.context().shortcuts = &bindings;
    c.showLayoutPicker(std::nullopt, kRight, false, std::nullopt, false);
    clock.run(c.choose({0, 0}));
    EXPECT_EQ(notices.back(), u"Drag a window here, or focus a window and press Super+Shift+L."_qs);
    EXPECT_EQ(bindings.asked, (std::vector<std::uint32_t>{6}));
}

TEST_F(Choice, AFailedPlacementEndsItsInteractionAndOneOvertakenLeavesTheNewerOneAlone)
{
    auto& c = start();
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const Rect wideBefore(100, 100, region(halves, 1).width() + 60, 500);
    const auto wide = add(100, wideBefore);
    sim.setSizeHints(wide.element, {.minimum = Size{region(halves, 1).width() + 40, 300}});
    add(101, Rect(50, 600, 400, 300));
    defaults.clearWriteLog();
    dragOntoPicker(wide, wideBefore, 0, 1);
    clock.runUntilIdle();
    EXPECT_EQ(notices, (QStringList{u"App100 did not keep the region’s size. Its prior frame was restored."_qs}));
    EXPECT_FALSE(state.picker.pickerScreen());
    EXPECT_FALSE(state.assist.assistSession);
    EXPECT_TRUE(defaults.writeLog().empty());

    // Meanwhile the user began another drag: the window goes back without a word, nothing is
    // recorded, no assist opens, and the new picker stays.
    const auto other = add(102, Rect(200, 200, 500, 400));
    dragOntoPicker(other, Rect(200, 200, 500, 400), 0, 0);
    clock.advance(150ms);
    EXPECT_NE(frameOf(other), Rect(200, 200, 500, 400));
    c.showLayoutPicker(wide, kRight, true, wideBefore, false);
    clock.runUntilIdle();
    EXPECT_EQ(frameOf(other), Rect(200, 200, 500, 400));
    EXPECT_TRUE(c.groups().empty());
    EXPECT_FALSE(store.activeLayout(u"A"_qs));
    EXPECT_FALSE(state.assist.assistSession);
    EXPECT_EQ(state.picker.pickerScreen(), u"B"_qs);
    EXPECT_TRUE(feedback.picker);
    EXPECT_EQ(notices.size(), 1);
}

} // namespace
} // namespace fw::snaptest
