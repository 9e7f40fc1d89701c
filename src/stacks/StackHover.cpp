// Hover: a 0.1 s tick, running only while the pointer is near an anchor or a badge, drives one
// small state machine per anchor. Resting 0.45 s over a front window's title-bar button opens
// its switcher, but only when that window really is under the pointer and still in its slot;
// leaving closes it again after 0.25 s (0.35 s once the switcher is up, whose own frame keeps
// it open). Badges open under the pointer and take clicks only then.
#include "stacks/StackPresenter.h"

#include "base/Log.h"

namespace fw::stacks {

namespace {

bool insideAny(const std::vector<Rect>& rects, Point p)
{
    return std::any_of(rects.begin(), rects.end(), [&](const Rect& r) { return r.contains(p); });
}

} // namespace

Point StackPresenter::pointer() const
{
    if (mouse_) {
        if (const auto state = mouse_->pointerState())
            return state->position;
    }
    return lastPointer_;
}

void StackPresenter::noteMouseMoved(Point at)
{
    lastPointer_ = at;
    checkHover(at);
}

void StackPresenter::armHover(Duration delay)
{
    clock_.cancel(hoverTimer_);
    auto weak = self_.weak();
    hoverTimer_ = clock_.schedule(delay, [weak] {
        if (auto self = weak.lock()) {
            self->hoverTimer_ = 0;
            self->armHover(hoverInterval);
            self->hoverTick();
        }
    });
}

void StackPresenter::pauseHover() { clock_.cancel(std::exchange(hoverTimer_, 0)); }

bool StackPresenter::isPointerNear(Point p) const
{
    for (const auto& [window, anchor] : anchors_) {
        if (anchor.origin.insetBy(-hoverReach, -hoverReach).contains(p))
            return true;
    }
    for (const auto& [key, badge] : badges_) {
        if (badge.panel->isVisible() && badge.panel->frame().insetBy(-hoverReach, -hoverReach).contains(p))
            return true;
    }
    return false;
}

void StackPresenter::checkHover(Point at)
{
    if (!hoverPaused() || !queries_.enabled() || (panels_.empty() && badges_.empty()))
        return;
    if (isPointerNear(at) || visiblePanelCount() > 0)
        armHover(Duration::zero());
}

bool StackPresenter::hoverGuardsPass() const { return !explicitPanel_ && queries_.mayHover(); }

void StackPresenter::hoverTick()
{
    if (!hoverGuardsPass()) {
        // Only the anchors' own panels count: a switcher opened by shortcut stays open.
        if (visiblePanelCount() == 0)
            return;
        suspend();
        requests_.presentAgain();
        return;
    }
    const Point p = pointer();
    const double now = uptime();
    std::vector<ManagedWindow> keys;
    for (const auto& [key, panel] : panels_)
        keys.push_back(key);
    for (const ManagedWindow& key : keys) {
        const auto panel = panels_.find(key);
        if (panel == panels_.end() || !anchors_.count(key) || !fronts_.count(key))
            continue;
        const auto known = hoverStates_.find(key);
        const StackHoverState state = known == hoverStates_.end() ? StackHoverState{} : known->second;
        const StackHoverState next = hoverAnchor(key, *panel->second, state, p, now);
        if (next == StackHoverState{})
            hoverStates_.erase(key);
        else
            hoverStates_[key] = next;
    }
    // Under an open switcher the badges stay as they are, and under it: the window manager
    // settles a switcher's place a moment after it shows.
    if (switcherOpen())
        raisePanels();
    else
        hoverBadges(p);
    const bool idle = std::all_of(hoverStates_.begin(), hoverStates_.end(),
                                  [](const auto& s) { return s.second == StackHoverState{}; });
    if (!isPointerNear(p) && visiblePanelCount() == 0 && idle)
        pauseHover();
}

StackHoverState StackPresenter::hoverAnchor(const ManagedWindow& key, AnchorPanel& panel, StackHoverState state,
                                            Point p, double now)
{
    WindowStackAnchor& anchor = panel.anchor();
    const StackHoverAnchor& geometry = anchors_.at(key);
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
            return leaving(insideAny(geometry.retention, p) || picker->contains(p), switcherLeaveGrace);
        return state.visible ? showStep(key, panel, state, p) : close();
    }
    if (state.visible)
        return leaving(insideAny(geometry.retention, p), leaveGrace);
    if (geometry.activation.contains(p)) {
        if (!state.enteredAt)
            state.enteredAt = now;
        if (now - *state.enteredAt >= dwell)
            state = showStep(key, panel, state, p);
    } else {
        state.enteredAt.reset();
    }
    if (!state.visible && panel.isVisible())
        close();
    return state;
}

StackHoverState StackPresenter::showStep(const ManagedWindow& key, AnchorPanel& panel, StackHoverState state, Point p)
{
    if (panel.isVisible()) {
        state.visible = true;
        return state;
    }
    const ManagedWindow front = fronts_.at(key);
    const auto under = access_.windowUnderPoint(p);
    QString reason;
    if (!under) {
        reason = QStringLiteral("pointer is over nothing");
    } else if (!(*under == front)) {
        reason = QStringLiteral("pointer is over ") + under->appName;
    } else {
        const auto& presented = queries_.presented();
        const auto stack = std::find_if(presented.begin(), presented.end(), [&](const WindowStack& s) { return s.contains(key); });
        const auto frame = access_.frame(front);
        if (stack == presented.end() || !frame || !stack->sitsInSlot(front, *frame))
            reason = QStringLiteral("frame moved from its slot");
    }
    if (reason.isEmpty() && !queries_.windowControlTrusted())
        reason = QStringLiteral("window control is not allowed");
    if (!reason.isEmpty()) {
        log::info(LogCategory::Hover, "Hover refused for %{public}s: %{public}s", front.appName, reason);
        return {};
    }
    panel.orderFrontRegardless();
    panel.anchor().showPopover();
    raisePanels();   // the badges go under the switcher
    if (callbacks_.tip)
        callbacks_.tip(Tip::switcher);
    return {true, std::nullopt, std::nullopt};
}

void StackPresenter::hoverBadges(Point p)
{
    for (auto& [key, badge] : badges_) {
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
