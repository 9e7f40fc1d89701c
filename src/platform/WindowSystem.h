#pragma once
// Window port: other applications' top-level windows. Every frame is the window's visible
// outer frame (decorations included, client-side shadows excluded) in global top-left device pixels.
// Reads return nothing when the window is gone or cannot be read; writes return false.

#include "base/Geometry.h"
#include "platform/PixelImage.h"
#include "platform/WindowLevels.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace fw {

using WindowId = std::uint64_t;   // the client window id on X11
using Pid = std::int64_t;         // 0 = unknown

struct WindowInfo {
    WindowId id = 0;
    Pid pid = 0;
    QString title;
    QString appClass;        // WM_CLASS class (fallback application name)
    QString appInstance;     // WM_CLASS instance
    QString applicationId;   // the id the application gives itself (_GTK_APPLICATION_ID); empty = none
    QString role;            // the role its client gives it (WM_WINDOW_ROLE); empty = none
    QString appName;         // localised Name of the window's desktop entry (WindowApplicationIndex); empty = none found
    Rect frame;
    int layer = 0;           // 0 = ordinary application windows
    bool onScreen = true;    // mapped and not minimized
    bool normal = true;      // a normal top-level window (not dialog, dock, menu, transient)
    bool minimized = false;
    bool fullscreen = false;
    // Whether the window manager lets it be moved / resized, when the snapshot already knows;
    // nothing = ask isMovable / isResizable.
    std::optional<bool> movable;
    std::optional<bool> resizable;
    Size increment;          // size increments of its hints (a terminal's cell); 0 = none

    friend bool operator==(const WindowInfo&, const WindowInfo&) = default;
};

// One viewable window as the window server stacks it: the stacks' layer list.
struct WindowLayer {
    WindowId id = 0;   // the client window; an unmanaged window stands for itself
    Pid pid = 0;       // 0 = unknown
    Rect frame;
    int level = kOrdinaryLevel;   // WindowLevels.h

    friend bool operator==(const WindowLayer&, const WindowLayer&) = default;
};

struct SizeHints {
    std::optional<Size> minimum;
    std::optional<Size> maximum;
    Size increment;   // 0 = none
    Size base;

    friend bool operator==(const SizeHints&, const SizeHints&) = default;
};

// Window states as bit flags. The first five hold a window's frame against writes: a
// maximized window keeps the frame it was maximized to, a shaded one shows only its title bar.
// The last two are the layer the user keeps the window in, over or under the ordinary ones.
enum WindowStateFlag : std::uint32_t {
    MaximizedVertically = 1u << 0,
    MaximizedHorizontally = 1u << 1,
    Fullscreen = 1u << 2,
    Shaded = 1u << 3,
    Minimized = 1u << 4,
    KeptAbove = 1u << 5,
    KeptBelow = 1u << 6,
};
using WindowStates = std::uint32_t;
constexpr WindowStates kMaximized = MaximizedVertically | MaximizedHorizontally;

// How long a write is waited for while the window manager has not handled it yet (a loaded
// machine did not schedule it): a compositing manager (mutter, muffin) drawing in software on two
// busy cores answered after more than 2 s. Until then nothing was refused.
constexpr int kManagerAnswerBoundMs = 8000;

// The size a window manager gives a window asked for `requested`: within the minimum and
// maximum (a maximum below the minimum means nothing), then rounded down to the base size plus
// whole increments but not below the minimum. Without a base size the minimum serves as the
// base. Never below one pixel.
Size constrainedToHints(Size requested, const SizeHints& hints);

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // Every window of the desktop, front to back, our own windows excluded. One pass.
    virtual std::vector<WindowInfo> snapshot() = 0;

    // Every viewable window front to back with its level, desktop windows left out, our own
    // included: lighter than snapshot(), for a scan every second. By default the snapshot's
    // on-screen entries.
    virtual std::vector<WindowLayer> layers()
    {
        std::vector<WindowLayer> out;
        for (const auto& info : snapshot()) {
            if (info.onScreen)
                out.push_back({info.id, info.pid, info.frame, info.layer});
        }
        return out;
    }

    virtual std::optional<Rect> frame(WindowId id) = 0;
    // The frame and, from the same read, the box of the window manager's own window around the
    // window, its position and size from one answer (nothing where it has none, and by
    // default): a manager may move and resize its window before it resizes the one inside
    // (metacity during an edge resize), so a frame read then shows a move at the old size.
    struct FrameAndManagerBox {
        Rect frame;
        std::optional<Rect> managerBox;
    };
    virtual std::optional<FrameAndManagerBox> frameAndManagerBox(WindowId id)
    {
        const auto f = frame(id);
        return f ? std::optional(FrameAndManagerBox{*f, std::nullopt}) : std::nullopt;
    }
    // The height of the title bar the window manager draws above the window's own content
    // (the top of its outer frame); nothing when it draws none or it cannot be read.
    virtual std::optional<double> titleBarHeight(WindowId) { return std::nullopt; }
    virtual std::optional<QString> title(WindowId id) = 0;
    virtual std::optional<Pid> pid(WindowId id) = 0;
    virtual std::optional<SizeHints> sizeHints(WindowId id) = 0;
    virtual bool isMinimized(WindowId id) = 0;
    virtual bool isFullscreen(WindowId id) = 0;
    // Whether the window manager lets the position / size be changed.
    virtual bool isMovable(WindowId id) = 0;
    virtual bool isResizable(WindowId id) = 0;

    // Writes return once the window manager applied or refused the change (bounded wait);
    // the frame read afterwards is the truth.
    virtual bool setPosition(WindowId id, Point topLeft) = 0;
    virtual bool setSize(WindowId id, Size size) = 0;
    virtual bool setFrame(WindowId id, const Rect& frame) = 0;
    // setFrame, then the frame read afterwards; nothing when the write failed or the window is
    // gone. A port whose write ends with that read answers with it rather than read again.
    virtual std::optional<Rect> setFrameAndRead(WindowId id, const Rect& frame)
    {
        if (!setFrame(id, frame))
            return std::nullopt;
        return this->frame(id);
    }
    // The frame and, from the same read, the window's states where a port reads both at once
    // (by default nothing: ask windowStates); nothing when the window cannot be read.
    struct FrameAndStates {
        Rect frame;
        std::optional<WindowStates> states;
    };
    virtual std::optional<FrameAndStates> frameAndStates(WindowId id)
    {
        const auto f = frame(id);
        if (!f)
            return std::nullopt;
        return FrameAndStates{*f, std::nullopt};
    }
    // Whether a write sent before has not been handled yet: its bounded wait ended first (a
    // loaded machine had not scheduled the window manager). Until then a read-back shows the
    // frame from before, not a refusal.
    virtual bool writesPending() { return false; }
    // Leaves the maximized state (no-op when not maximized).
    virtual bool unmaximize(WindowId id) = 0;
    // Which of the states above the window is in; nothing when it cannot be read. By default
    // what isMinimized and isFullscreen tell.
    virtual std::optional<WindowStates> windowStates(WindowId id)
    {
        if (!frame(id))
            return std::nullopt;
        return (isMinimized(id) ? WindowStates(Minimized) : 0) | (isFullscreen(id) ? WindowStates(Fullscreen) : 0);
    }
    // Asks the window manager to put the window into the states given (on) or take it out of
    // them, and returns once it has handled the request (bounded wait); windowStates() read
    // afterwards is the truth. False when the window is gone or the request cannot be made. By
    // default only leaving the maximized state can be asked for.
    virtual bool changeWindowStates(WindowId id, WindowStates states, bool on)
    {
        if (on || (states & ~kMaximized) != 0)
            return false;
        return unmaximize(id);
    }

    // Raises without focusing where the platform can.
    virtual bool raise(WindowId id) = 0;
    // Raises and focuses (restores a minimized window).
    virtual bool activate(WindowId id) = 0;
    virtual std::optional<WindowId> focusedWindow() = 0;
    virtual std::optional<Pid> frontmostPid() = 0;
    // The window a press at the point lands on: the topmost one whose window manager's frame
    // takes the point (resize borders outside the visible frame included), else the topmost
    // whose frame contains it.
    virtual std::optional<WindowId> windowAt(Point p) = 0;
    // Whether a press at the point lands on a window of this program's own (a badge, a panel)
    // rather than on the windows under it: panels that let clicks through do not count.
    virtual bool ownWindowAt(Point) { return false; }

    // The largest picture the window publishes as its icon (_NET_WM_ICON on X11); nothing when
    // it publishes none or none that is well formed.
    virtual std::optional<PixelImage> windowIcon(WindowId id)
    {
        (void)id;
        return std::nullopt;
    }

    // One window's entry as the snapshot would give it; nothing when it is gone.
    virtual std::optional<WindowInfo> windowInfo(WindowId id)
    {
        for (auto& info : snapshot()) {
            if (info.id == id)
                return info;
        }
        return std::nullopt;
    }

    // An application's own switch for animating its frame changes (an assistive mode), which
    // writes turn off while they run. Nothing when the platform has no such switch or it cannot be read.
    virtual std::optional<bool> frameAnimation(Pid) { return std::nullopt; }
    virtual bool setFrameAnimation(Pid, bool) { return false; }
};

} // namespace fw
