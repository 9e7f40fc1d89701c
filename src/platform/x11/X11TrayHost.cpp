// Follows the XEmbed tray host on a connection of its own: its selection's owner through XFixes,
// and the icon colour it states in _NET_SYSTEM_TRAY_COLORS through property notices; and the
// StatusNotifier host on the session bus.
#include "platform/x11/X11TrayHost.h"

#include "platform/x11/StatusNotifierWatch.h"
#include "platform/x11/X11Connection.h"

#include <QGuiApplication>
#include <QSocketNotifier>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdlib>
#include <cstring>

namespace fw {

namespace {

using x11::owned;

xcb_atom_t internAtom(xcb_connection_t* c, const char* name)
{
    auto r = owned(xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr));
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}

} // namespace

void X11TrayHost::FreeEvent::operator()(void* event) const { std::free(event); }

X11TrayHost::X11TrayHost()
{
    notifiers_ = std::make_unique<StatusNotifierWatch>([this] { tell(); });
    if (!qGuiApp || !qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
        return;
    int screen = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screen && it.rem; ++i)
        xcb_screen_next(&it);
    const auto* xfixes = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (!it.rem || !xfixes || !xfixes->present
        || !owned(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 1, 0), nullptr))) {
        xcb_disconnect(c);
        return;
    }
    connection_ = c;
    root_ = it.data->root;
    xfixesEvent_ = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
    const QByteArray selection = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen);
    selection_ = internAtom(c, selection.constData());
    colors_ = internAtom(c, "_NET_SYSTEM_TRAY_COLORS");
    // Selected before the owner is read, so that no change falls between the two.
    xcb_xfixes_select_selection_input(c, root_, selection_,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER
                                          | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
                                          | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { drain(); });
    ownerChanged(readOwner());
    drain();
}

X11TrayHost::~X11TrayHost()
{
    notifier_.reset();
    held_.reset();
    if (connection_)
        xcb_disconnect(connection_);
}

void X11TrayHost::drain()
{
    // A storm of notices costs one read: the last owner heard, and the colours read once.
    Notices notices;
    if (held_) {
        note(held_.get(), notices);
        held_.reset();
    }
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        note(event, notices);
        std::free(event);
    }
    if (notices.ownerMoved)
        ownerChanged(owner_);
    else if (notices.colors)
        colorsChanged(false);
    if (xcb_connection_has_error(connection_)) {
        notifier_->setEnabled(false);
        return;
    }
    // Notices read while waiting for the reply wake no notifier: they are handled on the next
    // turn, after whatever else waits.
    if (notices.ownerMoved || notices.colors) {
        if (xcb_generic_event_t* queued = xcb_poll_for_queued_event(connection_)) {
            held_.reset(queued);
            QMetaObject::invokeMethod(notifier_.get(), [this] { drain(); }, Qt::QueuedConnection);
        }
    }
}

void X11TrayHost::note(const void* raw, Notices& notices)
{
    const auto* event = static_cast<const xcb_generic_event_t*>(raw);
    const std::uint8_t kind = event->response_type & 0x7f;
    if (kind == xfixesEvent_) {
        const auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
        if (notify->selection == selection_ && notify->owner != owner_) {
            owner_ = notify->owner;
            notices.ownerMoved = true;
        }
    } else if (kind == XCB_PROPERTY_NOTIFY) {
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (notify->window == owner_ && owner_ != XCB_WINDOW_NONE && notify->atom == colors_)
            notices.colors = true;
    }
}

std::uint32_t X11TrayHost::readOwner() const
{
    if (!connection_ || selection_ == XCB_ATOM_NONE)
        return XCB_WINDOW_NONE;
    auto owner = owned(xcb_get_selection_owner_reply(connection_, xcb_get_selection_owner(connection_, selection_), nullptr));
    return owner ? owner->owner : std::uint32_t(XCB_WINDOW_NONE);
}

bool X11TrayHost::present() const { return owner_ != XCB_WINDOW_NONE; }

bool X11TrayHost::statusNotifierHost() const { return notifiers_ && notifiers_->host(); }

bool X11TrayHost::settled() const { return !notifiers_ || notifiers_->settled(); }

std::optional<std::uint32_t> X11TrayHost::iconColor() const { return color_; }

void X11TrayHost::setChangeHandler(std::function<void()> changed)
{
    changed_ = std::move(changed);
    if (changed_ && notifiers_)
        notifiers_->start();
}

void X11TrayHost::ownerChanged(std::uint32_t owner)
{
    owner_ = owner;
    if (owner_ != XCB_WINDOW_NONE) {
        // Its colours may change while it runs; a window gone already fails quietly.
        const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(connection_, owner_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection_);
    }
    colorsChanged(true);
}

void X11TrayHost::colorsChanged(bool always)
{
    // Twelve cardinals of 16-bit channels: the foreground's red, green and blue come first.
    const std::optional<std::uint32_t> before = color_;
    color_.reset();
    if (owner_ != XCB_WINDOW_NONE && colors_ != XCB_ATOM_NONE) {
        xcb_generic_error_t* error = nullptr;
        auto r = owned(xcb_get_property_reply(
            connection_, xcb_get_property(connection_, 0, owner_, colors_, XCB_ATOM_CARDINAL, 0, 12), &error));
        std::free(error);
        if (r && r->format == 32 && xcb_get_property_value_length(r.get()) >= 12) {
            const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(r.get()));
            color_ = ((v[0] >> 8) & 0xff) << 16 | ((v[1] >> 8) & 0xff) << 8 | ((v[2] >> 8) & 0xff);
        }
    }
    if (always || color_ != before)
        tell();
}

void X11TrayHost::tell()
{
    if (changed_) {
        auto changed = changed_;
        changed();
    }
}

} // namespace fw
