#pragma once
// Between the drag monitor and the decisions about a drop: the monitor keeps the mechanics
// (which window was pressed, the start distance, the step rate, moving versus resizing, the
// lost release) and tells a handler when the window starts to move, each step of a move or a
// resize, the release and the withdrawal of every offer; the handler decides what the pointer
// is over and whom the release goes to.

#include "base/Clock.h"
#include "base/Geometry.h"
#include "platform/MouseMonitor.h"
#include "snap/DragHandOffs.h"
#include "snap/DropGeometry.h"
#include "windows/ManagedWindow.h"

#include <QString>
#include <optional>

namespace fw {

// One processed step of a window being moved (or a quiet tick while the button is held).
struct DragStep {
    ManagedWindow window;
    Rect original;                   // the window's frame at the press
    Point pointer;
    std::optional<Point> startPoint; // the pointer at the press
    Duration now{};
    Modifiers modifiers = 0;
};

// The button came up. Without a pressed window, window and original are absent.
struct DragRelease {
    std::optional<ManagedWindow> window;
    std::optional<Rect> original;
    std::optional<Point> startPoint;
    Point pointer;
    Duration now{};
    Modifiers modifiers = 0;
    bool dragging = false;
    EdgeSet edges; // the grabbed edges, for a resize or a press without a move
    bool span = false;
};

// How a release was handed over: the trace's final text, whether a later step took the
// window (the press then stays claimed until the coordinator ends it), and the hand-off of a
// window released over no target, due after the delay.
struct ReleaseOutcome {
    QString finalText;
    bool handed = false;
    std::optional<WindowRelease> handOff;
    Duration handOffDelay{};
};

class DragHandler {
public:
    virtual ~DragHandler() = default;

    // The window started to move; true when it has a position to return to.
    virtual bool dragStarted(const ManagedWindow& window, const Rect& original) = 0;
    virtual void dragMoved(const DragStep& step) = 0;
    // A step of a native resize: its preview.
    virtual void resizeMoved(const SpanPreviewRequest& step) = 0;
    virtual ReleaseOutcome dragReleased(const DragRelease& release) = 0;
    // Alt is held: every offer is withdrawn until a later step makes it again.
    virtual void withdrawOffers() = 0;
    // Forgets the drag.
    virtual void reset() = 0;
    // The display the drag is routed to, for the trace.
    virtual std::optional<QString> routedDisplay() const = 0;
};

} // namespace fw
