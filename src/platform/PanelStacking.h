#pragma once
// Panel stacking port: what the overlay panels need of the window system beyond what the
// toolkit offers. Panels are named by their native window id.

#include "platform/WindowSystem.h"

#include <cstdint>

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
};

} // namespace fw
