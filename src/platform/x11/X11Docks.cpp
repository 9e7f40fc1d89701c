#include "platform/x11/X11Docks.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Input.h"

#include <QCoreApplication>

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
    const std::uint32_t mask =
        XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, conn->root(), XCB_CW_EVENT_MASK, &mask);
    conn_ = std::move(conn);
    readScreenSize();
    readWorkArea();
    auto tree = FW_XCB_REPLY(c, xcb_query_tree, xcb_query_tree(c, conn_->root()));
    probe(childrenOf(tree.p));
    pump_ = std::make_unique<EventPump>(c, [this] { drain(); });
    conn_->flush();
}

X11Docks::~X11Docks() = default;

std::vector<Strut> X11Docks::struts() const
{
    std::vector<Strut> out;
    for (const auto& [top, strut] : struts_)
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

void X11Docks::forget(xcb_window_t top)
{
    struts_.erase(top);
    std::erase_if(topOf_, [top](const auto& entry) { return entry.second == top; });
}

void X11Docks::listen(xcb_window_t w, xcb_window_t top, std::uint32_t mask)
{
    topOf_[w] = top;
    xcb_change_window_attributes(conn_->raw(), w, XCB_CW_EVENT_MASK, &mask);
}

void X11Docks::probe(const std::vector<xcb_window_t>& tops)
{
    xcb_connection_t* c = conn_->raw();
    struct Ask {
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_property_cookie_t state;
        xcb_query_tree_cookie_t tree;
    };
    std::vector<Ask> asks;
    for (xcb_window_t top : tops) {
        forget(top);
        asks.push_back({xcb_get_window_attributes(c, top), conn_->property(top, conn_->atoms().wmState, XCB_ATOM_ANY, 2),
                        xcb_query_tree(c, top)});
    }
    std::vector<std::pair<xcb_window_t, xcb_window_t>> holders, frontier;
    for (std::size_t i = 0; i < tops.size(); ++i) {
        auto attributes = FW_XCB_REPLY(c, xcb_get_window_attributes, asks[i].attributes);
        const auto state = conn_->reply(asks[i].state);
        const auto tree = FW_XCB_REPLY(c, xcb_query_tree, asks[i].tree);
        // Only a shown window reserves space; one shown later is heard of when it maps. Frames
        // may be override-redirect (icewm's and fluxbox's are).
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE
            || attributes->_class == XCB_WINDOW_CLASS_INPUT_ONLY)
            continue;
        holders.emplace_back(tops[i], tops[i]);
        // A frame holds its client a level or a few below; a client stands for itself.
        if (!(state && state->type != XCB_NONE))
            for (xcb_window_t kid : childrenOf(tree.p))
                frontier.emplace_back(tops[i], kid);
    }
    std::set<xcb_window_t> found;   // frames whose client is known
    for (int depth = 0; depth < kClientDepth && !frontier.empty(); ++depth) {
        std::vector<std::tuple<xcb_window_t, xcb_window_t, xcb_get_property_cookie_t, xcb_query_tree_cookie_t>> asked;
        for (const auto& [top, w] : frontier)
            asked.emplace_back(top, w, conn_->property(w, conn_->atoms().wmState, XCB_ATOM_ANY, 2), xcb_query_tree(c, w));
        frontier.clear();
        for (auto& [top, w, stateCookie, treeCookie] : asked) {
            const auto state = conn_->reply(stateCookie);
            const auto tree = FW_XCB_REPLY(c, xcb_query_tree, treeCookie);
            if (found.count(top))
                continue;
            // A client the window manager takes on after showing its frame (icewm, fluxbox) is
            // heard of when it gets its WM_STATE.
            listen(w, top, XCB_EVENT_MASK_PROPERTY_CHANGE);
            if (state && state->type != XCB_NONE) {
                holders.emplace_back(top, w);
                found.insert(top);
                continue;
            }
            for (xcb_window_t kid : childrenOf(tree.p))
                frontier.emplace_back(top, kid);
        }
    }
    readStruts(holders);
}

void X11Docks::readStruts(const std::vector<std::pair<xcb_window_t, xcb_window_t>>& holders)
{
    xcb_connection_t* c = conn_->raw();
    struct Ask {
        xcb_get_property_cookie_t partial, plain;
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t origin;
    };
    std::vector<Ask> asks;
    for (const auto& [top, w] : holders)
        asks.push_back({conn_->property(w, strutPartial_, XCB_ATOM_CARDINAL, 12), conn_->property(w, strut_, XCB_ATOM_CARDINAL, 4),
                        xcb_get_geometry(c, w), xcb_translate_coordinates(c, w, conn_->root(), 0, 0)});
    for (std::size_t i = 0; i < holders.size(); ++i) {
        const auto [top, w] = holders[i];
        const auto partial = cardinals(conn_->reply(asks[i].partial).p);
        const auto plain = cardinals(conn_->reply(asks[i].plain).p);
        auto geometry = FW_XCB_REPLY(c, xcb_get_geometry, asks[i].geometry);
        auto origin = FW_XCB_REPLY(c, xcb_translate_coordinates, asks[i].origin);
        if (!geometry || !origin)
            continue;
        const Rect extent(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
        const auto strut = strutOf(partial, plain, extent);
        const bool holds = strut && strut->reserves();
        // A strut set, changed or removed later is heard of; a holder's move too.
        listen(w, top, XCB_EVENT_MASK_PROPERTY_CHANGE | (holds ? XCB_EVENT_MASK_STRUCTURE_NOTIFY : 0));
        if (holds)
            struts_[top] = *strut;
    }
}

// What one event asks to read again; a window gone from the root is forgotten at once.
void X11Docks::note(const xcb_generic_event_t* e, Pending& p)
{
    const xcb_window_t root = conn_->root();
    const auto topOf = [this](xcb_window_t w) {
        const auto it = topOf_.find(w);
        return it == topOf_.end() ? std::optional<xcb_window_t>() : std::optional(it->second);
    };
    const auto gone = [&](xcb_window_t w) {
        forget(w);
        p.again.erase(w);
    };
    // A window left on the root, or one inside a root child known to us.
    const auto leftOrChanged = [&](xcb_window_t event, xcb_window_t w) {
        if (event == root)
            gone(w);
        else if (const auto top = topOf(w))
            p.again.insert(*top);
    };
    switch (e->response_type & 0x7f) {
    case XCB_MAP_NOTIFY: {
        const auto* m = reinterpret_cast<const xcb_map_notify_event_t*>(e);
        if (m->event == root)
            p.again.insert(m->window);
        break;
    }
    case XCB_UNMAP_NOTIFY: {
        const auto* u = reinterpret_cast<const xcb_unmap_notify_event_t*>(e);
        leftOrChanged(u->event, u->window);
        break;
    }
    case XCB_DESTROY_NOTIFY: {
        const auto* d = reinterpret_cast<const xcb_destroy_notify_event_t*>(e);
        leftOrChanged(d->event, d->window);
        break;
    }
    case XCB_REPARENT_NOTIFY: {
        const auto* r = reinterpret_cast<const xcb_reparent_notify_event_t*>(e);
        if (r->event == root && r->parent == root)
            p.again.insert(r->window);
        else if (r->event == root)
            gone(r->window);
        break;
    }
    case XCB_CONFIGURE_NOTIFY: {
        const auto* n = reinterpret_cast<const xcb_configure_notify_event_t*>(e);
        if (n->window == root)
            p.size = true;
        else if (const auto top = topOf(n->window); top && struts_.count(*top))
            p.again.insert(*top);
        break;
    }
    case XCB_PROPERTY_NOTIFY: {
        const auto* n = reinterpret_cast<const xcb_property_notify_event_t*>(e);
        if (n->window == root)
            p.area = p.area || n->atom == conn_->atoms().netWorkarea;
        else if (n->atom == strutPartial_ || n->atom == strut_ || n->atom == conn_->atoms().wmState)
            if (const auto top = topOf(n->window))
                p.again.insert(*top);
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
    if (!p.again.empty())
        probe(std::vector<xcb_window_t>(p.again.begin(), p.again.end()));
    conn_->flush();
    // The round trips above may have queued more events without the socket turning readable.
    if (p.size || p.area || !p.again.empty())
        pump_->kick();
    if (std::make_tuple(struts_, workArea_, screen_) != before && handler_) {
        auto handler = handler_;
        handler();
    }
}

} // namespace fw
