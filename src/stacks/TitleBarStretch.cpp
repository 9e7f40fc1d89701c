// The search for a free stretch of a title bar.
#include "stacks/TitleBarStretch.h"

#include <algorithm>
#include <cmath>

namespace fw::stacks {

namespace {

// What stands on the bar, from its top-left: the items at each end, the title.
struct BarItems {
    std::optional<Rect> left, right, title, buttons;
};

std::optional<Rect> relative(const Rect& r, const Rect& bar)
{
    if (r.width() <= 0)
        return std::nullopt;
    return Rect(r.minX() - bar.minX(), r.minY() - bar.minY(), r.width(), r.height());
}

BarItems itemsOf(const TitleBar& t)
{
    BarItems out{relative(t.leftEnd, t.bar), relative(t.rightEnd, t.bar), std::nullopt,
                 relative(t.buttonsEnd(), t.bar)};
    if (t.title)
        out.title = relative(*t.title, t.bar);
    return out;
}

bool collides(const Rect& badge, const std::vector<BarItems>& keepClear)
{
    for (const BarItems& c : keepClear) {
        for (const auto& item : {c.left, c.right, c.title}) {
            if (item && badge.intersects(item->insetBy(-8, -2)))
                return true;
        }
        if (c.buttons && badge.intersects(c.buttons->insetBy(-8, -4)))
            return true;
    }
    return false;
}

// Where a badge may start, in order: beside the buttons (16 pixels right of them: in the window
// only where they stand at the left end), then in the stretches between the items, widest
// first (14 pixels in).
std::vector<double> candidates(const BarItems& items)
{
    std::vector<Rect> obstacles;
    for (const auto& item : {items.left, items.title, items.right}) {
        if (item)
            obstacles.push_back(*item);
    }
    std::vector<double> xs;
    if (obstacles.empty())
        return xs;
    std::stable_sort(obstacles.begin(), obstacles.end(), [](const Rect& a, const Rect& b) { return a.minX() < b.minX(); });
    if (items.buttons)
        xs.push_back(items.buttons->maxX() + 16);
    struct Gap {
        double start, width;
    };
    std::vector<Gap> gaps;
    double cursor = 8;
    for (const Rect& o : obstacles) {
        if (cursor < o.minX())
            gaps.push_back({cursor, o.minX() - cursor});
        cursor = std::max(cursor, o.maxX());
    }
    std::stable_sort(gaps.begin(), gaps.end(), [](const Gap& a, const Gap& b) { return a.width > b.width; });
    for (const Gap& g : gaps)
        xs.push_back(g.start + 14);
    return xs;
}

} // namespace

bool hasFewItems(const TitleBar& bar) { return bar.itemsBesideButtons() < 2; }

std::optional<Point> freeStretchOrigin(const TitleBar& front, const Size& windowSize, const Size& compact,
                                       const Size& open, const std::vector<TitleBar>& avoiding)
{
    if (hasFewItems(front))
        return std::nullopt;
    const BarItems mine = itemsOf(front);
    std::vector<BarItems> keepClear{mine};
    for (const TitleBar& other : avoiding) {
        if (!hasFewItems(other))
            keepClear.push_back(itemsOf(other));
    }
    // Centred on the bar (rounded to whole pixels, halves away from zero), kept inside the
    // window: on a bar thinner than the strip it reaches past the bar below only.
    const double y = std::max(0.0, std::round(front.bar.height() / 2 - compact.height / 2));
    for (double candidate : candidates(mine)) {
        const double x = std::round(candidate);
        if (x < 8 || x + open.width > windowSize.width - 8 || y + open.height > windowSize.height - 8)
            continue;
        if (!collides(Rect(x, y, compact.width, compact.height), keepClear))
            return Point{x, y};
    }
    return std::nullopt;
}

} // namespace fw::stacks
