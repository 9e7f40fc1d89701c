// The layout store loading user defaults it did not write: whatever the three keys hold,
// loading writes nothing, keeps the store's rules, and what the store then writes reads
// back unchanged.
//
// Input: a JSON object. Each of "layouts.v2", "customLayouts.v1" and "activeLayouts.v1"
// takes the member of that name, or the whole object when there is none.
#include "base/UserDefaults.h"
#include "layout/LayoutStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>

using namespace fw;

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "layout store check failed: %s\n", what);
        std::abort();
    }
}

void checkRules(const LayoutStore& store, const QStringList& displays)
{
    const auto& builtIns = SnapLayout::builtIns();
    for (const QString& display : displays) {
        const auto full = store.layouts(display);
        check(full.size() >= builtIns.size(), "built-ins listed");
        for (std::size_t i = 0; i < builtIns.size(); ++i)
            check(full[i].id == builtIns[i].id && full[i].name == builtIns[i].name, "built-in order");
        for (const SnapLayout& layout : full)
            check(layout.tree.isValid(), "listed trees valid");
        std::set<QString> ids;
        for (const SnapLayout& layout : store.customLayouts(display)) {
            check(layout.id.startsWith(QLatin1String("user-")), "custom id prefix");
            check(ids.insert(layout.id).second, "custom ids unique");
            check(!layout.name.trimmed().isEmpty(), "custom name not blank");
            check(layout.tree.isValid(), "custom tree valid");
        }
        if (auto active = store.activeLayout(display))
            check(active->tree.isValid(), "active tree valid");
        for (const SnapLayout& layout : store.menuLayouts(display)) {
            check(layout.tree.isValid(), "menu trees valid");
            check(LayoutArchive::fitsNameBounds(layout.name), "menu names within the name bounds");
        }
        for (const SnapLayout& layout : store.choices(display))
            check(layout.tree.isValid(), "choice trees valid");
    }
}

void checkSame(const LayoutStore& a, const LayoutStore& b, const QStringList& displays)
{
    for (const QString& display : displays) {
        check(a.layouts(display) == b.layouts(display), "full list reads back");
        check(a.customLayouts(display) == b.customLayouts(display), "custom layouts read back");
        check(a.activeLayout(display) == b.activeLayout(display), "active layout reads back");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!document.isObject())
        return 0;
    const QJsonObject top = document.object();

    MemoryDefaults defaults;
    QStringList displays{QStringLiteral("fuzz-display")};
    for (const QString& key : {LayoutStore::savedKey(), LayoutStore::customKey(), LayoutStore::activeKey()}) {
        const QJsonValue value = top.contains(key) ? top.value(key) : QJsonValue(top);
        defaults.setValue(key, value);
        if (value.isObject())
            displays += value.toObject().keys();
    }
    displays.removeDuplicates();
    defaults.clearWriteLog();

    LayoutStore store(defaults);
    check(defaults.writeLog().empty(), "loading writes nothing");
    checkRules(store, displays);

    // Rewrite all three keys from what was kept, then change a display that has data.
    store.saveSaved();
    const QString display = displays.value(displays.size() > 1 ? 1 : 0);
    const auto custom = store.customLayouts(display);
    if (!custom.empty()) {
        store.save(custom.front(), display);
        check(store.deleteCustom(custom.back().id, display), "delete of a listed layout");
        store.upsertCustom(custom.back(), display); // refused when its stored name is too long
    } else {
        store.setActive(SnapLayout::builtIns().front(), display);
    }
    store.importLayouts(store.customLayouts(display), displays.front());
    store.reset(QStringLiteral("fuzz-display"));
    checkRules(store, displays);

    LayoutStore reloaded(defaults);
    checkSame(store, reloaded, displays);
    return 0;
}
