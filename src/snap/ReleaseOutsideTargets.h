#pragma once
// A window released over no target, 0.08 s after the release: what the user did is read from
// the window's frame, and only a gesture the pointer made counts. A native resize with Super
// held spans the regions it now covers; a spanning window that moved stops spanning; a placed
// window resized by an edge the user pulled moves the dividers along its moved edges, and every
// window of its display's layout goes with them (the dragged one back to where it was when that
// fails); a placed window moved away leaves its region; a window in no region resized by an
// edge takes its stack mates to its new frame, rolled back with one notice when one cannot
// follow. A press the pointer did not move with (a click or double click on the title bar, a
// title-bar button), and an edge pull that leaves the window in a state the window manager
// sizes it by (maximized, full screen, shaded), change nothing of ours: the window keeps its
// region, span or stack, the other windows and the saved layout stay as they are. All of it
// under the mutation guard. Started by the drag handler through ReleaseHandOffs.h.

#include "base/Task.h"
#include "snap/DragRequests.h"
#include "snap/ResizeState.h"

namespace fw {

struct SnapContext;

Task<void> releaseOutsideTargets(SnapContext& ctx, ResizeState state, WindowRelease release);

// Fills the interaction's divider-edit drain.
void installResizeHandOffs(SnapContext& ctx, ResizeState state);

} // namespace fw
