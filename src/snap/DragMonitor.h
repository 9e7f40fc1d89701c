#pragma once
// Follows every left-button press, drag and release on the desktop and turns them into the
// snapping interaction: it takes the window the handler finds under a press, tells moving it
// from resizing it by what the window manager does to its frame (an origin moved with the size
// kept, in the frame and in the manager's own window around it, is a move wherever the press
// lay, with an edge grabbed once the two have shown it for a step; a change of size a resize;
// but a press on the title bar
// with no edge grabbed is a move for as long as the button is held, whatever frames the manager
// passes through: a maximized or tiled window, with a state or none, given back its size from
// before as it begins to move or later, or in two steps, moves from that size once the manager
// has settled it), follows the pointer
// while it moves (at most 60 steps a second, a motion held back by that limit handled at the
// end of the interval, only once the pointer has gone more than 8 pixels, and every 0.06 s
// while the pointer rests), and hands the release to the drag handler. The window manager's
// move key held at the press (Alt+drag in a window, the only move of window managers without
// title bars; Super+drag under GNOME's and KWin's, which state it and move with it wherever the
// press lies, so that it grabs no edge) is no key of ours then: such a drag is followed like a
// title-bar drag. Alt pressed during a drag withdraws every offer, and releasing with it
// newly held drops the window where it is (the move key let go and pressed again is new); Super
// newly held at the release of a resize spans, also of a resize the window manager shows only
// at the release (an outline until then). A
// release the platform never reported is noticed after 0.18 s of the button being up and
// cancels the drag; so do Escape while a window moves or is resized (watched through the mouse
// monitor, as the window manager holds the keyboard then) and the window manager putting the
// window back where the drag began (a cancelled resize too: its preview goes at once and the
// release applies nothing; not a window given its size back, which metacity maximizes again
// near the top). Everything else (the windows, what
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
#include "snap/DragInProgress.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

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
    // With an edge grabbed, a move at the press size is one once the frames have shown it for
    // a step of the pointer; the window put back is one once it has stayed so for most of a
    // hover interval; a size given back to a window pressed maximized is one up to 0.5 s into
    // the move (a change of size later is the window manager's own, a tile on the way).
    static constexpr Duration kEdgeMoveSettle = kStepInterval;
    static constexpr Duration kPutBackSettle = 50ms;
    static constexpr Duration kSizeGivenBackWithin = 500ms;

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

    // False while snapping is paused: every event is ignored.
    bool enabled = true;
    // The window manager's move key where the desktop states it (DesktopSettings::moveModifier),
    // read at each press; Alt held at a press counts as one too.
    std::function<std::optional<Modifiers>()> moveModifier;

    // The drag as it stands, for tests and diagnostics.
    std::optional<ManagedWindow> candidate() const
    {
        return inProgress_ ? std::optional(inProgress_->window) : std::nullopt;
    }
    bool dragging() const { return inProgress_ && inProgress_->dragging; }
    bool resizing() const { return inProgress_ && inProgress_->resizing; }
    EdgeSet grabbedEdges() const { return inProgress_ ? inProgress_->grabbedEdges : EdgeSet{}; }
    bool hoverTimerRunning() const { return inProgress_ && inProgress_->hoverTimer; }
    const DragTrace& dragTrace() const { return trace_; }

private:
    void mouseMoved(const Point& p);
    // The edge hint held back by its rate, dropped at a press.
    void dropTrailingHint();
    void press(const Point& p, Modifiers modifiers, std::uint32_t time);
    void dragStep(const Point& p, Modifiers modifiers);
    // One step past the throttle; the step held back by it, at the end of its interval.
    void step(const Point& p, Modifiers modifiers, Duration now);
    void trailingStep();
    // The hover timer and its tick; a step of the drag in progress.
    void startHoverTimer();
    void hoverTick();
    void updateHover(const Point& p, Duration now, Modifiers modifiers);
    void dropTrailingStep();
    void escapePressed();
    // Whether the window manager put the window back while the pointer stays away from the
    // start, for kPutBackSettle at least (a move lagging behind the pointer is no put-back). For
    // a resize, away means past where the window, following, would have grown. Never for a
    // window pressed maximized: kept within the display, it is at its press frame at the top.
    bool windowPutBack(const Point& p);
    // A tick while the pointer is away and the window has not moved yet: starts the drag (or
    // the resize) once the window manager has moved it; the ticks end with the press.
    void awaitMovement(const PointerState& pointer);
    bool resizedAway(const Point& p) const;
    // The window manager holds the keyboard while it moves or resizes a window: Escape comes
    // through the mouse monitor then.
    void watchEscape();
    bool startsOrResizes(const Point& p, Modifiers modifiers);
    // Whether the window pressed off its title bar moves: moved with its size from the press
    // kept, in its frame and in the window manager's own window around it (one resized while
    // the window inside has not followed yet is a resize under way); with an edge grabbed, so
    // for kEdgeMoveSettle (a read in between that shows otherwise starts the wait again).
    bool movesAtPressSize(const WindowSystem::FrameAndManagerBox& read);
    // Whether the move of a window pressed on its title bar starts at this frame: moved with its
    // size kept, or given another size (its size from before a maximized state or a tile, with a
    // state or none) and settled, holding the pointer on its title bar or moving on at that size.
    // Given another size, the move starts from there. A frame not settled yet is looked at again
    // at the next step.
    bool titleBarMoveStarts(const Rect& current, const Point& p);
    // A window pressed maximized on its title bar that began to move at its size from the
    // press and has its size given back within kSizeGivenBackWithin: the move goes on from that
    // size.
    void followSizeGivenBack(const Point& p);
    // Whether the pointer holds its place on the frame's title bar: over the frame, no further
    // below its top than the title bar reaches (metacity puts the pointer in the middle of the
    // restored window's title bar, xfwm4 where the press lay in proportion to the window's height).
    bool holdsTitleBar(const Rect& frame, const Point& p) const;
    // The modifiers held now less the move key held since the press.
    Modifiers newlyHeld(Modifiers modifiers);
    void release(const Point& p, Modifiers modifiers);
    // The grabbed edges a release hands over and whether it spans.
    std::pair<EdgeSet, bool> releasedEdges(Modifiers modifiers) const;

    DragHandler& handler_;
    MouseMonitor& mouse_;
    Clock& clock_;
    DragTrace& trace_; // the handler's
    bool globalMonitor_ = false;
    Duration lastHover_{};  // the last edge hint of the pointer without a button
    std::optional<Point> heldHint_; // the latest point held back since, shown when its interval ends
    TimerId hintTimer_ = 0;
    Duration lastUpdate_{}; // the last step: the step rate holds across presses
    std::optional<DragInProgress> inProgress_;
    Lifeline<DragMonitor> self_{this};
    TaskScope tasks_; // the release hand-offs due later: they go with the monitor
};

} // namespace fw
