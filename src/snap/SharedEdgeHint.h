#pragma once
// The hint shown while the pointer rests (no button down) over the edge between two snapped
// windows: a bar over the edge with "Resize together" and "Drag this shared edge", saying the
// edge can be dragged to resize both windows together.

#include "base/Geometry.h"
#include "layout/RegionTree.h"
#include "snap/AppliedLayouts.h"
#include "snap/Interaction.h"
#include "snap/PickerSession.h"

#include <optional>

namespace fw {

struct SnapContext;

// The divider of the group's layout whose bar (grown by 7 logical pixels) holds the point, on
// the display's visible frame at its scale; the first in the tree's divider order. Nothing
// over none.
std::optional<RegionTree::Divider> dividerAt(const Point& point, const LayoutGroup& group, const Rect& visibleFrame,
                                            double scale = 1);

// Whether the region borders the divider and another occupied region of the group borders it
// from the other side: the edge lies between two of the group's windows.
bool dividerSeparatesWindows(const RegionTree::Divider& divider, RegionNumber region, const LayoutGroup& group);

// Shows the hint when the point is over a shared edge of the display's group and the window
// under it sits in its region, no panel of ours over it; hides it otherwise. Leaves the hint alone while the picker is
// open or a placement runs.
void updateSharedEdgeHint(SnapContext& ctx, const Interaction& interaction, const PickerSession& picker,
                          const AppliedLayouts& layouts, const Point& point);

} // namespace fw
