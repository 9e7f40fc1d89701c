#pragma once
// What window motion and placement need of the snap coordinator. The coordinator implements
// it; tests use a fake. Main thread only.

#include "windows/ManagedWindow.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace fw {

class CoordinatorHost {
public:
    virtual ~CoordinatorHost() = default;
    // Raised by one each time the coordinator ends an interaction. Guarded moves, group moves,
    // composition runs and placement transactions capture it when they start and give up at
    // the first checkpoint where it differs. They never write it.
    virtual std::uint64_t interactionGeneration() const = 0;
    // The window for which the layout picker was opened, if any. Raising the owners of a
    // composition's windows brings it forward last.
    virtual std::optional<ManagedWindow> pickerWindow() const { return std::nullopt; }
};

// The interaction an action belongs to: the coordinator, held weakly, and its generation when
// the action was scheduled. Current while the coordinator lives and has not ended that
// interaction since. Replaces loose owner and generation pairs.
class InteractionStamp {
public:
    // Never current.
    InteractionStamp() = default;
    explicit InteractionStamp(std::weak_ptr<const CoordinatorHost> host)
        : host_(std::move(host)), generation_(host_.expired() ? 0 : host_.lock()->interactionGeneration()),
          valid_(!host_.expired())
    {
    }

    bool current() const
    {
        const auto host = host_.lock();
        return valid_ && host && host->interactionGeneration() == generation_;
    }
    std::uint64_t generation() const { return generation_; }
    // The coordinator while it lives, else null.
    const CoordinatorHost* host() const { return host_.lock().get(); }

private:
    std::weak_ptr<const CoordinatorHost> host_;
    std::uint64_t generation_ = 0;
    bool valid_ = false;
};

} // namespace fw
