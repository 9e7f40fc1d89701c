#pragma once
// The workspace port on X11: the current desktop is the root window's _NET_CURRENT_DESKTOP,
// watched on a connection of its own (property changes of the root window, read on the Qt main
// thread) only while a handler is installed.

#include "platform/Workspaces.h"

#include <QByteArray>

#include <cstdint>
#include <memory>
#include <optional>

namespace fw {

namespace x11 {
class Connection;
class EventPump;
} // namespace x11

class X11Workspaces final : public Workspaces {
public:
    explicit X11Workspaces(const QByteArray& displayName = {});
    ~X11Workspaces() override;

    void setChangeHandler(std::function<void()> handler) override;
    bool watching() const { return bool(conn_); }

    // Reads the queued events; a change of the current desktop calls the handler once.
    void drain();

private:
    std::optional<std::uint32_t> readCurrent() const;

    QByteArray displayName_;
    std::unique_ptr<x11::Connection> conn_;
    std::unique_ptr<x11::EventPump> pump_;
    std::uint32_t atom_ = 0;
    std::optional<std::uint32_t> current_;
    std::function<void()> handler_;
};

} // namespace fw
