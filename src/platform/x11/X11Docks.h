#pragma once
// The space windows reserve along the screen's edges: the struts of docks, panels and a window
// manager's own taskbar (icewm's sits inside a frame and is listed nowhere), with the work area
// and the screen's size, read on a connection of our own. Kept until the server tells of a
// change — a window mapped, unmapped or gone from the root, a strut set, a holder moved, the
// work area written — and then read again for the windows concerned only; a change that alters
// what is kept is told to the one handler.

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
    // Reads the given children of the root again: whether each is shown, and the strut of the
    // window in it that states one (itself, or the client inside a frame).
    void probe(const std::vector<xcb_window_t>& tops);
    // Hears of a window's changes (the mask's), as part of the root child it is in.
    void listen(xcb_window_t w, xcb_window_t top, std::uint32_t mask);
    void readStruts(const std::vector<std::pair<xcb_window_t, xcb_window_t>>& holders);
    void readWorkArea();
    void readScreenSize();
    struct Pending {
        std::set<xcb_window_t> again;   // root children to read again
        bool area = false, size = false;
    };
    void note(const xcb_generic_event_t* e, Pending& p);
    void drain();
    void forget(xcb_window_t top);

    std::unique_ptr<x11::Connection> conn_;
    std::unique_ptr<x11::EventPump> pump_;
    xcb_atom_t strutPartial_ = XCB_NONE, strut_ = XCB_NONE;
    // Root child → the strut stated in it; windows we listen to → their root child.
    std::map<xcb_window_t, Strut> struts_;
    std::map<xcb_window_t, xcb_window_t> topOf_;
    std::optional<Rect> workArea_;
    Size screen_;
    std::function<void()> handler_;
};

} // namespace fw
