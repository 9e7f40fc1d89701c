// The layout editor canvas's geometry: the tree's unit rectangles stretched over the view, divider grab
// bands, hit tests, arrow-key stepping between regions and the texts and places of region labels.
#include "editor/CanvasGeometry.h"

#include <algorithm>
#include <cmath>

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

RegionNumber steppedRegion(const RegionTree& tree, RegionNumber selected, int step)
{
    std::vector<RegionNumber> regions;
    for (const auto& entry : tree.unitRects(unitSquare()))
        regions.push_back(entry.first);
    if (regions.empty())
        return selected;
    const auto count = std::ptrdiff_t(regions.size());
    const auto found = std::find(regions.begin(), regions.end(), selected);
    const std::ptrdiff_t position = found == regions.end() ? 0 : found - regions.begin();
    return regions[std::size_t(((position + step) % count + count) % count)];
}

QString sizeLabel(const Rect& unit)
{
    return QStringLiteral("%1% × %2%")
        .arg(std::llround(unit.width() * 100))
        .arg(std::llround(unit.height() * 100));
}

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
