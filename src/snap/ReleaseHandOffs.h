#pragma once
// The coordinator's side of a release, as the drag handler hands it over: the region drop
// target under the pointer, leaving a drop target, and a window released over no target. Each
// checks that the offer is still the one the user saw, ends or keeps the interaction, and
// starts (or, for a region drop, returns) the work the release asks for. (The seam corner and
// the layout picker commit through LayoutPicker.h, the return to the previous position through
// ReturnSnap.h.)

#include "base/Geometry.h"
#include "snap/DragRequests.h"
#include "snap/DropSession.h"
#include "snap/Interaction.h"
#include "snap/PickerSession.h"
#include "snap/ResizeState.h"
#include "snap/WindowMemory.h"
#include "windows/ManagedWindow.h"

#include <optional>

namespace fw {

struct SnapContext;

// A release over a region drop target: the drop to carry out (DropExecution.h), the
// interaction ended and the display's picker state taken for it. The offer to choose a window
// for the region the window came from becomes putting it back there. Nothing, with nothing
// changed but that conversion, while a task moves windows, when the target is not the held
// and armed one, or when its display is gone.
std::optional<RegionDropRun> performRegionDrop(SnapContext& ctx, Interaction& interaction, DropSession& drop,
                                               PickerSession& picker, const RegionDropTarget& target,
                                               const ManagedWindow& window,
                                               const std::optional<ReturnSnapTarget>& home, const Rect& startFrame);

// The pointer left every drop target: a held one ends its interaction.
void leaveRegionDrop(SnapContext& ctx, const DropSession& drop);

// A window released over no target: the release task of ReleaseOutsideTargets.h.
void windowReleased(SnapContext& ctx, ResizeState state, const WindowRelease& release);

} // namespace fw
