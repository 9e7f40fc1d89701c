// Prepares inserting the dragged window into a region being split (by a seam corner or a split tile):
// the insertion plan, the fitted layout and its preview.
#include "snap/SplitOffer.h"

#include "layout/ScreenGeometry.h"
#include "snap/CornerInsertionPlan.h"
#include "snap/LayoutRecognition.h"
#include "snap/SnapContext.h"
#include "windows/MinimumSizeFitting.h"

namespace fw {

namespace {

// The plan from the display's applied layout. A dragged window that shares its region with
// stack mates leaves that region to the first of them, so the plan treats it as occupied.
std::optional<CornerInsertion<ManagedWindow>> insertionPlan(const SnapContext& ctx, const LayoutGroup* group,
                                                            const SplitDropRequest& r)
{
    if (!group)
        return std::nullopt;
    auto windows = group->windows;
    for (auto& [region, window] : windows) {
        if (!(window == r.window))
            continue;
        for (const ManagedWindow& mate : ctx.stacks.stackMates(r.window)) {
            if (!(mate == r.window)) {
                window = mate;
                break;
            }
        }
        break;
    }
    return planCornerInsertion(group->layout, r.layout, r.region, r.window, windows);
}

} // namespace

QString splitHintDetail(bool newAbove)
{
    return newAbove ? u"New window above · existing below"_qs : u"Existing window above · new below"_qs;
}

void performSplitDrop(SnapContext& ctx, DropState state, const SplitDropRequest& r)
{
    const QString key = displayKey(r.screen);
    PickerSession& picker = state.picker;
    picker.pickerWindow = r.window;
    picker.pickerOriginal = r.startFrame;
    picker.setPickerScreen(key, ctx.stacks);
    picker.pickerLayouts = {r.layout};
    picker.cornerSelection = SnapSelection{0, r.region};
    picker.cornerInsertion = insertionPlan(ctx, state.layouts.group(key), r);
    ctx.sinks.sendPresentationChanged(true);

    const Rect visible = topLeftVisibleFrame(r.screen);
    const auto& plan = picker.cornerInsertion;
    const bool displaces = plan && plan->displaced;
    SnapLayout inUse = r.layout;
    if (displaces) {
        const Size mine = state.memory.minimumSize({r.window});
        const Size theirs = state.memory.minimumSize({*plan->displaced});
        inUse = fittingMinimumSizes(r.layout, r.region, plan->displacedRegion, mine, theirs, visible).value_or(r.layout);
    }
    picker.pickerLayouts = {inUse};

    const auto frames = inUse.tree.frames(visible, kLayoutGap);
    const auto newRegion = frames.find(r.region);
    if (r.showFeedback && displaces && newRegion != frames.end() && frames.count(plan->displacedRegion)) {
        const Rect& at = newRegion->second;
        ctx.feedback.showSplitHint(frames.at(plan->displacedRegion), u"Split column"_qs, splitHintDetail(r.newAbove),
                                   u"rectangle.split.1x2"_qs, Point{at.midX(), at.midY()}, r.screen, r.window);
    }
    ctx.feedback.showPreview(newRegion == frames.end() ? std::nullopt : std::optional<Rect>(newRegion->second));
}

} // namespace fw
