#pragma once
// What one read of a client window finds, shared by the window snapshot and the layer list of
// the X11 window port: its geometry with the window manager's frame extents, identity, kind
// and size hints, and the visible outer frame they give.

#include "base/Geometry.h"
#include "platform/WindowSystem.h"
#include "platform/x11/X11Connection.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <vector>

namespace fw::x11 {

struct Extents {
    int left = 0, right = 0, top = 0, bottom = 0;
};

// A window's geometry in its parent as the server reports it: its border's corner, its size
// inside the border and the border's width.
struct Box {
    int x = 0, y = 0, width = 0, height = 0, border = 0;
};

// What one read of a client window found. `alive` is false when the window could not be read.
struct ClientState {
    xcb_window_t window = XCB_NONE;
    bool alive = false;
    // Geometry
    Rect client;                       // inside the border, root coordinates
    int border = 0;
    Extents frameExtents, gtkExtents;
    // Whether _NET_FRAME_EXTENTS holds sane extents; without them they are worked out from the
    // top-level window the client is reparented into (`extentsDerived` once they were).
    bool extentsStated = false;
    bool extentsDerived = false;
    xcb_window_t topLevel = XCB_NONE;  // ancestor whose parent is root (the WM frame)
    xcb_window_t parent = XCB_NONE;
    // The client's box in its parent and, when reparented, its top-level window's box on the
    // root and that of the one window between them where there is one (icewm's container);
    // `boxesKnown` when that chain up to the root was confirmed in the same round, so that the
    // boxes place the client on the root.
    Box own, middleBox, frameBox;
    xcb_window_t middle = XCB_NONE;
    bool boxesKnown = false;
    // Identity
    Pid pid = 0;
    std::optional<QString> title;
    QString appClass;
    QString appInstance;
    QString applicationId;             // _GTK_APPLICATION_ID
    QString role;                      // WM_WINDOW_ROLE
    // Kind (`kindRead` when it was read)
    bool kindRead = false;
    bool overrideRedirect = false;
    bool viewable = false;
    // The window manager's frame is viewable: read only for a reparented client that is not
    // (xfwm4, metacity and icewm unmap the client of a shaded window, its title bar still shows).
    bool frameViewable = false;
    bool iconic = false;
    std::vector<xcb_atom_t> types, states, allowedActions;
    bool hasAllowedActions = false;
    xcb_window_t transientFor = XCB_NONE;
    // Hints
    SizeHints hints;
    int gravity = 1;                   // WM_NORMAL_HINTS win_gravity (NorthWest unless stated)

    Rect outerFrame() const
    {
        const Rect outer(client.x() - border, client.y() - border, client.width() + 2 * border,
                         client.height() + 2 * border);
        const double l = frameExtents.left - gtkExtents.left, r = frameExtents.right - gtkExtents.right;
        const double t = frameExtents.top - gtkExtents.top, b = frameExtents.bottom - gtkExtents.bottom;
        return Rect(outer.x() - l, outer.y() - t, outer.width() + l + r, outer.height() + t + b);
    }
    bool has(const std::vector<xcb_atom_t>& list, xcb_atom_t a) const
    {
        return std::find(list.begin(), list.end(), a) != list.end();
    }
    // Hidden, or iconic with neither the client nor its frame viewable; never while rolled up:
    // openbox and metacity make shaded windows iconic, metacity hidden too. One both shaded and
    // minimized shows as minimized once unshaded. Iconic alone while the window shows is one
    // being rolled out: openbox and metacity drop the shaded state before the iconic one (a
    // press on its title bar unrolls it under openbox), and openbox sets the iconic one before
    // the shaded one as it rolls a window up. (Frames are read only with the geometry.)
    bool minimized(const Atoms& a) const
    {
        if (has(states, a.netWmStateShaded))
            return false;
        return has(states, a.netWmStateHidden) || (iconic && !viewable && !frameViewable);
    }
    // Whether minimized() needs the frame's state: iconic alone with the client unmapped.
    bool minimizedByFrame(const Atoms& a) const
    {
        return iconic && !viewable && !has(states, a.netWmStateHidden) && !has(states, a.netWmStateShaded);
    }
    // Shown on screen: the client is viewable, or its frame is (a rolled-up window's title bar);
    // a minimized one's frame is unmapped too.
    bool onScreen(const Atoms& a) const { return (viewable || frameViewable) && !minimized(a); }
};

// The states a read of the client's kind shows (_NET_WM_STATE and WM_STATE).
inline WindowStates statesOf(const ClientState& s, const Atoms& a)
{
    WindowStates out = 0;
    if (s.has(s.states, a.netWmStateMaximizedVert))
        out |= MaximizedVertically;
    if (s.has(s.states, a.netWmStateMaximizedHorz))
        out |= MaximizedHorizontally;
    if (s.has(s.states, a.netWmStateFullscreen))
        out |= Fullscreen;
    if (s.has(s.states, a.netWmStateShaded))
        out |= Shaded;
    if (s.minimized(a))
        out |= Minimized;
    if (s.has(s.states, a.netWmStateAbove))
        out |= KeptAbove;
    if (s.has(s.states, a.netWmStateBelow))
        out |= KeptBelow;
    return out;
}

// WM_NORMAL_HINTS: flags, x, y, w, h, min w/h, max w/h, inc w/h, min/max aspect, base w/h, gravity.
inline SizeHints parseNormalHints(const xcb_get_property_reply_t* r)
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

// WM_NORMAL_HINTS win_gravity when PWinGravity is set and the value is one ICCCM knows; else
// NorthWest, the default.
inline int gravityOf(const xcb_get_property_reply_t* r)
{
    auto v = cardinals(r);
    if (v.size() < 18 || !(v[0] & 512) || v[17] < 1 || v[17] > 10)
        return 1;
    return int(v[17]);
}

// Frame extents of a reparented window whose window manager states none: how far its frame
// (`frame`, on the root) reaches past the client's border on each side, from where the client
// (`own`) sits inside it. They come from where the client sits inside its frame, which a move
// leaves as it is. Nothing for a client lying partly outside its frame, or a frame far larger
// than any decoration: no frame to go by.
inline std::optional<Extents> extentsInFrame(const Box& own, const Box& frame)
{
    const int b = own.border, left = frame.border + own.x, top = frame.border + own.y;
    const Extents e{left, frame.width + 2 * frame.border - left - own.width - 2 * b, top,
                    frame.height + 2 * frame.border - top - own.height - 2 * b};
    const auto sane = [](int v) { return v >= 0 && v <= 4096; };
    if (sane(e.left) && sane(e.right) && sane(e.top) && sane(e.bottom))
        return e;
    return std::nullopt;
}

// _NET_FRAME_EXTENTS or _GTK_FRAME_EXTENTS as stated; nothing when unset or broken.
inline std::optional<Extents> statedExtents(const xcb_get_property_reply_t* r)
{
    auto v = cardinals(r);
    if (v.size() < 4)
        return std::nullopt;
    // Extents are small non-negative numbers; anything else is a broken property.
    for (auto e : v)
        if (e > 4096)
            return std::nullopt;
    return Extents{int(v[0]), int(v[1]), int(v[2]), int(v[3])};
}

// The same, none when unset or broken.
inline Extents extentsFrom(const xcb_get_property_reply_t* r)
{
    return statedExtents(r).value_or(Extents{});
}

// The window type: the first listed type that is known (clients may put newer types first);
// XCB_NONE when none is.
inline xcb_atom_t windowType(const std::vector<xcb_atom_t>& types, const Atoms& a)
{
    const xcb_atom_t known[] = {
        a.netWmWindowTypeNormal, a.netWmWindowTypeDock, a.netWmWindowTypeDesktop, a.netWmWindowTypeDialog,
        a.netWmWindowTypeToolbar, a.netWmWindowTypeMenu, a.netWmWindowTypeUtility, a.netWmWindowTypeSplash,
        a.netWmWindowTypeDropdownMenu, a.netWmWindowTypePopupMenu, a.netWmWindowTypeTooltip,
        a.netWmWindowTypeNotification, a.netWmWindowTypeCombo, a.netWmWindowTypeDnd};
    for (xcb_atom_t t : types)
        if (t != XCB_NONE && std::find(std::begin(known), std::end(known), t) != std::end(known))
            return t;
    return XCB_NONE;
}

// What the layer list keeps of each top-level window between passes, so that a pass over a
// steady desktop is one round trip: the window it stands for, its process and type, and how
// the visible frame lies against the top-level window (frame extents, invisible borders), which
// holds while the top-level window keeps its size.
struct LayerWindow {
    bool resolved = false;             // found out while viewable; otherwise asked again when it is
    xcb_window_t target = XCB_NONE;    // the managed client inside it, or the top-level itself
    bool managed = false;              // target is a client with WM_STATE
    Pid pid = 0;
    bool dock = false;
    bool desktop = false;
    Size topSize;                      // the top-level window's size when the frame was read
    Size clientSize;                   // and that of the client inside it (a framed client only)
    double left = 0, top = 0, right = 0, bottom = 0;   // frame edges minus top-level edges
};
using LayerCache = std::unordered_map<xcb_window_t, LayerWindow>;

// What one pass found of a top-level window.
struct LayerSeen {
    bool read = false;       // its attributes came back
    bool viewable = false;
    bool overrideRedirect = false;
    bool inputOnly = false;
    bool placed = false;     // its frame (and state) came back
    Rect frame;
    Rect topFrame;           // the top-level window's own rectangle, border included
    bool above = false;      // kept above the others, or below them
    bool below = false;
    bool hidden = false;
};
using LayerPass = std::unordered_map<xcb_window_t, LayerSeen>;

} // namespace fw::x11
