// One reconcile pass of the snap coordinator after a scan: 4 displays with 15 windows each
// (stacks of three in every quarter, a window spanning the top row, two loose windows), on
// the simulated desktop, so only the coordinator's own work is measured. With diagnostics on,
// each pass also builds the recovery document and compares it with the last one written.
#include "base/UserDefaults.h"
#include "layout/LayoutStore.h"
#include "platform/sim/SimDesktop.h"
#include "snap/SnapCoordinator.h"
#include "windows/WindowAccess.h"
#include "windows/WindowPlacement.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

using namespace fw;

class NoFeedback final : public SnapFeedback {
public:
    void setOnCancel(std::function<void()>) override {}
    bool containsPoint(Point) const override { return false; }
    void setDraggedWindow(const std::optional<ManagedWindow>&) override {}
    std::optional<SnapSelection> hoverPicker(Point) override { return std::nullopt; }
    void hidePicker() override {}
    void showPreview(const std::optional<Rect>&) override {}
    void showCompositionPreviews(const std::vector<Rect>&) override {}
    void showReturnPreview(bool, const ManagedWindow&, const Rect&) override {}
    void showWindowChooser(const ScreenInfo&, const std::vector<ManagedWindow>&, const QString&,
                           const std::optional<QString>&, std::function<void(const ManagedWindow&)>,
                           std::function<void()>) override {}
    void showRegionAssist(const std::map<RegionNumber, Rect>&, const std::vector<ManagedWindow>&, const Thumbnails&,
                          std::function<void(RegionNumber, const ManagedWindow&)>, std::function<void(RegionNumber)>) override {}
    void updateAssistThumbnail(const Thumbnail&, const ManagedWindow&) override {}
    void hideAssistPanels() override {}
    void showDividerEditor(const ScreenInfo&, const SnapLayout&, std::function<void(const DividerPath&)>,
                           std::function<void(const DividerPath&, double, bool)>) override {}
    void updateDividerEditor(const SnapLayout&) override {}
    void hideAll() override {}
};

struct Desk {
    explicit Desk(bool diagnostics)
    {
        const SnapLayout& quarters = SnapLayout::builtIns()[4];
        Pid pid = 100;
        for (int d = 0; d < 4; ++d) {
            const Rect frame(1920.0 * d, 0, 1920, 1080);
            const ScreenInfo screen{QStringLiteral("D%1").arg(d), QStringLiteral("Display %1").arg(d), frame,
                                    Rect(frame.x(), 0, 1920, 1050), d == 0};
            sim.addScreen(screen);
            const auto regions = quarters.tree.frames(screen.visibleFrame, 8);
            for (const auto& [r, f] : regions) {
                for (int k = 0; k < 3; ++k)
                    sim.addWindow({.pid = pid++, .title = QStringLiteral("stacked"), .frame = f.offsetBy(k, k)});
            }
            sim.addWindow({.pid = pid++, .title = QStringLiteral("span"), .frame = regions.at(0).united(regions.at(2))});
            sim.addWindow({.pid = pid++, .title = QStringLiteral("loose"), .frame = Rect(frame.x() + 300, 200, 700, 500)});
            sim.addWindow({.pid = pid++, .title = QStringLiteral("loose"), .frame = Rect(frame.x() + 500, 400, 640, 480)});
        }
        coordinator = std::make_unique<SnapCoordinator>(
            SnapServices{access, placement, sim, sim, clock, defaults, store, feedback, stacks, capture, diagnostics});
        snapshot = access.managedWindows();
        for (const auto& entry : snapshot)
            coordinator->memory().originals[entry.window] = entry.frame;
        coordinator->reconcile(snapshot); // adopts the four layouts
    }

    VirtualClock clock;
    sim::SimDesktop sim{clock};
    WindowAccess access{sim, sim, clock, sim};
    WindowPlacement placement{access};
    MemoryDefaults defaults;
    LayoutStore store{defaults};
    NoFeedback feedback;
    NoWindowStacks stacks;
    NoThumbnailCapture capture;
    std::unique_ptr<SnapCoordinator> coordinator;
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

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    int qargc = 1;
    QCoreApplication app(qargc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
