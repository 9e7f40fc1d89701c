// Window states of the X11 window port: maximized (either way), full screen, shaded,
// minimized, kept above and kept below, read from _NET_WM_STATE and WM_STATE, and changed
// through the window manager with _NET_WM_STATE requests (source 2) where it lists the state
// in _NET_SUPPORTED, an activation to restore a minimized window and WM_CHANGE_STATE to
// minimize one. Each change waits, bounded, until the window manager has handled it.
#include "platform/x11/X11ClientState.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11WindowSystem.h"

#include "base/Log.h"

#include <utility>

namespace fw {

using namespace x11;

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

} // namespace fw
