// One reconcile pass of the snap coordinator after a scan: 4 displays with 15 windows each
// (stacks of three in every quarter, a window spanning the top row, two loose windows), on
// the simulated desktop, so only the coordinator's own work is measured. With diagnostics on,
// each pass also builds the recovery document and compares it with the last one written.
#include "SnapBenchDesk.h"

#include <QDir>
#include <QTemporaryDir>

namespace {

using namespace fw;

struct Desk : bench::SnapBenchDesk {
    explicit Desk(bool diagnostics)
    {
        Pid pid = 100;
        for (int d = 0; d < 4; ++d) {
            const Rect frame(1920.0 * d, 0, 1920, 1080);
            const ScreenInfo screen{QStringLiteral("D%1").arg(d), QStringLiteral("Display %1").arg(d), frame,
                                    Rect(frame.x(), 0, 1920, 1050), d == 0};
            pid = addQuarterStacks(screen, 3, pid);
            sim.addWindow({.pid = pid++, .title = QStringLiteral("loose"), .frame = Rect(frame.x() + 300, 200, 700, 500)});
            sim.addWindow({.pid = pid++, .title = QStringLiteral("loose"), .frame = Rect(frame.x() + 500, 400, 640, 480)});
        }
        start(diagnostics);
        snapshot = access.managedWindows();
        for (const auto& entry : snapshot)
            state.memory.originals[entry.window] = entry.frame;
        coordinator->reconcile(snapshot); // adopts the four layouts
    }

    WindowSnapshot snapshot;
};

void reconcilePass(benchmark::State& state, bool diagnostics)
{
    QTemporaryDir tmp;
    qputenv("TMPDIR", QFile::encodeName(tmp.path()));
    Desk desk(diagnostics);
    if (desk.snapshot.size() != 60 || desk.coordinator->groups().size() != 4) {
        state.SkipWithError("the desk is not 4 displays with 60 windows and 4 layouts");
        return;
    }
    for (auto _ : state)
        desk.coordinator->reconcile(desk.snapshot);
    state.counters["windows"] = double(desk.snapshot.size());
    state.counters["spans"] = double(desk.coordinator->spanCovers().size());
}

void BM_Reconcile(benchmark::State& state) { reconcilePass(state, false); }
void BM_ReconcileWithDiagnostics(benchmark::State& state) { reconcilePass(state, true); }

BENCHMARK(BM_Reconcile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReconcileWithDiagnostics)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) { return fw::bench::runBenchmarks(argc, argv); }
