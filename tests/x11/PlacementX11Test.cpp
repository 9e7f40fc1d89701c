// Placement transactions on a real server: xterm and the test client under the test WM.
#include "base/Log.h"
#include "windows/WindowPlacement.h"
#include "x11/AccessRig.h"
#include "x11/XSession.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <optional>

namespace fw {
namespace {

using test::XSession;

struct SteadyOwner final : CoordinatorHost {
    std::uint64_t interactionGeneration() const override { return 1; }
};

struct PlacementRig : test::AccessRig {
    using AccessRig::AccessRig;
    WindowPlacement placement{access};
    std::shared_ptr<SteadyOwner> owner = std::make_shared<SteadyOwner>();
};

// Each test: an xterm and the test client on a real server, the rig over them, and the log
// from then on.
class PlacementX11 : public ::testing::Test {
protected:
    void start(const QString& termTitle, const QString& clientTitle, const QStringList& clientFlags)
    {
        ASSERT_TRUE(session.ok()) << session.error();
        term = session.startXterm(termTitle);
        client = session.startTestClient(clientTitle, clientFlags);
        ASSERT_TRUE(term.window && client.window) << session.error();
        rig.emplace(session);
        logs.emplace();

        t = ManagedWindow::make(rig->ws, term.window);
        c = ManagedWindow::make(rig->ws, client.window);
        ASSERT_TRUE(t && c);
    }
    QStringList windowAccessLog() const { return logs->messages(LogCategory::WindowAccess); }

    XSession session;
    XSession::Client term, client;
    std::optional<PlacementRig> rig;
    std::optional<log::Capture> logs;
    std::optional<ManagedWindow> t, c;
};

} // namespace

TEST_F(PlacementX11, ATransactionOverXtermAndTheTestClientCommitsAndRaisesTheFrontWindow)
{
    ASSERT_NO_FATAL_FAILURE(start(QStringLiteral("placed-term"), QStringLiteral("placed-client"), {"--size", "500x400"}));
    const auto termFrame = session.wmFrame(term.window);
    ASSERT_TRUE(termFrame);
    // xterm keeps its cell grid: it is only moved. The test client takes a region frame.
    const Rect termTarget(Point{40, 60}, termFrame->size);
    const Rect clientTarget(964, 4, 952, 700);
    PlacementRequest request{.targets = {{*t, termTarget}, {*c, clientTarget}}, .kind = place::Composition{*c}};
    const auto outcome = test::runOnQtLoop(rig->placement.place(std::move(request), {rig->owner, 1}), 20000);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->outcome, PlacementOutcome::committed) << windowAccessLog().join('\n').toStdString();
    ASSERT_TRUE(session.syncWithWindowManager());
    EXPECT_EQ(session.wmFrame(term.window), termTarget);
    EXPECT_EQ(session.wmFrame(client.window), clientTarget);
    EXPECT_EQ(session.topmostMapped(), session.topLevelOf(client.window));
    EXPECT_TRUE(windowAccessLog().isEmpty()) << windowAccessLog().join(QLatin1Char('\n')).toStdString();
}

TEST_F(PlacementX11, AMinimumSizeTooLargeRollsBothWindowsBackToTheirFramesFromBefore)
{
    ASSERT_NO_FATAL_FAILURE(start(QStringLiteral("rolled-term"), QStringLiteral("rolled-client"),
                                  {"--size", "900x700", "--min", "900x700"}));
    const auto termBefore = session.wmFrame(term.window);
    const auto clientBefore = session.wmFrame(client.window);
    ASSERT_TRUE(termBefore && clientBefore);

    // xterm moves first and takes its place; the client cannot shrink to its region.
    const Rect termTarget(Point{1000, 500}, termBefore->size);
    const Rect clientTarget(4, 4, 600, 400);
    PlacementRequest request{.targets = {{*t, termTarget}, {*c, clientTarget}}, .kind = place::FillColumn{*c}};
    const auto outcome = test::runOnQtLoop(rig->placement.place(std::move(request), {rig->owner, 1}), 20000);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->outcome, PlacementOutcome::rolledBack);
    // A move counts as done once it reads back within its tolerance, and a window manager that
    // was not scheduled meanwhile may still hold the last step of the way back: the frames are
    // read once it has handled every request sent before.
    ASSERT_TRUE(session.syncWithWindowManager());
    EXPECT_EQ(session.wmFrame(term.window), termBefore);
    EXPECT_EQ(session.wmFrame(client.window), clientBefore);
    // The refusal was logged by the write that failed.
    bool refused = false;
    for (const auto& line : windowAccessLog())
        refused = refused || line.startsWith(QStringLiteral("Geometry rejected by FwTestClient: requested {{4, 4}, {600, 400}}"));
    EXPECT_TRUE(refused) << windowAccessLog().join('\n').toStdString();
}

// The window manager stops (SIGSTOP) as a window is placed: the moves go unanswered and the
// placement gives up; the manager goes on only after the roll-back, and then applies the moves it
// held. The window still ends in its frame from before, as the roll-back says.
TEST_F(PlacementX11, AWindowManagerStoppedMidPlacementLeavesTheWindowWhereTheRollBackSays)
{
    ASSERT_NO_FATAL_FAILURE(start(QStringLiteral("held-term"), QStringLiteral("held-client"), {"--size", "500x400"}));
    if (session.windowManager() == QLatin1String("evilwm"))
        GTEST_SKIP() << "evilwm reads a move's corner as the client's inside its border, which only an answered "
                        "write corrects";
    const auto before = session.wmFrame(client.window);
    ASSERT_TRUE(before);
    ASSERT_TRUE(session.pause(session.windowManagerPid()));
    // Going on once the placement has given up (its refusal is logged as it rolls back).
    QTimer resume;
    QObject::connect(&resume, &QTimer::timeout, [&] {
        if (windowAccessLog().join('\n').contains(QStringLiteral("Geometry rejected"))) {
            resume.stop();
            QTimer::singleShot(300, [&] { session.resume(session.windowManagerPid()); });
        }
    });
    resume.start(50);
    PlacementRequest request{.targets = {{*c, Rect(964, 4, 952, 700)}}, .kind = place::Drop{}};
    const auto placed = test::runOnQtLoop(rig->placement.place(std::move(request), {rig->owner, 1}), 30000);
    session.resume(session.windowManagerPid());
    ASSERT_TRUE(placed);
    EXPECT_EQ(placed->outcome, PlacementOutcome::rolledBack) << windowAccessLog().join('\n').toStdString();
    ASSERT_TRUE(session.syncWithWindowManager());
    EXPECT_EQ(session.wmFrame(client.window), before) << windowAccessLog().join('\n').toStdString();
}

} // namespace fw
