// The write path of the simulated desktop: the writes the code under test makes (geometry,
// raising, activation, unmaximizing, an application's frame animation), the rules the window
// manager enforces on them, the scripted faults that disturb them (refusals, late application,
// drift, closing, latency, late launches) and the log that records each with its virtual time.
#include "platform/sim/SimDesktop.h"

#include <algorithm>
#include <cmath>

namespace fw::sim {

namespace {

bool finite(Point p) { return std::isfinite(p.x) && std::isfinite(p.y); }
bool finite(Size s) { return std::isfinite(s.width) && std::isfinite(s.height); }

} // namespace

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

WindowId SimDesktop::launchLate(const AppSetup& appSetup, const WindowSetup& windowSetup, Duration delay)
{
    WindowSetup setup = windowSetup;
    setup.pid = appSetup.pid;
    setup.front = true;
    if (setup.id == 0)
        setup.id = nextId_++;
    else
        nextId_ = std::max(nextId_, setup.id + 1);
    if (!findApp(appSetup.pid)) {
        AppSetup notYet = appSetup;
        notYet.running = false;
        addApp(notYet);
    }
    schedule(delay, [this, appSetup, setup] {
        AppSetup running = appSetup;
        running.running = true;
        addApp(running);
        addWindow(setup);
        setFocus(setup.id);
    });
    return setup.id;
}

void SimDesktop::setWriteLatency(WindowId id, Duration latency) { faults_[id].latency = latency; }

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
    log_.add(record);
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
        log_.add(r);
        return false;
    }
    if (!beginWrite(r, w))
        return false;
    // A maximized or full-screen window keeps its frame until it leaves that state; the
    // write itself succeeds, as a window manager's would, and the read-back tells the truth.
    if (w->setup.maximized || w->setup.fullscreen)
        return true;

    const Faults* f = faults_.contains(id) ? &faults_[id] : nullptr;
    if (clock_.now() < managerStoppedUntil_) {
        ++heldWrites_;
        schedule(managerStoppedUntil_ - clock_.now(), [this, id, pos, size] {
            --heldWrites_;
            applyGeometry(id, pos, size);
        });
    } else if (f && f->late)
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

// ---- writes

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

bool SimDesktop::setFrameAnimation(Pid pid, bool on)
{
    WriteRecord r;
    r.kind = Write::FrameAnimation;
    r.pid = pid;
    r.flag = on;
    r.time = clock_.now();
    SimApp* a = findApp(pid);
    r.accepted = a && a->setup.running && a->setup.frameAnimation && a->setup.frameAnimationSettable;
    log_.add(r);
    if (r.accepted)
        a->setup.frameAnimation = on;
    return r.accepted;
}

} // namespace fw::sim
