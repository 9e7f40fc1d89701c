// The per-display layout store: adjusted trees, the active layout and custom layouts, each change
// written to user defaults at once (through LayoutStoreFormat) and checked against the rules.
#include "layout/LayoutStore.h"

#include "base/Log.h"

#include <QCoreApplication>
#include <QLocale>
#include <QThread>

#include <algorithm>
#include <set>

namespace fw {

namespace {

using Format = LayoutStoreFormat;

std::set<RegionNumber> regionSet(const RegionTree& tree)
{
    const auto numbers = tree.regionNumbers();
    return {numbers.begin(), numbers.end()};
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

LayoutStore::LayoutStore(UserDefaults& defaults) : format_(defaults, maxCustomLayouts) { load(); }

LayoutStore::~LayoutStore()
{
    Q_ASSERT(!QCoreApplication::instance() || QThread::currentThread() == QCoreApplication::instance()->thread());
}

void LayoutStore::load()
{
    Format::Loaded loaded = format_.load();
    saved_ = std::move(loaded.saved);
    custom_ = std::move(loaded.custom);
    dropped_ = loaded.dropped;
    for (const auto& [display, stored] : loaded.active) {
        // A custom layout deleted since it was applied is no longer the display's.
        if (!isKnown(stored, display)) {
            log::info(LogCategory::App, "Display %{public}s: its active layout %{public}s was deleted", display,
                      stored.id);
            continue;
        }
        active_.insert_or_assign(display, *current(stored, display));
    }
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

bool LayoutStore::isKnown(const SnapLayout& layout, const QString& display) const
{
    if (!Format::hasCustomId(layout))
        return true;
    const auto c = custom_.find(display);
    return (c != custom_.end()
            && std::any_of(c->second.begin(), c->second.end(), [&](const SnapLayout& l) { return l.id == layout.id; }))
        || format_.keepsUnlisted(display, layout.id);
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
    if (!Format::hasCustomId(held))
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
    const std::optional<SnapLayout> now = Format::isStorable(layout) && isKnown(layout, display) ? current(layout, display)
                                                                                       : std::nullopt;
    if (!now)
        return;
    if (const auto a = active_.find(display); a != active_.end() && a->second == *now)
        return;
    active_.insert_or_assign(display, *now);
    format_.forgetActive(display);
    saveActive();
}

void LayoutStore::save(const SnapLayout& layout, const QString& display)
{
    if (!Format::isStorable(layout) || !isKnown(layout, display))
        return;
    format_.forgetTree(display, layout.id);
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
    format_.forgetTreesAndActive(display);
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
    if (!Format::isStorableCustom(layout) || !hasRoomFor(layout, display))
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
    if (format_.forgetCustom(display, id, position))
        saveActive();

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
    std::copy_if(imported.begin(), imported.end(), std::back_inserter(storable), Format::isStorableCustom);

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

void LayoutStore::saveSaved() { format_.writeTrees(saved_); }

void LayoutStore::saveCustom() { format_.writeCustom(custom_); }

void LayoutStore::saveActive() { format_.writeActive(active_); }

} // namespace fw
