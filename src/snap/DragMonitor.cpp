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
        press(event.position, event.modifiers, event.time);
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
        dropTrailingHint();
        lastHover_ = now;
        handler_.updateEdgeHint(p);
        return;
    }
    // Held back, never lost: the hint follows where the pointer came to rest.
    heldHint_ = p;
    if (!hintTimer_)
        hintTimer_ = clock_.callAfter(kEdgeHintInterval - (now - lastHover_), self_.weak(), [this] {
            hintTimer_ = 0;
            lastHover_ = clock_.now();
            if (const auto held = std::exchange(heldHint_, std::nullopt))
                handler_.updateEdgeHint(*held);
        });
}

void DragMonitor::dropTrailingHint()
{
    heldHint_.reset();
    if (hintTimer_)
        clock_.cancel(std::exchange(hintTimer_, 0));
}

void DragMonitor::press(const Point& p, Modifiers modifiers, std::uint32_t time)
{
    handler_.notePress(p);
    dropTrailingHint();
    reset(true);
    const auto pressed = handler_.pressed(p, time);
    if (!pressed)
        return;
    const Rect& frame = pressed->frame;
    // The window manager's move key held at the press: Alt (which moves, or near an edge resizes
    // under some), or the key the desktop states, which moves the window wherever the press
    // lies, so that no edge is grabbed.
    const std::optional<Modifiers> stated = moveModifier ? moveModifier() : std::nullopt;
    const Modifiers moveKey = modifiers & (ModAlt | stated.value_or(0));
    const bool movesAnywhere = stated && *stated && (modifiers & *stated) == *stated;
    // A press the window took outside its frame lies on the window manager's resize border
    // there (metacity's sits outside the visible frame): it counts as one on the frame's edge.
    const Point onFrame{std::clamp(p.x, frame.minX(), frame.maxX()), std::clamp(p.y, frame.minY(), frame.maxY())};
    inProgress_ = DragInProgress{
        .window = pressed->window,
        .pressFrame = frame,
        .pressBox = pressed->managerBox,
        .pressedMaximized = (pressed->states & kMaximized) != 0,
        .original = frame,
        .startPoint = p,
        .grabbedEdges = movesAnywhere ? EdgeSet{} : edgesNear(onFrame, frame),
        .moveKey = moveKey,
    };
    inProgress_->onTitleBar = inProgress_->grabbedEdges.empty() && holdsTitleBar(frame, p);
    trace(QStringLiteral("mouse down"), p);
}

Modifiers DragMonitor::newlyHeld(Modifiers modifiers)
{
    // The move key counts again once it has been let go during the drag.
    if (!inProgress_)
        return modifiers;
    inProgress_->moveKey &= modifiers;
    return modifiers & ~inProgress_->moveKey;
}

void DragMonitor::dragStep(const Point& p, Modifiers modifiers)
{
    if (!inProgress_)
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
        DragInProgress& drag = *inProgress_;
        drag.heldStep = DragInProgress::HeldStep{p, modifiers};
        if (!drag.trailingTimer)
            drag.trailingTimer = clock_.callAfter(kStepInterval - since, self_.weak(), [this] { trailingStep(); });
        return;
    }
    dropTrailingStep();
    step(p, modifiers, now);
}

void DragMonitor::step(const Point& p, Modifiers modifiers, Duration now)
{
    lastUpdate_ = now;
    const Point& start = inProgress_->startPoint;
    if (std::hypot(p.x - start.x, p.y - start.y) <= kStartDistance)
        return;
    inProgress_->observedPointerDrag = true;
    // Until the window moves, the ticks ask again too: a loaded window manager may move it
    // only after the pointer's last motion.
    startHoverTimer();
    if (!inProgress_->dragging && !startsOrResizes(p, modifiers))
        return;
    updateHover(p, now, modifiers);
}

void DragMonitor::trailingStep()
{
    if (!inProgress_)
        return;
    inProgress_->trailingTimer = 0;
    const auto held = std::exchange(inProgress_->heldStep, std::nullopt);
    if (held)
        step(held->pointer, held->modifiers, clock_.now());
}

void DragMonitor::dropTrailingStep()
{
    if (!inProgress_)
        return;
    inProgress_->heldStep.reset();
    if (inProgress_->trailingTimer)
        clock_.cancel(std::exchange(inProgress_->trailingTimer, 0));
}

void DragMonitor::escapePressed()
{
    if (!dragging() && !resizing())
        return;
    trace(QStringLiteral("escape"));
    cancel();
}

void DragMonitor::release(const Point& p, Modifiers modifiers)
{
    modifiers = newlyHeld(modifiers);
    const auto [edges, span] = releasedEdges(modifiers);
    trace(u"release resizing="_qs + flag(resizing()) + u" span="_qs + flag(span), p);
    handler_.buttonReleased();
    if (modifiers & ModAlt) {
        trace(QStringLiteral("alt bypass"), p);
        writeDragState();
        handler_.endInteraction();
        reset(true);
        return;
    }
    const auto& drag = inProgress_;
    const ReleaseOutcome outcome = handler_.dragReleased(
        {candidate(), drag ? std::optional(drag->original) : std::nullopt,
         drag ? std::optional(drag->startPoint) : std::nullopt, p, clock_.now(), modifiers, dragging(), edges, span,
         drag && (drag->observedPointerDrag ||
                  std::hypot(p.x - drag->startPoint.x, p.y - drag->startPoint.y) > kStartDistance)});
    if (outcome.handOff) {
        tasks_.after(outcome.handOffDelay, [this, record = *outcome.handOff] { handler_.handOver(record); });
    }
    trace(outcome.finalText, p);
    writeDragState();
    reset(!outcome.handed);
}

void DragMonitor::startHoverTimer()
{
    auto& timer = inProgress_->hoverTimer;
    if (timer)
        return;
    std::weak_ptr<DragMonitor> weak = self_.weak();
    timer = std::make_unique<RepeatingTimer>(clock_, kHoverInterval, [weak] {
        if (auto self = weak.lock())
            self->hoverTick();
    });
    timer->start();
}

void DragMonitor::hoverTick()
{
    const Duration now = clock_.now();
    auto pointer = mouse_.pointerState();
    if (!pointer || !inProgress_)
        return;
    pointer->modifiers = newlyHeld(pointer->modifiers);
    if (!dragging() && !resizing()) {
        awaitMovement(*pointer);
        return;
    }
    auto& releasedAt = inProgress_->releasedAt;
    if (pointer->leftDown) {
        releasedAt.reset();
        if (windowPutBack(pointer->position)) {
            trace(QStringLiteral("window put back"), pointer->position);
            cancel();
            return;
        }
        // A step of its own that does not count for the throttle: a motion right after it is
        // not held back. A resize has its steps from the pointer's motion only.
        if (dragging() && now - lastUpdate_ >= kStepInterval)
            updateHover(pointer->position, now, pointer->modifiers);
        return;
    }
    if (!releasedAt)
        releasedAt = now;
    if (now - *releasedAt >= kReleaseWatchdog) {
        trace(QStringLiteral("cancelled"));
        writeDragState();
        reset(true);
        handler_.endInteraction();
    }
}

void DragMonitor::awaitMovement(const PointerState& pointer)
{
    if (!pointer.leftDown) {
        inProgress_->hoverTimer.reset(); // the press is over: nothing to wait for
        return;
    }
    const Point& p = pointer.position;
    const Point& start = inProgress_->startPoint;
    if (std::hypot(p.x - start.x, p.y - start.y) > kStartDistance && startsOrResizes(p, pointer.modifiers))
        updateHover(p, clock_.now(), pointer.modifiers);
}

void DragMonitor::watchEscape()
{
    inProgress_->escapeWatched = true;
    mouse_.watchEscape(true);
}

void DragMonitor::updateHover(const Point& p, Duration now, Modifiers modifiers)
{
    followSizeGivenBack(p);
    const DragInProgress& drag = *inProgress_;
    handler_.dragMoved({drag.window, drag.original, p, drag.startPoint, now, modifiers});
}

void DragMonitor::reset(bool endInteraction)
{
    // Its timers and the Escape watch are undone first; the rest goes whole with it.
    if (inProgress_) {
        inProgress_->hoverTimer.reset();
        dropTrailingStep();
        if (std::exchange(inProgress_->escapeWatched, false))
            mouse_.watchEscape(false);
    }
    trace_.clear();
    handler_.reset(endInteraction);
    inProgress_.reset();
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
    if (!trace_.enabled() || !inProgress_ || !inProgress_->observedPointerDrag || trace_.empty())
        return;
    DragState state;
    state.pid = ownPid();
    state.date = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss +0000"));
    state.app = inProgress_->window.appName;
    state.events = trace_.events();
    state.displays = handler_.displayRecords();
    state.original = inProgress_->original;
    state.released = handler_.frame(inProgress_->window);
    writeDiagnostics(kDragStateFile, dragStateDocument(state));
}

} // namespace fw
