#pragma once
// Bringing another member of a stack to the front of its slot: cycling in first-seen order,
// the switch with its guards, the switcher opened by shortcut, and the raises that other moves
// share. A plain raise when asked for (the member already in front), when the desktop reduces
// motion or when transitions cannot be shown; otherwise a shader effect over the windows that
// leave (when one is chosen and a window was in front), else the card shuffle, and the
// window's own slide when no picture can be taken. One move at a time: the flags'
// `shuffling` refuses the next until the move's task ends. Each run takes the context and the
// state it changes: the engine's flags, the stacks (their cycle order) and the refresh pass.

#include "base/Clock.h"
#include "base/Task.h"
#include "stacks/StackModel.h"
#include "windows/ManagedWindow.h"

#include <optional>
#include <vector>

namespace fw::stacks {

struct StackContext;
struct StackFlags;
struct RaiseHandle;
class StackRefresh;
class StackSet;

inline constexpr Duration kRaisePause = std::chrono::milliseconds(40);

// The stack's next usable member in first-seen order, brought forward; none when nothing
// switched (also while another move animates).
std::optional<ManagedWindow> cycleStackMembers(StackContext& ctx, StackFlags& flags, StackSet& set,
                                               StackRefresh& refresh, const ManagedWindow& current, int step,
                                               const WindowStack& stack);
// The next (forward) or previous window of the presented stack holding the window, counted
// from the member in front of the window's slot; false when none came forward.
bool cycleStackOf(StackContext& ctx, StackFlags& flags, StackSet& set, StackRefresh& refresh,
                  const ManagedWindow& containing, bool forward);
// Brings the member forward with the chosen transition; false when refused.
bool switchFront(StackContext& ctx, StackFlags& flags, StackSet& set, StackRefresh& refresh,
                 const ManagedWindow& target, const Rect& slot, bool instant,
                 const std::optional<ManagedWindow>& previous);
// The stack members that visibly cover the target in its frame, one per frame.
std::vector<ManagedWindow> occluders(const StackContext& ctx, const StackSet& set, const ManagedWindow& target,
                                     const Rect& frame, const std::optional<ManagedWindow>& previous);
// Opens the switcher of the window's stack at a 24-pixel (logical) anchor in its slot; false when it cannot.
bool showSwitcher(StackContext& ctx, const StackFlags& flags, StackSet& set, StackRefresh& refresh,
                  const ManagedWindow& window);
// The move animating has ended: the next may start, the stacks are read again soon.
void endMove(StackContext& ctx, StackFlags& flags, StackSet& set, StackRefresh& refresh);

// Each window told to the coordinator, brought forward, then 40 ms until the next.
Task<void> raiseInOrder(StackContext& ctx, std::vector<ManagedWindow> windows);
// The same as a task of the engine's, its handle's token cancelled when done.
void startRaiseTask(StackContext& ctx, RaiseHandle& handle, std::vector<ManagedWindow> windows);
// Ends once the handle's raise task has finished (at once when none started).
Task<void> awaitRaise(StackContext& ctx, const RaiseHandle& handle);

} // namespace fw::stacks
