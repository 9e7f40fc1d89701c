// Applies the latest waiting divider edit: new tree, every window of the layout moved as one
// transaction, and on success the tree kept in group, editor and store.
#include "snap/DividerEdits.h"

#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"
#include "snap/DropGeometry.h"
#include "snap/GroupPlacement.h"
#include "snap/SnapContext.h"

#include <algorithm>
#include <utility>

namespace fw {

namespace {

// The tree the edit asks for; nothing (after the notice) when a 50/50 split has no room.
std::optional<RegionTree> editedTree(SnapContext& ctx, const RegionTree& tree, const PendingEdit& edit,
                                     const Size& minimum)
{
    if (edit.edit.kind == DividerEdit::Kind::move)
        return tree.settingDivider(edit.path, edit.edit.position, kUnitSquare, minimum);
    auto equal = tree.equalizingDivider(edit.path, minimum);
    if (!equal)
        ctx.sinks.sendReport(u"There isn’t enough room for a 50/50 split while keeping the other dividers in place."_qs);
    return equal;
}

} // namespace

Size minimumRegionShare(const Rect& visible)
{
    if (visible.isEmpty())
        return {0.24, 0.24};
    return {std::min(180 / visible.width(), 0.24), std::min(140 / visible.height(), 0.24)};
}

Task<void> drainDividerEdits(SnapContext& ctx, ResizeState state)
{
    auto guard = MutationGuard::take(state.interaction, ctx.stacks);
    if (!guard)
        co_return;
    while (state.interaction.pendingEdit) {
        const PendingEdit edit = *std::exchange(state.interaction.pendingEdit, std::nullopt);
        const LayoutGroup* current = state.layouts.group(edit.display);
        const auto screen = screenWithKey(ctx.screenList(), edit.display);
        if (!current || !screen)
            continue;
        LayoutGroup group = *current;
        const auto tree =
            editedTree(ctx, group.layout.tree, edit, minimumRegionShare(topLeftVisibleFrame(*screen)));
        if (!tree)
            continue;
        group.layout.tree = *tree;
        const bool applied = co_await applyGroup(ctx, state.layouts, state.memory, group, *screen);
        if (!applied)
            continue;
        ctx.feedback.updateDividerEditor(group.layout);
        ctx.store.save(group.layout, edit.display);
    }
}

} // namespace fw
