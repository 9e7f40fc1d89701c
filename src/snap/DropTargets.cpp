// The drop target under the pointer: shown menu, top-edge column fill, home region, occupied
// region and empty region, in that order of precedence.
#include "snap/DropTargets.h"

#include "snap/DropGeometry.h"
#include "snap/DropLayouts.h"
#include "snap/LayoutRecognition.h"
#include "windows/FrameMatch.h"

#include <algorithm>

namespace fw {

namespace {

constexpr double kTopBand = 6;         // the column-fill band below the visible frame's top
constexpr double kColumnInset = 4;     // the visible frame is measured for columns inset by this
constexpr double kSideHalvesWidth = 648;
constexpr double kStackedHalvesHeight = 448;

// One decision: the query, the state and the display's group with its region frames.
struct Decision {
    const DropTargetQuery& query;
    const DropTargetState& state;
    const LayoutGroup& group;
    std::map<RegionNumber, Rect> frames;

    Rect frameOf(RegionNumber region) const
    {
        const auto it = frames.find(region);
        return it == frames.end() ? Rect::null() : it->second;
    }
};

// A rejoin of the split holding a region, with the text of its tile.
struct Rejoin {
    ColumnFill plan;
    TileText text;
};

// Every span lies wholly inside the regions or shares none with them.
bool spansAllow(const SpanMap& spans, const std::set<RegionNumber>& regions)
{
    return std::all_of(spans.begin(), spans.end(), [&](const auto& span) {
        const auto& covered = span.second;
        const bool inside = std::includes(regions.begin(), regions.end(), covered.begin(), covered.end());
        const bool apart = std::none_of(covered.begin(), covered.end(), [&](RegionNumber r) { return regions.count(r); });
        return inside || apart;
    });
}

// The dragged window still sits in the slot it was given (on its grid, for a terminal).
bool agrees(const DropTargetQuery& q, const Rect& slot)
{
    return sitsIn(q.windowFrame, slot, q.windowGrid, kSameFrameTolerance);
}

// The window fronting the region's stack, unless that is the dragged window.
std::optional<ManagedWindow> occupantOf(const Decision& d, RegionNumber region)
{
    const auto it = d.group.windows.find(region);
    if (it == d.group.windows.end())
        return std::nullopt;
    const ManagedWindow front = d.state.stackFront ? d.state.stackFront(it->second) : it->second;
    if (front == d.query.window)
        return std::nullopt;
    return front;
}

// The split holding the region collapsed into it; nothing for a region right under the root
// split or outside a valid tree.
std::optional<Rejoin> rejoinPlan(const SnapLayout& layout, RegionNumber region)
{
    if (!layout.tree.isValid())
        return std::nullopt;
    const auto leaf = pathAndFrame(layout.tree, region, kUnitSquare);
    if (!leaf || leaf->path.size() < 2)
        return std::nullopt;
    const TreePath parentPath(leaf->path.begin(), leaf->path.end() - 1);
    const TreeNode parent = nodeAt(layout.tree, parentPath, kUnitSquare);
    Rejoin rejoin;
    rejoin.plan.layout = relayout(layout, replacingNode(layout.tree, parentPath, region));
    rejoin.plan.region = region;
    for (RegionNumber n : parent.tree.regionNumbers())
        rejoin.plan.columnRegions.insert(n);
    rejoin.plan.space = parent.frame;
    rejoin.plan.axis = parent.tree.axis();
    if (parent.frame.height() > kWholeUnit)
        rejoin.text = {QStringLiteral("Whole Column"), QStringLiteral("rectangle.portrait.inset.filled")};
    else if (parent.frame.width() > kWholeUnit)
        rejoin.text = {QStringLiteral("Whole Row"), QStringLiteral("rectangle.inset.filled")};
    else
        rejoin.text = {QStringLiteral("Rejoin Halves"), QStringLiteral("rectangle.inset.filled")};
    return rejoin;
}

// The rejoin offered as a tile: allowed on the display and cutting no span.
std::optional<Rejoin> offeredRejoin(const Decision& d, RegionNumber region)
{
    auto rejoin = rejoinPlan(d.group.layout, region);
    if (!rejoin)
        return std::nullopt;
    const ColumnFill& plan = rejoin->plan;
    const bool allowed = d.state.allowsRejoin ? d.state.allowsRejoin(plan) : plan.axis != SplitAxis::horizontal;
    if (!allowed || !spansAllow(d.group.spans, plan.columnRegions))
        return std::nullopt;
    return rejoin;
}

// The tile under the pointer of the menu shown on this display; nothing when the pointer is
// off its tiles (the caller then decides afresh), an empty target when a fill tile's rejoin
// cannot be built.
std::optional<std::optional<RegionDropTarget>> fromShownMenu(const Decision& d)
{
    const ShownMenu* shown = d.state.shownMenu;
    if (!shown || shown->display != d.query.display)
        return std::nullopt;
    const auto intent = shown->menu.item(d.query.pointer);
    if (!intent)
        return std::nullopt;
    RegionDropTarget target{d.query.display, d.group.layout, *intent, occupantOf(d, shown->region),
                            d.frameOf(shown->region), std::nullopt, shown->menu};
    if (intent->kind != RegionDropIntent::Kind::fillColumn)
        return target;
    auto rejoin = rejoinPlan(d.group.layout, shown->region);
    if (!rejoin)
        return std::optional<RegionDropTarget>();
    const auto merged = rejoin->plan.layout.tree.frames(d.query.visibleFrame, kLayoutGap);
    const auto frame = merged.find(rejoin->plan.region);
    target.frame = frame == merged.end() ? Rect::null() : frame->second;
    target.fill = std::move(rejoin->plan);
    return target;
}

// The column under the pointer merged into its top region, in the band along the top edge.
std::optional<RegionDropTarget> topEdgeFill(const Decision& d)
{
    const Rect& v = d.query.visibleFrame;
    const Point& p = d.query.pointer;
    if (!v.contains(p) || p.y > v.minY() + kTopBand)
        return std::nullopt;
    const Rect measured = v.insetBy(kColumnInset, kColumnInset);
    auto plan = columnFill(d.group.layout, (p.x - measured.minX()) / measured.width());
    if (!plan || !spansAllow(d.group.spans, plan->columnRegions))
        return std::nullopt;
    const ReturnSnapTarget* home = d.query.returnTarget;
    const bool ownColumn = plan->columnRegions == std::set<RegionNumber>{plan->region} && home &&
                           home->display == d.query.display && home->region == plan->region;
    if (ownColumn)
        return std::nullopt;
    const auto merged = plan->layout.tree.frames(v, kLayoutGap);
    const auto frame = merged.find(plan->region);
    if (frame == merged.end())
        return std::nullopt;
    const RegionNumber region = plan->region;
    return RegionDropTarget{d.query.display, d.group.layout, RegionDropIntent::fillColumn(region), std::nullopt,
                            frame->second,   std::move(plan),  std::nullopt};
}

// The side and stacked halves the region's size allows, then the rejoin tile.
void appendHalvesAndRejoin(const Decision& d, RegionNumber r, std::vector<RegionDropIntent>& intents,
                           DropActionMenu::TitleOverrides& titles)
{
    const Rect frame = d.frameOf(r);
    if (frame.width() >= kSideHalvesWidth) {
        intents.push_back(RegionDropIntent::splitSide(r, true));
        intents.push_back(RegionDropIntent::splitSide(r, false));
    }
    const auto unit = pathAndFrame(d.group.layout.tree, r, kUnitSquare);
    if (frame.height() >= kStackedHalvesHeight || (unit && unit->frame.height() > kWholeUnit)) {
        intents.push_back(RegionDropIntent::split(r, true));
        intents.push_back(RegionDropIntent::split(r, false));
    }
    if (const auto rejoin = offeredRejoin(d, r)) {
        intents.push_back(RegionDropIntent::fillColumn(r));
        titles[RegionDropIntent::fillColumn(r)] = rejoin->text;
    }
}

// The window's own region: Put Back and the other tiles, once it has left the region and
// still agrees with it.
std::optional<RegionDropTarget> homeRegion(const Decision& d, RegionNumber r)
{
    const DropTargetQuery& q = d.query;
    const ReturnSnapTarget& home = *q.returnTarget;
    if (!q.allowPutBack || !(home.layout == d.group.layout) || !(home.displayBounds == q.visibleFrame) ||
        !agrees(q, home.frame))
        return std::nullopt;
    std::vector<RegionDropIntent> intents{RegionDropIntent::putBack(r)};
    DropActionMenu::TitleOverrides titles;
    appendHalvesAndRejoin(d, r, intents, titles);
    if (intents.size() < 2)
        return std::nullopt;
    const Rect frame = d.frameOf(r);
    return RegionDropTarget{q.display,   d.group.layout, RegionDropIntent::choose(r), std::nullopt,
                            frame,       std::nullopt,   DropActionMenu::centeredIn(frame, intents, titles, q.scale)};
}

std::optional<RegionDropTarget> occupiedRegion(const Decision& d, RegionNumber r, const ManagedWindow& occupant)
{
    const DropTargetQuery& q = d.query;
    std::vector<RegionDropIntent> intents{RegionDropIntent::place(r)};
    DropActionMenu::TitleOverrides titles;
    appendHalvesAndRejoin(d, r, intents, titles);
    if (q.returnTarget && agrees(q, q.returnTarget->frame))
        intents.push_back(RegionDropIntent::swap(r));
    const Rect frame = d.frameOf(r);
    return RegionDropTarget{q.display, d.group.layout, RegionDropIntent::choose(r), occupant,
                            frame,     std::nullopt,   DropActionMenu::centeredIn(frame, intents, titles, q.scale)};
}

std::optional<RegionDropTarget> emptyRegion(const Decision& d, RegionNumber r)
{
    const Rect frame = d.frameOf(r);
    if (!frame.contains(clampedInto(d.query.pointer, frame)))
        return std::nullopt;
    return RegionDropTarget{d.query.display, d.group.layout, RegionDropIntent::place(r), std::nullopt,
                            frame,           std::nullopt,   std::nullopt};
}

} // namespace

std::optional<RegionDropTarget> regionDropTarget(const DropTargetQuery& query, const AppliedLayouts::Groups& groups,
                                                 const DropTargetState& state)
{
    if (state.mutating)
        return std::nullopt;
    const auto group = groups.find(query.display);
    if (group == groups.end())
        return std::nullopt;
    const Decision d{query, state, group->second, group->second.layout.tree.frames(query.visibleFrame, kLayoutGap)};
    if (auto tile = fromShownMenu(d))
        return *tile;
    if (auto fill = topEdgeFill(d))
        return fill;
    const auto r = regionUnderPoint(query.pointer, d.frames, query.visibleFrame);
    if (!r)
        return std::nullopt;
    const ReturnSnapTarget* home = query.returnTarget;
    if (home && home->display == query.display && home->region == *r)
        return homeRegion(d, *r);
    if (const auto occupant = occupantOf(d, *r))
        return occupiedRegion(d, *r, *occupant);
    return emptyRegion(d, *r);
}

} // namespace fw
