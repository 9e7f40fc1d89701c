// Application activations on X11: follows _NET_ACTIVE_WINDOW on a connection of its own and
// reports when the active window's process (or the window, when it states no pid) changes, and
// when the title of a watched window changes.
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
    follow();
}

void X11ApplicationActivations::setTitleHandler(std::function<void()> handler)
{
    titleHandler_ = std::move(handler);
    follow();
}

void X11ApplicationActivations::watchTitles(const std::vector<WindowId>& windows)
{
    std::unordered_set<std::uint32_t> wanted;
    for (const WindowId w : windows)
        wanted.insert(std::uint32_t(w));
    bool added = false;
    if (conn_) {
        for (const std::uint32_t w : titled_) {
            if (!wanted.contains(w))
                selectTitle(w, false);
        }
        for (const std::uint32_t w : wanted) {
            if (!titled_.contains(w)) {
                selectTitle(w, true);
                added = true;
            }
        }
        conn_->flush();
    }
    titled_ = std::move(wanted);
    if (!added)
        return;
    // The server has the selection once this returns: a title changed right after is told. The
    // round trip may queue events unseen by the notifier; they are drained on the next turn.
    xcb_connection_t* c = conn_->raw();
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    QMetaObject::invokeMethod(notifier_.get(), [this] { drain(); }, Qt::QueuedConnection);
}

void X11ApplicationActivations::selectTitle(std::uint32_t window, bool on)
{
    // A window closed meanwhile answers BadWindow, which arrives as an event and is dropped.
    const std::uint32_t events = on ? XCB_EVENT_MASK_PROPERTY_CHANGE : XCB_EVENT_MASK_NO_EVENT;
    xcb_change_window_attributes(conn_->raw(), window, XCB_CW_EVENT_MASK, &events);
}

void X11ApplicationActivations::follow()
{
    if (!handler_ && !titleHandler_) {
        // Removed from inside a handler: the notifier is emitting right now.
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
    for (const std::uint32_t w : titled_)
        selectTitle(w, true);
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

bool X11ApplicationActivations::call(const std::function<void()>& handler)
{
    if (!handler)
        return true;
    auto copy = handler;
    draining_ = true;
    copy();
    draining_ = false;
    return conn_ != nullptr;
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
    const Atoms& a = conn_->atoms();
    const xcb_atom_t activeAtom = a.netActiveWindow, nameAtom = a.netWmName;
    // The reads below can pull more events into the queue: go round until it is empty.
    for (int round = 0; round < 16 && conn_; ++round) {
        bool changed = false, titled = false, any = false;
        while (xcb_generic_event_t* e = round == 0 ? xcb_poll_for_event(c) : xcb_poll_for_queued_event(c)) {
            any = true;
            if ((e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
                const auto* p = reinterpret_cast<xcb_property_notify_event_t*>(e);
                if (p->window == conn_->root())
                    changed = changed || p->atom == activeAtom;
                else if (p->atom == nameAtom || p->atom == XCB_ATOM_WM_NAME)
                    titled = titled || titled_.contains(p->window);
            }
            free(e);
        }
        if (!any)
            break;
        if (titled && !call(titleHandler_))
            return;
        if (!changed)
            continue;
        const auto owner = activeOwner();
        const bool activated = owner && owner != owner_;
        owner_ = owner;
        if (activated && !call(handler_))
            return;
    }
}

} // namespace fw
