// Placement transactions on a real server: xterm and the test client under openbox.
#include "base/Log.h"
#include "base/QtClock.h"
#include "platform/x11/X11Permissions.h"
#include "platform/x11/X11WindowSystem.h"
#include "windows/WindowAccess.h"
#include "windows/WindowPlacement.h"
#include "x11/XSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace fw {
namespace {

using test::XSession;

class PlacementScreen final : public Screens {
public:
    std::vector<ScreenInfo> screens() const override
    {
        return {{"LEFT", "LEFT", Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1080), true}};
    }
    void setChangeHandler(std::function<void()>) override {}
};

struct SteadyOwner final : CoordinatorHost {
    std::uint64_t interactionGeneration() const override { return 1; }
};

template<typename T>
Task<void> keepResult(Task<T> task, std::optional<T>* out)
{
    *out = co_await task;
}

// Runs a task on the Qt event loop until it ends or the deadline passes.
template<typename T>
std::optional<T> runOnLoop(Task<T> task, int timeoutMs = 20000)
{
    std::optional<T> out;
    spawn(keepResult(std::move(task), &out));
    QElapsedTimer timer;
    timer.start();
    while (!out && timer.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return out;
}

struct PlacementRig {
    explicit PlacementRig(const XSession& session) : ws(session.display()) {}
    int argc = 1;
    char name[16] = "test_x11";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    X11WindowSystem ws;
    PlacementScreen screens;
    QtClock clock;
    X11Permissions permissions;
    WindowAccess access{ws, screens, clock, permissions};
    WindowPlacement placement{access};
    SteadyOwner owner;
};

} // namespace

TEST(PlacementX11, ATransactionOverXtermAndTheTestClientCommitsAndRaisesTheFrontWindow)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto term = session.startXterm(QStringLiteral("placed-term"));
    auto client = session.startTestClient(QStringLiteral("placed-client"), {"--size", "500x400"});
    ASSERT_TRUE(term.window && client.window) << session.error();
    PlacementRig rig(session);
    log::Capture logs;

    auto t = ManagedWindow::make(rig.ws, term.window);
    auto c = ManagedWindow::make(rig.ws, client.window);
    ASSERT_TRUE(t && c);
    const auto termFrame = session.wmFrame(term.window);
    ASSERT_TRUE(termFrame);
    // xterm keeps its cell grid: it is only moved. The test client takes a region frame.
    const Rect termTarget(Point{40, 60}, termFrame->size);
    const Rect clientTarget(964, 4, 952, 700);
    const auto outcome = runOnLoop(rig.placement.applyCompositionFrames(
        {{*t, termTarget}, {*c, clientTarget}}, {}, {}, *c, rig.owner, 1, 1.0));
    ASSERT_TRUE(outcome);
    EXPECT_EQ(*outcome, PlacementOutcome::committed) << logs.messages(LogCategory::WindowAccess).join('\n').toStdString();
    EXPECT_EQ(session.wmFrame(term.window), termTarget);
    EXPECT_EQ(session.wmFrame(client.window), clientTarget);
    EXPECT_EQ(session.topmostMapped(), session.topLevelOf(client.window));
    EXPECT_TRUE(logs.messages(LogCategory::WindowAccess).isEmpty());
}

TEST(PlacementX11, AMinimumSizeTooLargeRollsBothWindowsBackToTheirFramesFromBefore)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto term = session.startXterm(QStringLiteral("rolled-term"));
    auto client = session.startTestClient(QStringLiteral("rolled-client"), {"--size", "900x700", "--min", "900x700"});
    ASSERT_TRUE(term.window && client.window) << session.error();
    PlacementRig rig(session);
    log::Capture logs;

    auto t = ManagedWindow::make(rig.ws, term.window);
    auto c = ManagedWindow::make(rig.ws, client.window);
    ASSERT_TRUE(t && c);
    const auto termBefore = session.wmFrame(term.window);
    const auto clientBefore = session.wmFrame(client.window);
    ASSERT_TRUE(termBefore && clientBefore);

    // xterm moves first and takes its place; the client cannot shrink to its region.
    const Rect termTarget(Point{1000, 500}, termBefore->size);
    const Rect clientTarget(4, 4, 600, 400);
    const auto outcome = runOnLoop(rig.placement.applyFramesAndRaise({{*t, termTarget}, {*c, clientTarget}}, {}, {}, *c,
                                                                     rig.owner, 1, 5.0));
    ASSERT_TRUE(outcome);
    EXPECT_EQ(*outcome, PlacementOutcome::rolledBack);
    EXPECT_EQ(session.wmFrame(term.window), termBefore);
    EXPECT_EQ(session.wmFrame(client.window), clientBefore);
    // The refusal was logged by the write that failed.
    bool refused = false;
    for (const auto& line : logs.messages(LogCategory::WindowAccess))
        refused = refused || line.startsWith(QStringLiteral("Geometry rejected by FwTestClient: requested {{4, 4}, {600, 400}}"));
    EXPECT_TRUE(refused) << logs.messages(LogCategory::WindowAccess).join('\n').toStdString();
}

} // namespace fw
