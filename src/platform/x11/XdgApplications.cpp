// The installed applications from desktop entries: parsing entries (escapes, localised names),
// looking ids up across the applications folders, launching Exec= without a shell, and which
// entry started a process.
#include "platform/x11/XdgApplications.h"

#include "base/AtomicFile.h"
#include "base/XdgDirs.h"
#include "platform/EntryCommand.h"
#include "platform/x11/DetachedLaunch.h"
#include "platform/x11/ProcessLineage.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace fw {

namespace {

// Desktop entries are small; anything larger is not one and is not read whole.
constexpr qint64 maxEntrySize = 1 << 20;

QString unescape(const QString& v)
{
    QString out;
    out.reserve(v.size());
    for (qsizetype i = 0; i < v.size(); ++i) {
        QChar c = v[i];
        if (c == u'\\' && i + 1 < v.size()) {
            QChar n = v[++i];
            switch (n.unicode()) {
            case 's': out += u' '; break;
            case 'n': out += u'\n'; break;
            case 't': out += u'\t'; break;
            case 'r': out += u'\r'; break;
            case '\\': out += u'\\'; break;
            default: out += u'\\'; out += n; break;
            }
        } else {
            out += c;
        }
    }
    return out;
}

// Locale keys to try for one locale, best first: lang_COUNTRY@MODIFIER, lang_COUNTRY,
// lang@MODIFIER, lang.
QStringList keysOfLocale(const QString& locale)
{
    QString l = locale;
    QString modifier;
    if (int at = l.indexOf(u'@'); at >= 0) {
        modifier = l.mid(at + 1);
        l = l.left(at);
    }
    if (int dot = l.indexOf(u'.'); dot >= 0)
        l = l.left(dot);
    if (l.isEmpty() || l == u"C" || l == u"POSIX")
        return {};
    QString lang = l, country;
    if (int us = l.indexOf(u'_'); us >= 0) {
        lang = l.left(us);
        country = l.mid(us + 1);
    }
    QStringList keys;
    if (!country.isEmpty() && !modifier.isEmpty())
        keys << lang + u'_' + country + u'@' + modifier;
    if (!country.isEmpty())
        keys << lang + u'_' + country;
    if (!modifier.isEmpty())
        keys << lang + u'@' + modifier;
    keys << lang;
    return keys;
}

// Locale keys to try for a priority list of locales ("de_AT:de:en_GB.UTF-8"), best first.
QStringList localeKeys(const QString& locales)
{
    QStringList keys;
    for (const QString& locale : locales.split(u':', Qt::SkipEmptyParts)) {
        for (const QString& key : keysOfLocale(locale)) {
            if (!keys.contains(key))
                keys << key;
        }
    }
    return keys;
}

// Whether launchers on these desktops (XDG_CURRENT_DESKTOP's names) show the entry: any of
// them in OnlyShowIn when it is given, none of them in NotShowIn.
bool shownOn(const QHash<QString, QString>& keys, const QStringList& desktops)
{
    const auto named = [&](const QString& key) {
        const QStringList list = keys.value(key).split(u';', Qt::SkipEmptyParts);
        return std::any_of(desktops.begin(), desktops.end(), [&](const QString& d) { return list.contains(d); });
    };
    if (keys.contains(u"OnlyShowIn"_qs) && !named(u"OnlyShowIn"_qs))
        return false;
    return !named(u"NotShowIn"_qs);
}

// A terminal and the arguments that come before the command it is to run.
struct Terminal {
    const char* program;
    const char* desktop; // the desktop (XDG_CURRENT_DESKTOP) it belongs to; null = none
    QStringList before;
    const char* roleOption = nullptr; // the option, before the others, that gives its new window a role
};

// The terminals tried, in order, when neither xdg-terminal-exec nor x-terminal-emulator is
// installed; a desktop's own terminal is tried before them all. Each is told to open its window
// from the launch's own process, not to hand the command to an instance already running, so
// that the window can be told as the launch's (xfce4-terminal, mate-terminal and lxterminal are,
// when asked). gnome-terminal only asks its server for a window, whose process is not the
// launch's: that window is told by the role the launch gives it, and the launch waits for the
// command to end, as the others' processes do.
const std::vector<Terminal>& commonTerminals()
{
    static const std::vector<Terminal> terminals{
        {"xterm", nullptr, {u"-e"_qs}},
        {"uxterm", nullptr, {u"-e"_qs}},
        {"konsole", "KDE", {u"-e"_qs}},
        {"xfce4-terminal", "XFCE", {u"--disable-server"_qs, u"-x"_qs}},
        {"mate-terminal", "MATE", {u"--disable-factory"_qs, u"-x"_qs}},
        {"lxterminal", "LXDE", {u"--no-remote"_qs, u"-e"_qs}},
        {"qterminal", "LXQt", {u"-e"_qs}},
        {"alacritty", nullptr, {u"-e"_qs}},
        {"kitty", nullptr, {}},
        {"gnome-terminal", nullptr, {u"--wait"_qs, u"--"_qs}, "--role="},
    };
    return terminals;
}

// The common terminal a program on PATH is, itself or through the links of an alternative
// (x-terminal-emulator), and its own path; Debian's wrappers of a terminal count as the
// terminal. Nothing for another program.
std::optional<std::pair<Terminal, QString>> commonTerminal(const QString& path)
{
    QString name = QFileInfo(QFileInfo(path).canonicalFilePath()).fileName();
    if (name.endsWith(u".wrapper"_qs))
        name.chop(8);
    for (const Terminal& t : commonTerminals()) {
        if (name != QLatin1String(t.program))
            continue;
        const QString own = executablePath(name);
        if (!own.isEmpty())
            return std::pair{t, own};
    }
    return std::nullopt;
}

} // namespace

std::optional<QStringList> XdgApplications::terminalCommand(const QStringList& command, const QStringList& desktops,
                                                            const QString& role)
{
    const auto options = [&](const Terminal& t) {
        return t.roleOption && !role.isEmpty() ? QStringList{QLatin1String(t.roleOption) + role} + t.before : t.before;
    };
    std::vector<Terminal> tried{{"xdg-terminal-exec", nullptr, {}}, {"x-terminal-emulator", nullptr, {u"-e"_qs}}};
    for (const Terminal& t : commonTerminals()) {
        if (t.desktop && desktops.contains(QLatin1String(t.desktop)))
            tried.push_back(t);
    }
    tried.insert(tried.end(), commonTerminals().begin(), commonTerminals().end());
    for (const Terminal& t : tried) {
        const QString path = executablePath(QLatin1String(t.program));
        if (path.isEmpty())
            continue;
        // The system's chosen terminal run as itself, with its own options.
        if (const auto common = commonTerminal(path))
            return QStringList{common->second} + options(common->first) + command;
        return QStringList{path} + options(t) + command;
    }
    return std::nullopt;
}

bool XdgApplications::launch(const QString& id) const
{
    const auto e = entry(id);
    if (!e || (!e->tryExec.isEmpty() && executablePath(e->tryExec).isEmpty()))
        return false;
    const auto command = entryCommandLine(e->exec);
    if (!command)
        return false;
    const QString program = executablePath(command->front());
    if (program.isEmpty())
        return false;
    QStringList run = *command;
    QString role;
    if (e->terminal) {
        // The terminal runs the program by its path, whatever PATH it keeps; the launch's mark
        // goes to the window where the terminal can give it one.
        run.front() = program;
        role = u"framewell-launch-%1-%2"_qs.arg(::getpid()).arg(launchCount_ + 1);
        const auto inTerminal = terminalCommand(run, desktops_, role);
        if (!inTerminal)
            return false;
        run = *inTerminal;
    }
    const auto pid = startDetached(e->terminal ? run.front() : program, run, e->path);
    if (!pid)
        return false;
    recordLaunch(*pid, id, role);
    return true;
}

void XdgApplications::recordLaunch(Pid pid, const QString& id, const QString& role) const
{
    // Records of processes that have ended go; the oldest go when there are too many.
    std::erase_if(launches_, [](const LaunchRecord& r) {
        const auto now = processStat(r.pid);
        return !now || now->startTime != r.startTime;
    });
    if (launches_.size() >= kMaxLaunchRecords)
        launches_.erase(launches_.begin());
    if (const auto stat = processStat(pid))
        launches_.push_back({pid, stat->startTime, id, std::chrono::steady_clock::now(), role});
    ++launchCount_;
}

std::optional<std::uint64_t> XdgApplications::generation() const
{
    std::uint64_t mark = 14695981039346656037ull;
    const auto mix = [&](std::uint64_t v) { mark = (mark ^ v) * 1099511628211ull; };
    mix(launchCount_);
    // A folder's time moves in the kernel's coarse steps: two changes moments apart can leave
    // the same time. One changed lately counts as changed at every ask until it has settled.
    const auto now = std::chrono::system_clock::now();
    for (const QStringList* folders : {&dirs_, static_cast<const QStringList*>(&listedFolders_)}) {
        for (const QString& folder : *folders) {
            struct stat st {};
            if (::stat(QFile::encodeName(folder).constData(), &st) != 0) {
                mix(0);
                continue;
            }
            mix(std::uint64_t(st.st_ino));
            mix(std::uint64_t(st.st_mtim.tv_sec));
            mix(std::uint64_t(st.st_mtim.tv_nsec));
            const auto changed = std::chrono::system_clock::time_point(
                std::chrono::duration_cast<std::chrono::system_clock::duration>(std::chrono::seconds(st.st_mtim.tv_sec)));
            if (now - changed < kFolderSettleTime)
                mix(++unsettledAsks_);
        }
    }
    return mark;
}

bool XdgApplications::launchRunning(const QString& id, std::chrono::nanoseconds within) const
{
    const auto since = std::chrono::steady_clock::now() - within;
    return std::any_of(launches_.begin(), launches_.end(), [&](const LaunchRecord& r) {
        const auto now = r.id == id && r.at >= since ? processStat(r.pid) : std::nullopt;
        return now && now->startTime == r.startTime;
    });
}

std::optional<ProcessLaunch> XdgApplications::launchOf(Pid pid) const
{
    // The process or one of its ancestors launched here (a bounded walk up its parents).
    Pid p = pid;
    for (int depth = 0; !launches_.empty() && depth < kMaxAncestry && p > 1; ++depth) {
        const auto stat = processStat(p);
        if (!stat)
            break;
        const auto record = std::find_if(launches_.begin(), launches_.end(), [&](const LaunchRecord& r) {
            return r.pid == p && r.startTime == stat->startTime;
        });
        if (record != launches_.end() && entry(record->id))
            return ProcessLaunch{record->id, p == pid || !record->role.isEmpty()};
        p = stat->parent;
    }
    // The entry its environment names, also for what another launcher started.
    static const QByteArray file = "GIO_LAUNCHED_DESKTOP_FILE", filePid = "GIO_LAUNCHED_DESKTOP_FILE_PID";
    const auto marks = processEnvironment(pid, {file, filePid});
    const auto path = marks.find(file);
    if (path == marks.end())
        return std::nullopt;
    const auto id = desktopEntryId(QFile::decodeName(path->second), dirs_);
    if (!id || !entry(*id))
        return std::nullopt;
    const auto launched = marks.find(filePid);
    return ProcessLaunch{*id, launched != marks.end() && launched->second == QByteArray::number(pid)};
}

std::optional<ProcessLaunch> XdgApplications::launchOfRole(const QString& role) const
{
    const auto record = std::find_if(launches_.begin(), launches_.end(), [&](const LaunchRecord& r) {
        return !r.role.isEmpty() && r.role == role;
    });
    if (record == launches_.end())
        return std::nullopt;
    return ProcessLaunch{record->id, true};
}

QStringList XdgApplications::programNames(Pid pid) const { return processProgramNames(pid); }

XdgApplications::XdgApplications() : XdgApplications(environmentDirs(), environmentLocale(), environmentDesktops()) {}

XdgApplications::XdgApplications(QStringList applicationDirs, QString locale, QStringList desktops)
    : dirs_(std::move(applicationDirs)), locale_(std::move(locale)), desktops_(std::move(desktops))
{
}

QStringList XdgApplications::environmentDesktops()
{
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
}

QStringList XdgApplications::environmentDirs()
{
    QStringList dirs{QDir::cleanPath(xdgDataHome() + QStringLiteral("/applications"))};
    for (const QString& d : xdgDataDirs()) {
        QString p = QDir::cleanPath(d + QStringLiteral("/applications"));
        if (!dirs.contains(p))
            dirs << p;
    }
    return dirs;
}

QString XdgApplications::environmentLocale()
{
    // GLib's order (g_get_language_names), which GNOME's and Xfce's menus follow: LANGUAGE
    // counts also where the locale is C.
    for (const char* var : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        QString v = qEnvironmentVariable(var);
        if (!v.isEmpty())
            return v;
    }
    return {};
}

std::optional<ApplicationEntry> XdgApplications::parse(const QByteArray& text, const QString& id, const QString& locale,
                                                       const QStringList& desktops)
{
    const QStringList keys = localeKeys(locale);
    bool inEntry = false, sawEntry = false;
    QHash<QString, QString> plain;   // the entry's unlocalised keys; the first of each counts
    // The localised keys kept, each with the index in `keys` of the locale it was found for
    // (keys.size() = unlocalised); a lower rank is a better match, the first line of a rank wins.
    std::map<QString, std::pair<int, QString>> localised{{u"Name"_qs, {-1, {}}}, {u"Comment"_qs, {-1, {}}}};
    for (const QByteArray& rawLine : text.split('\n')) {
        QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            // Only the first [Desktop Entry] group describes the application.
            if (sawEntry && inEntry)
                break;
            inEntry = line == u"[Desktop Entry]";
            sawEntry = sawEntry || inEntry;
            continue;
        }
        if (!inEntry)
            continue;
        int eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        QString key = line.left(eq).trimmed();
        QString value = unescape(line.mid(eq + 1).trimmed());
        QString locKey;
        if (int br = key.indexOf(u'['); br > 0 && key.endsWith(u']')) {
            locKey = key.mid(br + 1, key.size() - br - 2);
            key = key.left(br);
        }
        if (const auto kept = localised.find(key); kept != localised.end()) {
            const int rank = locKey.isEmpty() ? int(keys.size()) : int(keys.indexOf(locKey));
            if (rank >= 0 && (kept->second.first < 0 || rank < kept->second.first))
                kept->second = {rank, value};
        } else if (locKey.isEmpty() && !plain.contains(key)) {
            plain.insert(key, value);
        }
    }
    const QString name = localised[u"Name"_qs].second;
    if (!sawEntry || plain.value(u"Hidden"_qs) == u"true" || plain.value(u"Type"_qs) != u"Application" || name.isEmpty())
        return std::nullopt;
    ApplicationEntry e;
    e.id = id;
    e.name = name;
    e.comment = localised[u"Comment"_qs].second;
    e.icon = plain.value(u"Icon"_qs);
    e.startupWmClass = plain.value(u"StartupWMClass"_qs);
    e.exec = plain.value(u"Exec"_qs);
    e.tryExec = plain.value(u"TryExec"_qs);
    e.terminal = plain.value(u"Terminal"_qs) == u"true";
    e.listed = plain.value(u"NoDisplay"_qs) != u"true" && shownOn(plain, desktops);
    return e;
}

const XdgApplications::Parsed* XdgApplications::load(const QString& path, const QString& id) const
{
    QFileInfo info(path);
    if (!info.isFile()) {
        cache_.erase(path);
        return nullptr;
    }
    auto it = cache_.find(path);
    if (it != cache_.end() && it->second.modified == info.lastModified() && it->second.size == info.size()
        && it->second.entry.id == id)
        return &it->second;
    Parsed p;
    p.modified = info.lastModified();
    p.size = info.size();
    if (const FileRead file = readRegularFile(path, maxEntrySize); file.ok()) {
        if (auto e = parse(file.data, id, locale_, desktops_)) {
            p.present = true;
            p.entry = *e;
            p.entry.path = path;
        }
    }
    if (!p.present)
        p.entry.id = id;
    return &(cache_[path] = std::move(p));
}

QStringList XdgApplications::candidatePaths(const QString& dir, const QString& id) const
{
    // "a-b-c" may live at a-b-c.desktop, a/b-c.desktop, a-b/c.desktop or a/b/c.desktop.
    QStringList out{dir + u'/' + id + QStringLiteral(".desktop")};
    QList<qsizetype> dashes;
    for (qsizetype i = 0; i < id.size(); ++i)
        if (id[i] == u'-')
            dashes << i;
    if (dashes.isEmpty() || dashes.size() > 6)
        return out;
    for (unsigned mask = 1; mask < (1u << dashes.size()); ++mask) {
        QString rel = id;
        for (qsizetype b = 0; b < dashes.size(); ++b)
            if (mask & (1u << b))
                rel[dashes[b]] = u'/';
        out << dir + u'/' + rel + QStringLiteral(".desktop");
    }
    return out;
}

std::optional<ApplicationEntry> XdgApplications::entry(const QString& id) const
{
    if (id.isEmpty() || id.contains(u'/') || id.startsWith(u'.') || id.contains(u"..") || id.contains(QChar(0)))
        return std::nullopt;
    for (const QString& dir : dirs_) {
        for (const QString& path : candidatePaths(dir, id)) {
            const Parsed* p = load(path, id);
            if (!p)
                continue;
            // The first file with this id decides, also when it hides the application.
            if (!p->present)
                return std::nullopt;
            return p->entry;
        }
    }
    return std::nullopt;
}

std::vector<ApplicationEntry> XdgApplications::installed() const
{
    std::set<QString> seen;
    std::vector<ApplicationEntry> out;
    listedFolders_.clear();
    for (const QString& dir : dirs_) {
        QDir root(dir);
        QDirIterator it(dir, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
        std::vector<std::pair<QString, QString>> found;
        while (it.hasNext()) {
            QString path = it.next();
            if (it.fileInfo().isDir())
                listedFolders_ << path;
            else if (path.endsWith(u".desktop"))
                found.emplace_back(desktopEntryIdOfRelativePath(root.relativeFilePath(path)), path);
        }
        std::sort(found.begin(), found.end());
        for (const auto& [id, path] : found) {
            if (!seen.insert(id).second)
                continue;
            const Parsed* p = load(path, id);
            if (p && p->present)
                out.push_back(p->entry);
        }
    }
    std::sort(out.begin(), out.end(), [](const ApplicationEntry& a, const ApplicationEntry& b) { return a.id < b.id; });
    return out;
}

} // namespace fw
