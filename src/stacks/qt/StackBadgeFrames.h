#pragma once
// Where each part of a stack's badge sits at an openness (0 compact, 1 open): the strip, its
// grip, the icons, the overflow count and, over a spanning window, a group's backing and round
// joiner. Upright badges (on the window's edge) are the same strip turned. Pure geometry: the
// badge's view draws and hit-tests what this places.
//
//   const StackBadgeFrames f = StackBadgeFrames::at(openness, count, group, highlighted, false, 0);

#include "stacks/StackSurfaces.h"

#include <QRectF>

#include <optional>
#include <vector>

namespace fw {

// The frames of one layout, in view coordinates.
struct StackBadgeFrames {
    double length = 0, thickness = 0;
    QRectF background, grip, overflow;
    std::vector<QRectF> icons;
    std::optional<QRectF> joiner, backing;
    double gripOpacity = 0, joinerOpacity = 0, opacity = 0.5, overflowFont = 8;

    // The layout for `count` members at an openness, with a group and a highlighted icon (−1
    // the joiner); upright badges are transposed within a view `viewWidth` wide.
    static StackBadgeFrames at(double openness, int count, std::optional<BadgeGroup> group,
                               std::optional<int> highlighted, bool vertical, double viewWidth);
};

} // namespace fw
