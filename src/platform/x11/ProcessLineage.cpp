// Reading /proc/<pid>/stat, exe, cmdline and environ, bounded, for the user's own processes.
#include "platform/x11/ProcessLineage.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fw {

namespace {

constexpr qint64 kMaxStat = 4096;
constexpr qint64 kMaxEnvironment = 256 * 1024;

// At most `limit` bytes of an open /proc file (whose size the kernel does not state).
QByteArray readBounded(int fd, qint64 limit)
{
    QByteArray out;
    char buffer[4096];
    while (out.size() < limit) {
        const ssize_t got = ::read(fd, buffer, std::size_t(std::min<qint64>(sizeof buffer, limit - out.size())));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        out.append(buffer, got);
    }
    return out;
}

// An open file below /proc/<pid>; -1 when there is none. With `ownOnly`, only when the process
// belongs to this user.
int openProcessFile(Pid pid, const char* name, bool ownOnly)
{
    if (pid <= 0)
        return -1;
    const QByteArray path = "/proc/" + QByteArray::number(pid) + '/' + name;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0 || !ownOnly)
        return fd;
    struct stat owner {};
    if (::fstat(fd, &owner) != 0 || owner.st_uid != ::geteuid()) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

QStringList processProgramNames(Pid pid)
{
    QStringList names;
    const auto add = [&](const QByteArray& path) {
        const QString name = QFileInfo(QFile::decodeName(path)).fileName();
        if (!name.isEmpty() && !names.contains(name))
            names << name;
    };
    if (pid <= 0)
        return names;
    const QByteArray proc = "/proc/" + QByteArray::number(pid);
    char target[4096];
    const ssize_t length = ::readlink((proc + "/exe").constData(), target, sizeof target);
    if (length > 0 && std::size_t(length) < sizeof target) {
        QByteArray exe(target, length);
        if (exe.endsWith(" (deleted)"))   // replaced by an upgrade while it runs
            exe.chop(10);
        add(exe);
    }
    if (const int fd = openProcessFile(pid, "cmdline", false); fd >= 0) {
        const QByteArray text = readBounded(fd, kMaxStat);
        ::close(fd);
        add(QByteArray(text.constData()));   // up to the first NUL: argv[0]
    }
    return names;
}

std::optional<quint64> statField(const QByteArray& stat, int field)
{
    // "pid (command) state ppid …": the command may hold blanks and parentheses.
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0 || field < 3)
        return std::nullopt;
    const QList<QByteArray> fields = stat.mid(close + 1).simplified().split(' ');
    if (fields.size() <= field - 3)
        return std::nullopt;
    bool ok = false;
    const quint64 value = fields[field - 3].toULongLong(&ok);
    return ok ? std::optional<quint64>(value) : std::nullopt;
}

std::optional<ProcessStat> processStat(Pid pid)
{
    const int fd = openProcessFile(pid, "stat", false);
    if (fd < 0)
        return std::nullopt;
    const QByteArray text = readBounded(fd, kMaxStat);
    ::close(fd);
    const auto parent = statField(text, 4);
    const auto start = statField(text, 22);
    // A process that has ended but is not yet reaped (state Z or X) is gone.
    const qsizetype close = text.lastIndexOf(')');
    const char state = close >= 0 && close + 2 < text.size() ? text[close + 2] : 'X';
    if (!parent || !start || state == 'Z' || state == 'X')
        return std::nullopt;
    return ProcessStat{Pid(*parent), *start};
}

std::map<QByteArray, QByteArray> processEnvironment(Pid pid, const QByteArrayList& names)
{
    std::map<QByteArray, QByteArray> found;
    const int fd = openProcessFile(pid, "environ", true);
    if (fd < 0)
        return found;
    const QByteArray text = readBounded(fd, kMaxEnvironment);
    ::close(fd);
    for (const QByteArray& variable : text.split('\0')) {
        const qsizetype eq = variable.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray name = variable.left(eq);
        if (names.contains(name) && !found.count(name))
            found.emplace(name, variable.mid(eq + 1));
    }
    return found;
}

} // namespace fw
