#pragma once
// Shared pieces of the X11 input adapters (hot keys, button grabs, scroll tap): stored modifier
// bits as X modifier masks and back, the Lock and NumLock variants every passive grab needs,
// and reading a connection's events on the Qt main thread.

#include "platform/MouseMonitor.h"

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;
class QTimer;

namespace fw::x11 {

// Control → Control, Option → Mod1 (Alt), Shift → Shift, Command → Mod4 (Super).
std::uint16_t xModifiers(std::uint32_t stored);
// The stored bits of an event's state; Lock, NumLock and button bits are ignored.
std::uint32_t storedModifiers(std::uint16_t state);
// The same as the mouse monitor reports them.
Modifiers modifiers(std::uint16_t state);

// The modifier that Num_Lock is mapped to (Mod2 on most keyboards), or 0 when none is.
std::uint16_t numLockMask(xcb_connection_t* c);
// The masks to grab a combination with so that it works whatever the Lock and NumLock states:
// mods, mods|Lock, mods|NumLock, mods|Lock|NumLock.
std::vector<std::uint16_t> lockVariants(std::uint16_t mods, std::uint16_t numLock);

// Hands a connection's queued events to `drain` on the Qt main thread: when its socket becomes
// readable, and once more on the next turn of the loop after kick() (events can sit in xcb's
// queue after a round trip without the socket becoming readable again).
class EventPump {
public:
    EventPump(xcb_connection_t* c, std::function<void()> drain);
    ~EventPump();
    EventPump(const EventPump&) = delete;
    EventPump& operator=(const EventPump&) = delete;
    void kick();

private:
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<QTimer> timer_;
};

} // namespace fw::x11
