#include "platform/Applications.h"

namespace fw {

namespace {
QString folded(const QString& s) { return s.toCaseFolded(); }

// The first entry for a key wins, so the order of the listing decides ties.
void index(std::map<QString, std::size_t>& map, const QString& key, std::size_t i)
{
    if (!key.isEmpty())
        map.emplace(folded(key), i);
}
} // namespace

void WindowApplicationIndex::rebuild()
{
    entries_ = apps_.installed();
    byStartupClass_.clear();
    byId_.clear();
    byName_.clear();
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const auto& e = entries_[i];
        index(byStartupClass_, e.startupWmClass, i);
        index(byId_, e.id, i);
        index(byId_, e.id.section(QLatin1Char('.'), -1), i);
        index(byName_, e.name, i);
    }
}

std::optional<ApplicationEntry> WindowApplicationIndex::entryFor(const QString& wmClass,
                                                                 const QString& wmInstance) const
{
    for (const auto* map : {&byStartupClass_, &byId_}) {
        for (const auto& key : {wmClass, wmInstance}) {
            if (key.isEmpty())
                continue;
            auto it = map->find(folded(key));
            if (it != map->end())
                return entries_[it->second];
        }
    }
    if (!wmClass.isEmpty()) {
        auto it = byName_.find(folded(wmClass));
        if (it != byName_.end())
            return entries_[it->second];
    }
    return std::nullopt;
}

} // namespace fw
