// The feedback of a region drop target while the window is dragged (the tile menu offered once
// held, a tile lit without ending the drop, captions, the swap panel, the split preview fitted
// to minimum sizes) and the drop after the release: its wait, the checks that stop it with one
// timing line, a placement recorded as the display's layout, and the interaction it ends.
#include "DropDesk.h"

#include "snap/DropFeedback.h"
#include "windows/MinimumSizeFitting.h"

namespace fw::snaptest {
namespace {

class RegionDropFeedback : public DropDesk {
protected:
    std::uint64_t generation() const { return state.interaction.generation(); }
    Point tileCentre(const RegionDropTarget& offer, const RegionDropIntent& intent) const
    {
        for (const auto& item : offer.menu->items) {
            if (item.intent == intent)
                return centre(item.frame);
        }
        return {};
    }

    const SnapLayout& halves = builtIn(u"halves"_qs);
    std::vector<ManagedWindow> placed = placeAll(halves);
    ManagedWindow w = add(110, Rect(200, 200, 500, 400));
    Rect start = frameOf(w);
};

TEST_F(RegionDropFeedback, TheMenuIsOfferedOnceHeldAndItsTilesAreLitWithoutEndingTheDrop)
{
    state.memory.minimumSizes[placed[1]] = Size{700, 0};
    const auto offer = targetAt(w, centre(region(halves, 1)), std::nullopt, start);
    ASSERT_TRUE(offer && offer->menu);
    ASSERT_EQ(offer->intent, RegionDropIntent::choose(1));

    // Not yet held: nothing shows; hovering the same target again restarts nothing.
    showDrop(*offer, w, std::nullopt, false);
    const auto g = generation();
    showDrop(*offer, w, std::nullopt, false);
    EXPECT_EQ(feedback.count(u"showDropMenu"_qs), 0);
    EXPECT_EQ(generation(), g);
    EXPECT_EQ(state.picker.pickerScreen(), u"A"_qs);

    // Held: the menu, with the tip the first time only.
    showDrop(*offer, w, std::nullopt, true);
    EXPECT_EQ(feedback.calls.last(), u"showDropMenu 5 none"_qs);
    EXPECT_EQ(tips, std::vector<Tip>{Tip::dropMenu});
    ASSERT_TRUE(state.drop.shownMenu);
    EXPECT_EQ(state.drop.shownMenu->region, 1);

    // A tile of the same menu: the drop goes on; the preview is the window's half, fitted so
    // the window already there keeps the width it needs.
    const auto left = targetAt(w, tileCentre(*offer, RegionDropIntent::splitSide(1, true)), std::nullopt, start);
    ASSERT_TRUE(left);
    showDrop(*left, w, std::nullopt, false);
    EXPECT_EQ(generation(), g);
    const SnapLayout split{u"corner-custom"_qs, u"Custom layout"_qs, H(0.5, L(0), H(0.5, L(1), L(2))), {}};
    const auto fitted = fittingMinimumSizes(split, 1, 2, Size{180, 140}, Size{700, 0}, topLeftVisibleFrame(kLeft));
    ASSERT_TRUE(fitted);
    const Rect leftHalf = region(*fitted, 1);
    EXPECT_LT(leftHalf.width(), region(split, 1).width());
    EXPECT_EQ(state.drop.regionDropPreviewFrame, leftHalf);
    EXPECT_TRUE(feedback.calls.contains(u"showDropMenu 5 Left Half"_qs));
    EXPECT_EQ(feedback.calls.last(),
              u"showDropTarget %1 Hold to take the left half rectangle.split.1x2 captionHidden"_qs.arg(toString(leftHalf)));

    // Another tile clears the stored preview; back on the menu itself, no second tip.
    const auto bottom = targetAt(w, tileCentre(*offer, RegionDropIntent::split(1, false)), std::nullopt, start);
    ASSERT_TRUE(bottom);
    showDrop(*bottom, w, std::nullopt, true);
    EXPECT_NE(state.drop.regionDropPreviewFrame, leftHalf);
    EXPECT_TRUE(feedback.calls.last().contains(u"Release to take the bottom half"_qs));
    showDrop(*offer, w, std::nullopt, false);
    EXPECT_EQ(feedback.calls.last(), u"showDropMenu 5 none"_qs);
    EXPECT_EQ(tips.size(), 1u);
    EXPECT_EQ(generation(), g);

    // A target without a menu ends the drop first; its caption shows.
    const RegionDropTarget plain{u"A"_qs, halves, RegionDropIntent::place(0), std::nullopt, region(halves, 0), {}, {}};
    showDrop(plain, w, std::nullopt, false);
    EXPECT_EQ(generation(), g + 1);
    EXPECT_FALSE(state.drop.shownMenu);
    EXPECT_EQ(feedback.calls.last(), u"showDropTarget %1 Hold to place rectangle.split.1x2"_qs.arg(toString(region(halves, 0))));
}

TEST_F(RegionDropFeedback, CaptionsAndTheSwapPanelSayWhatAReleaseWouldDo)
{
    RegionDropTarget swap{u"A"_qs, halves, RegionDropIntent::swap(1), placed[1], region(halves, 1), {}, {}};
    showDrop(swap, placed[0], homeOf(halves, 0), true);
    EXPECT_EQ(feedback.calls.last(), u"showDropTarget %1 Release to swap arrow.left.arrow.right armed swap %2"_qs.arg(
                                         toString(region(halves, 1)), toString(region(halves, 0))));
    showDrop(swap, w, std::nullopt, true);
    EXPECT_EQ(feedback.calls.last(), u"showDropTarget %1 Release to swap rectangle.split.1x2 armed"_qs.arg(
                                         toString(region(halves, 1)))) << "no home, no panel";

    const auto fill = [&](std::optional<Rect> space) {
        RegionDropTarget t{u"A"_qs, halves, RegionDropIntent::fillColumn(1), {}, {}, ColumnFill{}, {}};
        t.fill->space = space;
        return dropCaption(t, true);
    };
    EXPECT_EQ(fill(std::nullopt), u"Release to take the whole column"_qs);
    EXPECT_EQ(fill(Rect(0, 0.5, 1, 0.5)), u"Release to take the whole row"_qs);
    EXPECT_EQ(fill(Rect(0.5, 0.5, 0.5, 0.5)), u"Release to rejoin the halves"_qs);
    EXPECT_EQ(dropCaption({u"A"_qs, halves, RegionDropIntent::putBack(0), {}, {}, {}, {}}, false), u"Hold to put it back"_qs);

    // While windows move, and for a display that is gone, nothing at all.
    const auto calls = feedback.calls.size();
    state.interaction.mutating = true;
    showDrop(swap, placed[0], homeOf(halves, 0), true);
    state.interaction.mutating = false;
    swap.display = u"gone"_qs;
    showDrop(swap, placed[0], homeOf(halves, 0), true);
    EXPECT_EQ(feedback.calls.size(), calls);
}

class ReleasedDrop : public RegionDropFeedback {
protected:
    ReleasedDrop() { state.layouts.setGroup(u"A"_qs, LayoutGroup{halves, {{1, placed[1]}}, {}}); }
    // The plain drop of the floating window into the empty left region, released now.
    RegionDropTarget intoLeft() const
    {
        return {u"A"_qs, halves, RegionDropIntent::place(0), std::nullopt, region(halves, 0), {}, {}};
    }
};

TEST_F(ReleasedDrop, APlacementAfterTheWaitBecomesTheDisplaysLayoutAndEndsTheInteraction)
{
    state.interaction.windowInteraction = true;
    ASSERT_TRUE(release(intoLeft(), w, std::nullopt, start, false));
    const auto g = generation();
    clock.advance(79ms);
    EXPECT_EQ(sim.writesFor(w.element).size(), 0u) << "nothing before 0.08 s";
    clock.runUntilIdle();
    EXPECT_EQ(frameOf(w), region(halves, 0));
    EXPECT_EQ(store.activeLayout(u"A"_qs), halves);
    EXPECT_EQ(generation(), g + 1);
    EXPECT_FALSE(state.interaction.windowInteraction);
    EXPECT_FALSE(state.interaction.mutating);
    ASSERT_EQ(dropLines().size(), 1);

    // A placement that fails: its notice, and the layout is not recorded.
    store.reset(u"A"_qs);
    const auto stubborn = add(111, Rect(300, 300, 400, 300));
    sim.setSizeHints(stubborn.element, {.maximum = Size{400, 300}});
    state.layouts.setGroup(u"A"_qs, LayoutGroup{halves, {{1, placed[1]}}, {}});
    ASSERT_TRUE(release(intoLeft(), stubborn, std::nullopt, frameOf(stubborn)));
    EXPECT_EQ(notices, QStringList{u"App111 did not keep the region’s size. Its prior frame was restored."_qs});
    EXPECT_FALSE(store.activeLayout(u"A"_qs));
}

TEST_F(ReleasedDrop, ADropWhoseWorldChangedDuringTheWaitOnlyLogs)
{
    auto& c = *coordinator;
    const auto check = [&](const char* what, const std::function<void()>& meanwhile) {
        logs.clear();
        state.layouts.setGroup(u"A"_qs, LayoutGroup{halves, {{1, placed[1]}}, {}});
        ASSERT_TRUE(release(intoLeft(), w, std::nullopt, start, false)) << what;
        clock.advance(40ms);
        meanwhile();
        clock.runUntilIdle();
        EXPECT_EQ(frameOf(w), start) << what;
        EXPECT_EQ(dropLines(), QStringList{u"Drop place(0) finished 80 ms after release"_qs}) << what;
    };
    check("another layout", [&] { state.layouts.setGroup(u"A"_qs, LayoutGroup{builtIn(u"rows"_qs), {}, {}}); });
    check("the display gone", [&] { sim.removeScreen(u"A"_qs); });
    sim.addScreen(kLeft);

    // A newer interaction with its own task: the drop neither ends it nor clears the guard.
    check("a newer interaction", [&] {
        c.endInteraction(false);
        state.interaction.mutating = true;
    });
    EXPECT_TRUE(state.interaction.mutating);
    const auto g = generation();
    state.interaction.mutating = false;

    // "Choose" moves nothing: the guard is taken and given back, one line.
    const auto refreshes = stacks.refreshes;
    RegionDropRun run{RegionDropTarget{u"A"_qs, halves, RegionDropIntent::choose(0), {}, region(halves, 0), {}, {}},
                      w, start, std::nullopt, clock.now(), c.stamp()};
    logs.clear();
    clock.run(executeRegionDrop(c.context(), c.dragStates().dropState(), run));
    EXPECT_EQ(dropLines(), QStringList{u"Drop choose(0) finished 80 ms after release"_qs});
    EXPECT_GT(stacks.refreshes, refreshes);
    EXPECT_EQ(generation(), g + 1);
    EXPECT_FALSE(state.interaction.mutating);
}

} // namespace
} // namespace fw::snaptest
