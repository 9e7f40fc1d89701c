// A desktop without a compositing manager (every test WM, metacity with its own compositor
// off): what we draw leaves the windows beneath in sight. During a drag of the shared edge of
// two placed xterms the outlines of both regions and the hint show, yet each xterm's own
// colour still fills its region on screen and around the hint's rounded corner; a covered
// window's thumbnail is its real picture; previews stay below the picker, and every panel
// follows a compositing manager that starts and stops while it lives (one that blends nothing,
// xcompmgr -a, counting as none).
// With FRAMEWELL_SHOTS_DIR set, the drag is also photographed for review.
#include "overlay/DropSurfaces.h"
#include "overlay/OverlayController.h"
#include "overlay/OverlayView.h"
#include "overlay/OverlayWindow.h"
#include "platform/x11/X11Stacking.h"
#include "platform/x11/X11WindowCapture.h"
#include "x11/AssistThumbnails.h"
#include "x11/CoordinatorRig.h"
#include "x11/DragSteps.h"
#include "x11/ScreenPhotos.h"
#include "x11/XSession.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

#include <algorithm>

namespace fw {
namespace {

using test::CoordinatorRig;
using test::SessionApp;
using test::XSession;

constexpr QRgb kLeftColour = 0x2aa198, kRightColour = 0xd33682;

bool near(QRgb pixel, QRgb want)
{
    return std::abs(qRed(pixel) - qRed(want)) < 16 && std::abs(qGreen(pixel) - qGreen(want)) < 16
        && std::abs(qBlue(pixel) - qBlue(want)) < 16;
}

std::string describe(QRgb c) { return QColor(c).name().toStdString(); }

void saveShot(const QImage& shot, const QString& name)
{
    const QString dir = qEnvironmentVariable("FRAMEWELL_SHOTS_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    EXPECT_TRUE(shot.save(dir + "/" + name)) << name.toStdString();
}

// Waits until two photographs of the area in a row are the same, and gives the last.
QImage stillPhoto(XSession& session, const Rect& area)
{
    QImage last, now;
    session.waitFor([&] {
        now = test::grab(area);
        const bool same = now == last;
        last = now;
        return same;
    });
    return now;
}

QStringList xtermOf(const QString& colour)
{
    return {QStringLiteral("-geometry"), QStringLiteral("80x24+100+100"), QStringLiteral("-bg"), colour};
}

// fluxbox resizes a window as an outline of its own, the frame following only at the release;
// evilwm moves a window by its border (it resizes with the middle button).
TEST(NoCompositorX11, DraggingASharedEdgeLeavesBothWindowsInSight)
{
    const QString wm = XSession::testWindowManager();
    if (wm == QLatin1String("fluxbox") || wm == QLatin1String("evilwm"))
        GTEST_SKIP() << wm.toStdString() << " shows no resize of a placed window while its edge is dragged";
    XSession session({.bareDesktop = true});
    ASSERT_TRUE(session.ok()) << session.error();
    ASSERT_FALSE(session.compositing());
    const auto left = session.startXterm(u"left"_qs, xtermOf(QColor(kLeftColour).name()));
    const auto right = session.startXterm(u"right"_qs, xtermOf(QColor(kRightColour).name()));
    ASSERT_TRUE(left.window && right.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    ASSERT_FALSE(rig.stacking.compositing());
    ASSERT_TRUE(rig.startDragMonitor()) << "no XInput 2.2";
    const auto screen = rig.screenOf(Rect(0, 0, 1920, 1080));
    ASSERT_TRUE(screen);
    const SnapLayout& halves = SnapLayout::builtIns().front();
    for (const auto& [window, region] : {std::pair{left.window, 0}, std::pair{right.window, 1}}) {
        const auto done = rig.placeWindow(window, RegionNumber(region), halves, *screen);
        ASSERT_TRUE(session.waitFor([&] { return done->has_value(); }, 10000) && **done);
    }
    const auto leftFrame = session.wmFrame(left.window), rightFrame = session.wmFrame(right.window);
    ASSERT_TRUE(leftFrame && rightFrame);

    // The left xterm's right edge taken by the window manager's own resize and dragged 150
    // points right, held there: the overlay outlines both regions and shows its hint.
    const Point press = test::rightBorderPress(session, *leftFrame);
    session.warpPointer(int(press.x), int(press.y));
    session.pressButton(1);
    ASSERT_TRUE(session.waitFor([&] { return rig.monitor->candidate().has_value(); })) << "the press was not followed";
    test::glide(session, 150, 0, 10);
    ResizeFeedback& feedback = rig.overlay.feedback();
    const auto shown = [&] {
        return feedback.outlines().size() == 2 && feedback.hint() && feedback.hint()->isOrderedIn()
            && std::all_of(feedback.outlines().begin(), feedback.outlines().end(), [&](const auto& p) {
                   return session.isViewable(xcb_window_t(p->winId()));
               });
    };
    const bool outlined = session.waitFor(shown, 5000);
    const QImage shot = stillPhoto(session, Rect(0, 0, 1920, 1080));
    saveShot(shot, u"x11-no-compositor-shared-edge-%1.png"_qs.arg(session.windowManager()));
    session.releaseButton(1);
    ASSERT_TRUE(outlined) << "left xterm at " << toString(*session.wmFrame(left.window)).toStdString();
    EXPECT_FALSE(feedback.outlines().front()->isTranslucent());

    // Deep inside each region, away from the texts, the windows' own colours show.
    const Rect leftRegion = feedback.outlines()[0]->frame(), rightRegion = feedback.outlines()[1]->frame();
    const QPoint inLeft(int(leftFrame->minX() + 200), int(leftFrame->maxY() - 200));
    const QPoint inRight(int(rightFrame->maxX() - 200), int(rightFrame->maxY() - 200));
    ASSERT_TRUE(leftRegion.contains(Point{double(inLeft.x()), double(inLeft.y())})) << toString(leftRegion).toStdString();
    ASSERT_TRUE(rightRegion.contains(Point{double(inRight.x()), double(inRight.y())})) << toString(rightRegion).toStdString();
    EXPECT_TRUE(near(shot.pixel(inLeft), kLeftColour)) << "inside the left region: " << describe(shot.pixel(inLeft));
    EXPECT_TRUE(near(shot.pixel(inRight), kRightColour)) << "inside the right region: " << describe(shot.pixel(inRight));
    // The outline itself is drawn: the accent colour on the right region's edge.
    const QPoint onEdge(int(rightRegion.midX()), int(rightRegion.minY()) + 5);
    EXPECT_FALSE(near(shot.pixel(onEdge), kRightColour)) << "no outline at the right region's top";

    // The hint's rounded corner lets the window beneath show: no square around the pill.
    const Rect hint = feedback.hint()->frame();
    const QPoint corner(int(hint.minX()) + 1, int(hint.minY()) + 1);
    const QPoint pill(int(hint.midX()), int(hint.maxY()) - 3);
    ASSERT_TRUE(rightFrame->contains(Point{double(corner.x()), double(corner.y())})) << toString(hint).toStdString();
    EXPECT_TRUE(near(shot.pixel(corner), kRightColour)) << "at the hint's corner: " << describe(shot.pixel(corner));
    EXPECT_FALSE(near(shot.pixel(pill), kRightColour)) << "the hint's pill was not drawn";

    EXPECT_TRUE(session.waitFor([&] { return feedback.outlines().empty(); })) << "the outlines go at the release";
}

// The share of a thumbnail's client part that is neither the background nor what covers it:
// the xterm's text.
double textShare(const QImage& image, QRgb background)
{
    int text = 0, all = 0;
    for (int y = image.height() / 8; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2, ++all)
            text += !near(image.pixel(x, y), background) && !near(image.pixel(x, y), kLeftColour);
    return all ? double(text) / all : 0;
}

TEST(NoCompositorX11, ACoveredWindowsThumbnailIsItsPictureOrNothing)
{
    XSession session({.bareDesktop = true});
    ASSERT_TRUE(session.ok()) << session.error();
    ASSERT_FALSE(session.compositing());
    SessionApp app(session);
    // Pictures kept from the start, as the program does; then an xterm full of text, covered
    // whole by another one, and stopped so that it cannot paint again: its one thumbnail is
    // still its text.
    X11WindowCapture kept(session.display());
    ASSERT_TRUE(kept.keepPictures());
    const QStringList text{"-e", "sh", "-c", "seq 1 2000 | paste -d ' ' - - - - - - - - - -; exec cat"};
    const auto covered = session.startXterm(u"covered"_qs, xtermOf(QColor(kRightColour).name()) + text);
    ASSERT_TRUE(covered.window) << session.error();
    const auto frame = session.wmFrame(covered.window);
    ASSERT_TRUE(frame);
    ASSERT_TRUE(session.waitFor([&] { return textShare(test::grab(*frame), kRightColour) > 0.02; }))
        << "the xterm never showed its text";
    const auto cover = session.startXterm(u"cover"_qs, {"-geometry", "120x50+0+0", "-bg", QColor(kLeftColour).name()});
    ASSERT_TRUE(cover.window) << session.error();
    ASSERT_TRUE(session.waitFor([&] {
        const QImage seen = test::grab(*frame);
        return near(seen.pixel(seen.width() / 2, seen.height() / 2), kLeftColour);
    })) << "the cover did not hide the xterm";
    ASSERT_TRUE(session.pause(covered.pid));
    X11WindowSystem ws(session.display());
    const auto window = ManagedWindow::make(ws, covered.window);
    ASSERT_TRUE(window);
    const auto got = test::assistThumbnails(session, kept, {*window});
    ASSERT_TRUE(got.contains(*window)) << "no thumbnail of the covered xterm";
    const QImage& picture = got.at(*window);
    EXPECT_GT(textShare(picture, kRightColour), 0.02) << "the covered xterm's thumbnail shows no text";
    const QRgb middle = picture.pixel(picture.width() * 3 / 4, picture.height() * 3 / 4);
    EXPECT_FALSE(near(middle, kLeftColour)) << "the thumbnail shows the window over it";
    saveShot(picture, u"x11-no-compositor-covered-thumbnail-%1.png"_qs.arg(session.windowManager()));

    // A capture that finds the window not yet redirected by itself gives nothing the first time
    // (the chooser shows the application's icon), never a bare background; then the picture.
    X11WindowCapture late(session.display());
    const auto first = test::assistThumbnails(session, late, {*window});
    if (first.contains(*window)) {
        EXPECT_GT(textShare(first.at(*window), kRightColour), 0.02) << "the first picture is blank";
    }
    const auto second = test::assistThumbnails(session, late, {*window});
    ASSERT_TRUE(second.contains(*window)) << "the second capture gave nothing";
    EXPECT_GT(textShare(second.at(*window), kRightColour), 0.02) << "the second picture is blank";
    EXPECT_TRUE(session.resume(covered.pid));
}

TEST(NoCompositorX11, PreviewsStayBelowTheKeyboardPickerAndPanelsFollowTheCompositor)
{
    XSession session({.bareDesktop = true});
    ASSERT_TRUE(session.ok()) << session.error();
    const auto term = session.startXterm(u"work"_qs, {"-geometry", "150x50+60+40"});
    ASSERT_TRUE(term.window && session.activate(term.window)) << session.error();
    SessionApp app(session);
    X11Stacking stacking;
    ASSERT_FALSE(stacking.compositing());
    OverlayWindow::setStacking(&stacking);
    struct Unset {
        ~Unset() { OverlayWindow::setStacking(nullptr); }
    } unset;

    // The picker as Ctrl+Alt+Z shows it (an unmanaged window that takes the keyboard), then an
    // arrow key's composition previews over its place: the picker looks just as before.
    OverlayController controller;
    const ScreenInfo screen{"S", "S", Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1080), true};
    auto* view = new OverlayView(SnapLayout::builtIns(), u"halves"_qs, true, false, {}, pickerWidth(screen.visibleFrame));
    const Rect pickerFrame = fw::pickerFrame(screen.visibleFrame, view->width(), view->height());
    const QImage desk = test::grab(pickerFrame);
    controller.showPicker(screen, view, false);
    ASSERT_EQ(controller.picker->frame(), pickerFrame);
    ASSERT_TRUE(session.waitFor([&] { return test::changed(desk, test::grab(pickerFrame)) > 0.3; }))
        << "the picker was not drawn";
    const std::vector<Rect> halves{Rect(0, 0, 956, 1080), Rect(964, 0, 956, 1080)};
    const auto pickerUnchanged = [&](const char* when) {
        const QImage before = stillPhoto(session, pickerFrame);
        controller.showCompositionPreviews(halves);
        for (const auto& p : controller.compositionPreviews())
            EXPECT_TRUE(session.waitFor([&] { return session.isViewable(xcb_window_t(p->winId())); })) << when;
        const QImage after = stillPhoto(session, pickerFrame);
        const QRegion shape = controller.picker->mask().isEmpty() ? QRegion(controller.picker->rect()) : controller.picker->mask();
        int crossed = 0;
        for (int y = 0; y < after.height(); ++y)
            for (int x = 0; x < after.width(); ++x)
                crossed += shape.contains(QPoint(x, y)) && after.pixel(x, y) != before.pixel(x, y);
        EXPECT_EQ(crossed, 0) << "a preview crosses the picker " << when;
    };
    pickerUnchanged("without a compositing manager");
    saveShot(test::grab(Rect(0, 0, 1920, 1080)), u"x11-no-compositor-picker-previews-%1.png"_qs.arg(session.windowManager()));
    OverlayWindow* preview = controller.compositionPreviews().front().get();
    EXPECT_FALSE(preview->isTranslucent());
    const QPoint middle(478, 900), edge(478, 1074);
    EXPECT_FALSE(preview->mask().contains(middle)) << "the preview is not cut to its outline";
    EXPECT_TRUE(preview->mask().contains(edge));

    // A compositing manager starts: the previews turn translucent, no longer cut to their
    // outlines, while the shown picker, which holds the keyboard, keeps what it was made as; it
    // stops: the previews are cut again. The picker stays readable throughout.
    const pid_t compositor = session.spawn({u"xcompmgr"_qs});
    ASSERT_TRUE(compositor && session.waitFor([&] { return session.compositing(); })) << session.error();
    EXPECT_TRUE(session.waitFor([&] { return stacking.compositing() && preview->isTranslucent(); }))
        << "the panels never heard of the compositing manager";
    EXPECT_TRUE(preview->mask().isEmpty() || preview->mask().contains(middle));
    EXPECT_FALSE(controller.picker->isTranslucent());
    EXPECT_FALSE(controller.picker->mask().isEmpty());
    controller.showCompositionPreviews({});
    pickerUnchanged("with a compositing manager");

    ASSERT_TRUE(session.stop(compositor));
    EXPECT_TRUE(session.waitFor([&] { return !stacking.compositing() && !preview->isTranslucent(); }))
        << "the panels never heard that the compositing manager stopped";
    EXPECT_FALSE(preview->mask().contains(middle));
    EXPECT_TRUE(session.waitFor([&] { return session.isViewable(xcb_window_t(preview->winId())); }))
        << "the preview was not shown again when it was made anew";

    // One that takes the selection yet leaves the painting to the server (xcompmgr -a) shows
    // translucent pixels opaque: the previews stay cut to their outlines, however long after.
    const pid_t automatic = session.spawn({u"xcompmgr"_qs, u"-a"_qs});
    ASSERT_TRUE(automatic && session.waitFor([&] { return session.compositing(); })) << session.error();
    session.waitFor([&] { return stacking.compositing() || preview->isTranslucent(); }, 1500);
    EXPECT_FALSE(stacking.compositing()) << "xcompmgr -a taken for a compositor that blends";
    EXPECT_FALSE(preview->isTranslucent());
    EXPECT_FALSE(preview->mask().contains(middle));
    ASSERT_TRUE(session.stop(automatic));
    controller.hideAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace
} // namespace fw
