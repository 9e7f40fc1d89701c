// The main road on a real server (Xvfb, openbox, two monitors): "place the focused window" on
// an xterm opens the layout picker on the xterm's monitor, a click on "Halves" region 1 puts
// the xterm there on its cell grid, and region assist then offers the other window of that
// monitor, drawn with its application's icon (no capture here). An xterm its window manager
// tiled by its own key goes the same way out of the tile, or is told truly that the manager
// keeps it there. A click on the xterm just placed, while the placement still watches it settle,
// is the user's next step: the xterm stays in its region, recorded there, and snap assist stays
// away.
#include "base/Log.h"
#include "layout/ScreenGeometry.h"
#include "overlay/RegionAssistView.h"
#include "overlay/WindowThumbnailButton.h"
#include "snap/AppliedLayouts.h"
#include "snap/PickerGeometry.h"
#include "x11/CoordinatorRig.h"
#include "x11/FakeKeys.h"
#include "x11/XSession.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <gtest/gtest.h>

#include <algorithm>

namespace fw {
namespace {

using test::CoordinatorRig;
using test::SessionApp;
using test::XSession;

// The icon lookup the program installs, for the duration of a test.
struct IconLookupGuard {
    explicit IconLookupGuard(std::function<std::optional<QIcon>(WindowId)> lookup)
    {
        WindowThumbnailButton::appIconLookup() = std::move(lookup);
    }
    ~IconLookupGuard() { WindowThumbnailButton::appIconLookup() = {}; }
};

// With FRAMEWELL_SHOTS_DIR set, a photograph of the right monitor for review.
void saveShot(const QString& name)
{
    const QString dir = qEnvironmentVariable("FRAMEWELL_SHOTS_DIR");
    if (dir.isEmpty() || !QDir().mkpath(dir))
        return;
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->name() == u"RIGHT"_qs)
            screen->grabWindow(0, 0, 0, screen->geometry().width(), screen->geometry().height()).save(dir + u"/"_qs + name);
    }
}

// Once the place key's picker hangs at the top centre of `screen`'s visible frame, clicks region
// `region` of its first card, "Halves" (with `shot`, photographed first).
testing::AssertionResult clickHalvesRegion(XSession& session, CoordinatorRig& rig, const ScreenInfo& screen, int region,
                                           const QString& shot = {})
{
    if (!rig.overlay.picker || !rig.overlay.pickerView)
        return testing::AssertionFailure() << "no picker";
    const Rect visible = topLeftVisibleFrame(screen);
    const PickerGeometry& geometry = rig.overlay.pickerView->geometry();
    const Rect panel = pickerFrame(visible, geometry.width, geometry.height);
    const auto panelWindow = xcb_window_t(rig.overlay.picker->winId());
    if (!session.waitFor([&] { return session.isViewable(panelWindow) && session.wmFrame(panelWindow) == panel; }))
        return testing::AssertionFailure() << "picker at "
                                           << (session.wmFrame(panelWindow) ? toString(*session.wmFrame(panelWindow)).toStdString() : "nowhere");
    if (!shot.isEmpty())
        saveShot(shot);
    if (rig.overlay.pickerView->layouts().front().name != u"Halves"_qs)
        return testing::AssertionFailure() << "the first card is " << rig.overlay.pickerView->layouts().front().name.toStdString();
    const Rect button = geometry.cards.front().regions.at(region);
    session.warpPointer(int(panel.minX() + button.midX()), int(panel.minY() + button.midY()));
    session.pressButton(1);
    session.releaseButton(1);
    return testing::AssertionSuccess();
}

// Whether the frame sits at the target's corner, short of it by less than a cell each way.
bool onGridIn(const std::optional<Rect>& f, const Rect& target, const SizeHints& hints)
{
    return f && f->origin == target.origin && f->width() <= target.width() &&
           target.width() - f->width() < std::max(1.0, hints.increment.width) && f->height() <= target.height() &&
           target.height() - f->height() < std::max(1.0, hints.increment.height);
}

std::string describe(const std::optional<Rect>& f)
{
    return f ? toString(*f).toStdString() : "nowhere";
}

TEST(PlaceWindowX11, PlacingTheFocusedXtermThroughThePickerThenOffersTheOtherWindow)
{
    XSession session({3200, 1080, true, false});
    ASSERT_TRUE(session.ok()) << session.error();
    ASSERT_TRUE(session.splitIntoTwoMonitors()) << session.error();
    auto other = session.startTestClient(u"offered"_qs, {"--size", "500x400", "--position", "2500,550"});
    auto term = session.startXterm(u"place me"_qs, {"-geometry", "80x24+2000+80"});
    ASSERT_TRUE(other.window && term.window) << session.error();
    ASSERT_TRUE(session.waitFor([&] { return session.activeWindow() == term.window; })) << "xterm never became active";

    SessionApp app(session);
    CoordinatorRig rig(session);
    QPixmap square(32, 32);
    square.fill(Qt::darkCyan);
    IconLookupGuard icons([&](WindowId window) { return window == other.window ? std::optional(QIcon(square)) : std::nullopt; });
    const auto right = rig.screenOf(Rect(1920, 0, 1280, 1024));
    ASSERT_TRUE(right && right->frame == Rect(1920, 0, 1280, 1024));

    // The picker hangs at the top centre of the right monitor; a click on region 1 of "Halves".
    ASSERT_TRUE(rig.placeFocusedWindow());
    ASSERT_TRUE(clickHalvesRegion(session, rig, *right, 1, u"place-picker.png"_qs));

    const Rect target = regionFrames(SnapLayout::builtIns().front(), *right).at(1);
    const auto hints = rig.ws.sizeHints(term.window);
    ASSERT_TRUE(hints && hints->increment.width > 1 && hints->increment.height > 1);
    ASSERT_TRUE(session.waitFor([&] { return onGridIn(session.wmFrame(term.window), target, *hints) && !rig.overlay.assistViews().empty(); },
                                10000))
        << "xterm at " << describe(session.wmFrame(term.window)) << ", asked for " << toString(target).toStdString()
        << "; notices: " << rig.notices.join(u" | "_qs).toStdString();
    EXPECT_TRUE(rig.notices.isEmpty()) << rig.notices.join(u" | "_qs).toStdString();
    const auto& group = rig.coordinator->groups().at(displayKey(*right));
    EXPECT_EQ(group.layout.id, u"halves"_qs);
    EXPECT_EQ(group.windows.at(1).element, term.window);
    // A scan lists it with its cells: the next reconcile keeps it in its region.
    const auto scan = rig.access.managedWindows();
    const auto listed = std::find_if(scan.begin(), scan.end(), [&](const auto& d) { return d.window.element == term.window; });
    ASSERT_NE(listed, scan.end());
    EXPECT_EQ(listed->grid, hints->increment);
    rig.coordinator->reconcile(scan);
    EXPECT_EQ(rig.coordinator->groups().at(displayKey(*right)).windows.at(1).element, term.window);

    // Region assist over the empty left half offers the test client, with its icon as no
    // thumbnail was captured.
    ASSERT_EQ(rig.overlay.assistViews().size(), 1u);
    const auto& [open, view] = *rig.overlay.assistViews().begin();
    EXPECT_EQ(open, 0);
    const auto offered = ManagedWindow::make(rig.ws, other.window);
    ASSERT_TRUE(offered);
    ASSERT_EQ(view->choices().size(), 1u);
    const WindowThumbnailButton* tile = view->choices().at(*offered);
    EXPECT_TRUE(tile->appIcon().has_value());
    const Rect left = regionFrames(group.layout, *right).at(0);
    const auto assistWindow = xcb_window_t(rig.overlay.assistPanels().at(0)->winId());
    EXPECT_TRUE(session.waitFor([&] { return session.isViewable(assistWindow) && session.wmFrame(assistWindow) == left; }));
    // Painted: the card covers the black root window there.
    QScreen* screen = QGuiApplication::screenAt(QPoint(int(left.midX()), int(left.midY())));
    ASSERT_NE(screen, nullptr);
    EXPECT_TRUE(session.waitFor([&] {
        const QPoint at = QPoint(int(left.minX() + 40), int(left.minY() + 40)) - screen->geometry().topLeft();
        return screen->grabWindow(0, at.x(), at.y(), 1, 1).toImage().pixelColor(0, 0) != QColor(Qt::black);
    })) << "region assist is not drawn";
    saveShot(u"place-assist.png"_qs);
}

TEST(PlaceWindowX11, AClickOnTheXtermJustPlacedWhileItSettlesLeavesItPlacedAndRecorded)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto other = session.startTestClient(u"offered"_qs, {"--size", "500x400", "--position", "1300,550"});
    auto term = session.startXterm(u"place me"_qs, {"-geometry", "80x24+900+300"});
    ASSERT_TRUE(other.window && term.window) << session.error();
    ASSERT_TRUE(session.activate(term.window)) << "xterm never became active";

    SessionApp app(session);
    CoordinatorRig rig(session);
    ASSERT_TRUE(rig.startDragMonitor()) << "no XInput 2.2";
    const ScreenInfo screen = rig.screens.screens().front();
    const QString display = displayKey(screen);
    const Rect target = regionFrames(SnapLayout::builtIns().front(), screen).at(0);
    const auto hints = rig.ws.sizeHints(term.window);
    ASSERT_TRUE(hints);
    const Rect start = session.wmFrame(term.window).value_or(Rect());
    log::Capture logs(false);
    const auto logText = [&] {
        std::string out;
        for (const LogEntry& e : logs.entries())
            out += e.message.toStdString() + "\n";
        return out;
    };
    const auto moveEnded = [&] {
        return std::any_of(logs.entries().begin(), logs.entries().end(), [](const LogEntry& e) {
            return e.category == LogCategory::Motion && e.message.contains(u" done"_qs);
        });
    };

    // The picker's left half of "Halves"; the pointer then rests over that half, and clicks the
    // xterm as soon as its move has ended: the placement watches it settle for half a second
    // at least, and snap assist comes only after that.
    ASSERT_TRUE(rig.placeFocusedWindow());
    ASSERT_TRUE(clickHalvesRegion(session, rig, screen, 0));
    ASSERT_TRUE(session.waitFor([&] { return rig.state.interaction.mutating; })) << "the choice never began";
    session.warpPointer(int(target.midX()), int(target.midY()));
    ASSERT_TRUE(session.waitFor(moveEnded, 10000))
        << "xterm at " << describe(session.wmFrame(term.window)) << "; notices: " << rig.notices.join(u" | "_qs).toStdString()
        << "\n" << logText();
    ASSERT_TRUE(rig.overlay.assistViews().empty()) << "snap assist came before the click";
    session.pressButton(1);
    session.releaseButton(1);

    // The placement ends as it stands: no window goes back, nothing is said, and snap assist,
    // of the interaction the click ended, never shows.
    ASSERT_TRUE(session.waitFor([&] { return !rig.state.interaction.mutating; }, 10000));
    EXPECT_TRUE(logs.contains(u"Another interaction began while the placement settled: it stands"_qs))
        << "the click did not end the interaction while the placement settled";
    ASSERT_TRUE(session.syncWithWindowManager());
    EXPECT_TRUE(onGridIn(session.wmFrame(term.window), target, *hints))
        << "xterm at " << describe(session.wmFrame(term.window)) << " (it began at " << toString(start).toStdString()
        << "), asked for " << toString(target).toStdString();
    EXPECT_TRUE(rig.notices.isEmpty()) << rig.notices.join(u" | "_qs).toStdString();
    EXPECT_TRUE(rig.overlay.assistViews().empty());
    // Recorded: the xterm is the left half's, which a scan and reconcile keep, and "Halves" is
    // the display's layout.
    ASSERT_TRUE(rig.coordinator->groups().count(display)) << "no layout applied to " << display.toStdString();
    EXPECT_EQ(rig.coordinator->groups().at(display).layout.id, u"halves"_qs);
    EXPECT_EQ(rig.coordinator->groups().at(display).windows.at(0).element, term.window);
    rig.coordinator->reconcile(rig.access.managedWindows());
    EXPECT_EQ(rig.coordinator->groups().at(display).windows.at(0).element, term.window);
    const auto saved = rig.store.activeLayout(display);
    EXPECT_TRUE(saved && saved->id == u"halves"_qs);
}

// An xterm tiled to the left half by its window manager's own key, typed by `tile` (metacity's
// Super+Left marks it maximized vertically; xfwm4's Super+KP_Left and KWin's Meta+Left mark it
// with no state, and KWin holds it against every move), then placed by the place key's picker
// into the right half of "Halves": it ends there on its grid, out of the tile. metacity keeps
// its side tile against every request a program can make (taking the state away, either or both
// ways, a maximize and restore, full screen, a move): the xterm stays in its tile and the notice
// says so.
void placeTiledByKey(XSession& session, const std::function<bool()>& tile)
{
    auto term = session.startXterm(u"tiled"_qs, {"-geometry", "80x24+500+400"});
    ASSERT_TRUE(term.window) << session.error();
    // The manager's key acts on the window it names active.
    ASSERT_TRUE(session.activate(term.window)) << "the xterm never became the active window";
    SessionApp app(session);
    CoordinatorRig rig(session);
    const ScreenInfo screen = rig.screens.screens().front();
    const Rect visible = topLeftVisibleFrame(screen);
    ASSERT_TRUE(tile()) << "the window manager did not take the request";
    std::optional<Rect> tiled;
    ASSERT_TRUE(session.waitFor([&] {
        tiled = session.wmFrame(term.window);
        return tiled && tiled->x() < visible.x() + 10 && tiled->width() < visible.width() / 2 + 10 &&
               tiled->height() > visible.height() - 60;
    }, 10000)) << "not tiled: xterm at " << describe(tiled);
    ASSERT_TRUE(session.syncWithWindowManager());
    tiled = session.wmFrame(term.window);

    ASSERT_TRUE(rig.placeFocusedWindow());
    ASSERT_TRUE(clickHalvesRegion(session, rig, screen, 1));
    const Rect target = regionFrames(SnapLayout::builtIns().front(), screen).at(1);
    const auto hints = rig.ws.sizeHints(term.window);
    ASSERT_TRUE(hints);
    const bool settled = session.waitFor([&] {
        return !rig.state.interaction.mutating && (!rig.notices.isEmpty() || onGridIn(session.wmFrame(term.window), target, *hints));
    }, 10000);
    const QString notices = rig.notices.join(u" | "_qs);
    if (session.windowManager() == u"metacity"_qs) {
        EXPECT_TRUE(settled);
        EXPECT_EQ(notices.toStdString(), "XTerm is kept in its tile by the window manager. Drag it out of the tile to place it in a region.");
        EXPECT_EQ(session.wmFrame(term.window), tiled);
        return;
    }
    EXPECT_TRUE(settled && onGridIn(session.wmFrame(term.window), target, *hints))
        << "xterm at " << describe(session.wmFrame(term.window)) << ", asked for " << toString(target).toStdString()
        << "; notices: " << notices.toStdString();
    EXPECT_TRUE(notices.isEmpty()) << notices.toStdString();
    EXPECT_FALSE(session.atomNames(term.window, "_NET_WM_STATE").join(u" "_qs).contains(u"MAXIMIZED"_qs));
}

TEST(PlaceWindowX11, AnXtermTiledByItsWindowManagersKeyIsPlacedByThePlaceKeyOrToldTheTileIsKept)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    const QString manager = session.windowManager();
    const xcb_keysym_t tileKey = manager == u"metacity"_qs ? test::ArrowLeft : manager == u"xfwm4"_qs ? test::KeypadLeft : 0;
    if (!tileKey)
        GTEST_SKIP() << manager.toStdString() << " tiles no window by a key of its own here";
    placeTiledByKey(session, [&] {
        test::chord(session, {test::SuperL, tileKey});
        return true;
    });
}

TEST(PlaceWindowX11, UnderKwinAnXtermInKwinsQuickTileIsPlacedByThePlaceKey)
{
    if (const auto why = XSession::outsideMatrixSkip(u"kwin_x11"_qs))
        GTEST_SKIP() << *why;
    XSession session({.windowManagerName = u"kwin"_qs});
    ASSERT_TRUE(session.ok()) << session.error();
    // Meta+Left's own action, run as a script of KWin's: its shortcut service may come up late.
    placeTiledByKey(session, [&] { return session.runKwinScript("workspace.slotWindowQuickTileLeft();"); });
}

} // namespace
} // namespace fw
