// The cost of matching one mouse-button press on the tap thread: the lookup under the tap
// state's lock with eight triggers bound, for a match (with its hand-off and the release that
// follows) and for a press that matches nothing and is passed on.
#include "app/MouseShortcuts.h"

#include <benchmark/benchmark.h>

namespace {

using namespace fw;

std::map<MouseTrigger, ShortcutAction> eightTriggers()
{
    std::map<MouseTrigger, ShortcutAction> table;
    int button = 2;
    for (ShortcutAction a : allShortcutActions)
        table.emplace(MouseTrigger{button++, StoredCtrl | StoredAlt}, a);
    return table;
}

void BM_MouseTapMatch(benchmark::State& state)
{
    MouseTapState tap;
    tap.setTriggers(eightTriggers());
    int matches = 0;
    tap.setOnMatch([&](ShortcutAction, Point) { ++matches; });
    const ButtonEvent down{ButtonEvent::Type::Down, 5, StoredCtrl | StoredAlt, Point{10, 10}};
    const ButtonEvent up{ButtonEvent::Type::Up, 5, 0, {}};
    for (auto _ : state) {
        benchmark::DoNotOptimize(tap.handle(down));
        benchmark::DoNotOptimize(tap.handle(up));
    }
    state.counters["matches"] = matches;
}
BENCHMARK(BM_MouseTapMatch);

void BM_MouseTapPassOn(benchmark::State& state)
{
    MouseTapState tap;
    tap.setTriggers(eightTriggers());
    const ButtonEvent down{ButtonEvent::Type::Down, 5, StoredShift, Point{10, 10}};
    for (auto _ : state)
        benchmark::DoNotOptimize(tap.handle(down));
}
BENCHMARK(BM_MouseTapPassOn);

} // namespace

BENCHMARK_MAIN();
