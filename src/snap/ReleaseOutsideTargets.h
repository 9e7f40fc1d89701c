#pragma once
// A window released over no target, 0.08 s after the release: what the user did is read from
// the window's frame. A native resize with Super held spans the regions it now covers; a
// spanning window that moved stops spanning; a placed window that was resized moves the
// dividers along its moved edges, and every window of its display's layout goes with them
// (the dragged one back to where it was when that fails); a placed window moved away leaves
// its region; a window in no region that was resized takes its stack mates to its new frame,
// rolled back with one notice when one cannot follow. All of it under the mutation guard.
// Started by the drag handler through ReleaseHandOffs.h.

#include "base/Task.h"
#include "snap/DragRequests.h"
#include "snap/ResizeState.h"

namespace fw {

struct SnapContext;

Task<void> releaseOutsideTargets(SnapContext& ctx, ResizeState state, WindowRelease release);

// Fills the interaction's divider-edit drain.
void installResizeHandOffs(SnapContext& ctx, ResizeState state);

} // namespace fw
