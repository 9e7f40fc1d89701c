#pragma once
// The coordinator's side of a release: the region drop target under the pointer, leaving a
// drop target, and a window released over no target. Each checks that the offer is still the
// one the user saw, ends or keeps the interaction, and starts the work the release asks for.
// (The seam corner and the layout picker commit through LayoutPicker.h, the return to the
// previous position through ReturnSnap.h.)

#include "base/Geometry.h"
#include "snap/DragHandOffs.h"
#include "snap/DropSession.h"
#include "snap/Interaction.h"
#include "snap/PickerSession.h"
#include "snap/WindowMemory.h"
#include "windows/ManagedWindow.h"

#include <optional>

namespace fw {

struct SnapContext;

// A release over a region drop target: true when a drop task was started. The offer to choose
// a window for the region the window came from becomes putting it back there. False, with
// nothing changed but that conversion, while a task moves windows, when the target is not the
// held and armed one, when its display is gone, or when no drop can be carried out yet.
bool performRegionDrop(SnapContext& ctx, Interaction& interaction, DropSession& drop, PickerSession& picker,
                       const RegionDropTarget& target, const ManagedWindow& window,
                       const std::optional<ReturnSnapTarget>& home, const Rect& startFrame);

// The pointer left every drop target: a held one ends its interaction.
void leaveRegionDrop(SnapContext& ctx, const DropSession& drop);

// A window released over no target: a task of the release family; with that slot empty, a
// release of the interaction still under way only ends the press.
void windowReleased(SnapContext& ctx, Interaction& interaction, const WindowRelease& release);

} // namespace fw
