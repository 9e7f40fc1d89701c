// The layer list of the X11 window port: every viewable top-level window in QueryTree(root)
// order (the server's true stacking), front to back, each managed frame named by its client
// and each window given a level from its kind and states (WindowLevels.h): kept below,
// ordinary, kept above, dock, override-redirect. Desktop windows and input-only windows are
// left out.
//
// The stacks scan this list every second, so a steady desktop costs one round trip: the root's
// children and, for every top-level window seen before, its attributes, its geometry and its
// client's state and size go out together; the visible frame follows from the top-level window's
// rectangle as it did when the window was resolved. Windows that are new, whose top-level window
// or framed client changed size, or that lost their client are resolved afterwards: their client
// through WM_STATE, their process through _NET_WM_PID or the X-Resource extension, their type,
// their frame as window access reads it.
// Beside the list: whether a press at a point lands on a window of our own.
#include "platform/x11/X11ClientState.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11WindowSystem.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include <unistd.h>

namespace fw {

using namespace x11;

namespace {

// What one pass asks of one known top-level window.
struct LayerAsk {
    xcb_window_t top = XCB_NONE;
    xcb_get_window_attributes_cookie_t attributes{};
    bool placed = false;
    xcb_get_geometry_cookie_t geometry{};
    bool managed = false;
    xcb_get_property_cookie_t state{};
    bool framed = false;
    xcb_get_geometry_cookie_t client{};
};

bool hasAtom(const std::vector<std::uint32_t>& list, xcb_atom_t atom)
{
    return std::find(list.begin(), list.end(), atom) != list.end();
}

// A top-level window's rectangle in root coordinates, its border included.
Rect topFrameOf(const xcb_get_geometry_reply_t& g)
{
    return Rect(g.x, g.y, g.width + 2 * g.border_width, g.height + 2 * g.border_width);
}

void readAttributes(LayerSeen& s, const xcb_get_window_attributes_reply_t* attr)
{
    s.read = attr != nullptr;
    if (!attr)
        return;
    s.viewable = attr->map_state == XCB_MAP_STATE_VIEWABLE;
    s.overrideRedirect = attr->override_redirect;
    s.inputOnly = attr->_class == XCB_WINDOW_CLASS_INPUT_ONLY;
}

void readStates(LayerSeen& s, const std::vector<std::uint32_t>& states, const Atoms& a)
{
    s.above = hasAtom(states, a.netWmStateAbove);
    s.below = hasAtom(states, a.netWmStateBelow);
    s.hidden = hasAtom(states, a.netWmStateHidden);
}

int levelOf(const LayerSeen& seen, const LayerWindow& w)
{
    // Some window managers (icewm) make their frames override-redirect: what counts is the client.
    if (seen.overrideRedirect && !w.managed)
        return kUnmanagedLevel;
    if (w.dock)
        return kDockLevel;
    if (seen.above)
        return kKeptAboveLevel;
    return seen.below ? kKeptBelowLevel : kOrdinaryLevel;
}

// Sends what every known top-level window needs: its attributes and, once resolved, its
// geometry (with the state of a managed client).
std::vector<LayerAsk> askKnown(const Connection& conn, const LayerCache& known)
{
    xcb_connection_t* c = conn.raw();
    std::vector<LayerAsk> asks;
    asks.reserve(known.size());
    for (const auto& [top, w] : known) {
        LayerAsk& k = asks.emplace_back();
        k.top = top;
        k.attributes = xcb_get_window_attributes(c, top);
        if (!w.resolved)
            continue;
        k.placed = true;
        k.geometry = xcb_get_geometry(c, top);
        k.managed = w.managed;
        if (w.managed)
            k.state = conn.property(w.target, conn.atoms().netWmState, XCB_ATOM_ATOM, 32);
        k.framed = w.target != top;
        if (k.framed)
            k.client = xcb_get_geometry(c, w.target);
    }
    return asks;
}

// What the known windows show now. A window whose top-level or framed client changed size is not
// placed: it is resolved again, since its frame extents may have changed with it. The client's
// size counts too because a window manager resizes its frame and the client one after the other:
// a resolution read between the two takes the client's old size for the new frame's, and only
// the client's catching up shows it.
void readKnown(const Connection& conn, const std::vector<LayerAsk>& asks, const LayerCache& known, LayerPass& pass)
{
    xcb_connection_t* c = conn.raw();
    for (const LayerAsk& k : asks) {
        LayerSeen& s = pass[k.top];
        readAttributes(s, FW_XCB_REPLY(c, xcb_get_window_attributes, k.attributes).p);
        if (!k.placed)
            continue;
        const auto g = FW_XCB_REPLY(c, xcb_get_geometry, k.geometry);
        if (k.managed)
            readStates(s, cardinals(conn.reply(k.state).p), conn.atoms());
        const auto client = k.framed ? FW_XCB_REPLY(c, xcb_get_geometry, k.client) : decltype(g){};
        const LayerWindow& w = known.at(k.top);
        if (!g || topFrameOf(*g.p).size != w.topSize)
            continue;
        if (k.framed && (!client || Size{double(client->width), double(client->height)} != w.clientSize))
            continue;
        const Rect t = topFrameOf(*g.p);
        s.topFrame = t;
        s.frame = Rect(t.minX() + w.left, t.minY() + w.top, t.width() - w.left + w.right, t.height() - w.top + w.bottom);
        s.placed = true;
    }
}

// The listed windows, front to back (the children come bottom to top).
std::vector<WindowLayer> listed(const xcb_window_t* children, int count, const LayerCache& known, const LayerPass& pass)
{
    std::vector<WindowLayer> out;
    out.reserve(std::size_t(count));
    for (int i = count - 1; i >= 0; --i) {
        const auto w = known.find(children[i]);
        const auto s = pass.find(children[i]);
        if (w == known.end() || !w->second.resolved || s == pass.end())
            continue;
        const LayerSeen& seen = s->second;
        if (!seen.viewable || seen.inputOnly || !seen.placed || seen.hidden || w->second.desktop)
            continue;
        out.push_back({WindowId(w->second.target), w->second.pid, seen.frame, levelOf(seen, w->second)});
    }
    return out;
}

// A top-level window being resolved, and a window under a frame searched for WM_STATE.
struct Probe {
    xcb_get_window_attributes_cookie_t attributes;
    xcb_get_geometry_cookie_t geometry;
    xcb_get_property_cookie_t wmState;
    xcb_query_tree_cookie_t tree;
};
struct Descendant {
    std::uint32_t top;
    xcb_window_t window;
    xcb_get_property_cookie_t wmState;
    xcb_query_tree_cookie_t tree;
};
// Frames hold their client a few levels down at most (icewm and fluxbox nest it).
constexpr int kClientSearchDepth = 4;

std::vector<xcb_window_t> childrenOf(const Reply<xcb_query_tree_reply_t>& tree)
{
    if (!tree)
        return {};
    const auto* kids = xcb_query_tree_children(tree.p);
    return std::vector<xcb_window_t>(kids, kids + xcb_query_tree_children_length(tree.p));
}

} // namespace

std::vector<WindowLayer> X11WindowSystem::layers()
{
    if (!conn_->ok())
        return {};
    xcb_connection_t* c = conn_->raw();
    LayerCache& known = *layerCache_;

    // One round: the stacking order and what every known window needs.
    const auto treeCookie = xcb_query_tree(c, conn_->root());
    const std::vector<LayerAsk> asks = askKnown(*conn_, known);
    auto tree = FW_XCB_REPLY(c, xcb_query_tree, treeCookie);
    LayerPass pass;
    pass.reserve(asks.size());
    readKnown(*conn_, asks, known, pass);
    if (!tree)
        return {};

    const auto* children = xcb_query_tree_children(tree.p);
    const int count = xcb_query_tree_children_length(tree.p);
    std::unordered_set<xcb_window_t> present;
    std::vector<std::uint32_t> fresh;
    for (int i = 0; i < count; ++i) {
        present.insert(children[i]);
        auto it = pass.find(children[i]);
        // New, or shown now but not (or no longer) found through what was kept of it.
        if (it == pass.end() || !it->second.read || (it->second.viewable && !it->second.inputOnly && !it->second.placed))
            fresh.push_back(children[i]);
    }
    std::erase_if(known, [&](const auto& entry) { return !present.count(entry.first); });
    lastLayerResolutions_ = fresh.size();
    if (!fresh.empty())
        resolveLayers(fresh, pass);
    return listed(children, count, known, pass);
}

void X11WindowSystem::resolveLayers(const std::vector<std::uint32_t>& tops, LayerPass& pass)
{
    xcb_connection_t* c = conn_->raw();
    const Atoms& a = conn_->atoms();
    LayerCache& known = *layerCache_;

    std::vector<Probe> probes;
    probes.reserve(tops.size());
    for (std::uint32_t top : tops)
        probes.push_back({xcb_get_window_attributes(c, top), xcb_get_geometry(c, top),
                          conn_->property(top, a.wmState, a.wmState, 2), xcb_query_tree(c, top)});
    // A window with WM_STATE stands for itself, a frame for the client inside it (the
    // descendant with WM_STATE); any other window, override-redirect or not, for itself.
    std::vector<std::pair<std::uint32_t, xcb_window_t>> frontier;
    std::vector<std::uint32_t> unplaced;
    for (std::size_t i = 0; i < tops.size(); ++i) {
        const std::uint32_t top = tops[i];
        LayerSeen& s = pass[top];
        s = {};
        readAttributes(s, FW_XCB_REPLY(c, xcb_get_window_attributes, probes[i].attributes).p);
        const auto geometry = FW_XCB_REPLY(c, xcb_get_geometry, probes[i].geometry);
        const auto state = conn_->reply(probes[i].wmState);
        const auto tree = FW_XCB_REPLY(c, xcb_query_tree, probes[i].tree);
        s.read = s.read && geometry;
        if (geometry)
            s.topFrame = topFrameOf(*geometry.p);
        if (!s.read) {
            known.erase(top);
            continue;
        }
        LayerWindow& w = known[top];
        w = {};
        w.target = top;
        // Asked again once it is shown: unmapped frames come and go with their clients.
        if (!s.viewable || s.inputOnly)
            continue;
        unplaced.push_back(top);
        w.managed = state && state->type != XCB_NONE;
        if (w.managed)
            continue;
        for (xcb_window_t kid : childrenOf(tree))
            frontier.emplace_back(top, kid);
    }
    findClients(std::move(frontier));
    placeResolved(unplaced, pass);
}

void X11WindowSystem::findClients(std::vector<std::pair<std::uint32_t, xcb_window_t>> frontier)
{
    xcb_connection_t* c = conn_->raw();
    const Atoms& a = conn_->atoms();
    LayerCache& known = *layerCache_;
    // One level a round, for every frame at once.
    for (int depth = 0; depth < kClientSearchDepth && !frontier.empty(); ++depth) {
        std::vector<Descendant> asked;
        asked.reserve(frontier.size());
        for (const auto& [top, window] : frontier)
            asked.push_back({top, window, conn_->property(window, a.wmState, a.wmState, 2), xcb_query_tree(c, window)});
        frontier.clear();
        for (const Descendant& d : asked) {
            const auto state = conn_->reply(d.wmState);
            const auto tree = FW_XCB_REPLY(c, xcb_query_tree, d.tree);
            LayerWindow& w = known[d.top];
            if (w.managed)
                continue;
            if (state && state->type != XCB_NONE) {
                w.target = d.window;
                w.managed = true;
                continue;
            }
            for (xcb_window_t kid : childrenOf(tree))
                frontier.emplace_back(d.top, kid);
        }
        std::erase_if(frontier, [&](const auto& f) { return known[f.first].managed; });
    }
}

void X11WindowSystem::placeResolved(const std::vector<std::uint32_t>& tops, LayerPass& pass)
{
    const Atoms& a = conn_->atoms();
    LayerCache& known = *layerCache_;
    // Their process, type, state and frame, read as the snapshot reads clients.
    std::vector<std::uint32_t> targets;
    for (std::uint32_t top : tops)
        targets.push_back(known[top].target);
    const std::vector<ClientState> states = read(targets, Geometry | Identity | Kind);
    for (std::size_t i = 0; i < tops.size(); ++i) {
        const ClientState& cs = states[i];
        if (!cs.alive)
            continue;
        LayerWindow& w = known[tops[i]];
        LayerSeen& s = pass[tops[i]];
        const xcb_atom_t type = windowType(cs.types, a);
        w.resolved = true;
        w.pid = cs.pid;
        w.dock = type == a.netWmWindowTypeDock;
        w.desktop = type == a.netWmWindowTypeDesktop;
        if (w.managed)
            readStates(s, cs.states, a);
        s.placed = true;
        s.frame = cs.outerFrame();
        w.topSize = s.topFrame.size;
        w.clientSize = cs.client.size;
        w.left = s.frame.minX() - s.topFrame.minX();
        w.top = s.frame.minY() - s.topFrame.minY();
        w.right = s.frame.maxX() - s.topFrame.maxX();
        w.bottom = s.frame.maxY() - s.topFrame.maxY();
    }
}

bool X11WindowSystem::ownWindowAt(Point p)
{
    if (!conn_->ok())
        return false;
    // The server's own answer: the top-level window a press there goes to, by its input
    // shape (a panel that lets clicks through has none), then whose process made it.
    xcb_connection_t* c = conn_->raw();
    const auto coordinate = [](double v) { return std::int16_t(std::clamp(std::floor(v), -32768.0, 32767.0)); };
    const auto at = FW_XCB_REPLY(c, xcb_translate_coordinates,
                                 xcb_translate_coordinates(c, conn_->root(), conn_->root(), coordinate(p.x), coordinate(p.y)));
    if (!at || at->child == XCB_NONE)
        return false;
    const auto pid = cardinals(conn_->reply(conn_->property(at->child, conn_->atoms().netWmPid, XCB_ATOM_CARDINAL, 1)).p);
    return !pid.empty() && Pid(pid.front()) == Pid(::getpid());
}

void X11WindowSystem::addUnlistedClients(std::vector<std::uint32_t>& ids)
{
    // Managed clients the window manager's list leaves out: pekwm lists the one it managed last
    // only once it manages another. The layer list finds every shown frame's client, in one
    // round trip on a steady desktop; its count of resolutions stays the last layers() call's.
    const std::size_t resolutions = lastLayerResolutions_;
    const std::vector<WindowLayer> shown = layers();
    lastLayerResolutions_ = resolutions;
    // Only clients in a frame: a window manager's own windows with WM_STATE (icewm's taskbar)
    // stand for themselves and are rightly left out.
    std::unordered_set<WindowId> managed;
    for (const auto& [top, w] : *layerCache_)
        if (w.resolved && w.managed && w.target != top)
            managed.insert(WindowId(w.target));
    for (const WindowLayer& layer : shown)
        if (managed.count(layer.id) && std::find(ids.begin(), ids.end(), std::uint32_t(layer.id)) == ids.end())
            ids.push_back(std::uint32_t(layer.id));
}

void X11WindowSystem::clientsOfTopLevels(std::vector<std::uint32_t>& ids)
{
    // Without a client list the top-level windows stand for the windows, a window manager's
    // frame (twm's) for the client inside it, found as the layer list finds it.
    const std::size_t resolutions = lastLayerResolutions_;
    layers();
    lastLayerResolutions_ = resolutions;
    for (std::uint32_t& id : ids) {
        const auto known = layerCache_->find(id);
        if (known != layerCache_->end() && known->second.resolved && known->second.managed)
            id = known->second.target;
    }
}

} // namespace fw
