// The program on a high-density desktop: Xft.dpi 144 (150 %) or 192 (200 %) set before it
// starts, as GNOME and KDE do, and two monitors side by side. A title-bar drag of an xterm to
// the right monitor's top centre shows the picker there and places the xterm in the region
// hovered; the place key on the focused xterm shows the picker on the xterm's monitor, and
// Return places it in that monitor's left half. Under the matrix's other window managers at
// 200 % only: the manager, started before the density is set, moves, frames and focuses the same
// xterm at both, and what 150 % adds, our rounding at a fractional scale, runs under openbox.
#include "layout/SnapLayout.h"
#include "platform/x11/X11WindowSystem.h"
#include "snap/AppliedLayouts.h"
#include "snap/PickerGeometry.h"
#include "windows/WindowAccess.h"
#include "x11/DragSteps.h"
#include "x11/FakeKeys.h"
#include "x11/ProgramSession.h"
#include "x11/XSession.h"


#include <gtest/gtest.h>

namespace fw {
namespace {

using namespace test;

class ProgramDensityX11 : public ::testing::TestWithParam<int> {};

// Our panel hanging at the top of the monitor, as wide as a picker is.
std::optional<Rect> pickerOn(XSession& s, const Rect& monitor)
{
    for (xcb_window_t w : programWindows(s)) {
        const auto r = contentRect(s, w);
        if (r && monitor.contains(r->origin) && r->minY() - monitor.minY() < 40 && r->width() > 400)
            return r;
    }
    return std::nullopt;
}

// Our panel over a region (a preview, an assist panel). Panels are sized in whole logical
// pixels, so at 150 % an edge may be a device pixel off; the bottom may differ more (window
// managers keep their own bars).
bool panelOver(XSession& s, const Rect& region)
{
    for (xcb_window_t w : programWindows(s)) {
        const auto r = contentRect(s, w);
        if (r && std::abs(r->minX() - region.minX()) <= 1 && std::abs(r->minY() - region.minY()) <= 1
            && std::abs(r->maxX() - region.maxX()) <= 1)
            return true;
    }
    return false;
}

TEST_P(ProgramDensityX11, PickerAndPlacementKeepToTheMonitorOfTheWindow)
{
    const int dpi = GetParam();
    if (const auto why = XSession::defaultRunOnlySkip("at 150 % only our rounding differs from 200 %, which runs under "
                                                      "every window manager");
        why && dpi != 192)
        GTEST_SKIP() << *why;
    const double ratio = dpi / 96.0;
    XSession session({3200, 1080, true, false});
    ASSERT_TRUE(session.ok()) << session.error();
    if (!session.titleBars())
        GTEST_SKIP() << "no title bars to drag under " << session.windowManager().toStdString();
    ASSERT_TRUE(session.splitIntoTwoMonitors()) << session.error();
    ASSERT_TRUE(session.mergeResources("Xft.dpi: " + QByteArray::number(dpi) + "\n"));

    // Another window on the right monitor: snap assist offers it once the xterm is placed,
    // which tells that the placement is done.
    auto other = session.startTestClient(u"offered"_qs, {"--size", "400x300", "--position", "2700,650"});
    auto term = session.startXterm(u"dense"_qs, {u"-geometry"_qs, u"40x12+2100+300"_qs});
    ASSERT_TRUE(other.window && term.window) << session.error();
    ASSERT_TRUE(session.activate(term.window));
    // With its diagnostics: a drag that opens no picker leaves the drag's states behind.
    ASSERT_TRUE(startProgram(session, {}, {u"--diagnostics"_qs})) << session.error() << programLog(session).toStdString();

    const Rect monitor(1920, 0, 1280, 1024);
    const ScreenInfo right{u"RIGHT"_qs, u"RIGHT"_qs, monitor, monitor, false};
    const auto halves = regionFrames(SnapLayout::builtIns().front(), right);
    X11WindowSystem ws(session.display());
    const Size cell = ws.sizeHints(term.window).value_or(SizeHints{}).increment;
    const auto placedIn = [&](const Rect& target) {
        const auto f = session.wmFrame(term.window);
        return f && sitsIn(*f, target, cell, 2);
    };
    const auto where = [&] {
        const auto f = session.wmFrame(term.window);
        return (f ? toString(*f).toStdString() : std::string("?")) + "; panels: " + programPanels(session);
    };

    // The drag: the picker hangs at the right monitor's top centre, 12 logical pixels down.
    ASSERT_TRUE(startTitleBarDrag(session, term.window));
    glideTo(session, {monitor.midX(), monitor.minY() + 6}, 24);
    std::optional<Rect> panel;
    if (!session.waitFor([&] { return bool(panel = pickerOn(session, monitor)); })) {
        session.releaseButton(1);   // the drag ends, and the program writes what it saw of it
        QFile state(session.directory() + u"/runtime/framewell/Framewell-drag-state.json"_qs);
        session.waitFor([&] { return state.exists(); }, 2000);
        state.open(QIODevice::ReadOnly);
        FAIL() << "no picker: " << where() << "\n" << programLog(session).toStdString() << "\ndrag state: "
               << state.readAll().toStdString();
    }
    EXPECT_NEAR(panel->midX(), monitor.midX(), 2);
    EXPECT_NEAR(panel->minY(), 12 * ratio, 2);
    // Over the first card's right half, laid out in the panel's logical pixels: its preview,
    // and the release places the xterm there.
    const PickerGeometry geometry = PickerGeometry::make(SnapLayout::builtIns(), false, panel->width() / ratio);
    const Rect button = geometry.cards.front().regions.at(1);
    glideTo(session, {panel->minX() + button.midX() * ratio, panel->minY() + button.midY() * ratio}, 6);
    ASSERT_TRUE(session.waitFor([&] { return panelOver(session, halves.at(1)); })) << where();
    session.releaseButton(1);
    ASSERT_TRUE(session.waitFor([&] { return placedIn(halves.at(1)) && panelOver(session, halves.at(0)); }, 10000))
        << where();

    // The place key: the picker on the xterm's monitor, whatever monitor the pointer is on,
    // and Return puts the xterm in that monitor's left half.
    session.warpPointer(int(halves.at(1).midX()), int(halves.at(1).midY()));
    session.pressButton(1);
    session.releaseButton(1);
    ASSERT_TRUE(session.waitFor([&] { return session.activeWindow() == term.window && !panelOver(session, halves.at(0)); }))
        << where();
    session.warpPointer(600, 600);
    chord(session, {ControlL, AltL, LetterP});
    ASSERT_TRUE(session.waitFor([&] { return bool(panel = pickerOn(session, monitor)); })) << where();
    EXPECT_NEAR(panel->midX(), monitor.midX(), 2);
    ASSERT_TRUE(session.waitFor([&] { return wmClass(session, session.inputFocus()).contains("framewell"); }))
        << "the picker did not take the keyboard";
    chord(session, {Return});
    EXPECT_TRUE(session.waitFor([&] { return placedIn(halves.at(0)) && panelOver(session, halves.at(1)); }, 10000))
        << where() << "\n" << programLog(session).toStdString();
}

INSTANTIATE_TEST_SUITE_P(XftDpi, ProgramDensityX11, ::testing::Values(144, 192));

} // namespace
} // namespace fw
