// The coordinator's commands from menus, hot keys and the welcome window: restore, apply or reset
// layouts, the divider editor, the window chooser and display changes.
#include "snap/CoordinatorCommands.h"

#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"
#include "snap/ChooseSelection.h"
#include "snap/DeferredSteps.h"
#include "snap/GroupPlacement.h"
#include "snap/LayoutPicker.h"
#include "snap/ShortcutLabels.h"
#include "snap/SnapContext.h"
#include "snap/WindowMoves.h"
#include "windows/WindowAccess.h"

namespace fw {

namespace {

const SnapLayout* builtInWithId(const QString& id)
{
    for (const SnapLayout& layout : SnapLayout::builtIns()) {
        if (layout.id == id)
            return &layout;
    }
    return nullptr;
}

// The edit waits for the drain, which runs on the next turn of the loop (and again whenever a
// moving task ends while an edit waits).
void queueDividerEdit(SnapContext& ctx, Interaction& interaction, PendingEdit edit)
{
    interaction.pendingEdit = std::move(edit);
    std::weak_ptr<const CoordinatorHost> host = ctx.host;
    ctx.tasks.after(Duration::zero(), [host, &interaction] {
        if (host.expired() || !interaction.pendingEdit || !interaction.drainPendingEdit)
            return;
        auto drain = interaction.drainPendingEdit;
        drain();
    });
}

} // namespace

Task<void> restoreFocusedWindow(SnapContext& ctx, ChoiceState state)
{
    auto guard = MutationGuard::take(state.interaction, ctx.stacks);
    if (!guard)
        co_return;
    const auto window = ctx.access.focusedWindow();
    const auto original = window ? state.memory.originals.find(*window) : state.memory.originals.end();
    if (original == state.memory.originals.end()) {
        ctx.sinks.sendReport(u"Focus a snapped window to restore its previous size."_qs);
        co_return;
    }
    const Rect frame = original->second;
    const bool settled = co_await ctx.access.animateMove(*window, {}, frame, kSameFrameTolerance);
    if (!settled) {
        ctx.sinks.sendReport(u"That window could not be restored."_qs);
        co_return;
    }
    state.layouts.removeWindow(*window);
    state.memory.originals.erase(*window);
    ctx.stacks.noteWindowChanged({{*window, frame}});
}

void applySavedLayout(SnapContext& ctx, ChoiceState state, int number, const ScreenInfo& screen)
{
    const std::vector<SnapLayout> own = ctx.store.customLayouts(displayKey(screen));
    if (number >= 0 && std::size_t(number) < own.size()) {
        startLayoutApplication(ctx, state, own[std::size_t(number)], screen);
        return;
    }
    if (own.empty()) {
        ctx.sinks.sendReport(u"You haven’t made any layouts for "_qs + screen.name
                             + u" yet. Create one from Choose a Layout."_qs);
        return;
    }
    ctx.sinks.sendReport(u"There’s no layout %1 on %2; you have %3."_qs.arg(number + 1).arg(screen.name).arg(own.size()));
}

void startLayoutApplication(SnapContext& ctx, ChoiceState state, const SnapLayout& layout, const ScreenInfo& screen)
{
    if (state.interaction.mutating || !layout.tree.isValid() || !ctx.access.windowControlGranted(false))
        return;
    // A menu row built before its layout was deleted applies nothing; one built before a
    // rename applies the layout under its new name.
    const std::optional<SnapLayout> current = ctx.store.current(layout, displayKey(screen));
    if (!current)
        return;
    ctx.requests.endInteraction(false);
    state.picker.choosingComposition = true;
    state.picker.setPickerScreen(displayKey(screen), ctx.stacks);
    state.picker.pickerLayouts = {*current};
    ctx.sinks.sendPresentationChanged(true);
    SnapContext* c = &ctx;
    startWhenCurrent(ctx.tasks, ctx.stamp(), [c, state] { return choose(*c, state, SnapSelection{0, 0}); });
}

Task<void> resetLayouts(SnapContext& ctx, ChoiceState state, ScreenInfo screen)
{
    auto guard = MutationGuard::take(state.interaction, ctx.stacks);
    if (!guard)
        co_return;
    const QString display = displayKey(screen);
    const LayoutGroup* group = state.layouts.group(display);
    if (const SnapLayout* builtIn = group ? builtInWithId(group->layout.id) : nullptr) {
        const LayoutGroup proportions{*builtIn, group->windows, group->spans};
        const bool applied = co_await applyGroup(ctx, state.layouts, state.memory, proportions, screen);
        if (!applied)
            co_return;
    }
    ctx.store.reset(display);
    ctx.requests.endInteraction(false);
}

void adjustLayout(SnapContext& ctx, ChoiceState state, const ScreenInfo& screen)
{
    ctx.requests.endInteraction(false);
    state.layouts.pruneVanishedWindows(ctx.access, state.memory);
    state.layouts.ensureGroup(screen, std::nullopt, std::nullopt, ctx.access, ctx.store, state.memory);
    const QString display = displayKey(screen);
    const LayoutGroup* group = state.layouts.group(display);
    if (!group || (group->windows.empty() && group->spans.empty())) {
        // The gallery's key is named only while it works.
        const QString key = shortcutLabel(ctx, kLayoutsCommand);
        ctx.sinks.sendReport(u"Nothing is snapped on "_qs + screen.name + u". Choose a layout first"_qs
                             + (key.isEmpty() ? QString() : u" ("_qs + key + u')')
                             + u", or drag a window to the top center."_qs);
        return;
    }
    state.picker.setPickerScreen(display, ctx.stacks);
    ctx.sinks.sendPresentationChanged(true);
    std::weak_ptr<const CoordinatorHost> host = ctx.host;
    SnapContext* c = &ctx;
    Interaction* interaction = &state.interaction;
    ctx.feedback.showDividerEditor(
        screen, group->layout,
        [host, c, interaction, display](const DividerPath& path) {
            if (!host.expired())
                queueDividerEdit(*c, *interaction, {display, path, DividerEdit::equalize()});
        },
        [host, c, interaction, display](const DividerPath& path, double position, bool) {
            if (!host.expired())
                queueDividerEdit(*c, *interaction, {display, path, DividerEdit::move(position)});
        });
}

void showWindowChooser(SnapContext& ctx, ChoiceState state, const ScreenInfo& screen)
{
    ctx.requests.endInteraction(false);
    const QString display = displayKey(screen);
    const std::vector<ManagedWindow> windows = ctx.access.windows({}, display);
    if (windows.empty()) {
        ctx.sinks.sendReport(u"Open a resizable window on this desktop first."_qs);
        return;
    }
    state.picker.setPickerScreen(display, ctx.stacks);
    ctx.sinks.sendPresentationChanged(true);
    std::weak_ptr<const CoordinatorHost> host = ctx.host;
    SnapContext* c = &ctx;
    ctx.feedback.showWindowChooser(
        screen, windows, u"Choose a window to arrange."_qs, u"Pick a window, then choose its place in a layout."_qs,
        [host, c, state, screen](const ManagedWindow& window) {
            if (!host.expired())
                showLayoutPicker(*c, state, PickerRequest{window, screen, false, std::nullopt, false});
        },
        [host, c] {
            if (!host.expired())
                c->requests.endInteraction(false);
        });
}

void displaysChanged(SnapContext& ctx, ChoiceState state)
{
    state.layouts.clear();
    state.memory.returnHomes.clear();
    ctx.stacks.resetScanState();
    ctx.stacks.scheduleRefresh();
    ctx.requests.endInteraction(false);
}

} // namespace fw
