// The layout editor canvas's geometry: the tree's unit rectangles stretched over the view, divider grab
// bands, hit tests, arrow-key stepping between regions and the texts and places of region labels.
#include "editor/CanvasGeometry.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace fw::canvas {

Rect unitSquare() { return Rect(0, 0, 1, 1); }

Rect viewRect(const Rect& unit, const Size& view)
{
    return Rect(unit.x() * view.width, unit.y() * view.height, unit.width() * view.width,
                unit.height() * view.height);
}

Rect dividerBand(const RegionTree::Divider& d, const Size& view)
{
    const Rect container = viewRect(d.container, view);
    const double half = bandThickness / 2;
    if (d.axis == SplitAxis::horizontal)
        return Rect(d.position * view.width - half, container.minY(), bandThickness, container.height());
    return Rect(container.minX(), d.position * view.height - half, container.width(), bandThickness);
}

std::vector<RegionTree::Divider> dividersDeepestFirst(const RegionTree& tree)
{
    auto dividers = tree.dividers(unitSquare());
    std::stable_sort(dividers.begin(), dividers.end(), [](const auto& a, const auto& b) {
        return a.path.size() > b.path.size();
    });
    return dividers;
}

std::optional<RegionTree::Divider> dividerAt(const RegionTree& tree, const Point& point, const Size& view)
{
    for (const auto& d : dividersDeepestFirst(tree)) {
        if (dividerBand(d, view).contains(point))
            return d;
    }
    return std::nullopt;
}

std::optional<RegionNumber> regionAt(const RegionTree& tree, const Point& point, const Size& view)
{
    for (const auto& [region, unit] : tree.unitRects(unitSquare())) {
        if (viewRect(unit, view).contains(point))
            return region;
    }
    return std::nullopt;
}

double unitCoordinate(const RegionTree::Divider& d, const Point& point, const Size& view)
{
    return d.axis == SplitAxis::horizontal ? point.x / view.width : point.y / view.height;
}

std::vector<RegionNumber> readingOrder(const RegionTree& tree)
{
    // Edges compared to a millionth, so that neighbours of one split line count as level.
    const auto level = [](double v) { return std::llround(v * 1e6); };
    std::vector<std::pair<RegionNumber, Rect>> rects;
    for (const auto& entry : tree.unitRects(unitSquare()))
        rects.push_back(entry);
    std::stable_sort(rects.begin(), rects.end(), [&](const auto& a, const auto& b) {
        const auto ay = level(a.second.minY()), by = level(b.second.minY());
        return ay != by ? ay < by : level(a.second.minX()) < level(b.second.minX());
    });
    std::vector<RegionNumber> order;
    for (const auto& [region, rect] : rects)
        order.push_back(region);
    return order;
}

int shownNumber(const RegionTree& tree, RegionNumber region)
{
    const auto order = readingOrder(tree);
    const auto found = std::find(order.begin(), order.end(), region);
    return found == order.end() ? int(region) + 1 : int(found - order.begin()) + 1;
}

RegionNumber steppedRegion(const RegionTree& tree, RegionNumber selected, int step)
{
    const std::vector<RegionNumber> regions = readingOrder(tree);
    if (regions.empty())
        return selected;
    const auto count = std::ptrdiff_t(regions.size());
    const auto found = std::find(regions.begin(), regions.end(), selected);
    const std::ptrdiff_t position = found == regions.end() ? 0 : found - regions.begin();
    return regions[std::size_t(((position + step) % count + count) % count)];
}

namespace {

// Whole percent `total` shared at `ratio` by the largest remainder: the first side's exact share
// rounded down or up, whichever leaves the larger fraction with its owner (the first on a tie).
std::pair<int, int> divideWhole(int total, double ratio)
{
    const double first = total * ratio;
    const double second = total - first;
    int a = int(std::floor(first));
    const int b = int(std::floor(second));
    if (a + b < total && first - a >= second - b)
        ++a;
    return {a, total - a};
}

void share(const RegionTree& tree, Share whole, std::map<RegionNumber, Share>& out)
{
    if (tree.isLeaf()) {
        out[tree.region()] = whole;
        return;
    }
    Share first = whole, second = whole;
    if (tree.axis() == SplitAxis::horizontal)
        std::tie(first.width, second.width) = divideWhole(whole.width, tree.ratio());
    else
        std::tie(first.height, second.height) = divideWhole(whole.height, tree.ratio());
    share(tree.first(), first, out);
    share(tree.second(), second, out);
}

} // namespace

std::map<RegionNumber, Share> shares(const RegionTree& tree)
{
    std::map<RegionNumber, Share> out;
    share(tree, Share{100, 100}, out);
    return out;
}

QString sizeLabel(const Share& s) { return QStringLiteral("%1% × %2%").arg(s.width).arg(s.height); }

QString appNamesText(const QStringList& names)
{
    if (names.size() <= 2)
        return names.join(QStringLiteral(" + "));
    return QStringLiteral("%1 + %2 more").arg(names.first(), QString::number(names.size() - 1));
}

RegionLabels regionLabels(const Rect& region, int appCount)
{
    RegionLabels labels;
    const double side = std::min({40.0, region.height() - 48, region.width() - 16});
    labels.iconSide = side;
    const double cx = region.midX();
    const double cy = region.midY();
    if (side >= 16 && appCount > 0) {
        const int k = std::min(appCount, maxIcons);
        const double spacing = std::min(side * 0.5, 14.0);
        const double run = side + spacing * (k - 1);
        for (int i = 0; i < k; ++i)
            labels.icons.push_back(Rect(cx - run / 2 + spacing * i, cy - side / 2 - 14, side, side));
    }
    labels.firstLine = Rect(region.minX() + 6, cy + side / 2 - 10, region.width() - 12, 18);
    labels.secondLine = Rect(region.minX() + 6, cy + side / 2 + 8, region.width() - 12, 18);
    return labels;
}

Rect plainLabel(const Rect& region) { return Rect(region.minX(), region.midY() - 22, region.width(), 44); }

} // namespace fw::canvas
