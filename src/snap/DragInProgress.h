#pragma once
// The drag monitor's record of one press (DragMonitor.h): the window pressed, its frames then,
// what the monitor has made of the frames the window manager showed since, and the timers and
// watches of the drag, kept apart from the monitor so that the monitor's header reads as its
// interface.

#include "base/Clock.h"
#include "base/Geometry.h"
#include "platform/MouseMonitor.h"
#include "snap/DropGeometry.h"
#include "windows/ManagedWindow.h"

#include <memory>
#include <optional>

namespace fw {

// One press on a window, from the press to the end of its drag or resize: made whole at the
// press and forgotten whole at the end (a release, a cancel, a lost release). The timers and
// the Escape watch it holds are undone by the monitor's reset before it goes.
struct DragInProgress {
    ManagedWindow window;
    Rect pressFrame;                  // the window's frame at the press
    std::optional<Rect> pressBox;     // the window manager's own window around it then
    bool pressedMaximized = false;    // in a maximized state (or half of one, a side tile) then
    Rect original;                    // the frame the move starts from (see titleBarMoveStarts)
    Point startPoint;                 // the pointer at the press
    EdgeSet grabbedEdges;             // none when a stated move key was held at the press
    Modifiers moveKey = 0;            // the move key (or Alt) while held since the press
    bool onTitleBar = false;          // pressed on the title bar with no edge grabbed: a move
    std::optional<Rect> sizeGivenBack; // the last frame of another size before such a move began
    std::optional<Duration> movingSince; // the frames showing the move at the press size since then
    std::optional<Duration> dragStartedAt; // the move began then
    bool observedPointerDrag = false; // the pointer went past the start distance
    bool dragging = false;
    bool resizing = false;
    Size resizeGrid; // the resized window's cell grid (0: none)
    std::unique_ptr<RepeatingTimer> hoverTimer;
    std::optional<Duration> releasedAt; // the button first seen up during a drag without a release
    struct HeldStep {
        Point pointer;
        Modifiers modifiers = 0;
    };
    std::optional<HeldStep> heldStep; // the latest motion the throttle held back
    TimerId trailingTimer = 0;
    bool escapeWatched = false;
    std::optional<Duration> putBackSince; // where the drag began since then, the pointer away
};

} // namespace fw
