// Keeping libraries that open the user's files on the main thread (libXcursor, Xlib, GIO, dconf,
// Mesa) clear of FIFOs and devices, through the environment variables each of them reads.
#include "base/LibraryFiles.h"

#include "base/AtomicFile.h"
#include "base/Log.h"
#include "base/XdgDirs.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <algorithm>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

namespace fw {

namespace {

constexpr int maxThemes = 256;
constexpr int maxCursorFiles = 4096;
constexpr int maxDriverConfigFiles = 256;
constexpr int maxShaderCacheEntries = 4096;

QString home() { return homeFolder(); }

bool ours(const QString& dir)
{
    struct stat st {};
    return ::stat(QFile::encodeName(dir).constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

// The first file in a folder of cursor themes that libXcursor could block on: a theme's
// index.theme or one of its cursors. Folders of other users (the system's) are not looked in.
QString blockingCursorFile(const QString& dir)
{
    if (!ours(dir))
        return {};
    const QStringList themes = QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    int files = 0;
    for (const QString& theme : themes.mid(0, maxThemes)) {
        const QString base = dir + u'/' + theme;
        if (blocksOnOpen(base + QStringLiteral("/index.theme")))
            return base + QStringLiteral("/index.theme");
        for (const QString& cursor : QDir(base + QStringLiteral("/cursors")).entryList(QDir::System | QDir::Files | QDir::Hidden)) {
            if (++files > maxCursorFiles)
                return {};
            if (blocksOnOpen(base + QStringLiteral("/cursors/") + cursor))
                return base + QStringLiteral("/cursors/") + cursor;
        }
    }
    return {};
}

// The cursor path without the folders that hold such a file.
void steerCursorPath(QStringList& changes)
{
    QByteArray path = qgetenv("XCURSOR_PATH");
    if (path.isEmpty())
        path = "~/.local/share/icons:~/.icons:/usr/share/icons:/usr/share/pixmaps";
    QByteArrayList kept;
    bool dropped = false;
    for (const QByteArray& entry : path.split(':')) {
        if (entry.isEmpty())
            continue;
        const QString dir = entry.startsWith("~/") ? home() + localPath(entry.mid(1)) : localPath(entry);
        if (const QString file = blockingCursorFile(dir); !file.isEmpty()) {
            changes << QStringLiteral("cursor themes in %1 are not used: %2 is no regular file").arg(dir, file);
            dropped = true;
            continue;
        }
        kept << entry;   // as given: the library reads the bytes
    }
    if (dropped)
        qputenv("XCURSOR_PATH", kept.join(':'));
}

// libxcb reads the X authority file ($XAUTHORITY, else ~/.Xauthority) when it connects, in
// QApplication's making. One that could block gives way to an empty one: the connection is
// then made without a cookie, and a server that wants one refuses it with a clear error.
void steerAuthorityFile(QStringList& changes)
{
    QString file = environmentPath("XAUTHORITY");
    if (file.isEmpty() && qEnvironmentVariableIsSet("HOME"))
        file = environmentPath("HOME") + QStringLiteral("/.Xauthority");
    if (file == u"/dev/null"_qs || !blocksOnOpen(file))
        return;
    qputenv("XAUTHORITY", "/dev/null");
    changes << QStringLiteral("%1 is not read: it is no regular file").arg(file);
}

// Xlib reads ~/.Xdefaults (when the server holds no resources) for the cursor library only: the
// cursor settings given here leave it unread. Empty values keep the library's own defaults.
void steerResourceFiles(QStringList& changes)
{
    if (const QString file = home() + QStringLiteral("/.Xdefaults"); blocksOnOpen(file)) {
        for (const char* variable : {"XCURSOR_CORE", "XCURSOR_ANIM", "XCURSOR_DITHER", "XCURSOR_THEME_CORE"}) {
            if (!qEnvironmentVariableIsSet(variable))
                qputenv(variable, QByteArray(""));
        }
        if (!qEnvironmentVariableIsSet("XCURSOR_THEME"))
            qputenv("XCURSOR_THEME", "default");
        if (!qEnvironmentVariableIsSet("XCURSOR_SIZE"))
            qputenv("XCURSOR_SIZE", "24");
        changes << QStringLiteral("%1 is not read: it is no regular file").arg(file);
    }
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    QString file = environmentPath("XENVIRONMENT");
    if (file.isEmpty())
        file = home() + QStringLiteral("/.Xdefaults-") + QString::fromLocal8Bit(host);
    if (blocksOnOpen(file)) {
        qputenv("XENVIRONMENT", "/dev/null");
        changes << QStringLiteral("%1 is not read: it is no regular file").arg(file);
    }
}

// The profile file dconf reads, found as dconf finds it: the mandatory one, then DCONF_PROFILE (a
// path, or a name looked up in /etc and the data folders), else the one in the runtime folder,
// then "user" looked up by name. The first that is there, readable or not; none for dconf's
// default profile.
QString dconfProfile()
{
    QStringList candidates{QStringLiteral("/run/dconf/user/%1").arg(::getuid())};
    const auto byName = [&candidates](const QString& name) {
        candidates << QStringLiteral("/etc/dconf/profile/") + name;
        for (const QString& dir : xdgDataDirs())
            candidates << dir + QStringLiteral("/dconf/profile/") + name;
    };
    const QString named = environmentPath("DCONF_PROFILE");
    if (named.startsWith(u'/'))
        candidates << named;
    else if (!named.isEmpty())
        byName(named);
    else {
        QString runtime = environmentPath("XDG_RUNTIME_DIR");
        if (runtime.isEmpty() || !QDir::isAbsolutePath(runtime))
            runtime = xdgCacheHome();
        candidates << runtime + QStringLiteral("/dconf/profile");
        byName(QStringLiteral("user"));
    }
    for (const QString& file : candidates) {
        struct stat st {};
        if (::stat(QFile::encodeName(file).constData(), &st) == 0)
            return file;
    }
    return {};
}

// The first file of dconf's settings that it could block on, or that is too large to be a
// profile: the profile, then each database it names (a user's in the config folder, the
// system's in /etc, or any file).
QString blockingSettingsFile()
{
    const QString config = xdgConfigHome() + QStringLiteral("/dconf/");
    const QString profile = dconfProfile();
    if (profile.isEmpty())
        return blocksOnOpen(config + QStringLiteral("user")) ? config + QStringLiteral("user") : QString();
    const FileRead read = readRegularFile(profile, 64 * 1024);
    if (!read.ok())
        return profile;
    for (QByteArray line : read.data.split('\n')) {
        if (const qsizetype comment = line.indexOf('#'); comment >= 0)
            line.truncate(comment);
        line = line.trimmed();
        const qsizetype colon = line.indexOf(':');
        const QByteArray kind = line.left(colon), name = line.mid(colon + 1);
        QString db;
        if (kind == "user-db")
            db = config + QFile::decodeName(name);
        else if (kind == "system-db")
            db = QStringLiteral("/etc/dconf/db/") + QFile::decodeName(name);
        else if (kind == "file-db")
            db = QFile::decodeName(name);
        if (colon > 0 && blocksOnOpen(db))
            return db;
    }
    return {};
}

void steerSettingsBackend(QStringList& changes)
{
    const QByteArray backend = qgetenv("GSETTINGS_BACKEND");
    if (!backend.isEmpty() && backend != "dconf")
        return;
    if (const QString file = blockingSettingsFile(); !file.isEmpty()) {
        qputenv("GSETTINGS_BACKEND", "memory");
        changes << QStringLiteral("desktop settings are not read: %1 is no regular file").arg(file);
    }
}

// xkbcommon's compose table, which Qt's compose input method loads at the first key typed into a
// text field of ours: the user's file ($XCOMPOSEFILE, XCompose in the config folder, then
// ~/.XCompose) is opened without asking what it is. When one of them could block, a file of ours
// that takes in the locale's own table stands first, or, when it cannot be written, a file that
// gives no table (typing still works, without compose sequences).
void steerComposeFile(QStringList& changes)
{
    const QStringList files{environmentPath("XCOMPOSEFILE"),
                            xdgConfigHome() + QStringLiteral("/XCompose"),
                            home() + QStringLiteral("/.XCompose")};
    const auto blocking = std::find_if(files.begin(), files.end(), [](const QString& file) { return blocksOnOpen(file); });
    if (blocking == files.end())
        return;
    const QString ours = xdgCacheHome() + QStringLiteral("/framewell/XCompose");
    const bool written = writeFileAtomically(ours, "include \"%L\"\n");
    qputenv("XCOMPOSEFILE", written ? QFile::encodeName(ours) : QByteArray("/dev/null"));
    changes << QStringLiteral("%1 is not read: it is no regular file").arg(*blocking);
}

// Why Mesa must not read the file at the path, or nothing when it may: a readable regular file
// within the bound, or nothing there.
QString driverConfigProblem(const QString& path)
{
    const FileRead read = checkRegularFile(path, DriverConfigGuard::maxDriverConfigBytes);
    return read.ok() || read.absent() ? QString() : read.problem;
}

// Mesa's own configuration: the .conf files of DRIRC_CONFIGDIR when it is set, else those of its
// data folder (where distributions install it) and /etc/drirc. When one of them is no bounded
// regular file, DRIRC_CONFIGDIR names a path no folder is at: Mesa then reads none of them and
// keeps its built-in defaults.
void steerDriverConfigFolder(QStringList& changes)
{
    const QString given = environmentPath("DRIRC_CONFIGDIR");
    const QString dir = given.isEmpty() ? QStringLiteral("/usr/share/drirc.d") : given;
    QStringList files;
    for (const QString& name : QDir(dir).entryList({QStringLiteral("*.conf")}, QDir::Files | QDir::System | QDir::Hidden, QDir::Name))
        files << dir + u'/' + name;
    if (given.isEmpty())
        files << QStringLiteral("/etc/drirc");
    QString refused;
    if (files.size() > maxDriverConfigFiles)
        refused = QStringLiteral("%1 holds more than %2 files").arg(dir).arg(maxDriverConfigFiles);
    for (qsizetype i = 0; refused.isEmpty() && i < files.size(); ++i) {
        if (const QString problem = driverConfigProblem(files[i]); !problem.isEmpty())
            refused = files[i] + QStringLiteral(": ") + problem;
    }
    if (refused.isEmpty())
        return;
    qputenv("DRIRC_CONFIGDIR", DriverConfigGuard::steeredHome);
    changes << QStringLiteral("the OpenGL driver's configuration is not read: %1").arg(refused);
}

// Mesa's shader cache: files named by hashes, read on the thread that compiles (ours) and written
// by a thread of Mesa's that the driver waits for when it closes. Ours is a folder of our own in
// the user's cache folder, holding only our few programs; a file in it that an open could block
// on, or more entries than our programs make, and no cache is used.
void steerShaderCache(QStringList& changes)
{
    const QString dir = xdgCacheHome() + QStringLiteral("/framewell/gpu");
    QDir().mkpath(dir);   // Mesa makes only the last folder of the path it is given
    qputenv("MESA_SHADER_CACHE_DIR", QFile::encodeName(dir));
    QString refused;
    QDirIterator entries(dir, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
    for (int count = 0; refused.isEmpty() && entries.hasNext();) {
        const QString path = entries.next();
        if (++count > maxShaderCacheEntries)
            refused = QStringLiteral("%1 holds more than %2 entries").arg(dir).arg(maxShaderCacheEntries);
        else if (blocksOnOpen(path))
            refused = QStringLiteral("%1 is no regular file").arg(path);
    }
    if (refused.isEmpty())
        return;
    qputenv("MESA_SHADER_CACHE_DISABLE", "true");
    changes << QStringLiteral("the OpenGL driver keeps no shader cache: %1").arg(refused);
}

} // namespace

bool blocksOnOpen(const QString& path)
{
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISSOCK(st.st_mode);
}

QStringList steerLibrariesClearOfUnreadableFiles()
{
    QStringList changes;
    steerCursorPath(changes);
    steerAuthorityFile(changes);
    steerResourceFiles(changes);
    steerSettingsBackend(changes);
    steerComposeFile(changes);
    steerDriverConfigFolder(changes);
    steerShaderCache(changes);
    for (const QString& change : changes)
        log::error(LogCategory::App, "At start, %{public}s", change);
    return changes;
}

bool compiledSchemasReadable()
{
    QStringList dirs;
    for (const QByteArray& dir : qgetenv("GSETTINGS_SCHEMA_DIR").split(':'))
        if (!dir.isEmpty())
            dirs << localPath(dir);
    for (const QString& data : QStringList{xdgDataHome()} + xdgDataDirs())
        dirs << data + QStringLiteral("/glib-2.0/schemas");
    for (const QString& dir : dirs) {
        if (blocksOnOpen(dir + QStringLiteral("/gschemas.compiled"))) {
            log::error(LogCategory::App, "Desktop settings are not read: %{public}s/gschemas.compiled is no regular file", dir);
            return false;
        }
    }
    return true;
}

DriverConfigGuard::DriverConfigGuard()
{
    const QByteArray home = qgetenv("HOME");
    if (home.isEmpty())
        return;   // Mesa looks for no file of the user's then
    const QString file = localPath(home) + QStringLiteral("/.drirc");
    const QString problem = driverConfigProblem(file);
    if (problem.isEmpty())
        return;
    static bool said = false;
    if (!std::exchange(said, true))
        log::error(LogCategory::App, "%{public}s is not read by the OpenGL driver: %{public}s", file, problem);
    // HOME is set, so its value is replaced where it stands: threads reading the environment
    // meanwhile see the one value or the other, never a moved list.
    home_ = home;
    qputenv("HOME", steeredHome);
}

DriverConfigGuard::~DriverConfigGuard()
{
    if (steered())
        qputenv("HOME", home_);
}

} // namespace fw
