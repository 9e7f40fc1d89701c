// The controller's lifecycle, timers and refresh pass. A pass reads the layer list once;
// nothing more happens unless the ordinary windows changed (they are discovered again: every
// one of them at least once a minute, otherwise only the processes whose windows changed), the
// stacking changed, or the stacks must be shown again. Passes that could disturb the user are
// skipped, not queued: while the menu is open, a move animates or a switcher is open.
#include "stacks/WindowStackController.h"

#include "base/DiagnosticsWriter.h"
#include "base/UserDefaults.h"
#include "stacks/ChromeReads.h"
#include "stacks/StackPresenter.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace fw::stacks {

WindowStackController::WindowStackController(const StackServices& services)
    : access_(services.access), screens_(services.screens), permissions_(services.permissions),
      clock_(services.clock), defaults_(services.defaults), transitions_(services.transitions),
      activations_(services.activations),
      presentation_(services.presentation ? services.presentation : &noPresentation_),
      diagnostics_(services.diagnostics), ownPid_(services.ownPid ? services.ownPid : ownPid()),
      badgesEnabled_(services.defaults.boolValue(QStringLiteral("stackBadgesEnabled"), true)),
      badgesOnEdge_(services.defaults.boolValue(QStringLiteral("stackBadgesOnEdge"), true)),
      autoPlaceBadges_(services.defaults.boolValue(QStringLiteral("stackBadgesAutoPlace"), true)),
      badgePlacements_(services.defaults), tasks_(services.clock)
{
    lastActivity_ = uptime();
    if (!services.presentation && services.surfaces) {
        ChromeReads* reads = services.chromeReads;
        if (!reads) {
            ownChromeReads_ = std::make_unique<EmptyChromeReads>(clock_);
            reads = ownChromeReads_.get();
        }
        ownPresenter_ = std::make_unique<StackPresenter>(
            *this, PresenterServices{access_, screens_, clock_, *services.surfaces, *reads, services.mouse});
        presentation_ = ownPresenter_.get();
    }
}

WindowStackController::~WindowStackController()
{
    self_.cut();
    if (running_)
        activations_.setActivationHandler({});
    clock_.cancel(refreshTimer_);
    clock_.cancel(pendingRefresh_);
}

// ---- Lifecycle

void WindowStackController::start()
{
    if (running_)
        return;
    running_ = true;
    auto weak = self_.weak();
    activations_.setActivationHandler([weak] {
        if (auto self = weak.lock())
            self->applicationActivated();
    });
    presentation_->start();
    if (monitoringEnabled_)
        armRefresh(refreshInterval);
    scheduleRefresh();
}

void WindowStackController::stop()
{
    running_ = false;
    activations_.setActivationHandler({});
    cycleOrder_.clear();
    parkRefresh();
    clock_.cancel(std::exchange(pendingRefresh_, 0));
    suspend();
    presentation_->stop();
    stacks_.clear();
    presented_.clear();
    knownFrames_.clear();
    stackFronts_.clear();
    stackDiagnostics_ = {};
    scanState_ = {};
}

void WindowStackController::suspend()
{
    presentation_->suspend();
    needsPresentationRefresh_ = true;
}

void WindowStackController::dismissPickers() { presentation_->dismissPickers(); }

void WindowStackController::setEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    if (!enabled)
        suspend();
    needsPresentationRefresh_ = true;
    scheduleRefresh();
}

void WindowStackController::setMonitoringEnabled(bool enabled)
{
    if (enabled == monitoringEnabled_)
        return;
    monitoringEnabled_ = enabled;
    if (!enabled) {
        parkRefresh();
        clock_.cancel(std::exchange(pendingRefresh_, 0));
        suspend();
        return;
    }
    if (running_)
        armRefresh(refreshInterval);
    // However long the system has been up, the next pass asks every window again.
    scanState_.forceFullDiscovery();
    scheduleRefresh();
}

// ---- Badge settings

void WindowStackController::setBadgesEnabled(bool enabled)
{
    badgesEnabled_ = enabled;
    defaults_.setValue(QStringLiteral("stackBadgesEnabled"), enabled);
    presentation_->dropBadges();
    needsPresentationRefresh_ = true;
    scheduleRefresh();
}

void WindowStackController::setBadgesOnEdge(bool onEdge)
{
    badgesOnEdge_ = onEdge;
    defaults_.setValue(QStringLiteral("stackBadgesOnEdge"), onEdge);
    presentation_->dropBadges();
    needsPresentationRefresh_ = true;
    scheduleRefresh();
}

void WindowStackController::setAutoPlaceBadges(bool autoPlace)
{
    autoPlaceBadges_ = autoPlace;
    needsPresentationRefresh_ = true;
    scheduleRefresh();
}

bool WindowStackController::mayHover() const
{
    return !shuffling_ && !menuOpen_ && monitoringEnabled_ && enabled_ && mayRefresh();
}

// ---- Timers

void WindowStackController::armRefresh(Duration delay)
{
    clock_.cancel(refreshTimer_);
    auto weak = self_.weak();
    refreshTimer_ = clock_.schedule(delay, [weak] {
        if (auto self = weak.lock())
            self->refreshTick();
    });
}

void WindowStackController::parkRefresh() { clock_.cancel(std::exchange(refreshTimer_, 0)); }

void WindowStackController::refreshTick()
{
    refreshTimer_ = 0;
    refresh(false);
    if (!running_ || !monitoringEnabled_ || refreshTimer_)
        return;
    // An idle desktop is scanned every 5 s instead of every second.
    idlePace_ = uptime() - lastActivity_ > idleAfter;
    armRefresh(idlePace_ ? idleInterval : refreshInterval);
}

void WindowStackController::noteMouseMoved(Point at)
{
    lastActivity_ = uptime();
    if (idlePace_ && monitoringEnabled_ && running_) {
        idlePace_ = false;
        armRefresh(Duration::zero());
    }
    presentation_->noteMouseMoved(at);
}

void WindowStackController::scheduleRefresh()
{
    if (!running_ || !monitoringEnabled_)
        return;
    clock_.cancel(pendingRefresh_);
    auto weak = self_.weak();
    pendingRefresh_ = clock_.schedule(deferredRefreshDelay, [weak] {
        if (auto self = weak.lock()) {
            self->pendingRefresh_ = 0;
            self->refresh(false);
        }
    });
}

void WindowStackController::applicationActivated()
{
    noteSwitch();
    needsPresentationRefresh_ = true;
    scheduleRefresh();
}

void WindowStackController::noteSwitch()
{
    lastSwitchAt_ = uptime();
    tasks_.after(std::chrono::milliseconds(1550), [this] {
        if (uptime() - lastSwitchAt_ >= badgeGrace) {
            needsPresentationRefresh_ = true;
            scheduleRefresh();
        }
    });
}

// ---- The refresh pass

void WindowStackController::refresh(bool fullScan)
{
    if (!running_ || shuffling_ || menuOpen_)
        return;
    if (!monitoringEnabled_ || !trusted() || !mayRefresh()) {
        suspend();
        return;
    }
    if (presentation_->switcherOpen())
        return;

    const Duration t0 = clock_.now();
    std::vector<WindowLayerSnapshot> layers = captureLayers(access_.windowSystem(), ownPid_);
    const double t1 = uptime();
    noteKeptAbove(layers);
    // Floating windows count only where they cover an anchor.
    const std::vector<Rect> zones = presentation_->anchorZones();
    std::erase_if(layers, [&](const WindowLayerSnapshot& l) {
        return l.level != 0 && std::none_of(zones.begin(), zones.end(), [&](const Rect& z) { return z.intersects(l.frame); });
    });

    const ScanDecision decision = scanState_.decide(layers, ownPid_, fullScan, needsPresentationRefresh_, t1);
    if (decision == ScanDecision::unchanged)
        return;
    if (decision == ScanDecision::discover)
        discover();
    group();
    presentStacks(layers);
    presentation_->endPass();
    needsPresentationRefresh_ = false;
    lastRefreshMilliseconds_ = toMilliseconds(clock_.now() - t0);
    if (diagnostics_)
        writeDiagnostics(t1);
}

void WindowStackController::discover()
{
    ++fullScanCount_;
    if (!scanState_.changedPIDs) {
        knownFrames_ = access_.managedWindows();
    } else {
        const auto& changed = *scanState_.changedPIDs;
        std::erase_if(knownFrames_, [&](const DiscoveredWindow& d) { return changed.count(d.window.pid) > 0; });
        auto fresh = access_.managedWindows({}, std::nullopt, nullptr, &changed);
        knownFrames_.insert(knownFrames_.end(), fresh.begin(), fresh.end());
    }
    if (callbacks.onSnapshot)
        callbacks.onSnapshot(knownFrames_);
    std::unordered_set<ManagedWindow> known;
    for (const DiscoveredWindow& d : knownFrames_)
        known.insert(d.window);
    cycleOrder_.keepOnly(known);
    presentation_->forget(known);
}

void WindowStackController::noteKeptAbove(const std::vector<WindowLayerSnapshot>& layers)
{
    keptAbove_.clear();
    for (const WindowLayerSnapshot& l : layers) {
        if (l.level == kKeptAboveLevel)
            keptAbove_.insert(l.id);
    }
}

WindowSnapshot WindowStackController::stackable() const
{
    WindowSnapshot out = knownFrames_;
    std::erase_if(out, [&](const DiscoveredWindow& d) { return keptAbove_.count(d.window.element) > 0; });
    return out;
}

std::vector<WindowStack> WindowStackController::currentFrameStacks(const WindowSnapshot& windows) const
{
    return frameStacks(windows, callbacks.regionProvider ? callbacks.regionProvider() : std::vector<Rect>{});
}

void WindowStackController::group()
{
    const WindowSnapshot windows = stackable();
    stacks_ = enabled_ ? currentFrameStacks(windows) : std::vector<WindowStack>{};
    std::vector<WindowStack> spans;
    if (enabled_ && callbacks.spanProvider)
        spans = spanStacks(callbacks.spanProvider(), windows);
    presented_ = mergeStacks(stacks_, spans);
    stackDiagnostics_ = {};
    stackFronts_.clear();
}

void WindowStackController::presentStacks(const std::vector<WindowLayerSnapshot>& layers)
{
    for (const WindowStack& stack : presented_) {
        const std::vector<ManagedWindow> members = cycleOrder_.assign(stack.members);
        QStringList apps;
        for (const ManagedWindow& m : stack.members)
            apps << m.appName;
        StackPresentation::Shown shown = presentation_->present(stack, members, layers);
        if (shown.front)
            stackFronts_[stack.members.front()] = *shown.front;
        for (const QJsonValue& value : shown.records) {
            QJsonObject record = value.toObject();
            record.insert(QStringLiteral("apps"), QJsonArray::fromStringList(apps));
            record.insert(QStringLiteral("frame"), toString(stack.frame));
            stackDiagnostics_.append(record);
        }
    }
}

void WindowStackController::writeDiagnostics(double now)
{
    const QJsonObject state{{QStringLiteral("stacks"), stackDiagnostics_},
                            {QStringLiteral("visibleAnchors"), visiblePanelCount()}};
    const QByteArray bytes = QJsonDocument(state).toJson(QJsonDocument::Compact);
    if (lastDiagnosticState_ == bytes && now - lastDiagnosticWrite_ < WindowScanState::fullDiscoveryInterval)
        return;
    const QJsonObject file{
        {QStringLiteral("pid"), qint64(ownPid_)},
        {QStringLiteral("timestamp"), double(QDateTime::currentMSecsSinceEpoch()) / 1000.0},
        {QStringLiteral("visibleAnchors"), visiblePanelCount()},
        {QStringLiteral("fullScans"), fullScanCount_},
        {QStringLiteral("chromeReads"), ownPresenter_ ? ownPresenter_->chromeReadCount() : 0},
        {QStringLiteral("refreshMilliseconds"), lastRefreshMilliseconds_},
        {QStringLiteral("stacks"), stackDiagnostics_},
    };
    if (!writeDiagnosticsBytes(kStackStateFile, diagnosticsBytes(file)))
        return;   // tried again by the next pass
    lastDiagnosticState_ = bytes;
    lastDiagnosticWrite_ = now;
}

} // namespace fw::stacks
