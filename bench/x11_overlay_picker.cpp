// Time from asking for the layout picker (eight built-in and four custom layouts) to the first
// completed paint of its content on a real server (Xvfb + openbox + xcompmgr, private
// session): painted, flushed and handled by the server. The first time in the process, and
// again once the toolkit has been warmed up; and through the overlay as the coordinator shows
// it: the same picker again (kept and shown as built) against a changed one (built anew).
#include "PickerBench.h"
#include "layout/SnapLayout.h"
#include "overlay/OverlayController.h"
#include "overlay/OverlayFeedback.h"
#include "overlay/OverlayView.h"
#include "overlay/OverlayWindow.h"
#include "platform/x11/X11Stacking.h"
#include "x11/XSession.h"

#include <QApplication>
#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <xcb/xcb.h>

namespace {

using namespace fw;

std::vector<SnapLayout> pickerLayouts()
{
    std::vector<SnapLayout> layouts = SnapLayout::builtIns();
    for (int i = 0; i < 4; ++i)
        layouts.push_back(SnapLayout{u"user-"_qs + QString::number(i), u"Custom "_qs + QString::number(i),
                                     RegionTree::split(SplitAxis::horizontal, 0.3 + 0.1 * i, RegionTree::leaf(0),
                                                       RegionTree::leaf(1)),
                                     std::nullopt});
    return layouts;
}

// Returns once the server has handled everything Qt's own connection sent (the paint's
// image included).
void syncQt()
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11->connection();
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

// Times opening the picker until its content has been painted and the server has it.
void timePickerOpens(benchmark::State& state)
{
    const auto layouts = pickerLayouts();
    bench::timePickerOpens(state, [&] {
        auto panel = bench::openPicker(layouts, Rect(0, 0, 1920, 1080), state);
        syncQt();
        return panel;
    });
}

void BM_X11PickerFirstShow(benchmark::State& state) { timePickerOpens(state); }
BENCHMARK(BM_X11PickerFirstShow)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_X11PickerShowAgain(benchmark::State& state) { timePickerOpens(state); }
BENCHMARK(BM_X11PickerShowAgain)->Unit(benchmark::kMillisecond)->UseRealTime();

// Shows the picker through the overlay and returns once it has been painted and the server
// has it; hides it untimed.
void showThroughOverlay(benchmark::State& state, bool changeEachTime, bool prepared = false)
{
    OverlayController overlay;
    OverlayFeedback feedback(overlay);
    const ScreenInfo screen{u"S"_qs, u"S"_qs, Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1080), true};
    const auto layouts = pickerLayouts();
    int round = 0;
    for (auto _ : state) {
        PickerPresentation p;
        p.screen = screen;
        p.layouts = layouts;
        p.currentLayout = u"halves"_qs;
        p.dragging = true;
        if (changeEachTime)
            p.layouts.back().name = u"Custom "_qs + QString::number(++round);
        if (prepared) {
            state.PauseTiming();
            feedback.preparePicker(p);
            QApplication::processEvents();
            state.ResumeTiming();
        }
        feedback.showPicker(std::move(p));
        bench::PaintCounter painted(overlay.pickerView);
        if (!bench::waitForPaint(painted, 0))
            state.SkipWithError("the picker was never painted");
        syncQt();
        state.PauseTiming();
        feedback.hidePicker();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

void BM_X11PickerOverlayChanged(benchmark::State& state) { showThroughOverlay(state, true); }
BENCHMARK(BM_X11PickerOverlayChanged)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_X11PickerOverlaySame(benchmark::State& state) { showThroughOverlay(state, false); }
BENCHMARK(BM_X11PickerOverlaySame)->Unit(benchmark::kMillisecond)->UseRealTime();

// Built ahead (never shown before), then shown.
void BM_X11PickerOverlayPrepared(benchmark::State& state) { showThroughOverlay(state, true, true); }
BENCHMARK(BM_X11PickerOverlayPrepared)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    test::XSession session({1920, 1080, true, true});
    if (!bench::sessionStarted(session))
        return 1;
    test::SessionApp app(session);
    X11Stacking stacking;
    OverlayWindow::setStacking(&stacking);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    OverlayWindow::setStacking(nullptr);
    return 0;
}
