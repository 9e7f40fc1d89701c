// A composition timed on a real server (Xvfb + openbox, one monitor, four test clients): the
// choice of "Four quarters" for the display to every window verified in its region (the
// placement sequence committed and the group recorded), the windows scattered before each
// round.
#include "CoordinatorBench.h"
#include "layout/ScreenGeometry.h"
#include "layout/SnapLayout.h"
#include "x11/CoordinatorRig.h"
#include "x11/XSession.h"

#include <benchmark/benchmark.h>

namespace {

using namespace fw;

test::XSession* gSession = nullptr;
test::CoordinatorRig* gRig = nullptr;
std::vector<xcb_window_t> gWindows;

const SnapLayout& quarters()
{
    for (const SnapLayout& layout : SnapLayout::builtIns()) {
        if (layout.id == u"quarters"_qs)
            return layout;
    }
    return SnapLayout::builtIns().front();
}

// Each window at its own spot, away from every quarter.
bool scatter()
{
    for (std::size_t i = 0; i < gWindows.size(); ++i) {
        const Rect spot(120 + 60 * double(i), 100 + 50 * double(i), 500 + 20 * double(i), 400);
        gRig->ws.setFrame(gWindows[i], spot);
        if (!gSession->waitFor([&] { return gSession->wmFrame(gWindows[i]) == spot; }, 2000))
            return false;
    }
    return true;
}

void BM_X11CompositionOfFourChoiceToSettled(benchmark::State& state)
{
    SnapCoordinator& c = *gRig->coordinator;
    const ScreenInfo screen = gRig->screens.screens().front();
    for (auto _ : state) {
        state.PauseTiming();
        c.displaysChanged(); // no applied layout: every round starts from scratch
        if (!scatter()) {
            state.SkipWithError("the windows could not be scattered");
            return;
        }
        state.ResumeTiming();
        c.startLayoutApplication(quarters(), screen);
        const bool settled = gSession->waitFor(
            [&] {
                const auto group = c.groups().find(displayKey(screen));
                return !gRig->state.interaction.mutating && group != c.groups().end() && group->second.windows.size() == 4;
            },
            5000);
        if (!settled) {
            state.SkipWithError("the composition did not settle");
            return;
        }
    }
}
BENCHMARK(BM_X11CompositionOfFourChoiceToSettled)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(15);

} // namespace

int main(int argc, char** argv)
{
    return bench::runOnCoordinatorDesk(argc, argv, {}, gSession, gRig, [](test::XSession& session) {
        gWindows = bench::startNumberedClients(session, 4, u"composed %1"_qs, [](int) { return QStringList{"--size", "500x400"}; });
        return !gWindows.empty();
    });
}
