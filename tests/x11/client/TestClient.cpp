// A tiny X client for the real-server tests: plain top-level windows whose title, size hints,
// window type and _NET_WM_PID the test chooses. Prints "window 0x…" per window once mapped,
// exits when the WM asks it to close a window or when it loses the server.
//
//   fw_test_client [--title T] [--size WxH] [--position X,Y] [--min WxH] [--max WxH]
//                  [--inc WxH] [--base WxH] [--no-pid] [--type normal|dialog|dock|none]
//                  [--transient-for ID] [--maximized] [--count N] [--no-move] [--strut-top H]
//                  [--strut-partial L,R,T,B,LY0,LY1,RY0,RY1,TX0,TX1,BX0,BX1] [--churn]
//                  [--colors RRGGBB,RRGGBB] [--no-input] [--take-focus] [--primary TEXT]
//                  [--class INSTANCE,CLASS] [--icon WxH:RRGGBB[,WxH:RRGGBB…]]
// --strut-partial: the window's _NET_WM_STRUT_PARTIAL as given (and _NET_WM_STRUT from its
// first four values), as a panel on one monitor states it.
// --churn: besides the windows above, keeps creating and destroying further windows (titled
// "T churn") for as long as it runs: each mapped one is followed by a new one (10 ms later at
// the soonest), the oldest is destroyed, and every other new one is destroyed before the WM
// could manage it.
// --colors: the window's left half in the first colour, its right half in the second (hex RGB
// pixels of a 24-bit TrueColor screen), instead of plain white.
// --no-input: WM_HINTS say the window takes no keyboard input (as xclock's do), and it offers
// no WM_TAKE_FOCUS: window managers leave the focus where it was when it is raised.
// --take-focus: WM_HINTS say the window takes no input, and WM_PROTOCOLS list WM_TAKE_FOCUS: it
// sets the focus on itself when told to take it or clicked, and not otherwise (ICCCM's globally
// active model, as Wine's windows have it). It counts itself active from then until the focus
// goes to another window, and while active appends the keycode of each key pressed in it, with a
// space, to its _FW_TEST_KEYS property (a STRING); keys that reach it inactive are dropped, as
// a Windows program run by Wine drops keys sent to a window it does not count active.
// --primary: the first window owns the PRIMARY selection holding TEXT, as text selected in an
// application does, and hands it to whoever asks (UTF8_STRING, STRING, TEXT, TARGETS).
// --class: the windows' WM_CLASS (instance and class), instead of fwtestclient, FwTestClient.
// --icon: the windows' _NET_WM_ICON, one opaque picture of each size in the colour given.
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    xcb_atom_t a = r ? r->atom : XCB_NONE;
    free(r);
    return a;
}

bool pair(const char* s, char sep, int& a, int& b)
{
    char* end = nullptr;
    a = int(std::strtol(s, &end, 0));
    if (!end || *end != sep)
        return false;
    b = int(std::strtol(end + 1, &end, 0));
    return end && *end == '\0';
}

[[noreturn]] void usage(const char* what)
{
    std::fprintf(stderr, "fw_test_client: bad argument %s\n", what);
    std::exit(2);
}

} // namespace

int main(int argc, char** argv)
{
    std::string title = "fw test client";
    int w = 300, h = 200, x = 0, y = 0, count = 1;
    int minW = -1, minH = -1, maxW = -1, maxH = -1, incW = -1, incH = -1, baseW = -1, baseH = -1;
    bool setPid = true, positioned = false, maximized = false, noMove = false, churn = false, coloured = false;
    bool noInput = false, takeFocus = false;
    std::string primary;
    bool ownsPrimary = false;
    std::uint32_t left = 0, right = 0;
    int strutTop = 0;
    std::vector<std::uint32_t> partial;
    std::string type = "normal";
    std::uint32_t transientFor = 0;
    std::string wmClass("fwtestclient\0FwTestClient", 25);
    std::vector<std::uint32_t> icon;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() -> const char* {
            if (i + 1 >= argc)
                usage(a.c_str());
            return argv[++i];
        };
        if (a == "--title") title = next();
        else if (a == "--size") { if (!pair(next(), 'x', w, h)) usage("--size"); }
        else if (a == "--position") { if (!pair(next(), ',', x, y)) usage("--position"); positioned = true; }
        else if (a == "--min") { if (!pair(next(), 'x', minW, minH)) usage("--min"); }
        else if (a == "--max") { if (!pair(next(), 'x', maxW, maxH)) usage("--max"); }
        else if (a == "--inc") { if (!pair(next(), 'x', incW, incH)) usage("--inc"); }
        else if (a == "--base") { if (!pair(next(), 'x', baseW, baseH)) usage("--base"); }
        else if (a == "--no-pid") setPid = false;
        else if (a == "--type") type = next();
        else if (a == "--transient-for") transientFor = std::uint32_t(std::strtoul(next(), nullptr, 0));
        else if (a == "--maximized") maximized = true;
        else if (a == "--no-move") noMove = true;
        else if (a == "--count") count = std::atoi(next());
        else if (a == "--strut-top") strutTop = std::atoi(next());
        else if (a == "--strut-partial") {
            for (char* at = const_cast<char*>(next()); partial.size() < 12; ++at) {
                partial.push_back(std::uint32_t(std::strtoul(at, &at, 10)));
                if (*at != ',')
                    break;
            }
            if (partial.size() != 12) usage("--strut-partial");
        }
        else if (a == "--churn") churn = true;
        else if (a == "--no-input") noInput = true;
        else if (a == "--take-focus") takeFocus = true;
        else if (a == "--primary") { primary = next(); ownsPrimary = true; }
        else if (a == "--class") {
            wmClass = next();
            const auto comma = wmClass.find(',');
            if (comma == std::string::npos) usage("--class");
            wmClass[comma] = '\0';
        }
        else if (a == "--icon") {
            for (const char* at = next(); *at;) {
                char* end = nullptr;
                const auto iw = std::uint32_t(std::strtoul(at, &end, 10));
                if (*end != 'x') usage("--icon");
                const auto ih = std::uint32_t(std::strtoul(end + 1, &end, 10));
                if (*end != ':' || iw == 0 || ih == 0 || iw > 512 || ih > 512) usage("--icon");
                const auto rgb = std::uint32_t(std::strtoul(end + 1, &end, 16));
                icon.push_back(iw);
                icon.push_back(ih);
                icon.insert(icon.end(), std::size_t(iw) * ih, 0xff000000u | rgb);
                at = *end == ',' ? end + 1 : end;
                if (*end && *end != ',') usage("--icon");
            }
        }
        else if (a == "--colors") {
            const std::string v = next();
            const auto comma = v.find(',');
            if (comma == std::string::npos) usage("--colors");
            left = std::uint32_t(std::strtoul(v.substr(0, comma).c_str(), nullptr, 16));
            right = std::uint32_t(std::strtoul(v.substr(comma + 1).c_str(), nullptr, 16));
            coloured = true;
        }
        else usage(a.c_str());
    }

    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "fw_test_client: cannot open display\n");
        return 1;
    }
    auto it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&it);
    xcb_screen_t* screen = it.data;

    const xcb_atom_t wmProtocols = atom(c, "WM_PROTOCOLS"), wmDelete = atom(c, "WM_DELETE_WINDOW");
    const xcb_atom_t wmTakeFocus = atom(c, "WM_TAKE_FOCUS"), keysAtom = atom(c, "_FW_TEST_KEYS");
    const xcb_atom_t netWmName = atom(c, "_NET_WM_NAME"), utf8 = atom(c, "UTF8_STRING");
    const xcb_atom_t netWmPid = atom(c, "_NET_WM_PID"), netType = atom(c, "_NET_WM_WINDOW_TYPE");
    const xcb_atom_t netState = atom(c, "_NET_WM_STATE");
    const xcb_atom_t netAllowed = atom(c, "_NET_WM_ALLOWED_ACTIONS");
    std::string typeName = "_NET_WM_WINDOW_TYPE_" + std::string(type == "dialog" ? "DIALOG" : type == "dock" ? "DOCK" : "NORMAL");
    const xcb_atom_t typeAtom = atom(c, typeName.c_str());
    const xcb_atom_t maxV = atom(c, "_NET_WM_STATE_MAXIMIZED_VERT"), maxH_ = atom(c, "_NET_WM_STATE_MAXIMIZED_HORZ");
    (void)netAllowed;

    std::vector<xcb_window_t> windows;
    for (int n = 0; n < count; ++n) {
        xcb_window_t win = xcb_generate_id(c);
        const std::uint32_t keyEvents = XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_FOCUS_CHANGE;
        const std::uint32_t values[] = {coloured ? left : screen->white_pixel,
                                        XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_EXPOSURE
                                            | (takeFocus ? keyEvents : 0u)};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, win, screen->root, x + 10 * n, y + 10 * n, w, h, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK,
                          values);
        std::string t = count > 1 ? title + " " + std::to_string(n) : title;
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, t.size(), t.data());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, netWmName, utf8, 8, t.size(), t.data());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, wmClass.size() + 1,
                            wmClass.c_str());
        if (!icon.empty())
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, atom(c, "_NET_WM_ICON"), XCB_ATOM_CARDINAL, 32,
                                icon.size(), icon.data());
        const xcb_atom_t protocols[] = {wmDelete, wmTakeFocus};
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, wmProtocols, XCB_ATOM_ATOM, 32, takeFocus ? 2 : 1, protocols);
        if (setPid) {
            const std::uint32_t pid = std::uint32_t(getpid());
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, netWmPid, XCB_ATOM_CARDINAL, 32, 1, &pid);
        }
        if (type != "none")
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, netType, XCB_ATOM_ATOM, 32, 1, &typeAtom);
        if (transientFor)
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 32, 1,
                                &transientFor);
        if (maximized) {
            const xcb_atom_t st[] = {maxV, maxH_};
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, netState, XCB_ATOM_ATOM, 32, 2, st);
        }
        // WM_NORMAL_HINTS: flags, x, y, w, h, min, max, inc, min/max aspect, base, gravity.
        std::uint32_t hints[18] = {};
        if (positioned) hints[0] |= 1 | 4;   // USPosition | PPosition
        if (minW >= 0) { hints[0] |= 16; hints[5] = minW; hints[6] = minH; }
        if (maxW >= 0) { hints[0] |= 32; hints[7] = maxW; hints[8] = maxH; }
        if (incW >= 0) { hints[0] |= 64; hints[9] = incW; hints[10] = incH; }
        if (baseW >= 0) { hints[0] |= 256; hints[15] = baseW; hints[16] = baseH; }
        hints[1] = x; hints[2] = y; hints[3] = w; hints[4] = h;
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32, 18,
                            hints);
        if (noInput || takeFocus) {
            // WM_HINTS: flags (InputHint), input False, then the unused fields.
            const std::uint32_t wmHints[9] = {1, 0, 0, 0, 0, 0, 0, 0, 0};
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32, 9, wmHints);
        }
        if (noMove) {
            // Motif hints listing close as the only function: no move, no resize.
            const std::uint32_t motif[5] = {1 /* functions */, 32 /* close */, 0, 0, 0};
            const xcb_atom_t motifAtom = atom(c, "_MOTIF_WM_HINTS");
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, motifAtom, motifAtom, 32, 5, motif);
        }
        if (strutTop > 0)
            partial = {0, 0, std::uint32_t(strutTop), 0, 0, 0, 0, 0, 0, screen->width_in_pixels - 1u, 0, 0};
        if (!partial.empty()) {
            // Reserve a band along an edge of the screen, as a panel does.
            const std::uint32_t* strut = partial.data();
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, atom(c, "_NET_WM_STRUT_PARTIAL"), XCB_ATOM_CARDINAL, 32, 12,
                                strut);
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, atom(c, "_NET_WM_STRUT"), XCB_ATOM_CARDINAL, 32, 4, strut);
        }
        xcb_map_window(c, win);
        windows.push_back(win);
    }
    const xcb_atom_t targets = atom(c, "TARGETS"), text = atom(c, "TEXT");
    if (ownsPrimary)
        xcb_set_selection_owner(c, windows.front(), XCB_ATOM_PRIMARY, XCB_CURRENT_TIME);
    xcb_flush(c);

    // Churn windows: created, mapped and destroyed without end, paced by the WM's mapping.
    std::vector<xcb_window_t> churned;
    unsigned churnCount = 0;
    auto churnOne = [&] {
        xcb_window_t win = xcb_generate_id(c);
        const std::uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, win, screen->root, 40 + int(churnCount % 50) * 7, 40, 160, 120, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK,
                          values);
        const std::string t = title + " churn";
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, t.size(), t.data());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, netWmName, utf8, 8, t.size(), t.data());
        if (setPid) {
            const std::uint32_t pid = std::uint32_t(getpid());
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, netWmPid, XCB_ATOM_CARDINAL, 32, 1, &pid);
        }
        xcb_map_window(c, win);
        if (++churnCount % 2 == 0)
            xcb_destroy_window(c, win);   // gone before the WM could manage it
        else
            churned.push_back(win);
        while (churned.size() > 3) {
            xcb_destroy_window(c, churned.front());
            churned.erase(churned.begin());
        }
        xcb_flush(c);
    };
    if (churn) {
        churnOne();
        churnOne();
    }

    xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, screen->root, XCB_GC_FOREGROUND, &right);

    // The next churn comes at least 10 ms after a churned window was mapped: as fast as a quick
    // window manager maps them, each would be gone before anyone could read it.
    using SteadyClock = std::chrono::steady_clock;
    bool churnPending = false;
    SteadyClock::time_point churnDue{};
    auto nextEvent = [&]() -> xcb_generic_event_t* {
        for (;;) {
            if (xcb_generic_event_t* e = xcb_poll_for_event(c))
                return e;
            if (xcb_connection_has_error(c))
                return nullptr;
            int timeout = -1;
            if (churnPending) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(churnDue - SteadyClock::now());
                if (left.count() <= 0) {
                    churnPending = false;
                    churnOne();
                    churnOne();
                    continue;
                }
                timeout = int(left.count());
            }
            pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
            ::poll(&p, 1, timeout);
        }
    };
    size_t mapped = 0;
    xcb_window_t active = XCB_NONE;   // --take-focus: the window that took the focus last, while it has it
    auto takeTheFocus = [&](xcb_window_t win, xcb_timestamp_t time) {
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, win, time);
        xcb_flush(c);
        active = win;
    };
    while (xcb_generic_event_t* e = nextEvent()) {
        const int type_ = e->response_type & 0x7f;
        if (type_ == XCB_EXPOSE && coloured) {
            // The right half in the second colour; the background already paints the left.
            auto* x = reinterpret_cast<xcb_expose_event_t*>(e);
            auto g = xcb_get_geometry_reply(c, xcb_get_geometry(c, x->window), nullptr);
            if (g) {
                const xcb_rectangle_t half = {std::int16_t(g->width / 2), 0, std::uint16_t(g->width - g->width / 2),
                                              g->height};
                xcb_poly_fill_rectangle(c, x->window, gc, 1, &half);
                xcb_flush(c);
                free(g);
            }
        } else if (type_ == XCB_MAP_NOTIFY) {
            auto* m = reinterpret_cast<xcb_map_notify_event_t*>(e);
            if (std::find(churned.begin(), churned.end(), m->window) != churned.end()) {
                if (!churnPending) {
                    churnPending = true;
                    churnDue = SteadyClock::now() + std::chrono::milliseconds(10);
                }
                free(e);
                continue;
            }
            std::printf("window 0x%x\n", m->window);
            std::fflush(stdout);
            ++mapped;
        } else if (type_ == XCB_SELECTION_REQUEST && ownsPrimary) {
            auto* r = reinterpret_cast<xcb_selection_request_event_t*>(e);
            union {
                xcb_selection_notify_event_t n;
                char bytes[32];   // every event sent is 32 bytes long
            } sent{};
            xcb_selection_notify_event_t& n = sent.n;
            n.response_type = XCB_SELECTION_NOTIFY;
            n.time = r->time;
            n.requestor = r->requestor;
            n.selection = r->selection;
            n.target = r->target;
            n.property = r->property == XCB_NONE ? r->target : r->property;
            if (r->target == targets) {
                const xcb_atom_t offered[] = {targets, utf8, XCB_ATOM_STRING, text};
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, r->requestor, n.property, XCB_ATOM_ATOM, 32, 4, offered);
            } else if (r->target == utf8 || r->target == XCB_ATOM_STRING || r->target == text) {
                const xcb_atom_t as = r->target == text ? xcb_atom_t(XCB_ATOM_STRING) : r->target;
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, r->requestor, n.property, as, 8, primary.size(),
                                    primary.data());
            } else {
                n.property = XCB_NONE;   // refused
            }
            xcb_send_event(c, 0, r->requestor, XCB_EVENT_MASK_NO_EVENT, sent.bytes);
            xcb_flush(c);
        } else if (type_ == XCB_CLIENT_MESSAGE) {
            auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
            if (takeFocus && m->type == wmProtocols && m->data.data32[0] == wmTakeFocus)
                takeTheFocus(m->window, m->data.data32[1]);
            if (m->type == wmProtocols && m->data.data32[0] == wmDelete) {
                xcb_destroy_window(c, m->window);
                xcb_flush(c);
                std::erase(windows, m->window);
                if (windows.empty()) {
                    free(e);
                    break;
                }
            }
        } else if (type_ == XCB_BUTTON_PRESS && takeFocus) {
            const auto* b = reinterpret_cast<xcb_button_press_event_t*>(e);
            takeTheFocus(b->event, b->time);
        } else if (type_ == XCB_FOCUS_OUT && takeFocus) {
            // The focus moved to another window (not a grab's passing change, not into a child).
            const auto* f = reinterpret_cast<xcb_focus_out_event_t*>(e);
            const bool moved = (f->mode == XCB_NOTIFY_MODE_NORMAL || f->mode == XCB_NOTIFY_MODE_WHILE_GRABBED)
                && f->detail != XCB_NOTIFY_DETAIL_INFERIOR && f->detail != XCB_NOTIFY_DETAIL_POINTER;
            if (moved && f->event == active)
                active = XCB_NONE;
        } else if (type_ == XCB_KEY_PRESS && takeFocus) {
            const auto* k = reinterpret_cast<xcb_key_press_event_t*>(e);
            if (k->event == active) {
                const std::string code = std::to_string(k->detail) + " ";
                xcb_change_property(c, XCB_PROP_MODE_APPEND, k->event, keysAtom, XCB_ATOM_STRING, 8, code.size(),
                                    code.data());
                xcb_flush(c);
            }
        } else if (type_ == XCB_DESTROY_NOTIFY) {
            std::erase(windows, reinterpret_cast<xcb_destroy_notify_event_t*>(e)->window);
            if (windows.empty()) {
                free(e);
                break;
            }
        }
        free(e);
    }
    (void)mapped;
    xcb_disconnect(c);
    return 0;
}
