// The shader transitions' pure planning: progress and easing, picture and drawable sizes, seams,
// particle tiles, and each frame's pipeline, uniforms and vertex counts.
#include "transitions/ShaderPlayback.h"

#include <algorithm>
#include <cmath>

namespace fw {

double linearProgress(Duration elapsed, Duration duration)
{
    if (duration <= Duration::zero())
        return 1;
    return std::clamp(toSeconds(elapsed) / toSeconds(duration), 0.0, 1.0);
}

double easeInOutCubic(double p)
{
    if (p < 0.5)
        return 4 * p * p * p;
    const double q = 2 - 2 * p;
    return 1 - q * q * q / 2;
}

PixelSize pictureSize(Size frame)
{
    const double w = frame.width, h = frame.height;
    const double m = std::max(w, h);
    const double k = m <= 1 ? 1 : std::min(1.0, kMaxPictureSide / m);
    return {std::max(int(std::lround(k * w)), 1), std::max(int(std::lround(k * h)), 1)};
}

TileGrid particleTiles(Size frame)
{
    const auto columns = std::clamp(std::lround(frame.width / 12), 60L, 220L);
    const auto rows = std::clamp(std::lround(frame.height / 12), 40L, 160L);
    return {std::uint32_t(columns), std::uint32_t(rows)};
}

const std::vector<Seam>& defaultSeams()
{
    static const std::vector<Seam> seams = {{0, 0, 0, 1}, {1, 0, 1, 1}, {0, 0, 1, 0}, {0, 1, 1, 1}};
    return seams;
}

std::vector<Seam> effectiveSeams(const std::optional<std::vector<Seam>>& seams)
{
    std::vector<Seam> out = seams && !seams->empty() ? *seams : defaultSeams();
    if (out.size() > std::size_t(kMaxSeams))
        out.resize(kMaxSeams);
    return out;
}

std::optional<ShaderSurfacePlan> planSurface(const Rect& frame, std::optional<Point> funnel,
                                             const std::optional<std::vector<Seam>>& seams)
{
    if (!frame.isFinite() || !(frame.width() > 0) || !(frame.height() > 0))
        return std::nullopt;
    ShaderSurfacePlan plan;
    plan.frame = frame;
    plan.aspect = float(frame.width() / std::max(frame.height(), 1.0));
    if (funnel) {
        plan.target[0] = float((funnel->x - frame.minX()) / frame.width());
        plan.target[1] = float((funnel->y - frame.minY()) / frame.height());
    }
    plan.seams = effectiveSeams(seams);
    plan.tiles = particleTiles(frame.size);
    return plan;
}

EffectDraw effectDraw(std::uint32_t effect, const ShaderSurfacePlan& plan, float easedProgress)
{
    EffectDraw draw;
    if (effect == 3) {
        draw.pipeline = ShaderPipeline::particles;
        ParticleUniforms& u = draw.particles;
        u.progress = easedProgress;
        u.aspect = plan.aspect;
        u.columns = plan.tiles.columns;
        u.rows = plan.tiles.rows;
        u.seamCount = std::uint32_t(std::min<std::size_t>(plan.seams.size(), kMaxSeams));
        for (std::uint32_t i = 0; i < u.seamCount; ++i)
            u.seams[i] = plan.seams[i];
        draw.vertexCount = u.columns * u.rows * 6;
        return draw;
    }
    TransitionUniforms& u = draw.grid;
    u.target[0] = plan.target[0];
    u.target[1] = plan.target[1];
    u.progress = easedProgress;
    u.aspect = plan.aspect;
    u.effect = effect;
    const bool melt = effect == 4;
    u.columns = melt ? kMeltColumns : kGridColumns;
    u.rows = melt ? kMeltRows : kGridRows;
    // The static picture does not bend: one cell draws the same pixels as the grid, and on a
    // software renderer every triangle costs.
    if (effect == 0)
        u.columns = u.rows = 1;
    draw.vertexCount = u.columns * u.rows * 6;
    return draw;
}

} // namespace fw
