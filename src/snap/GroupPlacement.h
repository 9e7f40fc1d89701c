#pragma once
// Applying a display's group to its windows: every window of the group (and every window
// spanning several of its regions) moved to its region frames together, as one transaction
// that is rolled back whole when a window does not take its frame. Resets of a display's
// layouts, divider edits and resizes of placed windows use it.

#include "base/Task.h"
#include "platform/Screens.h"
#include "snap/AppliedLayouts.h"

namespace fw {

class WindowMemory;
struct SnapContext;

// True when every window took its frame; the group is then the display's applied layout and
// the windows' return positions are recorded. On a roll-back "A window reached its minimum
// size. The shared divider stays at its last working position." (only while the interaction
// that started it lasts); when the roll-back fails too, "A window could not be resized or
// fully restored.".
Task<bool> applyGroup(SnapContext& ctx, AppliedLayouts& layouts, WindowMemory& memory, LayoutGroup group,
                      ScreenInfo screen);

} // namespace fw
