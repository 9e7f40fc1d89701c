#pragma once
// The global mouse monitor on X11: XInput 2.2 raw button and motion events on the root window,
// read on a connection of its own and handed to the Qt main thread (a socket notifier on the
// connection plus a short drain timer while running). Raw events carry no position: the pointer
// position and the modifiers come from QueryPointer. Version 2.2 matters: with 2.0 the raw
// motion and release events are lost while the WM holds its grab during a title-bar move.

#include "platform/MouseMonitor.h"

#include <QByteArray>
#include <memory>

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

    // Reads and delivers whatever the server has sent (also called by the notifier and timer).
    void drain();

private:
    // One pass over the queued events; false when there were none.
    bool drainOnce();

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
};

} // namespace fw
