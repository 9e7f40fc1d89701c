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
// interaction since; once the coordinator is gone it is never current again, so whatever holds
// the stamp stops as it would when the interaction ended. A plain value, cheap to copy.
class InteractionStamp {
public:
    // Never current.
    InteractionStamp() = default;
    // The coordinator's generation now (read once; nothing when it is gone already).
    explicit InteractionStamp(std::weak_ptr<const CoordinatorHost> host)
        : host_(std::move(host))
    {
        if (const auto h = host_.lock())
            generation_ = h->interactionGeneration();
    }
    // A generation the caller already has (reads nothing). Not explicit: call sites and tests
    // write `{host, generation}`.
    InteractionStamp(std::weak_ptr<const CoordinatorHost> host, std::uint64_t generation)
        : host_(std::move(host)), generation_(generation)
    {
    }

    // Reads the generation once while the coordinator lives; false without reading when it is
    // gone.
    bool current() const
    {
        const auto host = host_.lock();
        return host && host->interactionGeneration() == generation_;
    }
    std::uint64_t generation() const { return generation_; }
    // The coordinator while it lives, else null. Hold it within one step only, never across a
    // suspension: the stamp must not keep the coordinator alive.
    std::shared_ptr<const CoordinatorHost> host() const { return host_.lock(); }

private:
    std::weak_ptr<const CoordinatorHost> host_;
    std::uint64_t generation_ = 0;
};

} // namespace fw
