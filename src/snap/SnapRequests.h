#pragma once
// What a run asks of the hub: the end of the interaction under way, and the two hand-offs a
// picker choice makes to runs of other families (a whole layout with its apps, the window
// inserted at a seam corner). The coordinator implements it and is reached through the
// context, so calls run one way: a run asks, the hub ends the interaction or hands the work to
// the run of the family that owns it. No run holds the coordinator itself.

#include "base/Task.h"
#include "layout/SnapLayout.h"
#include "platform/Screens.h"
#include "windows/CoordinatorHost.h"

namespace fw {

struct InsertionRequest;

class SnapRequests {
public:
    virtual ~SnapRequests() = default;

    // Ends whatever interaction is under way and raises the generation by one. resumeStacks:
    // true only at a left-button press outside our panels (the stack pickers close, the
    // stacks keep running); otherwise the stack controller is suspended.
    virtual void endInteraction(bool resumeStacks) = 0;
    // A whole layout with its apps, chosen in the picker for the interaction `stamp` (the
    // choice holds the mutation guard).
    virtual Task<void> applyComposition(SnapLayout layout, ScreenInfo screen, InteractionStamp stamp) = 0;
    // The picker's window inserted at the seam corner the session plans, its notice sent; true
    // when placed and recorded.
    virtual Task<bool> insertAtCorner(InsertionRequest request) = 0;
};

} // namespace fw
