// Our windows on common screens at 125 %, 150 % and 200 % (Xft.dpi 120 on 1366 × 768, 144 and
// 192 on 1920 × 1080) with a panel along the bottom: every one of them (Getting Started, the
// tour, What's New, About, the shortcuts window, the layout editor, the import panel and an
// update alert) lies with its frame, title bar included, within the work area (the screen less
// the panel, also under a window manager that reserves no room for panels), and a window
// smaller than its design scrolls its content, its view ending on a whole line. A tip shown
// while Getting Started is open, or before it opens, never covers it: it stands (or moves) clear
// of it, or waits until it closes. With FRAMEWELL_SHOTS_DIR set,
// each window is photographed for review.
#include "app/qt/ShortcutsWindow.h"
#include "base/QtClock.h"
#include "base/UserDefaults.h"
#include "editor/qt/CustomLayoutEditor.h"
#include "editor/qt/CustomLayoutEditorController.h"
#include "editor/qt/LayoutFileController.h"
#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"
#include "onboarding/ProductInfo.h"
#include "onboarding/Tips.h"
#include "onboarding/WhatsNew.h"
#include "onboarding/qt/AboutWindow.h"
#include "onboarding/qt/TourWindow.h"
#include "onboarding/qt/UpdateAlerts.h"
#include "onboarding/qt/WelcomeVideoView.h"
#include "onboarding/qt/WelcomeWindow.h"
#include "onboarding/qt/WhatsNewWindow.h"
#include "overlay/OverlayWindow.h"
#include "overlay/ToastController.h"
#include "platform/qt/DevicePixels.h"
#include "platform/qt/WindowFit.h"
#include "platform/x11/X11Permissions.h"
#include "platform/x11/X11Screens.h"
#include "platform/x11/X11Stacking.h"
#include "platform/x11/X11WindowSystem.h"
#include "x11/ScreenPhotos.h"
#include "x11/XSession.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QDir>
#include <QFileDialog>
#include <QScrollArea>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <unistd.h>

namespace fw {
namespace {

using test::XSession;

// The window's frame once the window manager shows it and it has settled within `work`; the
// frame last seen otherwise.
std::optional<Rect> settledFrame(XSession& session, QWidget* window, xcb_window_t& id, const Rect& work)
{
    id = xcb_window_t(window->winId());
    if (!session.waitFor([&] { return session.isViewable(id) && session.wmFrame(id); }))
        return std::nullopt;
    // Settled: the frame within the work area and the size last given shown on the server, and
    // so for a while (the refit once Qt hears of the frame runs after the first answer); a size
    // put back stays wrong, and the caller says so.
    QElapsedTimer held;
    session.waitFor([&] {
        QApplication::processEvents();
        const auto frame = session.wmFrame(id);
        const auto client = session.clientSize(id);
        const Rect given = DevicePixels::windowFrame(window->geometry());
        const bool shown = frame && work.contains(*frame) && client && std::abs(client->width - given.width()) <= 1
            && std::abs(client->height - given.height()) <= 1;
        if (!shown)
            held.invalidate();
        else if (!held.isValid())
            held.start();
        return shown && held.elapsed() >= 400;
    }, 5000);
    QApplication::processEvents();
    return session.wmFrame(id);
}

struct FitDesk {
    int dpi, width, height;
};

std::ostream& operator<<(std::ostream& os, const FitDesk& d) { return os << d.dpi << "@" << d.width << "x" << d.height; }

class WindowFitX11 : public ::testing::TestWithParam<FitDesk> {
protected:
    // The session at the parameter's size and density, with a 40-pixel panel along the bottom;
    // empty on success, else why not.
    std::string start()
    {
        const FitDesk d = GetParam();
        session = std::make_unique<XSession>(test::XSessionOptions{d.width, d.height, true, false});
        if (!session->ok())
            return session->error();
        if (!session->mergeResources("Xft.dpi: " + QByteArray::number(d.dpi) + "\n"))
            return "xrdb failed";
        const QString strut = QStringLiteral("0,0,0,40,0,0,0,0,0,0,0,%1").arg(d.width - 1);
        panel = session->startTestClient(u"panel"_qs, {"--type", "dock", "--size", QStringLiteral("%1x40").arg(d.width),
                                                        "--position", QStringLiteral("0,%1").arg(d.height - 40),
                                                        "--strut-partial", strut});
        if (!panel.window)
            return "no panel: " + session->error();
        // A window manager that reserves no room for panels (evilwm: no strut in _NET_SUPPORTED)
        // publishes the whole screen as its work area; ours leaves the panel out all the same.
        const QStringList supported = session->atomNames(session->root(), "_NET_SUPPORTED");
        work_ = Rect(0, 0, d.width, d.height - 40);
        if ((supported.contains(u"_NET_WM_STRUT_PARTIAL"_qs) || supported.contains(u"_NET_WM_STRUT"_qs)) &&
            !session->waitFor([&] { return session->workArea() == work_; }))
            return "the work area never left out the panel";
        app = std::make_unique<test::SessionApp>(*session);
        windows = std::make_unique<X11WindowSystem>(session->display());
        screenPort = std::make_unique<X11Screens>();
        WindowFit::setPorts(windows.get(), screenPort.get());
        return {};
    }
    void TearDown() override { WindowFit::setPorts(nullptr, nullptr); }

    std::optional<Rect> settledFrame(QWidget* window, xcb_window_t& id)
    {
        return fw::settledFrame(*session, window, id, frameRoom());
    }

    // Where a frame of ours must lie: the work area; under evilwm a pixel more each way, for the
    // border it draws around its frame outside the extents it states.
    Rect frameRoom() const
    {
        if (session->windowManager() != QLatin1String("evilwm"))
            return work_;
        return Rect(work_.x() - 1, work_.y() - 1, work_.width() + 2, work_.height() + 2);
    }

    // The notice's frame on the server while it shows.
    std::optional<Rect> shownNotice(const ToastController& toast)
    {
        if (!toast.panel() || !toast.panel()->isVisible())
            return std::nullopt;
        const auto id = xcb_window_t(toast.panel()->winId());
        const auto at = session->rootPosition(id);
        const auto size = session->clientSize(id);
        return at && size ? std::optional(Rect(at->x, at->y, size->width, size->height)) : std::nullopt;
    }

    void photograph(xcb_window_t id, const QString& name)
    {
        const QString dir = qEnvironmentVariable("FRAMEWELL_SHOTS_DIR");
        if (dir.isEmpty())
            return;
        ASSERT_TRUE(QDir().mkpath(dir));
        const FitDesk d = GetParam();
        const auto frame = session->wmFrame(id);
        ASSERT_TRUE(frame);
        const QString file = QStringLiteral("%1/x11-fit-%2-%3x%4-%5.png").arg(dir).arg(d.dpi).arg(d.width).arg(d.height).arg(name);
        EXPECT_TRUE(rootArea(*session, *frame).save(file)) << file.toStdString();
    }

    std::unique_ptr<XSession> session;
    XSession::Client panel;
    std::unique_ptr<test::SessionApp> app;
    // The ports our windows are placed through, as the program sets them.
    std::unique_ptr<X11WindowSystem> windows;
    std::unique_ptr<X11Screens> screenPort;
    Rect work_;   // the screen less the panel
    QtClock clock;
};

TEST_P(WindowFitX11, EveryWindowOfOursLiesWithinTheWorkArea)
{
    ASSERT_EQ(start(), "");
    X11Permissions permissions;
    MemoryDefaults defaults;
    X11Screens screens;
    LayoutStore store(defaults);
    const ScreenInfo screen = screens.screens().front();
    const Rect work = work_;
    ASSERT_EQ(screen.visibleFrame, work);

    WelcomeWindowController welcome(permissions, defaults, clock);
    TourWindowController tour(clock);
    WhatsNewWindowController whatsNew(WhatsNew::entries("1.16.1", "1.18.1"), clock);
    AboutWindowController about(clock);
    ShortcutsWindowController shortcuts(defaults);
    CustomLayoutEditorController editors(store, screens, clock);
    LayoutFileController files(store, screens, clock, [](const QString&) {});
    const ReleaseInfo release{u"1.19"_qs, 2, u"13"_qs, QUrl(u"https://corvellan.example/framewell/"_qs), {}, {}};
    std::unique_ptr<QMessageBox> alert;

    struct Shown {
        QString name;
        std::function<QWidget*()> open;
        QSize designed;   // the content's design, for a window that scrolls; empty for others
    };
    const std::vector<Shown> windows{
        {u"welcome"_qs, [&] { welcome.show(); return welcome.window(); }, QSize(720, 750)},
        {u"tour"_qs, [&] { tour.open(1); return tour.window(); }, QSize(680, 520)},
        {u"whats-new"_qs, [&] { whatsNew.show(); return whatsNew.window(); }, QSize(560, 460)},
        {u"about"_qs, [&] { about.show(); return about.window(); }, AboutView::sizeFor(vendorHost())},
        {u"shortcuts"_qs, [&] {
             WindowFit::fitToWorkArea(shortcuts.window());
             shortcuts.show();
             return shortcuts.window();
         }, QSize(660, 412)},
        {u"editor"_qs, [&] {
             editors.createCustomLayout(displayKey(screen));
             return static_cast<QWidget*>(editors.editor());
         }, QSize(CustomLayoutEditor::contentWidth, CustomLayoutEditor::contentHeight)},
        {u"import"_qs, [&] {
             files.importLayouts(displayKey(screen));
             return static_cast<QWidget*>(files.filePanel());
         }, QSize()},
        {u"update-alert"_qs, [&] {
             alert = makeUpdateAlert(UpdateCheck::Outcome::available(release, productVersion()), u"corvellan.example"_qs,
                                     u"Debian GNU/Linux"_qs);
             alert->show();
             return static_cast<QWidget*>(alert.get());
         }, QSize()},
    };
    for (const Shown& shown : windows) {
        SCOPED_TRACE(shown.name.toStdString());
        QWidget* window = shown.open();
        ASSERT_TRUE(window);
        xcb_window_t id = XCB_NONE;
        const auto frame = settledFrame(window, id);
        ASSERT_TRUE(frame) << session->error();
        EXPECT_TRUE(frameRoom().contains(*frame)) << toString(*frame).toStdString() << " outside " << toString(work).toStdString();
        // The size the window was last given stands (within the device pixel that Qt's rounding
        // at 150 % can take): no write of its place put back a size from before.
        const auto client = session->clientSize(id);
        ASSERT_TRUE(client);
        const Rect given = DevicePixels::windowFrame(window->geometry());
        EXPECT_TRUE(std::abs(client->width - given.width()) <= 1 && std::abs(client->height - given.height()) <= 1)
            << "on the server " << client->width << "×" << client->height << ", given " << given.width() << "×"
            << given.height();
        // The title bar above the client is part of the frame, and the frame is what Qt knows.
        const auto extents = session->frameExtents(id);
        ASSERT_TRUE(extents);
        EXPECT_GT(extents->top, 0) << "framed by the window manager";
        if (shown.designed.isValid()) {
            // Its design where it fits; else smaller, its content scrolled or a part of it shrunk.
            QWidget* content = WindowFit::content(window);
            if (window->width() >= shown.designed.width() && window->height() >= shown.designed.height()) {
                EXPECT_EQ(window->size(), shown.designed);
            } else if (content != window) {
                EXPECT_TRUE(window->findChild<QScrollArea*>()->isVisible());
            }
            // A scrolled view ends on a whole line: its fold cuts no button or line of text (no
            // widget without widgets inside, but between the lines of a paragraph, a part more
            // than three lines high).
            if (content != window) {
                const int fold = window->findChild<QScrollArea*>()->viewport()->height();
                for (QWidget* w : content->findChildren<QWidget*>()) {
                    if (!w->isVisibleTo(content) || w->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
                        continue;
                    const QRect r(w->mapTo(content, QPoint()), w->size());
                    const int line = w->fontMetrics().lineSpacing();
                    if (r.top() >= fold || r.bottom() < fold)
                        continue;
                    EXPECT_TRUE(r.height() > 3 * line && (fold - r.top()) % line == 0)
                        << "the fold at " << fold << " cuts a " << w->metaObject()->className() << " at " << r.top()
                        << "–" << r.bottom();
                }
            }
            // Every control reachable: in the window, or in the scrolled content.
            for (const QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
                if (!b->isVisibleTo(window) || (content != window && content->isAncestorOf(b)))
                    continue;
                EXPECT_TRUE(window->rect().contains(QRect(b->mapTo(window, QPoint()), b->size())))
                    << b->text().toStdString();
            }
        }
        photograph(id, shown.name);
        if (shown.name == QLatin1String("tour") && !qEnvironmentVariableIsEmpty("FRAMEWELL_SHOTS_DIR")) {
            for (int page = 0; page < tourPageCount; ++page) {
                tour.show(page);
                test::waitStill(*session);
                QApplication::processEvents();
                photograph(id, QStringLiteral("tour-%1").arg(page + 1));
            }
        }
        window->close();
        session->waitFor([&] { return !session->isViewable(id); }, 2000);
    }
}

// A window of ours closed and opened again opens where it was, each time: not where the window
// manager held its new frame for a moment before placing it.
TEST_P(WindowFitX11, AWindowOpenedAgainOpensWhereItWas)
{
    ASSERT_EQ(start(), "");
    MemoryDefaults defaults;
    ShortcutsWindowController shortcuts(defaults);
    std::optional<Rect> first;
    for (int opening = 1; opening <= 4; ++opening) {
        WindowFit::fitToWorkArea(shortcuts.window());
        shortcuts.show();
        xcb_window_t id = XCB_NONE;
        const auto frame = settledFrame(shortcuts.window(), id);
        ASSERT_TRUE(frame) << session->error();
        if (!first)
            first = frame;
        // Within a logical pixel: Qt's request lands a pixel off under a window manager that
        // reads its corner as another (evilwm), and may land after our correction.
        const double pixel = std::ceil(DevicePixels::ratioAt(first->origin));
        EXPECT_TRUE(std::abs(frame->x() - first->x()) <= pixel && std::abs(frame->y() - first->y()) <= pixel)
            << "opening " << opening << " at " << toString(*frame).toStdString() << ", first at "
            << toString(*first).toStdString();
        shortcuts.window()->close();
        ASSERT_TRUE(session->waitFor([&] { return !session->isViewable(id); }, 2000));
    }
}

// What the tip cases make Getting Started and the tip with. The tip follows the compositing as
// the program's panels do (opaque without one): the overlay's stacking is in while this lives.
struct TipServices {
    TipServices() { OverlayWindow::setStacking(&stacking); }
    ~TipServices() { OverlayWindow::setStacking(nullptr); }
    TipServices(const TipServices&) = delete;
    TipServices& operator=(const TipServices&) = delete;

    X11Permissions permissions;
    MemoryDefaults defaults;
    X11Screens screens;
    X11Stacking stacking;
};

TEST_P(WindowFitX11, ATipNeverCoversGettingStarted)
{
    ASSERT_EQ(start(), "");
    TipServices services;
    auto& [permissions, defaults, screens, stacking] = services;
    WelcomeWindowController welcome(permissions, defaults, clock);
    welcome.show();
    xcb_window_t id = XCB_NONE;
    const auto welcomeFrame = settledFrame(welcome.window(), id);
    ASSERT_TRUE(welcomeFrame);

    // The stack tip of a first start with windows already stacked, the pointer over the window.
    session->warpPointer(int(welcomeFrame->midX()), int(welcomeFrame->midY()));
    ToastController toast(clock, screens, [] { return std::optional<Point>(DevicePixels::cursor()); });
    toast.show(TipPresenter::notice(tipText(Tip::badge)), 60, true);
    const auto panelFrame = [&] { return shownNotice(toast); };
    std::optional<Rect> shown;
    const auto shot = [&](const QString& name) {
        const QString dir = qEnvironmentVariable("FRAMEWELL_SHOTS_DIR");
        if (dir.isEmpty())
            return;
        test::waitStill(*session, work_);
        rootArea(*session, work_).save(QStringLiteral("%1/x11-fit-%2-%3.png").arg(dir).arg(GetParam().dpi).arg(name));
    };
    if (!toast.waiting()) {
        ASSERT_TRUE(session->waitFor([&] { return bool(shown = panelFrame()); })) << "the tip never showed";
        EXPECT_FALSE(shown->intersects(*welcomeFrame))
            << "tip " << toString(*shown).toStdString() << " over " << toString(*welcomeFrame).toStdString();
        EXPECT_TRUE(work_.contains(*shown));
        shot(u"tip"_qs);
        return;
    }
    // No place clear of it: the tip waits, and shows once Getting Started closes.
    EXPECT_FALSE(toast.panel());
    welcome.close();
    EXPECT_TRUE(session->waitFor([&] { return bool(shown = panelFrame()); })) << "the tip never showed";
    EXPECT_FALSE(toast.waiting());
    shot(u"tip-after"_qs);
}

// A tip shown first, at the bottom centre, then Getting Started opening under it (a first start
// with windows left stacked: the tip came before the window was mapped): the tip moves clear of
// it, or, with no place clear, goes and waits until Getting Started closes.
TEST_P(WindowFitX11, ATipMovesOffGettingStartedOpeningUnderIt)
{
    ASSERT_EQ(start(), "");
    TipServices services;
    auto& [permissions, defaults, screens, stacking] = services;
    session->warpPointer(int(work_.midX()), int(work_.midY()));
    ToastController toast(clock, screens, [] { return std::optional<Point>(DevicePixels::cursor()); });
    toast.show(TipPresenter::notice(tipText(Tip::badge)), 60, true);
    std::optional<Rect> tip;
    ASSERT_TRUE(session->waitFor([&] { return bool(tip = shownNotice(toast)); })) << "the tip never showed";
    WelcomeWindowController welcome(permissions, defaults, clock);
    welcome.show();
    xcb_window_t id = XCB_NONE;
    const auto welcomeFrame = settledFrame(welcome.window(), id);
    ASSERT_TRUE(welcomeFrame);
    ASSERT_TRUE(tip->intersects(*welcomeFrame)) << "Getting Started opened clear of the tip: nothing to show";
    const auto clearOrWaiting = [&] {
        tip = shownNotice(toast);
        return tip ? !tip->intersects(*welcomeFrame) && work_.contains(*tip) : toast.waiting();
    };
    EXPECT_TRUE(session->waitFor(clearOrWaiting, 3000))
        << "tip " << (tip ? toString(*tip).toStdString() : "gone") << " over " << toString(*welcomeFrame).toStdString();
    if (!toast.waiting())
        return;
    welcome.close();
    EXPECT_TRUE(session->waitFor([&] { return bool(shownNotice(toast)); })) << "the tip never showed again";
}

// With two monitors the editor and the file panels of the right display open there, within its
// visible frame, wherever the pointer is.
TEST(WindowFitX11Displays, EditorAndFilePanelsOpenOnTheDisplayTheyServe)
{
    XSession session({3200, 1080, true, false});
    ASSERT_TRUE(session.ok()) << session.error();
    ASSERT_TRUE(session.splitIntoTwoMonitors()) << session.error();
    ASSERT_TRUE(session.mergeResources("Xft.dpi: 144\n"));
    test::SessionApp app(session);
    X11WindowSystem windows(session.display());
    X11Screens ports;
    WindowFit::setPorts(&windows, &ports);
    const std::shared_ptr<void> unset(nullptr, [](void*) { WindowFit::setPorts(nullptr, nullptr); });
    QtClock clock;
    MemoryDefaults defaults;
    X11Screens screens;
    LayoutStore store(defaults);
    const auto all = screens.screens();
    const auto right = std::find_if(all.begin(), all.end(), [](const ScreenInfo& s) { return s.frame.minX() == 1920; });
    ASSERT_NE(right, all.end());
    session.warpPointer(300, 300);

    CustomLayoutEditorController editors(store, screens, clock);
    LayoutFileController files(store, screens, clock, [](const QString&) {});
    const std::vector<std::pair<QString, std::function<QWidget*()>>> panels{
        {u"editor"_qs, [&] {
             editors.createCustomLayout(displayKey(*right));
             return static_cast<QWidget*>(editors.editor());
         }},
        {u"export"_qs, [&] {
             files.exportLayouts(displayKey(*right), std::nullopt);
             return static_cast<QWidget*>(files.filePanel());
         }},
    };
    for (const auto& [name, open] : panels) {
        QWidget* window = open();
        ASSERT_TRUE(window) << name.toStdString();
        xcb_window_t id = XCB_NONE;
        const auto frame = settledFrame(session, window, id, right->visibleFrame);
        ASSERT_TRUE(frame) << name.toStdString();
        EXPECT_TRUE(right->visibleFrame.contains(*frame))
            << name.toStdString() << " at " << toString(*frame).toStdString();
        window->close();
        session.waitFor([&] { return !session.isViewable(id); }, 2000);
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, WindowFitX11,
                         ::testing::Values(FitDesk{120, 1366, 768}, FitDesk{144, 1920, 1080}, FitDesk{192, 1920, 1080}),
                         [](const auto& info) {
                             return QStringLiteral("Dpi%1At%2x%3")
                                 .arg(info.param.dpi)
                                 .arg(info.param.width)
                                 .arg(info.param.height)
                                 .toStdString();
                         });

} // namespace
} // namespace fw
