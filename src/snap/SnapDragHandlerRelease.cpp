// The release of a drag: one last look at what is under the pointer, then the one hand-off the
// release goes to.
#include "layout/ScreenGeometry.h"
#include "snap/AppliedLayouts.h"
#include "snap/LayoutPicker.h"
#include "snap/ReleaseHandOffs.h"
#include "snap/ReturnSnap.h"
#include "snap/SnapContext.h"
#include "snap/SnapDragHandler.h"

namespace fw {

namespace {

constexpr Duration kReleaseHandOffDelay = 80ms;

} // namespace

ReleaseOutcome SnapDragHandler::dragReleased(const DragRelease& release)
{
    const Point& p = release.pointer;
    if (release.dragging && release.window && release.original)
        dragMoved({*release.window, *release.original, p, release.startPoint, release.now, release.modifiers});
    if (findings_.refused)
        return {u"released refused"_qs, false, std::nullopt, {}};
    if (release.dragging) {
        if (const auto screen = containing(ctx_.screenList(), p); screen && reachesPickerZone(p, release.startPoint, *screen))
            markChoosing();
    }
    if (states_.picker.shown()) {
        markChoosing();
        hoverPicker(ctx_, states_.picker, p);
    }
    const bool corner = cornerStillOffered(p);
    if (findings_.cornerTarget && !corner)
        endCornerOffer();
    return handOff(release, corner);
}

bool SnapDragHandler::cornerStillOffered(const Point& p) const
{
    const DragFindings& f = findings_;
    if (!f.cornerTarget || !f.dragDisplay)
        return false;
    const auto screen = screenWithKey(ctx_.screenList(), *f.dragDisplay);
    if (!screen)
        return false;
    const Rect visible = topLeftVisibleFrame(*screen);
    return snapCornerAt(clampedInto(p, visible), screen->frame, visible) == f.cornerTarget;
}

ReleaseOutcome SnapDragHandler::handOff(const DragRelease& release, bool corner)
{
    const DragFindings& f = findings_;
    const bool pressed = release.window && release.original;
    if (f.activeDrop && pressed) {
        if (auto run = performRegionDrop(ctx_, states_.interaction, states_.drop, states_.picker, *f.activeDrop,
                                         *release.window, f.returnTarget, *release.original)) {
            startRegionDrop(std::move(*run));
            return {u"released region drop"_qs, true, std::nullopt, {}};
        }
    }
    leaveRegionDrop(ctx_, states_.drop);
    if (corner) {
        commitCornerSelection(ctx_, states_.choiceState());
        return {u"released corner"_qs, false, std::nullopt, {}};
    }
    ReleaseOutcome outcome{f.returnPreviewArmed ? u"released return"_qs : u"released native or chooser"_qs, false,
                           std::nullopt, {}};
    // The generation is read now, after the steps above may have ended an interaction: the
    // hand-off belongs to the interaction that is current when it is scheduled.
    const auto record = [&] {
        return WindowRelease{*release.window, *release.original, states_.interaction.generation(), release.edges,
                             release.span, release.pointer, release.pointerMoved};
    };
    if (pressed && f.returnTarget && f.returnPreviewArmed && f.returnGesture && f.returnGesture->isArmed &&
        !(states_.picker.shown() && states_.picker.selection)) {
        returnToPreviousPosition(ctx_, states_.choiceState(), *release.window, *f.returnTarget, *release.original);
    } else if (states_.picker.dragPickerDisplay()) {
        // The selection at the release point was taken when the release was handled.
        const bool selected = states_.picker.selection.has_value();
        commitPickerSelection(ctx_, states_.choiceState());
        if (!selected && pressed) {
            outcome.handOff = record();
            outcome.handed = true;
        }
    } else if (pressed) {
        outcome.handOff = record();
        outcome.handOffDelay = kReleaseHandOffDelay;
        outcome.handed = true;
    }
    return outcome;
}

} // namespace fw
