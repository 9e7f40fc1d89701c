#pragma once
// Hover with its pacing: one small state machine per anchor (shown, since when the pointer
// rests there, since when it left), where the pointer was last reported, and the 0.1 s hover
// tick, which runs only while the pointer is near an anchor or a badge.

#include "base/Clock.h"
#include "base/Geometry.h"
#include "windows/ManagedWindow.h"

#include <optional>
#include <unordered_map>
#include <utility>

namespace fw {

struct StackHoverState {
    bool visible = false;
    std::optional<double> enteredAt;
    std::optional<double> exitedAt;
    friend bool operator==(const StackHoverState&, const StackHoverState&) = default;
};

} // namespace fw

namespace fw::stacks {

class HoverState {
public:
    static constexpr Duration interval = std::chrono::milliseconds(100);
    static constexpr double reach = 160;
    static constexpr double dwell = 0.45, leaveGrace = 0.25, switcherLeaveGrace = 0.35;

    explicit HoverState(Clock& clock) : clock_(clock) {}
    ~HoverState() { clock_.cancel(timer); }
    HoverState(const HoverState&) = delete;
    HoverState& operator=(const HoverState&) = delete;

    std::unordered_map<ManagedWindow, StackHoverState> states;
    Point lastPointer;
    TimerId timer = 0;

    bool paused() const { return timer == 0; }
    void pause() { clock_.cancel(std::exchange(timer, 0)); }
    // Every state machine at rest.
    bool idle() const
    {
        for (const auto& [window, state] : states) {
            if (!(state == StackHoverState{}))
                return false;
        }
        return true;
    }

private:
    Clock& clock_;
};

} // namespace fw::stacks
