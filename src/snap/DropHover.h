#pragma once
// What the pointer hovers during a drag and since when: the drag monitor keeps one of these
// per kind of target (region drop, seam corner, return slot) and asks it whether the same
// target has been held for a dwell time. Times are clock uptimes.

#include "base/Clock.h"

#include <optional>

namespace fw {

template<typename Key>
struct DropHover {
    std::optional<Key> key; // nothing hovered
    Duration entered{};     // when the current key was first seen

    // No key clears the record (false); the stored key answers whether it has been held for
    // the delay; a new key is stored as entered now and is held only when the delay is not
    // positive.
    bool isHeld(const std::optional<Key>& hovered, Duration now, Duration delay)
    {
        if (!hovered) {
            key.reset();
            return false;
        }
        if (key && *key == *hovered)
            return now - entered >= delay;
        key = hovered;
        entered = now;
        return delay <= Duration::zero();
    }

    friend bool operator==(const DropHover&, const DropHover&) = default;
};

} // namespace fw
