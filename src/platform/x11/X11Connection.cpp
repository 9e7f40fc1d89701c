// One xcb connection with the atoms the X11 adapters use, the helpers reading properties
// (numbers, bytes, text cut at a whole character) and a bounded wait for the socket.
#include "platform/x11/X11Connection.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace fw::x11 {

namespace {
// Atom names in the member order of Atoms.
constexpr const char* atomNames[] = {
    "_NET_SUPPORTED", "_NET_SUPPORTING_WM_CHECK", "_NET_CLIENT_LIST", "_NET_CLIENT_LIST_STACKING",
    "_NET_ACTIVE_WINDOW", "_NET_RESTACK_WINDOW", "_NET_MOVERESIZE_WINDOW", "_NET_REQUEST_FRAME_EXTENTS",
    "_NET_FRAME_EXTENTS", "_GTK_FRAME_EXTENTS", "_NET_WM_PID", "_NET_WM_NAME", "UTF8_STRING",
    "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_NORMAL", "_NET_WM_WINDOW_TYPE_DOCK",
    "_NET_WM_WINDOW_TYPE_DESKTOP", "_NET_WM_STATE", "_NET_WM_STATE_HIDDEN", "_NET_WM_STATE_FULLSCREEN",
    "_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ", "_NET_WM_ALLOWED_ACTIONS",
    "_NET_WM_ACTION_MOVE", "_NET_WM_ACTION_RESIZE", "WM_STATE", "WM_TRANSIENT_FOR", "_NET_WORKAREA",
    "EDID", "COMPOUND_TEXT",
    "_NET_WM_WINDOW_TYPE_DIALOG", "_NET_WM_WINDOW_TYPE_TOOLBAR", "_NET_WM_WINDOW_TYPE_MENU",
    "_NET_WM_WINDOW_TYPE_UTILITY", "_NET_WM_WINDOW_TYPE_SPLASH", "_NET_WM_WINDOW_TYPE_DROPDOWN_MENU",
    "_NET_WM_WINDOW_TYPE_POPUP_MENU", "_NET_WM_WINDOW_TYPE_TOOLTIP", "_NET_WM_WINDOW_TYPE_NOTIFICATION",
    "_NET_WM_WINDOW_TYPE_COMBO", "_NET_WM_WINDOW_TYPE_DND",
    "_NET_WM_ACTION_MAXIMIZE_HORZ", "_NET_WM_ACTION_MAXIMIZE_VERT", "_NET_WM_STATE_ABOVE",
    "_NET_WM_STATE_BELOW", "_NET_WM_STATE_SHADED", "WM_CHANGE_STATE", "_GTK_APPLICATION_ID",
    "_NET_WM_ICON", "WM_PROTOCOLS", "WM_TAKE_FOCUS", "WM_WINDOW_ROLE",
};
static_assert(sizeof(atomNames) / sizeof(atomNames[0]) == sizeof(Atoms) / sizeof(xcb_atom_t));
} // namespace

Connection::Connection(const QByteArray& displayName)
{
    int screenNumber = 0;
    c_ = xcb_connect(displayName.isEmpty() ? nullptr : displayName.constData(), &screenNumber);
    owned_ = true;
    init(screenNumber);
}

Connection::Connection(xcb_connection_t* borrowed, int screen) : c_(borrowed), owned_(false)
{
    init(screen);
}

Connection::~Connection()
{
    if (owned_ && c_)
        xcb_disconnect(c_);
}

void Connection::init(int screenNumber)
{
    if (!c_ || xcb_connection_has_error(c_))
        return;
    auto it = xcb_setup_roots_iterator(xcb_get_setup(c_));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem)
        return;
    screen_ = it.data;
    root_ = it.data->root;

    constexpr size_t n = sizeof(atomNames) / sizeof(atomNames[0]);
    xcb_intern_atom_cookie_t cookies[n];
    for (size_t i = 0; i < n; ++i)
        cookies[i] = xcb_intern_atom(c_, 0, std::strlen(atomNames[i]), atomNames[i]);
    auto* out = reinterpret_cast<xcb_atom_t*>(&atoms_);
    for (size_t i = 0; i < n; ++i) {
        auto r = FW_XCB_REPLY(c_, xcb_intern_atom, cookies[i]);
        out[i] = r ? r->atom : XCB_NONE;
    }
}

bool Connection::ok() const
{
    return c_ && !xcb_connection_has_error(c_) && root_ != XCB_NONE;
}

void Connection::flush() const
{
    if (c_)
        xcb_flush(c_);
}

xcb_get_property_cookie_t Connection::property(xcb_window_t w, xcb_atom_t prop, xcb_atom_t type,
                                               std::uint32_t longs, std::uint32_t offset) const
{
    return xcb_get_property(c_, 0, w, prop, type, offset, longs);
}

Reply<xcb_get_property_reply_t> Connection::reply(xcb_get_property_cookie_t cookie) const
{
    return FW_XCB_REPLY(c_, xcb_get_property, cookie);
}

void Connection::sendMessage(xcb_window_t to, std::uint32_t eventMask, xcb_window_t window, xcb_atom_t type,
                             const std::uint32_t (&data)[5]) const
{
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = window;
    ev.type = type;
    std::copy(std::begin(data), std::end(data), ev.data.data32);
    xcb_send_event(c_, 0, to, eventMask, reinterpret_cast<const char*>(&ev));
}

void Connection::sendRootMessage(xcb_window_t window, xcb_atom_t type, std::uint32_t d0, std::uint32_t d1,
                                 std::uint32_t d2, std::uint32_t d3, std::uint32_t d4) const
{
    sendMessage(root_, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY, window, type,
                {d0, d1, d2, d3, d4});
}

void Connection::sendProtocolMessage(xcb_window_t client, xcb_atom_t protocol, std::uint32_t time) const
{
    sendMessage(client, XCB_EVENT_MASK_NO_EVENT, client, atoms_.wmProtocols, {protocol, time, 0, 0, 0});
}

void Connection::drainQueue() const
{
    if (!c_)
        return;
    while (xcb_generic_event_t* e = xcb_poll_for_event(c_))
        free(e);
}

bool Connection::ofThisProcess(xcb_window_t w) const
{
    if (!c_ || w == XCB_NONE)
        return false;
    const auto pid = cardinal(reply(property(w, atoms_.netWmPid, XCB_ATOM_CARDINAL, 1)).p);
    return pid && pid_t(*pid) == ::getpid();
}

std::vector<std::uint32_t> cardinals(const xcb_get_property_reply_t* r)
{
    if (!r || r->format != 32)
        return {};
    auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(r));
    int n = xcb_get_property_value_length(r) / 4;
    return std::vector<std::uint32_t>(v, v + n);
}

std::optional<std::uint32_t> cardinal(const xcb_get_property_reply_t* r)
{
    auto v = cardinals(r);
    if (v.empty())
        return std::nullopt;
    return v.front();
}

QByteArray bytes(const xcb_get_property_reply_t* r)
{
    if (!r || r->type == XCB_NONE)
        return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(r)),
                      xcb_get_property_value_length(r));
}

std::optional<QString> text(const xcb_get_property_reply_t* r, const Atoms& atoms)
{
    if (!r || r->type == XCB_NONE || r->format != 8)
        return std::nullopt;
    QByteArray b = bytes(r);
    // Titles are one string; stop at a terminating zero byte if any.
    int zero = b.indexOf('\0');
    if (zero >= 0)
        b.truncate(zero);
    if (r->type == atoms.utf8String) {
        // A value cut at the read limit can end inside a character: drop that partial character.
        if (r->bytes_after > 0 && zero < 0) {
            int lead = b.size() - 1;
            while (lead >= 0 && b.size() - lead < 4 && (std::uint8_t(b[lead]) & 0xc0) == 0x80)
                --lead;
            if (lead >= 0) {
                const auto c = std::uint8_t(b[lead]);
                const int need = c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : c >= 0xc0 ? 2 : 1;
                if (b.size() - lead < need)
                    b.truncate(lead);
            }
        }
        return QString::fromUtf8(b);
    }
    return QString::fromLatin1(b);
}

std::int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool waitReadable(xcb_connection_t* c, std::int64_t deadlineMs)
{
    if (!c || xcb_connection_has_error(c))
        return false;
    const std::int64_t left = deadlineMs - nowMs();
    if (left <= 0)
        return false;
    pollfd pfd{xcb_get_file_descriptor(c), POLLIN, 0};
    int rc = ::poll(&pfd, 1, int(left));
    return rc > 0 && !(pfd.revents & (POLLERR | POLLHUP | POLLNVAL));
}

} // namespace fw::x11
