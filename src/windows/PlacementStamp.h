#pragma once
// The interaction a placement acts for: the coordinator that owns it and the generation the
// coordinator must still report for the placement to go on. A plain value read, never written;
// the coordinator must outlive every task that holds one. (The snap code's InteractionStamp,
// which holds its coordinator weakly, gives one as `{*host, stamp.generation()}` once the
// coordinator is known to be there.)

#include "windows/CoordinatorHost.h"

#include <cstdint>

namespace fw {

class PlacementStamp {
public:
    // Not explicit: call sites pass `{owner, generation}`.
    PlacementStamp(const CoordinatorHost& owner, std::uint64_t generation) : owner_(&owner), generation_(generation) {}

    // Whether the owner still reports the generation (reads it once).
    bool current() const { return owner_->interactionGeneration() == generation_; }
    const CoordinatorHost& owner() const { return *owner_; }
    std::uint64_t generation() const { return generation_; }

private:
    const CoordinatorHost* owner_;
    std::uint64_t generation_;
};

} // namespace fw
