#pragma once
// The runs that keep badges in step with their windows: the title-bar readings (one per window
// and refresh pass) and what a badge reports (a click, a drag that ended, a reset of one or
// every moved badge).

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

// The window's title bar as read in this pass: read now when it is not yet (once per window and
// pass, however many stacks or badges ask); none when its frame cannot be read.
const BarReading* readBar(PresenterContext& ctx, BadgeState& badges, const ManagedWindow& window);
// "label: pid P level L {{x, y}, {w, h}} hit Title" of the first layer over the rectangle.
QString windowHitDescription(const PresenterContext& ctx, const QString& label, const Rect& rect, Point point,
                             const std::vector<WindowLayerSnapshot>& layers);

} // namespace fw::stacks
