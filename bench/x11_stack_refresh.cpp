// The window stacks' refresh on a real server (Xvfb + openbox, 60 windows of the test client
// in 30 pairs that share a frame, so 30 stacks), the stack controller over the real adapters:
//   - the layer list alone, and one refresh pass when nothing changed (decision 0): wall time,
//     the process's CPU time per pass and the windows the list had to resolve (0 = it took one
//     round trip; compare bench_x11_snapshot's BM_RoundTrip);
//   - one pass after one window moved (a discovery of that window's process, the coordinator's
//     reconcile and the regrouping);
//   - a minute of the controller running on an idle desktop: CPU time and passes.
#include "BenchSupport.h"
#include "x11/CoordinatorRig.h"
#include "x11/XSession.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <ctime>

namespace {

using namespace fw;

test::XSession* gSession = nullptr;
test::CoordinatorRig* gRig = nullptr;
test::XSession::Client gMany, gWritten;
constexpr int kWindows = 60;

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Runs the body per iteration under manual timing; counts CPU milliseconds per iteration.
template<typename Body>
void timedPasses(benchmark::State& state, Body body)
{
    double cpu = 0;
    for (auto _ : state) {
        QElapsedTimer wall;
        const double before = cpuSeconds();
        wall.start();
        body();
        const double seconds = double(wall.nsecsElapsed()) / 1e9;
        cpu += cpuSeconds() - before;
        state.SetIterationTime(seconds);
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1000, benchmark::Counter::kAvgIterations);
}

void BM_X11LayerList(benchmark::State& state)
{
    gRig->ws.layers();
    std::size_t windows = 0;
    timedPasses(state, [&] { windows = gRig->ws.layers().size(); });
    state.counters["windows"] = double(windows);
    state.counters["resolved"] = double(gRig->ws.lastLayerResolutions());
}
BENCHMARK(BM_X11LayerList)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(500);

// Runs the Qt event loop for the time given, without polling.
void idle(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

void BM_X11StackPassNothingChanged(benchmark::State& state)
{
    auto& stacks = gRig->stacks;
    stacks.start();
    stacks.refresh(true);
    const int scans = stacks.fullScanCount();
    timedPasses(state, [&] { stacks.refresh(false); });
    state.counters["stacks"] = double(stacks.presented().size());
    state.counters["resolved"] = double(gRig->ws.lastLayerResolutions());
    if (stacks.fullScanCount() != scans)
        state.SkipWithError("a pass discovered windows on a steady desktop");
    stacks.stop();
}
BENCHMARK(BM_X11StackPassNothingChanged)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(500);

void BM_X11StackPassOneWindowMoved(benchmark::State& state)
{
    auto& stacks = gRig->stacks;
    stacks.start();
    stacks.refresh(true);
    const int scans = stacks.fullScanCount();
    const Rect a(1300, 600, 500, 300), b(1340, 620, 520, 320);
    bool flip = false;
    double cpu = 0;
    for (auto _ : state) {
        gRig->ws.setFrame(gWritten.window, flip ? a : b);
        flip = !flip;
        gSession->syncWithWindowManager();
        QElapsedTimer wall;
        const double before = cpuSeconds();
        wall.start();
        stacks.refresh(false);
        state.SetIterationTime(double(wall.nsecsElapsed()) / 1e9);
        cpu += cpuSeconds() - before;
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1000, benchmark::Counter::kAvgIterations);
    state.counters["discoveries"] = benchmark::Counter(stacks.fullScanCount() - scans, benchmark::Counter::kAvgIterations);
    stacks.stop();
}
BENCHMARK(BM_X11StackPassOneWindowMoved)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(100);

void BM_X11StacksIdleMinute(benchmark::State& state)
{
    auto& stacks = gRig->stacks;
    for (auto _ : state) {
        stacks.start();
        idle(2000);   // the first passes
        const int scans = stacks.fullScanCount();
        const double before = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        idle(60000);
        const double cpu = cpuSeconds() - before;
        state.SetIterationTime(double(wall.nsecsElapsed()) / 1e9);
        state.counters["cpu_ms_per_minute"] = cpu * 1000;
        state.counters["cpu_percent"] = cpu / (double(wall.nsecsElapsed()) / 1e9) * 100;
        state.counters["discoveries"] = stacks.fullScanCount() - scans;
        stacks.stop();
    }
}
BENCHMARK(BM_X11StacksIdleMinute)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    test::XSession session;
    gSession = &session;
    if (!bench::startBenchWindows(session, kWindows, gMany, gWritten, "x11 stack bench"))
        return 1;
    test::SessionApp app(session);
    test::CoordinatorRig rig(session);
    gRig = &rig;
    // Thirty stacks: the windows two by two on one frame.
    for (int i = 0; i + 1 < kWindows - 1; i += 2) {
        const Rect frame(40 * (i / 2 % 10), 30 * (i / 2), 600, 400);
        for (int k : {i, i + 1})
            rig.ws.setFrame(session.waitForWindow(QStringLiteral("bench %1").arg(k), 0, 2000), frame);
    }
    session.syncWithWindowManager();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
