// The tile menu, region assist and the resize feedback on a real server (the test WM, xcompmgr),
// each shown through the overlay controller over an xterm: the server maps each panel where the
// controller was asked to put it, the panel paints, and the keyboard stays where it belongs.
// With FRAMEWELL_SHOTS_DIR set, each case also saves a photograph of the screen for review.
#include "overlay/OverlayController.h"
#include "overlay/DropActionMenuView.h"
#include "overlay/OverlayView.h"
#include "overlay/OverlayWindow.h"
#include "overlay/RegionAssistView.h"
#include "overlay/ResizeFeedback.h"
#include "overlay/ToastController.h"
#include "platform/x11/X11Stacking.h"
#include "platform/x11/X11WindowCapture.h"
#include "x11/AccessRig.h"
#include "x11/AssistThumbnails.h"
#include "x11/ScreenPhotos.h"
#include "x11/XSession.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <memory>

namespace fw {
namespace {

using test::XSession;

xcb_window_t idOf(OverlayWindow* panel) { return xcb_window_t(panel->winId()); }

using test::changed;
using test::grab;

// Saves the whole screen as the server shows it, only when a review directory is named.
void saveShot(const QString& name)
{
    const QString dir = qEnvironmentVariable("FRAMEWELL_SHOTS_DIR");
    if (dir.isEmpty())
        return;
    ASSERT_TRUE(QDir().mkpath(dir)) << dir.toStdString();
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(dir + "/" + name)) << name.toStdString();
}

ScreenInfo wholeScreen() { return ScreenInfo{"S", "S", Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1080), true}; }

struct WholeScreen final : Screens {
    std::vector<ScreenInfo> screens() const override { return {wholeScreen()}; }
    void setChangeHandler(std::function<void()>) override {}
};

// One session per case: the test WM, xcompmgr (or no compositing at all) and an active xterm
// under the panels.
struct Desktop {
    explicit Desktop(bool compositing = true)
        : session(test::XSessionOptions{.compositor = compositing, .bareDesktop = !compositing}), compositing(compositing)
    {
    }
    XSession session;
    bool compositing;
    std::unique_ptr<test::SessionApp> app;
    std::unique_ptr<X11Stacking> stacking;
    XSession::Client term;
    xcb_window_t focus = XCB_NONE;

    // Starts everything; empty on success, else why not. `xterm` are the xterm's arguments.
    std::string start(const QStringList& xterm = {QStringLiteral("-geometry"), QStringLiteral("150x50+60+40")})
    {
        if (!session.ok())
            return session.error();
        term = session.startXterm(QStringLiteral("work"), xterm);
        if (!term.window)
            return session.error();
        if (!session.activate(term.window))
            return "the xterm never became active";
        focus = session.inputFocus();
        app = std::make_unique<test::SessionApp>(session);
        stacking = std::make_unique<X11Stacking>();
        if (stacking->compositing() != compositing)
            return compositing ? "xcompmgr does not own _NET_WM_CM_S0" : "something composites";
        OverlayWindow::setStacking(stacking.get());
        return {};
    }
    ~Desktop() { OverlayWindow::setStacking(nullptr); }

    // The panel is viewable at exactly this frame on the server.
    bool waitShownAt(OverlayWindow* panel, const Rect& frame)
    {
        return session.waitFor([&] {
            const xcb_window_t top = session.topLevelOf(idOf(panel));
            return top != XCB_NONE && session.isViewable(top) && session.wmFrame(idOf(panel)) == frame;
        });
    }
    std::string frameOf(OverlayWindow* panel)
    {
        const auto f = session.wmFrame(idOf(panel));
        return f ? toString(*f).toStdString() : "nowhere";
    }

    // Waits until the photographed area differs enough from `before`: the panel has painted.
    bool waitPainted(const QImage& before, const Rect& area, double share)
    {
        return session.waitFor([&] { return changed(before, grab(area)) >= share; });
    }

    // Waits until two photographs of the area in a row are the same: drawing has finished.
    bool waitStill(const Rect& area)
    {
        QImage last;
        return session.waitFor([&] {
            const QImage now = grab(area);
            const bool same = now == last;
            last = now;
            return same;
        });
    }

    // Everything sent so far has reached the window manager and Qt has handled its answers.
    void settle()
    {
        session.syncWithWindowManager();
        QApplication::processEvents();
    }
};

// Five tiles with the titles and symbols the program gives them.
DropActionMenu fiveTileMenu(Point origin)
{
    const std::vector<RegionDropIntent> intents{RegionDropIntent::place(1), RegionDropIntent::split(1, true),
                                                RegionDropIntent::split(1, false), RegionDropIntent::swap(1),
                                                RegionDropIntent::fillColumn(1)};
    const double m = DropActionMenu::margin, w = DropActionMenu::tileWidth, h = DropActionMenu::tileHeight,
                 g = DropActionMenu::tileGap;
    DropActionMenu menu;
    menu.frame = Rect(origin.x, origin.y, m + 3 * w + 2 * g + m, m + 2 * h + g + m);
    for (std::size_t i = 0; i < intents.size(); ++i) {
        const TileText text = intents[i].defaultTitleAndSymbol();
        menu.items.push_back({intents[i], text.title, text.symbol,
                              Rect(origin.x + m + double(i % 3) * (w + g), origin.y + m + double(i / 3) * (h + g), w, h)});
    }
    return menu;
}

TEST(X11OverlayPanels, TileMenuShowsItsFiveTilesOverTheWindowWithoutTakingTheKeyboard)
{
    Desktop d;
    const std::string why = d.start();
    ASSERT_TRUE(why.empty()) << why;
    XSession& s = d.session;

    OverlayController controller;
    const DropActionMenu menu = fiveTileMenu(Point{400, 300});
    const QImage before = grab(menu.frame);
    controller.actionMenu()->setFrame(menu.frame);
    controller.actionMenuView()->configure(menu, RegionDropIntent::split(1, true), false);
    controller.actionMenu()->orderFrontRegardless();
    ASSERT_EQ(controller.actionMenuView()->tiles().size(), 5u);
    for (const DropActionTile* tile : controller.actionMenuView()->tiles())
        EXPECT_EQ(tile->caption()->shownText(), tile->caption()->text()) << "every title shows whole";

    ASSERT_TRUE(d.waitShownAt(controller.actionMenu(), menu.frame)) << "menu at " << d.frameOf(controller.actionMenu());
    ASSERT_TRUE(d.waitPainted(before, menu.frame, 0.3)) << "the menu's tiles were not drawn";
    d.settle();
    EXPECT_EQ(s.inputFocus(), d.focus) << "the menu took the keyboard";
    EXPECT_EQ(s.activeWindow(), d.term.window);
    EXPECT_FALSE(controller.actionMenu()->isActiveWindow());

    // The armed tile repaints in place; the menu stays where it is.
    const QImage unarmed = grab(menu.frame);
    controller.actionMenuView()->configure(menu, RegionDropIntent::swap(1), true);
    ASSERT_TRUE(d.waitPainted(unarmed, menu.frame, 0.01)) << "arming a tile changed nothing on screen";
    EXPECT_EQ(s.wmFrame(idOf(controller.actionMenu())), menu.frame);
    saveShot(QStringLiteral("x11-drop-tile-menu.png"));

    controller.hideAll();
    EXPECT_TRUE(s.waitFor([&] { return !s.isViewable(idOf(controller.actionMenu())); }));
    EXPECT_EQ(s.inputFocus(), d.focus);
}

TEST(X11OverlayPanels, RegionAssistCoversEachEmptyRegionAndTakesTheKeyboardForItsFirstPanel)
{
    Desktop d;
    const std::string why = d.start();
    ASSERT_TRUE(why.empty()) << why;
    XSession& s = d.session;

    const std::vector<ManagedWindow> windows{
        {d.term.window, Pid(d.term.pid), "work", "XTerm"},
        {0x600001, Pid(4242), "Quarterly report.odt", "Writer"},
        {0x600002, Pid(4243), "Inbox (12) — a long window title that has to be cut short", "Mail"}};
    QImage thumb(320, 200, QImage::Format_ARGB32);
    thumb.fill(QColor(235, 235, 240));
    {
        QPainter p(&thumb);
        p.fillRect(0, 0, 320, 24, QColor(60, 60, 70));
        p.fillRect(20, 44, 200, 10, QColor(150, 150, 160));
        p.fillRect(20, 64, 260, 10, QColor(170, 170, 180));
        p.fillRect(20, 84, 120, 60, QColor(90, 140, 220));
    }
    const std::map<RegionNumber, Rect> regions{{1, Rect(960, 0, 960, 540)}, {2, Rect(960, 540, 960, 540)}};
    const QImage before = grab(regions.at(1));

    OverlayController controller;
    controller.choices().showRegionAssist(regions, windows, {{windows[1], thumb}}, {}, {});
    ASSERT_EQ(controller.assistPanels().size(), 2u);
    for (const auto& [r, f] : regions) {
        OverlayWindow* panel = controller.assistPanels().at(r).get();
        ASSERT_TRUE(d.waitShownAt(panel, f)) << "assist " << r << " at " << d.frameOf(panel);
    }
    ASSERT_TRUE(d.waitPainted(before, regions.at(1), 0.3)) << "the assist card was not drawn";

    // The card is translucent all over, the list of windows included: above the xterm's edge
    // the list's background shows the white terminal on one side and the grey desktop on the other.
    // (evilwm frames every window at the screen's own depth: a translucent one is composited
    // opaque there.)
    if (s.windowManager() != QLatin1String("evilwm")) {
        const RegionAssistView* v = controller.assistViews().at(1);
        const QRect list(v->scrollView()->mapToGlobal(QPoint(0, 0)), v->scrollView()->size());
        const Rect term = *s.wmFrame(d.term.window);
        const QPoint overTerm(list.left() + 8, list.top() + 8), overDesk(list.right() - 16, list.top() + 8);
        ASSERT_LT(overTerm.x(), term.maxX());
        ASSERT_GT(overDesk.x(), term.maxX());
        ASSERT_LT(overTerm.y(), term.maxY());
        for (const QPoint& p : {overTerm, overDesk})
            ASSERT_EQ(v->scrollView()->viewport()->childAt(v->scrollView()->viewport()->mapFromGlobal(p)),
                      v->documentView()) << "a tile lies under the sample point";
        const QImage shot = grab(Rect(0, 0, 1920, 1080));
        EXPECT_NE(shot.pixel(overTerm), shot.pixel(overDesk)) << "the list paints an opaque box on the card";
    }

    // The assist offers keyboard choice: the top panel becomes the focus, its first tile the
    // focused control; the other panel does not take it.
    OverlayWindow* first = controller.assistPanels().at(1).get();
    EXPECT_TRUE(s.waitFor([&] { return s.inputFocus() == idOf(first); }))
        << "focus on " << s.inputFocus() << ", first assist panel " << idOf(first);
    EXPECT_NE(s.inputFocus(), idOf(controller.assistPanels().at(2).get()));
    const RegionAssistView* view = controller.assistViews().at(1);
    ASSERT_NE(view->firstChoice(), nullptr);
    EXPECT_TRUE(s.waitFor([&] { return view->firstChoice()->hasFocus(); }));
    saveShot(QStringLiteral("x11-region-assist.png"));

    controller.choices().hideAssistPanels();
    EXPECT_TRUE(s.waitFor([&] { return !s.isViewable(idOf(first)); }));
}

TEST(X11OverlayPanels, ResizeFeedbackShowsOutlinesBarAndHintBesideTheBarWithoutTakingTheKeyboard)
{
    Desktop d;
    const std::string why = d.start();
    ASSERT_TRUE(why.empty()) << why;
    XSession& s = d.session;

    OverlayController controller;
    ResizeFeedback& feedback = controller.feedback();
    const std::vector<Rect> outlines{Rect(60, 40, 700, 600), Rect(764, 40, 700, 600)};
    const Rect bar(760, 40, 4, 600);
    const Point at{762, 300};
    const ScreenInfo screen = wholeScreen();
    const QImage before = grab(Rect(0, 0, 1920, 1080));
    feedback.show(outlines, bar, QStringLiteral("Resize together"), QStringLiteral("Drag this shared edge"),
                  QStringLiteral("arrow.left.and.right"), at, screen, std::nullopt);

    ASSERT_EQ(feedback.outlines().size(), 2u);
    for (std::size_t i = 0; i < outlines.size(); ++i)
        ASSERT_TRUE(d.waitShownAt(feedback.outlines()[i].get(), outlines[i]))
            << "outline " << i << " at " << d.frameOf(feedback.outlines()[i].get());
    ASSERT_TRUE(d.waitShownAt(feedback.bar(), bar)) << "bar at " << d.frameOf(feedback.bar());

    // The bubble sits right of the bar, centred on the pointer, as wide as its texts need.
    const ResizeHintView* hv = feedback.hintView();
    EXPECT_GE(hv->width(), 150);
    EXPECT_LE(hv->width(), 360);
    EXPECT_EQ(hv->height(), int(ResizeHintView::bubbleHeight));
    const Rect hintAt = ResizeFeedback::hintFrame(at, Size{double(hv->width()), ResizeHintView::bubbleHeight},
                                                  screen.visibleFrame, bar);
    EXPECT_EQ(hintAt.minX(), bar.maxX() + 14);
    ASSERT_TRUE(d.waitShownAt(feedback.hint(), hintAt)) << "hint at " << d.frameOf(feedback.hint());
    const QImage hintBefore = before.copy(int(hintAt.minX()), int(hintAt.minY()), int(hintAt.width()), int(hintAt.height()));
    ASSERT_TRUE(d.waitPainted(hintBefore, hintAt, 0.3))
        << "the hint was not drawn";

    // Nothing of the feedback accepts the keyboard; the bar is above the outlines, they above the xterm.
    d.settle();
    EXPECT_EQ(s.inputFocus(), d.focus) << "the feedback took the keyboard";
    EXPECT_EQ(s.activeWindow(), d.term.window);
    const auto kids = s.rootChildren();
    const auto pos = [&](OverlayWindow* p) {
        return std::find(kids.begin(), kids.end(), s.topLevelOf(idOf(p))) - kids.begin();
    };
    EXPECT_GT(pos(feedback.bar()), pos(feedback.outlines()[0].get()));
    EXPECT_GT(pos(feedback.outlines()[0].get()), std::ptrdiff_t(std::find(kids.begin(), kids.end(),
                                                                          s.topLevelOf(d.term.window)) - kids.begin()));
    saveShot(QStringLiteral("x11-resize-feedback.png"));

    controller.hideAll();
    EXPECT_TRUE(s.waitFor([&] { return !s.isViewable(idOf(feedback.hint())) && !s.isViewable(idOf(feedback.bar())); }));
    EXPECT_EQ(s.inputFocus(), d.focus);
}

} // namespace
} // namespace fw

namespace fw {
namespace {

using Shoot = std::function<void(const QString&, const Rect&, const std::function<void()>&)>;

// The choosers and the drop target over the clients (the last one dragged).
void photographChoosers(Desktop& d, X11WindowCapture& capture, OverlayController& controller, const Shoot& shoot,
                        const std::vector<xcb_window_t>& clients, const QString& suffix)
{
    const Rect all(0, 0, 1920, 1080);
    const ScreenInfo screen = wholeScreen();
    X11WindowSystem ws(d.session.display());
    std::vector<ManagedWindow> windows;
    for (xcb_window_t w : clients) {
        const auto managed = ManagedWindow::make(ws, w);
        ASSERT_TRUE(managed) << "window " << w;
        windows.push_back(*managed);
    }
    shoot(QStringLiteral("x11-text-window-chooser") + suffix, all, [&] {
        controller.choices().showWindowChooser(screen, windows, QStringLiteral("Choose a window to arrange."),
                                     QStringLiteral("Pick a window, then choose its place in a layout."), {}, {});
    });
    controller.hideAll();

    // The painted client dragged over the right half: the target there with its caption, the
    // place it would swap from on the left, both below it.
    shoot(QStringLiteral("x11-text-drop-target") + suffix, all, [&] {
        controller.setDraggedWindow(windows.back());
        controller.showDropTarget(Rect(964, 0, 956, 1080), QStringLiteral("Release to swap"),
                                  QStringLiteral("arrow.left.arrow.right"), true, true, Rect(0, 0, 956, 1080));
    });
    controller.hideAll();

    // Region assist after a window went into the top-left quarter: the other three offer the
    // windows, each with its picture taken through Composite.
    const auto thumbnails = test::assistThumbnails(d.session, capture, windows);
    ASSERT_GE(thumbnails.size(), 2u) << "fewer than two thumbnails were captured";
    std::map<RegionNumber, Rect> regions;
    for (const auto& [region, frame] : SnapLayout::builtIns()[4].tree.frames(screen.visibleFrame, 8))
        if (region != 0)
            regions[region] = frame;
    shoot(QStringLiteral("x11-text-region-assist") + suffix, all,
          [&] { controller.choices().showRegionAssist(regions, windows, thumbnails, {}, {}); });
    controller.hideAll();
}

// For review by eye, with FRAMEWELL_SHOTS_DIR set: every panel over windows full of text (the
// picker, the tile menu, the resize hint, the divider editor, the window chooser and region
// assist with real thumbnails of the windows), with a compositing manager and without (the
// photographs' names end in "-bare" then).
void photographPanels(bool compositing)
{
    Desktop d(compositing);
    const QString suffix = compositing ? u".png"_qs : u"-bare.png"_qs;
    const std::string why = d.start({"-geometry", "158x80+0+0", "-e", "sh", "-c",
                                     "cat /usr/share/common-licenses/GPL-3; exec cat"});
    ASSERT_TRUE(why.empty()) << why;
    XSession& s = d.session;
    // Pictures kept from here on, as the program keeps them from its start.
    X11WindowCapture capture(s.display());
    ASSERT_TRUE(capture.keepPictures());
    auto numbers = s.startXterm(QStringLiteral("numbers"),
                                {"-geometry", "158x80+964+0", "-bg", "#fdf6e3", "-fg", "#303030", "-e", "sh", "-c",
                                 "seq 1 3000 | paste -d ' ' - - - - - - - - - - - - - -; exec cat"});
    auto painted = s.startTestClient(QStringLiteral("Painted"),
                                     {"--colors", "ff8800,3366ff", "--size", "520x360", "--position", "700,600"});
    ASSERT_TRUE(numbers.window && painted.window) << s.error();
    const Rect all(0, 0, 1920, 1080);
    ASSERT_TRUE(d.waitStill(all));
    const ScreenInfo screen = wholeScreen();
    OverlayController controller;

    const Shoot shoot = [&](const QString& name, const Rect& area, const std::function<void()>& show) {
        const QImage before = grab(area);
        show();
        // Without a compositor the outlines over the whole screen change little of it.
        ASSERT_TRUE(d.waitPainted(before, area, compositing ? 0.05 : 0.002)) << name.toStdString() << " was not drawn";
        ASSERT_TRUE(d.waitStill(all));
        saveShot(name);
    };

    auto* view = new OverlayView(SnapLayout::builtIns(), QStringLiteral("halves"), false, false, {},
                                 pickerWidth(screen.visibleFrame));
    auto picker = makePickerPanel(view, screen.visibleFrame, true);
    view->showSelection(SnapSelection{3, 1});
    shoot(QStringLiteral("x11-text-picker") + suffix, picker->frame(), [&] { showPickerPanel(*picker, *view, true); });
    picker->orderOut();

    const DropActionMenu menu = fiveTileMenu(Point{300, 420});
    shoot(QStringLiteral("x11-text-drop-tile-menu") + suffix, menu.frame, [&] {
        controller.actionMenu()->setFrame(menu.frame);
        controller.actionMenuView()->configure(menu, RegionDropIntent::split(1, true), false);
        controller.actionMenu()->orderFrontRegardless();
    });
    controller.hideAll();

    const Rect bar(958, 0, 4, 1080);
    shoot(QStringLiteral("x11-text-resize-hint") + suffix, all, [&] {
        controller.feedback().show({Rect(0, 0, 956, 1080), Rect(964, 0, 956, 1080)}, bar, QStringLiteral("Resize together"),
                                   QStringLiteral("Drag this shared edge to resize both windows"),
                                   QStringLiteral("arrow.left.and.right"), Point{960, 400}, screen, std::nullopt);
    });
    controller.hideAll();

    shoot(QStringLiteral("x11-text-divider-editor") + suffix, all,
          [&] { controller.choices().showDividerEditor(screen, SnapLayout::builtIns()[3], {}, {}); });
    controller.hideAll();

    photographChoosers(d, capture, controller, shoot, {d.term.window, numbers.window, painted.window}, suffix);

    // A notice of two lines, near the bottom of the screen.
    QtClock clock;
    WholeScreen screens;
    ToastController toasts(clock, screens, [] { return std::optional<Point>(Point{960, 540}); });
    shoot(QStringLiteral("x11-text-notice") + suffix, ToastController::noticeFrame(screen.visibleFrame), [&] {
        toasts.show(u"A window in this stack could not fit, and a prior size could not be restored. Choose a Layout "
                    "again to put the windows back."_qs, 60.0);
    });
    // Hidden panels are deleted on the next turn of the loop: let it come before the app goes.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(X11OverlayPanels, ScreenshotsOverWindowsFullOfText)
{
    if (qEnvironmentVariable("FRAMEWELL_SHOTS_DIR").isEmpty())
        GTEST_SKIP() << "FRAMEWELL_SHOTS_DIR is not set";
    photographPanels(true);
}

TEST(X11OverlayPanels, ScreenshotsOverWindowsFullOfTextWithoutACompositor)
{
    if (qEnvironmentVariable("FRAMEWELL_SHOTS_DIR").isEmpty())
        GTEST_SKIP() << "FRAMEWELL_SHOTS_DIR is not set";
    photographPanels(false);
}

} // namespace
} // namespace fw
