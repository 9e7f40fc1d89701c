#pragma once
// The window stack controller: the one object of the window stacks. It scans the desktop
// cheaply (one layer list a pass; windows are asked again only when that list changed, all of
// them at least once a minute), groups the windows into stacks, hands every new window list
// to the coordinator before grouping, and brings another member of a stack to the front with
// the user's transition; it also sends a spanning window behind the windows it covers. The
// badges, anchors and switcher are its presentation. Main thread only.
//
//   stacks::WindowStackController stacks({access, screens, permissions, clock, defaults, transitions, activations});
//   SnapCoordinator coordinator({..., stacks, ...});   // fills its callback slots
//   stacks.start();
//   stacks.refresh(true);

#include "base/Clock.h"
#include "base/TaskScope.h"
#include "platform/ApplicationActivations.h"
#include "platform/Permissions.h"
#include "platform/Screens.h"
#include "snap/WindowStackController.h"
#include "stacks/BadgePlacementStore.h"
#include "stacks/StackGrouping.h"
#include "stacks/StackModel.h"
#include "stacks/StackPresentation.h"
#include "transitions/StackTransition.h"
#include "transitions/TransitionServices.h"
#include "windows/WindowAccess.h"

#include <QByteArray>
#include <QJsonArray>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace fw {

class UserDefaults;
class StackSurfaces;
class ChromeReads;
class MouseMonitor;

namespace stacks {

class StackPresenter;

// What the controller works with; each must outlive it.
struct StackServices {
    WindowAccess& access;
    Screens& screens;
    Permissions& permissions;
    Clock& clock;
    UserDefaults& defaults;
    TransitionServices& transitions;
    ApplicationActivations& activations;
    // The badges, anchors and switcher; none: nothing is shown.
    StackPresentation* presentation = nullptr;
    // The program runs with "--diagnostics": the stack-state file is written.
    bool diagnostics = false;
    // This program's process; 0: the running one.
    Pid ownPid = 0;
    // The badge and anchor panels. Given (and no `presentation`), the controller presents
    // its stacks itself: anchors, badges, hover and title-bar readings.
    StackSurfaces* surfaces = nullptr;
    // Title-bar readings for badge spots; none: every reading is empty.
    ChromeReads* chromeReads = nullptr;
    // Where the pointer is, for hover; none: where it was last reported.
    MouseMonitor* mouse = nullptr;
};

inline const QString kStackStateFile = QStringLiteral("Framewell-stack-state.json");

// The raise task a transition starts at its reveal point, for the task that waits for it.
struct RaiseHandle {
    bool started = false;
    CancelToken done;   // cancelled once every window is raised
};

class WindowStackController final : public fw::WindowStackController {
public:
    static constexpr Duration refreshInterval = std::chrono::seconds(1);
    static constexpr Duration deferredRefreshDelay = std::chrono::milliseconds(200);
    static constexpr double idleAfter = 5.0;       // seconds without pointer activity
    static constexpr Duration idleInterval = std::chrono::seconds(5);
    static constexpr double badgeGrace = 1.5;      // seconds after a switch
    static constexpr Duration raisePause = std::chrono::milliseconds(40);

    explicit WindowStackController(const StackServices& services);
    ~WindowStackController() override;
    WindowStackController(const WindowStackController&) = delete;
    WindowStackController& operator=(const WindowStackController&) = delete;

    // ---- Lifecycle and commands of the application shell
    // Observes application activations and starts the refresh timer; nothing when started.
    void start();
    // Stops everything and forgets every stack; a later start() begins afresh.
    void stop();
    bool running() const { return running_; }
    // One refresh pass; `fullScan` asks every window again.
    void refresh(bool fullScan);
    void setMenuOpen(bool open) { menuOpen_ = open; }
    // Grouping, hover and the commands allowed ("windowStacksEnabled"); off answers every
    // question as if there were no stacks.
    void setEnabled(bool enabled);
    bool enabled() const { return enabled_; }
    int visiblePanelCount() const { return presentation_->visiblePanelCount(); }
    // The next (forward) or previous window of the stack holding the window; false when none
    // came forward.
    bool cycleStack(const ManagedWindow& containing, bool forward);
    // Opens the switcher of the window's stack; false when it cannot.
    bool showSwitcher(const ManagedWindow& window);
    // Brings the windows a span covers forward over it; the window may be the spanning one or
    // a covered one. False when nothing moved.
    bool sendSpanToBack(WindowId element, Pid pid);

    // ---- What the coordinator asks (fw::WindowStackController)
    void noteMouseMoved(Point at) override;
    void suspend() override;
    void scheduleRefresh() override;
    void dismissPickers() override;
    bool menuOpen() const override { return menuOpen_; }
    void noteWindowChanged(const WindowFramePairs& windows) override;
    void resetScanState() override { scanState_ = {}; }
    bool monitoringEnabled() const override { return monitoringEnabled_; }
    void setMonitoringEnabled(bool enabled) override;
    std::vector<ManagedWindow> stackMates(const ManagedWindow& window) const override;
    ManagedWindow stack(const ManagedWindow& containing) const override { return stackFront(containing); }
    bool isSameWindowOrStack(const ManagedWindow& a, const ManagedWindow& b) const override;

    // ---- Grouping questions
    // The window in front of the frame stack holding the window; the window itself otherwise.
    ManagedWindow stackFront(const ManagedWindow& window) const;
    // The coordinator placed these windows at these frames.
    void updateKnownFrames(const WindowFramePairs& windows);
    // Each window followed by the stack mates still in its slot, all at its target.
    WindowFramePairs withStackMates(const WindowFramePairs& windows) const;
    // The members whose slots coincide with the window's, or lie within it, or hold it.
    std::vector<ManagedWindow> slotMates(const ManagedWindow& window, const std::vector<ManagedWindow>& members,
                                         const WindowStack& stack) const;
    // Per slot the member nearest the front, back-most first.
    std::vector<ManagedWindow> slotRepresentatives(const WindowStack& stack) const;
    std::vector<ManagedWindow> assignCycleOrder(const std::vector<ManagedWindow>& windows)
    {
        return cycleOrder_.assign(windows);
    }

    // ---- Switching
    // The stack's next usable member in first-seen order, brought forward; none when nothing
    // switched (also while another move animates).
    std::optional<ManagedWindow> cycle(const ManagedWindow& current, int step, const WindowStack& stack);
    // Brings the member forward with the chosen transition; false when refused.
    bool switchFront(const ManagedWindow& target, const Rect& slot, bool instant,
                     const std::optional<ManagedWindow>& previous);
    // The stack members that visibly cover the target in its frame, one per frame.
    std::vector<ManagedWindow> occluders(const ManagedWindow& target, const Rect& frame,
                                         const std::optional<ManagedWindow>& previous) const;
    // Each window told to the coordinator, brought forward, then 40 ms until the next.
    Task<void> raiseInOrder(std::vector<ManagedWindow> windows);
    void startRaiseTask(RaiseHandle& handle, std::vector<ManagedWindow> windows);
    // A switch or an activation happened now: badges stay steady for a moment.
    void noteSwitch();

    // ---- Span to back
    // Raises the covered windows still in place over the spanning window; false when none
    // qualifies or moves are refused.
    bool bringUnderneathForward(const WindowStack& stack);

    // ---- Badges ("stackBadgesEnabled", "stackBadgesOnEdge", "stackBadgesAutoPlace", each
    // true unless stored false). The first two setters write their key; the shell writes the
    // third. Each change drops every badge until the next pass.
    bool badgesEnabled() const { return badgesEnabled_; }
    void setBadgesEnabled(bool enabled);
    bool badgesOnEdge() const { return badgesOnEdge_; }
    void setBadgesOnEdge(bool onEdge);
    bool autoPlaceBadges() const { return autoPlaceBadges_; }
    void setAutoPlaceBadges(bool autoPlace);
    // Where the user moved badges; the shell asks whether it is empty and empties it.
    BadgePlacementStore& badgePlacements() { return badgePlacements_; }
    // The controller's own presenter, when it presents its stacks itself.
    StackPresenter* presenter() const { return ownPresenter_.get(); }
    // The next pass shows every stack again.
    void setNeedsPresentationRefresh() { needsPresentationRefresh_ = true; }
    // Hover may act: no move animates, the menu is closed, stacks are on and the coordinator idle.
    bool mayHover() const;
    bool windowControlTrusted() const { return trusted(); }

    // ---- State, for the views and tests
    const std::vector<WindowStack>& stacks() const { return stacks_; }
    const std::vector<WindowStack>& presented() const { return presented_; }
    const WindowSnapshot& knownFrames() const { return knownFrames_; }
    const WindowScanState& scanState() const { return scanState_; }
    bool shuffling() const { return shuffling_; }
    int fullScanCount() const { return fullScanCount_; }
    double lastRefreshMilliseconds() const { return lastRefreshMilliseconds_; }
    const QJsonArray& stackDiagnostics() const { return stackDiagnostics_; }
    double lastSwitchAt() const { return lastSwitchAt_; }
    bool needsPresentationRefresh() const { return needsPresentationRefresh_; }
    bool refreshTimerArmed() const { return refreshTimer_ != 0; }

private:
    double uptime() const { return toSeconds(clock_.now()); }
    bool trusted() const { return permissions_.windowControlGranted(false); }
    bool mayRefresh() const { return callbacks.canRefresh && callbacks.canRefresh(); }
    // Monitoring and grouping on, trusted, the coordinator idle, no move animating.
    bool mayMove() const;
    Size gridOf(const ManagedWindow& window) const;
    bool sitsIn(const ManagedWindow& window, const Rect& frame, const Rect& slot) const;
    const WindowStack* presentedStackOf(const ManagedWindow& window) const;

    // The pass, in its steps.
    void noteKeptAbove(const std::vector<WindowLayerSnapshot>& layers);
    // The known windows that may join stacks: a window kept above the others does not, as no
    // switch could bring another member over it without changing its state.
    WindowSnapshot stackable() const;
    std::vector<WindowStack> currentFrameStacks(const WindowSnapshot& windows) const;
    void discover();
    void group();
    void presentStacks(const std::vector<WindowLayerSnapshot>& layers);
    void writeDiagnostics(double now);
    // Timers.
    void armRefresh(Duration delay);
    void parkRefresh();
    void refreshTick();
    void applicationActivated();

    // Switching and span moves.
    void plainRaise(const ManagedWindow& window);
    void shuffleSwitch(const ManagedWindow& target, const Rect& frame, const std::optional<ManagedWindow>& previous);
    Task<void> slideOrShuffle(ManagedWindow target, Rect frame, Rect out, std::vector<ManagedWindow> leaving);
    Task<void> shaderSwitch(ManagedWindow target, Rect frame, std::vector<ManagedWindow> occluders,
                            StackTransition transition);
    Task<void> awaitRaise(const RaiseHandle& handle);
    struct SpanMove;
    Task<void> spanTask(SpanMove move);
    Task<bool> spanCards(const SpanMove& move);
    Task<bool> spanShader(const SpanMove& move);
    Task<void> spanSlide(const SpanMove& move);
    void endMove();

    Lifeline<WindowStackController> self_{this};
    WindowAccess& access_;
    Screens& screens_;
    Permissions& permissions_;
    Clock& clock_;
    UserDefaults& defaults_;
    TransitionServices& transitions_;
    ApplicationActivations& activations_;
    NoStackPresentation noPresentation_;
    StackPresentation* presentation_;
    bool diagnostics_;
    Pid ownPid_;

    bool running_ = false;
    bool menuOpen_ = false;
    bool monitoringEnabled_ = true;
    bool enabled_ = true;
    bool shuffling_ = false;
    bool needsPresentationRefresh_ = true;
    bool idlePace_ = false;

    std::vector<WindowStack> stacks_;      // the frame stacks
    std::vector<WindowStack> presented_;   // span stacks, then frame stacks outside them
    std::unordered_map<ManagedWindow, ManagedWindow> stackFronts_;   // by a stack's first member
    WindowSnapshot knownFrames_;
    std::unordered_set<WindowId> keptAbove_;   // by the last layer list
    CycleOrder cycleOrder_;
    WindowScanState scanState_;

    TimerId refreshTimer_ = 0;
    TimerId pendingRefresh_ = 0;
    double lastActivity_ = 0;
    double lastSwitchAt_ = 0;

    std::optional<QByteArray> lastDiagnosticState_;
    double lastDiagnosticWrite_ = 0;
    double lastRefreshMilliseconds_ = 0;
    int fullScanCount_ = 0;
    QJsonArray stackDiagnostics_;

    bool badgesEnabled_ = true;
    bool badgesOnEdge_ = true;
    bool autoPlaceBadges_ = true;
    BadgePlacementStore badgePlacements_;
    std::unique_ptr<ChromeReads> ownChromeReads_;
    std::unique_ptr<StackPresenter> ownPresenter_;

    TaskScope tasks_;   // last: it ends the moves while everything they use still exists
};

} // namespace stacks
} // namespace fw
