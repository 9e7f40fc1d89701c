// The release hand-offs: whether a release over a drop target still carries it out, and the
// release over no target handed to its task.
#include "snap/ReleaseHandOffs.h"

#include "layout/ScreenGeometry.h"
#include "snap/AppliedLayouts.h"
#include "snap/ReleaseOutsideTargets.h"
#include "snap/SnapContext.h"

namespace fw {

std::optional<RegionDropRun> performRegionDrop(SnapContext& ctx, Interaction& interaction, DropSession& drop,
                                               PickerSession& picker, const RegionDropTarget& target,
                                               const ManagedWindow& window,
                                               const std::optional<ReturnSnapTarget>& home, const Rect& startFrame)
{
    RegionDropTarget dropped = target;
    if (target.intent.kind == RegionDropIntent::Kind::choose) {
        const RegionNumber region = target.intent.region;
        if (drop.regionDrop != target || !home || home->display != target.display || home->region != region)
            return std::nullopt;
        dropped.intent = RegionDropIntent::putBack(region);
        dropped.occupant.reset();
        dropped.fill.reset();
        dropped.menu.reset();
        drop.regionDrop = dropped;
        drop.regionDropArmed = true;
    }
    if (interaction.mutating || drop.regionDrop != dropped || !drop.regionDropArmed)
        return std::nullopt;
    const auto screen = screenWithKey(ctx.screenList(), dropped.display);
    if (!screen)
        return std::nullopt;
    ctx.requests.endInteraction(false);
    picker.setPickerScreen(dropped.display, ctx.stacks);
    ctx.sinks.sendPresentationChanged(true);
    return RegionDropRun{dropped, window, startFrame, home, ctx.clock.now(), ctx.stamp()};
}

void leaveRegionDrop(SnapContext& ctx, const DropSession& drop)
{
    if (drop.regionDrop)
        ctx.requests.endInteraction(false);
}

void windowReleased(SnapContext& ctx, ResizeState state, const WindowRelease& release)
{
    ctx.tasks.spawn(releaseOutsideTargets(ctx, state, release));
}

} // namespace fw
