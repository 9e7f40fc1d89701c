#pragma once
// The runs that keep badges in step with their windows: the title-bar readings (on a 4 s tick
// and on demand, one per window at a time) and what a badge reports (a click, a drag that
// ended, a reset of one or every moved badge).

#include "stacks/BadgeSettings.h"
#include "stacks/BadgeState.h"
#include "stacks/PresenterContext.h"

#include <optional>
#include <vector>

namespace fw::stacks {

// What the badge of `key` reports, each reaching the context (and the badges and settings,
// which live as long as it) only while it lives.
BadgeSurface::Actions badgeActions(PresenterContext& ctx, BadgeState& badges, BadgeSettings& settings,
                                   const BadgeKey& key, const ManagedWindow& front, const WindowStack& stack,
                                   const std::optional<std::vector<ManagedWindow>>& group);
// The user dropped the badge there: remembered (not on the edge, where it snaps back).
void badgeMoved(PresenterContext& ctx, BadgeState& badges, BadgeSettings& settings, const BadgeKey& key,
                const Rect& dropped);
void resetBadge(PresenterContext& ctx, const BadgeState& badges, BadgeSettings& settings, const BadgeKey& key);
void resetAllBadges(PresenterContext& ctx, BadgeSettings& settings);

// The 4 s tick that keeps the readings of shown badges' windows fresh as their titles change
// (only while badges are placed automatically).
void armChrome(PresenterContext& ctx, BadgeState& badges, const BadgeSettings& settings);
void chromeTick(PresenterContext& ctx, BadgeState& badges, const BadgeSettings& settings);
// A reading of the window at this size, unless one younger than `maxAge` seconds is known or
// one is under way.
void requestChromeRead(PresenterContext& ctx, BadgeState& badges, const ManagedWindow& window, const Size& size,
                       double maxAge);
void applyChromeRead(PresenterContext& ctx, BadgeState& badges, const WindowChrome& chrome,
                     const ManagedWindow& window, const Size& size);
// "label: pid P level L {{x, y}, {w, h}} hit Title" of the first layer over the rectangle.
QString windowHitDescription(const PresenterContext& ctx, const QString& label, const Rect& rect, Point point,
                             const std::vector<WindowLayerSnapshot>& layers);

} // namespace fw::stacks
