// Joins a column (or row) of regions into one for the dragged window and moves that column's windows
// there as one transaction, rolled back when one does not fit.
#include "snap/ColumnFill.h"

#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"
#include "snap/AppliedLayouts.h"
#include "snap/CoordinatorFilters.h"
#include "snap/SnapContext.h"
#include "snap/WindowMemory.h"
#include "snap/WindowMoves.h"
#include "windows/WindowAccess.h"
#include "windows/WindowPlacement.h"

#include <algorithm>

namespace fw {

namespace {

// The windows of the column other than the dragged one, with the frames they have now.
std::vector<DiscoveredWindow> columnWindows(SnapContext& ctx, const LayoutGroup& group, const ManagedWindow& window,
                                            const ColumnFill& fill, const std::vector<Rect>& regionFrames,
                                            const QString& display)
{
    const SpanMap spanning = spans(fill.columnRegions, group.spans);
    std::vector<DiscoveredWindow> column;
    for (const DiscoveredWindow& d : ctx.access.managedWindows({window}, display)) {
        const bool inRegion = std::any_of(regionFrames.begin(), regionFrames.end(), [&](const Rect& r) {
            return sitsIn(d.frame, r, d.grid, kSameFrameTolerance);
        });
        if (spanning.count(d.window) || inRegion)
            column.push_back(d);
    }
    return column;
}

void recordFill(SnapContext& ctx, AppliedLayouts& layouts, WindowMemory& memory, const ManagedWindow& window,
                const ColumnFill& fill, const QString& display, const ScreenInfo& screen,
                const std::vector<DiscoveredWindow>& column, const PlacementItems& moved, const Rect& startFrame)
{
    memory.originals.try_emplace(window, startFrame);
    for (const DiscoveredWindow& d : column) {
        const bool wasMoved = std::any_of(moved.begin(), moved.end(), [&](const auto& m) { return m.window == d.window; });
        if (wasMoved)
            memory.originals.try_emplace(d.window, d.frame);
    }
    const AppliedLayouts::Groups groups = layouts.groups();
    for (auto [key, group] : groups) {
        group.windows = removingWindow(window, group.windows);
        group.spans.erase(window);
        if (key == display) {
            for (RegionNumber r : fill.columnRegions) {
                if (r != fill.region)
                    group.windows.erase(r);
            }
            for (const DiscoveredWindow& d : column)
                group.spans.erase(d.window);
            group.windows[fill.region] = window;
            group.layout = fill.layout;
        }
        layouts.setGroup(key, std::move(group));
    }
    WindowFramePairs placed;
    for (const auto& m : moved)
        placed.emplace_back(m.window, m.frame);
    ctx.stacks.noteWindowChanged(placed);
    memory.recordReturnHomes(placed, fill.layout, screen);
    ctx.store.save(fill.layout, display);
}

} // namespace

Task<PlacementResult> fillColumn(SnapContext& ctx, AppliedLayouts& layouts, WindowMemory& memory, ManagedWindow window,
                                 ColumnFill fill, RegionDropTarget target, ScreenInfo screen, InteractionStamp stamp,
                                 Rect startFrame)
{
    const Rect visible = topLeftVisibleFrame(screen);
    const LayoutGroup* group = layouts.group(target.display);
    if (!group || !(group->layout == target.layout) || !stamp.host())
        co_return PlacementResult{};
    const auto joinedFrames = fill.layout.tree.frames(visible, kLayoutGap);
    const auto joined = joinedFrames.find(fill.region);
    if (joined == joinedFrames.end())
        co_return PlacementResult{};
    std::vector<Rect> regionFrames;
    for (const auto& [region, frame] : target.layout.tree.frames(visible, kLayoutGap)) {
        if (fill.columnRegions.count(region))
            regionFrames.push_back(frame);
    }
    const auto column = columnWindows(ctx, *group, window, fill, regionFrames, target.display);

    PlacementItems moves;
    moves.push_back({window, joined->second});
    for (const DiscoveredWindow& d : column) {
        if (!sitsIn(d.frame, joined->second, d.grid, kSameFrameTolerance))
            moves.push_back({d.window, joined->second});
    }
    auto box = std::make_shared<RejectionBox>();
    PlacementMover together = togetherMover(ctx.access, box, stamp);
    RestoreMap restore;
    restore.emplace(window, startFrame);
    PlacementRequest request{.targets = moves,
                             .kind = place::FillColumn{window},
                             .restore = std::move(restore),
                             .mover = std::move(together)};
    const Placed placed = co_await ctx.placement.place(std::move(request), stamp);
    const PlacementOutcome outcome = placed.outcome;
    if (outcome != PlacementOutcome::committed)
        co_return uncommitted(outcome, stamp, u"A window in that column did not fit the full height. The split was kept."_qs,
                              u"The column could not be filled or fully restored."_qs);
    recordFill(ctx, layouts, memory, window, fill, target.display, screen, column, moves, startFrame);
    co_return PlacementResult{true, std::nullopt};
}

} // namespace fw
