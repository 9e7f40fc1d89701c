// Swaps two placed windows' regions as one transaction, after checking the dragged window's home slot
// and the other window's frame still hold.
#include "snap/Swap.h"

#include "layout/ScreenGeometry.h"
#include "snap/AppliedLayouts.h"
#include "snap/CoordinatorFilters.h"
#include "snap/ReturnSnap.h"
#include "snap/SnapContext.h"
#include "windows/WindowAccess.h"
#include "windows/WindowPlacement.h"

namespace fw {

namespace {

// The other window's frame when the swap may go ahead; nothing when any check fails.
std::optional<Rect> checkedOccupantFrame(SnapContext& ctx, const AppliedLayouts& layouts, const ManagedWindow& window,
                                         const ReturnSnapTarget& home, const RegionDropTarget& target,
                                         const Rect& startFrame)
{
    if (!target.occupant || *target.occupant == window)
        return std::nullopt;
    const ManagedWindow& occupant = *target.occupant;
    const auto homeScreen = screenWithKey(ctx.screenList(), home.display);
    if (!homeScreen || !isCurrent(home, layouts.group(home.display), topLeftVisibleFrame(*homeScreen)))
        return std::nullopt;
    if (!sitsIn(startFrame, home.frame, ctx.access.grid(window), kSameFrameTolerance))
        return std::nullopt;
    const auto frame = ctx.access.frame(occupant);
    if (!frame || !sitsIn(*frame, target.frame, ctx.access.grid(occupant), kSameFrameTolerance))
        return std::nullopt;
    const LayoutGroup* group = layouts.group(target.display);
    if (!group)
        return std::nullopt;
    const auto held = group->windows.find(target.intent.region);
    if (held == group->windows.end() || !ctx.stacks.isSameWindowOrStack(held->second, occupant))
        return std::nullopt;
    return frame;
}

void recordSwap(SnapContext& ctx, AppliedLayouts& layouts, WindowMemory& memory, const ManagedWindow& window,
                const ReturnSnapTarget& home, const RegionDropTarget& target, const Rect& startFrame,
                const Rect& occupantFrame)
{
    const ManagedWindow& occupant = *target.occupant;
    memory.originals.try_emplace(window, startFrame);
    memory.originals.try_emplace(occupant, occupantFrame);
    const AppliedLayouts::Groups groups = layouts.groups();
    for (auto [display, group] : groups) {
        group.windows = removingWindows(window, occupant, group.windows);
        if (display == home.display)
            group.windows[home.region] = occupant;
        if (display == target.display)
            group.windows[target.intent.region] = window;
        layouts.setGroup(display, std::move(group));
    }
    ctx.stacks.noteWindowChanged({{occupant, home.frame}, {window, target.frame}});
    const auto screens = ctx.screenList();
    if (const auto homeScreen = screenWithKey(screens, home.display))
        memory.recordReturnHomes({{occupant, home.frame}}, home.layout, *homeScreen);
    if (const auto targetScreen = screenWithKey(screens, target.display))
        memory.recordReturnHomes({{window, target.frame}}, target.layout, *targetScreen);
}

} // namespace

Task<PlacementResult> swapWindows(SnapContext& ctx, AppliedLayouts& layouts, WindowMemory& memory,
                                  ManagedWindow window, ReturnSnapTarget home, RegionDropTarget target,
                                  InteractionStamp stamp, Rect startFrame)
{
    const auto occupantFrame = checkedOccupantFrame(ctx, layouts, window, home, target, startFrame);
    if (!occupantFrame || !stamp.host())
        co_return PlacementResult{};
    const ManagedWindow occupant = *target.occupant;
    PlacementItems targets{{occupant, home.frame}, {window, target.frame}};
    RestoreMap restore{{window, startFrame}};
    PlacementRequest request{
        .targets = std::move(targets), .kind = place::Swap{occupant, window}, .restore = std::move(restore)};
    const Placed placed = co_await ctx.placement.place(std::move(request), stamp);
    const PlacementOutcome outcome = placed.outcome;
    if (outcome != PlacementOutcome::committed)
        co_return uncommitted(outcome, stamp, u"A window could not fit the other region. The swap was restored."_qs,
                              u"The swap could not finish or fully restore both windows."_qs);
    recordSwap(ctx, layouts, memory, window, home, target, startFrame, *occupantFrame);
    co_return PlacementResult{true, std::nullopt};
}

} // namespace fw
