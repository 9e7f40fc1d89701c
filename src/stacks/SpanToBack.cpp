// The span-to-back run: which covered windows come forward, in what order, and the task that
// plays the movement.
#include "stacks/SpanToBack.h"

#include "base/UserDefaults.h"
#include "stacks/StackContext.h"
#include "stacks/StackMoves.h"
#include "stacks/StackRefresh.h"
#include "stacks/StackSwitching.h"
#include "transitions/StackTransition.h"

#include <algorithm>
#include <limits>

namespace fw::stacks {

namespace {

struct SpanMove {
    bool animate = false;
    StackTransition transition = StackTransition::shuffle;
    std::optional<ManagedWindow> spanning;
    WindowStack stack;
    std::vector<ManagedWindow> raise;   // the covered windows, furthest back first
    Rect slot;                          // the spanning window's
    Rect area;                          // the screen's visible frame around the slot
};

Task<bool> spanCards(StackContext& ctx, const SpanMove& move)
{
    // The front-most covered window per frame comes in as a card.
    std::vector<CardShuffleIncoming> incoming;
    std::vector<std::pair<ManagedWindow, Rect>> taken;
    for (auto it = move.raise.rbegin(); it != move.raise.rend(); ++it) {
        const auto frame = ctx.access.frame(*it);
        if (!frame || !liesInside(*frame, move.slot))
            continue;
        if (std::any_of(taken.begin(), taken.end(),
                        [&](const auto& s) { return move.stack.shareSlot(s.first, s.second, *it, *frame); }))
            continue;
        taken.emplace_back(*it, *frame);
        incoming.push_back({*it, spanCoverOutFrame(*frame, move.slot, move.area)});
    }
    if (incoming.empty())
        co_return false;
    std::vector<ManagedWindow> leaving{*move.spanning};
    auto cards = co_await ctx.transitions.captureCardShuffle(std::move(incoming), std::move(leaving), move.slot);
    if (!cards)
        co_return false;
    RaiseHandle handle;
    std::function<void()> begin = [&ctx, &handle, &move] { startRaiseTask(ctx, handle, move.raise); };
    co_await ctx.transitions.presentBack(std::move(cards), std::move(begin));
    co_await awaitRaise(ctx, handle);
    co_return true;
}

Task<void> spanSlide(StackContext& ctx, const SpanMove& move)
{
    const Rect home = ctx.access.frame(*move.spanning).value_or(move.slot);
    const double d = std::min(0.35 * move.slot.width(), 520.0);
    const Rect out = home.offsetBy(move.slot.midX() <= move.area.midX() ? d : -d, 0);
    RaiseHandle handle;
    std::function<void()> reveal = [&ctx, &handle, &move] { startRaiseTask(ctx, handle, move.raise); };
    co_await ctx.access.shuffleBack(*move.spanning, std::move(reveal), out, home);
    co_await awaitRaise(ctx, handle);
}

Task<bool> spanShader(StackContext& ctx, const SpanMove& move)
{
    const auto frame = ctx.access.frame(*move.spanning);
    if (!frame || !ctx.permissions.windowPreviewsGranted() || ctx.access.otherAppKeepsDisplayAwake())
        co_return false;
    auto picture = co_await ctx.transitions.capture(*move.spanning, *frame);
    if (!picture)
        co_return false;
    auto funnelIn = [&ctx](const ManagedWindow& w, const Rect& piece) -> std::optional<Point> {
        const auto minimize = ctx.access.minimizeButtonFrame(w.element);
        const Point centre = minimize ? Point{minimize->midX(), minimize->midY()} : Point{};
        return minimize && piece.contains(centre) ? std::optional<Point>(centre) : std::nullopt;
    };
    std::vector<ShaderTransition::Layer> layers;
    for (const Rect& region : move.stack.regionFrames) {
        const auto cover = std::find_if(move.raise.rbegin(), move.raise.rend(), [&](const ManagedWindow& w) {
            return move.stack.frameSitsIn(move.stack.slot(w), move.stack.gridOf(w), region);
        });
        if (cover == move.raise.rend())
            continue;
        const Rect piece = frame->intersection(region.insetBy(-4, -4));
        if (piece.isNull() || piece.width() < 1 || piece.height() < 1)
            continue;
        const auto part = croppedRegion(picture->region, *frame, piece);
        if (!part)
            continue;
        layers.push_back({{picture->image, *part}, piece, funnelIn(*cover, piece), std::nullopt});
    }
    if (layers.empty())
        layers.push_back({*picture, *frame, funnelIn(*move.spanning, *frame), seams(*frame, move.stack.regionFrames)});
    auto shader = ctx.transitions.makeShaderTransition(ShaderTransition::stackMoveDuration);
    ShaderTransition::RevealAction reveal = [&ctx, &move]() -> Task<void> { co_await raiseInOrder(ctx, move.raise); };
    co_await shader->play(move.transition, std::move(layers), std::move(reveal));
    co_return true;
}

Task<void> spanTask(StackContext& ctx, StackFlags& flags, StackSet& set, StackRefresh& refresh, SpanMove move)
{
    if (!move.animate) {
        co_await raiseInOrder(ctx, move.raise);
    } else {
        bool shown = false;
        if (move.transition == StackTransition::shuffle)
            shown = co_await spanCards(ctx, move);
        else
            shown = co_await spanShader(ctx, move);
        if (!shown)
            co_await spanSlide(ctx, move);
    }
    endMove(ctx, flags, set, refresh);
}

} // namespace

bool sendSpanToBack(StackContext& ctx, StackFlags& flags, StackSet& set, StackRefresh& refresh, WindowId element,
                    Pid pid)
{
    if (!mayMove(ctx, flags, set))
        return false;
    const ManagedWindow window{element, pid, {}, {}};
    auto spanOf = [&]() -> const WindowStack* {
        for (const WindowStack& s : set.presented()) {
            if (s.contains(window) && !s.underneath.empty())
                return &s;
        }
        return nullptr;
    };
    if (!spanOf())
        refreshPass(ctx, refresh, set, flags, true);
    const WindowStack* stack = spanOf();
    if (!stack)
        return false;
    const WindowStack copy = *stack;
    return bringUnderneathForward(ctx, flags, set, refresh, copy);
}

bool bringUnderneathForward(StackContext& ctx, StackFlags& flags, StackSet& set, StackRefresh& refresh,
                            const WindowStack& stack)
{
    if (!mayMove(ctx, flags, set))
        return false;
    const std::vector<WindowLayer> list = ctx.access.windowSystem().layers();
    const BoundsMap bounds = ctx.access.onScreenBoundsByPid();
    constexpr std::size_t back = std::numeric_limits<std::size_t>::max();
    auto position = [&](const ManagedWindow& w) {
        const auto at = std::find_if(list.begin(), list.end(), [&](const WindowLayer& l) { return l.id == w.element; });
        return at == list.end() ? back : std::size_t(at - list.begin());
    };

    std::vector<std::pair<ManagedWindow, std::size_t>> covered;
    for (const ManagedWindow& w : stack.underneath) {
        const auto frame = ctx.access.isUsable(w, bounds) ? ctx.access.frame(w) : std::nullopt;
        if (frame && stack.sitsInSlot(w, *frame))
            covered.emplace_back(w, position(w));
    }
    if (covered.empty())
        return false;
    // Furthest back first: raised in this order they keep their order above the span.
    std::stable_sort(covered.begin(), covered.end(), [&](const auto& a, const auto& b) {
        if (a.second == back || b.second == back)
            return a.second == back && b.second != back;   // off the list: furthest back
        return a.second > b.second;
    });

    SpanMove move;
    move.stack = stack;
    for (const auto& [w, at] : covered)
        move.raise.push_back(w);
    if (!stack.sections.empty()) {
        std::size_t best = back;
        for (const ManagedWindow& w : stack.sections.front().members) {
            const std::size_t at = position(w);
            if (!move.spanning || at < best) {
                move.spanning = w;
                best = at;
            }
        }
    }
    move.animate = move.spanning && !ctx.access.reduceMotion() && ctx.transitions.gpuAvailable();
    move.slot = move.spanning ? stack.slot(*move.spanning) : stack.frame;
    move.area = screenArea(ctx.screens.screens(), move.slot);
    move.transition = readStackTransition(ctx.defaults);
    flags.shuffling = true;
    ctx.tasks.spawn(spanTask(ctx, flags, set, refresh, std::move(move)));
    return true;
}

} // namespace fw::stacks
