// What every applications adapter shares: the index finding a window's desktop entry from its
// launch, its application id, its WM_CLASS or its program, and desktop-entry ids derived from
// a file's path below an applications folder.
#include "platform/Applications.h"

#include "platform/EntryCommand.h"

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

void WindowApplicationIndex::refresh()
{
    // A process ended and its id taken again is not told by the generation: launches read
    // are kept for a bounded number of processes only.
    constexpr std::size_t maxLaunchesKept = 256;
    const auto now = apps_.generation();
    if (built_ && now && now == builtAt_) {
        if (launches_.size() > maxLaunchesKept)
            launches_.clear();
        if (programs_.size() > maxLaunchesKept)
            programs_.clear();
        return;
    }
    rebuild();
    // The mark from before the listing: a change made during it is listed at the next refresh.
    builtAt_ = now;
}

void WindowApplicationIndex::rebuild()
{
    built_ = true;
    builtAt_.reset();
    entries_ = apps_.installed();
    launches_.clear();
    programs_.clear();
    byExactId_.clear();
    byProgram_.clear();
    byStartupClass_.clear();
    byId_.clear();
    byName_.clear();
    std::map<QString, std::vector<std::size_t>> runners;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const auto& e = entries_[i];
        byExactId_.emplace(e.id, i);
        index(byStartupClass_, e.startupWmClass, i);
        index(byId_, e.id, i);
        index(byId_, e.id.section(QLatin1Char('.'), -1), i);
        index(byName_, e.name, i);
        for (const QString& program : entryProgramNames(e))
            runners[folded(program)].push_back(i);
    }
    // Several entries run one program (an office suite's): the one that runs it alone stands
    // for it, else none does.
    for (const auto& [program, entries] : runners) {
        std::size_t alone = kNoEntry, found = 0;
        for (const std::size_t i : entries) {
            if (entries.size() == 1 || entryRunsProgramAlone(entries_[i])) {
                alone = i;
                ++found;
            }
        }
        byProgram_.emplace(program, found == 1 ? alone : kNoEntry);
    }
}

bool entryNamesClass(const ApplicationEntry& entry, const QString& wmClass, const QString& wmInstance)
{
    const auto is = [](const QString& key, const QString& name) {
        return !key.isEmpty() && key.compare(name, Qt::CaseInsensitive) == 0;
    };
    const auto either = [&](const QString& key) { return is(key, wmClass) || is(key, wmInstance); };
    if (!entry.startupWmClass.isEmpty())
        return either(entry.startupWmClass);
    return either(entry.id) || either(entry.id.section(QLatin1Char('.'), -1)) || is(entry.name, wmClass);
}

std::optional<ApplicationEntry> WindowApplicationIndex::entry(const QString& id) const
{
    const auto it = byExactId_.find(id);
    return it == byExactId_.end() ? std::nullopt : std::optional<ApplicationEntry>(entries_[it->second]);
}

std::optional<ProcessLaunch> WindowApplicationIndex::launchOf(Pid pid) const
{
    if (pid <= 0)
        return std::nullopt;
    const auto known = launches_.find(pid);
    if (known != launches_.end())
        return known->second;
    return launches_[pid] = apps_.launchOf(pid);
}

std::optional<ApplicationEntry> WindowApplicationIndex::entryFor(const WindowInfo& window) const
{
    if (!window.role.isEmpty()) {
        if (const auto marked = apps_.launchOfRole(window.role)) {
            if (auto launched = entry(marked->id))
                return launched;
        }
    }
    // A child of the launch (a shell's program, a second window's process) is the entry's only
    // when the entry names its class: a terminal's children are other applications.
    if (const auto launch = launchOf(window.pid)) {
        const auto launched = entry(launch->id);
        if (launched && (launch->direct || entryNamesClass(*launched, window.appClass, window.appInstance)))
            return launched;
    }
    if (const auto own = entry(window.applicationId))
        return own;
    if (auto byClass = entryFor(window.appClass, window.appInstance))
        return byClass;
    // The program the window's process runs, as an entry's command names it.
    if (window.pid <= 0 || byProgram_.empty())
        return std::nullopt;
    auto known = programs_.find(window.pid);
    if (known == programs_.end())
        known = programs_.emplace(window.pid, apps_.programNames(window.pid)).first;
    for (const QString& name : known->second) {
        if (auto run = entryOfProgram(name))
            return run;
    }
    return std::nullopt;
}

std::optional<ApplicationEntry> WindowApplicationIndex::entryOfProgram(const QString& name) const
{
    const auto it = name.isEmpty() ? byProgram_.end() : byProgram_.find(folded(name));
    if (it == byProgram_.end() || it->second == kNoEntry)
        return std::nullopt;
    return entries_[it->second];
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
    // Toolkits name the instance after the program's argv[0].
    return entryOfProgram(wmInstance);
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
