// The refresh pass in its steps (layers, discovery, grouping, presenting, diagnostics) and the
// timers that pace it.
#include "stacks/StackRefresh.h"

#include "base/DiagnosticsWriter.h"
#include "stacks/StackContext.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace fw::stacks {

StackRefresh::~StackRefresh()
{
    self_.cut();
    clock_.cancel(refreshTimer);
    clock_.cancel(pendingRefresh);
}

void StackRefresh::reset()
{
    diagnostics = {};
    scanState = {};
}

void suspendPresentation(StackContext& ctx, StackRefresh& refresh)
{
    ctx.presentation->suspend();
    refresh.needsPresentation = true;
}

// ---- Pacing

namespace {

void refreshTick(StackContext& ctx, StackRefresh& refresh, StackSet& set, const StackFlags& flags)
{
    refresh.refreshTimer = 0;
    refreshPass(ctx, refresh, set, flags, false);
    if (!flags.running || !flags.monitoring || refresh.refreshTimer)
        return;
    // An idle desktop is scanned every 5 s instead of every second.
    refresh.idlePace = ctx.uptime() - refresh.lastActivity > StackRefresh::idleAfter;
    armRefresh(ctx, refresh, set, flags, refresh.idlePace ? StackRefresh::idleInterval : StackRefresh::refreshInterval);
}

} // namespace

void armRefresh(StackContext& ctx, StackRefresh& refresh, StackSet& set, const StackFlags& flags, Duration delay)
{
    ctx.clock.cancel(refresh.refreshTimer);
    auto weak = refresh.weak();
    refresh.refreshTimer = ctx.clock.schedule(delay, [weak, &ctx, &set, &flags] {
        if (auto self = weak.lock())
            refreshTick(ctx, *self, set, flags);
    });
}

void noteActivity(StackContext& ctx, StackRefresh& refresh, StackSet& set, const StackFlags& flags)
{
    refresh.lastActivity = ctx.uptime();
    if (refresh.idlePace && flags.monitoring && flags.running) {
        refresh.idlePace = false;
        armRefresh(ctx, refresh, set, flags, Duration::zero());
    }
}

void scheduleRefresh(StackContext& ctx, StackRefresh& refresh, StackSet& set, const StackFlags& flags)
{
    if (!flags.running || !flags.monitoring)
        return;
    ctx.clock.cancel(refresh.pendingRefresh);
    auto weak = refresh.weak();
    refresh.pendingRefresh = ctx.clock.schedule(StackRefresh::deferredRefreshDelay, [weak, &ctx, &set, &flags] {
        if (auto self = weak.lock()) {
            self->pendingRefresh = 0;
            refreshPass(ctx, *self, set, flags, false);
        }
    });
}

void noteSwitch(StackContext& ctx, StackRefresh& refresh, StackSet& set, const StackFlags& flags)
{
    refresh.lastSwitchAt = ctx.uptime();
    ctx.tasks.after(std::chrono::milliseconds(1550), [&ctx, &refresh, &set, &flags] {
        if (ctx.uptime() - refresh.lastSwitchAt >= StackRefresh::badgeGrace) {
            refresh.needsPresentation = true;
            scheduleRefresh(ctx, refresh, set, flags);
        }
    });
}

// ---- The pass

namespace {

void discover(StackContext& ctx, StackRefresh& refresh, StackSet& set)
{
    ++refresh.fullScanCount;
    const std::unordered_set<ManagedWindow> known = set.discover(refresh.scanState.changedPIDs);
    if (ctx.callbacks.onSnapshot)
        ctx.callbacks.onSnapshot(set.knownFrames());
    ctx.presentation->forget(known);
}

void present(StackContext& ctx, StackRefresh& refresh, StackSet& set, const std::vector<WindowLayerSnapshot>& layers)
{
    for (const WindowStack& stack : set.presented()) {
        const std::vector<ManagedWindow> members = set.assignCycleOrder(stack.members);
        QStringList apps;
        for (const ManagedWindow& m : stack.members)
            apps << m.appName;
        StackPresentation::Shown shown = ctx.presentation->present(stack, members, layers);
        if (shown.front)
            set.setFront(stack.members.front(), *shown.front);
        for (const QJsonValue& value : shown.records) {
            QJsonObject record = value.toObject();
            record.insert(QStringLiteral("apps"), QJsonArray::fromStringList(apps));
            record.insert(QStringLiteral("frame"), toString(stack.frame));
            refresh.diagnostics.append(record);
        }
    }
}

// A title bar is read again when its title changes: the titles of the stacked windows are
// watched, only theirs.
void watchMemberTitles(StackContext& ctx, const StackSet& set)
{
    std::vector<WindowId> windows;
    for (const WindowStack& stack : set.presented()) {
        for (const ManagedWindow& m : stack.members)
            windows.push_back(m.element);
    }
    ctx.activations.watchTitles(windows);
}

void writeDiagnostics(StackContext& ctx, StackRefresh& refresh, double now)
{
    const int anchors = ctx.presentation->visiblePanelCount();
    const QJsonObject state{{QStringLiteral("stacks"), refresh.diagnostics}, {QStringLiteral("visibleAnchors"), anchors}};
    const QByteArray bytes = QJsonDocument(state).toJson(QJsonDocument::Compact);
    if (refresh.lastDiagnosticState == bytes && now - refresh.lastDiagnosticWrite < WindowScanState::fullDiscoveryInterval)
        return;
    const QJsonObject file{
        {QStringLiteral("pid"), qint64(ctx.ownPid)},
        {QStringLiteral("timestamp"), double(QDateTime::currentMSecsSinceEpoch()) / 1000.0},
        {QStringLiteral("visibleAnchors"), anchors},
        {QStringLiteral("fullScans"), refresh.fullScanCount},
        {QStringLiteral("titleBarReads"), ctx.presentation->titleBarReadCount()},
        {QStringLiteral("refreshMilliseconds"), refresh.lastRefreshMilliseconds},
        {QStringLiteral("stacks"), refresh.diagnostics},
    };
    if (!writeDiagnosticsBytes(kStackStateFile, diagnosticsBytes(file)))
        return;   // tried again by the next pass
    refresh.lastDiagnosticState = bytes;
    refresh.lastDiagnosticWrite = now;
}

} // namespace

void refreshPass(StackContext& ctx, StackRefresh& refresh, StackSet& set, const StackFlags& flags, bool fullScan)
{
    if (!flags.running || flags.shuffling || flags.menuOpen)
        return;
    if (!flags.monitoring || !ctx.trusted() || !ctx.mayRefresh()) {
        // A mere press or click leaves what shows as it is.
        if (flags.monitoring && ctx.trusted() && ctx.onlyPressHeld())
            return;
        suspendPresentation(ctx, refresh);
        return;
    }
    if (ctx.presentation->switcherOpen())
        return;

    const Duration t0 = ctx.clock.now();
    std::vector<WindowLayerSnapshot> layers = captureLayers(ctx.access.windowSystem(), ctx.ownPid);
    const double t1 = ctx.uptime();
    set.noteLayers(layers);
    // Every window counts where it covers a badge or an anchor, whatever its level. Whether the
    // stacking changed, though, floating windows tell only where they meet a stack or an anchor:
    // a menu or a notice elsewhere asks for no pass.
    std::vector<Rect> zones = ctx.presentation->anchorZones();
    for (const WindowStack& s : set.presented())
        zones.push_back(s.frame);
    std::vector<WindowLayerSnapshot> watched = layers;
    std::erase_if(watched, [&](const WindowLayerSnapshot& l) {
        return !isWorkWindowLevel(l.level) && std::none_of(zones.begin(), zones.end(), [&](const Rect& z) { return z.intersects(l.frame); });
    });

    const ScanDecision decision = refresh.scanState.decide(watched, ctx.ownPid, fullScan, refresh.needsPresentation, t1);
    if (decision == ScanDecision::unchanged)
        return;
    if (decision == ScanDecision::discover)
        discover(ctx, refresh, set);
    set.group();
    refresh.diagnostics = {};
    present(ctx, refresh, set, layers);
    watchMemberTitles(ctx, set);
    ctx.presentation->endPass();
    refresh.needsPresentation = false;
    refresh.lastRefreshMilliseconds = toMilliseconds(ctx.clock.now() - t0);
    if (ctx.diagnostics)
        writeDiagnostics(ctx, refresh, t1);
}

} // namespace fw::stacks
