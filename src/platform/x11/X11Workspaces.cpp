// The workspace port on X11: the desktop each monitor shows, from the current desktop, the
// desktops' viewports and names and, where desktops lie on several monitors, the desktops of
// the viewable managed windows; watched only while a handler is installed.
#include "platform/x11/X11Workspaces.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Input.h"

#include <QCoreApplication>
#include <QList>

#include <cstring>
#include <set>

namespace fw {

using namespace x11;

namespace {

xcb_atom_t intern(xcb_connection_t* c, const char* name)
{
    auto atom = FW_XCB_REPLY(c, xcb_intern_atom, xcb_intern_atom(c, 0, std::strlen(name), name));
    return atom ? atom->atom : XCB_NONE;
}

} // namespace

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
    current_ = intern(c, "_NET_CURRENT_DESKTOP");
    viewport_ = intern(c, "_NET_DESKTOP_VIEWPORT");
    names_ = intern(c, "_NET_DESKTOP_NAMES");
    desktop_ = intern(c, "_NET_WM_DESKTOP");
    if (current_ == XCB_NONE)
        return;
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, conn->root(), XCB_CW_EVENT_MASK, &mask);
    conn_ = std::move(conn);
    shown_ = readShown();
    pump_ = std::make_unique<EventPump>(conn_->raw(), [this] { drain(); });
    conn_->flush();
}

X11Workspaces::Shown X11Workspaces::readShown() const
{
    const xcb_window_t root = conn_->root();
    const Atoms& a = conn_->atoms();
    auto currentCookie = conn_->property(root, current_, XCB_ATOM_CARDINAL, 1);
    auto viewportCookie = conn_->property(root, viewport_, XCB_ATOM_CARDINAL, 512);
    auto namesCookie = conn_->property(root, names_, a.utf8String, 4096);
    const auto current = cardinal(conn_->reply(currentCookie).p);
    const auto viewports = cardinals(conn_->reply(viewportCookie).p);
    const QList<QByteArray> names = bytes(conn_->reply(namesCookie).p).split('\0');
    const auto key = [&](std::uint32_t d) {
        return d < std::uint32_t(names.size()) && !names[d].isEmpty() ? QString::fromUtf8(names[d])
                                                                       : QString::number(d);
    };
    // A desktop without a viewport of its own lies where the first does.
    const auto where = [&](std::uint32_t d) {
        const std::size_t at = 2 * std::size_t(d) + 1 < viewports.size() ? 2 * std::size_t(d) : 0;
        return viewports.size() < 2 ? std::pair<std::int64_t, std::int64_t>{0, 0}
                                    : std::pair<std::int64_t, std::int64_t>{viewports[at], viewports[at + 1]};
    };
    Shown shown;
    if (current)
        shown[where(*current)] = key(*current);
    std::set<std::pair<std::int64_t, std::int64_t>> monitors;
    for (std::size_t i = 0; i + 1 < viewports.size(); i += 2)
        monitors.insert({viewports[i], viewports[i + 1]});
    if (monitors.size() < 2)
        return shown;
    // Desktops on several monitors: each other monitor shows the desktop of its viewable
    // windows (a window on every desktop names none).
    xcb_connection_t* c = conn_->raw();
    const auto clients = cardinals(conn_->reply(conn_->property(root, a.netClientList, XCB_ATOM_WINDOW, 4096)).p);
    std::vector<std::pair<xcb_get_property_cookie_t, xcb_get_window_attributes_cookie_t>> asked;
    for (std::uint32_t w : clients)
        asked.emplace_back(conn_->property(w, desktop_, XCB_ATOM_CARDINAL, 1), xcb_get_window_attributes(c, w));
    for (const auto& [desktopCookie, attributesCookie] : asked) {
        const auto d = cardinal(conn_->reply(desktopCookie).p);
        auto attributes = FW_XCB_REPLY(c, xcb_get_window_attributes, attributesCookie);
        if (d && *d != 0xffffffffu && attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            shown.try_emplace(where(*d), key(*d));
    }
    return shown;
}

void X11Workspaces::drain()
{
    if (!conn_)
        return;
    bool changed = false;
    while (xcb_generic_event_t* e = xcb_poll_for_event(conn_->raw())) {
        if ((e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
            const xcb_atom_t atom = reinterpret_cast<xcb_property_notify_event_t*>(e)->atom;
            changed = changed || atom == current_ || atom == viewport_ || atom == names_;
        }
        free(e);
    }
    if (!changed)
        return;
    // A monitor not known to show a desktop now keeps the one it showed last.
    bool other = false;
    for (auto& [monitor, desktop] : readShown()) {
        auto& before = shown_[monitor];
        other = other || (!before.isEmpty() && before != desktop);
        before = desktop;
    }
    if (!other)
        return;
    if (auto handler = handler_)
        handler();
}

} // namespace fw
