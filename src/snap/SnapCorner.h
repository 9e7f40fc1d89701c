#pragma once
// The four corners of a display. Their numbers are also the region numbers the corners have
// in the built-in layout "quarters".

#include <array>

namespace fw {

enum class SnapCorner { topLeft = 0, bottomLeft = 1, topRight = 2, bottomRight = 3 };

inline constexpr std::array<SnapCorner, 4> kAllSnapCorners{SnapCorner::topLeft, SnapCorner::bottomLeft,
                                                           SnapCorner::topRight, SnapCorner::bottomRight};

} // namespace fw
