// Moves the divider between two regions so that both windows' minimum sizes fit, on a copy of the
// layout; pure.
#include "windows/MinimumSizeFitting.h"

#include <algorithm>
#include <cmath>

namespace fw {

namespace {

constexpr double kSame = 0.0001;
constexpr double kGap = 8;
// Room a region needs beyond its window's minimum: the gap plus one pixel of slack.
constexpr double kMargin = 9;

// One direction of the unit square, and the divider edge that moves along it.
struct Axis {
    double (Rect::*min)() const;
    double (Rect::*max)() const;
    double (Rect::*length)() const;
    double Size::*extent;
    RegionEdge divider;
};
constexpr Axis kVertical{&Rect::minY, &Rect::maxY, &Rect::height, &Size::height, RegionEdge::bottom};
constexpr Axis kHorizontal{&Rect::minX, &Rect::maxX, &Rect::width, &Size::width, RegionEdge::right};

bool same(double a, double b)
{
    return std::abs(a - b) < kSame;
}

} // namespace

std::optional<SnapLayout> fittingMinimumSizes(const SnapLayout& layout, RegionNumber first, RegionNumber second,
                                              const Size& firstMinimum, const Size& secondMinimum,
                                              const Rect& display)
{
    const auto units = layout.tree.unitRects(Rect(0, 0, 1, 1));
    const auto ia = units.find(first);
    const auto ib = units.find(second);
    if (units.empty() || ia == units.end() || ib == units.end())
        return std::nullopt;
    const Rect a = ia->second;
    const Rect b = ib->second;

    // Regions in one column share their left edge and stack vertically; otherwise they must share
    // a row and sit side by side.
    const bool column = same(a.minX(), b.minX());
    const Axis& along = column ? kVertical : kHorizontal;
    const Axis& across = column ? kHorizontal : kVertical;
    if (!(same((a.*across.min)(), (b.*across.min)()) && same((a.*across.length)(), (b.*across.length)())))
        return std::nullopt;
    const double length = (display.*along.length)() - kGap;
    if (!(length > 0))
        return std::nullopt;
    const bool firstIsEarlier = (a.*along.min)() < (b.*along.min)();
    const Rect earlier = firstIsEarlier ? a : b;
    const Rect later = firstIsEarlier ? b : a;
    const double earlierMin = (firstIsEarlier ? firstMinimum : secondMinimum).*along.extent;
    const double laterMin = (firstIsEarlier ? secondMinimum : firstMinimum).*along.extent;
    const double lo = (earlier.*along.min)() + (earlierMin + kMargin) / length;
    const double hi = (later.*along.max)() - (laterMin + kMargin) / length;
    if (lo > hi)
        return std::nullopt;
    const double position = std::min(std::max(lo, (earlier.*along.max)()), hi);
    const RegionTree tree =
        layout.tree.moveDivider(firstIsEarlier ? first : second, along.divider, position, Size{0.01, 0.01});

    const auto frames = tree.frames(display, kGap);
    const auto fa = frames.find(first);
    const auto fb = frames.find(second);
    if (frames.empty() || fa == frames.end() || fb == frames.end())
        return std::nullopt;
    const bool fits = firstMinimum.*along.extent <= (fa->second.*along.length)()
        && secondMinimum.*along.extent <= (fb->second.*along.length)();
    if (!fits)
        return std::nullopt;
    SnapLayout adjusted = layout;
    adjusted.tree = tree;
    return adjusted;
}

} // namespace fw
