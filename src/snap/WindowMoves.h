#pragma once
// The coordinator's thin layer over the animated moves of window access: the group move that
// keeps the first window that refused its frame, the two ways of keeping a refusal, and the
// size text of the notices.

#include "base/Geometry.h"
#include "base/Task.h"
#include "windows/CoordinatorHost.h"
#include "windows/ManagedWindow.h"
#include "windows/PlacementRecord.h"
#include "windows/WindowPlacement.h"

#include <QString>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace fw {

class WindowAccess;

// The window that did not take the frame it was asked for: the frame asked for and the one it
// reported (nothing when unreadable).
using PlacementRejection = ColumnSplitRecord::Refusal;
// Filled by the moves of one placement; empty until a refusal arrives.
using RejectionBox = std::optional<PlacementRejection>;

// Moves the windows together (0.24 s, settled within 5 pixels), stopping when the stamp's
// interaction ends; the first window that refuses its frame is kept in the box.
Task<bool> moveGroup(WindowAccess& access, std::vector<std::pair<ManagedWindow, Rect>> moves,
                     std::shared_ptr<RejectionBox> box, InteractionStamp stamp);

// The mover of a placement transaction that moves all its windows together, as moveGroup.
PlacementMover togetherMover(WindowAccess& access, std::shared_ptr<RejectionBox> box, InteractionStamp stamp);

// Keeps the first refusal: nothing once the box holds one.
inline void recordFirstTarget(const ManagedWindow& window, std::optional<Rect> actual, RejectionBox& box,
                              const Rect& requested)
{
    recordFirstTarget(actual, box, window, requested);
}
// The column split's mismatch handler: keeps the latest window found off its frame in the
// record, replacing an earlier one, and logs its drift from the frame asked for.
void recordLatestTarget(WindowAccess& access, const ManagedWindow& window, std::optional<Rect> actual,
                        ColumnSplitRecord& record, const Rect& requested);

// "1280 × 800": width and height truncated toward zero.
QString sizeText(const Rect& frame);

} // namespace fw
