// Window states of the X11 window port: maximized (either way), full screen, shaded,
// minimized, kept above and kept below, read from _NET_WM_STATE and WM_STATE, and changed
// through the window manager with _NET_WM_STATE requests (source 2) where it lists the state
// in _NET_SUPPORTED, an activation to restore a minimized window and WM_CHANGE_STATE to
// minimize one. Each change waits, bounded, until the window manager has handled it. A window
// held in a tile of the window manager's own is let go by a maximize and restore where the
// window manager allows maximizing it, carried on from the notices of its states by the event
// loop.
#include "platform/x11/X11ClientState.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11WindowSystem.h"

#include "base/Log.h"

#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <utility>

namespace fw {

using namespace x11;

namespace {

WindowStates statesOf(const ClientState& s, const Atoms& a)
{
    WindowStates out = 0;
    if (s.has(s.states, a.netWmStateMaximizedVert))
        out |= MaximizedVertically;
    if (s.has(s.states, a.netWmStateMaximizedHorz))
        out |= MaximizedHorizontally;
    if (s.has(s.states, a.netWmStateFullscreen))
        out |= Fullscreen;
    if (s.has(s.states, a.netWmStateShaded))
        out |= Shaded;
    if (s.minimized(a))
        out |= Minimized;
    if (s.has(s.states, a.netWmStateAbove))
        out |= KeptAbove;
    if (s.has(s.states, a.netWmStateBelow))
        out |= KeptBelow;
    return out;
}

} // namespace

std::optional<WindowStates> X11WindowSystem::windowStates(WindowId id)
{
    auto s = readOne(id, Kind);
    if (!s)
        return std::nullopt;
    return statesOf(*s, conn_->atoms());
}

std::optional<WindowSystem::FrameAndStates> X11WindowSystem::frameAndStates(WindowId id)
{
    // A window whose last write landed moments ago is known from the notices since: no read.
    if (auto s = waits_.followedState(std::uint32_t(id)); s && s->kindRead)
        return FrameAndStates{s->outerFrame(), statesOf(*s, conn_->atoms())};
    // Everything a write of the window reads first, in the same round: a write that follows
    // with nothing read in between takes this read over (write()).
    const WindowManagerFacts::Check wm = wm_.ask();
    auto s = readOne(id, Geometry | Kind);
    const bool managed = wm_.present(wm);
    if (!s)
        return std::nullopt;
    FrameAndStates out{s->outerFrame(), statesOf(*s, conn_->atoms())};
    handedOver_ = HandedOver{std::make_unique<ClientState>(std::move(*s)), managed, nowMs()};
    return out;
}

bool X11WindowSystem::changeWindowStates(WindowId id, WindowStates states, bool on)
{
    auto s = readOne(id, Kind);
    if (!s)
        return false;
    const WindowStates now = statesOf(*s, conn_->atoms());
    // Only what differs is asked for: a request for a state the window already has (or lacks)
    // can toggle it under some window managers.
    const WindowStates change = on ? states & ~now : states & now;
    if (change == 0)
        return true;
    if (!wm_.present())
        return false;   // nobody to ask
    if (!on && change == Minimized)
        return activate(id);   // restores the window, as a taskbar does
    return requestStates(*s, change, on);
}

bool X11WindowSystem::requestStates(const ClientState& s, WindowStates change, bool on)
{
    waits_.takeQueuedEvents();
    const bool asked = sendStates(s, change, on);
    // Two rounds: a window manager may answer a state change with requests of its own.
    waits_.settle(s.window, 2);
    if (!on && (change & Minimized))
        return activate(s.window) && asked;
    return readOne(s.window, Geometry).has_value() && asked;
}

bool X11WindowSystem::sendStates(const ClientState& s, WindowStates change, bool on)
{
    const Atoms& a = conn_->atoms();
    const std::uint32_t action = on ? 1 : 0, sourcePager = 2;
    // A state the window manager does not list in _NET_SUPPORTED is not asked for: the change
    // fails, logged as the window manager's refusal.
    bool refused = false;
    auto ask = [&](xcb_atom_t first, xcb_atom_t second, const char* what) {
        if (!wm_.supports(a.netWmState) || !wm_.supports(first) || (second != XCB_NONE && !wm_.supports(second))) {
            log::info(LogCategory::WindowAccess, "The window manager does not support %{public}s: window %ld keeps its state",
                      what, long(s.window));
            refused = true;
            return;
        }
        conn_->sendRootMessage(s.window, a.netWmState, action, first, second, sourcePager);
    };
    if ((change & kMaximized) == kMaximized)
        ask(a.netWmStateMaximizedVert, a.netWmStateMaximizedHorz, "maximizing");
    else if (change & kMaximized)
        ask(change & MaximizedVertically ? a.netWmStateMaximizedVert : a.netWmStateMaximizedHorz, XCB_NONE, "maximizing");
    if (change & Fullscreen)
        ask(a.netWmStateFullscreen, XCB_NONE, "full screen");
    if (change & Shaded)
        ask(a.netWmStateShaded, XCB_NONE, "shading");
    if (change & KeptAbove)
        ask(a.netWmStateAbove, XCB_NONE, "keeping windows above others");
    if (change & KeptBelow)
        ask(a.netWmStateBelow, XCB_NONE, "keeping windows below others");
    if ((change & Minimized) && on) {
        const std::uint32_t iconic = 3;
        conn_->sendRootMessage(s.window, a.wmChangeState, iconic);
    }
    conn_->flush();
    return !refused;
}

bool X11WindowSystem::unmaximize(WindowId id)
{
    return changeWindowStates(id, kMaximized, false);
}

Rect X11WindowSystem::releaseHeld(WindowId id, const Rect& target, bool position, bool size, const Rect& held)
{
    WindowManagerFacts::TileRelease& tileRelease = wm_.tileRelease();
    if (tileRelease.manager != wm_.checkWindow())
        tileRelease = {wm_.checkWindow(), std::nullopt};
    if (releasing_ || release_ || tileRelease.helps == false || !QThread::currentThread()->eventDispatcher())
        return held;
    // Only a write that asked for a move, or for more than a terminal's size step, is held: one
    // asking for where the window already is moved nothing because nothing was to move.
    constexpr double kSizeStep = 32;
    const bool asked = (position && (target.x() != held.x() || target.y() != held.y()))
                       || (size && (std::abs(target.width() - held.width()) > kSizeStep
                                    || std::abs(target.height() - held.height()) > kSizeStep));
    if (!asked)
        return held;
    // Only a window in none of those states, and only where the window manager says that the
    // window may be maximized both ways (KWin lists its allowed actions; awesome lists none, and
    // takes no maximized state away through _NET_WM_STATE once it has given it).
    const auto s = readOne(id, Kind);
    const Atoms& a = conn_->atoms();
    if (!s || (statesOf(*s, a) & (kMaximized | Fullscreen | Shaded | Minimized)) != 0 ||
        !wm_.supports(a.netWmAllowedActions) || !s->hasAllowedActions ||
        !s->has(s->allowedActions, a.netWmActionMaximizeHorz) || !s->has(s->allowedActions, a.netWmActionMaximizeVert))
        return held;
    if (!releaseStep_) {
        releaseStep_ = std::make_unique<QTimer>();
        releaseStep_->setSingleShot(true);
        QObject::connect(releaseStep_.get(), &QTimer::timeout, [this] { stepRelease(); });
    }
    // The window's notices are selected before the maximize goes out: each change of its
    // states from then on brings the next step.
    release_ = HeldRelease{s->window, target, held, position, size, HeldRelease::Step::Maximizing, nowMs() + kReleaseStepMs};
    waits_.followStates(s->window, [this] { releaseStep_->start(0); });
    if (!sendStates(*s, kMaximized, true)) {
        endRelease(s->window, std::nullopt);
        return held;
    }
    releaseStep_->start(kReleaseStepMs);
    return held;
}

std::optional<Rect> X11WindowSystem::askedDuringRelease(WindowId id, const Rect& target, bool position, bool size)
{
    if (!release_ || release_->window != id)
        return std::nullopt;
    if (position)
        release_->target.origin = target.origin;
    if (size)
        release_->target.size = target.size;
    release_->position = release_->position || position;
    release_->size = release_->size || size;
    return release_->held;
}

void X11WindowSystem::stepRelease()
{
    if (!release_)
        return;
    HeldRelease& r = *release_;
    const auto s = readOne(r.window, Kind);
    if (!s) {
        endRelease(r.window, std::nullopt);
        return;
    }
    // The maximize is seen in the window's states before it is undone: a restore asked before
    // the window manager has applied it changes nothing. One not seen in time is asked away all
    // the same, so that the window is not left maximized.
    const WindowStates maximized = statesOf(*s, conn_->atoms()) & kMaximized;
    const bool late = nowMs() >= r.deadlineMs;
    auto askAway = [&](HeldRelease::Step next) {
        r.step = next;
        r.deadlineMs = nowMs() + kReleaseStepMs;
        sendStates(*s, kMaximized, false);
    };
    switch (r.step) {
    case HeldRelease::Step::Maximizing:
        if (maximized == kMaximized || late)
            askAway(maximized == kMaximized ? HeldRelease::Step::Restoring : HeldRelease::Step::TakingBack);
        break;
    case HeldRelease::Step::Restoring:
        if (maximized == 0) {
            // Out of the tile: the frame asked last, written as any write is.
            const HeldRelease done = *std::exchange(release_, std::nullopt);
            releasing_ = true;
            const auto landed = write(done.window, done.target, done.position, done.size);
            releasing_ = false;
            endRelease(done.window, landed ? std::optional<bool>(*landed != done.held) : std::nullopt);
            return;
        }
        if (late)
            askAway(HeldRelease::Step::TakingBack);
        break;
    case HeldRelease::Step::TakingBack:
        if (maximized != 0 && !late)
            break;
        if (maximized != 0)
            log::error(LogCategory::WindowAccess, "Window %ld stays maximized: the window manager did not take the state away",
                       long(r.window));
        endRelease(r.window, std::nullopt);
        return;
    }
    releaseStep_->start(int(std::max<std::int64_t>(0, r.deadlineMs - nowMs())));
}

void X11WindowSystem::endRelease(std::uint32_t window, std::optional<bool> moved)
{
    release_.reset();
    releaseStep_->stop();
    waits_.followStates(0, {});
    // Learnt only from a maximize and restore both seen: one the window manager was too slow
    // to show (a loaded machine) tells nothing, and the next held write tries again.
    WindowManagerFacts::TileRelease& tileRelease = wm_.tileRelease();
    if (moved)
        tileRelease.helps = tileRelease.helps.value_or(false) || *moved;
    log::info(LogCategory::WindowAccess, "Window %ld held where the window manager tiled it: %{public}s", long(window),
              moved.value_or(false) ? "let go by a maximize and restore" : "still held");
}

} // namespace fw
