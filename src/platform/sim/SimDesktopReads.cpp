// The reads of the simulated desktop's windows through the WindowSystem port, each counted for
// the tests: the snapshot, one window's frame, title, process, hints and what it allows, the
// focused window, the frontmost application, the window at a point and an application's frame
// animation switch.
#include "platform/sim/SimDesktop.h"

namespace fw::sim {

WindowInfo SimDesktop::infoOf(const SimWindow& w) const
{
    WindowInfo info;
    info.id = w.setup.id;
    info.pid = w.setup.pid;
    info.title = w.setup.title;
    info.appClass = w.setup.appClass;
    info.frame = w.shown();
    info.layer = w.setup.layer;
    info.onScreen = !w.setup.minimized;
    info.normal = w.setup.normal;
    info.minimized = w.setup.minimized;
    info.fullscreen = w.setup.fullscreen;
    info.increment = w.setup.hints.increment;
    return info;
}

std::vector<WindowInfo> SimDesktop::snapshot()
{
    ++snapshots_;
    std::vector<WindowInfo> out;
    out.reserve(stacking_.size());
    for (WindowId id : stacking_)
        out.push_back(infoOf(windows_.at(id)));
    return out;
}

std::optional<WindowInfo> SimDesktop::windowInfo(WindowId id)
{
    ++reads_;
    const SimWindow* w = find(id);
    return w ? std::optional<WindowInfo>(infoOf(*w)) : std::nullopt;
}

std::optional<Rect> SimDesktop::frame(WindowId id)
{
    ++reads_;
    ++frameReads_;
    const SimWindow* w = find(id);
    return w ? std::optional<Rect>(w->shown()) : std::nullopt;
}

std::optional<double> SimDesktop::titleBarHeight(WindowId id)
{
    ++reads_;
    const SimWindow* w = find(id);
    return w && w->setup.titleBar > 0 ? std::optional<double>(w->setup.titleBar) : std::nullopt;
}

std::optional<QString> SimDesktop::title(WindowId id)
{
    ++reads_;
    const SimWindow* w = find(id);
    return w ? std::optional<QString>(w->setup.title) : std::nullopt;
}

std::optional<Pid> SimDesktop::pid(WindowId id)
{
    ++reads_;
    const SimWindow* w = find(id);
    return w ? std::optional<Pid>(w->setup.pid) : std::nullopt;
}

std::optional<SizeHints> SimDesktop::sizeHints(WindowId id)
{
    ++reads_;
    const SimWindow* w = find(id);
    return w ? std::optional<SizeHints>(w->setup.hints) : std::nullopt;
}

bool SimDesktop::isMinimized(WindowId id)
{
    ++reads_;
    const SimWindow* w = find(id);
    return w && w->setup.minimized;
}

bool SimDesktop::isFullscreen(WindowId id)
{
    ++reads_;
    const SimWindow* w = find(id);
    return w && w->setup.fullscreen;
}

bool SimDesktop::isMovable(WindowId id)
{
    ++reads_;
    const SimWindow* w = find(id);
    return w && w->setup.movable;
}

bool SimDesktop::isResizable(WindowId id)
{
    ++reads_;
    const SimWindow* w = find(id);
    return w && w->setup.resizable;
}

std::optional<WindowId> SimDesktop::focusedWindow()
{
    ++reads_;
    if (!focused_)
        return std::nullopt;
    const SimWindow* w = find(*focused_);
    if (!w || w->setup.minimized)
        return std::nullopt;
    return focused_;
}

std::optional<Pid> SimDesktop::frontmostPid()
{
    for (const auto& [pid, a] : apps_)
        if (a.frontmost && a.setup.running)
            return pid;
    return std::nullopt;
}

std::optional<WindowId> SimDesktop::windowAt(Point p)
{
    ++reads_;
    for (WindowId id : stacking_) {
        const SimWindow& w = windows_.at(id);
        if (!w.setup.minimized && w.shown().contains(p))
            return id;
    }
    return std::nullopt;
}

std::optional<bool> SimDesktop::frameAnimation(Pid pid)
{
    ++reads_;
    const SimApp* a = findApp(pid);
    if (!a || !a->setup.running)
        return std::nullopt;
    return a->setup.frameAnimation;
}

} // namespace fw::sim
