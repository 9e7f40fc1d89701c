// Drop geometry: tree walks, pointer tests, regions and corners under the pointer, covered
// regions and the layouts that splits, corners and column fills produce.
#include "snap/DropGeometry.h"

#include "windows/FrameMatch.h"

#include <algorithm>
#include <cmath>

namespace fw {

namespace {

double distance(const Point& a, const Point& b) { return std::hypot(a.x - b.x, a.y - b.y); }

bool findPath(const RegionTree& t, RegionNumber region, const Rect& in, PathAndFrame& out)
{
    if (t.isLeaf()) {
        if (t.region() != region)
            return false;
        out.frame = in;
        return true;
    }
    const auto [a, b] = divide(t.axis(), in, t.ratio());
    out.path.push_back(false);
    if (findPath(t.first(), region, a, out))
        return true;
    out.path.back() = true;
    if (findPath(t.second(), region, b, out))
        return true;
    out.path.pop_back();
    return false;
}

RegionTree replacingFrom(const RegionTree& t, const TreePath& path, std::size_t step, RegionNumber region)
{
    if (step == path.size())
        return RegionTree::leaf(region);
    if (t.isLeaf())
        return t;
    if (path[step])
        return RegionTree::split(t.axis(), t.ratio(), t.first(), replacingFrom(t.second(), path, step + 1, region));
    return RegionTree::split(t.axis(), t.ratio(), replacingFrom(t.first(), path, step + 1, region), t.second());
}

} // namespace

Point clampedInto(const Point& p, const Rect& r)
{
    // 0.01 inside the maximum edges, so that the point lies in the half-open frame.
    constexpr double inside = 0.01;
    return {std::clamp(p.x, r.minX(), std::max(r.minX(), r.maxX() - inside)),
            std::clamp(p.y, r.minY(), std::max(r.minY(), r.maxY() - inside))};
}

// ---- Tree walks

std::optional<PathAndFrame> pathAndFrame(const RegionTree& tree, RegionNumber region, const Rect& in)
{
    PathAndFrame out;
    if (!findPath(tree, region, in, out))
        return std::nullopt;
    return out;
}

TreeNode nodeAt(const RegionTree& tree, const TreePath& path, const Rect& in)
{
    TreeNode node{tree, in};
    for (bool second : path) {
        if (node.tree.isLeaf())
            break;
        const auto [a, b] = divide(node.tree.axis(), node.frame, node.tree.ratio());
        node = second ? TreeNode{node.tree.second(), b} : TreeNode{node.tree.first(), a};
    }
    return node;
}

std::optional<TreeColumn> columnAt(const RegionTree& tree, double x, const Rect& in)
{
    if (!(x >= in.minX() && x <= in.maxX()))
        return std::nullopt;
    TreeColumn column{tree, in, {}};
    while (column.tree.isSplit() && column.tree.axis() == SplitAxis::horizontal) {
        const auto [a, b] = divide(SplitAxis::horizontal, column.frame, column.tree.ratio());
        const bool second = x > a.maxX();
        column.path.push_back(second);
        column = second ? TreeColumn{column.tree.second(), b, std::move(column.path)}
                        : TreeColumn{column.tree.first(), a, std::move(column.path)};
    }
    if (column.frame.width() >= kWholeUnit)
        return std::nullopt;
    return column;
}

RegionTree replacingNode(const RegionTree& tree, const TreePath& path, RegionNumber region)
{
    return replacingFrom(tree, path, 0, region);
}

// ---- Pointer and frame tests

EdgeSet edgesNear(const Point& p, const Rect& frame)
{
    constexpr double reach = 8, topReach = 6;
    EdgeSet edges;
    if (!frame.insetBy(-reach, -reach).contains(p))
        return edges;
    if (std::abs(p.x - frame.minX()) <= reach)
        edges.insert(RegionEdge::left);
    if (std::abs(p.x - frame.maxX()) <= reach)
        edges.insert(RegionEdge::right);
    if (std::abs(p.y - frame.minY()) <= topReach)
        edges.insert(RegionEdge::top);
    if (std::abs(p.y - frame.maxY()) <= reach)
        edges.insert(RegionEdge::bottom);
    return edges;
}

bool frameChanged(const Rect& now, const Rect& from)
{
    return std::abs(now.width() - from.width()) > kDragResizeTolerance
        || std::abs(now.height() - from.height()) > kDragResizeTolerance;
}

bool movedWithoutResize(const Rect& now, const Rect& from, const EdgeSet& grabbedEdges)
{
    const auto kept = [&](double a, double b) {
        return grabbedEdges.empty() ? std::abs(a - b) < kDragResizeTolerance : std::abs(a - b) <= kDragEdgeSizeKept;
    };
    return kept(now.width(), from.width()) && kept(now.height(), from.height())
        && distance(now.origin, from.origin) > kDragMoveTolerance;
}

Rect frameDraggingEdges(const Rect& frame, const EdgeSet& edges, const Point& to)
{
    double left = frame.minX(), right = frame.maxX(), top = frame.minY(), bottom = frame.maxY();
    if (edges.count(RegionEdge::left))
        left = std::min(to.x, right - 1);
    if (edges.count(RegionEdge::right))
        right = std::max(to.x, left + 1);
    if (edges.count(RegionEdge::top))
        top = std::min(to.y, bottom - 1);
    if (edges.count(RegionEdge::bottom))
        bottom = std::max(to.y, top + 1);
    return {left, top, right - left, bottom - top};
}

Rect dividerHandleRect(const RegionTree::Divider& divider, const Rect& display, double scale)
{
    const double s = scale > 0 && std::isfinite(scale) ? scale : 1.0;
    const double thickness = std::round(6 * s), endInset = std::round(12 * s);
    const Rect d = display.insetBy(4, 4);
    const Rect& c = divider.container;
    if (divider.axis == SplitAxis::vertical)
        return {d.minX() + c.minX() * d.width() + endInset, d.minY() + d.height() * divider.position - thickness / 2,
                std::max(c.width() * d.width() - 2 * endInset, 1.0), thickness};
    return {d.minX() + d.width() * divider.position - thickness / 2, d.minY() + c.minY() * d.height() + endInset,
            thickness, std::max(c.height() * d.height() - 2 * endInset, 1.0)};
}

// ---- Under the pointer

std::optional<RegionNumber> regionUnderPoint(const Point& point, const std::map<RegionNumber, Rect>& frames,
                                             const Rect& display)
{
    constexpr double reach = 8;
    if (!display.contains(point))
        return std::nullopt;
    std::optional<RegionNumber> best;
    double bestDistance = 0;
    for (const auto& [region, frame] : frames) {
        if (!frame.insetBy(-reach, -reach).contains(point))
            continue;
        const double d = distance(point, clampedInto(point, frame));
        if (!best || d < bestDistance) {
            best = region;
            bestDistance = d;
        }
    }
    return best;
}

std::optional<std::size_t> rectIndex(const Point& point, const std::vector<Rect>& rects,
                                     const std::optional<std::size_t>& keeping)
{
    constexpr double stickiness = 24;
    const auto hit = std::find_if(rects.begin(), rects.end(), [&](const Rect& r) { return r.contains(point); });
    if (hit == rects.end())
        return std::nullopt;
    const auto candidate = std::size_t(hit - rects.begin());
    if (!keeping || *keeping >= rects.size() || *keeping == candidate)
        return candidate;
    const Rect& previous = rects[*keeping];
    return distance(point, clampedInto(point, previous)) <= stickiness ? *keeping : candidate;
}

bool isNearOtherRect(const Point& point, const std::vector<Rect>& rects, const Rect& in)
{
    constexpr double reach = 32;
    if (!in.contains(point))
        return false;
    const Point probes[] = {{point.x - reach, point.y}, {point.x + reach, point.y},
                            {point.x, point.y - reach}, {point.x, point.y + reach}};
    return std::any_of(rects.begin(), rects.end(), [&](const Rect& r) {
        return std::any_of(std::begin(probes), std::end(probes), [&](const Point& p) { return r.contains(p); });
    });
}

std::optional<SnapCorner> snapCornerAt(const Point& p, const Rect& frame, const Rect& visible)
{
    constexpr double reach = 24, sideReach = 12;
    if (!frame.contains(p))
        return std::nullopt;
    const double left = std::max(frame.minX() + reach, visible.minX() + sideReach);
    const double right = std::min(visible.maxX() - sideReach, frame.maxX() - reach);
    const double top = visible.minY() + reach, bottom = visible.maxY() - reach;
    if (p.x <= left && p.y <= top)
        return SnapCorner::topLeft;
    if (p.x >= right && p.y <= top)
        return SnapCorner::topRight;
    if (p.x <= left && p.y >= bottom)
        return SnapCorner::bottomLeft;
    if (p.y >= bottom && p.x >= right)
        return SnapCorner::bottomRight;
    return std::nullopt;
}

// ---- Spans

std::set<RegionNumber> coveredRegions(const Rect& frame, const std::map<RegionNumber, Rect>& frames)
{
    constexpr double sliver = 2;
    std::set<RegionNumber> covered;
    for (const auto& [region, r] : frames) {
        const double own = area(r);
        if (own > 0 && area(frame.intersection(r)) >= own / 2)
            covered.insert(region);
    }
    if (covered.empty()) {
        std::optional<RegionNumber> best;
        double bestArea = 0;
        for (const auto& [region, r] : frames) {
            const double a = area(frame.intersection(r));
            if (a > bestArea) {
                best = region;
                bestArea = a;
            }
        }
        if (!best)
            return covered;
        covered.insert(*best);
    }
    Rect united = Rect::null();
    for (RegionNumber region : covered)
        united = united.united(frames.at(region));
    for (bool grew = true; grew;) {
        grew = false;
        for (const auto& [region, r] : frames) {
            const Rect meet = united.intersection(r);
            if (covered.count(region) || meet.isNull() || meet.width() <= sliver || meet.height() <= sliver)
                continue;
            covered.insert(region);
            united = united.united(r);
            grew = true;
        }
    }
    return covered;
}

} // namespace fw
