#pragma once
// What the shell asks of the window stacks: start and stop them with the program, the
// "windowStacksEnabled" setting, the stack commands of the keys and the menu, the badge
// settings and what the launch diagnostics report. StackCommands itself stands for no stack
// subsystem (available() is false: the shell leaves the stack commands and settings
// disabled); EngineStackCommands drives the stack engine. Main thread only.
//
//   EngineStackCommands commands(engine, true);   // the engine draws badges and a switcher
//   if (commands.available() && commands.enabled())
//       commands.cycleFrontStack(window, true);

#include "snap/WindowStackController.h"

#include <QJsonArray>

#include <functional>
#include <vector>

namespace fw {

namespace stacks {
class StackEngine;
}

// What the launch diagnostics report of the stacks.
struct StackDiagnostics {
    std::vector<int> stackSizes;               // members of each stack, in order
    int visibleAnchors = 0;                    // stack panels on screen
    double lastRefreshMilliseconds = 0;
    QJsonArray details;                        // one record per stack, as the controller keeps them
    std::vector<DiscoveredWindow> knownFrames;   // the windows of the last scan with their frames
};

// Where a presented stack stands: the slot of one of its members, whether the stack is a span's,
// and the frames of other windows above the stack there (a click on them is theirs).
struct StackSlot {
    Rect slot;
    bool span = false;
    std::vector<Rect> covers;
    friend bool operator==(const StackSlot&, const StackSlot&) = default;
};

// The badge settings the status menu shows.
struct StackBadgeSettings {
    bool enabled = true;
    bool autoPlace = true;
    bool onEdge = true;
};

class StackCommands {
public:
    virtual ~StackCommands() = default;

    // Window stacks exist in this program; the badges and the switcher are drawn.
    virtual bool available() const { return false; }
    virtual bool presented() const { return false; }
    // Stacks on; while off, stack membership is ignored.
    virtual bool enabled() const { return false; }
    // On: schedules a refresh. Off: forgets the stacks.
    virtual void setEnabled(bool) {}
    // Installs its observers and timers / removes them and hides its panels.
    virtual void start() {}
    virtual void stop() {}
    // One refresh pass now; `force` makes a full window discovery.
    virtual void refresh(bool /*force*/) {}
    // Snapping paused or resumed: the stacks stop watching the pointer while paused.
    virtual void setMonitoringEnabled(bool) {}
    // The shell's status menu opens or closes; whether the stacks' own menu is open.
    virtual void setStatusMenuOpen(bool) {}
    virtual bool menuOpen() const { return false; }
    // The menu closed: the badges are placed anew at a refresh 0.2 s later.
    virtual void menuClosed() {}
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
    // The slots of the stacks presented now; none while the stacks are off or paused.
    virtual std::vector<StackSlot> stackSlots() const { return {}; }
    // Called after every change of what stackSlots() answers; empty: none.
    virtual void setSlotsChanged(std::function<void()>) {}
};

// The stack engine. `presented`: badges, anchors and a switcher are drawn for it; without
// them the switcher command and the badge settings stay off. The badge settings are the
// engine's own (it stores the first two).
class EngineStackCommands final : public StackCommands {
public:
    EngineStackCommands(stacks::StackEngine& engine, bool presented);

    bool available() const override { return true; }
    bool presented() const override { return presented_; }
    bool enabled() const override;
    void setEnabled(bool enabled) override;
    void start() override;
    void stop() override;
    void refresh(bool force) override;
    void setMonitoringEnabled(bool enabled) override;
    void setStatusMenuOpen(bool open) override;
    bool menuOpen() const override;
    void menuClosed() override;
    bool presentPickerForFrontWindow(const ManagedWindow& window) override;
    bool cycleFrontStack(const ManagedWindow& window, bool forward) override;
    bool sendSpanToBack(const ManagedWindow& window) override;
    StackBadgeSettings badgeSettings() const override;
    void setBadgesEnabled(bool enabled) override;
    void setBadgesOnEdge(bool onEdge) override;
    void setAutoPlaceBadges(bool autoPlace) override;
    bool hasMovedBadges() const override;
    void resetBadgePlacements() override;
    StackDiagnostics diagnostics() const override;
    std::vector<StackSlot> stackSlots() const override;
    void setSlotsChanged(std::function<void()> changed) override;

private:
    stacks::StackEngine& engine_;
    bool presented_;
};

} // namespace fw
