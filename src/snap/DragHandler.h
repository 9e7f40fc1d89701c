#pragma once
// Between the drag monitor and everything else a drag touches: the monitor keeps the
// mechanics (which window was pressed, the start distance, the step rate, moving versus
// resizing, the put-back and the lost release, the trace's timing) and tells a handler of the
// press, when the window starts to move, each step of a move or a resize, the release and the
// withdrawal of every offer; the handler reads the windows, decides what the pointer is over
// and whom the release goes to, and ends the coordinator's interaction. The monitor reaches
// nothing else of the coordinator.

#include "base/Clock.h"
#include "base/Geometry.h"
#include "platform/MouseMonitor.h"
#include "snap/DragRequests.h"
#include "snap/DragTrace.h"
#include "snap/DropGeometry.h"
#include "windows/ManagedWindow.h"

#include <QJsonArray>
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
    bool pointerMoved = false; // the pointer went past the start distance with the button held
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

// The window a left-button press landed on, with its frame at the press, the box of the
// window manager's own window around it read with it (nothing where there is none), and the
// states it was in then.
struct PressedWindow {
    ManagedWindow window;
    Rect frame;
    std::optional<Rect> managerBox;
    WindowStates states = 0;
};

class DragHandler {
public:
    virtual ~DragHandler() = default;

    // The drag's diagnostic trace, kept by the handler: the monitor and the handler's steps
    // both note what they found.
    virtual DragTrace& trace() = 0;
    // The pointer moved with no button held: false while a stack's menu is open (the move is
    // then not followed). The hint over shared edges, at most every 0.1 s.
    virtual bool pointerMoved(const Point& p) = 0;
    virtual void updateEdgeHint(const Point& p) = 0;
    // A left-button press, before the monitor forgets the drag before it, and then the press
    // itself: the interaction under way ends; the window pressed and its frame (also one that
    // cannot be placed, whose drag the handler answers with the reason), or none when the press
    // belongs to one of our panels, window control is not granted or no window is there. `time`
    // is the server's time of the press (0 unknown): a panel may have taken it, and acted on
    // it, before the monitor hands it on.
    virtual void notePress(const Point& p) = 0;
    virtual std::optional<PressedWindow> pressed(const Point& p, std::uint32_t time) = 0;
    // A window's frame as it is now; with the box of the window manager's own window around it
    // from the same read (WindowSystem::frameAndManagerBox).
    virtual std::optional<Rect> frame(const ManagedWindow& window) const = 0;
    virtual std::optional<WindowSystem::FrameAndManagerBox> frameAndManagerBox(const ManagedWindow& window) const = 0;
    // A window's size increments (its cell grid); zero on an axis without one.
    virtual Size grid(const ManagedWindow& window) const = 0;
    // The height of the title bar the window manager draws the window (the top of its frame);
    // nothing without one or when it cannot be read.
    virtual std::optional<double> titleBarHeight(const ManagedWindow& window) const = 0;

    // The window started to move; true when it has a position to return to.
    virtual bool dragStarted(const ManagedWindow& window, const Rect& original) = 0;
    virtual void dragMoved(const DragStep& step) = 0;
    // A native resize started, and each of its steps: its preview.
    virtual void resizeStarted() = 0;
    virtual void resizeMoved(const SpanPreviewRequest& step) = 0;
    // The button came up (the resize feedback goes), and the release itself unless Alt was
    // newly held (not the move key held since the press); the hand-off of a window released over no target, when it is due.
    virtual void buttonReleased() = 0;
    virtual ReleaseOutcome dragReleased(const DragRelease& release) = 0;
    virtual void handOver(const WindowRelease& release) = 0;
    // Alt is newly held: every offer is withdrawn until a later step makes it again.
    virtual void withdrawOffers() = 0;
    // The coordinator's interaction ends (a cancelled drag, a release with Alt newly held).
    virtual void endInteraction() = 0;
    // Forgets the drag and hides its panels; with endInteraction the press is over for the
    // coordinator too (the stacks may refresh again).
    virtual void reset(bool endInteraction) = 0;
    // The display the drag is routed to, for the trace; the coordinator's display records,
    // for the drag-state file.
    virtual std::optional<QString> routedDisplay() const = 0;
    virtual QJsonArray displayRecords() const = 0;
};

} // namespace fw
