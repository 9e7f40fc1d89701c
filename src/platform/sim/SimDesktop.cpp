// The simulated desktop's applications and windows: set up and changed from outside by tests
// (as the user or the application would), stacked front to back and focused. Their reads,
// writes and window states are in the other SimDesktop*.cpp files.
#include "platform/sim/SimDesktop.h"

#include <algorithm>

namespace fw::sim {

SimDesktop::SimDesktop(VirtualClock& clock) : clock_(clock) {}

SimDesktop::~SimDesktop() = default;

void SimDesktop::schedule(Duration delay, std::function<void()> fn)
{
    // Timers outlive nothing: a desktop destroyed before they fire turns them into no-ops.
    clock_.callAfter(delay, std::weak_ptr<int>(alive_), std::move(fn));
}

// ---- applications and windows

SimWindow* SimDesktop::find(WindowId id)
{
    auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : &it->second;
}

const SimWindow* SimDesktop::window(WindowId id) const
{
    auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : &it->second;
}

SimApp* SimDesktop::findApp(Pid pid)
{
    auto it = apps_.find(pid);
    return it == apps_.end() ? nullptr : &it->second;
}

const SimApp* SimDesktop::app(Pid pid) const
{
    auto it = apps_.find(pid);
    return it == apps_.end() ? nullptr : &it->second;
}

bool SimDesktop::isRunning(Pid pid) const
{
    const SimApp* a = app(pid);
    return a && a->setup.running;
}

SimApp& SimDesktop::ensureApp(Pid pid)
{
    auto it = apps_.find(pid);
    if (it == apps_.end()) {
        AppSetup setup;
        setup.pid = pid;
        setup.name = QStringLiteral("App %1").arg(pid);
        it = apps_.emplace(pid, SimApp{setup, false}).first;
    }
    return it->second;
}

void SimDesktop::addApp(const AppSetup& setup)
{
    SimApp& a = ensureApp(setup.pid);
    a.setup = setup;
    if (a.setup.name.isEmpty())
        a.setup.name = QStringLiteral("App %1").arg(setup.pid);
    if (!a.setup.running)
        a.frontmost = false;
}

WindowId SimDesktop::addWindow(const WindowSetup& setupIn)
{
    WindowSetup setup = setupIn;
    if (setup.id == 0)
        setup.id = nextId_++;
    else
        nextId_ = std::max(nextId_, setup.id + 1);
    SimApp& a = ensureApp(setup.pid);
    a.setup.running = true;
    if (setup.appClass.isEmpty())
        setup.appClass = a.setup.name;

    removeWindow(setup.id);
    SimWindow w;
    w.setup = setup;
    w.frame = setup.frame;
    w.restoreFrame = setup.frame;
    windows_[setup.id] = w;
    if (setup.maximized) {
        windows_[setup.id].setup.maximized = false;
        setMaximized(setup.id, true);
    }
    if (setup.front)
        stacking_.insert(stacking_.begin(), setup.id);
    else
        stacking_.push_back(setup.id);
    return setup.id;
}

void SimDesktop::removeWindow(WindowId id)
{
    if (auto f = faults_.find(id); f != faults_.end() && f->second.driftTimer)
        clock_.cancel(std::exchange(f->second.driftTimer, 0));
    windows_.erase(id);
    std::erase(stacking_, id);
    if (focused_ == id)
        focused_.reset();
}

bool SimDesktop::closeWindow(WindowId id)
{
    if (!find(id))
        return false;
    removeWindow(id);
    return true;
}

bool SimDesktop::quitApp(Pid pid)
{
    SimApp* a = findApp(pid);
    if (!a || !a->setup.running)
        return false;
    std::vector<WindowId> ids;
    for (const auto& [id, w] : windows_)
        if (w.setup.pid == pid)
            ids.push_back(id);
    for (auto id : ids)
        removeWindow(id);
    a->setup.running = false;
    a->frontmost = false;
    return true;
}

bool SimDesktop::place(WindowId id, const Rect& frame)
{
    SimWindow* w = find(id);
    if (!w)
        return false;
    w->frame = frame;
    return true;
}

bool SimDesktop::setTitle(WindowId id, const QString& title)
{
    SimWindow* w = find(id);
    if (!w)
        return false;
    if (w->setup.title == title)
        return true;
    w->setup.title = title;
    if (titled_.contains(id) && titleChanged_)
        schedule(Duration::zero(), [this] {
            if (titleChanged_)
                titleChanged_();
        });
    return true;
}

bool SimDesktop::setSizeHints(WindowId id, const SizeHints& hints)
{
    SimWindow* w = find(id);
    if (!w)
        return false;
    w->setup.hints = hints;
    return true;
}

bool SimDesktop::setMinimized(WindowId id, bool minimized)
{
    SimWindow* w = find(id);
    if (!w)
        return false;
    w->setup.minimized = minimized;
    if (minimized && focused_ == id)
        focused_.reset();
    return true;
}

bool SimDesktop::setFullscreen(WindowId id, bool fullscreen)
{
    SimWindow* w = find(id);
    if (!w)
        return false;
    w->setup.fullscreen = fullscreen;
    return true;
}

bool SimDesktop::setMaximized(WindowId id, bool maximized)
{
    SimWindow* w = find(id);
    if (!w)
        return false;
    if (maximized == w->setup.maximized)
        return true;
    if (maximized) {
        // Fill the visible frame of the screen the window overlaps most.
        w->restoreFrame = w->frame;
        double best = 0;
        for (const auto& s : screens()) {
            const Rect i = w->frame.intersection(s.frame);
            const double area = i.isNull() ? 0 : i.width() * i.height();
            if (area > best) {
                best = area;
                w->frame = s.visibleFrame;
            }
        }
    } else {
        w->frame = w->restoreFrame;
    }
    w->setup.maximized = maximized;
    return true;
}

bool SimDesktop::setMovable(WindowId id, bool movable)
{
    SimWindow* w = find(id);
    if (!w)
        return false;
    w->setup.movable = movable;
    return true;
}

bool SimDesktop::setResizable(WindowId id, bool resizable)
{
    SimWindow* w = find(id);
    if (!w)
        return false;
    w->setup.resizable = resizable;
    return true;
}

void SimDesktop::toFront(WindowId id)
{
    std::erase(stacking_, id);
    stacking_.insert(stacking_.begin(), id);
}

bool SimDesktop::setFocus(WindowId id)
{
    SimWindow* w = find(id);
    if (!w)
        return false;
    w->setup.minimized = false;
    toFront(id);
    focused_ = id;
    setFrontmostApp(w->setup.pid);
    return true;
}

void SimDesktop::setFrontmostApp(Pid pid)
{
    const auto before = frontmostPid();
    for (auto& [p, a] : apps_)
        a.frontmost = p == pid && a.setup.running;
    if (focused_) {
        const SimWindow* w = window(*focused_);
        if (!w || w->setup.pid != pid)
            focused_.reset();
    }
    const auto after = frontmostPid();
    if (after && after != before && activated_)
        schedule(Duration::zero(), [this] {
            if (activated_)
                activated_();
        });
}

} // namespace fw::sim
