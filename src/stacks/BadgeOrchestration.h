#pragma once
// The run that shows, moves or hides each stack front's badge on every refresh pass, and the
// free title-bar stretch it may ask for.

#include "stacks/BadgeSettings.h"
#include "stacks/BadgeState.h"
#include "stacks/PresenterContext.h"

#include <optional>
#include <vector>

namespace fw::stacks {

// The badge of a stack front: shown, moved or hidden; the key it stands under, if any.
// Where it stands follows the front's title bar as read in this pass. The settings say where it
// stands and are handed on to its actions (a drag stores its spot).
std::optional<BadgeKey> presentBadge(PresenterContext& ctx, BadgeState& badges, BadgeSettings& settings,
                                     const ManagedWindow& front, const std::vector<ManagedWindow>& members,
                                     const WindowStack& stack, const std::vector<WindowLayerSnapshot>& layers);
// The free title-bar stretch from the slot's top-left corner, from the bars of the windows in
// the slot as read in this pass.
std::optional<Point> autoBadgeOffset(PresenterContext& ctx, BadgeState& badges, const Rect& slot,
                                     const ManagedWindow& front, const std::vector<ManagedWindow>& members, int count,
                                     bool joiner);

} // namespace fw::stacks
