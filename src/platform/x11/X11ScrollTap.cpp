// The scroll tap on X11 (X11ScrollTap.h): the wheel buttons grabbed on the root window while
// installed, each notch handed to the handler.
#include "platform/x11/X11ScrollTap.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Input.h"

#include <QCoreApplication>

#include <vector>

namespace fw {

using namespace x11;

namespace {
constexpr std::uint8_t wheelButtons[] = {4, 5, 6, 7};
}

X11ScrollTap::X11ScrollTap(const QByteArray& displayName) : displayName_(displayName) {}

X11ScrollTap::~X11ScrollTap()
{
    pump_.reset();
    conn_.reset();
}

bool X11ScrollTap::install(std::function<void(const ScrollEvent&)> handler)
{
    if (installed_)
        remove();
    if (!conn_) {
        conn_ = std::make_unique<Connection>(displayName_);
        if (conn_->ok() && QCoreApplication::instance())
            pump_ = std::make_unique<EventPump>(conn_->raw(), [this] { drain(); });
    }
    if (!conn_->ok() || !pump_)
        return false;
    xcb_connection_t* c = conn_->raw();
    std::vector<xcb_void_cookie_t> cookies;
    for (std::uint8_t button : wheelButtons)
        cookies.push_back(xcb_grab_button_checked(c, 0, conn_->root(), XCB_EVENT_MASK_BUTTON_PRESS,
                                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE,
                                                  button, XCB_MOD_MASK_ANY));
    bool ok = true;
    for (xcb_void_cookie_t cookie : cookies) {
        if (xcb_generic_error_t* e = xcb_request_check(c, cookie)) {
            ok = false;
            free(e);
        }
    }
    if (!ok) {
        xcb_ungrab_button(c, XCB_BUTTON_INDEX_ANY, conn_->root(), XCB_MOD_MASK_ANY);
        conn_->flush();
        return false;
    }
    handler_ = std::move(handler);
    installed_ = true;
    pump_->kick();
    return true;
}

void X11ScrollTap::remove()
{
    if (!installed_)
        return;
    installed_ = false;
    handler_ = nullptr;
    // Checked: once this returns, the server has let go, and the next notch is the application's.
    xcb_connection_t* c = conn_->raw();
    free(xcb_request_check(c, xcb_ungrab_button_checked(c, XCB_BUTTON_INDEX_ANY, conn_->root(), XCB_MOD_MASK_ANY)));
}

void X11ScrollTap::drain()
{
    if (!conn_ || xcb_connection_has_error(conn_->raw()))
        return;
    std::vector<ScrollEvent> events;
    while (xcb_generic_event_t* e = xcb_poll_for_event(conn_->raw())) {
        if ((e->response_type & 0x7f) == XCB_BUTTON_PRESS) {
            // Button 4 scrolls up (one line up), 5 down; 6 and 7 are sideways: no vertical notch.
            const std::uint8_t button = reinterpret_cast<const xcb_button_press_event_t*>(e)->detail;
            ScrollEvent ev;
            ev.lineDelta = button == 4 ? 1 : button == 5 ? -1 : 0;
            events.push_back(ev);
        }
        free(e);
    }
    for (const ScrollEvent& ev : events)
        if (installed_ && handler_)
            handler_(ev);
}

} // namespace fw
