#pragma once
// Snap assist: after the picker placed a window, each region of the display's layout left
// empty shows a "Choose a window for this space" panel offering the display's other windows
// (thumbnails as they are captured, application icons until then). Choosing one places it
// there; skipping leaves the region empty. It ends when no region is open, no window is left
// to offer, or the interaction ends; answers from panels of an ended interaction do nothing.

#include "base/Task.h"
#include "layout/SnapLayout.h"
#include "platform/Screens.h"
#include "snap/ChoiceState.h"
#include "windows/CoordinatorHost.h"

#include <vector>

namespace fw {

struct SnapContext;

// Starts the session for the display after a placement whose interaction is still `stamp`'s:
// every region of the applied layout, the windows listed before the placement that do not
// already sit in an occupied region (each once), the group's occupants. Then shows the
// panels and captures the offered windows' thumbnails.
void startSnapAssist(SnapContext& ctx, ChoiceState state, const ScreenInfo& screen, const InteractionStamp& stamp,
                     const std::vector<ManagedWindow>& windowsBefore);

// Shows one panel per open region with the windows still on the display and not yet placed;
// ends the interaction when nothing is left to offer.
void showAssistPanel(SnapContext& ctx, ChoiceState state, const ScreenInfo& screen);

// A window picked on a panel: what the panel was shown for.
struct AssistPick {
    ManagedWindow window;
    RegionNumber region = 0;
    InteractionStamp stamp;
    ScreenInfo screen;
    SnapLayout layout; // the display's applied layout when the panels were shown
};

// When the region is still open and the window still offered, places it in a task of its
// own (one at a time; the panels take no clicks meanwhile) and shows the panels again.
void chooseAssistWindow(SnapContext& ctx, ChoiceState state, const AssistPick& pick);
// Leaves the region empty and shows the panels again; nothing while a window moves.
void skipAssistRegion(SnapContext& ctx, ChoiceState state, RegionNumber region, const InteractionStamp& stamp,
                      const ScreenInfo& screen);

} // namespace fw
