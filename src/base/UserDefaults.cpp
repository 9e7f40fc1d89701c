#include "base/UserDefaults.h"

#include "base/AtomicFile.h"
#include "base/Log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fw {

bool UserDefaults::boolValue(const QString& key, bool fallback) const
{
    const auto v = value(key);
    return v && v->isBool() ? v->toBool() : fallback;
}

QString UserDefaults::stringValue(const QString& key, const QString& fallback) const
{
    const auto v = value(key);
    return v && v->isString() ? v->toString() : fallback;
}

// MARK: - MemoryDefaults

std::optional<QJsonValue> MemoryDefaults::value(const QString& key) const
{
    auto it = values_.find(key);
    if (it == values_.end())
        return std::nullopt;
    return it->second;
}

void MemoryDefaults::setValue(const QString& key, const QJsonValue& value)
{
    if (value.isUndefined()) {
        remove(key);
        return;
    }
    values_[key] = value;
    writeLog_.push_back({key, value});
}

void MemoryDefaults::remove(const QString& key)
{
    values_.erase(key);
    writeLog_.push_back({key, std::nullopt});
}

QStringList MemoryDefaults::keys() const
{
    QStringList list;
    for (const auto& [k, v] : values_)
        list << k;
    return list;
}

// MARK: - FileDefaults

namespace {

QString errnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

// What a look at the defaults path found: nothing there, the file's bytes, or why it cannot
// be read.
struct DefaultsFile {
    bool absent = false;
    QByteArray data;
    QString problem;
};

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

// Why a file of this status is not read, or nothing when it may be.
QString refusal(const struct stat& st)
{
    if (!S_ISREG(st.st_mode))
        return kindOf(st.st_mode);
    if (st.st_size > FileDefaults::maxFileBytes)
        return QStringLiteral("it is larger than %1 bytes").arg(FileDefaults::maxFileBytes);
    return {};
}

// Reads the file only when it is a regular file of at most maxFileBytes: a FIFO, a device, a
// link to one or a huge file is refused from its status before it is opened, and the opened
// file is checked again (the path may have changed in between). The open never blocks and
// the read never goes past the bound.
DefaultsFile readDefaultsFile(const QString& path)
{
    DefaultsFile result;
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0) {
        result.absent = errno == ENOENT; // first run
        result.problem = errnoText(errno);
        return result;
    }
    // A link is followed (dotfile managers link config files), to a regular file only.
    if (S_ISLNK(st.st_mode) && ::stat(name.constData(), &st) != 0) {
        result.problem = QStringLiteral("it is a link to nothing readable (%1)").arg(errnoText(errno));
        return result;
    }
    result.problem = refusal(st);
    if (!result.problem.isEmpty())
        return result;

    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        result.problem = errnoText(errno);
        return result;
    }
    result.problem = ::fstat(fd, &st) != 0 ? errnoText(errno) : refusal(st);
    if (result.problem.isEmpty())
        result.data.reserve(qsizetype(st.st_size));
    // Stops one chunk past the bound at most, for a file that grew since its status was read.
    char chunk[65536];
    while (result.problem.isEmpty()) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            result.problem = errnoText(errno);
        if (n <= 0)
            break;
        result.data.append(chunk, n);
        if (result.data.size() > FileDefaults::maxFileBytes)
            result.problem = QStringLiteral("it is larger than %1 bytes").arg(FileDefaults::maxFileBytes);
    }
    ::close(fd);
    return result;
}

} // namespace

FileDefaults::FileDefaults(QString path) : path_(path.isEmpty() ? defaultPath() : std::move(path))
{
    load();
}

QString FileDefaults::defaultPath()
{
    // XDG: only an absolute XDG_CONFIG_HOME counts; otherwise ~/.config.
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(base + QStringLiteral("/framewell/defaults.json"));
}

void FileDefaults::load()
{
    values_.clear();
    const DefaultsFile file = readDefaultsFile(path_);
    if (file.absent)
        return;

    QString problem = file.problem;
    QJsonObject object;
    if (problem.isEmpty()) {
        QJsonParseError parseError{};
        const QJsonDocument doc = QJsonDocument::fromJson(file.data, &parseError);
        if (parseError.error != QJsonParseError::NoError)
            problem = QStringLiteral("%1 at offset %2").arg(parseError.errorString()).arg(parseError.offset);
        else if (!doc.isObject())
            problem = QStringLiteral("not a JSON object");
        else
            object = doc.object();
    }
    if (problem.isEmpty()) {
        for (auto it = object.begin(); it != object.end(); ++it)
            values_[it.key()] = it.value();
        return;
    }

    // Keep what we cannot read for the user to inspect; start empty.
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString aside = path_ + QStringLiteral(".corrupt-") + stamp;
    for (int n = 1; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = path_ + QStringLiteral(".corrupt-") + stamp + QLatin1Char('-') + QString::number(n);
    const int renamed = std::rename(QFile::encodeName(path_).constData(), QFile::encodeName(aside).constData());
    const int renameError = errno;
    if (renamed == 0) {
        movedAside_ = aside;
        log::error(LogCategory::App, "Unreadable defaults file %{public}s (%{public}s) moved to %{public}s; starting with empty defaults",
            path_, problem, aside);
    } else {
        // It cannot be moved, so it must not be replaced either: keep changes in memory only.
        writeBlocked_ = true;
        lastWriteOk_ = false;
        log::error(LogCategory::App, "Unreadable defaults file %{public}s (%{public}s) could not be moved aside (%{public}s); changes will not be saved",
            path_, problem, errnoText(renameError));
    }
}

void FileDefaults::save()
{
    if (writeBlocked_) {
        lastWriteOk_ = false;
        return;
    }
    QJsonObject object;
    for (const auto& [k, v] : values_)
        object.insert(k, v);
    const QByteArray data = QJsonDocument(object).toJson(QJsonDocument::Indented);
    QString error;
    // A file over the bound would be refused at the next start: keep it in memory instead.
    if (data.size() > maxFileBytes)
        error = QStringLiteral("the defaults would take %1 bytes, more than %2").arg(data.size()).arg(maxFileBytes);
    lastWriteOk_ = error.isEmpty() && writeFileAtomically(path_, data, &error);
    if (!lastWriteOk_)
        log::error(LogCategory::App, "Defaults not saved: %{public}s", error);
}

std::optional<QJsonValue> FileDefaults::value(const QString& key) const
{
    auto it = values_.find(key);
    if (it == values_.end())
        return std::nullopt;
    return it->second;
}

void FileDefaults::setValue(const QString& key, const QJsonValue& value)
{
    if (value.isUndefined()) {
        remove(key);
        return;
    }
    // A value that is already stored (and was written) costs no write: the launch sets a few
    // every time, and each write waits for the disk.
    const auto it = values_.find(key);
    if (it != values_.end() && it->second == value && lastWriteOk_)
        return;
    values_[key] = value;
    save();
}

void FileDefaults::remove(const QString& key)
{
    if (!values_.contains(key) && lastWriteOk_)
        return;
    values_.erase(key);
    save();
}

QStringList FileDefaults::keys() const
{
    QStringList list;
    for (const auto& [k, v] : values_)
        list << k;
    return list;
}

} // namespace fw
