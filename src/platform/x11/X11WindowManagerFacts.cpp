// The running window manager as the X11 window port knows it: its presence and name asked of
// the server, _NET_SUPPORTED kept for a second, and the rules by which the corner of a frame
// request is meant and may be misread.
#include "platform/x11/X11WindowManagerFacts.h"

#include "platform/x11/X11ClientState.h"
#include "platform/x11/X11Connection.h"

#include <algorithm>
#include <cmath>

namespace fw::x11 {

WindowManagerFacts::Check WindowManagerFacts::ask()
{
    // The check window seen last is asked in the same round as the root's claim.
    const xcb_atom_t check = conn_.atoms().netSupportingWmCheck;
    Check out{checkWindow_, conn_.property(conn_.root(), check, XCB_ATOM_WINDOW, 1).sequence, 0,
              xcb_get_window_attributes(conn_.raw(), conn_.root()).sequence};
    if (out.known != 0)
        out.knownClaim = conn_.property(out.known, check, XCB_ATOM_WINDOW, 1).sequence;
    return out;
}

bool WindowManagerFacts::present(const Check& asked)
{
    // A WM that quit can leave its claim on the root: the check window must still exist and
    // name itself.
    // A window manager without EWMH (twm) names no check window: it runs when some client
    // redirects the root's substructure.
    const xcb_atom_t check = conn_.atoms().netSupportingWmCheck;
    const auto w = cardinal(conn_.reply(xcb_get_property_cookie_t{asked.rootClaim}).p);
    const auto root = FW_XCB_REPLY(conn_.raw(), xcb_get_window_attributes,
                                   xcb_get_window_attributes_cookie_t{asked.rootAttributes});
    const bool redirected = root && (root->all_event_masks & XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT);
    Reply<xcb_get_property_reply_t> knownReply;
    if (asked.known != 0)
        knownReply = conn_.reply(xcb_get_property_cookie_t{asked.knownClaim});
    checkWindow_ = 0;
    if (!w || *w == 0)
        return redirected;
    const auto named = *w == asked.known ? cardinal(knownReply.p)
                                         : cardinal(conn_.reply(conn_.property(*w, check, XCB_ATOM_WINDOW, 1)).p);
    if (named != w)
        return redirected;
    checkWindow_ = *w;
    return true;
}

bool WindowManagerFacts::present()
{
    return present(ask());
}

QString WindowManagerFacts::name()
{
    if (!present())
        return {};
    const xcb_atom_t check = conn_.atoms().netSupportingWmCheck;
    const auto w = cardinal(conn_.reply(conn_.property(conn_.root(), check, XCB_ATOM_WINDOW, 1)).p);
    const auto name = w ? text(conn_.reply(conn_.property(*w, conn_.atoms().netWmName, XCB_ATOM_ANY, 64)).p,
                              conn_.atoms())
                        : std::nullopt;
    return name.value_or(QString());
}

bool WindowManagerFacts::supports(std::uint32_t atom)
{
    // _NET_SUPPORTED changes only when a WM starts; re-read it at most once a second.
    const std::int64_t now = nowMs();
    if (supportedReadAt_ < 0 || now - supportedReadAt_ > 1000) {
        supported_ = cardinals(conn_.reply(conn_.property(conn_.root(), conn_.atoms().netSupported,
                                                           XCB_ATOM_ATOM, 4096)).p);
        supportedReadAt_ = now;
    }
    return std::find(supported_.begin(), supported_.end(), atom) != supported_.end();
}

// Where a configure request must put the client's border corner for the window manager to
// place the frame `outer` (its top-level rectangle) around it, by the client's win_gravity as
// ICCCM has window managers read such requests: the frame's reference point (a corner, an edge's
// middle or the centre) is where the requested rectangle's own would be; with StaticGravity the
// client's own corner stays where asked.
Point requestedCorner(const ClientState& s, const Rect& outer, Size client)
{
    const Extents& f = s.frameExtents;
    if (s.gravity == 10)
        return Point{outer.x() + f.left, outer.y() + f.top};
    // Gravities 1-9 run west to east, then north to south.
    const int column = (s.gravity - 1) % 3, row = (s.gravity - 1) / 3;
    const double w = client.width + 2 * s.border, h = client.height + 2 * s.border;
    return Point{outer.x() + column * (outer.width() - w) / 2, outer.y() + row * (outer.height() - h) / 2};
}

// Window managers that read a request's corner otherwise than it is meant (pekwm takes every
// corner of a configure request as the frame's, evilwm every corner as the client's own inside
// its border) or by a frame other than the extents they state (metacity's is 2 px wider) land
// the frame off by part of its decoration: the shift to ask for once more. An offset past the
// decoration and a few pixels is the window manager's own placement rule, not a misreading, and
// stays (nothing then, as when it landed where asked).
std::optional<Point> misreadShift(const ClientState& s, Point origin, const Rect& landed)
{
    const Extents& f = s.frameExtents;
    const double dx = origin.x - landed.x(), dy = origin.y - landed.y();
    constexpr double kFramingSlack = 16;
    const double slackX = f.left + f.right + 2 * s.border + kFramingSlack;
    const double slackY = f.top + f.bottom + 2 * s.border + kFramingSlack;
    if ((dx == 0 && dy == 0) || std::abs(dx) > slackX || std::abs(dy) > slackY)
        return std::nullopt;
    return Point{dx, dy};
}

} // namespace fw::x11
