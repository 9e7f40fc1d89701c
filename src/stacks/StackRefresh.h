#pragma once
// The refresh pass and its pacing. A pass reads the layer list once; nothing more happens
// unless the ordinary windows changed (they are discovered again: every one of them at least
// once a minute, otherwise only the processes whose windows changed), the stacking changed, or
// the stacks must be shown again. Passes run every second, every 5 s on an idle desktop, and
// 0.2 s after a change; passes that could disturb the user are skipped, not queued (the menu
// open, a move animating, a switcher open). With "--diagnostics" each pass that changed what
// it found writes the stack-state file.

#include "base/Clock.h"
#include "base/TaskScope.h"
#include "stacks/StackModel.h"
#include "stacks/StackQueries.h"

#include <QByteArray>
#include <QJsonArray>
#include <QString>
#include <optional>
#include <vector>

namespace fw::stacks {

struct StackContext;

inline const QString kStackStateFile = QStringLiteral("Framewell-stack-state.json");

class StackRefresh {
public:
    static constexpr Duration refreshInterval = std::chrono::seconds(1);
    static constexpr Duration deferredRefreshDelay = std::chrono::milliseconds(200);
    static constexpr double idleAfter = 5.0;   // seconds without pointer activity
    static constexpr Duration idleInterval = std::chrono::seconds(5);
    static constexpr double badgeGrace = kBadgeGrace;

    // Keeps the context; it must outlive the refresh (it is only used once started).
    explicit StackRefresh(StackContext& ctx) : ctx_(ctx) {}
    ~StackRefresh();
    StackRefresh(const StackRefresh&) = delete;
    StackRefresh& operator=(const StackRefresh&) = delete;

    // One pass; `fullScan` asks every window again.
    void pass(bool fullScan);
    // The presentation hides until the next pass shows every stack again.
    void suspend();

    // ---- Pacing
    // The periodic pass in `delay`; parked: none until armed again.
    void arm(Duration delay);
    void park();
    // Replaces a pending pass with one 0.2 s later, while running and monitoring.
    void schedule();
    void cancelScheduled();
    // Pointer activity now: an idle pace speeds up again.
    void noteActivity();
    // A switch or an activation happened now: badges stay steady for a moment.
    void noteSwitch();
    // The next pass shows every stack again.
    void presentAgain() { needsPresentation_ = true; }
    // Everything found and written is forgotten.
    void reset();

    // ---- State, for the engine and tests
    WindowScanState& scanState() { return scanState_; }
    const WindowScanState& scanState() const { return scanState_; }
    bool needsPresentation() const { return needsPresentation_; }
    bool timerArmed() const { return refreshTimer_ != 0; }
    int fullScanCount() const { return fullScanCount_; }
    double lastRefreshMilliseconds() const { return lastRefreshMilliseconds_; }
    const QJsonArray& diagnostics() const { return stackDiagnostics_; }
    double lastSwitchAt() const { return lastSwitchAt_; }

private:
    void tick();
    void discover();
    void present(const std::vector<WindowLayerSnapshot>& layers);
    void writeDiagnostics(double now);

    Lifeline<StackRefresh> self_{this};
    StackContext& ctx_;
    WindowScanState scanState_;
    bool needsPresentation_ = true;
    bool idlePace_ = false;
    TimerId refreshTimer_ = 0;
    TimerId pendingRefresh_ = 0;
    double lastActivity_ = 0;
    double lastSwitchAt_ = 0;

    std::optional<QByteArray> lastDiagnosticState_;
    double lastDiagnosticWrite_ = 0;
    double lastRefreshMilliseconds_ = 0;
    int fullScanCount_ = 0;
    QJsonArray stackDiagnostics_;
};

} // namespace fw::stacks
