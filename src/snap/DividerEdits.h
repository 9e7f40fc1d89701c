#pragma once
// Carrying out the divider editor's edits: the waiting edit becomes a new tree for its
// display (the divider at the position, or at 50/50 when every region keeps its minimum), every
// window of the display's layout is moved to the new region frames as one transaction, and on
// success the tree is kept in the group, the editor and the layout store. Edits that arrive
// meanwhile wait; only the latest is applied next. Runs under the mutation guard; whoever
// releases the guard while an edit waits starts the drain again.

#include "base/Task.h"
#include "platform/Screens.h"
#include "snap/ResizeState.h"

namespace fw {

struct SnapContext;

// Nothing while another task holds the guard: the edit stays waiting for it.
Task<void> drainDividerEdits(SnapContext& ctx, ResizeState state);

// The smallest share of a layout's frame a region keeps when a divider moves: min(180 pixels,
// 24 %) of the width and min(140 pixels, 24 %) of the height, as fractions.
Size minimumRegionShare(const Rect& frame);

} // namespace fw
