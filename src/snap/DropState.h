#pragma once
// The state objects that drops onto placed windows change: the guards, the drop and picker
// sessions (a split drop prepares its insertion in the picker's), the applied layouts, the
// memories of placed windows and the remembered side-by-side splits. The hub owns them; the
// drop families take them together.

#include "snap/AppliedLayouts.h"
#include "snap/DropSession.h"
#include "snap/Interaction.h"
#include "snap/PickerSession.h"
#include "snap/SideSplitStore.h"
#include "snap/WindowMemory.h"

namespace fw {

struct DropState {
    Interaction& interaction;
    PickerSession& picker;
    DropSession& drop;
    AppliedLayouts& layouts;
    WindowMemory& memory;
    SideSplitStore& sideSplits;
};

} // namespace fw
