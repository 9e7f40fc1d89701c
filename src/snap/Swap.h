#pragma once
// Two placed windows trade places: the window dragged out of its region (its home) takes the
// region of the window it was dropped on, and that window takes the home. Nothing moves
// unless the home is still a slot of its display's applied layout, the dragged window came
// out of exactly that slot and the other window still fills its region; then both move as
// one transaction (the dragged window ends in front) that puts both back when either fails.
// A window on a cell grid (a terminal) counts as in its slot when it sits there on its grid.

#include "base/Task.h"
#include "snap/DropSession.h"
#include "snap/PlaceWindow.h"
#include "snap/WindowMemory.h"
#include "windows/CoordinatorHost.h"

namespace fw {

class AppliedLayouts;
struct SnapContext;

// Placed when the windows traded places and the coordinator's groups, frames from before and
// return positions say so; the notice of a roll-back (only while the interaction `stamp` is
// current) or of a failed one.
Task<PlacementResult> swapWindows(SnapContext& ctx, AppliedLayouts& layouts, WindowMemory& memory,
                                  ManagedWindow window, ReturnSnapTarget home, RegionDropTarget target,
                                  InteractionStamp stamp, Rect startFrame);

} // namespace fw
