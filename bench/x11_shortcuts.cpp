// Shortcuts on a real server (Xvfb + openbox, private session): from an XTest key press of
// Ctrl+Alt+P to the hot-key handler running on the Qt main thread, and from an XTest press of a
// bound middle button to its action running on the main thread (tap thread, match, hand-off).
#include "app/HotKeys.h"
#include "app/MouseShortcuts.h"
#include "platform/x11/X11ButtonGrabs.h"
#include "platform/x11/X11GlobalHotKeys.h"
#include "x11/FakeKeys.h"
#include "x11/XSession.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

namespace {

using namespace fw;
using Clock = std::chrono::steady_clock;

test::XSession* gSession = nullptr;

// Runs the Qt loop until `done` or 2 s. Records the microseconds from `start` to `at` as the
// iteration's time, or counts a miss.
void record(benchmark::State& state, const bool& done, Clock::time_point start, const Clock::time_point& at,
            std::vector<double>& samples, int& misses)
{
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (!done && Clock::now() < deadline)
        QCoreApplication::processEvents();
    if (!done) {
        ++misses;
        state.SetIterationTime(2.0);
        return;
    }
    const double us = std::chrono::duration<double, std::micro>(at - start).count();
    state.SetIterationTime(us / 1e6);
    samples.push_back(us);
}

void BM_X11HotKeyPressToHandler(benchmark::State& state)
{
    MemoryDefaults defaults;
    X11GlobalHotKeys platform(gSession->display());
    HotKeys hotKeys(platform, defaults);
    bool done = false;
    Clock::time_point at;
    hotKeys.action = [&](std::uint32_t) {
        at = Clock::now();
        done = true;
    };
    hotKeys.installHandler();
    hotKeys.registerKeys();
    const xcb_keycode_t control = test::keycode(*gSession, test::ControlL), alt = test::keycode(*gSession, test::AltL),
                        p = test::keycode(*gSession, test::LetterP);
    test::fakeKey(*gSession, control, true);
    test::fakeKey(*gSession, alt, true);
    std::vector<double> samples;
    int misses = 0;
    for (auto _ : state) {
        done = false;
        const auto start = Clock::now();
        test::fakeKey(*gSession, p, true);
        record(state, done, start, at, samples, misses);
        test::fakeKey(*gSession, p, false);
    }
    test::fakeKey(*gSession, alt, false);
    test::fakeKey(*gSession, control, false);
    bench::setPercentiles(state, samples, "median_us", "p95_us");
    state.counters["misses"] = misses;
}
BENCHMARK(BM_X11HotKeyPressToHandler)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(200);

void BM_X11MiddleClickToAction(benchmark::State& state)
{
    MemoryDefaults defaults;
    ShortcutStore(defaults).setMouseTrigger(MouseTrigger{2, 0}, ShortcutAction::stack);
    X11ButtonGrabs grabs(gSession->display());
    MouseShortcuts mouse(grabs);
    bool done = false;
    Clock::time_point at;
    mouse.action = [&](ShortcutAction, Point) {
        at = Clock::now();
        done = true;
    };
    mouse.configure(defaults);
    std::vector<double> samples;
    int misses = 0;
    for (auto _ : state) {
        done = false;
        const auto start = Clock::now();
        gSession->pressButton(2);
        record(state, done, start, at, samples, misses);
        // The action can run before the tap thread's AllowEvents reaches the server; XTest input
        // sent while the pointer is still frozen can then stay stuck until further input (seen
        // with Xvfb 21.1.7), so the release waits for the thaw.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        gSession->releaseButton(2);
    }
    bench::setPercentiles(state, samples, "median_us", "p95_us");
    state.counters["misses"] = misses;
}
BENCHMARK(BM_X11MiddleClickToAction)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(200);

} // namespace

int main(int argc, char** argv)
{
    test::XSession session;
    if (!bench::sessionStarted(session))
        return 1;
    gSession = &session;
    test::SessionApp app(session);
    return bench::runBenchmarks(argc, argv);
}
