#pragma once
// The global mouse monitor on X11: XInput 2.2 raw button and motion events on the root window,
// read on a connection of its own and handed to the Qt main thread (a socket notifier on the
// connection plus a short drain timer while running). Raw events carry no position: the pointer
// position and the modifiers come from QueryPointer. Version 2.2 matters: with 2.0 the raw
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
    // One pass over the queued events; false when there were none.
    bool drainOnce();
    // What one event of the connection means for the handler, if anything.
    std::optional<MouseEvent::Type> kindOf(const xcb_generic_event_t* event);
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
    bool leftDown_ = false;
    bool draining_ = false;
    bool escapeWatched_ = false;
    x11::ButtonMaps buttonMaps_;
    std::optional<std::vector<std::uint8_t>> escapeKeys_; // read at the first key press after a change
    x11::ModifierMap modifierMap_;               // which bits Super and Alt sit on
};

} // namespace fw
