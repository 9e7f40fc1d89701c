#include "platform/sim/SimDesktop.h"

#include <algorithm>
#include <cmath>

namespace fw::sim {

namespace {

bool finite(Point p) { return std::isfinite(p.x) && std::isfinite(p.y); }
bool finite(Size s) { return std::isfinite(s.width) && std::isfinite(s.height); }

} // namespace

QString writeKindName(WriteKind k)
{
    switch (k) {
    case Write::Position: return QStringLiteral("position");
    case Write::Size: return QStringLiteral("size");
    case Write::Frame: return QStringLiteral("frame");
    case Write::Raise: return QStringLiteral("raise");
    case Write::Activate: return QStringLiteral("activate");
    case Write::Unmaximize: return QStringLiteral("unmaximize");
    case Write::EnhancedUserInterface: return QStringLiteral("enhanced-ui");
    case Write::States: return QStringLiteral("states");
    }
    return QStringLiteral("?");
}

QString WriteRecord::toString() const
{
    QString value;
    switch (kind) {
    case Write::Position: value = fw::toString(position); break;
    case Write::Size: value = fw::toString(size); break;
    case Write::Frame: value = fw::toString(frame()); break;
    case Write::EnhancedUserInterface: value = flag ? QStringLiteral("on") : QStringLiteral("off"); break;
    case Write::States: value = (flag ? QStringLiteral("on ") : QStringLiteral("off ")) + QString::number(states); break;
    default: break;
    }
    QString s = writeKindName(kind);
    if (!value.isEmpty())
        s += QLatin1Char(' ') + value;
    s += QStringLiteral(" @%1ms").arg(formatNumber(toMilliseconds(time)));
    if (!accepted)
        s += QStringLiteral(" refused");
    return s;
}

// ---------------------------------------------------------------- mouse

bool SimMouse::start(std::function<void(const MouseEvent&)> handler)
{
    ++startCount_;
    if (!available_)
        return false;
    handler_ = std::move(handler);
    running_ = true;
    escapeWatched_ = false;
    return true;
}

void SimMouse::stop()
{
    running_ = false;
    escapeWatched_ = false;
    handler_ = nullptr;
}

std::optional<PointerState> SimMouse::pointerState()
{
    if (!running_)
        return std::nullopt;
    return PointerState{position_, leftDown_, modifiers_};
}

void SimMouse::releaseUnseen(Point p)
{
    position_ = p;
    leftDown_ = false;
}

bool SimMouse::inject(const MouseEvent& e)
{
    position_ = e.position;
    modifiers_ = e.modifiers;
    if (e.type == MouseEvent::Type::LeftDown)
        leftDown_ = true;
    else if (e.type == MouseEvent::Type::LeftUp)
        leftDown_ = false;
    if (!running_ || !handler_)
        return false;
    auto handler = handler_; // the handler may stop the monitor
    handler(e);
    return true;
}

// ---------------------------------------------------------------- desktop

SimDesktop::SimDesktop(VirtualClock& clock) : clock_(clock) {}

SimDesktop::~SimDesktop() = default;

void SimDesktop::schedule(Duration delay, std::function<void()> fn)
{
    // Timers outlive nothing: a desktop destroyed before they fire turns them into no-ops.
    clock_.callAfter(delay, std::weak_ptr<int>(alive_), std::move(fn));
}

// ---- screens

std::vector<ScreenInfo> SimDesktop::screens() const { return screens_; }

void SimDesktop::setChangeHandler(std::function<void()> handler) { screensChanged_ = std::move(handler); }

void SimDesktop::fireScreensChanged()
{
    if (screensChanged_) {
        auto handler = screensChanged_;
        handler();
    }
}

void SimDesktop::normaliseScreens()
{
    // There is always exactly one primary display while any exists, and it comes first.
    auto primary = std::find_if(screens_.begin(), screens_.end(), [](const ScreenInfo& s) { return s.primary; });
    if (primary == screens_.end()) {
        if (!screens_.empty())
            screens_.front().primary = true;
        return;
    }
    std::rotate(screens_.begin(), primary, primary + 1);
    for (std::size_t i = 1; i < screens_.size(); ++i)
        screens_[i].primary = false;
}

void SimDesktop::addScreen(const ScreenInfo& screen)
{
    auto it = std::find_if(screens_.begin(), screens_.end(), [&](const ScreenInfo& s) { return s.key == screen.key; });
    if (it != screens_.end()) {
        *it = screen;
    } else {
        screens_.push_back(screen);
        it = screens_.end() - 1;
    }
    if (screen.primary) {
        for (auto& s : screens_)
            s.primary = false;
        std::find_if(screens_.begin(), screens_.end(), [&](const ScreenInfo& s) { return s.key == screen.key; })->primary = true;
    }
    normaliseScreens();
    fireScreensChanged();
}

bool SimDesktop::removeScreen(const QString& key)
{
    const auto before = screens_.size();
    std::erase_if(screens_, [&](const ScreenInfo& s) { return s.key == key; });
    if (screens_.size() == before)
        return false;
    normaliseScreens();
    fireScreensChanged();
    return true;
}

bool SimDesktop::changeScreen(const QString& key, const ScreenInfo& screen)
{
    auto it = std::find_if(screens_.begin(), screens_.end(), [&](const ScreenInfo& s) { return s.key == key; });
    if (it == screens_.end())
        return false;
    const bool primary = screen.primary;
    *it = screen;
    if (primary) {
        const QString newKey = screen.key;
        for (auto& s : screens_)
            s.primary = s.key == newKey;
    }
    normaliseScreens();
    fireScreensChanged();
    return true;
}

void SimDesktop::setScreens(const std::vector<ScreenInfo>& screens)
{
    screens_ = screens;
    bool seenPrimary = false;
    for (auto& s : screens_) {
        if (s.primary && seenPrimary)
            s.primary = false;
        seenPrimary = seenPrimary || s.primary;
    }
    normaliseScreens();
    fireScreensChanged();
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
        AppSpec setup;
        setup.pid = pid;
        setup.name = QStringLiteral("App %1").arg(pid);
        it = apps_.emplace(pid, SimApp{setup, false}).first;
    }
    return it->second;
}

void SimDesktop::addApp(const AppSpec& setup)
{
    SimApp& a = ensureApp(setup.pid);
    a.setup = setup;
    if (a.setup.name.isEmpty())
        a.setup.name = QStringLiteral("App %1").arg(setup.pid);
    if (!a.setup.running)
        a.frontmost = false;
}

WindowId SimDesktop::addWindow(const WindowSpec& setupIn)
{
    WindowSpec setup = setupIn;
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
    w->setup.title = title;
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
        for (const auto& s : screens_) {
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

bool SimDesktop::setEnhancedUserInterfaceState(Pid pid, std::optional<bool> value, bool settable)
{
    SimApp* a = findApp(pid);
    if (!a)
        return false;
    a->setup.enhancedUserInterface = value;
    a->setup.enhancedUserInterfaceSettable = settable;
    return true;
}

// ---- faults

void SimDesktop::refuseWrites(WindowId id, const RefusalScript& script)
{
    auto& f = faults_[id];
    f.refusal = script;
    f.refusalMatches = 0;
}

void SimDesktop::applyLate(WindowId id, Duration delay)
{
    auto& f = faults_[id];
    f.late = delay > Duration::zero();
    f.lateDelay = delay;
}

void SimDesktop::driftAfterWrite(WindowId id, const Rect& to, Duration delay, int times)
{
    auto& f = faults_[id];
    f.driftTo = to;
    f.driftDelay = delay;
    f.driftTimes = times;
}

void SimDesktop::closeAt(WindowId id, Duration at)
{
    schedule(std::max(Duration::zero(), at - clock_.now()), [this, id] { closeWindow(id); });
}

void SimDesktop::closeAfter(WindowId id, Duration delay)
{
    schedule(delay, [this, id] { closeWindow(id); });
}

void SimDesktop::closeOnNextWrite(WindowId id) { faults_[id].closeOnWrite = true; }

WindowId SimDesktop::launchLate(const AppSpec& appSpec, const WindowSpec& windowSpec, Duration delay)
{
    WindowSpec setup = windowSpec;
    setup.pid = appSpec.pid;
    setup.front = true;
    if (setup.id == 0)
        setup.id = nextId_++;
    else
        nextId_ = std::max(nextId_, setup.id + 1);
    if (!findApp(appSpec.pid)) {
        AppSpec notYet = appSpec;
        notYet.running = false;
        addApp(notYet);
    }
    schedule(delay, [this, appSpec, setup] {
        AppSpec running = appSpec;
        running.running = true;
        addApp(running);
        addWindow(setup);
        setFocus(setup.id);
    });
    return setup.id;
}

void SimDesktop::setWriteLatency(WindowId id, Duration latency) { faults_[id].latency = latency; }

// ---- write log

std::vector<WriteRecord> SimDesktop::writesFor(WindowId id) const
{
    std::vector<WriteRecord> out;
    std::copy_if(writes_.begin(), writes_.end(), std::back_inserter(out), [id](const WriteRecord& r) { return r.window == id; });
    return out;
}

std::vector<WriteRecord> SimDesktop::writesOf(std::uint32_t kinds) const
{
    std::vector<WriteRecord> out;
    std::copy_if(writes_.begin(), writes_.end(), std::back_inserter(out), [kinds](const WriteRecord& r) { return (r.kind & kinds) != 0; });
    return out;
}

void SimDesktop::spendLatency(WindowId id)
{
    auto f = faults_.find(id);
    if (f != faults_.end() && f->second.latency > Duration::zero() && find(id))
        clock_.elapse(f->second.latency);
}

// Common part of every window write: runs the scripted faults that decide whether it fails,
// then logs it. `w` is the live window when the write may go on.
bool SimDesktop::beginWrite(WriteRecord record, SimWindow*& w)
{
    w = find(record.window);
    if (w)
        record.pid = w->setup.pid;
    auto f = faults_.find(record.window);
    bool ok = w != nullptr;
    if (ok && f != faults_.end()) {
        Faults& faults = f->second;
        if (faults.closeOnWrite) {
            faults.closeOnWrite = false;
            removeWindow(record.window);
            w = nullptr;
            ok = false;
        } else if (faults.refusal && (faults.refusal->kinds & record.kind)) {
            const int n = ++faults.refusalMatches;
            const RefusalScript& s = *faults.refusal;
            if (n > s.skip && (s.count < 0 || n - s.skip <= s.count))
                ok = false;
        }
    }
    record.accepted = ok;
    writes_.push_back(record);
    return ok;
}

bool SimDesktop::windowWrite(WriteKind kind, WindowId id, SimWindow*& w)
{
    WriteRecord r;
    r.kind = kind;
    r.window = id;
    r.time = clock_.now();
    spendLatency(id);
    return beginWrite(r, w);
}

bool SimDesktop::writeGeometry(WriteKind kind, WindowId id, std::optional<Point> pos, std::optional<Size> size)
{
    WriteRecord r;
    r.kind = kind;
    r.window = id;
    r.time = clock_.now();
    if (pos)
        r.position = *pos;
    if (size)
        r.size = *size;
    spendLatency(id);

    SimWindow* w = find(id);
    // Values no window can have, and changes the window manager does not allow, are refused
    // before any scripted fault sees them.
    bool allowed = (!pos || finite(*pos)) && (!size || finite(*size));
    if (w && allowed) {
        const bool moves = pos && *pos != w->frame.origin;
        const bool resizes = size && *size != w->frame.size;
        allowed = !(moves && !w->setup.movable) && !(resizes && !w->setup.resizable);
    }
    if (!allowed) {
        r.pid = w ? w->setup.pid : 0;
        r.accepted = false;
        writes_.push_back(r);
        return false;
    }
    if (!beginWrite(r, w))
        return false;
    // A maximized or full-screen window keeps its frame until it leaves that state; the
    // write itself succeeds, as a window manager's would, and the read-back tells the truth.
    if (w->setup.maximized || w->setup.fullscreen)
        return true;

    const Faults* f = faults_.contains(id) ? &faults_[id] : nullptr;
    if (f && f->late)
        schedule(f->lateDelay, [this, id, pos, size] { applyGeometry(id, pos, size); });
    else
        applyGeometry(id, pos, size);
    armDrift(id);
    return true;
}

void SimDesktop::applyGeometry(WindowId id, std::optional<Point> pos, std::optional<Size> size)
{
    SimWindow* w = find(id);
    if (!w)
        return;
    if (pos)
        w->frame.origin = *pos;
    if (size)
        w->frame.size = constrainedSize(*size, w->setup.hints);
}

void SimDesktop::armDrift(WindowId id)
{
    auto it = faults_.find(id);
    if (it == faults_.end() || !it->second.driftTo || it->second.driftTimes == 0)
        return;
    Faults& f = it->second;
    if (f.driftTimer)
        clock_.cancel(f.driftTimer);
    std::weak_ptr<int> alive = alive_;
    f.driftTimer = clock_.schedule(f.driftDelay, [this, alive, id] {
        if (alive.expired())
            return;
        auto fi = faults_.find(id);
        if (fi == faults_.end())
            return;
        fi->second.driftTimer = 0;
        if (fi->second.driftTimes > 0)
            --fi->second.driftTimes;
        if (SimWindow* w = find(id); w && fi->second.driftTo)
            w->frame = *fi->second.driftTo;
    });
}

Size SimDesktop::constrainedSize(Size requested, const SizeHints& hints)
{
    return constrainedToHints(requested, hints);
}

// ---- WindowSystem

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

bool SimDesktop::setPosition(WindowId id, Point topLeft)
{
    return writeGeometry(Write::Position, id, topLeft, std::nullopt);
}

bool SimDesktop::setSize(WindowId id, Size size) { return writeGeometry(Write::Size, id, std::nullopt, size); }

bool SimDesktop::setFrame(WindowId id, const Rect& frame)
{
    return writeGeometry(Write::Frame, id, frame.origin, frame.size);
}

bool SimDesktop::unmaximize(WindowId id)
{
    SimWindow* w = nullptr;
    if (!windowWrite(Write::Unmaximize, id, w))
        return false;
    setMaximized(id, false);
    return true;
}

bool SimDesktop::raise(WindowId id)
{
    SimWindow* w = nullptr;
    if (!windowWrite(Write::Raise, id, w))
        return false;
    toFront(id);
    return true;
}

bool SimDesktop::activate(WindowId id)
{
    SimWindow* w = nullptr;
    if (!windowWrite(Write::Activate, id, w))
        return false;
    // The window comes forward at once; the focus, and with it the frontmost application,
    // changes on the next turn of the loop, as the window manager's answer arrives on X11.
    // That answer raises nothing again: a window raised over it meanwhile stays in front.
    w->setup.minimized = false;
    toFront(id);
    schedule(Duration::zero(), [this, id] {
        const SimWindow* later = find(id);
        if (!later)
            return;
        focused_ = id;
        setFrontmostApp(later->setup.pid);
    });
    return true;
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

std::optional<bool> SimDesktop::enhancedUserInterface(Pid pid)
{
    ++reads_;
    const SimApp* a = findApp(pid);
    if (!a || !a->setup.running)
        return std::nullopt;
    return a->setup.enhancedUserInterface;
}

bool SimDesktop::setEnhancedUserInterface(Pid pid, bool on)
{
    WriteRecord r;
    r.kind = Write::EnhancedUserInterface;
    r.pid = pid;
    r.flag = on;
    r.time = clock_.now();
    SimApp* a = findApp(pid);
    r.accepted = a && a->setup.running && a->setup.enhancedUserInterface && a->setup.enhancedUserInterfaceSettable;
    writes_.push_back(r);
    if (r.accepted)
        a->setup.enhancedUserInterface = on;
    return r.accepted;
}

// ---- Permissions

bool SimDesktop::windowControlGranted(bool prompt)
{
    if (prompt && !controlGranted_)
        ++prompts_;
    return controlGranted_;
}

bool SimDesktop::resetWindowControl()
{
    ++resets_;
    return resetAvailable_;
}

bool SimDesktop::openSettings(const QString& pane)
{
    openedSettings_.push_back(pane);
    return settingsAvailable_;
}

} // namespace fw::sim
