// Bounded reads of regular files only, refusing FIFOs, devices and directories before and after
// opening, and atomic whole-file writes.
#include "base/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
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

// The file a write through a link at `path` lands on: the end of the chain of links (relative
// targets taken from each link's folder), or `path` itself when it is no link. A chain too long
// to follow ends where it stops; the write then fails on it.
QString linkTarget(const QString& path)
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
        at = QDir::isAbsolutePath(target) ? target : info.absolutePath() + u'/' + target;
    }
    return at;
}

} // namespace

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

bool writeFileAtomically(const QString& given, const QByteArray& data, QString* error, LinkAtPath link)
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    const QString path = link == LinkAtPath::writeTarget ? linkTarget(given) : given;
    const QFileInfo info(path);
    if (path.isEmpty() || info.fileName().isEmpty())
        return fail(QStringLiteral("no file name in \"%1\"").arg(path));
    const QString dir = info.absolutePath();
    if (!QDir().mkpath(dir))
        return fail(QStringLiteral("cannot create directory %1").arg(dir));

    // A fresh name beside the target (same file system, so the rename is atomic). Created with
    // 0666 so the umask applies, as for any new file; an existing file's mode is kept.
    QByteArray tmpl;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        tmpl = QFile::encodeName(dir + QStringLiteral("/.") + info.fileName() + QStringLiteral(".tmp-")
            + QString::number(QRandomGenerator::global()->generate64(), 36));
        fd = ::open(tmpl.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return fail(QStringLiteral("cannot create a temporary file in %1: %2").arg(dir, errnoText(errno)));
    struct stat old{};
    if (::stat(QFile::encodeName(info.absoluteFilePath()).constData(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd, old.st_mode & 07777);
    int err = 0;
    bool ok = writeAll(fd, data, err);
    if (ok && ::fsync(fd) != 0) {
        err = errno;
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        err = errno;
        ok = false;
    }
    if (ok && std::rename(tmpl.constData(), QFile::encodeName(info.absoluteFilePath()).constData()) != 0) {
        err = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(tmpl.constData());
        return fail(QStringLiteral("cannot write %1: %2").arg(path, errnoText(err)));
    }
    const int dfd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd); // the new file is in place; a failing directory sync cannot be undone here
        ::close(dfd);
    }
    return true;
}

} // namespace fw
