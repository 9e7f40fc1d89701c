// Our panels whatever composites the screen: nothing, xcompmgr blending alpha, xcompmgr -a
// (the server's own automatic compositing: it owns the compositing selection yet blends
// nothing, so every transparent pixel shows black), xcompmgr -c or picom with its sample
// configuration (both shadowing windows): no box, wedge or halo round what a panel draws. At 100 % and 200 % (Xft.dpi 96 and 192):
// a stack badge on the window's edge and on the title bar is cut to what it draws, so around
// it the terminal beneath shows as it was, never black, and so do the desktop at the layout
// picker's rounded corners; the title-bar badge keeps at least its compact size (22 logical
// pixels thick, 14 for an icon) however thin the window manager's bar, its strip across the
// bar's middle (kept on the screen) and clear of the window manager's buttons, or without a
// title bar inside the window by its top left corner. The stack's switcher and the tile menu
// under xcompmgr -c: nothing round their cards changes, the menu's transparent corners
// included. With FRAMEWELL_SHOTS_DIR set, each case is photographed for
// review.
// A drop preview over a terminal full of text: where translucency shows (xcompmgr) the text
// shows through its tint; elsewhere (nothing, or xcompmgr -a, which the platform reports as no
// compositing) only its outline is drawn and the text inside stays exactly as it was.
// Every case runs under openbox; under the matrix's other window managers no compositing and
// xcompmgr -c at both densities: the compositors treat our unmanaged panels alike whatever
// manager frames the terminals, and those two cases keep what each manager draws (title bar,
// buttons, frame) under a shaped and under a blended, shadowed panel.
#include "layout/ScreenGeometry.h"
#include "overlay/OverlayController.h"
#include "overlay/OverlayWindow.h"
#include "platform/qt/DevicePixels.h"
#include "stacks/StackPresenter.h"
#include "stacks/qt/QtStackSurfaces.h"
#include "stacks/qt/StackBadgeView.h"
#include "stacks/qt/WindowStackAnchorView.h"
#include "stacks/qt/WindowStackPicker.h"
#include "x11/CoordinatorRig.h"
#include "x11/ScreenPhotos.h"
#include "x11/XSession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QHash>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <xcb/xcb.h>

namespace fw {
namespace {

using test::CoordinatorRig;
using test::SessionApp;
using test::XSession;

// What composites the screen: nothing, xcompmgr blending alpha, xcompmgr -a, xcompmgr -c
// (shadows under every window without alpha) or picom with its sample configuration (shadows,
// fading, inactive windows dimmed).
enum class Compositing { none, blending, alphaBlind, shadows, picom };

constexpr const char* kPicomSample = "/usr/share/doc/picom/examples/picom.sample.conf";

bool blends(Compositing c) { return c != Compositing::none && c != Compositing::alphaBlind; }

struct Case {
    int dpi;
    Compositing compositing;
};

QString nameOf(Compositing c)
{
    switch (c) {
    case Compositing::none:
        return u"none"_qs;
    case Compositing::blending:
        return u"xcompmgr"_qs;
    case Compositing::alphaBlind:
        return u"xcompmgr-a"_qs;
    case Compositing::shadows:
        return u"xcompmgr-c"_qs;
    case Compositing::picom:
        return u"picom"_qs;
    }
    return {};
}

constexpr QRgb kTerminal = 0x2aa198;

// The area once it differs from `reference` (a photograph of the same area) by at least the
// share and has not changed for a while: what was shown or hidden there has been drawn (a
// compositor paints a while after the server maps or unmaps, and one that fades steps every
// few milliseconds). The last photograph at the deadline.
QImage settled(XSession& session, const Rect& device, const QImage& reference, double share)
{
    QImage last, now;
    QElapsedTimer still;
    still.start();
    session.waitFor([&] {
        now = rootArea(session, device);
        if (now.isNull() || now != last)
            still.restart();
        last = now;
        return still.elapsed() >= 150 && test::changed(reference, now) >= share;
    });
    return now;
}

// Whether a window's WM_NORMAL_HINTS give no base size below zero. Window managers read it as
// unsigned, and one that takes it for a missing minimum (fluxbox) makes -2 a size of 65534.
bool soundBaseSize(XSession& session, xcb_window_t window)
{
    xcb_connection_t* c = session.connection();
    auto cookie = xcb_get_property(c, 0, window, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 0, 18);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(xcb_get_property_reply(c, cookie, nullptr),
                                                                           &std::free);
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 18 * 4)
        return true;
    const auto* hints = static_cast<const std::int32_t*>(xcb_get_property_value(reply.get()));
    constexpr std::int32_t baseSizeGiven = 1 << 8;
    return !(hints[0] & baseSizeGiven) || (hints[15] >= 0 && hints[16] >= 0);
}

bool near(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) < 24 && std::abs(qGreen(a) - qGreen(b)) < 24 && std::abs(qBlue(a) - qBlue(b)) < 24;
}

// Whether the photograph is of one colour (the desktop alone), looked at every few pixels.
bool uniform(const QImage& photo)
{
    if (photo.isNull())
        return false;
    const QRgb first = photo.pixel(0, 0);
    for (int y = 0; y < photo.height(); y += 4)
        for (int x = 0; x < photo.width(); x += 4)
            if (photo.pixel(x, y) != first)
                return false;
    return true;
}

// The bounding box of the pixels that differ from the photograph's first, for failure messages.
std::string unlikeFirst(const QImage& photo)
{
    if (photo.isNull())
        return "no photograph";
    const QRgb first = photo.pixel(0, 0);
    QRect box;
    for (int y = 0; y < photo.height(); y += 4)
        for (int x = 0; x < photo.width(); x += 4)
            if (photo.pixel(x, y) != first)
                box |= QRect(x, y, 4, 4);
    return box.isNull() ? "none" : toString(Rect(box.x(), box.y(), box.width(), box.height())).toStdString();
}

bool dark(QRgb c) { return qRed(c) < 48 && qGreen(c) < 48 && qBlue(c) < 48; }

void saveShot(const QImage& shot, const QString& name, const Case& c)
{
    const QString dir = qEnvironmentVariable("FRAMEWELL_SHOTS_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    const QString file = u"%1/x11-compositor-%2-%3-%4.png"_qs.arg(dir, nameOf(c.compositing)).arg(c.dpi).arg(name);
    EXPECT_TRUE(shot.save(file)) << file.toStdString();
}

// How the screen photographed with a panel (`with`) and without it (`without`) differs over
// the part `photo` of the panel's frame: pixels outside its shape that changed, and pixels that
// turned dark, each as a share.
struct Difference {
    double outsideShape = 1, turnedDark = 1;
};

Difference compare(const QRegion& shape, const Rect& frame, const Rect& photo, const QImage& with,
                   const QImage& without, double ratio)
{
    int outside = 0, darkened = 0, all = 0;
    for (int y = 0; y < with.height() && y < without.height(); ++y) {
        for (int x = 0; x < with.width() && x < without.width(); ++x, ++all) {
            const QRgb a = with.pixel(x, y), b = without.pixel(x, y);
            darkened += dark(a) && !dark(b);
            const QPoint logical(int(std::floor((x + photo.minX() - frame.minX()) / ratio)),
                                 int(std::floor((y + photo.minY() - frame.minY()) / ratio)));
            outside += !shape.contains(logical) && !near(a, b);
        }
    }
    if (!all)
        return {};
    return {shape.isEmpty() ? 1 : double(outside) / all, double(darkened) / all};
}

class CompositorAlphaX11 : public ::testing::TestWithParam<Case> {
protected:
    double ratio() const { return GetParam().dpi / 96.0; }

    // The bare session at the case's density, with its compositing; empty on success.
    std::string start(XSession& session)
    {
        if (!session.ok())
            return session.error();
        if (!session.mergeResources("Xft.dpi: " + QByteArray::number(GetParam().dpi) + "\n"))
            return "xrdb failed";
        const Compositing c = GetParam().compositing;
        if (c == Compositing::none)
            return session.compositing() ? "a compositor runs" : "";
        QStringList argv{u"xcompmgr"_qs};
        if (c == Compositing::alphaBlind)
            argv << u"-a"_qs;
        if (c == Compositing::shadows)
            argv << u"-c"_qs;
        if (c == Compositing::picom) {
            // The sample as it stands, less the vsync a virtual screen cannot give, and with its
            // fades done in one step: a photograph is taken once the screen holds still, and a
            // fade that picom, descheduled, pauses midway would pass for a still screen.
            QFile sample(QString::fromLatin1(kPicomSample));
            const QString config = session.directory() + u"/picom.conf"_qs;
            QFile copy(config);
            if (!sample.open(QIODevice::ReadOnly) || !copy.open(QIODevice::WriteOnly))
                return "cannot copy picom's sample configuration";
            QByteArray text = sample.readAll();
            text.replace("\nvsync = true;", "\nvsync = false;");
            for (const char* step : {"fade-in-step", "fade-out-step"}) {
                const QByteArray setting = "\n" + QByteArray(step) + " = ";
                const qsizetype at = text.indexOf(setting);
                if (at < 0)
                    return std::string("picom's sample configuration sets no ") + step;
                text.replace(at, text.indexOf(';', at) - at, setting + "1.0");
            }
            copy.write(text);
            copy.close();
            argv = QStringList{u"picom"_qs, u"--config"_qs, config};
        }
        if (!session.spawn(argv) || !session.waitFor([&] { return session.compositing(); }))
            return argv.front().toStdString() + " did not start: " + session.error();
        if (blends(c) && !session.waitFor([&] { return session.compositorPaints(); }))
            return argv.front().toStdString() + " did not take over the screen";
        return {};
    }

    // Why the case adds nothing under this window manager: see the top of the file.
    std::optional<std::string> matrixSkip() const
    {
        const Compositing c = GetParam().compositing;
        if (c == Compositing::none || c == Compositing::shadows)
            return std::nullopt;
        return XSession::defaultRunOnlySkip(
            nameOf(c).toStdString()
            + " draws our unmanaged panels alike under every window manager (none and xcompmgr -c run with each)");
    }

    // Whether the case's compositor is missing here: picom is packaged apart.
    bool unavailable() const
    {
        return GetParam().compositing == Compositing::picom
            && (QStandardPaths::findExecutable(u"picom"_qs).isEmpty() || !QFile::exists(QString::fromLatin1(kPicomSample)));
    }

    // Two terminals over a desktop of their colour ("<name> one" and "two"), none where the
    // desktop could not be painted. Their text cursor hidden: drawn filled or hollow as their
    // focus comes and goes, it would change beside our panels whatever they do.
    std::pair<XSession::Client, XSession::Client> terminals(XSession& session, const QString& name)
    {
        if (session.run({u"xsetroot"_qs, u"-solid"_qs, QColor(kTerminal).name()}) != 0)
            return {};
        const QStringList terminal{"-geometry", "80x24+100+100", "-bg", QColor(kTerminal).name(), "-e", "sh", "-c",
                                   "printf '\\033[?25l'; exec sh"};
        return {session.startXterm(name + u" one"_qs, terminal), session.startXterm(name + u" two"_qs, terminal)};
    }

    // The one badge, shown and faded in, with the panel's frame on the server.
    BadgePanel* shownBadge(XSession& session, CoordinatorRig& rig)
    {
        BadgePanel* panel = nullptr;
        session.waitFor([&] {
            const auto& badges = rig.stacks.presenter()->badges();
            panel = badges.size() == 1 ? dynamic_cast<BadgePanel*>(badges.begin()->second.panel.get()) : nullptr;
            return panel && panel->isVisible() && panel->window().windowOpacity() >= 1
                && session.isViewable(xcb_window_t(panel->window().winId()));
        });
        return panel;
    }

    // The badge photographed once drawn over the screen as it was before (`desk`), then taken
    // away with every badge and photographed again: around what it draws the screen is
    // unchanged, and it darkens no more of its frame than `darkShare`.
    void expectOnlyItsDrawing(XSession& session, CoordinatorRig& rig, BadgePanel& badge, const QImage& desk,
                              const QString& name, double darkShare)
    {
        const Rect frame = badge.frame();
        QRegion shape = badge.window().shape();
        const bool shaped = shape != QRegion(badge.window().rect());
        // Where a compositor blends, the smooth edge reaches into the pixels beside the shape.
        if (blends(GetParam().compositing))
            shape += shape.translated(1, 0) + shape.translated(-1, 0) + shape.translated(0, 1) + shape.translated(0, -1);
        const auto window = xcb_window_t(badge.window().winId());
        // The frame and a band round it, where a compositor's shadow would fall.
        const Rect photo = frame.insetBy(-12 * ratio(), -12 * ratio()).intersection(Rect(0, 0, 1920, 1080));
        const QImage before =
            desk.copy(QRect(int(photo.minX()), int(photo.minY()), int(photo.width()), int(photo.height())));
        const QImage with = settled(session, photo, before, 0.05);
        saveShot(rootArea(session, frame.insetBy(-60 * ratio(), -40 * ratio())), name, GetParam());
        rig.stacks.setBadgesEnabled(false);
        ASSERT_TRUE(session.waitFor([&] { return !session.exists(window) || !session.isViewable(window); }));
        const QImage without = settled(session, photo, with, 0.05);
        const Difference d = compare(shape, frame, photo, with, without, ratio());
        EXPECT_TRUE(shaped) << name.toStdString() << ": the panel is not shaped";
        EXPECT_EQ(d.outsideShape, 0) << name.toStdString() << ": outside what it draws the screen changed";
        EXPECT_LE(d.turnedDark, darkShare) << name.toStdString() << ": the badge darkens its frame";
        EXPECT_GT(test::changed(with, without), 0.05) << name.toStdString() << ": the badge was not drawn";
    }
};

TEST_P(CompositorAlphaX11, BadgesAndThePickerLeaveTheTerminalInSightAndTheTitleBarBadgeIsWhole)
{
    if (const auto why = matrixSkip())
        GTEST_SKIP() << *why;
    if (unavailable())
        GTEST_SKIP() << "picom or its sample configuration is not installed";
    XSession session({.bareDesktop = true});
    ASSERT_EQ(start(session), "");
    const auto [one, two] = terminals(session, u"alpha"_qs);
    ASSERT_TRUE(one.window && two.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    const ScreenInfo screen = rig.screens.screens().front();
    ASSERT_EQ(screen.scale, ratio());
    ASSERT_EQ(rig.stacking.compositing(), blends(GetParam().compositing));
    ASSERT_TRUE(rig.stackInLeftHalf(session, one.window, two.window));
    const QImage desk = rootArea(session, Rect(0, 0, 1920, 1080));
    rig.stacks.start();
    ASSERT_TRUE(rig.stacks.presenter());

    // On the window's left edge, over the terminal's first characters: a disc at rest.
    BadgePanel* badge = shownBadge(session, rig);
    ASSERT_TRUE(badge) << "no badge on the edge";
    expectOnlyItsDrawing(session, rig, *badge, desk, u"edge"_qs, 0.35);

    // On the title bar: the strip at rest at least the compact badge, across the bar's middle
    // (or from the screen's top down), left of the window manager's buttons (not placed in a
    // free stretch of the bar). A window manager that draws no title bars (evilwm) leaves it the
    // spot inside the window's top edge, by its left corner.
    rig.stacks.setBadgesEnabled(true);
    rig.stacks.setAutoPlaceBadges(false);
    rig.stacks.setBadgesOnEdge(false);
    badge = shownBadge(session, rig);
    ASSERT_TRUE(badge) << "no badge on the title bar";
    const auto frame = rig.ws.frame(two.window);
    ASSERT_TRUE(frame);
    const QRectF strip = badge->view().frames().background, icon = badge->view().frames().icons.at(0);
    const Rect onScreen = DevicePixels::toDevice(QRectF(badge->view().mapToGlobal(strip.topLeft()), strip.size()));
    EXPECT_GE(strip.height(), 22) << "thinner than the compact badge";
    EXPECT_GE(icon.height(), 14) << "an icon smaller than the compact badge's";
    EXPECT_NEAR(onScreen.height(), 22 * ratio(), 1);
    const double top = topLeftVisibleFrame(screen).minY();
    EXPECT_GE(badge->frame().minY(), top) << "the panel leaves the screen";
    if (session.titleBars()) {
        const auto bar = rig.ws.titleBarHeight(two.window);
        ASSERT_TRUE(bar);
        const double middle = frame->minY() + *bar / 2;
        EXPECT_TRUE(std::abs(onScreen.midY() - middle) <= 1 || (onScreen.minY() == top && onScreen.maxY() > middle))
            << "strip at " << toString(onScreen).toStdString() << ", the bar's middle at " << middle;
        const TitleBarButtons buttons = rig.desktop.titleBarButtons();
        EXPECT_LE(onScreen.maxX(), frame->maxX() - buttons.right * *bar - 4 * ratio() + 1) << "over the buttons";
        EXPECT_GE(onScreen.minX(), frame->minX() + buttons.left * *bar) << "over the buttons";
    } else {
        EXPECT_TRUE(frame->contains(badge->frame()))
            << "the panel " << toString(badge->frame()).toStdString() << " leaves the window "
            << toString(*frame).toStdString();
        EXPECT_TRUE(Rect(frame->minX(), frame->minY(), 12 * ratio(), 12 * ratio()).contains(onScreen.origin))
            << "strip at " << toString(onScreen).toStdString() << ", not by the window's top left corner "
            << toString(*frame).toStdString();
    }
    expectOnlyItsDrawing(session, rig, *badge, desk, u"title-bar"_qs, 0.35);
    rig.stacks.stop();

    // The picker as its hot key opens it, a rounded card at the top, with the terminals out of
    // its way (it takes the keyboard, so their title bars change): its corners show the desktop,
    // and nothing round it changes, no shadow box under a compositor that shadows windows. Its
    // size hints hold no negative base size, for a window manager that reads them.
    for (const xcb_window_t w : {one.window, two.window})
        ASSERT_TRUE(rig.ws.setFrame(w, Rect(1500, 900, 400, 160)));
    ASSERT_TRUE(session.activate(two.window));
    // Their move drawn before the photograph the picker is held against: a compositor on a busy
    // machine repaints a while after the server moved them, and a photograph with them still in
    // the top part, where the picker's card and its band lie, took their going for the picker.
    ASSERT_TRUE(session.waitFor([&] { return uniform(rootArea(session, Rect(0, 0, 1920, 720))); }, 10000))
        << "the terminals' move was never drawn: unlike the desktop at "
        << unlikeFirst(rootArea(session, Rect(0, 0, 1920, 720))) << "; the terminals at "
        << toString(session.wmFrame(one.window).value_or(Rect())).toStdString() << ", "
        << toString(session.wmFrame(two.window).value_or(Rect())).toStdString() << "; panels of ours shown "
        << [] {
               int shown = 0;
               for (const OverlayWindow* p : OverlayWindow::allPanels())
                   shown += p->isVisible() ? 1 : 0;
               return shown;
           }();
    const QImage screenBefore = rootArea(session, Rect(0, 0, 1920, 1080));
    ASSERT_TRUE(rig.placeFocusedWindow());
    OverlayWindow* picker = rig.overlay.picker.get();
    ASSERT_TRUE(picker && session.waitFor([&] { return session.isViewable(xcb_window_t(picker->winId())); }));
    EXPECT_TRUE(soundBaseSize(session, xcb_window_t(picker->winId()))) << "a negative base size";
    const Rect card = picker->frame();
    // What it draws (its rounded card); where a compositor blends, the smooth edge reaches into
    // the pixels beside it, and nothing cuts the card's edge to whole pixels.
    QRegion drawn = picker->shape();
    if (blends(GetParam().compositing)) {
        drawn += drawn.translated(1, 0) + drawn.translated(-1, 0) + drawn.translated(0, 1) + drawn.translated(0, -1);
        EXPECT_TRUE(picker->mask().isEmpty()) << "the picker's rounded corners are cut to whole pixels";
    }
    // The card and a band round it, where a compositor's shadow would fall.
    const Rect photo = card.insetBy(-12 * ratio(), -12 * ratio()).intersection(Rect(0, 0, 1920, 1080));
    const QImage with = settled(
        session, photo, screenBefore.copy(QRect(int(photo.minX()), int(photo.minY()), int(photo.width()), int(photo.height()))),
        0.3);
    saveShot(rootArea(session, card.insetBy(-20, -20)), u"picker"_qs, GetParam());
    rig.overlay.hideAll();
    ASSERT_TRUE(session.waitFor([&] { return !session.isViewable(xcb_window_t(picker->winId())); }));
    const QImage without = settled(session, photo, with, 0.3);
    ASSERT_EQ(with.size(), without.size());
    EXPECT_GT(test::changed(with, without), 0.3) << "the picker was not drawn";
    const QRect inCard(int(card.minX() - photo.minX()), int(card.minY() - photo.minY()), int(card.width()), int(card.height()));
    for (const QPoint at : {inCard.topLeft(), inCard.topRight() - QPoint(2, 0), inCard.bottomLeft() - QPoint(0, 2),
                            inCard.bottomRight() - QPoint(2, 2)}) {
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_TRUE(near(with.pixel(at + QPoint(x, y)), without.pixel(at + QPoint(x, y))))
                    << "the picker's corner at " << at.x() << "," << at.y() << " is "
                    << QColor(with.pixel(at + QPoint(x, y))).name().toStdString();
    }
    int shadowed = 0;
    for (int y = 0; y < with.height(); ++y)
        for (int x = 0; x < with.width(); ++x)
            shadowed += !inCard.contains(x, y) && !near(with.pixel(x, y), without.pixel(x, y));
    EXPECT_EQ(shadowed, 0) << "pixels round the picker changed";
    // Beside its rounded corners too, the screen is as it was: no shadow box and no wedge.
    const Difference d = compare(drawn, card, photo, with, without, ratio());
    EXPECT_EQ(d.outsideShape, 0) << std::lround(d.outsideShape * with.width() * with.height())
                                 << " pixels outside the picker's card changed";
}

// The stack's switcher, opened by resting on the front terminal's title-bar button under a
// compositor that shadows windows: beside its card the screen is as it was, no box of a window
// manager's frame shadowed round it.
TEST_P(CompositorAlphaX11, TheSwitcherCastsNoShadowBox)
{
    if (GetParam().compositing != Compositing::shadows || GetParam().dpi != 96)
        GTEST_SKIP() << "photographed under xcompmgr -c at 96 dpi only";
    XSession session({.bareDesktop = true});
    ASSERT_EQ(start(session), "");
    if (!session.titleBars())
        GTEST_SKIP() << "no title-bar button to rest on under " << session.windowManager().toStdString();
    const auto [one, two] = terminals(session, u"switcher"_qs);
    ASSERT_TRUE(one.window && two.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    ASSERT_TRUE(rig.stackInLeftHalf(session, one.window, two.window));
    ASSERT_TRUE(rig.startDragMonitor());
    // The badge on the window's edge, far from the button and the switcher.
    rig.stacks.setBadgesOnEdge(true);
    rig.stacks.start();
    rig.stacks.refresh(true);
    const auto button = rig.access.minimizeButtonFrame(two.window);
    ASSERT_TRUE(button);
    WindowStackAnchorView* anchor = nullptr;
    ASSERT_TRUE(session.waitFor([&] {
        for (const auto& [w, a] : rig.stacks.presenter()->anchors())
            if (w.element == two.window && a.origin == *button)
                anchor = &dynamic_cast<QtAnchorPanel*>(rig.stacks.presenter()->panel(w))->view();
        return anchor != nullptr;
    }));
    const QImage desk = rootArea(session, Rect(0, 0, 1920, 1080));
    session.warpPointer(int(button->midX()) - 1, int(button->midY()));
    session.moveRelative(1, 0);
    ASSERT_TRUE(session.waitFor([&] { return anchor->popoverShown() && anchor->picker(); }, 8000))
        << "resting on the button never opened the switcher";
    auto* popover = qobject_cast<OverlayWindow*>(anchor->picker()->window());
    ASSERT_TRUE(popover && session.waitFor([&] { return session.isViewable(xcb_window_t(popover->winId())); }));
    const Rect frame = popover->frame();
    // What it draws; the smooth edge reaches into the pixels beside it.
    QRegion drawn = popover->shape();
    drawn += drawn.translated(1, 0) + drawn.translated(-1, 0) + drawn.translated(0, 1) + drawn.translated(0, -1);
    // The card and a band round it, where a compositor's shadow would fall.
    const Rect photo = frame.insetBy(-16, -16).intersection(Rect(0, 0, 1920, 1080));
    const QImage with = settled(
        session, photo, desk.copy(QRect(int(photo.minX()), int(photo.minY()), int(photo.width()), int(photo.height()))),
        0.3);
    saveShot(rootArea(session, frame.insetBy(-40, -40)), u"switcher"_qs, GetParam());
    anchor->closePopover();
    ASSERT_TRUE(session.waitFor([&] { return !session.isViewable(xcb_window_t(popover->winId())); }));
    const QImage without = settled(session, photo, with, 0.3);
    const Difference d = compare(drawn, frame, photo, with, without, ratio());
    EXPECT_EQ(d.outsideShape, 0) << std::lround(d.outsideShape * with.width() * with.height())
                                 << " pixels outside the switcher's card changed";
    EXPECT_GT(test::changed(with, without), 0.3) << "the switcher was not drawn";
    rig.stacks.stop();
}

// The tile menu shown over the desktop under a compositor that shadows windows: beside its
// rounded card the screen is as it was, no shadow showing through its transparent corners.
TEST_P(CompositorAlphaX11, TheTileMenuCastsNoShadowThroughItsCorners)
{
    if (GetParam().compositing != Compositing::shadows || GetParam().dpi != 96)
        GTEST_SKIP() << "photographed under xcompmgr -c at 96 dpi only";
    XSession session({.bareDesktop = true});
    ASSERT_EQ(start(session), "");
    SessionApp app(session);
    CoordinatorRig rig(session);
    const DropActionMenu menu = DropActionMenu::centeredIn(
        Rect(200, 200, 800, 400), {RegionDropIntent::place(0), RegionDropIntent::swap(0)}, {}, ratio());
    // The card and a band round it, where a compositor's shadow would fall.
    const Rect photo = menu.frame.insetBy(-16, -16);
    const QImage desk = rootArea(session, photo);
    rig.overlay.showActionMenu(menu, std::nullopt, false);
    OverlayWindow* panel = rig.overlay.actionMenu();
    ASSERT_TRUE(panel && session.waitFor([&] { return session.isViewable(xcb_window_t(panel->winId())); }));
    ASSERT_EQ(panel->frame(), menu.frame);
    // What it draws; the smooth edge reaches into the pixels beside it.
    QRegion drawn = panel->shape();
    drawn += drawn.translated(1, 0) + drawn.translated(-1, 0) + drawn.translated(0, 1) + drawn.translated(0, -1);
    const QImage with = settled(session, photo, desk, 0.3);
    saveShot(rootArea(session, menu.frame.insetBy(-40, -40)), u"tile-menu"_qs, GetParam());
    rig.overlay.hideAll();
    ASSERT_TRUE(session.waitFor([&] { return !session.isViewable(xcb_window_t(panel->winId())); }));
    const QImage without = settled(session, photo, with, 0.3);
    const Difference d = compare(drawn, menu.frame, photo, with, without, ratio());
    EXPECT_EQ(d.outsideShape, 0) << std::lround(d.outsideShape * with.width() * with.height())
                                 << " pixels outside the tile menu's card changed";
    EXPECT_GT(test::changed(with, without), 0.3) << "the tile menu was not drawn";
}

// A window's WM_ICON_NAME: the terminal below sets it once all its text is written.
QByteArray iconName(XSession& session, xcb_window_t window)
{
    xcb_connection_t* c = session.connection();
    auto cookie = xcb_get_property(c, 0, window, XCB_ATOM_WM_ICON_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 16);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(xcb_get_property_reply(c, cookie, nullptr),
                                                                           &std::free);
    if (!reply || reply->format != 8)
        return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

// The share of an image that is not its commonest colour: the text on a terminal's background.
double textShare(const QImage& image)
{
    QHash<QRgb, int> colours;
    int commonest = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            commonest = std::max(commonest, ++colours[image.pixel(x, y)]);
    return image.isNull() ? 0 : 1 - double(commonest) / (double(image.width()) * image.height());
}

TEST_P(CompositorAlphaX11, ADropPreviewLeavesTheTerminalsTextInSight)
{
    if (const auto why = matrixSkip())
        GTEST_SKIP() << *why;
    if (unavailable())
        GTEST_SKIP() << "picom or its sample configuration is not installed";
    XSession session({.bareDesktop = true});
    ASSERT_EQ(start(session), "");
    const QStringList text{"-geometry", "100x40+100+100", "-bg", QColor(kTerminal).name(), "-e", "sh", "-c",
                           "seq 1 4000 | paste -d ' ' - - - - - - - - - - - -; printf '\\033]1;written\\007'; exec cat"};
    const auto term = session.startXterm(u"under the preview"_qs, text);
    ASSERT_TRUE(term.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    const bool blending = blends(GetParam().compositing);
    EXPECT_EQ(rig.stacking.compositing(), blending) << "the platform's answer";
    const auto frame = session.wmFrame(term.window);
    ASSERT_TRUE(frame);
    // The preview over most of the terminal's part in the work area, photographed there, the
    // text shown: the window manager's own panels (fluxbox's toolbar with its ticking clock)
    // stay out of the photograph.
    const Rect visible = frame->intersection(rig.screens.screens().front().visibleFrame);
    const Rect preview = visible.insetBy(40 * ratio(), 40 * ratio());
    const Rect photo = preview;
    // Photographed once the text is all written (a terminal under load pauses in its midst).
    ASSERT_TRUE(session.waitFor([&] { return iconName(session, term.window) == "written"; }))
        << "the terminal did not write its text";
    QImage before;
    ASSERT_TRUE(session.waitFor([&] {
        const QImage now = rootArea(session, photo);
        const bool still = !now.isNull() && now == before;
        before = now;
        return still && textShare(now) > 0.05;
    })) << "the terminal shows no text";
    rig.overlay.showPreview(preview);
    OverlayWindow* panel = rig.overlay.preview();
    ASSERT_TRUE(panel && session.waitFor([&] { return session.isViewable(xcb_window_t(panel->winId())); }));
    EXPECT_EQ(panel->isTranslucent(), blending);
    const QImage with = settled(session, photo, before, 0.005);
    saveShot(rootArea(session, photo.insetBy(-20 * ratio(), -20 * ratio())), u"drop-preview"_qs, GetParam());
    ASSERT_EQ(with.size(), before.size());
    // The middle of the preview, well inside its border.
    const int inset = int(30 * ratio());
    const QRect middle = QRect(0, 0, with.width(), with.height()).adjusted(inset, inset, -inset, -inset);
    int changedInside = 0;
    for (int y = middle.top(); y <= middle.bottom(); ++y)
        for (int x = middle.left(); x <= middle.right(); ++x)
            changedInside += with.pixel(x, y) != before.pixel(x, y);
    const double changedShare = double(changedInside) / (double(middle.width()) * middle.height());
    EXPECT_GT(textShare(with.copy(middle)), 0.05) << "no text shows inside the preview";
    if (blending) {
        // The faint tint changes every pixel a little.
        EXPECT_GT(changedShare, 0.9) << "the preview is not tinted";
    } else {
        // Only the outline: inside it the screen is exactly as it was; the ring is drawn and
        // darkens nothing.
        const Difference d = compare(panel->mask(), panel->frame(), photo, with, before, ratio());
        EXPECT_EQ(changedInside, 0) << "the preview hides the terminal";
        EXPECT_EQ(d.outsideShape, 0) << "outside its outline the screen changed";
        EXPECT_LE(d.turnedDark, 0.001) << "the preview darkens the terminal";
        EXPECT_GT(test::changed(before, with), 0.005) << "no outline drawn";
    }
    rig.overlay.hideAll();
}

INSTANTIATE_TEST_SUITE_P(Compositors, CompositorAlphaX11,
                         ::testing::Values(Case{96, Compositing::none}, Case{96, Compositing::blending},
                                           Case{96, Compositing::alphaBlind}, Case{96, Compositing::shadows},
                                           Case{96, Compositing::picom}, Case{192, Compositing::none},
                                           Case{192, Compositing::blending}, Case{192, Compositing::alphaBlind},
                                           Case{192, Compositing::shadows}, Case{192, Compositing::picom}),
                         [](const auto& info) {
                             return (nameOf(info.param.compositing).replace(u'-', u'_') + u"_"_qs
                                     + QString::number(info.param.dpi))
                                 .toStdString();
                         });

} // namespace
} // namespace fw
