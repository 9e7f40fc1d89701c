// Region frames and dividers from a tree and a display frame, insets and edge snapping.
#include "layout/RegionTree.h"

#include <cmath>

namespace fw {

std::pair<Rect, Rect> divide(SplitAxis axis, const Rect& rect, double ratio)
{
    if (axis == SplitAxis::horizontal) {
        const double a = rect.width() * ratio;
        return {Rect(rect.minX(), rect.minY(), a, rect.height()),
                Rect(rect.minX() + a, rect.minY(), rect.width() - a, rect.height())};
    }
    const double a = rect.height() * ratio;
    return {Rect(rect.minX(), rect.minY(), rect.width(), a),
            Rect(rect.minX(), rect.minY() + a, rect.width(), rect.height() - a)};
}

namespace {

void addUnitRects(const RegionTree& t, const Rect& in, std::map<RegionNumber, Rect>& out)
{
    if (t.isLeaf()) {
        out.emplace(t.region(), in); // keeps the rectangle of the leaf met first
        return;
    }
    const auto [a, b] = divide(t.axis(), in, t.ratio());
    addUnitRects(t.first(), a, out);
    addUnitRects(t.second(), b, out);
}

void addDividers(const RegionTree& t, const Rect& in, DividerPath& path,
                 std::vector<RegionTree::Divider>& out)
{
    if (t.isLeaf())
        return;
    const auto [a, b] = divide(t.axis(), in, t.ratio());
    out.push_back({path, t.axis(), in, t.axis() == SplitAxis::horizontal ? a.maxX() : a.maxY()});
    path.push_back(false);
    addDividers(t.first(), a, path, out);
    path.back() = true;
    addDividers(t.second(), b, path, out);
    path.pop_back();
}

// Whole pixels within 1e-7 snap to that whole number; otherwise left/top edges round down
// and right/bottom edges round up, so a frame never loses part of its exact rectangle.
double snapEdge(double v, bool minimumEdge)
{
    const double nearest = std::round(v);
    if (std::abs(v - nearest) < 1e-7)
        return nearest;
    return minimumEdge ? std::floor(v) : std::ceil(v);
}

// Inset on one axis; an extent smaller than the inset collapses to its middle instead of
// becoming a null rectangle with infinite edges.
void insetAxis(double& origin, double& extent, double d)
{
    if (extent - 2 * d < 0) {
        origin += extent / 2;
        extent = 0;
        return;
    }
    origin += d;
    extent -= 2 * d;
}

Rect insetKeepingCentre(const Rect& r, double d)
{
    Rect s = r.standardized();
    insetAxis(s.origin.x, s.size.width, d);
    insetAxis(s.origin.y, s.size.height, d);
    return s;
}

} // namespace

std::map<RegionNumber, Rect> RegionTree::unitRects(const Rect& in) const
{
    std::map<RegionNumber, Rect> out;
    addUnitRects(*this, in, out);
    return out;
}

std::map<RegionNumber, Rect> RegionTree::frames(const Rect& in, double gap) const
{
    const double h = gap * 0.5;
    const Rect outer = insetKeepingCentre(in, h);
    std::map<RegionNumber, Rect> out;
    for (const auto& [region, u] : unitRects(Rect(0, 0, 1, 1))) {
        const Rect scaled(outer.minX() + u.minX() * outer.width(), outer.minY() + u.minY() * outer.height(),
                          u.width() * outer.width(), u.height() * outer.height());
        const Rect exact = insetKeepingCentre(scaled, h);
        const double x0 = snapEdge(exact.minX(), true);
        const double y0 = snapEdge(exact.minY(), true);
        const double x1 = snapEdge(exact.maxX(), false);
        const double y1 = snapEdge(exact.maxY(), false);
        out.emplace(region, Rect(x0, y0, x1 - x0, y1 - y0));
    }
    return out;
}

std::vector<RegionTree::Divider> RegionTree::dividers(const Rect& in) const
{
    std::vector<Divider> out;
    DividerPath path;
    addDividers(*this, in, path, out);
    return out;
}

} // namespace fw
