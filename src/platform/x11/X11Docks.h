#pragma once
// The space windows reserve along the screen's edges: the struts of docks and panels, and of a
// window manager's own taskbar (icewm's sits two levels inside a frame and is listed nowhere),
// with the work area and the screen's size, read on a connection of our own. Kept until the
// server tells of a change, and then read again for the windows concerned only: clients
// joining or leaving the window manager's client list, a strut set or removed on a dock or a
// window that stated one, such a window shown, hidden, moved or gone, the work area written,
// another window manager. Windows merely mapped (menus, our own panels) and other clients'
// property changes (titles) cost nothing. A change of what is kept is told to the one handler.

#include "base/Geometry.h"
#include "platform/Struts.h"

#include <xcb/xcb.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace fw::x11 {
class Connection;
class EventPump;
}

namespace fw {

class X11Docks {
public:
    X11Docks();
    ~X11Docks();
    X11Docks(const X11Docks&) = delete;
    X11Docks& operator=(const X11Docks&) = delete;

    bool ok() const { return conn_ != nullptr; }
    std::vector<Strut> struts() const;
    // The first desktop's _NET_WORKAREA; nothing when unset.
    std::optional<Rect> workArea() const { return workArea_; }
    Size screenSize() const { return screen_; }
    void setChangeHandler(std::function<void()> handler) { handler_ = std::move(handler); }

private:
    struct Pending {
        std::set<xcb_window_t> again;   // windows whose struts to read again
        bool area = false, size = false, list = false, rescan = false;
    };
    // Every child of the root and the client inside each frame: at start and under a new
    // window manager.
    void scan();
    std::vector<xcb_window_t> clientsIn(const std::vector<xcb_window_t>& tops);
    // Whether each window is shown and what it reserves; docks and windows with a strut are
    // listened to from then on, the others no longer.
    void readStruts(const std::vector<xcb_window_t>& windows);
    void readClientList();
    void readWorkArea();
    void readScreenSize();
    void note(const xcb_generic_event_t* e, Pending& p);
    void drain();

    std::unique_ptr<x11::Connection> conn_;
    std::unique_ptr<x11::EventPump> pump_;
    xcb_atom_t strutPartial_ = XCB_NONE, strut_ = XCB_NONE;
    // Window → the strut it states while shown; the window manager's clients.
    std::map<xcb_window_t, Strut> struts_;
    std::set<xcb_window_t> clients_;
    // Docks and windows that stated a strut: the only ones whose changes we listen to.
    std::set<xcb_window_t> listened_;
    std::optional<Rect> workArea_;
    Size screen_;
    std::function<void()> handler_;
};

} // namespace fw
