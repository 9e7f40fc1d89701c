// Following a frame write by the server's ConfigureNotify events of the client and its frame.
#include "platform/x11/X11WriteLanding.h"

#include <cmath>

namespace fw::x11 {

bool landedAsAsked(const ClientState& s, const AskedFrame& asked)
{
    const Rect landed = s.outerFrame();
    return std::lround(landed.x()) == asked.x && std::lround(landed.y()) == asked.y &&
           std::lround(s.client.width()) == asked.width && std::lround(s.client.height()) == asked.height;
}

WriteLanding::WriteLanding(const ClientState& before, const AskedFrame& asked) : now_(before), asked_(asked)
{
    following_ = before.alive && before.boxesKnown;
    following_ = following_ && !landed();
}

std::array<xcb_window_t, 2> WriteLanding::windowsAround() const
{
    if (!following_ || !framed())
        return {XCB_NONE, XCB_NONE};
    return {now_.topLevel, now_.middle};
}

void WriteLanding::concerns(xcb_window_t window)
{
    if (window == now_.window || (framed() && (window == now_.topLevel || window == now_.middle)))
        following_ = false;
}

void WriteLanding::take(const xcb_generic_event_t* e, const Atoms& a)
{
    if (!following_)
        return;
    switch (e->response_type & 0x7f) {
    case XCB_CONFIGURE_NOTIFY: {
        // A synthetic one is the window manager's word (in root coordinates), not the server's.
        const auto* n = reinterpret_cast<const xcb_configure_notify_event_t*>(e);
        if ((e->response_type & 0x80) || n->event != n->window)
            return;
        const Box box{n->x, n->y, n->width, n->height, n->border_width};
        if (n->window == now_.window)
            now_.own = box;
        else if (framed() && n->window == now_.topLevel)
            now_.frameBox = box;
        else if (framed() && n->window == now_.middle && now_.middle != XCB_NONE)
            now_.middleBox = box;
        return;
    }
    case XCB_REPARENT_NOTIFY:
        return concerns(reinterpret_cast<const xcb_reparent_notify_event_t*>(e)->window);
    case XCB_UNMAP_NOTIFY:
        return concerns(reinterpret_cast<const xcb_unmap_notify_event_t*>(e)->window);
    case XCB_DESTROY_NOTIFY:
        return concerns(reinterpret_cast<const xcb_destroy_notify_event_t*>(e)->window);
    case XCB_PROPERTY_NOTIFY: {
        const auto* p = reinterpret_cast<const xcb_property_notify_event_t*>(e);
        if (p->window != now_.window)
            return;
        if (p->atom == a.netFrameExtents || p->atom == a.gtkFrameExtents)
            following_ = false;
        else if (p->atom == a.netWmState || p->atom == a.wmState)
            readAged_ = true;
        else if (p->atom == XCB_ATOM_WM_NORMAL_HINTS)
            hintsChanged_ = true;
        return;
    }
    default:
        return;
    }
}

std::optional<Rect> WriteLanding::landed() const
{
    const auto after = placed();
    if (!after || !landedAsAsked(*after, asked_))
        return std::nullopt;
    return after->outerFrame();
}

std::optional<ClientState> WriteLanding::now() const
{
    if (readAged_)
        return std::nullopt;
    return placed();
}

std::optional<ClientState> WriteLanding::placed() const
{
    if (!following_)
        return std::nullopt;
    // The client's corner in its frame's inner coordinates (through the window between them),
    // and its inner corner on the root.
    ClientState after = now_;
    Box own = now_.own;
    if (framed() && now_.middle != XCB_NONE) {
        own.x += now_.middleBox.x + now_.middleBox.border;
        own.y += now_.middleBox.y + now_.middleBox.border;
    }
    const int frameX = framed() ? now_.frameBox.x + now_.frameBox.border : 0;
    const int frameY = framed() ? now_.frameBox.y + now_.frameBox.border : 0;
    after.client = Rect(frameX + own.x + own.border, frameY + own.y + own.border, own.width, own.height);
    after.border = own.border;
    // Extents worked out from the frame follow the frame as it changes.
    if (!now_.extentsStated && framed()) {
        const auto derived = extentsInFrame(own, now_.frameBox);
        if (!derived)
            return std::nullopt;
        after.frameExtents = *derived;
    }
    return after;
}

} // namespace fw::x11
