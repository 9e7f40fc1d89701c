#pragma once
// The workspace port on X11: what the displays show is, per monitor, one desktop. The current
// desktop (_NET_CURRENT_DESKTOP) is shown on the monitor its viewport (_NET_DESKTOP_VIEWPORT)
// names; under managers with a workspace per monitor (i3), where desktops have viewports on
// several monitors, the other monitors show the desktops of their viewable windows
// (_NET_WM_DESKTOP). Under managers whose viewports do not tell monitors apart (herbstluftwm),
// each of RandR's monitors shows the desktop of the viewable windows on it once windows of two
// desktops were seen viewable at once. A change is a monitor showing another desktop than
// before, never the current desktop following the focus between monitors that keep theirs. Watched on a
// connection of its own (property changes of the root window, read on the Qt main thread) only
// while a handler is installed.

#include "base/Geometry.h"
#include "platform/Workspaces.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

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

    // Reads the queued events; a monitor that now shows another desktop calls the handler once.
    void drain();

    // Per viewport (a monitor's origin), the name of the desktop it shows (its index where it
    // has no name); monitors not known to show one are left out.
    using Monitor = std::pair<std::int64_t, std::int64_t>;
    using Shown = std::map<Monitor, QString>;

private:
    Shown readShown();
    // A viewable client's desktop and its centre on the root.
    struct Seen {
        std::uint32_t desktop;
        Point centre;
    };
    std::vector<Seen> viewable(const std::vector<std::uint32_t>& clients) const;

    QByteArray displayName_;
    std::unique_ptr<x11::Connection> conn_;
    std::unique_ptr<x11::EventPump> pump_;
    std::uint32_t current_ = 0, viewport_ = 0, names_ = 0, desktop_ = 0;
    Shown shown_;
    bool perMonitor_ = false;   // windows of two desktops were seen viewable at once
    std::function<void()> handler_;
};

} // namespace fw
