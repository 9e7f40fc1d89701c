#pragma once
// The guards through which every delayed or long-running action of the coordinator decides
// whether it may still act: the interaction generation, raised by one each time an
// interaction ends; `mutating`, held by the one task that moves windows; `windowInteraction`,
// set from a left-button press until the drag monitor is done with it; and the divider edit
// waiting for the moving task to finish. MutationGuard holds `mutating` for a task's whole run.

#include "layout/RegionTree.h"
#include "snap/WindowStackController.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace fw {

// A divider edit: moved to a position (a fraction of the layout's unit square along the
// divider's axis, as the divider editor reports it), or set to 50/50.
struct DividerEdit {
    enum class Kind { move, equalize };
    Kind kind = Kind::equalize;
    double position = 0; // move only

    static DividerEdit move(double position) { return {Kind::move, position}; }
    static DividerEdit equalize() { return {Kind::equalize, 0}; }
    friend bool operator==(const DividerEdit&, const DividerEdit&) = default;
};

// A divider edit in progress: the display, the path to the divider and the edit.
struct PendingEdit {
    QString display;
    DividerPath path;
    DividerEdit edit;
    friend bool operator==(const PendingEdit&, const PendingEdit&) = default;
};

class Interaction {
public:
    // Starts at 0; only the coordinator's end of an interaction raises it, by one.
    std::uint64_t generation() const { return generation_; }
    void advance() { ++generation_; }

    bool mutating = false;
    // While a picker choice holds `mutating`: the generation of its interaction. Another
    // choice of that interaction is then simply dropped.
    std::optional<std::uint64_t> choosing;
    bool windowInteraction = false;
    std::optional<PendingEdit> pendingEdit;
    // Carries out the waiting divider edit; run when a moving task ends and an edit waits.
    std::function<void()> drainPendingEdit;

private:
    std::uint64_t generation_ = 0;
};

// Holds `mutating` from before a task's first move to every way out: taking it suspends the
// stack controller; releasing it (at the latest when it is destroyed) clears the flag,
// schedules a stack refresh and starts the waiting divider edit, if any.
class MutationGuard {
public:
    // Nothing while another task holds the guard.
    static std::optional<MutationGuard> take(Interaction& interaction, WindowStackController& stacks);

    MutationGuard(MutationGuard&& other) noexcept;
    MutationGuard& operator=(MutationGuard&&) = delete;
    MutationGuard(const MutationGuard&) = delete;
    ~MutationGuard() { release(); }

    bool held() const { return interaction_ != nullptr; }
    // Releases early; later calls do nothing.
    void release();

private:
    MutationGuard(Interaction& interaction, WindowStackController& stacks)
        : interaction_(&interaction), stacks_(&stacks)
    {
    }
    Interaction* interaction_;
    WindowStackController* stacks_;
};

} // namespace fw
