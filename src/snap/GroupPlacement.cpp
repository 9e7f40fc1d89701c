// Moves every window of a display's group to its region frames as one transaction, rolled back whole
// when one does not take its frame.
#include "snap/GroupPlacement.h"

#include "layout/ScreenGeometry.h"
#include "snap/CoordinatorFilters.h"
#include "snap/SnapContext.h"
#include "snap/WindowMemory.h"
#include "snap/WindowMoves.h"
#include "windows/WindowPlacement.h"

namespace fw {

namespace {

// The moves of the group: its usable occupants in region order (on their cell grids), then its
// usable spans over the union of their regions; regions the tree lacks are left out. A span
// whose window closed or became unusable leaves the group.
PlacementItems groupMoves(SnapContext& ctx, LayoutGroup& group, const std::map<RegionNumber, Rect>& frames)
{
    const WindowList list = ctx.access.windowSystem().snapshot();
    const BoundsMap bounds = ctx.access.onScreenBoundsByPid(&list);
    group.spans = usableWindowEntries(group.spans, bounds, ctx.access);
    PlacementItems items;
    for (const auto& [region, window] : usableRegionEntries(group.windows, bounds, ctx.access)) {
        const auto frame = frames.find(region);
        const auto now = ctx.access.frame(window);
        if (frame != frames.end() && now)
            items.push_back({window, ctx.access.gridFrame(window, frame->second)});
    }
    for (const auto& [window, regions] : group.spans) {
        if (const auto united = unionFrame(regions, frames))
            items.push_back({window, *united});
    }
    return items;
}

} // namespace

Task<bool> applyGroup(SnapContext& ctx, AppliedLayouts& layouts, WindowMemory& memory, LayoutGroup group,
                      ScreenInfo screen)
{
    const InteractionStamp stamp = ctx.stamp();
    if (!stamp.host())
        co_return false;
    const auto frames = regionFrames(group.layout, screen);
    const PlacementItems items = groupMoves(ctx, group, frames);
    const PlacementOutcome outcome = co_await ctx.placement.applyFrames(
        items, {}, togetherMover(ctx.access, std::make_shared<RejectionBox>(), stamp), stamp,
        kSameFrameTolerance);
    if (outcome == PlacementOutcome::rollbackFailed) {
        ctx.sinks.sendReport(u"A window could not be resized or fully restored."_qs);
        co_return false;
    }
    if (outcome == PlacementOutcome::rolledBack) {
        if (stamp.current())
            ctx.sinks.sendReport(u"A window reached its minimum size. The shared divider stays at its last working position."_qs);
        co_return false;
    }
    WindowFramePairs moved, homes;
    for (const PlacementItem& item : items)
        moved.emplace_back(item.window, item.frame);
    for (const auto& [region, window] : group.windows) {
        if (frames.count(region))
            homes.emplace_back(window, frames.at(region));
    }
    ctx.stacks.noteWindowChanged(moved);
    memory.recordReturnHomes(homes, group.layout, screen);
    layouts.setGroup(displayKey(screen), std::move(group));
    co_return true;
}

} // namespace fw
