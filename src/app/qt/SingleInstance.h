#pragma once
// One running copy per user. The first copy holds an flock on a lock file and listens on a
// local socket beside it, in $XDG_RUNTIME_DIR, else in <temp>/framewell-<uid>. The kernel lets
// the lock go when its holder ends, whatever the file holds, so a crash never locks out the
// next start. A later copy finds the lock held, asks the running copy to open again (its
// Getting Started window) and ends with status 0; every start that gives up says why in the log.
//
// A folder that is not ours, or that others may write in, is never used. When the runtime
// folder cannot take the lock (full, read-only) the temporary one takes it, and a copy that
// holds a lock also looks there, so the first copy stays the only one. A copy that holds the lock
// but cannot listen still runs, and later copies still end. The socket reads at most
// maxMessageBytes per connection and drops a connection that sends more, stays idle past
// idleTimeoutMs or comes beyond maxConnections.
//
//   SingleInstance instance;
//   if (instance.claim() == SingleInstance::Claim::another) return 0;   // told the first copy
//   instance.onReopen = [&] { delegate.reopen(); };

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;

namespace fw {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Claim {
        first,     // this copy runs and holds the lock
        another,   // another copy holds the lock; it was asked to open again
        failed,    // no folder could take the lock; this copy runs without the guard (logged)
    };

    static constexpr int maxMessageBytes = 256;
    static constexpr int idleTimeoutMs = 2000;
    static constexpr int maxConnections = 8;

    // dir: the one folder for the lock and the socket; the per-user folders when empty.
    explicit SingleInstance(QString dir = {});
    ~SingleInstance() override;

    // $XDG_RUNTIME_DIR (when it names a folder), then <temp>/framewell-<uid>.
    static QStringList defaultDirectories();
    // The folder in use: the one whose lock this copy holds or found held (the first tried
    // before claim()).
    QString directory() const { return dir_; }
    QString lockPath() const;
    QString socketPath() const;

    Claim claim();
    // Called on the main thread when a later copy asks this one to open again.
    std::function<void()> onReopen;

private:
    enum class Lock { taken, held, unusable };
    Lock lockIn(const QString& dir, bool create);
    bool heldElsewhere(const QStringList& later);
    Claim askRunningCopy();
    // Asks the running copy to open again: true once the request is written to it.
    bool ask(int remainingMs) const;
    bool listen();
    void accept(QLocalSocket* socket);

    QStringList dirs_;
    qsizetype runtimeFolders_ = 0;   // how many of dirs_, at the front, are not ours to make
    QString dir_;
    int lockFd_ = -1;
    std::unique_ptr<QLocalServer> server_;
    int connections_ = 0;
};

} // namespace fw
