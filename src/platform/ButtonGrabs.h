#pragma once
// Mouse-button grab port: presses of the middle and side buttons, with given modifiers,
// anywhere on the desktop, offered to a filter before any application sees them. The filter
// runs on a thread of the port's own (the tap thread), never on the main thread, and decides
// per press whether the click is dropped or passed on to the window under the pointer.

#include "base/Geometry.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace fw {

// A combination to grab: stored button number (InputCodes.h) and stored modifier bits.
struct ButtonGrab {
    int button = 2;
    std::uint32_t modifiers = 0;
    friend bool operator==(const ButtonGrab&, const ButtonGrab&) = default;
};

struct ButtonEvent {
    enum class Type { Down, Up };
    Type type = Type::Down;
    int button = 2;               // stored button number
    std::uint32_t modifiers = 0;  // stored modifier bits held at the press
    Point location;               // global top-left device pixels
};

class ButtonGrabs {
public:
    virtual ~ButtonGrabs() = default;
    // Returns true to drop the event; runs on the tap thread.
    using Filter = std::function<bool(const ButtonEvent&)>;

    // Starts the tap thread, grabs the combinations and returns once the grabs are live.
    // False when the platform refused the tap: nothing runs then.
    virtual bool start(const std::vector<ButtonGrab>& grabs, Filter filter) = 0;
    // Replaces the grabbed combinations of the running thread; returns once they are live.
    virtual void regrab(const std::vector<ButtonGrab>& grabs) = 0;
    // The combinations of the last start or regrab that another client holds (not grabbed).
    virtual std::vector<ButtonGrab> refused() const = 0;
    // Releases every grab and ends the thread; returns once it has ended.
    virtual void stop() = 0;
    virtual bool running() const = 0;
};

} // namespace fw
