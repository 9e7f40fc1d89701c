// The hover runs: a 0.1 s tick, running only while the pointer is near an anchor or a badge, drives one
// small state machine per anchor. Resting 0.45 s over a front window's title-bar button opens
// its switcher, but only when that window really is under the pointer and still in its slot;
// leaving closes it again after 0.25 s (0.35 s once the switcher is up, whose own frame keeps
// it open). Badges open under the pointer and take clicks only then.
#include "stacks/StackHover.h"

#include "base/Log.h"

namespace fw::stacks {

namespace {

bool insideAny(const std::vector<Rect>& rects, Point p)
{
    return std::any_of(rects.begin(), rects.end(), [&](const Rect& r) { return r.contains(p); });
}

} // namespace

void armHover(PresenterContext& ctx, HoverState& hover, AnchorState& anchors, BadgeState& badges, Duration delay)
{
    hover.pause();
    // The state lives as long as the context: reached only while that does.
    auto weak = ctx.self.weak();
    hover.timer = ctx.clock.schedule(delay, [weak, &hover, &anchors, &badges] {
        if (auto self = weak.lock()) {
            hover.timer = 0;
            armHover(*self, hover, anchors, badges, HoverState::interval);
            hoverTick(*self, hover, anchors, badges);
        }
    });
}

bool isPointerNear(const AnchorState& anchors, const BadgeState& badges, Point p)
{
    const double reach = HoverState::reach;
    for (const auto& [window, anchor] : anchors.anchors) {
        if (anchor.origin.insetBy(-reach, -reach).contains(p))
            return true;
    }
    for (const auto& [key, badge] : badges.badges) {
        if (badge.panel->isVisible() && badge.panel->frame().insetBy(-reach, -reach).contains(p))
            return true;
    }
    return false;
}

void hideAll(BadgeState& badges, AnchorState& anchors, HoverState& hover)
{
    anchors.tearDownExplicit();
    hover.pause();
    anchors.closeSwitchers();
    for (auto& [window, panel] : anchors.panels)
        panel->orderOut();
    badges.hideAll();
    hover.states.clear();
}

void checkHover(PresenterContext& ctx, HoverState& hover, AnchorState& anchors, BadgeState& badges, Point at)
{
    if (!hover.paused() || !ctx.queries.enabled() || (anchors.panels.empty() && badges.badges.empty()))
        return;
    if (isPointerNear(anchors, badges, at) || anchors.visiblePanelCount() > 0)
        armHover(ctx, hover, anchors, badges, Duration::zero());
}

void hoverTick(PresenterContext& ctx, HoverState& hover, AnchorState& anchors, BadgeState& badges)
{
    if (anchors.explicitPanel || !ctx.queries.mayHover()) {
        // Only the anchors' own panels count: a switcher opened by shortcut stays open.
        if (anchors.visiblePanelCount() == 0)
            return;
        hideAll(badges, anchors, hover);
        if (StackActions* actions = ctx.actions())
            actions->presentAgain();
        return;
    }
    const Point p = ctx.pointer(hover.lastPointer);
    const double now = ctx.uptime();
    std::vector<ManagedWindow> keys;
    for (const auto& [key, panel] : anchors.panels)
        keys.push_back(key);
    auto& states = hover.states;
    for (const ManagedWindow& key : keys) {
        const auto panel = anchors.panels.find(key);
        if (panel == anchors.panels.end() || !anchors.anchors.count(key) || !anchors.fronts.count(key))
            continue;
        const auto known = states.find(key);
        const StackHoverState state = known == states.end() ? StackHoverState{} : known->second;
        const StackHoverState next = hoverAnchor(ctx, anchors, badges, key, *panel->second, state, p, now);
        if (next == StackHoverState{})
            states.erase(key);
        else
            states[key] = next;
    }
    // Under an open switcher the badges stay as they are, and under it: the window manager
    // settles a switcher's place a moment after it shows.
    if (anchors.switcherOpen())
        badges.raiseShown();
    else
        hoverBadges(badges, p);
    if (!isPointerNear(anchors, badges, p) && anchors.visiblePanelCount() == 0 && hover.idle())
        hover.pause();
}

namespace {

// The switcher opens, unless another window is under the pointer, the front left its slot or
// window control is not allowed (each refusal logged).
StackHoverState showStep(PresenterContext& ctx, const AnchorState& anchors, BadgeState& badges,
                         const ManagedWindow& key, AnchorPanel& panel, StackHoverState state, Point p)
{
    if (panel.isVisible()) {
        state.visible = true;
        return state;
    }
    const ManagedWindow front = anchors.fronts.at(key);
    const auto under = ctx.access.windowUnderPoint(p);
    QString reason;
    if (!under) {
        reason = QStringLiteral("pointer is over nothing");
    } else if (!(*under == front)) {
        reason = QStringLiteral("pointer is over ") + under->appName;
    } else {
        const auto& presented = ctx.queries.presented();
        const auto stack = std::find_if(presented.begin(), presented.end(), [&](const WindowStack& s) { return s.contains(key); });
        const auto frame = ctx.access.frame(front);
        if (stack == presented.end() || !frame || !stack->sitsInSlot(front, *frame))
            reason = QStringLiteral("frame moved from its slot");
    }
    if (reason.isEmpty() && !ctx.queries.windowControlTrusted())
        reason = QStringLiteral("window control is not allowed");
    if (!reason.isEmpty()) {
        log::info(LogCategory::Hover, "Hover refused for %{public}s: %{public}s", front.appName, reason);
        return {};
    }
    panel.orderFrontRegardless();
    panel.anchor().showPopover();
    badges.raiseShown();   // the badges go under the switcher
    if (ctx.callbacks.tip)
        ctx.callbacks.tip(Tip::switcher);
    return {true, std::nullopt, std::nullopt};
}

} // namespace

StackHoverState hoverAnchor(PresenterContext& ctx, const AnchorState& anchors, BadgeState& badges,
                            const ManagedWindow& key, AnchorPanel& panel, StackHoverState state, Point p, double now)
{
    WindowStackAnchor& anchor = panel.anchor();
    const StackHoverAnchor& geometry = anchors.anchors.at(key);
    const auto close = [&] {
        if (panel.isVisible()) {
            anchor.teardown();
            panel.orderOut();
        }
        return StackHoverState{};
    };
    const auto leaving = [&](bool keep, double grace) {
        if (keep) {
            state.exitedAt.reset();
            return state;
        }
        if (!state.exitedAt)
            state.exitedAt = now;
        return now - *state.exitedAt >= grace ? close() : state;
    };
    if (anchor.switcherShown()) {
        const auto picker = anchor.pickerFrame();
        if (picker)
            return leaving(insideAny(geometry.retention, p) || picker->contains(p), HoverState::switcherLeaveGrace);
        return state.visible ? showStep(ctx, anchors, badges, key, panel, state, p) : close();
    }
    if (state.visible)
        return leaving(insideAny(geometry.retention, p), HoverState::leaveGrace);
    if (geometry.activation.contains(p)) {
        if (!state.enteredAt)
            state.enteredAt = now;
        if (now - *state.enteredAt >= HoverState::dwell)
            state = showStep(ctx, anchors, badges, key, panel, state, p);
    } else {
        state.enteredAt.reset();
    }
    if (!state.visible && panel.isVisible())
        close();
    return state;
}

void hoverBadges(BadgeState& badges, Point p)
{
    for (auto& [key, badge] : badges.badges) {
        BadgeSurface& panel = *badge.panel;
        if (!panel.isVisible() || panel.isDragging())
            continue;
        const bool inside = panel.frame().insetBy(-10, -10).contains(p);
        if (inside != panel.expanded()) {
            panel.setExpanded(inside, true);
            panel.setIgnoresMouse(!inside);
        }
    }
}

} // namespace fw::stacks
