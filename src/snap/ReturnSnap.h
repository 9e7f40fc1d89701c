#pragma once
// Taking a snapped window back to the region it came from. When a drag starts, the window's
// return target is worked out (the region it sat in, else the one it was last placed in while
// that layout still stands); a small gesture follows the drag and arms once the window or the
// pointer has gone away and come back to the slot; the preview says "Previous position" or
// "Release to return"; a release while armed moves the window back 0.08 s later unless
// something changed meanwhile.

#include "base/Geometry.h"
#include "base/Task.h"
#include "snap/AppliedLayouts.h"
#include "snap/ChoiceState.h"
#include "snap/Interaction.h"
#include "snap/PickerSession.h"
#include "snap/RecoveryRecords.h"
#include "snap/WindowMemory.h"
#include "windows/CoordinatorHost.h"
#include "windows/ManagedWindow.h"

#include <optional>

namespace fw {

struct SnapContext;

// The return-to-slot gesture of one drag.
struct ReturnSnapGesture {
    Rect slot;                     // the return target's frame
    bool hasDeparted = false;      // the window's origin was once more than 60 pixels away
    bool hasLeftSlot = false;      // the pointer was once outside the slot grown by 12
    bool isArmed = false;          // a release now returns the window
    bool isAligned = false;        // the window sits within 16 pixels of the slot, the pointer near it
    bool isChoosingLayout = false; // the pointer reached the layout picker: disarmed for the drag

    explicit ReturnSnapGesture(const Rect& slot) : slot(slot) {}

    // Follows one step: the window's frame, the pointer and whether the pointer is on the
    // target's display. Returns whether the gesture is armed.
    bool update(const Rect& frame, const Point& pointer, bool active);
    // The pointer reached the layout picker.
    void markChoosing();
};

// The target still holds: the display's group has the target's layout and the display's
// visible frame is the one the target was made in.
bool isCurrent(const ReturnSnapTarget& target, const LayoutGroup* group, const Rect& visibleFrame);

// Where the dragged window returns to, worked out when it first moves: nothing while a
// placement runs or when its frame lies on no display; the display it overlaps most is
// reconciled with its windows first. A region within 6 pixels of the frame becomes its return
// position; else its remembered one, while that is current.
std::optional<ReturnSnapTarget> returnTarget(SnapContext& ctx, const Interaction& interaction, AppliedLayouts& layouts,
                                             WindowMemory& memory, RecoveryStateFile& recovery,
                                             const ManagedWindow& window, const Rect& from);

// Shows the return preview over the target, armed or not, while the target is current;
// otherwise (and while a placement runs) hides the return panels.
void showReturnPreview(SnapContext& ctx, const Interaction& interaction, const AppliedLayouts& layouts,
                       const PickerSession& picker, const ReturnSnapTarget& target, bool armed,
                       const ManagedWindow& window);

// The release over the armed return position: unless a placement runs, the interaction ends
// and, 0.08 s later, the window goes back into its region when nothing changed meanwhile.
void returnToPreviousPosition(SnapContext& ctx, ChoiceState state, const ManagedWindow& window,
                              const ReturnSnapTarget& target, const Rect& startFrame);

// The task behind it, for the interaction `stamp`.
Task<void> returnWindow(SnapContext& ctx, ChoiceState state, ManagedWindow window, ReturnSnapTarget target,
                        Rect startFrame, InteractionStamp stamp);

} // namespace fw
