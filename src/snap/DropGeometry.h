#pragma once
// The geometry behind drag decisions, as total functions that keep no state: walking a region
// tree to a region, a column or along a path and rebuilding it; which window edges a press
// grabbed and whether a drag resizes or moves; which regions a frame covers; which region or
// display corner lies under the pointer; and the caption of a span. Rectangles are in
// top-left device pixels, or unit rectangles where the whole layout is the unit square.

#include "base/Geometry.h"
#include "layout/RegionTree.h"
#include "snap/SnapCorner.h"

#include <QString>
#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace fw {

// The choices from the root to a node: false = first child, true = second child.
using TreePath = std::vector<bool>;
using EdgeSet = std::set<RegionEdge>;

inline const Rect kUnitSquare{0, 0, 1, 1};

// --- Tree walks (children split their parent's rectangle as the layout does) ---

struct PathAndFrame {
    TreePath path;
    Rect frame;
};
struct TreeNode {
    RegionTree tree;
    Rect frame;
};
struct TreeColumn {
    RegionTree tree;
    Rect frame;
    TreePath path;
};

// A side of a layout's unit square at least this long spans the whole layout.
inline constexpr double kWholeUnit = 0.999;

// The path to the leaf with the number and its rectangle; the first child is searched first.
std::optional<PathAndFrame> pathAndFrame(const RegionTree& tree, RegionNumber region, const Rect& in);
// The subtree at the end of the path and its rectangle; a path running past a leaf stops there.
TreeNode nodeAt(const RegionTree& tree, const TreePath& path, const Rect& in);
// The column holding x: down side-by-side splits (the first child when x ≤ its maxX) to the
// first leaf or stacked split; nothing when x lies outside the rectangle or that node is as
// wide as the whole layout (0.999 of a unit or more).
std::optional<TreeColumn> columnAt(const RegionTree& tree, double x, const Rect& in);
// The node at the end of the path replaced by leaf(region); a path running past a leaf leaves
// the tree unchanged.
RegionTree replacingNode(const RegionTree& tree, const TreePath& path, RegionNumber region);

// --- Pointer and frame tests ---

// The window edges within reach of the point: 8 pixels for left, right and bottom, 6 for the
// top (the title bar's drag area starts close below it); none outside the frame grown by 8.
EdgeSet edgesNear(const Point& point, const Rect& frame);
// Resized by more than 4 pixels: the window manager resizes the window, wherever the press lay.
bool frameChanged(const Rect& now, const Rect& from);
// The origin moved by more than 3 pixels with the size kept: width and height within 4 pixels,
// within 2 with grabbed edges (a resize of a left or top edge moves the origin as far as it
// changes the size, so within 2 it never moves the origin 3).
bool movedWithoutResize(const Rect& now, const Rect& from, const EdgeSet& grabbedEdges = {});
// The frame with each grabbed edge at the pointer, never thinner than 1 pixel.
Rect frameDraggingEdges(const Rect& frame, const EdgeSet& edges, const Point& to);
// The bar over a divider (laid out in the unit square) on a display rectangle inset by 4 (half
// the layout gap, so the bar's middle lies on the gap's): 6 logical pixels thick, shortened by
// 12 at each end, each logical pixel `scale` device ones.
Rect dividerHandleRect(const RegionTree::Divider& divider, const Rect& display, double scale = 1);

// --- What lies under the pointer ---

// The point clamped into the frame: x into [minX, maxX − 0.01], y into [minY, maxY − 0.01].
Point clampedInto(const Point& point, const Rect& frame);

// The region under a point of the display: of the regions whose frame grown by 8 holds the
// point, the one whose frame is nearest (measured to the point clamped into the frame, to
// maxX − 0.01 and maxY − 0.01), the lower number on a tie. Nothing outside the display or
// away from every region.
std::optional<RegionNumber> regionUnderPoint(const Point& point, const std::map<RegionNumber, Rect>& frames,
                                             const Rect& display);
// The first rectangle holding the point, except that the previous one is kept while the point
// is within 24 pixels of it.
std::optional<std::size_t> rectIndex(const Point& point, const std::vector<Rect>& rects,
                                     const std::optional<std::size_t>& keeping);
// The point lies in the rectangle and 32 pixels to one side lies in one of the others.
bool isNearOtherRect(const Point& point, const std::vector<Rect>& rects, const Rect& in);
// The display corner at the point: within 24 pixels of the visible frame's top or bottom and
// of the display's side (the visible frame's side reached 12 pixels further in).
std::optional<SnapCorner> snapCornerAt(const Point& point, const Rect& frame, const Rect& visibleFrame);

// --- Spans ---

// The regions a frame covers: those it overlaps by half their area or more (else the one it
// overlaps most), closed over every region that meets their union in more than 2 × 2 pixels.
std::set<RegionNumber> coveredRegions(const Rect& frame, const std::map<RegionNumber, Rect>& frames);

} // namespace fw
