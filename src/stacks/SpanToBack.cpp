// Sending a spanning window behind the windows it covers: every covered window still in its
// place comes forward over it, the furthest back first so that they keep their order, in one
// movement with the user's transition: the card shuffle (the covered windows come in, the
// span goes out), a shader effect over the span's picture cut along its regions, or the
// span's own slide; a plain raise, 40 ms apart, when motion is reduced, transitions cannot be
// shown or no spanning window is left.
#include "stacks/WindowStackController.h"

#include "base/UserDefaults.h"
#include "stacks/StackMoves.h"

#include <algorithm>
#include <limits>

namespace fw::stacks {

struct WindowStackController::SpanMove {
    bool animate = false;
    StackTransition transition = StackTransition::shuffle;
    std::optional<ManagedWindow> spanning;
    WindowStack stack;
    std::vector<ManagedWindow> raise;   // the covered windows, furthest back first
    Rect slot;                          // the spanning window's
    Rect area;                          // the screen's visible frame around the slot
};

bool WindowStackController::sendSpanToBack(WindowId element, Pid pid)
{
    if (!mayMove())
        return false;
    const ManagedWindow window{element, pid, {}, {}};
    auto spanOf = [&]() -> const WindowStack* {
        for (const WindowStack& s : presented_) {
            if (s.contains(window) && !s.underneath.empty())
                return &s;
        }
        return nullptr;
    };
    if (!spanOf())
        refresh(true);
    const WindowStack* stack = spanOf();
    if (!stack)
        return false;
    const WindowStack copy = *stack;
    return bringUnderneathForward(copy);
}

bool WindowStackController::bringUnderneathForward(const WindowStack& stack)
{
    if (!mayMove())
        return false;
    const std::vector<WindowLayer> list = access_.windowSystem().layers();
    const BoundsMap bounds = access_.onScreenBoundsByPid();
    constexpr std::size_t back = std::numeric_limits<std::size_t>::max();
    auto position = [&](const ManagedWindow& w) {
        const auto at = std::find_if(list.begin(), list.end(), [&](const WindowLayer& l) { return l.id == w.element; });
        return at == list.end() ? back : std::size_t(at - list.begin());
    };

    std::vector<std::pair<ManagedWindow, std::size_t>> covered;
    for (const ManagedWindow& w : stack.underneath) {
        const auto frame = access_.isUsable(w, bounds) ? access_.frame(w) : std::nullopt;
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
    move.animate = move.spanning && !access_.reduceMotion() && transitions_.gpuAvailable();
    move.slot = move.spanning ? stack.slot(*move.spanning) : stack.frame;
    move.area = screenArea(screens_.screens(), move.slot);
    move.transition = readStackTransition(defaults_);
    shuffling_ = true;
    tasks_.spawn(spanTask(std::move(move)));
    return true;
}

Task<void> WindowStackController::spanTask(SpanMove move)
{
    if (!move.animate) {
        co_await raiseInOrder(move.raise);
    } else {
        bool shown = false;
        if (move.transition == StackTransition::shuffle)
            shown = co_await spanCards(move);
        else
            shown = co_await spanShader(move);
        if (!shown)
            co_await spanSlide(move);
    }
    endMove();
}

Task<bool> WindowStackController::spanCards(const SpanMove& move)
{
    // The front-most covered window per frame comes in as a card.
    std::vector<CardShuffleIncoming> incoming;
    std::vector<std::pair<ManagedWindow, Rect>> taken;
    for (auto it = move.raise.rbegin(); it != move.raise.rend(); ++it) {
        const auto frame = access_.frame(*it);
        if (!frame || !insideGrown5(*frame, move.slot))
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
    auto cards = co_await transitions_.captureCardShuffle(std::move(incoming), std::move(leaving), move.slot);
    if (!cards)
        co_return false;
    RaiseHandle handle;
    std::function<void()> begin = [this, &handle, &move] { startRaiseTask(handle, move.raise); };
    co_await transitions_.presentBack(std::move(cards), std::move(begin));
    co_await awaitRaise(handle);
    co_return true;
}

Task<void> WindowStackController::spanSlide(const SpanMove& move)
{
    const Rect home = access_.frame(*move.spanning).value_or(move.slot);
    const double d = std::min(0.35 * move.slot.width(), 520.0);
    const Rect out = home.offsetBy(move.slot.midX() <= move.area.midX() ? d : -d, 0);
    RaiseHandle handle;
    std::function<void()> reveal = [this, &handle, &move] { startRaiseTask(handle, move.raise); };
    co_await access_.shuffleBack(*move.spanning, std::move(reveal), out, home);
    co_await awaitRaise(handle);
}

Task<bool> WindowStackController::spanShader(const SpanMove& move)
{
    const auto frame = access_.frame(*move.spanning);
    if (!frame || !permissions_.windowPreviewsGranted() || access_.otherAppKeepsDisplayAwake())
        co_return false;
    auto picture = co_await transitions_.capture(*move.spanning, *frame);
    if (!picture)
        co_return false;
    auto funnelIn = [this](const ManagedWindow& w, const Rect& piece) -> std::optional<Point> {
        const auto minimize = access_.minimizeButtonFrame(w.element);
        const Point centre = minimize ? Point{minimize->midX(), minimize->midY()} : Point{};
        return minimize && piece.contains(centre) ? std::optional<Point>(centre) : std::nullopt;
    };
    std::vector<ShaderTransition::Piece> pieces;
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
        pieces.push_back({{picture->image, *part}, piece, funnelIn(*cover, piece), std::nullopt});
    }
    if (pieces.empty())
        pieces.push_back({*picture, *frame, funnelIn(*move.spanning, *frame), seams(*frame, move.stack.regionFrames)});
    auto shader = transitions_.makeShaderTransition(ShaderTransition::stackMoveDuration);
    ShaderTransition::RevealAction reveal = [this, &move]() -> Task<void> { co_await raiseInOrder(move.raise); };
    co_await shader->play(move.transition, std::move(pieces), std::move(reveal));
    co_return true;
}

} // namespace fw::stacks
