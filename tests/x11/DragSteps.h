#pragma once
// A hand's drag through XTest for the real-server tests and benchmarks: a press on a window's
// title bar and relative pointer motion at about 60 steps a second (relative motion makes the
// raw events the mouse monitor reads; each step waits until the window manager handled it);
// and holding a dragged window over a placed one until its tile menu shows, then over a tile
// until a release would perform it.

#include "x11/CoordinatorRig.h"
#include "x11/XSession.h"

#include <QElapsedTimer>
#include <xcb/xtest.h>

#include <algorithm>
#include <cstdint>

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

// Presses on the middle of the client's title bar; false when the client has no frame.
inline bool pressTitleBar(XSession& s, xcb_window_t client)
{
    const auto frame = s.wmFrame(client);
    if (!frame)
        return false;
    s.warpPointer(int(frame->midX()), int(frame->y()) + 8);
    s.pressButton(1);
    return true;
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
    const DropSession& drop = rig.coordinator->drop();
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
