#pragma once
// The records the transition shaders read, laid out as the GLSL std140 uniform blocks and the
// card vertex attributes of the shader source: byte for byte what is uploaded each frame.

#include <array>
#include <cstddef>
#include <cstdint>

namespace fw {

// A gap between windows, window-local: start x, y; end x, y (0…1, y downward).
using Seam = std::array<float, 4>;
inline constexpr int kMaxSeams = 8;

// The grid warps (static, genie, tornado, melt): 48 bytes.
struct TransitionUniforms {
    float rect[4] = {-1, 1, 2, 2};   // window rectangle in device coordinates: x, y (top left), w, h
    float target[2] = {0, 0};         // genie funnel point, window-local
    float progress = 0;               // 0 untouched, 1 gone
    float aspect = 1;                 // width / height
    std::uint32_t columns = 0;
    std::uint32_t rows = 0;
    std::uint32_t effect = 0;         // 0 static, 1 genie, 2 tornado, 4 melt
    std::uint32_t padding = 0;
};

// The particle effect (disintegrate): 176 bytes.
struct ParticleUniforms {
    float rect[4] = {-1, 1, 2, 2};
    float progress = 0;
    float aspect = 1;
    std::uint32_t columns = 0;        // tiles across
    std::uint32_t rows = 0;           // tiles down
    std::uint32_t seamCount = 0;      // valid entries of seams, 0…8
    std::uint32_t pad0 = 0, pad1 = 0, pad2 = 0;
    Seam seams[kMaxSeams] = {};       // unused entries zero
};

// One corner of a card or shadow quad: 48 bytes a vertex (40 of fields, padded to 16).
struct CardVertex {
    float position[4] = {0, 0, 0, 1};   // clip space, perspective divide still to come
    float uv[2] = {0, 0};
    float shade = 1;                     // brightness multiplier
    float alpha = 1;
    float mode = 0;                      // 0 textured card, 1 soft shadow
    float pad = 0;
    float padding[2] = {0, 0};
};

static_assert(sizeof(TransitionUniforms) == 48);
static_assert(offsetof(TransitionUniforms, target) == 16 && offsetof(TransitionUniforms, progress) == 24
              && offsetof(TransitionUniforms, aspect) == 28 && offsetof(TransitionUniforms, columns) == 32
              && offsetof(TransitionUniforms, rows) == 36 && offsetof(TransitionUniforms, effect) == 40);
static_assert(sizeof(ParticleUniforms) == 176);
static_assert(offsetof(ParticleUniforms, progress) == 16 && offsetof(ParticleUniforms, aspect) == 20
              && offsetof(ParticleUniforms, columns) == 24 && offsetof(ParticleUniforms, rows) == 28
              && offsetof(ParticleUniforms, seamCount) == 32 && offsetof(ParticleUniforms, seams) == 48);
static_assert(sizeof(CardVertex) == 48);
static_assert(offsetof(CardVertex, uv) == 16 && offsetof(CardVertex, shade) == 24 && offsetof(CardVertex, alpha) == 28
              && offsetof(CardVertex, mode) == 32 && offsetof(CardVertex, pad) == 36);

} // namespace fw
