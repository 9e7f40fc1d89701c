// Windows in states that hold their frames, placed on a real server as the place key places
// the focused window (the coordinator's placement into a region of "Four quarters"), under the
// test's window manager: a maximized, a shaded and an off-grid terminal (cells of several
// pixels each way, as the terminal's own size hints state them for its font) and a secondary
// window typed normal but transient for another each land in their quarter, out of those
// states; a maximized window too large for its quarter goes back to its frame and is maximized
// again. A rolled-up terminal counts as on screen (its frame shows, though xfwm4, metacity and
// icewm unmap its client): dragged by its title bar to the top centre it goes through the picker
// into a region, and another dragged onto it swaps with it through the tile menu, each rolled
// out. A window that cannot be placed is refused with its reason:
// a fixed-size one dragged to the picker's place, and by the place key a fixed-size one, a
// dialog and a full-screen terminal. Under KWin, a window held in KWin's own quick tile is let
// go while the event loop runs.
#include "layout/ScreenGeometry.h"
#include "snap/DropLogText.h"
#include "snap/PickerGeometry.h"
#include "snap/PlaceWindow.h"
#include "x11/CoordinatorRig.h"
#include "x11/DragSteps.h"
#include "x11/FakeKeys.h"
#include "x11/XSession.h"

#include <QTimer>
#include <gtest/gtest.h>

#include <cstring>

namespace fw {
namespace {

using test::CoordinatorRig;
using test::SessionApp;
using test::XSession;
using test::glideTo;
using test::pressTitleBar;

xcb_atom_t atom(XSession& s, const char* name)
{
    auto* r = xcb_intern_atom_reply(s.connection(), xcb_intern_atom(s.connection(), 0, std::strlen(name), name), nullptr);
    const xcb_atom_t a = r ? r->atom : XCB_NONE;
    free(r);
    return a;
}

// Asks the window manager to put a client into one or two states, as a pager does.
void addStates(XSession& s, xcb_window_t client, const char* first, const char* second = nullptr)
{
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = client;
    ev.type = atom(s, "_NET_WM_STATE");
    ev.data.data32[0] = 1;   // add
    ev.data.data32[1] = atom(s, first);
    ev.data.data32[2] = second ? atom(s, second) : XCB_NONE;
    ev.data.data32[3] = 2;   // from a pager
    xcb_send_event(s.connection(), 0, s.root(), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ev));
    xcb_flush(s.connection());
}

bool supported(XSession& s, const char* state)
{
    return s.atomNames(s.root(), "_NET_SUPPORTED").contains(QLatin1String(state));
}

bool hasState(XSession& s, xcb_window_t client, const char* state)
{
    return s.atomNames(client, "_NET_WM_STATE").contains(QLatin1String(state));
}

// Puts a client into one or two states and waits until the window manager states the first.
// pekwm can go to sleep on its connection with requests it has already read into its queue, and
// handles them only once something more reaches it: after a request comes a round trip to the
// manager, and while the state does not show the request is asked again, each time something
// new for it to wake on. Adding a state it holds changes nothing.
testing::AssertionResult enterStates(XSession& s, xcb_window_t client, const char* first, const char* second = nullptr)
{
    const auto held = [&] { return hasState(s, client, first); };
    for (int ask = 0; ask < 3; ++ask) {
        addStates(s, client, first, second);
        if (s.syncWithWindowManager() && s.waitFor(held, 1000))
            return testing::AssertionSuccess();
        if (held())
            return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "window " << client << " holds " << s.atomNames(client, "_NET_WM_STATE").join(u" "_qs).toStdString()
                                       << ", not " << first;
}

// The states that hold a frame, as the window manager states them now.
QStringList holdingStates(XSession& s, xcb_window_t client)
{
    QStringList out;
    for (const QString& name : s.atomNames(client, "_NET_WM_STATE")) {
        if (name.contains(u"MAXIMIZED"_qs) || name.endsWith(u"_SHADED"_qs) || name.endsWith(u"_HIDDEN"_qs))
            out << name;
    }
    return out;
}

std::string frameText(const std::optional<Rect>& f)
{
    return f ? toString(*f).toStdString() : "nowhere";
}

const SnapLayout& quarters()
{
    for (const SnapLayout& l : SnapLayout::builtIns()) {
        if (l.id == u"quarters"_qs)
            return l;
    }
    return SnapLayout::builtIns().front();
}

// Focuses the window as the user would before pressing the key, then runs the placement the
// key's picker runs for its region; whether it placed the window.
std::optional<bool> placeFocused(XSession& session, CoordinatorRig& rig, xcb_window_t window, RegionNumber region)
{
    rig.ws.activate(window);
    if (!session.waitFor([&] { return rig.access.focusedWindow() && rig.access.focusedWindow()->element == window; }))
        return std::nullopt;
    const auto done = rig.placeWindow(window, region, quarters(), rig.screens.screens().front());
    session.waitFor([&] { return done->has_value(); }, 15000);
    return *done;
}

TEST(WindowStatesX11, MaximizedShadedAndOffGridTerminalsAreTakenOutOfTheirStatesAndPlaced)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (session.windowManager() == QLatin1String("evilwm"))
        GTEST_SKIP() << "evilwm neither shades windows nor takes a state a window asks for before it is mapped";
    const QStringList font{"-fs", "11"};
    auto maximized = session.startXterm(u"maximized"_qs, font + QStringList{"-geometry", "60x20+100+100"});
    auto shaded = session.startXterm(u"shaded"_qs, font + QStringList{"-geometry", "60x20+300+200"});
    auto offGrid = session.startXterm(u"off grid"_qs, font + QStringList{"-geometry", "60x20+500+300"});
    ASSERT_TRUE(maximized.window && shaded.window && offGrid.window) << session.error();
    auto secondary = session.startTestClient(
        u"secondary"_qs, {"--size", "500x400", "--position", "700,400", "--transient-for", QString::number(offGrid.window)});
    ASSERT_TRUE(secondary.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    // The cells as the terminal states them, read as the platform reads them.
    const auto cells = session.sizeSteps(offGrid.window);
    ASSERT_TRUE(cells && cells->increment.width > 1 && cells->increment.height > 1) << "xterm states no cells";
    const auto hints = rig.ws.sizeHints(offGrid.window);
    ASSERT_TRUE(hints && hints->increment == cells->increment)
        << "cells " << toString(hints ? hints->increment : Size{}).toStdString() << ", stated "
        << toString(cells->increment).toStdString();

    ASSERT_TRUE(enterStates(session, maximized.window, "_NET_WM_STATE_MAXIMIZED_HORZ", "_NET_WM_STATE_MAXIMIZED_VERT"));
    ASSERT_TRUE(enterStates(session, shaded.window, "_NET_WM_STATE_SHADED"));
    // Sized as the client asks, off its grid where the window manager lets it (xfwm4, icewm
    // and fluxbox do).
    const auto before = session.clientSize(offGrid.window);
    const auto offTheGrid = [](int size, double base, double step) {
        return int(size - base) % int(step) == 0 ? size + 1 : size;
    };
    const int width = offTheGrid(400, cells->base.width, cells->increment.width);
    const int height = offTheGrid(300, cells->base.height, cells->increment.height);
    ASSERT_EQ(session.run({u"xdotool"_qs, u"windowsize"_qs, QString::number(offGrid.window), QString::number(width),
                           QString::number(height)}),
              0);
    ASSERT_TRUE(session.waitFor([&] { return session.clientSize(offGrid.window) != before; }));

    const auto regions = regionFrames(quarters(), rig.screens.screens().front());
    const std::vector<std::pair<const char*, xcb_window_t>> windows{
        {"maximized", maximized.window}, {"shaded", shaded.window}, {"off grid", offGrid.window}, {"secondary", secondary.window}};
    for (RegionNumber region = 0; region < RegionNumber(windows.size()); ++region) {
        const auto& [name, window] = windows[std::size_t(region)];
        SCOPED_TRACE(name);
        const auto placed = placeFocused(session, rig, window, region);
        ASSERT_TRUE(placed.has_value()) << "not the focused window, or still placing";
        EXPECT_TRUE(*placed) << rig.notices.join(u" | "_qs).toStdString();
        // Read as the window manager draws it: a shaded window's frame is its title bar.
        const auto frame = session.wmFrame(window);
        const Size grid = rig.ws.sizeHints(window).value_or(SizeHints{}).increment;
        EXPECT_TRUE(frame && sitsIn(*frame, regions.at(region), grid, 1.0))
            << frameText(frame) << " for " << toString(regions.at(region)).toStdString();
        EXPECT_TRUE(holdingStates(session, window).isEmpty()) << holdingStates(session, window).join(u" "_qs).toStdString();
    }
    EXPECT_TRUE(rig.notices.isEmpty()) << rig.notices.join(u" | "_qs).toStdString();
}

TEST(WindowStatesX11, AMaximizedWindowThatCannotTakeItsRegionIsMaximizedAgain)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (session.windowManager() == QLatin1String("evilwm"))
        GTEST_SKIP() << "evilwm does not take a state a window asks for before it is mapped";
    // icewm's taskbar comes up a moment after icewm, and maximized windows shrink to make room.
    ASSERT_TRUE(session.waitFor([&] {
        const auto area = session.workArea();
        return session.windowManager() != u"icewm"_qs || (area && area->height() < 1080);
    }));
    auto big = session.startTestClient(u"too large"_qs, {"--size", "1300x800", "--min", "1300x800", "--maximized"});
    ASSERT_TRUE(big.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    ASSERT_TRUE(session.waitFor([&] { return hasState(session, big.window, "_NET_WM_STATE_MAXIMIZED_VERT"); }));
    ASSERT_TRUE(session.syncWithWindowManager());
    const auto full = session.wmFrame(big.window);

    const auto placed = placeFocused(session, rig, big.window, 0);
    ASSERT_TRUE(placed.has_value());
    EXPECT_FALSE(*placed);
    EXPECT_EQ(rig.notices, QStringList{u"FwTestClient did not keep the region’s size. Its prior frame was restored."_qs});
    EXPECT_TRUE(hasState(session, big.window, "_NET_WM_STATE_MAXIMIZED_VERT")
                && hasState(session, big.window, "_NET_WM_STATE_MAXIMIZED_HORZ"))
        << session.atomNames(big.window, "_NET_WM_STATE").join(u" "_qs).toStdString();
    EXPECT_EQ(session.wmFrame(big.window), full);
}

// Presses on the title bar a rolled-up window shows, above where its client lies (metacity's
// top-level window reaches past it), at least 8 px down, as pekwm moves a window only past 4 px;
// whether the drag monitor followed the press.
testing::AssertionResult pressRolledUp(XSession& session, CoordinatorRig& rig, xcb_window_t client)
{
    const auto at = session.rootPosition(client);
    const auto size = session.clientSize(client);
    const int bar = session.frameExtents(client).value_or(XSession::Extents{}).top;
    if (!at || !size || bar <= 0)
        return testing::AssertionFailure() << "no title bar";
    const Point press{at->x + size->width / 2, at->y - bar + std::max(8, bar / 2)};
    // The server finds the window's frame there, not one of our panels going away (they fade
    // out, and the server unmaps them after we have let them go).
    const xcb_window_t frame = session.topLevelOf(client);
    const auto topAt = [&] {
        xcb_connection_t* c = session.connection();
        auto* r = xcb_translate_coordinates_reply(
            c, xcb_translate_coordinates(c, session.root(), session.root(), std::int16_t(press.x), std::int16_t(press.y)), nullptr);
        const xcb_window_t child = r ? r->child : xcb_window_t(XCB_NONE);
        free(r);
        return child;
    };
    if (!session.waitFor([&] { return !rig.feedback.containsPoint(press) && topAt() == frame; }))
        return testing::AssertionFailure() << "a panel of ours stays over the title bar";
    session.warpPointer(int(press.x), int(press.y));
    session.pressButton(1);
    if (!session.waitFor([&] { return rig.monitor->candidate() && rig.monitor->candidate()->element == client; })) {
        const auto under = rig.access.readWindowUnderPoint(press);
        const auto* refused = under ? std::get_if<RefusedWindow>(&*under) : nullptr;
        return testing::AssertionFailure() << "the press was not followed; under it now " << (under ? windowOf(*under).element : 0)
                                           << (refused ? ", refused: " + refusalNotice(*refused).toStdString() : std::string())
                                           << ", states " << session.atomNames(client, "_NET_WM_STATE").join(u" "_qs).toStdString();
    }
    return testing::AssertionSuccess();
}

TEST(WindowStatesX11, RolledUpWindowsDraggedToThePickerAndOntoAPlacedWindowArePlaced)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (!session.titleBars() || !supported(session, "_NET_WM_STATE_SHADED"))
        GTEST_SKIP() << session.windowManager().toStdString() << " draws no title bars or rolls up no windows";
    const QStringList font{"-fs", "11"};
    auto first = session.startXterm(u"rolled up"_qs, font + QStringList{"-geometry", "60x20+500+400"});
    auto second = session.startXterm(u"rolled up too"_qs, font + QStringList{"-geometry", "60x20+1100+500"});
    ASSERT_TRUE(first.window && second.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    ASSERT_TRUE(rig.startDragMonitor()) << "no XInput 2.2";
    ASSERT_TRUE(enterStates(session, first.window, "_NET_WM_STATE_SHADED"));
    ASSERT_TRUE(enterStates(session, second.window, "_NET_WM_STATE_SHADED"));
    ASSERT_TRUE(session.syncWithWindowManager());

    // On screen by its frame, so a layout taken on its display takes it too.
    const auto listed = rig.ws.windowInfo(first.window);
    EXPECT_TRUE(listed && listed->onScreen) << "client viewable: " << session.isViewable(first.window);
    const auto managed = rig.access.windows();
    EXPECT_NE(std::find_if(managed.begin(), managed.end(), [&](const ManagedWindow& w) { return w.element == first.window; }),
              managed.end());

    // By its title bar to the top centre: the picker; released over "Halves" region 0, there.
    const ScreenInfo screen = rig.screens.screens().front();
    const Rect visible = topLeftVisibleFrame(screen);
    ASSERT_TRUE(pressRolledUp(session, rig, first.window));
    glideTo(session, {visible.midX(), visible.minY() + 6}, 24);
    ASSERT_TRUE(session.waitFor([&] { return rig.overlay.picker && rig.overlay.pickerView; }))
        << "no picker; frame " << frameText(session.wmFrame(first.window));
    const PickerGeometry& geometry = rig.overlay.pickerView->geometry();
    const Rect panel = pickerFrame(visible, geometry.width, geometry.height);
    ASSERT_EQ(rig.overlay.pickerView->layouts().front().name, u"Halves"_qs);
    const Rect button = geometry.cards.front().regions.at(0);
    glideTo(session, {panel.minX() + button.midX(), panel.minY() + button.midY()}, 6);
    ASSERT_TRUE(session.waitFor([&] { return rig.overlay.pickerView && rig.state.picker.selection == SnapSelection{0, 0}; }))
        << "the pointer is not over Halves region 0";
    session.releaseButton(1);

    const auto regions = regionFrames(SnapLayout::builtIns().front(), screen);
    const Size grid = rig.ws.sizeHints(first.window).value_or(SizeHints{}).increment;
    const auto placedIn = [&](xcb_window_t window, RegionNumber region) {
        const auto frame = session.wmFrame(window);
        return frame && sitsIn(*frame, regions.at(region), grid, 1.0) && holdingStates(session, window).isEmpty();
    };
    ASSERT_TRUE(session.waitFor([&] { return placedIn(first.window, 0) && !rig.state.interaction.mutating; }, 15000))
        << frameText(session.wmFrame(first.window)) << " " << holdingStates(session, first.window).join(u" "_qs).toStdString()
        << "; notices: " << rig.notices.join(u" | "_qs).toStdString();

    // The other half offers the other one; once that offer is put away, as a press elsewhere
    // does, it goes onto the placed window: its tile menu; released on the tile that puts it in
    // the region, there.
    const auto offered = [&] {
        const auto& assist = rig.state.assist.assistSession;
        if (!assist)
            return false;
        for (const auto& w : assist->availableWindows())
            if (w.element == second.window)
                return true;
        return false;
    };
    ASSERT_TRUE(session.waitFor(offered)) << "the other half does not offer it";
    rig.coordinator->endInteraction(true);
    ASSERT_TRUE(pressRolledUp(session, rig, second.window));
    const bool armed = test::holdOverTile(session, rig, {regions.at(0).midX(), regions.at(0).midY()}, RegionDropIntent::place(0));
    QStringList tiles;
    if (rig.state.drop.shownMenu)
        for (const auto& i : rig.state.drop.shownMenu->menu.items)
            tiles << dropIntentText(i.intent);
    ASSERT_TRUE(armed) << "no tile menu, or its tile did not arm; frame " << frameText(session.wmFrame(second.window))
                       << "; tiles " << tiles.join(u","_qs).toStdString();
    session.releaseButton(1);
    EXPECT_TRUE(session.waitFor([&] { return placedIn(second.window, 0) && !rig.state.interaction.mutating; }, 15000))
        << frameText(session.wmFrame(second.window)) << " "
        << holdingStates(session, second.window).join(u" "_qs).toStdString();
    EXPECT_TRUE(rig.notices.isEmpty()) << rig.notices.join(u" | "_qs).toStdString();
}

TEST(WindowStatesX11, AWindowThatCannotBePlacedIsRefusedWithItsReasonByDragAndByKey)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto fixed = session.startTestClient(
        u"fixed size"_qs, {"--size", "400x300", "--min", "400x300", "--max", "400x300", "--position", "700,400"});
    ASSERT_TRUE(fixed.window) << session.error();
    auto dialog = session.startTestClient(
        u"dialog"_qs, {"--size", "300x200", "--position", "200,600", "--type", "dialog", "--transient-for",
                       QString::number(fixed.window)});
    auto term = session.startXterm(u"full screen"_qs, {"-geometry", "60x20+100+100"});
    ASSERT_TRUE(dialog.window && term.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    ASSERT_TRUE(rig.startDragMonitor()) << "no XInput 2.2";
    const QString fixedNotice = u"FwTestClient can’t be resized, so it can’t be placed in a region."_qs;

    // Dragged to the top centre: no picker, and the reason is told once.
    if (session.titleBars()) {
        const Rect visible = topLeftVisibleFrame(rig.screens.screens().front());
        ASSERT_TRUE(pressTitleBar(session, fixed.window));
        ASSERT_TRUE(session.waitFor([&] { return rig.monitor->candidate().has_value(); })) << "the press was not followed";
        glideTo(session, {visible.midX(), visible.minY() + 6}, 24);
        EXPECT_TRUE(session.waitFor([&] { return !rig.notices.isEmpty(); }))
            << "nothing told; frame " << frameText(session.wmFrame(fixed.window));
        glideTo(session, {visible.midX() + 20, visible.minY() + 10}, 4);
        session.releaseButton(1);
        EXPECT_TRUE(session.waitFor([&] { return !rig.state.interaction.windowInteraction; }));
        EXPECT_FALSE(rig.overlay.picker);
        EXPECT_EQ(rig.notices, QStringList{fixedNotice});
    }

    // Focused, as the place key finds them: each with its reason, none sent to the drag.
    const auto refusal = [&](xcb_window_t window) -> QString {
        if (!session.activate(window))
            return u"not focused"_qs;
        const auto read = rig.access.readFocusedWindow();
        if (placeable(read))
            return u"taken"_qs;
        return read ? refusalNotice(std::get<RefusedWindow>(*read)) : u"nothing told"_qs;
    };
    EXPECT_EQ(refusal(fixed.window), fixedNotice);
    EXPECT_EQ(refusal(dialog.window), u"This FwTestClient window is a dialog or tool window, so it can’t be placed in a region."_qs);
    if (!supported(session, "_NET_WM_STATE_FULLSCREEN"))
        return;
    ASSERT_TRUE(enterStates(session, term.window, "_NET_WM_STATE_FULLSCREEN"));
    EXPECT_EQ(refusal(term.window), u"XTerm is full screen. Leave full screen to place it in a region."_qs);
}

// KWin quick-tiles a window to the left (its Meta+Left, run as a script of its own) and holds it
// there against every move and resize (it marks the tile with no state). A write that finds it held lets it go by a maximize and
// restore carried on from the window's notices: the write answers at once with the frame held
// and the writes count as pending, the event loop runs on (a timer set before the write fires
// while KWin still holds the window), and then the window lands where it was asked, in no
// maximized state. So it does when KWin answers the write only after the write's wait.
TEST(WindowStatesX11, UnderKwinAWindowHeldInItsTileIsLetGoWhileTheEventLoopRuns)
{
    if (const auto why = XSession::outsideMatrixSkip(u"kwin_x11"_qs))
        GTEST_SKIP() << *why;
    XSession session({.windowManagerName = u"kwin"_qs});
    ASSERT_TRUE(session.ok()) << session.error();
    auto term = session.startXterm(u"held"_qs, {"-geometry", "80x24+500+400"});
    ASSERT_TRUE(term.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    const Rect area = topLeftVisibleFrame(rig.screens.screens().front());
    // The manager's key acts on the window it names active.
    ASSERT_TRUE(session.activate(term.window)) << "the xterm never became the active window";
    ASSERT_TRUE(session.runKwinScript("workspace.slotWindowQuickTileLeft();")) << "KWin runs no script";
    std::optional<Rect> tile;
    ASSERT_TRUE(session.waitFor([&] {
        tile = session.wmFrame(term.window);
        return tile && tile->x() <= area.x() + 2 && tile->y() <= area.y() + 2 && tile->height() > area.height() - 60;
    }, 10000)) << "not tiled: xterm at " << frameText(tile);
    ASSERT_TRUE(session.syncWithWindowManager());
    tile = session.wmFrame(term.window);

    const Rect target(area.midX(), area.midY() - 200, 600, 400);
    const Size grid = rig.ws.sizeHints(term.window).value_or(SizeHints{}).increment;
    const auto landed = [&] {
        const auto f = session.wmFrame(term.window);
        return f && sitsIn(*f, target, grid, 1.0);
    };
    std::optional<bool> landedAtTheTimer;
    QTimer::singleShot(0, [&] { landedAtTheTimer = landed(); });
    const auto answer = rig.ws.setFrameAndRead(term.window, target);
    EXPECT_TRUE(answer && !sitsIn(*answer, target, grid, 1.0)) << "answered " << frameText(answer);
    EXPECT_TRUE(rig.ws.writesPending());
    EXPECT_TRUE(session.waitFor([&] { return landedAtTheTimer && landed() && !rig.ws.writesPending(); }))
        << "xterm at " << frameText(session.wmFrame(term.window)) << " for " << toString(target).toStdString();
    EXPECT_FALSE(landedAtTheTimer.value_or(true)) << "the timer fired only once the window had landed";
    EXPECT_TRUE(holdingStates(session, term.window).isEmpty()) << holdingStates(session, term.window).join(u" "_qs).toStdString();

    // Tiled again and written with waits too short for KWin to answer in them: the write ends
    // before KWin has shown that it holds the window, and the release starts once it has.
    ASSERT_TRUE(session.activate(term.window));
    ASSERT_TRUE(session.runKwinScript("workspace.slotWindowQuickTileLeft();"));
    ASSERT_TRUE(session.waitFor([&] {
        tile = session.wmFrame(term.window);
        return tile && tile->x() <= area.x() + 2 && tile->y() <= area.y() + 2 && tile->height() > area.height() - 60;
    }, 10000)) << "not tiled again: xterm at " << frameText(tile);
    ASSERT_TRUE(session.syncWithWindowManager());
    const Rect again(area.midX() - 400, area.midY() - 100, 500, 300);
    rig.ws.setWriteTimeout(1);
    rig.ws.setFrameAndRead(term.window, again);
    EXPECT_TRUE(session.waitFor([&] {
        const auto f = session.wmFrame(term.window);
        return f && sitsIn(*f, again, grid, 1.0) && !rig.ws.writesPending();
    }, 10000)) << "xterm at " << frameText(session.wmFrame(term.window)) << " for " << toString(again).toStdString();
    EXPECT_TRUE(holdingStates(session, term.window).isEmpty()) << holdingStates(session, term.window).join(u" "_qs).toStdString();
}

} // namespace
} // namespace fw
