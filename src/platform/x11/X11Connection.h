#pragma once
// One xcb connection of the X11 adapters with the atoms they use, plus the small helpers that
// read properties. Every request that may fail because a window has just closed is read with
// its error taken and dropped: a closed window is a failed read, never a crash or a log line.

#include <QByteArray>
#include <QString>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <type_traits>
#include <utility>
#include <optional>
#include <vector>

namespace fw::x11 {

struct Atoms {
    xcb_atom_t netSupported, netSupportingWmCheck, netClientList, netClientListStacking,
        netActiveWindow, netRestackWindow, netMoveresizeWindow, netRequestFrameExtents,
        netFrameExtents, gtkFrameExtents, netWmPid, netWmName, utf8String, netWmWindowType,
        netWmWindowTypeNormal, netWmWindowTypeDock, netWmWindowTypeDesktop, netWmState,
        netWmStateHidden, netWmStateFullscreen, netWmStateMaximizedVert, netWmStateMaximizedHorz,
        netWmAllowedActions, netWmActionMove, netWmActionResize, wmState, wmTransientFor,
        netWorkarea, edid, compoundText;
    // The other window types a client may name, so that the first one known can be chosen.
    xcb_atom_t netWmWindowTypeDialog, netWmWindowTypeToolbar, netWmWindowTypeMenu,
        netWmWindowTypeUtility, netWmWindowTypeSplash, netWmWindowTypeDropdownMenu,
        netWmWindowTypePopupMenu, netWmWindowTypeTooltip, netWmWindowTypeNotification,
        netWmWindowTypeCombo, netWmWindowTypeDnd;
    // Leaving the maximized state, and windows kept above or below the others.
    xcb_atom_t netWmActionMaximizeHorz, netWmActionMaximizeVert, netWmStateAbove, netWmStateBelow;
    // Rolled-up windows, and the ICCCM request that iconifies a window.
    xcb_atom_t netWmStateShaded, wmChangeState;
    // The id a GTK application gives its windows.
    xcb_atom_t gtkApplicationId;
    // The pictures a window publishes as its icon.
    xcb_atom_t netWmIcon;
    // ICCCM's messages to a client, and the one that tells it to take the keyboard.
    xcb_atom_t wmProtocols, wmTakeFocus;
    // The role a client gives a window (ICCCM), which a launch may ask a terminal to set.
    xcb_atom_t wmWindowRole;
};

// Ownership-taking reply pointer.
template<typename T>
struct Reply {
    T* p = nullptr;
    Reply() = default;
    explicit Reply(T* r) : p(r) {}
    Reply(Reply&& o) noexcept : p(o.p) { o.p = nullptr; }
    Reply& operator=(Reply&& o) noexcept { std::swap(p, o.p); return *this; }
    Reply(const Reply&) = delete;
    Reply& operator=(const Reply&) = delete;
    ~Reply() { free(p); }
    T* operator->() const { return p; }
    T* get() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

// Takes ownership of a reply fetched without an error pointer.
template<typename T>
Reply<T> owned(T* p) { return Reply<T>(p); }

// Takes the reply of a request, dropping any error (e.g. BadWindow for a closed window).
#define FW_XCB_REPLY(conn, name, cookie)                                                   \
    ([&] {                                                                                 \
        xcb_generic_error_t* fwError = nullptr;                                            \
        auto* fwReply = name##_reply((conn), (cookie), &fwError);                          \
        free(fwError);                                                                     \
        return ::fw::x11::Reply<std::remove_pointer_t<decltype(fwReply)>>(fwReply);        \
    }())

class Connection {
public:
    // Connects to the given display name, or to $DISPLAY when empty.
    explicit Connection(const QByteArray& displayName = {});
    // Uses a connection owned by someone else (e.g. Qt's); it is not closed here.
    explicit Connection(xcb_connection_t* borrowed, int screen);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool ok() const;
    xcb_connection_t* raw() const { return c_; }
    xcb_window_t root() const { return root_; }
    const xcb_screen_t* screen() const { return screen_; }
    const Atoms& atoms() const { return atoms_; }
    void flush() const;

    // Cookie for a property of up to `longs` 32-bit units, from `offset` such units on.
    xcb_get_property_cookie_t property(xcb_window_t w, xcb_atom_t prop, xcb_atom_t type = XCB_ATOM_ANY,
                                       std::uint32_t longs = 1024, std::uint32_t offset = 0) const;
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_cookie_t cookie) const;

    // Sends a 32-bit client message to the root window, as EWMH pagers do.
    void sendRootMessage(xcb_window_t window, xcb_atom_t type, std::uint32_t d0, std::uint32_t d1 = 0,
                         std::uint32_t d2 = 0, std::uint32_t d3 = 0, std::uint32_t d4 = 0) const;
    // Sends a client one of ICCCM's WM_PROTOCOLS messages (WM_TAKE_FOCUS), as a window manager does.
    void sendProtocolMessage(xcb_window_t client, xcb_atom_t protocol, std::uint32_t time) const;

    // Drops whatever is queued (events and errors of earlier requests).
    void drainQueue() const;

    // Whether the window's _NET_WM_PID names this process (the toolkit sets it on every window
    // of ours, override-redirect ones too).
    bool ofThisProcess(xcb_window_t w) const;

private:
    void init(int screenNumber);
    void sendMessage(xcb_window_t to, std::uint32_t eventMask, xcb_window_t window, xcb_atom_t type,
                     const std::uint32_t (&data)[5]) const;
    xcb_connection_t* c_ = nullptr;
    bool owned_ = true;
    xcb_window_t root_ = XCB_NONE;
    const xcb_screen_t* screen_ = nullptr;
    Atoms atoms_{};
};

// Property value helpers; an absent or malformed property gives an empty result.
std::vector<std::uint32_t> cardinals(const xcb_get_property_reply_t* r);
std::optional<std::uint32_t> cardinal(const xcb_get_property_reply_t* r);
QByteArray bytes(const xcb_get_property_reply_t* r);
// UTF8_STRING as UTF-8; STRING (and compound text, approximately) as Latin-1.
std::optional<QString> text(const xcb_get_property_reply_t* r, const Atoms& atoms);

// Milliseconds on a steady clock, for bounded waits on the connection.
std::int64_t nowMs();
// Waits until the connection's fd is readable or the deadline (nowMs() value) passes.
// False when the deadline passed or the connection broke.
bool waitReadable(xcb_connection_t* c, std::int64_t deadlineMs);

} // namespace fw::x11
