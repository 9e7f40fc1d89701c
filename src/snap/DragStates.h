#pragma once
// The hub's state objects that a window drag works with, handed to the drag handler once: the
// guards, the picker, drop and snap-assist sessions, the applied layouts, the memories of
// placed windows, the remembered side-by-side splits and the recovered layouts a dragged
// window may return to. They live in the hub's SnapState, which outlives the handler; the
// handler passes the subsets the drop, choice and resize runs take.

#include "snap/AppliedLayouts.h"
#include "snap/ChoiceState.h"
#include "snap/DropSession.h"
#include "snap/DropState.h"
#include "snap/Interaction.h"
#include "snap/PickerSession.h"
#include "snap/RecoveryRecords.h"
#include "snap/ResizeState.h"
#include "snap/SideSplitStore.h"
#include "snap/SnapAssistSession.h"
#include "snap/WindowMemory.h"

namespace fw {

struct DragStates : DropState {
    AssistState& assist;
    RecoveryStateFile& recovery;

    ChoiceState choiceState() const { return {interaction, picker, layouts, memory, assist}; }
    DropState dropState() const { return *this; }
    ResizeState resizeState() const { return {interaction, picker, layouts, memory}; }
};

} // namespace fw
