#pragma once
// Application activations on X11: PropertyNotify of _NET_ACTIVE_WINDOW on the root window, on
// a connection of its own read by the Qt main thread (a socket notifier). An activation is a
// change of the active window's process (_NET_WM_PID; the window itself when it states none);
// focus moving between windows of one application is none, nor is the focus leaving every window.
// Titles: PropertyNotify of _NET_WM_NAME or WM_NAME, selected on the watched client windows
// only (the selection is this connection's own, so other clients' masks stay as they are).

#include "platform/ApplicationActivations.h"

#include <QByteArray>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_set>

class QSocketNotifier;

namespace fw {

namespace x11 {
class Connection;
}

class X11ApplicationActivations final : public ApplicationActivations {
public:
    explicit X11ApplicationActivations(const QByteArray& displayName = {});
    ~X11ApplicationActivations() override;

    // Connects and watches while a handler is installed; closes the connection when both are removed.
    void setActivationHandler(std::function<void()> handler) override;
    void setTitleHandler(std::function<void()> handler) override;
    void watchTitles(const std::vector<WindowId>& windows) override;
    bool watching() const { return conn_ != nullptr; }

private:
    // Connects while either handler is installed, disconnects when none is.
    void follow();
    // Selects (or deselects) property changes on a watched window.
    void selectTitle(std::uint32_t window, bool on);
    void drain();
    // Calls a handler, which may remove itself; false when the connection closed meanwhile.
    bool call(const std::function<void()>& handler);
    // The owner of the active window now: its pid, else the window; nothing without one.
    std::optional<std::uint64_t> activeOwner();

    QByteArray displayName_;
    std::unique_ptr<x11::Connection> conn_;
    std::unique_ptr<x11::Connection> retired_;   // closed by the next start or the destructor
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> handler_;
    std::function<void()> titleHandler_;
    std::unordered_set<std::uint32_t> titled_;   // the windows whose titles are watched
    std::optional<std::uint64_t> owner_;
    bool draining_ = false;
};

} // namespace fw
