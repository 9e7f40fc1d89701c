// The frame comparisons and the increment-aware arrival rule.
#include "windows/FrameMatch.h"

#include <cmath>

namespace fw {

bool sameFrame(const Rect& a, const Rect& b, double tolerance)
{
    return std::abs(a.minX() - b.minX()) <= tolerance && std::abs(a.minY() - b.minY()) <= tolerance
        && std::abs(a.width() - b.width()) <= tolerance && std::abs(a.height() - b.height()) <= tolerance;
}

namespace {
bool usable(const Rect& a, const Rect& b)
{
    return a.isFinite() && b.isFinite() && a.width() > 0 && a.height() > 0 && b.width() > 0 && b.height() > 0;
}
} // namespace

bool edgesMatch(const Rect& a, const Rect& b, double tolerance)
{
    if (!usable(a, b))
        return false;
    return std::abs(a.minX() - b.minX()) <= tolerance && std::abs(a.minY() - b.minY()) <= tolerance
        && std::abs(a.maxX() - b.maxX()) <= tolerance && std::abs(a.maxY() - b.maxY()) <= tolerance;
}

bool inPlace(const Rect& frame, const Rect& target, double tolerance)
{
    return edgesMatch(frame, target, tolerance) && std::abs(frame.minX() - target.minX()) <= 0.5
        && std::abs(frame.minY() - target.minY()) <= 0.5;
}

Size gridCells(const Size& grid, const Rect& target)
{
    auto counts = [](double cell, double side) { return cell > 1 && cell < side / 2 ? cell : 0.0; };
    return Size{counts(grid.width, target.width()), counts(grid.height, target.height())};
}

bool sitsIn(const Rect& frame, const Rect& target, const Size& grid, double tolerance)
{
    if (!usable(frame, target))
        return false;
    const Size cells = gridCells(grid, target);
    auto fits = [&](double side, double targetSide, double cell) {
        const double shortBy = targetSide - side;
        return shortBy >= -tolerance && shortBy <= cell + tolerance;
    };
    return std::abs(frame.minX() - target.minX()) <= tolerance && std::abs(frame.minY() - target.minY()) <= tolerance
        && fits(frame.width(), target.width(), cells.width) && fits(frame.height(), target.height(), cells.height);
}

bool arrivedAt(const Rect& frame, const Rect& target, const Size& grid, double tolerance)
{
    if (gridCells(grid, target) == Size{})
        return edgesMatch(frame, target, tolerance);
    return sitsIn(frame, target, grid, tolerance);
}

Rect gridFrame(const Rect& target, const SizeHints& hints)
{
    const Size cells = gridCells(hints.increment, target);
    const Size base = hints.base != Size{} ? hints.base : hints.minimum.value_or(Size{});
    auto onGrid = [](double wanted, double from, double cell) {
        if (cell == 0 || !std::isfinite(wanted) || wanted <= from)
            return wanted;
        // A small epsilon keeps exact steps exact.
        return from + std::floor((wanted - from) / cell + 1e-9) * cell;
    };
    return Rect(target.origin, Size{onGrid(target.width(), base.width, cells.width),
                                    onGrid(target.height(), base.height, cells.height)});
}

} // namespace fw
