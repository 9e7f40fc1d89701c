// Resizing placed windows together on a real server (Xvfb, openbox): with an xterm in the left
// half of "Halves" and the test client in the right, the xterm's frame is dragged by its right
// edge with XTest; while it is dragged the real overlay outlines both new regions, and on the
// release the shared divider follows the xterm and the test client takes the rest of the
// display, each on its own increments. The window manager is openbox whatever the run names:
// which pixel of a frame starts a native resize is the window manager's own choice.
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

TEST(ResizeTogetherX11, TheTestClientFollowsTheXtermsDraggedRightEdge)
{
    XSession session({.windowManagerName = u"openbox"_qs});
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
    for (const auto& [window, region] : {std::pair{term.window, 0}, std::pair{client.window, 1}}) {
        const auto done = rig.placeWindow(window, RegionNumber(region), halves, *screen);
        ASSERT_TRUE(session.waitFor([&] { return done->has_value(); }, 10000) && **done)
            << "not placed: " << describe(session.wmFrame(window)).toStdString();
    }
    const auto before = session.wmFrame(term.window);
    const auto clientBefore = session.wmFrame(client.window);
    ASSERT_TRUE(before && clientBefore);

    // The press on the frame's right border, a drag 150 points right, held until the real
    // overlay outlines both regions.
    session.warpPointer(int(before->maxX()) - 1, int(before->midY()));
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
        return t && c && !rig.coordinator->interaction().mutating && t->maxX() > before->maxX() + 100 &&
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

} // namespace
} // namespace fw
