// The run that shows each stack front's badge, once per refresh pass: which icons it shows (over a spanning
// window, the windows of the covered regions may form a group), where it stands (across the
// window's left edge, where the user dragged it, in a free stretch of the window's own title
// bar, or on the window manager's title bar beside its buttons; inside the window's top edge
// when the window manager draws no title bar), whether anything covers that spot, and the
// panel that shows it.
// Right after a switch a badge that cannot be placed keeps its last state for a moment.
#include "stacks/BadgeOrchestration.h"

#include "base/Log.h"
#include "layout/ScreenGeometry.h"
#include "stacks/BadgeSpots.h"
#include "stacks/BadgeUpkeep.h"
#include "stacks/TitleBarStretch.h"

#include <algorithm>
#include <cmath>

namespace fw::stacks {

namespace {

bool isSpanning(const WindowStack& stack, const ManagedWindow& w)
{
    return !stack.sections.empty() && indexOfWindow(w, stack.sections.front().members).has_value();
}

QString groupTitle(const std::vector<ManagedWindow>& group)
{
    QStringList names;
    for (const ManagedWindow& w : group)
        names << w.appName;
    QString joined;
    if (names.size() == 2) {
        joined = names[0] + QStringLiteral(" and ") + names[1];
    } else {
        const QString last = names.takeLast();
        joined = names.join(QStringLiteral(", ")) + QStringLiteral(", and ") + last;
    }
    return QStringLiteral("Bring ") + joined + QStringLiteral(" Forward");
}

// The badge's icons, with the windows of the covered regions gathered into a group right
// after the spanning windows, when the front is a spanning window.
struct BadgeIcons {
    std::vector<ManagedWindow> members;
    std::optional<std::vector<ManagedWindow>> group;
};

BadgeIcons spanGroup(const ManagedWindow& front, const std::vector<ManagedWindow>& members, const WindowStack& stack,
                     const std::vector<WindowLayerSnapshot>& layers)
{
    BadgeIcons out{members, std::nullopt};
    if (!isSpanning(stack, front))
        return out;
    const auto position = [&](const ManagedWindow& w) {
        const auto at = std::find_if(layers.begin(), layers.end(), [&](const auto& l) { return l.id == w.element; });
        return at == layers.end() ? layers.size() : std::size_t(at - layers.begin());
    };
    // Per slot the member highest in the stacking order.
    std::vector<ManagedWindow> highest;
    for (const ManagedWindow& m : stack.members) {
        const auto same = std::find_if(highest.begin(), highest.end(), [&](const ManagedWindow& h) {
            return stack.slot(h) == stack.slot(m);
        });
        if (same == highest.end())
            highest.push_back(m);
        else if (position(m) < position(*same))
            *same = m;
    }
    std::vector<ManagedWindow> group;
    for (const ManagedWindow& h : highest) {
        const bool inRegion = std::any_of(stack.regionFrames.begin(), stack.regionFrames.end(), [&](const Rect& r) {
            return stack.frameSitsIn(stack.slot(h), stack.gridOf(h), r);
        });
        if (!isSpanning(stack, h) && indexOfWindow(h, members) && inRegion)
            group.push_back(h);
    }
    std::stable_sort(group.begin(), group.end(), [&](const ManagedWindow& a, const ManagedWindow& b) {
        return BadgeState::memberOrder(stack.slot(a), stack.slot(b));
    });
    std::vector<ManagedWindow> spanning, rest;
    for (const ManagedWindow& m : members) {
        if (isSpanning(stack, m))
            spanning.push_back(m);
        else if (!indexOfWindow(m, group))
            rest.push_back(m);
    }
    if (group.size() < 2 || spanning.size() + group.size() > 6)
        return out;
    out.members = spanning;
    out.members.insert(out.members.end(), group.begin(), group.end());
    out.members.insert(out.members.end(), rest.begin(), rest.end());
    out.group = std::move(group);
    return out;
}

// What the badge shows: its icons and group, the reset items of its menu (none on the edge),
// upright or fitted to a title bar.
BadgeSurface::Content badgeContent(const BadgeIcons& icons, const WindowStack& stack, const BadgeLayout& layout,
                                   BadgeSettings& settings, const QString& display, const Rect& slot)
{
    BadgeSurface::Content content;
    content.members = icons.members;
    if (icons.group) {
        const int spanning = int(std::count_if(icons.members.begin(), icons.members.end(),
                                               [&](const ManagedWindow& m) { return isSpanning(stack, m); }));
        content.group = BadgeGroup{spanning, spanning + int(icons.group->size())};
        content.groupTitle = groupTitle(*icons.group);
    }
    const BadgePlacementStore& placements = settings.placements();
    const bool autoPlace = settings.autoPlace();
    if (!layout.edge && placements.bestEntry(display, slot).has_value())
        content.resetTitle = autoPlace ? QStringLiteral("Place Badge Automatically")
                                       : QStringLiteral("Move Badge Back to the Title Bar");
    if (!layout.edge && !placements.isEmpty())
        content.resetAllTitle = autoPlace ? QStringLiteral("Place All Badges Automatically")
                                          : QStringLiteral("Move All Badges Back to the Title Bar");
    content.vertical = layout.edge;
    content.stripMiddle = layout.stripMiddle;
    return content;
}

} // namespace

std::optional<BadgeKey> presentBadge(PresenterContext& ctx, BadgeState& state, BadgeSettings& settings,
                                     const ManagedWindow& front, const std::vector<ManagedWindow>& members,
                                     const WindowStack& stack, const std::vector<WindowLayerSnapshot>& layers)
{
    const Rect slot = stack.slot(front);
    const BadgeKey key{stack.members.front(), toString(slot)};
    const BadgeIcons icons = spanGroup(front, members, stack, layers);
    if (!settings.enabled() || icons.members.empty()) {
        state.remove(key);
        return std::nullopt;
    }
    const auto known = state.badges.find(key);
    if (known != state.badges.end() && known->second.panel->isDragging())
        return key;
    const bool inGrace = ctx.uptime() - ctx.queries.lastSwitchAt() < kBadgeGrace;
    const QString display = BadgeState::spotKey(slot, ctx.passScreens());
    const int count = int(icons.members.size());
    const bool joiner = icons.group.has_value();
    const BadgeSurroundings around{settings, ctx.passScreens(), [&]() -> std::optional<Point> {
                                       std::vector<ManagedWindow> inSlot;
                                       for (const ManagedWindow& m : stack.members) {
                                           if (stack.frameSitsIn(stack.slot(m), stack.gridOf(m), slot))
                                               inSlot.push_back(m);
                                       }
                                       return autoBadgeOffset(ctx, state, slot, front, inSlot, count, joiner);
                                   }};
    const auto layout = state.layout(front, stack, display, count, joiner, around);
    if (!layout)
        return inGrace && known != state.badges.end() ? std::optional(key) : std::nullopt;
    if (!BadgeState::uncovered(layout->coverTest, slot, front, stack, layers)) {
        if (inGrace && known != state.badges.end())
            return key;
        log::info(LogCategory::Hover, "Badge hidden for %{public}s: something covers %{public}s", front.appName,
                  toString(layout->coverTest));
        state.remove(key);
        return std::nullopt;
    }
    BadgeSurface::Content content = badgeContent(icons, stack, *layout, settings, display, slot);
    Badge& badge = state.badges[key];
    badge.front = front;
    badge.display = display;
    badge.slot = slot;
    badge.edge = layout->edge;
    badge.size = layout->size;
    if (!badge.panel) {
        if (ctx.callbacks.tip)
            ctx.callbacks.tip(Tip::badge);
        badge.panel = ctx.surfaces.makeBadge();
    }
    content.expanded = badge.panel->expanded();
    BadgeSurface::Actions actions = badgeActions(ctx, state, settings, key, front, stack, icons.group);
    // An upright badge stands on the edge wherever it is dropped: it offers no move.
    if (layout->edge)
        actions.moved = nullptr;
    badge.panel->configure(content, std::move(actions));
    const Rect was = badge.panel->frame();
    if (!(was == layout->rect)) {
        const bool glide = badge.panel->isVisible() && badge.panel->badgeShown() && was.size == layout->rect.size
                           && std::hypot(was.x() - layout->rect.x(), was.y() - layout->rect.y()) > 2
                           && !ctx.surfaces.reduceMotion();
        badge.panel->setFrame(layout->rect, glide);
    }
    badge.frame = layout->rect;
    badge.panel->setBadgeShown(true);
    return key;
}

std::optional<Point> autoBadgeOffset(PresenterContext& ctx, BadgeState& badges, const Rect& slot,
                                     const ManagedWindow& front, const std::vector<ManagedWindow>& members, int count,
                                     bool joiner)
{
    const double scale = scaleAt(ctx.passScreens(), Point{slot.midX(), slot.midY()});
    const BarReading* mine = readBar(ctx, badges, front);
    // Window-relative spots stand for slot-relative ones only where the frame fills the slot.
    if (!mine || !mine->bar || std::abs(mine->bar->bar.width() - slot.width()) > kSameFrameTolerance)
        return std::nullopt;
    std::vector<TitleBar> others;
    for (const ManagedWindow& m : members) {
        const BarReading* reading = m == front ? nullptr : readBar(ctx, badges, m);
        if (reading && reading->bar)
            others.push_back(*reading->bar);
    }
    return freeStretchOrigin(*mine->bar, slot.size, badgeSize(count, false, joiner, scale),
                             badgeSize(count, true, joiner, scale), others);
}

} // namespace fw::stacks
