// The waits of the X11 window port's writes on the window manager: barriers on our helper
// window, the events of the windows written, and the following of windows whose writes landed.
#include "platform/x11/X11WriteWaits.h"

#include "platform/x11/X11ClientState.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11WriteLanding.h"

#include <xcb/xcbext.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace fw::x11 {

WriteWaits::WriteWaits(Connection& conn, Pid ownPid) : conn_(conn)
{
    if (!conn_.ok())
        return;
    // Never mapped, so never shown. Not override-redirect: its configure requests go through
    // the window manager, which makes them a barrier (see settle()). Input-output: a window
    // manager that passes a request on with every field (lwm, the border width too) would have
    // the server refuse it for an input-only window, and the barrier would never come back.
    xcb_connection_t* c = conn_.raw();
    helper_ = xcb_generate_id(c);
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, helper_, conn_.root(), -100, -100, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
    const std::uint32_t pid = std::uint32_t(ownPid);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, helper_, conn_.atoms().netWmPid, XCB_ATOM_CARDINAL, 32, 1, &pid);
    conn_.flush();
}

WriteWaits::~WriteWaits() = default;

std::uint32_t WriteWaits::requestBarrier()
{
    // A width the helper does not have: the server reports only configures that change
    // something, and a late answer to an earlier barrier cannot pass for this one.
    barrierWidth_ = barrierWidth_ >= 30000 ? 2 : barrierWidth_ + 1;
    xcb_configure_window(conn_.raw(), helper_, XCB_CONFIG_WINDOW_WIDTH, &barrierWidth_);
    conn_.flush();
    return barrierWidth_;
}

bool WriteWaits::pending(const std::function<bool()>& managerRuns)
{
    // Only a barrier that went unanswered leaves something pending. The helper keeps the width
    // of the last barrier the WM passed on; a WM that quit answers nothing any more.
    if (!behind_)
        return false;
    takeQueuedEvents();
    if (!behind_)
        return false;
    xcb_connection_t* c = conn_.raw();
    auto g = FW_XCB_REPLY(c, xcb_get_geometry, xcb_get_geometry(c, helper_));
    behind_ = g && g.p->width != barrierWidth_ && managerRuns();
    return behind_;
}

void WriteWaits::takeQueuedEvents()
{
    // The answer to a barrier left pending often arrives with the replies of the next read.
    while (xcb_generic_event_t* e = xcb_poll_for_event(conn_.raw())) {
        takeEvent(e);
        free(e);
    }
}

void WriteWaits::takeEvent(const xcb_generic_event_t* e)
{
    const auto* n = reinterpret_cast<const xcb_configure_notify_event_t*>(e);
    if ((e->response_type & 0x7f) == XCB_CONFIGURE_NOTIFY && n->window == helper_ && n->width == barrierWidth_)
        behind_ = false;
    noteEvent(e);
}

void WriteWaits::noteEvent(const xcb_generic_event_t* e)
{
    const auto* p = reinterpret_cast<const xcb_property_notify_event_t*>(e);
    const bool property = (e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY;
    if (property && statesWindow_ != 0 && p->window == statesWindow_ && p->atom == conn_.atoms().netWmState && statesNoticed_)
        statesNoticed_();
    const bool hintsChanged = property && p->atom == XCB_ATOM_WM_NORMAL_HINTS;
    for (Followed& f : followed_) {
        f.landing->take(e, conn_.atoms());
        // A change made before the question was answered is in its answer; one after it (by
        // the sequence the server had reached) asks again.
        if (!hintsChanged || p->window != f.landing->client() || (f.hints && e->full_sequence < f.hints->sequence))
            continue;
        if (f.hints)
            xcb_discard_reply(conn_.raw(), f.hints->sequence);
        f.hints = conn_.property(p->window, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 18);
        conn_.flush();
    }
}

void WriteWaits::follow(WriteLanding&& landing, bool managed)
{
    // Only where something ends the following again: a timer of this thread's event loop.
    if (!QCoreApplication::instance() || !QThread::currentThread()->eventDispatcher())
        return;
    const xcb_window_t client = landing.client();
    std::vector<Followed> dropped;
    for (auto it = followed_.begin(); it != followed_.end();) {
        if (it->landing->client() == client || followed_.size() >= kFollowedMax) {   // the oldest first
            dropped.push_back(std::move(*it));
            it = followed_.erase(it);
        } else {
            ++it;
        }
    }
    followed_.push_back(Followed{std::make_unique<WriteLanding>(std::move(landing)), managed});
    unwatchAll(dropped);
    // Hints that changed while the write waited are asked for now.
    if (followed_.back().landing->hintsChanged()) {
        followed_.back().hints = conn_.property(client, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 18);
        conn_.flush();
    }
    if (!followEnd_) {
        followEnd_ = std::make_unique<QTimer>();
        followEnd_->setSingleShot(true);
        // Run out once per second of writes, not set again by each (a write's own cost): it
        // ends the following kFollowMs after the last one.
        QObject::connect(followEnd_.get(), &QTimer::timeout, [this] {
            const std::int64_t left = lastFollowMs_ + kFollowMs - nowMs();
            if (left > 0 && !followed_.empty())
                followEnd_->start(int(left));
            else
                endFollowing();
        });
    }
    lastFollowMs_ = nowMs();
    takeNoticesAsTheyCome();
    if (!followEnd_->isActive())
        followEnd_->start(kFollowMs);
}

void WriteWaits::takeArrivedHints()
{
    // Answers already in are taken as they come, off the next write's path.
    for (Followed& f : followed_) {
        void* reply = nullptr;
        xcb_generic_error_t* error = nullptr;
        if (!f.hints || !xcb_poll_for_reply(conn_.raw(), f.hints->sequence, &reply, &error))
            continue;
        f.hints.reset();
        free(error);
        const auto* hints = static_cast<const xcb_get_property_reply_t*>(reply);
        f.hintsLost = !hints;
        if (hints)
            f.landing->takeHints(parseNormalHints(hints), gravityOf(hints));
        free(reply);
    }
}

std::optional<ClientState> WriteWaits::followedState(std::uint32_t window, bool* managed)
{
    if (followed_.empty())
        return std::nullopt;
    takeQueuedEvents();
    const auto at = std::find_if(followed_.begin(), followed_.end(),
                                 [&](const Followed& f) { return f.landing->client() == window; });
    if (at == followed_.end())
        return std::nullopt;
    bool hintsRead = !at->hintsLost;
    if (at->hints) {
        const auto hints = conn_.reply(*std::exchange(at->hints, std::nullopt));
        hintsRead = bool(hints);
        if (hints)
            at->landing->takeHints(parseNormalHints(hints.p), gravityOf(hints.p));
    }
    auto now = hintsRead ? at->landing->now() : std::nullopt;
    if (!now) {
        // Ended by what the notices showed: read again from here on.
        std::vector<Followed> dropped;
        dropped.push_back(std::move(*at));
        followed_.erase(at);
        unwatchAll(dropped);
        return std::nullopt;
    }
    if (managed)
        *managed = at->managed;
    return now;
}

void WriteWaits::endFollowing()
{
    unwatchAll(std::exchange(followed_, {}));
    takeNoticesAsTheyCome();
}

bool WriteWaits::takeNoticesAsTheyCome()
{
    if (!QCoreApplication::instance() || !QThread::currentThread()->eventDispatcher())
        return false;
    if (!arriving_) {
        // Hints a client sets after its resize (xterm) are asked for as they come, and answered
        // before the next write.
        arriving_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(conn_.raw()), QSocketNotifier::Read);
        QObject::connect(arriving_.get(), &QSocketNotifier::activated, [this] {
            takeQueuedEvents();
            takeArrivedHints();
        });
    }
    arriving_->setEnabled(!followed_.empty() || statesWindow_ != 0);
    return true;
}

void WriteWaits::followStates(std::uint32_t window, std::function<void()> noticed)
{
    // Selected before it counts as followed (watch() leaves a followed window as it is), and
    // dropped once it no longer does.
    const std::uint32_t before = statesWindow_;
    if (window != 0 && window != before)
        watch(window);
    statesWindow_ = window;
    statesNoticed_ = std::move(noticed);
    if (before != 0 && before != window)
        unwatch(before);
    takeNoticesAsTheyCome();
}

void WriteWaits::unwatchAll(const std::vector<Followed>& dropped)
{
    // Windows still followed otherwise keep their events (unwatch() leaves them).
    for (const Followed& f : dropped) {
        if (f.hints)
            xcb_discard_reply(conn_.raw(), f.hints->sequence);
        unwatch(f.landing->client());
        for (xcb_window_t w : f.landing->windowsAround())
            if (w != XCB_NONE)
                unwatch(w);
    }
}

bool WriteWaits::followedWindow(std::uint32_t window) const
{
    if (window == statesWindow_ && window != 0)
        return true;
    if (std::find(landingWindows_.begin(), landingWindows_.end(), window) != landingWindows_.end())
        return true;
    return std::any_of(followed_.begin(), followed_.end(), [&](const Followed& f) {
        const auto around = f.landing->windowsAround();
        return f.landing->client() == window || std::find(around.begin(), around.end(), window) != around.end();
    });
}

std::optional<std::uint32_t> WriteWaits::propertyNotice(std::uint32_t window, std::uint32_t atom, std::int64_t deadlineMs)
{
    xcb_connection_t* c = conn_.raw();
    for (;;) {
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            const auto* p = reinterpret_cast<const xcb_property_notify_event_t*>(e);
            const bool hit = (e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY && p->window == window && p->atom == atom;
            const std::uint32_t time = hit ? p->time : 0;
            takeEvent(e);
            free(e);
            if (hit)
                return time;
        }
        if (!waitReadable(c, deadlineMs))
            return std::nullopt;
    }
}

std::uint32_t WriteWaits::serverTime()
{
    // A zero-length append makes the server send a PropertyNotify carrying its current time.
    xcb_connection_t* c = conn_.raw();
    xcb_change_property(c, XCB_PROP_MODE_APPEND, helper_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0, nullptr);
    conn_.flush();
    return propertyNotice(helper_, XCB_ATOM_WM_NAME, nowMs() + timeoutMs_).value_or(XCB_CURRENT_TIME);
}

std::optional<Rect> WriteWaits::sendFollowed(const ClientState& s, const AskedFrame& asked, Point corner,
                                             const std::function<bool(Point, WriteLanding*)>& send, bool* sent)
{
    // The write counts when the window is still there: its destruction was watched since
    // before it was read. Its frame is watched from before the write goes out.
    WriteLanding landing(s, asked);
    const auto around = landing.windowsAround();
    landingWindows_ = {s.window};
    for (xcb_window_t w : around)
        if (w != XCB_NONE) {
            watch(w);
            landingWindows_.push_back(w);
        }
    *sent = send(corner, &landing);
    landingWindows_.clear();
    // Landed as the server's notices show: nothing to read back, and the window is followed
    // from here for the next write.
    const auto frame = *sent ? landing.landed() : std::nullopt;
    if (frame)
        follow(std::move(landing), true);
    unwatch(s.window);
    for (xcb_window_t w : around)
        if (w != XCB_NONE)
            unwatch(w);
    return frame;
}

bool WriteWaits::settle(std::uint32_t watched, int rounds, std::optional<Size> resizedTo, WriteLanding* landing)
{
    xcb_connection_t* c = conn_.raw();
    watch(watched);
    // A barrier: a window manager passes configure requests for windows it does not manage on
    // to the server, in order with the messages sent before them. Once our helper has the width
    // asked for, the WM has handled (and applied) everything before. Every WM answers it, unlike
    // _NET_REQUEST_FRAME_EXTENTS (fluxbox never answers that, icewm not for override-redirect
    // windows).
    std::uint32_t width = requestBarrier();
    const std::int64_t deadline = nowMs() + timeoutMs_;
    bool done = false, answered = false, destroyed = false;
    if (landing && landing->following())
        resizedTo.reset();   // the landing asks for more than the size
    while (!done) {
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            noteEvent(e);
            if (landing)
                landing->take(e, conn_.atoms());
            switch (e->response_type & 0x7f) {
            case XCB_CONFIGURE_NOTIFY: {
                auto* n = reinterpret_cast<xcb_configure_notify_event_t*>(e);
                // The server's own notice that the window manager gave the client the size
                // asked for: the write has landed, and the caller's read-back judges the frame.
                // The barrier still on its way is left pending (writesPending() answers for it).
                const bool real = !(e->response_type & 0x80);
                if (real && rounds == 1 && resizedTo && n->window == watched &&
                    n->width == std::lround(resizedTo->width) && n->height == std::lround(resizedTo->height)) {
                    done = true;
                    break;
                }
                if (n->window == helper_ && n->width == width) {
                    // Another round covers what the WM's own requests caused meanwhile
                    // (e.g. the FocusIn after it focused a window).
                    if (--rounds > 0)
                        width = requestBarrier();
                    else
                        done = answered = true;
                }
                break;
            }
            case XCB_DESTROY_NOTIFY:
                if (reinterpret_cast<xcb_destroy_notify_event_t*>(e)->window == watched)
                    done = destroyed = true;
                break;
            default:
                break;   // errors about windows that have just closed end up here: dropped
            }
            free(e);
        }
        // Judged on everything received so far: a later notice may move the frame on. Notices
        // that show the frame asked for show the write handled: nothing is pending then.
        if (!done && landing && landing->landed())
            done = answered = true;
        if (done || !waitReadable(c, deadline))
            break;
    }
    behind_ = !answered && !destroyed;
    unwatch(watched);
    return !destroyed;
}

void WriteWaits::watch(std::uint32_t window)
{
    if (followedWindow(window))
        return;   // watched already
    const std::uint32_t on = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(conn_.raw(), window, XCB_CW_EVENT_MASK, &on);
}

void WriteWaits::unwatch(std::uint32_t window)
{
    // A window followed keeps its events until the following ends.
    const std::uint32_t off = XCB_EVENT_MASK_NO_EVENT;
    if (!followedWindow(window))
        xcb_change_window_attributes(conn_.raw(), window, XCB_CW_EVENT_MASK, &off);
    conn_.flush();
}

} // namespace fw::x11
