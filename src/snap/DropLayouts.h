#pragma once
// The layouts that drops produce: a region split in two halves or stacked, a window dropped
// into a display corner, and the plan of a column fill along a display's top edge. Pure
// functions of a layout; unit rectangles where the whole layout is the unit square.

#include "layout/RegionTree.h"
#include "layout/SnapLayout.h"
#include "snap/DropActionMenu.h"
#include "snap/SnapCorner.h"

#include <optional>
#include <vector>

namespace fw {

// --- Layouts after a drop ---

// A layout for a drop and the region the dragged window takes in it.
struct LayoutChoice {
    SnapLayout layout;
    RegionNumber region = 0;
    friend bool operator==(const LayoutChoice&, const LayoutChoice&) = default;
};

// The smallest region number (0…15) the tree does not use.
std::optional<RegionNumber> freeRegionNumber(const RegionTree& tree);
// The built-in layout with exactly this tree, else "corner-custom" / "Custom layout".
SnapLayout builtInOrCustom(const RegionTree& tree);
// The layout with a changed tree: a custom layout keeps its id and name (without apps), else
// builtInOrCustom.
SnapLayout relayout(const SnapLayout& layout, const RegionTree& tree);

// The region cut in two halves (ratio 0.5) along the axis, the new half numbered with the free
// number; the window takes the first half or the new one. Nothing when the region is no leaf,
// all sixteen numbers are used or the result is invalid.
std::optional<LayoutChoice> splitLayout(RegionNumber region, SplitAxis axis, bool first, const RegionTree& tree);
// A full-height region stacked into a top and a bottom part (the user's adjusted stack of
// "thirds-left-stack" / "thirds-right-stack" from the display's layouts when one exists);
// the layout unchanged and the region itself when it is not full height or no number is free.
LayoutChoice stackedSplitLayout(RegionNumber region, bool top, const SnapLayout& layout,
                                const std::vector<SnapLayout>& layouts);
// The layout of a split or splitSide drop; nothing for other intents.
std::optional<LayoutChoice> layoutAfterSplit(const RegionDropIntent& intent, const SnapLayout& layout,
                                             const std::vector<SnapLayout>& layouts);
// The layout of a drop into a display corner: the region in that corner of the applied
// layout stacked; without one, "quarters" (from the display's layouts, else the built-ins)
// with the corner's region.
LayoutChoice cornerLayout(SnapCorner corner, const std::optional<SnapLayout>& applied,
                          const std::vector<SnapLayout>& layouts);
// The plan of a column fill at x (unit coordinates, 0…1): the column merged into its top
// region. Nothing for an invalid tree, an x outside the layout or a layout without columns.
std::optional<ColumnFill> columnFill(const SnapLayout& layout, double x);

} // namespace fw
