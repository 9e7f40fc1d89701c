// The switching runs: the guards, the choice of transition and the tasks that play it.
#include "stacks/StackSwitching.h"

#include "base/Log.h"
#include "base/UserDefaults.h"
#include "layout/ScreenGeometry.h"
#include "stacks/StackContext.h"
#include "stacks/StackMoves.h"
#include "stacks/StackRefresh.h"
#include "transitions/StackTransition.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace fw::stacks {

namespace {

std::optional<std::size_t> listPosition(const std::vector<WindowLayer>& list, const ManagedWindow& w)
{
    const auto at = std::find_if(list.begin(), list.end(), [&](const WindowLayer& l) { return l.id == w.element; });
    if (at == list.end())
        return std::nullopt;
    return std::size_t(at - list.begin());
}

void plainRaise(StackContext& ctx, const ManagedWindow& window) { ctx.access.raise(window); }

Task<void> slideOrShuffle(StackContext& ctx, StackFlags& flags, StackSet& set, StackRefresh& refresh,
                          ManagedWindow target, Rect frame, Rect out, std::vector<ManagedWindow> leaving)
{
    std::shared_ptr<CardShuffle> cards;
    if (!leaving.empty()) {
        std::vector<CardShuffleIncoming> incoming{{target, out}};
        cards = co_await ctx.transitions.captureCardShuffle(std::move(incoming), std::move(leaving), frame);
    }
    if (cards)
        co_await ctx.transitions.present(std::move(cards), target);
    else
        co_await ctx.access.shuffle(target, out, frame);
    endMove(ctx, flags, set, refresh);
}

void shuffleSwitch(StackContext& ctx, StackFlags& flags, StackSet& set, StackRefresh& refresh,
                   const ManagedWindow& target, const Rect& frame, const std::optional<ManagedWindow>& previous)
{
    const Rect area = screenArea(ctx.screens.screens(), frame);
    const double d = std::min(0.45 * frame.width(), 520.0);
    const Rect out = frame.offsetBy(frame.midX() <= area.midX() ? d : -d, 0);
    std::vector<ManagedWindow> leaving;
    if (previous)
        leaving = occluders(ctx, set, target, frame, previous);
    flags.shuffling = true;
    ctx.tasks.spawn(slideOrShuffle(ctx, flags, set, refresh, target, frame, out, std::move(leaving)));
}

Task<void> shaderSwitch(StackContext& ctx, StackFlags& flags, StackSet& set, StackRefresh& refresh,
                        ManagedWindow target, Rect frame, std::vector<ManagedWindow> occluders,
                        StackTransition transition)
{
    std::vector<ShaderTransition::Layer> layers;
    for (const ManagedWindow& o : occluders) {
        const auto of = ctx.access.frame(o);
        if (!of)
            continue;
        auto picture = co_await ctx.transitions.capture(o, *of);
        if (!picture)
            continue;
        const Rect visible = of->intersection(frame);
        if (visible.isNull() || visible.width() < 1 || visible.height() < 1)
            continue;
        const auto region = croppedRegion(picture->region, *of, visible);
        if (!region)
            continue;
        picture->region = *region;
        std::optional<Point> funnel;
        if (const auto minimize = ctx.access.minimizeButtonFrame(o.element)) {
            const Point centre{minimize->midX(), minimize->midY()};
            if (visible.contains(centre))
                funnel = centre;
        }
        layers.push_back({std::move(*picture), visible, funnel, std::nullopt});
    }
    if (layers.empty()) {
        // Nothing to dissolve: the window's own slide, which ends the move.
        shuffleSwitch(ctx, flags, set, refresh, target, frame, std::nullopt);
        co_return;
    }
    auto shader = ctx.transitions.makeShaderTransition(ShaderTransition::stackMoveDuration);
    ShaderTransition::RevealAction reveal = [&ctx, target]() -> Task<void> {
        plainRaise(ctx, target);
        co_return;
    };
    co_await shader->play(transition, std::move(layers), std::move(reveal));
    endMove(ctx, flags, set, refresh);
}

// The members of the stack usable in their slot now, the current one always.
std::vector<ManagedWindow> usableMembers(const StackContext& ctx, const ManagedWindow& current, const WindowStack& stack)
{
    const BoundsMap bounds = ctx.access.onScreenBoundsByPid();
    std::vector<ManagedWindow> candidates;
    for (const ManagedWindow& m : stack.members) {
        if (m == current) {
            candidates.push_back(m);
            continue;
        }
        const auto frame = ctx.access.isUsable(m, bounds) ? ctx.access.frame(m) : std::nullopt;
        if (frame && stack.sitsInSlot(m, *frame))
            candidates.push_back(m);
    }
    return candidates;
}

// The member in front of the window's slot now, by the server's stacking, among those usable
// in the slot: where a stack command starts whichever member has the focus (one behind it, or
// the one left focused when the front takes no focus). The window itself when none is listed.
ManagedWindow frontOfSlot(const StackContext& ctx, const StackSet& set, const ManagedWindow& window,
                          const WindowStack& stack)
{
    std::vector<ManagedWindow> sharing = set.slotMates(window, usableMembers(ctx, window, stack), stack);
    sharing.push_back(window);
    for (const WindowLayer& l : ctx.access.windowSystem().layers()) {
        const auto member = std::find_if(sharing.begin(), sharing.end(),
                                         [&](const ManagedWindow& m) { return m.element == l.id; });
        if (member != sharing.end())
            return *member;
    }
    return window;
}

// A raise brings a window to the front of its own layer only: where the member in front of
// the target's slot stands in a higher one (it is kept above, or the target below), the two
// trade those states first, so that the member brought forward is the one seen and the slot
// stays in the layer the user keeps it in. True when a trade was asked for.
bool takeFrontLayer(StackContext& ctx, const StackSet& set, const ManagedWindow& target)
{
    const WindowStack* stack = set.presentedStackOf(target);
    if (!stack)
        return false;
    // Whatever the server lists of the slot's other members covers the target there.
    const std::vector<ManagedWindow> sharing = set.slotMates(target, stack->members, *stack);
    WindowSystem& windows = ctx.access.windowSystem();
    std::optional<WindowLayer> front;
    for (const WindowLayer& l : windows.layers()) {
        if (l.id == target.element) {
            if (!front || front->level <= l.level)
                return false;
            constexpr WindowStates kept = KeptAbove | KeptBelow;
            const WindowStates frontKept = windows.windowStates(front->id).value_or(0) & kept;
            const WindowStates targetKept = windows.windowStates(target.element).value_or(0) & kept;
            bool asked = !frontKept || windows.changeWindowStates(front->id, frontKept, false);
            asked = (!targetKept || windows.changeWindowStates(target.element, targetKept, false)) && asked;
            asked = (!frontKept || windows.changeWindowStates(target.element, frontKept, true)) && asked;
            asked = (!targetKept || windows.changeWindowStates(front->id, targetKept, true)) && asked;
            if (!asked)
                log::info(LogCategory::WindowAccess, "%{public}s keeps its layer: it may stay under the window in front",
                          target.appName);
            return true;
        }
        if (!front && std::any_of(sharing.begin(), sharing.end(), [&](const ManagedWindow& m) { return m.element == l.id; }))
            front = l;
    }
    return false;
}

} // namespace

std::optional<ManagedWindow> cycleStackMembers(StackContext& ctx, StackFlags& flags, StackSet& set,
                                               StackRefresh& refresh, const ManagedWindow& current, int step,
                                               const WindowStack& stack)
{
    if (flags.shuffling)
        return std::nullopt;   // refused: a move is animating
    const auto next = nextMember(current, set.assignCycleOrder(usableMembers(ctx, current, stack)), step);
    if (!next || !switchFront(ctx, flags, set, refresh, *next, stack.slot(*next), false, current))
        return std::nullopt;
    return next;
}

bool cycleStackOf(StackContext& ctx, StackFlags& flags, StackSet& set, StackRefresh& refresh,
                  const ManagedWindow& containing, bool forward)
{
    if (!flags.monitoring || !set.enabled() || !ctx.trusted() || !ctx.mayRefresh())
        return false;
    if (!set.presentedStackOf(containing))
        refreshPass(ctx, refresh, set, flags, true);
    const WindowStack* stack = set.presentedStackOf(containing);
    if (!stack)
        return false;
    const WindowStack copy = *stack;
    ManagedWindow front = frontOfSlot(ctx, set, containing, copy);
    // A member that takes no focus leaves it where it was, and a manager may raise the window
    // that holds it over that member again a moment later (fluxbox's auto-raise): in front and
    // focused as at the last step, that window is no step of the user's, and the cycle goes on
    // from the member that step brought forward.
    const auto& last = set.lastCycleStep();
    if (last && front == containing && last->focused == containing && !(last->brought == containing)) {
        const std::vector<ManagedWindow> mates = set.slotMates(containing, usableMembers(ctx, containing, copy), copy);
        if (std::find(mates.begin(), mates.end(), last->brought) != mates.end())
            front = last->brought;
    }
    const auto next = cycleStackMembers(ctx, flags, set, refresh, front, forward ? 1 : -1, copy);
    if (next)
        set.noteCycleStep(StackSet::CycleStep{*next, containing});
    return next.has_value();
}

bool switchFront(StackContext& ctx, StackFlags& flags, StackSet& set, StackRefresh& refresh,
                 const ManagedWindow& target, const Rect& slot, bool instant,
                 const std::optional<ManagedWindow>& previous)
{
    const auto refuse = [&] {
        scheduleRefresh(ctx, refresh, set, flags);
        return false;
    };
    if (!mayMove(ctx, flags, set))
        return refuse();
    WindowAccess& access = ctx.access;
    const BoundsMap bounds = access.onScreenBoundsByPid();
    const auto frame = access.frame(target);
    if (!frame || !access.isUsable(target, bounds) || !set.sitsIn(target, *frame, slot))
        return refuse();

    if (ctx.callbacks.onChoose)
        ctx.callbacks.onChoose(target);
    set.noteCycleStep(std::nullopt);
    noteSwitch(ctx, refresh, set, flags);
    const StackTransition transition = readStackTransition(ctx.defaults);
    // A trade of layers restacks the two at once: nothing is left to animate.
    if (takeFrontLayer(ctx, set, target) || instant || access.reduceMotion() || !ctx.transitions.gpuAvailable()) {
        plainRaise(ctx, target);
    } else if (transition != StackTransition::shuffle && previous && !(*previous == target)
               && ctx.permissions.windowPreviewsGranted() && !access.otherAppKeepsDisplayAwake()) {
        const auto now = access.frame(target);
        if (!now) {
            plainRaise(ctx, target);
        } else {
            flags.shuffling = true;
            ctx.tasks.spawn(shaderSwitch(ctx, flags, set, refresh, target, *now,
                                         occluders(ctx, set, target, *now, previous), transition));
        }
    } else {
        shuffleSwitch(ctx, flags, set, refresh, target, *frame, previous);
    }
    scheduleRefresh(ctx, refresh, set, flags);
    return true;
}

std::vector<ManagedWindow> occluders(const StackContext& ctx, const StackSet& set, const ManagedWindow& target,
                                     const Rect& frame, const std::optional<ManagedWindow>& previous)
{
    struct Kept {
        ManagedWindow window;
        Rect frame;
        long position;
    };
    std::vector<Kept> kept;
    if (const WindowStack* stack = set.presentedStackOf(target)) {
        const std::vector<WindowLayer> list = ctx.access.windowSystem().layers();
        const long targetAt = long(listPosition(list, target).value_or(std::numeric_limits<long>::max() / 2));
        for (const ManagedWindow& m : stack->members) {
            if (m == target)
                continue;
            const auto f = ctx.access.frame(m);
            const Rect common = f ? f->intersection(frame) : Rect::null();
            if (common.isNull() || common.width() <= 20 || common.height() <= 20)
                continue;
            const auto at = listPosition(list, m);
            if (!at && !(previous && *previous == m))
                continue;
            const long position = at ? long(*at) : -1;   // the previous front, off the list: in front
            if (position >= targetAt)
                continue;
            const auto same = std::find_if(kept.begin(), kept.end(),
                                           [&](const Kept& k) { return stack->shareSlot(k.window, k.frame, m, *f); });
            if (same == kept.end())
                kept.push_back({m, *f, position});
            else if (position < same->position)
                *same = {m, *f, position};
        }
    }
    std::vector<ManagedWindow> out;
    for (const Kept& k : kept)
        out.push_back(k.window);
    if (out.empty() && previous)
        out.push_back(*previous);
    return out;
}

Task<void> raiseInOrder(StackContext& ctx, std::vector<ManagedWindow> windows)
{
    for (const ManagedWindow& w : windows) {
        if (ctx.callbacks.onChoose)
            ctx.callbacks.onChoose(w);
        plainRaise(ctx, w);
        // A cancelled pause does not end the loop: the rest are raised the same way.
        const bool paused = co_await ctx.clock.sleep(kRaisePause);
        (void)paused;
    }
}

void startRaiseTask(StackContext& ctx, RaiseHandle& handle, std::vector<ManagedWindow> windows)
{
    handle.started = true;
    handle.done = CancelToken::make();
    auto raise = [](StackContext& c, std::vector<ManagedWindow> list, CancelToken done) -> Task<void> {
        co_await raiseInOrder(c, std::move(list));
        done.cancel();
    };
    ctx.tasks.spawn(raise(ctx, std::move(windows), handle.done));
}

Task<void> awaitRaise(StackContext& ctx, const RaiseHandle& handle)
{
    if (!handle.started)
        co_return;
    // Ends at once when the raise task has finished (its token is cancelled then).
    const bool timedOut = co_await ctx.clock.sleep(std::chrono::hours(1), handle.done);
    (void)timedOut;
}

bool showSwitcher(StackContext& ctx, const StackFlags& flags, StackSet& set, StackRefresh& refresh,
                  const ManagedWindow& window)
{
    if (!flags.monitoring || !set.enabled() || !ctx.trusted() || !ctx.mayRefresh())
        return false;
    suspendPresentation(ctx, refresh);
    refreshPass(ctx, refresh, set, flags, true);
    const WindowStack* stack = set.presentedStackOf(window);
    const auto frame = ctx.access.frame(window);
    if (!stack || !frame || !stack->sitsInSlot(window, *frame)
        || !ctx.access.isUsable(window, ctx.access.onScreenBoundsByPid()))
        return false;
    const Rect slot = stack->slot(window);
    const auto screen = mostOverlapping(ctx.screens.screens(), slot);
    if (!screen)
        return false;
    const Rect visible = slot.intersection(topLeftVisibleFrame(*screen));
    if (visible.isNull() || visible.width() < 40 || visible.height() < 40)
        return false;
    const Rect anchor(visible.midX() - 12, visible.minY() + 8, 24, 24);
    const ManagedWindow front = frontOfSlot(ctx, set, window, *stack);
    return ctx.presentation->openSwitcher(*stack, set.assignCycleOrder(stack->members), front, anchor);
}

void endMove(StackContext& ctx, StackFlags& flags, StackSet& set, StackRefresh& refresh)
{
    flags.shuffling = false;
    scheduleRefresh(ctx, refresh, set, flags);
}

} // namespace fw::stacks
