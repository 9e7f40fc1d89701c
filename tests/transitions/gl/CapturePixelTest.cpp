// Pictures from the X server through the GPU and back, and the shared GPU record's life across
// transitions in virtual time.
#include "base/Clock.h"
#include "platform/x11/X11WindowCapture.h"
#include "transitions/ShaderPlayback.h"
#include "transitions/gl/GlRig.h"
#include "transitions/qt/GlTransitionPresenter.h"

namespace fw::test {
namespace {

using namespace std::chrono_literals;

class CaptureToTexture : public GpuTest {
protected:
    PixelImage drawUnchanged(const TransitionCapture& capture)
    {
        const PixelRect r = integralRegion(capture);
        const PixelSize size{r.width, r.height};
        OffscreenTarget target(*gpu, size);
        target.bind();
        gpu->beginFrame(size, false);
        const unsigned texture = gpu->makeTexture(capture);
        EXPECT_NE(texture, 0u);
        const auto plan = planSurface(Rect(0, 0, r.width, r.height), std::nullopt, std::nullopt);
        gpu->drawEffect(effectDraw(0, *plan, 0), texture);
        PixelImage out = target.read();
        gpu->deleteTexture(texture);
        return out;
    }
};

TEST_F(CaptureToTexture, KnownColoursSurviveCaptureTextureAndReadback)
{
    XSession& session = glSession();
    const auto client = session.startTestClient(QStringLiteral("Colours"),
                                                {"--colors", "ff0000,00ff00", "--size", "240x160", "--position", "50,40"});
    ASSERT_TRUE(client.window) << session.error();
    X11WindowCapture capture(session.display());
    ASSERT_TRUE(capture.available());
    const Rect frame(50, 40, 240, 160);
    std::optional<PixelImage> image;
    // The right half appears once the client has handled its first exposure.
    ASSERT_TRUE(session.waitFor([&] {
        image = capture.captureWindow(client.window, frame, {240, 160});
        return image && image->pixel(200, 80) == argb(255, 0, 255, 0);
    })) << "the client never showed its colours";
    EXPECT_EQ(image->pixel(10, 80), argb(255, 255, 0, 0));
    EXPECT_EQ(image->pixel(119, 0), argb(255, 255, 0, 0));
    EXPECT_EQ(image->pixel(120, 159), argb(255, 0, 255, 0));

    const auto whole = TransitionCapture::whole(*image);
    EXPECT_EQ(firstDifference(drawUnchanged(whole), *image, 0), "");

    // A region off whole pixels is rounded outward: one red column, then green.
    TransitionCapture part{whole.image, Rect(119.4, 0, 100, 160)};
    const PixelImage cut = drawUnchanged(part);
    ASSERT_EQ(cut.size(), (PixelSize{101, 160}));
    EXPECT_EQ(cut.pixel(0, 5), argb(255, 255, 0, 0));
    EXPECT_EQ(cut.pixel(1, 5), argb(255, 0, 255, 0));
    EXPECT_EQ(cut.pixel(100, 159), argb(255, 0, 255, 0));
    session.stop(client.pid);
}

TEST(GpuRecord, SharedByTransitionsThatFollowEachOtherAndReleasedFourSecondsAfterTheLast)
{
    VirtualClock clock;
    GlTransitionPresenter presenter(clock);
    auto first = presenter.gpu();
    ASSERT_TRUE(first);
    presenter.scheduleGpuRelease();
    clock.advance(3900ms);
    EXPECT_TRUE(presenter.holdsGpu());
    EXPECT_EQ(presenter.gpu(), first);   // taken again: the release is called off
    clock.advance(10s);
    EXPECT_TRUE(presenter.holdsGpu());
    first.reset();

    const TransitionLayer piece{TransitionCapture::whole(quadrants(160, 100)), Rect(100, 100, 160, 100), std::nullopt,
                                std::nullopt};
    int reveals = 0;
    Duration revealedAt{0};
    TransitionPresenter::RevealAction reveal = [&]() -> Task<void> {
        ++reveals;
        revealedAt = clock.now();
        co_return;
    };
    const TransitionGpu* record = presenter.gpu().get();
    for (int run = 0; run < 2; ++run) {
        clock.run(presenter.playShader(2, {piece}, 500ms, reveal), 10s);
        EXPECT_EQ(reveals, run + 1);
        // The animation's half second starts at the reveal and ends on the first frame past it.
        EXPECT_GE(clock.now() - revealedAt, 500ms);
        EXPECT_LT(clock.now() - revealedAt, 500ms + 2 * GlTransitionPresenter::frameInterval);
        EXPECT_EQ(presenter.gpu().get(), record);
        presenter.scheduleGpuRelease();
        clock.advance(1s);
    }
    clock.advance(2900ms);
    EXPECT_TRUE(presenter.holdsGpu());
    clock.advance(200ms);
    EXPECT_FALSE(presenter.holdsGpu());

    // Nothing left to show (a piece without area): the reveal runs once, the release follows.
    clock.run(presenter.playShader(1, {TransitionLayer{piece.image, Rect(0, 0, 0, 100)}}, 500ms, reveal), 10s);
    EXPECT_EQ(reveals, 3);
    EXPECT_TRUE(presenter.holdsGpu());
    clock.advance(4s);
    EXPECT_FALSE(presenter.holdsGpu());
}

} // namespace
} // namespace fw::test
