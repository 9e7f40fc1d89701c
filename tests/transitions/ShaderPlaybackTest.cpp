// What shader playback decides before drawing: progress over a given duration and its easing,
// picture sizes, particle tiles, seams, funnel points, zero-size pieces, and each frame's draw.
#include "transitions/ShaderPlayback.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

using namespace std::chrono_literals;

TEST(ShaderPlayback, ProgressIsElapsedOverTheGivenDurationAndEasesSymmetrically)
{
    EXPECT_DOUBLE_EQ(linearProgress(0ms, 500ms), 0);
    EXPECT_DOUBLE_EQ(linearProgress(250ms, 500ms), 0.5);
    EXPECT_DOUBLE_EQ(linearProgress(900ms, 500ms), 1);
    EXPECT_DOUBLE_EQ(linearProgress(-5ms, 500ms), 0);
    // The duration is the caller's: a two-second run is half done after one second.
    EXPECT_DOUBLE_EQ(linearProgress(1000ms, 2000ms), 0.5);
    // No duration: over at once, never a division by zero.
    EXPECT_DOUBLE_EQ(linearProgress(0ms, 0ms), 1);

    EXPECT_DOUBLE_EQ(easeInOutCubic(0), 0);
    EXPECT_DOUBLE_EQ(easeInOutCubic(0.5), 0.5);
    EXPECT_DOUBLE_EQ(easeInOutCubic(1), 1);
    EXPECT_DOUBLE_EQ(easeInOutCubic(0.25), 4 * 0.25 * 0.25 * 0.25);
    double last = 0;
    for (int i = 1; i <= 100; ++i) {
        const double p = i / 100.0, e = easeInOutCubic(p);
        EXPECT_GE(e, last) << p;
        EXPECT_NEAR(e + easeInOutCubic(1 - p), 1, 1e-12) << p;
        last = e;
    }
}

TEST(ShaderPlayback, PicturesAreAtMost1600PixelsLongAndNeverEnlarged)
{
    EXPECT_EQ(pictureSize({3200, 1800}), (PixelSize{1600, 900}));
    EXPECT_EQ(pictureSize({1000, 800}), (PixelSize{1000, 800}));
    EXPECT_EQ(pictureSize({900, 4000}), (PixelSize{360, 1600}));
    EXPECT_EQ(pictureSize({0.4, 0.2}), (PixelSize{1, 1}));
    EXPECT_EQ(pictureSize({5000, 1}), (PixelSize{1600, 1}));
}

TEST(ShaderPlayback, ParticleTilesFollowTheSizeWithinTheirLimitsAndSeamsFallBackToTheEdges)
{
    EXPECT_EQ(particleTiles({600, 300}), (TileGrid{60, 40}));
    EXPECT_EQ(particleTiles({3000, 2400}), (TileGrid{220, 160}));
    EXPECT_EQ(particleTiles({1200, 960}), (TileGrid{100, 80}));

    const std::vector<Seam> edges = {{0, 0, 0, 1}, {1, 0, 1, 1}, {0, 0, 1, 0}, {0, 1, 1, 1}};
    EXPECT_EQ(effectiveSeams(std::nullopt), edges);
    EXPECT_EQ(effectiveSeams(std::vector<Seam>{}), edges);
    std::vector<Seam> ten;
    for (int i = 0; i < 10; ++i)
        ten.push_back({float(i) / 10, 0, float(i) / 10, 1});
    const auto used = effectiveSeams(ten);
    ASSERT_EQ(used.size(), 8u);
    EXPECT_EQ(used.back(), ten[7]);
}

TEST(ShaderPlayback, FunnelPointsAreWindowLocalAndPiecesWithoutAreaAreLeftOut)
{
    const Rect frame(100, 200, 400, 300);
    auto plan = planSurface(frame, std::nullopt, std::nullopt);
    ASSERT_TRUE(plan);
    EXPECT_FLOAT_EQ(plan->target[0], 0.06f);
    EXPECT_FLOAT_EQ(plan->target[1], 0.04f);
    EXPECT_FLOAT_EQ(plan->aspect, 400.0f / 300.0f);
    EXPECT_EQ(plan->seams.size(), 4u);

    plan = planSurface(frame, Point{200, 500}, std::nullopt);
    ASSERT_TRUE(plan);
    EXPECT_FLOAT_EQ(plan->target[0], 0.25f);
    EXPECT_FLOAT_EQ(plan->target[1], 1.0f);
    // A sliver lower than a point keeps a finite aspect.
    plan = planSurface(Rect(0, 0, 10, 0.5), std::nullopt, std::nullopt);
    ASSERT_TRUE(plan);
    EXPECT_FLOAT_EQ(plan->aspect, 10.0f);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Rect& bad : {Rect(10, 10, 0, 300), Rect(10, 10, 400, 0), Rect(10, 10, -5, 30), Rect(nan, 0, 10, 10),
                            Rect(0, 0, std::numeric_limits<double>::infinity(), 10)})
        EXPECT_FALSE(planSurface(bad, Point{0, 0}, std::nullopt)) << toString(bad).toStdString();
}

TEST(ShaderPlayback, EachEffectDrawsItsOwnGridOrTilesWithTheEasedProgress)
{
    std::vector<Seam> seams = {{0.5f, 0, 0.5f, 1}, {0, 0.5f, 1, 0.5f}};
    const auto plan = planSurface(Rect(0, 0, 1200, 600), Point{600, 0}, seams);
    ASSERT_TRUE(plan);

    for (std::uint32_t effect : {1u, 2u}) {
        const EffectDraw d = effectDraw(effect, *plan, 0.3f);
        EXPECT_EQ(d.pipeline, ShaderPipeline::grid);
        EXPECT_EQ(d.grid.effect, effect);
        EXPECT_EQ(d.grid.columns, 64u);
        EXPECT_EQ(d.grid.rows, 40u);
        EXPECT_EQ(d.vertexCount, 64u * 40u * 6u);
        EXPECT_FLOAT_EQ(d.grid.progress, 0.3f);
        EXPECT_FLOAT_EQ(d.grid.target[0], 0.5f);
        EXPECT_FLOAT_EQ(d.grid.rect[0], -1);
        EXPECT_FLOAT_EQ(d.grid.rect[1], 1);
        EXPECT_FLOAT_EQ(d.grid.rect[2], 2);
        EXPECT_FLOAT_EQ(d.grid.rect[3], 2);
    }
    // The static picture needs no grid: one cell shows the same pixels.
    const EffectDraw still = effectDraw(0, *plan, 0.5f);
    EXPECT_EQ(still.grid.effect, 0u);
    EXPECT_EQ(still.vertexCount, 6u);
    const EffectDraw melt = effectDraw(4, *plan, 0.5f);
    EXPECT_EQ(melt.grid.columns * melt.grid.rows, 160u * 60u);
    EXPECT_EQ(melt.vertexCount, 160u * 60u * 6u);

    const EffectDraw dust = effectDraw(3, *plan, 0.7f);
    EXPECT_EQ(dust.pipeline, ShaderPipeline::particles);
    EXPECT_EQ(dust.particles.columns, 100u);
    EXPECT_EQ(dust.particles.rows, 50u);
    EXPECT_EQ(dust.vertexCount, 100u * 50u * 6u);
    EXPECT_EQ(dust.particles.seamCount, 2u);
    EXPECT_EQ(dust.particles.seams[1], seams[1]);
    for (int i = 2; i < kMaxSeams; ++i)
        EXPECT_EQ(dust.particles.seams[i], (Seam{0, 0, 0, 0}));
    EXPECT_FLOAT_EQ(dust.particles.progress, 0.7f);
    EXPECT_FLOAT_EQ(dust.particles.aspect, 2.0f);
}

} // namespace
} // namespace fw
