// Following a move and resize by the server's notices, fed the events a window manager with a
// container between frame and client (icewm) causes: the frame counts as landed only once the
// server's own notices of all three windows show the frame asked for.
#include "platform/x11/X11WriteLanding.h"

#include <gtest/gtest.h>


namespace fw::x11 {
namespace {

constexpr xcb_window_t kClient = 0x100, kFrame = 0x200, kContainer = 0x300;

// The client 400×300 in a container at (4, 24) of a frame at (100, 100) with stated extents.
ClientState framedClient()
{
    ClientState s;
    s.window = kClient;
    s.alive = true;
    s.topLevel = kFrame;
    s.parent = s.middle = kContainer;
    s.frameExtents = {4, 4, 24, 4};
    s.extentsStated = true;
    s.own = {0, 0, 400, 300, 0};
    s.middleBox = {4, 24, 400, 300, 0};
    s.frameBox = {100, 100, 408, 328, 0};
    s.client = Rect(104, 124, 400, 300);
    s.boxesKnown = true;
    return s;
}

xcb_configure_notify_event_t configured(xcb_window_t w, Box b, bool synthetic = false)
{
    xcb_configure_notify_event_t n{};
    n.response_type = XCB_CONFIGURE_NOTIFY | (synthetic ? 0x80 : 0);
    n.event = n.window = w;
    n.x = std::int16_t(b.x);
    n.y = std::int16_t(b.y);
    n.width = std::uint16_t(b.width);
    n.height = std::uint16_t(b.height);
    n.border_width = std::uint16_t(b.border);
    return n;
}

void take(WriteLanding& landing, const auto& event, const Atoms& atoms)
{
    landing.take(reinterpret_cast<const xcb_generic_event_t*>(&event), atoms);
}

TEST(WriteLandingX11, TheFrameLandsOnlyWhenTheServersOwnNoticesOfEveryWindowShowIt)
{
    Atoms atoms{};
    atoms.netFrameExtents = 301;
    atoms.gtkFrameExtents = 302;
    const AskedFrame asked{160, 140, 480, 320};
    const Rect target(160, 140, 488, 348);

    // The frame and container first, then the window manager's own word on the client's size
    // (in root coordinates) before the server resized it: not landed until the server says so.
    WriteLanding landing(framedClient(), asked);
    ASSERT_TRUE(landing.following());
    EXPECT_EQ(landing.windowsAround(), (std::array<xcb_window_t, 2>{kFrame, kContainer}));
    for (const auto& e : {configured(kContainer, {4, 24, 480, 320, 0}), configured(kFrame, {160, 140, 488, 348, 0}),
                          configured(kClient, {0, 0, 480, 320, 0}, true)})
        take(landing, e, atoms);
    EXPECT_FALSE(landing.landed());
    take(landing, configured(kClient, {0, 0, 480, 320, 0}), atoms);
    EXPECT_EQ(landing.landed(), target);
    // A later notice that moves the frame on is what counts.
    take(landing, configured(kFrame, {170, 140, 488, 348, 0}), atoms);
    EXPECT_FALSE(landing.landed());

    // New frame extents end the following: the notices alone no longer place the frame.
    WriteLanding redecorated(framedClient(), asked);
    xcb_property_notify_event_t p{};
    p.response_type = XCB_PROPERTY_NOTIFY;
    p.window = kClient;
    p.atom = atoms.netFrameExtents;
    take(redecorated, p, atoms);
    for (const auto& n : {configured(kContainer, {4, 24, 480, 320, 0}), configured(kFrame, {160, 140, 488, 348, 0}),
                          configured(kClient, {0, 0, 480, 320, 0})})
        take(redecorated, n, atoms);
    EXPECT_FALSE(redecorated.following());
    EXPECT_FALSE(redecorated.landed());

    // A read that already shows the frame asked for comes from a window manager that has not
    // reached an earlier write yet: nothing is followed, the write waits for its answer.
    WriteLanding behind(framedClient(), AskedFrame{100, 100, 400, 300});
    EXPECT_FALSE(behind.following());
    EXPECT_EQ(behind.windowsAround(), (std::array<xcb_window_t, 2>{XCB_NONE, XCB_NONE}));
}

} // namespace
} // namespace fw::x11
