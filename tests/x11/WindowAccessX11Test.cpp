// Window access on a real server: verified writes (also while the WM is held up), animated and
// group moves under the test WM.
#include "base/Log.h"
#include "windows/FrameMatch.h"
#include "x11/AccessRig.h"
#include "x11/XSession.h"

#include <QScopeGuard>
#include <QTimer>
#include <gtest/gtest.h>

#include <cmath>

namespace fw {
namespace {

using test::AccessRig;
using test::runOnQtLoop;
using test::XSession;

TEST(WindowAccessX11, AVerifiedWriteTakesTheFrameXtermsCellGridKeeps)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto term = session.startXterm(QStringLiteral("cells"));
    auto client = session.startTestClient(QStringLiteral("free"), {"--size", "500x400"});
    ASSERT_TRUE(term.window && client.window) << session.error();
    AccessRig rig(session);
    log::Capture logs;

    auto termWindow = ManagedWindow::make(rig.ws, term.window);
    ASSERT_TRUE(termWindow);
    EXPECT_EQ(termWindow->appName, QStringLiteral("XTerm"));
    const auto hints = rig.ws.sizeHints(term.window);
    ASSERT_TRUE(hints);
    ASSERT_GE(hints->increment.width, 4);
    ASSERT_GE(hints->increment.height, 4);
    // Half a cell off the grid in both directions: the window takes the frame cut to its grid,
    // counted from its base size, and that is no refusal.
    const Rect region(8, 8, hints->base.width + 100 * hints->increment.width + std::floor(hints->increment.width / 2),
                      hints->base.height + 30 * hints->increment.height + std::floor(hints->increment.height / 2));
    std::optional<Rect> rejected;
    // xterm sets its hints again after each resize of its own: stopped until its hints are
    // changed below, it cannot set them back in between.
    ASSERT_TRUE(session.pause(term.pid));
    auto termRuns = qScopeGuard([&] { session.resume(term.pid); });
    auto ok = runOnQtLoop(rig.access.setFrame(*termWindow, region, 1.0, [&](std::optional<Rect> r) { rejected = r; }));
    ASSERT_TRUE(ok);
    EXPECT_TRUE(*ok);
    EXPECT_FALSE(rejected);
    EXPECT_EQ(session.wmFrame(term.window),
              Rect(8, 8, hints->base.width + 100 * hints->increment.width, hints->base.height + 30 * hints->increment.height));
    EXPECT_TRUE(logs.messages(LogCategory::WindowAccess).isEmpty());
    // The grid is the one the window has now, also while it is known from the write's notices:
    // cells changed at once after the write (another font) are the ones the next write is
    // judged by.
    std::uint32_t cells[18] = {};
    cells[0] = 64;   // PResizeInc
    cells[9] = 13;
    cells[10] = 29;
    free(xcb_request_check(session.connection(),
                           xcb_change_property_checked(session.connection(), XCB_PROP_MODE_REPLACE, term.window,
                                                       XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32, 18, cells)));
    const auto changed = rig.ws.sizeHints(term.window);
    ASSERT_TRUE(changed);
    EXPECT_EQ(changed->increment, (Size{13, 29}));
    termRuns.dismiss();
    session.resume(term.pid);

    // A window without a grid takes the frame exactly.
    auto free = ManagedWindow::make(rig.ws, client.window);
    ASSERT_TRUE(free);
    EXPECT_EQ(runOnQtLoop(rig.access.setFrame(*free, Rect(960, 8, 952, 700), 1.0)), true);
    EXPECT_EQ(session.wmFrame(client.window), Rect(960, 8, 952, 700));

    // A window manager that a loaded machine does not schedule for longer than the checks
    // take has refused nothing: the write counts once it has been handled.
    if (session.windowManager() == QLatin1String("evilwm"))
        GTEST_SKIP() << "evilwm reads a move's corner as the client's inside its border, which only an answered "
                        "write corrects";
    ASSERT_TRUE(session.pause(session.windowManagerPid()));
    QTimer::singleShot(900, [&] { session.resume(session.windowManagerPid()); });
    EXPECT_EQ(runOnQtLoop(rig.access.setFrame(*free, Rect(40, 60, 800, 600), 1.0, [&](std::optional<Rect> r) { rejected = r; })),
              true);
    session.resume(session.windowManagerPid());
    EXPECT_FALSE(rejected);
    EXPECT_EQ(session.wmFrame(client.window), Rect(40, 60, 800, 600));
    // The write ended on the server's notices of the frame: the barrier sent after it may still
    // be on its way through the window manager, but nothing stays pending.
    EXPECT_TRUE(session.waitFor([&] { return !rig.ws.writesPending(); }));
    EXPECT_TRUE(logs.messages(LogCategory::WindowAccess).isEmpty());
}

// Moves with resizes near the screen's edges: a window that would reach past the screen when
// moved at its old size shrinks first; the others are moved and sized in one request. Each
// ends exactly at its frame under every window manager.
TEST(WindowAccessX11, VerifiedWritesNearTheEdgesEndAtTheirFramesWhateverTheOrder)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto client = session.startTestClient(QStringLiteral("edges"), {"--size", "1200x800"});
    ASSERT_TRUE(client.window) << session.error();
    AccessRig rig(session);
    auto window = ManagedWindow::make(rig.ws, client.window);
    ASSERT_TRUE(window);
    const Rect area = session.workArea().value_or(Rect(0, 0, 1920, 1080));
    const Rect large(area.x() + 8, area.y() + 8, 1200, 800);
    const Rect steps[] = {
        large,
        // Smaller, at the right edge: the old size at the new origin is off the screen.
        Rect(area.maxX() - 408, area.y() + 8, 400, 300),
        // Larger and to the left: one request.
        Rect(area.maxX() - 1108, area.maxY() - 808, 1100, 800),
        // Smaller, up and to the left: one request.
        Rect(area.x() + 8, area.y() + 8, 600, 500),
        // Larger, right and down, past where the old frame reached: one request.
        Rect(area.maxX() - 1208, area.maxY() - 708, 1200, 700),
        // Smaller, at the bottom: the old height at the new origin is off the screen.
        Rect(area.x() + 300, area.maxY() - 208, 1000, 200),
    };
    ASSERT_FALSE(WindowAccess::writeAtOnce(steps[1], steps[0]));
    ASSERT_TRUE(WindowAccess::writeAtOnce(steps[2], steps[1]) && WindowAccess::writeAtOnce(steps[3], steps[2]) &&
                WindowAccess::writeAtOnce(steps[4], steps[3]));
    ASSERT_FALSE(WindowAccess::writeAtOnce(steps[5], steps[4]));
    for (const Rect& step : steps) {
        EXPECT_EQ(runOnQtLoop(rig.access.setFrame(*window, step, 1.0)), true) << toString(step).toStdString();
        EXPECT_EQ(session.wmFrame(client.window), step) << toString(step).toStdString();
    }
}

// A write starts from the window as its last write left it and the server's notices since show
// it, not from a read: what another client did to the window meanwhile must count.
TEST(WindowAccessX11, AWriteStartsFromWhatAnotherClientDidToTheWindowSinceTheLast)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto client = session.startTestClient(QStringLiteral("followed"), {"--size", "500x400"});
    auto bystander = session.startTestClient(QStringLiteral("bystander"), {"--size", "300x200"});
    ASSERT_TRUE(client.window && bystander.window) << session.error();
    AccessRig rig(session);
    X11WindowSystem other(session.display());
    auto window = ManagedWindow::make(rig.ws, client.window);
    ASSERT_TRUE(window);
    // A round trip of ours that reads another window: the notices of a change made a moment
    // before are in by its end, as they are for any change made before the user's next gesture.
    const auto noticesIn = [&] { ASSERT_TRUE(rig.ws.frame(bystander.window)); };
    const Rect a(100, 100, 600, 400), b(420, 300, 500, 350), c(200, 150, 700, 500);

    EXPECT_EQ(runOnQtLoop(rig.access.setFrame(*window, a, 1.0)), true);
    EXPECT_EQ(session.wmFrame(client.window), a);
    // Moved away by another client: writing the same frame again is no no-op.
    ASSERT_TRUE(other.setFrame(client.window, b));
    ASSERT_EQ(session.wmFrame(client.window), b);
    noticesIn();
    EXPECT_EQ(runOnQtLoop(rig.access.setFrame(*window, a, 1.0)), true);
    EXPECT_EQ(session.wmFrame(client.window), a);
    // Twice in a row, the second from the first one's notices alone.
    EXPECT_EQ(runOnQtLoop(rig.access.setFrame(*window, b, 1.0)), true);
    EXPECT_EQ(runOnQtLoop(rig.access.setFrame(*window, c, 1.0)), true);
    EXPECT_EQ(session.wmFrame(client.window), c);

    // Maximized by another client: the write takes it out of that state first.
    if (!other.changeWindowStates(client.window, kMaximized, true) ||
        (other.windowStates(client.window).value_or(0) & kMaximized) != kMaximized)
        GTEST_SKIP() << session.windowManager().toStdString() << " does not maximize on request";
    noticesIn();
    EXPECT_EQ(runOnQtLoop(rig.access.setFrame(*window, a, 1.0)), true);
    EXPECT_EQ(session.wmFrame(client.window), a);
    EXPECT_EQ(rig.ws.windowStates(client.window).value_or(kMaximized) & kMaximized, 0);
}

TEST(WindowAccessX11, AnimatedAndGroupMovesEndAtTheirTargets)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto one = session.startTestClient(QStringLiteral("one"), {"--size", "400x300"});
    auto two = session.startTestClient(QStringLiteral("two"), {"--size", "400x300"});
    ASSERT_TRUE(one.window && two.window) << session.error();
    AccessRig rig(session);
    log::Capture logs;
    auto a = ManagedWindow::make(rig.ws, one.window);
    auto b = ManagedWindow::make(rig.ws, two.window);
    ASSERT_TRUE(a && b);

    const Rect target(700, 200, 600, 500);
    EXPECT_EQ(runOnQtLoop(rig.access.animateMove(*a, {}, target, 1.0)), true);
    EXPECT_EQ(session.wmFrame(one.window), target);
    const auto motion = logs.messages(LogCategory::Motion);
    ASSERT_EQ(motion.size(), 1);
    EXPECT_TRUE(motion[0].startsWith(QStringLiteral("FwTestClient resize done"))) << motion[0].toStdString();

    struct Owner final : CoordinatorHost {
        std::uint64_t interactionGeneration() const override { return 3; }
    };
    const auto owner = std::make_shared<Owner>();
    // Two halves of the work area (icewm keeps windows above its taskbar).
    const Rect area = session.workArea().value_or(Rect(0, 0, 1920, 1080));
    const double half = std::floor(area.width() / 2);
    const Rect left(area.x() + 8, area.y() + 8, half - 12, area.height() - 16);
    const Rect right(area.x() + half + 4, area.y() + 8, half - 12, area.height() - 16);
    EXPECT_EQ(runOnQtLoop(rig.access.animateGroup({{*a, left}, {*b, right}}, {}, {owner, 3}, 1.0)), true);
    // Within the tolerance the move was given: fluxbox can leave a window a pixel short.
    const auto within = [&](xcb_window_t w, const Rect& r) {
        const auto f = session.wmFrame(w);
        return f && edgesMatch(*f, r, 1.0);
    };
    EXPECT_TRUE(within(one.window, left)) << toString(session.wmFrame(one.window).value_or(Rect())).toStdString();
    EXPECT_TRUE(within(two.window, right)) << toString(session.wmFrame(two.window).value_or(Rect())).toStdString();
    EXPECT_TRUE(logs.messages(LogCategory::Motion).last().startsWith(
        QStringLiteral("Group of 2 (FwTestClient, FwTestClient) done")));
}

} // namespace
} // namespace fw
