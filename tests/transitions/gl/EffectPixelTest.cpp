// The shaders on llvmpipe, read back from offscreen targets: the uniform layouts the programs
// report, every effect's first and last frame, particles kept inside their window, and the
// card shuffle's depth order at chosen times.
#include "transitions/CardShuffle.h"
#include "transitions/ShaderPlayback.h"
#include "transitions/StackTransition.h"
#include "transitions/gl/GlRig.h"

namespace fw::test {
namespace {

class Effects : public GpuTest {
protected:
    // One frame of one window filling (or, with `rect`, placed in) a target of `size`.
    PixelImage frame(const PixelImage& picture, std::uint32_t effect, float progress, PixelSize size,
                     const std::array<float, 4>& rect = {-1, 1, 2, 2})
    {
        OffscreenTarget target(*gpu, size);
        EXPECT_TRUE(target.ok());
        target.bind();
        gpu->beginFrame(size, false);
        const unsigned texture = gpu->makeTexture(TransitionCapture::whole(picture));
        EXPECT_NE(texture, 0u);
        const auto plan = planSurface(Rect(0, 0, picture.width, picture.height), std::nullopt, std::nullopt);
        EffectDraw draw = effectDraw(effect, *plan, progress);
        std::copy(rect.begin(), rect.end(), draw.grid.rect);
        std::copy(rect.begin(), rect.end(), draw.particles.rect);
        gpu->drawEffect(draw, texture);
        PixelImage out = target.read();
        gpu->deleteTexture(texture);
        return out;
    }
};

TEST_F(Effects, UniformBlocksHaveTheLayoutOfTheUploadedRecords)
{
    EXPECT_EQ(gpu->uniformBlockSize(false), int(sizeof(TransitionUniforms)));
    EXPECT_EQ(gpu->uniformBlockSize(true), int(sizeof(ParticleUniforms)));
    const std::pair<const char*, std::size_t> grid[] = {
        {"rect", offsetof(TransitionUniforms, rect)},       {"target", offsetof(TransitionUniforms, target)},
        {"progress", offsetof(TransitionUniforms, progress)}, {"aspect", offsetof(TransitionUniforms, aspect)},
        {"columns", offsetof(TransitionUniforms, columns)}, {"rows", offsetof(TransitionUniforms, rows)},
        {"effect", offsetof(TransitionUniforms, effect)}};
    for (auto [name, offset] : grid)
        EXPECT_EQ(gpu->uniformOffset(false, name), int(offset)) << name;
    const std::pair<const char*, std::size_t> particles[] = {
        {"rect", offsetof(ParticleUniforms, rect)},         {"progress", offsetof(ParticleUniforms, progress)},
        {"aspect", offsetof(ParticleUniforms, aspect)},     {"columns", offsetof(ParticleUniforms, columns)},
        {"rows", offsetof(ParticleUniforms, rows)},         {"seamCount", offsetof(ParticleUniforms, seamCount)},
        {"seams[0]", offsetof(ParticleUniforms, seams)}};
    for (auto [name, offset] : particles)
        EXPECT_EQ(gpu->uniformOffset(true, name), int(offset)) << name;
}

TEST_F(Effects, EveryEffectStartsWithThePictureUnchangedAndEndsWithNothingOfIt)
{
    const PixelImage picture = quadrants(160, 100);
    for (StackTransition t : allStackTransitions) {
        const std::uint32_t effect = effectNumber(t);
        SCOPED_TRACE(title(t).toStdString());
        const PixelImage first = frame(picture, effect, 0, picture.size());
        EXPECT_EQ(firstDifference(first, picture, 2), "");
        const PixelImage last = frame(picture, effect, 1, picture.size());
        // The shuffle handed to the shader playback keeps the window as it is to the end.
        if (t == StackTransition::shuffle) {
            EXPECT_EQ(firstDifference(last, picture, 2), "");
        } else {
            EXPECT_EQ(coveredPixels(last), 0);
        }
        // Halfway every effect has moved the picture, and left something of it.
        const PixelImage half = frame(picture, effect, 0.5f, picture.size());
        EXPECT_GT(coveredPixels(half), 0);
        if (t != StackTransition::shuffle) {
            EXPECT_NE(firstDifference(half, picture, 2), "");
        }
    }
}

TEST_F(Effects, ParticlesNeverPaintOutsideTheirWindow)
{
    const PixelImage picture = solid(200, 120, argb(255, 200, 120, 40));
    // The window covers the middle of a target twice its size: x 100…300, y 60…180.
    const PixelSize size{400, 240};
    const PixelRect window{100, 60, 200, 120};
    const int whole = window.width * window.height;
    int fewest = whole;
    for (float progress : {0.0f, 0.2f, 0.4f, 0.55f, 0.7f}) {
        const PixelImage out = frame(picture, 3, progress, size, {-0.5f, 0.5f, 1, 1});
        int inside = 0, outside = 0;
        for (int y = 0; y < size.height; ++y)
            for (int x = 0; x < size.width; ++x) {
                if (!out.pixel(x, y))
                    continue;
                const bool in = PixelRect{x, y, 1, 1}.intersected(window) == PixelRect{x, y, 1, 1};
                ++(in ? inside : outside);
            }
        EXPECT_EQ(outside, 0) << progress;
        EXPECT_GT(inside, 0) << progress;
        if (progress == 0.0f) {
            EXPECT_EQ(inside, whole);
        }
        fewest = std::min(fewest, inside);
    }
    // The tiles did gather and stream away (the window came apart).
    EXPECT_LT(fewest, whole / 2);
}

// Solid cards over a blue backdrop: red comes in, green leaves.
class Cards : public GpuTest {
protected:
    PixelImage frame(const CardShuffle& shuffle, double t, const std::vector<PixelImage>& pictures)
    {
        const PixelSize size{int(shuffle.scene.area.width()), int(shuffle.scene.area.height())};
        OffscreenTarget target(*gpu, size);
        target.bind();
        gpu->beginFrame(size, true);
        std::vector<unsigned> textures;
        for (const PixelImage& p : pictures)
            textures.push_back(gpu->makeTexture(TransitionCapture::whole(p)));
        gpu->drawCards(shuffle.drawList(t), textures);
        PixelImage out = target.read();
        for (unsigned texture : textures)
            gpu->deleteTexture(texture);
        return out;
    }
    std::uint32_t at(const PixelImage& image, double x, double y) { return image.pixel(int(x), int(y)); }

    const std::uint32_t blue = argb(255, 0, 0, 255), red = argb(255, 255, 0, 0), green = argb(255, 0, 255, 0);
};

TEST_F(Cards, TheIncomingCardStartsBehindRisesInFrontAndLandsOnTop)
{
    CardShuffle shuffle;
    const Rect slot(60, 40, 200, 150);
    shuffle.scene = {Rect(0, 0, 400, 240), slot, {slot}, {{slot, slot.offsetBy(100, 0)}}, {{slot, slot}}};
    // The incoming picture has a clear corner: there the card behind must show through.
    PixelImage incoming = solid(200, 150, red);
    incoming.fill({0, 0, 40, 40}, 0);
    const std::vector<PixelImage> pictures = {solid(200, 150, blue), incoming, solid(200, 150, green)};

    const PixelImage start = frame(shuffle, 0, pictures);
    EXPECT_EQ(pixelDistance(at(start, slot.midX(), slot.midY()), green), 0);   // the leaving card in front
    EXPECT_EQ(at(start, 20, 20), 0u);                                            // outside the slot: clear

    const PixelImage middle = frame(shuffle, 0.5, pictures);
    // The incoming card is out to the right and in front; beyond the slot it shows over nothing.
    EXPECT_EQ(pixelDistance(at(middle, slot.maxX() - 20, slot.midY()), red), 0);
    EXPECT_EQ(pixelDistance(at(middle, slot.maxX() + 40, slot.midY()), red), 0);
    // On the left the sunk, darkened leaving card and the backdrop show, no red.
    const std::uint32_t left = at(middle, slot.minX() + 10, slot.midY());
    EXPECT_EQ(left & 0x00ff0000u, 0u);
    EXPECT_NE(left, 0u);

    const PixelImage end = frame(shuffle, 1, pictures);
    EXPECT_EQ(pixelDistance(at(end, slot.midX(), slot.midY()), red), 0);
    // Through the incoming card's clear corner: the leaving card, not the backdrop.
    EXPECT_EQ(pixelDistance(at(end, slot.minX() + 10, slot.minY() + 10), green), 0);
}

} // namespace
} // namespace fw::test
