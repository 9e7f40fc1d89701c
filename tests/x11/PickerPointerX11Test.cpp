// The program on a real server, driven as a hand drives it. The picker opened by the "place" key
// follows the pointer without a button held (a hovered region lights, its preview shows and
// goes when the pointer leaves every region), keys and pointer take the selection in turn, and
// Return places the focused window in the region last chosen. The layout editor opened from the
// tray menu while a stack wears its badge opens its apps menu on every click.
#include "layout/ScreenGeometry.h"
#include "layout/SnapLayout.h"
#include "platform/x11/X11WindowSystem.h"
#include "snap/PickerGeometry.h"
#include "windows/FrameMatch.h"
#include "x11/DragSteps.h"
#include "x11/FakeKeys.h"
#include "x11/ProgramSession.h"
#include "x11/XSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace fw {
namespace {

using namespace test;

TEST(PickerPointerX11, HoverThenReturnPlacesTheWindowInTheHoveredRegion)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto term = session.startXterm(u"place me"_qs, {u"-geometry"_qs, u"80x24+300+500"_qs});
    ASSERT_TRUE(term.window) << session.error();
    ASSERT_TRUE(session.activate(term.window)) << "xterm never became active";
    ASSERT_TRUE(openedBefore(session));
    const pid_t program = session.spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(program) << session.error();
    ASSERT_TRUE(session.waitFor([&] { return programLog(session).contains(u"Framewell started"_qs); }, kProgramStartMs))
        << programLog(session).toStdString();

    // The work area, less a window manager's own panel (icewm's, fluxbox's).
    const Rect full(0, 0, 1920, 1080);
    session.waitFor([&] { return session.workArea().has_value(); }, 2000);
    const ScreenInfo screen{u"S"_qs, u"S"_qs, full, session.workArea().value_or(full), true};
    const Rect visible = topLeftVisibleFrame(screen);
    const PickerGeometry geometry = PickerGeometry::make(SnapLayout::builtIns(), false, pickerWidth(visible));
    const Rect panel = pickerFrame(visible, geometry.width, geometry.height);
    const SnapLayout& columns = SnapLayout::builtIns().at(1);
    ASSERT_EQ(columns.id, u"thirds"_qs);
    const auto columnFrames = regionFrames(columns, screen);
    auto buttonCentre = [&](RegionNumber region) {
        const Rect b = geometry.cards.at(1).regions.at(region);
        return Point{panel.minX() + b.midX(), panel.minY() + b.midY()};
    };

    // The pointer rests away from the picker while it opens: nothing is chosen yet.
    session.warpPointer(int(visible.midX()), int(visible.maxY()) - 100);
    chord(session, {ControlL, AltL, LetterP});
    ASSERT_TRUE(session.waitFor([&] {
        return programPanelAt(session, panel) && wmClass(session, session.inputFocus()).contains("framewell");
    }, 10000)) << "no picker holding the keyboard at " << toString(panel).toStdString() << "; shown: "
               << programPanels(session) << "\n" << programLog(session).toStdString();

    // Onto the third column of "Three columns", without a button: its preview shows.
    glideTo(session, buttonCentre(2), 12);
    ASSERT_TRUE(session.waitFor([&] { return programPanelAt(session, columnFrames.at(2)); }))
        << "no preview of the hovered region; shown: " << programPanels(session);
    // Up on the keys takes the selection to the middle column…
    chord(session, {ArrowUp});
    ASSERT_TRUE(session.waitFor([&] {
        return programPanelAt(session, columnFrames.at(1)) && !programPanelAt(session, columnFrames.at(2));
    })) << "the keys did not move the selection; shown: " << programPanels(session);
    // …off every region (the title line) the preview goes…
    glideTo(session, {panel.minX() + 60, panel.minY() + 20}, 8);
    ASSERT_TRUE(session.waitFor([&] {
        return !programPanelAt(session, columnFrames.at(1)) && !programPanelAt(session, columnFrames.at(2));
    })) << "a preview stayed with the pointer off every region; shown: " << programPanels(session);
    // …and back on the third column the pointer has the last word.
    glideTo(session, buttonCentre(2), 8);
    ASSERT_TRUE(session.waitFor([&] { return programPanelAt(session, columnFrames.at(2)); }))
        << "no preview of the hovered region; shown: " << programPanels(session);

    chord(session, {Return});
    X11WindowSystem ws(session.display());
    const auto hints = ws.sizeHints(term.window);
    ASSERT_TRUE(hints);
    EXPECT_TRUE(session.waitFor([&] {
        const auto frame = ws.frame(term.window);
        return frame && arrivedAt(*frame, columnFrames.at(2), hints->increment, 1.0);
    }, 10000)) << "xterm at " << toString(ws.frame(term.window).value_or(Rect())).toStdString() << ", hovered "
               << toString(columnFrames.at(2)).toStdString() << "\n" << programLog(session).toStdString();
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0));
}

// Our window with a title starting so, or XCB_NONE.
xcb_window_t programWindowTitled(XSession& s, const QString& start)
{
    for (xcb_window_t w : programWindows(s)) {
        if (s.windowTitle(w).startsWith(start))
            return w;
    }
    return XCB_NONE;
}

// Tells when another client starts a keyboard grab, as a popup menu does some time after it
// shows: the window with the focus (or the root, when the focus follows the pointer's root or is
// nowhere) is sent FocusOut in grab mode. Every window there is now is watched, as the focus may
// move with the pointer before the grab. A connection of its own: the session's waits drop events.
class KeyboardGrabWatch {
public:
    explicit KeyboardGrabWatch(XSession& s) : c_(xcb_connect(s.display().constData(), nullptr))
    {
        if (xcb_connection_has_error(c_))
            return;
        watch(xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root);
        std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));   // selected before any grab
    }
    ~KeyboardGrabWatch() { xcb_disconnect(c_); }
    KeyboardGrabWatch(const KeyboardGrabWatch&) = delete;
    KeyboardGrabWatch& operator=(const KeyboardGrabWatch&) = delete;

    bool grabbed()
    {
        while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
            const auto type = e->response_type & 0x7f;
            if ((type == XCB_FOCUS_OUT || type == XCB_FOCUS_IN)
                && reinterpret_cast<xcb_focus_in_event_t*>(e)->mode == XCB_NOTIFY_MODE_GRAB)
                grabbed_ = true;
            std::free(e);
        }
        return grabbed_;
    }

private:
    void watch(xcb_window_t window)
    {
        const std::uint32_t mask = XCB_EVENT_MASK_FOCUS_CHANGE;
        xcb_change_window_attributes(c_, window, XCB_CW_EVENT_MASK, &mask);
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c_, xcb_query_tree(c_, window), nullptr);
        if (!tree)
            return;
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i)
            watch(children[i]);
        std::free(tree);
    }

    xcb_connection_t* c_;
    bool grabbed_ = false;
};

TEST(PickerPointerX11, TheEditorFromTheTrayOpensItsAppsMenuOnEveryClickBesideAStack)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    ASSERT_TRUE(startTrayHost(session)) << "trayer did not start: " << session.error();
    // Two windows in one slot: a stack, whose badge shows on the front one's title bar.
    auto back = session.startTestClient(u"stacked back"_qs, {u"--size"_qs, u"900x600"_qs, u"--position"_qs, u"200,150"_qs});
    auto front = session.startTestClient(u"stacked front"_qs, {u"--size"_qs, u"900x600"_qs, u"--position"_qs, u"200,150"_qs});
    ASSERT_TRUE(back.window && front.window) << session.error();
    X11WindowSystem ws(session.display());
    ws.setWriteTimeout(5000);
    const auto slot = ws.frame(front.window);
    ASSERT_TRUE(slot && ws.setFrame(back.window, *slot));
    ASSERT_TRUE(openedBefore(session));
    const pid_t program = session.spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(program) << session.error();
    ASSERT_TRUE(session.waitFor([&] { return trayIconEmbedded(session); }, 10000))
        << "no tray icon\n" << programLog(session).toStdString();
    ASSERT_TRUE(session.waitFor([&] { return programWindowShown(session, u"Framewell stack badge"_qs); }, 10000))
        << "no stack badge; shown: " << programPanels(session) << "\n" << programLog(session).toStdString();

    // The tray menu: Switch Layout, then Create Custom Layout… in it. Clicked once the tray
    // icon has settled.
    const auto icon = settledTrayIcon(session);
    ASSERT_TRUE(icon) << "the tray icon did not settle on the screen";
    const auto beforeMenu = programWindows(session);
    KeyboardGrabWatch menuGrab(session);
    session.warpPointer(int(icon->midX()), int(icon->midY()));
    session.pressButton(1);
    session.releaseButton(1);
    // A new window of ours hanging from the top, where the icon is (not a notice at the bottom).
    ASSERT_TRUE(session.waitFor([&] {
        for (xcb_window_t w : programWindows(session)) {
            const auto at = contentRect(session, w);
            if (std::find(beforeMenu.begin(), beforeMenu.end(), w) == beforeMenu.end() && at
                && at->minY() < icon->maxY() + 40)
                return true;
        }
        return false;
    }, 10000)) << "no tray menu; shown: " << programPanels(session);
    // Down to Switch Layout (the sixth item with the stack items enabled), into it, and its
    // first item, once the menu has taken the keyboard (a moment after it shows).
    ASSERT_TRUE(session.waitFor([&] { return menuGrab.grabbed(); }, 10000))
        << "the tray menu never took the keyboard; shown: " << programPanels(session);
    for (int i = 0; i < 6; ++i)
        chord(session, {ArrowDown});
    chord(session, {ArrowRight});
    chord(session, {Return});
    xcb_window_t editor = XCB_NONE;
    ASSERT_TRUE(session.waitFor(
        [&] { return (editor = programWindowTitled(session, u"Create Custom Layout"_qs)) != XCB_NONE; }, 10000))
        << "no editor from the tray menu; shown: " << programPanels(session) << "\n" << programLog(session).toStdString();
    ASSERT_TRUE(session.waitFor([&] { return session.topLevelOf(session.inputFocus()) == session.topLevelOf(editor); }))
        << "the editor never took the keyboard";
    // Where it settles: a window manager without title bars (evilwm) shows it first where a
    // title bar was allowed for, and it is placed again once its frame is known.
    std::optional<Rect> content;
    ASSERT_TRUE(session.waitFor([&] {
        const auto before = contentRect(session, editor);
        session.waitFor([] { return false; }, 500);
        content = contentRect(session, editor);
        return content && content == before;
    }, 10000)) << "the editor did not hold still";

    // The apps button (176, 445, 300 × 28 in the window), clicked ten times: each click opens
    // its menu, which drops from the button and stays until Escape closes it (the stack's
    // refresh, which the menu's showing sets off, comes within a few tenths of a second).
    for (int click = 0; click < 10; ++click) {
        // Read again each time: a loaded window manager may place the editor once more late.
        content = contentRect(session, editor);
        ASSERT_TRUE(content) << "the editor went away";
        const Rect button(content->x() + 176, content->y() + 445, 300, 28);
        const auto shownBefore = programWindows(session);
        glideTo(session, {button.midX() + (click % 3) * 10, button.midY()}, 4);
        session.pressButton(1);
        session.releaseButton(1);
        xcb_window_t menu = XCB_NONE;
        ASSERT_TRUE(session.waitFor([&] {
            for (xcb_window_t w : programWindows(session)) {
                const auto at = contentRect(session, w);
                if (std::find(shownBefore.begin(), shownBefore.end(), w) == shownBefore.end() && at
                    && std::abs(at->minY() - button.maxY()) < 40 && at->minX() < button.maxX()
                    && at->maxX() > button.minX())
                    menu = w;
            }
            return menu != XCB_NONE;
        })) << "click " << click + 1 << " opened no menu; shown: " << programPanels(session);
        EXPECT_FALSE(session.waitFor([&] { return !session.isViewable(menu); }, 1000))
            << "click " << click + 1 << ": the menu closed by itself";
        chord(session, {Escape});
        EXPECT_TRUE(session.waitFor([&] { return !session.isViewable(menu); })) << "click " << click + 1 << ": the menu stayed";
        ASSERT_TRUE(session.isViewable(editor)) << "Escape on the menu closed the editor (click " << click + 1 << ")";
    }
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0));
}

} // namespace
} // namespace fw
