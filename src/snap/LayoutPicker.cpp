// Opening the layout picker for a drag or a command: its cards, occupant icons, callbacks, the hover
// preview, and the delayed commit of a release over it.
#include "snap/LayoutPicker.h"

#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"
#include "snap/ChooseSelection.h"
#include "snap/DeferredSteps.h"
#include "snap/ShortcutLabels.h"
#include "snap/SnapContext.h"

#include <algorithm>

namespace fw {

namespace {

SelectionRun chooseRun(SnapContext& ctx, ChoiceState state)
{
    return [c = &ctx, state](SnapSelection selection) { return choose(*c, state, selection); };
}

// The picker's callbacks; each does nothing once the coordinator is gone.
void installCallbacks(SnapContext& ctx, ChoiceState state, const QString& display, PickerPresentation& p)
{
    std::weak_ptr<const CoordinatorHost> host = ctx.host;
    SnapContext* c = &ctx;
    p.choose = [host, c, state](SnapSelection selection) {
        if (!host.expired())
            c->tasks.spawn(choose(*c, state, selection));
    };
    p.hover = [host, c, state](std::optional<SnapSelection> selection) {
        if (!host.expired())
            updatePickerPreview(*c, state.picker, selection);
    };
    p.key = [host, c, state](PickerKey key) {
        if (host.expired())
            return;
        if (key.kind != PickerKey::choose) {
            if (const auto next = state.picker.selectionAfter(key))
                updatePickerPreview(*c, state.picker, next);
        } else if (const auto chosen = state.picker.keyChoice()) {
            c->tasks.spawn(choose(*c, state, *chosen));
        }
    };
    if (!p.wholeComposition)
        return;
    // Ending the interaction hides the picker, which destroys these closures: what they use
    // afterwards is copied out first.
    p.create = [host, c, display] {
        if (host.expired())
            return;
        SnapContext* const context = c;
        const QString shownOn = display;
        context->requests.endInteraction(false);
        context->sinks.sendCreateCustomLayout(shownOn);
    };
    p.edit = [host, c, display](const SnapLayout& layout) {
        if (host.expired())
            return;
        // A card may be older than the stored layout: edit the stored one.
        SnapLayout current = layout;
        for (const SnapLayout& stored : c->store.customLayouts(display)) {
            if (stored.id == layout.id) {
                current = stored;
                break;
            }
        }
        SnapContext* const context = c;
        const QString shownOn = display;
        context->requests.endInteraction(false);
        context->sinks.sendEditCustomLayout(shownOn, current);
    };
}

// Numbered as the Switch Layout menu and the layout keys number them; a layout whose key
// another program holds has none.
std::map<QString, int> layoutKeys(const SnapContext& ctx, const QString& display)
{
    std::map<QString, int> keys;
    const std::vector<SnapLayout> own = ctx.store.customLayouts(display);
    for (std::size_t i = 0; i < own.size(); ++i)
        if (!ctx.shortcuts || ctx.shortcuts->layoutKeyWorks(i))
            keys.emplace(own[i].id, int(i) + 1);
    return keys;
}

} // namespace

PickerCards pickerCards(const LayoutStore& store, const QString& display, const LayoutGroup* group,
                        bool wholeComposition)
{
    if (wholeComposition)
        return {store.menuLayouts(display, group ? std::optional(group->layout) : std::nullopt), std::nullopt};
    PickerCards cards{store.layouts(display), std::nullopt};
    if (!group)
        return cards;
    auto same = std::find_if(cards.layouts.begin(), cards.layouts.end(),
                             [&](const SnapLayout& l) { return l.id == group->layout.id; });
    if (same != cards.layouts.end())
        *same = group->layout;
    else
        cards.layouts.push_back(group->layout);
    cards.currentLayout = group->layout.id;
    return cards;
}

PickerOccupants pickerOccupants(const std::vector<SnapLayout>& layouts, const LayoutGroup* group,
                                const WindowStackController& stacks, const std::optional<ManagedWindow>& placing)
{
    PickerOccupants occupants;
    for (const SnapLayout& layout : layouts) {
        if (!layout.apps)
            continue;
        for (const auto& [region, ids] : *layout.apps) {
            if (!ids.isEmpty())
                occupants[layout.id][region] = OccupantIcon{std::nullopt, ids.front()};
        }
    }
    if (!group)
        return occupants;
    auto& entry = occupants[group->layout.id];
    for (const auto& [region, window] : group->windows) {
        const ManagedWindow front = stacks.stack(window);
        if (placing && front == *placing)
            continue;
        entry[region].window = front.element;
    }
    return occupants;
}

void showLayoutPicker(SnapContext& ctx, ChoiceState state, const PickerRequest& request)
{
    ctx.requests.endInteraction(false);
    ctx.feedback.setDraggedWindow(request.dragging ? request.window : std::nullopt);
    PickerSession& picker = state.picker;
    picker.choosingComposition = request.composition && !request.dragging;
    state.layouts.pruneVanishedWindows(ctx.access, state.memory);
    const QString display = displayKey(request.screen);
    picker.pickerWindow = request.window;
    picker.pickerOriginal = request.startFrame;
    picker.selection.reset();
    picker.setPickerScreen(display, ctx.stacks);
    ctx.sinks.sendPresentationChanged(true);

    const LayoutGroup* group = state.layouts.group(display);
    PickerCards cards = pickerCards(ctx.store, display, group, picker.choosingComposition);
    picker.pickerLayouts = cards.layouts;
    PickerPresentation p;
    p.screen = request.screen;
    p.currentLayout = cards.currentLayout;
    p.wholeComposition = picker.choosingComposition;
    p.dragging = request.dragging;
    if (!p.wholeComposition)
        p.occupants = pickerOccupants(cards.layouts, group, ctx.stacks, request.window);
    p.layoutKeys = layoutKeys(ctx, display);
    p.layouts = std::move(cards.layouts);
    installCallbacks(ctx, state, display, p);
    picker.showPicker(ctx.feedback, std::move(p));
}

void prepareLayoutPicker(SnapContext& ctx, ChoiceState state, const ScreenInfo& screen)
{
    const QString display = displayKey(screen);
    const LayoutGroup* group = state.layouts.group(display);
    PickerCards cards = pickerCards(ctx.store, display, group, false);
    PickerPresentation p;
    p.screen = screen;
    p.currentLayout = cards.currentLayout;
    p.dragging = true;
    p.occupants = pickerOccupants(cards.layouts, group, ctx.stacks, std::nullopt);
    p.layoutKeys = layoutKeys(ctx, display);
    p.layouts = std::move(cards.layouts);
    ctx.feedback.preparePicker(std::move(p));
}

void commitPickerSelection(SnapContext& ctx, ChoiceState state)
{
    const auto selection = state.picker.shown() ? state.picker.selection : std::nullopt;
    if (!selection) {
        ctx.requests.endInteraction(false);
        return;
    }
    state.picker.hidePicker(ctx.feedback);
    commitSelectionLater(ctx.tasks, ctx.stamp(), *selection, chooseRun(ctx, state));
}

void commitCornerSelection(SnapContext& ctx, ChoiceState state)
{
    if (state.picker.cornerSelection)
        commitSelectionLater(ctx.tasks, ctx.stamp(), *state.picker.cornerSelection, chooseRun(ctx, state));
}

void hoverPicker(SnapContext& ctx, PickerSession& picker, Point at)
{
    const auto area = ctx.feedback.pickerHitArea();
    updatePickerPreview(ctx, picker, area ? pickerSelectionAt(*area, at) : std::nullopt);
}

void updatePickerPreview(SnapContext& ctx, PickerSession& picker, const std::optional<SnapSelection>& selection)
{
    picker.selection = selection;
    ctx.feedback.setPickerSelection(selection);
    const auto screen = picker.pickerScreen() ? screenWithKey(ctx.screenList(), *picker.pickerScreen()) : std::nullopt;
    const bool known = selection && selection->layoutIndex >= 0
        && std::size_t(selection->layoutIndex) < picker.pickerLayouts.size();
    if (!screen || !known) {
        ctx.feedback.showPreview(std::nullopt);
        ctx.feedback.showCompositionPreviews({});
        return;
    }
    const auto frames = regionFrames(picker.pickerLayouts[std::size_t(selection->layoutIndex)], *screen);
    if (!picker.choosingComposition) {
        const auto frame = frames.find(selection->region);
        ctx.feedback.showPreview(frame == frames.end() ? std::nullopt : std::optional(frame->second));
        return;
    }
    std::vector<Rect> all;
    for (const auto& [region, frame] : frames)
        all.push_back(frame);
    ctx.feedback.showCompositionPreviews(all);
}

void hideDropPanels(SnapContext& ctx, const PickerSession& picker)
{
    ctx.feedback.hideReturnPanels();
    ctx.sinks.sendPresentationChanged(picker.pickerScreen().has_value());
}

} // namespace fw
