// Time from asking for the layout picker (eight built-in and four custom layouts) to its panel
// mapped and painted on a real server (Xvfb + openbox + xcompmgr, private session): the first
// time in the process, and again once the toolkit has been warmed up.
#include "layout/SnapLayout.h"
#include "overlay/OverlayView.h"
#include "overlay/OverlayWindow.h"
#include "platform/x11/X11Stacking.h"
#include "x11/XSession.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <xcb/xcb.h>

namespace {

using namespace fw;

test::XSession* gSession = nullptr;

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

bool viewable(xcb_window_t w)
{
    xcb_connection_t* c = gSession->connection();
    auto* a = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
    const bool ok = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
    free(a);
    return ok;
}

// Opens the picker and returns once the server shows it mapped and the paint has been flushed.
std::unique_ptr<OverlayWindow> openPicker(const std::vector<SnapLayout>& layouts)
{
    const Rect visible(0, 0, 1920, 1080);
    auto* view = new OverlayView(layouts, u"halves"_qs, false, true, {}, pickerWidth(visible));
    auto panel = makePickerPanel(view, visible, true);
    showPickerPanel(*panel, *view, true);
    panel->repaint();
    const auto win = xcb_window_t(panel->winId());
    gSession->waitFor([&] { return viewable(win); }, 2000);
    return panel;
}

void BM_X11PickerFirstShow(benchmark::State& state)
{
    const auto layouts = pickerLayouts();
    for (auto _ : state) {
        auto panel = openPicker(layouts);
        state.PauseTiming();
        panel.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_X11PickerFirstShow)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_X11PickerShowAgain(benchmark::State& state)
{
    const auto layouts = pickerLayouts();
    for (auto _ : state) {
        auto panel = openPicker(layouts);
        state.PauseTiming();
        panel.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_X11PickerShowAgain)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    test::XSession session({1920, 1080, true, true});
    if (!session.ok()) {
        fputs("no X session could start\n", stderr);
        return 1;
    }
    gSession = &session;
    test::SessionApp app(session);
    X11Stacking stacking;
    OverlayWindow::setStacking(&stacking);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    OverlayWindow::setStacking(nullptr);
    return 0;
}
