// The applications port's shared parts (Applications.h): the index that names windows after
// their applications' entries, and desktop-entry ids from entry paths.
#include "platform/Applications.h"

#include <QDir>
#include <QFileInfo>

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

QString desktopEntryIdOfRelativePath(const QString& relativePath)
{
    QString id = relativePath;
    if (id.endsWith(u".desktop"))
        id.chop(8);
    return id.replace(u'/', u'-');
}

std::optional<QString> desktopEntryId(const QString& path, const QStringList& folders)
{
    if (!path.endsWith(u".desktop") || !QDir::isAbsolutePath(path))
        return std::nullopt;
    // A file reached through a symbolic link to a folder still belongs to that folder.
    const QString clean = QDir::cleanPath(path);
    const QFileInfo info(clean);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    const QString canonical = folder.isEmpty() ? QString() : folder + u'/' + info.fileName();
    for (const QString& folder : folders) {
        for (const QString& root : {QDir::cleanPath(folder), QFileInfo(folder).canonicalFilePath()}) {
            if (root.isEmpty())
                continue;
            for (const QString& file : {clean, canonical}) {
                if (file.size() > root.size() + 9 && file.startsWith(root + u'/'))
                    return desktopEntryIdOfRelativePath(file.mid(root.size() + 1));
            }
        }
    }
    return std::nullopt;
}

} // namespace fw
