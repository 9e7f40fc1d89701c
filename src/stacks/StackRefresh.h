#pragma once
// The refresh pass and its pacing. A pass reads the layer list once; nothing more happens
// unless the ordinary windows changed (they are discovered again: every one of them at least
// once a minute, otherwise only the processes whose windows changed), the stacking changed, or
// the stacks must be shown again (as when a stacked window's title changed: the pass that
// presents watches the titles of the stacked windows). Passes run every second, every 5 s on
// an idle desktop, and 0.2 s after a change; passes that could disturb the user are skipped,
// not queued (the menu open, a move animating, a switcher open). With "--diagnostics" each pass that changed what
// it found writes the stack-state file. The refresh is a state class; the pass and its pacing
// are runs that take it with the stacks and the engine's flags.

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
struct StackFlags;
class StackSet;

inline const QString kStackStateFile = QStringLiteral("Framewell-stack-state.json");

// The state of the refresh pass: what the last scans found, whether the next pass shows every
// stack again, the pacing timers and the diagnostics. The runs below change it.
class StackRefresh {
public:
    static constexpr Duration refreshInterval = std::chrono::seconds(1);
    static constexpr Duration deferredRefreshDelay = std::chrono::milliseconds(200);
    static constexpr double idleAfter = 5.0;   // seconds without pointer activity
    static constexpr Duration idleInterval = std::chrono::seconds(5);
    static constexpr double badgeGrace = kBadgeGrace;

    // The clock its timers run on; it must outlive the refresh.
    explicit StackRefresh(Clock& clock) : clock_(clock) {}
    ~StackRefresh();
    StackRefresh(const StackRefresh&) = delete;
    StackRefresh& operator=(const StackRefresh&) = delete;

    // The timers' callbacks reach the refresh only while it lives.
    std::weak_ptr<StackRefresh> weak() const { return self_.weak(); }
    // The next pass shows every stack again.
    void presentAgain() { needsPresentation = true; }
    // Everything found and written is forgotten.
    void reset();
    // No periodic pass until armed again; no pending one.
    void park() { clock_.cancel(std::exchange(refreshTimer, 0)); }
    void cancelScheduled() { clock_.cancel(std::exchange(pendingRefresh, 0)); }
    bool timerArmed() const { return refreshTimer != 0; }

    WindowScanState scanState;
    bool needsPresentation = true;
    bool idlePace = false;
    TimerId refreshTimer = 0;
    TimerId pendingRefresh = 0;
    double lastActivity = 0;
    double lastSwitchAt = 0;

    std::optional<QByteArray> lastDiagnosticState;
    double lastDiagnosticWrite = 0;
    double lastRefreshMilliseconds = 0;
    int fullScanCount = 0;
    QJsonArray diagnostics;

private:
    Clock& clock_;
    Lifeline<StackRefresh> self_{this};
};

// One pass; `fullScan` asks every window again.
void refreshPass(StackContext& ctx, StackRefresh& refresh, StackSet& set, const StackFlags& flags, bool fullScan);
// The presentation hides until the next pass shows every stack again.
void suspendPresentation(StackContext& ctx, StackRefresh& refresh);

// ---- Pacing
// The periodic pass in `delay`.
void armRefresh(StackContext& ctx, StackRefresh& refresh, StackSet& set, const StackFlags& flags, Duration delay);
// Replaces a pending pass with one 0.2 s later, while running and monitoring.
void scheduleRefresh(StackContext& ctx, StackRefresh& refresh, StackSet& set, const StackFlags& flags);
// Pointer activity now: an idle pace speeds up again.
void noteActivity(StackContext& ctx, StackRefresh& refresh, StackSet& set, const StackFlags& flags);
// A switch or an activation happened now: badges stay steady for a moment.
void noteSwitch(StackContext& ctx, StackRefresh& refresh, StackSet& set, const StackFlags& flags);

} // namespace fw::stacks
