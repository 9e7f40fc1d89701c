// The GLSL 330 text of every transition shader, one entry point selected by a define at compile time.
#include "transitions/qt/ShaderSource.h"

namespace fw {

namespace {

// Coordinates inside a window are window-local: u left to right, v top to bottom, both 0…1.
// A window is placed through `rect`, its rectangle in device coordinates (x, y of its top left,
// width, height). Grid and particle geometry comes from the vertex index alone, drawn through
// fixed element lists (two triangles per cell or tile) so that each shared corner is computed
// once: a grid vertex is grid point (i mod (columns + 1), i / (columns + 1)); a particle vertex
// is corner i mod 4 of tile i / 4. Colours are premultiplied throughout and blended as source
// over.
constexpr char kSource[] = R"GLSL(
#if defined(TRANSITION_VERTEX) || defined(DISINTEGRATE_VERTEX)
out vec2 vUv;
out float vAlpha;

vec4 place(vec4 rect, vec2 local)
{
    return vec4(rect.x + local.x * rect.z, rect.y - local.y * rect.w, 0.0, 1.0);
}
#endif

#ifdef TRANSITION_VERTEX
layout(std140) uniform TransitionUniforms {
    vec4 rect;
    vec2 target;
    float progress;
    float aspect;
    uint columns;
    uint rows;
    uint effect;
};

// Rows slide up toward the funnel point and narrow the closer they come to it.
vec2 genie(vec2 uv)
{
    float squeeze = smoothstep(0.0, 0.5, progress);
    float slide = smoothstep(0.25, 1.0, progress);
    float v = max(uv.y - slide * (1.0 - target.y), min(uv.y, target.y));
    float gap = v - target.y;
    float width = 1.0 - squeeze * (1.0 - smoothstep(0.0, 0.9, gap));
    return vec2(target.x + (uv.x - target.x) * width, v);
}

// The window winds up around its centre (the core fastest), shrinks and rises.
vec2 tornado(vec2 uv)
{
    float a = aspect;
    vec2 q = vec2((uv.x - 0.5) * a, uv.y - 0.5);
    float reach = length(vec2(0.5 * a, 0.5));
    float radius = length(q) / reach;
    float spin = pow(progress, 1.6) * 9.0 * (1.15 - radius);
    float shrink = 1.0 - 0.92 * pow(progress, 1.4);
    vec2 turned = vec2(q.x * cos(spin) - q.y * sin(spin), q.x * sin(spin) + q.y * cos(spin)) * shrink;
    turned.y *= 1.0 + 0.35 * progress;
    return vec2(turned.x / a + 0.5, turned.y + 0.5 - 0.18 * progress);
}

// Every strip drips at its own speed, a few narrow drips run ahead, and it all pools at the
// bottom, spreading and wobbling.
vec2 melt(vec2 uv)
{
    float u = uv.x, v = uv.y, p = progress;
    float speed = 0.78 + 0.16 * sin(9.0 * u + 1.7) + 0.08 * sin(17.0 * u + 0.4)
                + 0.35 * pow(max(0.0, sin(29.0 * u + 2.1)), 12.0)
                + 0.25 * pow(max(0.0, sin(47.0 * u + 0.7)), 16.0);
    float drop = pow(p, 1.5) * speed * 1.35;
    float fallen = v + drop * (1.15 - v);
    float pooled = max(0.0, fallen - 1.0);
    float y = min(fallen, 1.0);
    float x = u + (u - 0.5) * min(pooled, 1.0) * 0.12 + sin(18.0 * v + 11.0 * p) * 0.006 * p * (1.0 - pooled);
    return vec2(x, y);
}

void main()
{
    uint i = uint(gl_VertexID);
    vec2 grid = vec2(float(i % (columns + 1u)), float(i / (columns + 1u)));
    vec2 uv = grid / vec2(float(columns), float(rows));
    vec2 local = uv;
    if (effect == 1u)
        local = genie(uv);
    else if (effect == 2u)
        local = tornado(uv);
    else if (effect == 4u)
        local = melt(uv);
    gl_Position = place(rect, local);
    vUv = uv;   // the picture travels with the grid
    vAlpha = effect == 0u ? 1.0 : 1.0 - smoothstep(0.78, 1.0, progress);
}
#endif

#ifdef DISINTEGRATE_VERTEX
layout(std140) uniform ParticleUniforms {
    vec4 rect;
    float progress;
    float aspect;
    uint columns;
    uint rows;
    uint seamCount;
    uint pad0;
    uint pad1;
    uint pad2;
    vec4 seams[8];
};

float hash(uint n)
{
    n = (n << 13u) ^ n;
    n = n * (n * n * 15731u + 789221u) + 1376312589u;
    return float(n & 0x7fffffffu) / float(0x7fffffff);
}

// Tiles gather into the nearest seam (a gap between windows), stream along it and drain away;
// tiles next to a seam let go first. Without seams a tile falls toward the edge below it.
void main()
{
    uint i = uint(gl_VertexID);
    uint id = i / 4u;
    vec2 k = vec2(float(i & 1u), float((i >> 1u) & 1u));
    vec2 size = vec2(1.0 / float(columns), 1.0 / float(rows));
    vec2 cell = vec2(float(id % columns), float(id / columns));
    vec2 home = (cell + 0.5) * size;

    float nearest = 1e9;
    vec2 onSeam = vec2(home.x, 1.0);
    vec2 along = vec2(0.0, 1.0);
    for (uint s = 0u; s < seamCount && s < 8u; ++s) {
        vec2 a = seams[s].xy;
        vec2 ab = seams[s].zw - a;
        float t = clamp(dot(home - a, ab) / max(dot(ab, ab), 1e-6), 0.0, 1.0);
        vec2 point = a + ab * t;
        float d = length((home - point) * vec2(aspect, 1.0));
        if (d < nearest) {
            nearest = d;
            onSeam = point;
            along = dot(ab, ab) > 1e-12 ? normalize(ab) : vec2(0.0, 1.0);
        }
    }

    float r1 = hash(3u * id + 1u), r2 = hash(7u * id + 5u), r3 = hash(11u * id + 3u), r4 = hash(13u * id + 9u);
    float start = clamp(nearest / 0.7, 0.0, 1.0) * 0.5 + r1 * 0.12;
    float life = 0.42 + r2 * 0.08;
    float t = clamp((progress - start) / life, 0.0, 1.0);
    float gather = smoothstep(0.0, 0.5, t);
    float stream = smoothstep(0.3, 1.0, t);
    float direction = r3 < 0.5 ? -1.0 : 1.0;
    vec2 scatter = vec2(r3 - 0.5, r4 - 0.5) * size * 3.0 * sin(gather * 3.14159);
    vec2 lane = vec2(-along.y, along.x) * (r4 - 0.5) * 0.025;
    vec2 center = mix(home, onSeam + lane, gather) + scatter + along * direction * stream * stream * 1.1;
    float scale = mix(1.0, 0.6, gather);
    gl_Position = place(rect, center + (k - 0.5) * size * scale);
    vUv = (cell + k) * size;   // each tile keeps its own piece of the picture
    vAlpha = 1.0 - smoothstep(0.78, 1.0, t);
}
#endif

#ifdef TRANSITION_FRAGMENT
uniform sampler2D picture;
in vec2 vUv;
in float vAlpha;
out vec4 colour;

void main()
{
    colour = texture(picture, vUv) * vAlpha;
}
#endif

#ifdef CARD_VERTEX
layout(location = 0) in vec4 position;
layout(location = 1) in vec2 uv;
layout(location = 2) in float shade;
layout(location = 3) in float alpha;
layout(location = 4) in float mode;
out vec2 vUv;
out float vShade;
out float vAlpha;
out float vMode;

// Positions come with the perspective divide still to come, so pictures are interpolated
// perspective-correct; depth arrives as 0…1 times w and is mapped to OpenGL's −1…1 range.
void main()
{
    gl_Position = vec4(position.xy, 2.0 * position.z - position.w, position.w);
    vUv = uv;
    vShade = shade;
    vAlpha = alpha;
    vMode = mode;
}
#endif

#ifdef CARD_FRAGMENT
uniform sampler2D picture;
in vec2 vUv;
in float vShade;
in float vAlpha;
in float vMode;
out vec4 colour;

void main()
{
    if (vMode > 0.5) {
        // Soft shadow: darkest in the middle, fading out over the outer part of the quad.
        vec2 edge = min(vUv, 1.0 - vUv);
        float soft = smoothstep(0.0, 0.12, min(edge.x, edge.y));
        colour = vec4(0.0, 0.0, 0.0, soft * vAlpha);
        return;
    }
    vec4 s = texture(picture, vUv);
    // Clear pixels (rounded corners) neither hide what lies behind nor write depth.
    if (s.a < 0.02)
        discard;
    colour = vec4(s.rgb * vShade, s.a) * vAlpha;
}
#endif
)GLSL";

const char* defineOf(ShaderEntry entry)
{
    switch (entry) {
    case ShaderEntry::transitionVertex: return "TRANSITION_VERTEX";
    case ShaderEntry::disintegrateVertex: return "DISINTEGRATE_VERTEX";
    case ShaderEntry::transitionFragment: return "TRANSITION_FRAGMENT";
    case ShaderEntry::cardVertex: return "CARD_VERTEX";
    case ShaderEntry::cardFragment: return "CARD_FRAGMENT";
    }
    return "";
}

} // namespace

QByteArray shaderSource(ShaderEntry entry)
{
    return QByteArray("#version 330 core\n#define ") + defineOf(entry) + "\n" + kSource;
}

} // namespace fw
