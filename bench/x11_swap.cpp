// A swap on a real server (Xvfb + openbox, two monitors, an xterm and the test client placed in
// "Halves" on the right monitor), the coordinator, the drag monitor and the real overlay in the
// process: the xterm dragged onto the other window's region and held over the "Swap" tile until
// armed; measured from the release until both windows sit in each other's regions as the server
// reports their frames (the xterm on its cell grid). The drop waits 0.08 s after the release by
// design. The counters give the median and 95th percentile of the runs, and the same to the end
// of the drop (the transaction's checks done and the interaction ended).
#include "CoordinatorBench.h"
#include "layout/ScreenGeometry.h"
#include "snap/AppliedLayouts.h"
#include "x11/CoordinatorRig.h"
#include "x11/DragSteps.h"
#include "x11/XSession.h"

#include <QElapsedTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <vector>

namespace {

using namespace fw;

test::XSession* gSession = nullptr;
test::CoordinatorRig* gRig = nullptr;
test::XSession::Client gTerm, gClient;

const SnapLayout& halves() { return SnapLayout::builtIns().front(); }
ScreenInfo right() { return gRig->screenOf(Rect(1920, 0, 1280, 1024)).value_or(ScreenInfo{}); }

// At the region's origin, short of it by less than one increment (exactly, without one).
bool inRegion(xcb_window_t w, RegionNumber r)
{
    const auto f = gSession->wmFrame(w);
    const Rect region = regionFrames(halves(), right()).at(r);
    const auto hints = gRig->ws.sizeHints(w);
    const Size cell = hints ? hints->increment : Size{};
    const auto fits = [](double side, double want, double c) { return side <= want && want - side < std::max(c, 1.0); };
    return f && f->origin == region.origin && fits(f->width(), region.width(), cell.width) &&
           fits(f->height(), region.height(), cell.height);
}

bool place(xcb_window_t w, RegionNumber r)
{
    const auto done = gRig->placeWindow(w, r, halves(), right());
    return gSession->waitFor([&] { return done->has_value(); }, 10000) && **done && inRegion(w, r);
}

void BM_X11SwapReleaseToBothSettled(benchmark::State& state)
{
    if (!place(gTerm.window, 0) || !place(gClient.window, 1)) {
        state.SkipWithError("the windows could not be placed");
        return;
    }
    std::vector<double> settled, finished;
    RegionNumber from = 0;
    for (auto _ : state) {
        const RegionNumber to = 1 - from;
        const Rect target = regionFrames(halves(), right()).at(to);
        if (!test::pressTitleBar(*gSession, gTerm.window) ||
            !gSession->waitFor([&] { return gRig->monitor->candidate().has_value(); }, 2000) ||
            !test::holdOverTile(*gSession, *gRig, {target.midX(), target.midY()}, RegionDropIntent::swap(to))) {
            state.SkipWithError("the swap tile did not arm");
            gSession->releaseButton(1);
            return;
        }
        QElapsedTimer released;
        released.start();
        gSession->releaseButton(1);
        const bool both = gSession->waitFor([&] { return inRegion(gTerm.window, to) && inRegion(gClient.window, from); }, 5000);
        const double ms = double(released.nsecsElapsed()) / 1e6;
        const bool ended = gSession->waitFor([&] {
            return !gRig->state.interaction.mutating && !gRig->state.picker.pickerScreen();
        }, 5000);
        if (!both || !ended) {
            state.SkipWithError("the windows did not trade regions");
            return;
        }
        finished.push_back(double(released.nsecsElapsed()) / 1e6);
        settled.push_back(ms);
        state.SetIterationTime(ms / 1000);
        from = to;
    }
    bench::setPercentiles(state, settled, "median_settled_ms", "p95_settled_ms");
    bench::setPercentiles(state, finished, "median_dropEnded_ms", "p95_dropEnded_ms");
}
BENCHMARK(BM_X11SwapReleaseToBothSettled)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

} // namespace

int main(int argc, char** argv)
{
    const bench::CoordinatorDesk desk{{3200, 1080, true, false}, bench::Monitors::two, bench::DragMonitorUse::installed};
    return bench::runOnCoordinatorDesk(argc, argv, desk, gSession, gRig, [](test::XSession& session) {
        gTerm = session.startXterm(u"bench xterm"_qs, {"-geometry", "80x24+2000+300"});
        gClient = session.startTestClient(u"other"_qs, {"--position", "2600,400"});
        return bench::clientsStarted(session, {gTerm.window, gClient.window});
    });
}
