// Letting go of a window held in a window manager's own tile: its maximize, its restore once
// its states show the maximize, and the write asked last once they show the restore, each step
// taken at a notice of its states (x11::WriteWaits follows them) or when its time runs out.
#include "platform/x11/X11HeldRelease.h"

#include "platform/x11/X11ClientState.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11WindowManagerFacts.h"
#include "platform/x11/X11WriteWaits.h"

#include "base/Log.h"

#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <utility>

namespace fw::x11 {

HeldRelease::HeldRelease(Connection& conn, WriteWaits& waits, WindowManagerFacts& wm, Port port)
    : conn_(conn), waits_(waits), wm_(wm), port_(std::move(port))
{
}

HeldRelease::~HeldRelease() = default;

Rect HeldRelease::start(WindowId id, const Rect& target, bool position, bool size, const Rect& held, bool answered)
{
    if (!answered)
        return startOnceAnswered(id, target, position, size, held);
    WindowManagerFacts::TileRelease& tileRelease = wm_.tileRelease();
    if (tileRelease.manager != wm_.checkWindow())
        tileRelease = {wm_.checkWindow(), std::nullopt};
    if (writing_ || steps_ || tileRelease.helps == false || !QThread::currentThread()->eventDispatcher())
        return held;
    // Only a write that asked for a move, or for more than a terminal's size step, is held: one
    // asking for where the window already is moved nothing because nothing was to move.
    // Compared in whole pixels, as written: a step of an animated move that rounds to where the
    // window is asked for nothing.
    const bool asked = (position && (std::lround(target.x()) != std::lround(held.x()) || std::lround(target.y()) != std::lround(held.y())))
                       || (size && (std::abs(target.width() - held.width()) > kSizeStep
                                    || std::abs(target.height() - held.height()) > kSizeStep));
    if (!asked)
        return held;
    // A frame asked partly off the screen is kept on it by the window manager's own rules
    // (xfwm4 keeps a title bar below the screen's top edge): that moved nothing, no tile.
    if (!onScreen(Rect(position ? target.origin : held.origin, size ? target.size : held.size)))
        return held;
    // Only a window in none of those states, and only where the window manager says that the
    // window may be maximized both ways (KWin lists its allowed actions; awesome lists none, and
    // takes no maximized state away through _NET_WM_STATE once it has given it).
    const auto s = port_.read(std::uint32_t(id));
    const Atoms& a = conn_.atoms();
    if (!s || (statesOf(*s, a) & (kMaximized | Fullscreen | Shaded | Minimized)) != 0 ||
        !wm_.supports(a.netWmAllowedActions) || !s->hasAllowedActions ||
        !s->has(s->allowedActions, a.netWmActionMaximizeHorz) || !s->has(s->allowedActions, a.netWmActionMaximizeVert))
        return held;
    makeStepTimer();
    // The window's notices are selected before the maximize goes out: each change of its
    // states from then on brings the next step.
    steps_ = Steps{s->window, target, held, position, size, Steps::Step::Maximizing, nowMs() + kStepMs};
    waits_.followStates(s->window, [this] { stepTimer_->start(0); });
    if (!port_.sendStates(*s, kMaximized, true)) {
        end(s->window, std::nullopt);
        return held;
    }
    stepTimer_->start(kStepMs);
    return held;
}

bool HeldRelease::movedNothing(const Rect& before, const Rect& landed)
{
    return landed.origin == before.origin && std::abs(landed.width() - before.width()) <= kSizeStep
           && std::abs(landed.height() - before.height()) <= kSizeStep;
}

Rect HeldRelease::startOnceAnswered(WindowId id, const Rect& target, bool position, bool size, const Rect& held)
{
    if (writing_ || steps_ || !QThread::currentThread()->eventDispatcher())
        return held;
    makeStepTimer();
    steps_ = Steps{std::uint32_t(id), target, held, position, size, Steps::Step::Answering, nowMs() + kAnswerMs};
    stepTimer_->start(kAnswerPollMs);
    return held;
}

void HeldRelease::makeStepTimer()
{
    if (stepTimer_)
        return;
    stepTimer_ = std::make_unique<QTimer>();
    stepTimer_->setSingleShot(true);
    QObject::connect(stepTimer_.get(), &QTimer::timeout, [this] { step(); });
}

bool HeldRelease::onScreen(const Rect& frame)
{
    xcb_connection_t* c = conn_.raw();
    auto root = FW_XCB_REPLY(c, xcb_get_geometry, xcb_get_geometry(c, conn_.root()));
    if (!root)
        return false;
    const long x = std::lround(frame.x()), y = std::lround(frame.y());
    return x >= 0 && y >= 0 && x + std::lround(frame.width()) <= long(root.p->width)
           && y + std::lround(frame.height()) <= long(root.p->height);
}

void HeldRelease::stepOnceAnswered()
{
    const bool answered = !waits_.pending([this] { return wm_.present(); });
    if (!answered && nowMs() < steps_->deadlineMs) {
        stepTimer_->start(kAnswerPollMs);
        return;
    }
    const Steps waited = *std::exchange(steps_, std::nullopt);
    if (!answered) {
        log::info(LogCategory::WindowAccess, "The window manager did not answer a write of window %ld within %{public}d ms",
                  long(waited.window), kAnswerMs);
        return;
    }
    const auto s = port_.read(waited.window);
    if (s && movedNothing(waited.held, s->outerFrame()))
        start(waited.window, waited.target, waited.position, waited.size, s->outerFrame());
}

std::optional<Rect> HeldRelease::askedDuring(WindowId id, const Rect& target, bool position, bool size)
{
    if (!steps_ || steps_->window != id)
        return std::nullopt;
    // Not known to be held yet: the write goes out, and its own answer tells.
    if (steps_->step == Steps::Step::Answering) {
        steps_.reset();
        stepTimer_->stop();
        return std::nullopt;
    }
    if (position)
        steps_->target.origin = target.origin;
    if (size)
        steps_->target.size = target.size;
    steps_->position = steps_->position || position;
    steps_->size = steps_->size || size;
    return steps_->held;
}

void HeldRelease::step()
{
    if (!steps_)
        return;
    if (steps_->step == Steps::Step::Answering) {
        stepOnceAnswered();
        return;
    }
    Steps& r = *steps_;
    const auto s = port_.read(r.window);
    if (!s) {
        end(r.window, std::nullopt);
        return;
    }
    // The maximize is seen in the window's states before it is undone: a restore asked before
    // the window manager has applied it changes nothing. One not seen in time is asked away all
    // the same, so that the window is not left maximized.
    const WindowStates maximized = statesOf(*s, conn_.atoms()) & kMaximized;
    const bool late = nowMs() >= r.deadlineMs;
    auto askAway = [&](Steps::Step next) {
        r.step = next;
        r.deadlineMs = nowMs() + kStepMs;
        port_.sendStates(*s, kMaximized, false);
    };
    switch (r.step) {
    case Steps::Step::Answering:
        break;
    case Steps::Step::Maximizing:
        if (maximized == kMaximized || late)
            askAway(maximized == kMaximized ? Steps::Step::Restoring : Steps::Step::TakingBack);
        break;
    case Steps::Step::Restoring:
        if (maximized == 0) {
            // Out of the tile: the frame asked last, written as any write is.
            const Steps done = *std::exchange(steps_, std::nullopt);
            writing_ = true;
            const auto landed = port_.write(done.window, done.target, done.position, done.size);
            writing_ = false;
            end(done.window, landed ? std::optional<bool>(*landed != done.held) : std::nullopt);
            return;
        }
        if (late)
            askAway(Steps::Step::TakingBack);
        break;
    case Steps::Step::TakingBack:
        if (maximized != 0 && !late)
            break;
        if (maximized != 0)
            log::error(LogCategory::WindowAccess, "Window %ld stays maximized: the window manager did not take the state away",
                       long(r.window));
        end(r.window, std::nullopt);
        return;
    }
    stepTimer_->start(int(std::max<std::int64_t>(0, r.deadlineMs - nowMs())));
}

void HeldRelease::end(std::uint32_t window, std::optional<bool> moved)
{
    steps_.reset();
    stepTimer_->stop();
    waits_.followStates(0, {});
    // Learnt only from a maximize and restore both seen: one the window manager was too slow
    // to show (a loaded machine) tells nothing, and the next held write tries again.
    WindowManagerFacts::TileRelease& tileRelease = wm_.tileRelease();
    if (moved)
        tileRelease.helps = tileRelease.helps.value_or(false) || *moved;
    log::info(LogCategory::WindowAccess, "Window %ld held where the window manager tiled it: %{public}s", long(window),
              moved.value_or(false) ? "let go by a maximize and restore" : "still held");
}

} // namespace fw::x11
