// Where the user moved badges, stored per display and slot and found again by nearest slot.
#include "stacks/BadgePlacementStore.h"

#include "base/Log.h"
#include "base/UserDefaults.h"

#include <QJsonArray>
#include <QJsonObject>
#include <cmath>

namespace fw {

namespace {

std::optional<double> finite(const QJsonValue& v)
{
    if (!v.isDouble() || !std::isfinite(v.toDouble()))
        return std::nullopt;
    return v.toDouble();
}

// [[x, y], [width, height]]
std::optional<Rect> rectFrom(const QJsonValue& v)
{
    const QJsonArray parts = v.toArray();
    if (!v.isArray() || parts.size() != 2 || !parts[0].isArray() || !parts[1].isArray())
        return std::nullopt;
    const QJsonArray o = parts[0].toArray(), s = parts[1].toArray();
    if (o.size() != 2 || s.size() != 2)
        return std::nullopt;
    const auto x = finite(o[0]), y = finite(o[1]), w = finite(s[0]), h = finite(s[1]);
    if (!x || !y || !w || !h)
        return std::nullopt;
    return Rect(*x, *y, *w, *h);
}

std::optional<BadgePlacementStore::Entry> entryFrom(const QJsonValue& v)
{
    const QJsonObject o = v.toObject();
    const QJsonObject p = o.value(QStringLiteral("placement")).toObject();
    const auto slot = rectFrom(o.value(QStringLiteral("slot")));
    const auto dx = finite(p.value(QStringLiteral("dx"))), dy = finite(p.value(QStringLiteral("dy")));
    const QJsonValue fromRight = p.value(QStringLiteral("fromRight"));
    if (!v.isObject() || !slot || !dx || !dy || !fromRight.isBool())
        return std::nullopt;
    return BadgePlacementStore::Entry{*slot, {fromRight.toBool(), *dx, *dy}};
}

QJsonValue toJson(const BadgePlacementStore::Entry& e)
{
    const Rect& s = e.slot;
    return QJsonObject{
        {QStringLiteral("placement"), QJsonObject{{QStringLiteral("dx"), e.placement.dx},
                                                  {QStringLiteral("dy"), e.placement.dy},
                                                  {QStringLiteral("fromRight"), e.placement.fromRight}}},
        {QStringLiteral("slot"), QJsonArray{QJsonArray{s.x(), s.y()}, QJsonArray{s.width(), s.height()}}},
    };
}

} // namespace

BadgePlacementStore::BadgePlacementStore(UserDefaults& defaults) : defaults_(defaults)
{
    if (defaults_.keys().contains(legacyKey))   // only when there, so no launch rewrites the file
        defaults_.remove(legacyKey);
    load();
}

double BadgePlacementStore::overlap(const Rect& a, const Rect& b)
{
    const Rect common = a.intersection(b);
    if (common.isNull() || common.width() <= 0 || common.height() <= 0)
        return 0;
    const double shared = common.width() * common.height();
    return shared / (a.width() * a.height() + b.width() * b.height() - shared);
}

std::optional<std::size_t> BadgePlacementStore::bestEntry(const QString& display, const Rect& slot) const
{
    const auto list = stored_.find(display);
    if (list == stored_.end())
        return std::nullopt;
    std::optional<std::size_t> best;
    double most = 0;
    for (std::size_t i = 0; i < list->second.size(); ++i) {
        const double o = overlap(list->second[i].slot, slot);
        if (o >= minimumOverlap && (!best || o > most)) {
            best = i;
            most = o;
        }
    }
    return best;
}

std::optional<BadgePlacement> BadgePlacementStore::placement(const QString& display, const Rect& slot)
{
    const auto index = bestEntry(display, slot);
    if (!index)
        return std::nullopt;
    Entry& entry = stored_[display][*index];
    if (!(entry.slot == slot)) {
        entry.slot = slot;   // the spot follows its stack
        save();
    }
    return entry.placement;
}

void BadgePlacementStore::setPlacement(const BadgePlacement& placement, const QString& display, const Rect& slot)
{
    std::vector<Entry> list = stored_[display];
    if (const auto index = bestEntry(display, slot))
        list.erase(list.begin() + std::ptrdiff_t(*index));
    list.push_back({slot, placement});
    if (list.size() > std::size_t(maxPerDisplay))
        list.erase(list.begin(), list.end() - maxPerDisplay);
    stored_[display] = std::move(list);
    save();
}

void BadgePlacementStore::removePlacement(const QString& display, const Rect& slot)
{
    const auto index = bestEntry(display, slot);
    if (!index)
        return;
    auto& list = stored_[display];
    list.erase(list.begin() + std::ptrdiff_t(*index));
    save();
}

void BadgePlacementStore::removeAll()
{
    if (isEmpty())
        return;
    stored_.clear();
    save();
}

bool BadgePlacementStore::isEmpty() const
{
    for (const auto& [display, list] : stored_) {
        if (!list.empty())
            return false;
    }
    return true;
}

void BadgePlacementStore::save()
{
    QJsonObject map;
    for (const auto& [display, list] : stored_) {
        QJsonArray entries;
        for (const Entry& e : list)
            entries.append(toJson(e));
        map.insert(display, entries);
    }
    defaults_.setValue(key, map);
}

void BadgePlacementStore::load()
{
    const auto value = defaults_.value(key);
    if (!value)
        return;
    if (!value->isObject()) {
        log::error(LogCategory::App, "Badge placements: the stored value is not an object and was dropped");
        ++dropped_;
        return;
    }
    const QJsonObject map = value->toObject();
    for (auto it = map.begin(); it != map.end(); ++it) {
        std::vector<Entry> list;
        const QJsonArray entries = it.value().toArray();
        if (!it.value().isArray())
            ++dropped_;
        for (const QJsonValue& v : entries) {
            if (auto entry = entryFrom(v))
                list.push_back(*entry);
            else
                ++dropped_;
        }
        if (list.size() > std::size_t(maxPerDisplay))
            list.erase(list.begin(), list.end() - maxPerDisplay);
        stored_[it.key()] = std::move(list);
    }
    if (dropped_ > 0)
        log::error(LogCategory::App, "Badge placements: %ld stored entries did not read back and were dropped",
                   long(dropped_));
}

} // namespace fw
