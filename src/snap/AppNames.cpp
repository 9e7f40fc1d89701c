// Readable application names from the installed desktop entries: display names, their order and a
// layout's one-line app summary.
#include "snap/AppNames.h"

#include <QCollator>
#include <algorithm>
#include <cmath>

namespace fw {

namespace {

std::shared_ptr<const Applications>& source()
{
    static std::shared_ptr<const Applications> apps;
    return apps;
}

} // namespace

void AppNames::setApplications(std::shared_ptr<const Applications> applications)
{
    source() = std::move(applications);
}

std::shared_ptr<const Applications> AppNames::applications() { return source(); }

QString AppNames::displayName(const QString& id) { return displayName(source().get(), id); }

QString AppNames::displayName(const Applications* apps, const QString& id)
{
    if (apps) {
        if (auto entry = apps->entry(id)) {
            if (!entry->name.isEmpty())
                return entry->name;
        }
    }
    return id;
}

bool AppNames::displayNameOrder(const QString& a, const QString& b)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator.compare(displayName(a).toCaseFolded(), displayName(b).toCaseFolded()) < 0;
}

std::optional<QString> AppNames::summary(const RegionTree& tree, const std::optional<SnapLayout::AppMap>& apps)
{
    if (!apps || apps->empty())
        return std::nullopt;
    const auto rects = tree.unitRects(Rect(0, 0, 1, 1));
    struct Kept {
        long long x, y;
        const QStringList* ids;
    };
    std::vector<Kept> kept;
    for (const auto& [region, ids] : *apps) {
        auto it = rects.find(region);
        if (it == rects.end() || ids.isEmpty())
            continue;
        // Edges computed along different paths of the tree may differ in the last bits.
        kept.push_back({std::llround(it->second.minX() * 1e9), std::llround(it->second.minY() * 1e9), &ids});
    }
    if (kept.empty())
        return std::nullopt;
    std::stable_sort(kept.begin(), kept.end(), [](const Kept& a, const Kept& b) {
        return a.x != b.x ? a.x < b.x : a.y < b.y;
    });
    QStringList parts;
    for (const Kept& k : kept)
        parts << appNames(*k.ids).join(u" + "_qs);
    return parts.join(u" · "_qs);
}

QStringList appNames(const QStringList& ids)
{
    QStringList out;
    out.reserve(ids.size());
    for (const QString& id : ids)
        out << AppNames::displayName(id);
    return out;
}

} // namespace fw
