#pragma once
// The user-defaults store: key → JSON value. The file store keeps one compact JSON object in
// $XDG_CONFIG_HOME/framewell/defaults.json and writes it atomically on every change
// (temp file, fsync, rename), and holds nothing else per write; a link at that path (a dotfile
// manager's, or a chain of them) stays, and the file it leads to is written, when that file is
// the user's own, also one not made yet in a folder of the user's (its missing folders are made
// in the home only): a link to a file of another user's (planted for a program run as root) is
// neither read nor written, and the user is told. A file that does not parse, is not a
// regular file (a FIFO, a device, a directory, a link to one), is larger than maxFileBytes or
// would be larger written back is moved aside, never read whole nor overwritten in place, and
// the store starts empty; the user is told at once, in a notice naming the kept copy.
//
// Another program may change the file while we run (a settings sync, a restore, the user's
// editor). Before each write the store compares the file with the one it last read or wrote
// (identity, size, times); when it changed, its contents are taken in first and only the keys we
// changed since are written over them. Where both changed the same key ours is written and
// theirs kept aside in defaults.json.outside-<time> (logged): nothing of the user's is lost.
//
// A save that fails keeps the values in memory, is logged each time, and is told once as a
// notice (see setNoticeReport), again when it fails after having worked. A start removes
// what writes cut short left beside the file.

#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace fw {

class UserDefaults {
public:
    virtual ~UserDefaults() = default;

    virtual std::optional<QJsonValue> value(const QString& key) const = 0;
    virtual void setValue(const QString& key, const QJsonValue& value) = 0;
    virtual void remove(const QString& key) = 0;
    virtual QStringList keys() const = 0;

    // Convenience reads; the fallback when absent or of another type.
    bool boolValue(const QString& key, bool fallback) const;
    QString stringValue(const QString& key, const QString& fallback = {}) const;

    // Where a store that saves tells the user what befell the settings: a save that failed (a
    // notice naming the file and why, once until a save works again) and a file that could not
    // be read, kept aside. What is met before one is set is told when it is set (a failed save
    // unless a save has worked since); an empty function stops the telling.
    void setNoticeReport(std::function<void(const QString&)> report);

    // Whether the store found a settings file it could not read when it opened (a returning
    // user's, kept aside or left untouched), so it started without the user's settings.
    virtual bool openedUnreadableFile() const { return false; }

protected:
    void saveFailed(const QString& notice);
    void saveWorked()
    {
        told_ = false;
        untoldFailure_.clear();
    }
    // Tells the notice now, or when a report is set.
    void tell(const QString& notice);

private:
    std::function<void(const QString&)> report_;
    QString untoldFailure_;
    QStringList untold_;
    bool told_ = false;
};

// Kept in memory only (tests, and the fallback when no file can be written). Keeps every
// write in order, so tests can check which keys an operation writes.
class MemoryDefaults final : public UserDefaults {
public:
    std::optional<QJsonValue> value(const QString& key) const override;
    void setValue(const QString& key, const QJsonValue& value) override;
    void remove(const QString& key) override;
    QStringList keys() const override;

    struct Write {
        QString key;
        std::optional<QJsonValue> value; // nothing for a removal
    };
    const std::vector<Write>& writeLog() const { return writeLog_; }
    void clearWriteLog() { writeLog_.clear(); }

private:
    std::map<QString, QJsonValue> values_;
    std::vector<Write> writeLog_;
};

class FileDefaults final : public UserDefaults {
public:
    // The largest file read, and written: far above what any user's layouts take.
    static constexpr qint64 maxFileBytes = 8 * 1024 * 1024;

    // path: the JSON file; defaultPath() when empty.
    explicit FileDefaults(QString path = {});
    static QString defaultPath();

    std::optional<QJsonValue> value(const QString& key) const override;
    void setValue(const QString& key, const QJsonValue& value) override;
    void remove(const QString& key) override;
    QStringList keys() const override;

    // Where an unreadable file was moved, if it was (for tests and the log).
    QString movedAsidePath() const { return movedAside_; }
    bool openedUnreadableFile() const override { return openedUnreadable_; }
    // False when the last write could not be made durable (the values stay in memory).
    bool lastWriteSucceeded() const { return lastWriteOk_; }

private:
    // What stat says of the file: a change of any of these is a write by someone.
    struct Stamp {
        bool exists = false;
        quint64 device = 0, inode = 0;
        qint64 size = 0, modifiedNs = 0, changedNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    struct Contents {
        std::map<QString, QJsonValue> values;
        QByteArray data;
    };
    // The file's values; nothing when it could not be read (moved aside, or writes blocked).
    std::optional<Contents> read();
    // Refuses a link at the path whose file another user owns; true when it did.
    bool refusedForeignLink(bool atStart);
    Stamp stamp() const;
    void load();
    void takeInOutsideChange();
    void keepAside(const QByteArray& data, const QStringList& keys);
    // path_ + kind + the time, made unique.
    QString freePath(const QString& kind) const;
    void save();
    QString path_;
    std::map<QString, QJsonValue> synced_; // what the file held when last read or written
    Stamp stamp_;
    QString movedAside_;
    bool openedUnreadable_ = false;
    bool lastWriteOk_ = true;
    // Why the file stays untouched, read and written no more (empty: it is not): an unreadable
    // file that could not be moved aside, a link to a file of another user's.
    QString blocked_;
    std::map<QString, QJsonValue> values_;
};

} // namespace fw
