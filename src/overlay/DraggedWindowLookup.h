#pragma once
// The dragged window as the overlay knows it, with the window number its panels are stacked
// below. Looking the number up asks the window system, so a window whose number is not found
// is asked again at most every 0.2 s; a different window is looked up at once.

#include "windows/ManagedWindow.h"

#include <chrono>
#include <functional>
#include <optional>

namespace fw {

class Clock;

class DraggedWindowLookup {
public:
    using WindowNumberLookup = std::function<std::optional<WindowId>(const ManagedWindow&)>;
    static constexpr std::chrono::milliseconds interval{200};

    // `clock` gives the uptime (a steady clock when null); `windowNumber` resolves a window
    // (its client window id when empty).
    DraggedWindowLookup(Clock* clock, WindowNumberLookup windowNumber)
        : clock_(clock), windowNumber_(std::move(windowNumber))
    {
    }

    // Remembers the window and looks its number up unless it is known or was just asked for.
    void set(const std::optional<ManagedWindow>& window);
    const std::optional<ManagedWindow>& window() const { return window_; }
    std::optional<WindowId> number() const { return number_; }

private:
    std::chrono::nanoseconds uptime() const;

    Clock* clock_;
    WindowNumberLookup windowNumber_;
    std::optional<ManagedWindow> window_;
    std::optional<WindowId> number_;
    std::chrono::nanoseconds lastLookup_{0};
    bool looked_ = false;
};

} // namespace fw
