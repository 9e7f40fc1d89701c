// The focus history on X11: follows _NET_ACTIVE_WINDOW on a connection of its own and remembers
// the last active window of another process.
#include "platform/x11/X11FocusHistory.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Input.h"

#include <QCoreApplication>


namespace fw {

using namespace x11;

X11FocusHistory::X11FocusHistory(const QByteArray& displayName) : displayName_(displayName) { follow(); }

X11FocusHistory::~X11FocusHistory() = default;

bool X11FocusHistory::follow()
{
    if (conn_ || failed_)
        return conn_ != nullptr;
    if (!QCoreApplication::instance())
        return false;
    auto conn = std::make_unique<Connection>(displayName_);
    if (!conn->ok()) {
        failed_ = true;
        return false;
    }
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(conn->raw(), conn->root(), XCB_CW_EVENT_MASK, &events);
    conn_ = std::move(conn);
    pump_ = std::make_unique<EventPump>(conn_->raw(), [this] { drain(); });
    bool ours = false;
    if (const std::uint32_t w = active(ours); w && !ours)
        last_ = w;
    return true;
}

std::uint32_t X11FocusHistory::active(bool& ours)
{
    const Atoms& a = conn_->atoms();
    const auto w = cardinal(conn_->reply(conn_->property(conn_->root(), a.netActiveWindow, XCB_ATOM_WINDOW, 1)).p);
    if (!w || *w == XCB_NONE)
        return 0;
    ours = conn_->ofThisProcess(*w);
    return *w;
}

void X11FocusHistory::drain()
{
    if (!conn_)
        return;
    xcb_connection_t* c = conn_->raw();
    if (xcb_connection_has_error(c))
        return;
    const xcb_atom_t activeAtom = conn_->atoms().netActiveWindow;
    bool changed = false;
    while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
        if ((e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
            const auto* p = reinterpret_cast<xcb_property_notify_event_t*>(e);
            changed = changed || (p->window == conn_->root() && p->atom == activeAtom);
        }
        free(e);
    }
    if (!changed)
        return;
    bool ours = false;
    if (const std::uint32_t w = active(ours); w && !ours)
        last_ = w;
    // The reads above may have queued more events unseen by the socket's notifier.
    pump_->kick();
}

std::optional<WindowId> X11FocusHistory::windowBeforeOurs()
{
    if (!follow())
        return std::nullopt;
    drain();
    bool ours = false;
    const std::uint32_t w = active(ours);
    if (!w || !ours || last_ == 0)
        return std::nullopt;
    return WindowId(last_);
}

} // namespace fw
