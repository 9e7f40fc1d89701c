#pragma once
// The state objects that resizing placed windows changes: the guards (and the divider edit
// waiting for them), the picker session (no resize preview while a picker shows), the applied
// layouts with their spans and the memories of placed windows. The hub owns them; the resize
// families (release outside targets, spans, divider edits, the resize preview) take them
// together.

#include "snap/AppliedLayouts.h"
#include "snap/Interaction.h"
#include "snap/PickerSession.h"
#include "snap/WindowMemory.h"

namespace fw {

struct ResizeState {
    Interaction& interaction;
    PickerSession& picker;
    AppliedLayouts& layouts;
    WindowMemory& memory;
};

} // namespace fw
