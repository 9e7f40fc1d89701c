// One drop-target decision of a hover update: 2 displays with 25 windows each (stacks of five
// in every quarter, a window spanning the top row, four loose windows), the layouts adopted by
// the coordinator on the simulated desktop. Measured over a drag path across both displays
// (regions, gaps, the top band, the space between displays) and at the costliest point, over
// an occupied region whose tile menu is built.
#include "SnapBenchDesk.h"
#include "snap/DropTargets.h"
#include "snap/SnapDragHandler.h"

namespace {

using namespace fw;

const auto& kScreens = bench::SnapBenchDesk::kBusyScreens;

struct Desk : bench::SnapBenchDesk {
    Desk() : snapshot(startBusyDesk()) {}

    // The dragged window: one of the loose ones, over the display under the point.
    DropTargetQuery query(Point p) const
    {
        DropTargetQuery q;
        q.window = snapshot.back().window;
        q.windowFrame = snapshot.back().frame;
        const ScreenInfo& screen = p.x < kScreens[1].frame.x() ? kScreens[0] : kScreens[1];
        q.display = screen.key;
        q.visibleFrame = screen.visibleFrame;
        q.pointer = p;
        return q;
    }

    WindowSnapshot snapshot;
};

// The target as the drag handler's hover update asks for it, the planner's state made afresh.
std::optional<RegionDropTarget> hoverTarget(SnapCoordinator& coordinator, const DropTargetQuery& query)
{
    const DragStates states = coordinator.dragStates();
    return regionDropTarget(query, coordinator.groups(), dropTargetState(coordinator.context(), states, query.display));
}

bool ready(benchmark::State& state, const Desk& desk) { return bench::busyDeskReady(state, desk.snapshot, *desk.coordinator); }

void BM_DropTargetAlongADrag(benchmark::State& state)
{
    Desk desk;
    if (!ready(state, desk))
        return;
    // A diagonal sweep over both displays and a sweep along the top band.
    std::vector<DropTargetQuery> path;
    for (int i = 0; i < 96; ++i)
        path.push_back(desk.query({3600.0 * i / 96, 5 + 1040.0 * (i % 48) / 48}));
    for (int i = 0; i < 32; ++i)
        path.push_back(desk.query({3600.0 * i / 32 + 10, i % 2 ? 3.0 : 27.0}));
    std::size_t i = 0, found = 0;
    for (auto _ : state) {
        const auto target = hoverTarget(*desk.coordinator, path[i++ % path.size()]);
        found += target.has_value();
        benchmark::DoNotOptimize(target);
    }
    state.counters["targets"] = benchmark::Counter(double(found), benchmark::Counter::kAvgIterations);
}

void BM_DropTargetOverOccupiedRegion(benchmark::State& state)
{
    Desk desk;
    if (!ready(state, desk))
        return;
    const DropTargetQuery q = desk.query({2400, 700}); // the right display's bottom-left quarter
    if (!hoverTarget(*desk.coordinator, q) || !hoverTarget(*desk.coordinator, q)->menu) {
        state.SkipWithError("no tile menu over the occupied region");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(hoverTarget(*desk.coordinator, q));
}

BENCHMARK(BM_DropTargetAlongADrag)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DropTargetOverOccupiedRegion)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) { return fw::bench::runBenchmarks(argc, argv); }
