#pragma once
// What the shader playback computes before anything reaches the GPU: the progress and its
// easing, the size of pictures and drawables, each window's funnel point, seams and particle
// tiles, and for each frame the pipeline, uniforms and vertex count of every window. Pure
// functions, so the GPU side only executes what is decided here.

#include "base/Clock.h"
#include "base/Geometry.h"
#include "platform/PixelImage.h"
#include "transitions/ShaderUniforms.h"

#include <optional>
#include <vector>

namespace fw {

// The longer side of a transition picture or drawable, in pixels.
inline constexpr double kMaxPictureSide = 1600;
// Grid sizes of the warps.
inline constexpr std::uint32_t kGridColumns = 64, kGridRows = 40, kMeltColumns = 160, kMeltRows = 60;

// elapsed / duration limited to 0…1; a duration of zero or less is over at once.
double linearProgress(Duration elapsed, Duration duration);
// Cubic ease-in-out: 4p³ below one half, 1 − (2 − 2p)³ / 2 from there.
double easeInOutCubic(double p);

// The pixel size of a picture of a window of this size in device pixels: at most 1600 on the longer
// side, never enlarged, at least 1 × 1.
PixelSize pictureSize(Size frame);

struct TileGrid {
    std::uint32_t columns = 0;
    std::uint32_t rows = 0;
    friend bool operator==(const TileGrid&, const TileGrid&) = default;
};
// About one particle per 12 pixels: columns 60…220, rows 40…160.
TileGrid particleTiles(Size frame);

// The four window edges (left, right, top, bottom): the seams of a piece that names none.
const std::vector<Seam>& defaultSeams();
// The piece's seams when it has some, else the default ones; at most the first 8.
std::vector<Seam> effectiveSeams(const std::optional<std::vector<Seam>>& seams);

// One window of a run as the GPU draws it.
struct ShaderSurfacePlan {
    Rect frame;
    float aspect = 1;                  // width / max(height, 1)
    float target[2] = {0.06f, 0.04f};  // funnel point, window-local
    std::vector<Seam> seams;           // at most 8
    TileGrid tiles;
};
// Nothing for a frame without area (zero, negative or not finite width or height): such a
// piece is left out rather than dividing by its size.
std::optional<ShaderSurfacePlan> planSurface(const Rect& frame, std::optional<Point> funnel,
                                             const std::optional<std::vector<Seam>>& seams);

enum class ShaderPipeline { grid, particles };

// One window's draw call in one frame.
struct EffectDraw {
    ShaderPipeline pipeline = ShaderPipeline::grid;
    TransitionUniforms grid;         // for the grid pipeline
    ParticleUniforms particles;      // for the particle pipeline
    std::uint32_t vertexCount = 0;   // two triangles per cell or tile
};
// The draw of a window for the effect number at the eased progress: 64 × 40 cells for genie and
// tornado, 160 × 60 for melt, one cell for the unbent static picture, the particle tiles for
// disintegrate (effect 3).
EffectDraw effectDraw(std::uint32_t effect, const ShaderSurfacePlan& plan, float easedProgress);

} // namespace fw
