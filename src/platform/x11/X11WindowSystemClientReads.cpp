// Reading client windows for the X11 window port, pipelined: one round sends every request for
// every window (geometry and frame extents, identity, kind, size hints, as asked) before the
// first reply is read, with the parent of the frame each window had at its last read; then one
// round per level climbs to the top-level windows (the window manager's frames) of those whose
// frame that round did not confirm, and one more asks the X-Resource extension for the
// processes of windows that state none. Kept apart from the snapshot and the writes, which all read through here.
// Also a window's icon pictures, read on their own with a bound.
#include "platform/x11/X11ClientState.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11WindowSystem.h"

#include <QList>
#include <xcb/res.h>

namespace fw {

using namespace x11;

namespace {

// Which groups of a window's properties one read asks for.
struct Groups {
    bool geometry = false;
    bool identity = false;
    bool kind = false;
    bool hints = false;
};

// What one read asked of one window; a group's cookies are set only when it was asked for.
struct Cookies {
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t translate;
    xcb_query_tree_cookie_t tree;
    // The frame the window had at its last read, asked in the same round: when the window's
    // parent is still that frame and the frame's parent the root, no climb is needed, and the
    // frame's geometry and the client's place inside it give the extents a window manager
    // states none of (pekwm) without another round.
    // So is the one window known between them (icewm's container).
    xcb_window_t knownFrame = XCB_NONE, knownMiddle = XCB_NONE;
    xcb_query_tree_cookie_t knownFrameTree, knownMiddleTree;
    xcb_get_geometry_cookie_t knownFrameGeometry, knownMiddleGeometry;
    xcb_translate_coordinates_cookie_t insideKnownFrame;
    xcb_get_property_cookie_t extents, gtkExtents;
    xcb_get_property_cookie_t pid, netName, name, wmClass, applicationId, role;
    xcb_get_window_attributes_cookie_t attributes;
    xcb_get_property_cookie_t type, state, wmState, transient, allowed;
    xcb_get_property_cookie_t normalHints;
};

// Sends every request for the window; nothing is flushed or waited for here.
Cookies ask(Connection& conn, xcb_window_t w, const Groups& groups, xcb_window_t knownFrame, xcb_window_t knownMiddle)
{
    xcb_connection_t* c = conn.raw();
    const Atoms& a = conn.atoms();
    Cookies k{};
    k.geometry = xcb_get_geometry(c, w);
    if (groups.geometry) {
        k.translate = xcb_translate_coordinates(c, w, conn.root(), 0, 0);
        k.tree = xcb_query_tree(c, w);
        if (knownFrame != XCB_NONE) {
            k.knownFrame = knownFrame;
            k.knownFrameTree = xcb_query_tree(c, knownFrame);
            k.knownFrameGeometry = xcb_get_geometry(c, knownFrame);
            k.insideKnownFrame = xcb_translate_coordinates(c, w, knownFrame, 0, 0);
            if (knownMiddle != XCB_NONE) {
                k.knownMiddle = knownMiddle;
                k.knownMiddleTree = xcb_query_tree(c, knownMiddle);
                k.knownMiddleGeometry = xcb_get_geometry(c, knownMiddle);
            }
        }
        k.extents = conn.property(w, a.netFrameExtents, XCB_ATOM_CARDINAL, 4);
        k.gtkExtents = conn.property(w, a.gtkFrameExtents, XCB_ATOM_CARDINAL, 4);
    }
    if (groups.identity) {
        k.pid = conn.property(w, a.netWmPid, XCB_ATOM_CARDINAL, 1);
        k.netName = conn.property(w, a.netWmName, a.utf8String, 256);
        k.name = conn.property(w, XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 256);
        k.wmClass = conn.property(w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 128);
        k.applicationId = conn.property(w, a.gtkApplicationId, a.utf8String, 64);
        k.role = conn.property(w, a.wmWindowRole, XCB_ATOM_STRING, 16);
    }
    if (groups.kind) {
        k.attributes = xcb_get_window_attributes(c, w);
        k.type = conn.property(w, a.netWmWindowType, XCB_ATOM_ATOM, 32);
        k.state = conn.property(w, a.netWmState, XCB_ATOM_ATOM, 32);
        k.wmState = conn.property(w, a.wmState, a.wmState, 2);
        k.transient = conn.property(w, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 1);
        k.allowed = conn.property(w, a.netWmAllowedActions, XCB_ATOM_ATOM, 64);
    }
    if (groups.hints)
        k.normalHints = conn.property(w, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 18);
    return k;
}

// Where a read found a window's top-level window.
enum class Parentage { TopLevel, Framed, Climb };

// A window's box as the server reports it.
Box boxOf(const xcb_get_geometry_reply_t& g)
{
    return Box{g.x, g.y, g.width, g.height, g.border_width};
}

// Frame extents a window manager states none of, from the top-level window and the client's
// place inside it (`inside`: its inner corner in the frame's inner coordinates, however deep).
std::optional<Extents> extentsInFrame(const ClientState& s, const xcb_get_geometry_reply_t& frame,
                                      const xcb_translate_coordinates_reply_t& inside)
{
    const Box own{inside.dst_x - s.border, inside.dst_y - s.border, int(s.client.width()), int(s.client.height()), s.border};
    return x11::extentsInFrame(own, boxOf(frame));
}

// The window's size and border, and with `placed` its place on the root, its parent and its
// frame extents. Framed when its known frame was confirmed as its top-level window (through
// the window known between them, if any); Climb when
// the top-level window lies further up, not known yet.
Parentage takeGeometry(Connection& conn, const Cookies& k, bool placed, ClientState& s)
{
    xcb_connection_t* c = conn.raw();
    // Every reply asked for is taken, used or not.
    Reply<xcb_query_tree_reply_t> frameTree, middleTree;
    Reply<xcb_get_geometry_reply_t> frameGeometry, middleGeometry;
    Reply<xcb_translate_coordinates_reply_t> inside;
    if (k.knownFrame != XCB_NONE) {
        frameTree = FW_XCB_REPLY(c, xcb_query_tree, k.knownFrameTree);
        frameGeometry = FW_XCB_REPLY(c, xcb_get_geometry, k.knownFrameGeometry);
        inside = FW_XCB_REPLY(c, xcb_translate_coordinates, k.insideKnownFrame);
    }
    if (k.knownMiddle != XCB_NONE) {
        middleTree = FW_XCB_REPLY(c, xcb_query_tree, k.knownMiddleTree);
        middleGeometry = FW_XCB_REPLY(c, xcb_get_geometry, k.knownMiddleGeometry);
    }
    auto g = FW_XCB_REPLY(c, xcb_get_geometry, k.geometry);
    s.alive = bool(g);
    if (g) {
        s.border = g->border_width;
        s.client = Rect(g->x + g->border_width, g->y + g->border_width, g->width, g->height);
        s.own = boxOf(*g.p);
    }
    if (!placed)
        return Parentage::TopLevel;
    auto t = FW_XCB_REPLY(c, xcb_translate_coordinates, k.translate);
    auto tree = FW_XCB_REPLY(c, xcb_query_tree, k.tree);
    const auto stated = statedExtents(conn.reply(k.extents).p);
    s.extentsStated = stated.has_value();
    s.frameExtents = stated.value_or(Extents{});
    s.gtkExtents = extentsFrom(conn.reply(k.gtkExtents).p);
    if (!t || !tree) {
        s.alive = false;
        return Parentage::TopLevel;
    }
    if (!g)
        return Parentage::TopLevel;
    s.client = Rect(t->dst_x, t->dst_y, g->width, g->height);
    s.topLevel = s.window;
    s.parent = tree->parent;
    if (tree->parent == conn.root() || tree->parent == XCB_NONE) {
        s.boxesKnown = true;
        return Parentage::TopLevel;
    }
    s.topLevel = tree->parent;
    const bool throughMiddle = middleTree && tree->parent == k.knownMiddle && middleTree->parent == k.knownFrame;
    if (!frameTree || (tree->parent != k.knownFrame && !throughMiddle) || frameTree->parent != conn.root())
        return Parentage::Climb;
    s.topLevel = k.knownFrame;
    if (throughMiddle) {
        s.middle = k.knownMiddle;
        if (middleGeometry)
            s.middleBox = boxOf(*middleGeometry.p);
    }
    if (frameGeometry && (!throughMiddle || middleGeometry)) {
        s.frameBox = boxOf(*frameGeometry.p);
        s.boxesKnown = true;
    }
    if (!s.extentsStated && frameGeometry && inside) {
        if (const auto derived = extentsInFrame(s, *frameGeometry.p, *inside.p))
            s.frameExtents = *derived;
        s.extentsDerived = true;
    }
    return Parentage::Framed;
}

// The window's process, title, class, application id and role. False when the window states no
// process.
bool takeIdentity(Connection& conn, const Cookies& k, ClientState& s)
{
    const Atoms& a = conn.atoms();
    const auto pid = cardinal(conn.reply(k.pid).p);
    if (pid)
        s.pid = Pid(*pid);
    s.title = text(conn.reply(k.netName).p, a);
    auto legacy = text(conn.reply(k.name).p, a);
    if (!s.title)
        s.title = legacy;
    auto classReply = conn.reply(k.wmClass);
    const QByteArray cls = classReply && classReply->format == 8 ? bytes(classReply.p) : QByteArray();
    const QList<QByteArray> parts = cls.split('\0');
    if (parts.size() >= 2) {
        s.appInstance = QString::fromLatin1(parts[0]);
        s.appClass = QString::fromLatin1(parts[1]);
    } else if (!cls.isEmpty()) {
        // One string without its separator: the only name there is serves as both.
        s.appInstance = s.appClass = QString::fromLatin1(cls);
    }
    s.applicationId = text(conn.reply(k.applicationId).p, a).value_or(QString());
    s.role = text(conn.reply(k.role).p, a).value_or(QString());
    return pid.has_value();
}

// Whether the window is mapped or override-redirect, its types, states, WM_STATE, the window
// it is transient for and the actions the window manager allows on it.
void takeKind(Connection& conn, const Cookies& k, ClientState& s)
{
    auto attr = FW_XCB_REPLY(conn.raw(), xcb_get_window_attributes, k.attributes);
    if (attr) {
        s.overrideRedirect = attr->override_redirect;
        s.viewable = attr->map_state == XCB_MAP_STATE_VIEWABLE;
    } else {
        s.alive = false;
    }
    s.types = cardinals(conn.reply(k.type).p);
    s.states = cardinals(conn.reply(k.state).p);
    auto ws = cardinal(conn.reply(k.wmState).p);
    s.iconic = ws && *ws == 3;
    auto tr = conn.reply(k.transient);
    s.transientFor = cardinal(tr.p).value_or(XCB_NONE);
    auto allowed = conn.reply(k.allowed);
    s.hasAllowedActions = allowed && allowed->type != XCB_NONE;
    s.allowedActions = cardinals(allowed.p);
}

// Climbs to the top-level ancestors (the WM frames) of the windows at `pending`, one round per
// level for all of them.
void climbToTopLevels(Connection& conn, std::vector<ClientState>& out, std::vector<size_t> pending)
{
    xcb_connection_t* c = conn.raw();
    for (int depth = 0; depth < 16 && !pending.empty(); ++depth) {
        std::vector<xcb_query_tree_cookie_t> trees;
        for (size_t i : pending)
            trees.push_back(xcb_query_tree(c, out[i].topLevel));
        std::vector<size_t> next;
        for (size_t j = 0; j < pending.size(); ++j) {
            ClientState& s = out[pending[j]];
            auto tree = FW_XCB_REPLY(c, xcb_query_tree, trees[j]);
            if (!tree) {
                s.alive = false;
                continue;
            }
            if (tree->parent != conn.root() && tree->parent != XCB_NONE) {
                s.topLevel = tree->parent;
                next.push_back(pending[j]);
            }
        }
        pending.swap(next);
    }
}

// Whether the frames of reparented clients that are not viewable themselves are, in one round:
// a rolled-up window's title bar shows while the window manager keeps its client unmapped (and
// while it unrolls it, before its states say so).
void readFramesOfUnmappedClients(Connection& conn, std::vector<ClientState>& out)
{
    xcb_connection_t* c = conn.raw();
    std::vector<std::pair<size_t, xcb_get_window_attributes_cookie_t>> asked;
    for (size_t i = 0; i < out.size(); ++i) {
        const ClientState& s = out[i];
        if (s.alive && !s.viewable && s.topLevel != XCB_NONE && s.topLevel != s.window)
            asked.emplace_back(i, xcb_get_window_attributes(c, s.topLevel));
    }
    for (const auto& [i, cookie] : asked) {
        auto attr = FW_XCB_REPLY(c, xcb_get_window_attributes, cookie);
        out[i].frameViewable = attr && attr->map_state == XCB_MAP_STATE_VIEWABLE;
    }
}

// Frame extents of reparented windows whose window manager states none (pekwm) and whose frame
// the first round did not know, read in one more round. They follow the frame as it changes,
// since every read works them out anew.
void deriveExtents(Connection& conn, std::vector<ClientState>& out, const std::vector<size_t>& reparented)
{
    xcb_connection_t* c = conn.raw();
    struct Asked {
        size_t index;
        xcb_get_geometry_cookie_t frame;
        xcb_translate_coordinates_cookie_t inside;
    };
    std::vector<Asked> asked;
    for (size_t i : reparented)
        if (out[i].alive && !out[i].extentsStated && !out[i].extentsDerived && out[i].topLevel != out[i].window)
            asked.push_back({i, xcb_get_geometry(c, out[i].topLevel),
                             xcb_translate_coordinates(c, out[i].window, out[i].topLevel, 0, 0)});
    for (const Asked& a : asked) {
        auto g = FW_XCB_REPLY(c, xcb_get_geometry, a.frame);
        auto inside = FW_XCB_REPLY(c, xcb_translate_coordinates, a.inside);
        if (!g || !inside)
            continue;
        if (const auto e = extentsInFrame(out[a.index], *g.p, *inside.p))
            out[a.index].frameExtents = *e;
    }
}

// Asks the X-Resource extension for the process of each window at `pending`, in one round.
void askResourcePids(Connection& conn, std::vector<ClientState>& out, const std::vector<size_t>& pending)
{
    xcb_connection_t* c = conn.raw();
    std::vector<xcb_res_query_client_ids_cookie_t> q;
    for (size_t i : pending) {
        xcb_res_client_id_spec_t wanted{out[i].window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
        q.push_back(xcb_res_query_client_ids(c, 1, &wanted));
    }
    for (size_t j = 0; j < pending.size(); ++j) {
        auto r = FW_XCB_REPLY(c, xcb_res_query_client_ids, q[j]);
        if (!r)
            continue;
        for (auto it = xcb_res_query_client_ids_ids_iterator(r.p); it.rem; xcb_res_client_id_value_next(&it)) {
            // Only the local-pid id was asked for, so any value of 4 bytes or more is the pid.
            if (it.data->length >= 4) {
                out[pending[j]].pid = Pid(*xcb_res_client_id_value_value(it.data));
                break;
            }
        }
    }
}

} // namespace

std::vector<ClientState> X11WindowSystem::read(const std::vector<std::uint32_t>& ids, unsigned fields)
{
    // A read made since frameAndStates read its window makes that read too old to write from.
    handedOver_.state.reset();
    std::vector<ClientState> out(ids.size());
    if (!conn_->ok())
        return out;
    const Groups groups{.geometry = (fields & Geometry) != 0,
                        .identity = (fields & Identity) != 0,
                        .kind = (fields & Kind) != 0,
                        .hints = (fields & (Hints | Geometry)) != 0};

    // One round: every request for every window, then the replies in order.
    std::vector<Cookies> cookies;
    cookies.reserve(ids.size());
    for (std::uint32_t w : ids) {
        const auto known = knownFrames_.find(w);
        const KnownFrame frame = known != knownFrames_.end() ? known->second : KnownFrame{};
        cookies.push_back(ask(*conn_, w, groups, frame.top, frame.middle));
    }

    std::vector<size_t> reparented, needParent, needPid;
    for (size_t i = 0; i < ids.size(); ++i) {
        ClientState& s = out[i];
        const Cookies& k = cookies[i];
        s.window = ids[i];
        const Parentage parentage = takeGeometry(*conn_, k, groups.geometry, s);
        if (parentage != Parentage::TopLevel)
            reparented.push_back(i);
        if (parentage == Parentage::Climb)
            needParent.push_back(i);
        if (groups.identity && !takeIdentity(*conn_, k, s))
            needPid.push_back(i);
        s.kindRead = groups.kind;
        if (groups.kind)
            takeKind(*conn_, k, s);
        if (groups.hints) {
            auto hints = conn_->reply(k.normalHints);
            s.hints = parseNormalHints(hints.p);
            s.gravity = gravityOf(hints.p);
        }
        // Client-side shadows cannot take up the whole window: such extents are broken.
        const Extents& gtk = s.gtkExtents;
        if (gtk.left + gtk.right >= s.client.width() || gtk.top + gtk.bottom >= s.client.height())
            s.gtkExtents = {};
    }

    climbToTopLevels(*conn_, out, needParent);
    if (groups.geometry && groups.kind)
        readFramesOfUnmappedClients(*conn_, out);
    if (groups.geometry) {
        deriveExtents(*conn_, out, reparented);
        rememberFrames(out);
    }
    // Process ids the windows do not state: ask the X-Resource extension for the client's pid.
    if (hasRes_ && !needPid.empty())
        askResourcePids(*conn_, out, needPid);
    return out;
}

void X11WindowSystem::rememberFrames(const std::vector<ClientState>& read)
{
    // Bounded: windows come and go for as long as the program runs.
    if (knownFrames_.size() > 4096)
        knownFrames_.clear();
    for (const ClientState& s : read) {
        if (s.alive && s.topLevel != XCB_NONE && s.topLevel != s.window)
            knownFrames_[s.window] = {s.topLevel, s.parent != s.topLevel ? s.parent : xcb_window_t(XCB_NONE)};
        else
            knownFrames_.erase(s.window);
    }
}

namespace {

// A window's icon pictures are read this many 32-bit values (2 MiB) at a time, in up to
// kMaxIconReads pieces; a picture is drawn when its sides are at most kMaxIconSide (a 512 × 512
// picture and the smaller ones fit in one piece), a larger one is stepped over.
constexpr std::uint32_t kMaxIconWords = 1u << 19;
constexpr int kMaxIconReads = 4;
constexpr std::uint32_t kMaxIconSide = 512;

// 0xAARRGGBB straight alpha to premultiplied.
std::uint32_t premultiplied(std::uint32_t p)
{
    const std::uint32_t a = p >> 24;
    if (a == 255)
        return p;
    const auto channel = [&](int shift) { return (((p >> shift) & 0xffu) * a + 127) / 255 << shift; };
    return (a << 24) | channel(16) | channel(8) | channel(0);
}

// One piece of the pictures (width, height, then width × height pixels, one after another, in
// any order) walked: the largest whole picture in it that is drawn, and where reading on finds
// the next ones when the piece ends inside a picture the property holds whole (at that picture
// when it is drawn, past it when not). The pictures end at the first that is malformed (a side
// of 0, or more pixels than the property holds), where no later one can be found.
struct IconPiece {
    std::optional<PixelImage> largest;
    std::optional<std::size_t> readOnAt;   // in values from the piece's start
};

IconPiece walkIcons(const std::uint32_t* data, std::size_t words, std::size_t wordsAfter)
{
    IconPiece piece;
    std::size_t best = 0, bestArea = 0, at = 0;
    for (; at + 2 <= words;) {
        const std::uint32_t w = data[at], h = data[at + 1];
        if (w == 0 || h == 0)
            break;
        const std::size_t area = std::size_t(w) * h;
        const bool drawn = w <= kMaxIconSide && h <= kMaxIconSide;
        if (area > words - at - 2) {
            if (area <= words + wordsAfter - at - 2)
                piece.readOnAt = drawn ? at : at + 2 + area;
            break;
        }
        if (drawn && area > bestArea) {
            best = at;
            bestArea = area;
        }
        at += 2 + area;
    }
    if (at + 2 > words && at < words + wordsAfter)
        piece.readOnAt = at;   // a picture's sides cut by the piece's end
    if (bestArea == 0)
        return piece;
    PixelImage image(static_cast<int>(data[best]), static_cast<int>(data[best + 1]));
    for (std::size_t i = 0; i < bestArea; ++i)
        image.pixels[i] = premultiplied(data[best + 2 + i]);
    piece.largest = std::move(image);
    return piece;
}

} // namespace

std::optional<PixelImage> X11WindowSystem::windowIcon(WindowId id)
{
    if (id == 0 || id > 0xffffffffu || !conn_->ok())
        return std::nullopt;
    std::optional<PixelImage> largest;
    std::size_t offset = 0;
    for (int read = 0; read < kMaxIconReads && offset <= 0xffffffffu; ++read) {
        const auto r = conn_->reply(conn_->property(xcb_window_t(id), conn_->atoms().netWmIcon, XCB_ATOM_CARDINAL,
                                                    kMaxIconWords, std::uint32_t(offset)));
        if (!r || r->format != 32 || r->type != XCB_ATOM_CARDINAL)
            break;
        const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(r.get()));
        const std::size_t words = std::size_t(xcb_get_property_value_length(r.get())) / 4;
        auto piece = walkIcons(data, words, r->bytes_after / 4);
        if (piece.largest && (!largest || piece.largest->pixels.size() > largest->pixels.size()))
            largest = std::move(piece.largest);
        if (!piece.readOnAt || *piece.readOnAt == 0)
            break;
        offset += *piece.readOnAt;
    }
    return largest;
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

} // namespace fw
