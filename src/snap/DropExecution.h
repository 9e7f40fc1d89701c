#pragma once
// Carrying out a region drop after the release: 0.08 s later, when the interaction is still
// the release's, no other task moves windows and the display still has the layout the drop
// was aimed at, the drop's intent runs under the mutation guard (a swap, a split with the
// insertion of the dragged window, a placement, a column fill, putting the window back); a
// side-by-side split is remembered. Every drop that got past the wait ends with the "Motion"
// line of its time from the release, and ends its interaction unless a newer one began.
// Started by the drag handler.

#include "base/Task.h"
#include "snap/DragRequests.h"
#include "snap/DropState.h"

namespace fw {

struct SnapContext;

// The step of a split drop that prepares the insertion into the new region (SplitOffer.h).
// The plain one calls it; a test may watch the request on its way.
class SplitPreparation {
public:
    virtual ~SplitPreparation() = default;
    virtual void prepare(SnapContext& ctx, DropState state, const SplitDropRequest& request);
    // The plain preparation, shared (it keeps nothing).
    static SplitPreparation& plain();
};

Task<void> executeRegionDrop(SnapContext& ctx, DropState state, RegionDropRun run,
                             SplitPreparation& split = SplitPreparation::plain());

} // namespace fw
