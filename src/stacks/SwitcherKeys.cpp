// The switcher's keyboard, decided apart from the view.
#include "stacks/SwitcherKeys.h"

#include <cmath>

namespace fw {

SwitcherKey SwitcherKey::decide(int key, Qt::KeyboardModifiers modifiers, std::size_t cardCount, bool canSendToBack)
{
    SwitcherKey out;
    if (key >= Qt::Key_1 && key <= Qt::Key_9) {
        const std::size_t d = std::size_t(key - Qt::Key_0);
        if (d > cardCount) {
            out.kind = Kind::consumed;
        } else {
            out.kind = Kind::card;
            out.card = d - 1;
        }
        return out;
    }
    const Qt::KeyboardModifiers others = modifiers & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (key == Qt::Key_B && others == Qt::NoModifier && canSendToBack) {
        out.kind = Kind::sendToBack;
        return out;
    }
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        out.kind = Kind::focus;
        out.move = key == Qt::Key_Left    ? FocusMove::left
                   : key == Qt::Key_Right ? FocusMove::right
                   : key == Qt::Key_Up    ? FocusMove::up
                                          : FocusMove::down;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        out.kind = Kind::activate;
        break;
    case Qt::Key_Escape:
        out.kind = Kind::close;
        break;
    default:
        break;
    }
    return out;
}

std::optional<std::size_t> nextFocus(const std::vector<Rect>& cards, std::optional<std::size_t> current, FocusMove move)
{
    if (cards.empty())
        return std::nullopt;
    if (!current || *current >= cards.size())
        return 0;
    const std::size_t n = cards.size(), i = *current;
    if (move == FocusMove::right)
        return (i + 1) % n;
    if (move == FocusMove::left)
        return (i + n - 1) % n;
    const double midY = cards[i].midY(), midX = cards[i].midX();
    std::optional<std::size_t> best;
    double bestDy = 0, bestDx = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const double dy = cards[k].midY() - midY;   // y grows downward
        const bool lies = move == FocusMove::up ? dy < -10 : dy > 10;
        if (!lies)
            continue;
        const double ady = std::abs(dy), adx = std::abs(cards[k].midX() - midX);
        if (!best || ady < bestDy || (ady == bestDy && adx < bestDx)) {
            best = k;
            bestDy = ady;
            bestDx = adx;
        }
    }
    return best;
}

} // namespace fw
