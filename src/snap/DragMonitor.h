#pragma once
// Follows every left-button press, drag and release on the desktop and turns them into the
// snapping interaction: it takes the window the handler finds under a press, tells moving it
// from resizing it, follows the pointer while it moves (at most 60 steps a second, a motion
// held back by that limit handled at the end of the interval, only once the pointer has gone
// more than 8 pixels, and every 0.06 s while the pointer rests), and hands the release to the
// drag handler. Alt held at the press belongs to the window manager's move (Alt+drag anywhere
// in a window, the only move of window managers without title bars): such a drag is followed
// like a title-bar drag. Alt pressed during a drag withdraws every offer, and releasing with it
// newly held drops the window where it is (the move key let go and pressed again is new). A
// release the platform never reported is noticed after 0.18 s of the button being up and
// cancels the drag; so do Escape while a window moves or is resized (watched through the mouse
// monitor, as the window manager holds the keyboard then) and the window manager putting the
// window back where the drag began (a cancelled resize too: its preview goes at once and the
// release applies nothing). Everything else (the windows, what
// the pointer is over, whom the release goes to, the coordinator's interaction) is the drag
// handler's (DragHandler.h); the monitor reaches only it, the mouse monitor and the clock.
//
// One monitor for the whole run, created by the application shell with its handler after the
// coordinator (and destroyed before it), fed from the platform's mouse monitor:
//
//   SnapDragHandler handler(coordinator.context(), coordinator.dragStates());
//   DragMonitor monitor(handler, platform.mouse, clock);
//   monitor.install();          // or feed it: mouse.start([&](auto& e) { monitor.handle(e); })
//   ...
//   monitor.cancel();           // before a command acts on a window
//   monitor.stop();             // at termination

#include "base/Clock.h"
#include "base/TaskScope.h"
#include "platform/MouseMonitor.h"
#include "snap/DragTrace.h"
#include "snap/DragHandler.h"

#include <QString>
#include <memory>
#include <optional>

namespace fw {

class DragMonitor {
public:
    // Drag steps are processed at most this often; the hover timer ticks every 0.06 s; the
    // release watchdog gives up on a lost release after 0.18 s.
    static constexpr Duration kStepInterval = std::chrono::duration_cast<Duration>(std::chrono::duration<double>(1.0 / 60));
    static constexpr Duration kHoverInterval = 60ms;
    static constexpr Duration kReleaseWatchdog = 180ms;
    static constexpr Duration kEdgeHintInterval = 100ms;
    static constexpr double kStartDistance = 8;

    DragMonitor(DragHandler& handler, MouseMonitor& mouse, Clock& clock);
    ~DragMonitor();
    DragMonitor(const DragMonitor&) = delete;
    DragMonitor& operator=(const DragMonitor&) = delete;

    // Starts the platform's mouse monitor with a handler that holds this monitor weakly and
    // calls handle(); false when the platform cannot monitor.
    bool install();
    // Whether install() started the platform's monitor.
    bool globalMonitor() const { return globalMonitor_; }
    // One event of the platform's mouse monitor.
    void handle(const MouseEvent& event);
    // Stops the platform's monitor when install() started it, then forgets the drag.
    void stop();
    // Forgets the drag: offers, panels of the drag and the trace. With endInteraction the
    // press is over for the coordinator too (the stacks may refresh again).
    void reset(bool endInteraction);
    // What every command of the shell runs before it acts: the trace ends "cancelled", the
    // drag-state file is written, the drag is forgotten and the coordinator's interaction ends.
    void cancel();
    // Diagnostics: one state of the drag, and the drag-state file.
    void trace(const QString& state, const std::optional<Point>& pointer = std::nullopt);
    void writeDragState();
    // The hover timer and its tick.
    void startHoverTimer();
    void hoverTick();
    void updateHover(const ManagedWindow& window, const Rect& original, const Point& p, Duration now,
                     Modifiers modifiers);

    // False while snapping is paused: every event is ignored.
    bool enabled = true;

    // The drag as it stands, for tests and diagnostics.
    const std::optional<ManagedWindow>& candidate() const { return candidate_; }
    bool dragging() const { return dragging_; }
    bool resizing() const { return resizing_; }
    const EdgeSet& grabbedEdges() const { return grabbedEdges_; }
    bool hoverTimerRunning() const { return hoverTimer_ != nullptr; }
    const DragTrace& dragTrace() const { return trace_; }

private:
    void mouseMoved(const Point& p);
    void press(const Point& p, Modifiers modifiers);
    void dragStep(const Point& p, Modifiers modifiers);
    // One step past the throttle; the step held back by it, at the end of its interval.
    void step(const Point& p, Modifiers modifiers, Duration now);
    void trailingStep();
    void dropTrailingStep();
    void escapePressed();
    // Whether the window manager put the window back while the pointer stays away from the
    // start, at two ticks in a row (a move lagging behind the pointer is no put-back). For a
    // resize, away means past where the window, following, would have grown.
    bool windowPutBack(const Point& p);
    // A tick while the pointer is away and the window has not moved yet: starts the drag (or
    // the resize) once the window manager has moved it; the ticks end with the press.
    void awaitMovement(const PointerState& pointer);
    bool resizedAway(const Point& p) const;
    // The window manager holds the keyboard while it moves or resizes a window: Escape comes
    // through the mouse monitor then.
    void watchEscape();
    bool startsOrResizes(const Point& p, Modifiers modifiers);
    // The modifiers held now less the move key held since the press.
    Modifiers newlyHeld(Modifiers modifiers);
    void release(const Point& p, Modifiers modifiers);

    DragHandler& handler_;
    MouseMonitor& mouse_;
    Clock& clock_;
    DragTrace& trace_; // the handler's
    bool globalMonitor_ = false;
    std::optional<ManagedWindow> candidate_;
    std::optional<Rect> original_;
    std::optional<Point> startPoint_;
    bool observedPointerDrag_ = false;
    bool dragging_ = false;
    bool resizing_ = false;
    EdgeSet grabbedEdges_;
    Modifiers moveKey_ = 0; // Alt, while held since the press
    Size resizeGrid_; // the resized window's cell grid (0: none)
    std::unique_ptr<RepeatingTimer> hoverTimer_;
    std::optional<Duration> releasedAt_; // the button first seen up during a drag without a release
    Duration lastHover_{};
    Duration lastUpdate_{};
    struct HeldStep {
        Point pointer;
        Modifiers modifiers = 0;
    };
    std::optional<HeldStep> heldStep_; // the latest motion the throttle held back
    TimerId trailingTimer_ = 0;
    bool escapeWatched_ = false;
    int putBackTicks_ = 0;
    Lifeline<DragMonitor> self_{this};
    TaskScope tasks_; // the release hand-offs due later: they go with the monitor
};

} // namespace fw
