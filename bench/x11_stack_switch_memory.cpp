// What a stack switch costs the program in memory, on a real server (Xvfb + the test window
// manager + trayer), started as a user starts it, with two xterms on one frame (a stack):
//   - rss_before / threads_before: the program settled after its start, before any switch;
//   - rss_switched / threads_switched: once Next Window in Stack (Ctrl+Alt+]) has brought the
//     other xterm forward and the transition's panel has gone;
//   - rss_idle_<n>s / threads_idle_<n>s: n seconds of idle after that switch;
//   - first_switch_ms / second_switch_ms: from the key press to the other xterm active.
// Every run is a new program; medians and p95 over the runs. FRAMEWELL_BENCH_COMPOSITOR=1 runs
// xcompmgr too (then the switch is animated); FRAMEWELL_BENCH_IDLE_SECONDS sets the idle
// (60 by default).
#include "ProgramBench.h"
#include "x11/FakeKeys.h"
#include "x11/ProgramSession.h"
#include "x11/XSession.h"

#include <QElapsedTimer>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>

namespace {

using namespace fw;
using test::XSession;

XSession* gSession = nullptr;
XSession::Client gOne, gTwo;

int idleSeconds()
{
    const int n = std::atoi(std::getenv("FRAMEWELL_BENCH_IDLE_SECONDS") ? std::getenv("FRAMEWELL_BENCH_IDLE_SECONDS") : "");
    return n > 0 ? n : 60;
}

void rest(int ms)
{
    QElapsedTimer t;
    t.start();
    gSession->waitFor([&] { return t.elapsed() >= ms; }, ms + 1000);
}

// Next Window in Stack from the active xterm: milliseconds until the other one is active (-1
// when it did not happen); returns once the transition's panel has gone too.
double switchOnce()
{
    const xcb_window_t from = gSession->activeWindow();
    const xcb_window_t to = from == gOne.window ? gTwo.window : gOne.window;
    QElapsedTimer t;
    t.start();
    test::chord(*gSession, {test::ControlL, test::AltL, test::BracketRight});
    const bool switched = gSession->waitFor([&] { return gSession->activeWindow() == to; }, 10000);
    const double ms = double(t.nsecsElapsed()) / 1e6;
    gSession->waitFor([] { return !test::programWindowShown(*gSession, u"Framewell transition"_qs); }, 5000);
    return switched ? ms : -1;
}

void BM_X11StackSwitchMemory(benchmark::State& state)
{
    std::map<std::string, std::vector<double>> samples;
    const int idle = idleSeconds();
    for (auto _ : state) {
        if (!gSession->activate(gOne.window)) {
            state.SkipWithError("the first xterm did not become active");
            return;
        }
        const pid_t pid = test::startProgram(*gSession);
        if (!pid) {
            state.SkipWithError("the program did not start");
            return;
        }
        // Its start settles (the tray icon, the stack's badge).
        rest(3000);
        samples["rss_before_mb"].push_back(bench::residentMegabytes(pid));
        samples["threads_before"].push_back(bench::processStatus(pid, "Threads"));
        const double first = switchOnce();
        if (first < 0) {
            state.SkipWithError("Next Window in Stack brought nothing forward");
            gSession->terminate(pid);
            return;
        }
        samples["first_switch_ms"].push_back(first);
        samples["rss_switched_mb"].push_back(bench::residentMegabytes(pid));
        samples["threads_switched"].push_back(bench::processStatus(pid, "Threads"));
        QElapsedTimer sinceSwitch;
        sinceSwitch.start();
        std::vector<int> marks;
        for (int s : {5, 10, 30})
            if (s < idle)
                marks.push_back(s);
        marks.push_back(idle);
        for (int s : marks) {
            rest(int(std::max<qint64>(0, s * 1000 - sinceSwitch.elapsed())));
            samples["rss_idle_" + std::to_string(s) + "s_mb"].push_back(bench::residentMegabytes(pid));
            samples["threads_idle_" + std::to_string(s) + "s"].push_back(bench::processStatus(pid, "Threads"));
        }
        samples["second_switch_ms"].push_back(switchOnce());
        gSession->terminate(pid);
    }
    for (auto& [name, values] : samples)
        bench::setPercentiles(state, values, name.c_str(), (name + "_p95").c_str());
}
BENCHMARK(BM_X11StackSwitchMemory)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    test::XSessionOptions options;
    options.compositor = std::getenv("FRAMEWELL_BENCH_COMPOSITOR") && std::string(std::getenv("FRAMEWELL_BENCH_COMPOSITOR")) == "1";
    return bench::runOnSession(options, bench::Monitors::one, gSession, [](XSession& session) {
        if (!test::startTrayHost(session))
            std::fprintf(stderr, "no tray host: %s\n", session.error().c_str());
        gOne = session.startXterm(u"stacked one"_qs, {"-geometry", "80x24+200+150"});
        gTwo = session.startXterm(u"stacked two"_qs, {"-geometry", "80x24+200+150"});
        return bench::clientsStarted(session, {gOne.window, gTwo.window});
    }, [&](XSession&) { return bench::runBenchmarks(argc, argv); });
}
