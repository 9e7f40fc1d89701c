// Layouts after a drop: halves, stacked splits, corner layouts and column fills.
#include "snap/DropLayouts.h"

#include "layout/LayoutStore.h"
#include "snap/DropGeometry.h"

#include <algorithm>
#include <cmath>

namespace fw {

namespace {

constexpr RegionNumber kRegionLimit = 16;

const SnapLayout* findLayout(const std::vector<SnapLayout>& layouts, const QString& id)
{
    const auto it = std::find_if(layouts.begin(), layouts.end(), [&](const SnapLayout& l) { return l.id == id; });
    return it == layouts.end() ? nullptr : &*it;
}

std::optional<Rect> unitRect(const RegionTree& tree, RegionNumber region)
{
    const auto units = tree.unitRects(kUnitSquare);
    const auto it = units.find(region);
    return it == units.end() ? std::nullopt : std::optional<Rect>(it->second);
}

// The id and name of a stacked "thirds" column, which match a built-in layout's.
struct StackNaming {
    QString id, name;
};

StackNaming stackNaming(const SnapLayout& layout, RegionNumber region)
{
    if (layout.id == u"thirds" && region == 0)
        return {QStringLiteral("thirds-left-stack"), QStringLiteral("Left stack + columns")};
    if (layout.id == u"thirds" && region == 2)
        return {QStringLiteral("thirds-right-stack"), QStringLiteral("Columns + right stack")};
    return {LayoutStore::cornerCustomId(), LayoutStore::cornerCustomName()};
}

} // namespace

std::optional<RegionNumber> freeRegionNumber(const RegionTree& tree)
{
    const auto used = tree.regionNumbers();
    for (RegionNumber n = 0; n < kRegionLimit; ++n) {
        if (std::find(used.begin(), used.end(), n) == used.end())
            return n;
    }
    return std::nullopt;
}

SnapLayout builtInOrCustom(const RegionTree& tree)
{
    for (const SnapLayout& builtIn : SnapLayout::builtIns()) {
        if (builtIn.tree == tree)
            return builtIn;
    }
    return {LayoutStore::cornerCustomId(), QStringLiteral("Custom layout"), tree, std::nullopt};
}

SnapLayout relayout(const SnapLayout& layout, const RegionTree& tree)
{
    if (layout.isCustom())
        return {layout.id, layout.name, tree, std::nullopt};
    return builtInOrCustom(tree);
}

std::optional<LayoutChoice> splitLayout(RegionNumber region, SplitAxis axis, bool first, const RegionTree& tree)
{
    const auto free = freeRegionNumber(tree);
    if (!tree.containsRegion(region) || !free)
        return std::nullopt;
    const RegionTree halves = RegionTree::split(axis, 0.5, RegionTree::leaf(region), RegionTree::leaf(*free));
    const RegionTree split = tree.replacing(region, halves);
    if (!split.isValid())
        return std::nullopt;
    return LayoutChoice{builtInOrCustom(split), first ? region : *free};
}

LayoutChoice stackedSplitLayout(RegionNumber region, bool top, const SnapLayout& layout,
                                const std::vector<SnapLayout>& layouts)
{
    const auto unit = unitRect(layout.tree, region);
    const auto free = freeRegionNumber(layout.tree);
    if (!unit || std::abs(unit->height() - 1) >= 0.0001 || !free)
        return {layout, region};
    const StackNaming naming = stackNaming(layout, region);
    double ratio = 0.5;
    if (naming.id != LayoutStore::cornerCustomId()) {
        if (const SnapLayout* adjusted = findLayout(layouts, naming.id)) {
            if (const auto stack = unitRect(adjusted->tree, region))
                ratio = stack->height();
        }
    }
    const RegionTree stacked = RegionTree::split(SplitAxis::vertical, ratio, RegionTree::leaf(region),
                                                 RegionTree::leaf(*free));
    return {SnapLayout{naming.id, naming.name, layout.tree.replacing(region, stacked), std::nullopt},
            top ? region : *free};
}

std::optional<LayoutChoice> layoutAfterSplit(const RegionDropIntent& intent, const SnapLayout& layout,
                                             const std::vector<SnapLayout>& layouts)
{
    const RegionNumber r = intent.region;
    if (intent.kind == RegionDropIntent::Kind::splitSide)
        return splitLayout(r, SplitAxis::horizontal, intent.side, layout.tree);
    if (intent.kind != RegionDropIntent::Kind::split)
        return std::nullopt;
    const auto unit = unitRect(layout.tree, r);
    if (unit && unit->height() > 0.999)
        return stackedSplitLayout(r, intent.side, layout, layouts);
    return splitLayout(r, SplitAxis::vertical, intent.side, layout.tree);
}

LayoutChoice cornerLayout(SnapCorner corner, const std::optional<SnapLayout>& applied,
                          const std::vector<SnapLayout>& layouts)
{
    const bool left = corner == SnapCorner::topLeft || corner == SnapCorner::bottomLeft;
    const bool top = corner == SnapCorner::topLeft || corner == SnapCorner::topRight;
    if (applied) {
        const Point at{left ? 0.0001 : 0.9999, top ? 0.0001 : 0.9999};
        for (const auto& [region, unit] : applied->tree.unitRects(kUnitSquare)) {
            if (unit.contains(at))
                return stackedSplitLayout(region, top, *applied, layouts);
        }
    }
    const SnapLayout* quarters = findLayout(layouts, QStringLiteral("quarters"));
    if (!quarters)
        quarters = findLayout(SnapLayout::builtIns(), QStringLiteral("quarters"));
    return {*quarters, RegionNumber(corner)};
}

std::optional<ColumnFill> columnFill(const SnapLayout& layout, double x)
{
    if (!layout.tree.isValid() || !(x >= 0 && x <= 1))
        return std::nullopt;
    const auto column = columnAt(layout.tree, x, kUnitSquare);
    if (!column)
        return std::nullopt;
    const auto units = column->tree.unitRects(kUnitSquare);
    const auto top = std::min_element(units.begin(), units.end(), [](const auto& a, const auto& b) {
        return a.second.minY() < b.second.minY();
    });
    const RegionNumber region = top->first;
    const RegionTree merged = replacingNode(layout.tree, column->path, region);
    ColumnFill fill;
    fill.layout = merged == layout.tree ? layout : relayout(layout, merged);
    fill.region = region;
    for (RegionNumber n : column->tree.regionNumbers())
        fill.columnRegions.insert(n);
    return fill;
}

} // namespace fw
