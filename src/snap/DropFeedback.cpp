// Feedback while dragging over a region drop target: the current drop, the tile menu after a dwell,
// and the preview with its "Hold to …" / "Release to …" caption.
#include "snap/DropFeedback.h"

#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"
#include "snap/CornerInsertionPlan.h"
#include "snap/DropGeometry.h"
#include "snap/DropLayouts.h"
#include "snap/LayoutRecognition.h"
#include "snap/SnapContext.h"
#include "windows/MinimumSizeFitting.h"

namespace fw {

namespace {

using Kind = RegionDropIntent::Kind;

// "Whole Column"; a rejoin of a split that is not full height: "Rejoin Halves", or "Whole Row"
// when it is full width.
QString fillTitle(const RegionDropTarget& t)
{
    if (t.fill && t.fill->space && t.fill->space->height() <= kWholeUnit)
        return t.fill->space->width() <= kWholeUnit ? u"Rejoin Halves"_qs : u"Whole Row"_qs;
    return u"Whole Column"_qs;
}

QString phrase(const RegionDropTarget& t)
{
    switch (t.intent.kind) {
    case Kind::swap:
        return u"swap"_qs;
    case Kind::split:
    case Kind::splitSide:
        return t.menu ? u"take the "_qs + t.intent.defaultTitleAndSymbol().title.toLower() : u"split"_qs;
    case Kind::place:
        return t.menu ? u"add to stack"_qs : u"place"_qs;
    case Kind::fillColumn: {
        const QString title = fillTitle(t).toLower();
        return title == u"rejoin halves" ? u"rejoin the halves"_qs : u"take the "_qs + title;
    }
    case Kind::choose:
        return u"choose"_qs;
    case Kind::putBack:
        return u"put it back"_qs;
    }
    return {};
}

// The tile menu as the offer itself (no tile under the pointer): shown once the region is
// held, and kept while the same menu is offered; the first showing gives the tip.
void offerMenu(SnapContext& ctx, DropSession& drop, const RegionDropTarget& target, bool armed)
{
    ctx.feedback.hideReturnPanels();
    const bool shown = drop.shownMenu && drop.shownMenu->menu == *target.menu;
    if (!armed && !shown)
        return;
    if (!drop.shownMenu)
        ctx.sinks.sendTip(Tip::dropMenu);
    drop.shownMenu = ShownMenu{target.display, target.intent.region, *target.menu};
    ctx.feedback.showDropMenu(*target.menu, std::nullopt, false);
    ctx.sinks.sendPresentationChanged(true);
}

// Where a split would put the dragged window: its half of the split layout, with the divider
// moved for both windows' minimum sizes; kept while the intent stays the same.
Rect splitPreviewFrame(SnapContext& ctx, DropState& state, const RegionDropTarget& target,
                       const ManagedWindow& window, const ScreenInfo& screen)
{
    if (state.drop.regionDropPreviewFrame)
        return *state.drop.regionDropPreviewFrame;
    const auto choice = layoutAfterSplit(target.intent, target.layout, ctx.store.layouts(target.display));
    if (!choice)
        return target.frame;
    const Rect visible = topLeftVisibleFrame(screen);
    SnapLayout layout = choice->layout;
    if (const LayoutGroup* group = state.layouts.group(target.display)) {
        const auto plan = planCornerInsertion(target.layout, layout, choice->region, window, group->windows);
        if (plan && plan->displaced) {
            const Size mine = state.memory.minimumSize({window});
            const Size theirs = state.memory.minimumSize(ctx.stacks.stackMates(*plan->displaced));
            layout = fittingMinimumSizes(layout, choice->region, plan->displacedRegion, mine, theirs, visible)
                         .value_or(layout);
        }
    }
    const auto frames = layout.tree.frames(visible, kLayoutGap);
    const auto frame = frames.find(choice->region);
    if (frame == frames.end())
        return target.frame;
    state.drop.regionDropPreviewFrame = frame->second;
    return frame->second;
}

// Takes the target as the current drop: a move between tiles of one menu goes on with the
// same drop; anything else ends the previous interaction first.
void takeTarget(SnapContext& ctx, DropState& state, const RegionDropTarget& target)
{
    DropSession& drop = state.drop;
    if (drop.regionDrop == target)
        return;
    const bool sameMenu = drop.regionDrop && drop.regionDrop->menu && target.menu && *drop.regionDrop->menu == *target.menu;
    if (!sameMenu)
        ctx.requests.endInteraction(false);
    else if (!(drop.regionDrop->intent == target.intent))
        drop.regionDropPreviewFrame.reset();
    drop.regionDrop = target;
    state.picker.setPickerScreen(target.display, ctx.stacks);
}

} // namespace

QString dropCaption(const RegionDropTarget& target, bool armed)
{
    return (armed ? u"Release to "_qs : u"Hold to "_qs) + phrase(target);
}

void showRegionDrop(SnapContext& ctx, DropState state, const RegionDropTarget& target, const ManagedWindow& window,
                    const std::optional<ReturnSnapTarget>& returnTarget, bool armed)
{
    if (state.interaction.mutating)
        return;
    const auto screen = screenWithKey(ctx.screenList(), target.display);
    if (!screen)
        return;
    takeTarget(ctx, state, target);
    state.drop.regionDropArmed = armed;
    if (target.menu && target.intent.kind == Kind::choose) {
        offerMenu(ctx, state.drop, target, armed);
        return;
    }
    if (target.menu)
        ctx.feedback.showDropMenu(*target.menu, target.intent, armed);

    const bool swapSource = target.intent.kind == Kind::swap && returnTarget;
    DropTargetLook look;
    look.frame = target.intent.hasSide() ? splitPreviewFrame(ctx, state, target, window, *screen) : target.frame;
    look.caption = dropCaption(target, armed);
    look.symbol = target.fill ? u"arrow.up.and.down"_qs
                              : swapSource ? u"arrow.left.arrow.right"_qs : u"rectangle.split.1x2"_qs;
    look.armed = armed;
    look.showsCaption = !target.menu;
    if (swapSource)
        look.swapSource = returnTarget->frame;
    look.dragged = ctx.access.frame(window);
    ctx.feedback.setDraggedWindow(window);
    ctx.feedback.showDropTarget(look);
    ctx.sinks.sendPresentationChanged(true);
}

} // namespace fw
