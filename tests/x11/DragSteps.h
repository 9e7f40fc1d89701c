#pragma once
// A hand's drag through XTest for the real-server tests and benchmarks: a press on a window's
// title bar and relative pointer motion at about 60 steps a second (relative motion makes the
// raw events the mouse monitor reads; each step waits until the window manager handled it);
// where a press starts a window manager's resize of a right edge; a left-handed mouse (the
// primary button swapped); and holding a dragged window over a placed one until its tile menu shows, then over a tile
// until a release would perform it.

#include "x11/CoordinatorRig.h"
#include "x11/XSession.h"

#include <QElapsedTimer>
#include <xcb/xtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

namespace fw::test {

inline constexpr std::uint8_t kAltKeycode = 64; // Alt_L in the server's default keymap (Mod1)

// Moves the pointer by (dx, dy) in relative steps.
inline void glide(XSession& s, int dx, int dy, int steps)
{
    for (int i = 0; i < steps; ++i) {
        QElapsedTimer paced;
        paced.start();
        s.moveRelative(dx * (i + 1) / steps - dx * i / steps, dy * (i + 1) / steps - dy * i / steps);
        s.syncWithWindowManager();
        s.waitFor([&] { return paced.elapsed() >= 17; }, 100);
    }
}

// The pointer to the point, in relative steps from where it is.
inline void glideTo(XSession& s, const Point& to, int steps)
{
    const Point from = s.pointer().value_or(to);
    glide(s, int(to.x - from.x), int(to.y - from.y), steps);
}

// Presses on the middle of the client's title bar with the (physical) button; false when the
// client has no frame.
inline bool pressTitleBar(XSession& s, xcb_window_t client, int button = 1)
{
    const auto frame = s.wmFrame(client);
    if (!frame)
        return false;
    // At least 8 px down, in the middle of a taller title bar: pekwm moves the window only once
    // the pointer has gone 4 px, and a press read late must still lie off the top edge.
    const int top = s.frameExtents(client).value_or(XSession::Extents{}).top;
    s.warpPointer(int(frame->midX()), int(frame->y()) + std::max(8, top / 2));
    s.pressButton(button);
    return true;
}

// Presses on the client's title bar and takes the pointer 6 px to the right in small steps. The
// mouse monitor reads where the pointer is when it gets to the press: read late, the press still
// lies on the title bar and as far below its top edge, where a press within reach of the edge
// would make the window's move look like a resize of that edge.
inline bool startTitleBarDrag(XSession& s, xcb_window_t client)
{
    if (!pressTitleBar(s, client))
        return false;
    glide(s, 6, 0, 6);
    return true;
}

// Where a press starts the window manager's own resize of a frame's edge (right, left or top):
// on its border, which metacity keeps outside the visible frame at the sides while it composites
// (inside it otherwise; its top edge resizes from 3 px below the frame's top) and KWin always, on
// an input-only window of its own.
inline Point borderPress(XSession& s, const Rect& frame, RegionEdge edge)
{
    const QString wm = s.windowManager();
    const bool metacity = wm == QLatin1String("metacity");
    const bool top = edge == RegionEdge::top;
    // How far inside the frame, the side's last pixel counting as 0; below 0 outside it.
    int inside = 0;
    if (wm == QLatin1String("kwin") || (metacity && s.compositing() && !top))
        inside = -5;
    else if (metacity && top)
        inside = 3;
    else if (metacity || wm == QLatin1String("xfwm4") || wm == QLatin1String("icewm"))
        inside = 1;
    switch (edge) {
    case RegionEdge::left:
        return {frame.minX() + inside, frame.midY()};
    case RegionEdge::top:
        return {frame.midX(), frame.minY() + inside};
    default:
        return {frame.maxX() - 1 - inside, frame.midY()};
    }
}

inline Point rightBorderPress(XSession& s, const Rect& frame) { return borderPress(s, frame, RegionEdge::right); }

// Swaps the core pointer mapping's buttons 1 and 3 (a left-handed mouse, and back again);
// false when the server refused.
inline bool swapPrimaryButton(XSession& session)
{
    xcb_connection_t* c = session.connection();
    auto* current = xcb_get_pointer_mapping_reply(c, xcb_get_pointer_mapping(c), nullptr);
    if (!current)
        return false;
    std::vector<std::uint8_t> map(xcb_get_pointer_mapping_map(current),
                                  xcb_get_pointer_mapping_map(current) + xcb_get_pointer_mapping_map_length(current));
    std::free(current);
    if (map.size() < 3)
        return false;
    std::swap(map[0], map[2]);
    auto* reply = xcb_set_pointer_mapping_reply(c, xcb_set_pointer_mapping(c, std::uint8_t(map.size()), map.data()),
                                                nullptr);
    const bool ok = reply && reply->status == XCB_MAPPING_STATUS_SUCCESS;
    std::free(reply);
    return ok;
}

// Sets the first buttons of the test's own pointer device (the one the fake input comes from)
// with xinput, as a desktop settings panel sets a left-handed mouse; the core mapping stays.
inline bool setDeviceButtons(XSession& session, const std::vector<int>& buttons)
{
    QStringList argv{u"xinput"_qs, u"set-button-map"_qs, u"Virtual core XTEST pointer"_qs};
    for (int b : buttons)
        argv << QString::number(b);
    return session.run(argv) == 0;
}

inline void pressKey(XSession& s, std::uint8_t keycode, bool down)
{
    xcb_test_fake_input(s.connection(), down ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keycode, XCB_CURRENT_TIME, XCB_NONE,
                        0, 0, 0);
    xcb_flush(s.connection());
}

// With a window's title bar pressed: the pointer to `over` and held there until the tile menu
// shows, then to the tile of the intent and held until a release would perform it. False
// when the menu, the tile or its arming did not come.
inline bool holdOverTile(XSession& s, CoordinatorRig& rig, const Point& over, const RegionDropIntent& intent)
{
    glideTo(s, over, 12);
    const DropSession& drop = rig.state.drop;
    if (!s.waitFor([&] { return drop.shownMenu.has_value(); }, 3000))
        return false;
    const auto& items = drop.shownMenu->menu.items;
    const auto item = std::find_if(items.begin(), items.end(), [&](const auto& i) { return i.intent == intent; });
    if (item == items.end())
        return false;
    glideTo(s, {item->frame.midX(), item->frame.midY()}, 6);
    return s.waitFor([&] { return drop.regionDrop && drop.regionDrop->intent == intent && drop.regionDropArmed; }, 3000);
}

} // namespace fw::test
