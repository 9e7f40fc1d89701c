// The main road timed on a real server (Xvfb + openbox, two monitors, an xterm and eight other
// windows on the right monitor), the coordinator over the real adapters and overlay:
//   - "place the focused window" to the picker panel mapped on screen;
//   - a picker choice to the window manager's first change of the xterm's frame.
#include "CoordinatorBench.h"
#include "base/Task.h"
#include "layout/SnapLayout.h"
#include "x11/CoordinatorRig.h"
#include "x11/XSession.h"

#include <QApplication>
#include <benchmark/benchmark.h>

namespace {

using namespace fw;

test::XSession* gSession = nullptr;
test::CoordinatorRig* gRig = nullptr;
test::XSession::Client gTerm;

const Rect kStart(2000, 80, 500, 400);

void BM_X11PlaceCommandToPickerMapped(benchmark::State& state)
{
    for (auto _ : state) {
        if (!gRig->placeFocusedWindow()) {
            state.SkipWithError("no focused window");
            return;
        }
        const auto panel = xcb_window_t(gRig->overlay.picker->winId());
        gSession->waitFor([&] { return gSession->isViewable(panel); }, 2000);
        state.PauseTiming();
        // The picker took the keyboard: give it back to the xterm, as a click would.
        gRig->coordinator->endInteraction(false);
        gRig->ws.activate(gTerm.window);
        gSession->waitFor([&] { return gSession->activeWindow() == gTerm.window; }, 2000);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_X11PlaceCommandToPickerMapped)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(30);

void BM_X11ChoiceToFirstFrameChange(benchmark::State& state)
{
    SnapCoordinator& c = *gRig->coordinator;
    for (auto _ : state) {
        state.PauseTiming();
        gRig->ws.setFrame(gTerm.window, kStart);
        gRig->ws.activate(gTerm.window);
        gSession->waitFor([&] { return gSession->activeWindow() == gTerm.window; }, 2000);
        const auto before = gSession->wmFrame(gTerm.window).value_or(Rect());
        if (!gRig->placeFocusedWindow()) {
            state.SkipWithError("no focused window");
            return;
        }
        state.ResumeTiming();
        c.context().tasks.spawn(c.choose({0, 1}));
        const auto moved = gSession->waitForFrameChange(gTerm.window, before, 2000);
        state.PauseTiming();
        if (!moved) {
            state.SkipWithError("the xterm did not move");
            return;
        }
        gSession->waitFor([&] { return !gRig->state.interaction.mutating; }, 5000);
        c.endInteraction(false);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_X11ChoiceToFirstFrameChange)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

} // namespace

int main(int argc, char** argv)
{
    const bench::CoordinatorDesk desk{{3200, 1080, true, false}, bench::Monitors::two};
    return bench::runOnCoordinatorDesk(argc, argv, desk, gSession, gRig, [](test::XSession& session) {
        gTerm = bench::startXtermAmongOthers(session, "80x24+2000+80");
        if (gTerm.window && !session.waitFor([&] { return session.activeWindow() == gTerm.window; }))
            std::fprintf(stderr, "the xterm was not focused\n");
        return gTerm.window && session.activeWindow() == gTerm.window;
    });
}
