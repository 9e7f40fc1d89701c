// Bringing another member of a stack to the front of its slot: cycling in first-seen order,
// the switch with its guards, and the way the window comes forward. A plain raise when asked
// for (the member already in front), when the desktop reduces motion or when transitions
// cannot be shown; otherwise a shader effect over the windows that leave (when one is chosen
// and a window was in front), else the card shuffle, and the window's own slide when no
// picture can be taken. One move at a time: `shuffling` refuses the next until the task ends.
#include "stacks/WindowStackController.h"

#include "base/UserDefaults.h"
#include "layout/ScreenGeometry.h"
#include "snap/DropGeometry.h"
#include "stacks/StackMoves.h"

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

} // namespace

bool WindowStackController::mayMove() const
{
    return monitoringEnabled_ && enabled_ && !shuffling_ && trusted() && mayRefresh();
}

void WindowStackController::endMove()
{
    shuffling_ = false;
    scheduleRefresh();
}

std::optional<ManagedWindow> WindowStackController::cycle(const ManagedWindow& current, int step, const WindowStack& stack)
{
    if (shuffling_)
        return std::nullopt;   // refused: a move is animating
    const BoundsMap bounds = access_.onScreenBoundsByPid();
    std::vector<ManagedWindow> candidates;
    for (const ManagedWindow& m : stack.members) {
        if (m == current) {
            candidates.push_back(m);
            continue;
        }
        const auto frame = access_.isUsable(m, bounds) ? access_.frame(m) : std::nullopt;
        if (frame && stack.sitsInSlot(m, *frame))
            candidates.push_back(m);
    }
    const auto next = nextMember(current, cycleOrder_.assign(candidates), step);
    if (!next || !switchFront(*next, stack.slot(*next), false, current))
        return std::nullopt;
    return next;
}

bool WindowStackController::cycleStack(const ManagedWindow& containing, bool forward)
{
    if (!monitoringEnabled_ || !enabled_ || !trusted() || !mayRefresh())
        return false;
    if (!presentedStackOf(containing))
        refresh(true);
    const WindowStack* stack = presentedStackOf(containing);
    if (!stack)
        return false;
    const WindowStack copy = *stack;
    return cycle(containing, forward ? 1 : -1, copy).has_value();
}

bool WindowStackController::switchFront(const ManagedWindow& target, const Rect& slot, bool instant,
                                        const std::optional<ManagedWindow>& previous)
{
    const auto refuse = [this] {
        scheduleRefresh();
        return false;
    };
    if (!mayMove())
        return refuse();
    const BoundsMap bounds = access_.onScreenBoundsByPid();
    const auto frame = access_.frame(target);
    if (!frame || !access_.isUsable(target, bounds) || !sitsIn(target, *frame, slot))
        return refuse();

    if (callbacks.onChoose)
        callbacks.onChoose(target);
    noteSwitch();
    const StackTransition transition = readStackTransition(defaults_);
    if (instant || access_.reduceMotion() || !transitions_.gpuAvailable()) {
        plainRaise(target);
    } else if (transition != StackTransition::shuffle && previous && !(*previous == target)
               && permissions_.windowPreviewsGranted() && !access_.otherAppKeepsDisplayAwake()) {
        const auto now = access_.frame(target);
        if (!now) {
            plainRaise(target);
        } else {
            shuffling_ = true;
            tasks_.spawn(shaderSwitch(target, *now, occluders(target, *now, previous), transition));
        }
    } else {
        shuffleSwitch(target, *frame, previous);
    }
    scheduleRefresh();
    return true;
}

void WindowStackController::plainRaise(const ManagedWindow& window) { access_.raise(window); }

std::vector<ManagedWindow> WindowStackController::occluders(const ManagedWindow& target, const Rect& frame,
                                                            const std::optional<ManagedWindow>& previous) const
{
    struct Kept {
        ManagedWindow window;
        Rect frame;
        long position;
    };
    std::vector<Kept> kept;
    if (const WindowStack* stack = presentedStackOf(target)) {
        const std::vector<WindowLayer> list = access_.windowSystem().layers();
        const long targetAt = long(listPosition(list, target).value_or(std::numeric_limits<long>::max() / 2));
        for (const ManagedWindow& m : stack->members) {
            if (m == target)
                continue;
            const auto f = access_.frame(m);
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

void WindowStackController::shuffleSwitch(const ManagedWindow& target, const Rect& frame,
                                          const std::optional<ManagedWindow>& previous)
{
    const Rect area = screenArea(screens_.screens(), frame);
    const double d = std::min(0.45 * frame.width(), 520.0);
    const Rect out = frame.offsetBy(frame.midX() <= area.midX() ? d : -d, 0);
    std::vector<ManagedWindow> leaving;
    if (previous)
        leaving = occluders(target, frame, previous);
    shuffling_ = true;
    tasks_.spawn(slideOrShuffle(target, frame, out, std::move(leaving)));
}

Task<void> WindowStackController::slideOrShuffle(ManagedWindow target, Rect frame, Rect out,
                                                 std::vector<ManagedWindow> leaving)
{
    std::shared_ptr<CardShuffle> cards;
    if (!leaving.empty()) {
        std::vector<CardShuffleIncoming> incoming{{target, out}};
        cards = co_await transitions_.captureCardShuffle(std::move(incoming), std::move(leaving), frame);
    }
    if (cards)
        co_await transitions_.present(std::move(cards), target);
    else
        co_await access_.shuffle(target, out, frame);
    endMove();
}

Task<void> WindowStackController::shaderSwitch(ManagedWindow target, Rect frame, std::vector<ManagedWindow> occluders,
                                               StackTransition transition)
{
    std::vector<ShaderTransition::Piece> pieces;
    for (const ManagedWindow& o : occluders) {
        const auto of = access_.frame(o);
        if (!of)
            continue;
        auto picture = co_await transitions_.capture(o, *of);
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
        if (const auto minimize = access_.minimizeButtonFrame(o.element)) {
            const Point centre{minimize->midX(), minimize->midY()};
            if (visible.contains(centre))
                funnel = centre;
        }
        pieces.push_back({std::move(*picture), visible, funnel, std::nullopt});
    }
    if (pieces.empty()) {
        // Nothing to dissolve: the window's own slide, which ends the move.
        shuffleSwitch(target, frame, std::nullopt);
        co_return;
    }
    auto shader = transitions_.makeShaderTransition(ShaderTransition::stackMoveDuration);
    ShaderTransition::RevealAction reveal = [this, target]() -> Task<void> {
        plainRaise(target);
        co_return;
    };
    co_await shader->play(transition, std::move(pieces), std::move(reveal));
    endMove();
}

Task<void> WindowStackController::raiseInOrder(std::vector<ManagedWindow> windows)
{
    for (const ManagedWindow& w : windows) {
        if (callbacks.onChoose)
            callbacks.onChoose(w);
        plainRaise(w);
        // A cancelled pause does not end the loop: the rest are raised the same way.
        const bool paused = co_await clock_.sleep(raisePause);
        (void)paused;
    }
}

void WindowStackController::startRaiseTask(RaiseHandle& handle, std::vector<ManagedWindow> windows)
{
    handle.started = true;
    handle.done = CancelToken::make();
    auto raise = [](WindowStackController* self, std::vector<ManagedWindow> list, CancelToken done) -> Task<void> {
        co_await self->raiseInOrder(std::move(list));
        done.cancel();
    };
    tasks_.spawn(raise(this, std::move(windows), handle.done));
}

Task<void> WindowStackController::awaitRaise(const RaiseHandle& handle)
{
    if (!handle.started)
        co_return;
    // Ends at once when the raise task has finished (its token is cancelled then).
    const bool timedOut = co_await clock_.sleep(std::chrono::hours(1), handle.done);
    (void)timedOut;
}

bool WindowStackController::showSwitcher(const ManagedWindow& window)
{
    if (!monitoringEnabled_ || !enabled_ || !trusted() || !mayRefresh())
        return false;
    suspend();
    refresh(true);
    const WindowStack* stack = presentedStackOf(window);
    const auto frame = access_.frame(window);
    if (!stack || !frame || !stack->sitsInSlot(window, *frame) || !access_.isUsable(window, access_.onScreenBoundsByPid()))
        return false;
    const Rect slot = stack->slot(window);
    std::vector<Rect> frames;
    const auto screens = screens_.screens();
    for (const ScreenInfo& s : screens)
        frames.push_back(s.frame);
    const auto best = bestOverlapIndex(slot, frames);
    if (!best)
        return false;
    const Rect visible = slot.intersection(topLeftVisibleFrame(screens[*best]));
    if (visible.isNull() || visible.width() < 40 || visible.height() < 40)
        return false;
    const Rect anchor(visible.midX() - 12, visible.minY() + 8, 24, 24);
    return presentation_->openSwitcher(*stack, cycleOrder_.assign(stack->members), window, anchor);
}

} // namespace fw::stacks
