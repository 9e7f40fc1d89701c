// Window states of the simulated desktop: maximized, full screen, shaded and minimized, read
// and changed as a window manager would, each change logged as a States write that scripted
// refusals can fail.
#include "platform/sim/SimDesktop.h"

namespace fw::sim {

namespace {
// The height a rolled-up window shows without a title bar of its own.
constexpr double kRolledUpHeight = 24;
} // namespace

Rect SimWindow::shown() const
{
    if (!setup.shaded)
        return frame;
    return Rect(frame.origin, Size{frame.width(), setup.titleBar > 0 ? setup.titleBar : kRolledUpHeight});
}

bool SimDesktop::setShaded(WindowId id, bool shaded)
{
    SimWindow* w = find(id);
    if (!w)
        return false;
    w->setup.shaded = shaded;
    return true;
}

std::optional<WindowStates> SimDesktop::windowStates(WindowId id)
{
    ++reads_;
    const SimWindow* w = find(id);
    if (!w)
        return std::nullopt;
    return statesOf(*w);
}

std::optional<WindowSystem::FrameAndStates> SimDesktop::frameAndStates(WindowId id)
{
    // One read, as a window system that reads both at once.
    const auto f = frame(id);
    if (!f)
        return std::nullopt;
    return FrameAndStates{*f, statesOf(*find(id))};
}

WindowStates SimDesktop::statesOf(const SimWindow& w)
{
    WindowStates out = 0;
    if (w.setup.maximized)
        out |= kMaximized;
    if (w.setup.fullscreen)
        out |= Fullscreen;
    if (w.setup.shaded)
        out |= Shaded;
    if (w.setup.minimized)
        out |= Minimized;
    return out;
}

bool SimDesktop::changeWindowStates(WindowId id, WindowStates states, bool on)
{
    WriteRecord r;
    r.kind = Write::States;
    r.window = id;
    r.time = clock_.now();
    r.flag = on;
    r.states = states;
    spendLatency(id);
    SimWindow* w = nullptr;
    if (!beginWrite(r, w))
        return false;
    const auto change = [this, id, states, on] {
        if (states & kMaximized)
            setMaximized(id, on);
        if (states & Fullscreen)
            setFullscreen(id, on);
        if (states & Shaded)
            setShaded(id, on);
        if (states & Minimized)
            setMinimized(id, on);
    };
    const auto f = faults_.find(id);
    const Duration delay = f == faults_.end() ? Duration::zero() : f->second.statesDelay;
    if (delay == kNever)
        return true;
    if (delay > Duration::zero())
        schedule(delay, change);
    else
        change();
    return true;
}

} // namespace fw::sim
