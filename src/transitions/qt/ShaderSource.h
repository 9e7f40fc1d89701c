#pragma once
// The transitions' shader source: one GLSL 330 text holding every entry point, compiled at run
// time. An entry point is chosen by defining its name before the text.

#include <QByteArray>

namespace fw {

enum class ShaderEntry {
    transitionVertex,     // the grid warps: static, genie, tornado, melt
    disintegrateVertex,   // the particle tiles
    transitionFragment,   // a window's picture, premultiplied, times the vertex alpha
    cardVertex,           // card corners, already in clip space
    cardFragment,         // card pictures and soft shadows
};

// The full source of one entry point: version line, its define, then the shared text.
QByteArray shaderSource(ShaderEntry entry);

} // namespace fw
