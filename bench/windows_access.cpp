// Window access on a real server under openbox: a verified frame write from request to
// confirmed read-back (with the port calls it costs), an animated move (frames written in its
// 0.24 s and the largest gap between them), and the manageable windows of a display among 50.
#include "BenchSupport.h"
#include "base/Log.h"
#include "x11/AccessRig.h"
#include "x11/XSession.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

namespace {

using namespace fw;

test::XSession* session = nullptr;
test::XSession::Client many, writable;
constexpr int windowCount = 50;

// Forwards to the real adapter and counts the calls (each costs at least one X round trip).
class CountingWindows final : public WindowSystem {
public:
    explicit CountingWindows(WindowSystem& inner) : w_(inner) {}
    int calls = 0;
    std::vector<std::chrono::steady_clock::time_point> positionWrites;

    std::vector<WindowInfo> snapshot() override { return ++calls, w_.snapshot(); }
    std::optional<Rect> frame(WindowId id) override { return ++calls, w_.frame(id); }
    std::optional<QString> title(WindowId id) override { return ++calls, w_.title(id); }
    std::optional<Pid> pid(WindowId id) override { return ++calls, w_.pid(id); }
    std::optional<SizeHints> sizeHints(WindowId id) override { return ++calls, w_.sizeHints(id); }
    bool isMinimized(WindowId id) override { return ++calls, w_.isMinimized(id); }
    bool isFullscreen(WindowId id) override { return ++calls, w_.isFullscreen(id); }
    bool isMovable(WindowId id) override { return ++calls, w_.isMovable(id); }
    bool isResizable(WindowId id) override { return ++calls, w_.isResizable(id); }
    bool setPosition(WindowId id, Point p) override
    {
        positionWrites.push_back(std::chrono::steady_clock::now());
        return ++calls, w_.setPosition(id, p);
    }
    bool setSize(WindowId id, Size s) override { return ++calls, w_.setSize(id, s); }
    bool setFrame(WindowId id, const Rect& f) override { return ++calls, w_.setFrame(id, f); }
    bool unmaximize(WindowId id) override { return ++calls, w_.unmaximize(id); }
    bool raise(WindowId id) override { return ++calls, w_.raise(id); }
    bool activate(WindowId id) override { return ++calls, w_.activate(id); }
    std::optional<WindowId> focusedWindow() override { return ++calls, w_.focusedWindow(); }
    std::optional<Pid> frontmostPid() override { return ++calls, w_.frontmostPid(); }
    std::optional<WindowId> windowAt(Point p) override { return ++calls, w_.windowAt(p); }
    std::optional<WindowInfo> windowInfo(WindowId id) override { return ++calls, w_.windowInfo(id); }
    std::optional<bool> frameAnimation(Pid pid) override { return ++calls, w_.frameAnimation(pid); }
    bool setFrameAnimation(Pid pid, bool on) override { return ++calls, w_.setFrameAnimation(pid, on); }

private:
    WindowSystem& w_;
};

struct Rig {
    X11WindowSystem x11{session->display()};
    CountingWindows ws{x11};
    test::OneScreen screens;
    QtClock clock;
    X11Permissions permissions;
    WindowAccess access{ws, screens, clock, permissions};

    // The "written" window; none, the benchmark skipped, when it is not manageable.
    std::optional<ManagedWindow> writableWindow(benchmark::State& state)
    {
        auto window = ManagedWindow::make(ws, writable.window);
        if (!window)
            state.SkipWithError("the window is not manageable");
        return window;
    }
};

void BM_VerifiedWrite(benchmark::State& state)
{
    Rig rig;
    const auto window = rig.writableWindow(state);
    if (!window)
        return;
    const Rect a(100, 100, 640, 480), b(160, 140, 700, 520);
    std::vector<double> samples;
    bool flip = false, ok = true;
    long calls = 0;
    for (auto _ : state) {
        const Rect& target = flip ? a : b;
        flip = !flip;
        rig.ws.calls = 0;
        const auto start = std::chrono::steady_clock::now();
        ok = test::runOnQtLoop(rig.access.setFrame(*window, target, 1.0)).value_or(false) && ok;
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        calls += rig.ws.calls;
        samples.push_back(ms);
        state.SetIterationTime(ms / 1000.0);
    }
    bench::setPercentiles(state, samples, "median_ms", "p95_ms");
    state.counters["port_calls"] = double(calls) / double(std::max<std::int64_t>(1, state.iterations()));
    if (!ok)
        state.SkipWithError("a write was not verified");
}
BENCHMARK(BM_VerifiedWrite)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(100);

void BM_AnimatedMove(benchmark::State& state)
{
    Rig rig;
    const auto window = rig.writableWindow(state);
    if (!window)
        return;
    const Rect a(100, 100, 640, 480), b(1100, 500, 640, 480);
    test::runOnQtLoop(rig.access.setFrame(*window, a, 1.0));
    bool flip = false, ok = true;
    std::vector<double> frames, gaps;
    for (auto _ : state) {
        rig.ws.positionWrites.clear();
        ok = test::runOnQtLoop(rig.access.animateMove(*window, {}, flip ? a : b, 1.0)).value_or(false) && ok;
        flip = !flip;
        // A pure move writes one position per frame; the settle writes none when it arrived.
        const auto& t = rig.ws.positionWrites;
        frames.push_back(double(t.size()));
        double gap = 0;
        for (std::size_t i = 1; i < t.size(); ++i)
            gap = std::max(gap, std::chrono::duration<double, std::milli>(t[i] - t[i - 1]).count());
        gaps.push_back(gap);
    }
    bench::setPercentiles(state, frames, "frames_median", "frames_p95");
    bench::setPercentiles(state, gaps, "max_gap_ms_median", "max_gap_ms_p95");
    if (!ok)
        state.SkipWithError("a move did not arrive");
}
BENCHMARK(BM_AnimatedMove)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_ManagedWindowsOfDisplay(benchmark::State& state)
{
    Rig rig;
    std::size_t n = 0;
    for (auto _ : state) {
        auto found = rig.access.managedWindows({}, QStringLiteral("LEFT"));
        n = found.size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["windows"] = double(n);
}
BENCHMARK(BM_ManagedWindowsOfDisplay)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    auto owned = std::make_unique<test::XSession>();
    session = owned.get();
    if (!bench::startBenchWindows(*session, windowCount, many, writable, "windows bench"))
        return 1;
    int qargc = 1;
    char name[] = "bench_windows_access";
    char* qargv[] = {name, nullptr};
    QCoreApplication app(qargc, qargv);
    log::Capture quiet;   // the moves' summary lines would drown the table
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
