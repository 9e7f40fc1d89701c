#pragma once
// The stack engine: the one object of the window stacks. A thin hub: it owns the state (the
// stacks, the refresh pass, the badge settings, its flags), the context the runs get and the
// task scope; it answers the coordinator's questions (fw::WindowStackController), the
// presenter's (StackQueries) and its gestures (StackActions), each handed to the state or to
// the run that does the work, with the state objects that run changes. Main thread only.
//
//   stacks::StackEngine stacks({access, screens, permissions, clock, defaults, transitions, activations});
//   SnapCoordinator coordinator({..., stacks, ...});   // fills its callback slots
//   stacks.start();
//   stacks.refresh(true);

#include "snap/WindowStackController.h"
#include "stacks/BadgeSettings.h"
#include "stacks/SpanToBack.h"
#include "stacks/StackActions.h"
#include "stacks/StackContext.h"
#include "stacks/StackQueries.h"
#include "stacks/StackRefresh.h"
#include "stacks/StackSwitching.h"

#include <memory>

namespace fw::stacks {

class StackPresenter;

class StackEngine final : public fw::WindowStackController, public StackQueries, public StackActions {
public:
    explicit StackEngine(const StackServices& services);
    ~StackEngine() override;
    StackEngine(const StackEngine&) = delete;
    StackEngine& operator=(const StackEngine&) = delete;

    // ---- Lifecycle and commands of the application shell
    // Observes application activations and starts the refresh timer; nothing when started.
    void start();
    // Stops everything and forgets every stack; a later start() begins afresh.
    void stop();
    bool running() const override { return flags_.running; }
    // One refresh pass; `fullScan` asks every window again.
    void refresh(bool fullScan) override { refreshPass(ctx_, refresh_, set_, flags_, fullScan); }
    void setMenuOpen(bool open) { flags_.menuOpen = open; }
    // Grouping, hover and the commands allowed ("windowStacksEnabled"); off answers every
    // question as if there were no stacks.
    void setEnabled(bool enabled);
    bool enabled() const override { return set_.enabled(); }
    // The last pass's layer list, front to back.
    const std::vector<WindowLayerSnapshot>& layers() const { return set_.layers(); }
    // Called after every change of the presented stacks, of grouping and of monitoring.
    void setStacksChanged(std::function<void()> changed) { set_.onRegrouped = std::move(changed); }
    int visiblePanelCount() const { return ctx_.presentation->visiblePanelCount(); }
    bool cycleStack(const ManagedWindow& containing, bool forward)
    {
        return cycleStackOf(ctx_, flags_, set_, refresh_, containing, forward);
    }
    // Opens the switcher of the window's stack; false when it cannot.
    bool showSwitcher(const ManagedWindow& window) { return stacks::showSwitcher(ctx_, flags_, set_, refresh_, window); }
    bool sendSpanToBack(WindowId element, Pid pid)
    {
        return stacks::sendSpanToBack(ctx_, flags_, set_, refresh_, element, pid);
    }

    // ---- What the coordinator asks (fw::WindowStackController)
    void noteMouseMoved(Point at) override;
    void suspend() override { suspendPresentation(ctx_, refresh_); }
    // Also what the presenter asks for (StackActions).
    void scheduleRefresh() override { stacks::scheduleRefresh(ctx_, refresh_, set_, flags_); }
    void dismissPickers() override { ctx_.presentation->dismissPickers(); }
    bool menuOpen() const override { return flags_.menuOpen; }
    void noteWindowChanged(const WindowFramePairs& windows) override;
    void resetScanState() override { refresh_.scanState = {}; }
    bool monitoringEnabled() const override { return flags_.monitoring; }
    void setMonitoringEnabled(bool enabled) override;
    std::vector<ManagedWindow> stackMates(const ManagedWindow& window) const override { return set_.stackMates(window); }
    ManagedWindow stack(const ManagedWindow& containing) const override { return set_.stackFront(containing); }
    bool isSameWindowOrStack(const ManagedWindow& a, const ManagedWindow& b) const override
    {
        return set_.isSameWindowOrStack(a, b);
    }

    // ---- What the presenter asks (StackQueries)
    bool shuffling() const override { return flags_.shuffling; }
    bool mayHover() const override;
    bool windowControlTrusted() const override { return ctx_.trusted(); }
    double lastSwitchAt() const override { return refresh_.lastSwitchAt; }
    const std::vector<WindowStack>& presented() const override { return set_.presented(); }
    const WindowSnapshot& knownFrames() const override { return set_.knownFrames(); }
    std::vector<ManagedWindow> slotMates(const ManagedWindow& window, const std::vector<ManagedWindow>& members,
                                         const WindowStack& stack) const override
    {
        return set_.slotMates(window, members, stack);
    }

    // ---- What the presenter's gestures ask for (StackActions): switching and span moves
    std::optional<ManagedWindow> cycle(const ManagedWindow& current, int step, const WindowStack& stack) override
    {
        return cycleStackMembers(ctx_, flags_, set_, refresh_, current, step, stack);
    }
    bool switchFront(const ManagedWindow& target, const Rect& slot, bool instant,
                     const std::optional<ManagedWindow>& previous) override
    {
        return stacks::switchFront(ctx_, flags_, set_, refresh_, target, slot, instant, previous);
    }
    bool bringUnderneathForward(const WindowStack& stack) override
    {
        return stacks::bringUnderneathForward(ctx_, flags_, set_, refresh_, stack);
    }
    void presentAgain() override { refresh_.presentAgain(); }

    // ---- Badges (see BadgeSettings); each change drops every badge until the next pass.
    bool badgesEnabled() const { return badges_.enabled(); }
    void setBadgesEnabled(bool enabled);
    bool badgesOnEdge() const { return badges_.onEdge(); }
    void setBadgesOnEdge(bool onEdge);
    bool autoPlaceBadges() const { return badges_.autoPlace(); }
    void setAutoPlaceBadges(bool autoPlace);
    // Where the user moved badges; the shell asks whether it is empty and empties it.
    BadgePlacementStore& badgePlacements() { return badges_.placements(); }
    // The engine's own presenter, when it presents its stacks itself.
    StackPresenter* presenter() const { return ownPresenter_.get(); }
    // The next pass shows every stack again.
    void setNeedsPresentationRefresh() { refresh_.presentAgain(); }

    // ---- State, for the views and tests
    const std::vector<WindowStack>& stacks() const { return set_.stacks(); }
    const WindowScanState& scanState() const { return refresh_.scanState; }
    int fullScanCount() const { return refresh_.fullScanCount; }
    double lastRefreshMilliseconds() const { return refresh_.lastRefreshMilliseconds; }
    const QJsonArray& stackDiagnostics() const { return refresh_.diagnostics; }
    bool refreshTimerArmed() const { return refresh_.timerArmed(); }

private:
    void makePresenter(const StackServices& services);
    void applicationActivated();
    // Stops hearing of activations and titles.
    void unwatch();
    void badgesChanged(bool dropBadges);

    Lifeline<StackEngine> self_{this};
    StackFlags flags_;
    StackSet set_;
    BadgeSettings badges_;
    NoStackPresentation noPresentation_;
    StackContext ctx_;
    StackRefresh refresh_;
    std::unique_ptr<StackPresenter> ownPresenter_;
    TaskScope tasks_;   // last: it ends the moves while everything they use still exists
};

} // namespace fw::stacks
