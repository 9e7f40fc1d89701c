// The per-display layout store: adjusted trees, the active layout and custom layouts, each change
// written to user defaults at once and loaded back with its checks.
#include "layout/LayoutStore.h"

#include "base/Log.h"
#include "base/UserDefaults.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
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
    if (auto value = defaults_.value(savedKey()); value && value->isObject())
        loadSaved(value->toObject());

    if (auto value = defaults_.value(customKey()); value && value->isObject()) {
        const QJsonObject displays = value->toObject();
        for (auto d = displays.begin(); d != displays.end(); ++d) {
            if (d.value().isArray())
                loadCustom(d.key(), d.value().toArray());
            else
                dropEntry(d.key(), d.value());
        }
    } else if (value) {
        dropEntry(QString(), *value);
    }

    if (auto value = defaults_.value(activeKey()); value && value->isObject())
        loadActive(value->toObject());
}

void LayoutStore::loadSaved(const QJsonObject& displays)
{
    for (auto d = displays.begin(); d != displays.end(); ++d) {
        if (!d.value().isObject())
            continue;
        auto& trees = saved_[d.key()];
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

void LayoutStore::loadCustom(const QString& display, const QJsonArray& entries)
{
    auto& list = custom_[display];
    list.reserve(size_t(std::min<qsizetype>(entries.size(), maxCustomLayouts)));
    std::unordered_set<QString> seen; // the first of duplicate ids wins, in linear time
    qsizetype next = 0;
    for (; next < entries.size() && list.size() < size_t(maxCustomLayouts); ++next) {
        const QJsonValue entry = entries[next];
        const QString id = entry.toObject().value(QLatin1String("id")).toString();
        if (!entry.isObject() || id.isEmpty() || seen.count(id) > 0) {
            dropEntry(display, entry);
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
               display, long(entries.size()), long(maxCustomLayouts), long(rest.size()));
}

void LayoutStore::loadActive(const QJsonObject& displays)
{
    for (auto d = displays.begin(); d != displays.end(); ++d) {
        auto layout = SnapLayout::fromJson(d.value());
        if (!layout || !isStorable(layout.value())) {
            if (d.value().isObject())
                unreadActive_.insert_or_assign(d.key(), d.value());
            continue;
        }
        // A custom layout deleted since it was applied is no longer the display's.
        const SnapLayout& stored = layout.value();
        if (!isKnown(stored, d.key())) {
            log::info(LogCategory::App, "Display %{public}s: its active layout %{public}s was deleted", d.key(),
                      stored.id);
            continue;
        }
        active_.insert_or_assign(d.key(), *current(stored, d.key()));
    }
}

void LayoutStore::dropEntry(const QString& display, const QJsonValue& entry)
{
    ++dropped_;
    const QByteArray text = entry.isObject() ? QJsonDocument(entry.toObject()).toJson(QJsonDocument::Compact)
                          : entry.isArray()  ? QJsonDocument(entry.toArray()).toJson(QJsonDocument::Compact)
                                             : entry.toVariant().toString().toUtf8();
    log::error(LogCategory::App, "Display %{public}s: dropped a stored custom layout that is no layout: %{public}s",
               display, QString::fromUtf8(text.left(300)));
}

QString LayoutStore::droppedMessage(int count)
{
    if (count == 1)
        return QStringLiteral("A saved custom layout couldn’t be read and was removed. Your other layouts are kept.");
    return QStringLiteral("%1 saved custom layouts couldn’t be read and were removed. Your other layouts are kept.")
        .arg(count);
}

void LayoutStore::setReport(const std::function<void(const QString&)>& report)
{
    if (!report || dropped_ == 0)
        return;
    report(droppedMessage(dropped_));
    dropped_ = 0;
    saveCustom();
}

bool LayoutStore::keepsUnlisted(const QString& display, const QString& id) const
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

bool LayoutStore::isKnown(const SnapLayout& layout, const QString& display) const
{
    if (!hasCustomId(layout))
        return true;
    const auto c = custom_.find(display);
    return (c != custom_.end()
            && std::any_of(c->second.begin(), c->second.end(), [&](const SnapLayout& l) { return l.id == layout.id; }))
        || keepsUnlisted(display, layout.id);
}

void LayoutStore::changed(const QString& display)
{
    if (customLayoutsChanged)
        customLayoutsChanged(display);
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

std::optional<SnapLayout> LayoutStore::current(const SnapLayout& held, const QString& display) const
{
    if (!hasCustomId(held))
        return held;
    if (const auto c = custom_.find(display); c != custom_.end()) {
        for (const SnapLayout& stored : c->second) {
            if (stored.id != held.id)
                continue;
            SnapLayout now = held;
            now.name = stored.name;
            if (regionSet(stored.tree) == regionSet(held.tree))
                now.apps = stored.apps;
            return now;
        }
    }
    // Deleted in this run; one deleted before is no longer active once loaded. A custom layout
    // the display never had is not the store's to judge.
    if (const auto d = deleted_.find(display); d != deleted_.end() && d->second.count(held.id) > 0)
        return std::nullopt;
    return held;
}

// --- Changing ---

void LayoutStore::setActive(const SnapLayout& layout, const QString& display)
{
    // A copy held elsewhere takes the stored name; a custom layout the display does not have
    // (a deleted one) is never active.
    const std::optional<SnapLayout> now = isStorable(layout) && isKnown(layout, display) ? current(layout, display)
                                                                                       : std::nullopt;
    if (!now)
        return;
    if (const auto a = active_.find(display); a != active_.end() && a->second == *now)
        return;
    active_.insert_or_assign(display, *now);
    unreadActive_.erase(display);
    saveActive();
}

void LayoutStore::save(const SnapLayout& layout, const QString& display)
{
    if (!isStorable(layout) || !isKnown(layout, display))
        return;
    if (auto kept = unreadTrees_.find(display); kept != unreadTrees_.end())
        kept->second.remove(layout.id);
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
    unreadTrees_.erase(display);
    unreadActive_.erase(display);
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
    // A rename reaches the active layout, which keeps its own tree.
    if (auto a = active_.find(display); a != active_.end() && a->second.id == layout.id) {
        if (auto now = current(a->second, display); now && *now != a->second) {
            a->second = std::move(now).value();
            saveActive();
        }
    }
    saveCustom();
    changed(display);
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
    // Entries kept unread stay where they stood among the others; one of the same id goes too.
    const std::size_t position = std::size_t(same - list.begin());
    list.erase(same);
    deleted_[display].insert(id);
    if (auto kept = unreadCustom_.find(display); kept != unreadCustom_.end()) {
        auto& entries = kept->second;
        std::erase_if(entries, [&](const KeptEntry& e) { return e.id == id; });
        for (KeptEntry& entry : entries)
            entry.before -= entry.before > position ? 1 : 0;
    }
    if (auto kept = unreadTrees_.find(display); kept != unreadTrees_.end())
        kept->second.remove(id);
    if (auto a = unreadActive_.find(display);
        a != unreadActive_.end() && a->second.toObject().value(QLatin1String("id")).toString() == id) {
        unreadActive_.erase(a);
        saveActive();
    }

    if (auto d = saved_.find(display); d != saved_.end() && d->second.erase(id) > 0)
        saveSaved();
    if (auto a = active_.find(display); a != active_.end() && a->second.id == id) {
        active_.erase(a);
        saveActive();
    }
    saveCustom();
    changed(display);
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
        changed(display);
    }
    return ImportResult{std::move(merged.layouts), merged.added, merged.skipped};
}

// --- Writing ---

void LayoutStore::saveSaved()
{
    QJsonObject displays;
    for (const auto& [display, kept] : unreadTrees_)
        displays.insert(display, kept);
    for (const auto& [display, trees] : saved_) {
        QJsonObject entries = displays.value(display).toObject();
        for (const auto& [id, tree] : trees)
            entries.insert(id, tree.toJson());
        displays.insert(display, entries);
    }
    defaults_.setValue(savedKey(), displays);
}

void LayoutStore::saveCustom()
{
    QJsonObject displays;
    static const std::vector<KeptEntry> none;
    for (const auto& [display, list] : custom_) {
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

void LayoutStore::saveActive()
{
    QJsonObject displays;
    for (const auto& [display, kept] : unreadActive_)
        displays.insert(display, kept);
    for (const auto& [display, layout] : active_)
        displays.insert(display, layout.toJson());
    defaults_.setValue(activeKey(), displays);
}

} // namespace fw
