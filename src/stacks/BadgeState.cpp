// The badge rules over the badge state: where a badge stands by the first rule that applies
// (on the window's edge, where the user dragged it, the free title-bar spot, on the window
// manager's title bar, inside the top edge of a window without one) and the cover test; and
// hiding, raising and forgetting badges.
#include "stacks/BadgeState.h"

#include "layout/ScreenGeometry.h"
#include "stacks/BadgeSpots.h"

#include <algorithm>
#include <cmath>

namespace fw::stacks {

QString BadgeState::spotKey(const Rect& slot, const std::vector<ScreenInfo>& screens)
{
    const Point centre{slot.midX(), slot.midY()};
    for (const ScreenInfo& s : screens) {
        if (s.frame.contains(centre))
            return s.key;
    }
    return QStringLiteral("unknown");
}

bool BadgeState::memberOrder(const Rect& a, const Rect& b)
{
    if (std::abs(a.minY() - b.minY()) <= 8)
        return a.minX() < b.minX();
    return a.minY() < b.minY();
}

std::optional<BadgeLayout> BadgeState::layout(const ManagedWindow& front, const WindowStack& stack,
                                              const QString& display, int count, bool joiner,
                                              const BadgeSurroundings& around) const
{
    const Rect s = stack.slot(front);
    // Sizes and gaps are logical pixels, at the scale of the screen under the slot.
    const double k = scaleAt(around.screens, Point{s.midX(), s.midY()});
    const Size open = badgeSize(count, true, joiner, k);
    // A window that draws its own title bar has none of the window manager's: its badge takes
    // the spot it would have under a title bar of no height along the window's top edge.
    const auto known = bars.find(front);
    const TitleBar* titled = known != bars.end() && known->second.bar ? &*known->second.bar : nullptr;
    const Rect bar = titled ? titled->buttons() : Rect(s.minX() + 7 * k, s.minY(), 52 * k, 0);
    BadgeLayout out;
    out.size = open;
    if (around.settings.onEdge()) {
        // Upright across the window's left edge, just below the title bar.
        std::optional<double> visibleMinX;
        const Point probe{s.minX() + 1, s.midY()};
        for (const ScreenInfo& screen : around.screens) {
            if (screen.frame.contains(probe)) {
                visibleMinX = screen.visibleFrame.minX();
                break;
            }
        }
        const EdgeBadge edge = edgeBadge(s, bar.maxY() + 6 * k, open, badgeSize(count, false, joiner, k), visibleMinX);
        out.rect = edge.rect;
        out.coverTest = edge.coverTest;
        out.edge = true;
        out.size = edge.rect.size;
        return out;
    }
    if (const auto stored = around.settings.placements().placement(display, s)) {
        double x = stored->fromRight ? s.maxX() - stored->dx : s.minX() + stored->dx;
        x = std::max(std::min(x, s.maxX() - open.width - 4), s.minX() + 4);
        double y = std::min(s.minY() + stored->dy, s.maxY() - open.height - 4);
        y = std::max(y, s.minY() + 4);
        out.rect = out.coverTest = Rect(x, y, open.width, open.height);
        return out;
    }
    if (around.settings.autoPlace() && around.autoOffset) {
        if (const auto offset = around.autoOffset()) {
            out.rect = out.coverTest = Rect(s.minX() + offset->x, s.minY() + offset->y, open.width, open.height);
            return out;
        }
    }
    if (titled) {
        // Kept inside the visible frame of the screen under the bar; a bar too narrow for the
        // open badge between its ends leaves it to the spot under the buttons.
        const Rect& titleBar = titled->bar;
        std::optional<double> top;
        if (const auto screen = containing(around.screens, Point{titleBar.midX(), titleBar.midY()}))
            top = screen->visibleFrame.minY();
        if (const auto spot = titleBarBadge(*titled, open, badgeSize(count, false, joiner, k), k, top)) {
            out.rect = spot->rect;
            // Only the strip's part over the window counts: it may reach above a thin bar.
            out.coverTest = spot->compact.intersection(s);
            out.stripMiddle = spot->middle / k;
            return out;
        }
    }
    // Under the buttons, at whichever end they stand, inside the slot.
    const double x = std::min(bar.minX() - 2 * k, s.maxX() - 4 * k - open.width);
    out.rect = out.coverTest = Rect(std::max(x, s.minX() + 4 * k), bar.maxY() + 6 * k, open.width, open.height);
    return out;
}

bool BadgeState::uncovered(const Rect& r, const Rect& slot, const ManagedWindow& front, const WindowStack& stack,
                           const std::vector<WindowLayerSnapshot>& layers)
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
        if (top == layers.end() || !isWorkWindowLevel(top->level) || top->pid != front.pid || !inSlot(*top))
            return false;
    }
    return true;
}

void BadgeState::remove(const BadgeKey& key)
{
    const auto it = badges.find(key);
    if (it == badges.end())
        return;
    it->second.panel->setBadgeShown(false);
    badges.erase(it);
}

void BadgeState::dropAll()
{
    hideAll();
    badges.clear();
}

void BadgeState::hideAll()
{
    for (auto& [key, badge] : badges)
        badge.panel->setBadgeShown(false);
}

void BadgeState::raiseShown()
{
    for (auto& [key, badge] : badges) {
        if (badge.panel->isVisible())
            badge.panel->raise();
    }
}

void BadgeState::forget(const std::unordered_set<ManagedWindow>& known)
{
    std::erase_if(bars, [&](const auto& e) { return !known.count(e.first); });
}

} // namespace fw::stacks
