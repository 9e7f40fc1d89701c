// Window capture and transitions on a real server (openbox, with and without xcompmgr): real
// windows are captured, the desktop behind them composed from the wallpaper, a shader
// transition plays over a real window through its frames to its end, the card shuffle brings a
// window forward, and without a compositing manager nothing is shown while the switch still happens.
// With FRAMEWELL_SHOTS_DIR set, the screenshot case photographs every effect at mid-progress.
#include "base/QtClock.h"
#include "overlay/OverlayWindow.h"
#include "platform/x11/X11Stacking.h"
#include "platform/x11/X11WindowCapture.h"
#include "transitions/ShaderPlayback.h"
#include "transitions/WindowTransitions.h"
#include "transitions/qt/GlTransitionPresenter.h"
#include "transitions/qt/TransitionGpu.h"
#include "transitions/qt/TransitionPanel.h"
#include "x11/AccessRig.h"
#include "x11/ScreenPhotos.h"
#include "x11/XSession.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace fw {
namespace {

using namespace std::chrono_literals;
using test::XSession;

using test::changed;
using test::grab;

// A transition panel of ours that the server shows.
bool panelShown(XSession& session)
{
    for (OverlayWindow* p : OverlayWindow::allPanels())
        if (p->title() == QStringLiteral("Framewell transition") && session.isViewable(xcb_window_t(p->winId())))
            return true;
    return false;
}

// The presenter's clock, telling which of its timers fired: how a transition went through its
// frames, read without timing it.
class PresenterTicks final : public Clock {
public:
    explicit PresenterTicks(Clock& inner) : inner_(inner) {}
    Duration now() const override { return inner_.now(); }
    TimerId schedule(Duration delay, std::function<void()> fn) override
    {
        return inner_.schedule(delay, [this, delay, fn = std::move(fn)] {
            fired_.push_back(delay);
            fn();
        });
    }
    void cancel(TimerId id) override { inner_.cancel(id); }
    // How many timers of this delay fired since the fired one at `from` (0: since the start).
    int fired(Duration delay, std::size_t from = 0) const
    {
        return int(std::count(fired_.begin() + std::ptrdiff_t(std::min(from, fired_.size())), fired_.end(), delay));
    }
    std::size_t mark() const { return fired_.size(); }

private:
    Clock& inner_;
    std::vector<Duration> fired_;
};

// openbox, optionally xcompmgr, and the transitions over the real adapters.
struct Desk {
    explicit Desk(bool compositor) : session(test::XSessionOptions{1920, 1080, true, compositor}) {}
    ~Desk() { OverlayWindow::setStacking(nullptr); }

    std::string start()
    {
        if (!session.ok())
            return session.error();
        app = std::make_unique<test::SessionApp>(session);
        stacking = std::make_unique<X11Stacking>();
        OverlayWindow::setStacking(stacking.get());
        ws = std::make_unique<X11WindowSystem>(session.display());
        capture = std::make_unique<X11WindowCapture>(session.display());
        capture->keepPictures();   // as the program does from its start
        access = std::make_unique<WindowAccess>(*ws, screens, clock, permissions);
        presenter = std::make_unique<GlTransitionPresenter>(ticks);
        services = std::make_unique<WindowTransitions>(*access, screens, permissions, *capture, *presenter);
        return ws->connected() && capture->available() ? "" : "no connection or no Composite";
    }
    XSession::Client client(const QString& title, const QString& colours, const QString& position)
    {
        return session.startTestClient(title, {"--colors", colours, "--size", "400x300", "--position", position});
    }
    // Two windows in one frame: "Back" (red | yellow) behind "Front" (green | cyan), painted.
    std::string stackOfTwo()
    {
        back = client(QStringLiteral("Back"), QStringLiteral("ff0000,ffff00"), QStringLiteral("300,200"));
        front = client(QStringLiteral("Front"), QStringLiteral("00ff00,00ffff"), QStringLiteral("300,200"));
        if (!back.window || !front.window)
            return session.error();
        slot = ws->frame(front.window);
        behind = ManagedWindow::make(*ws, back.window);
        inFront = ManagedWindow::make(*ws, front.window);
        if (!slot || !behind || !inFront || ws->frame(back.window) != slot)
            return "the two windows do not share one frame";
        const bool shown = session.waitFor([&] {
            return session.topmostMapped() == session.topLevelOf(front.window)
                && grab(*slot).pixel(50, 150) == qRgb(0, 255, 0);
        });
        return shown ? "" : "the front window never showed";
    }

    XSession session;
    std::unique_ptr<test::SessionApp> app;
    std::unique_ptr<X11Stacking> stacking;
    std::unique_ptr<X11WindowSystem> ws;
    std::unique_ptr<X11WindowCapture> capture;
    test::OneScreen screens;
    QtClock clock;
    PresenterTicks ticks{clock};
    X11Permissions permissions;
    std::unique_ptr<WindowAccess> access;
    std::unique_ptr<GlTransitionPresenter> presenter;
    std::unique_ptr<WindowTransitions> services;
    XSession::Client back, front;
    std::optional<ManagedWindow> behind, inFront;
    std::optional<Rect> slot;
};

// Sets a wallpaper of one colour, as wallpaper setters do; the pixmap lives with the session's
// connection.
void setWallpaper(XSession& session, std::uint32_t rgb)
{
    xcb_connection_t* c = session.connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, screen->root_depth, pixmap, session.root(), screen->width_in_pixels, screen->height_in_pixels);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, pixmap, XCB_GC_FOREGROUND, &rgb);
    const xcb_rectangle_t all{0, 0, screen->width_in_pixels, screen->height_in_pixels};
    xcb_poly_fill_rectangle(c, pixmap, gc, 1, &all);
    auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 13, "_XROOTPMAP_ID"), nullptr);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, session.root(), atom->atom, XCB_ATOM_PIXMAP, 32, 1, &pixmap);
    free(atom);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

TEST(CaptureX11, RealWindowsAndTheDesktopBehindThem)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (session.windowManager() == QLatin1String("evilwm"))
        GTEST_SKIP() << "evilwm does not minimize windows";
    auto term = session.startXterm(QStringLiteral("shell"), {"-geometry", "80x24+100+100"});
    ASSERT_TRUE(term.window) << session.error();
    auto painted = session.startTestClient(QStringLiteral("Painted"),
                                           {"--colors", "ff0000,0000ff", "--size", "400x300", "--position", "900,200"});
    ASSERT_TRUE(painted.window) << session.error();
    X11WindowSystem ws(session.display());
    X11WindowCapture capture(session.display());
    ASSERT_TRUE(capture.available());
    EXPECT_TRUE(capture.sharedMemory());

    // The xterm with its decorations: its text and title bar give it more than one colour.
    const auto termFrame = ws.frame(term.window);
    ASSERT_TRUE(termFrame);
    const PixelSize full{int(termFrame->width()), int(termFrame->height())};
    std::optional<PixelImage> shot;
    ASSERT_TRUE(session.waitFor([&] {
        shot = capture.captureWindow(term.window, *termFrame, full);
        return shot && std::set<std::uint32_t>(shot->pixels.begin(), shot->pixels.end()).size() >= 3;
    })) << "the xterm's picture stayed blank";
    EXPECT_EQ(shot->size(), full);
    const auto half = capture.captureWindow(term.window, *termFrame, {full.width / 2, full.height / 2});
    ASSERT_TRUE(half);
    EXPECT_EQ(half->size(), (PixelSize{full.width / 2, full.height / 2}));

    // The desktop behind an area across the painted window's left edge: wallpaper, then the
    // window where it lies (its right half shows only when the window is listed).
    setWallpaper(session, 0x336699);
    const auto frame = ws.frame(painted.window);
    ASSERT_TRUE(frame);
    const Rect area(frame->minX() - 100, frame->minY() + 100, 200, 100);
    std::optional<PixelImage> desk;
    ASSERT_TRUE(session.waitFor([&] {
        desk = capture.captureDesktop(area, {painted.window}, {200, 100});
        return desk && desk->pixel(150, 50) == argb(255, 255, 0, 0);
    })) << "the painted window never showed in the desktop picture";
    EXPECT_EQ(desk->pixel(10, 50), argb(255, 0x33, 0x66, 0x99));
    const auto bare = capture.captureDesktop(area, {}, {100, 50});
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->pixel(75, 25), argb(255, 0x33, 0x66, 0x99));

    // A minimized window has no picture.
    ASSERT_EQ(session.run({"xdotool", "windowminimize", QString::number(painted.window)}), 0);
    ASSERT_TRUE(session.waitFor([&] { return !session.isViewable(painted.window); }));
    EXPECT_FALSE(capture.captureWindow(painted.window, *frame, {400, 300}));
    EXPECT_FALSE(capture.captureWindow(0x7fffff0, *frame, {400, 300}));   // no such window
}

TEST(CaptureX11, AServerWithoutCompositeGivesNoPictures)
{
    if (const auto why = test::XSession::defaultRunOnlySkip("its session runs no window manager"))
        GTEST_SKIP() << *why;
    XSession session(test::XSessionOptions{800, 600, false, false, {"-extension", "Composite"}});
    ASSERT_TRUE(session.ok()) << session.error();
    auto painted = session.startTestClient(QStringLiteral("Painted"), {"--size", "200x100", "--position", "10,10"});
    ASSERT_TRUE(painted.window) << session.error();
    X11WindowCapture capture(session.display());
    ASSERT_TRUE(capture.connected());
    EXPECT_FALSE(capture.available());
    EXPECT_FALSE(capture.captureWindow(painted.window, Rect(10, 10, 200, 100), {200, 100}));
    EXPECT_FALSE(capture.captureDesktop(Rect(0, 0, 100, 100), {painted.window}, {100, 100}));
}

TEST(TransitionX11, PlaysOverARealWindowToItsLastFrame)
{
    Desk desk(true);
    ASSERT_EQ(desk.start(), "");
    ASSERT_TRUE(desk.services->gpuAvailable());
    ASSERT_EQ(desk.stackOfTwo(), "");
    const auto& window = desk.inFront;
    const auto& incoming = desk.behind;
    const auto& frame = desk.slot;
    const auto picture = test::runOnQtLoop(desk.services->capture(*window, *frame));
    ASSERT_TRUE(picture && *picture);
    const QImage before = grab(*frame);

    std::optional<std::size_t> revealedAt;   // the presenter's timers fired by then
    bool coveredAtReveal = false;
    double changeMidway = 0;
    int reveals = 0;
    // The switch: the window behind comes forward under the panel.
    ShaderTransition::RevealAction reveal = [&]() -> Task<void> {
        ++reveals;
        revealedAt = desk.ticks.mark();
        coveredAtReveal = panelShown(desk.session);
        desk.access->raise(*incoming);
        co_return;
    };
    // The screen looked at all through the play while the panel shows, not at one moment: a
    // compositing window manager (metacity) that a loaded machine holds shows nothing new meanwhile.
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (!revealedAt || !panelShown(desk.session))
            return;
        const double now = changed(before, grab(*frame));
        if (panelShown(desk.session))
            changeMidway = std::max(changeMidway, now);
    });
    sampler.start(25);
    auto transition = desk.services->makeShaderTransition(500ms);
    const auto done = test::runOnQtLoop(
        transition->play(StackTransition::genie, {{**picture, *frame, std::nullopt, std::nullopt}}, reveal));
    ASSERT_TRUE(done);
    sampler.stop();
    EXPECT_EQ(reveals, 1);
    ASSERT_TRUE(revealedAt);
    EXPECT_TRUE(coveredAtReveal);
    // It played frame by frame after the reveal, to its last frame: the safety end never came.
    EXPECT_GT(desk.ticks.fired(GlTransitionPresenter::frameInterval, *revealedAt), 1);
    EXPECT_EQ(desk.ticks.fired(500ms + GlTransitionPresenter::safetyMargin), 0) << "cut short by the safety end";
    // While it plays, the genie pours much of the picture away, uncovering the window behind.
    EXPECT_GT(changeMidway, 0.3) << "the genie did not show over the window";
    EXPECT_FALSE(panelShown(desk.session));
    // Nothing of the old picture is left once the panel is gone: the window behind shows.
    EXPECT_TRUE(desk.session.waitFor([&] {
        const QImage now = grab(*frame);
        return now.pixel(50, 150) == qRgb(255, 0, 0) && now.pixel(int(frame->width()) - 50, 150) == qRgb(255, 255, 0);
    }));
}

TEST(TransitionX11, CardShuffleBringsTheWindowBehindForward)
{
    Desk desk(true);
    ASSERT_EQ(desk.start(), "");
    ASSERT_EQ(desk.stackOfTwo(), "");
    const auto& [incoming, leaving, slot] = std::tie(desk.behind, desk.inFront, desk.slot);

    const auto shuffle =
        test::runOnQtLoop(desk.services->captureCardShuffle({{*incoming, slot->offsetBy(300, 0)}}, {*leaving}, *slot));
    ASSERT_TRUE(shuffle && *shuffle);
    ASSERT_EQ((*shuffle)->captures.size(), 3u);
    EXPECT_EQ((*shuffle)->captures[1].image->pixel(300, 250), argb(255, 255, 255, 0));

    const std::size_t before = desk.ticks.mark();
    ASSERT_TRUE(test::runOnQtLoop(desk.services->present(*shuffle, *incoming)));
    // Played, not skipped: its panel covered the scene, the cards moved frame by frame, and
    // the last frame stayed its while.
    EXPECT_EQ(desk.ticks.fired(GlTransitionPresenter::coverPause, before), 1);
    EXPECT_GT(desk.ticks.fired(GlTransitionPresenter::cardFrame, before), 1);
    EXPECT_EQ(desk.ticks.fired(GlTransitionPresenter::cardHold, before), 1);
    EXPECT_TRUE(desk.session.waitFor([&] { return desk.session.topmostMapped() == desk.session.topLevelOf(desk.back.window); }));
    EXPECT_FALSE(panelShown(desk.session));
}

// Whether this process has loaded an OpenGL driver (Mesa's, and the compiler its software
// renderer brings): once loaded, neither goes away before the process ends.
bool openGlDriverLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = maps.readAll();
    return text.contains("_dri.so") || text.contains("libLLVM");
}

// Without a compositor nothing is animated, and the OpenGL driver is never opened for it: its
// threads and tens of megabytes would stay for the whole session.
TEST(TransitionX11, WithoutACompositorNothingIsShownAndTheSwitchStillHappens)
{
    if (XSession::testWindowManager() == QLatin1String("metacity"))
        GTEST_SKIP() << "metacity always holds the compositing selection, so there is no desktop without one";
    Desk desk(false);
    ASSERT_EQ(desk.start(), "");
    ASSERT_EQ(desk.stackOfTwo(), "");
    const auto& [incoming, leaving, slot] = std::tie(desk.behind, desk.inFront, desk.slot);
    // Run alone, as ctest runs it; after other tests in one process the driver may be in already.
    const bool driverBefore = openGlDriverLoaded();

    EXPECT_FALSE(desk.services->gpuAvailable());   // black corners would be worse than no animation
    EXPECT_FALSE(test::runOnQtLoop(desk.services->captureCardShuffle({{*incoming, *slot}}, {*leaving}, *slot)).value_or(nullptr));

    const auto picture = test::runOnQtLoop(desk.services->capture(*leaving, *slot));
    ASSERT_TRUE(picture && *picture);   // pictures still work: thumbnails need them
    int reveals = 0;
    std::optional<std::size_t> revealedAt;   // the presenter's timers fired by then
    ShaderTransition::RevealAction reveal = [&]() -> Task<void> {
        ++reveals;
        revealedAt = desk.ticks.mark();
        desk.access->raise(*incoming);
        co_return;
    };
    auto transition = desk.services->makeShaderTransition(500ms);
    const std::size_t before = desk.ticks.mark();
    ASSERT_TRUE(test::runOnQtLoop(
        transition->play(StackTransition::melt, {{**picture, *slot, std::nullopt, std::nullopt}}, reveal)));
    EXPECT_EQ(revealedAt, std::optional<std::size_t>(before)) << "not at once: the presenter waited or covered first";
    EXPECT_EQ(reveals, 1);
    EXPECT_TRUE(OverlayWindow::allPanels().empty());
    EXPECT_TRUE(desk.session.waitFor([&] { return desk.session.topmostMapped() == desk.session.topLevelOf(desk.back.window); }));
    if (!driverBefore) {
        EXPECT_FALSE(openGlDriverLoaded()) << "the OpenGL driver was opened for a switch that draws nothing";
    }
}

} // namespace
} // namespace fw

namespace fw {
namespace {

// Draws one frame into a panel over the desktop and photographs the screen once the compositor
// shows it.
void photograph(XSession& session, TransitionPanel& panel, const std::function<void()>& draw, const QString& file)
{
    const Rect area = panel.panel()->frame();
    const QImage before = grab(area);
    panel.orderFront();
    ASSERT_TRUE(session.waitFor([&] { return panel.exposed(); }));
    // Drawn again until the compositing manager shows it, as playback does while it covers.
    ASSERT_TRUE(session.waitFor([&] {
        draw();
        return changed(before, grab(area)) > 0.05;
    })) << file.toStdString();
    ASSERT_TRUE(QGuiApplication::primaryScreen()->grabWindow(0).save(file)) << file.toStdString();
    panel.orderOut();
}

// For review by eye: every effect at mid-progress over a real xterm (the window behind already
// raised, as after the reveal), and the card shuffle at two moments.
TEST(TransitionX11, ScreenshotsAtMidProgress)
{
    const QString dir = qEnvironmentVariable("FRAMEWELL_SHOTS_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "FRAMEWELL_SHOTS_DIR is not set";
    Desk desk(true);
    ASSERT_EQ(desk.start(), "");
    setWallpaper(desk.session, 0x2a4d69);
    auto behind = desk.client(QStringLiteral("Behind"), QStringLiteral("ff8800,3366ff"), QStringLiteral("300,200"));
    auto term = desk.session.startXterm(QStringLiteral("shell"), {"-geometry", "70x22+300+200", "-bg", "#fdf6e3"});
    ASSERT_TRUE(behind.window && term.window) << desk.session.error();
    desk.session.run({"xdotool", "type", "--window", QString::number(term.window), "ls -la /usr/share"});
    const auto window = ManagedWindow::make(*desk.ws, term.window);
    const auto frame = desk.ws->frame(term.window);
    ASSERT_TRUE(window && frame);
    const auto picture = test::runOnQtLoop(desk.services->capture(*window, *frame));
    ASSERT_TRUE(picture && *picture);
    desk.access->raise(*ManagedWindow::make(*desk.ws, behind.window));

    auto gpu = desk.presenter->gpu();
    ASSERT_TRUE(gpu && gpu->makeCurrent());
    const unsigned texture = gpu->makeTexture(**picture);
    // The genie pours into its default point near the top left (window managers report no
    // minimize button position).
    const auto plan = planSurface(*frame, std::nullopt, std::nullopt);
    for (StackTransition t : {StackTransition::genie, StackTransition::tornado, StackTransition::melt,
                              StackTransition::disintegrate}) {
        TransitionPanel panel(*frame, 2);
        photograph(desk.session, panel, [&] {
            gpu->beginWindowFrame(panel.surface(), panel.drawableSize(), false);
            gpu->drawEffect(effectDraw(effectNumber(t), *plan, float(easeInOutCubic(0.5))), texture);
            gpu->present(panel.surface());
        }, dir + "/transition-" + rawValue(t) + ".png");
    }
    gpu->makeCurrent();
    gpu->deleteTexture(texture);

    // The card shuffle: the xterm comes in from behind the painted window.
    const auto slot = desk.ws->frame(behind.window);
    ASSERT_TRUE(desk.ws->setFrame(term.window, *slot));
    const auto shuffle = test::runOnQtLoop(desk.services->captureCardShuffle(
        {{*window, slot->offsetBy(320, 0)}}, {*ManagedWindow::make(*desk.ws, behind.window)}, *slot));
    ASSERT_TRUE(shuffle && *shuffle);
    gpu->makeCurrent();
    std::vector<unsigned> textures;
    for (const auto& capture : (*shuffle)->captures)
        textures.push_back(gpu->makeTexture(capture));
    for (double t : {0.25, 0.5}) {
        TransitionPanel panel((*shuffle)->scene.area, OverlayWindow::aboveEverythingLevel);
        photograph(desk.session, panel, [&] {
            gpu->beginWindowFrame(panel.surface(), panel.drawableSize(), true);
            gpu->drawCards((*shuffle)->drawList(t), textures);
            gpu->present(panel.surface());
        }, dir + QStringLiteral("/transition-shuffle-%1.png").arg(int(t * 100)));
    }
    gpu->makeCurrent();
    for (unsigned t : textures)
        gpu->deleteTexture(t);
}

} // namespace
} // namespace fw
