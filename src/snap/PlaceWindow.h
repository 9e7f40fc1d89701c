#pragma once
// Placing one window into one region of a layout on a display: one drop placement of
// WindowPlacement (WindowPlacement::place with place::Drop) moves it there, brings it forward and watches
// it until it has held still; then it becomes the region's occupant, keeps its frame from before
// its first placement and gets its return position. Anything else puts it back where it was,
// with the notice that says so. A window on a cell grid (a terminal) is placed on the grid:
// short of the region by less than one cell. The words of the notices about one window: one
// that did not stay placed, and one never placed for the reason its reading found.

#include "base/Geometry.h"
#include "base/Task.h"
#include "layout/SnapLayout.h"
#include "platform/Screens.h"
#include "windows/CoordinatorHost.h"
#include "windows/ManagedWindow.h"
#include "windows/PlacementRecord.h"

#include <QString>
#include <optional>

namespace fw {

class AppliedLayouts;
class WindowMemory;
struct SnapContext;

// How a placement ended: placed and recorded, or not; and the notice due (nothing when the
// window was never touched or a newer interaction took over).
struct PlacementResult {
    bool placed = false;
    std::optional<QString> notice;
};

// Why a window is not placed, as every road that refuses it (a drag, the place key) tells it:
// "<app> can’t be resized, so it can’t be placed in a region.", and so on.
QString refusalNotice(const RefusedWindow& refused);

// A transaction of several windows that did not commit: the roll-back's notice only while the
// interaction `stamp` is current, the failed restore's always.
PlacementResult uncommitted(PlacementOutcome outcome, const InteractionStamp& stamp, const QString& rolledBack,
                            const QString& notRestored);

// guarded: the first move gives up as soon as the interaction under way ends (a return to a
// previous position); otherwise the moves run to their end. startFrame: the window's frame
// before the gesture, recorded as its frame from before when it has none yet.
Task<PlacementResult> placeInRegion(SnapContext& ctx, AppliedLayouts& layouts, WindowMemory& memory,
                                    ManagedWindow window, RegionNumber region, SnapLayout layout, ScreenInfo screen,
                                    std::optional<Rect> startFrame, bool guarded);

// "<app> did not keep the region’s size. Its prior frame was restored.",
// "<app> could not be placed or fully restored." and "<app> is kept in its tile by the window
// manager. Drag it out of the tile to place it in a region."
QString keptNoSizeNotice(const QString& appName);
QString notRestoredNotice(const QString& appName);
QString keptTileNotice(const QString& appName);

} // namespace fw
