// One processed drag event of the drag monitor, its hover update included (and the hover
// timer's ticks that fall between events): a loose window dragged by its title bar across two
// displays with 25 windows each and their layouts adopted, one event every 17 ms of virtual
// time, the window moving with the pointer as a window manager moves it.
#include "SnapBenchDesk.h"
#include "snap/DragMonitor.h"
#include "snap/SnapDragHandler.h"

namespace {

using namespace fw;

void BM_DragEventWithHover(benchmark::State& state)
{
    bench::SnapBenchDesk desk;
    const WindowSnapshot snapshot = desk.startBusyDesk();
    if (!bench::busyDeskReady(state, snapshot, *desk.coordinator))
        return;
    SnapDragHandler handler(desk.coordinator->context(), desk.coordinator->dragStates());
    DragMonitor monitor(handler, desk.sim.mouse(), desk.clock);
    monitor.install();
    const DiscoveredWindow dragged = snapshot.back();
    const Point grab{dragged.frame.midX(), dragged.frame.minY() + 12};
    // A diagonal sweep over both displays, regions, gaps and the space between them.
    std::vector<Point> path;
    for (int i = 0; i < 96; ++i)
        path.push_back({3600.0 * i / 96, 30 + 1000.0 * (i % 48) / 48});
    desk.sim.mouse().press(grab);
    std::size_t i = 0;
    for (auto _ : state) {
        const Point p = path[i++ % path.size()];
        desk.sim.place(dragged.window.element, dragged.frame.offsetBy(p.x - grab.x, p.y - grab.y));
        desk.clock.advance(17ms);
        desk.sim.mouse().drag(p);
        if (desk.feedback.calls.size() > 4096)
            desk.feedback.calls.clear();
    }
    if (!monitor.dragging())
        state.SkipWithError("the window never started to move");
    desk.sim.mouse().release(path[(i - 1) % path.size()]);
}

BENCHMARK(BM_DragEventWithHover)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) { return fw::bench::runBenchmarks(argc, argv); }
