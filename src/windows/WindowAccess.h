#pragma once
// Reading, finding, writing and moving other applications' windows through the window
// system port. Holds no state between calls: the ports it is made with, and the desktop's
// reduce-motion setting. Main thread only; the asynchronous operations are cooperative
// tasks whose waits go through the clock, and every wait on the desktop is bounded.
//
// The window list ("window-server list") is one WindowSystem::snapshot(); operations that
// read it take it as an argument so that one pass fetches it once. Of the list only entries
// on screen count, as the window server would list them.

#include "base/Clock.h"
#include "base/Geometry.h"
#include "base/Task.h"
#include "platform/FocusHistory.h"
#include "platform/IdleInhibitors.h"
#include "platform/Permissions.h"
#include "platform/Screens.h"
#include "platform/WindowSystem.h"
#include "windows/CoordinatorHost.h"
#include "windows/FrameMatch.h"
#include "windows/ManagedWindow.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace fw {

using WindowList = std::vector<WindowInfo>;
// Process id → frames of its on-screen layer-0 windows, in list order.
using BoundsMap = std::unordered_map<Pid, std::vector<Rect>>;

struct DiscoveredWindow {
    ManagedWindow window;
    Rect frame;
    Size grid;   // its size increments, as the window list states them; 0 = none
};

// Told the frame read when a write was refused (nothing when unreadable).
using RejectionHandler = std::function<void(std::optional<Rect>)>;
// Group moves: the window, its frame read then, and its target.
using GroupRejectionHandler = std::function<void(const ManagedWindow&, std::optional<Rect>, const Rect&)>;

// How WindowAccess::writeFrame writes a frame that does not go as one request.
enum class FrameSteps {
    // Only the steps that change something; false at the first failed write (a move's frames).
    changed,
    // Shrink, move and grow each written, the size again after the move (setFrame's checked
    // write): the window manager hears the whole frame even where a step changes nothing, and a
    // refused shrink does not keep the move from being asked. False when the move or the grow
    // failed.
    all,
};

// Counters of one animated move, summed over its frames.
struct MoveStats {
    long frames = 0;
    Duration writeTime{0};
    Duration slowest{0};
};

// How a wait looks at a window (WindowAccess::settledFrame): a read every `look` until the frame
// has stayed the same for `quiet`, for at most `limit` (reads of an X server are cheap; a busy
// window manager may answer late).
struct SettleTiming {
    Duration look = 25ms;
    Duration quiet = 120ms;
    Duration limit = 1500ms;
};
struct SettledFrame {
    std::optional<Rect> frame;   // the last read; nothing once the window is gone
    bool settled = false;        // what was waited for showed, and the frame stayed the same meanwhile
};

class WindowAccess {
public:
    WindowAccess(WindowSystem& windows, Screens& screens, Clock& clock, Permissions& permissions);

    // The desktop's reduce-motion setting, read once per move. False when unset.
    void setReduceMotion(std::function<bool()> reduceMotion) { reduceMotion_ = std::move(reduceMotion); }
    bool reduceMotion() const { return reduceMotion_ && reduceMotion_(); }
    // The idle inhibitor port; not owned. Without one, no application keeps the display awake.
    void setIdleInhibitors(IdleInhibitors* inhibitors) { inhibitors_ = inhibitors; }
    // The focus history port; not owned. Without one, a window of ours holding the focus
    // leaves the commands no focused window.
    void setFocusHistory(FocusHistory* history) { focusHistory_ = history; }

    WindowSystem& windowSystem() { return ws_; }
    Clock& clock() { return clock_; }

    // ---- Discovery

    std::optional<Rect> frame(WindowId element) const;
    std::optional<Rect> frame(const ManagedWindow& w) const { return frame(w.element); }

    BoundsMap onScreenBoundsByPid(const WindowList* list = nullptr) const;

    // The manageable windows, with the frames read now, sorted by application name and title
    // (code points after canonical normalisation; ties keep discovery order). With a display
    // key, only the windows whose largest overlap is with that display; a key that names no
    // connected display gives nothing. `pids` limits the processes asked.
    std::vector<DiscoveredWindow> managedWindows(const std::unordered_set<ManagedWindow>& excluding = {},
                                                 const std::optional<QString>& displayKey = std::nullopt,
                                                 const WindowList* list = nullptr,
                                                 const std::unordered_set<Pid>* pids = nullptr) const;
    std::vector<ManagedWindow> windows(const std::unordered_set<ManagedWindow>& excluding = {},
                                       const std::optional<QString>& displayKey = std::nullopt,
                                       const WindowList* list = nullptr) const;

    // Readable, neither minimized nor full screen, and on screen within 3 pixels of a listed
    // window of its process.
    bool isUsableWindow(WindowId element, Pid pid, const BoundsMap& bounds) const;
    bool isUsable(const ManagedWindow& w, const BoundsMap& bounds) const { return isUsableWindow(w.element, w.pid, bounds); }

    // The window under the point, and the focused one, as read (readManagedWindow: one that
    // cannot be placed comes with why); then the same when it can be placed. The focused
    // window is the one the commands on "this window" act on: while a window of ours holds the
    // focus (the user pressed a button of ours), the user's window from before it, as the focus
    // history tells.
    std::optional<WindowOrRefusal> readWindowUnderPoint(Point p) const;
    std::optional<WindowOrRefusal> readFocusedWindow() const;
    std::optional<ManagedWindow> windowUnderPoint(Point p) const { return placeable(readWindowUnderPoint(p)); }
    std::optional<ManagedWindow> focusedWindow() const { return placeable(readFocusedWindow()); }
    // The window of another program that holds the focus now, as the window system reads it:
    // nothing while a window of ours does.
    std::optional<ManagedWindow> keyboardWindow() const;
    // The window's number when the list holds it (the client id here, else a match by
    // process, frame and title).
    std::optional<WindowId> windowID(WindowId element, Pid pid, const QString& title, const WindowList& list) const;
    std::optional<WindowId> windowID(const ManagedWindow& w, const WindowList& list) const
    {
        return windowID(w.element, w.pid, w.title, list);
    }

    // Where the window manager draws the window's minimise button, from one reading of its
    // title bar (readTitleBar in windows/TitleBar.h: frame and title read now, the buttons where
    // the manager's button layout puts them): the buttons' middle 12 pixels. Nothing for a
    // window without a title bar.
    std::optional<Rect> minimizeButtonFrame(WindowId element) const;
    // Whether another application holds the display awake (a video plays), through the idle
    // inhibitor port; false without one.
    bool otherAppKeepsDisplayAwake() const { return inhibitors_ && inhibitors_->otherAppKeepsDisplayAwake(); }

    // A frame as the logs write it; "unavailable" when there is none.
    static QString frameText(const std::optional<Rect>& frame);

    // The frame a window on a cell grid takes for a target (gridFrame in FrameMatch.h), with the
    // window's hints read now; the target itself when they cannot be read.
    Rect gridFrame(const ManagedWindow& window, const Rect& target) const;
    // The window's size increments (its cell grid); zero on an axis without one, or when the
    // hints cannot be read.
    Size grid(const ManagedWindow& window) const;

    // ---- Waiting for what the window manager shows

    // Reads the window's frame until `shown` holds (always, when none is given) and the frame has
    // stayed the same for the quiet time while it did: a window manager's answer is taken by what
    // it shows and by time, however many reads that takes. Ends at once when the window is gone;
    // at the limit, unsettled, with the last frame read.
    Task<SettledFrame> settledFrame(WindowId id, SettleTiming timing = {}, std::function<bool()> shown = {});

    // ---- States that hold a frame

    // What leaveHeldStates asked the window manager to leave, whether it read back so, and
    // where not, which of them the window kept.
    struct StatesLeft {
        WindowStates states = 0;
        bool done = false;
        WindowStates kept = 0;
    };
    // A maximized (either way), full-screen or shaded window, and a minimized one with
    // `unminimize`, leaves those states, and the task waits (bounded) until the window manager
    // has done so: the states read back cleared and the frame held still for a while since.
    // A frame written before would be kept, or only shown rolled up.
    Task<StatesLeft> leaveHeldStates(ManagedWindow window, bool unminimize = false);
    // Puts a window back into states it left (after its frame went back), waiting likewise.
    // True when they read back set; true at once when they already are (or for none).
    Task<bool> restoreStates(ManagedWindow window, WindowStates states);
    // Whether states decide the frame on their own (maximized both ways, full screen): a
    // roll-back that puts them back has the window where it was even when the window manager
    // would not take the frame from before meanwhile (icewm moves a full-size one).
    static bool statesDecideFrame(WindowStates states)
    {
        return (states & kMaximized) == kMaximized || (states & Fullscreen) != 0;
    }

    // ---- Writes

    // Writes the frame (writeFrame, every step) and verifies it: re-reads every 16 ms, with one
    // re-write once 48 ms passed, until it has arrived or 512 ms passed; time while the window
    // system says the writes are still pending does not count (up to 2 s more). True when the
    // frame read back has arrived (arrivedAt, so a window on a cell grid may land up to a cell
    // short). A refusal calls onRejected and logs. A cancelled token only shortens the waits.
    // This is the check of one write of one window; a placement transaction (WindowPlacement)
    // then watches its whole set of windows hold still, which one write cannot tell.
    Task<bool> setFrame(ManagedWindow window, Rect target, double tolerance,
                        RejectionHandler onRejected = {}, CancelToken token = {});
    // Whether the window manager has not handled writes sent to it yet (stopped, or not
    // scheduled): it applies them once it goes on, after the read-backs that judged them.
    bool writesPending() { return ws_.writesPending(); }
    // Waits, for at most `boundMs`, until the window manager has handled the writes sent to
    // it; false when it still holds them then.
    Task<bool> writesHandled(int boundMs);
    // Logs a placed window that moved off its frame (or could not be read).
    void checkDrift(const ManagedWindow& window, const Rect& expected, std::optional<Rect> actual);
    // Brings the window forward; its application is activated first unless it is frontmost.
    void raise(const ManagedWindow& window);
    bool windowControlGranted(bool prompt) { return permissions_.windowControlGranted(prompt); }
    void openAccessibilitySettings();
    // False when the platform has no reset tool (nothing else happens then).
    bool resetAccessibilityPermission();

    // ---- Motion

    // 0.24 s eased move of at most 16 frames, settled by setFrame; animated back to its start
    // frame when it fails. One "Motion" summary line per move that got past its first checks.
    Task<bool> animateMove(ManagedWindow window, RejectionHandler onRejected, Rect target,
                           double tolerance, CancelToken token = {});
    // Also gives up as soon as the stamp is no longer current (the interaction ended or the
    // coordinator is gone).
    Task<bool> animateMoveGuarded(ManagedWindow window, RejectionHandler onRejected, InteractionStamp stamp,
                                  Rect target, double tolerance, CancelToken token = {});
    // All windows in the same frames; a refused window drops out (reported through the
    // callback) and nothing is rolled back. Gives up when the stamp is no longer current.
    Task<bool> animateGroup(std::vector<std::pair<ManagedWindow, Rect>> items, GroupRejectionHandler callback,
                            InteractionStamp stamp, double tolerance, CancelToken token = {});
    // The stack slide: out to `out` and back home in 0.44 s, raising the window (or running
    // the action) once at the turning point, then settled at home. Cancelling does not stop it
    // (it only shortens the settle's waits).
    Task<void> shuffle(ManagedWindow window, Rect out, Rect home, CancelToken token = {});
    Task<void> shuffleBack(ManagedWindow window, std::function<void()> action, Rect out, Rect home,
                           CancelToken token = {});

    // The frame write against the previous frame: shrink, move, grow (only what changed, or
    // every step: FrameSteps); as one request when the window moves and resizes and
    // writeAtOnce allows it (one wait for the window manager instead of three).
    bool writeFrame(WindowId element, const Rect& next, const Rect& previous,
                    FrameSteps steps = FrameSteps::changed);
    // Moves and resizes that may go as one request: the window's old size at the new origin
    // stays within the span of both frames, or within one of `visibleFrames`.
    static bool writeAtOnce(const Rect& next, const Rect& previous, const std::vector<Rect>& visibleFrames = {});
    // The same within the visible areas of the screens now.
    bool oneRequest(const Rect& next, const Rect& previous) const;
    // Adds one frame's write time (measured from `since`) to the counters.
    void recordWrite(MoveStats& stats, Duration since) const;
    void logMoveSummary(const QString& outcome, const ManagedWindow& window, bool resizing, bool jumped,
                        const MoveStats& stats, Duration startUptime) const;

private:
    // `stamp` set: a guarded move.
    Task<bool> move(ManagedWindow window, RejectionHandler onRejected, std::optional<InteractionStamp> stamp,
                    Rect target, double tolerance, CancelToken token);
    Task<void> rollBack(ManagedWindow window, Rect from, Rect start, double tolerance, bool reduce,
                        bool resizing, MoveStats& stats, CancelToken token);
    Task<void> slide(ManagedWindow window, std::function<void()> turn, Rect out, Rect home, CancelToken token);
    // Switches the application's frame animation off when it is on; true when this did it.
    bool pauseFrameAnimation(Pid pid);
    // Waits until the states read back as asked (all set, or all clear) with a frame that held
    // still for a while since (settledFrame); false when the window is gone or the bound passed.
    Task<bool> statesSettled(WindowId id, WindowStates states, bool on);

    WindowSystem& ws_;
    Screens& screens_;
    Clock& clock_;
    Permissions& permissions_;
    std::function<bool()> reduceMotion_;
    IdleInhibitors* inhibitors_ = nullptr;
    FocusHistory* focusHistory_ = nullptr;
};

// The number of the one listed layer-0 window of the process within 5 pixels of the frame,
// preferring the one whose title matches; nothing when none or several match.
std::optional<WindowId> layerListWindowId(Pid pid, const Rect& frame, const QString& title, const WindowList& list);

} // namespace fw
