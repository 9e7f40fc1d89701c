#pragma once
// The hover runs: the 0.1 s tick over every anchor's state machine (opening a switcher over a
// front window's title-bar button after a rest, closing it when the pointer leaves), badges
// opening under the pointer, and the tick parking itself when nothing is near.

#include "stacks/PresenterContext.h"

namespace fw::stacks {

// Starts the hover tick when it is parked and the pointer is near an anchor or a badge.
void checkHover(PresenterContext& ctx, Point at);
void armHover(PresenterContext& ctx, Duration delay);
void hoverTick(PresenterContext& ctx);
bool isPointerNear(const PresenterContext& ctx, Point p);
// One anchor's state machine, one tick on.
StackHoverState hoverAnchor(PresenterContext& ctx, const ManagedWindow& key, AnchorPanel& panel,
                            StackHoverState state, Point p, double now);
// Badges open under the pointer and take clicks only then.
void hoverBadges(PresenterContext& ctx, Point p);

} // namespace fw::stacks
