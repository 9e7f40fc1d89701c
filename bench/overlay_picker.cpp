// Time from asking for the layout picker (eight built-in layouts and four custom ones) to the
// first completed paint of its content: the first time in the process (fonts, styles and the
// icon font load then) and once everything has been created before. Offscreen platform; the
// real server is measured by bench_x11_overlay_picker.
#include "PickerBench.h"
#include "layout/SnapLayout.h"
#include "overlay/OverlayView.h"
#include "overlay/OverlayWindow.h"

#include <QApplication>
#include <benchmark/benchmark.h>

namespace {

using namespace fw;

std::vector<SnapLayout> pickerLayouts()
{
    std::vector<SnapLayout> layouts = SnapLayout::builtIns();
    for (int i = 0; i < 4; ++i) {
        layouts.push_back(SnapLayout{u"user-"_qs + QString::number(i), u"Custom "_qs + QString::number(i),
                                     RegionTree::split(SplitAxis::horizontal, 0.3 + 0.1 * i, RegionTree::leaf(0),
                                                       RegionTree::split(SplitAxis::vertical, 0.5, RegionTree::leaf(1),
                                                                         RegionTree::leaf(2))),
                                     std::nullopt});
    }
    return layouts;
}

const Rect kVisible(1920, 0, 1280, 1024);

void timePickerOpens(benchmark::State& state)
{
    const auto layouts = pickerLayouts();
    bench::timePickerOpens(state, [&] { return bench::openPicker(layouts, kVisible, state); });
}

void BM_PickerFirstShow(benchmark::State& state) { timePickerOpens(state); }
BENCHMARK(BM_PickerFirstShow)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_PickerShowAgain(benchmark::State& state) { timePickerOpens(state); }
BENCHMARK(BM_PickerShowAgain)->Unit(benchmark::kMillisecond);

// The same panel hidden and shown again with a new selection, to its next completed paint.
void BM_PickerReorderFront(benchmark::State& state)
{
    auto panel = bench::openPicker(pickerLayouts(), kVisible, state);
    auto* view = panel->findChild<OverlayView*>();
    bench::PaintCounter painted(view);
    int i = 0;
    for (auto _ : state) {
        panel->orderOut();
        view->showSelection(SnapSelection{i++ % 12, 0});
        const int before = painted.paints();
        panel->orderFrontRegardless();
        if (!bench::waitForPaint(painted, before))
            state.SkipWithError("the picker was not painted again");
    }
}
BENCHMARK(BM_PickerReorderFront)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::runOnOffscreenWidgets(argc, argv);
}
