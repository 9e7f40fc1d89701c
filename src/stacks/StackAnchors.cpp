// The presenter's part of each refresh pass: which members of a stack show usable title-bar
// buttons (from their bars, read once in the pass) and really stand in front there (the front
// probe), an anchor panel over each such front with its hover geometry and its switcher's
// actions, and the badge beside it; after the pass, what was not presented goes, the readings
// are forgotten and the badges are raised above the windows again. Also the switcher opened
// by shortcut, and hiding everything shown.
#include "stacks/StackAnchors.h"

#include "stacks/BadgeOrchestration.h"
#include "stacks/BadgeUpkeep.h"
#include "stacks/StackHover.h"

#include <QJsonObject>

namespace fw::stacks {

namespace {

// A member whose title-bar buttons stand for an anchor (or, without a title bar of the window
// manager's, `titled` false: a badge without anchor).
struct Candidate {
    ManagedWindow window;
    Rect minimize, activation, controls;
    bool titled = true;
};

// The members whose title-bar buttons lie in the top 100 pixels of their slot (to within the
// tolerance that makes them members: a window manager may put a front a pixel past its slot),
// from their title bars as read in this pass; a member whose window manager draws no title bar
// (the window draws its own) or no buttons on it is probed at a spot inside its top edge and gets a badge without
// an anchor.
std::vector<Candidate> probe(PresenterContext& ctx, BadgeState& badges, const WindowStack& stack,
                             const std::vector<ManagedWindow>& members)
{
    std::vector<Candidate> out;
    for (const ManagedWindow& m : members) {
        const Rect slot = stack.slot(m);
        const BarReading* reading = readBar(ctx, badges, m);
        if (!reading)
            continue;
        if (!reading->bar || reading->bar->buttonsEnd().width() <= 0) {
            const Rect spot(reading->topLeft.x + 7, reading->topLeft.y + 6, 12, 12);
            if (liesInside(spot, slot))
                out.push_back({m, spot, spot, spot, false});
            continue;
        }
        const Rect controls = reading->bar->buttons(), minimize = reading->bar->minimize();
        if (controls.width() <= 0 || controls.height() <= 0 || !liesInside(controls, slot) || !controls.contains(minimize)
            || controls.maxY() > slot.minY() + 100)
            continue;
        out.push_back({m, minimize, minimize.insetBy(-3, -7).intersection(slot), controls, true});
    }
    return out;
}

// The candidate really stands in front at its button: the first layer over it is the
// candidate, in its slot, and so is the layer under the point.
bool confirmsFront(const PresenterContext& ctx, const ManagedWindow& candidate, const Rect& probe,
                   const std::vector<WindowLayerSnapshot>& layers, const WindowStack& stack, Point point)
{
    // The first layer over the button must be the candidate itself; the probe must lie in the
    // screen's work area, clear of panels.
    const auto& screens = ctx.passScreens();
    const auto screen = std::find_if(screens.begin(), screens.end(), [&](const ScreenInfo& s) { return s.frame.contains(point); });
    if (screen == screens.end() || !screen->visibleFrame.contains(probe))
        return false;
    const auto layer = std::find_if(layers.begin(), layers.end(), [&](const WindowLayerSnapshot& l) { return l.frame.intersects(probe); });
    if (layer == layers.end() || !isWorkWindowLevel(layer->level) || layer->pid != candidate.pid
        || !stack.sitsInSlot(candidate, layer->frame))
        return false;
    // The window under the point, from the same list: the server's own stacking, no round trip.
    const auto under = std::find_if(layers.begin(), layers.end(), [&](const WindowLayerSnapshot& l) { return l.frame.contains(point); });
    return under != layers.end() && under->id == candidate.element && under->pid == candidate.pid;
}

// The panel over the candidate's button with its hover geometry and switcher; a new button
// spot starts its hover afresh.
void presentAnchorPanel(PresenterContext& ctx, AnchorState& anchors, HoverState& hover, const Candidate& c,
                        const WindowStack& stack, const std::vector<ManagedWindow>& members,
                        StackPresentation::Shown& out)
{
    const ManagedWindow& w = c.window;
    const auto known = anchors.anchors.find(w);
    auto& panel = anchors.panels[w];
    if (known == anchors.anchors.end() || !(known->second.origin == c.minimize)) {
        hover.states.erase(w);
        if (panel)
            panel->orderOut();
    }
    anchors.anchors[w] = {c.minimize, c.activation, {c.activation}};
    anchors.fronts[w] = w;
    out.records.append(QJsonObject{{QStringLiteral("originFrame"), toString(c.minimize)},
                                   {QStringLiteral("activationFrame"), toString(c.activation)},
                                   {QStringLiteral("status"), QStringLiteral("hover ready")},
                                   {QStringLiteral("frontApp"), w.appName}});
    anchors.seen.insert(w);
    if (!panel)
        panel = ctx.surfaces.makeAnchorPanel(c.minimize);
    panel->anchor().update(members, w);
    configureAnchorCallbacks(ctx, anchors, panel->anchor(), stack);
    if (!(panel->frame() == c.minimize))
        panel->setFrame(c.minimize);
}

} // namespace

StackPresentation::Shown presentStack(PresenterContext& ctx, BadgeState& badges, AnchorState& anchors,
                                      HoverState& hover, BadgeSettings& settings, const WindowStack& stack,
                                      const std::vector<ManagedWindow>& members,
                                      const std::vector<WindowLayerSnapshot>& layers)
{
    StackPresentation::Shown out;
    const std::vector<Candidate> candidates = probe(ctx, badges, stack, members);
    std::vector<Candidate> visible;
    for (const Candidate& c : candidates) {
        if (confirmsFront(ctx, c.window, c.minimize, layers, stack, {c.controls.midX(), c.controls.midY()}))
            visible.push_back(c);
    }
    if (visible.empty()) {
        QJsonArray covers;
        for (const Candidate& c : candidates)
            covers.append(
                windowHitDescription(ctx, c.window.appName, c.minimize, {c.controls.midX(), c.controls.midY()}, layers));
        out.records.append(QJsonObject{{QStringLiteral("status"), QStringLiteral("controls unavailable or covered")},
                                       {QStringLiteral("controlCandidates"), int(candidates.size())},
                                       {QStringLiteral("covers"), covers}});
        return out;
    }
    out.front = visible.front().window;
    for (const Candidate& c : visible) {
        if (c.titled) {
            presentAnchorPanel(ctx, anchors, hover, c, stack, members, out);
        } else {
            out.records.append(QJsonObject{{QStringLiteral("status"), QStringLiteral("no title bar: badge only")},
                                           {QStringLiteral("frontApp"), c.window.appName}});
        }
        const std::vector<ManagedWindow> mates = ctx.queries.slotMates(c.window, members, stack);
        if (const auto key = presentBadge(ctx, badges, settings, c.window, mates, stack, layers))
            badges.seen.insert(*key);
    }
    return out;
}

void configureAnchorCallbacks(PresenterContext& ctx, AnchorState& anchors, WindowStackAnchor& anchor,
                              const WindowStack& stack, std::function<void()> onDismiss)
{
    // The anchor state lives as long as the context: reached only while that does.
    auto weak = ctx.self.weak();
    auto* a = &anchor;
    anchor.sections = stack.sections;
    anchor.actions.layoutInfo = [weak, frame = stack.frame] {
        auto self = weak.lock();
        const auto& summary = self ? self->callbacks.layoutSummary : nullptr;
        const LayoutSummary offered = summary ? summary(frame) : LayoutSummary{};
        return LayoutOffer{std::vector<QString>(offered.names.begin(), offered.names.end()), offered.active};
    };
    anchor.actions.chooseLayout = [weak, frame = stack.frame](int index) {
        if (auto self = weak.lock(); self && self->callbacks.switchLayout)
            self->callbacks.switchLayout(index, frame);
    };
    anchor.actions.sendToBack = nullptr;
    if (!stack.underneath.empty()) {
        anchor.actions.sendToBack = [weak, stack] {
            if (auto self = weak.lock(); self && self->actions())
                self->actions()->bringUnderneathForward(stack);
        };
    }
    anchor.actions.choose = [weak, a, stack](const ManagedWindow& chosen) {
        const std::optional<ManagedWindow> front = a->front();
        a->endPeek(true, [weak, stack, chosen, front] {
            if (auto self = weak.lock(); self && self->actions())
                self->actions()->switchFront(chosen, stack.slot(chosen), front && *front == chosen, front);
        });
    };
    anchor.actions.peekWindow = [weak](const ManagedWindow& w) {
        if (auto self = weak.lock())
            self->access.raise(w);
    };
    anchor.actions.stacking = [weak] {
        PeekScene scene;
        auto self = weak.lock();
        if (!self)
            return scene;
        for (const WindowLayer& l : self->access.windowSystem().layers()) {
            if (isWorkWindowLevel(l.level) && l.pid != ownPid())
                scene.layers.push_back(l);
        }
        // The keyboard goes back only to a window that holds it now, never past a window of ours.
        scene.focused = self->access.keyboardWindow();
        return scene;
    };
    anchor.actions.stretch = nullptr;
    if (!stack.sections.empty()) {
        anchor.actions.stretch = [weak, a, frame = stack.frame](const ManagedWindow& w) {
            a->endPeek(false);
            a->teardown();
            if (auto self = weak.lock(); self && self->callbacks.stretch)
                self->callbacks.stretch(w, frame);
        };
    }
    anchor.actions.cycle = [weak, &anchors, a, stack](int step) -> std::optional<ManagedWindow> {
        auto self = weak.lock();
        StackActions* actions = self ? self->actions() : nullptr;
        const auto front = a->front();
        if (!actions || !front)
            return std::nullopt;
        auto next = actions->cycle(*front, step, stack);
        if (next)
            anchors.fronts[stack.members.front()] = *next;
        return next;
    };
    if (onDismiss)
        anchor.actions.onDismiss = std::move(onDismiss);
}

namespace {

// What the pass did not present goes: badges (not right after a switch while their stack is
// still there) and anchors.
void retireStale(PresenterContext& ctx, BadgeState& badges, AnchorState& anchors, HoverState& hover)
{
    const double now = ctx.uptime();
    std::vector<BadgeKey> gone;
    for (const auto& [key, badge] : badges.badges) {
        if (badges.seen.count(key))
            continue;
        const auto& presented = ctx.queries.presented();
        const bool stillStack = std::any_of(presented.begin(), presented.end(),
                                            [&](const WindowStack& s) { return s.members.front() == key.stack; });
        if (!(now - ctx.queries.lastSwitchAt() < kBadgeGrace && stillStack))
            gone.push_back(key);
    }
    for (const BadgeKey& key : gone)
        badges.remove(key);
    std::vector<ManagedWindow> stale;
    for (const auto& [window, panel] : anchors.panels) {
        if (!anchors.seen.count(window))
            stale.push_back(window);
    }
    for (const ManagedWindow& w : stale) {
        auto panel = std::move(anchors.panels[w]);
        anchors.panels.erase(w);
        panel->anchor().teardown();
        panel->orderOut();
        anchors.anchors.erase(w);
        anchors.fronts.erase(w);
        hover.states.erase(w);
    }
    badges.seen.clear();
    anchors.seen.clear();
}

} // namespace

void endPass(PresenterContext& ctx, BadgeState& badges, AnchorState& anchors, HoverState& hover)
{
    ctx.endPassScreens();
    badges.bars.clear();   // the next pass reads the bars afresh
    retireStale(ctx, badges, anchors, hover);
    if (anchors.panels.empty() && badges.badges.empty())
        hover.pause();
    else if (ctx.queries.enabled())
        checkHover(ctx, hover, anchors, badges, ctx.pointer(hover.lastPointer));
    else
        hover.pause();
    badges.raiseShown();
}

bool openSwitcher(PresenterContext& ctx, BadgeState& badges, AnchorState& anchors, const WindowStack& stack,
                  const std::vector<ManagedWindow>& members, const ManagedWindow& front, const Rect& anchor)
{
    anchors.tearDownExplicit();
    anchors.explicitPanel = ctx.surfaces.makeAnchorPanel(anchor);
    AnchorPanel* panel = anchors.explicitPanel.get();
    panel->anchor().update(members, front);
    // Dismissed: the panel goes (on the next turn, out of the anchor's own call) and the stacks
    // are shown again. The anchor state lives as long as the context: reached only while that does.
    auto weak = ctx.self.weak();
    configureAnchorCallbacks(ctx, anchors, panel->anchor(), stack, [weak, &anchors, panel] {
        auto self = weak.lock();
        if (!self || anchors.explicitPanel.get() != panel)
            return;
        panel->orderOut();
        self->clock.schedule(Duration::zero(), [weak, &anchors, panel] {
            auto again = weak.lock();
            if (!again || anchors.explicitPanel.get() != panel)
                return;
            anchors.explicitPanel.reset();
            if (StackActions* actions = again->actions())
                actions->scheduleRefresh();
        });
    });
    panel->orderFrontRegardless();
    panel->anchor().showKeyPanel(anchor);
    badges.raiseShown();   // the badges go under the switcher
    return true;
}

} // namespace fw::stacks
