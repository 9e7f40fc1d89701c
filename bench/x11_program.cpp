// The program itself on a real server (Xvfb + openbox + trayer, two monitors), started as a
// user starts it:
//   - start to ready: from the spawn to its tray icon embedded and its launch finished (the
//     drag monitor installed, the hot keys registered);
//   - idle: the processor time it takes over 60 s with 20 windows open and nothing happening;
//   - memory: its resident size after the start and after every 50 of 200 title-bar drags of
//     an xterm to the right monitor's top centre, each released over a region of "Halves".
#include "ProgramBench.h"
#include "layout/ScreenGeometry.h"
#include "layout/SnapLayout.h"
#include "snap/AppliedLayouts.h"
#include "snap/PickerGeometry.h"
#include "x11/DragSteps.h"
#include "x11/ProgramSession.h"
#include "x11/XSession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <benchmark/benchmark.h>

#include <csignal>
#include <unistd.h>

namespace {

using namespace fw;
using test::XSession;

XSession* gSession = nullptr;
XSession::Client gTerm;
qsizetype gStarts = 0;   // how often the program started in this session

// Ready: the tray icon embedded and the launch finished (which installs the drag monitor
// and registers the hot keys first).
bool ready(XSession& s) { return test::trayIconEmbedded(s) && test::programLog(s).count(u"Framewell started"_qs) == gStarts; }

pid_t startProgram()
{
    const pid_t pid = gSession->spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
    ++gStarts;
    if (pid)
        gSession->waitFor([] { return ready(*gSession); }, 20000);
    return pid;
}

void BM_X11ProgramStartToReady(benchmark::State& state)
{
    for (auto _ : state) {
        const pid_t pid = gSession->spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
        ++gStarts;
        if (!pid || !gSession->waitFor([] { return ready(*gSession); }, 20000)) {
            state.SkipWithError("the program did not start");
            return;
        }
        state.PauseTiming();
        gSession->terminate(pid);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_X11ProgramStartToReady)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_X11ProgramIdleSixtySeconds(benchmark::State& state)
{
    const pid_t pid = startProgram();
    for (auto _ : state) {
        const long long before = test::cpuTicks(pid);
        QElapsedTimer wall;
        wall.start();
        gSession->waitFor([&] { return wall.elapsed() >= 60000; }, 61000);
        const long long used = test::cpuTicks(pid) - before;
        state.counters["cpu_percent"] = 100.0 * double(used) / double(::sysconf(_SC_CLK_TCK)) / (wall.elapsed() / 1000.0);
    }
    gSession->terminate(pid);
}
BENCHMARK(BM_X11ProgramIdleSixtySeconds)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

// One title-bar drag of the xterm to the right monitor's top centre, released over a region
// of the picker's first card; returns once the xterm sits there.
bool dragIntoRegion(RegionNumber region)
{
    const ScreenInfo right{u"RIGHT"_qs, u"RIGHT"_qs, Rect(1920, 0, 1280, 1024), Rect(1920, 0, 1280, 1024), false};
    const Rect visible = topLeftVisibleFrame(right);
    const PickerGeometry geometry = PickerGeometry::make(SnapLayout::builtIns(), false, pickerWidth(visible));
    const Rect panel = pickerFrame(visible, geometry.width, geometry.height);
    const Rect button = geometry.cards.front().regions.at(region);
    const Rect target = regionFrames(SnapLayout::builtIns().front(), right).at(region);
    if (!test::pressTitleBar(*gSession, gTerm.window))
        return false;
    test::glide(*gSession, 0, 6, 3);
    test::glideTo(*gSession, {visible.midX(), visible.minY() + 6}, 10);
    test::glideTo(*gSession, {panel.minX() + button.midX(), panel.minY() + button.midY()}, 4);
    // The pointer rests over the region until its preview follows.
    gSession->waitFor([&] { return test::programPanelAt(*gSession, target); }, 2000);
    gSession->releaseButton(1);
    const bool placed = gSession->waitFor([&] {
        const auto f = gSession->wmFrame(gTerm.window);
        return f && f->origin == target.origin;
    }, 5000);
    // The placement checks that the window keeps its frame for a while; a press before it is
    // done would end it.
    gSession->waitFor([] { return false; }, 700);
    return placed;
}

void BM_X11ProgramResidentSizeOverTwoHundredDrags(benchmark::State& state)
{
    const pid_t pid = startProgram();
    for (auto _ : state) {
        state.counters["rss_start_mb"] = bench::residentMegabytes(pid);
        int placed = 0;
        for (int i = 1; i <= 200; ++i) {
            placed += dragIntoRegion(RegionNumber(i % 2)) ? 1 : 0;
            if (i % 50 == 0)
                state.counters["rss_after_" + std::to_string(i) + "_mb"] = bench::residentMegabytes(pid);
        }
        state.counters["drags_placed"] = placed;
    }
    gSession->terminate(pid);
}
BENCHMARK(BM_X11ProgramResidentSizeOverTwoHundredDrags)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    return bench::runOnSession({3200, 1080, true, false}, bench::Monitors::two, gSession, [](XSession& session) {
        session.spawn({u"trayer"_qs, u"--edge"_qs, u"top"_qs, u"--align"_qs, u"right"_qs, u"--widthtype"_qs,
                       u"request"_qs, u"--height"_qs, u"24"_qs, u"--SetDockType"_qs, u"true"_qs});
        gTerm = bench::startProgramDesk(session, "80x24+2100+300");
        return gTerm.window != XCB_NONE;
    }, [&](XSession&) { return bench::runBenchmarks(argc, argv); });
}
