#pragma once
// Carrying out what was picked in the layout picker, by a click, a key or a release: a whole
// layout with its apps, or the picker's window put into the chosen region (at a seam corner
// when one is pending), after which snap assist offers the display's other windows for the
// regions left empty. One choice at a time: a choice that arrives while windows move is
// dropped.

#include "base/Task.h"
#include "snap/ChoiceState.h"
#include "snap/SnapSelection.h"

#include <QString>

namespace fw {

struct SnapContext;

// Runs the choice to its end. A choice that is refused (another task moves windows, or the
// selection no longer names a card of the picker) after the picker went away with the
// release ends the interaction, so that the picker's display is not left claimed; a choice
// that arrives while an earlier one runs does nothing.
Task<void> choose(SnapContext& ctx, ChoiceState state, SnapSelection selection);

// "Drag a window here, or focus a window and press <place shortcut>."
QString noWindowNotice(const SnapContext& ctx);

} // namespace fw
