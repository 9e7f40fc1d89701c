// The XDG base directories, read from the environment each time (tests and the first start
// change it), and paths whose bytes are not UTF-8 reached through a descriptor of their folder.
#include "base/XdgDirs.h"

#include <QDir>
#include <QFile>

#include <map>
#include <optional>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fw {

namespace {

bool decodesWhole(const QByteArray& bytes) { return QFile::encodeName(QFile::decodeName(bytes)) == bytes; }

QByteArray passwordDatabaseHome()
{
    const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? std::size_t(suggested) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    while (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE && buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    return found && found->pw_dir ? QByteArray(found->pw_dir) : QByteArray();
}

// The descriptor of a folder named by bytes that are not UTF-8, opened once for the process's
// life; made (0700, as XDG asks of a missing base folder) when absent and `make` says so, never
// for a folder that is only looked in. -1 when it cannot be had.
int folderDescriptor(const QByteArray& folder, bool make)
{
    static std::mutex mutex;
    static std::map<QByteArray, int> opened;
    const std::lock_guard lock(mutex);
    if (const auto it = opened.find(folder); it != opened.end())
        return it->second;
    int fd = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 && make && errno == ENOENT && ::mkdir(folder.constData(), 0700) == 0)
        fd = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
        opened.emplace(folder, fd);
    return fd;
}

// The path that opens what the bytes name; nothing when it passes through a folder named by
// bytes that are not UTF-8 that cannot be opened (or made, where `make` says so).
std::optional<QString> reachablePath(const QByteArray& bytes, bool make)
{
    if (decodesWhole(bytes))
        return QFile::decodeName(bytes);
    // The last component that is not UTF-8 ends the folder to open; what follows decodes.
    qsizetype end = bytes.size();
    for (qsizetype start = bytes.lastIndexOf('/', end - 1); ; start = bytes.lastIndexOf('/', start - 1)) {
        const QByteArray component = bytes.mid(start + 1, end - start - 1);
        if (!decodesWhole(component))
            break;
        end = start;
        if (start <= 0)
            return QFile::decodeName(bytes);
    }
    const int fd = folderDescriptor(bytes.left(end), make);
    if (fd < 0)
        return std::nullopt;
    return QStringLiteral("/proc/self/fd/%1").arg(fd) + QFile::decodeName(bytes.mid(end));
}

QString underHome(const PathEnvironment& env, const char* variable, const char* relative)
{
    const QByteArray dir = env.variable(variable);
    if (!dir.isEmpty() && dir.startsWith('/'))
        return reachablePath(dir, true).value_or(QFile::decodeName(dir));
    return homeFolder(env) + QLatin1String(relative);
}

} // namespace

PathEnvironment PathEnvironment::process()
{
    return {[](const char* variable) { return qgetenv(variable); }, &passwordDatabaseHome};
}

QString localPath(const QByteArray& bytes) { return reachablePath(bytes, false).value_or(QFile::decodeName(bytes)); }

QString environmentPath(const char* variable) { return localPath(qgetenv(variable)); }

QString homeFolder(const PathEnvironment& env)
{
    QByteArray home = env.variable("HOME");
    if (home.isEmpty())
        home = env.passwordHome();
    // Nowhere known: the root folder, as Qt's own home.
    return home.isEmpty() ? QStringLiteral("/") : QDir::cleanPath(reachablePath(home, true).value_or(QFile::decodeName(home)));
}

QString xdgConfigHome(const PathEnvironment& env) { return underHome(env, "XDG_CONFIG_HOME", "/.config"); }
QString xdgCacheHome(const PathEnvironment& env) { return underHome(env, "XDG_CACHE_HOME", "/.cache"); }
QString xdgDataHome(const PathEnvironment& env) { return underHome(env, "XDG_DATA_HOME", "/.local/share"); }
QString xdgStateHome(const PathEnvironment& env) { return underHome(env, "XDG_STATE_HOME", "/.local/state"); }

QStringList xdgDataDirs(const PathEnvironment& env)
{
    QStringList dirs;
    for (const QByteArray& dir : env.variable("XDG_DATA_DIRS").split(':')) {
        // A search path: an entry that cannot be reached adds nothing, and is never made.
        if (!dir.startsWith('/'))
            continue;
        if (const auto path = reachablePath(dir, false))
            dirs << *path;
    }
    if (dirs.isEmpty())
        dirs = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    return dirs;
}

QString temporaryFolder(const PathEnvironment& env)
{
    const QByteArray dir = env.variable("TMPDIR");
    return dir.startsWith('/') ? QDir::cleanPath(localPath(dir)) : QStringLiteral("/tmp");
}

} // namespace fw
