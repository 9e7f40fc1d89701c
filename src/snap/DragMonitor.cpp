// The drag monitor: the mechanics of a press, a drag and a release, handed to the drag handler.
#include "snap/DragMonitor.h"

#include "base/DiagnosticsWriter.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>
#include <utility>

namespace fw {

namespace {

QString flag(bool on) { return on ? QStringLiteral("true") : QStringLiteral("false"); }

} // namespace

DragMonitor::DragMonitor(DragHandler& handler, MouseMonitor& mouse, Clock& clock)
    : handler_(handler), mouse_(mouse), clock_(clock), trace_(handler.trace()), tasks_(clock)
{
}

DragMonitor::~DragMonitor()
{
    self_.cut();
    if (globalMonitor_)
        mouse_.stop();
}

bool DragMonitor::install()
{
    if (globalMonitor_)
        mouse_.stop();
    std::weak_ptr<DragMonitor> weak = self_.weak();
    globalMonitor_ = mouse_.start([weak](const MouseEvent& event) {
        if (auto self = weak.lock())
            self->handle(event);
    });
    return globalMonitor_;
}

void DragMonitor::stop()
{
    if (globalMonitor_)
        mouse_.stop();
    globalMonitor_ = false;
    reset(true);
}

void DragMonitor::handle(const MouseEvent& event)
{
    if (!enabled)
        return;
    switch (event.type) {
    case MouseEvent::Type::Moved:
        mouseMoved(event.position);
        break;
    case MouseEvent::Type::LeftDown:
        press(event.position, event.modifiers);
        break;
    case MouseEvent::Type::LeftDrag:
        dragStep(event.position, event.modifiers);
        break;
    case MouseEvent::Type::LeftUp:
        release(event.position, event.modifiers);
        break;
    case MouseEvent::Type::Escape:
        escapePressed();
        break;
    }
}

void DragMonitor::mouseMoved(const Point& p)
{
    if (!handler_.pointerMoved(p))
        return;
    const Duration now = clock_.now();
    if (now - lastHover_ > kEdgeHintInterval) {
        lastHover_ = now;
        handler_.updateEdgeHint(p);
    }
}

void DragMonitor::press(const Point& p, Modifiers modifiers)
{
    handler_.notePress(p);
    reset(true);
    const auto pressed = handler_.pressed(p);
    if (!pressed)
        return;
    candidate_ = pressed->window;
    original_ = pressed->frame;
    const Rect& frame = pressed->frame;
    startPoint_ = p;
    trace(QStringLiteral("mouse down"), p);
    // Alt held at the press is the window manager's move key (Alt+drag anywhere in a window):
    // it moves the window wherever the press lies, so no edge is grabbed, and the window's
    // frame alone tells a move from a resize.
    moveKey_ = modifiers & ModAlt;
    if (moveKey_)
        return;
    // A press the window took outside its frame lies on the window manager's resize border
    // there (metacity's sits outside the visible frame): it counts as one on the frame's edge.
    const Point onFrame{std::clamp(p.x, frame.minX(), frame.maxX()), std::clamp(p.y, frame.minY(), frame.maxY())};
    grabbedEdges_ = edgesNear(onFrame, frame);
}

Modifiers DragMonitor::newlyHeld(Modifiers modifiers)
{
    // The move key counts again once it has been let go during the drag.
    moveKey_ &= modifiers;
    return modifiers & ~moveKey_;
}

void DragMonitor::dragStep(const Point& p, Modifiers modifiers)
{
    if (!candidate_ || !original_ || !startPoint_)
        return;
    modifiers = newlyHeld(modifiers);
    if (modifiers & ModAlt) {
        dropTrailingStep();
        handler_.withdrawOffers();
        return;
    }
    const Duration now = clock_.now();
    const Duration since = now - lastUpdate_;
    if (since < kStepInterval) {
        // Held back, never lost: the latest motion is handled when the interval ends.
        heldStep_ = HeldStep{p, modifiers};
        if (!trailingTimer_)
            trailingTimer_ = clock_.callAfter(kStepInterval - since, self_.weak(), [this] { trailingStep(); });
        return;
    }
    dropTrailingStep();
    step(p, modifiers, now);
}

void DragMonitor::step(const Point& p, Modifiers modifiers, Duration now)
{
    lastUpdate_ = now;
    if (std::hypot(p.x - startPoint_->x, p.y - startPoint_->y) <= kStartDistance)
        return;
    observedPointerDrag_ = true;
    // Until the window moves, the ticks ask again too: a loaded window manager may move it
    // only after the pointer's last motion.
    startHoverTimer();
    if (!dragging_ && !startsOrResizes(p, modifiers))
        return;
    updateHover(*candidate_, *original_, p, now, modifiers);
}

void DragMonitor::trailingStep()
{
    trailingTimer_ = 0;
    const auto held = std::exchange(heldStep_, std::nullopt);
    if (held && candidate_ && original_ && startPoint_)
        step(held->pointer, held->modifiers, clock_.now());
}

void DragMonitor::dropTrailingStep()
{
    heldStep_.reset();
    if (trailingTimer_)
        clock_.cancel(std::exchange(trailingTimer_, 0));
}

void DragMonitor::escapePressed()
{
    if (!dragging_ && !resizing_)
        return;
    trace(QStringLiteral("escape"));
    cancel();
}

bool DragMonitor::startsOrResizes(const Point& p, Modifiers modifiers)
{
    const auto current = handler_.frame(*candidate_);
    if (!current)
        return false;
    if (resizing_ || frameChanged(*current, *original_, grabbedEdges_)) {
        if (!resizing_) {
            handler_.resizeStarted();
            // As for a move: the window manager holds the keyboard, and on Escape it may put the
            // window back (the ticks notice that, and a lost release).
            resizeGrid_ = handler_.grid(*candidate_);
            watchEscape();
            startHoverTimer();
        }
        resizing_ = true;
        const bool span = modifiers & ModSuper;
        trace(u"native resize span="_qs + flag(span), p);
        handler_.resizeMoved({*candidate_, grabbedEdges_, span, *original_, *current, p});
        return false;
    }
    if (!movedWithoutResize(*current, *original_)) {
        trace(QStringLiteral("awaiting window movement"), p);
        return false;
    }
    dragging_ = true;
    watchEscape();
    const bool home = handler_.dragStarted(*candidate_, *original_);
    trace(home ? QStringLiteral("drag with home") : QStringLiteral("drag without home"), p);
    return true;
}

void DragMonitor::release(const Point& p, Modifiers modifiers)
{
    modifiers = newlyHeld(modifiers);
    const bool span = resizing_ && (modifiers & ModSuper);
    const EdgeSet edges = dragging_ && !resizing_ ? EdgeSet{} : grabbedEdges_;
    trace(u"release resizing="_qs + flag(resizing_) + u" span="_qs + flag(span), p);
    handler_.buttonReleased();
    if (modifiers & ModAlt) {
        trace(QStringLiteral("option bypass"), p);
        writeDragState();
        handler_.endInteraction();
        reset(true);
        return;
    }
    const ReleaseOutcome outcome = handler_.dragReleased(
        {candidate_, original_, startPoint_, p, clock_.now(), modifiers, dragging_, edges, span});
    if (outcome.handOff) {
        tasks_.after(outcome.handOffDelay, [this, record = *outcome.handOff] { handler_.handOver(record); });
    }
    trace(outcome.finalText, p);
    writeDragState();
    reset(!outcome.handed);
}

void DragMonitor::startHoverTimer()
{
    if (hoverTimer_)
        return;
    std::weak_ptr<DragMonitor> weak = self_.weak();
    hoverTimer_ = std::make_unique<RepeatingTimer>(clock_, kHoverInterval, [weak] {
        if (auto self = weak.lock())
            self->hoverTick();
    });
    hoverTimer_->start();
}

void DragMonitor::hoverTick()
{
    const Duration now = clock_.now();
    auto pointer = mouse_.pointerState();
    if (!pointer)
        return;
    pointer->modifiers = newlyHeld(pointer->modifiers);
    if (!dragging_ && !resizing_) {
        awaitMovement(*pointer);
        return;
    }
    if (pointer->leftDown) {
        releasedAt_.reset();
        if (windowPutBack(pointer->position)) {
            trace(QStringLiteral("window put back"), pointer->position);
            cancel();
            return;
        }
        // A step of its own that does not count for the throttle: a motion right after it is
        // not held back. A resize has its steps from the pointer's motion only.
        if (dragging_ && now - lastUpdate_ >= kStepInterval)
            updateHover(*candidate_, *original_, pointer->position, now, pointer->modifiers);
        return;
    }
    if (!releasedAt_)
        releasedAt_ = now;
    if (now - *releasedAt_ >= kReleaseWatchdog) {
        trace(QStringLiteral("cancelled"));
        writeDragState();
        reset(true);
        handler_.endInteraction();
    }
}

void DragMonitor::awaitMovement(const PointerState& pointer)
{
    if (!pointer.leftDown || !candidate_ || !original_ || !startPoint_) {
        hoverTimer_.reset();   // the press is over: nothing to wait for
        return;
    }
    const Point& p = pointer.position;
    if (std::hypot(p.x - startPoint_->x, p.y - startPoint_->y) > kStartDistance && startsOrResizes(p, pointer.modifiers))
        updateHover(*candidate_, *original_, p, clock_.now(), pointer.modifiers);
}

bool DragMonitor::windowPutBack(const Point& p)
{
    const auto frame = handler_.frame(*candidate_);
    const bool away =
        resizing_ ? resizedAway(p) : std::hypot(p.x - startPoint_->x, p.y - startPoint_->y) > kStartDistance;
    const bool back = frame && *frame == *original_ && away;
    putBackTicks_ = back ? putBackTicks_ + 1 : 0;
    return putBackTicks_ >= 2;
}

bool DragMonitor::resizedAway(const Point& p) const
{
    // Only the way that grows the window counts: shrinking stops at the window's minimum size.
    // A window on a cell grid follows the pointer a whole cell at a time.
    const double dx = p.x - startPoint_->x, dy = p.y - startPoint_->y;
    const double reachX = std::max(kStartDistance, resizeGrid_.width);
    const double reachY = std::max(kStartDistance, resizeGrid_.height);
    const auto grabbed = [&](RegionEdge e) { return grabbedEdges_.count(e) > 0; };
    if (grabbedEdges_.empty())
        return std::abs(dx) > reachX || std::abs(dy) > reachY;
    return (grabbed(RegionEdge::right) && dx > reachX) || (grabbed(RegionEdge::left) && -dx > reachX) ||
           (grabbed(RegionEdge::bottom) && dy > reachY) || (grabbed(RegionEdge::top) && -dy > reachY);
}

void DragMonitor::watchEscape()
{
    escapeWatched_ = true;
    mouse_.watchEscape(true);
}

void DragMonitor::updateHover(const ManagedWindow& window, const Rect& original, const Point& p, Duration now,
                              Modifiers modifiers)
{
    handler_.dragMoved({window, original, p, startPoint_, now, modifiers});
}

void DragMonitor::reset(bool endInteraction)
{
    hoverTimer_.reset();
    dropTrailingStep();
    if (std::exchange(escapeWatched_, false))
        mouse_.watchEscape(false);
    putBackTicks_ = 0;
    releasedAt_.reset();
    trace_.clear();
    observedPointerDrag_ = false;
    handler_.reset(endInteraction);
    candidate_.reset();
    original_.reset();
    startPoint_.reset();
    dragging_ = resizing_ = false;
    moveKey_ = 0;
    grabbedEdges_.clear();
    resizeGrid_ = {};
}

void DragMonitor::cancel()
{
    trace(QStringLiteral("cancelled"));
    writeDragState();
    reset(true);
    handler_.endInteraction();
}

void DragMonitor::trace(const QString& state, const std::optional<Point>& pointer)
{
    trace_.add(state, clock_.now(), pointer, handler_.routedDisplay());
}

void DragMonitor::writeDragState()
{
    if (!trace_.enabled() || !observedPointerDrag_ || trace_.empty())
        return;
    DragState state;
    state.pid = ownPid();
    state.date = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss +0000"));
    state.app = candidate_ ? candidate_->appName : QStringLiteral("none");
    state.events = trace_.events();
    state.displays = handler_.displayRecords();
    state.original = original_;
    if (candidate_)
        state.released = handler_.frame(*candidate_);
    writeDiagnostics(kDragStateFile, dragStateDocument(state));
}

} // namespace fw
