// The layout picker: the cards it offers in region and composition mode, what opening it for a
// drag or a command sets, its occupant icons and callbacks, the previews of a hovered region,
// the release over it, and the pruning of vanished windows that runs before it opens.
#include "SnapFixture.h"

namespace fw::snaptest {
namespace {

QStringList ids(const std::vector<SnapLayout>& layouts)
{
    QStringList out;
    for (const SnapLayout& l : layouts)
        out << l.id;
    return out;
}

class LayoutPicker : public SnapDesk {
protected:
    const PickerPresentation& shown() const { return feedback.picker.value(); }
};

const QStringList kBuiltInIds{u"halves"_qs, u"thirds"_qs, u"focus"_qs, u"stack"_qs, u"quarters"_qs,
                              u"rows"_qs, u"thirds-left-stack"_qs, u"thirds-right-stack"_qs};

TEST_F(LayoutPicker, RegionCardsCarryTheDisplaysTreesWithTheAppliedLayoutInPlaceAndOccupantIcons)
{
    auto& c = start();
    const SnapLayout mine{u"user-1"_qs, u"Mine"_qs, H(0.3, L(0), L(1)),
                          SnapLayout::AppMap{{0, {u"org.example.Notes"_qs, u"other"_qs}}, {1, {}}}};
    ASSERT_TRUE(store.upsertCustom(mine, u"A"_qs));
    SnapLayout adjustedHalves = builtIn(u"halves"_qs);
    adjustedHalves.tree = H(0.6, L(0), L(1));
    store.save(adjustedHalves, u"A"_qs);
    SnapLayout appliedThirds = builtIn(u"thirds"_qs);
    appliedThirds.tree = H(0.25, L(0), H(0.5, L(1), L(2)));
    appliedThirds.name = u"My thirds"_qs;
    const auto dragged = add(100, region(appliedThirds, 0));
    const auto front = add(101, region(appliedThirds, 1));
    const auto behind = add(102, region(appliedThirds, 1));
    stacks.declaredStacks = {{front, behind}};
    state.layouts.setGroup(u"A"_qs, LayoutGroup{appliedThirds, {{0, dragged}, {1, behind}}, {}});
    feedback.calls.clear();

    c.showLayoutPicker(dragged, kLeft, true, Rect(1, 2, 300, 200), true);
    EXPECT_EQ(feedback.calls, (QStringList{u"hideAll"_qs, u"setDraggedWindow %1"_qs.arg(dragged.element),
                                           u"hidePicker"_qs, u"showPicker A 9 regions dragging"_qs}));
    EXPECT_EQ(presented, (std::vector<bool>{false, true}));
    const auto& p = state.picker;
    EXPECT_FALSE(p.choosingComposition) << "a drag never chooses a composition";
    EXPECT_EQ(p.pickerWindow, dragged);
    EXPECT_EQ(p.pickerOriginal, Rect(1, 2, 300, 200));
    EXPECT_EQ(p.pickerScreen(), u"A"_qs);
    EXPECT_FALSE(c.canRefreshStacks());

    // The built-ins as adjusted on A, the applied thirds in the built-in's place, the custom
    // layout last; the applied one is current.
    EXPECT_EQ(ids(p.pickerLayouts), (kBuiltInIds + QStringList{u"user-1"_qs}));
    EXPECT_EQ(p.pickerLayouts[0].tree, adjustedHalves.tree);
    EXPECT_EQ(p.pickerLayouts[1], appliedThirds);
    EXPECT_EQ(shown().layouts, p.pickerLayouts);
    EXPECT_EQ(shown().currentLayout, u"thirds"_qs);
    EXPECT_FALSE(shown().create || shown().edit) << "region mode has no create or edit";
    // Icons: the custom layout's first app; the applied layout's occupied regions by the
    // window in front of each stack, none for the dragged window.
    EXPECT_EQ(shown().occupants,
              (PickerOccupants{{u"user-1"_qs, {{0, OccupantIcon{std::nullopt, u"org.example.Notes"_qs}}}},
                               {u"thirds"_qs, {{1, OccupantIcon{front.element, {}}}}}}));

    // A layout applied on the display that the list no longer holds becomes the last card.
    const SnapLayout gone{u"user-9"_qs, u"Deleted"_qs, V(0.5, L(0), L(1)), std::nullopt};
    state.layouts.setGroup(u"A"_qs, LayoutGroup{gone, {}, {}});
    c.showLayoutPicker(std::nullopt, kLeft, false, std::nullopt, false);
    EXPECT_EQ(ids(state.picker.pickerLayouts), (kBuiltInIds + QStringList{u"user-1"_qs, u"user-9"_qs}));
    EXPECT_EQ(shown().currentLayout, u"user-9"_qs);
    // The own layouts carry Switch Layout's numbers; the deleted one has none.
    EXPECT_EQ(shown().layoutKeys, (std::map<QString, int>{{u"user-1"_qs, 1}}));
    EXPECT_FALSE(shown().dragging);
    EXPECT_EQ(feedback.calls.mid(feedback.calls.size() - 3),
              (QStringList{u"setDraggedWindow none"_qs, u"hidePicker"_qs, u"showPicker A 10 regions"_qs}));
}

TEST_F(LayoutPicker, CompositionCardsFollowTheMenusAndCreateAndEditHandTheDisplayToTheShell)
{
    auto& c = start();
    SnapLayout mine{u"user-1"_qs, u"Mine"_qs, H(0.3, L(0), L(1)), std::nullopt};
    ASSERT_TRUE(store.upsertCustom(mine, u"A"_qs));
    SnapLayout adjustedHalves = builtIn(u"halves"_qs);
    adjustedHalves.tree = H(0.6, L(0), L(1));
    state.layouts.setGroup(u"A"_qs, LayoutGroup{adjustedHalves, {}, {}});
    std::vector<QString> created;
    std::vector<SnapLayout> edited;
    c.sinks().onCreateCustomLayout = [&](const QString& display) { created.push_back(display); };
    c.sinks().onEditCustomLayout = [&](const QString& display, const SnapLayout& l) {
        edited.push_back(l);
        EXPECT_EQ(display, u"A"_qs);
    };

    const auto w = add(100, Rect(100, 100, 600, 400));
    c.showLayoutPicker(w, kLeft, false, std::nullopt, true);
    EXPECT_TRUE(state.picker.choosingComposition);
    // Built-ins with their own trees, the custom layout, then the applied halves again with
    // its adjusted tree; nothing current, no icons.
    EXPECT_EQ(ids(state.picker.pickerLayouts), (kBuiltInIds + QStringList{u"user-1"_qs, u"halves"_qs}));
    EXPECT_EQ(state.picker.pickerLayouts[0], builtIn(u"halves"_qs));
    EXPECT_EQ(state.picker.pickerLayouts.back(), adjustedHalves);
    EXPECT_FALSE(shown().currentLayout);
    EXPECT_TRUE(shown().occupants.empty());
    EXPECT_EQ(feedback.calls.back(), u"showPicker A 10 composition"_qs);

    // A card older than the stored layout edits the stored one.
    mine.name = u"Mine, renamed"_qs;
    ASSERT_TRUE(store.upsertCustom(mine, u"A"_qs));
    shown().edit(SnapLayout{u"user-1"_qs, u"Mine"_qs, H(0.3, L(0), L(1)), std::nullopt});
    ASSERT_EQ(edited.size(), 1u);
    EXPECT_EQ(edited[0].name, u"Mine, renamed"_qs);
    EXPECT_FALSE(state.picker.pickerScreen()) << "the interaction ended first";
    EXPECT_FALSE(feedback.picker);

    c.showLayoutPicker(w, kLeft, false, std::nullopt, true);
    const auto create = shown().create;
    create();
    EXPECT_EQ(created, (std::vector<QString>{u"A"_qs}));
    EXPECT_EQ(presented.back(), false);

    // Once the coordinator is gone, the callbacks of a picker still on screen do nothing.
    c.showLayoutPicker(w, kLeft, false, std::nullopt, true);
    const PickerPresentation last = shown();
    coordinator.reset();
    last.create();
    last.choose({0, 0});
    last.hover(SnapSelection{0, 0});
    last.key(PickerKey{PickerKey::choose});
    EXPECT_EQ(created.size(), 1u);
    EXPECT_EQ(clock.pendingCount(), 0u);
}

TEST_F(LayoutPicker, HoveringPreviewsTheRegionAndAReleaseWithoutOneEndsTheInteraction)
{
    auto& c = start();
    const auto w = add(100, Rect(2000, 100, 600, 400));
    c.showLayoutPicker(w, kRight, true, Rect(2000, 100, 600, 400), false);
    feedback.calls.clear();

    // Over region 1 of "Four quarters", as the drag monitor reports a pointer move.
    const Point over = feedback.pickerPoint(4, 1);
    c.hoverPicker(over);
    EXPECT_EQ(feedback.selected, (SnapSelection{4, 1}));
    EXPECT_EQ(feedback.calls.back(), u"showPreview %1"_qs.arg(toString(region(u"quarters"_qs, 1, kRight))));
    // In a gap between two buttons: no region, both kinds of preview go.
    c.hoverPicker(Point{over.x, feedback.pickerPanel.minY() + 2});
    EXPECT_EQ(feedback.calls.mid(feedback.calls.size() - 2),
              (QStringList{u"showPreview none"_qs, u"showCompositionPreviews 0"_qs}));

    // Released with nothing selected: the interaction ends at once.
    const auto generation = c.interactionGeneration();
    c.commitPickerSelection();
    EXPECT_EQ(c.interactionGeneration(), generation + 1);
    EXPECT_FALSE(state.picker.pickerScreen());
    EXPECT_EQ(presented.back(), false);

    // Released over a region, then a press on another window within 0.1 s: nothing is chosen.
    c.showLayoutPicker(w, kRight, true, Rect(2000, 100, 600, 400), false);
    c.hoverPicker(feedback.pickerPoint(0, 0));
    c.commitPickerSelection();
    EXPECT_FALSE(feedback.picker) << "the picker goes at the release";
    EXPECT_TRUE(state.picker.pickerScreen()) << "its interaction lasts until the choice";
    clock.advance(60ms);
    c.endInteraction(true);
    clock.runUntilIdle();
    EXPECT_EQ(frameOf(w), Rect(2000, 100, 600, 400));
    EXPECT_TRUE(sim.writesFor(w.element).empty());

    // A release over a seam corner commits its selection the same way; without one, nothing.
    c.showLayoutPicker(w, kRight, true, Rect(2000, 100, 600, 400), false);
    const auto pending = clock.pendingCount();
    c.commitCornerSelection();
    EXPECT_EQ(clock.pendingCount(), pending);
    state.picker.cornerSelection = SnapSelection{0, 1};
    c.commitCornerSelection();
    clock.runUntilIdle();
    EXPECT_EQ(frameOf(w), region(u"halves"_qs, 1, kRight));

    // In composition mode every region of the hovered layout is previewed.
    c.showLayoutPicker(w, kRight, false, std::nullopt, true);
    c.hoverPicker(feedback.pickerPoint(3));
    EXPECT_EQ(feedback.calls.back(), u"showCompositionPreviews 3"_qs);
    // The drag-time panels go; the shell learns that a picker is still up.
    c.hideDropPanels();
    EXPECT_EQ(feedback.calls.back(), u"hideReturnPanels"_qs);
    EXPECT_EQ(presented.back(), true);
}

// The keys of a picker opened by the keyboard: the session alone decides and holds the
// selection (the feedback only draws what it is handed), keys and pointer move it in turn, and
// Return places the window in the session's selection.
TEST_F(LayoutPicker, KeysMoveTheSessionsSelectionAndReturnPlacesTheWindowThere)
{
    auto& c = start();
    // A layout of its own whose region numbers have gaps: the ninth card.
    ASSERT_TRUE(store.upsertCustom(SnapLayout{u"user-gap"_qs, u"Gap"_qs, H(0.5, L(2), L(5)), std::nullopt}, u"A"_qs));
    const auto w = add(100, Rect(100, 100, 600, 400));
    c.showLayoutPicker(w, kLeft, false, std::nullopt, false);
    ASSERT_EQ(state.picker.pickerLayouts.size(), 9u);
    const auto& selection = state.picker.selection;
    auto press = [&](PickerKey::Kind kind, int index = 0) {
        shown().key(PickerKey{kind, index});
        EXPECT_EQ(feedback.selected, selection) << "the feedback draws the session's selection";
        return selection;
    };
    feedback.calls.clear();

    // Nothing selected: Right moves on from the first card, Left wraps to the last.
    EXPECT_EQ(press(PickerKey::nextLayout), (SnapSelection{1, 0}));
    EXPECT_EQ(feedback.calls.back(), u"showPreview %1"_qs.arg(toString(region(u"thirds"_qs, 0))));
    EXPECT_EQ(press(PickerKey::previousLayout), (SnapSelection{0, 0}));
    EXPECT_EQ(press(PickerKey::previousLayout), (SnapSelection{8, 2})) << "a card is entered at its lowest number";
    // Region steps go through the numbers the layout has, cyclically.
    EXPECT_EQ(press(PickerKey::nextRegion), (SnapSelection{8, 5}));
    EXPECT_EQ(press(PickerKey::nextRegion), (SnapSelection{8, 2}));
    EXPECT_EQ(press(PickerKey::previousRegion), (SnapSelection{8, 5}));
    EXPECT_EQ(press(PickerKey::card, 1), (SnapSelection{1, 0}));
    EXPECT_EQ(press(PickerKey::previousRegion), (SnapSelection{1, 2}));
    // A card past the last changes nothing and previews nothing.
    const auto before = feedback.calls.size();
    EXPECT_EQ(press(PickerKey::card, 9), (SnapSelection{1, 2}));
    EXPECT_EQ(feedback.calls.size(), before);

    // The pointer takes the selection, the keys move on from there.
    c.hoverPicker(feedback.pickerPoint(4, 1));
    EXPECT_EQ(selection, (SnapSelection{4, 1}));
    EXPECT_EQ(press(PickerKey::nextRegion), (SnapSelection{4, 2}));
    shown().key(PickerKey{PickerKey::choose});
    clock.runUntilIdle();
    EXPECT_EQ(frameOf(w), region(u"quarters"_qs, 2));

    // Return with nothing selected takes the first card's first region; in composition mode
    // the region keys move between whole layouts.
    c.showLayoutPicker(w, kLeft, false, std::nullopt, true);
    EXPECT_FALSE(selection);
    EXPECT_EQ(press(PickerKey::nextRegion), (SnapSelection{1, 0}));
    EXPECT_EQ(press(PickerKey::previousRegion), (SnapSelection{0, 0}));
    EXPECT_EQ(feedback.calls.back(), u"showCompositionPreviews 2"_qs);
    c.showLayoutPicker(w, kLeft, false, std::nullopt, false);
    shown().key(PickerKey{PickerKey::choose});
    clock.runUntilIdle();
    EXPECT_EQ(frameOf(w), region(u"halves"_qs, 0));
}

TEST_F(LayoutPicker, OpeningForgetsClosedWindowsAndTakesHiddenOnesOutOfTheirGroups)
{
    auto& c = start();
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const auto closed = add(100, region(halves, 0));
    const auto minimized = add(101, region(halves, 1));
    const auto spanning = add(102, region(halves, 1, kRight));
    state.layouts.setGroup(u"A"_qs, LayoutGroup{halves, {{0, closed}, {1, minimized}}, {}});
    state.layouts.setGroup(u"B"_qs, LayoutGroup{halves, {}, {{spanning, {0, 1}}}});
    for (const auto& w : {closed, minimized, spanning}) {
        state.memory.originals[w] = Rect(1, 1, 100, 100);
        state.memory.minimumSizes[w] = Size{50, 50};
    }
    state.memory.returnHomes[closed] = ReturnSnapTarget{u"A"_qs, Rect(), halves, 0, region(halves, 0)};
    sim.closeWindow(closed.element);
    sim.setMinimized(minimized.element, true);
    sim.setFullscreen(spanning.element, true);

    c.showLayoutPicker(std::nullopt, kRight, false, std::nullopt, false);
    EXPECT_TRUE(c.groups().at(u"A"_qs).windows.empty());
    EXPECT_TRUE(c.groups().at(u"B"_qs).spans.empty());
    // Memories go only when the frame can no longer be read.
    EXPECT_EQ(state.memory.holders(), (std::unordered_set<ManagedWindow>{minimized, spanning}));
    EXPECT_TRUE(state.memory.returnHomes.empty());
}

} // namespace
} // namespace fw::snaptest
