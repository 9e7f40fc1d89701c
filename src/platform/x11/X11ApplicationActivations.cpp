// Application activations on X11 (X11ApplicationActivations.h): changes of the active window's
// process, from PropertyNotify of _NET_ACTIVE_WINDOW on a connection of its own.
#include "platform/x11/X11ApplicationActivations.h"

#include "platform/x11/X11Connection.h"

#include <QCoreApplication>
#include <QSocketNotifier>

namespace fw {

using namespace x11;

namespace {
// Owners that are windows, not processes, are kept apart from pids by this bit.
constexpr std::uint64_t kWindowOwner = std::uint64_t(1) << 40;
} // namespace

X11ApplicationActivations::X11ApplicationActivations(const QByteArray& displayName) : displayName_(displayName) {}

X11ApplicationActivations::~X11ApplicationActivations() = default;

void X11ApplicationActivations::setActivationHandler(std::function<void()> handler)
{
    handler_ = std::move(handler);
    if (!handler_) {
        // Removed from inside the handler: the notifier is emitting right now.
        if (draining_ && notifier_) {
            notifier_->setEnabled(false);
            notifier_.release()->deleteLater();
            retired_ = std::move(conn_);
        }
        notifier_.reset();
        conn_.reset();
        return;
    }
    if (!draining_)
        retired_.reset();
    if (conn_ || !QCoreApplication::instance())
        return;
    auto conn = std::make_unique<Connection>(displayName_);
    if (!conn->ok())
        return;
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(conn->raw(), conn->root(), XCB_CW_EVENT_MASK, &events);
    conn_ = std::move(conn);
    owner_ = activeOwner();
    notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(conn_->raw()), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { drain(); });
}

std::optional<std::uint64_t> X11ApplicationActivations::activeOwner()
{
    const Atoms& a = conn_->atoms();
    const auto active = cardinal(conn_->reply(conn_->property(conn_->root(), a.netActiveWindow, XCB_ATOM_WINDOW, 1)).p);
    if (!active || *active == XCB_NONE)
        return std::nullopt;
    if (const auto pid = cardinal(conn_->reply(conn_->property(*active, a.netWmPid, XCB_ATOM_CARDINAL, 1)).p))
        return std::uint64_t(*pid);
    return kWindowOwner | *active;
}

void X11ApplicationActivations::drain()
{
    if (!conn_)
        return;
    xcb_connection_t* c = conn_->raw();
    if (xcb_connection_has_error(c)) {
        notifier_->setEnabled(false);
        return;
    }
    const xcb_atom_t activeAtom = conn_->atoms().netActiveWindow;
    // The reads below can pull more events into the queue: go round until it is empty.
    for (int round = 0; round < 16 && conn_; ++round) {
        bool changed = false, any = false;
        while (xcb_generic_event_t* e = round == 0 ? xcb_poll_for_event(c) : xcb_poll_for_queued_event(c)) {
            any = true;
            if ((e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY
                && reinterpret_cast<xcb_property_notify_event_t*>(e)->atom == activeAtom)
                changed = true;
            free(e);
        }
        if (!any)
            break;
        if (!changed)
            continue;
        const auto owner = activeOwner();
        const bool activated = owner && owner != owner_;
        owner_ = owner;
        if (!activated || !handler_)
            continue;
        auto handler = handler_;
        draining_ = true;
        handler();
        draining_ = false;
        if (!conn_)
            return;
    }
}

} // namespace fw
