#pragma once
// Carrying out a region drop after the release: 0.08 s later, when the interaction is still
// the release's, no other task moves windows and the display still has the layout the drop
// was aimed at, the drop's intent runs under the mutation guard (a swap, a split with the
// insertion of the dragged window, a placement, a column fill, putting the window back); a
// side-by-side split is remembered. Every drop that got past the wait ends with the "Motion"
// line of its time from the release, and ends its interaction unless a newer one began.
// Also where the drop families are handed to the hub's hand-off slots.

#include "base/Task.h"
#include "snap/DragHandOffs.h"
#include "snap/DropState.h"

namespace fw {

struct SnapContext;

Task<void> executeRegionDrop(SnapContext& ctx, DropState state, RegionDropRun run);

// Fills the slots for the feedback of a region drop target, the split offer, the drop after
// a release and the insertion of a picker choice at a pending seam corner.
void installDropHandOffs(SnapContext& ctx, DropState state);

} // namespace fw
