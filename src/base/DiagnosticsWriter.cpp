// Writes a diagnostic JSON file atomically into the user's own diagnostics folder, refusing names
// with paths and folders that are not the user's, each refusal logged once.
#include "base/DiagnosticsWriter.h"

#include "base/AtomicFile.h"
#include "base/Log.h"
#include "base/XdgDirs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <cerrno>
#include <mutex>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace fw {

namespace {

bool isPlainFileName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

// Makes the folder (0700) when missing. One that is there must be a folder of this user's; a
// link the user made to such a folder is that folder, a link another user made is not followed.
// The folder is closed to others when it was not. Empty when usable, else why not.
QString preparePrivateFolder(const QString& dir)
{
    const QString parent = QFileInfo(dir).absolutePath();
    if (!QDir().mkpath(parent))
        return QStringLiteral("the folder %1 cannot be made").arg(parent);
    const QByteArray name = QFile::encodeName(dir);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return QStringLiteral("the folder %1 cannot be made (%2)").arg(dir, QString::fromLocal8Bit(std::strerror(errno)));
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0)
        return QStringLiteral("%1 cannot be read (%2)").arg(dir, QString::fromLocal8Bit(std::strerror(errno)));
    if (S_ISLNK(st.st_mode)) {
        if (st.st_uid != ::geteuid())
            return QStringLiteral("%1 is a link another user made").arg(dir);
        if (::stat(name.constData(), &st) != 0)
            return QStringLiteral("%1 is a link to nothing").arg(dir);
    }
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("%1 is not a folder").arg(dir);
    if (st.st_uid != ::geteuid())
        return QStringLiteral("the folder %1 belongs to another user").arg(dir);
    if ((st.st_mode & 077) != 0 && ::chmod(name.constData(), 0700) != 0)
        return QStringLiteral("the folder %1 cannot be closed to other users").arg(dir);
    return {};
}

// Logs why a write failed, once for as long as it fails for that reason: the state files are
// written at every change, and the same refusal each time tells nothing new.
void refused(const QString& why)
{
    static std::mutex mutex;
    static QString said;
    const std::lock_guard lock(mutex);
    if (why == said)
        return;
    said = why;
    if (!why.isEmpty())
        log::error(LogCategory::App, "Diagnostics not written: %{public,path}s", why);
}

} // namespace

QString diagnosticsDirectory()
{
    const QString runtime = environmentPath("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir())
        return QDir::cleanPath(runtime) + QStringLiteral("/framewell");
    return xdgStateHome() + QStringLiteral("/framewell");
}

QString diagnosticsPath(const QString& fileName) { return diagnosticsDirectory() + u'/' + fileName; }

QByteArray diagnosticsBytes(const QJsonObject& obj) { return QJsonDocument(obj).toJson(QJsonDocument::Indented); }

bool writeDiagnostics(const QString& fileName, const QJsonObject& obj)
{
    return writeDiagnosticsBytes(fileName, diagnosticsBytes(obj));
}

bool writeDiagnosticsBytes(const QString& fileName, const QByteArray& bytes)
{
    if (!isPlainFileName(fileName)) {
        log::error(LogCategory::App, "Diagnostics not written: invalid file name \"%{public}s\"", fileName);
        return false;
    }
    if (const QString problem = preparePrivateFolder(diagnosticsDirectory()); !problem.isEmpty()) {
        refused(problem);
        return false;
    }
    const QString path = diagnosticsPath(fileName);
    QString error;
    if (!writeFileAtomically(path, bytes, &error)) {
        refused(error);
        return false;
    }
    refused({});
    // Readable by its user alone (the folder already keeps others out).
    ::chmod(QFile::encodeName(path).constData(), 0600);
    return true;
}

} // namespace fw
