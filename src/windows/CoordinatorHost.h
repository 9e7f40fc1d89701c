#pragma once
// What window motion and placement need of the snap coordinator. The coordinator implements
// it; tests use a fake. Main thread only.

#include "windows/ManagedWindow.h"

#include <cstdint>
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

} // namespace fw
