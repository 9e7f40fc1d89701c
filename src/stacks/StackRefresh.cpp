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
    ctx_.clock.cancel(refreshTimer_);
    ctx_.clock.cancel(pendingRefresh_);
}

void StackRefresh::suspend()
{
    ctx_.presentation->suspend();
    needsPresentation_ = true;
}

void StackRefresh::reset()
{
    stackDiagnostics_ = {};
    scanState_ = {};
}

// ---- Pacing

void StackRefresh::arm(Duration delay)
{
    ctx_.clock.cancel(refreshTimer_);
    auto weak = self_.weak();
    refreshTimer_ = ctx_.clock.schedule(delay, [weak] {
        if (auto self = weak.lock())
            self->tick();
    });
}

void StackRefresh::park() { ctx_.clock.cancel(std::exchange(refreshTimer_, 0)); }

void StackRefresh::cancelScheduled() { ctx_.clock.cancel(std::exchange(pendingRefresh_, 0)); }

void StackRefresh::tick()
{
    refreshTimer_ = 0;
    pass(false);
    if (!ctx_.flags.running || !ctx_.flags.monitoring || refreshTimer_)
        return;
    // An idle desktop is scanned every 5 s instead of every second.
    idlePace_ = ctx_.uptime() - lastActivity_ > idleAfter;
    arm(idlePace_ ? idleInterval : refreshInterval);
}

void StackRefresh::noteActivity()
{
    lastActivity_ = ctx_.uptime();
    if (idlePace_ && ctx_.flags.monitoring && ctx_.flags.running) {
        idlePace_ = false;
        arm(Duration::zero());
    }
}

void StackRefresh::schedule()
{
    if (!ctx_.flags.running || !ctx_.flags.monitoring)
        return;
    ctx_.clock.cancel(pendingRefresh_);
    auto weak = self_.weak();
    pendingRefresh_ = ctx_.clock.schedule(deferredRefreshDelay, [weak] {
        if (auto self = weak.lock()) {
            self->pendingRefresh_ = 0;
            self->pass(false);
        }
    });
}

void StackRefresh::noteSwitch()
{
    lastSwitchAt_ = ctx_.uptime();
    ctx_.tasks.after(std::chrono::milliseconds(1550), [this] {
        if (ctx_.uptime() - lastSwitchAt_ >= badgeGrace) {
            needsPresentation_ = true;
            schedule();
        }
    });
}

// ---- The pass

void StackRefresh::pass(bool fullScan)
{
    const StackFlags& flags = ctx_.flags;
    if (!flags.running || flags.shuffling || flags.menuOpen)
        return;
    if (!flags.monitoring || !ctx_.trusted() || !ctx_.mayRefresh()) {
        suspend();
        return;
    }
    if (ctx_.presentation->switcherOpen())
        return;

    const Duration t0 = ctx_.clock.now();
    std::vector<WindowLayerSnapshot> layers = captureLayers(ctx_.access.windowSystem(), ctx_.ownPid);
    const double t1 = ctx_.uptime();
    ctx_.set.noteKeptAbove(layers);
    // Floating windows count only where they cover an anchor.
    const std::vector<Rect> zones = ctx_.presentation->anchorZones();
    std::erase_if(layers, [&](const WindowLayerSnapshot& l) {
        return l.level != 0 && std::none_of(zones.begin(), zones.end(), [&](const Rect& z) { return z.intersects(l.frame); });
    });

    const ScanDecision decision = scanState_.decide(layers, ctx_.ownPid, fullScan, needsPresentation_, t1);
    if (decision == ScanDecision::unchanged)
        return;
    if (decision == ScanDecision::discover)
        discover();
    ctx_.set.group();
    stackDiagnostics_ = {};
    present(layers);
    ctx_.presentation->endPass();
    needsPresentation_ = false;
    lastRefreshMilliseconds_ = toMilliseconds(ctx_.clock.now() - t0);
    if (ctx_.diagnostics)
        writeDiagnostics(t1);
}

void StackRefresh::discover()
{
    ++fullScanCount_;
    const std::unordered_set<ManagedWindow> known = ctx_.set.discover(scanState_.changedPIDs);
    if (ctx_.callbacks.onSnapshot)
        ctx_.callbacks.onSnapshot(ctx_.set.knownFrames());
    ctx_.presentation->forget(known);
}

void StackRefresh::present(const std::vector<WindowLayerSnapshot>& layers)
{
    for (const WindowStack& stack : ctx_.set.presented()) {
        const std::vector<ManagedWindow> members = ctx_.set.assignCycleOrder(stack.members);
        QStringList apps;
        for (const ManagedWindow& m : stack.members)
            apps << m.appName;
        StackPresentation::Shown shown = ctx_.presentation->present(stack, members, layers);
        if (shown.front)
            ctx_.set.setFront(stack.members.front(), *shown.front);
        for (const QJsonValue& value : shown.records) {
            QJsonObject record = value.toObject();
            record.insert(QStringLiteral("apps"), QJsonArray::fromStringList(apps));
            record.insert(QStringLiteral("frame"), toString(stack.frame));
            stackDiagnostics_.append(record);
        }
    }
}

void StackRefresh::writeDiagnostics(double now)
{
    const int anchors = ctx_.presentation->visiblePanelCount();
    const QJsonObject state{{QStringLiteral("stacks"), stackDiagnostics_}, {QStringLiteral("visibleAnchors"), anchors}};
    const QByteArray bytes = QJsonDocument(state).toJson(QJsonDocument::Compact);
    if (lastDiagnosticState_ == bytes && now - lastDiagnosticWrite_ < WindowScanState::fullDiscoveryInterval)
        return;
    const QJsonObject file{
        {QStringLiteral("pid"), qint64(ctx_.ownPid)},
        {QStringLiteral("timestamp"), double(QDateTime::currentMSecsSinceEpoch()) / 1000.0},
        {QStringLiteral("visibleAnchors"), anchors},
        {QStringLiteral("fullScans"), fullScanCount_},
        {QStringLiteral("chromeReads"), ctx_.presentation->chromeReadCount()},
        {QStringLiteral("refreshMilliseconds"), lastRefreshMilliseconds_},
        {QStringLiteral("stacks"), stackDiagnostics_},
    };
    if (!writeDiagnosticsBytes(kStackStateFile, diagnosticsBytes(file)))
        return;   // tried again by the next pass
    lastDiagnosticState_ = bytes;
    lastDiagnosticWrite_ = now;
}

} // namespace fw::stacks
