// Bounded reads of regular files only, refusing FIFOs, devices and directories before and after
// opening, atomic whole-file writes that leave no temporary file behind, and the start's clean-up of
// the temporary files a write cut short left.
#include "base/AtomicFile.h"

#include "base/XdgDirs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fw {

namespace {

QString errnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

bool writeAll(int fd, const QByteArray& data, int& err)
{
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("it is a directory");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a FIFO");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket");
    return QStringLiteral("it is not a regular file");
}

QString tooLarge(qint64 maxBytes) { return QStringLiteral("it is larger than %1 bytes").arg(maxBytes); }

// Whether a file of this status may be read; sets the refusal otherwise.
bool readable(const struct stat& st, qint64 maxBytes, FileRead& result)
{
    if (!S_ISREG(st.st_mode)) {
        result.status = FileRead::Status::notRegular;
        result.problem = kindOf(st.st_mode);
        return false;
    }
    if (st.st_size > maxBytes) {
        result.status = FileRead::Status::tooLarge;
        result.problem = tooLarge(maxBytes);
        return false;
    }
    return true;
}

FileRead failed(FileRead::Status status, const QString& problem)
{
    FileRead result;
    result.status = status;
    result.problem = problem;
    return result;
}

// Reads an opened regular file to its end, one chunk past the bound at most.
void readOpened(int fd, qint64 maxBytes, FileRead& result)
{
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result = failed(FileRead::Status::failed, errnoText(errno));
            return;
        }
        if (n == 0)
            break;
        result.data.append(chunk, n);
        if (result.data.size() > maxBytes) {
            result = failed(FileRead::Status::tooLarge, tooLarge(maxBytes));
            return;
        }
    }
    result.status = FileRead::Status::ok;
}

} // namespace

QString linkChainEnd(const QString& path)
{
    QString at = path;
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo info(at);
        if (!info.isSymLink())
            return at;
        const QByteArray name = QFile::encodeName(at);
        char buffer[4096];
        const ssize_t n = ::readlink(name.constData(), buffer, sizeof buffer - 1);
        if (n <= 0)
            return at;
        const QString target = QFile::decodeName(QByteArray(buffer, n));
        at = QDir::cleanPath(QDir::isAbsolutePath(target) ? target : info.absolutePath() + u'/' + target);
    }
    return at;
}

FileRead checkRegularFile(const QString& path, qint64 maxBytes)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (path.isEmpty() || ::lstat(name.constData(), &st) != 0)
        return failed(errno == ENOENT || path.isEmpty() ? FileRead::Status::absent : FileRead::Status::failed,
                      errnoText(path.isEmpty() ? ENOENT : errno));
    // A link is followed (dotfile managers link config files), to a regular file only.
    if (S_ISLNK(st.st_mode) && ::stat(name.constData(), &st) != 0)
        return failed(FileRead::Status::notRegular,
                      QStringLiteral("it is a link to nothing readable (%1)").arg(errnoText(errno)));
    FileRead result;
    if (readable(st, maxBytes, result))
        result.status = FileRead::Status::ok;
    return result;
}

FileRead readRegularFile(const QString& path, qint64 maxBytes)
{
    FileRead result = checkRegularFile(path, maxBytes);
    if (!result.ok())
        return result;
    result.status = FileRead::Status::failed;
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    // Asked before opening, and again of what was opened: opening a FIFO or a device to read
    // can wait or have effects of its own, and the path may have changed in between.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return failed(FileRead::Status::failed, errnoText(errno));
    if (::fstat(fd, &st) != 0)
        result = failed(FileRead::Status::failed, errnoText(errno));
    else if (readable(st, maxBytes, result)) {
        result.data.reserve(qsizetype(st.st_size));
        readOpened(fd, maxBytes, result);
    }
    ::close(fd); // nothing was written: an error here changes nothing
    return result;
}

namespace {

// ".<name>.tmp-<base 36>": the name a write's temporary file takes beside its file.
const QString temporaryInfix = QStringLiteral(".tmp-");

QByteArray temporaryName(const QString& dir, const QString& fileName)
{
    return QFile::encodeName(dir + u'/' + u'.' + fileName + temporaryInfix
                             + QString::number(QRandomGenerator::global()->generate64(), 36));
}

// Whether the name is one a write of ours gives its temporary file; with a prefix, one for a
// file whose name starts with it only.
bool isTemporaryName(const QString& name, const QString& prefix)
{
    const qsizetype at = name.lastIndexOf(temporaryInfix);
    if (!name.startsWith(u'.') || at <= 1)
        return false;
    const QString random = name.mid(at + temporaryInfix.size());
    if (random.isEmpty() || random.size() > 13
        || !std::all_of(random.begin(), random.end(), [](QChar c) { return c.isDigit() || (c >= u'a' && c <= u'z'); }))
        return false;
    return name.mid(1, at - 1).startsWith(prefix);
}

// A temporary file with no name yet (O_TMPFILE): a write cut short leaves nothing behind. -1
// where the file system or the kernel has none.
int openUnnamed(const QString& dir)
{
#ifdef O_TMPFILE
    return ::open(QFile::encodeName(dir).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#else
    Q_UNUSED(dir);
    errno = EOPNOTSUPP;
    return -1;
#endif
}

// Gives the unnamed file a fresh temporary name in dir; false when it cannot (no /proc and no
// right to link by descriptor).
bool nameUnnamed(int fd, const QString& dir, const QString& fileName, QByteArray& name)
{
    const QByteArray proc = "/proc/self/fd/" + QByteArray::number(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = temporaryName(dir, fileName);
        if (::linkat(AT_FDCWD, proc.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0
            || ::linkat(fd, "", AT_FDCWD, name.constData(), AT_EMPTY_PATH) == 0)
            return true;
        if (errno != EEXIST)
            return false;
    }
    return false;
}

// A named temporary file, locked at once, and still the one under its name once locked (a
// start's clean-up may have taken the name in between).
int openNamed(const QString& dir, const QString& fileName, QByteArray& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = temporaryName(dir, fileName);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return -1;
        ::flock(fd, LOCK_EX | LOCK_NB);
        struct stat opened {}, named {};
        if (::fstat(fd, &opened) == 0 && ::lstat(name.constData(), &named) == 0 && opened.st_ino == named.st_ino
            && opened.st_dev == named.st_dev)
            return fd;
        ::close(fd);
    }
    errno = EEXIST;
    return -1;
}

// Keeps an existing file's mode, writes and syncs; false with err set on the first failure.
bool fill(int fd, const QByteArray& target, const QByteArray& data, int& err)
{
    struct stat old {};
    if (::stat(target.constData(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd, old.st_mode & 07777);
    if (!writeAll(fd, data, err))
        return false;
    if (::fsync(fd) != 0) {
        err = errno;
        return false;
    }
    return true;
}

} // namespace

bool writeFileAtomically(const QString& given, const QByteArray& data, QString* error, LinkAtPath link,
                         int* errorNumber)
{
    auto fail = [error, errorNumber](const QString& why, int err) {
        if (error)
            *error = why;
        if (errorNumber)
            *errorNumber = err;
        return false;
    };
    const QString path = link == LinkAtPath::writeTarget ? linkChainEnd(given) : given;
    const QFileInfo info(path);
    if (path.isEmpty() || info.fileName().isEmpty())
        return fail(QStringLiteral("no file name in \"%1\"").arg(path), EINVAL);
    const QString dir = info.absolutePath();
    // Folders a link leads into are made in the user's home only: elsewhere a missing folder
    // is no place of the user's to make.
    const QString home = homeFolder();
    if (path != given && !QFileInfo(dir).isDir() && (home == u'/' || !dir.startsWith(home + u'/')))
        return fail(QStringLiteral("the folder %1 a link leads to does not exist").arg(dir), ENOENT);
    errno = 0;
    if (!QDir().mkpath(dir)) {
        // A file in place of a folder on the way reads as "exists".
        const int err = errno == EEXIST ? ENOTDIR : errno != 0 ? errno : EACCES;
        return fail(QStringLiteral("cannot create directory %1").arg(dir), err);
    }
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    const auto cannotCreate = [&](int err) {
        return fail(QStringLiteral("cannot create a temporary file in %1: %2").arg(dir, errnoText(err)), err);
    };
    const auto cannotWrite = [&](int err) {
        return fail(QStringLiteral("cannot write %1: %2").arg(path, errnoText(err)), err);
    };

    // The data goes to a file with no name yet in the same folder (so the rename is atomic),
    // named only for the rename: a process killed while it writes leaves nothing. Where the
    // folder's file system has no unnamed files, a named one, locked so that a start's
    // clean-up passes it over while it is written. Created with 0666 so the umask applies, as
    // for any new file; an existing file's mode is kept.
    QByteArray name;
    int err = 0;
    int fd = openUnnamed(dir);
    if (fd >= 0) {
        ::flock(fd, LOCK_EX | LOCK_NB);
        if (!fill(fd, target, data, err)) {
            ::close(fd);
            return cannotWrite(err);
        }
        if (!nameUnnamed(fd, dir, info.fileName(), name)) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd < 0) {
        fd = openNamed(dir, info.fileName(), name);
        if (fd < 0)
            return cannotCreate(errno);
        if (!fill(fd, target, data, err)) {
            ::unlink(name.constData());
            ::close(fd);
            return cannotWrite(err);
        }
    }
    const bool renamed = std::rename(name.constData(), target.constData()) == 0;
    err = errno;
    if (!renamed)
        ::unlink(name.constData());
    ::close(fd); // synced before: nothing is left to report, and the lock goes only now
    if (!renamed)
        return cannotWrite(err);
    const int dfd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd); // the new file is in place; a failing directory sync cannot be undone here
        ::close(dfd);
    }
    return true;
}

int removeLeftoverTemporaryFiles(const QString& dir, const QString& prefix)
{
    int removed = 0;
    const QByteArray folder = QFile::encodeName(dir);
    const QStringList names = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : names) {
        if (!isTemporaryName(entry, prefix))
            continue;
        const QByteArray name = folder + '/' + QFile::encodeName(entry);
        // Opened without following a link nor blocking on a FIFO; only a regular file of ours
        // with one name, that no write holds, goes.
        const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat opened {}, named {};
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == ::geteuid() && opened.st_nlink == 1
            && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::lstat(name.constData(), &named) == 0
            && named.st_ino == opened.st_ino && named.st_dev == opened.st_dev && ::unlink(name.constData()) == 0)
            ++removed;
        ::close(fd);
    }
    return removed;
}

} // namespace fw
