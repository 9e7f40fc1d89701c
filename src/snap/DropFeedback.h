#pragma once
// What a release over a region drop target would do, shown while the window is dragged: the
// target becomes the coordinator's current drop (a move between tiles of one menu keeps the
// drop going, any other change ends the previous one), the tile menu is offered once the
// pointer has dwelt on the region and lights the tile under the pointer, and a preview with a
// caption ("Hold to …" / "Release to …") covers the frame the drop gives, with a second panel
// over the dragged window's home for a swap. Decides nothing about placement and sends no
// notice.

#include "snap/DropState.h"
#include "snap/WindowMemory.h"

#include <QString>
#include <optional>

namespace fw {

struct SnapContext;

// Nothing while a task moves windows or when the target's display is gone.
void showRegionDrop(SnapContext& ctx, DropState state, const RegionDropTarget& target, const ManagedWindow& window,
                    const std::optional<ReturnSnapTarget>& returnTarget, bool armed);

// The caption of a target: "Release to " when armed, else "Hold to ", and the intent's
// action ("swap", "take the top half", "add to stack", "rejoin the halves", …).
QString dropCaption(const RegionDropTarget& target, bool armed);

} // namespace fw
