// The badge pass: one refresh pass that presents 10 stacks again (two windows each, with
// title bars, on the simulated desktop) with their anchors and their badge panels (real
// widgets on the offscreen platform): the front probe, badge placement and the cover test,
// the panels' configuration and frames. CPU time of the process per pass, with badges on and
// with badges off (anchors only).
#include "BenchSupport.h"
#include "base/UserDefaults.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimWindowCapture.h"
#include "stacks/StackPresenter.h"
#include "stacks/StackEngine.h"
#include "stacks/qt/QtStackSurfaces.h"
#include "transitions/RecordingPresenter.h"
#include "transitions/WindowTransitions.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <ctime>

namespace {

using namespace fw;

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

struct BadgeBenchDesk {
    VirtualClock clock;
    sim::SimDesktop sim{clock};
    WindowAccess access{sim, sim, clock, sim};
    MemoryDefaults defaults;
    sim::SimWindowCapture pictures{sim};
    test::RecordingPresenter presenter{clock};
    WindowTransitions transitions{access, sim, sim, pictures, presenter};
    NoThumbnailCapture thumbnails;
    NoScrollSteps scroll;
    QtStackSurfaces surfaces{AnchorServices{clock, thumbnails, sim, sim, scroll}};
    std::unique_ptr<stacks::StackEngine> controller;

    explicit BadgeBenchDesk(bool badges)
    {
        defaults.setValue(QStringLiteral("stackBadgesOnEdge"), false);
        defaults.setValue(QStringLiteral("stackBadgesEnabled"), badges);
        sim.addScreen({QStringLiteral("A"), QStringLiteral("Left"), Rect(0, 0, 3300, 1600), Rect(0, 0, 3300, 1600), true});
        for (int s = 0; s < 10; ++s) {
            const Rect frame(10 + 290 * s, 40 + 50 * s, 600, 400);
            for (int k = 0; k < 2; ++k) {
                const Pid pid = 100 + 2 * s + k;
                sim.addApp({.pid = pid, .name = QStringLiteral("App %1").arg(pid)});
                sim.addWindow({.pid = pid, .title = QStringLiteral("W"), .frame = frame, .titleBar = 22});
            }
        }
        controller = std::make_unique<stacks::StackEngine>(stacks::StackServices{
            access, sim, sim, clock, defaults, transitions, sim, nullptr, false, 0, &surfaces, nullptr});
        controller->callbacks.canRefresh = [] { return true; };
        controller->start();
        controller->refresh(true);
        clock.advance(std::chrono::seconds(1));
    }
};

void badgePass(benchmark::State& state, bool badges)
{
    BadgeBenchDesk desk(badges);
    auto& c = *desk.controller;
    double cpu = 0;
    for (auto _ : state) {
        const double before = cpuSeconds();
        c.setNeedsPresentationRefresh();
        c.refresh(false);
        cpu += cpuSeconds() - before;
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1000, benchmark::Counter::kAvgIterations);
    state.counters["stacks"] = double(c.presented().size());
    state.counters["badges"] = double(c.presenter()->badges().size());
    state.counters["anchors"] = double(c.presenter()->anchors().size());
    if (c.presented().size() != 10 || (badges && c.presenter()->badges().size() != 10))
        state.SkipWithError("the desk does not show 10 stacks with their badges");
}

void BM_BadgePass10Stacks(benchmark::State& state) { badgePass(state, true); }
BENCHMARK(BM_BadgePass10Stacks)->Unit(benchmark::kMicrosecond);

void BM_AnchorPass10StacksBadgesOff(benchmark::State& state) { badgePass(state, false); }
BENCHMARK(BM_AnchorPass10StacksBadgesOff)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::runOnOffscreenWidgets(argc, argv);
}
