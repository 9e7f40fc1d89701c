#pragma once
// Global mouse monitor port: the primary button and motion anywhere on the desktop, and the
// Escape key while a drag asks for it.

#include "base/Geometry.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace fw {

enum Modifier : std::uint32_t {
    ModShift = 1u << 0,
    ModControl = 1u << 1,
    ModAlt = 1u << 2,   // Alt (Mod1)
    ModSuper = 1u << 3,  // Super (Mod4)
};
using Modifiers = std::uint32_t;

// The pointer as the platform reports it now, between events.
struct PointerState {
    Point position;        // global top-left device pixels
    bool leftDown = false; // the left button is held
    Modifiers modifiers = 0;
};

// Left is the user's primary button, whichever physical button that is.
struct MouseEvent {
    enum class Type { LeftDown, LeftUp, LeftDrag, Moved, Escape };
    Type type = Type::Moved;
    Point position;        // global top-left device pixels
    Modifiers modifiers = 0;
    // The server's time of the event (what the window system stamps the same press with
    // where it delivers it to a window); 0 when unknown.
    std::uint32_t time = 0;
};

class MouseMonitor {
public:
    virtual ~MouseMonitor() = default;
    // Starts delivering events on the main thread; false when the platform cannot monitor.
    virtual bool start(std::function<void(const MouseEvent&)> handler) = 0;
    virtual void stop() = 0;
    virtual bool running() const = 0;
    // The pointer now (a drag that goes quiet is followed with it, and a release the monitor
    // missed is noticed); nothing while the monitor is not running or the pointer cannot be
    // read.
    virtual std::optional<PointerState> pointerState() = 0;
    // While on, each press of Escape is delivered as an Escape event, also while another
    // client holds the keyboard (a window manager moving a window does). Off after start().
    virtual void watchEscape(bool on) = 0;
};

} // namespace fw
