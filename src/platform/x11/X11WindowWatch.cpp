// The window-watch port on X11: the watched window's unmap, destruction, minimized states and
// the desktop shown in front of it end the watch with one call of its handler.
#include "platform/x11/X11WindowWatch.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Input.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstring>

namespace fw {

using namespace x11;

X11WindowWatch::X11WindowWatch(const QByteArray& displayName) : displayName_(displayName) {}

X11WindowWatch::~X11WindowWatch() { end(); }

void X11WindowWatch::select(std::uint32_t rootMask, std::uint32_t windowMask)
{
    xcb_connection_t* c = conn_->raw();
    xcb_change_window_attributes(c, conn_->root(), XCB_CW_EVENT_MASK, &rootMask);
    if (window_)
        xcb_change_window_attributes(c, window_, XCB_CW_EVENT_MASK, &windowMask);
    conn_->flush();
}

void X11WindowWatch::watch(WindowId window, std::function<void()> hidden)
{
    end();
    if (!QCoreApplication::instance() || window == 0)
        return;
    if (!conn_) {
        auto conn = std::make_unique<Connection>(displayName_);
        if (!conn->ok())
            return;
        xcb_connection_t* c = conn->raw();
        static const char name[] = "_NET_SHOWING_DESKTOP";
        auto atom = FW_XCB_REPLY(c, xcb_intern_atom, xcb_intern_atom(c, 0, std::strlen(name), name));
        showingDesktop_ = atom ? atom->atom : std::uint32_t(XCB_ATOM_NONE);
        conn_ = std::move(conn);
        pump_ = std::make_unique<EventPump>(conn_->raw(), [this] { drain(); });
    }
    window_ = std::uint32_t(window);
    handler_ = std::move(hidden);
    select(XCB_EVENT_MASK_PROPERTY_CHANGE, XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY);
}

void X11WindowWatch::end()
{
    if (!conn_ || !window_)
        return;
    select(XCB_EVENT_MASK_NO_EVENT, XCB_EVENT_MASK_NO_EVENT);
    window_ = 0;
    handler_ = nullptr;
    conn_->drainQueue();
}

bool X11WindowWatch::hidden(const void* event) const
{
    const auto* e = static_cast<const xcb_generic_event_t*>(event);
    const Atoms& a = conn_->atoms();
    switch (e->response_type & 0x7f) {
    case XCB_UNMAP_NOTIFY:
        return reinterpret_cast<const xcb_unmap_notify_event_t*>(e)->window == window_;
    case XCB_DESTROY_NOTIFY:
        return reinterpret_cast<const xcb_destroy_notify_event_t*>(e)->window == window_;
    case XCB_PROPERTY_NOTIFY: {
        const auto* p = reinterpret_cast<const xcb_property_notify_event_t*>(e);
        if (p->window == conn_->root() && p->atom == showingDesktop_ && showingDesktop_ != XCB_ATOM_NONE) {
            const auto on = cardinal(conn_->reply(conn_->property(conn_->root(), showingDesktop_, XCB_ATOM_CARDINAL, 1)).p);
            return on.value_or(0) != 0;
        }
        if (p->window != window_)
            return false;
        if (p->atom == a.netWmState) {
            const auto states = cardinals(conn_->reply(conn_->property(window_, a.netWmState, XCB_ATOM_ATOM, 64)).p);
            return std::find(states.begin(), states.end(), a.netWmStateHidden) != states.end();
        }
        if (p->atom == a.wmState) {
            constexpr std::uint32_t iconic = 3;
            const auto state = cardinals(conn_->reply(conn_->property(window_, a.wmState, a.wmState, 2)).p);
            return !state.empty() && state.front() == iconic;
        }
        return false;
    }
    default:
        return false;
    }
}

void X11WindowWatch::drain()
{
    if (!conn_)
        return;
    bool gone = false;
    while (xcb_generic_event_t* e = xcb_poll_for_event(conn_->raw())) {
        gone = gone || (window_ && hidden(e));
        free(e);
    }
    if (!gone)
        return;
    auto handler = std::move(handler_);
    end();
    if (handler)
        handler();
}

} // namespace fw
