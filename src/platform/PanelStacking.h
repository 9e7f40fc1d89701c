#pragma once
// Panel stacking port: what the overlay panels need of the window system beyond what the
// toolkit offers. Panels are named by their native window id. Whether a compositing manager
// runs is followed while the program runs: one may start or stop at any time.

#include "platform/WindowSystem.h"

#include <cstdint>
#include <functional>

namespace fw {

class PanelStacking {
public:
    virtual ~PanelStacking() = default;
    // Restacks the panel directly below the frame of another application's window.
    // False (nothing changed) when that window cannot be found.
    virtual bool orderBelow(std::uint64_t panel, WindowId window) = 0;
    // Puts the panel below every other window.
    virtual void orderToBack(std::uint64_t panel) = 0;
    // Whether a compositing manager runs, so that translucent pixels show translucent.
    virtual bool compositing() const = 0;
    // Runs `changed` after a compositing manager started or stopped (compositing() answers
    // anew by then); an empty function ends it. One observer at a time.
    virtual void setCompositingObserver(std::function<void()> changed) = 0;
    // Just before a panel the window manager manages is mapped: whatever that window manager
    // needs to keep the panel shown while another application is active.
    virtual void prepareManaged(std::uint64_t panel) { (void)panel; }
};

} // namespace fw
