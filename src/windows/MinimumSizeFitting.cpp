#include "windows/MinimumSizeFitting.h"

#include <algorithm>
#include <cmath>

namespace fw {

namespace {

constexpr double kSame = 0.0001;
constexpr double kGap = 8;
// Room a region needs beyond its window's minimum: the gap plus one point of slack.
constexpr double kMargin = 9;

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

    const bool column = std::abs(a.minX() - b.minX()) < kSame;
    RegionTree tree;
    if (column) {
        if (!(std::abs(a.width() - b.width()) < kSame))
            return std::nullopt;
        const double length = display.height() - kGap;
        if (!(length > 0))
            return std::nullopt;
        const bool firstIsUpper = a.minY() < b.minY();
        const Rect upper = firstIsUpper ? a : b;
        const Rect lower = firstIsUpper ? b : a;
        const double upperMin = firstIsUpper ? firstMinimum.height : secondMinimum.height;
        const double lowerMin = firstIsUpper ? secondMinimum.height : firstMinimum.height;
        const double lo = upper.minY() + (upperMin + kMargin) / length;
        const double hi = lower.maxY() - (lowerMin + kMargin) / length;
        if (lo > hi)
            return std::nullopt;
        const double position = std::min(std::max(lo, upper.maxY()), hi);
        tree = layout.tree.moveDivider(firstIsUpper ? first : second, RegionEdge::bottom, position, Size{0.01, 0.01});
    } else {
        if (!(std::abs(a.minY() - b.minY()) < kSame && std::abs(a.height() - b.height()) < kSame))
            return std::nullopt;
        const double length = display.width() - kGap;
        if (!(length > 0))
            return std::nullopt;
        const bool firstIsLeft = a.minX() < b.minX();
        const Rect left = firstIsLeft ? a : b;
        const Rect right = firstIsLeft ? b : a;
        const double leftMin = firstIsLeft ? firstMinimum.width : secondMinimum.width;
        const double rightMin = firstIsLeft ? secondMinimum.width : firstMinimum.width;
        const double lo = left.minX() + (leftMin + kMargin) / length;
        const double hi = right.maxX() - (rightMin + kMargin) / length;
        if (lo > hi)
            return std::nullopt;
        const double position = std::min(std::max(lo, left.maxX()), hi);
        tree = layout.tree.moveDivider(firstIsLeft ? first : second, RegionEdge::right, position, Size{0.01, 0.01});
    }

    const auto frames = tree.frames(display, kGap);
    const auto fa = frames.find(first);
    const auto fb = frames.find(second);
    if (frames.empty() || fa == frames.end() || fb == frames.end())
        return std::nullopt;
    const bool fits = column
        ? firstMinimum.height <= fa->second.height() && secondMinimum.height <= fb->second.height()
        : firstMinimum.width <= fa->second.width() && secondMinimum.width <= fb->second.width();
    if (!fits)
        return std::nullopt;
    SnapLayout adjusted = layout;
    adjusted.tree = tree;
    return adjusted;
}

} // namespace fw
