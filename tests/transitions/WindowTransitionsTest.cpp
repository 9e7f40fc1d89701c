// The transitions over the simulated desktop in virtual time: what is captured and at which
// size, the card shuffle's pictures, scene and preconditions, when the window comes forward,
// and that a shader transition reveals exactly once whatever happens.
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimWindowCapture.h"
#include "transitions/RecordingPresenter.h"
#include "transitions/WindowTransitions.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

using namespace std::chrono_literals;
using sim::SimWindowCapture;

class Transitions : public ::testing::Test {
protected:
    Transitions()
    {
        sim.addScreen({"A", "Main", Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1050), true});
        access.setIdleInhibitors(&sim);
    }
    WindowId add(const QString& title, const Rect& frame, int layer = 0)
    {
        return sim.addWindow({.pid = 100 + Pid(sim.stacking().size()), .title = title, .frame = frame, .layer = layer});
    }
    ManagedWindow managed(WindowId id) { return ManagedWindow::make(sim, id).value_or(ManagedWindow{}); }
    template<typename T>
    T run(Task<T> task)
    {
        return clock.run(std::move(task), 1min);
    }
    std::shared_ptr<CardShuffle> prepare(WindowId in, WindowId out)
    {
        return run(services.captureCardShuffle({{managed(in), slot.offsetBy(300, 0)}}, {managed(out)}, slot));
    }

    const Rect slot{100, 100, 1000, 600};
    VirtualClock clock;
    sim::SimDesktop sim{clock};
    SimWindowCapture capture{sim};
    WindowAccess access{sim, sim, clock, sim};
    test::RecordingPresenter presenter{clock};
    WindowTransitions services{access, sim, sim, capture, presenter};
};

TEST_F(Transitions, CaptureTakesTheWholeWindowAtMost1600PixelsLongAndNothingWithoutAPicture)
{
    const WindowId big = add("Big", Rect(0, 0, 3200, 1800));
    auto shot = run(services.capture(managed(big), Rect(0, 0, 3200, 1800)));
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->image->size(), (PixelSize{1600, 900}));
    EXPECT_EQ(shot->region, Rect(0, 0, 1600, 900));
    EXPECT_EQ(shot->image->pixel(800, 450), SimWindowCapture::colourOf(big));
    EXPECT_EQ(capture.requests().back().frame, Rect(0, 0, 3200, 1800));

    sim.setMinimized(big, true);
    EXPECT_FALSE(run(services.capture(managed(big), Rect(0, 0, 3200, 1800))));
    sim.setMinimized(big, false);
    sim.setWindowPreviewsGranted(false);
    const auto asked = capture.requests().size();
    EXPECT_FALSE(run(services.capture(managed(big), Rect(0, 0, 3200, 1800))));
    EXPECT_EQ(capture.requests().size(), asked);   // not even tried
}

TEST_F(Transitions, CardShuffleTakesTheDesktopBehindTheSlotThenIncomingThenLeavingPictures)
{
    const WindowId farBack = add("Far back", Rect(0, 0, 400, 400));
    const WindowId behind = add("Behind", Rect(900, 500, 600, 400));
    const WindowId elsewhere = add("Elsewhere", Rect(1300, 800, 300, 200));
    const WindowId hidden = add("Hidden", Rect(150, 150, 300, 300));
    sim.setMinimized(hidden, true);
    const WindowId above = add("Always on top", Rect(150, 150, 100, 100), 3);
    const WindowId incoming = add("Incoming", slot);
    const WindowId leaving = add("Leaving", Rect(80, 100, 1020, 600));
    (void)elsewhere;
    (void)above;

    auto shuffle = prepare(incoming, leaving);
    ASSERT_TRUE(shuffle);
    ASSERT_EQ(shuffle->captures.size(), 3u);
    const auto& asked = capture.requests();
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_TRUE(asked[0].desktop);
    EXPECT_EQ(asked[0].frame, slot);
    // Bottom to top, only what meets the slot, none of the shuffle's own, nothing minimized or
    // above the ordinary layer.
    EXPECT_EQ(asked[0].windows, (std::vector<WindowId>{farBack, behind}));
    EXPECT_EQ(asked[1].window, incoming);
    EXPECT_EQ(asked[2].window, leaving);
    EXPECT_EQ(asked[2].size, (PixelSize{1020, 600}));

    const PixelImage& backdrop = *shuffle->captures[0].image;
    EXPECT_EQ(backdrop.size(), (PixelSize{1000, 600}));
    EXPECT_EQ(backdrop.pixel(50, 50), SimWindowCapture::colourOf(farBack));
    EXPECT_EQ(backdrop.pixel(900, 500), SimWindowCapture::colourOf(behind));
    EXPECT_EQ(backdrop.pixel(600, 200), SimWindowCapture::backgroundColour);
    EXPECT_EQ(shuffle->captures[1].image->pixel(0, 0), SimWindowCapture::colourOf(incoming));
    EXPECT_EQ(shuffle->captures[2].image->pixel(0, 0), SimWindowCapture::colourOf(leaving));

    const CardShuffleScene& scene = shuffle->scene;
    EXPECT_EQ(scene.slot, slot);
    EXPECT_EQ(scene.beneath, std::vector<Rect>{slot});
    // The slot and the out rectangle 300 to its right, grown by 80 on every side.
    EXPECT_EQ(scene.area, Rect(20, 20, 1460, 760));
    ASSERT_EQ(scene.incoming.size(), 1u);
    EXPECT_EQ(scene.incoming[0].out, slot.offsetBy(300, 0));
    ASSERT_EQ(scene.leaving.size(), 1u);
    EXPECT_EQ(scene.leaving[0].frame, Rect(80, 100, 1020, 600));
    EXPECT_EQ(scene.leaving[0].piece, slot);
}

TEST_F(Transitions, CardShuffleAreaIsCutToTheDisplayAndRoundedOutward)
{
    EXPECT_EQ(cardShuffleArea(Rect(0, 0, 1000, 600), {Rect(1100, 0, 1000, 600)}, Rect(0, 0, 1920, 1080)),
              Rect(0, 0, 1920, 680));
    EXPECT_EQ(cardShuffleArea(Rect(10.5, 10.5, 99, 99), {}, Rect(0, 0, 1920, 1080)), Rect(2, 2, 116, 116));
}

TEST_F(Transitions, CardShuffleNeedsEveryPreconditionAndEveryPicture)
{
    const WindowId incoming = add("Incoming", slot);
    const WindowId leaving = add("Leaving", slot);
    auto expectNone = [&](const char* why) {
        const auto before = capture.requests().size();
        EXPECT_FALSE(prepare(incoming, leaving)) << why;
        return capture.requests().size() - before;
    };
    EXPECT_TRUE(prepare(incoming, leaving));

    EXPECT_FALSE(run(services.captureCardShuffle({}, {managed(leaving)}, slot)));
    EXPECT_FALSE(run(services.captureCardShuffle({{managed(incoming), slot}}, {}, slot)));
    EXPECT_FALSE(run(services.captureCardShuffle({{managed(incoming), slot}}, {managed(leaving)}, Rect(3000, 0, 100, 100))));
    sim.setDisplayKeptAwake(true);
    EXPECT_EQ(expectNone("a video keeps the display awake"), 0u);
    sim.setDisplayKeptAwake(false);
    presenter.translucent = false;
    EXPECT_EQ(expectNone("no compositing manager"), 0u);
    presenter.translucent = true;
    presenter.gpu = false;
    EXPECT_EQ(expectNone("no GPU"), 0u);
    presenter.gpu = true;
    sim.setWindowPreviewsGranted(false);
    EXPECT_EQ(expectNone("no previews"), 0u);
    sim.setWindowPreviewsGranted(true);
    capture.failWindow(leaving);
    EXPECT_GT(expectNone("the leaving picture fails"), 0u);
    sim.closeWindow(leaving);
    EXPECT_EQ(expectNone("the leaving window is gone"), 0u);
}

TEST_F(Transitions, PresentBringsTheWindowForwardWhenTheCardsCoverTheSlot)
{
    const WindowId incoming = add("Incoming", slot);
    const WindowId leaving = add("Leaving", slot);
    auto shuffle = prepare(incoming, leaving);
    ASSERT_TRUE(shuffle);
    sim.clearWrites();
    const Duration start = clock.now();
    run(services.present(shuffle, managed(incoming)));
    ASSERT_EQ(presenter.cardsCalls.size(), 1u);
    EXPECT_EQ(presenter.cardsCalls[0].duration, 550ms);
    EXPECT_EQ(presenter.cardsCalls[0].shuffle, shuffle);
    ASSERT_FALSE(sim.writesOf(sim::Write::Raise).empty());
    EXPECT_EQ(sim.writesOf(sim::Write::Raise).front().time - start, 30ms);
    EXPECT_EQ(sim.stacking().front(), incoming);

    // Without the GPU nothing is shown and the window still comes forward, at once.
    presenter.gpu = false;
    sim.clearWrites();
    int begun = 0;
    const Duration now = clock.now();
    run(services.presentBack(shuffle, [&] { ++begun; }));
    EXPECT_EQ(begun, 1);
    EXPECT_EQ(clock.now(), now);
    EXPECT_EQ(presenter.cardsCalls.size(), 1u);
}

TEST_F(Transitions, ShaderTransitionRevealsExactlyOnceOnEveryPath)
{
    const WindowId w = add("Window", slot);
    const auto picture = run(services.capture(managed(w), slot));
    ASSERT_TRUE(picture);
    const ShaderTransition::Layer piece{*picture, slot, std::nullopt, std::nullopt};
    int reveals = 0;
    auto reveal = [&]() -> Task<void> {
        ++reveals;
        co_return;
    };
    auto play = [&](StackTransition t, std::vector<ShaderTransition::Layer> layers, Duration d = 500ms) {
        reveals = 0;
        auto transition = services.makeShaderTransition(d);
        run(transition->play(t, std::move(layers), reveal));
        return reveals;
    };

    EXPECT_EQ(play(StackTransition::genie, {}), 1);
    EXPECT_EQ(play(StackTransition::genie, {ShaderTransition::Layer{}}), 1);   // a piece without picture
    presenter.translucent = false;
    EXPECT_EQ(play(StackTransition::genie, {piece}), 1);
    presenter.translucent = true;
    presenter.gpu = false;
    EXPECT_EQ(play(StackTransition::genie, {piece}), 1);
    presenter.gpu = true;
    EXPECT_TRUE(presenter.shaderCalls.empty());

    EXPECT_EQ(play(StackTransition::melt, {piece}), 1);
    EXPECT_EQ(play(StackTransition::shuffle, {piece}), 1);
    EXPECT_EQ(play(StackTransition::disintegrate, {piece}, 2s), 1);
    ASSERT_EQ(presenter.shaderCalls.size(), 3u);
    EXPECT_EQ(presenter.shaderCalls[0].effect, 4u);
    EXPECT_EQ(presenter.shaderCalls[1].effect, 0u);
    EXPECT_EQ(presenter.shaderCalls[2].effect, 3u);
    EXPECT_EQ(presenter.shaderCalls[0].duration, 500ms);
    EXPECT_EQ(presenter.shaderCalls[2].duration, 2s);
    EXPECT_EQ(presenter.shaderCalls[0].layers.front().frame, slot);
}

} // namespace
} // namespace fw
