// The layout store's three keys: read per display and per entry, what cannot be used kept as it
// stands, and written back with the kept entries in their places.
#include "layout/LayoutStoreFormat.h"

#include "base/Log.h"
#include "base/UserDefaults.h"
#include "layout/LayoutArchive.h"

#include <QJsonDocument>

#include <algorithm>
#include <unordered_set>

namespace fw {

bool LayoutStoreFormat::hasCustomId(const SnapLayout& layout) { return layout.id.startsWith(QLatin1String("user-")); }

bool LayoutStoreFormat::isStorable(const SnapLayout& layout)
{
    return layout.tree.isValid() && LayoutArchive::fitsNameBounds(layout.name);
}

bool LayoutStoreFormat::isStorableCustom(const SnapLayout& layout)
{
    return hasCustomId(layout) && isStorable(layout) && !layout.name.trimmed().isEmpty();
}

LayoutStoreFormat::Loaded LayoutStoreFormat::load()
{
    Loaded loaded;
    if (auto value = defaults_.value(savedKey()); value && value->isObject())
        loadSaved(value->toObject(), loaded);

    if (auto value = defaults_.value(customKey()); value && value->isObject()) {
        const QJsonObject displays = value->toObject();
        for (auto d = displays.begin(); d != displays.end(); ++d) {
            if (d.value().isArray())
                loadCustom(d.key(), d.value().toArray(), loaded);
            else
                dropEntry(d.key(), d.value(), loaded);
        }
    } else if (value) {
        dropEntry(QString(), *value, loaded);
    }

    if (auto value = defaults_.value(activeKey()); value && value->isObject())
        loadActive(value->toObject(), loaded);
    return loaded;
}

void LayoutStoreFormat::loadSaved(const QJsonObject& displays, Loaded& loaded)
{
    for (auto d = displays.begin(); d != displays.end(); ++d) {
        if (!d.value().isObject())
            continue;
        auto& trees = loaded.saved[d.key()];
        const QJsonObject entries = d.value().toObject();
        for (auto e = entries.begin(); e != entries.end(); ++e) {
            auto tree = RegionTree::fromJson(e.value());
            if (tree && tree.value().isValid())
                trees.emplace(e.key(), std::move(tree).value());
            else if (e.value().isObject())
                unreadTrees_[d.key()].insert(e.key(), e.value());
        }
    }
}

void LayoutStoreFormat::loadCustom(const QString& display, const QJsonArray& entries, Loaded& loaded)
{
    auto& list = loaded.custom[display];
    list.reserve(size_t(std::min<qsizetype>(entries.size(), qsizetype(listBound_))));
    std::unordered_set<QString> seen; // the first of duplicate ids wins, in linear time
    qsizetype next = 0;
    for (; next < entries.size() && list.size() < listBound_; ++next) {
        const QJsonValue entry = entries[next];
        const QString id = entry.toObject().value(QLatin1String("id")).toString();
        if (!entry.isObject() || id.isEmpty() || seen.count(id) > 0) {
            dropEntry(display, entry, loaded);
            continue;
        }
        auto layout = SnapLayout::fromJson(entry);
        if (!layout || !isStorableCustom(layout.value())) {
            unreadCustom_[display].push_back(KeptEntry{list.size(), id, entry});
            continue;
        }
        seen.insert(id);
        list.push_back(std::move(layout).value());
    }
    if (const auto kept = unreadCustom_.find(display); kept != unreadCustom_.end())
        log::info(LogCategory::App, "Display %{public}s keeps %ld custom layouts this version can't read; they are not listed",
                  display, long(kept->second.size()));
    if (next == entries.size())
        return;
    // Kept undecoded: so many entries cost no time to start.
    QJsonArray& rest = unlisted_[display];
    for (; next < entries.size(); ++next)
        rest.append(entries[next]);
    log::error(LogCategory::App,
               "Display %{public}s stores %ld custom layouts; the first %ld are used, the other %ld are kept unused",
               display, long(entries.size()), long(listBound_), long(rest.size()));
}

void LayoutStoreFormat::loadActive(const QJsonObject& displays, Loaded& loaded)
{
    for (auto d = displays.begin(); d != displays.end(); ++d) {
        auto layout = SnapLayout::fromJson(d.value());
        if (!layout || !isStorable(layout.value())) {
            if (d.value().isObject())
                unreadActive_.insert_or_assign(d.key(), d.value());
            continue;
        }
        loaded.active.insert_or_assign(d.key(), std::move(layout).value());
    }
}

void LayoutStoreFormat::dropEntry(const QString& display, const QJsonValue& entry, Loaded& loaded)
{
    ++loaded.dropped;
    const QByteArray text = entry.isObject() ? QJsonDocument(entry.toObject()).toJson(QJsonDocument::Compact)
                          : entry.isArray()  ? QJsonDocument(entry.toArray()).toJson(QJsonDocument::Compact)
                                             : entry.toVariant().toString().toUtf8();
    log::error(LogCategory::App, "Display %{public}s: dropped a stored custom layout that is no layout: %{public}s",
               display, QString::fromUtf8(text.left(300)));
}

bool LayoutStoreFormat::keepsUnlisted(const QString& display, const QString& id) const
{
    if (const auto kept = unreadCustom_.find(display); kept != unreadCustom_.end()) {
        for (const KeptEntry& entry : kept->second)
            if (entry.id == id)
                return true;
    }
    if (const auto rest = unlisted_.find(display); rest != unlisted_.end()) {
        for (const QJsonValue& entry : rest->second)
            if (entry.toObject().value(QLatin1String("id")).toString() == id)
                return true;
    }
    return false;
}

void LayoutStoreFormat::forgetTree(const QString& display, const QString& id)
{
    if (auto kept = unreadTrees_.find(display); kept != unreadTrees_.end())
        kept->second.remove(id);
}

void LayoutStoreFormat::forgetTreesAndActive(const QString& display)
{
    unreadTrees_.erase(display);
    unreadActive_.erase(display);
}

bool LayoutStoreFormat::forgetCustom(const QString& display, const QString& id, std::size_t position)
{
    if (auto kept = unreadCustom_.find(display); kept != unreadCustom_.end()) {
        auto& entries = kept->second;
        std::erase_if(entries, [&](const KeptEntry& e) { return e.id == id; });
        for (KeptEntry& entry : entries)
            entry.before -= entry.before > position ? 1 : 0;
    }
    forgetTree(display, id);
    if (auto a = unreadActive_.find(display);
        a != unreadActive_.end() && a->second.toObject().value(QLatin1String("id")).toString() == id) {
        unreadActive_.erase(a);
        return true;
    }
    return false;
}

// --- Writing ---

void LayoutStoreFormat::writeTrees(const std::map<QString, std::map<QString, RegionTree>>& saved) const
{
    QJsonObject displays;
    for (const auto& [display, kept] : unreadTrees_)
        displays.insert(display, kept);
    for (const auto& [display, trees] : saved) {
        QJsonObject entries = displays.value(display).toObject();
        for (const auto& [id, tree] : trees)
            entries.insert(id, tree.toJson());
        displays.insert(display, entries);
    }
    defaults_.setValue(savedKey(), displays);
}

void LayoutStoreFormat::writeCustom(const std::map<QString, std::vector<SnapLayout>>& custom) const
{
    QJsonObject displays;
    static const std::vector<KeptEntry> none;
    for (const auto& [display, list] : custom) {
        const auto found = unreadCustom_.find(display);
        const std::vector<KeptEntry>& kept = found != unreadCustom_.end() ? found->second : none;
        QJsonArray entries;
        auto k = kept.begin();
        for (std::size_t i = 0; i < list.size(); ++i) {
            for (; k != kept.end() && k->before <= i; ++k)
                entries.append(k->value);
            entries.append(list[i].toJson());
        }
        for (; k != kept.end(); ++k)
            entries.append(k->value);
        if (const auto rest = unlisted_.find(display); rest != unlisted_.end()) {
            for (const QJsonValue& entry : rest->second)
                entries.append(entry);
        }
        displays.insert(display, entries);
    }
    defaults_.setValue(customKey(), displays);
}

void LayoutStoreFormat::writeActive(const std::map<QString, SnapLayout>& active) const
{
    QJsonObject displays;
    for (const auto& [display, kept] : unreadActive_)
        displays.insert(display, kept);
    for (const auto& [display, layout] : active)
        displays.insert(display, layout.toJson());
    defaults_.setValue(activeKey(), displays);
}

} // namespace fw
