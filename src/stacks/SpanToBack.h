#pragma once
// Sending a spanning window behind the windows it covers: every covered window still in its
// place comes forward over it, the furthest back first so that they keep their order, in one
// movement with the user's transition: the card shuffle (the covered windows come in, the
// span goes out), a shader effect over the span's picture cut along its regions, or the
// span's own slide; a plain raise, 40 ms apart, when motion is reduced, transitions cannot be
// shown or no spanning window is left. Each run takes the context and the state it changes: the
// engine's flags (a move animating), the stacks and the refresh pass.

#include "stacks/StackModel.h"

namespace fw::stacks {

struct StackContext;
struct StackFlags;
class StackRefresh;
class StackSet;

// The presented span holding the window, found again by a full pass when unknown, sent behind;
// false when nothing moved.
bool sendSpanToBack(StackContext& ctx, StackFlags& flags, StackSet& set, StackRefresh& refresh, WindowId element,
                    Pid pid);
// Raises the covered windows still in place over the spanning window; false when none
// qualifies or moves are refused.
bool bringUnderneathForward(StackContext& ctx, StackFlags& flags, StackSet& set, StackRefresh& refresh,
                            const WindowStack& stack);

} // namespace fw::stacks
