#pragma once
// Making room for two windows' minimum sizes by moving the divider the two regions share.
// Pure: reads no window and changes nothing.

#include "base/Geometry.h"
#include "layout/SnapLayout.h"

#include <optional>

namespace fw {

// A copy of the layout (same id, name and apps) whose divider between regions `first` and
// `second` sits where both windows get their minimum size across it, moved only as far as
// needed; nothing when the regions do not share a column or row, or no position fits both.
// `display` is the rectangle in which region frames are computed (gap 8).
std::optional<SnapLayout> fittingMinimumSizes(const SnapLayout& layout, RegionNumber first, RegionNumber second,
                                              const Size& firstMinimum, const Size& secondMinimum,
                                              const Rect& display);

} // namespace fw
