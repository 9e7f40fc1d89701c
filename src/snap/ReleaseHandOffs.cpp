#include "snap/ReleaseHandOffs.h"

#include "layout/ScreenGeometry.h"
#include "snap/SnapContext.h"

namespace fw {

bool performRegionDrop(SnapContext& ctx, Interaction& interaction, DropSession& drop, PickerSession& picker,
                       const RegionDropTarget& target, const ManagedWindow& window,
                       const std::optional<ReturnSnapTarget>& home, const Rect& startFrame)
{
    if (!ctx.dragHandOffs.executeRegionDrop)
        return false;
    RegionDropTarget dropped = target;
    if (target.intent.kind == RegionDropIntent::Kind::choose) {
        const RegionNumber region = target.intent.region;
        if (drop.regionDrop != target || !home || home->display != target.display || home->region != region)
            return false;
        dropped.intent = RegionDropIntent::putBack(region);
        dropped.occupant.reset();
        dropped.fill.reset();
        dropped.menu.reset();
        drop.regionDrop = dropped;
        drop.regionDropArmed = true;
    }
    if (interaction.mutating || drop.regionDrop != dropped || !drop.regionDropArmed)
        return false;
    const auto screen = screenWithKey(ctx.screenList(), dropped.display);
    if (!screen)
        return false;
    ctx.endInteraction(false);
    picker.setPickerScreen(dropped.display, ctx.stacks);
    ctx.sinks.sendPresentationChanged(true);
    RegionDropRun run{dropped, window, startFrame, home, ctx.clock.now(), ctx.stamp()};
    ctx.tasks.spawn(ctx.dragHandOffs.executeRegionDrop(std::move(run)));
    return true;
}

void leaveRegionDrop(SnapContext& ctx, const DropSession& drop)
{
    if (drop.regionDrop)
        ctx.endInteraction(false);
}

void windowReleased(SnapContext& ctx, Interaction& interaction, const WindowRelease& release)
{
    if (ctx.dragHandOffs.windowReleased) {
        ctx.tasks.spawn(ctx.dragHandOffs.windowReleased(release));
        return;
    }
    if (release.generation != interaction.generation())
        return;
    interaction.windowInteraction = false;
    ctx.stacks.scheduleRefresh();
}

} // namespace fw
