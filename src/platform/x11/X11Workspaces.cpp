// The workspace port on X11 (X11Workspaces.h): the root window's _NET_CURRENT_DESKTOP, watched
// on a connection of its own while a handler is installed.
#include "platform/x11/X11Workspaces.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Input.h"

#include <QCoreApplication>

#include <cstring>

namespace fw {

using namespace x11;

X11Workspaces::X11Workspaces(const QByteArray& displayName) : displayName_(displayName) {}

X11Workspaces::~X11Workspaces() { setChangeHandler({}); }

void X11Workspaces::setChangeHandler(std::function<void()> handler)
{
    handler_ = std::move(handler);
    if (!handler_) {
        pump_.reset();
        conn_.reset();
        return;
    }
    if (conn_ || !QCoreApplication::instance())
        return;
    auto conn = std::make_unique<Connection>(displayName_);
    if (!conn->ok())
        return;
    xcb_connection_t* c = conn->raw();
    static const char name[] = "_NET_CURRENT_DESKTOP";
    auto atom = FW_XCB_REPLY(c, xcb_intern_atom, xcb_intern_atom(c, 0, std::strlen(name), name));
    if (!atom)
        return;
    atom_ = atom->atom;
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, conn->root(), XCB_CW_EVENT_MASK, &mask);
    conn_ = std::move(conn);
    current_ = readCurrent();
    pump_ = std::make_unique<EventPump>(conn_->raw(), [this] { drain(); });
    conn_->flush();
}

std::optional<std::uint32_t> X11Workspaces::readCurrent() const
{
    auto r = conn_->reply(conn_->property(conn_->root(), atom_, XCB_ATOM_CARDINAL, 1));
    return cardinal(r.p);
}

void X11Workspaces::drain()
{
    if (!conn_)
        return;
    bool changed = false;
    while (xcb_generic_event_t* e = xcb_poll_for_event(conn_->raw())) {
        if ((e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY
            && reinterpret_cast<xcb_property_notify_event_t*>(e)->atom == atom_)
            changed = true;
        free(e);
    }
    if (!changed)
        return;
    const auto now = readCurrent();
    if (now == current_)
        return;
    current_ = now;
    if (auto handler = handler_)
        handler();
}

} // namespace fw
