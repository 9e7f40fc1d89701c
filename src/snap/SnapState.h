#pragma once
// The coordinator's state objects in one place: the guards, the applied layouts, the memories
// of placed windows, the remembered side-by-side splits, the picker, drop and snap-assist
// sessions and the recovery file. The hub makes its own, or works on one it is handed (tests
// keep theirs, to set up and read what a gesture changed); either way it outlives the hub.

#include "snap/AppliedLayouts.h"
#include "snap/DragStates.h"
#include "snap/DropSession.h"
#include "snap/Interaction.h"
#include "snap/PickerSession.h"
#include "snap/RecoveryRecords.h"
#include "snap/SideSplitStore.h"
#include "snap/SnapAssistSession.h"
#include "snap/WindowMemory.h"

namespace fw {

class UserDefaults;

struct SnapState {
    explicit SnapState(UserDefaults& defaults) : sideSplits(defaults) {}
    SnapState(const SnapState&) = delete;
    SnapState& operator=(const SnapState&) = delete;

    Interaction interaction;
    AppliedLayouts layouts;
    WindowMemory memory;
    SideSplitStore sideSplits;
    PickerSession picker;
    DropSession drop;
    AssistState assist;
    RecoveryStateFile recovery;

    // Everything a window drag works with.
    DragStates dragStates() { return {{interaction, picker, drop, layouts, memory, sideSplits}, assist, recovery}; }
};

} // namespace fw
