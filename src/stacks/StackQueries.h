#pragma once
// What the presenter may ask of the stacks. The engine answers; the presenter holds neither the
// engine nor its state, so calls run one way: the engine tells the presenter what to show, the
// presenter asks through this and acts through StackActions.

#include "snap/WindowStackController.h"
#include "stacks/StackModel.h"
#include "windows/ManagedWindow.h"
#include "windows/WindowAccess.h"

#include <optional>
#include <vector>

namespace fw::stacks {

// Seconds after a switch during which a badge that cannot be placed keeps its last state.
inline constexpr double kBadgeGrace = 1.5;

class StackQueries {
public:
    virtual ~StackQueries() = default;

    // Grouping is on ("windowStacksEnabled").
    virtual bool enabled() const = 0;
    virtual bool running() const = 0;
    virtual bool menuOpen() const = 0;
    // A switch or span move animates.
    virtual bool shuffling() const = 0;
    // Hover may act: no move animates, the menu is closed, stacks are on and the coordinator idle.
    virtual bool mayHover() const = 0;
    virtual bool windowControlTrusted() const = 0;
    // When the last switch or activation happened (uptime seconds).
    virtual double lastSwitchAt() const = 0;
    // The stacks presented by the last pass, and the windows it knew.
    virtual const std::vector<WindowStack>& presented() const = 0;
    virtual const WindowSnapshot& knownFrames() const = 0;
    // The members whose slots coincide with the window's, or lie within it, or hold it.
    virtual std::vector<ManagedWindow> slotMates(const ManagedWindow& window, const std::vector<ManagedWindow>& members,
                                                 const WindowStack& stack) const = 0;
};

} // namespace fw::stacks
