#pragma once
// The 3D card shuffle: the chosen window slides out of the deck, rises and lands on top while
// the window that was in front sinks back and tilts away, over a still picture of what lies
// beneath. The scene says where each card starts and where it goes; each frame is an ordered
// list of textured quads whose corners are placed in 3D and projected by a simple perspective
// camera looking at the slot's centre. Rectangles are global device pixels, top left.

#include "base/Clock.h"
#include "base/Geometry.h"
#include "transitions/ShaderUniforms.h"
#include "transitions/TransitionPictures.h"

#include <array>
#include <optional>
#include <vector>

namespace fw {

struct CardShuffleScene {
    struct Incoming {
        Rect frame;   // where the window is
        Rect out;     // where it slides out to before it lands on top
    };
    struct Leaving {
        Rect frame;
        Rect piece;   // the part of the frame inside the slot
    };

    Rect area;                     // what the presentation panel covers
    Rect slot;                     // the stack's slot; the camera looks at its centre
    std::vector<Rect> beneath;     // rectangles the backdrop pictures cover
    std::vector<Incoming> incoming;
    std::vector<Leaving> leaving;
};

// One draw call: four corners as a triangle strip.
struct CardDraw {
    std::optional<int> texture;    // index into the shuffle's captures; none for shadows
    std::array<CardVertex, 4> vertices;
    bool depth = false;            // depth-tested and written, or painted over what is there
};

// The timeline's curves of the progress t (0…1).
namespace cardCurves {
// Rises from 0 to 1 at t = 0.42 and returns to 0 at t = 1: the slide out and back.
double bump(double t);
// Up by t = 0.42, held to 0.7, down by 1: how far the leaving cards sink and tilt.
double lift(double t);
// 0 until 0.16, 1 from 0.5: the incoming card rises in front of the deck.
double rise(double t);
// 0 until 0.7, 1 at 1: everything settles flat.
double settle(double t);
} // namespace cardCurves

struct CardShuffle {
    static constexpr Duration duration = std::chrono::milliseconds(550);

    CardShuffleScene scene;
    // The backdrop first, then one per incoming window, then one per leaving window: the
    // positions are the texture numbers of the draw list.
    std::vector<TransitionCapture> captures;
    // Device pixels per logical pixel of the screen under the slot.
    double scale = 1;

    // +1 when every incoming card slides right (or stays), −1 when every one slides left, 0
    // when they disagree or there are none.
    int direction() const;
    // The frame at progress t, in drawing order: backdrop, leaving cards, shadows, incoming cards.
    std::vector<CardDraw> drawList(double t) const;
};

} // namespace fw
