#pragma once
// The presenter's runs over each refresh pass: a stack's anchors (over the front windows whose
// title-bar buttons can be read and that really stand in front) with their badges, the end of
// the pass, the switcher opened by shortcut, and hiding everything shown.

#include "stacks/AnchorState.h"
#include "stacks/BadgeSettings.h"
#include "stacks/BadgeState.h"
#include "stacks/HoverState.h"
#include "stacks/PresenterContext.h"
#include "stacks/StackPresentation.h"

#include <functional>
#include <vector>

namespace fw::stacks {

// One stack of the pass: its anchors and badges shown; diagnostics records of what was shown
// or why nothing was.
// The badge settings are handed on to the badges' actions (a dragged badge's spot is stored).
StackPresentation::Shown presentStack(PresenterContext& ctx, BadgeState& badges, AnchorState& anchors,
                                      HoverState& hover, BadgeSettings& settings, const WindowStack& stack,
                                      const std::vector<ManagedWindow>& members,
                                      const std::vector<WindowLayerSnapshot>& layers);
// After the last stack: what was not presented goes, hover is checked, badges are raised.
void endPass(PresenterContext& ctx, BadgeState& badges, AnchorState& anchors, HoverState& hover);
// The switcher of the stack in a key panel at the anchor rectangle.
bool openSwitcher(PresenterContext& ctx, BadgeState& badges, AnchorState& anchors, const WindowStack& stack,
                  const std::vector<ManagedWindow>& members, const ManagedWindow& front, const Rect& anchor);
// The anchor's actions: choose, cycle (which records the new front), peek, stretch, send to
// back, the layouts row.
void configureAnchorCallbacks(PresenterContext& ctx, AnchorState& anchors, WindowStackAnchor& anchor,
                              const WindowStack& stack, std::function<void()> onDismiss = {});

} // namespace fw::stacks
