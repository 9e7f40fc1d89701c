#pragma once
// The hover runs: the 0.1 s tick over every anchor's state machine (opening a switcher over a
// front window's title-bar button after a rest, closing it when the pointer leaves), badges
// opening under the pointer, and the tick parking itself when nothing is near.

#include "stacks/AnchorState.h"
#include "stacks/BadgeState.h"
#include "stacks/HoverState.h"
#include "stacks/PresenterContext.h"

namespace fw::stacks {

// Switchers closed, anchors' panels and badges hidden, hover paused: until the next pass.
void hideAll(BadgeState& badges, AnchorState& anchors, HoverState& hover);
// Starts the hover tick when it is parked and the pointer is near an anchor or a badge.
void checkHover(PresenterContext& ctx, HoverState& hover, AnchorState& anchors, BadgeState& badges, Point at);
void armHover(PresenterContext& ctx, HoverState& hover, AnchorState& anchors, BadgeState& badges, Duration delay);
void hoverTick(PresenterContext& ctx, HoverState& hover, AnchorState& anchors, BadgeState& badges);
bool isPointerNear(const AnchorState& anchors, const BadgeState& badges, Point p);
// One anchor's state machine, one tick on (the badges go under a switcher it opens).
StackHoverState hoverAnchor(PresenterContext& ctx, const AnchorState& anchors, BadgeState& badges,
                            const ManagedWindow& key, AnchorPanel& panel, StackHoverState state, Point p, double now);
// Badges open under the pointer and take clicks only then.
void hoverBadges(BadgeState& badges, Point p);

} // namespace fw::stacks
