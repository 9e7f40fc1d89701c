#pragma once
// The state objects that a picker choice and what follows it (the placement, snap assist)
// change: the guards, the picker session, the applied layouts, the memories of placed
// windows and the snap-assist session. The hub owns them; runs and the callbacks they install
// take them together. A callback checks its interaction stamp (which lapses with the hub)
// before it touches any of them.

#include "snap/AppliedLayouts.h"
#include "snap/Interaction.h"
#include "snap/PickerSession.h"
#include "snap/SnapAssistSession.h"
#include "snap/WindowMemory.h"

namespace fw {

struct ChoiceState {
    Interaction& interaction;
    PickerSession& picker;
    AppliedLayouts& layouts;
    WindowMemory& memory;
    AssistState& assist;
};

} // namespace fw
