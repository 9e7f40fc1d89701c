#pragma once
// A window under the session's window manager moved and resized by configure requests as its own
// client moves itself (a window of the bench's own, or another client's: the manager cannot tell
// who sent a request), on a connection of the bench's own: the round trip a client sees, to set
// the adapter's writes against. Its frame (the window manager's top-level window) is watched
// too, to tell when the frame has followed the client's notice.

#include "platform/x11/X11Connection.h"
#include "x11/XSession.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <tuple>

namespace fw::bench {

class ClientRoundTrip {
public:
    // A window of the bench's own, titled "own round", without size hints; or `window`.
    explicit ClientRoundTrip(test::XSession& s, xcb_window_t window = XCB_NONE)
        : c_(xcb_connect(s.display().constData(), nullptr)), w_(window)
    {
        if (xcb_connection_has_error(c_))
            return;
        const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        if (w_ == XCB_NONE) {
            w_ = xcb_generate_id(c_);
            xcb_create_window(c_, XCB_COPY_FROM_PARENT, w_, s.root(), 100, 100, 400, 300, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                              XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
            xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 9, "own round");
            xcb_map_window(c_, w_);
        } else {
            xcb_change_window_attributes(c_, w_, XCB_CW_EVENT_MASK, &mask);
        }
        xcb_flush(c_);
        if (!s.waitFor([&] { return s.isViewable(w_) && s.wmFrame(w_); }))
            return;
        ext_ = s.frameExtents(w_).value_or(test::XSession::Extents{});
        top_ = s.topLevelOf(w_);
        if (top_ != w_)
            xcb_change_window_attributes(c_, top_, XCB_CW_EVENT_MASK, &mask);
        auto* g = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, top_), nullptr);
        auto* own = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, w_), nullptr);
        if (g)
            frame_ = {g->x, g->y, g->width, g->height};
        if (own)
            width_ = own->width;
        ok_ = g && own;
        free(g);
        free(own);
    }
    ~ClientRoundTrip() { xcb_disconnect(c_); }
    ClientRoundTrip(const ClientRoundTrip&) = delete;
    ClientRoundTrip& operator=(const ClientRoundTrip&) = delete;

    bool ok() const { return ok_; }
    xcb_window_t window() const { return w_; }

    // The times from a request to its answers: the window's first notice after it (for a
    // resize, the one with the new size; none where the window manager sends none for a move,
    // as it handled the request), and both that and the server's notice that its frame has
    // reached the geometry it takes for that request (the frame may move first).
    struct Answer {
        std::optional<double> noticeMs;
        double frameMs = -1;
    };
    // Asks for the visible frame `f` (its corner, and with `resize` its size) and waits for both
    // answers; the frame's geometry for the request must have been learnt. Nothing after 1 s
    // (pekwm drops a client's request now and then: no notice, the frame where it was).
    std::optional<Answer> configure(test::XSession& s, const Rect& f, bool resize)
    {
        const auto at = settled_.find(key(f, resize));
        if (at == settled_.end())
            return std::nullopt;
        const auto start = std::chrono::steady_clock::now();
        const auto since = [&] {
            return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        };
        const std::uint32_t width = send(f, resize);
        const std::int64_t deadline = x11::nowMs() + 1000;
        Answer answer;
        bool synced = false;
        while (!answer.noticeMs || answer.frameMs < 0) {
            xcb_generic_event_t* e = xcb_poll_for_event(c_);
            if (!e) {
                // Landed without a notice: one comes before the manager's answer to a sync, if at all.
                if (answer.frameMs >= 0 && !resize && !synced) {
                    synced = s.syncWithWindowManager();
                    continue;
                }
                if (synced)
                    break;
                if (xcb_connection_has_error(c_) || !x11::waitReadable(c_, deadline))
                    return std::nullopt;
                continue;
            }
            const auto* n = reinterpret_cast<const xcb_configure_notify_event_t*>(e);
            if (!answer.noticeMs && (e->response_type & 0x7f) == XCB_CONFIGURE_NOTIFY && n->window == w_ &&
                (!resize || n->width == width))
                answer.noticeMs = since();
            take(e);
            if (answer.frameMs < 0 && frame_ == at->second)
                answer.frameMs = since();
        }
        if (answer.noticeMs)
            answer.frameMs = std::max(answer.frameMs, *answer.noticeMs);
        return answer;
    }

    // A plain client's resize, as a client sizes itself: the size alone, 500 × 400 and 520 × 420
    // in turn (the one farther from the width it has: a window on a cell grid takes the nearest
    // cell), timed until the server's own notices that the window and its frame have a new
    // width. Its width is the one its notices told, as a client keeps its size: no question to
    // the server just before, which would shorten the trip timed (see the bench). Nothing
    // after 1 s.
    std::optional<double> resizeAlone()
    {
        while (xcb_generic_event_t* late = xcb_poll_for_event(c_))
            take(late);
        const int width = width_, frameWidth = frame_.width;
        const bool larger = width < 510;
        const std::uint32_t size[2] = {larger ? 520u : 500u, larger ? 420u : 400u};
        const auto start = std::chrono::steady_clock::now();
        xcb_configure_window(c_, w_, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
        xcb_flush(c_);
        const std::int64_t deadline = x11::nowMs() + 1000;
        bool notice = false;
        while (!notice || frame_.width == frameWidth) {
            xcb_generic_event_t* e = xcb_poll_for_event(c_);
            if (!e) {
                if (xcb_connection_has_error(c_) || !x11::waitReadable(c_, deadline))
                    return std::nullopt;
                continue;
            }
            const auto* n = reinterpret_cast<const xcb_configure_notify_event_t*>(e);
            notice = notice || (e->response_type == XCB_CONFIGURE_NOTIFY && n->window == w_ && n->width != width);
            take(e);
        }
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }

    // Learns the geometry the frame takes for the request: where it holds still once the
    // window manager has handled everything (a manager may move the frame after answering the
    // client, and read the request's corner its own way).
    bool learn(test::XSession& s, const Rect& f, bool resize)
    {
        send(f, resize);
        std::optional<Geometry> last;
        for (int tries = 0; tries < 50; ++tries) {
            if (!s.syncWithWindowManager())
                return false;
            auto* g = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, top_), nullptr);
            if (!g)
                return false;
            const Geometry now{g->x, g->y, g->width, g->height};
            free(g);
            if (last == now) {
                settled_[key(f, resize)] = now;
                return true;
            }
            last = now;
        }
        return false;
    }

private:
    struct Geometry {
        int x = 0, y = 0, width = 0, height = 0;
        bool operator==(const Geometry&) const = default;
    };
    static std::tuple<int, int, int, int, bool> key(const Rect& f, bool resize)
    {
        return {int(f.x()), int(f.y()), int(f.width()), int(f.height()), resize};
    }
    // Sends the request, notices left from before taken first (they are not its answer); the
    // client width asked for.
    std::uint32_t send(const Rect& f, bool resize)
    {
        while (xcb_generic_event_t* late = xcb_poll_for_event(c_))
            take(late);
        const std::uint32_t width = std::uint32_t(f.width()) - ext_.left - ext_.right;
        const std::uint32_t values[4] = {std::uint32_t(f.x()), std::uint32_t(f.y()), width,
                                         std::uint32_t(f.height()) - ext_.top - ext_.bottom};
        xcb_configure_window(c_, w_, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y |
                             (resize ? XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT : 0), values);
        xcb_flush(c_);
        return width;
    }
    // Keeps the frame's geometry as the server's own notices give it; frees the event.
    void take(xcb_generic_event_t* e)
    {
        const auto* n = reinterpret_cast<const xcb_configure_notify_event_t*>(e);
        if (e->response_type == XCB_CONFIGURE_NOTIFY && n->window == top_ && n->event == top_)
            frame_ = {n->x, n->y, n->width, n->height};
        if (e->response_type == XCB_CONFIGURE_NOTIFY && n->window == w_ && n->event == w_)
            width_ = n->width;
        free(e);
    }

    xcb_connection_t* c_;
    xcb_window_t w_ = XCB_NONE, top_ = XCB_NONE;
    test::XSession::Extents ext_;
    Geometry frame_;   // as the server's last notice of it had it
    int width_ = 0;    // the window's, likewise
    std::map<std::tuple<int, int, int, int, bool>, Geometry> settled_;
    bool ok_ = false;
};

} // namespace fw::bench
