#pragma once
// Title-bar readings of stacked windows for the badges' free spots. Each is taken on the main
// thread (two pipelined reads of the window system, well under a millisecond on a local
// server) on the turn of the loop after it is asked for, and handed back then, never inline:
// a refresh pass that asks for one is not re-entered.

#include "base/Clock.h"
#include "base/Geometry.h"
#include "stacks/WindowChrome.h"
#include "windows/ManagedWindow.h"

#include <functional>
#include <memory>
#include <unordered_set>

namespace fw {

class DesktopSettings;
class WindowSystem;

class ChromeReads {
public:
    virtual ~ChromeReads() = default;
    // Reads the window (whose frame is given) and calls `done` with the reading later, on
    // the main thread.
    virtual void read(const ManagedWindow& window, const Rect& frame, std::function<void(WindowChrome)> done) = 0;
};

// Where no title bar can be read: every reading is empty.
class EmptyChromeReads final : public ChromeReads {
public:
    explicit EmptyChromeReads(Clock& clock) : clock_(clock) {}
    void read(const ManagedWindow&, const Rect&, std::function<void(WindowChrome)> done) override
    {
        clock_.schedule(Duration::zero(), [done = std::move(done)] { done({}); });
    }

private:
    Clock& clock_;
};

// The title bar the window manager draws: the frame's top extent, the buttons where the
// desktop's button layout puts them and the window's title between them (titleBarChrome).
// Empty for a window that draws its own title bar. Readings not handed back yet are dropped
// with the reader.
class TitleBarChromeReads final : public ChromeReads {
public:
    TitleBarChromeReads(WindowSystem& windows, DesktopSettings& desktop, Clock& clock);
    ~TitleBarChromeReads() override;
    TitleBarChromeReads(const TitleBarChromeReads&) = delete;
    TitleBarChromeReads& operator=(const TitleBarChromeReads&) = delete;

    void read(const ManagedWindow& window, const Rect& frame, std::function<void(WindowChrome)> done) override;
    // The reading now, of a window `width` wide.
    WindowChrome readNow(WindowId window, double width);

private:
    WindowSystem& windows_;
    DesktopSettings& desktop_;
    Clock& clock_;
    std::unordered_set<TimerId> pending_;
};

} // namespace fw
