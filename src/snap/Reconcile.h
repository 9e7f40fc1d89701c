#pragma once
// Bringing the coordinator's picture back in line with the windows on screen: the memories of
// windows that are gone are forgotten, each display the snapshot covers gets its occupants
// and spans decided anew (a layout is recognised for one that has none), and, with
// diagnostics on, the recovery-state file is written when its content changed. Displays the
// snapshot does not cover keep their groups as they are.

#include "snap/AppliedLayouts.h"
#include "snap/RecoveryRecords.h"
#include "snap/SnapContext.h"
#include "snap/WindowMemory.h"

#include <QString>
#include <optional>

namespace fw {

// `display`: the one display the snapshot lists the windows of; nothing when it lists every
// display's windows.
void reconcile(SnapContext& ctx, AppliedLayouts& layouts, WindowMemory& memory, RecoveryStateFile& recovery,
               const WindowSnapshot& snapshot, const std::optional<QString>& display = std::nullopt);

} // namespace fw
