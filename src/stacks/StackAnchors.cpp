// The presenter's part of each refresh pass: which members of a stack show usable title-bar
// buttons and really stand in front there (the front probe), an anchor panel over each such
// front with its hover geometry and its switcher's actions, and the badge beside it; after the
// pass, what was not presented goes and the panels are raised above the windows again.
#include "stacks/StackPresenter.h"

#include "layout/ScreenGeometry.h"

#include <QJsonObject>

namespace fw::stacks {

StackPresenter::StackPresenter(const StackQueries& queries, StackRequests requests, const PresenterServices& services)
    : queries_(queries), requests_(std::move(requests)), callbacks_(services.callbacks),
      badgeSettings_(services.badgeSettings), access_(services.access), screens_(services.screens), clock_(services.clock),
      surfaces_(services.surfaces), chromeReads_(services.chromeReads), mouse_(services.mouse),
      desktop_(services.desktop)
{
}

StackPresenter::~StackPresenter()
{
    self_.cut();
    clock_.cancel(hoverTimer_);
    clock_.cancel(chromeTimer_);
}

AnchorPanel* StackPresenter::panel(const ManagedWindow& window) const
{
    const auto it = panels_.find(window);
    return it == panels_.end() ? nullptr : it->second.get();
}

const std::vector<ScreenInfo>& StackPresenter::passScreens() const
{
    if (!passScreens_)
        passScreens_ = screens_.screens();
    return *passScreens_;
}

std::vector<Rect> StackPresenter::screenFrames() const
{
    std::vector<Rect> out;
    for (const ScreenInfo& s : passScreens())
        out.push_back(s.frame);
    return out;
}

// The members whose title-bar buttons can be read and lie in the top 100 points of their slot;
// a member whose window manager draws no title bar (the window draws its own) is probed at the
// badge's spot inside its top edge and gets a badge without an anchor.
std::vector<StackPresenter::Candidate> StackPresenter::probe(const WindowStack& stack,
                                                             const std::vector<ManagedWindow>& members,
                                                             std::unordered_map<ManagedWindow, Rect>& lights)
{
    std::vector<Candidate> out;
    for (const ManagedWindow& m : members) {
        const Rect slot = stack.slot(m);
        const auto cached = controlsCache_.find(m);
        if (cached == controlsCache_.end() || !(cached->second.slot == slot)) {
            auto read = readControls(m);
            if (!read) {
                controlsCache_.erase(m);
                continue;
            }
            read->slot = slot;
            controlsCache_[m] = *read;
        }
        const Controls& known = controlsCache_.at(m);
        if (!known.titled) {
            if (slot.contains(known.minimize))
                out.push_back({m, known.minimize, known.minimize, known.minimize, false});
            continue;
        }
        const Rect controls = known.controls, minimize = known.minimize;
        lights[m] = controls;
        if (controls.width() <= 0 || controls.height() <= 0 || !slot.contains(controls) || !controls.contains(minimize)
            || controls.maxY() > slot.minY() + 100)
            continue;
        out.push_back({m, minimize, minimize.insetBy(-3, -7).intersection(slot), controls, true});
    }
    return out;
}

std::optional<StackPresenter::Controls> StackPresenter::readControls(const ManagedWindow& m) const
{
    const auto c = access_.titleBarButtonsFrame(m.element);
    const auto n = c ? access_.minimizeButtonFrame(m.element) : std::nullopt;
    const auto bar = n ? access_.titleBarFrame(m.element) : std::nullopt;
    if (c && n && bar)
        return Controls{{}, *c, *n, true, *bar};
    const auto frame = access_.frame(m);
    if (!frame)
        return std::nullopt;
    return Controls{{}, Rect::null(), Rect(frame->minX() + 7, frame->minY() + 6, 12, 12), false};
}

bool StackPresenter::confirmsFront(const ManagedWindow& candidate, const Rect& probe,
                                   const std::vector<WindowLayerSnapshot>& layers, const std::vector<Rect>&,
                                   const WindowStack& stack, Point point) const
{
    // No Dock on this desktop: the first layer over the button must be the candidate itself.
    const auto& screens = passScreens();
    const auto screen = std::find_if(screens.begin(), screens.end(), [&](const ScreenInfo& s) { return s.frame.contains(point); });
    if (screen == screens.end() || !screen->visibleFrame.contains(probe))
        return false;
    const auto layer = std::find_if(layers.begin(), layers.end(), [&](const WindowLayerSnapshot& l) { return l.frame.intersects(probe); });
    if (layer == layers.end() || layer->level != 0 || layer->pid != candidate.pid
        || !stack.sitsInSlot(candidate, layer->frame))
        return false;
    // The window under the point, from the same list: the server's own stacking, no round trip.
    const auto under = std::find_if(layers.begin(), layers.end(), [&](const WindowLayerSnapshot& l) { return l.frame.contains(point); });
    return under != layers.end() && under->id == candidate.element && under->pid == candidate.pid;
}

StackPresentation::Shown StackPresenter::present(const WindowStack& stack, const std::vector<ManagedWindow>& members,
                                                 const std::vector<WindowLayerSnapshot>& layers)
{
    Shown out;
    std::unordered_map<ManagedWindow, Rect> lights;
    const std::vector<Candidate> candidates = probe(stack, members, lights);
    const std::vector<Rect> screens = screenFrames();
    std::vector<Candidate> visible;
    for (const Candidate& c : candidates) {
        if (confirmsFront(c.window, c.minimize, layers, screens, stack, {c.controls.midX(), c.controls.midY()}))
            visible.push_back(c);
    }
    if (visible.empty()) {
        QJsonArray covers;
        for (const Candidate& c : candidates)
            covers.append(windowHitDescription(c.window.appName, c.minimize, {c.controls.midX(), c.controls.midY()}, layers));
        out.records.append(QJsonObject{{QStringLiteral("status"), QStringLiteral("controls unavailable or covered")},
                                       {QStringLiteral("controlCandidates"), int(candidates.size())},
                                       {QStringLiteral("covers"), covers}});
        return out;
    }
    out.front = visible.front().window;
    for (const Candidate& c : visible) {
        if (c.titled) {
            presentAnchor(c, stack, members, lights, layers, out);
            continue;
        }
        out.records.append(QJsonObject{{QStringLiteral("status"), QStringLiteral("no title bar: badge only")},
                                       {QStringLiteral("frontApp"), c.window.appName}});
        const std::vector<ManagedWindow> mates = queries_.slotMates(c.window, members, stack);
        if (const auto key = presentBadge(c.window, mates, stack, std::nullopt, layers))
            badgesSeen_.insert(*key);
    }
    return out;
}

void StackPresenter::presentAnchor(const Candidate& c, const WindowStack& stack, const std::vector<ManagedWindow>& members,
                                   const std::unordered_map<ManagedWindow, Rect>& lights,
                                   const std::vector<WindowLayerSnapshot>& layers, Shown& out)
{
    const ManagedWindow& w = c.window;
    const auto known = anchors_.find(w);
    auto& panel = panels_[w];
    if (known == anchors_.end() || !(known->second.origin == c.minimize)) {
        hoverStates_.erase(w);
        if (panel)
            panel->orderOut();
    }
    anchors_[w] = {c.minimize, c.activation, {c.activation}};
    fronts_[w] = w;
    out.records.append(QJsonObject{{QStringLiteral("originFrame"), toString(c.minimize)},
                                   {QStringLiteral("activationFrame"), toString(c.activation)},
                                   {QStringLiteral("status"), QStringLiteral("hover ready")},
                                   {QStringLiteral("frontApp"), w.appName}});
    anchorsSeen_.insert(w);
    if (!panel)
        panel = surfaces_.makeAnchorPanel(c.minimize);
    panel->anchor().update(members, w);
    configureAnchorCallbacks(panel->anchor(), stack);
    if (!(panel->frame() == c.minimize))
        panel->setFrame(c.minimize);

    const std::vector<ManagedWindow> mates = queries_.slotMates(w, members, stack);
    const auto light = lights.find(w);
    const auto key = presentBadge(w, mates, stack, light == lights.end() ? std::nullopt : std::optional(light->second), layers);
    if (key)
        badgesSeen_.insert(*key);
}

void StackPresenter::configureAnchorCallbacks(WindowStackAnchor& anchor, const WindowStack& stack,
                                              std::function<void()> onDismiss)
{
    auto weak = self_.weak();
    auto* a = &anchor;
    anchor.sections = stack.sections;
    anchor.layoutInfo = [weak, frame = stack.frame] {
        auto self = weak.lock();
        const auto& summary = self ? self->callbacks_.layoutSummary : nullptr;
        const LayoutSummary offered = summary ? summary(frame) : LayoutSummary{};
        return LayoutOffer{std::vector<QString>(offered.names.begin(), offered.names.end()), offered.active};
    };
    anchor.chooseLayout = [weak, frame = stack.frame](int index) {
        if (auto self = weak.lock(); self && self->callbacks_.switchLayout)
            self->callbacks_.switchLayout(index, frame);
    };
    anchor.sendToBack = nullptr;
    if (!stack.underneath.empty()) {
        anchor.sendToBack = [weak, stack] {
            if (auto self = weak.lock())
                self->requests_.bringUnderneathForward(stack);
        };
    }
    anchor.choose = [weak, a, stack](const ManagedWindow& chosen) {
        const std::optional<ManagedWindow> front = a->front();
        a->endPeek(true, [weak, stack, chosen, front] {
            if (auto self = weak.lock())
                self->requests_.switchFront(chosen, stack.slot(chosen), front && *front == chosen, front);
        });
    };
    anchor.peekWindow = [weak](const ManagedWindow& w) {
        if (auto self = weak.lock())
            self->access_.raise(w);
    };
    anchor.currentFronts = [weak, stack] {
        auto self = weak.lock();
        return self ? self->queries_.slotRepresentatives(stack) : std::vector<ManagedWindow>{};
    };
    anchor.stretch = nullptr;
    if (!stack.sections.empty()) {
        anchor.stretch = [weak, a, frame = stack.frame](const ManagedWindow& w) {
            a->endPeek(false);
            a->teardown();
            if (auto self = weak.lock(); self && self->callbacks_.stretch)
                self->callbacks_.stretch(w, frame);
        };
    }
    anchor.cycle = [weak, a, stack](int step) -> std::optional<ManagedWindow> {
        auto self = weak.lock();
        const auto front = a->front();
        if (!self || !front)
            return std::nullopt;
        auto next = self->requests_.cycle(*front, step, stack);
        if (next)
            self->fronts_[stack.members.front()] = *next;
        return next;
    };
    if (onDismiss)
        anchor.onDismiss = std::move(onDismiss);
}

void StackPresenter::endPass()
{
    passScreens_.reset();
    retireStale();
    if (panels_.empty() && badges_.empty()) {
        pauseHover();
    } else if (queries_.enabled()) {
        checkHover(pointer());
    } else {
        pauseHover();
    }
    raisePanels();
}

void StackPresenter::retireStale()
{
    const double now = uptime();
    std::vector<BadgeKey> gone;
    for (const auto& [key, badge] : badges_) {
        if (badgesSeen_.count(key))
            continue;
        const auto& presented = queries_.presented();
        const bool stillStack = std::any_of(presented.begin(), presented.end(),
                                            [&](const WindowStack& s) { return s.members.front() == key.stack; });
        if (!(now - queries_.lastSwitchAt() < kBadgeGrace && stillStack))
            gone.push_back(key);
    }
    for (const BadgeKey& key : gone)
        removeBadge(key);
    std::vector<ManagedWindow> stale;
    for (const auto& [window, panel] : panels_) {
        if (!anchorsSeen_.count(window))
            stale.push_back(window);
    }
    for (const ManagedWindow& w : stale) {
        auto panel = std::move(panels_[w]);
        panels_.erase(w);
        panel->anchor().teardown();
        panel->orderOut();
        anchors_.erase(w);
        fronts_.erase(w);
        hoverStates_.erase(w);
    }
    badgesSeen_.clear();
    anchorsSeen_.clear();
}

void StackPresenter::raisePanels()
{
    for (auto& [key, badge] : badges_) {
        if (badge.panel->isVisible())
            badge.panel->raise();
    }
}

void StackPresenter::start()
{
    if (!chromeTimer_)
        armChrome();
}

void StackPresenter::armChrome()
{
    auto weak = self_.weak();
    chromeTimer_ = clock_.schedule(chromeInterval, [weak] {
        if (auto self = weak.lock()) {
            self->armChrome();
            self->chromeTick();
        }
    });
}

void StackPresenter::tearDownExplicit()
{
    if (auto panel = std::move(explicitPanel_)) {
        panel->anchor().teardown();
        panel->orderOut();
    }
}

void StackPresenter::closeSwitchers()
{
    tearDownExplicit();
    for (auto& [window, panel] : panels_) {
        WindowStackAnchor& anchor = panel->anchor();
        anchor.endPeek(true, {});
        if (anchor.switcherShown())
            anchor.teardown();
        else
            anchor.didDismiss();
    }
}

void StackPresenter::dismissPickers() { closeSwitchers(); }

void StackPresenter::suspend()
{
    tearDownExplicit();
    pauseHover();
    closeSwitchers();
    for (auto& [window, panel] : panels_)
        panel->orderOut();
    for (auto& [key, badge] : badges_)
        badge.panel->setBadgeShown(false);
    hoverStates_.clear();
}

void StackPresenter::stop()
{
    for (auto& [key, badge] : badges_)
        badge.panel->setBadgeShown(false);
    badges_.clear();
    clock_.cancel(std::exchange(chromeTimer_, 0));
    chrome_.clear();
    chromeInFlight_.clear();
    controlsCache_.clear();
    suspend();
    panels_.clear();
    anchors_.clear();
    fronts_.clear();
    hoverStates_.clear();
}

void StackPresenter::forget(const std::unordered_set<ManagedWindow>& known)
{
    std::erase_if(chrome_, [&](const auto& e) { return !known.count(e.first); });
    std::erase_if(controlsCache_, [&](const auto& e) { return !known.count(e.first); });
}

bool StackPresenter::switcherOpen() const
{
    if (explicitPanel_ && explicitPanel_->anchor().switcherShown())
        return true;
    return std::any_of(panels_.begin(), panels_.end(), [](const auto& p) { return p.second->anchor().switcherShown(); });
}

int StackPresenter::visiblePanelCount() const
{
    // The anchors' panels only: a switcher opened by shortcut is not one of them.
    return int(std::count_if(panels_.begin(), panels_.end(), [](const auto& p) { return p.second->isVisible(); }));
}

std::vector<Rect> StackPresenter::anchorZones() const
{
    std::vector<Rect> out;
    for (const auto& [window, anchor] : anchors_)
        out.push_back(anchor.activation.insetBy(-20, -20));
    return out;
}

bool StackPresenter::openSwitcher(const WindowStack& stack, const std::vector<ManagedWindow>& members,
                                  const ManagedWindow& front, const Rect& anchor)
{
    tearDownExplicit();
    explicitPanel_ = surfaces_.makeAnchorPanel(anchor);
    AnchorPanel* panel = explicitPanel_.get();
    panel->anchor().update(members, front);
    // Dismissed: the panel goes (on the next turn, out of the anchor's own call) and the stacks
    // are shown again.
    auto weak = self_.weak();
    configureAnchorCallbacks(panel->anchor(), stack, [weak, panel] {
        auto self = weak.lock();
        if (!self || self->explicitPanel_.get() != panel)
            return;
        panel->orderOut();
        self->clock_.schedule(Duration::zero(), [weak, panel] {
            auto again = weak.lock();
            if (!again || again->explicitPanel_.get() != panel)
                return;
            again->explicitPanel_.reset();
            again->requests_.scheduleRefresh();
        });
    });
    panel->orderFrontRegardless();
    panel->anchor().showKeyPanel(anchor);
    raisePanels();   // the badges go under the switcher
    return true;
}

void StackPresenter::dropBadges()
{
    for (auto& [key, badge] : badges_)
        badge.panel->setBadgeShown(false);
    badges_.clear();
}

} // namespace fw::stacks
