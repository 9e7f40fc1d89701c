#pragma once
// Where a stack's badge stands when neither the user nor the title-bar readings place it: on
// the window's left edge (upright, across the edge, between the window and its neighbour) or
// on the window manager's title bar, beside its buttons on the title's side. Global top-left
// device pixels; pure rules.

#include "base/Geometry.h"
#include "platform/DesktopSettings.h"

#include <optional>

namespace fw::stacks {

// An upright badge across the slot's left edge from `top` down: half of it outside the slot,
// but kept 1 pixel inside `visibleMinX` (the visible frame's left of the screen under the
// edge; none: no limit). `coverTest` is what must be uncovered for it to show: the compact
// badge (upright, centred on the badge, same top) within the slot less 1 pixel left and right.
struct EdgeBadge {
    Rect rect, coverTest;
};
EdgeBadge edgeBadge(const Rect& slot, double top, const Size& open, const Size& compact,
                    std::optional<double> visibleMinX);

// A badge on a title bar `bar` (the frame's top extent): as high as the bar less 1 pixel above
// and below (never higher than open), its length in proportion, vertically centred, 4 pixels
// beside the window's buttons on the title's side, each item of either end taken as wide as
// the bar is high. None when it would not fit between the two ends' items. Gaps and margins
// are logical pixels, times `screenScale`.
struct TitleBarBadge {
    Rect rect;
    double scale = 1;   // of the open size
};
std::optional<TitleBarBadge> titleBarBadge(const Rect& bar, const Size& open, const TitleBarButtons& buttons,
                                           double screenScale = 1);

} // namespace fw::stacks
