// Time to load the layout store from user defaults holding many custom layouts on one display
// (10k, 30k and 100k; each distinct, so every id is checked against all kept before it), and
// to refuse an import of the largest name a layout file may carry.
#include "base/UserDefaults.h"
#include "layout/LayoutArchive.h"
#include "layout/LayoutStore.h"

#include <QJsonArray>
#include <QJsonObject>
#include <benchmark/benchmark.h>

namespace {

using namespace fw;

void BM_LayoutStoreLoad(benchmark::State& state)
{
    const auto count = int(state.range(0));
    QJsonArray entries;
    for (int i = 0; i < count; ++i) {
        const RegionTree tree = RegionTree::split(SplitAxis::horizontal, 0.2 + 0.6 * (i % 97) / 97.0,
                                                  RegionTree::leaf(0), RegionTree::leaf(1));
        entries.append(SnapLayout{u"user-"_qs + QString::number(i), u"Layout "_qs + QString::number(i), tree,
                                  std::nullopt}
                           .toJson());
    }
    MemoryDefaults defaults;
    defaults.setValue(LayoutStore::customKey(), QJsonObject{{u"DP-1"_qs, entries}});
    for (auto _ : state) {
        LayoutStore store(defaults);
        benchmark::DoNotOptimize(store.customLayouts(u"DP-1"_qs).size());
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_LayoutStoreLoad)->Arg(10000)->Arg(30000)->Arg(100000)->Unit(benchmark::kMillisecond);

// 60 characters, each an "a" and 8,000 combining marks: a 960 KB name within the file limit.
void BM_ImportHostileName(benchmark::State& state)
{
    QString name;
    for (int i = 0; i < 60; ++i)
        name += QLatin1Char('a') + QString(8000, QChar(0x0301));
    const QByteArray file = QStringLiteral(R"({"format": "orrindale.Framewell.layouts", "version": 1,
        "layouts": [{"name": "%1", "tree": {"region": 0}}]})").arg(name).toUtf8();
    for (auto _ : state) {
        try {
            LayoutArchive::decode(file);
            state.SkipWithError("the name was accepted");
        } catch (const LayoutArchive::ArchiveError&) {
        }
    }
}
BENCHMARK(BM_ImportHostileName)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
