#pragma once
// Where things are on the layout editor's canvas: the tree laid out in the unit square and
// stretched over the view (top-left origin, y downward), the grab bands of its dividers, the
// region under a point, the order and numbers regions show in (reading order), their shares in
// whole percent, and the places and texts of each region's labels and application icons. Pure
// geometry; the canvas view draws what it says.

#include "layout/RegionTree.h"

#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <vector>

namespace fw {

namespace canvas {

inline constexpr double bandThickness = 10;
inline constexpr double minimumExtent = 0.08;
inline constexpr int maxIcons = 4;

// The unit square (0, 0, 1, 1).
Rect unitSquare();
// A unit rectangle stretched over a view of this size.
Rect viewRect(const Rect& unit, const Size& view);

// The divider's grab area in the view: 10 thick, centred on the line, as long as its container.
Rect dividerBand(const RegionTree::Divider& divider, const Size& view);
// The tree's dividers in the unit square, deepest first (longer paths first; equal depths in
// tree order).
std::vector<RegionTree::Divider> dividersDeepestFirst(const RegionTree& tree);
// The first divider of that order whose band contains the point.
std::optional<RegionTree::Divider> dividerAt(const RegionTree& tree, const Point& point, const Size& view);
// The region whose view rectangle contains the point.
std::optional<RegionNumber> regionAt(const RegionTree& tree, const Point& point, const Size& view);
// The point's coordinate along the divider's axis in the unit square.
double unitCoordinate(const RegionTree::Divider& divider, const Point& point, const Size& view);

// The tree's regions in reading order: by their top edge, then by their left edge. The editor
// numbers regions by this order (from 1), whatever numbers the tree gives them.
std::vector<RegionNumber> readingOrder(const RegionTree& tree);
// The number the editor shows for a region: its place in reading order from 1 (its own number
// plus one when the tree lacks it).
int shownNumber(const RegionTree& tree, RegionNumber region);

// The region `step` places away from the selected one in reading order, wrapping at both
// ends; a selection the tree lacks counts as the first place.
RegionNumber steppedRegion(const RegionTree& tree, RegionNumber selected, int step);

// A region's share of the layout's width and height in whole percent.
struct Share {
    int width = 0;
    int height = 0;
    friend bool operator==(const Share&, const Share&) = default;
};
// Every region's share, rounded so that the regions side by side always add up to 100: each
// split hands its whole percent to its two sides by the largest remainder (the first side on a
// tie), so a side never shows more than its real size rounded up nor less than it rounded down.
std::map<RegionNumber, Share> shares(const RegionTree& tree);
// "50% × 100%".
QString sizeLabel(const Share& share);
// "A + B" for one or two names; "A + 4 more" for five.
QString appNamesText(const QStringList& names);

// Where a region's labels and icons go, for a region rectangle already inset by 5.
struct RegionLabels {
    double iconSide = 0;      // may be below 16 (then no icons are drawn) or even negative
    std::vector<Rect> icons;  // first application's icon first; drawn last to first
    Rect firstLine;
    Rect secondLine;
};
// For a region with `appCount` (≥ 1) applications.
RegionLabels regionLabels(const Rect& region, int appCount);
// The centred block of a region without applications: number and size label.
Rect plainLabel(const Rect& region);

} // namespace canvas

} // namespace fw
