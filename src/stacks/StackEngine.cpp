// The stack engine's lifecycle, its settings and its presenter: everything else is the state's
// or a run's.
#include "stacks/StackEngine.h"

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
      ctx_{resolved(services), tasks_, callbacks}, refresh_(services.clock), tasks_(services.clock)
{
    if (!ctx_.presentation)
        ctx_.presentation = &noPresentation_;
    noteActivity(ctx_, refresh_, set_, flags_);
    if (!services.presentation && services.surfaces)
        makePresenter(services);
}

StackEngine::~StackEngine()
{
    self_.cut();
    if (flags_.running)
        unwatch();
}

void StackEngine::unwatch()
{
    ctx_.activations.setActivationHandler({});
    ctx_.activations.setTitleHandler({});
    ctx_.activations.watchTitles({});
}

void StackEngine::makePresenter(const StackServices& services)
{
    // The presenter's gestures reach the engine only while it lives.
    ownPresenter_ = std::make_unique<StackPresenter>(
        *this, std::weak_ptr<StackActions>(self_.weak()), badges_,
        PresenterServices{ctx_.access, ctx_.screens, ctx_.clock, *services.surfaces, callbacks,
                          services.mouse});
    ctx_.presentation = ownPresenter_.get();
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
    // A stacked window's new title may stand where its badge was placed: its bar is read again.
    ctx_.activations.setTitleHandler([weak] {
        if (auto self = weak.lock()) {
            self->refresh_.presentAgain();
            self->scheduleRefresh();
        }
    });
    ctx_.presentation->start();
    if (flags_.monitoring)
        armRefresh(ctx_, refresh_, set_, flags_, StackRefresh::refreshInterval);
    scheduleRefresh();
}

void StackEngine::stop()
{
    flags_.running = false;
    unwatch();
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
    if (set_.onRegrouped)
        set_.onRegrouped();
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
    if (set_.onRegrouped)
        set_.onRegrouped();
    if (!enabled) {
        refresh_.park();
        refresh_.cancelScheduled();
        ctx_.activations.watchTitles({});
        suspend();
        return;
    }
    if (flags_.running)
        armRefresh(ctx_, refresh_, set_, flags_, StackRefresh::refreshInterval);
    // However long the system has been up, the next pass asks every window again.
    refresh_.scanState.forceFullDiscovery();
    scheduleRefresh();
}

void StackEngine::noteMouseMoved(Point at)
{
    noteActivity(ctx_, refresh_, set_, flags_);
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
    noteSwitch(ctx_, refresh_, set_, flags_);
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
