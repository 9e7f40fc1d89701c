#pragma once
// Preparing the insertion of the dragged window into a region that is being split: by a seam
// corner of a display while the window is held there, and by a split tile of the drop menu at
// the release. Both leave a one-layout picker state whose only choice is the new region, the
// plan of the insertion (which window goes where, which one is displaced), the layout with
// its divider moved so that both windows' minimum sizes fit, and the drop preview of the new
// region; the seam corner also shows an outline of the space the existing window keeps and a
// hint. The insertion itself is carried out later, when the release or the choice commits.

#include "snap/DragRequests.h"
#include "snap/DropState.h"

#include <QString>

namespace fw {

struct SnapContext;

void performSplitDrop(SnapContext& ctx, DropState state, const SplitDropRequest& request);

// The hint's detail line: where the new and the existing window go.
QString splitHintDetail(bool newAbove);

} // namespace fw
