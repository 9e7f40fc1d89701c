// The workspace port on X11: the desktop each monitor shows, from the current desktop, the
// desktops' viewports and names and, where there are several monitors, the desktops of the
// viewable managed windows; watched only while a handler is installed.
#include "platform/x11/X11Workspaces.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Input.h"

#include <QCoreApplication>
#include <QList>

#include <xcb/randr.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

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

std::vector<X11Workspaces::Seen> X11Workspaces::viewable(const std::vector<std::uint32_t>& clients) const
{
    // The desktops of the viewable windows (a window on every desktop names none), and where
    // their centres lie.
    xcb_connection_t* c = conn_->raw();
    struct Asked {
        xcb_get_property_cookie_t desktop;
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t corner;
    };
    std::vector<Asked> asked;
    for (std::uint32_t w : clients)
        asked.push_back({conn_->property(w, desktop_, XCB_ATOM_CARDINAL, 1), xcb_get_window_attributes(c, w),
                         xcb_get_geometry(c, w), xcb_translate_coordinates(c, w, conn_->root(), 0, 0)});
    std::vector<Seen> seen;
    for (const Asked& q : asked) {
        const auto d = cardinal(conn_->reply(q.desktop).p);
        auto attributes = FW_XCB_REPLY(c, xcb_get_window_attributes, q.attributes);
        auto geometry = FW_XCB_REPLY(c, xcb_get_geometry, q.geometry);
        auto corner = FW_XCB_REPLY(c, xcb_translate_coordinates, q.corner);
        if (d && *d != 0xffffffffu && attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE && geometry && corner)
            seen.push_back({*d, Point{corner->dst_x + geometry->width / 2.0, corner->dst_y + geometry->height / 2.0}});
    }
    return seen;
}

X11Workspaces::Shown X11Workspaces::readShown()
{
    const xcb_window_t root = conn_->root();
    const Atoms& a = conn_->atoms();
    xcb_connection_t* c = conn_->raw();
    auto currentCookie = conn_->property(root, current_, XCB_ATOM_CARDINAL, 1);
    auto viewportCookie = conn_->property(root, viewport_, XCB_ATOM_CARDINAL, 512);
    auto namesCookie = conn_->property(root, names_, a.utf8String, 4096);
    auto clientsCookie = conn_->property(root, a.netClientList, XCB_ATOM_WINDOW, 4096);
    auto headsCookie = xcb_randr_get_monitors(c, root, 1);
    const auto current = cardinal(conn_->reply(currentCookie).p);
    const auto viewports = cardinals(conn_->reply(viewportCookie).p);
    const QList<QByteArray> names = bytes(conn_->reply(namesCookie).p).split('\0');
    const auto clients = cardinals(conn_->reply(clientsCookie).p);
    std::vector<Rect> heads;
    if (auto m = FW_XCB_REPLY(c, xcb_randr_get_monitors, headsCookie))
        for (auto it = xcb_randr_get_monitors_monitors_iterator(m.p); it.rem; xcb_randr_monitor_info_next(&it))
            heads.emplace_back(it.data->x, it.data->y, it.data->width, it.data->height);
    const auto key = [&](std::uint32_t d) {
        return d < std::uint32_t(names.size()) && !names[d].isEmpty() ? QString::fromUtf8(names[d])
                                                                       : QString::number(d);
    };
    // A desktop without a viewport of its own lies where the first does.
    const auto where = [&](std::uint32_t d) {
        const std::size_t at = 2 * std::size_t(d) + 1 < viewports.size() ? 2 * std::size_t(d) : 0;
        return viewports.size() < 2 ? Monitor{0, 0} : Monitor{viewports[at], viewports[at + 1]};
    };
    std::set<Monitor> monitors;
    for (std::size_t i = 0; i + 1 < viewports.size(); i += 2)
        monitors.insert({viewports[i], viewports[i + 1]});
    Shown shown;
    if (monitors.size() < 2 && heads.size() < 2) {
        if (current)
            shown[where(*current)] = key(*current);
        return shown;
    }
    const std::vector<Seen> seen = viewable(clients);
    if (monitors.size() >= 2) {
        // Desktops with viewports on several monitors (i3): the current one is where its
        // viewport says, each other monitor shows the desktop of its viewable windows.
        if (current)
            shown[where(*current)] = key(*current);
        for (const Seen& w : seen)
            shown.try_emplace(where(w.desktop), key(w.desktop));
        return shown;
    }
    // Several monitors, and viewports that do not tell them apart. Windows of two desktops
    // viewable at once show a desktop per monitor (herbstluftwm): each monitor shows the desktop
    // of its windows, and the current desktop, shown by none of them, the one monitor without
    // windows; the focus moving between monitors changes the current desktop alone. Else one
    // desktop spans every monitor: the current one.
    for (const Seen& w : seen)
        perMonitor_ = perMonitor_ || w.desktop != seen.front().desktop;
    const auto at = [](const Rect& head) { return Monitor{std::int64_t(head.x()), std::int64_t(head.y())}; };
    if (!perMonitor_) {
        for (const Rect& head : heads)
            if (current)
                shown[at(head)] = key(*current);
        return shown;
    }
    std::vector<Monitor> empty;
    for (const Rect& head : heads) {
        const auto on = std::find_if(seen.begin(), seen.end(), [&](const Seen& w) { return head.contains(w.centre); });
        if (on != seen.end())
            shown[at(head)] = key(on->desktop);
        else
            empty.push_back(at(head));
    }
    const bool currentShown = current && std::any_of(seen.begin(), seen.end(), [&](const Seen& w) { return w.desktop == *current; });
    if (current && !currentShown && empty.size() == 1)
        shown[empty.front()] = key(*current);
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
