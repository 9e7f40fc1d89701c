#pragma once
// The window-watch port on X11, on a connection of its own read on the Qt main thread: the
// watched client window's UnmapNotify and DestroyNotify, its _NET_WM_STATE gaining
// _NET_WM_STATE_HIDDEN and its WM_STATE turning Iconic, and the root's _NET_SHOWING_DESKTOP
// turning on. Nothing is selected while nothing is watched.

#include "platform/WindowWatch.h"

#include <QByteArray>

#include <cstdint>
#include <memory>

namespace fw {

namespace x11 {
class Connection;
class EventPump;
} // namespace x11

class X11WindowWatch final : public WindowWatch {
public:
    explicit X11WindowWatch(const QByteArray& displayName = {});
    ~X11WindowWatch() override;

    void watch(WindowId window, std::function<void()> hidden) override;
    void end() override;

    // Reads the queued events; calls the handler once the window is hidden.
    void drain();

private:
    bool hidden(const void* event) const;
    void select(std::uint32_t rootMask, std::uint32_t windowMask);

    QByteArray displayName_;
    std::unique_ptr<x11::Connection> conn_;
    std::unique_ptr<x11::EventPump> pump_;
    std::uint32_t showingDesktop_ = 0;   // the atom
    std::uint32_t window_ = 0;
    std::function<void()> handler_;
};

} // namespace fw
