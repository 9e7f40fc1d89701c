// The program as a user starts it, on a real server (Xvfb, openbox, trayer as the tray host,
// two monitors), with its own HOME and XDG directories: its icon is embedded in the tray; a
// title-bar drag of an xterm to the right monitor's top centre and a release over a region
// places it; a window opened over it makes a stack that wears our badge until it closes; the
// "place" key on the focused xterm opens the picker, Return places the xterm, and Escape then
// ends snap assist without moving it; a second copy ends with status 0 and the first one opens
// its Getting Started window; SIGTERM ends it with status 0 and leaves no grab behind.
#include "layout/ScreenGeometry.h"
#include "layout/SnapLayout.h"
#include "snap/AppliedLayouts.h"
#include "platform/x11/X11WindowSystem.h"
#include "snap/PickerGeometry.h"
#include "x11/DragSteps.h"
#include "x11/FakeKeys.h"
#include "x11/ProgramSession.h"
#include "x11/XSession.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <csignal>

#ifndef FW_FRAMEWELL_PATH
#define FW_FRAMEWELL_PATH "framewell"
#endif

namespace fw {
namespace {

using test::XSession;
using namespace test;

// Whether another client may grab the combination on the root window now.
bool keyFree(XSession& s, xcb_keysym_t sym, std::uint16_t mods)
{
    xcb_connection_t* c = s.connection();
    const xcb_keycode_t code = keycode(s, sym);
    xcb_generic_error_t* error = xcb_request_check(
        c, xcb_grab_key_checked(c, 1, s.root(), mods, code, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    const bool free_ = !error;
    ::free(error);
    xcb_ungrab_key(c, code, s.root(), mods);
    xcb_flush(c);
    return free_;
}

TEST(ProgramX11, StartsInTheTrayPlacesWindowsRefusesASecondCopyAndEndsCleanly)
{
    XSession session({3200, 1080, true, false});
    ASSERT_TRUE(session.ok()) << session.error();
    ASSERT_TRUE(session.splitIntoTwoMonitors()) << session.error();
    ASSERT_TRUE(startTrayHost(session)) << "trayer did not start: " << session.error();
    // Another window on the right monitor, which snap assist offers once the xterm is placed.
    auto other = session.startTestClient(u"offered"_qs, {"--size", "400x300", "--position", "2700,650"});
    auto term = session.startXterm(u"place me"_qs, {u"-geometry"_qs, u"80x24+2100+300"_qs});
    ASSERT_TRUE(other.window && term.window) << session.error();
    ASSERT_TRUE(session.waitFor([&] { return session.activeWindow() == term.window; })) << "xterm never became active";

    // A user who has opened the program before: no welcome window at start.
    const QString config = session.directory() + u"/config/framewell"_qs;
    ASSERT_TRUE(QDir().mkpath(config));
    QFile defaults(config + u"/defaults.json"_qs);
    ASSERT_TRUE(defaults.open(QIODevice::WriteOnly));
    defaults.write(R"({"hasOpened": true, "welcomeVideoShown": true, "lastSeenVersion": "0.1.0"})");
    defaults.close();

    const pid_t program = session.spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(program) << session.error();
    ASSERT_TRUE(session.waitFor([&] { return trayIconEmbedded(session); }, 10000))
        << "no tray icon; the program said:\n" << programLog(session).toStdString();
    ASSERT_TRUE(session.waitFor([&] { return programLog(session).contains(u"Framewell started"_qs); }, 10000));

    // A title-bar drag to the top centre of the right monitor: the picker hangs there; over
    // "Halves" region 1 its preview shows, and the release puts the xterm there.
    const ScreenInfo right{u"RIGHT"_qs, u"RIGHT"_qs, Rect(1920, 0, 1280, 1024), Rect(1920, 0, 1280, 1024), false};
    const Rect visible = topLeftVisibleFrame(right);
    const PickerGeometry geometry = PickerGeometry::make(SnapLayout::builtIns(), false, pickerWidth(visible));
    const Rect panel = pickerFrame(visible, geometry.width, geometry.height);
    ASSERT_TRUE(test::pressTitleBar(session, term.window));
    // The monitor reads where the pointer is when it gets to the press: the first steps are
    // small, so that a press it reads late is still on the title bar.
    test::glide(session, 0, -6, 6);
    test::glideTo(session, {visible.midX(), visible.minY() + 6}, 24);
    ASSERT_TRUE(session.waitFor([&] { return programPanelAt(session, panel); }))
        << "no picker at " << toString(panel).toStdString() << "; shown: " << programPanels(session) << "\n"
        << programLog(session).toStdString();
    const Rect button = geometry.cards.front().regions.at(1);
    const Rect halfRight = regionFrames(SnapLayout::builtIns().front(), right).at(1);
    test::glideTo(session, {panel.minX() + button.midX(), panel.minY() + button.midY()}, 6);
    ASSERT_TRUE(session.waitFor([&] { return programPanelAt(session, halfRight); })) << "no preview of region 1";
    session.releaseButton(1);
    auto onGrid = [&](const Rect& target) {
        const auto f = session.wmFrame(term.window);
        return f && f->origin == target.origin && f->width() <= target.width() && target.width() - f->width() < 20
            && f->height() <= target.height() && target.height() - f->height() < 30;
    };
    // Placed and recorded: snap assist offers the other window over the empty left half.
    const Rect halfLeft = regionFrames(SnapLayout::builtIns().front(), right).at(0);
    ASSERT_TRUE(session.waitFor([&] { return onGrid(halfRight) && programPanelAt(session, halfLeft, true); }, 10000))
        << "panels: " << programPanels(session) << "; xterm at " << (session.wmFrame(term.window) ? toString(*session.wmFrame(term.window)).toStdString() : "?")
        << ", asked for " << toString(halfRight).toStdString() << "\n" << programLog(session).toStdString();

    // The place key on the focused xterm, then Return in the picker: the left half of the
    // right monitor, on the xterm's cell grid (the pointer away from the picker, whose hover
    // would choose the region under it).
    // A click in the xterm first: it takes the focus back, and the press ends snap assist.
    session.warpPointer(int(halfRight.midX()), int(halfRight.midY()));
    session.pressButton(1);
    session.releaseButton(1);
    ASSERT_TRUE(session.waitFor([&] { return session.activeWindow() == term.window && !programPanelAt(session, halfLeft, true); }))
        << "panels: " << programPanels(session);

    // A window opened over the placed xterm stacks with it: the stack's badge shows, and goes
    // with the window.
    X11WindowSystem ws(session.display());
    const auto placed = ws.frame(term.window);
    const auto content = contentRect(session, term.window);
    ASSERT_TRUE(placed && content);
    auto mate = session.startTestClient(
        u"stack me"_qs, {u"--size"_qs, u"%1x%2"_qs.arg(content->width()).arg(content->height()), u"--position"_qs,
                         u"%1,%2"_qs.arg(placed->x()).arg(placed->y())});
    ASSERT_TRUE(mate.window) << session.error();
    ASSERT_TRUE(session.waitFor([&] { return ws.frame(mate.window) == placed; }))
        << toString(ws.frame(mate.window).value_or(Rect())).toStdString() << " for " << toString(*placed).toStdString();
    EXPECT_TRUE(session.waitFor([&] { return programWindowShown(session, u"Framewell stack badge"_qs); }, 10000))
        << "panels: " << programPanels(session) << "\n" << programLog(session).toStdString();
    session.terminate(mate.pid);
    EXPECT_TRUE(session.waitFor([&] { return !programWindowShown(session, u"Framewell stack badge"_qs); }, 10000));
    session.warpPointer(int(halfRight.midX()), int(halfRight.midY()));
    session.pressButton(1);
    session.releaseButton(1);
    ASSERT_TRUE(session.waitFor([&] { return session.activeWindow() == term.window; }));
    session.warpPointer(600, 600);
    chord(session, {ControlL, AltL, LetterP});
    ASSERT_TRUE(session.waitFor([&] { return wmClass(session, session.inputFocus()).contains("framewell"); }))
        << "the picker did not take the keyboard";
    chord(session, {Return});
    EXPECT_TRUE(session.waitFor([&] { return onGrid(halfLeft); }, 10000))
        << "xterm at " << (session.wmFrame(term.window) ? toString(*session.wmFrame(term.window)).toStdString() : "?")
        << ", asked for " << toString(halfLeft).toStdString() << "\n" << programLog(session).toStdString();
    // Once placed, snap assist offers the other window over the right half; Escape only ends
    // it: the panels go and the xterm stays where Return put it.
    ASSERT_TRUE(session.waitFor([&] { return programPanelAt(session, halfRight, true); }, 10000))
        << "panels: " << programPanels(session);
    const Rect left = *session.wmFrame(term.window);
    chord(session, {Escape});
    EXPECT_TRUE(session.waitFor([&] { return !programPanelAt(session, halfRight, true); })) << programPanels(session);
    EXPECT_EQ(session.waitForFrameChange(term.window, left, 1000), std::nullopt)
        << "Escape moved the xterm\n" << programLog(session).toStdString();

    // A second copy ends with status 0; the first stays and opens Getting Started.
    const pid_t second = session.spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(second);
    EXPECT_EQ(session.waitForExit(second, 10000), std::optional<int>(0));
    EXPECT_EQ(::kill(program, 0), 0) << "the first copy ended";
    EXPECT_TRUE(session.waitFor([&] { return programWindowShown(session, u"Framewell"_qs); }, 10000))
        << "no Getting Started window";

    // SIGTERM: a clean end, and the keys are free for the next client.
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0)) << programLog(session).toStdString();
    EXPECT_TRUE(keyFree(session, LetterP, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1)) << "Ctrl+Alt+P is still grabbed";
    EXPECT_FALSE(trayIconEmbedded(session));
}

} // namespace
} // namespace fw
