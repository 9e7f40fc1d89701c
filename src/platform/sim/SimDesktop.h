#pragma once
// An in-memory desktop on a virtual clock, for scenario tests: applications and windows behind
// the WindowSystem, Processes and ApplicationActivations ports, with its screens (SimScreens),
// permissions (SimPermissions) and a mouse monitor that tests drive by hand (SimMouse). Writes
// follow the rules a window manager enforces
// (minimum and maximum size, size increments from the base size), are recorded with their
// virtual time, and can be disturbed by scripted faults: refusals, late application, a stopped
// window manager, drift, closing, late launches.
//
//   VirtualClock clock;
//   sim::SimDesktop sim(clock);
//   sim.addScreen({.key = "A", .name = "Left", .frame = {0, 0, 1920, 1080}, ...});
//   WindowId w = sim.addWindow({.pid = 100, .title = "Notes", .frame = {10, 10, 800, 600}});
//   sim.refuseWrites(w, {.kinds = sim::Write::Position, .skip = 2});
//   ... run the code under test on `sim` (a WindowSystem&) ...
//   EXPECT_EQ(sim.writesFor(w).size(), 3);

#include "base/Clock.h"
#include "platform/ApplicationActivations.h"
#include "platform/IdleInhibitors.h"
#include "platform/Processes.h"
#include "platform/WindowSystem.h"
#include "platform/sim/SimMouse.h"
#include "platform/sim/SimPermissions.h"
#include "platform/sim/SimScreens.h"
#include "platform/sim/SimWriteLog.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace fw::sim {

struct AppSetup {
    Pid pid = 0;
    QString name;            // empty: "App <pid>"
    bool running = true;
    // Frame-animation switch: absent = unreadable.
    std::optional<bool> frameAnimation;
    bool frameAnimationSettable = true;
};

struct WindowSetup {
    WindowId id = 0;         // 0: the desktop picks one
    Pid pid = 0;             // its application is created when unknown
    QString title;
    QString appClass;        // empty: the application's name
    Rect frame;
    SizeHints hints;         // minimum / maximum / increment / base, on the outer frame
    int layer = 0;
    bool normal = true;
    bool minimized = false;
    bool fullscreen = false;
    bool maximized = false;
    bool shaded = false;     // rolled up: reads show its title bar (or 24 pixels) only
    double titleBar = 0;     // height of the title bar drawn for it; 0: none
    bool movable = true;
    bool resizable = true;
    bool front = true;       // on top of the stack (false: at the back)
};

struct SimWindow {
    WindowSetup setup;         // id, pid, title, hints and flags as they are now
    Rect frame;              // unrolled when shaded: writes change it, reads show it rolled up
    Rect restoreFrame;       // frame before maximizing

    // The frame reads show: only the title bar of a shaded window.
    Rect shown() const;
};

struct SimApp {
    AppSetup setup;
    bool frontmost = false;
};

// Scripted refusal: matching writes return false and change nothing.
struct RefusalScript {
    std::uint32_t kinds = Write::Geometry;
    int skip = 0;            // matching writes that still go through first
    int count = -1;          // refusals, then the window behaves again; -1 = for ever
};

class SimDesktop final : public SimScreens, public WindowSystem, public SimPermissions, public Processes,
                         public IdleInhibitors, public ApplicationActivations {
public:
    explicit SimDesktop(VirtualClock& clock);
    ~SimDesktop() override;
    SimDesktop(const SimDesktop&) = delete;
    SimDesktop& operator=(const SimDesktop&) = delete;

    VirtualClock& clock() { return clock_; }
    SimMouse& mouse() { return mouse_; }

    // ---- Applications and windows (set-up and outside changes; never logged as writes)
    void addApp(const AppSetup& app);
    // Creates the window (and its application when unknown); returns its id.
    WindowId addWindow(const WindowSetup& setup);
    // The window closes now: reads give nothing, writes fail.
    bool closeWindow(WindowId id);
    // The application quits: its windows close and it stops running.
    bool quitApp(Pid pid);
    // Outside changes (the user or the application itself).
    bool place(WindowId id, const Rect& frame);
    bool setTitle(WindowId id, const QString& title);
    bool setSizeHints(WindowId id, const SizeHints& hints);
    bool setMinimized(WindowId id, bool minimized);
    bool setFullscreen(WindowId id, bool fullscreen);
    // Maximizing fills the visible frame of the window's screen; leaving it restores the frame.
    bool setMaximized(WindowId id, bool maximized);
    // Shading rolls the window up to its title bar; geometry writes still change the frame it
    // unrolls to (as xfwm4, icewm and fluxbox take them), reads show it rolled up.
    bool setShaded(WindowId id, bool shaded);
    bool setMovable(WindowId id, bool movable);
    bool setResizable(WindowId id, bool resizable);
    bool setFocus(WindowId id);     // focuses and raises, as a click would
    void setFrontmostApp(Pid pid);  // 0: none

    const SimWindow* window(WindowId id) const;
    const SimApp* app(Pid pid) const;
    // Window ids front to back, minimized and off-screen windows included.
    const std::vector<WindowId>& stacking() const { return stacking_; }
    bool exists(WindowId id) const { return window(id) != nullptr; }

    // ---- Scripted faults (all in virtual time)
    void refuseWrites(WindowId id, const RefusalScript& script = {});
    // Geometry writes return true, but each takes effect only `delay` after it was made.
    void applyLate(WindowId id, Duration delay);
    // State changes return true, but each shows only `delay` after it was asked (a window
    // manager on a loaded machine); kNever: none ever shows.
    static constexpr Duration kNever = Duration::max();
    void answerStatesLate(WindowId id, Duration delay) { faults_[id].statesDelay = delay; }
    // The window manager stops for `length` (as under SIGSTOP): every geometry write made
    // meanwhile returns (its bounded wait ended) and takes effect, in order, once it goes on;
    // writesPending() says so until then.
    void stopManager(Duration length) { managerStoppedUntil_ = clock_.now() + length; }
    // `delay` after the window's last accepted geometry write, it moves to `to` (again after
    // each write while writes keep coming). `times` drifts, then it stays put.
    void driftAfterWrite(WindowId id, const Rect& to, Duration delay, int times = 1);
    void closeAt(WindowId id, Duration at);           // absolute virtual time
    void closeAfter(WindowId id, Duration delay);
    // The next write of any kind closes the window and fails.
    void closeOnNextWrite(WindowId id);
    // The application starts `delay` from now: then it runs, its window appears on top and it
    // becomes frontmost with the window focused. Returns the window's id (unreadable until then).
    WindowId launchLate(const AppSetup& app, const WindowSetup& window, Duration delay);
    // Every write on the window makes virtual time pass (a slow application). Timers that
    // fall due meanwhile run after the write, as they would on a busy main thread.
    void setWriteLatency(WindowId id, Duration latency);

    // ---- Write log and read counters
    const std::vector<WriteRecord>& writes() const { return log_.all(); }
    std::vector<WriteRecord> writesFor(WindowId id) const { return log_.of(id); }
    std::vector<WriteRecord> writesOf(std::uint32_t kinds) const { return log_.ofKinds(kinds); }
    void clearWrites() { log_.clear(); }
    // Port reads of windows (frame, title, pid, hints and the state queries).
    int readCount() const { return reads_; }
    int frameReadCount() const { return frameReads_; }
    int snapshotCount() const { return snapshots_; }
    void resetCounters() { reads_ = frameReads_ = snapshots_ = 0; }

    // ---- WindowSystem
    std::vector<WindowInfo> snapshot() override;
    std::optional<Rect> frame(WindowId id) override;
    std::optional<double> titleBarHeight(WindowId id) override;
    std::optional<QString> title(WindowId id) override;
    std::optional<Pid> pid(WindowId id) override;
    std::optional<SizeHints> sizeHints(WindowId id) override;
    bool isMinimized(WindowId id) override;
    bool isFullscreen(WindowId id) override;
    bool isMovable(WindowId id) override;
    bool isResizable(WindowId id) override;
    bool setPosition(WindowId id, Point topLeft) override;
    bool setSize(WindowId id, Size size) override;
    bool setFrame(WindowId id, const Rect& frame) override;
    bool writesPending() override { return heldWrites_ > 0; }
    bool unmaximize(WindowId id) override;
    // Maximized is both ways or neither here; a change of either way changes both.
    std::optional<WindowStates> windowStates(WindowId id) override;
    std::optional<FrameAndStates> frameAndStates(WindowId id) override;
    bool changeWindowStates(WindowId id, WindowStates states, bool on) override;
    bool raise(WindowId id) override;
    bool activate(WindowId id) override;
    std::optional<WindowId> focusedWindow() override;
    std::optional<Pid> frontmostPid() override;
    std::optional<WindowId> windowAt(Point p) override;

    std::optional<WindowInfo> windowInfo(WindowId id) override;
    // Nothing when the application is gone or its flag is unreadable; writing fails then, and
    // when the flag is not settable.
    std::optional<bool> frameAnimation(Pid pid) override;
    bool setFrameAnimation(Pid pid, bool on) override;

    // ---- Processes: an application runs until it quits.
    bool isRunning(Pid pid) const override;

    // ---- IdleInhibitors
    bool otherAppKeepsDisplayAwake() override { return displayKeptAwake_; }
    // Another application starts or stops holding the display awake (a video plays).
    void setDisplayKeptAwake(bool awake) { displayKeptAwake_ = awake; }

    // ---- ApplicationActivations: a change of the frontmost application is told on the next
    // turn of the loop.
    void setActivationHandler(std::function<void()> handler) override { activated_ = std::move(handler); }
    bool hasActivationHandler() const { return bool(activated_); }
    // A title changed by setTitle on a watched window is told on the next turn of the loop, as
    // the server's PropertyNotify arrives after the change.
    void setTitleHandler(std::function<void()> handler) override { titleChanged_ = std::move(handler); }
    void watchTitles(const std::vector<WindowId>& windows) override { titled_ = {windows.begin(), windows.end()}; }
    const std::set<WindowId>& watchedTitles() const { return titled_; }

    // The size the window manager gives a window that asks for `requested`.
    static Size constrainedSize(Size requested, const SizeHints& hints);

private:
    struct Faults {
        std::optional<RefusalScript> refusal;
        int refusalMatches = 0;
        Duration lateDelay{0};
        bool late = false;
        std::optional<Rect> driftTo;
        Duration driftDelay{0};
        int driftTimes = 0;
        TimerId driftTimer = 0;
        bool closeOnWrite = false;
        Duration latency{0};
        Duration statesDelay{0};
    };

    SimWindow* find(WindowId id);
    static WindowStates statesOf(const SimWindow& w);
    WindowInfo infoOf(const SimWindow& w) const;
    SimApp* findApp(Pid pid);
    SimApp& ensureApp(Pid pid);
    void toFront(WindowId id);
    // Applies the faults to a write and logs it; false when the write must fail.
    bool beginWrite(WriteRecord record, SimWindow*& w);
    bool windowWrite(WriteKind kind, WindowId id, SimWindow*& w);
    void spendLatency(WindowId id);
    bool writeGeometry(WriteKind kind, WindowId id, std::optional<Point> pos, std::optional<Size> size);
    void applyGeometry(WindowId id, std::optional<Point> pos, std::optional<Size> size);
    void armDrift(WindowId id);
    void removeWindow(WindowId id);
    void schedule(Duration delay, std::function<void()> fn);

    VirtualClock& clock_;
    SimMouse mouse_;
    std::function<void()> activated_;
    std::function<void()> titleChanged_;
    std::set<WindowId> titled_;
    std::map<Pid, SimApp> apps_;
    std::map<WindowId, SimWindow> windows_;
    std::map<WindowId, Faults> faults_;
    std::vector<WindowId> stacking_;   // front to back
    std::optional<WindowId> focused_;
    WindowId nextId_ = 0x400001;
    WriteLog log_;
    Duration managerStoppedUntil_{0};
    int heldWrites_ = 0;   // geometry writes the stopped window manager has not handled yet
    int reads_ = 0;
    int frameReads_ = 0;
    int snapshots_ = 0;
    bool displayKeptAwake_ = false;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

} // namespace fw::sim
