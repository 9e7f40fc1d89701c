// Window managers outside the test matrix, each started by its test where installed (once, in
// the default run): i3's workspace per monitor, where the current desktop follows a window
// dragged across monitors while both keep showing theirs, leaves the drag and its placement
// alone and reports a monitor that shows another workspace, as herbstluftwm's desktop per
// monitor without viewports; lwm, which names no check window on
// its check window, twm, which has no EWMH at all, dwm, which adds the monitor's origin to a
// requested position, and herbstluftwm, which moves no floating window by the move message it
// lists, place windows where asked, and nothing drifts on the way back. A corner drop ends in
// the corner's region under the matrix's manager and under KWin, whose own tiling holds the
// window it tiles at the same release. awesome, which applies its clients' geometry only after
// the turn that passed our barrier on, places by the key's picker and by a drag, and its tiling
// layout, which holds every window, leaves nothing maximized.
#include "layout/ScreenGeometry.h"
#include "platform/x11/X11Workspaces.h"
#include "snap/PickerGeometry.h"
#include "x11/CoordinatorRig.h"
#include "x11/DragSteps.h"
#include "x11/XSession.h"
#include "x11/XtermRigs.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

using test::CoordinatorRig;
using test::SessionApp;
using test::XSession;

QString describe(const std::optional<Rect>& frame) { return frame ? toString(*frame) : u"nowhere"_qs; }

// A frame on the region's cell grid: at its corner, short of it by less than one increment.
bool onGrid(const std::optional<Rect>& f, const Rect& target, const std::optional<SizeHints>& hints)
{
    const Size step = hints ? hints->increment : Size{1, 1};
    return f && std::abs(f->x() - target.x()) <= 1 && std::abs(f->y() - target.y()) <= 1 &&
           f->width() <= target.width() + 1 && target.width() - f->width() < std::max(step.width, 2.0) &&
           f->height() <= target.height() + 1 && target.height() - f->height() < std::max(step.height, 2.0);
}

// Under the matrix's window manager (one workspace shown on all monitors) every switch of the
// desktop is a change, with the desktop left empty or not.
TEST(WindowManagerHabitsX11, ASwitchOfTheDesktopIsAChangeOfWorkspace)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto term = session.startXterm(u"stays"_qs);
    ASSERT_TRUE(term.window) << session.error();
    SessionApp app(session);
    X11Workspaces workspaces(session.display());
    int changes = 0;
    workspaces.setChangeHandler([&] { ++changes; });
    ASSERT_TRUE(workspaces.watching());
    for (int desktop : {1, 0, 1}) {
        const int before = changes;
        ASSERT_EQ(session.run({u"xdotool"_qs, u"set_desktop"_qs, QString::number(desktop)}), 0);
        EXPECT_TRUE(session.waitFor([&] { return changes == before + 1; })) << "switch to desktop " << desktop;
    }
}

TEST(WindowManagerHabitsX11, UnderI3AFloatingWindowDraggedAcrossMonitorsIsPlacedAndOnlyAnotherWorkspaceShownCounts)
{
    if (const auto why = XSession::outsideMatrixSkip(u"i3"_qs))
        GTEST_SKIP() << *why;
    XSession session({.width = 3200, .height = 1080, .windowManagerName = u"i3"_qs, .twoMonitors = true});
    ASSERT_TRUE(session.ok()) << session.error();
    auto term = session.startXterm(u"drag me"_qs, {"-geometry", "80x24+300+300"});
    ASSERT_TRUE(term.window) << session.error();

    SessionApp app(session);
    CoordinatorRig rig(session);
    ASSERT_TRUE(rig.startDragMonitor()) << "no XInput 2.2";
    // As the program reacts to a change of workspace.
    X11Workspaces workspaces(session.display());
    int changes = 0;
    workspaces.setChangeHandler([&] {
        ++changes;
        rig.monitor->cancel();
        rig.coordinator->displaysChanged();
    });
    ASSERT_TRUE(workspaces.watching());
    const auto right = rig.screenOf(Rect(1920, 0, 1280, 1024));
    ASSERT_TRUE(right);
    const Rect visible = topLeftVisibleFrame(*right);

    // Across to the top centre of the right monitor: i3 moves the window to that monitor's
    // workspace on the way, and the picker hangs there all the same.
    ASSERT_TRUE(test::pressTitleBar(session, term.window));
    ASSERT_TRUE(session.waitFor([&] { return rig.monitor->candidate().has_value(); })) << "the press was not followed";
    test::glideTo(session, {visible.midX(), visible.minY() + 6}, 30);
    ASSERT_TRUE(session.waitFor([&] { return rig.overlay.picker && rig.overlay.pickerView; }))
        << "no picker; xterm at " << describe(session.wmFrame(term.window)).toStdString() << ", " << changes
        << " workspace changes";
    const PickerGeometry& geometry = rig.overlay.pickerView->geometry();
    const Rect panel = pickerFrame(visible, geometry.width, geometry.height);
    const Rect button = geometry.cards.front().regions.at(0);
    test::glideTo(session, {panel.minX() + button.midX(), panel.minY() + button.midY()}, 6);
    ASSERT_TRUE(session.waitFor([&] {
        return rig.overlay.pickerView && rig.state.picker.selection == SnapSelection{0, 0};
    })) << "the pointer is not over Halves region 0";
    session.releaseButton(1);

    const Rect target = regionFrames(SnapLayout::builtIns().front(), *right).at(0);
    const auto hints = rig.ws.sizeHints(term.window);
    EXPECT_TRUE(session.waitFor([&] { return onGrid(session.wmFrame(term.window), target, hints) && !rig.state.interaction.mutating; }, 10000))
        << "xterm at " << describe(session.wmFrame(term.window)).toStdString() << ", region " << toString(target).toStdString()
        << "; notices: " << rig.notices.join(u" | "_qs).toStdString();
    EXPECT_EQ(changes, 0) << "the focus crossing monitors counted as a change of workspace";
    EXPECT_EQ(rig.coordinator->groups().count(displayKey(*right)), 1u) << "the placement was forgotten";

    // Another workspace on the right monitor is a change.
    ASSERT_EQ(session.run({u"i3-msg"_qs, u"workspace 7"_qs}), 0);
    EXPECT_TRUE(session.waitFor([&] { return changes == 1; })) << changes << " workspace changes";
}

// herbstluftwm shows a desktop per monitor but publishes one viewport for all of them: the
// focus moving between monitors changes the current desktop and nothing that is shown; another
// desktop on a monitor, with windows or without, is a change.
TEST(WindowManagerHabitsX11, UnderHerbstluftwmTheFocusCrossingMonitorsIsNoChangeOfWorkspace)
{
    if (const auto why = XSession::outsideMatrixSkip(u"herbstluftwm"_qs))
        GTEST_SKIP() << *why;
    XSession session({.width = 3200, .height = 1080, .windowManagerName = u"herbstluftwm"_qs, .twoMonitors = true});
    ASSERT_TRUE(session.ok()) << session.error();
    const auto herbstclient = [&](const QStringList& args) { return session.run(QStringList{u"herbstclient"_qs} + args); };
    // Its monitors as RandR's, once its stock autostart has made its nine desktops (tags).
    ASSERT_TRUE(session.waitFor([&] { return herbstclient({u"compare"_qs, u"tags.count"_qs, u"="_qs, u"9"_qs}) == 0; }))
        << "herbstluftwm made no nine desktops";
    ASSERT_EQ(herbstclient({u"set_monitors"_qs, u"1920x1080+0+0"_qs, u"1280x1024+1920+0"_qs}), 0);
    auto left = session.startXterm(u"left"_qs);
    ASSERT_EQ(herbstclient({u"focus_monitor"_qs, u"1"_qs}), 0);
    auto right = session.startXterm(u"right"_qs);
    ASSERT_TRUE(left.window && right.window) << session.error();
    ASSERT_TRUE(session.waitFor([&] {
        const auto l = session.wmFrame(left.window), r = session.wmFrame(right.window);
        return l && r && l->maxX() <= 1920 && r->minX() >= 1920;
    })) << "the xterms are not one on each monitor";

    SessionApp app(session);
    X11Workspaces workspaces(session.display());
    int changes = 0;
    workspaces.setChangeHandler([&] { ++changes; });
    ASSERT_TRUE(workspaces.watching());
    // Each crossing taken on its own: the notices of a few together make one change at most.
    for (const char* monitor : {"0", "1", "0"}) {
        ASSERT_EQ(herbstclient({u"focus_monitor"_qs, QString::fromLatin1(monitor)}), 0);
        session.waitFor([] { return false; }, 150);
    }
    EXPECT_EQ(changes, 0) << "the focus crossing monitors counted as a change of workspace";
    // An empty desktop on the left monitor, then the right one focused: one change, and none
    // for the focus leaving the empty monitor.
    ASSERT_EQ(herbstclient({u"use"_qs, u"5"_qs}), 0);
    EXPECT_TRUE(session.waitFor([&] { return changes >= 1; })) << "another desktop on the left monitor was missed";
    ASSERT_EQ(herbstclient({u"focus_monitor"_qs, u"1"_qs}), 0);
    ASSERT_EQ(herbstclient({u"use"_qs, u"1"_qs}), 0);
    EXPECT_TRUE(session.waitFor([&] { return changes >= 2; })) << "the right monitor taking the left one's desktop was missed";
    EXPECT_EQ(changes, 2) << "the focus crossing monitors counted as a change of workspace";
}

// Places the window into each half of the display's "Halves" and back where it was: each lands
// on its cell grid, and the way back lands where it started (nothing drifts).
void placeAroundAndBack(CoordinatorRig& rig, XSession& session, xcb_window_t window, const ScreenInfo& screen)
{
    const auto start = session.wmFrame(window);
    ASSERT_TRUE(start);
    const auto hints = rig.ws.sizeHints(window);
    for (RegionNumber region : {RegionNumber(0), RegionNumber(1)}) {
        const Rect target = regionFrames(SnapLayout::builtIns().front(), screen).at(region);
        const auto done = rig.placeWindow(window, region, SnapLayout::builtIns().front(), screen);
        ASSERT_TRUE(session.waitFor([&] { return done->has_value(); }, 10000)) << "placement did not end";
        EXPECT_TRUE(**done) << "notices: " << rig.notices.join(u" | "_qs).toStdString();
        EXPECT_TRUE(onGrid(session.wmFrame(window), target, hints))
            << "region " << region << ": at " << describe(session.wmFrame(window)).toStdString() << ", asked for "
            << toString(target).toStdString();
    }
    for (int i = 0; i < 2; ++i) {
        rig.ws.setFrame(window, *start);
        EXPECT_TRUE(session.waitFor([&] { return session.wmFrame(window) == start; }, 2000))
            << "back to " << toString(*start).toStdString() << ": at " << describe(session.wmFrame(window)).toStdString();
        rig.ws.setPosition(window, Point{start->x() + 40, start->y() + 30});
    }
}

TEST(WindowManagerHabitsX11, UnderLwmWhichPutsTheFrameAtTheAskedCornerPlacementsLandAndNothingDrifts)
{
    if (const auto why = XSession::outsideMatrixSkip(u"lwm"_qs))
        GTEST_SKIP() << *why;
    XSession session({.windowManagerName = u"lwm"_qs});
    ASSERT_TRUE(session.ok()) << session.error();
    auto term = session.startXterm(u"lwm"_qs, {"-geometry", "80x24+300+300"});
    ASSERT_TRUE(term.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    placeAroundAndBack(rig, session, term.window, rig.screens.screens().front());
}

// What the place hot key does: the picker for the focused window; a click on region 1 of
// "Halves" puts it there on its cell grid. The picker's content is clicked where it is (twm
// decorates it as it does every window it manages).
void placeFocusedThroughPicker(CoordinatorRig& rig, XSession& session, xcb_window_t window, const ScreenInfo& screen)
{
    const auto focused = rig.access.focusedWindow();
    ASSERT_TRUE(focused && focused->element == window) << "the focused xterm is not found";
    ASSERT_TRUE(rig.placeFocusedWindow()) << "no focused window for the hot key";
    ASSERT_TRUE(rig.overlay.picker && rig.overlay.pickerView);
    const PickerGeometry& geometry = rig.overlay.pickerView->geometry();
    const auto panelWindow = xcb_window_t(rig.overlay.picker->winId());
    ASSERT_TRUE(session.waitFor([&] { return session.isViewable(panelWindow); })) << "no picker shown";
    const auto content = session.rootPosition(panelWindow);
    ASSERT_TRUE(content);
    const Rect button = geometry.cards.front().regions.at(1);
    session.warpPointer(int(content->x + button.midX()), int(content->y + button.midY()));
    session.pressButton(1);
    session.releaseButton(1);
    const Rect target = regionFrames(SnapLayout::builtIns().front(), screen).at(1);
    EXPECT_TRUE(session.waitFor([&] { return onGrid(session.wmFrame(window), target, rig.ws.sizeHints(window)); }, 10000))
        << "xterm at " << describe(session.wmFrame(window)).toStdString() << ", asked for " << toString(target).toStdString()
        << "; notices: " << rig.notices.join(u" | "_qs).toStdString();
    EXPECT_TRUE(session.waitFor([&] { return !rig.state.interaction.mutating; }));
    EXPECT_TRUE(rig.notices.isEmpty()) << rig.notices.join(u" | "_qs).toStdString();
}

TEST(WindowManagerHabitsX11, UnderTwmWithoutEwmhTheFocusedXtermIsPlacedThroughThePicker)
{
    if (const auto why = XSession::outsideMatrixSkip(u"twm"_qs))
        GTEST_SKIP() << *why;
    XSession session({.windowManagerName = u"twm"_qs});
    ASSERT_TRUE(session.ok()) << session.error();
    auto term = session.startXterm(u"twm"_qs, {"-geometry", "80x24+300+300"});
    ASSERT_TRUE(term.window) << session.error();
    // A click on the xterm: twm's focus follows the pointer.
    const auto frame = session.wmFrame(term.window);
    ASSERT_TRUE(frame);
    session.warpPointer(int(frame->midX()), int(frame->midY()));
    session.pressButton(1);
    session.releaseButton(1);

    SessionApp app(session);
    CoordinatorRig rig(session);
    const ScreenInfo screen = rig.screens.screens().front();
    placeAroundAndBack(rig, session, term.window, screen);
    session.warpPointer(int(frame->midX()), int(frame->midY()));
    placeFocusedThroughPicker(rig, session, term.window, screen);
}

// herbstluftwm lists _NET_MOVERESIZE_WINDOW but moves no floating window by it, while it
// honours the window's configure request: the focused floating xterm is placed through the
// picker all the same, with no notice, and later writes land at once.
TEST(WindowManagerHabitsX11, UnderHerbstluftwmTheFocusedFloatingXtermIsPlacedThroughThePicker)
{
    if (const auto why = XSession::outsideMatrixSkip(u"herbstluftwm"_qs))
        GTEST_SKIP() << *why;
    XSession session({.windowManagerName = u"herbstluftwm"_qs});
    ASSERT_TRUE(session.ok()) << session.error();
    const auto herbstclient = [&](const QStringList& args) { return session.run(QStringList{u"herbstclient"_qs} + args); };
    // Its stock autostart sets the tree's style once it has set its rules (which it clears first).
    ASSERT_TRUE(session.waitFor([&] {
        return herbstclient({u"compare"_qs, u"settings.tree_style"_qs, u"="_qs, u"╾│ ├└╼─┐"_qs}) == 0;
    })) << "herbstluftwm's autostart did not run";
    ASSERT_TRUE(session.atomNames(session.root(), "_NET_SUPPORTED").contains(u"_NET_MOVERESIZE_WINDOW"_qs));
    ASSERT_EQ(herbstclient({u"rule"_qs, u"class=XTerm"_qs, u"floating=on"_qs}), 0);
    auto term = session.startXterm(u"floating"_qs, {"-geometry", "80x24+300+300"});
    ASSERT_TRUE(term.window) << session.error();
    const QString floating = u"clients.0x%1.floating"_qs.arg(term.window, 0, 16);
    ASSERT_EQ(herbstclient({u"compare"_qs, floating, u"="_qs, u"true"_qs}), 0) << "the xterm does not float";
    xcb_set_input_focus(session.connection(), XCB_INPUT_FOCUS_POINTER_ROOT, term.window, XCB_CURRENT_TIME);
    xcb_flush(session.connection());
    ASSERT_TRUE(session.waitFor([&] { return session.inputFocus() == term.window; }));

    SessionApp app(session);
    CoordinatorRig rig(session);
    const ScreenInfo screen = rig.screens.screens().front();
    placeFocusedThroughPicker(rig, session, term.window, screen);
    placeAroundAndBack(rig, session, term.window, screen);
}

// An xterm dragged by its title bar into the display's top-left corner and let go there ends in
// the corner's region on its cell grid, with no notice; or, with `heldMayStay`, where a window
// manager that keeps its own tile holds it, the notice says that it could not be placed.
void dropIntoTopLeftCorner(XSession& session, bool heldMayStay)
{
    test::XtermDrag drag;
    ASSERT_TRUE(drag.start(session, u"corner"_qs, {"-geometry", "80x24+500+400"}));
    auto [term, rig, screen, visible] = drag.parts();

    ASSERT_TRUE(test::pressTitleBar(session, term.window));
    ASSERT_TRUE(session.waitFor([&] { return rig.monitor->candidate().has_value(); })) << "the press was not followed";
    // Into the screen's very corner, where the managers' own tiling acts.
    test::glideTo(session, {0, 0}, 30);
    ASSERT_TRUE(session.waitFor([&] { return rig.dragHandler->findings().cornerTarget == SnapCorner::topLeft; }))
        << "no corner on offer; xterm at " << describe(session.wmFrame(term.window)).toStdString();
    session.releaseButton(1);
    // Placed: the xterm is its region's occupant, and nothing is under way.
    const auto region = [&]() -> std::optional<Rect> {
        const auto g = rig.coordinator->groups().find(displayKey(*screen));
        if (g == rig.coordinator->groups().end())
            return std::nullopt;
        for (const auto& [number, window] : g->second.windows)
            if (window.element == term.window)
                return regionFrames(g->second.layout, *screen).at(number);
        return std::nullopt;
    };
    EXPECT_TRUE(session.waitFor([&] { return (region() || !rig.notices.isEmpty()) && !rig.state.interaction.mutating; }, 10000));
    const auto target = region();
    if (!target && heldMayStay) {
        EXPECT_EQ(rig.notices.join(u" | "_qs).toStdString(),
                  "XTerm is kept in its tile by the window manager. Drag it out of the tile to place it in a region.")
            << "xterm at " << describe(session.wmFrame(term.window)).toStdString();
        return;
    }
    ASSERT_TRUE(target) << "not placed; xterm at " << describe(session.wmFrame(term.window)).toStdString()
                        << "; notices: " << rig.notices.join(u" | "_qs).toStdString();
    EXPECT_TRUE(target->maxX() < visible.maxX() && target->maxY() < visible.maxY() && target->x() < visible.midX() &&
                target->y() < visible.midY())
        << "not the top-left corner's region: " << toString(*target).toStdString();
    EXPECT_TRUE(session.waitFor([&] { return onGrid(session.wmFrame(term.window), *target, rig.ws.sizeHints(term.window)); }))
        << "xterm at " << describe(session.wmFrame(term.window)).toStdString() << ", its region " << toString(*target).toStdString();
    EXPECT_TRUE(rig.notices.isEmpty()) << rig.notices.join(u" | "_qs).toStdString();
}

// Managers that tile a window dropped at a screen corner or edge on their own (xfwm4's tile on
// move, metacity's edge tiling) act on the same release as the program's corner drop: the
// program's region wins, or where the manager keeps its own (metacity holds its half-screen
// tile, maximized vertically, against every request), the notice says truly that the manager
// keeps it in its tile.
TEST(WindowManagerHabitsX11, ACornerDropEndsInTheCornersRegionOrIsToldTruly)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (!session.titleBars())
        GTEST_SKIP() << "no title bars to drag under " << session.windowManager().toStdString();
    if (session.windowManager() == QLatin1String("fluxbox"))
        GTEST_SKIP() << "fluxbox takes a window dragged into the screen's corner to another workspace";
    dropIntoTopLeftCorner(session, session.windowManager() == QLatin1String("metacity"));
}

// KWin quick-tiles a window dropped at a screen corner into its own quarter and then holds it
// there against every move and resize: the program takes it out of KWin's tile.
TEST(WindowManagerHabitsX11, UnderKwinACornerDropThatKwinTilesEndsInTheCornersRegion)
{
    if (const auto why = XSession::outsideMatrixSkip(u"kwin_x11"_qs))
        GTEST_SKIP() << *why;
    XSession session({.windowManagerName = u"kwin"_qs});
    ASSERT_TRUE(session.ok()) << session.error();
    dropIntoTopLeftCorner(session, false);
}

// awesome (its stock rc.lua: floating windows with title bars) applies a client's configure
// request only once it has handled the events of that turn, after it passed on the requests
// of windows it does not manage: the focused xterm is placed by the place key's picker and by a
// drag onto the picker all the same, with no notice, and never left maximized (awesome takes
// no maximized state away through _NET_WM_STATE).
TEST(WindowManagerHabitsX11, UnderAwesomeTheXtermIsPlacedByTheKeysPickerAndByADragAndNeverMaximized)
{
    if (const auto why = XSession::outsideMatrixSkip(u"awesome"_qs))
        GTEST_SKIP() << *why;
    XSession session({.windowManagerName = u"awesome"_qs});
    ASSERT_TRUE(session.ok()) << session.error();
    ASSERT_TRUE(session.titleBars()) << "awesome's stock rc.lua draws no title bars here";
    test::XtermDrag drag;
    ASSERT_TRUE(drag.start(session, u"awesome"_qs, {"-geometry", "80x24+500+400"}));
    auto [term, rig, screen, visible] = drag.parts();
    const auto maximized = [&] {
        return session.atomNames(term.window, "_NET_WM_STATE").filter(u"_NET_WM_STATE_MAXIMIZED"_qs).size();
    };
    // The focus follows the pointer: onto the xterm.
    const auto start = session.wmFrame(term.window);
    ASSERT_TRUE(start);
    session.warpPointer(int(start->midX()), int(start->midY()));
    ASSERT_TRUE(session.waitFor([&] {
        const auto focused = rig.access.focusedWindow();
        return focused && focused->element == term.window;
    })) << "the xterm never had the focus";

    placeFocusedThroughPicker(rig, session, term.window, *screen);
    EXPECT_EQ(maximized(), 0) << "maximized at " << describe(session.wmFrame(term.window)).toStdString();

    // By its title bar to the top centre, over "Halves" region 0, and let go.
    ASSERT_TRUE(test::pressTitleBar(session, term.window));
    ASSERT_TRUE(session.waitFor([&] { return rig.monitor->candidate().has_value(); })) << "the press was not followed";
    test::glideTo(session, {visible.midX(), visible.minY() + 6}, 24);
    ASSERT_TRUE(session.waitFor([&] { return rig.overlay.picker && rig.overlay.pickerView; }))
        << "no picker; xterm at " << describe(session.wmFrame(term.window)).toStdString();
    const PickerGeometry& geometry = rig.overlay.pickerView->geometry();
    const Rect panel = pickerFrame(visible, geometry.width, geometry.height);
    const Rect button = geometry.cards.front().regions.at(0);
    test::glideTo(session, {panel.minX() + button.midX(), panel.minY() + button.midY()}, 6);
    ASSERT_TRUE(session.waitFor([&] { return rig.overlay.pickerView && rig.state.picker.selection == SnapSelection{0, 0}; }))
        << "the pointer is not over Halves region 0";
    session.releaseButton(1);
    const Rect target = regionFrames(SnapLayout::builtIns().front(), *screen).at(0);
    EXPECT_TRUE(session.waitFor([&] {
        return onGrid(session.wmFrame(term.window), target, rig.ws.sizeHints(term.window)) && !rig.state.interaction.mutating;
    }, 10000)) << "xterm at " << describe(session.wmFrame(term.window)).toStdString() << ", region "
               << toString(target).toStdString() << "; notices: " << rig.notices.join(u" | "_qs).toStdString();
    EXPECT_EQ(maximized(), 0) << "maximized at " << describe(session.wmFrame(term.window)).toStdString();
    EXPECT_TRUE(rig.notices.isEmpty()) << rig.notices.join(u" | "_qs).toStdString();
}

// In awesome's tiling layout (set through awesome-client as its Mod4+Space does) the tile holds the
// xterm against every request, and awesome takes no maximized state away through _NET_WM_STATE:
// the placement is told as failed, the xterm left in its tile and not maximized on the way.
TEST(WindowManagerHabitsX11, UnderAwesomesTilingAPlacementIsToldAsFailedAndLeavesNothingMaximized)
{
    if (const auto why = XSession::outsideMatrixSkip(u"awesome"_qs))
        GTEST_SKIP() << *why;
    XSession session({.windowManagerName = u"awesome"_qs});
    ASSERT_TRUE(session.ok()) << session.error();
    auto term = session.startXterm(u"tiled"_qs, {"-geometry", "80x24+500+400"});
    ASSERT_TRUE(term.window) << session.error();
    ASSERT_EQ(session.run({u"awesome-client"_qs, u"local l = require('awful.layout') l.set(l.suit.tile)"_qs}), 0);
    std::optional<Rect> tiled;
    ASSERT_TRUE(session.waitFor([&] {
        tiled = session.wmFrame(term.window);
        return tiled && tiled->width() > 1800;
    })) << "not tiled: xterm at " << describe(session.wmFrame(term.window)).toStdString();

    SessionApp app(session);
    CoordinatorRig rig(session);
    const ScreenInfo screen = rig.screens.screens().front();
    const auto done = rig.placeWindow(term.window, RegionNumber(0), SnapLayout::builtIns().front(), screen);
    ASSERT_TRUE(session.waitFor([&] { return done->has_value() && !rig.state.interaction.mutating; }, 10000))
        << "placement did not end";
    EXPECT_FALSE(**done) << "placed; xterm at " << describe(session.wmFrame(term.window)).toStdString();
    EXPECT_EQ(rig.notices.join(u" | "_qs).toStdString(), "XTerm did not keep the region’s size. Its prior frame was restored.");
    // Whatever awesome was asked arrives within its next turns.
    ASSERT_TRUE(session.syncWithWindowManager() && session.syncWithWindowManager());
    EXPECT_TRUE(session.atomNames(term.window, "_NET_WM_STATE").filter(u"_NET_WM_STATE_MAXIMIZED"_qs).isEmpty())
        << "maximized at " << describe(session.wmFrame(term.window)).toStdString();
    EXPECT_EQ(session.wmFrame(term.window), tiled);
}

TEST(WindowManagerHabitsX11, UnderDwmWhichAddsTheMonitorsOriginPlacementsOnTheSecondMonitorLand)
{
    if (const auto why = XSession::outsideMatrixSkip(u"dwm"_qs))
        GTEST_SKIP() << *why;
    XSession session({.width = 3200, .height = 1080, .windowManagerName = u"dwm"_qs, .twoMonitors = true});
    ASSERT_TRUE(session.ok()) << session.error();
    // Alt+period: dwm's next monitor, the right one, takes the new windows; Alt+F floats its
    // windows (keys of the server's default keymap).
    const auto chord = [&](std::uint8_t key) {
        test::pressKey(session, test::kAltKeycode, true);
        test::pressKey(session, key, true);
        test::pressKey(session, key, false);
        test::pressKey(session, test::kAltKeycode, false);
        return session.syncWithWindowManager();
    };
    constexpr std::uint8_t kPeriod = 60, kF = 41;
    ASSERT_TRUE(chord(kPeriod) && chord(kF));
    auto term = session.startXterm(u"dwm"_qs, {"-geometry", "80x24+2000+300"});
    ASSERT_TRUE(term.window) << session.error();
    const auto start = session.wmFrame(term.window);
    ASSERT_TRUE(start && start->x() >= 1920) << "not on the right monitor: " << describe(start).toStdString();

    SessionApp app(session);
    CoordinatorRig rig(session);
    const auto right = rig.screenOf(Rect(1920, 0, 1280, 1024));
    ASSERT_TRUE(right && right->frame.origin == (Point{1920, 0}));
    placeAroundAndBack(rig, session, term.window, *right);
}

} // namespace
} // namespace fw
