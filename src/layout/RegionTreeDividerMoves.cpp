// Divider moves under minimum region sizes.
#include "layout/RegionTree.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace fw {

namespace {

constexpr double kMinRatio = 0.08;
constexpr double kMaxRatio = 0.92;

double extentAlong(SplitAxis axis, const Rect& r) { return axis == SplitAxis::horizontal ? r.width() : r.height(); }
double startAlong(SplitAxis axis, const Rect& r) { return axis == SplitAxis::horizontal ? r.minX() : r.minY(); }
double alongSize(SplitAxis axis, const Size& s) { return axis == SplitAxis::horizontal ? s.width : s.height; }

using SplitEdit = std::function<RegionTree(const RegionTree& split, const Rect& container)>;

// Walks the path down from `tree` laid out in `rect`, applies `edit` to the split where the path
// ends, and rebuilds the splits above it with their axis and ratio. A leaf met on the way
// comes back unchanged.
RegionTree editAt(const RegionTree& tree, const Rect& rect, const DividerPath& path, std::size_t depth,
                  const SplitEdit& edit)
{
    if (tree.isLeaf())
        return tree;
    if (depth == path.size())
        return edit(tree, rect);
    const auto [a, b] = divide(tree.axis(), rect, tree.ratio());
    if (!path[depth])
        return RegionTree::split(tree.axis(), tree.ratio(), editAt(tree.first(), a, path, depth + 1, edit),
                                 tree.second());
    return RegionTree::split(tree.axis(), tree.ratio(), tree.first(),
                             editAt(tree.second(), b, path, depth + 1, edit));
}

bool ratioInRange(double r) { return r >= kMinRatio && r <= kMaxRatio; } // false for NaN

} // namespace

Size RegionTree::minimumSize(const Size& regionMinimum) const
{
    if (isLeaf())
        return regionMinimum;
    const Size a = first().minimumSize(regionMinimum);
    const Size b = second().minimumSize(regionMinimum);
    const double r = ratio();
    if (axis() == SplitAxis::horizontal)
        return {std::max(a.width / r, b.width / (1 - r)), std::max(a.height, b.height)};
    return {std::max(a.width, b.width), std::max(a.height / r, b.height / (1 - r))};
}

RegionTree RegionTree::settingRatio(const DividerPath& path, double ratio) const
{
    return editAt(*this, Rect(0, 0, 1, 1), path, 0, [ratio](const RegionTree& s, const Rect&) {
        return split(s.axis(), ratio, s.first(), s.second());
    });
}

RegionTree RegionTree::movingDividerProportionally(const DividerPath& path, double position, const Rect& in,
                                                   const Size& minimumSize) const
{
    if (!std::isfinite(position))
        return *this;
    return editAt(*this, in, path, 0, [&](const RegionTree& s, const Rect& c) {
        const double extent = extentAlong(s.axis(), c);
        if (!(extent > 0))
            return s;
        const double f = alongSize(s.axis(), s.first().minimumSize(minimumSize));
        const double g = alongSize(s.axis(), s.second().minimumSize(minimumSize));
        const double lower = std::max(f / extent, kMinRatio);
        const double upper = std::min(1 - g / extent, kMaxRatio);
        if (!(lower <= upper))
            return s;
        const double ratio = std::clamp((position - startAlong(s.axis(), c)) / extent, lower, upper);
        return split(s.axis(), ratio, s.first(), s.second());
    });
}

std::optional<RegionTree> RegionTree::refitted(const Rect& from, const Rect& to, const Size& minimumSize) const
{
    if (isLeaf()) {
        const bool fits = std::min(minimumSize.width, from.width()) <= to.width() + 1e-10
            && std::min(minimumSize.height, from.height()) <= to.height() + 1e-10;
        if (!fits)
            return std::nullopt;
        return *this;
    }
    const auto [f, s] = divide(axis(), from, ratio());
    const double p = axis() == SplitAxis::horizontal ? f.maxX() : f.maxY();
    const double extent = extentAlong(axis(), to);
    if (!(extent > 0))
        return std::nullopt;
    const double r = (p - startAlong(axis(), to)) / extent;
    if (!ratioInRange(r))
        return std::nullopt;
    const auto [f1, s1] = divide(axis(), to, r);
    auto a = first().refitted(f, f1, minimumSize);
    if (!a)
        return std::nullopt;
    auto b = second().refitted(s, s1, minimumSize);
    if (!b)
        return std::nullopt;
    return split(axis(), r, std::move(*a), std::move(*b));
}

RegionTree RegionTree::settingDivider(const DividerPath& path, double position, const Rect& in,
                                      const Size& minimumSize) const
{
    if (!std::isfinite(position) || isLeaf())
        return *this;
    return editAt(*this, in, path, 0, [&](const RegionTree& s, const Rect& c) {
        const double extent = extentAlong(s.axis(), c);
        if (!(extent > 0))
            return s;
        double target = (position - startAlong(s.axis(), c)) / extent;
        if (!std::isfinite(target))
            return s;
        if (target <= kMinRatio)
            target = kMinRatio;
        if (target > kMaxRatio)
            target = kMaxRatio;

        // Plain names, not structured bindings: clang 14 cannot capture those in a lambda.
        const auto before = divide(s.axis(), c, s.ratio());
        const Rect a0 = before.first, b0 = before.second;
        auto tryRatio = [&](double r) -> std::optional<RegionTree> {
            const auto [a1, b1] = divide(s.axis(), c, r);
            auto a = s.first().refitted(a0, a1, minimumSize);
            if (!a)
                return std::nullopt;
            auto b = s.second().refitted(b0, b1, minimumSize);
            if (!b)
                return std::nullopt;
            return split(s.axis(), r, std::move(*a), std::move(*b));
        };
        if (auto moved = tryRatio(target))
            return *moved;

        // Stop as close to the target as the minimum sizes allow: bisect between the target
        // (fails) and the current ratio (fits for a valid tree).
        std::optional<RegionTree> best;
        double failing = target;
        double fitting = s.ratio();
        for (int round = 0; round < 28; ++round) {
            const double m = (failing + fitting) / 2;
            if (auto moved = tryRatio(m)) {
                best = std::move(moved);
                fitting = m;
            } else {
                failing = m;
            }
        }
        return best ? *best : s;
    });
}

RegionTree RegionTree::moveDivider(RegionNumber of, RegionEdge edge, double to, const Size& minimumSize) const
{
    const Rect unit(0, 0, 1, 1);
    const auto rects = unitRects(unit);
    const auto found = rects.find(of);
    if (found == rects.end())
        return *this;
    const Rect& r = found->second;

    const bool upright = edge == RegionEdge::left || edge == RegionEdge::right;
    double e = 0;
    switch (edge) {
    case RegionEdge::left: e = r.minX(); break;
    case RegionEdge::right: e = r.maxX(); break;
    case RegionEdge::top: e = r.minY(); break;
    case RegionEdge::bottom: e = r.maxY(); break;
    }
    if (!(e > 0.001 && e < 0.999))
        return *this; // an outer edge of the display

    const Divider* best = nullptr;
    const auto all = dividers(unit);
    for (const Divider& d : all) {
        if (d.axis != (upright ? SplitAxis::horizontal : SplitAxis::vertical))
            continue;
        if (!(std::abs(d.position - e) < 0.001))
            continue;
        const bool spans = upright
            ? d.container.minY() <= r.minY() + 0.001 && d.container.maxY() >= r.maxY() - 0.001
            : d.container.minX() <= r.minX() + 0.001 && d.container.maxX() >= r.maxX() - 0.001;
        if (!spans)
            continue;
        if (!best || d.path.size() > best->path.size())
            best = &d;
    }
    if (!best)
        return *this;
    return settingDivider(best->path, to, unit, minimumSize);
}

std::optional<RegionTree> RegionTree::equalizingDivider(const DividerPath& path, const Size& minimumSize) const
{
    const Rect unit(0, 0, 1, 1);
    auto findDivider = [&path, &unit](const RegionTree& t) -> std::optional<Divider> {
        for (const Divider& d : t.dividers(unit)) {
            if (d.path == path)
                return d;
        }
        return std::nullopt;
    };
    const auto divider = findDivider(*this);
    if (!divider)
        return std::nullopt;
    const double goal = divider->axis == SplitAxis::horizontal ? divider->container.midX()
                                                               : divider->container.midY();
    const RegionTree moved = movingDividerProportionally(path, goal, unit, minimumSize);
    const auto after = findDivider(moved);
    if (!after || !(std::abs(after->position - goal) < 1e-6))
        return std::nullopt;
    return settingRatio(path, 0.5);
}

} // namespace fw
