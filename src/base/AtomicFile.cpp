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

} // namespace

bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error)
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
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
