#pragma once
// Panel stacking port: what the overlay panels need of the window system beyond what the
// toolkit offers. Panels are named by their native window id. Whether a compositing manager
// runs is followed while the program runs: one may start or stop at any time.

#include "platform/WindowSystem.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace fw {

class PanelStacking {
public:
    virtual ~PanelStacking() = default;
    // Restacks the panel directly below the frame of another application's window.
    // False (nothing changed) when that window cannot be found.
    virtual bool orderBelow(std::uint64_t panel, WindowId window) = 0;
    // Puts the panel below every other window.
    virtual void orderToBack(std::uint64_t panel) = 0;
    // Whether a compositing manager runs that blends, so that translucent pixels show
    // translucent. One that leaves the painting to the server's automatic compositing
    // (which shows every translucent pixel opaque) counts as none.
    virtual bool compositing() const = 0;
    // Runs `changed` after compositing() changed its answer (a compositing manager started,
    // stopped, or was found to blend or not); an empty function ends it. One observer at a
    // time.
    virtual void setCompositingObserver(std::function<void()> changed) = 0;
    // Just before any panel is mapped: tells compositing managers that the panel casts no
    // shadow, since it draws all it shows itself.
    virtual void preparePanel(std::uint64_t panel) { (void)panel; }
    // Where the panel takes clicks, in its own device pixels (its shape may be wider: under a
    // compositor that blends, its transparent pixels are left to alpha); nothing: everywhere.
    virtual void setInputShape(std::uint64_t panel, const std::optional<std::vector<Rect>>& rects)
    {
        (void)panel;
        (void)rects;
    }
};

} // namespace fw
