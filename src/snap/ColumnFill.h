#pragma once
// A column (or row) of stacked regions joined into one, which the dragged window fills: the
// windows of that column move into the joined region with it, as one transaction that puts
// every window back when one does not fit, and the joined layout becomes the display's. A
// window belongs to the column when it spans regions of the column only, or sits in one of
// its regions (on its cell grid, for a terminal); a window moved away by hand stays where
// it is.

#include "base/Task.h"
#include "platform/Screens.h"
#include "snap/DropSession.h"
#include "snap/PlaceWindow.h"
#include "windows/CoordinatorHost.h"

namespace fw {

class AppliedLayouts;
class WindowMemory;
struct SnapContext;

// Nothing moves unless the layout the fill was planned on is still the display's. Placed when
// the column was filled and recorded; the notice of a roll-back (only while the interaction
// `stamp` is current) or of a failed one.
Task<PlacementResult> fillColumn(SnapContext& ctx, AppliedLayouts& layouts, WindowMemory& memory, ManagedWindow window,
                                 ColumnFill fill, RegionDropTarget target, ScreenInfo screen, InteractionStamp stamp,
                                 Rect startFrame);

} // namespace fw
