#pragma once
// The free stretch of a window manager's title bar for a stack badge: beside the title's text
// (beside the window's buttons at the left end, or in the widest stretch between the items),
// clear of what stands on the title bars of the window's stacked mates.
// Pure rules over title-bar readings.

#include "base/Geometry.h"
#include "windows/TitleBar.h"

#include <optional>
#include <vector>

namespace fw::stacks {

// Fewer than two things on the bar besides the window's buttons (the other end's items and
// the title): nothing there to tell a free stretch by.
bool hasFewItems(const TitleBar& bar);

// The top-left corner, from the top-left of the front window's bar, for a badge (`compact` at
// rest, `open` under the pointer) in a free stretch of that bar, within a window of
// `windowSize`, keeping clear of the bars of the `avoiding` windows stacked with it (each taken
// from its own top-left); nothing when no stretch is free.
std::optional<Point> freeStretchOrigin(const TitleBar& front, const Size& windowSize, const Size& compact,
                                       const Size& open, const std::vector<TitleBar>& avoiding);

} // namespace fw::stacks
