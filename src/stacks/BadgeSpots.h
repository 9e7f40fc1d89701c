#pragma once
// A stack badge's size, and where it stands when neither the user nor a free stretch of the
// title bar places it: on the window's left edge (upright, across the edge, between the window
// and its neighbour) or on the window manager's title bar, beside its buttons on the title's
// side. Global top-left device pixels; pure rules.

#include "base/Geometry.h"
#include "windows/TitleBar.h"

#include <optional>

namespace fw {

// A badge's length and thickness for a member count: compact at rest, open under the pointer
// (the joiner of a group lengthens only the open badge). In logical pixels, times `scale`
// for the device pixels of a display of that scale.
Size badgeSize(int count, bool expanded, bool joiner, double scale = 1);

} // namespace fw

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

// A badge on a title bar `bar`, never smaller than anywhere else: the
// open badge `open`, whose compact strip `compact` stands centred on the bar at rest (a bar
// thinner than the strip leaves it reaching past the bar above and below), 4 pixels beside the
// window's buttons on the title's side, clear of the items at either end. Kept below `topLimit` (the visible frame's top of the screen under the bar; none: no
// limit), the strip then as near the bar's middle as it can be; the strip stands a whole number
// of logical pixels below the panel's top, as it is drawn. None when the open badge does
// not fit between the two ends' items. Gaps are logical pixels, times `screenScale`.
struct TitleBarBadge {
    Rect rect;          // the panel, of the open size
    Rect compact;       // the strip at rest, which must be uncovered for the badge to show
    double middle = 0;  // the strip's middle across, from the panel's top
};
std::optional<TitleBarBadge> titleBarBadge(const TitleBar& bar, const Size& open, const Size& compact,
                                           double screenScale = 1,
                                           std::optional<double> topLimit = std::nullopt);

} // namespace fw::stacks
