// The runs that keep badges in step with their windows: the title-bar readings the spots come
// from (one per window and refresh pass, forgotten at the pass's end: each pass reads the bars
// afresh, so a moved or resized frame or a new title counts from the next pass on, and nothing
// runs between passes), and what a badge reports: a click on an icon, a drag that ended, a
// reset of one or of every moved badge.
#include "stacks/BadgeUpkeep.h"

namespace fw::stacks {

namespace {

void refreshNow(const PresenterContext& ctx)
{
    if (StackActions* actions = ctx.actions())
        actions->refresh(true);
}

} // namespace

BadgeSurface::Actions badgeActions(PresenterContext& ctx, BadgeState& badges, BadgeSettings& settings,
                                   const BadgeKey& key, const ManagedWindow& front, const WindowStack& stack,
                                   const std::optional<std::vector<ManagedWindow>>& group)
{
    auto weak = ctx.self.weak();
    BadgeSurface::Actions actions;
    actions.choose = [weak, front, stack](const ManagedWindow& chosen) {
        if (auto self = weak.lock(); self && self->actions())
            self->actions()->switchFront(chosen, stack.slot(chosen), false, front);
    };
    actions.moved = [weak, &badges, &settings, key](const Rect& dropped) {
        if (auto self = weak.lock())
            badgeMoved(*self, badges, settings, key, dropped);
    };
    actions.resetPosition = [weak, &badges, &settings, key] {
        if (auto self = weak.lock())
            resetBadge(*self, badges, settings, key);
    };
    actions.resetAllPositions = [weak, &settings] {
        if (auto self = weak.lock())
            resetAllBadges(*self, settings);
    };
    if (group) {
        actions.bringGroupForward = [weak, stack] {
            if (auto self = weak.lock(); self && self->actions())
                self->actions()->bringUnderneathForward(stack);
        };
    }
    return actions;
}

void badgeMoved(PresenterContext& ctx, BadgeState& badges, BadgeSettings& settings, const BadgeKey& key,
                const Rect& dropped)
{
    const auto it = badges.badges.find(key);
    if (it == badges.badges.end()) {
        refreshNow(ctx);
        return;
    }
    Badge& badge = it->second;
    if (badge.edge) {
        badge.panel->setFrame(badge.frame, false);   // an upright badge stays on the edge
        refreshNow(ctx);
        return;
    }
    const Rect& w = badge.slot;
    BadgePlacement placement;
    placement.fromRight = dropped.midX() > w.midX();
    placement.dx = placement.fromRight ? w.maxX() - dropped.minX() : dropped.minX() - w.minX();
    placement.dy = dropped.minY() - w.minY();
    settings.placements().setPlacement(placement, badge.display, w);

    const Size size = badge.size;
    double x = placement.fromRight ? w.maxX() - placement.dx : w.minX() + placement.dx;
    x = std::max(std::min(x, w.maxX() - size.width - 4), w.minX() + 4);
    double y = std::min(w.minY() + placement.dy, w.maxY() - size.height - 4);
    y = std::max(y, w.minY() + 4);
    badge.frame = Rect(x, y, size.width, size.height);
    badge.panel->setFrame(badge.frame, false);
    refreshNow(ctx);
}

void resetBadge(PresenterContext& ctx, const BadgeState& badges, BadgeSettings& settings, const BadgeKey& key)
{
    if (const auto it = badges.badges.find(key); it != badges.badges.end())
        settings.placements().removePlacement(it->second.display, it->second.slot);
    refreshNow(ctx);
}

void resetAllBadges(PresenterContext& ctx, BadgeSettings& settings)
{
    settings.placements().removeAll();
    refreshNow(ctx);
}

const BarReading* readBar(PresenterContext& ctx, BadgeState& badges, const ManagedWindow& window)
{
    if (const auto known = badges.bars.find(window); known != badges.bars.end())
        return &known->second;
    ++badges.barReads;
    auto bar = readTitleBar(ctx.access.windowSystem(), window.element);
    const auto frame = bar ? std::optional(bar->bar) : ctx.access.frame(window);
    if (!frame)
        return nullptr;
    return &(badges.bars[window] = BarReading{frame->origin, std::move(bar)});
}

QString windowHitDescription(const PresenterContext& ctx, const QString& label, const Rect& rect, Point point,
                             const std::vector<WindowLayerSnapshot>& layers)
{
    QString text = label + QStringLiteral(": ");
    const auto over = std::find_if(layers.begin(), layers.end(), [&](const auto& l) { return l.frame.intersects(rect); });
    if (over == layers.end())
        text += QStringLiteral("none");
    else
        text += QStringLiteral("pid %1 level %2 %3").arg(over->pid).arg(over->level).arg(toString(over->frame));
    // The window under the point, named from what the last scan found.
    const auto hit = std::find_if(layers.begin(), layers.end(), [&](const auto& l) { return l.frame.contains(point); });
    QString title = QStringLiteral("nothing");
    if (hit != layers.end()) {
        const auto& known = ctx.queries.knownFrames();
        const auto window = std::find_if(known.begin(), known.end(), [&](const DiscoveredWindow& d) { return d.window.element == hit->id; });
        title = window != known.end() ? window->window.title : QStringLiteral("window %1").arg(hit->id);
    }
    return text + QStringLiteral(" hit ") + title;
}

} // namespace fw::stacks
