#pragma once
// Shared by the benchmarks that drive the snap coordinator on a real server (header only): Qt's
// application and the coordinator's rig over the session, alive while the benchmarks run.

#include "BenchSupport.h"
#include "x11/CoordinatorRig.h"
#include "x11/XSession.h"

#include <cstdio>
#include <functional>

namespace fw::bench {

// Eight test windows ("other") and the xterm "bench xterm" at `geometry`, on the right of two
// monitors side by side; the xterm, none when a client did not start (said on stderr).
inline test::XSession::Client startXtermAmongOthers(test::XSession& session, const char* geometry)
{
    const auto others = session.startTestClient(u"other"_qs, {"--count", "8", "--position", "2300,500"});
    auto term = session.startXterm(u"bench xterm"_qs, {"-geometry", geometry});
    if (!clientsStarted(session, {others.window, term.window}))
        return {};
    return term;
}

enum class DragMonitorUse { none, installed };

// Runs the benchmarks with the session's application and the coordinator's rig, which `rig`
// points to meanwhile; with the drag monitor installed when asked (1 without XInput 2.2).
inline int runWithCoordinator(test::XSession& session, int& argc, char** argv, test::CoordinatorRig*& rig,
                              DragMonitorUse dragMonitor = DragMonitorUse::none)
{
    test::SessionApp app(session);
    test::CoordinatorRig coordinator(session);
    if (dragMonitor == DragMonitorUse::installed && !coordinator.startDragMonitor()) {
        std::fprintf(stderr, "no XInput 2.2\n");
        return 1;
    }
    rig = &coordinator;
    const int status = runBenchmarks(argc, argv);
    rig = nullptr;
    return status;
}

// Where a coordinator benchmark program runs: its session, and whether the drag monitor is in.
struct CoordinatorDesk {
    test::XSessionOptions options;
    Monitors monitors = Monitors::one;
    DragMonitorUse dragMonitor = DragMonitorUse::none;
};

// The program's main: the session as `desk` says, the clients `startClients` starts (false
// when one did not come, said on stderr), then the benchmarks with the application and the
// coordinator's rig; `session` and `rig` point to them meanwhile.
inline int runOnCoordinatorDesk(int& argc, char** argv, const CoordinatorDesk& desk, test::XSession*& session,
                                test::CoordinatorRig*& rig, const std::function<bool(test::XSession&)>& startClients)
{
    return runOnSession(desk.options, desk.monitors, session, startClients, [&](test::XSession& s) {
        return runWithCoordinator(s, argc, argv, rig, desk.dragMonitor);
    });
}

} // namespace fw::bench
