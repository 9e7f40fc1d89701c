// The window snapshot and the reads of one window of the X11 window port: the clients the
// window manager lists (or, without one, the viewable top-level windows), named after their
// applications and ordered front to back as the server stacks their frames; each window's
// frame, title, process, size hints (as outer frame sizes) and what it allows; the window at a
// point and the focused one; the origin of the monitor holding most of a frame. Each goes
// through one pipelined read.
#include "platform/x11/X11ClientState.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11WindowSystem.h"

#include <xcb/randr.h>

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace fw {

using namespace x11;

namespace {

// Movable unless the window manager's allowed actions leave out moving.
bool movableFrom(const ClientState& s, const Atoms& a)
{
    return !s.hasAllowedActions || s.has(s.allowedActions, a.netWmActionMove);
}

// Resizable unless the minimum size is the maximum or the allowed actions leave out resizing.
// A maximized window that may leave that state counts as resizable, since placements take
// windows out of it first: xfwm4 takes the resize action away while a window is maximized.
bool resizableFrom(const ClientState& s, const Atoms& a)
{
    const SizeHints& h = s.hints;
    if (h.minimum && h.maximum && *h.minimum == *h.maximum)
        return false;
    if (!s.hasAllowedActions || s.has(s.allowedActions, a.netWmActionResize))
        return true;
    const bool vert = s.has(s.states, a.netWmStateMaximizedVert);
    const bool horz = s.has(s.states, a.netWmStateMaximizedHorz);
    return (vert || horz) && (!vert || s.has(s.allowedActions, a.netWmActionMaximizeVert)) &&
           (!horz || s.has(s.allowedActions, a.netWmActionMaximizeHorz));
}

// The windows a snapshot reads and the server's stacking of the root's children.
struct ClientListing {
    std::vector<std::uint32_t> ids;
    std::vector<xcb_window_t> rootChildren;   // bottom to top
    bool noClientList = false;                // no EWMH WM: ids are the top-level windows
};

// The window manager's client lists (stacking order first) and the root's children, in one round.
ClientListing listClients(Connection& conn)
{
    xcb_connection_t* c = conn.raw();
    const Atoms& a = conn.atoms();
    auto stackingCookie = conn.property(conn.root(), a.netClientListStacking, XCB_ATOM_WINDOW, 4096);
    auto listCookie = conn.property(conn.root(), a.netClientList, XCB_ATOM_WINDOW, 4096);
    auto rootTreeCookie = xcb_query_tree(c, conn.root());
    auto stacking = conn.reply(stackingCookie);
    auto list = conn.reply(listCookie);
    auto rootTree = FW_XCB_REPLY(c, xcb_query_tree, rootTreeCookie);

    ClientListing out;
    std::vector<std::uint32_t> ids = cardinals(stacking.p);
    if (ids.empty())
        ids = cardinals(list.p);   // some WMs leave the stacking list unset
    // Any client can write these lists: each window once, never the root window.
    out.ids.reserve(ids.size());
    for (std::uint32_t id : ids)
        if (id != XCB_NONE && id != conn.root() && std::find(out.ids.begin(), out.ids.end(), id) == out.ids.end())
            out.ids.push_back(id);
    if (rootTree) {
        auto* ch = xcb_query_tree_children(rootTree.p);
        out.rootChildren.assign(ch, ch + xcb_query_tree_children_length(rootTree.p));
    }
    out.noClientList = (!stacking || stacking->type == XCB_NONE) && (!list || list->type == XCB_NONE);
    if (out.noClientList)
        out.ids = out.rootChildren;
    return out;
}

// Whether a snapshot lists the window: not ours, no dock or desktop, no override-redirect
// window, and without a client list only what is mapped.
bool listed(const ClientState& s, const Atoms& a, Pid ownPid, bool noClientList)
{
    if (!s.alive || s.overrideRedirect)
        return false;
    if (s.pid != 0 && s.pid == ownPid)
        return false;
    const xcb_atom_t type = windowType(s.types, a);
    if (type == a.netWmWindowTypeDock || type == a.netWmWindowTypeDesktop)
        return false;
    return !noClientList || s.viewable;
}

WindowInfo infoOf(const ClientState& s, const Atoms& a, const WindowApplicationIndex* apps)
{
    WindowInfo w;
    w.id = s.window;
    w.pid = s.pid;
    w.title = s.title.value_or(QString());
    w.appClass = s.appClass;
    w.appInstance = s.appInstance;
    w.applicationId = s.applicationId;
    w.role = s.role;
    if (apps) {
        if (auto entry = apps->entryFor(w))
            w.appName = entry->name;
    }
    w.frame = s.outerFrame();
    w.layer = 0;
    w.minimized = s.minimized(a);
    w.fullscreen = s.has(s.states, a.netWmStateFullscreen);
    w.onScreen = s.onScreen(a);
    // Transient windows without a type are dialogs; one typed normal is a window of its own
    // (GTK's secondary windows name their parent).
    const xcb_atom_t type = windowType(s.types, a);
    w.normal = type == a.netWmWindowTypeNormal || (type == XCB_NONE && s.transientFor == XCB_NONE);
    w.movable = movableFrom(s, a);
    w.resizable = resizableFrom(s, a);
    w.increment = s.hints.increment;
    return w;
}

// A listed window with its place in the server's stacking (-1: not found there).
struct Entry {
    WindowInfo info;
    long z;
    size_t listIndex;
    xcb_window_t topLevel;
};

// Front to back: QueryTree order is the truth; windows not found there keep list order.
std::vector<WindowInfo> frontToBack(std::vector<Entry> entries, std::vector<std::uint32_t>* topLevels)
{
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& l, const Entry& r) {
        if (l.z != r.z)
            return l.z > r.z;
        return l.listIndex > r.listIndex;
    });
    std::vector<WindowInfo> out;
    out.reserve(entries.size());
    for (auto& e : entries) {
        out.push_back(std::move(e.info));
        if (topLevels)
            topLevels->push_back(e.topLevel);
    }
    return out;
}

} // namespace

void X11WindowSystem::setApplications(const Applications* apps)
{
    if (apps)
        appIndex_ = std::make_unique<WindowApplicationIndex>(*apps);
    else
        appIndex_.reset();
}

std::vector<WindowInfo> X11WindowSystem::snapshot()
{
    return collect(nullptr);
}

std::vector<WindowInfo> X11WindowSystem::collect(std::vector<std::uint32_t>* topLevels)
{
    if (!conn_->ok())
        return {};
    // Entries can be installed or removed at any time: listed again only when they changed.
    if (appIndex_)
        appIndex_->refresh();
    const Atoms& a = conn_->atoms();
    ClientListing listing = listClients(*conn_);
    const size_t listedCount = listing.ids.size();
    if (listing.noClientList)
        clientsOfTopLevels(listing.ids);
    else
        addUnlistedClients(listing.ids);
    const std::vector<ClientState> states = read(listing.ids, All);
    // Of the clients the list leaves out, the window manager's own (icewm frames some of its
    // windows) are none of the user's.
    const Pid managerPid = states.size() > listedCount ? windowManagerPid() : 0;

    std::unordered_map<xcb_window_t, size_t> zIndex;   // bottom to top
    for (size_t i = 0; i < listing.rootChildren.size(); ++i)
        zIndex[listing.rootChildren[i]] = i;
    std::vector<Entry> entries;
    for (size_t i = 0; i < states.size(); ++i) {
        const ClientState& s = states[i];
        if (!listed(s, a, ownPid_, listing.noClientList) || (i >= listedCount && managerPid != 0 && s.pid == managerPid))
            continue;
        auto z = zIndex.find(s.topLevel);
        entries.push_back({infoOf(s, a, appIndex_.get()), z == zIndex.end() ? -1 : long(z->second), i, s.topLevel});
    }
    return frontToBack(std::move(entries), topLevels);
}

Pid X11WindowSystem::windowManagerPid()
{
    // The process of the window manager's check window: its _NET_WM_PID, else X-Resource's.
    const auto check = cardinal(conn_->reply(conn_->property(conn_->root(), conn_->atoms().netSupportingWmCheck,
                                                             XCB_ATOM_WINDOW, 1)).p);
    if (!check || *check == XCB_NONE)
        return 0;
    const auto s = readOne(*check, Identity);
    return s ? s->pid : 0;
}

Point X11WindowSystem::monitorOrigin(const Rect& frame)
{
    // The monitor holding the largest part of the frame, as window managers assign windows to
    // monitors; the root's corner without any.
    xcb_connection_t* c = conn_->raw();
    auto monitors = FW_XCB_REPLY(c, xcb_randr_get_monitors, xcb_randr_get_monitors(c, conn_->root(), 1));
    Point best;
    double most = 0;
    if (!monitors)
        return best;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(monitors.p); it.rem; xcb_randr_monitor_info_next(&it)) {
        const Rect m(it.data->x, it.data->y, it.data->width, it.data->height);
        const Rect common = m.intersection(frame);
        const double area = common.isNull() ? 0 : common.width() * common.height();
        if (area > most) {
            most = area;
            best = m.origin;
        }
    }
    return best;
}

std::optional<Rect> X11WindowSystem::frame(WindowId id)
{
    auto s = readOne(id, Geometry);
    if (!s)
        return std::nullopt;
    return s->outerFrame();
}

std::optional<WindowSystem::FrameAndManagerBox> X11WindowSystem::frameAndManagerBox(WindowId id)
{
    auto s = readOne(id, Geometry);
    if (!s)
        return std::nullopt;
    FrameAndManagerBox out{s->outerFrame(), std::nullopt};
    // The top-level window confirmed in this round: its geometry is one reply, on the root.
    const Box& box = s->frameBox;
    if (s->boxesKnown && s->topLevel != s->window && box.width > 0 && box.height > 0)
        out.managerBox = Rect(box.x, box.y, box.width + 2 * box.border, box.height + 2 * box.border);
    return out;
}

std::optional<double> X11WindowSystem::titleBarHeight(WindowId id)
{
    auto s = readOne(id, Geometry);
    if (!s)
        return std::nullopt;
    const double top = s->frameExtents.top - s->gtkExtents.top;
    return top > 0 ? std::optional<double>(top) : std::nullopt;
}

std::optional<QString> X11WindowSystem::title(WindowId id)
{
    auto s = readOne(id, Identity);
    if (!s)
        return std::nullopt;
    return s->title;
}

std::optional<Pid> X11WindowSystem::pid(WindowId id)
{
    auto s = readOne(id, Identity);
    if (!s || s->pid == 0)
        return std::nullopt;
    return s->pid;
}

std::optional<SizeHints> X11WindowSystem::sizeHints(WindowId id)
{
    // A window whose last write landed moments ago has the hints of that write's read, asked
    // again whenever they changed since: no read. A write judged by the window's grid (a
    // terminal a cell short of its target) asks for them at once.
    auto s = waits_.followedState(std::uint32_t(id));
    if (!s)
        s = readOne(id, Geometry | Hints);
    if (!s)
        return std::nullopt;
    // The client's hints are client sizes; report them as outer frame sizes.
    const Rect outer = s->outerFrame();
    const double dw = outer.width() - s->client.width();
    const double dh = outer.height() - s->client.height();
    SizeHints h = s->hints;
    if (h.minimum)
        h.minimum = Size{h.minimum->width + dw, h.minimum->height + dh};
    if (h.maximum)
        h.maximum = Size{h.maximum->width + dw, h.maximum->height + dh};
    // The grid starts at the base size, else at the minimum, else at an empty client.
    if (h.base != Size{})
        h.base = Size{h.base.width + dw, h.base.height + dh};
    else if (!h.minimum && h.increment != Size{})
        h.base = Size{dw, dh};
    return h;
}

bool X11WindowSystem::isMinimized(WindowId id)
{
    auto s = readOne(id, Kind);
    if (s && s->minimizedByFrame(conn_->atoms()))
        s = readOne(id, Kind | Geometry);
    return s && s->minimized(conn_->atoms());
}

bool X11WindowSystem::isFullscreen(WindowId id)
{
    auto s = readOne(id, Kind);
    return s && s->has(s->states, conn_->atoms().netWmStateFullscreen);
}

bool X11WindowSystem::isMovable(WindowId id)
{
    auto s = readOne(id, Kind);
    return s && movableFrom(*s, conn_->atoms());
}

bool X11WindowSystem::isResizable(WindowId id)
{
    auto s = readOne(id, Kind | Hints);
    return s && resizableFrom(*s, conn_->atoms());
}

std::optional<WindowId> X11WindowSystem::focusedWindow()
{
    if (!conn_->ok())
        return std::nullopt;
    // The active window where the window manager keeps one; else (twm, 9wm and the like keep
    // none) the client holding the X input focus.
    std::uint32_t w = 0;
    const bool active = wm_.supports(conn_->atoms().netActiveWindow);
    if (active)
        w = cardinal(conn_->reply(conn_->property(conn_->root(), conn_->atoms().netActiveWindow, XCB_ATOM_WINDOW, 1)).p)
                .value_or(0);
    if (w == 0)
        w = inputFocusClient(!active);
    if (w == 0)
        return std::nullopt;
    auto s = readOne(w, Identity | Kind);
    if (!s || s->overrideRedirect || (s->pid != 0 && s->pid == ownPid_))
        return std::nullopt;
    return WindowId(w);
}

std::uint32_t X11WindowSystem::inputFocusClient(bool followPointer)
{
    xcb_connection_t* c = conn_->raw();
    auto focus = FW_XCB_REPLY(c, xcb_get_input_focus, xcb_get_input_focus(c));
    if (!focus || focus->focus == XCB_NONE)
        return 0;
    xcb_window_t w = focus->focus;
    // Focus that follows the pointer: the window under it holds the keyboard.
    if (w == XCB_INPUT_FOCUS_POINTER_ROOT || w == conn_->root()) {
        if (!followPointer)
            return 0;
        auto pointer = FW_XCB_REPLY(c, xcb_query_pointer, xcb_query_pointer(c, conn_->root()));
        if (!pointer || pointer->child == XCB_NONE)
            return 0;
        w = pointer->child;
    }
    // Up to the client (the window with WM_STATE) or the top-level window, then down from a
    // top-level window (the window manager's frame) to the client inside it.
    for (int depth = 0; depth < 16; ++depth) {
        const auto stateCookie = conn_->property(w, conn_->atoms().wmState, conn_->atoms().wmState, 2);
        const auto treeCookie = xcb_query_tree(c, w);
        const auto state = conn_->reply(stateCookie);
        auto tree = FW_XCB_REPLY(c, xcb_query_tree, treeCookie);
        if (state && state->type != XCB_NONE)
            return w;
        if (!tree)
            return 0;
        if (tree->parent == conn_->root() || tree->parent == XCB_NONE)
            break;
        w = tree->parent;
    }
    // Without a window manager a top-level window is its own client.
    const std::uint32_t inside = clientInside(w);
    return inside != 0 ? inside : w;
}

std::uint32_t X11WindowSystem::clientInside(std::uint32_t top)
{
    xcb_connection_t* c = conn_->raw();
    std::vector<xcb_window_t> level{top};
    for (int depth = 0; depth < 4 && !level.empty(); ++depth) {
        std::vector<std::pair<xcb_get_property_cookie_t, xcb_query_tree_cookie_t>> asked;
        for (xcb_window_t w : level)
            asked.emplace_back(conn_->property(w, conn_->atoms().wmState, conn_->atoms().wmState, 2), xcb_query_tree(c, w));
        std::uint32_t found = 0;
        std::vector<xcb_window_t> next;
        for (std::size_t i = 0; i < asked.size(); ++i) {
            const auto state = conn_->reply(asked[i].first);
            auto tree = FW_XCB_REPLY(c, xcb_query_tree, asked[i].second);
            if (found == 0 && state && state->type != XCB_NONE)
                found = level[i];
            if (tree)
                next.insert(next.end(), xcb_query_tree_children(tree.p),
                            xcb_query_tree_children(tree.p) + xcb_query_tree_children_length(tree.p));
        }
        if (found != 0)
            return found;
        level.swap(next);
    }
    return 0;
}

std::optional<Pid> X11WindowSystem::frontmostPid()
{
    auto w = focusedWindow();
    if (!w)
        return std::nullopt;
    return pid(*w);
}

std::optional<WindowId> X11WindowSystem::windowAt(Point p)
{
    if (!conn_->ok())
        return std::nullopt;
    // The top-level window the server finds at the point takes a press there: a window
    // manager's frame can take input past the visible frame (metacity's resize borders lie
    // outside it). Where that is no client's frame (nothing, a dock, a window of ours), the
    // topmost visible frame that holds the point.
    xcb_connection_t* c = conn_->raw();
    const auto coordinate = [](double v) { return std::int16_t(std::clamp(std::floor(v), -32768.0, 32767.0)); };
    const auto at = FW_XCB_REPLY(c, xcb_translate_coordinates,
                                 xcb_translate_coordinates(c, conn_->root(), conn_->root(), coordinate(p.x), coordinate(p.y)));
    const xcb_window_t hit = at ? at->child : xcb_window_t(XCB_NONE);
    std::vector<std::uint32_t> tops;
    const auto windows = collect(&tops);
    // The server finds the client's frame there: it shows, whatever its states say while the
    // window manager changes them (openbox unrolls a window at a press on its title bar).
    for (size_t i = 0; i < windows.size() && hit != XCB_NONE; ++i)
        if (tops[i] == hit)
            return windows[i].id;
    if (auto owner = borderOwner(hit, p, windows, tops))
        return owner;
    for (const WindowInfo& w : windows)
        if (w.onScreen && w.frame.contains(p))
            return w.id;
    return std::nullopt;
}

std::optional<WindowId> X11WindowSystem::borderOwner(std::uint32_t hit, Point p, const std::vector<WindowInfo>& windows,
                                                     const std::vector<std::uint32_t>& tops)
{
    // A window manager's own input-only window that is no client's frame: the resize borders
    // KWin keeps beside each frame (14 px wide, stacked just above it). The press belongs to
    // the highest client below it whose visible frame lies within a border's reach.
    constexpr double reach = 16;
    if (hit == XCB_NONE)
        return std::nullopt;
    xcb_connection_t* c = conn_->raw();
    const auto attributesCookie = xcb_get_window_attributes(c, hit);
    const auto pidCookie = conn_->property(hit, conn_->atoms().netWmPid, XCB_ATOM_CARDINAL, 1);
    const auto treeCookie = xcb_query_tree(c, conn_->root());
    const auto attributes = FW_XCB_REPLY(c, xcb_get_window_attributes, attributesCookie);
    const auto pid = cardinal(conn_->reply(pidCookie).p);
    const auto tree = FW_XCB_REPLY(c, xcb_query_tree, treeCookie);
    if (!attributes || attributes->_class != XCB_WINDOW_CLASS_INPUT_ONLY || (pid && Pid(*pid) == ownPid_) || !tree)
        return std::nullopt;
    const auto* children = xcb_query_tree_children(tree.p);
    const std::vector<xcb_window_t> stacking(children, children + xcb_query_tree_children_length(tree.p));
    const auto below = std::find(stacking.begin(), stacking.end(), hit);
    for (size_t i = 0; i < windows.size(); ++i) {
        // Front to back: the first one below the border window within reach owns it.
        if (!windows[i].onScreen || std::find(stacking.begin(), below, tops[i]) == below)
            continue;
        const Rect& f = windows[i].frame;
        if (Rect(f.x() - reach, f.y() - reach, f.width() + 2 * reach, f.height() + 2 * reach).contains(p))
            return windows[i].id;
    }
    return std::nullopt;
}

} // namespace fw
