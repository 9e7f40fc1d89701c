// The stack engine's lifecycle, its settings and the slots it fills: everything else is the
// state's or a run's.
#include "stacks/StackEngine.h"

#include "stacks/ChromeReads.h"
#include "stacks/StackPresenter.h"

namespace fw::stacks {

namespace {

StackServices resolved(StackServices services)
{
    if (!services.ownPid)
        services.ownPid = fw::ownPid();
    return services;
}

} // namespace

StackEngine::StackEngine(const StackServices& services)
    : set_(services.access, callbacks), badges_(services.defaults),
      ctx_{resolved(services), tasks_, callbacks, flags_, set_, refresh_}, refresh_(ctx_), tasks_(services.clock)
{
    if (!ctx_.presentation)
        ctx_.presentation = &noPresentation_;
    refresh_.noteActivity();
    if (!services.presentation && services.surfaces)
        makePresenter(services);
}

StackEngine::~StackEngine()
{
    self_.cut();
    if (flags_.running)
        ctx_.activations.setActivationHandler({});
}

void StackEngine::makePresenter(const StackServices& services)
{
    ChromeReads* reads = services.chromeReads;
    if (!reads) {
        ownChromeReads_ = std::make_unique<EmptyChromeReads>(ctx_.clock);
        reads = ownChromeReads_.get();
    }
    ownPresenter_ = std::make_unique<StackPresenter>(
        *this, requests(),
        PresenterServices{ctx_.access, ctx_.screens, ctx_.clock, *services.surfaces, *reads, callbacks, badges_,
                          services.mouse, services.desktop});
    ctx_.presentation = ownPresenter_.get();
}

StackRequests StackEngine::requests()
{
    // Each request reaches the engine only while it lives.
    auto weak = self_.weak();
    StackRequests r;
    r.switchFront = [weak](const ManagedWindow& target, const Rect& slot, bool instant,
                           const std::optional<ManagedWindow>& previous) {
        auto self = weak.lock();
        return self && self->switchFront(target, slot, instant, previous);
    };
    r.cycle = [weak](const ManagedWindow& current, int step, const WindowStack& stack) -> std::optional<ManagedWindow> {
        auto self = weak.lock();
        return self ? self->cycle(current, step, stack) : std::nullopt;
    };
    r.bringUnderneathForward = [weak](const WindowStack& stack) {
        auto self = weak.lock();
        return self && self->bringUnderneathForward(stack);
    };
    r.refresh = [weak](bool fullScan) {
        if (auto self = weak.lock())
            self->refresh(fullScan);
    };
    r.scheduleRefresh = [weak] {
        if (auto self = weak.lock())
            self->scheduleRefresh();
    };
    r.presentAgain = [weak] {
        if (auto self = weak.lock())
            self->setNeedsPresentationRefresh();
    };
    return r;
}

// ---- Lifecycle

void StackEngine::start()
{
    if (flags_.running)
        return;
    flags_.running = true;
    auto weak = self_.weak();
    ctx_.activations.setActivationHandler([weak] {
        if (auto self = weak.lock())
            self->applicationActivated();
    });
    ctx_.presentation->start();
    if (flags_.monitoring)
        refresh_.arm(StackRefresh::refreshInterval);
    scheduleRefresh();
}

void StackEngine::stop()
{
    flags_.running = false;
    ctx_.activations.setActivationHandler({});
    refresh_.park();
    refresh_.cancelScheduled();
    suspend();
    ctx_.presentation->stop();
    set_.clear();
    refresh_.reset();
}

void StackEngine::setEnabled(bool enabled)
{
    if (enabled == set_.enabled())
        return;
    set_.setEnabled(enabled);
    if (!enabled)
        suspend();
    refresh_.presentAgain();
    scheduleRefresh();
}

void StackEngine::setMonitoringEnabled(bool enabled)
{
    if (enabled == flags_.monitoring)
        return;
    flags_.monitoring = enabled;
    if (!enabled) {
        refresh_.park();
        refresh_.cancelScheduled();
        suspend();
        return;
    }
    if (flags_.running)
        refresh_.arm(StackRefresh::refreshInterval);
    // However long the system has been up, the next pass asks every window again.
    refresh_.scanState().forceFullDiscovery();
    scheduleRefresh();
}

void StackEngine::noteMouseMoved(Point at)
{
    refresh_.noteActivity();
    ctx_.presentation->noteMouseMoved(at);
}

void StackEngine::noteWindowChanged(const WindowFramePairs& windows)
{
    if (flags_.monitoring)
        set_.updateKnownFrames(windows);
}

bool StackEngine::mayHover() const
{
    return !flags_.shuffling && !flags_.menuOpen && flags_.monitoring && set_.enabled() && ctx_.mayRefresh();
}

void StackEngine::applicationActivated()
{
    refresh_.noteSwitch();
    refresh_.presentAgain();
    scheduleRefresh();
}

// ---- Badge settings

void StackEngine::badgesChanged(bool dropBadges)
{
    if (dropBadges)
        ctx_.presentation->dropBadges();
    refresh_.presentAgain();
    scheduleRefresh();
}

void StackEngine::setBadgesEnabled(bool enabled)
{
    badges_.setEnabled(enabled);
    badgesChanged(true);
}

void StackEngine::setBadgesOnEdge(bool onEdge)
{
    badges_.setOnEdge(onEdge);
    badgesChanged(true);
}

void StackEngine::setAutoPlaceBadges(bool autoPlace)
{
    badges_.setAutoPlace(autoPlace);
    badgesChanged(false);
}

} // namespace fw::stacks
