#pragma once
// The keys of the layout picker as the view reports them, and what they select: the picker's
// session decides, from the cards it shows and the selection it holds; the view only draws.
//
//   PickerKey{PickerKey::nextLayout}   Right: the next card's first region, wrapping
//   PickerKey{PickerKey::nextRegion}   Down: the card's next region number (composition: next card)
//   PickerKey{PickerKey::card, 2}      digit 3: the third card, when there is one
//   PickerKey{PickerKey::choose}       Return or Enter: choose the selection

#include "layout/SnapLayout.h"
#include "snap/SnapSelection.h"

#include <optional>
#include <vector>

namespace fw {

struct PickerKey {
    enum Kind { previousLayout, nextLayout, previousRegion, nextRegion, card, choose };
    Kind kind = choose;
    int index = 0; // kind card: the card's index (digit 1 names card 0)
    friend bool operator==(const PickerKey&, const PickerKey&) = default;
};

// The selection a step or a digit moves to from `current` among the cards (nothing: from the
// first card's first region). Region numbers are identities, not positions: a region step goes
// through the numbers the layout really has, ascending and cyclic. Nothing when the key moves
// nowhere: no cards, a digit past the last card, or choose.
std::optional<SnapSelection> pickerKeySelection(const std::vector<SnapLayout>& layouts, bool wholeComposition,
                                                const std::optional<SnapSelection>& current, PickerKey key);

// What Return chooses: the selection, else the first card's first region; nothing without cards.
std::optional<SnapSelection> pickerKeyChoice(const std::vector<SnapLayout>& layouts, bool wholeComposition,
                                             const std::optional<SnapSelection>& current);

} // namespace fw
