// Brings the coordinator's memories and applied layouts in line with a window snapshot, and writes the
// recovery-state file when diagnostics are on.
#include "snap/Reconcile.h"

#include "layout/ScreenGeometry.h"

namespace fw {

void reconcile(SnapContext& ctx, AppliedLayouts& layouts, WindowMemory& memory, RecoveryStateFile& recovery,
               const WindowSnapshot& snapshot, const std::optional<QString>& display)
{
    memory.sweep(snapshot, ctx.processes, ctx.access);
    const auto screens = ctx.screenList();
    for (const ScreenInfo& screen : screens) {
        if (!display || displayKey(screen) == *display)
            layouts.reconcileDisplay(screen, snapshot, ctx.store, memory);
    }
    if (ctx.diagnostics)
        recovery.update(ownPid(), recoveryDisplayRecords(screens, layouts, memory));
}

} // namespace fw
