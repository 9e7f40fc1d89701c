#pragma once
// Shared by the layout picker benchmarks (header only): the picker's panel opened to its first
// completed paint, and the loop that times opening it.

#include "BenchSupport.h"
#include "layout/SnapLayout.h"
#include "overlay/OverlayView.h"
#include "overlay/OverlayWindow.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

#include <functional>
#include <memory>

namespace fw::bench {

// Builds the view and its panel over `visible`, shows it and returns once its content has been
// painted. (repaint() right after show paints nothing: the window is not exposed until the
// platform's expose event has been delivered.)
inline std::unique_ptr<OverlayWindow> openPicker(const std::vector<SnapLayout>& layouts, const Rect& visible,
                                                 benchmark::State& state)
{
    auto* view = new OverlayView(layouts, u"halves"_qs, false, true, {}, pickerWidth(visible));
    PaintCounter painted(view);
    auto panel = makePickerPanel(view, visible, true);
    showPickerPanel(*panel, *view, true);
    if (!waitForPaint(painted, 0))
        state.SkipWithError("the picker was never painted");
    return panel;
}

// Times `open` each iteration; the panel it returns is closed untimed.
inline void timePickerOpens(benchmark::State& state, const std::function<std::unique_ptr<OverlayWindow>()>& open)
{
    for (auto _ : state) {
        auto panel = open();
        state.PauseTiming();
        panel.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}

} // namespace fw::bench
