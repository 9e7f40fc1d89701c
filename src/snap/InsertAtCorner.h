#pragma once
// Carrying out a prepared insertion: the dragged window goes into its half of the split
// region and the window that filled the region (with its stack) into the other half, as one
// transaction. The divider between the halves is first moved so that both windows' known
// minimum sizes fit; a window that refuses its size along one axis teaches its minimum on
// that axis, and the split is tried again with the divider moved, at most twice more. On
// success the display's group becomes the new layout with the plan's windows.

#include "base/Task.h"
#include "layout/SnapLayout.h"
#include "platform/Screens.h"
#include "snap/PlaceWindow.h"
#include "windows/CoordinatorHost.h"
#include "windows/PlacementRecord.h"

#include <optional>

namespace fw {

class AppliedLayouts;
class WindowMemory;
struct SnapContext;

struct InsertionRequest {
    CornerInsertion<ManagedWindow> insertion;
    ManagedWindow window;     // the dragged window
    RegionNumber region = 0;  // its region in the new layout
    SnapLayout layout;        // the layout with the region split
    ScreenInfo screen;
    std::optional<Rect> startFrame; // the dragged window's frame before the gesture, if known
    InteractionStamp stamp;
};

// Placed when every window reached its frame and the result was recorded; otherwise the one
// notice due (none when nothing was tried, or when a roll-back belongs to an interaction that
// has ended).
Task<PlacementResult> insertAtCorner(SnapContext& ctx, AppliedLayouts& layouts, WindowMemory& memory,
                                     InsertionRequest request);

} // namespace fw
