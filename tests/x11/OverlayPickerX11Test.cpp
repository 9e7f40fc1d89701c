// Overlay panels on a real server (the test WM, xcompmgr, two monitors): where the picker shows,
// what it draws, and that no panel takes the keyboard from the active window.
#include "base/QtClock.h"
#include "overlay/OverlayStyle.h"
#include "overlay/OverlayView.h"
#include "overlay/OverlayWindow.h"
#include "overlay/ToastController.h"
#include "platform/x11/X11Stacking.h"
#include "x11/XSession.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <algorithm>
#include <gtest/gtest.h>

namespace fw {
namespace {

using test::SessionApp;
using test::XSession;

Rect toRect(const QRect& r) { return Rect(r.x(), r.y(), r.width(), r.height()); }

class QtScreens final : public Screens {
public:
    std::vector<ScreenInfo> screens() const override
    {
        std::vector<ScreenInfo> out;
        for (QScreen* s : QGuiApplication::screens()) {
            ScreenInfo info;
            info.key = info.name = s->name();
            info.frame = toRect(s->geometry());
            info.visibleFrame = toRect(s->availableGeometry());
            info.primary = s == QGuiApplication::primaryScreen();
            out.push_back(info);
        }
        return out;
    }
    void setChangeHandler(std::function<void()>) override {}
};

QScreen* screenNamed(const QString& name)
{
    for (QScreen* s : QGuiApplication::screens())
        if (s->name() == name)
            return s;
    return nullptr;
}

// Root's mapped children, bottom to top.
std::vector<xcb_window_t> viewableChildren(XSession& session)
{
    std::vector<xcb_window_t> out;
    for (xcb_window_t w : session.rootChildren()) {
        auto* a = xcb_get_window_attributes_reply(session.connection(), xcb_get_window_attributes(session.connection(), w), nullptr);
        if (a && a->map_state == XCB_MAP_STATE_VIEWABLE)
            out.push_back(w);
        free(a);
    }
    return out;
}

// A part of the screen, in global coordinates, as the server shows it.
QImage grab(QScreen* screen, const Rect& r)
{
    const QRect g = screen->geometry();
    return screen->grabWindow(0, int(r.minX()) - g.x(), int(r.minY()) - g.y(), int(r.width()), int(r.height())).toImage();
}

struct PanelStackingGuard {
    explicit PanelStackingGuard(PanelStacking* s) { OverlayWindow::setStacking(s); }
    ~PanelStackingGuard() { OverlayWindow::setStacking(nullptr); }
};

TEST(OverlayPickerX11, PickerShowsItsCardsAtTheTopCentreOfTheRightMonitorWithoutTakingFocus)
{
    XSession session({3200, 1080, true, true});
    ASSERT_TRUE(session.ok()) << session.error();
    if (session.windowManager() == QLatin1String("evilwm"))
        GTEST_SKIP() << "evilwm gives the focus to every window it selects, whatever the window's input hint";
    ASSERT_TRUE(session.splitIntoTwoMonitors()) << session.error();
    auto term = session.startXterm(u"active one"_qs);
    ASSERT_TRUE(term.window) << session.error();
    ASSERT_TRUE(session.activate(term.window)) << "xterm never became active";
    const xcb_window_t focusBefore = session.inputFocus();

    SessionApp app(session);
    X11Stacking stacking;
    ASSERT_TRUE(stacking.available());
    EXPECT_TRUE(stacking.compositing()) << "xcompmgr owns _NET_WM_CM_S0";
    PanelStackingGuard guard(&stacking);

    QScreen* right = screenNamed(u"RIGHT"_qs);
    ASSERT_NE(right, nullptr);
    const Rect visible = toRect(right->availableGeometry());
    auto* view = new OverlayView(SnapLayout::builtIns(), u"halves"_qs, false, true, {}, pickerWidth(visible));
    auto panel = makePickerPanel(view, visible, true);
    EXPECT_TRUE(panel->isTranslucent());
    showPickerPanel(*panel, *view, true);

    const xcb_window_t win = xcb_window_t(panel->winId());
    const Rect expected(visible.midX() - 410, visible.minY() + 12, 820, 306);
    ASSERT_TRUE(session.waitFor([&] { return session.wmFrame(win) == expected; }))
        << "panel at " << (session.wmFrame(win) ? toString(*session.wmFrame(win)).toStdString() : "nowhere");
    EXPECT_EQ(viewableChildren(session).back(), win) << "the picker is above every other window";

    // Let it paint, then photograph the monitor's top.
    ASSERT_TRUE(session.waitFor([&] {
        const QImage shot = grab(right, expected);
        const QPointF c = view->regionButtons().front().second->exactFrame().center();
        return !shot.isNull() && shot.pixelColor(c.toPoint()) != shot.pixelColor(8, 150);
    })) << "no cards drawn";
    const QImage shot = grab(right, Rect(visible.minX(), visible.minY(), visible.width(), 400));
    QDir().mkpath(u"/tmp/framewell-shots"_qs);
    EXPECT_TRUE(shot.save(u"/tmp/framewell-shots/picker-right-monitor.png"_qs));

    // Selecting a region shows it in the accent colour.
    const SnapSelection selected{3, 2};
    view->showSelection(selected);
    RegionButton* sel = nullptr;
    for (const auto& [s, b] : view->regionButtons())
        if (s == selected)
            sel = b;
    ASSERT_NE(sel, nullptr);
    const QPoint at = (sel->exactFrame().center() + QPointF(0, 10)).toPoint();
    const QColor accent = styleColor(StyleColor::accent, view->palette());
    EXPECT_TRUE(session.waitFor([&] {
        const QImage img = grab(right, Rect(expected.minX() + at.x(), expected.minY() + at.y(), 1, 1));
        const QColor c = img.pixelColor(0, 0);
        return std::abs(c.red() - accent.red()) + std::abs(c.green() - accent.green()) + std::abs(c.blue() - accent.blue()) < 30;
    })) << "the selected region is not drawn in the accent colour";

    // A notice and a clickable panel that does not accept keys leave the keyboard alone too.
    QtClock clock;
    QtScreens screens;
    ToastController toasts(clock, screens, [] { return std::optional<Point>(Point{2000, 500}); });
    toasts.show(u"A window could not fit the other region. The swap was restored."_qs, 4.0);
    OverlayWindow clickable(Rect(100, 100, 200, 80), true);
    clickable.orderFrontRegardless();
    const xcb_window_t toastWin = xcb_window_t(toasts.panel()->winId());
    ASSERT_TRUE(session.waitFor([&] {
        return session.wmFrame(toastWin).has_value() && clickable.isVisible() && session.exists(xcb_window_t(clickable.winId()));
    }));
    EXPECT_EQ(session.wmFrame(toastWin), ToastController::noticeFrame(visible));
    QApplication::processEvents();
    EXPECT_EQ(session.activeWindow(), term.window);
    EXPECT_EQ(session.inputFocus(), focusBefore);
    EXPECT_FALSE(panel->isActiveWindow());
    EXPECT_FALSE(toasts.panel()->isActiveWindow());
    EXPECT_FALSE(clickable.isActiveWindow());
}

// metacity keeps its frames together: it restacks them over any unmanaged window placed
// between two of them, so there the preview ends up above the dragged window.
TEST(OverlayPickerX11, PreviewPanelsGoDirectlyBelowTheDraggedWindow)
{
    if (XSession::testWindowManager() == QLatin1String("metacity"))
        GTEST_SKIP() << "metacity restacks its frames over unmanaged windows between them";
    XSession session({1920, 1080, true, false});
    ASSERT_TRUE(session.ok()) << session.error();
    auto back = session.startXterm(u"behind"_qs);
    auto front = session.startXterm(u"dragged"_qs);
    ASSERT_TRUE(back.window && front.window) << session.error();

    SessionApp app(session);
    X11Stacking stacking;
    EXPECT_EQ(stacking.compositing(), session.compositing());
    PanelStackingGuard guard(&stacking);

    // Without a compositing manager, an opaque panel with its rounded corners cut by a mask.
    OverlayWindow preview(Rect(0, 0, 600, 400), false);
    EXPECT_EQ(preview.isTranslucent(), session.compositing());
    preview.setContentView(makeGlassCard(QRect(0, 0, 600, 400)));
    EXPECT_EQ(preview.mask().isEmpty(), session.compositing());
    preview.orderBelow(WindowId(front.window));
    const xcb_window_t win = xcb_window_t(preview.winId());
    const xcb_window_t frontFrame = session.topLevelOf(front.window);
    const xcb_window_t backFrame = session.topLevelOf(back.window);
    auto indexOf = [&](xcb_window_t w) {
        auto c = session.rootChildren();
        return int(std::find(c.begin(), c.end(), w) - c.begin());
    };
    ASSERT_TRUE(session.waitFor([&] { return indexOf(win) + 1 == indexOf(frontFrame); }))
        << "panel " << indexOf(win) << ", dragged window " << indexOf(frontFrame);
    EXPECT_GT(indexOf(win), indexOf(backFrame));
    EXPECT_EQ(preview.level(), 0);

    // An unknown window puts the panel at the back.
    preview.orderBelow(WindowId(0x7fffff));
    ASSERT_TRUE(session.waitFor([&] { return indexOf(win) < indexOf(backFrame); }));
}

} // namespace
} // namespace fw
