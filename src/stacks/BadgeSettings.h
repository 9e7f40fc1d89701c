#pragma once
// The badge settings: shown at all ("stackBadgesEnabled"), upright on the window's left edge
// ("stackBadgesOnEdge"), placed in a free stretch of the title bar ("stackBadgesAutoPlace"),
// each true unless stored false, and where the user dragged badges. The first two setters
// write their key; the shell writes the third.

#include "stacks/BadgePlacementStore.h"

namespace fw {

class UserDefaults;

namespace stacks {

class BadgeSettings {
public:
    explicit BadgeSettings(UserDefaults& defaults);

    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool onEdge() const { return onEdge_; }
    void setOnEdge(bool onEdge);
    bool autoPlace() const { return autoPlace_; }
    void setAutoPlace(bool autoPlace) { autoPlace_ = autoPlace; }
    BadgePlacementStore& placements() { return placements_; }
    const BadgePlacementStore& placements() const { return placements_; }

private:
    UserDefaults& defaults_;
    bool enabled_;
    bool onEdge_;
    bool autoPlace_;
    BadgePlacementStore placements_;
};

} // namespace stacks
} // namespace fw
