#pragma once
// The window stack controller as the coordinator sees it: what the coordinator asks of it
// (suspend, refresh, the windows sharing a slot) and the callback slots the coordinator
// fills. stacks::StackEngine (src/stacks) implements it; NoWindowStacks stands in
// where no stacks run and makes every window its own stack.

#include "base/Geometry.h"
#include "snap/SnapSinks.h"
#include "windows/ManagedWindow.h"
#include "windows/WindowAccess.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace fw {

// Windows with frames to record (a placement's outcome, a switch's new frames).
using WindowFramePairs = std::vector<std::pair<ManagedWindow, Rect>>;
// Windows with the frames a scan read, in the scan's order.
using WindowSnapshot = std::vector<DiscoveredWindow>;

// One region under a window that spans several: its name, frame and the window recorded
// there (absent when empty or when that is the spanning window itself).
struct SpanRegion {
    QString title;
    Rect frame;
    std::optional<ManagedWindow> occupant;

    friend bool operator==(const SpanRegion&, const SpanRegion&) = default;
};

// A window spanning several regions of its display's applied layout.
struct SpanCover {
    ManagedWindow window;
    Rect frame;                      // the union of the covered regions' frames
    QString title;                   // the span's name
    std::vector<SpanRegion> regions; // in reading order

    friend bool operator==(const SpanCover&, const SpanCover&) = default;
};

// The names of a display's own layouts and the position of the active one among them.
struct LayoutSummary {
    QStringList names;
    std::optional<int> active;

    friend bool operator==(const LayoutSummary&, const LayoutSummary&) = default;
};

// Filled by the coordinator (tip by the shell); called on the main thread.
struct WindowStackCallbacks {
    std::function<bool()> canRefresh;
    // The coordinator waits only for a held press to end (it moves nothing and shows no picker):
    // passes wait without hiding anything, as what the press becomes (a drag past its
    // threshold, a native resize) hides the stacks' panels when it begins.
    std::function<bool()> onlyPressHeld;
    std::function<void(const ManagedWindow&)> onChoose;
    std::function<void(const WindowSnapshot&)> onSnapshot;
    std::function<std::vector<SpanCover>()> spanProvider;
    // The frames of the regions of the applied layouts on connected displays: the slots
    // windows of different cell sizes can share.
    std::function<std::vector<Rect>()> regionProvider;
    std::function<LayoutSummary(const Rect&)> layoutSummary;
    std::function<void(Tip)> tip;
    std::function<void(int, const Rect&)> switchLayout;
    std::function<void(const ManagedWindow&, const Rect&)> stretch;
};

class WindowStackController {
public:
    virtual ~WindowStackController() = default;

    WindowStackCallbacks callbacks;

    // Records activity at the point, re-arms the refresh and updates the hover state.
    virtual void noteMouseMoved(Point at) = 0;
    // Hides anchors and badges, closes stack pickers and parks the refresh timer.
    virtual void suspend() = 0;
    // Replaces a pending refresh with one 0.2 s later, when the controller runs.
    virtual void scheduleRefresh() = 0;
    // Closes the anchors' pickers and key panels only.
    virtual void dismissPickers() = 0;
    // True while the controller's own menu is open.
    virtual bool menuOpen() const = 0;
    // The windows now have these frames.
    virtual void noteWindowChanged(const WindowFramePairs& windows) = 0;
    // Forgets what the last scans found (after a change of displays).
    virtual void resetScanState() = 0;
    virtual bool monitoringEnabled() const = 0;
    virtual void setMonitoringEnabled(bool enabled) = 0;
    // The members of the window's stack still in its slot, the window included.
    virtual std::vector<ManagedWindow> stackMates(const ManagedWindow& window) const = 0;
    // The window in front of the stack holding the window; the window itself when in none.
    virtual ManagedWindow stack(const ManagedWindow& containing) const = 0;
    // The same window, or two windows of one stack.
    virtual bool isSameWindowOrStack(const ManagedWindow& a, const ManagedWindow& b) const = 0;
};

// No stacks: nothing to suspend, refresh or show; every window stands alone.
class NoWindowStacks final : public WindowStackController {
public:
    void noteMouseMoved(Point) override {}
    void suspend() override {}
    void scheduleRefresh() override {}
    void dismissPickers() override {}
    bool menuOpen() const override { return false; }
    void noteWindowChanged(const WindowFramePairs&) override {}
    void resetScanState() override {}
    bool monitoringEnabled() const override { return monitoring_; }
    void setMonitoringEnabled(bool enabled) override { monitoring_ = enabled; }
    std::vector<ManagedWindow> stackMates(const ManagedWindow& window) const override { return {window}; }
    ManagedWindow stack(const ManagedWindow& containing) const override { return containing; }
    bool isSameWindowOrStack(const ManagedWindow& a, const ManagedWindow& b) const override { return a == b; }

private:
    bool monitoring_ = true;
};

} // namespace fw
