// The file-backed user defaults: one JSON object loaded with its bounds, bad files moved aside, and
// every change written back atomically.
#include "base/UserDefaults.h"

#include "base/AtomicFile.h"
#include "base/Log.h"
#include "base/XdgDirs.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <utility>
#include <sys/stat.h>

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

void UserDefaults::setNoticeReport(std::function<void(const QString&)> report)
{
    report_ = std::move(report);
    if (!report_)
        return;
    for (const QString& notice : std::exchange(untold_, {}))
        report_(notice);
    if (!untoldFailure_.isEmpty())
        report_(std::exchange(untoldFailure_, {}));
}

void UserDefaults::saveFailed(const QString& notice)
{
    if (told_)
        return;
    told_ = true;
    if (report_)
        report_(notice);
    else
        untoldFailure_ = notice;
}

void UserDefaults::tell(const QString& notice)
{
    if (report_)
        report_(notice);
    else
        untold_ << notice;
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

// Why a save failed, in a user's words.
QString whyNotSaved(int err)
{
    switch (err) {
    case EROFS:
        return QStringLiteral("its disk is read-only");
    case EACCES:
    case EPERM:
        return QStringLiteral("Framewell may not write there");
    case ENOSPC:
        return QStringLiteral("the disk is full");
    case EFBIG:
        return QStringLiteral("the file would be larger than the system allows");
    case EDQUOT:
        return QStringLiteral("your disk quota is used up");
    case ENOTDIR:
        return QStringLiteral("a file stands in place of its folder");
    case ENOENT:
        return QStringLiteral("the folder it leads to doesn’t exist");
    case EIO:
        return QStringLiteral("the disk reported an error");
    default:
        return QStringLiteral("the system refused (%1)").arg(errnoText(err));
    }
}

// The file's path as the user knows it: "~" for the home folder.
QString shownPath(const QString& path)
{
    const QString home = homeFolder();
    return home.size() > 1 && path.startsWith(home + u'/') ? u'~' + path.mid(home.size()) : path;
}

// What the user is told of a file that could not be read, kept aside: at the start their
// settings are gone from use; later (another program wrote it) ours are written again.
QString movedAsideNotice(const QString& aside, bool atStart)
{
    const QString kept = QStringLiteral("The old file is kept as “%1”.").arg(shownPath(aside));
    if (atStart)
        return QStringLiteral("Your settings couldn’t be read, so Framewell started with fresh settings: your custom "
                              "layouts and shortcuts are not in use. ") + kept;
    return QStringLiteral("Your settings file was changed by another program and couldn’t be read, so Framewell "
                          "wrote its own settings again. ") + kept;
}

QString notSavedNotice(const QString& path, const QString& why)
{
    return QStringLiteral("Settings can’t be saved to “%1”: %2. Changes last until Framewell quits.")
        .arg(shownPath(path), why);
}

// Where a link at the path leads, through every link of a chain, when that file (or, when there
// is none yet, the nearest folder it would be made in) is another user's; nothing for a path
// that is no link, or leads to the user's own. Such a file would be read, and replaced by one of
// this user's, in the other user's place: what a link planted for a program run as root would do.
std::optional<QString> foreignLinkTarget(const QString& path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISLNK(st.st_mode))
        return std::nullopt;
    const QString target = linkChainEnd(path);
    bool found = ::stat(QFile::encodeName(target).constData(), &st) == 0;
    for (QString dir = QFileInfo(target).absolutePath(); !found; dir = QFileInfo(dir).absolutePath()) {
        found = ::stat(QFile::encodeName(dir).constData(), &st) == 0;
        if (!found && (dir == u'/' || dir.isEmpty()))
            return std::nullopt;
    }
    return st.st_uid == ::geteuid() ? std::nullopt : std::optional<QString>(target);
}

// Whether the path is a link (or a chain of them) to a file not made yet: the user's link, made
// before the first run, whose file the first save writes.
bool linkToNothingYet(const QString& path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISLNK(st.st_mode))
        return false;
    return ::lstat(QFile::encodeName(linkChainEnd(path)).constData(), &st) != 0 && errno == ENOENT;
}

// The file as it would be written: compact, keys in order.
QByteArray encoded(const QJsonObject& object) { return QJsonDocument(object).toJson(QJsonDocument::Compact); }

} // namespace

FileDefaults::FileDefaults(QString path) : path_(path.isEmpty() ? defaultPath() : std::move(path))
{
    // What writes cut short by a kill left beside the file, or beside the file a link leads to
    // (the user's own: another user's folder is none of ours to clean).
    const QFileInfo info(path_);
    removeLeftoverTemporaryFiles(info.absolutePath(), info.fileName());
    if (info.isSymLink() && !foreignLinkTarget(path_)) {
        const QFileInfo target(linkChainEnd(path_));
        removeLeftoverTemporaryFiles(target.absolutePath(), target.fileName());
    }
    load();
}

QString FileDefaults::defaultPath()
{
    return QDir::cleanPath(xdgConfigHome() + QStringLiteral("/framewell/defaults.json"));
}

bool FileDefaults::refusedForeignLink(bool atStart)
{
    const auto target = foreignLinkTarget(path_);
    if (!target)
        return false;
    blocked_ = QStringLiteral("it is a link to “%1”, a file of another user’s").arg(shownPath(*target));
    lastWriteOk_ = false;
    openedUnreadable_ = openedUnreadable_ || atStart;
    log::error(LogCategory::App, "Defaults file %{public,path}s is a link to %{public,path}s, which another user owns: "
               "it is neither read nor written", path_, *target);
    saveFailed(QStringLiteral("Your settings file “%1” is a link to “%2”, a file of another user’s, so Framewell neither "
                              "reads nor writes it%3. Changes last until Framewell quits.")
                   .arg(shownPath(path_), shownPath(*target),
                        atStart ? QStringLiteral(": it started with fresh settings") : QString()));
    return true;
}

std::optional<FileDefaults::Contents> FileDefaults::read()
{
    if (refusedForeignLink(!stamp_.exists))
        return std::nullopt;
    const FileRead file = readRegularFile(path_, maxFileBytes);
    if (file.absent() || linkToNothingYet(path_))
        return Contents{};

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
    // What could not be written back would fail every later save: refused like a file too large.
    if (const qsizetype size = problem.isEmpty() ? encoded(object).size() : 0; size > maxFileBytes)
        problem = QStringLiteral("written back it would take %1 bytes, more than %2").arg(size).arg(maxFileBytes);
    if (problem.isEmpty()) {
        Contents contents{{}, file.data};
        for (auto it = object.begin(); it != object.end(); ++it)
            contents.values[it.key()] = it.value();
        return contents;
    }

    // Keep what we cannot read for the user to inspect; start empty.
    const QString aside = freePath(QStringLiteral(".corrupt-"));
    const int renamed = std::rename(QFile::encodeName(path_).constData(), QFile::encodeName(aside).constData());
    const int renameError = errno;
    const bool atStart = !stamp_.exists;
    openedUnreadable_ = openedUnreadable_ || atStart;
    if (renamed == 0) {
        movedAside_ = aside;
        tell(movedAsideNotice(aside, atStart));
        log::error(LogCategory::App, "Unreadable defaults file %{public}s (%{public}s) moved to %{public}s; starting with empty defaults",
            path_, problem, aside);
    } else {
        // It cannot be moved, so it must not be replaced either: keep changes in memory only.
        blocked_ = QStringLiteral("the file there can’t be read or moved aside");
        lastWriteOk_ = false;
        log::error(LogCategory::App, "Unreadable defaults file %{public}s (%{public}s) could not be moved aside (%{public}s); changes will not be saved",
            path_, problem, errnoText(renameError));
    }
    return std::nullopt;
}

FileDefaults::Stamp FileDefaults::stamp() const
{
    struct stat st {};
    if (::stat(QFile::encodeName(path_).constData(), &st) != 0)
        return {};
    return {true, quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
            qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
}

void FileDefaults::load()
{
    values_ = read().value_or(Contents{}).values;
    synced_ = values_;
    stamp_ = stamp();
}

void FileDefaults::takeInOutsideChange()
{
    const Stamp now = stamp();
    if (now == stamp_)
        return;
    stamp_ = now;
    // Removed (a cleaner, a mistake): nothing to take in; our values are written whole again.
    if (!now.exists) {
        log::info(LogCategory::App, "Defaults file %{public}s was removed by another program; it is written again", path_);
        synced_.clear();
        return;
    }
    const auto theirs = read();
    if (!theirs) {
        // Unreadable, it was moved aside (or blocks writes): ours are all there is.
        synced_.clear();
        return;
    }
    // Ours: every key whose value differs from what the file held when we last read or wrote it.
    std::map<QString, QJsonValue> merged = theirs->values;
    QStringList both;
    std::set<QString> keys;
    for (const auto* map : {&values_, &synced_})
        for (const auto& [k, v] : *map)
            keys.insert(k);
    const auto at = [](const std::map<QString, QJsonValue>& m, const QString& k) {
        const auto it = m.find(k);
        return it == m.end() ? std::optional<QJsonValue>() : std::optional<QJsonValue>(it->second);
    };
    for (const QString& k : keys) {
        const auto ours = at(values_, k), before = at(synced_, k), their = at(theirs->values, k);
        if (ours == before)
            continue;
        if (their != before && their != ours)
            both << k;
        if (ours)
            merged[k] = *ours;
        else
            merged.erase(k);
    }
    log::info(LogCategory::App, "Defaults file %{public}s was changed by another program; its changes are taken in", path_);
    if (!both.isEmpty())
        keepAside(theirs->data, both);
    values_ = std::move(merged);
    synced_ = theirs->values;
}

void FileDefaults::keepAside(const QByteArray& data, const QStringList& keys)
{
    const QString aside = freePath(QStringLiteral(".outside-"));
    QString error;
    if (writeFileAtomically(aside, data, &error))
        log::error(LogCategory::App, "Defaults file %{public}s was changed by another program in keys we changed too "
                   "(%{public}s): ours are kept, the other program's file is kept in %{public}s", path_,
                   keys.join(QStringLiteral(", ")), aside);
    else
        log::error(LogCategory::App, "Defaults file %{public}s was changed by another program in keys we changed too "
                   "(%{public}s) and its copy could not be kept (%{public}s)", path_, keys.join(QStringLiteral(", ")), error);
}

QString FileDefaults::freePath(const QString& kind) const
{
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString aside = path_ + kind + stamp;
    for (int n = 1; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = path_ + kind + stamp + QLatin1Char('-') + QString::number(n);
    return aside;
}

void FileDefaults::save()
{
    if (blocked_.isEmpty())
        takeInOutsideChange();
    // Also a link to nothing yet, which no read met: the file would be made where it leads.
    if (blocked_.isEmpty())
        refusedForeignLink(false);
    if (!blocked_.isEmpty()) {
        lastWriteOk_ = false;
        saveFailed(notSavedNotice(path_, blocked_));
        return;
    }
    QJsonObject object;
    for (const auto& [k, v] : values_)
        object.insert(k, v);
    const QByteArray data = encoded(object);
    QString error;
    int err = 0;
    // A file over the bound would be refused at the next start: keep it in memory instead.
    if (data.size() > maxFileBytes)
        error = QStringLiteral("the defaults would take %1 bytes, more than %2").arg(data.size()).arg(maxFileBytes);
    // A link in place of the file (a dotfile manager's) stays; the file it leads to is written.
    lastWriteOk_ = error.isEmpty() && writeFileAtomically(path_, data, &error, LinkAtPath::writeTarget, &err);
    if (!lastWriteOk_) {
        log::error(LogCategory::App, "Defaults not saved: %{public}s", error);
        saveFailed(notSavedNotice(path_, err != 0 ? whyNotSaved(err)
                                                  : QStringLiteral("they would take more than %1 MB").arg(maxFileBytes >> 20)));
        return;
    }
    saveWorked();
    synced_ = values_;
    stamp_ = stamp();
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
