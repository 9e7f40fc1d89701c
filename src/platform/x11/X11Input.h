#pragma once
// What the X11 input adapters share (hot keys, button grabs, mouse monitor): the server's
// modifier map (which X bits Alt and Super sit on, which bits are locks) turning stored modifier
// bits into X masks and back, the lock variants every passive grab needs, and reading a
// connection's events on the Qt main thread.

#include "platform/MouseMonitor.h"

#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QSocketNotifier;
class QTimer;

namespace fw::x11 {

// Where the modifiers sit on this server. Control and Shift are fixed bits; Alt is the bit of
// Alt_L/Alt_R (Meta_L/Meta_R where no Alt key is mapped), Super the bit of Super_L/Super_R.
// Lock bits are Lock and the bits of Num_Lock, Scroll_Lock, Caps_Lock and Shift_Lock: a
// combination holds whatever their state, so grabs take every combination of them.
struct ModifierMap {
    std::uint16_t alt = XCB_MOD_MASK_1;
    std::uint16_t super = XCB_MOD_MASK_4;
    std::uint16_t locks = XCB_MOD_MASK_LOCK;

    // The X mask of stored modifier bits (Ctrl, Alt, Shift, Super).
    std::uint16_t x(std::uint32_t stored) const;
    // The stored bits of an event's state; lock and button bits are ignored.
    std::uint32_t stored(std::uint16_t state) const;
    // The same as the mouse monitor reports them.
    Modifiers modifiers(std::uint16_t state) const;
    // An event's modifier bits without the locks (and without button bits).
    std::uint16_t withoutLocks(std::uint16_t state) const { return std::uint16_t(state & ~locks & 0xff); }
    // `mods` with every combination of the lock bits: what to grab so that the combination
    // works in every lock state.
    std::vector<std::uint16_t> lockVariants(std::uint16_t mods) const;

    friend bool operator==(const ModifierMap&, const ModifierMap&) = default;

private:
    // Each X mask with its stored bit.
    std::array<std::pair<std::uint16_t, std::uint32_t>, 4> pairs() const;
};

// Reads the modifier map and the keysyms of the keys on it (two round trips, sent together).
// Where the server answers nothing, the usual map: Alt on Mod1, Super on Mod4, Lock alone.
ModifierMap readModifierMap(xcb_connection_t* c);

// Whether an event read from a connection says the keyboard or modifier mapping changed (the
// core notification every client receives).
bool keyboardMappingChanged(const xcb_generic_event_t* event);

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
