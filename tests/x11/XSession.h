#pragma once
// A private X session for one test: its own Xvfb (display chosen by the server through
// -displayfd), optionally a window manager (the one FRAMEWELL_TEST_WM names: openbox, xfwm4,
// icewm, fluxbox, metacity, pekwm or evilwm; openbox by default; kwin where installed, never in
// the default matrix; mutter, muffin, jwm, i3, lwm, dwm and twm for the tests of their habits) and xcompmgr, its own HOME and XDG_* directories in a temp dir, and helpers
// to start clients, wait for windows and frames, drive the pointer through XTest and split the
// screen into two monitors. Everything started here is ended here, by pid.
//
//   fw::test::XSession session;
//   ASSERT_TRUE(session.ok()) << session.error();
//   auto term = session.startXterm("one");
//   ASSERT_TRUE(term.window) << session.error();
//
// Waits never sleep for a fixed time: they wake on X events (or a short poll) and end at a
// deadline. A session is ready once its window manager names itself on its check window,
// answers, and has managed a probe client (herbstluftwm: once its start-up script has run);
// a manager's key bindings are its own package's or written here, never ones another package
// adds (icewm binds the programs it finds installed). When the server or the window manager
// cannot start, ok() is false and error() says why; tests assert on it so that a broken
// machine fails loudly.
//
// FRAMEWELL_TEST_WM_STALLS="PAUSE/EVERY" (milliseconds) stops the window manager for up to
// PAUSE at random moments, about once every EVERY, as a loaded machine deschedules it: a test
// that still passes under it waits on the window manager's answers, not on its speed.

#include "base/Geometry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <ostream>
#include <sched.h>
#include <string>
#include <sys/types.h>
#include <vector>

class QApplication;

namespace fw::test {

class WindowManagerStalls;

struct XSessionOptions {
    int width = 1920;
    int height = 1080;
    bool windowManager = true;   // the one XSession::testWindowManager() names
    bool compositor = false;     // xcompmgr
    QStringList serverArguments; // more Xvfb arguments, e.g. {"-extension", "Composite"}
    QString windowManagerName;   // overrides testWindowManager() when not empty
    bool bareDesktop = false;    // no compositing at all: metacity's own compositor off too
    bool twoMonitors = false;    // split into two monitors before the window manager starts
    bool stockKeys = false;      // the manager's key bindings as it ships (pekwm's take some of ours)
    // The focus follows the pointer where the window manager offers it, as its user sets it:
    // openbox's followMouse, pekwm's stock mouse file (sloppy focus), fluxbox's MouseFocus
    // (evilwm knows no other way); the others keep a click to focus.
    bool focusFollowsMouse = false;
};

class XSession {
public:
    explicit XSession(const XSessionOptions& options = {});
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    bool ok() const { return error_.isEmpty(); }
    std::string error() const { return error_.toStdString(); }
    QByteArray display() const { return display_; }   // e.g. ":7"
    QString directory() const { return dir_; }
    xcb_connection_t* connection() const { return c_; }
    xcb_window_t root() const { return root_; }
    pid_t serverPid() const { return serverPid_; }
    pid_t windowManagerPid() const { return wmPid_; }
    // Whether a program (a window manager a test starts itself) is installed.
    static bool installed(const QString& program);
    // The window manager the tests run under: FRAMEWELL_TEST_WM, else "openbox".
    static QString testWindowManager();
    // Why a test of a window manager outside the matrix, which starts that manager itself, does
    // not run here: it runs once, in the default run, where the manager is installed. Nothing
    // when it runs.
    static std::optional<std::string> outsideMatrixSkip(const QString& manager);
    // Why a case that adds nothing under the other managers of the matrix does not run here:
    // `why` says why no window manager plays a part in what it adds (a compositor's drawing, a
    // scale between two that run, a test that starts no manager). Every case runs under
    // openbox, the default run. Nothing when it runs.
    static std::optional<std::string> defaultRunOnlySkip(const std::string& why);
    // Runs a script through KWin's scripting interface on the session's bus (as its own
    // shortcuts run, with no shortcut service in between); false when KWin did not take it.
    bool runKwinScript(const QByteArray& script);
    // For the photographs taken for review (FRAMEWELL_SHOTS_DIR): FRAMEWELL_SHOTS_COMPOSITOR
    // "on" or "off" asks for them with or without a compositor; nothing when unset.
    static std::optional<bool> shotsCompositor();
    // The one running here ("openbox", "xfwm4", …); empty without a window manager.
    QString windowManager() const { return wmName_; }
    // Whether the window manager draws title bars to drag windows by (evilwm draws none: its
    // windows move by Alt+drag anywhere inside them).
    bool titleBars() const { return wmName_ != QLatin1String("evilwm"); }
    // Whether the window manager's focus follows the pointer.
    bool focusFollowsMouse() const { return followsMouse_; }

    // --- processes -------------------------------------------------------------------------
    // Starts a program with the session's environment; its output goes to a log file in the
    // session directory. 0 when it cannot start (error() says why).
    pid_t spawn(const QStringList& argv);
    // Runs a program to its end; its exit status, or -1 when it failed or took too long.
    int run(const QStringList& argv, int timeoutMs = 5000);
    // SIGTERM, then SIGKILL when it has not ended within 2 s. Only for pids started here.
    bool stop(pid_t pid);
    // Waits for a process started here to end on its own: its exit status, or nothing when it
    // is still running at the deadline (it keeps running) or ended by a signal.
    std::optional<int> waitForExit(pid_t pid, int timeoutMs = 5000);
    // SIGTERM only: the exit status once it ended by itself, or nothing (then it is killed).
    std::optional<int> terminate(pid_t pid, int timeoutMs = 5000);
    // Stops and restarts a process without ending it (SIGSTOP / SIGCONT).
    bool pause(pid_t pid);
    bool resume(pid_t pid);
    // As a slow machine runs the session: everything started here, every thread of this
    // process (and so whatever is started from now on) on two cores of this machine, beside
    // `loops` busy loops started here on the same two. The loops end with the session, and this
    // process's threads are given back the cores they had. One session of a run at a time is
    // crowded (the others wait their turn here). A process held to two cores or fewer is run
    // as it is: the run's other tests are its busy neighbours. False when the cores were refused.
    bool crowdOntoTwoCores(int loops = 2);
    // Why a case on free cores does not run here: this process is held to two cores or fewer,
    // where its twin on two busy cores crowds nothing more and so runs the same steps under the
    // same load. Nothing when it runs.
    static std::optional<std::string> freeCoresSkip();

    // --- clients ---------------------------------------------------------------------------
    struct Client {
        pid_t pid = 0;
        xcb_window_t window = XCB_NONE;   // the client window, once managed and mapped
    };
    Client startXterm(const QString& title, const QStringList& extra = {});
    // Our small client; `flags` as its command line takes them (see client/TestClient.cpp).
    Client startTestClient(const QString& title, const QStringList& flags = {});
    static QString testClientPath();

    // --- waiting ---------------------------------------------------------------------------
    // Re-checks the condition on every X event of the root window (and every few ms, handling
    // pending Qt events when a Qt application exists) until it holds or the time is up.
    bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000);
    // A mapped top-level window with this title (and, when pid != 0, this _NET_WM_PID or none),
    // managed by the WM when one runs. XCB_NONE when none appeared in time.
    xcb_window_t waitForWindow(const QString& title, pid_t pid = 0, int timeoutMs = 5000);
    // Returns once the WM has handled everything sent to the server before: it passes on a
    // configure request for an unmanaged window of ours in order, as every WM must. False
    // without a WM or when it did not answer in time; while a button is held, also at once
    // after one unanswered sync (pekwm handles nothing else while it moves a window).
    bool syncWithWindowManager(int timeoutMs = 2000);
    // Asks the WM to activate a client, as a pager does (new windows are not focused by every
    // WM at every moment: xfwm4 still starting up leaves them alone), and waits until it is the
    // active window with the input focus. False when that did not happen in time.
    bool activate(xcb_window_t client, int timeoutMs = 5000);
    // Asks the WM to keep a client above the others (_NET_WM_STATE_ABOVE), as a taskbar's
    // "Always on Top" does, and waits until its state says so. False when it did not in time.
    bool keepAbove(xcb_window_t client, int timeoutMs = 5000);
    // Waits for a client message of this type about this window, sent to the root window
    // (as pagers and we send EWMH requests). Other events read meanwhile are dropped.
    bool waitForRootMessage(const char* type, xcb_window_t window, int timeoutMs = 5000);
    // Waits until the WM frame of a client differs from `from`; the new frame or nothing.
    std::optional<Rect> waitForFrameChange(xcb_window_t client, const Rect& from, int timeoutMs = 2000);

    // --- reading, independent of the adapters under test -----------------------------------
    // The visible WM frame of a client: its rectangle in root coordinates grown by the
    // _NET_FRAME_EXTENTS the WM states, checked to lie within the WM's top-level window (which
    // can be larger: metacity's has invisible resize borders). Without extents, the top-level
    // window's outer geometry, border included.
    std::optional<Rect> wmFrame(xcb_window_t client);
    // The WM's _NET_FRAME_EXTENTS of a client (left, right, top, bottom); under a WM that states
    // none (pekwm), how far its frame reaches past the client; nothing when unset.
    struct Extents {
        int left = 0, right = 0, top = 0, bottom = 0;
    };
    std::optional<Extents> frameExtents(xcb_window_t client);
    xcb_window_t topLevelOf(xcb_window_t client);
    // The window and its descendants down to `depth` levels that have WM_STATE (managed clients).
    std::vector<xcb_window_t> withWmState(xcb_window_t w, int depth);
    std::vector<xcb_window_t> rootChildren();   // bottom to top
    // The highest viewable child of the root that is the top-level window (WM frame) of a
    // client the WM lists; WM frames may be override-redirect (icewm's are). Without a
    // client list, the highest viewable window that is not override-redirect.
    xcb_window_t topmostMapped();
    xcb_window_t inputFocus();
    // The root's child the server has under the pointer (a WM frame, an unmanaged window):
    // what a press there reaches first. XCB_NONE over the bare root.
    xcb_window_t topLevelUnderPointer();
    xcb_window_t activeWindow();
    QString windowTitle(xcb_window_t w);
    // The names of the atoms in a window's ATOM list property (e.g. "_NET_WM_STATE").
    QStringList atomNames(xcb_window_t w, const char* property);
    bool exists(xcb_window_t w);
    // Mapped with every ancestor mapped (the server's viewable state).
    bool isViewable(xcb_window_t w);
    // Viewable with the server's input focus in its top-level window: where a key pressed now
    // goes (a toolkit may count a window focused once the manager names it active, before its
    // frame is mapped: fluxbox).
    bool hasKeyboard(xcb_window_t w);
    // Where the server has the window's top-left corner, in root coordinates.
    std::optional<Point> rootPosition(xcb_window_t w);
    // The WM's work area of the first desktop (_NET_WORKAREA); nothing when unset.
    std::optional<Rect> workArea();
    // Client-side size of the window (inside its border).
    std::optional<Size> clientSize(xcb_window_t w);
    // The steps a client sizes in and the size they count from, as its WM_NORMAL_HINTS state
    // them (the base size is the minimum size where none is given); nothing without steps.
    struct SizeSteps {
        Size increment, base;
    };
    std::optional<SizeSteps> sizeSteps(xcb_window_t w);

    // --- input through XTest ---------------------------------------------------------------
    void warpPointer(int x, int y);          // a warp: makes no raw motion events
    void moveRelative(int dx, int dy);       // relative: makes raw motion events
    void pressButton(int button);
    void releaseButton(int button);
    std::optional<Point> pointer();
    // Presses on the middle of the client's title bar, moves by (dx, dy) in `steps` relative
    // steps, syncing with the WM after each (openbox starts moving on the second), then releases. The
    // callback runs after the press (step -1) and after each step. The frames after each step.
    std::vector<Rect> dragTitleBar(xcb_window_t client, int dx, int dy, int steps,
                                   const std::function<void(int)>& afterStep = {});

    // --- displays --------------------------------------------------------------------------
    // Splits the screen (at least 3200×1080) into LEFT 1920×1080 at 0,0 (on the server's only
    // output) and RIGHT 1280×1024 at 1920,0 (no output), as xrandr --setmonitor does.
    bool splitIntoTwoMonitors();
    // Merges lines into the server's resources (xrdb -merge), as a desktop sets Xft.dpi.
    bool mergeResources(const QByteArray& lines);
    // Starts xcompmgr, unless the WM composites itself.
    bool startCompositor();
    // Whether a compositing manager holds _NET_WM_CM_S0.
    bool compositing();
    // Whether some client paints new top-level windows itself, as a compositing manager that
    // blends does once it has taken over the screen (xcompmgr -a never does).
    bool compositorPaints();

    // Environment handed to every program started here.
    const std::vector<QByteArray>& environment() const { return env_; }
    // Adds NAME=value to it, for the programs started from now on.
    void addEnvironment(const QByteArray& assignment) { env_.push_back(assignment); }
    // The session's private D-Bus address, starting its bus first when the window manager
    // brought none; empty when it could not start (error() says why).
    QString sessionBus();
    // A client message about the client to the root window, as pagers and taskbars send EWMH
    // requests (and ICCCM's iconify request).
    void sendRootMessage(xcb_window_t client, const char* type, std::initializer_list<std::uint32_t> data);

private:
    bool start(const XSessionOptions& o);
    bool startWindowManager(const QString& name, bool bare, bool stockKeys);
    bool windowManagerReady(bool checkWindow, const QStringList& readyWhen, bool* exited);
    bool managesProbeClient(int timeoutMs);
    bool startSessionBus();
    void fail(const QString& why);
    QString logTail(const QString& name) const;
    // Whether a process started here still runs, or how it ended, and the end of its log.
    QString processReport(pid_t pid, const QString& logName);
    // The windows of a title, each with its parent, map state, WM_STATE and whether listed.
    QString describeWindows(const QString& title);
    void sync();

    QString error_;
    QString dir_;
    QByteArray display_;
    std::vector<QByteArray> env_;
    xcb_connection_t* c_ = nullptr;
    xcb_window_t root_ = XCB_NONE;
    // Sends the window manager a configure request of the probe, answered by nothing waited for.
    void askWindowManager();
    // The same at most every 250 ms of a wait (`askedAt`: when it last asked).
    void nudgeWindowManager(std::int64_t& askedAt);
    xcb_window_t probe_ = XCB_NONE;
    pid_t serverPid_ = 0, wmPid_ = 0;
    QString wmName_;
    std::uint32_t probeWidth_ = 1;
    int buttonsHeld_ = 0;            // pressed through XTest and not yet released
    bool silentWhileHeld_ = false;   // the WM did not answer a sync while one was held
    bool followsMouse_ = false;      // the WM's focus follows the pointer
    std::vector<pid_t> started_;
    std::optional<cpu_set_t> ownCores_; // this process's cores before crowdOntoTwoCores()
    int coresLock_ = -1;                // held while crowded: one crowded session at a time
    int spawned_ = 0;
    std::unique_ptr<WindowManagerStalls> stalls_;
};

// A Qt application (widgets) connected to the session's display through the xcb platform.
// Sets DISPLAY, QT_QPA_PLATFORM and XDG_RUNTIME_DIR for the process while it lives and restores them after.
// One at a time per process.
class SessionApp {
public:
    explicit SessionApp(const XSession& session);
    ~SessionApp();
    QApplication* app() const { return app_.get(); }

private:
    QByteArray oldDisplay_, oldPlatform_, oldRuntime_;
    bool hadDisplay_ = false, hadPlatform_ = false, hadRuntime_ = false;
    int argc_ = 0;
    std::vector<QByteArray> storage_;
    std::vector<char*> argv_;
    std::unique_ptr<QApplication> app_;
};

} // namespace fw::test

namespace fw {
// Readable values in test failures.
inline void PrintTo(const Point& p, std::ostream* os) { *os << toString(p).toStdString(); }
inline void PrintTo(const Size& s, std::ostream* os) { *os << toString(s).toStdString(); }
inline void PrintTo(const Rect& r, std::ostream* os) { *os << toString(r).toStdString(); }
} // namespace fw
