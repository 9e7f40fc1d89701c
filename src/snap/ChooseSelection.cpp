// Carries out a picker choice: a whole layout with its apps, or the picker's window into the chosen
// region, then snap assist for the regions left empty.
#include "snap/ChooseSelection.h"

#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"
#include "snap/InsertAtCorner.h"
#include "snap/PlaceWindow.h"
#include "snap/ShortcutLabels.h"
#include "snap/SnapAssist.h"
#include "snap/SnapContext.h"
#include "windows/WindowAccess.h"

namespace fw {

namespace {

// A refused choice whose picker is gone (the release path) would leave the picker's display
// claimed: the stacks suspended and the Escape key taken until the next click.
void endRefusedRelease(SnapContext& ctx, const PickerSession& picker)
{
    if (picker.pickerScreen() && !picker.shown())
        ctx.requests.endInteraction(false);
}

// Marks the interaction as choosing for as long as a choice runs, whichever way it ends.
struct ChoosingMark {
    Interaction& interaction;
    ~ChoosingMark() { interaction.choosing.reset(); }
};

// What follows a placement of the picker's window: on failure the interaction ends (unless a
// newer one began); on success the layout is remembered as the display's (also when a newer
// interaction began once the window had arrived, a click on it) and, unless a newer one
// began, snap assist offers the display's other windows, listed once the window is placed:
// nothing of that list stands between the release and the window's first move.
void afterPlacement(SnapContext& ctx, ChoiceState state, bool placed, const InteractionStamp& stamp,
                    const ScreenInfo& screen, const SnapLayout& chosen, const ManagedWindow& window)
{
    if (!placed) {
        if (stamp.current())
            ctx.requests.endInteraction(false);
        return;
    }
    const QString display = displayKey(screen);
    const LayoutGroup* group = state.layouts.group(display);
    ctx.store.save(group ? group->layout : chosen, display);
    if (!stamp.current())
        return;
    state.picker.cornerSelection.reset();
    state.picker.cornerInsertion.reset();
    if (!state.layouts.group(display)) {
        ctx.requests.endInteraction(false);
        return;
    }
    startSnapAssist(ctx, state, screen, stamp, ctx.access.windows({window}, display));
}

// The picker's window into the chosen region: at the pending seam corner when there is one.
Task<bool> placePickerWindow(SnapContext& ctx, ChoiceState state, ManagedWindow window, RegionNumber region,
                             SnapLayout layout, ScreenInfo screen, InteractionStamp stamp)
{
    const std::optional<Rect> original = state.picker.pickerOriginal;
    if (state.picker.cornerInsertion) {
        InsertionRequest request{*state.picker.cornerInsertion, window, region, layout, screen, original, stamp};
        const bool inserted = co_await ctx.requests.insertAtCorner(std::move(request));
        co_return inserted;
    }
    const PlacementResult result = co_await placeInRegion(ctx, state.layouts, state.memory, window, region, layout,
                                                          screen, original, false);
    if (result.notice)
        ctx.sinks.sendReport(*result.notice);
    co_return result.placed;
}

} // namespace

QString noWindowNotice(const SnapContext& ctx)
{
    const QString key = shortcutLabel(ctx, kPlaceCommand);
    if (key.isEmpty())
        return u"Drag a window here."_qs;
    return u"Drag a window here, or focus a window and press "_qs + key + u"."_qs;
}

Task<void> choose(SnapContext& ctx, ChoiceState state, SnapSelection selection)
{
    auto guard = MutationGuard::take(state.interaction, ctx.stacks);
    if (!guard) {
        // A choice of this same interaction is under way and took the picker away itself:
        // this one only drops out.
        if (state.interaction.choosing != state.interaction.generation())
            endRefusedRelease(ctx, state.picker);
        co_return;
    }
    state.interaction.choosing = state.interaction.generation();
    const ChoosingMark mark{state.interaction};
    const InteractionStamp stamp = ctx.stamp();
    const PickerSession& picker = state.picker;
    const auto screen = picker.pickerScreen() ? screenWithKey(ctx.screenList(), *picker.pickerScreen()) : std::nullopt;
    const auto index = std::size_t(selection.layoutIndex);
    if (!screen || selection.layoutIndex < 0 || index >= picker.pickerLayouts.size()) {
        endRefusedRelease(ctx, picker);
        co_return;
    }
    const SnapLayout layout = picker.pickerLayouts[index];
    if (picker.choosingComposition) {
        co_await ctx.requests.applyComposition(layout, *screen, stamp);
        co_return;
    }
    if (!picker.pickerWindow) {
        ctx.sinks.sendReport(noWindowNotice(ctx));
        ctx.requests.endInteraction(false);
        co_return;
    }
    const ManagedWindow window = *picker.pickerWindow;
    state.picker.hidePicker(ctx.feedback);
    const bool placed = co_await placePickerWindow(ctx, state, window, selection.region, layout, *screen, stamp);
    afterPlacement(ctx, state, placed, stamp, *screen, layout, window);
}

} // namespace fw
