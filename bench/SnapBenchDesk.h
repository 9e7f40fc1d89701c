#pragma once
// Shared by the coordinator benchmarks (header only): the coordinator's services on the
// simulated desktop with the tests' recording feedback (it draws nothing), displays covered by stacks in the four
// quarters with a window spanning the top row, and the program's main.

#include "base/UserDefaults.h"
#include "layout/LayoutStore.h"
#include "platform/sim/SimDesktop.h"
#include "snap/RecordingFeedback.h"
#include "snap/SnapCoordinator.h"
#include "windows/WindowAccess.h"
#include "windows/WindowPlacement.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

#include <memory>

namespace fw::bench {

// The coordinator's services; `start` makes the coordinator once the desktop is set up.
struct SnapBenchDesk {
    VirtualClock clock;
    sim::SimDesktop sim{clock};
    WindowAccess access{sim, sim, clock, sim};
    WindowPlacement placement{access};
    MemoryDefaults defaults;
    LayoutStore store{defaults};
    snaptest::RecordingFeedback feedback; // records, draws nothing
    NoWindowStacks stacks;
    NoThumbnailCapture capture;
    SnapState state{defaults}; // the coordinator's, outliving it
    std::unique_ptr<SnapCoordinator> coordinator;

    SnapCoordinator& start(bool diagnostics)
    {
        coordinator = std::make_unique<SnapCoordinator>(
            SnapServices{access, placement, sim, sim, clock, defaults, store, feedback, stacks, capture, diagnostics}, state);
        return *coordinator;
    }

    // Adds the screen with `perRegion` windows stacked in each quarter of its visible frame (each
    // one point further in) and one window spanning the top row; returns the next free pid.
    Pid addQuarterStacks(const ScreenInfo& screen, int perRegion, Pid pid)
    {
        sim.addScreen(screen);
        const auto regions = SnapLayout::builtIns()[4].tree.frames(screen.visibleFrame, 8);
        for (const auto& [r, f] : regions) {
            for (int k = 0; k < perRegion; ++k)
                sim.addWindow({.pid = pid++, .title = QStringLiteral("stacked"), .frame = f.offsetBy(k, k)});
        }
        sim.addWindow({.pid = pid++, .title = QStringLiteral("span"), .frame = regions.at(0).united(regions.at(2))});
        return pid;
    }

    // Two displays side by side with 25 windows each (stacks of five in every quarter, a window
    // spanning the top row, four loose windows), the coordinator started and the layouts
    // adopted; returns the windows with their frames.
    WindowSnapshot startBusyDesk()
    {
        Pid pid = 100;
        for (const ScreenInfo& screen : kBusyScreens) {
            pid = addQuarterStacks(screen, 5, pid);
            for (int k = 0; k < 4; ++k) {
                const Rect loose(screen.frame.x() + 200 + 90 * k, 150 + 60 * k, 700, 500);
                sim.addWindow({.pid = pid++, .title = QStringLiteral("loose"), .frame = loose});
            }
        }
        start(false);
        WindowSnapshot snapshot = access.managedWindows();
        coordinator->reconcile(snapshot);
        return snapshot;
    }

    static inline const ScreenInfo kBusyScreens[] = {
        {QStringLiteral("A"), QStringLiteral("Left"), Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1050), true},
        {QStringLiteral("B"), QStringLiteral("Right"), Rect(1920, 0, 1680, 1050), Rect(1920, 24, 1680, 1026), false},
    };
};

// Skips the benchmark unless the busy desk stands: 50 windows and both displays' layouts.
inline bool busyDeskReady(benchmark::State& state, const WindowSnapshot& snapshot, const SnapCoordinator& coordinator)
{
    if (snapshot.size() != 50 || coordinator.groups().size() != 2) {
        state.SkipWithError("the desk is not 2 displays with 50 windows and 2 layouts");
        return false;
    }
    return true;
}

// The benchmarks' main: Qt's core application exists while they run.
inline int runBenchmarks(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    int qargc = 1;
    QCoreApplication app(qargc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace fw::bench
