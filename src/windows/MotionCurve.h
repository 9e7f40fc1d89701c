#pragma once
// Easing of animated window moves.

#include "base/Geometry.h"

namespace fw {

// Ease-in-out fraction of a progress in [0, 1]: 4p³ for p < 0.5, else 1 − (2 − 2p)³/2.
// Progress below 0 (or NaN) counts as 0, from 1 on as 1.
double easeInOut(double progress);

// The smallest progress at which some edge of the rectangle between from and to has moved
// `pixels` (1 when no edge moves that far).
double progressMoving(const Rect& from, const Rect& to, double pixels);

// The rectangle between from and to at the eased progress; each of x, y, width and height
// moves by the same fraction.
Rect animateFrame(const Rect& from, const Rect& to, double progress);

// The out-and-back curve of the stack slide over t in [0, 1]: 0 at t = 0, 1 (the far point)
// at t = 0.42, 0 again at t = 1.
double shuffleFraction(double t);

} // namespace fw
