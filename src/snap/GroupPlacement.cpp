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

// The windows that move with the group's window: its stack mates still in its slot, each to
// the same place, so a stack stays one stack and none of it is left over a neighbour. Windows
// of the group itself, and mates already taken, move on their own account.
std::vector<ManagedWindow> stackMatesToMove(SnapContext& ctx, const ManagedWindow& window, const WindowSet& own,
                                            WindowSet& taken)
{
    std::vector<ManagedWindow> mates;
    for (const ManagedWindow& mate : ctx.stacks.stackMates(window)) {
        if (!(mate == window) && !own.count(mate) && taken.insert(mate).second)
            mates.push_back(mate);
    }
    return mates;
}

// What the group moves: the windows with their targets, and the windows in regions with the
// region each returns to.
struct GroupMoves {
    PlacementItems items;
    WindowFramePairs homes;
};

// The moves of the group: its usable occupants in region order (on their cell grids), then its
// usable spans over the union of their regions, each followed by its stack mates; regions the
// tree lacks are left out. A span whose window closed or became unusable leaves the group.
GroupMoves groupMoves(SnapContext& ctx, LayoutGroup& group, const std::map<RegionNumber, Rect>& frames)
{
    const WindowList list = ctx.access.windowSystem().snapshot();
    const BoundsMap bounds = ctx.access.onScreenBoundsByPid(&list);
    group.spans = usableWindowEntries(group.spans, bounds, ctx.access);
    WindowSet own, taken;
    for (const auto& [region, window] : group.windows)
        own.insert(window);
    for (const auto& [window, regions] : group.spans)
        own.insert(window);
    GroupMoves moves;
    for (const auto& [region, window] : group.windows) {
        if (frames.count(region))
            moves.homes.emplace_back(window, frames.at(region));
    }
    for (const auto& [region, window] : usableRegionEntries(group.windows, bounds, ctx.access)) {
        const auto frame = frames.find(region);
        if (frame == frames.end() || !ctx.access.frame(window))
            continue;
        moves.items.push_back({window, ctx.access.gridFrame(window, frame->second)});
        for (const ManagedWindow& mate : stackMatesToMove(ctx, window, own, taken)) {
            moves.items.push_back({mate, ctx.access.gridFrame(mate, frame->second)});
            moves.homes.emplace_back(mate, frame->second);
        }
    }
    for (const auto& [window, regions] : group.spans) {
        const auto united = unionFrame(regions, frames);
        if (!united)
            continue;
        moves.items.push_back({window, *united});
        for (const ManagedWindow& mate : stackMatesToMove(ctx, window, own, taken))
            moves.items.push_back({mate, *united});
    }
    return moves;
}

} // namespace

Task<bool> applyGroup(SnapContext& ctx, AppliedLayouts& layouts, WindowMemory& memory, LayoutGroup group,
                      ScreenInfo screen)
{
    const InteractionStamp stamp = ctx.stamp();
    if (!stamp.host())
        co_return false;
    const auto frames = regionFrames(group.layout, screen);
    const GroupMoves moves = groupMoves(ctx, group, frames);
    PlacementRequest request{.targets = moves.items,
                             .kind = place::ResizeTogether{},
                             .mover = togetherMover(ctx.access, std::make_shared<RejectionBox>(), stamp)};
    const Placed placed = co_await ctx.placement.place(std::move(request), stamp);
    const PlacementOutcome outcome = placed.outcome;
    if (outcome == PlacementOutcome::rollbackFailed) {
        ctx.sinks.sendReport(u"A window could not be resized or fully restored."_qs);
        co_return false;
    }
    if (outcome == PlacementOutcome::rolledBack) {
        if (stamp.current())
            ctx.sinks.sendReport(u"A window reached its minimum size. The shared divider stays at its last working position."_qs);
        co_return false;
    }
    WindowFramePairs moved;
    for (const PlacementItem& item : moves.items)
        moved.emplace_back(item.window, item.frame);
    ctx.stacks.noteWindowChanged(moved);
    memory.recordReturnHomes(moves.homes, group.layout, screen);
    layouts.setGroup(displayKey(screen), std::move(group));
    co_return true;
}

} // namespace fw
