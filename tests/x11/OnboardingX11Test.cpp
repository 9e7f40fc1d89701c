// The onboarding windows on a real server with openbox: each maps at its content size under
// its title, and closing the welcome window with the window manager's close button (a
// _NET_CLOSE_WINDOW request, as a click on the title bar's button makes) ends the video that
// plays in it. With FRAMEWELL_SHOTS_DIR set, each window is also photographed for review.
#include "app/HotKeys.h"
#include "app/WelcomeShortcuts.h"
#include "base/QtClock.h"
#include "onboarding/WhatsNew.h"
#include "onboarding/qt/AboutWindow.h"
#include "onboarding/ProductInfo.h"
#include "onboarding/qt/TourWindow.h"
#include "onboarding/qt/UpdateAlerts.h"
#include "onboarding/qt/WelcomeVideoView.h"
#include "onboarding/qt/WelcomeWindow.h"
#include "onboarding/qt/WhatsNewWindow.h"
#include "overlay/OverlayStyle.h"
#include "overlay/OverlayWindow.h"
#include "platform/qt/WindowFit.h"
#include "platform/x11/X11GlobalHotKeys.h"
#include "platform/x11/X11Permissions.h"
#include "platform/x11/X11Screens.h"
#include "platform/x11/X11Stacking.h"
#include "platform/x11/X11WindowSystem.h"
#include "x11/ScreenPhotos.h"
#include "x11/XSession.h"

#include <QApplication>
#include <QIcon>
#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <set>
#include <unistd.h>

namespace fw {
namespace {

using test::XSession;

class StillPlayer : public VideoPlayer {
public:
    explicit StillPlayer(int& stops) : stops_(stops) {}
    void play() override {}
    void stop() override { ++stops_; }
    bool ready() const override { return true; }
    QWidget* surface() override
    {
        auto* picture = new QWidget;
        picture->setStyleSheet(QStringLiteral("background: black;"));
        return picture;
    }

private:
    int& stops_;
};

struct OnboardingDesk {
    XSession session;
    std::unique_ptr<test::SessionApp> app;
    // The ports our windows are placed through, as the program sets them.
    std::unique_ptr<X11WindowSystem> windows;
    std::unique_ptr<X11Screens> screens;
    QtClock clock;

    OnboardingDesk()
    {
        if (session.ok() && XSession::shotsCompositor().value_or(false))
            session.startCompositor();
        if (session.ok()) {
            app = std::make_unique<test::SessionApp>(session);
            windows = std::make_unique<X11WindowSystem>(session.display());
            screens = std::make_unique<X11Screens>();
            WindowFit::setPorts(windows.get(), screens.get());
        }
    }
    ~OnboardingDesk() { WindowFit::setPorts(nullptr, nullptr); }

    // The client window of our own top-level window with this title, once the WM shows it.
    xcb_window_t mapped(QWidget* window)
    {
        const xcb_window_t id = session.waitForWindow(window->windowTitle(), getpid());
        if (id == XCB_NONE)
            return id;
        session.syncWithWindowManager();
        // Let the window paint before it is photographed.
        session.waitFor([&] { return window->isVisible() && !window->visibleRegion().isEmpty(); }, 1000);
        QApplication::processEvents();
        return id;
    }

    // The window with its frame as the server shows it.
    QImage picture(xcb_window_t client)
    {
        const auto frame = session.wmFrame(client);
        return frame ? test::grab(*frame) : QImage();
    }

    // Photographs the window, only when a review directory is named.
    void photograph(xcb_window_t client, const QString& name)
    {
        const QString dir = qEnvironmentVariable("FRAMEWELL_SHOTS_DIR");
        if (dir.isEmpty())
            return;
        ASSERT_TRUE(QDir().mkpath(dir));
        // A compositor shows the window a little after it painted: wait for more than one colour.
        const auto drawn = [&] {
            const QImage image = picture(client);
            for (int y = 0; y < image.height(); y += 7)
                for (int x = 0; x < image.width(); x += 7)
                    if (image.pixel(x, y) != image.pixel(0, 0))
                        return true;
            return false;
        };
        session.waitFor(drawn, 3000);
        EXPECT_TRUE(picture(client).save(dir + "/" + name)) << name.toStdString();
    }

    // Asks the window manager to close the window, as its close button does.
    void closeByWindowManager(xcb_window_t client)
    {
        xcb_connection_t* c = session.connection();
        const auto atom = [c](const char* name) {
            xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
            const xcb_atom_t a = r ? r->atom : XCB_NONE;
            free(r);
            return a;
        };
        xcb_client_message_event_t ev{};
        ev.response_type = XCB_CLIENT_MESSAGE;
        ev.format = 32;
        ev.window = client;
        ev.type = atom("_NET_CLOSE_WINDOW");
        ev.data.data32[0] = XCB_CURRENT_TIME;
        ev.data.data32[1] = 2;
        xcb_send_event(c, 0, session.root(),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&ev));
        xcb_flush(c);
    }
};

// The widths of the icons a window offers in _NET_WM_ICON (width, height, pixels, …).
std::set<int> iconSizes(XSession& session, xcb_window_t window)
{
    xcb_connection_t* c = session.connection();
    const char* name = "_NET_WM_ICON";
    auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t icon = atom ? atom->atom : XCB_NONE;
    free(atom);
    auto* reply = xcb_get_property_reply(c, xcb_get_property(c, 0, window, icon, XCB_ATOM_CARDINAL, 0, 1 << 20), nullptr);
    std::set<int> sizes;
    if (reply && reply->format == 32) {
        const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
        const std::size_t n = std::size_t(xcb_get_property_value_length(reply)) / 4;
        for (std::size_t i = 0; i + 2 <= n && v[i] == v[i + 1];) {
            sizes.insert(int(v[i]));
            i += 2 + std::size_t(v[i]) * v[i + 1];
        }
    }
    free(reply);
    return sizes;
}

const std::set<int> kIconSizes{16, 22, 24, 32, 48, 64, 128};

// The program's icon on every window for the duration of a test, as the program sets it.
struct WindowIcon {
    WindowIcon() { installWindowIcon(); }
    ~WindowIcon() { QGuiApplication::setWindowIcon(QIcon()); }
};

TEST(OnboardingX11, WelcomeMapsAtItsSizeAndItsCloseButtonEndsTheVideo)
{
    OnboardingDesk desk;
    ASSERT_TRUE(desk.session.ok()) << desk.session.error();
    const WindowIcon icon;
    X11Permissions permissions;
    MemoryDefaults defaults;
    // The panels' stacking port, as the program installs it: it tells whether a compositor runs.
    X11Stacking stacking;
    OverlayWindow::setStacking(&stacking);
    const std::shared_ptr<void> unset(nullptr, [](void*) { OverlayWindow::setStacking(nullptr); });
    X11GlobalHotKeys keys(desk.session.display());
    HotKeys hotKeys(keys, defaults);
    const HotKeyLabels labels(hotKeys);
    WelcomeWindowController welcome(permissions, defaults, desk.clock,
                                    [&] { return welcomeShortcutLine(labels); });
    int stops = 0;
    StillPlayer* player = nullptr;
    welcome.makePlayer = [&](const QUrl&) {
        auto made = std::make_unique<StillPlayer>(stops);
        player = made.get();
        return made;
    };
    welcome.setVideoSource(QUrl::fromLocalFile(QStringLiteral(FW_TEST_DATA "/welcome-test.mp4")));
    welcome.show();
    const xcb_window_t id = desk.mapped(welcome.window());
    ASSERT_NE(id, XCB_NONE) << desk.session.error();
    EXPECT_EQ(desk.session.clientSize(id), Size(720, 750));
    EXPECT_EQ(iconSizes(desk.session, id), kIconSizes) << "Getting Started's icons";
    // The frame centred on the screen's free area once the window manager has said how large it
    // is, not the content (that stood half a title bar low). pekwm places new windows by a rule
    // of its own, about where they were asked to go.
    const QPoint middle = welcome.window()->screen()->availableGeometry().center();
    const double slack = desk.session.windowManager() == QLatin1String("pekwm") ? 20 : 2;
    const auto centred = [&] {
        const auto frame = desk.session.wmFrame(id);
        return frame && std::abs(frame->midX() - middle.x()) <= slack && std::abs(frame->midY() - middle.y()) <= slack;
    };
    EXPECT_TRUE(desk.session.waitFor(centred, 3000)) << "frame at " << toString(*desk.session.wmFrame(id)).toStdString();
    EXPECT_EQ(welcome.permissionLabel()->text(), "● Ready. Framewell lives in your tray.") << "granted on X11";
    EXPECT_FALSE(welcome.resetButton()->isVisible());
    EXPECT_FALSE(welcome.permissionButton()->isVisible()) << "nothing to set";
    EXPECT_EQ(welcome.previewsLabel()->text(), desk.session.compositing()
                                                   ? "● Window previews on, with the 3D Shuffle."
                                                   : "● Window previews on; a compositor adds the 3D Shuffle.");
    desk.photograph(id, "welcome.png");

    const QImage before = desk.picture(id);
    welcome.playVideo();
    ASSERT_TRUE(welcome.video());
    EXPECT_TRUE(desk.session.waitFor([&] { return desk.picture(id) != before; })) << "the overlay shows";
    desk.photograph(id, "welcome-video.png");
    if (!qEnvironmentVariableIsEmpty("FRAMEWELL_SHOTS_DIR") && player && player->onFailed) {
        const QImage playing = desk.picture(id);
        auto fail = player->onFailed;
        fail();
        desk.session.waitFor([&] { return desk.picture(id) != playing; });
        desk.photograph(id, "welcome-video-failed.png");
    }
    desk.closeByWindowManager(id);
    EXPECT_TRUE(desk.session.waitFor([&] { return !welcome.window()->isVisible(); }));
    EXPECT_FALSE(welcome.video());
    EXPECT_EQ(stops, 1);

    // Without a video source: the picture without the button, for review.
    if (!qEnvironmentVariableIsEmpty("FRAMEWELL_SHOTS_DIR")) {
        welcome.setVideoSource(QUrl());
        welcome.show();
        const xcb_window_t again = desk.mapped(welcome.window());
        ASSERT_NE(again, XCB_NONE);
        desk.photograph(again, "welcome-no-video.png");
        welcome.close();
    }
}

TEST(OnboardingX11, TourWhatsNewAndAboutMapAtTheirSizesWithTheProgramsIconAndCloseOnEscape)
{
    OnboardingDesk desk;
    ASSERT_TRUE(desk.session.ok()) << desk.session.error();
    const WindowIcon icon;
    TourWindowController tour(desk.clock);
    WhatsNewWindowController whatsNew(WhatsNew::entries("1.16.1", "1.17.1"), desk.clock);
    AboutWindowController about(desk.clock);

    const std::vector<std::tuple<QWidget*, std::function<void()>, QSize, QString>> windows{
        {tour.window(), [&] { tour.open(1); }, QSize(680, 520), "tour.png"},
        {whatsNew.window(), [&] { whatsNew.show(); }, QSize(560, 460), "whats-new.png"},
        {about.window(), [&] { about.show(); }, AboutView::sizeFor(vendorHost()), "about.png"},
    };
    for (const auto& [window, show, size, shot] : windows) {
        show();
        const xcb_window_t id = desk.mapped(window);
        ASSERT_NE(id, XCB_NONE) << shot.toStdString();
        EXPECT_EQ(desk.session.clientSize(id), Size(size.width(), size.height())) << shot.toStdString();
        EXPECT_EQ(iconSizes(desk.session, id), kIconSizes) << shot.toStdString();
        desk.photograph(id, shot);
        // Escape on the focused window closes it, as it closes our other windows.
        ASSERT_TRUE(desk.session.waitFor([&] { return window->isActiveWindow(); })) << shot.toStdString();
        EXPECT_EQ(desk.session.run({u"xdotool"_qs, u"key"_qs, u"Escape"_qs}), 0);
        EXPECT_TRUE(desk.session.waitFor([&] { return !window->isVisible(); })) << shot.toStdString() << " stays open";
        window->close();
    }

    // Every page of the tour and an update alert, for review.
    if (qEnvironmentVariableIsEmpty("FRAMEWELL_SHOTS_DIR"))
        return;
    const ReleaseInfo release{u"1.19"_qs, 2, u"13"_qs, QUrl(u"https://corvellan.example/framewell/"_qs), {}, {}};
    for (const auto& [outcome, shot] : {std::pair{UpdateCheck::Outcome::available(release, productVersion()),
                                                  u"update-alert.png"_qs},
                                        std::pair{UpdateCheck::Outcome::upToDate(productVersion()),
                                                  u"update-alert-current.png"_qs}}) {
        auto alert = makeUpdateAlert(outcome, u"corvellan.example"_qs, u"Debian GNU/Linux"_qs);
        alert->show();
        const xcb_window_t shown = desk.mapped(alert.get());
        ASSERT_NE(shown, XCB_NONE) << shot.toStdString();
        desk.photograph(shown, shot);
        alert->close();
    }
    tour.open(0);
    const xcb_window_t id = desk.mapped(tour.window());
    for (int page = 0; page < tourPageCount; ++page) {
        const QImage before = desk.picture(id);
        tour.show(page);
        desk.session.waitFor([&] { return page == 0 || desk.picture(id) != before; });
        desk.photograph(id, QStringLiteral("tour-%1.png").arg(page + 1));
    }
}

} // namespace
} // namespace fw
