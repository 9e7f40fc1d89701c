#pragma once
// The keyboard of the stack switcher, decided apart from the view: a digit 1–9 (also from the
// keypad, whatever the modifiers) clicks that card, B (or Shift+B) brings a span's covered
// windows forward when the switcher can, the arrows move the focus among the cards, Return,
// Space and keypad Enter click the focused card (else the first), Escape closes. Keys are Qt
// key codes.

#include "base/Geometry.h"

#include <Qt>
#include <cstddef>
#include <optional>
#include <vector>

namespace fw {

enum class FocusMove { left, right, up, down };

struct SwitcherKey {
    enum class Kind {
        none,        // not handled: the key passes on
        consumed,    // handled without effect (a card number beyond the cards)
        card,        // click card `card` (zero-based) of the ordered cards
        sendToBack,
        focus,       // move the focus by `move`
        activate,    // click the focused card, else the first
        close,
    };
    Kind kind = Kind::none;
    std::size_t card = 0;
    FocusMove move = FocusMove::right;

    bool handled() const { return kind != Kind::none; }
    friend bool operator==(const SwitcherKey&, const SwitcherKey&) = default;

    // What a key press does in a switcher with this many cards.
    static SwitcherKey decide(int key, Qt::KeyboardModifiers modifiers, std::size_t cardCount, bool canSendToBack);
};

// The card that takes the focus: with no current card the first one (whatever the move);
// right and left step through the order, wrapping; up and down take the nearest card whose
// middle lies more than 10 pixels above or below the current one's (vertical distance, then
// horizontal, then order). Nothing when there are no cards or no card lies that way.
std::optional<std::size_t> nextFocus(const std::vector<Rect>& cards, std::optional<std::size_t> current, FocusMove move);

} // namespace fw
