#pragma once
// The window stack controller as the coordinator sees it: what the coordinator asks of it
// (suspend, refresh, the windows sharing a slot) and the callback slots the coordinator
// fills. stacks::WindowStackController (src/stacks) implements it; NoWindowStacks stands in
// where no stacks run and makes every window its own stack.

#include "base/Geometry.h"
#include "snap/SnapSinks.h"
#include "windows/ManagedWindow.h"
#include "windows/WindowAccess.h"

#include <QJsonArray>
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
    std::function<void(const ManagedWindow&)> onChoose;
    std::function<void(const WindowSnapshot&)> onSnapshot;
    std::function<std::vector<SpanCover>()> spanProvider;
    std::function<LayoutSummary(const Rect&)> layoutSummary;
    std::function<void(Tip)> tip;
    std::function<void(int, const Rect&)> switchLayout;
    std::function<void(const ManagedWindow&, const Rect&)> stretch;
};

// What the launch diagnostics report of the stacks.
struct StackDiagnostics {
    std::vector<int> stackSizes;             // members of each stack, in order
    int visibleAnchors = 0;                  // stack panels on screen
    double lastRefreshMilliseconds = 0;
    QJsonArray details;                      // one record per stack, as the controller keeps them
    std::vector<DiscoveredWindow> knownFrames;   // the windows of the last scan with their frames
};

// The badge settings the status menu shows.
struct StackBadgeSettings {
    bool enabled = true;
    bool autoPlace = true;
    bool onEdge = true;
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

    // ---- What the application shell asks of it. The defaults stand for no stack subsystem:
    // available() is false, and the shell then leaves its stack commands and settings disabled.
    virtual bool available() const { return false; }
    // Stacks on; while off, stack membership is ignored.
    virtual bool enabled() const { return false; }
    // On: schedules a refresh. Off: suspends the controller and forgets its stacks.
    virtual void setEnabled(bool) {}
    // Installs its observers and timers / removes them and hides its panels.
    virtual void start() {}
    virtual void stop() {}
    // One refresh pass now; `force` makes a full window discovery.
    virtual void refresh(bool /*force*/) {}
    // The shell's status menu opens or closes.
    virtual void setStatusMenuOpen(bool) {}
    // The badges are placed anew at the next refresh.
    virtual void setNeedsPresentationRefresh() {}
    // The stack switcher for the window's stack; false when nothing was shown.
    virtual bool presentPickerForFrontWindow(const ManagedWindow&) { return false; }
    // Brings the next (forward) or previous window of the window's stack to the front.
    virtual bool cycleFrontStack(const ManagedWindow&, bool /*forward*/) { return false; }
    // Brings the windows under the window's span forward.
    virtual bool sendSpanToBack(const ManagedWindow&) { return false; }
    virtual StackBadgeSettings badgeSettings() const { return {}; }
    virtual void setBadgesEnabled(bool) {}
    virtual void setBadgesOnEdge(bool) {}
    // Takes the new value and re-presents the badges (the shell stores the setting).
    virtual void setAutoPlaceBadges(bool) {}
    // Whether the user moved any badge, and forgetting every moved badge.
    virtual bool hasMovedBadges() const { return false; }
    virtual void resetBadgePlacements() {}
    virtual StackDiagnostics diagnostics() const { return {}; }
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
