// Snap assist after a picker placement: which windows are offered for which regions, choosing
// one (and the clicks that must do nothing meanwhile), skipping every region, windows that
// closed, and thumbnails that arrive late.
#include "SnapFixture.h"

namespace fw::snaptest {
namespace {

// Hands over one image every 50 ms.
struct SlowCapture final : ThumbnailCapture {
    explicit SlowCapture(Clock& c) : clock(c) {}
    Clock& clock;
    std::vector<ManagedWindow> asked;
    Task<void> captureWindowThumbnails(std::vector<ManagedWindow> windows, double maxSide, ThumbnailDelivery deliver) override
    {
        asked = windows;
        for (const ManagedWindow& w : windows) {
            co_await clock.sleep(50ms);
            deliver(w, std::make_shared<const PixelImage>(int(maxSide), int(maxSide) / 2));
        }
    }
};

class SnapAssist : public SnapDesk {
protected:
    // The picker placed `w` in region 0 of "Three columns" on A.
    void placeFromPicker(const ManagedWindow& w)
    {
        coordinator->showLayoutPicker(w, kLeft, false, std::nullopt, false);
        clock.run(coordinator->choose({1, 0}));
        ASSERT_EQ(frameOf(w), region(u"thirds"_qs, 0));
    }
    std::map<RegionNumber, ManagedWindow> occupied() const { return state.assist.assistSession->occupied; }
};

TEST_F(SnapAssist, OffersEachOtherWindowOfTheDisplayOnceUnlessItAlreadySitsInAnOccupiedRegion)
{
    auto& c = start();
    const SnapLayout& thirds = builtIn(u"thirds"_qs);
    const auto placed = add(100, Rect(100, 100, 600, 400));
    const auto middle = add(101, region(thirds, 1));
    const auto behind = add(102, region(thirds, 1));
    const auto loose = add(103, Rect(300, 500, 500, 300));
    const auto nearRight = add(104, region(thirds, 2).offsetBy(6, 0));
    add(105, Rect(2000, 100, 500, 400)); // on B
    state.layouts.setGroup(u"A"_qs, LayoutGroup{thirds, {{1, middle}}, {}});

    placeFromPicker(placed);
    EXPECT_EQ(feedback.calls.back(), u"showRegionAssist 1 2"_qs);
    const auto& session = *state.assist.assistSession;
    EXPECT_EQ(session.regions, thirds.tree.frames(topLeftVisibleFrame(kLeft), 8));
    EXPECT_EQ(occupied(), (std::map<RegionNumber, ManagedWindow>{{0, placed}, {1, middle}}));
    // The window behind the middle one sits in an occupied region; the one 6 points off the
    // free region does not.
    EXPECT_EQ(session.candidates, (std::vector<ManagedWindow>{loose, nearRight}));

    // A window listed twice is offered once; windows gone from the display drop out when the
    // panels are shown again.
    c.startSnapAssist(kLeft, c.stamp(), {loose, nearRight, loose, behind});
    EXPECT_EQ(state.assist.assistSession->candidates, (std::vector<ManagedWindow>{loose, nearRight}));
    sim.closeWindow(loose.element);
    c.showAssistPanel(kLeft);
    EXPECT_EQ(state.assist.assistSession->candidates, (std::vector<ManagedWindow>{nearRight}));
    EXPECT_EQ(feedback.calls.back(), u"showRegionAssist 1 1"_qs);

    // Nothing left to offer: the interaction ends.
    sim.closeWindow(nearRight.element);
    const auto generation = c.interactionGeneration();
    c.showAssistPanel(kLeft);
    EXPECT_EQ(c.interactionGeneration(), generation + 1);
    EXPECT_FALSE(state.assist.assistSession);
}

TEST_F(SnapAssist, AChosenWindowFillsItsRegionAndSkippingTheRestEndsAssist)
{
    auto& c = start();
    const auto placed = add(100, Rect(100, 100, 600, 400));
    const auto a = add(101, Rect(200, 300, 500, 300));
    const auto b = add(102, Rect(250, 350, 500, 300));
    const auto closing = add(103, Rect(300, 400, 500, 300));
    placeFromPicker(placed);
    EXPECT_EQ(feedback.calls.back(), u"showRegionAssist 2 3"_qs);
    const auto choose = feedback.assistChoose;
    const auto skip = feedback.assistSkip;

    // Chosen for region 2; a second click, and a skip, while it moves do nothing.
    choose(2, a);
    EXPECT_TRUE(state.interaction.mutating);
    EXPECT_EQ(feedback.calls.back(), u"disableAssistControls"_qs);
    choose(1, b);
    skip(1);
    clock.runUntilIdle();
    EXPECT_EQ(frameOf(a), region(u"thirds"_qs, 2));
    EXPECT_EQ(frameOf(b), Rect(250, 350, 500, 300));
    EXPECT_EQ(occupied(), (std::map<RegionNumber, ManagedWindow>{{0, placed}, {2, a}}));
    EXPECT_FALSE(state.interaction.mutating);
    EXPECT_EQ(feedback.calls.back(), u"showRegionAssist 1 2"_qs);
    EXPECT_EQ(c.groups().at(u"A"_qs).windows.size(), 2u);

    // Answers of panels that are no longer current: a filled region, a placed window.
    const auto now = feedback.calls.size();
    choose(2, b);
    choose(1, a);
    EXPECT_EQ(feedback.calls.size(), now);

    // A window that closed before its click: not placed, the panels come back without it.
    sim.closeWindow(closing.element);
    feedback.assistChoose(1, closing);
    clock.runUntilIdle();
    EXPECT_EQ(feedback.calls.back(), u"showRegionAssist 1 1"_qs);
    EXPECT_EQ(occupied().size(), 2u);

    // Skipping the last open region ends assist and the interaction.
    const auto generation = c.interactionGeneration();
    feedback.assistSkip(1);
    EXPECT_EQ(c.interactionGeneration(), generation + 1);
    EXPECT_FALSE(state.assist.assistSession || state.picker.pickerScreen());
    EXPECT_EQ(feedback.calls.back(), u"hideAll"_qs);
    // Its panels' callbacks are stale now.
    feedback.assistChoose(1, b);
    clock.runUntilIdle();
    EXPECT_EQ(frameOf(b), Rect(250, 350, 500, 300));
    EXPECT_TRUE(notices.isEmpty());
}

TEST_F(SnapAssist, ThumbnailsArriveOneByOneAndThoseLaterThanTheInteractionAreDropped)
{
    SlowCapture slow(clock);
    captureUsed = &slow;
    auto& c = start();
    const auto placed = add(100, Rect(100, 100, 600, 400));
    const auto a = add(101, Rect(200, 300, 500, 300));
    const auto b = add(102, Rect(250, 350, 500, 300));
    c.showLayoutPicker(placed, kLeft, false, std::nullopt, false);
    c.context().tasks.spawn(c.choose({1, 0}));
    clock.advance(5s);
    EXPECT_EQ(slow.asked, (std::vector<ManagedWindow>{a, b}));
    EXPECT_EQ(state.assist.thumbnails.size(), 2u);
    EXPECT_EQ(feedback.count(u"updateAssistThumbnail"_qs), 2);
    // The panels shown again carry the thumbnails taken so far.
    feedback.assistSkip(1);
    EXPECT_EQ(feedback.calls.back(), u"showRegionAssist 1 2"_qs);

    // Escape during the next capture: the panels go and the late images are dropped.
    c.showLayoutPicker(placed, kLeft, false, std::nullopt, false);
    c.context().tasks.spawn(c.choose({0, 0}));
    for (int i = 0; i < 200 && !state.assist.assistSession; ++i)
        clock.advance(10ms);
    clock.advance(60ms);
    ASSERT_EQ(state.assist.thumbnails.size(), 1u);
    feedback.onCancel();
    clock.runUntilIdle();
    EXPECT_TRUE(state.assist.thumbnails.empty());
    EXPECT_EQ(feedback.count(u"updateAssistThumbnail"_qs), 3);
}

} // namespace
} // namespace fw::snaptest
