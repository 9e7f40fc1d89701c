// Each stack front's badge, once per refresh pass: which icons it shows (over a spanning
// window, the windows of the covered regions may form a group), where it stands (across the
// window's left edge, where the user dragged it, in a free stretch of the window's own title
// bar, or on the window manager's title bar beside its buttons; inside the window's top edge
// when the window manager draws no title bar), whether anything covers that spot, and the
// panel that shows it.
// Right after a switch a badge that cannot be placed keeps its last state for a moment.
#include "stacks/StackPresenter.h"

#include "base/Log.h"
#include "stacks/BadgeSpotFinder.h"
#include "stacks/BadgeSpots.h"

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
        return StackPresenter::badgeMemberOrder(stack.slot(a), stack.slot(b));
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

} // namespace

struct StackPresenter::BadgeLayout {
    Rect rect;         // the badge's frame
    Rect coverTest;    // what must be uncovered
    bool edge = false;
    Size size;
    bool onTitleBar = false;
    double scale = 1;   // of the open size, on a title bar
};

QString StackPresenter::spotKey(const Rect& slot) const
{
    const Point centre{slot.midX(), slot.midY()};
    for (const ScreenInfo& s : passScreens()) {
        if (s.frame.contains(centre))
            return s.key;
    }
    return QStringLiteral("unknown");
}

bool StackPresenter::badgeMemberOrder(const Rect& a, const Rect& b)
{
    if (std::abs(a.minY() - b.minY()) <= 8)
        return a.minX() < b.minX();
    return a.minY() < b.minY();
}

void StackPresenter::removeBadge(const BadgeKey& key)
{
    const auto it = badges_.find(key);
    if (it == badges_.end())
        return;
    it->second.panel->setBadgeShown(false);
    badges_.erase(it);
}

std::optional<BadgeKey> StackPresenter::presentBadge(const ManagedWindow& front, const std::vector<ManagedWindow>& members,
                                                     const WindowStack& stack, const std::optional<Rect>& controls,
                                                     const std::vector<WindowLayerSnapshot>& layers)
{
    const Rect slot = stack.slot(front);
    const BadgeKey key{stack.members.front(), toString(slot)};
    const BadgeIcons icons = spanGroup(front, members, stack, layers);
    if (!badgeSettings_.enabled() || icons.members.empty()) {
        removeBadge(key);
        return std::nullopt;
    }
    const auto known = badges_.find(key);
    if (known != badges_.end() && known->second.panel->isDragging())
        return key;
    const bool inGrace = uptime() - queries_.lastSwitchAt() < kBadgeGrace;
    const QString display = spotKey(slot);
    const auto layout = layoutBadge(front, stack, controls, display, int(icons.members.size()), icons.group.has_value());
    if (!layout)
        return inGrace && known != badges_.end() ? std::optional(key) : std::nullopt;
    if (!badgeUncovered(layout->coverTest, slot, front, stack, layers)) {
        if (inGrace && known != badges_.end())
            return key;
        log::info(LogCategory::Hover, "Badge hidden for %{public}s: something covers %{public}s", front.appName,
                  toString(layout->coverTest));
        removeBadge(key);
        return std::nullopt;
    }
    BadgeSurface::Content content;
    content.members = icons.members;
    if (icons.group) {
        const int spanning = int(std::count_if(icons.members.begin(), icons.members.end(),
                                               [&](const ManagedWindow& m) { return isSpanning(stack, m); }));
        content.group = BadgeGroup{spanning, spanning + int(icons.group->size())};
        content.groupTitle = groupTitle(*icons.group);
    }
    const bool stored = !layout->edge && badgeSettings_.placements().bestEntry(display, slot).has_value();
    const bool autoPlace = badgeSettings_.autoPlace();
    if (!layout->edge && stored)
        content.resetTitle = autoPlace ? QStringLiteral("Place Badge Automatically")
                                       : QStringLiteral("Move Badge Back to the Title Bar");
    if (!layout->edge && !badgeSettings_.placements().isEmpty())
        content.resetAllTitle = autoPlace ? QStringLiteral("Place All Badges Automatically")
                                          : QStringLiteral("Move All Badges Back to the Title Bar");
    content.vertical = layout->edge;
    content.onTitleBar = layout->onTitleBar;
    content.scale = layout->scale;
    Badge& badge = badges_[key];
    badge.front = front;
    badge.display = display;
    badge.slot = slot;
    badge.edge = layout->edge;
    badge.size = layout->size;
    if (!badge.panel) {
        if (callbacks_.tip)
            callbacks_.tip(Tip::badge);
        badge.panel = surfaces_.makeBadge();
    }
    content.expanded = badge.panel->expanded();
    badge.panel->configure(content, badgeActions(key, front, stack, icons.group));
    const Rect was = badge.panel->frame();
    if (!(was == layout->rect)) {
        const bool glide = badge.panel->isVisible() && badge.panel->badgeShown() && was.size == layout->rect.size
                           && std::hypot(was.x() - layout->rect.x(), was.y() - layout->rect.y()) > 2
                           && !surfaces_.reduceMotion();
        badge.panel->setFrame(layout->rect, glide);
    }
    badge.frame = layout->rect;
    badge.panel->setBadgeShown(true);
    return key;
}

std::optional<StackPresenter::BadgeLayout> StackPresenter::layoutBadge(const ManagedWindow& front,
                                                                        const WindowStack& stack,
                                                                        const std::optional<Rect>& controls,
                                                                        const QString& display, int count, bool joiner)
{
    const Rect s = stack.slot(front);
    const Size open = badgeSize(count, true, joiner);
    // A window that draws its own title bar has none of the window manager's: its badge takes
    // the spot it would have under a title bar of no height along the window's top edge.
    const Rect bar = controls.value_or(Rect(s.minX() + 7, s.minY(), 52, 0));
    BadgeLayout out;
    out.size = open;
    if (badgeSettings_.onEdge()) {
        // Upright across the window's left edge, just below the title bar.
        std::optional<double> visibleMinX;
        const Point probe{s.minX() + 1, s.midY()};
        for (const ScreenInfo& screen : passScreens()) {
            if (screen.frame.contains(probe)) {
                visibleMinX = screen.visibleFrame.minX();
                break;
            }
        }
        const EdgeBadge edge = edgeBadge(s, bar.maxY() + 6, open, badgeSize(count, false, joiner), visibleMinX);
        out.rect = edge.rect;
        out.coverTest = edge.coverTest;
        out.edge = true;
        out.size = edge.rect.size;
        return out;
    }
    if (const auto stored = badgeSettings_.placements().placement(display, s)) {
        double x = stored->fromRight ? s.maxX() - stored->dx : s.minX() + stored->dx;
        x = std::max(std::min(x, s.maxX() - open.width - 4), s.minX() + 4);
        double y = std::min(s.minY() + stored->dy, s.maxY() - open.height - 4);
        y = std::max(y, s.minY() + 4);
        out.rect = out.coverTest = Rect(x, y, open.width, open.height);
        return out;
    }
    if (badgeSettings_.autoPlace()) {
        std::vector<ManagedWindow> inSlot;
        for (const ManagedWindow& m : stack.members) {
            if (stack.frameSitsIn(stack.slot(m), stack.gridOf(m), s))
                inSlot.push_back(m);
        }
        if (const auto offset = autoBadgeOffset(s, front, inSlot, count, joiner)) {
            out.rect = out.coverTest = Rect(s.minX() + offset->x, s.minY() + offset->y, open.width, open.height);
            return out;
        }
    }
    const auto known = controlsCache_.find(front);
    if (controls && known != controlsCache_.end() && known->second.titled) {
        const auto spot = titleBarBadge(known->second.bar, open, desktop_ ? desktop_->titleBarButtons() : TitleBarButtons{});
        if (!spot)
            return std::nullopt;
        out.rect = out.coverTest = spot->rect;
        out.onTitleBar = true;
        out.scale = spot->scale;
        return out;
    }
    out.rect = out.coverTest = Rect(std::max(bar.minX() - 2, s.minX() + 4), bar.maxY() + 6, open.width, open.height);
    return out;
}

bool StackPresenter::badgeUncovered(const Rect& r, const Rect& slot, const ManagedWindow& front, const WindowStack& stack,
                                    const std::vector<WindowLayerSnapshot>& layers) const
{
    // The front's own window sits in the slot by the slot rule: a terminal short of it by
    // part of a cell covers nothing.
    const auto inSlot = [&](const WindowLayerSnapshot& layer) {
        const auto member = std::find_if(stack.members.begin(), stack.members.end(),
                                         [&](const ManagedWindow& m) { return m.element == layer.id; });
        const Size grid = member == stack.members.end() ? Size{} : stack.gridOf(*member);
        return stack.frameSitsIn(layer.frame, grid, slot);
    };
    if (r.isNull() || !slot.contains(r))
        return false;
    const Point corners[] = {{r.minX() + 1, r.minY() + 1},
                             {r.maxX() - 1, r.minY() + 1},
                             {r.minX() + 1, r.maxY() - 1},
                             {r.maxX() - 1, r.maxY() - 1}};
    for (const Point& p : corners) {
        const auto top = std::find_if(layers.begin(), layers.end(), [&](const auto& l) { return l.frame.contains(p); });
        if (top == layers.end() || top->level != 0 || top->pid != front.pid || !inSlot(*top))
            return false;
    }
    return true;
}

std::optional<Point> StackPresenter::autoBadgeOffset(const Rect& slot, const ManagedWindow& front,
                                                     const std::vector<ManagedWindow>& members, int count, bool joiner)
{
    for (const ManagedWindow& m : members) {
        const auto known = chrome_.find(m);
        const bool busy = known == chrome_.end() || controlsOutsideButtons(known->second.chrome) >= 2;
        requestChromeRead(m, slot.size, busy ? 30 : 60);
    }
    const auto mine = chrome_.find(front);
    if (mine == chrome_.end() || std::abs(mine->second.size.width - slot.width()) > 5
        || std::abs(mine->second.size.height - slot.height()) > 5)
        return std::nullopt;
    std::vector<WindowChrome> others;
    for (const ManagedWindow& m : members) {
        const auto reading = chrome_.find(m);
        if (!(m == front) && reading != chrome_.end())
            others.push_back(reading->second.chrome);
    }
    const Size compact = badgeSize(count, false, joiner);
    return badgeOrigin(mine->second.chrome, slot.size, {compact.width, 22}, badgeSize(count, true, joiner), others);
}

} // namespace fw::stacks
