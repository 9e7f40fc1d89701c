// Carrying out a region drop after its release, by intent, under the mutation guard.
#include "snap/DropExecution.h"

#include "base/Log.h"
#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"
#include "snap/ColumnFill.h"
#include "snap/CoordinatorFilters.h"
#include "snap/DropFeedback.h"
#include "snap/DropGeometry.h"
#include "snap/DropLayouts.h"
#include "snap/DropLogText.h"
#include "snap/InsertAtCorner.h"
#include "snap/PlaceWindow.h"
#include "snap/SnapContext.h"
#include "snap/SplitOffer.h"
#include "snap/Swap.h"

namespace fw {

namespace {

using Kind = RegionDropIntent::Kind;

constexpr Duration kDropDelay = 80ms;

// The "Motion" line of the drop's time from the release; the drop's interaction ends unless a
// newer one has begun.
void logDropTiming(SnapContext& ctx, Interaction& interaction, const RegionDropRun& run)
{
    if (log::enabled(LogCategory::Motion, LogLevel::Info)) {
        log::info(LogCategory::Motion, "Drop %{public}s finished %ld ms after release", dropIntentText(run.target.intent),
                  millisecondsSince(run.releaseTime, ctx.clock.now()));
    }
    if (!run.stamp.current())
        return;
    interaction.windowInteraction = false;
    ctx.stacks.scheduleRefresh();
    ctx.requests.endInteraction(false);
}

// The regions of the split right above the new region, when it lies below the tree's top
// split, remembered as split side by side on the display.
void recordSidePair(SideSplitStore& sideSplits, const QString& display, const SnapLayout& layout, RegionNumber region)
{
    if (!layout.tree.isValid())
        return;
    const auto leaf = pathAndFrame(layout.tree, region, kUnitSquare);
    if (!leaf || leaf->path.size() < 2)
        return;
    const TreeNode parent = nodeAt(layout.tree, TreePath(leaf->path.begin(), leaf->path.end() - 1), kUnitSquare);
    if (parent.tree.isLeaf())
        return;
    SideSplitStore::RegionSet regions;
    for (RegionNumber n : parent.tree.regionNumbers())
        regions.insert(n);
    sideSplits.add(display, regions);
}

// The region split in two, the dragged window inserted into its half.
Task<PlacementResult> splitDrop(SnapContext& ctx, DropState state, RegionDropRun run, ScreenInfo screen,
                                SplitPreparation& split)
{
    const RegionDropTarget& target = run.target;
    const auto choice = layoutAfterSplit(target.intent, target.layout, ctx.store.layouts(target.display));
    if (!choice)
        co_return PlacementResult{};
    const bool newAbove = !(target.intent.kind == Kind::split && !target.intent.side);
    split.prepare(ctx, state, {run.window, screen, choice->layout, choice->region, newAbove, false, run.startFrame});
    ctx.feedback.hideAll();
    if (!state.picker.cornerInsertion)
        co_return PlacementResult{};
    InsertionRequest request{*state.picker.cornerInsertion, run.window, choice->region, choice->layout, screen,
                             run.startFrame, run.stamp};
    const PlacementResult result = co_await insertAtCorner(ctx, state.layouts, state.memory, std::move(request));
    if (result.placed) {
        const LayoutGroup* group = state.layouts.group(target.display);
        ctx.store.save(group ? group->layout : choice->layout, target.display);
        if (target.intent.kind == Kind::splitSide)
            recordSidePair(state.sideSplits, target.display, choice->layout, choice->region);
    }
    co_return result;
}

Task<PlacementResult> placeDrop(SnapContext& ctx, DropState state, RegionDropRun run, ScreenInfo screen, bool back)
{
    const RegionDropTarget& target = run.target;
    const PlacementResult result = co_await placeInRegion(ctx, state.layouts, state.memory, run.window,
                                                          target.intent.region, target.layout, screen, run.startFrame,
                                                          back);
    if (result.placed && !back)
        ctx.store.save(target.layout, target.display);
    co_return result;
}

Task<PlacementResult> runIntent(SnapContext& ctx, DropState state, RegionDropRun run, ScreenInfo screen,
                                SplitPreparation& split)
{
    const RegionDropTarget& target = run.target;
    switch (target.intent.kind) {
    case Kind::swap:
        if (!run.home)
            break;
        co_return co_await swapWindows(ctx, state.layouts, state.memory, run.window, *run.home, target, run.stamp,
                                       run.startFrame);
    case Kind::split:
    case Kind::splitSide:
        co_return co_await splitDrop(ctx, state, run, screen, split);
    case Kind::place:
    case Kind::putBack:
        co_return co_await placeDrop(ctx, state, run, screen, target.intent.kind == Kind::putBack);
    case Kind::fillColumn:
        if (!target.fill)
            break;
        co_return co_await fillColumn(ctx, state.layouts, state.memory, run.window, *target.fill, target, screen,
                                      run.stamp, run.startFrame);
    case Kind::choose:
        break;
    }
    co_return PlacementResult{};
}

} // namespace

void SplitPreparation::prepare(SnapContext& ctx, DropState state, const SplitDropRequest& request)
{
    performSplitDrop(ctx, state, request);
}

SplitPreparation& SplitPreparation::plain()
{
    static SplitPreparation preparation;
    return preparation;
}

Task<void> executeRegionDrop(SnapContext& ctx, DropState state, RegionDropRun run, SplitPreparation& split)
{
    // A withdrawn wait goes on as a full one; the checks below decide.
    co_await ctx.clock.sleep(kDropDelay);
    if (!run.stamp.host())
        co_return;
    const auto screen = screenWithKey(ctx.screenList(), run.target.display);
    const LayoutGroup* group = state.layouts.group(run.target.display);
    const bool applies = screen && group && group->layout == run.target.layout;
    if (run.stamp.current() && !state.interaction.mutating && applies) {
        auto guard = MutationGuard::take(state.interaction, ctx.stacks);
        const PlacementResult result = co_await runIntent(ctx, state, run, *screen, split);
        if (result.notice)
            ctx.sinks.sendReport(*result.notice);
    }
    logDropTiming(ctx, state.interaction, run);
}

} // namespace fw
