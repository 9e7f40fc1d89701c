// The writes of the X11 window port: moves and resizes through the window manager
// (_NET_MOVERESIZE_WINDOW, or configure requests without one), raising and activation, each
// followed by a bounded wait until the window manager has handled it (x11::WriteWaits) and a
// read-back, or for a move and resize the server's notices of where it landed; corners sent
// by the habits learnt of the window manager (x11::WindowManagerFacts). Reads are in
// X11WindowSystemClientReads.cpp and X11WindowSystemReads.cpp.
#include "platform/x11/X11WindowSystem.h"

#include "platform/x11/X11ClientState.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11HeldRelease.h"
#include "platform/x11/X11WindowManagerFacts.h"
#include "platform/x11/X11WriteLanding.h"

#include <xcb/res.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <unistd.h>

namespace fw {

using namespace x11;
using Habit = WindowManagerFacts::Habit;

namespace {

int clampCoord(double v) { return int(std::clamp<long>(std::lround(v), -32768, 32767)); }
int clampSize(double v) { return int(std::clamp<long>(std::lround(v), 1, 32767)); }

} // namespace

X11WindowSystem::X11WindowSystem(const QByteArray& displayName)
    : conn_(std::make_unique<Connection>(displayName)), waits_(*conn_, ::getpid()), wm_(*conn_), ownPid_(::getpid()),
      layerCache_(std::make_unique<LayerCache>())
{
    release_ = std::make_unique<HeldRelease>(
        *conn_, waits_, wm_,
        HeldRelease::Port{[this](std::uint32_t window) { return readOne(window, Geometry | Kind); },
                          [this](const ClientState& s, WindowStates change, bool on) { return sendStates(s, change, on); },
                          [this](std::uint32_t window, const Rect& target, bool position, bool size) {
                              return write(window, target, position, size);
                          }});
    if (!conn_->ok())
        return;
    const auto* res = xcb_get_extension_data(conn_->raw(), &xcb_res_id);
    hasRes_ = res && res->present;
}

X11WindowSystem::~X11WindowSystem() = default;

bool X11WindowSystem::connected() const
{
    return conn_->ok();
}

bool X11WindowSystem::writesPending()
{
    return release_->underWay() || waits_.pending([this] { return wm_.present(); });
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

bool X11WindowSystem::moveResizeByMessage()
{
    switch (writePath_) {
    case WritePath::Message:
        return true;
    case WritePath::ConfigureRequest:
        return false;
    case WritePath::Automatic:
        break;
    }
    // A manager that moves nothing by the message, or handles it as a client's own request
    // (its corner read as the client's), is sent the client's own request: it lands the same
    // frame, without the work some managers do for a pager's message first (evilwm asks the
    // server for the pointer on every client message).
    const Habit& message = wm_.habit(Habit::Message);
    if ((message.ignored || message.asClients) && message.manager == wm_.checkWindow())
        return false;
    return wm_.supports(conn_->atoms().netMoveresizeWindow);
}

std::optional<Rect> X11WindowSystem::write(WindowId id, const Rect& target, bool position, bool size)
{
    if (!target.isFinite() || id == 0 || id > 0xffffffffu)
        return std::nullopt;
    if (const auto held = release_->askedDuring(id, target, position, size))
        return held;
    // One round: the window's destruction watched from before it is read (so that the wait
    // below sees it), the window manager's presence and the window itself; none where
    // frameAndStates read them just before (a window gone since leaves the read-back empty),
    // or else where the window is followed since its last write.
    // A following that has ended lets its window's events go: it is asked before the watch.
    waits_.takeQueuedEvents();
    bool managed = false;
    const HandedOver handedOver = std::exchange(handedOver_, HandedOver{});
    const bool handed = handedOver.state && handedOver.state->window == id && nowMs() - handedOver.readAtMs <= kHandOverMs;
    std::optional<ClientState> s = handed ? std::nullopt : waits_.followedState(std::uint32_t(id), &managed);
    waits_.watch(std::uint32_t(id));
    if (handed) {
        s = std::move(*handedOver.state);
        managed = handedOver.managed;
    } else if (!s) {
        const WindowManagerFacts::Check wm = wm_.ask();
        s = readOne(id, Geometry);
        managed = wm_.present(wm);
    }
    if (!s) {
        waits_.unwatch(std::uint32_t(id));
        return std::nullopt;
    }

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
    // While the WM has not reached the last request for this window, the server still shows a
    // frame from before it: what was asked last stands for the frame now.
    const bool behind = lastSent_.window == s->window && waits_.pending([this] { return wm_.present(); });
    const Rect now = behind ? lastSent_.outer : s->outerFrame();
    const Size nowClient = behind ? lastSent_.client : s->client.size;
    // A write that changes nothing waits for nothing.
    const bool samePosition = std::lround(now.x()) == clampCoord(target.x()) && std::lround(now.y()) == clampCoord(target.y());
    const bool sameSize = std::lround(nowClient.width) == clampSize(client.width) &&
                          std::lround(nowClient.height) == clampSize(client.height);
    if ((!position || samePosition) && (!size || sameSize)) {
        waits_.unwatch(s->window);
        return s->outerFrame();
    }

    // Every value is written, the parts not asked for as they are now: fluxbox takes all four
    // of a move/resize message whatever its flags say, and a resize alone would move a window
    // of another gravity than NorthWest.
    const Point origin = position ? target.origin : now.origin;
    if (!size)
        client = nowClient;
    const Rect outer(origin.x - g.left, origin.y - g.top, client.width + 2 * s->border + f.left + f.right,
                     client.height + 2 * s->border + f.top + f.bottom);
    if (managed)
        lastSent_ = {s->window, Rect(origin, now.size), client};
    // A configure request on the client, as ICCCM has clients move themselves: a window manager
    // that redirects it frames the window by its gravity; without one the client is a top-level
    // window and takes the geometry itself.
    if (!managed) {
        waits_.unwatch(s->window);
        configureClient(s->window, Point{outer.x() + f.left, outer.y() + f.top}, client);
        conn_->flush();
        return frame(id);
    }
    const auto landed = moveResizeByMessage() ? writeByMessage(id, *s, origin, outer, client, size)
                                              : configureFramed(id, *s, outer, origin, client, size);
    // Nothing moved by either road: held by the window manager (one not answered yet tells).
    if (!landed || !HeldRelease::movedNothing(s->outerFrame(), *landed))
        return landed;
    return release_->start(id, target, position, size, *landed, !waits_.behind());
}

std::optional<Rect> X11WindowSystem::writeByMessage(WindowId id, const ClientState& s, Point origin, const Rect& outer, Size client,
                                     bool size)
{
    // Sent with its barrier: one turn of the window manager. The server's notices that the
    // client and its frame are where asked may end the first wait before the barrier is back.
    const auto landed = landCorner(id, s, origin, client, outer.origin, Habit::Message, [&](Point corner, WriteLanding* landing) {
        const std::uint32_t flags = (1u << 8) | (1u << 9) | (1u << 10) | (1u << 11);
        const std::uint32_t gravityNorthWest = 1, sourcePager = 2u << 12;
        conn_->sendRootMessage(s.window, conn_->atoms().netMoveresizeWindow, gravityNorthWest | flags | sourcePager,
                               std::uint32_t(clampCoord(corner.x)), std::uint32_t(clampCoord(corner.y)),
                               std::uint32_t(clampSize(client.width)), std::uint32_t(clampSize(client.height)));
        return waits_.settle(s.window, 1, landing && size ? std::optional<Size>(client) : std::nullopt, landing);
    });
    // Handled (the window manager answered) and nothing moved: the other road, ICCCM's. Where
    // that one moves the window, the message is not sent again under this window manager.
    const Rect before = s.outerFrame();
    if (!landed || *landed != before || waits_.behind() || writePath_ == WritePath::Message)
        return landed;
    const auto requested = configureFramed(id, s, outer, origin, client, size);
    if (requested && *requested != before) {
        wm_.habit(Habit::Message).manager = wm_.checkWindow();
        wm_.habit(Habit::Message).ignored = true;
    }
    return requested;
}

std::optional<Rect> X11WindowSystem::configureFramed(WindowId id, const x11::ClientState& s, const Rect& outer,
                                                     Point origin, Size client, bool size)
{
    // As a message: the server's notices may end the first wait before the barrier is back.
    // The request goes out with its barrier (settle() flushes both).
    return landCorner(id, s, origin, client, requestedCorner(s, outer, client), Habit::Configure,
                      [&](Point corner, WriteLanding* landing) {
                          configureClient(s.window, corner, client);
                          return waits_.settle(s.window, 1, landing && size ? std::optional<Size>(client) : std::nullopt,
                                        landing);
                      });
}

std::optional<Rect> X11WindowSystem::landCorner(WindowId id, const ClientState& s, Point origin, Size client, Point meant, int path,
                                 const std::function<bool(Point, WriteLanding*)>& send)
{
    // The habit learnt from this window manager's earlier answers on this path: the corner is
    // sent where it made the frame land where meant.
    Habit& habit = wm_.habit(path);
    if (habit.manager != wm_.checkWindow())
        habit = {wm_.checkWindow()};
    const Rect before = s.outerFrame();
    const Point added = habit.originAdded ? monitorOrigin(before) : Point{};
    const Point frameCorner{origin.x - s.gtkExtents.left, origin.y - s.gtkExtents.top};
    const Point base = habit.fromFrame ? Point{frameCorner.x + habit.fromFrame->x, frameCorner.y + habit.fromFrame->y} : meant;
    const Point corner{base.x - added.x, base.y - added.y};
    const AskedFrame asked{clampCoord(origin.x), clampCoord(origin.y), clampSize(client.width), clampSize(client.height)};
    bool sent = false;
    if (const auto frame = waits_.sendFollowed(s, asked, corner, send, &sent))
        return frame;
    if (!sent)
        return std::nullopt;
    auto after = readOne(id, Geometry);
    if (!after)
        return std::nullopt;
    const auto asAsked = [&](const ClientState& read) { return landedAsAsked(read, asked); };
    const auto landed = [&]() { return after ? std::optional<Rect>(after->outerFrame()) : std::nullopt; };
    if (asAsked(*after))
        return landed();
    // Not the frame asked for: the slow path, a second turn of the window manager. Only the
    // first write on a path needs it (the habit above is learnt from it: pekwm's and evilwm's
    // corners, metacity's wider frame), or one whose window manager had not answered yet.
    // A wait that the client's new size ended early waits for the window manager's answer now,
    // and the frame is read again. A window manager that has not answered yet still shows the
    // frame from before: an offset measured against it would move the window by its last step
    // once both arrive.
    if (waits_.behind()) {
        if (!waits_.settle(s.window))
            return std::nullopt;
        after = readOne(id, Geometry);
    }
    // Nothing moved by the time the barrier came back: awesome passes the barrier on while it
    // handles the turn's events and applies its clients' geometry only after them. One more
    // turn tells a write applied late from one held.
    if (after && !waits_.behind() && after->outerFrame() == before) {
        if (!waits_.settle(s.window))
            return std::nullopt;
        after = readOne(id, Geometry);
        if (after && asAsked(*after))
            return landed();
    }
    // A write that moved nothing is not asked again on the same road.
    if (!after || waits_.behind() || after->outerFrame() == before)
        return landed();
    // Asked once more, shifted by what the answer shows: a corner read as another one (part
    // of the decoration), or the origin of the window's monitor added to the position (dwm).
    // Each try is measured from where the frame landed, so nothing adds up over writes.
    Point again;
    bool addsOrigin = false;
    const auto shift = misreadShift(s, origin, after->outerFrame());
    if (shift) {
        again = Point{corner.x + shift->x, corner.y + shift->y};
    } else {
        const Point o = monitorOrigin(before);
        if (habit.originAdded || (o.x == 0 && o.y == 0)) {
            habit = {wm_.checkWindow()};   // its own placement rule: nothing to learn
            return landed();
        }
        again = Point{corner.x - o.x, corner.y - o.y};
        addsOrigin = true;
    }
    send(again, nullptr);
    after = readOne(id, Geometry);
    if (after && asAsked(*after)) {
        habit.originAdded = habit.originAdded || addsOrigin;
        const Point o = habit.originAdded ? monitorOrigin(before) : Point{};
        if (shift)
            habit.fromFrame = Point{again.x + o.x - frameCorner.x, again.y + o.y - frameCorner.y};
        habit.asClients = path == Habit::Message && habit.fromFrame &&
            *habit.fromFrame == Point{double(s.frameExtents.left), double(s.frameExtents.top)};
    }
    return landed();
}

void X11WindowSystem::configureClient(std::uint32_t window, Point corner, Size client)
{
    const std::uint32_t values[4] = {std::uint32_t(clampCoord(corner.x)), std::uint32_t(clampCoord(corner.y)),
                                     std::uint32_t(clampSize(client.width)), std::uint32_t(clampSize(client.height))};
    xcb_configure_window(conn_->raw(), window,
                         XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         values);
}

bool X11WindowSystem::setPosition(WindowId id, Point topLeft)
{
    return write(id, Rect(topLeft, Size{1, 1}), true, false).has_value();
}

bool X11WindowSystem::setSize(WindowId id, Size size)
{
    return write(id, Rect(Point{}, size), false, true).has_value();
}

bool X11WindowSystem::setFrame(WindowId id, const Rect& frame)
{
    return write(id, frame, true, true).has_value();
}

std::optional<Rect> X11WindowSystem::setFrameAndRead(WindowId id, const Rect& frame)
{
    return write(id, frame, true, true);
}

bool X11WindowSystem::raise(WindowId id)
{
    auto s = readOne(id, Geometry);
    if (!s)
        return false;
    waits_.takeQueuedEvents();
    const Atoms& a = conn_->atoms();
    if (wm_.present() && wm_.supports(a.netRestackWindow)) {
        const std::uint32_t sourcePager = 2, above = XCB_STACK_MODE_ABOVE;
        conn_->sendRootMessage(s->window, a.netRestackWindow, sourcePager, XCB_NONE, above);
    } else {
        // A configure request for the client; a WM that redirects it decides, else X applies it.
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(conn_->raw(), s->window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    }
    waits_.settle(s->window);
    // Some WMs ignore restack requests (fluxbox, with or without a sibling, and the client's
    // own): what the server stacks is the truth, and activation raises where they do not.
    auto after = readOne(id, Geometry | Kind);
    if (!after)
        return false;
    if (after->viewable && wm_.present() && !inFront(*after))
        return activate(id);
    return true;
}

bool X11WindowSystem::raiseByRequest(WindowId id)
{
    auto s = readOne(id, Geometry | Kind);
    if (!s || !s->viewable || inFront(*s))
        return s.has_value();
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(conn_->raw(), s->window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    waits_.settle(s->window);
    return readOne(id, Geometry).has_value();
}

bool X11WindowSystem::activate(WindowId id)
{
    auto s = readOne(id, Geometry);
    if (!s)
        return false;
    waits_.takeQueuedEvents();
    xcb_connection_t* c = conn_->raw();
    const bool managed = wm_.present();
    const std::uint32_t time = managed ? waits_.serverTime() : XCB_CURRENT_TIME;
    if (managed && wm_.supports(conn_->atoms().netActiveWindow)) {
        const std::uint32_t sourcePager = 2;
        conn_->sendRootMessage(s->window, conn_->atoms().netActiveWindow, sourcePager, time, XCB_NONE);
    } else {
        // As ICCCM has it without the EWMH request: mapping restores an iconic window, a
        // configure request raises it (a window manager decides on both) and the focus is set.
        // Without a window manager an unmapped window stays so: its program withdrew it.
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        if (managed)
            xcb_map_window(c, s->window);
        xcb_configure_window(c, s->window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, s->window, time);
        conn_->flush();
    }
    // Two rounds: the WM learns that the focus moved only from the FocusIn its own request made.
    if (!managed)
        return readOne(id, Geometry).has_value();
    waits_.settle(s->window, 2);
    // A window manager whose activation only focuses (evilwm) raises on the client's own
    // configure request.
    return raiseByRequest(id);
}

} // namespace fw
