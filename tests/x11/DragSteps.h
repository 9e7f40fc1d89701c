#pragma once
// A hand's drag through XTest for the real-server tests and benchmarks: a press on a window's
// title bar and relative pointer motion at about 60 steps a second (relative motion makes the
// raw events the mouse monitor reads; each step waits until the window manager handled it).

#include "x11/XSession.h"

#include <QElapsedTimer>
#include <xcb/xtest.h>

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

} // namespace fw::test
