#pragma once
// The plan of putting a window into one half of a region that a split made: from the layout
// before and the layout after the split, which region was split, which half the window that
// filled it (the displaced window) takes, and where every other window of the display goes.
// Pure geometry on unit rectangles, so the plan does not depend on the display's size; it
// reads no window and moves nothing. A layout that changed anything but the split region
// gives no plan.

#include "base/Geometry.h"
#include "layout/SnapLayout.h"
#include "windows/PlacementRecord.h"

#include <cmath>
#include <map>
#include <optional>

namespace fw {

namespace cornerplan {

inline constexpr double kExact = 1e-6; // unit rectangles computed alike agree far closer
inline constexpr double kSplit = 0.0001;

inline bool near(double a, double b, double tolerance) { return std::abs(a - b) <= tolerance; }

inline bool sameRect(const Rect& a, const Rect& b)
{
    return near(a.minX(), b.minX(), kExact) && near(a.minY(), b.minY(), kExact) && near(a.width(), b.width(), kExact) &&
           near(a.height(), b.height(), kExact);
}

// `inner` lies inside `outer`, edges allowed to coincide.
inline bool inside(const Rect& inner, const Rect& outer)
{
    return inner.minX() >= outer.minX() - kExact && inner.minY() >= outer.minY() - kExact &&
           inner.maxX() <= outer.maxX() + kExact && inner.maxY() <= outer.maxY() + kExact;
}

// The two halves fill the split region exactly, as two rows or as two columns.
inline bool exactSplit(const Rect& half, const Rect& other, const Rect& whole)
{
    const bool rows = near(half.width(), whole.width(), kSplit) && near(other.width(), whole.width(), kSplit) &&
                      near(half.height() + other.height(), whole.height(), kSplit);
    const bool columns = near(half.height(), whole.height(), kSplit) && near(other.height(), whole.height(), kSplit) &&
                         near(half.width() + other.width(), whole.width(), kSplit);
    return rows || columns;
}

} // namespace cornerplan

// `region` is the dropped window's region in `to`; `windows` the old layout's region table.
// When the old region was cut into more than two pieces, the first other piece (by number)
// inside it is the displaced window's, and the exactness test applies to that one.
template<typename W>
std::optional<CornerInsertion<W>> planCornerInsertion(const SnapLayout& from, const SnapLayout& to,
                                                      RegionNumber region, const W& window,
                                                      const std::map<RegionNumber, W>& windows)
{
    using namespace cornerplan;
    const auto before = from.tree.unitRects(Rect(0, 0, 1, 1));
    const auto after = to.tree.unitRects(Rect(0, 0, 1, 1));
    const auto mine = after.find(region);
    if (after.empty() || mine == after.end())
        return std::nullopt;
    const Rect r = mine->second;

    std::optional<RegionNumber> split;
    for (const auto& [n, rect] : before) {
        if (inside(r, rect) && !sameRect(r, rect)) {
            split = n;
            break;
        }
    }
    if (!split)
        return std::nullopt;
    const Rect whole = before.at(*split);
    std::optional<RegionNumber> other;
    for (const auto& [n, rect] : after) {
        if (n != region && inside(rect, whole)) {
            other = n;
            break;
        }
    }
    if (!other || !exactSplit(r, after.at(*other), whole))
        return std::nullopt;

    CornerInsertion<W> plan;
    plan.assignments[region] = window;
    for (const auto& [q, w] : windows) {
        if (w == window || q == *split)
            continue;
        const auto old = before.find(q);
        if (old == before.end())
            return std::nullopt;
        std::optional<RegionNumber> moved;
        for (const auto& [n, rect] : after) {
            if (sameRect(rect, old->second)) {
                moved = n;
                break;
            }
        }
        if (!moved)
            return std::nullopt;
        plan.assignments[*moved] = w;
    }
    const auto displaced = windows.find(*split);
    if (displaced != windows.end() && !(displaced->second == window)) {
        plan.assignments[*other] = displaced->second;
        plan.displaced = displaced->second;
    }
    plan.displacedRegion = *other;
    plan.originalRegion = *split;
    return plan;
}

} // namespace fw
