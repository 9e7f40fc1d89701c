// Reads the struts of docks, panels and a window manager's own taskbar with the work area and
// screen size, and on a server event reads again only the windows it concerns.
#include "platform/x11/X11Docks.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Input.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstring>
#include <set>
#include <tuple>

namespace fw {

using namespace x11;

namespace {

// How deep below a window manager's frame the client window may sit (icewm: two levels).
constexpr int kClientDepth = 3;

xcb_atom_t intern(xcb_connection_t* c, const char* name)
{
    auto r = FW_XCB_REPLY(c, xcb_intern_atom, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name));
    return r ? r->atom : XCB_NONE;
}

std::vector<xcb_window_t> childrenOf(const xcb_query_tree_reply_t* r)
{
    if (!r)
        return {};
    const xcb_window_t* kids = xcb_query_tree_children(r);
    return std::vector<xcb_window_t>(kids, kids + xcb_query_tree_children_length(r));
}

// The partial strut when a window states one, else its plain strut over its own extent.
std::optional<Strut> strutOf(const std::vector<std::uint32_t>& partial, const std::vector<std::uint32_t>& plain,
                             const Rect& window)
{
    const auto d = [](std::uint32_t v) { return double(v); };
    if (partial.size() >= 12) {
        const auto& p = partial;
        return Strut{d(p[0]), d(p[1]), d(p[2]),  d(p[3]),  d(p[4]),  d(p[5]),
                     d(p[6]), d(p[7]), d(p[8]), d(p[9]), d(p[10]), d(p[11])};
    }
    if (plain.size() >= 4)
        return Strut::along(d(plain[0]), d(plain[1]), d(plain[2]), d(plain[3]), window);
    return std::nullopt;
}

} // namespace

X11Docks::X11Docks()
{
    if (!QCoreApplication::instance())
        return;
    auto conn = std::make_unique<Connection>();
    if (!conn->ok())
        return;
    xcb_connection_t* c = conn->raw();
    strutPartial_ = intern(c, "_NET_WM_STRUT_PARTIAL");
    strut_ = intern(c, "_NET_WM_STRUT");
    // Listening before reading: nothing that changes meanwhile goes unheard.
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, conn->root(), XCB_CW_EVENT_MASK, &mask);
    conn_ = std::move(conn);
    readScreenSize();
    readWorkArea();
    scan();
    pump_ = std::make_unique<EventPump>(c, [this] { drain(); });
    conn_->flush();
}

X11Docks::~X11Docks() = default;

std::vector<Strut> X11Docks::struts() const
{
    std::vector<Strut> out;
    for (const auto& [window, strut] : struts_)
        out.push_back(strut);
    return out;
}

void X11Docks::readScreenSize()
{
    xcb_connection_t* c = conn_->raw();
    if (auto g = FW_XCB_REPLY(c, xcb_get_geometry, xcb_get_geometry(c, conn_->root())))
        screen_ = Size{double(g->width), double(g->height)};
}

void X11Docks::readWorkArea()
{
    const auto v = cardinals(conn_->reply(conn_->property(conn_->root(), conn_->atoms().netWorkarea, XCB_ATOM_CARDINAL, 4)).p);
    workArea_.reset();
    if (v.size() >= 4 && v[2] != 0 && v[3] != 0)
        workArea_ = Rect(std::int32_t(v[0]), std::int32_t(v[1]), v[2], v[3]);
}

void X11Docks::scan()
{
    xcb_connection_t* c = conn_->raw();
    auto tree = FW_XCB_REPLY(c, xcb_query_tree, xcb_query_tree(c, conn_->root()));
    const std::vector<xcb_window_t> tops = childrenOf(tree.p);
    std::vector<xcb_window_t> windows = clientsIn(tops);
    windows.insert(windows.end(), tops.begin(), tops.end());
    struts_.clear();
    clients_.clear();
    readStruts(windows);
    readClientList();
}

std::vector<xcb_window_t> X11Docks::clientsIn(const std::vector<xcb_window_t>& tops)
{
    xcb_connection_t* c = conn_->raw();
    std::vector<xcb_window_t> clients;
    std::vector<xcb_window_t> level = tops;
    // One level a round for every frame at once; a window with WM_STATE is a client and ends
    // its branch.
    for (int depth = 0; depth <= kClientDepth && !level.empty(); ++depth) {
        std::vector<std::pair<xcb_get_property_cookie_t, xcb_query_tree_cookie_t>> asked;
        for (xcb_window_t w : level)
            asked.emplace_back(conn_->property(w, conn_->atoms().wmState, XCB_ATOM_ANY, 2), xcb_query_tree(c, w));
        std::vector<xcb_window_t> next;
        for (std::size_t i = 0; i < level.size(); ++i) {
            const auto state = conn_->reply(asked[i].first);
            const auto kids = FW_XCB_REPLY(c, xcb_query_tree, asked[i].second);
            if (state && state->type != XCB_NONE) {
                clients.push_back(level[i]);
                continue;
            }
            for (xcb_window_t kid : childrenOf(kids.p))
                next.push_back(kid);
        }
        level = std::move(next);
    }
    return clients;
}

void X11Docks::readStruts(const std::vector<xcb_window_t>& windows)
{
    xcb_connection_t* c = conn_->raw();
    struct Ask {
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_property_cookie_t partial, plain, type;
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t origin;
    };
    // Listening before reading: a strut set or a window shown after the read is heard of.
    const std::uint32_t both = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    for (xcb_window_t w : windows)
        xcb_change_window_attributes(c, w, XCB_CW_EVENT_MASK, &both);
    std::vector<Ask> asks;
    for (xcb_window_t w : windows)
        asks.push_back({xcb_get_window_attributes(c, w), conn_->property(w, strutPartial_, XCB_ATOM_CARDINAL, 12),
                        conn_->property(w, strut_, XCB_ATOM_CARDINAL, 4),
                        conn_->property(w, conn_->atoms().netWmWindowType, XCB_ATOM_ATOM, 16), xcb_get_geometry(c, w),
                        xcb_translate_coordinates(c, w, conn_->root(), 0, 0)});
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const xcb_window_t w = windows[i];
        auto attributes = FW_XCB_REPLY(c, xcb_get_window_attributes, asks[i].attributes);
        const auto partial = cardinals(conn_->reply(asks[i].partial).p);
        const auto plain = cardinals(conn_->reply(asks[i].plain).p);
        const auto types = cardinals(conn_->reply(asks[i].type).p);
        auto geometry = FW_XCB_REPLY(c, xcb_get_geometry, asks[i].geometry);
        auto origin = FW_XCB_REPLY(c, xcb_translate_coordinates, asks[i].origin);
        struts_.erase(w);
        if (!attributes || !geometry || !origin) {
            listened_.erase(w);   // gone
            continue;
        }
        const auto strut = strutOf(partial, plain, Rect(origin->dst_x, origin->dst_y, geometry->width, geometry->height));
        const bool states = strut && strut->reserves();
        // Only docks and windows that stated a strut are listened to on: any other client's
        // property changes (a terminal retitling itself on every command) would wake us for
        // nothing. A strut such a window sets later shows in the work area, which is read again.
        const bool dock = std::find(types.begin(), types.end(), conn_->atoms().netWmWindowTypeDock) != types.end();
        if (states || dock) {
            listened_.insert(w);
        } else if (!listened_.count(w)) {
            const std::uint32_t none = XCB_EVENT_MASK_NO_EVENT;
            xcb_change_window_attributes(c, w, XCB_CW_EVENT_MASK, &none);
        }
        // Only a shown window reserves space: a client the window manager has hidden (iconic)
        // is unmapped, while one whose frame is about to show is mapped but not yet viewable.
        if (states && attributes->map_state != XCB_MAP_STATE_UNMAPPED)
            struts_[w] = *strut;
    }
}

void X11Docks::readClientList()
{
    const auto listed = cardinals(conn_->reply(conn_->property(conn_->root(), conn_->atoms().netClientList, XCB_ATOM_WINDOW)).p);
    const std::set<xcb_window_t> now(listed.begin(), listed.end());
    std::vector<xcb_window_t> joined;
    for (xcb_window_t w : now)
        if (!clients_.count(w))
            joined.push_back(w);
    for (xcb_window_t w : clients_)
        if (!now.count(w))
            struts_.erase(w);
    clients_ = now;
    readStruts(joined);
}

// What one event asks to read again.
void X11Docks::note(const xcb_generic_event_t* e, Pending& p)
{
    const xcb_window_t root = conn_->root();
    switch (e->response_type & 0x7f) {
    case XCB_MAP_NOTIFY:
        p.again.insert(reinterpret_cast<const xcb_map_notify_event_t*>(e)->window);
        break;
    case XCB_UNMAP_NOTIFY:
        p.again.insert(reinterpret_cast<const xcb_unmap_notify_event_t*>(e)->window);
        break;
    case XCB_DESTROY_NOTIFY: {
        const xcb_window_t w = reinterpret_cast<const xcb_destroy_notify_event_t*>(e)->window;
        struts_.erase(w);
        listened_.erase(w);
        p.again.erase(w);
        break;
    }
    case XCB_CONFIGURE_NOTIFY: {
        const xcb_window_t w = reinterpret_cast<const xcb_configure_notify_event_t*>(e)->window;
        if (w == root)
            p.size = true;
        else if (struts_.count(w))
            p.again.insert(w);
        break;
    }
    case XCB_PROPERTY_NOTIFY: {
        const auto* n = reinterpret_cast<const xcb_property_notify_event_t*>(e);
        const Atoms& a = conn_->atoms();
        if (n->window == root) {
            p.area = p.area || n->atom == a.netWorkarea;
            p.list = p.list || n->atom == a.netClientList;
            p.rescan = p.rescan || n->atom == a.netSupportingWmCheck;
        } else if (n->atom == strutPartial_ || n->atom == strut_) {
            p.again.insert(n->window);
        }
        break;
    }
    default:
        break;
    }
}

void X11Docks::drain()
{
    if (!conn_)
        return;
    const auto before = std::make_tuple(struts_, workArea_, screen_);
    Pending p;
    while (xcb_generic_event_t* e = xcb_poll_for_event(conn_->raw())) {
        note(e, p);
        free(e);
    }
    if (p.size)
        readScreenSize();
    if (p.area)
        readWorkArea();
    // A changed work area can come from a strut of a window the client list leaves out (pekwm
    // lists the client it managed last only once it manages another): every frame is looked in
    // again. Work areas change seldom.
    if (p.rescan || p.area) {
        scan();
    } else {
        if (p.list)
            readClientList();
        if (!p.again.empty())
            readStruts(std::vector<xcb_window_t>(p.again.begin(), p.again.end()));
    }
    conn_->flush();
    // The round trips above may have queued more events without the socket turning readable.
    if (p.size || p.area || p.rescan || p.list || !p.again.empty())
        pump_->kick();
    if (std::make_tuple(struts_, workArea_, screen_) != before && handler_) {
        auto handler = handler_;
        handler();
    }
}

} // namespace fw
