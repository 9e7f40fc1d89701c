// Resizing placed windows together on a real server (Xvfb, openbox): with an xterm in the left
// half of "Halves" and the test client in the right, the xterm's frame is dragged by its right
// edge with XTest; while it is dragged the real overlay outlines both new regions, and on the
// release the shared divider follows the xterm and the test client takes the rest of the
// display, each on its own increments. The press lands where the run's window manager starts
// its own resize (metacity's border lies outside the visible frame); fluxbox, which resizes an
// outline of its own and the frame only at the release, and evilwm, which moves a window by its
// border, give way to openbox. With Super held,
// an xterm on an uneven cell grid spans both halves under every window manager, also when the
// drag starts on a window manager's own border window beside the frame (as KWin's are), and
// under fluxbox with Super pressed during its outline resize. Escape during the window
// manager's resize ends the preview at once and applies nothing. A placed window maximized by a
// double click on its title bar or header bar, and restored by another, moves no divider.
#include "layout/ScreenGeometry.h"
#include "overlay/OverlayWindow.h"
#include "overlay/ResizeFeedback.h"
#include "snap/AppliedLayouts.h"
#include "x11/CoordinatorRig.h"
#include "x11/DragSteps.h"
#include "x11/FakeKeys.h"
#include "x11/XSession.h"
#include "x11/XtermRigs.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

using namespace test;

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

// An xterm placed in the left half of "Halves" and the test client in the right (fluxbox, which
// resizes an outline of its own and the frame only at the release, and evilwm, which moves a
// window by its border, give way to openbox); then
// the xterm's right border pressed where the window manager starts its own resize and dragged
// 150 points right, until the real overlay outlines both regions.
class ResizeTogetherX11 : public ::testing::Test {
protected:
    void pressAndDragTheXtermsRightEdge()
    {
        const QString wm = XSession::testWindowManager();
        sessionPtr = std::make_unique<XSession>(
            test::XSessionOptions{.windowManagerName = wm == QLatin1String("fluxbox") || wm == QLatin1String("evilwm")
                                                           ? u"openbox"_qs
                                                           : wm});
        XSession& session = *sessionPtr;
        ASSERT_TRUE(session.ok()) << session.error();
        term = session.startXterm(u"resize me"_qs, {"-geometry", "80x24+100+100"});
        client = session.startTestClient(u"neighbour"_qs, {"--position", "1100,200"});
        ASSERT_TRUE(term.window && client.window) << session.error();
        app = std::make_unique<SessionApp>(session);
        rigPtr = std::make_unique<CoordinatorRig>(session);
        CoordinatorRig& rig = *rigPtr;
        ASSERT_TRUE(rig.startDragMonitor()) << "no XInput 2.2";
        screen = rig.screenOf(Rect(0, 0, 1920, 1080));
        ASSERT_TRUE(screen);
        for (const auto& [window, region] : {std::pair{term.window, 0}, std::pair{client.window, 1}})
            ASSERT_TRUE(placed(session, rig, window, RegionNumber(region), *screen));
        before = session.wmFrame(term.window);
        clientBefore = session.wmFrame(client.window);
        ASSERT_TRUE(before && clientBefore);

        const Point press = test::rightBorderPress(session, *before);
        // The xterm in front, as a hand would have it: metacity's borders of two neighbours
        // overlap at the shared edge, and the one in front takes the press. It goes to the
        // xterm once the window manager has also reshaped the placed frame.
        ASSERT_TRUE(rig.ws.activate(term.window));
        ASSERT_TRUE(session.waitFor([&] { return rig.ws.windowAt(press) == WindowId(term.window); }))
            << "no window takes a press at " << toString(press).toStdString();
        session.warpPointer(int(press.x), int(press.y));
        session.pressButton(1);
        ASSERT_TRUE(session.waitFor([&] { return rig.monitor->candidate().has_value(); }))
            << "the press was not followed";
        test::glide(session, 150, 0, 10);
        ASSERT_TRUE(session.waitFor([&] { return rig.overlay.feedback().outlines().size() == 2; }, 3000))
            << "xterm at " << describe(session.wmFrame(term.window)).toStdString();
    }

    std::unique_ptr<XSession> sessionPtr;
    XSession::Client term, client;
    std::unique_ptr<SessionApp> app;
    std::unique_ptr<CoordinatorRig> rigPtr; // after the application
    std::optional<ScreenInfo> screen;
    std::optional<Rect> before, clientBefore; // the xterm's and the client's frames in their halves
    const SnapLayout& halves = SnapLayout::builtIns().front();
};

TEST_F(ResizeTogetherX11, TheTestClientFollowsTheXtermsDraggedRightEdge)
{
    ASSERT_NO_FATAL_FAILURE(pressAndDragTheXtermsRightEdge());
    XSession& session = *sessionPtr;
    CoordinatorRig& rig = *rigPtr;
    const auto& outlines = rig.overlay.feedback().outlines();
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

// From a press at `press` beside or on the placed xterm's right edge: a glide right, the window
// manager's own resize stood in for by a frame write while the button is held (which pixel
// starts one is each window manager's choice) unless `standIn` is false, Super held at the
// release. Succeeds once the xterm spans both halves of "Halves", on its cell grid, with no
// roll-back and no notice.
::testing::AssertionResult superHeldDragSpans(XSession& session, CoordinatorRig& rig, xcb_window_t term, Point press,
                                              const ScreenInfo& screen, bool standIn = true)
{
    const auto before = rig.ws.frame(term);
    const auto hints = rig.ws.sizeHints(term);
    if (!before || !hints)
        return ::testing::AssertionFailure() << "the xterm cannot be read";
    session.warpPointer(int(press.x), int(press.y));
    session.pressButton(1);
    if (!session.waitFor([&] { return rig.monitor->candidate().has_value(); })) {
        session.releaseButton(1);
        return ::testing::AssertionFailure() << "the press at " << toString(press).toStdString() << " was not followed";
    }
    test::glide(session, 40, 0, 4);
    if (standIn && !rig.ws.setFrame(term, Rect(before->origin, Size{before->width() + 500, before->height()})))
        return ::testing::AssertionFailure() << "the stand-in resize failed";
    test::glide(session, 460, 0, 12);
    // Super held until the release has been taken, as a hand holds it.
    test::pressKey(session, kSuperKeycode, true);
    session.releaseButton(1);
    const bool released = session.waitFor([&] { return !rig.monitor->candidate(); });
    test::pressKey(session, kSuperKeycode, false);
    if (!released)
        return ::testing::AssertionFailure() << "the release was not followed";

    const auto frames = regionFrames(SnapLayout::builtIns().front(), screen);
    const Rect both = frames.at(0).united(frames.at(1));
    const auto window = ManagedWindow::make(rig.ws, term);
    if (!window)
        return ::testing::AssertionFailure() << "the xterm is not manageable";
    const auto spans = [&] {
        const auto f = rig.ws.frame(term);
        const auto group = rig.coordinator->groups().find(displayKey(screen));
        return f && !rig.state.interaction.mutating && group != rig.coordinator->groups().end()
            && group->second.spans.count(*window) > 0 && sitsIn(*f, both, hints->increment, 0);
    };
    if (!session.waitFor(spans, 10000))
        return ::testing::AssertionFailure()
            << "xterm at " << describe(rig.ws.frame(term)).toStdString() << ", both halves " << toString(both).toStdString()
            << "; notices: " << rig.notices.join(u" | "_qs).toStdString();
    if (!rig.notices.isEmpty())
        return ::testing::AssertionFailure() << rig.notices.join(u" | "_qs).toStdString();
    return ::testing::AssertionSuccess();
}

// Escape while the window manager resizes the placed xterm by its right edge, with the real
// overlay outlining both regions and the pill showing: our side ends at once, before the
// release (outlines and pill gone, the press forgotten), further motion brings nothing back,
// and the release resizes nothing together: the test client keeps its frame and the layout its
// dividers. Openbox cancels its resize on Escape and puts the xterm back.
TEST_F(ResizeTogetherX11, EscapeDuringTheWindowManagersResizeEndsThePreviewAtOnceAndTheReleaseAppliesNothing)
{
    ASSERT_NO_FATAL_FAILURE(pressAndDragTheXtermsRightEdge());
    XSession& session = *sessionPtr;
    CoordinatorRig& rig = *rigPtr;
    const ResizeFeedback& feedback = rig.overlay.feedback();
    const auto previewShown = [&] {
        return feedback.outlines().size() == 2 && feedback.hint() && feedback.hint()->isOrderedIn();
    };
    ASSERT_TRUE(session.waitFor(previewShown, 3000)) << "xterm at " << describe(session.wmFrame(term.window)).toStdString();
    ASSERT_TRUE(rig.monitor->resizing());

    test::key(session, test::Escape, true);
    test::key(session, test::Escape, false);
    EXPECT_TRUE(session.waitFor([&] { return feedback.outlines().empty() && !feedback.hint()->isOrderedIn(); }, 3000))
        << "the preview stayed after Escape";
    EXPECT_FALSE(rig.monitor->candidate());
    if (session.windowManager() == QLatin1String("openbox")) {
        EXPECT_TRUE(session.waitFor([&] { return session.wmFrame(term.window) == before; }, 3000))
            << "openbox did not put the xterm back: " << describe(session.wmFrame(term.window)).toStdString();
    }
    test::glide(session, 30, 0, 4);
    EXPECT_FALSE(session.waitFor([&] { return !feedback.outlines().empty(); }, 300)) << "the outlines came back";
    session.releaseButton(1);

    EXPECT_FALSE(session.waitFor([&] { return session.wmFrame(client.window) != clientBefore; }, 1000))
        << "the neighbour was resized: " << describe(session.wmFrame(client.window)).toStdString();
    EXPECT_EQ(rig.coordinator->groups().at(displayKey(*screen)).layout.tree, halves.tree);
    EXPECT_TRUE(feedback.outlines().empty());
    EXPECT_TRUE(rig.notices.isEmpty()) << rig.notices.join(u" | "_qs).toStdString();
}

// With Super held at the release, an xterm on an uneven cell grid (11 × 22 pixels) dragged by
// its right edge from the left half into the right one spans both: it lands short of the two
// regions by part of a cell and stays there. Put back in the left half, it spans again from a
// press 4 px right of its frame on a window manager's own input-only border window there, as
// KWin keeps 14 px ones outside its frames (override-redirect, above the frame): the press
// belongs to the frame beside it; out of a border's reach, to no window. Every window manager
// runs it.
TEST_F(ResizeTogetherX11, ASuperHeldResizeSpansAnXtermOnItsCellGridAcrossBothHalves)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    test::XtermDrag drag;
    ASSERT_TRUE(drag.start(session, u"span me"_qs, {"-fa", "DejaVuSansMono", "-fs", "13", "-geometry", "60x20+100+100"}));
    auto [term, rig, screen, visible] = drag.parts();
    ASSERT_TRUE(placed(session, rig, term.window, 0, *screen));
    const auto hints = rig.ws.sizeHints(term.window);
    ASSERT_TRUE(hints && hints->increment.width > 1 && hints->increment.height > 1);
    const auto before = rig.ws.frame(term.window);
    ASSERT_TRUE(before);
    // Pressed just inside the right edge.
    EXPECT_TRUE(superHeldDragSpans(session, rig, term.window, Point{before->maxX() - 7, before->midY()}, *screen));

    ASSERT_TRUE(placed(session, rig, term.window, 0, *screen));
    ASSERT_EQ(rig.ws.frame(term.window), before);
    xcb_connection_t* c = session.connection();
    const xcb_window_t border = xcb_generate_id(c);
    const std::uint32_t overrideRedirect = 1;
    xcb_create_window(c, 0, border, session.root(), std::int16_t(before->maxX()), std::int16_t(before->y()), 14,
                      std::uint16_t(before->height() + 14), 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT,
                      XCB_CW_OVERRIDE_REDIRECT, &overrideRedirect);
    xcb_map_window(c, border);
    xcb_flush(c);
    ASSERT_TRUE(session.waitFor([&] { return session.isViewable(border); }));
    const Point press{before->maxX() + 4, before->midY()};
    EXPECT_EQ(rig.ws.windowAt(press), WindowId(term.window)) << "the border window's frame takes the press";
    EXPECT_EQ(rig.ws.windowAt(Point{before->maxX() + 40, before->midY()}), std::nullopt) << "out of a border's reach";
    EXPECT_TRUE(superHeldDragSpans(session, rig, term.window, press, *screen));
    xcb_destroy_window(c, border);
    xcb_flush(c);
}

// fluxbox resizes an outline and the frame once, at the release, and refuses a resize begun with
// Super held: a placed xterm's bottom-right grip dragged 500 px right, Super pressed before the
// release and held over it, spans both halves.
TEST(ResizeTogetherX11Outline, SuperPressedDuringAnOutlineResizeSpans)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (session.windowManager() != QLatin1String("fluxbox"))
        GTEST_SKIP() << "only fluxbox resizes by an outline alone";
    test::XtermDrag drag;
    ASSERT_TRUE(drag.start(session, u"outline"_qs, {"-geometry", "80x24+100+100"}));
    auto [term, rig, screen, visible] = drag.parts();
    ASSERT_TRUE(placed(session, rig, term.window, 0, *screen));
    const auto before = rig.ws.frame(term.window);
    ASSERT_TRUE(before);
    EXPECT_TRUE(superHeldDragSpans(session, rig, term.window, Point{before->maxX() - 3, before->maxY() - 2}, *screen, false));
}

// Which placed window the user maximizes by a double click: an xterm by the window manager's
// title bar, or GTK's demo by its own header bar (a request to the manager from the toolkit).
enum class Clicked { xtermTitleBar, headerBar };

// A double click at a hand's pace.
void doubleClick(XSession& session, const Point& at)
{
    session.warpPointer(int(at.x), int(at.y));
    for (int click = 0; click < 2; ++click) {
        if (click)
            session.waitFor([] { return false; }, 80);
        session.pressButton(1);
        session.waitFor([] { return false; }, 40);
        session.releaseButton(1);
    }
}

// The window and the test client placed in the two halves of "Halves"; the window maximized by
// a double click on its title or header bar (fluxbox shades it instead) and given back its size
// by another, with `crowded` the clicks on two cores beside two busy loops. Neither click moves a divider:
// while maximized and once restored the neighbour keeps its frame, the layout its tree, nothing
// is written to the saved layouts and nothing is said; the maximize holds, and the restored
// window is back in its half, still its member.
void maximizeAndRestoreByDoubleClicks(const QString& manager, Clicked clicked, bool crowded)
{
    // Every case on free cores has a twin on two busy cores.
    if (!crowded)
        if (const auto why = XSession::freeCoresSkip())
            GTEST_SKIP() << *why;
    XSession session(test::XSessionOptions{.windowManagerName = manager});
    ASSERT_TRUE(session.ok()) << session.error();
    XSession::Client window;
    if (clicked == Clicked::xtermTitleBar) {
        if (!session.titleBars())
            GTEST_SKIP() << "no title bars to double-click under " << session.windowManager().toStdString();
        window = session.startXterm(u"maximize me"_qs, {"-geometry", "80x24+100+100"});
    } else {
        if (!XSession::installed(u"gtk3-demo"_qs))
            GTEST_SKIP() << "gtk3-demo is not installed";
        ASSERT_FALSE(session.sessionBus().isEmpty()) << session.error();
        const pid_t demo = session.spawn({u"gtk3-demo"_qs});
        ASSERT_TRUE(demo) << session.error();
        // Found in the window list: a manager may state no frame extents for a window that
        // draws its own (mutter).
        X11WindowSystem list(session.display());
        session.waitFor([&] {
            for (const WindowInfo& info : list.snapshot()) {
                if (info.pid == demo && info.onScreen && info.title == u"Application Class"_qs)
                    window = {demo, xcb_window_t(info.id)};
            }
            return window.window != XCB_NONE;
        }, 20000);
    }
    const XSession::Client client = session.startTestClient(u"neighbour"_qs, {"--position", "1100,200"});
    ASSERT_TRUE(window.window && client.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    ASSERT_TRUE(rig.startDragMonitor()) << "no XInput 2.2";
    const auto screen = rig.screenOf(Rect(0, 0, 1920, 1080));
    ASSERT_TRUE(screen);
    for (const auto& [w, region] : {std::pair{window.window, 0}, std::pair{client.window, 1}})
        ASSERT_TRUE(placed(session, rig, w, RegionNumber(region), *screen));
    const auto inHalf = rig.ws.frame(window.window), neighbour = rig.ws.frame(client.window);
    ASSERT_TRUE(inHalf && neighbour);
    const LayoutGroup group = rig.coordinator->groups().at(displayKey(*screen));
    rig.defaults.clearWriteLog();
    // The clicks, not the placement, on two busy cores.
    if (crowded) {
        ASSERT_TRUE(session.crowdOntoTwoCores()) << "the cores were refused";
    }

    const auto states = [&] { return rig.ws.windowStates(window.window).value_or(0) & (kMaximized | Shaded); };
    const auto doubleClickTheBar = [&] {
        const auto frame = rig.ws.frame(window.window);
        ASSERT_TRUE(frame);
        // The manager's title bar lies above the client; a header bar is the client's top.
        const int top = session.frameExtents(window.window).value_or(XSession::Extents{}).top;
        doubleClick(session, {frame->midX(), frame->y() + (top > 0 ? std::max(8, top / 2) : 20)});
    };
    const auto laidOutAsBefore = [&]() -> ::testing::AssertionResult {
        const LayoutGroup& now = rig.coordinator->groups().at(displayKey(*screen));
        if (rig.ws.frame(client.window) != neighbour)
            return ::testing::AssertionFailure() << "the neighbour went to " << describe(rig.ws.frame(client.window)).toStdString();
        if (!(now.layout.tree == group.layout.tree) || now.windows != group.windows)
            return ::testing::AssertionFailure() << "the layout group changed";
        if (!rig.defaults.writeLog().empty())
            return ::testing::AssertionFailure() << "the layouts were saved (" << rig.defaults.writeLog().front().key.toStdString() << ")";
        if (!rig.notices.isEmpty())
            return ::testing::AssertionFailure() << rig.notices.join(u" | "_qs).toStdString();
        return ::testing::AssertionSuccess();
    };
    const auto settled = [&] { return !rig.state.interaction.windowInteraction && !rig.state.interaction.mutating; };

    const auto entered = [&] { return session.waitFor([&] { return states() != 0; }, 5000); };
    ASSERT_NO_FATAL_FAILURE(doubleClickTheBar());
    // This process on two busy cores may send the second click too late for a double one; then
    // the user double-clicks again.
    if (!entered()) {
        ASSERT_NO_FATAL_FAILURE(doubleClickTheBar());
        if (!entered())
            GTEST_SKIP() << session.windowManager().toStdString() << " puts no window into a state on a double click";
    }
    EXPECT_TRUE(session.waitFor(settled, 10000));
    // It holds: nothing of ours takes the size for a resize of the user's.
    EXPECT_FALSE(session.waitFor([&] { return states() == 0 || !laidOutAsBefore(); }, 1500))
        << "window at " << describe(rig.ws.frame(window.window)).toStdString() << ", states " << states();
    EXPECT_TRUE(laidOutAsBefore());

    ASSERT_NO_FATAL_FAILURE(doubleClickTheBar());
    // evilwm takes no request to leave the state, and xfwm4 and fluxbox on two busy cores may
    // miss the double click: the window is then given its size back as a pager asks for it.
    if (!session.waitFor([&] { return states() == 0; }, 3000)) {
        ASSERT_TRUE(rig.ws.changeWindowStates(window.window, states(), false)) << "the states were kept";
    }
    // Back in its half; a header-bar window with each edge within a shadow's width of the half's:
    // as they give it its size back, metacity keeps the shadow the window draws around itself on
    // the screen, and mutter and muffin on two busy cores may leave that shadow inside the size
    // it had.
    const auto backInHalf = [&] {
        const auto f = rig.ws.frame(window.window);
        const double kShadow = clicked == Clicked::headerBar ? 32 : 0;
        return f && std::abs(f->minX() - inHalf->minX()) <= kShadow && std::abs(f->maxX() - inHalf->maxX()) <= kShadow &&
               std::abs(f->minY() - inHalf->minY()) <= kShadow && std::abs(f->maxY() - inHalf->maxY()) <= kShadow;
    };
    EXPECT_TRUE(session.waitFor([&] { return states() == 0 && backInHalf() && settled(); }, 10000))
        << "window at " << describe(rig.ws.frame(window.window)).toStdString() << ", its half "
        << describe(inHalf).toStdString() << ", states " << states();
    EXPECT_FALSE(session.waitFor([&] { return !backInHalf() || !laidOutAsBefore(); }, 1500))
        << "window at " << describe(rig.ws.frame(window.window)).toStdString();
    EXPECT_TRUE(laidOutAsBefore());
}

TEST(MaximizedByADoubleClickX11, APlacedXtermKeepsTheLayout) { maximizeAndRestoreByDoubleClicks({}, Clicked::xtermTitleBar, false); }
TEST(MaximizedByADoubleClickX11, APlacedXtermKeepsTheLayoutOnTwoBusyCores)
{
    maximizeAndRestoreByDoubleClicks({}, Clicked::xtermTitleBar, true);
}
TEST(MaximizedByADoubleClickX11, APlacedHeaderBarWindowKeepsTheLayout) { maximizeAndRestoreByDoubleClicks({}, Clicked::headerBar, false); }
TEST(MaximizedByADoubleClickX11, APlacedHeaderBarWindowKeepsTheLayoutOnTwoBusyCores)
{
    maximizeAndRestoreByDoubleClicks({}, Clicked::headerBar, true);
}

// Managers outside the matrix, each started here where installed (once, in the default run).
void headerBarUnder(const QString& manager, const QString& program, bool crowded)
{
    if (const auto why = XSession::outsideMatrixSkip(program))
        GTEST_SKIP() << *why;
    maximizeAndRestoreByDoubleClicks(manager, Clicked::headerBar, crowded);
}

TEST(MaximizedByADoubleClickOutsideTheMatrixX11, UnderKwin) { headerBarUnder(u"kwin"_qs, u"kwin_x11"_qs, false); }
TEST(MaximizedByADoubleClickOutsideTheMatrixX11, UnderKwinOnTwoBusyCores) { headerBarUnder(u"kwin"_qs, u"kwin_x11"_qs, true); }
TEST(MaximizedByADoubleClickOutsideTheMatrixX11, UnderMutter) { headerBarUnder(u"mutter"_qs, u"mutter"_qs, false); }
TEST(MaximizedByADoubleClickOutsideTheMatrixX11, UnderMutterOnTwoBusyCores) { headerBarUnder(u"mutter"_qs, u"mutter"_qs, true); }
TEST(MaximizedByADoubleClickOutsideTheMatrixX11, UnderMuffin) { headerBarUnder(u"muffin"_qs, u"muffin"_qs, false); }
TEST(MaximizedByADoubleClickOutsideTheMatrixX11, UnderMuffinOnTwoBusyCores) { headerBarUnder(u"muffin"_qs, u"muffin"_qs, true); }
TEST(MaximizedByADoubleClickOutsideTheMatrixX11, UnderMarcoOnTwoBusyCores) { headerBarUnder(u"marco"_qs, u"marco"_qs, true); }

} // namespace
} // namespace fw
