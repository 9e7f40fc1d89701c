// The per-display layout store: adjusted trees, the active layout and custom layouts, each change
// written to user defaults at once and loaded back with its checks.
#include "layout/LayoutStore.h"

#include "base/Log.h"
#include "base/UserDefaults.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QLocale>
#include <QThread>

#include <algorithm>
#include <set>
#include <unordered_set>

namespace fw {

namespace {

std::set<RegionNumber> regionSet(const RegionTree& tree)
{
    const auto numbers = tree.regionNumbers();
    return {numbers.begin(), numbers.end()};
}

bool isBlank(const QString& name) { return name.trimmed().isEmpty(); }

bool hasCustomId(const SnapLayout& layout) { return layout.id.startsWith(QLatin1String("user-")); }

// Any layout the store keeps: a valid tree, and a name short enough to check and draw.
bool isStorable(const SnapLayout& layout)
{
    return layout.tree.isValid() && LayoutArchive::fitsNameBounds(layout.name);
}

// The rules every stored custom layout keeps, apart from the uniqueness of its id.
bool isStorableCustom(const SnapLayout& layout)
{
    return hasCustomId(layout) && isStorable(layout) && !isBlank(layout.name);
}

bool containsSameIdAndTree(const std::vector<SnapLayout>& list, const SnapLayout& layout)
{
    return std::any_of(list.begin(), list.end(), [&](const SnapLayout& l) {
        return l.id == layout.id && l.tree == layout.tree;
    });
}

bool contains(const std::vector<SnapLayout>& list, const SnapLayout& layout)
{
    return std::find(list.begin(), list.end(), layout) != list.end();
}

} // namespace

LayoutStore::LayoutStore(UserDefaults& defaults) : defaults_(defaults) { load(); }

LayoutStore::~LayoutStore()
{
    Q_ASSERT(!QCoreApplication::instance() || QThread::currentThread() == QCoreApplication::instance()->thread());
}

void LayoutStore::load()
{
    // Each display and each entry is decoded on its own, so one damaged entry costs only
    // itself; the next write then stores what survived.
    if (auto value = defaults_.value(savedKey()); value && value->isObject()) {
        const QJsonObject displays = value->toObject();
        for (auto d = displays.begin(); d != displays.end(); ++d) {
            if (!d.value().isObject())
                continue;
            auto& trees = saved_[d.key()];
            const QJsonObject entries = d.value().toObject();
            for (auto e = entries.begin(); e != entries.end(); ++e) {
                auto tree = RegionTree::fromJson(e.value());
                if (tree && tree.value().isValid())
                    trees.emplace(e.key(), std::move(tree).value());
            }
        }
    }

    if (auto value = defaults_.value(customKey()); value && value->isObject()) {
        const QJsonObject displays = value->toObject();
        for (auto d = displays.begin(); d != displays.end(); ++d) {
            if (!d.value().isArray())
                continue;
            loadCustom(d.key(), d.value().toArray());
        }
    }

    if (auto value = defaults_.value(activeKey()); value && value->isObject()) {
        const QJsonObject displays = value->toObject();
        for (auto d = displays.begin(); d != displays.end(); ++d) {
            auto layout = SnapLayout::fromJson(d.value());
            if (layout && isStorable(layout.value()))
                active_.insert_or_assign(d.key(), std::move(layout).value());
        }
    }
}

void LayoutStore::loadCustom(const QString& display, const QJsonArray& entries)
{
    auto& list = custom_[display];
    list.reserve(size_t(std::min<qsizetype>(entries.size(), maxCustomLayouts)));
    std::unordered_set<QString> seen; // the first of duplicate ids wins, in linear time
    qsizetype next = 0;
    for (; next < entries.size() && list.size() < size_t(maxCustomLayouts); ++next) {
        auto layout = SnapLayout::fromJson(entries[next]);
        if (!layout || !isStorableCustom(layout.value()) || !seen.insert(layout.value().id).second)
            continue;
        list.push_back(std::move(layout).value());
    }
    if (next == entries.size())
        return;
    // Kept undecoded: so many entries cost no time to start.
    QJsonArray& rest = unlisted_[display];
    for (; next < entries.size(); ++next)
        rest.append(entries[next]);
    log::error(LogCategory::App,
               "Display %{public}s stores %ld custom layouts; the first %ld are used, the other %ld are kept unused",
               display, long(entries.size()), long(maxCustomLayouts), long(rest.size()));
}

QString LayoutStore::fullMessage(const QString& displayName)
{
    return displayName + QStringLiteral(" already has %1 custom layouts, the most a display keeps. Delete some to add more.")
                             .arg(QLocale(QLocale::English).toString(maxCustomLayouts));
}

// --- Reading ---

SnapLayout LayoutStore::adjusted(const SnapLayout& layout, const QString& display) const
{
    const auto d = saved_.find(display);
    if (d == saved_.end())
        return layout;
    const auto t = d->second.find(layout.id);
    if (t == d->second.end() || regionSet(t->second) != regionSet(layout.tree))
        return layout;
    SnapLayout result = layout;
    result.tree = t->second;
    return result;
}

std::vector<SnapLayout> LayoutStore::layouts(const QString& display) const
{
    std::vector<SnapLayout> list;
    for (const SnapLayout& builtIn : SnapLayout::builtIns())
        list.push_back(adjusted(builtIn, display));
    if (const auto d = saved_.find(display); d != saved_.end()) {
        if (const auto t = d->second.find(cornerCustomId()); t != d->second.end())
            list.push_back(SnapLayout{cornerCustomId(), cornerCustomName(), t->second, std::nullopt});
    }
    if (const auto c = custom_.find(display); c != custom_.end()) {
        for (const SnapLayout& layout : c->second)
            list.push_back(adjusted(layout, display));
    }
    return list;
}

std::vector<SnapLayout> LayoutStore::menuLayouts(const QString& display,
                                                 const std::optional<SnapLayout>& including) const
{
    std::vector<SnapLayout> list = SnapLayout::builtIns();
    const auto custom = customLayouts(display);
    list.insert(list.end(), custom.begin(), custom.end());

    const std::optional<SnapLayout> extra = including ? including : activeLayout(display);
    // An extra layout with a name beyond the bounds is not listed: menus and pickers draw names.
    if (extra && LayoutArchive::fitsNameBounds(extra->name) && !containsSameIdAndTree(list, *extra))
        list.push_back(*extra);

    for (const SnapLayout& layout : layouts(display)) {
        if (layout.id == cornerCustomId() && !containsSameIdAndTree(list, layout)) {
            list.push_back(layout);
            break;
        }
    }
    return list;
}

std::vector<SnapLayout> LayoutStore::choices(const QString& display) const
{
    std::vector<SnapLayout> result;
    const auto add = [&](const SnapLayout& layout) {
        if (!contains(result, layout))
            result.push_back(layout);
    };
    if (auto active = activeLayout(display))
        add(*active);
    for (const SnapLayout& layout : layouts(display))
        add(layout);
    for (const SnapLayout& layout : SnapLayout::builtIns())
        add(layout);
    return result;
}

std::optional<SnapLayout> LayoutStore::activeLayout(const QString& display) const
{
    if (const auto a = active_.find(display); a != active_.end())
        return a->second;
    return std::nullopt;
}

std::vector<SnapLayout> LayoutStore::customLayouts(const QString& display) const
{
    if (const auto c = custom_.find(display); c != custom_.end())
        return c->second;
    return {};
}

// --- Changing ---

void LayoutStore::setActive(const SnapLayout& layout, const QString& display)
{
    if (!isStorable(layout))
        return;
    if (const auto a = active_.find(display); a != active_.end() && a->second == layout)
        return;
    active_.insert_or_assign(display, layout);
    saveActive();
}

void LayoutStore::save(const SnapLayout& layout, const QString& display)
{
    if (!isStorable(layout))
        return;
    auto& trees = saved_[display];
    if (const auto t = trees.find(layout.id); t != trees.end() && t->second == layout.tree) {
        setActive(layout, display);
        return;
    }
    trees.insert_or_assign(layout.id, layout.tree);
    setActive(layout, display);
    saveSaved();
}

void LayoutStore::reset(const QString& display)
{
    saved_.erase(display);
    active_.erase(display);
    saveSaved();
    saveActive();
}

bool LayoutStore::hasRoomFor(const SnapLayout& layout, const QString& display) const
{
    const auto c = custom_.find(display);
    return c == custom_.end() || c->second.size() < size_t(maxCustomLayouts)
        || std::any_of(c->second.begin(), c->second.end(), [&](const SnapLayout& l) { return l.id == layout.id; });
}

bool LayoutStore::upsertCustom(const SnapLayout& layout, const QString& display)
{
    if (!isStorableCustom(layout) || !hasRoomFor(layout, display))
        return false;

    auto& list = custom_[display];
    const auto same = std::find_if(list.begin(), list.end(), [&](const SnapLayout& l) { return l.id == layout.id; });
    if (same != list.end()) {
        *same = layout;
        if (auto d = saved_.find(display); d != saved_.end() && d->second.erase(layout.id) > 0)
            saveSaved();
    } else {
        list.push_back(layout);
    }
    saveCustom();
    return true;
}

bool LayoutStore::deleteCustom(const QString& id, const QString& display)
{
    const auto c = custom_.find(display);
    if (c == custom_.end())
        return false;
    auto& list = c->second;
    const auto same = std::find_if(list.begin(), list.end(), [&](const SnapLayout& l) { return l.id == id; });
    if (same == list.end())
        return false;
    list.erase(same);

    if (auto d = saved_.find(display); d != saved_.end() && d->second.erase(id) > 0)
        saveSaved();
    if (auto a = active_.find(display); a != active_.end() && a->second.id == id) {
        active_.erase(a);
        saveActive();
    }
    saveCustom();
    return true;
}

LayoutStore::ImportResult LayoutStore::importLayouts(const std::vector<SnapLayout>& imported, const QString& display)
{
    // Layouts from a file are valid by construction; anything else a caller hands in must
    // still keep the custom-layout rules before it can reach the stored list.
    std::vector<SnapLayout> storable;
    std::copy_if(imported.begin(), imported.end(), std::back_inserter(storable), isStorableCustom);

    auto merged = LayoutArchive::merge(storable, customLayouts(display));
    if (merged.layouts.size() > size_t(maxCustomLayouts) && merged.added > 0)
        return ImportResult{customLayouts(display), 0, merged.skipped, merged.added};
    if (merged.added > 0) {
        custom_[display] = merged.layouts;
        saveCustom();
    }
    return ImportResult{std::move(merged.layouts), merged.added, merged.skipped};
}

// --- Writing ---

void LayoutStore::saveSaved()
{
    QJsonObject displays;
    for (const auto& [display, trees] : saved_) {
        QJsonObject entries;
        for (const auto& [id, tree] : trees)
            entries.insert(id, tree.toJson());
        displays.insert(display, entries);
    }
    defaults_.setValue(savedKey(), displays);
}

void LayoutStore::saveCustom()
{
    QJsonObject displays;
    for (const auto& [display, list] : custom_) {
        QJsonArray entries;
        for (const SnapLayout& layout : list)
            entries.append(layout.toJson());
        if (const auto rest = unlisted_.find(display); rest != unlisted_.end()) {
            for (const QJsonValue& entry : rest->second)
                entries.append(entry);
        }
        displays.insert(display, entries);
    }
    defaults_.setValue(customKey(), displays);
}

void LayoutStore::saveActive()
{
    QJsonObject displays;
    for (const auto& [display, layout] : active_)
        displays.insert(display, layout.toJson());
    defaults_.setValue(activeKey(), displays);
}

} // namespace fw
