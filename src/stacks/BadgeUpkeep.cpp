// The runs that keep badges in step with their windows: the title-bar readings from which free
// spots are found (asked again on a 4 s tick, as a title that changes moves the title's text
// and the window manager may change its frame: sooner for the front window of the active
// application, later for windows with few controls; one reading per window at a time, taken
// on the main thread), and what a badge reports: a click on an icon, a drag that ended, a
// reset of one or of every moved badge.
#include "stacks/BadgeUpkeep.h"

#include "stacks/BadgeSpotFinder.h"

#include <cmath>

namespace fw::stacks {

namespace {

std::vector<Rect> controlFrames(const WindowChrome& chrome)
{
    std::vector<Rect> out;
    for (const auto& e : chrome.elements) {
        if (e.isControl)
            out.push_back(e.frame);
    }
    return out;
}

} // namespace

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

void armChrome(PresenterContext& ctx, BadgeState& badges, const BadgeSettings& settings)
{
    // The badges and settings live as long as the context: reached only while that does.
    auto weak = ctx.self.weak();
    badges.chromeTimer = ctx.clock.schedule(BadgeState::chromeInterval, [weak, &badges, &settings] {
        if (auto self = weak.lock()) {
            armChrome(*self, badges, settings);
            chromeTick(*self, badges, settings);
        }
    });
}

void chromeTick(PresenterContext& ctx, BadgeState& badges, const BadgeSettings& settings)
{
    if (!settings.autoPlace() || ctx.queries.menuOpen() || ctx.queries.shuffling())
        return;
    const auto frontmost = ctx.access.windowSystem().frontmostPid();
    struct Ask {
        ManagedWindow window;
        Size size;
        double age;
    };
    std::vector<Ask> asks;
    const auto& chrome = badges.chrome;
    for (const auto& [key, badge] : badges.badges) {
        if (!badge.panel->isVisible())
            continue;
        const auto& presented = ctx.queries.presented();
        const auto stack = std::find_if(presented.begin(), presented.end(),
                                        [&](const WindowStack& s) { return s.contains(badge.front); });
        if (stack == presented.end())
            continue;
        const Rect slot = stack->slot(badge.front);
        for (const ManagedWindow& m : stack->members) {
            if (!stack->frameSitsIn(stack->slot(m), stack->gridOf(m), slot))
                continue;
            const auto known = chrome.find(m);
            double age = 30;
            if (known != chrome.end() && controlsOutsideButtons(known->second.chrome) < 2)
                age = 60;
            else if (m == badge.front)
                age = frontmost && *frontmost == m.pid ? 4 : 20;
            asks.push_back({m, slot.size, age});
        }
    }
    for (const Ask& a : asks)
        requestChromeRead(ctx, badges, a.window, a.size, a.age);
}

void requestChromeRead(PresenterContext& ctx, BadgeState& state, const ManagedWindow& window, const Size& size,
                       double maxAge)
{
    const auto known = state.chrome.find(window);
    if (known != state.chrome.end() && std::abs(known->second.size.width - size.width) < 2
        && std::abs(known->second.size.height - size.height) < 2 && ctx.uptime() - known->second.read < maxAge)
        return;
    if (state.chromeInFlight.count(window))
        return;
    const auto frame = ctx.access.frame(window);
    if (!frame)
        return;
    state.chromeInFlight.insert(window);
    ++state.chromeReadCount;
    auto weak = ctx.self.weak();
    ctx.chromeReads.read(window, *frame, [weak, &state, window, size = frame->size](WindowChrome chrome) {
        if (auto self = weak.lock())
            applyChromeRead(*self, state, chrome, window, size);
    });
}

void applyChromeRead(PresenterContext& ctx, BadgeState& state, const WindowChrome& chrome,
                     const ManagedWindow& window, const Size& size)
{
    state.chromeInFlight.erase(window);
    const auto known = state.chrome.find(window);
    const bool isNew = known == state.chrome.end() || controlFrames(known->second.chrome) != controlFrames(chrome)
                       || known->second.chrome.titleBarButtons != chrome.titleBarButtons || !(known->second.size == size);
    state.chrome[window] = {size, chrome, ctx.uptime()};
    if (isNew && ctx.queries.running() && !ctx.queries.menuOpen()) {
        if (StackActions* actions = ctx.actions()) {
            actions->presentAgain();
            actions->refresh(false);
        }
    }
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
