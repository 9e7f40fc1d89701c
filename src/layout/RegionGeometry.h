#pragma once
// Rectangle comparisons shared by every verification of window frames.

#include "base/Geometry.h"

namespace fw {

// True when all four edges of the two rectangles are within `tolerance` points of each other
// (equal to the tolerance passes). False when either rectangle has a non-finite component or a
// width or height that is not above 0.
bool approximatelyEquals(const Rect& a, const Rect& b, double tolerance);

} // namespace fw
