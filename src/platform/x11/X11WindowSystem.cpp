#include "platform/x11/X11WindowSystem.h"

#include "platform/x11/X11ClientState.h"
#include "platform/x11/X11Connection.h"

#include <QList>
#include <xcb/res.h>

#include <algorithm>
#include <cmath>
#include <unistd.h>
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

std::vector<xcb_atom_t> atomList(const xcb_get_property_reply_t* r)
{
    return cardinals(r);
}

// WM_NORMAL_HINTS: flags, x, y, w, h, min w/h, max w/h, inc w/h, min/max aspect, base w/h, gravity.
SizeHints parseNormalHints(const xcb_get_property_reply_t* r)
{
    SizeHints h;
    auto v = cardinals(r);
    if (v.size() < 15)
        return h;
    const std::uint32_t flags = v[0];
    auto dim = [](std::uint32_t x) { return double(std::int32_t(x)); };
    if ((flags & 16) && std::int32_t(v[5]) >= 0 && std::int32_t(v[6]) >= 0)   // PMinSize
        h.minimum = Size{dim(v[5]), dim(v[6])};
    if ((flags & 32) && std::int32_t(v[7]) > 0 && std::int32_t(v[8]) > 0)   // PMaxSize
        h.maximum = Size{dim(v[7]), dim(v[8])};
    if (flags & 64)   // PResizeInc
        h.increment = Size{std::max(0.0, dim(v[9])), std::max(0.0, dim(v[10]))};
    if ((flags & 256) && v.size() >= 17)   // PBaseSize
        h.base = Size{dim(v[15]), dim(v[16])};
    return h;
}

int clampCoord(double v) { return int(std::clamp<long>(std::lround(v), -32768, 32767)); }
int clampSize(double v) { return int(std::clamp<long>(std::lround(v), 1, 32767)); }

} // namespace

X11WindowSystem::X11WindowSystem(const QByteArray& displayName)
    : conn_(std::make_unique<Connection>(displayName)), ownPid_(::getpid()), layerCache_(std::make_unique<LayerCache>())
{
    if (!conn_->ok())
        return;
    xcb_connection_t* c = conn_->raw();
    const auto* res = xcb_get_extension_data(c, &xcb_res_id);
    hasRes_ = res && res->present;

    // Never mapped, so never shown. Not override-redirect: its configure requests go through
    // the window manager, which makes them a barrier (see settle()).
    helper_ = xcb_generate_id(c);
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, helper_, conn_->root(), -100, -100, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
    const std::uint32_t pid = std::uint32_t(ownPid_);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, helper_, conn_->atoms().netWmPid, XCB_ATOM_CARDINAL, 32,
                        1, &pid);
    conn_->flush();
}

X11WindowSystem::~X11WindowSystem() = default;

bool X11WindowSystem::connected() const
{
    return conn_->ok();
}

std::vector<ClientState> X11WindowSystem::read(const std::vector<std::uint32_t>& ids, unsigned fields)
{
    std::vector<ClientState> out(ids.size());
    if (!conn_->ok())
        return out;
    xcb_connection_t* c = conn_->raw();
    const Atoms& a = conn_->atoms();

    struct Cookies {
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t translate;
        xcb_query_tree_cookie_t tree;
        xcb_get_property_cookie_t extents, gtkExtents;
        xcb_get_property_cookie_t pid, netName, name, wmClass;
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_property_cookie_t type, state, wmState, transient, allowed;
        xcb_get_property_cookie_t normalHints;
    };
    std::vector<Cookies> cookies(ids.size());

    // One round: every request for every window, then the replies in order.
    for (size_t i = 0; i < ids.size(); ++i) {
        const xcb_window_t w = ids[i];
        Cookies& k = cookies[i];
        k.geometry = xcb_get_geometry(c, w);
        if (fields & Geometry) {
            k.translate = xcb_translate_coordinates(c, w, conn_->root(), 0, 0);
            k.tree = xcb_query_tree(c, w);
            k.extents = conn_->property(w, a.netFrameExtents, XCB_ATOM_CARDINAL, 4);
            k.gtkExtents = conn_->property(w, a.gtkFrameExtents, XCB_ATOM_CARDINAL, 4);
        }
        if (fields & Identity) {
            k.pid = conn_->property(w, a.netWmPid, XCB_ATOM_CARDINAL, 1);
            k.netName = conn_->property(w, a.netWmName, a.utf8String, 256);
            k.name = conn_->property(w, XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 256);
            k.wmClass = conn_->property(w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 128);
        }
        if (fields & Kind) {
            k.attributes = xcb_get_window_attributes(c, w);
            k.type = conn_->property(w, a.netWmWindowType, XCB_ATOM_ATOM, 32);
            k.state = conn_->property(w, a.netWmState, XCB_ATOM_ATOM, 32);
            k.wmState = conn_->property(w, a.wmState, a.wmState, 2);
            k.transient = conn_->property(w, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 1);
            k.allowed = conn_->property(w, a.netWmAllowedActions, XCB_ATOM_ATOM, 64);
        }
        if (fields & (Hints | Geometry))
            k.normalHints = conn_->property(w, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 18);
    }

    std::vector<size_t> needParent, needPid;
    for (size_t i = 0; i < ids.size(); ++i) {
        ClientState& s = out[i];
        const Cookies& k = cookies[i];
        s.window = ids[i];
        auto g = FW_XCB_REPLY(c, xcb_get_geometry, k.geometry);
        s.alive = bool(g);
        if (g) {
            s.border = g->border_width;
            s.client = Rect(g->x + g->border_width, g->y + g->border_width, g->width, g->height);
        }
        if (fields & Geometry) {
            auto t = FW_XCB_REPLY(c, xcb_translate_coordinates, k.translate);
            auto tree = FW_XCB_REPLY(c, xcb_query_tree, k.tree);
            s.frameExtents = extentsFrom(conn_->reply(k.extents).p);
            s.gtkExtents = extentsFrom(conn_->reply(k.gtkExtents).p);
            if (!t || !tree)
                s.alive = false;
            else if (g) {
                s.client = Rect(t->dst_x, t->dst_y, g->width, g->height);
                s.topLevel = s.window;
                if (tree->parent != conn_->root() && tree->parent != XCB_NONE) {
                    s.topLevel = tree->parent;
                    needParent.push_back(i);
                }
            }
        }
        if (fields & Identity) {
            if (auto p = cardinal(conn_->reply(k.pid).p))
                s.pid = Pid(*p);
            else
                needPid.push_back(i);
            s.title = text(conn_->reply(k.netName).p, a);
            auto legacy = text(conn_->reply(k.name).p, a);
            if (!s.title)
                s.title = legacy;
            auto classReply = conn_->reply(k.wmClass);
            const QByteArray cls = classReply && classReply->format == 8 ? bytes(classReply.p) : QByteArray();
            const QList<QByteArray> parts = cls.split('\0');
            if (parts.size() >= 2) {
                s.appInstance = QString::fromLatin1(parts[0]);
                s.appClass = QString::fromLatin1(parts[1]);
            } else if (!cls.isEmpty()) {
                // One string without its separator: the only name there is serves as both.
                s.appInstance = s.appClass = QString::fromLatin1(cls);
            }
        }
        if (fields & Kind) {
            auto attr = FW_XCB_REPLY(c, xcb_get_window_attributes, k.attributes);
            if (attr) {
                s.overrideRedirect = attr->override_redirect;
                s.viewable = attr->map_state == XCB_MAP_STATE_VIEWABLE;
            } else {
                s.alive = false;
            }
            s.types = atomList(conn_->reply(k.type).p);
            s.states = atomList(conn_->reply(k.state).p);
            auto ws = cardinal(conn_->reply(k.wmState).p);
            s.iconic = ws && *ws == 3;
            auto tr = conn_->reply(k.transient);
            s.transientFor = cardinal(tr.p).value_or(XCB_NONE);
            auto allowed = conn_->reply(k.allowed);
            s.hasAllowedActions = allowed && allowed->type != XCB_NONE;
            s.allowedActions = atomList(allowed.p);
        }
        if (fields & (Hints | Geometry))
            s.hints = parseNormalHints(conn_->reply(k.normalHints).p);
        // Client-side shadows cannot take up the whole window: such extents are broken.
        const Extents& gtk = s.gtkExtents;
        if (gtk.left + gtk.right >= s.client.width() || gtk.top + gtk.bottom >= s.client.height())
            s.gtkExtents = {};
    }

    // Climb to the top-level ancestor (the WM frame), one round per level for all windows.
    for (int depth = 0; depth < 16 && !needParent.empty(); ++depth) {
        std::vector<xcb_query_tree_cookie_t> trees;
        for (size_t i : needParent)
            trees.push_back(xcb_query_tree(c, out[i].topLevel));
        std::vector<size_t> next;
        for (size_t j = 0; j < needParent.size(); ++j) {
            ClientState& s = out[needParent[j]];
            auto tree = FW_XCB_REPLY(c, xcb_query_tree, trees[j]);
            if (!tree) {
                s.alive = false;
                continue;
            }
            if (tree->parent != conn_->root() && tree->parent != XCB_NONE) {
                s.topLevel = tree->parent;
                next.push_back(needParent[j]);
            }
        }
        needParent.swap(next);
    }

    // Process ids the windows do not state: ask the X-Resource extension for the client's pid.
    if (hasRes_ && !needPid.empty()) {
        std::vector<xcb_res_query_client_ids_cookie_t> q;
        for (size_t i : needPid) {
            xcb_res_client_id_spec_t wanted{out[i].window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
            q.push_back(xcb_res_query_client_ids(c, 1, &wanted));
        }
        for (size_t j = 0; j < needPid.size(); ++j) {
            auto r = FW_XCB_REPLY(c, xcb_res_query_client_ids, q[j]);
            if (!r)
                continue;
            for (auto it = xcb_res_query_client_ids_ids_iterator(r.p); it.rem;
                 xcb_res_client_id_value_next(&it)) {
                // Only the local-pid id was asked for, so any value of 4 bytes or more is the pid.
                if (it.data->length >= 4) {
                    out[needPid[j]].pid = Pid(*xcb_res_client_id_value_value(it.data));
                    break;
                }
            }
        }
    }
    return out;
}

std::optional<ClientState> X11WindowSystem::readOne(WindowId id, unsigned fields)
{
    if (id == 0 || id > 0xffffffffu || id == conn_->root())
        return std::nullopt;
    auto v = read({std::uint32_t(id)}, fields);
    if (v.empty() || !v.front().alive)
        return std::nullopt;
    return std::move(v.front());
}

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
    // Entries can be installed or removed at any time; one listing per snapshot is cheap.
    if (appIndex_)
        appIndex_->rebuild();
    xcb_connection_t* c = conn_->raw();
    const Atoms& a = conn_->atoms();
    auto stackingCookie = conn_->property(conn_->root(), a.netClientListStacking, XCB_ATOM_WINDOW, 4096);
    auto listCookie = conn_->property(conn_->root(), a.netClientList, XCB_ATOM_WINDOW, 4096);
    auto rootTreeCookie = xcb_query_tree(c, conn_->root());
    auto stacking = conn_->reply(stackingCookie);
    auto list = conn_->reply(listCookie);
    auto rootTree = FW_XCB_REPLY(c, xcb_query_tree, rootTreeCookie);

    std::vector<std::uint32_t> ids = cardinals(stacking.p);
    if (ids.empty())
        ids = cardinals(list.p);   // some WMs leave the stacking list unset
    {
        // Any client can write these lists: each window once, never the root window.
        std::vector<std::uint32_t> unique;
        unique.reserve(ids.size());
        for (std::uint32_t id : ids)
            if (id != XCB_NONE && id != conn_->root() && std::find(unique.begin(), unique.end(), id) == unique.end())
                unique.push_back(id);
        ids.swap(unique);
    }
    std::vector<xcb_window_t> rootChildren;
    if (rootTree) {
        auto* ch = xcb_query_tree_children(rootTree.p);
        rootChildren.assign(ch, ch + xcb_query_tree_children_length(rootTree.p));
    }
    const bool noClientList = (!stacking || stacking->type == XCB_NONE) && (!list || list->type == XCB_NONE);
    if (noClientList)
        ids = rootChildren;   // no EWMH WM: the top-level windows themselves

    std::vector<ClientState> states = read(ids, All);

    std::unordered_map<xcb_window_t, size_t> zIndex;   // bottom to top
    for (size_t i = 0; i < rootChildren.size(); ++i)
        zIndex[rootChildren[i]] = i;

    struct Entry {
        WindowInfo info;
        long z;
        size_t listIndex;
        xcb_window_t topLevel;
    };
    std::vector<Entry> entries;
    for (size_t i = 0; i < states.size(); ++i) {
        const ClientState& s = states[i];
        if (!s.alive || s.overrideRedirect)
            continue;
        if (s.pid != 0 && s.pid == ownPid_)
            continue;
        const xcb_atom_t type = windowType(s.types, a);
        if (type == a.netWmWindowTypeDock || type == a.netWmWindowTypeDesktop)
            continue;
        if (noClientList && !s.viewable)
            continue;
        WindowInfo w;
        w.id = s.window;
        w.pid = s.pid;
        w.title = s.title.value_or(QString());
        w.appClass = s.appClass;
        w.appInstance = s.appInstance;
        if (appIndex_) {
            if (auto entry = appIndex_->entryFor(s.appClass, s.appInstance))
                w.appName = entry->name;
        }
        w.frame = s.outerFrame();
        w.layer = 0;
        w.minimized = s.minimized(a);
        w.fullscreen = s.has(s.states, a.netWmStateFullscreen);
        w.onScreen = s.viewable && !w.minimized;
        // Transient windows without a type are dialogs; one typed normal is a window of its own
        // (GTK's secondary windows name their parent).
        w.normal = type == a.netWmWindowTypeNormal || (type == XCB_NONE && s.transientFor == XCB_NONE);
        w.movable = movableFrom(s, a);
        w.resizable = resizableFrom(s, a);
        w.increment = s.hints.increment;
        auto z = zIndex.find(s.topLevel);
        entries.push_back({w, z == zIndex.end() ? -1 : long(z->second), i, s.topLevel});
    }
    // Front to back: QueryTree order is the truth; windows not found there keep list order.
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

std::optional<Rect> X11WindowSystem::frame(WindowId id)
{
    auto s = readOne(id, Geometry);
    if (!s)
        return std::nullopt;
    return s->outerFrame();
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
    auto s = readOne(id, Geometry | Hints);
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

bool X11WindowSystem::windowManagerPresent()
{
    // A WM that quit can leave its claim on the root: the check window must still exist and
    // name itself.
    const xcb_atom_t check = conn_->atoms().netSupportingWmCheck;
    const auto w = cardinal(conn_->reply(conn_->property(conn_->root(), check, XCB_ATOM_WINDOW, 1)).p);
    if (!w || *w == 0)
        return false;
    return cardinal(conn_->reply(conn_->property(*w, check, XCB_ATOM_WINDOW, 1)).p) == w;
}

bool X11WindowSystem::supports(std::uint32_t atom)
{
    // _NET_SUPPORTED changes only when a WM starts; re-read it at most once a second.
    const std::int64_t now = nowMs();
    if (supportedReadAt_ < 0 || now - supportedReadAt_ > 1000) {
        supported_ = cardinals(conn_->reply(conn_->property(conn_->root(), conn_->atoms().netSupported,
                                                            XCB_ATOM_ATOM, 4096)).p);
        supportedReadAt_ = now;
    }
    return std::find(supported_.begin(), supported_.end(), atom) != supported_.end();
}

std::uint32_t X11WindowSystem::serverTime()
{
    // A zero-length append makes the server send a PropertyNotify carrying its current time.
    xcb_connection_t* c = conn_->raw();
    xcb_change_property(c, XCB_PROP_MODE_APPEND, helper_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0, nullptr);
    conn_->flush();
    const std::int64_t deadline = nowMs() + writeTimeoutMs_;
    for (;;) {
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            const bool hit = (e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
                             reinterpret_cast<xcb_property_notify_event_t*>(e)->window == helper_ &&
                             reinterpret_cast<xcb_property_notify_event_t*>(e)->atom == XCB_ATOM_WM_NAME;
            const std::uint32_t t = hit ? reinterpret_cast<xcb_property_notify_event_t*>(e)->time : 0;
            free(e);
            if (hit)
                return t;
        }
        if (!waitReadable(c, deadline))
            return XCB_CURRENT_TIME;
    }
}

std::uint32_t X11WindowSystem::requestBarrier()
{
    // A width the helper does not have: the server reports only configures that change
    // something, and a late answer to an earlier barrier cannot pass for this one.
    barrierWidth_ = barrierWidth_ >= 30000 ? 2 : barrierWidth_ + 1;
    xcb_configure_window(conn_->raw(), helper_, XCB_CONFIG_WINDOW_WIDTH, &barrierWidth_);
    conn_->flush();
    return barrierWidth_;
}

void X11WindowSystem::settle(std::uint32_t watched, int rounds)
{
    xcb_connection_t* c = conn_->raw();
    const std::uint32_t on = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, watched, XCB_CW_EVENT_MASK, &on);
    // A barrier: a window manager passes configure requests for windows it does not manage on
    // to the server, in order with the messages sent before them. Once our helper has the width
    // asked for, the WM has handled (and applied) everything before. Every WM answers it, unlike
    // _NET_REQUEST_FRAME_EXTENTS (fluxbox never answers that, icewm not for override-redirect
    // windows).
    std::uint32_t width = requestBarrier();
    const std::int64_t deadline = nowMs() + writeTimeoutMs_;
    bool done = false;
    while (!done) {
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            switch (e->response_type & 0x7f) {
            case XCB_CONFIGURE_NOTIFY: {
                auto* n = reinterpret_cast<xcb_configure_notify_event_t*>(e);
                if (n->window == helper_ && n->width == width) {
                    // Another round covers what the WM's own requests caused meanwhile
                    // (e.g. the FocusIn after it focused a window).
                    if (--rounds > 0)
                        width = requestBarrier();
                    else
                        done = true;
                }
                break;
            }
            case XCB_DESTROY_NOTIFY:
                if (reinterpret_cast<xcb_destroy_notify_event_t*>(e)->window == watched)
                    done = true;
                break;
            default:
                break;   // errors about windows that have just closed end up here: dropped
            }
            free(e);
        }
        if (done || !waitReadable(c, deadline))
            break;
    }
    const std::uint32_t off = XCB_EVENT_MASK_NO_EVENT;
    xcb_change_window_attributes(c, watched, XCB_CW_EVENT_MASK, &off);
    conn_->flush();
}

bool X11WindowSystem::inFront(const ClientState& target)
{
    xcb_connection_t* c = conn_->raw();
    const Atoms& a = conn_->atoms();
    auto tree = FW_XCB_REPLY(c, xcb_query_tree, xcb_query_tree(c, conn_->root()));
    if (!tree)
        return false;
    const auto* children = xcb_query_tree_children(tree.p);
    const int count = xcb_query_tree_children_length(tree.p);
    const auto* at = std::find(children, children + count, target.topLevel);
    if (at == children + count)
        return false;
    if (at + 1 == children + count)
        return true;
    // Something is above: only other clients' visible frames count, not the WM's own windows,
    // windows kept above the others, docks, the window's own dialogs or our windows.
    const std::vector<xcb_window_t> above(at + 1, children + count);
    auto ids = cardinals(conn_->reply(conn_->property(conn_->root(), a.netClientList, XCB_ATOM_WINDOW, 4096)).p);
    for (const ClientState& s : read(ids, Geometry | Kind | Identity)) {
        if (!s.alive || s.window == target.window || !s.viewable || s.iconic || s.transientFor == target.window ||
            (s.pid != 0 && s.pid == ownPid_) || s.has(s.states, a.netWmStateAbove))
            continue;
        const xcb_atom_t type = windowType(s.types, a);
        if (type == a.netWmWindowTypeDock || type == a.netWmWindowTypeDesktop)
            continue;
        if (std::find(above.begin(), above.end(), s.topLevel) != above.end())
            return false;
    }
    return true;
}

bool X11WindowSystem::write(WindowId id, const Rect& target, bool position, bool size)
{
    if (!target.isFinite())
        return false;
    auto s = readOne(id, Geometry);
    if (!s)
        return false;
    xcb_connection_t* c = conn_->raw();
    conn_->drainQueue();

    // From the requested visible frame to the client rectangle and the WM's outer frame origin.
    const Extents& f = s->frameExtents;
    const Extents& g = s->gtkExtents;
    Size client{target.width() - (f.left + f.right) + (g.left + g.right) - 2 * s->border,
                target.height() - (f.top + f.bottom) + (g.top + g.bottom) - 2 * s->border};
    // Ask only for a size the window's own hints allow: window managers differ in which hints
    // they enforce (icewm and fluxbox go below the minimum, xfwm4 and fluxbox ignore the
    // increments), and the read-back must mean the same under each.
    if (size)
        client = constrainedToHints(client, s->hints);
    const double clientW = client.width, clientH = client.height;
    const double outerX = target.x() - g.left;
    const double outerY = target.y() - g.top;
    // A write that changes nothing waits for nothing.
    const Rect now = s->outerFrame();
    const bool samePosition = std::lround(now.x()) == clampCoord(target.x()) && std::lround(now.y()) == clampCoord(target.y());
    const bool sameSize = std::lround(s->client.width()) == clampSize(clientW) &&
                          std::lround(s->client.height()) == clampSize(clientH);
    if ((!position || samePosition) && (!size || sameSize))
        return true;

    if (windowManagerPresent()) {
        // Every value flagged, the parts not written as they are now: fluxbox takes all four
        // whatever the flags say.
        const double x = position ? outerX : now.x() - g.left, y = position ? outerY : now.y() - g.top;
        const double w = size ? clientW : s->client.width(), h = size ? clientH : s->client.height();
        const std::uint32_t flags = (1u << 8) | (1u << 9) | (1u << 10) | (1u << 11);
        const std::uint32_t gravityNorthWest = 1, sourcePager = 2u << 12;
        conn_->sendRootMessage(s->window, conn_->atoms().netMoveresizeWindow, gravityNorthWest | flags | sourcePager,
                               std::uint32_t(clampCoord(x)), std::uint32_t(clampCoord(y)), std::uint32_t(clampSize(w)),
                               std::uint32_t(clampSize(h)));
        settle(s->window);
    } else {
        // No window manager: the client is a top-level window and takes the geometry itself.
        std::uint32_t values[4];
        std::uint16_t mask = 0;
        int n = 0;
        if (position) {
            mask |= XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y;
            values[n++] = std::uint32_t(clampCoord(outerX + f.left));
            values[n++] = std::uint32_t(clampCoord(outerY + f.top));
        }
        if (size) {
            mask |= XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT;
            values[n++] = std::uint32_t(clampSize(clientW));
            values[n++] = std::uint32_t(clampSize(clientH));
        }
        xcb_configure_window(c, s->window, mask, values);
        conn_->flush();
    }
    // The write counts when the window is still there to be read back.
    return readOne(id, Geometry).has_value();
}

bool X11WindowSystem::setPosition(WindowId id, Point topLeft)
{
    return write(id, Rect(topLeft, Size{1, 1}), true, false);
}

bool X11WindowSystem::setSize(WindowId id, Size size)
{
    return write(id, Rect(Point{}, size), false, true);
}

bool X11WindowSystem::setFrame(WindowId id, const Rect& frame)
{
    return write(id, frame, true, true);
}

bool X11WindowSystem::raise(WindowId id)
{
    auto s = readOne(id, Geometry);
    if (!s)
        return false;
    conn_->drainQueue();
    const Atoms& a = conn_->atoms();
    if (windowManagerPresent() && supports(a.netRestackWindow)) {
        const std::uint32_t sourcePager = 2, above = XCB_STACK_MODE_ABOVE;
        conn_->sendRootMessage(s->window, a.netRestackWindow, sourcePager, XCB_NONE, above);
    } else {
        // A configure request for the client; a WM that redirects it decides, else X applies it.
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(conn_->raw(), s->window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    }
    settle(s->window);
    // Some WMs ignore restack requests (fluxbox, with or without a sibling, and the client's
    // own): what the server stacks is the truth, and activation raises where they do not.
    auto after = readOne(id, Geometry | Kind);
    if (!after)
        return false;
    if (after->viewable && windowManagerPresent() && !inFront(*after))
        return activate(id);
    return true;
}

bool X11WindowSystem::activate(WindowId id)
{
    auto s = readOne(id, Geometry);
    if (!s)
        return false;
    conn_->drainQueue();
    if (!windowManagerPresent()) {
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(conn_->raw(), s->window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_set_input_focus(conn_->raw(), XCB_INPUT_FOCUS_POINTER_ROOT, s->window, XCB_CURRENT_TIME);
        conn_->flush();
        return readOne(id, Geometry).has_value();
    }
    const std::uint32_t time = serverTime();
    const std::uint32_t sourcePager = 2;
    conn_->sendRootMessage(s->window, conn_->atoms().netActiveWindow, sourcePager, time, XCB_NONE);
    // Two rounds: the WM learns that the focus moved only from the FocusIn its own request made.
    settle(s->window, 2);
    return readOne(id, Geometry).has_value();
}

std::optional<WindowId> X11WindowSystem::focusedWindow()
{
    if (!conn_->ok())
        return std::nullopt;
    auto active = cardinal(conn_->reply(conn_->property(conn_->root(), conn_->atoms().netActiveWindow,
                                                        XCB_ATOM_WINDOW, 1)).p);
    std::uint32_t w = active.value_or(0);
    if (w == 0) {
        // No EWMH answer: the X input focus, when it is a top-level client window.
        auto focus = FW_XCB_REPLY(conn_->raw(), xcb_get_input_focus, xcb_get_input_focus(conn_->raw()));
        if (!focus || focus->focus == XCB_NONE || focus->focus == XCB_INPUT_FOCUS_POINTER_ROOT ||
            focus->focus == conn_->root())
            return std::nullopt;
        w = focus->focus;
    }
    auto s = readOne(w, Identity | Kind);
    if (!s || s->overrideRedirect || (s->pid != 0 && s->pid == ownPid_))
        return std::nullopt;
    return WindowId(w);
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
    for (size_t i = 0; i < windows.size() && hit != XCB_NONE; ++i)
        if (windows[i].onScreen && tops[i] == hit)
            return windows[i].id;
    for (const WindowInfo& w : windows)
        if (w.onScreen && w.frame.contains(p))
            return w.id;
    return std::nullopt;
}

} // namespace fw
