// Whom a release goes to, over scripted drags: a held and armed drop target starts its drop, an
// unarmed one is handed over as a release over no target with the generation current when the
// hand-off was scheduled, the offer for the window's own region puts it back, a seam corner is
// held before it is offered and its choice is dropped by a press within 0.1 s, the return
// gesture takes the window back to its region, and a release over the picker without a
// selection hands the window over at once.
#include "DragDesk.h"

#include "layout/TreeBuilders.h"

namespace fw::snaptest {
namespace {

class DragHandOffs : public DragDesk {
protected:
    // The drop feedback's part of holding a target: the coordinator holds what it is shown.
    void holdShownTargets()
    {
        handler->onShow = [this](const RegionDropTarget& target, bool armed) {
            shown.emplace_back(target, armed);
            state.drop.regionDrop = target;
            state.drop.regionDropArmed = armed;
        };
    }
    // The split offer's part of a seam corner: a one-layout picker state whose choice is the
    // corner's region.
    void offerCornersAsPlacements()
    {
        handler->onSplit = [this](const SplitDropRequest& r) {
            splits.push_back(r);
            PickerSession& picker = state.picker;
            picker.pickerWindow = r.window;
            picker.pickerOriginal = r.startFrame;
            picker.setPickerScreen(r.screen.key, stacks);
            picker.pickerLayouts = {r.layout};
            picker.cornerSelection = SnapSelection{0, r.region};
        };
    }

    std::vector<std::pair<RegionDropTarget, bool>> shown;
};

TEST_F(DragHandOffs, AnArmedDropTargetStartsItsDropAndAnUnarmedOneIsHandedOverWithTheGenerationOfItsScheduling)
{
    recordHandOffs();
    holdShownTargets();
    auto& c = *coordinator;
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const auto placed = add(101, region(halves, 0, kRight));
    state.layouts.setGroup(u"B"_qs, LayoutGroup{halves, {{0, placed}}, {}});
    const Rect before(300, 200, 700, 500);
    const auto w = add(100, before);
    const Rect empty = region(halves, 1, kRight);
    const Point over{empty.midX(), empty.midY()};

    pressOn(w, {650, 215});
    dragTo({650, 240});
    dragTo(over);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().first.intent, RegionDropIntent::place(1));
    EXPECT_FALSE(shown.back().second);
    rest(150ms);
    EXPECT_EQ(states().back(), u"hold place(1) on B"_qs);
    rest(100ms);
    EXPECT_EQ(states().back(), u"ready place(1) on B"_qs);
    EXPECT_TRUE(shown.back().second);

    releaseAt(over);
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0].target, shown.back().first);
    EXPECT_EQ(drops[0].window, w);
    EXPECT_EQ(drops[0].startFrame, before);
    EXPECT_EQ(drops[0].releaseTime, clock.now());
    EXPECT_TRUE(drops[0].stamp.current()) << "read after the drop ended the hover's interaction";
    EXPECT_EQ(state.picker.pickerScreen(), u"B"_qs);
    EXPECT_FALSE(state.drop.regionDrop);
    EXPECT_TRUE(state.interaction.windowInteraction) << "the drop task ends the press";
    clock.advance(100ms);
    EXPECT_TRUE(releases.empty());

    // Released before the target is ready: the held target goes (its interaction ends), and
    // the window is handed over as released over no target, for the interaction after that end.
    const auto second = add(102, before);
    pressOn(second, {650, 215});
    dragTo({650, 240});
    dragTo(over);
    ASSERT_FALSE(shown.back().second);
    const auto atRelease = c.interactionGeneration();
    releaseAt(over);
    EXPECT_EQ(drops.size(), 1u);
    EXPECT_EQ(c.interactionGeneration(), atRelease + 1);
    clock.advance(80ms);
    ASSERT_EQ(releases.size(), 1u);
    EXPECT_EQ(releases[0].window, second);
    EXPECT_EQ(releases[0].generation, c.interactionGeneration());
}

TEST_F(DragHandOffs, TheOfferForTheRegionTheWindowCameFromPutsItBack)
{
    recordHandOffs();
    holdShownTargets();
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const Rect home = region(halves, 0, kRight);
    const auto w = add(100, home);
    const auto other = add(101, region(halves, 1, kRight));
    state.layouts.setGroup(u"B"_qs, LayoutGroup{halves, {{0, w}, {1, other}}, {}});

    const Point grab{home.midX(), home.minY() + 15};
    pressOn(w, grab);
    dragTo({grab.x, grab.y + 100});
    EXPECT_EQ(handler->findings().returnTarget->region, 0);
    const Point back{home.midX(), home.midY() + 150};
    dragTo(back);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().first.intent, RegionDropIntent::choose(0));
    EXPECT_TRUE(shown.back().first.menu) << "Put Back and the halves of the region";
    releaseAt(back);
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0].target.intent, RegionDropIntent::putBack(0));
    EXPECT_FALSE(drops[0].target.menu || drops[0].target.occupant || drops[0].target.fill);
    EXPECT_EQ(drops[0].home->region, 0);
    EXPECT_EQ(fileStates().last(), u"released region drop"_qs);
}

TEST_F(DragHandOffs, ASeamCornerIsHeldBeforeItIsOfferedAndItsChoiceIsDroppedByAPressWithinATenthOfASecond)
{
    offerCornersAsPlacements();
    const Rect before(300, 200, 700, 500);
    const auto w = add(100, before);
    pressOn(w, {650, 215});
    dragTo({650, 240});
    dragTo({10, 10}); // the top-left corner of A borders no display: offered at once
    ASSERT_EQ(splits.size(), 1u);
    EXPECT_EQ(states().back(), u"corner topLeft on A"_qs);
    EXPECT_EQ(splits[0].layout.id, u"quarters"_qs);
    EXPECT_EQ(splits[0].region, 0);
    EXPECT_TRUE(splits[0].newAbove && splits[0].showFeedback);
    EXPECT_EQ(splits[0].startFrame, before);
    dragTo({12, 12});
    EXPECT_EQ(splits.size(), 1u) << "the offer stands";

    // The top-right corner of A borders B: held 0.28 s first.
    dragTo({1910, 10});
    EXPECT_EQ(states().back(), u"hold seam corner"_qs);
    EXPECT_FALSE(state.picker.cornerSelection) << "leaving the corner ended its offer";
    rest(240ms);
    EXPECT_EQ(splits.size(), 1u);
    rest(60ms);
    ASSERT_EQ(splits.size(), 2u);
    EXPECT_EQ(states().back(), u"corner topRight on A"_qs);
    EXPECT_EQ(splits[1].region, 2);

    releaseAt({1910, 10});
    clock.advance(50ms);
    sim.mouse().press({100, 900}); // anywhere: a new press ends the interaction
    sim.mouse().release({100, 900});
    clock.runUntilIdle();
    EXPECT_EQ(frameOf(w), pressFrame.offsetBy(1260, -205)) << "not placed";

    pressOn(w, {1800, 10});
    dragTo({1880, 200});
    dragTo({1910, 10});
    rest(300ms);
    releaseAt({1910, 10});
    clock.runUntilIdle();
    EXPECT_EQ(frameOf(w), region(u"quarters"_qs, 2));
}

TEST_F(DragHandOffs, TheReturnGestureTakesTheWindowBackToItsRegionUnlessThePickerWasReached)
{
    // A region too small for halves and whose side-by-side split is no rejoin: the window's
    // own region offers no drop, so its previous position is offered.
    const SnapLayout small{u"user-small"_qs, u"Small"_qs, V(0.4, H(0.3, L(0), L(1)), L(2)), std::nullopt};
    const Rect home = region(small, 0);
    const auto w = add(100, home);
    const auto other = add(101, region(small, 1));
    state.layouts.setGroup(u"A"_qs, LayoutGroup{small, {{0, w}, {1, other}}, {}});

    const Point grab{200, home.minY() + 12};
    pressOn(w, grab);
    dragTo({200, grab.y + 90});
    EXPECT_EQ(states().back(), u"previous position"_qs);
    EXPECT_EQ(feedback.calls.filter(u"showReturnPreview"_qs).last(),
              u"showReturnPreview 0 %1 %2"_qs.arg(w.element).arg(toString(home)));
    const Point near{210, grab.y + 15};
    dragTo(near); // the window within 16 points of its slot: ready at once
    EXPECT_EQ(states().back(), u"ready return"_qs);
    EXPECT_TRUE(feedback.calls.last().startsWith(u"showReturnPreview 1"_qs));
    // A press on another window within 0.08 s of the release: the window stays.
    releaseAt(near);
    clock.advance(50ms);
    sim.mouse().press({1000, 600});
    sim.mouse().release({1000, 600});
    clock.runUntilIdle();
    EXPECT_EQ(frameOf(w), home.offsetBy(10, 15));

    pressOn(w, {210, grab.y + 15});
    dragTo({210, grab.y + 110});
    dragTo({205, grab.y + 5});
    EXPECT_EQ(states().back(), u"ready return"_qs);
    releaseAt({205, grab.y + 5});
    EXPECT_FALSE(state.interaction.windowInteraction);
    clock.advance(79ms);
    EXPECT_FALSE(state.interaction.mutating);
    EXPECT_EQ(frameOf(w), home.offsetBy(5, 5));
    clock.advance(1ms);
    EXPECT_TRUE(state.interaction.mutating);
    clock.runUntilIdle();
    EXPECT_EQ(frameOf(w), home);
    EXPECT_FALSE(state.interaction.mutating);
    EXPECT_TRUE(notices.isEmpty());

    // Through the picker zone and back: the gesture stays disarmed.
    pressOn(w, grab);
    dragTo({200, grab.y + 90});
    dragTo({960, 10});
    dragTo(near);
    releaseAt(near);
    clock.runUntilIdle();
    EXPECT_EQ(frameOf(w), home.offsetBy(10, 15));
}

TEST_F(DragHandOffs, AReleaseOverThePickerWithoutASelectionHandsTheWindowOverAtOnce)
{
    auto& c = *coordinator;
    const auto w = add(100, Rect(300, 200, 700, 500));
    pressOn(w, {650, 215});
    dragTo({650, 240});
    dragTo({960, 10});
    dragTo({960, 600});
    ASSERT_TRUE(feedback.picker);
    const auto atRelease = c.interactionGeneration();
    releaseAt({960, 600});
    EXPECT_FALSE(feedback.picker);
    EXPECT_EQ(c.interactionGeneration(), atRelease + 1) << "the picker's interaction ended";
    EXPECT_TRUE(state.interaction.windowInteraction);
    // Handed over for the interaction after that end, so not dropped as stale: the press ends
    // once the window's frame has settled.
    clock.advance(200ms);
    EXPECT_FALSE(state.interaction.windowInteraction);

    recordHandOffs();
    const Rect now = frameOf(w);
    pressOn(w, {now.midX(), now.minY() + 15});
    dragTo({now.midX(), now.minY() + 40});
    dragTo({960, 10});
    dragTo({960, 600});
    releaseAt({960, 600});
    clock.advance(0ms);
    ASSERT_EQ(releases.size(), 1u);
    EXPECT_EQ(releases[0].generation, c.interactionGeneration());
    EXPECT_TRUE(releases[0].grabbedEdges.empty());
}

} // namespace
} // namespace fw::snaptest
