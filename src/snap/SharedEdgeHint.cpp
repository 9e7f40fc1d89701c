// The hint over the edge shared by two snapped windows while the pointer rests there without a button.
#include "snap/SharedEdgeHint.h"

#include "layout/ScreenGeometry.h"
#include "snap/DropGeometry.h"
#include "snap/SnapContext.h"
#include "windows/FrameMatch.h"
#include "windows/WindowAccess.h"

#include <algorithm>
#include <cmath>

namespace fw {

namespace {

constexpr double kBarReach = 7;    // logical pixels around the 6-pixel bar, both sides counted in
constexpr double kUnitEpsilon = 1e-6;

bool holdsInclusive(const Rect& r, const Point& p)
{
    return p.x >= r.minX() && p.x <= r.maxX() && p.y >= r.minY() && p.y <= r.maxY();
}

// -1: the region lies before the divider (ends on it), 1: after it (starts on it), 0: neither.
int sideOf(const RegionTree::Divider& d, const Rect& unit)
{
    if (!d.container.insetBy(-kUnitEpsilon, -kUnitEpsilon).contains(unit))
        return 0;
    const bool columns = d.axis == SplitAxis::horizontal;
    const double low = columns ? unit.minX() : unit.minY(), high = columns ? unit.maxX() : unit.maxY();
    if (std::abs(high - d.position) < kUnitEpsilon)
        return -1;
    if (std::abs(low - d.position) < kUnitEpsilon)
        return 1;
    return 0;
}

struct EdgeHint {
    RegionTree::Divider divider;
    ScreenInfo screen;
};

std::optional<RegionNumber> regionOf(const LayoutGroup& group, const ManagedWindow& window)
{
    for (const auto& [region, occupant] : group.windows) {
        if (occupant == window)
            return region;
    }
    return std::nullopt;
}

} // namespace

std::optional<RegionTree::Divider> dividerAt(const Point& point, const LayoutGroup& group, const Rect& visibleFrame,
                                            double scale)
{
    const double reach = kBarReach * scale;
    for (const RegionTree::Divider& d : group.layout.tree.dividers(kUnitSquare)) {
        if (holdsInclusive(dividerHandleRect(d, visibleFrame, scale).insetBy(-reach, -reach), point))
            return d;
    }
    return std::nullopt;
}

bool dividerSeparatesWindows(const RegionTree::Divider& divider, RegionNumber region, const LayoutGroup& group)
{
    const auto units = group.layout.tree.unitRects(kUnitSquare);
    const auto unit = units.find(region);
    const int side = unit == units.end() ? 0 : sideOf(divider, unit->second);
    if (side == 0)
        return false;
    return std::any_of(group.windows.begin(), group.windows.end(), [&](const auto& entry) {
        const auto other = units.find(entry.first);
        return entry.first != region && other != units.end() && sideOf(divider, other->second) == -side;
    });
}

namespace {

// The shared edge under the point on its display, when the window under the point sits in a
// region beside it (within 6 pixels) and another window of the group is across it. A panel of
// ours there (a stack's badge) is what the pointer is on: a drag there moves no edge.
std::optional<EdgeHint> edgeHintAt(SnapContext& ctx, const AppliedLayouts& layouts, const Point& point)
{
    const auto screen = containing(ctx.screenList(), point);
    const LayoutGroup* group = screen ? layouts.group(displayKey(*screen)) : nullptr;
    if (!group || group->windows.size() < 2)
        return std::nullopt;
    const Rect visible = topLeftVisibleFrame(*screen);
    const auto divider = dividerAt(point, *group, visible, screen->scale);
    if (!divider || ctx.access.windowSystem().ownWindowAt(point))
        return std::nullopt;
    const auto window = ctx.access.windowUnderPoint(point);
    const auto region = window ? regionOf(*group, *window) : std::nullopt;
    if (!region || !dividerSeparatesWindows(*divider, *region, *group))
        return std::nullopt;
    const auto frames = group->layout.tree.frames(visible, kLayoutGap);
    const auto regionFrame = frames.find(*region);
    const auto current = ctx.access.frame(*window);
    if (regionFrame == frames.end() || !current ||
        !sitsIn(*current, regionFrame->second, ctx.access.grid(*window), kSitsInRegionTolerance))
        return std::nullopt;
    return EdgeHint{*divider, *screen};
}

} // namespace

void updateSharedEdgeHint(SnapContext& ctx, const Interaction& interaction, const PickerSession& picker,
                          const AppliedLayouts& layouts, const Point& point)
{
    if (picker.pickerScreen() || interaction.mutating)
        return;
    const auto hint = edgeHintAt(ctx, layouts, point);
    if (!hint) {
        ctx.feedback.hideResizeFeedback();
        return;
    }
    const bool columns = hint->divider.axis == SplitAxis::horizontal;
    ctx.feedback.showEdgeHint(dividerHandleRect(hint->divider, topLeftVisibleFrame(hint->screen), hint->screen.scale),
                              QStringLiteral("Resize together"), QStringLiteral("Drag this shared edge"),
                              columns ? QStringLiteral("arrow.left.and.right") : QStringLiteral("arrow.up.and.down"),
                              point, hint->screen);
}

} // namespace fw
