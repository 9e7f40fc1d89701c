// The main road on a real server (Xvfb, openbox, two monitors): "place the focused window" on
// an xterm opens the layout picker on the xterm's monitor, a click on "Halves" region 1 puts
// the xterm there on its cell grid, and region assist then offers the other window of that
// monitor, drawn with its application's icon (no capture here).
#include "layout/ScreenGeometry.h"
#include "overlay/RegionAssistView.h"
#include "overlay/WindowThumbnailButton.h"
#include "snap/AppliedLayouts.h"
#include "snap/PickerGeometry.h"
#include "x11/CoordinatorRig.h"
#include "x11/XSession.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <gtest/gtest.h>

namespace fw {
namespace {

using test::CoordinatorRig;
using test::SessionApp;
using test::XSession;

// The icon lookup the program installs, for the duration of a test.
struct IconLookupGuard {
    explicit IconLookupGuard(std::function<std::optional<QIcon>(Pid)> lookup)
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
    IconLookupGuard icons([&](Pid pid) { return pid == other.pid ? std::optional(QIcon(square)) : std::nullopt; });
    const auto right = rig.screenOf(Rect(1920, 0, 1280, 1024));
    ASSERT_TRUE(right && right->frame == Rect(1920, 0, 1280, 1024));

    // The picker hangs at the top centre of the right monitor.
    ASSERT_TRUE(rig.placeFocusedWindow());
    ASSERT_TRUE(rig.overlay.picker && rig.overlay.pickerView);
    const Rect visible = topLeftVisibleFrame(*right);
    const PickerGeometry& geometry = rig.overlay.pickerView->geometry();
    const Rect panel = pickerFrame(visible, geometry.width, geometry.height);
    const auto panelWindow = xcb_window_t(rig.overlay.picker->winId());
    ASSERT_TRUE(session.waitFor([&] { return session.isViewable(panelWindow) && session.wmFrame(panelWindow) == panel; }))
        << "picker at " << (session.wmFrame(panelWindow) ? toString(*session.wmFrame(panelWindow)).toStdString() : "nowhere");
    saveShot(u"place-picker.png"_qs);

    // A click on region 1 of the first card, "Halves".
    ASSERT_EQ(rig.overlay.pickerView->layouts().front().name, u"Halves"_qs);
    const Rect button = geometry.cards.front().regions.at(1);
    session.warpPointer(int(panel.minX() + button.midX()), int(panel.minY() + button.midY()));
    session.pressButton(1);
    session.releaseButton(1);

    const Rect target = regionFrames(SnapLayout::builtIns().front(), *right).at(1);
    const auto hints = rig.ws.sizeHints(term.window);
    ASSERT_TRUE(hints && hints->increment.width > 1 && hints->increment.height > 1);
    auto onGrid = [&](const std::optional<Rect>& f) {
        return f && f->origin == target.origin && f->width() <= target.width()
            && target.width() - f->width() < hints->increment.width && f->height() <= target.height()
            && target.height() - f->height() < hints->increment.height;
    };
    ASSERT_TRUE(session.waitFor([&] { return onGrid(session.wmFrame(term.window)) && !rig.overlay.assistViews().empty(); },
                                10000))
        << "xterm at " << (session.wmFrame(term.window) ? toString(*session.wmFrame(term.window)).toStdString() : "nowhere")
        << ", asked for " << toString(target).toStdString() << "; notices: " << rig.notices.join(u" | "_qs).toStdString();
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

} // namespace
} // namespace fw
