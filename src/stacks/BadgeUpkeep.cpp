// Keeping badges in step with their windows: the title-bar readings from which free spots are
// found (asked again on a 4 s tick, sooner for the front window of the active application,
// later for windows with few controls; one reading per window at a time, taken off the main
// thread), and what a badge reports: a click on an icon, a drag that ended, a reset of one or
// of every moved badge.
#include "stacks/StackPresenter.h"

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

BadgeSurface::Actions StackPresenter::badgeActions(const BadgeKey& key, const ManagedWindow& front,
                                                   const WindowStack& stack,
                                                   const std::optional<std::vector<ManagedWindow>>& group)
{
    auto weak = self_.weak();
    BadgeSurface::Actions actions;
    actions.choose = [weak, front, stack](const ManagedWindow& chosen) {
        if (auto self = weak.lock())
            self->requests_.switchFront(chosen, stack.slot(chosen), false, front);
    };
    actions.moved = [weak, key](const Rect& dropped) {
        if (auto self = weak.lock())
            self->badgeMoved(key, dropped);
    };
    actions.resetPosition = [weak, key] {
        if (auto self = weak.lock())
            self->resetBadge(key);
    };
    actions.resetAllPositions = [weak] {
        if (auto self = weak.lock())
            self->resetAllBadges();
    };
    if (group) {
        actions.bringGroupForward = [weak, stack] {
            if (auto self = weak.lock())
                self->requests_.bringUnderneathForward(stack);
        };
    }
    return actions;
}

void StackPresenter::badgeMoved(const BadgeKey& key, const Rect& dropped)
{
    const auto it = badges_.find(key);
    if (it == badges_.end()) {
        requests_.refresh(true);
        return;
    }
    Badge& badge = it->second;
    if (badge.edge) {
        badge.panel->setFrame(badge.frame, false);   // an upright badge stays on the edge
        requests_.refresh(true);
        return;
    }
    const Rect& w = badge.slot;
    BadgePlacement placement;
    placement.fromRight = dropped.midX() > w.midX();
    placement.dx = placement.fromRight ? w.maxX() - dropped.minX() : dropped.minX() - w.minX();
    placement.dy = dropped.minY() - w.minY();
    badgeSettings_.placements().setPlacement(placement, badge.display, w);

    const Size size = badge.size;
    double x = placement.fromRight ? w.maxX() - placement.dx : w.minX() + placement.dx;
    x = std::max(std::min(x, w.maxX() - size.width - 4), w.minX() + 4);
    double y = std::min(w.minY() + placement.dy, w.maxY() - size.height - 4);
    y = std::max(y, w.minY() + 4);
    badge.frame = Rect(x, y, size.width, size.height);
    badge.panel->setFrame(badge.frame, false);
    requests_.refresh(true);
}

void StackPresenter::resetBadge(const BadgeKey& key)
{
    if (const auto it = badges_.find(key); it != badges_.end())
        badgeSettings_.placements().removePlacement(it->second.display, it->second.slot);
    requests_.refresh(true);
}

void StackPresenter::resetAllBadges()
{
    badgeSettings_.placements().removeAll();
    requests_.refresh(true);
}

void StackPresenter::chromeTick()
{
    if (!badgeSettings_.autoPlace() || queries_.menuOpen() || queries_.shuffling())
        return;
    const auto frontmost = access_.windowSystem().frontmostPid();
    struct Ask {
        ManagedWindow window;
        Size size;
        double age;
    };
    std::vector<Ask> asks;
    for (const auto& [key, badge] : badges_) {
        if (!badge.panel->isVisible())
            continue;
        const auto& presented = queries_.presented();
        const auto stack = std::find_if(presented.begin(), presented.end(),
                                        [&](const WindowStack& s) { return s.contains(badge.front); });
        if (stack == presented.end())
            continue;
        const Rect slot = stack->slot(badge.front);
        for (const ManagedWindow& m : stack->members) {
            if (!stack->frameSitsIn(stack->slot(m), stack->gridOf(m), slot))
                continue;
            const auto known = chrome_.find(m);
            double age = 30;
            if (known != chrome_.end() && controlsOutsideButtons(known->second.chrome) < 2)
                age = 60;
            else if (m == badge.front)
                age = frontmost && *frontmost == m.pid ? 4 : 20;
            asks.push_back({m, slot.size, age});
        }
    }
    for (const Ask& a : asks)
        requestChromeRead(a.window, a.size, a.age);
}

void StackPresenter::requestChromeRead(const ManagedWindow& window, const Size& size, double maxAge)
{
    const auto known = chrome_.find(window);
    if (known != chrome_.end() && std::abs(known->second.size.width - size.width) < 2
        && std::abs(known->second.size.height - size.height) < 2 && uptime() - known->second.read < maxAge)
        return;
    if (chromeInFlight_.count(window))
        return;
    const auto frame = access_.frame(window);
    if (!frame)
        return;
    chromeInFlight_.insert(window);
    ++chromeReadCount_;
    auto weak = self_.weak();
    chromeReads_.read(window, *frame, [weak, window, size = frame->size](WindowChrome chrome) {
        if (auto self = weak.lock())
            self->applyChromeRead(chrome, window, size);
    });
}

void StackPresenter::applyChromeRead(const WindowChrome& chrome, const ManagedWindow& window, const Size& size)
{
    chromeInFlight_.erase(window);
    const auto known = chrome_.find(window);
    const bool isNew = known == chrome_.end() || controlFrames(known->second.chrome) != controlFrames(chrome)
                       || known->second.chrome.titleBarButtons != chrome.titleBarButtons || !(known->second.size == size);
    chrome_[window] = {size, chrome, uptime()};
    if (isNew && queries_.running() && !queries_.menuOpen()) {
        requests_.presentAgain();
        requests_.refresh(false);
    }
}

QString StackPresenter::windowHitDescription(const QString& label, const Rect& rect, Point point,
                                             const std::vector<WindowLayerSnapshot>& layers) const
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
        const auto& known = queries_.knownFrames();
        const auto window = std::find_if(known.begin(), known.end(), [&](const DiscoveredWindow& d) { return d.window.element == hit->id; });
        title = window != known.end() ? window->window.title : QStringLiteral("window %1").arg(hit->id);
    }
    return text + QStringLiteral(" hit ") + title;
}

} // namespace fw::stacks
