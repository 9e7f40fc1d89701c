// The regions made by side-by-side split drops, per display, kept in the "sideSplits.v1" user default.
#include "snap/SideSplitStore.h"

#include "base/Log.h"
#include "base/UserDefaults.h"
#include "snap/AppliedLayouts.h"

#include <QJsonArray>
#include <QJsonObject>
#include <cmath>

namespace fw {

namespace {

// One inner array as a set of region numbers; nothing when any element is not an integer.
std::optional<SideSplitStore::RegionSet> regionSet(const QJsonValue& value)
{
    if (!value.isArray())
        return std::nullopt;
    SideSplitStore::RegionSet regions;
    for (const QJsonValue& v : value.toArray()) {
        const double d = v.toDouble(std::nan(""));
        if (!v.isDouble() || !std::isfinite(d) || d != std::trunc(d) || std::abs(d) > 1e15)
            return std::nullopt;
        regions.insert(RegionNumber(d));
    }
    return regions;
}

} // namespace

SideSplitStore::Splits SideSplitStore::load() const
{
    Splits splits;
    const auto stored = defaults_.value(key());
    if (!stored || !stored->isObject())
        return splits;
    const QJsonObject object = stored->toObject();
    int dropped = 0;
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it.value().isArray()) {
            ++dropped;
            continue;
        }
        std::set<RegionSet> sets;
        for (const QJsonValue& inner : it.value().toArray()) {
            if (auto regions = regionSet(inner))
                sets.insert(std::move(*regions));
            else
                ++dropped;
        }
        if (!sets.empty())
            splits[it.key()] = std::move(sets);
    }
    if (dropped > 0)
        log::error(LogCategory::App, "Side splits: %ld stored entries are not region lists and were dropped", long(dropped));
    return splits;
}

const SideSplitStore::Splits& SideSplitStore::sideSplits()
{
    if (!splits_)
        splits_ = load();
    return *splits_;
}

void SideSplitStore::add(const QString& display, const RegionSet& regions)
{
    sideSplits();
    (*splits_)[display].insert(regions);
    save();
}

void SideSplitStore::save()
{
    QJsonObject object;
    for (const auto& [display, sets] : sideSplits()) {
        QJsonArray outer;
        for (const RegionSet& regions : sets) {
            QJsonArray inner;
            for (RegionNumber r : regions) // a std::set is ascending
                inner.append(qint64(r));
            outer.append(inner);
        }
        object.insert(display, outer);
    }
    defaults_.setValue(key(), object);
}

bool SideSplitStore::isSideSplitFill(const ColumnFill& fill, const QString& display, const LayoutGroup* group)
{
    if (fill.axis != SplitAxis::horizontal)
        return true;
    const auto& splits = sideSplits();
    auto it = splits.find(display);
    if (it == splits.end() || !it->second.count(fill.columnRegions))
        return false;
    if (!group)
        return true;
    for (const SnapLayout& b : SnapLayout::builtIns()) {
        if (b.id == group->layout.id)
            return false;
    }
    return true;
}

} // namespace fw
