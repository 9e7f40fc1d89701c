#pragma once
// Bringing placed windows forward and the small moves a composition makes: raising a list of
// windows so that the first ends in front, the moves of several windows into one region, and
// one composition window placed, raised and verified on its own.

#include "base/Geometry.h"
#include "base/Task.h"
#include "layout/RegionTree.h"
#include "snap/WindowStackController.h"
#include "windows/CoordinatorHost.h"
#include "windows/ManagedWindow.h"

#include <map>
#include <optional>
#include <vector>

namespace fw {

class WindowAccess;
class WindowPlacement;

// From the last window to the first: its application is activated unless it is frontmost,
// then the window is raised. The first window ends in front.
void raiseWindows(WindowAccess& access, const std::vector<ManagedWindow>& inOrder);

// Every window with the region's frame, in list order; nothing when the table has no frame
// for the region (an empty list when no windows are given).
std::optional<WindowFramePairs> tracks(RegionNumber region, const std::vector<ManagedWindow>& windows,
                                       const std::map<RegionNumber, Rect>& frames);

} // namespace fw
