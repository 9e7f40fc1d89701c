#pragma once
// The global mouse monitor on X11: XInput 2.2 raw button and motion events on the root window,
// read on a connection of its own and handed to the Qt main thread (a socket notifier on the
// connection plus a short drain timer while running). Raw events carry no position: the pointer
// position and the modifiers come from XIQueryPointer of the master pointer the event came
// through (a second master pointer, from xinput create-master, drags with its own position;
// the core QueryPointer would answer for the first). Version 2.2 matters: with 2.0 the raw
// motion and release events are lost while the WM holds its grab during a title-bar move.
// Raw buttons are physical: they go through the map of the device that sent them and the core
// pointer mapping (X11ButtonMaps, followed on each change, so a left-handed mouse's primary
// button is the right one here, set per device or for the core pointer). While Escape is watched, raw
// key presses are selected too: a window manager moving a window grabs the keyboard, and they
// are the only way an Escape then reaches us.

#include "platform/MouseMonitor.h"
#include "platform/x11/X11ButtonMaps.h"
#include "platform/x11/X11Input.h"

#include <QByteArray>
#include <xcb/xcb.h>

#include <memory>
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

class QSocketNotifier;
class QTimer;

namespace fw {

namespace x11 {
class Connection;
}

class X11MouseMonitor : public MouseMonitor {
public:
    explicit X11MouseMonitor(const QByteArray& displayName = {});
    ~X11MouseMonitor() override;

    bool start(std::function<void(const MouseEvent&)> handler) override;
    void stop() override;
    bool running() const override { return running_; }
    // One pointer query on the monitor's connection.
    std::optional<PointerState> pointerState() override;
    void watchEscape(bool on) override;

    // Reads and delivers whatever the server has sent (also called by the notifier and timer).
    void drain();

private:
    // An event for the handler before its position is read: its kind and the master pointer
    // it came through (0: unknown, the core pointer's answer is taken).
    struct Pending {
        MouseEvent::Type type;
        std::uint16_t master = 0;
        std::uint32_t time = 0; // the server's, of a button
    };
    // A pointer query sent and not yet read: XIQueryPointer of a master, else QueryPointer.
    struct Query {
        std::uint16_t master = 0;
        xcb_query_pointer_cookie_t core{};
        xcb_input_xi_query_pointer_cookie_t xi{};
    };
    Query sendQuery(std::uint16_t master);
    std::optional<PointerState> readQuery(const Query& query);

    // One pass over the queued events; false when there were none.
    bool drainOnce();
    // What one event of the connection means for the handler, if anything.
    std::optional<Pending> kindOf(const xcb_generic_event_t* event);
    // The master pointer a device sends through (itself for a master pointer, the paired
    // pointer for a master keyboard); 0 for a floating or unknown device. The hierarchy is read
    // at first use and again after it changes.
    std::uint16_t masterOf(std::uint16_t device);
    void readMasters();
    // Selects the raw events on the root window: buttons and motion, and keys while Escape is
    // watched.
    xcb_void_cookie_t selectEvents(bool checked);
    bool isEscape(std::uint32_t keycode);

    QByteArray displayName_;
    std::unique_ptr<x11::Connection> conn_;
    std::unique_ptr<x11::Connection> retired_;   // closed by the next start or the destructor
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<QTimer> timer_;
    std::function<void(const MouseEvent&)> handler_;
    std::uint8_t xiOpcode_ = 0;
    bool running_ = false;
    std::set<std::uint16_t> leftDown_;       // the master pointers whose left button is down
    std::uint16_t dragMaster_ = 0;           // the master pointer of the last press (0: core)
    std::unordered_map<std::uint16_t, std::uint16_t> masters_; // device → master pointer
    bool mastersRead_ = false;
    bool draining_ = false;
    bool escapeWatched_ = false;
    x11::ButtonMaps buttonMaps_;
    std::optional<std::vector<std::uint8_t>> escapeKeys_; // read at the first key press after a change
    x11::ModifierMap modifierMap_;               // which bits Super and Alt sit on
};

} // namespace fw
