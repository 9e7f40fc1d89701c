#pragma once
// The coordinator's commands besides the drag, which the menus, the hot keys, the welcome
// window and the stack controller call: restore the focused window to its frame from before
// snapping, apply one of a display's own layouts by number or a given layout (with its apps),
// reset a display's layouts, open the divider editor, open the window chooser, and forget the
// applied layouts when the displays change. A command with nothing to act on says so in one
// notice.

#include "base/Task.h"
#include "layout/SnapLayout.h"
#include "platform/Screens.h"
#include "snap/ChoiceState.h"

namespace fw {

struct SnapContext;

// "Focus a snapped window to restore its previous size." when the focused window was never
// snapped; "That window could not be restored." when it does not settle (nothing forgotten).
// Nothing while windows move.
Task<void> restoreFocusedWindow(SnapContext& ctx, ChoiceState state);

// The display's own layout at the position (from 0), else the notice that there is none.
void applySavedLayout(SnapContext& ctx, ChoiceState state, int number, const ScreenInfo& screen);

// Places the whole layout with its apps on the display, on the next turn of the loop unless
// another interaction begins first. Silently nothing while windows move, for an invalid tree or
// without window control (the callers check those themselves).
void startLayoutApplication(SnapContext& ctx, ChoiceState state, const SnapLayout& layout, const ScreenInfo& screen);

// Forgets the display's adjusted trees and active layout; a display showing a built-in layout
// first gets its windows back to the built-in proportions (nothing is forgotten when they do
// not go).
Task<void> resetLayouts(SnapContext& ctx, ChoiceState state, ScreenInfo screen);

// The divider editor over the display's applied layout (recognised from the windows when it
// has none); its edits wait in `pendingEdit` for the divider-edit drain.
void adjustLayout(SnapContext& ctx, ChoiceState state, const ScreenInfo& screen);

// The window chooser for the display; the window picked opens the layout picker.
void showWindowChooser(SnapContext& ctx, ChoiceState state, const ScreenInfo& screen);

// Every display's applied layout and every return position are forgotten (the frames from
// before snapping stay), the stacks scan afresh and the interaction ends.
void displaysChanged(SnapContext& ctx, ChoiceState state);

} // namespace fw
