// A divider edit on a real server (Xvfb + openbox, four test clients placed in "Four quarters"),
// with the coordinator and the real overlay in the process: the divider editor is opened and
// its root divider moved through the editor's own callback, alternately to 40 % and 60 %;
// measured from the edit until all four windows sit in their new regions as the server reports
// their frames, and to the end of the edit (the transaction's checks done and the tree saved).
// The counters give the median and 95th percentile of the runs.
#include "CoordinatorBench.h"
#include "layout/ScreenGeometry.h"
#include "overlay/DividerEditorView.h"
#include "snap/AppliedLayouts.h"
#include "x11/CoordinatorRig.h"
#include "x11/XSession.h"

#include <QElapsedTimer>
#include <benchmark/benchmark.h>
#include <vector>

namespace {

using namespace fw;

test::XSession* gSession = nullptr;
test::CoordinatorRig* gRig = nullptr;
std::vector<xcb_window_t> gWindows;

const SnapLayout& quarters() { return SnapLayout::builtIns().at(4); }
ScreenInfo screen() { return gRig->screenOf(Rect(0, 0, 1920, 1080)).value_or(ScreenInfo{}); }

bool allIn(const SnapLayout& layout)
{
    const auto frames = regionFrames(layout, screen());
    for (std::size_t i = 0; i < gWindows.size(); ++i) {
        const auto f = gSession->wmFrame(gWindows[i]);
        if (!f || !sameFrame(*f, frames.at(RegionNumber(i)), 1.0))
            return false;
    }
    return true;
}

bool placeAll()
{
    for (std::size_t i = 0; i < gWindows.size(); ++i) {
        const auto done = gRig->placeWindow(gWindows[i], RegionNumber(i), quarters(), screen());
        if (!gSession->waitFor([&] { return done->has_value(); }, 10000) || !**done)
            return false;
    }
    return allIn(quarters());
}

void BM_X11DividerEditToAllSettled(benchmark::State& state)
{
    if (!placeAll()) {
        state.SkipWithError("the windows could not be placed");
        return;
    }
    gRig->coordinator->adjustLayout(screen());
    DividerEditorView* editor = gRig->overlay.editorView();
    if (!editor || !editor->onChange) {
        state.SkipWithError("no divider editor");
        return;
    }
    const QString display = displayKey(screen());
    std::vector<double> settled, finished;
    double position = 0.4;
    for (auto _ : state) {
        SnapLayout expected = gRig->coordinator->groups().at(display).layout;
        expected.tree = expected.tree.settingDivider({}, position, Rect(0, 0, 1, 1), Size{0.1, 0.1});
        QElapsedTimer edited;
        edited.start();
        editor->onChange({}, position, false);
        const bool all = gSession->waitFor([&] { return allIn(expected); }, 5000);
        const double ms = double(edited.nsecsElapsed()) / 1e6;
        const bool ended = gSession->waitFor([&] {
            return !gRig->state.interaction.mutating && !gRig->state.interaction.pendingEdit;
        }, 5000);
        if (!all || !ended) {
            state.SkipWithError("the windows did not take the edit");
            return;
        }
        finished.push_back(double(edited.nsecsElapsed()) / 1e6);
        settled.push_back(ms);
        state.SetIterationTime(ms / 1000);
        position = position < 0.5 ? 0.6 : 0.4;
    }
    bench::setPercentiles(state, settled, "median_settled_ms", "p95_settled_ms");
    bench::setPercentiles(state, finished, "median_editEnded_ms", "p95_editEnded_ms");
}
BENCHMARK(BM_X11DividerEditToAllSettled)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

} // namespace

int main(int argc, char** argv)
{
    return bench::runOnCoordinatorDesk(argc, argv, {}, gSession, gRig, [](test::XSession& session) {
        gWindows = bench::startNumberedClients(session, 4, u"quarter %1"_qs, [](int i) {
            return QStringList{"--position", u"%1,%2"_qs.arg(100 + 300 * i).arg(100 + 100 * i)};
        });
        return !gWindows.empty();
    });
}
