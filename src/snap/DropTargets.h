#pragma once
// The drop target under the pointer while a window is dragged over a display with an applied
// layout: a column fill along the display's top edge, a plain placement into an empty region,
// a tile menu over a region another window occupies or over the region the window came from,
// and, while a tile menu is shown, the tile under the pointer. A pure decision over the
// coordinator's state: it changes nothing; the drag monitor applies the dwell times, shows
// the menu and hands the target over on release.

#include "base/Geometry.h"
#include "snap/AppliedLayouts.h"
#include "snap/DropSession.h"
#include "snap/WindowMemory.h"
#include "windows/ManagedWindow.h"

#include <QString>
#include <functional>
#include <optional>

namespace fw {

// The drag as the hover update sees it.
struct DropTargetQuery {
    ManagedWindow window;                           // the dragged window
    const ReturnSnapTarget* returnTarget = nullptr; // where it came from, if it was placed
    QString display;                                // the display under the pointer
    Rect visibleFrame;                              // that display's visible frame
    bool allowPutBack = false;                      // it has left its previous slot
    Rect windowFrame;                               // its frame as the drag monitor knows it
    Size windowGrid;                                // its size increments; 0 = none
    Point pointer;
    double scale = 1;                               // that display's device pixels per logical one
};

// What the decision reads of the coordinator besides its applied layouts.
struct DropTargetState {
    bool mutating = false;                // a placement task runs: no target
    const ShownMenu* shownMenu = nullptr; // the tile menu on screen
    // The window in front of the stack holding a window; empty: every window stands alone.
    std::function<ManagedWindow(const ManagedWindow&)> stackFront;
    // Whether a split may be rejoined on the display; empty: only splits that are not side by
    // side.
    std::function<bool(const ColumnFill&)> allowsRejoin;
};

// The target at the pointer, or nothing: while a task moves windows, over a display without
// an applied layout, away from every region, over the window's own region unless it has left
// it and still agrees with it (or offers only "Put Back"), or over a shown menu's fill tile
// whose rejoin cannot be built.
std::optional<RegionDropTarget> regionDropTarget(const DropTargetQuery& query, const AppliedLayouts::Groups& groups,
                                                 const DropTargetState& state);

} // namespace fw
