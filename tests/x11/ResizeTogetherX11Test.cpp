// Resizing placed windows together on a real server (Xvfb, openbox): with an xterm in the left
// half of "Halves" and the test client in the right, the xterm's frame is dragged by its right
// edge with XTest; while it is dragged the real overlay outlines both new regions, and on the
// release the shared divider follows the xterm and the test client takes the rest of the
// display, each on its own increments. The press lands where the run's window manager starts
// its own resize (metacity's border lies outside the visible frame); fluxbox, which resizes an
// outline of its own and the frame only at the release, gives way to openbox. With Super held,
// an xterm on an uneven cell grid spans both halves under every window manager.
#include "layout/ScreenGeometry.h"
#include "overlay/OverlayWindow.h"
#include "snap/AppliedLayouts.h"
#include "x11/CoordinatorRig.h"
#include "x11/DragSteps.h"
#include "x11/XSession.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

using test::CoordinatorRig;
using test::SessionApp;
using test::XSession;

QString describe(const std::optional<Rect>& frame) { return frame ? toString(*frame) : u"nowhere"_qs; }

constexpr std::uint8_t kSuperKeycode = 133;   // Super_L in the server's default keymap (Mod4)

// Puts the window into a region of "Halves" through the coordinator, as a placement does.
::testing::AssertionResult placed(XSession& session, CoordinatorRig& rig, xcb_window_t window, RegionNumber region,
                                  const ScreenInfo& screen)
{
    const auto done = rig.placeWindow(window, region, SnapLayout::builtIns().front(), screen);
    if (session.waitFor([&] { return done->has_value(); }, 10000) && **done)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "not placed: " << describe(session.wmFrame(window)).toStdString();
}

TEST(ResizeTogetherX11, TheTestClientFollowsTheXtermsDraggedRightEdge)
{
    const QString wm = XSession::testWindowManager();
    XSession session({.windowManagerName = wm == QLatin1String("fluxbox") ? u"openbox"_qs : wm});
    ASSERT_TRUE(session.ok()) << session.error();
    const auto term = session.startXterm(u"resize me"_qs, {"-geometry", "80x24+100+100"});
    const auto client = session.startTestClient(u"neighbour"_qs, {"--position", "1100,200"});
    ASSERT_TRUE(term.window && client.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    ASSERT_TRUE(rig.startDragMonitor()) << "no XInput 2.2";
    const auto screen = rig.screenOf(Rect(0, 0, 1920, 1080));
    ASSERT_TRUE(screen);
    const SnapLayout& halves = SnapLayout::builtIns().front();
    for (const auto& [window, region] : {std::pair{term.window, 0}, std::pair{client.window, 1}})
        ASSERT_TRUE(placed(session, rig, window, RegionNumber(region), *screen));
    const auto before = session.wmFrame(term.window);
    const auto clientBefore = session.wmFrame(client.window);
    ASSERT_TRUE(before && clientBefore);

    // The press on the frame's right border, a drag 150 points right, held until the real
    // overlay outlines both regions.
    const Point press = test::rightBorderPress(session, *before);
    // The xterm in front, as a hand would have it: metacity's borders of two neighbours overlap
    // at the shared edge, and the one in front takes the press. It goes to the xterm once the
    // window manager has also reshaped the placed frame.
    ASSERT_TRUE(rig.ws.activate(term.window));
    ASSERT_TRUE(session.waitFor([&] { return rig.ws.windowAt(press) == WindowId(term.window); }))
        << "no window takes a press at " << toString(press).toStdString();
    session.warpPointer(int(press.x), int(press.y));
    session.pressButton(1);
    ASSERT_TRUE(session.waitFor([&] { return rig.monitor->candidate().has_value(); })) << "the press was not followed";
    test::glide(session, 150, 0, 10);
    const auto& outlines = rig.overlay.feedback().outlines();
    EXPECT_TRUE(session.waitFor([&] { return outlines.size() == 2; }, 3000))
        << "xterm at " << describe(session.wmFrame(term.window)).toStdString();
    for (const auto& panel : outlines)
        EXPECT_TRUE(panel->ignoresMouseEvents());
    session.releaseButton(1);

    // The divider lies 4 points right of the xterm's new edge; the client starts a gap after
    // it and still ends at the display's right region edge, both within their increments.
    const auto incrementOf = [&](xcb_window_t w) {
        const auto hints = rig.ws.sizeHints(w);
        return hints ? std::max(hints->increment.width, 1.0) : 1.0;
    };
    const double termCell = incrementOf(term.window), clientCell = incrementOf(client.window);
    const auto followed = [&] {
        const auto t = session.wmFrame(term.window), c = session.wmFrame(client.window);
        return t && c && !rig.state.interaction.mutating && t->maxX() > before->maxX() + 100 &&
               std::abs(c->minX() - (t->maxX() + 8)) <= termCell && c->maxX() <= clientBefore->maxX() &&
               clientBefore->maxX() - c->maxX() < clientCell + 1;
    };
    EXPECT_TRUE(session.waitFor(followed, 10000))
        << "xterm at " << describe(session.wmFrame(term.window)).toStdString() << ", client at "
        << describe(session.wmFrame(client.window)).toStdString()
        << "; notices: " << rig.notices.join(u" | "_qs).toStdString();
    EXPECT_TRUE(rig.notices.isEmpty()) << rig.notices.join(u" | "_qs).toStdString();
    const LayoutGroup& group = rig.coordinator->groups().at(displayKey(*screen));
    EXPECT_FALSE(group.layout.tree == halves.tree);
    EXPECT_EQ(group.windows.at(0).element, term.window);
    EXPECT_EQ(group.windows.at(1).element, client.window);
    EXPECT_TRUE(outlines.empty()) << "the outlines go at the release";
}

// With Super held at the release, an xterm on an uneven cell grid (11 × 22 pixels) dragged by
// its right edge from the left half into the right one spans both: it lands short of the two
// regions by part of a cell and stays there, with no roll-back. The window manager's own
// resize is stood in for by a frame write while the button is held (which pixel starts one is
// each window manager's choice), so that every window manager runs it.
TEST(ResizeTogetherX11, ASuperHeldResizeSpansAnXtermOnItsCellGridAcrossBothHalves)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    const auto term = session.startXterm(u"span me"_qs, {"-fa", "DejaVuSansMono", "-fs", "13", "-geometry", "60x20+100+100"});
    ASSERT_TRUE(term.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    ASSERT_TRUE(rig.startDragMonitor()) << "no XInput 2.2";
    const auto screen = rig.screenOf(Rect(0, 0, 1920, 1080));
    ASSERT_TRUE(screen);
    const SnapLayout& halves = SnapLayout::builtIns().front();
    ASSERT_TRUE(placed(session, rig, term.window, 0, *screen));
    const auto frames = regionFrames(halves, *screen);
    const Rect both = frames.at(0).united(frames.at(1));
    const auto hints = rig.ws.sizeHints(term.window);
    ASSERT_TRUE(hints && hints->increment.width > 1 && hints->increment.height > 1);
    const auto before = rig.ws.frame(term.window);
    ASSERT_TRUE(before);

    // Pressed just inside the right edge, the edge follows the pointer into the right half.
    session.warpPointer(int(before->maxX()) - 7, int(before->midY()));
    session.pressButton(1);
    ASSERT_TRUE(session.waitFor([&] { return rig.monitor->candidate().has_value(); })) << "the press was not followed";
    test::glide(session, 40, 0, 4);
    ASSERT_TRUE(rig.ws.setFrame(term.window, Rect(before->origin, Size{before->width() + 500, before->height()})));
    test::glide(session, 460, 0, 12);
    // Super held until the release has been taken, as a hand holds it.
    test::pressKey(session, kSuperKeycode, true);
    session.releaseButton(1);
    EXPECT_TRUE(session.waitFor([&] { return !rig.monitor->candidate(); })) << "the release was not followed";
    test::pressKey(session, kSuperKeycode, false);

    const auto window = ManagedWindow::make(rig.ws, term.window);
    ASSERT_TRUE(window);
    const auto spans = [&] {
        const auto f = rig.ws.frame(term.window);
        const auto group = rig.coordinator->groups().find(displayKey(*screen));
        return f && !rig.state.interaction.mutating && group != rig.coordinator->groups().end()
            && group->second.spans.count(*window) > 0 && sitsIn(*f, both, hints->increment, 0);
    };
    EXPECT_TRUE(session.waitFor(spans, 10000))
        << "xterm at " << describe(rig.ws.frame(term.window)).toStdString() << ", both halves " << toString(both).toStdString()
        << "; notices: " << rig.notices.join(u" | "_qs).toStdString();
    EXPECT_TRUE(rig.notices.isEmpty()) << rig.notices.join(u" | "_qs).toStdString();
}

} // namespace
} // namespace fw
