#pragma once
// One running copy per user. The first copy holds an flock on a lock file and listens on a
// local socket beside it, in $XDG_RUNTIME_DIR, else in <temp>/framewell-<uid>, else in
// $XDG_STATE_HOME/framewell/run-<host> (a folder no other user can make first). The kernel lets
// the lock go when its holder ends, whatever the file holds, so a crash never locks out the
// next start. A later copy finds the lock held, asks the running copy to open again (its
// Getting Started window) and waits, bounded, for its "ok": answered, it ends with status 0;
// unanswered, it says so and ends with a failure. Every start that gives up says why in the log.
//
// The lock file alone is not trusted: before a copy claims a lock it asks the socket, and a copy
// that answers there runs, lock file or not. A running copy whose lock file or socket is removed
// (a cleaner of temporary folders) makes them again when the folder tells it so (inotify; nothing
// polls), and at every request it serves.
//
// A folder that is not ours, or that others may write in, is never used: another user who made
// <temp>/framewell-<uid> first only moves the lock to the state folder. When a folder cannot
// take the lock (full, read-only) the next one takes it, and a copy that holds a lock also
// looks in the later ones, so the first copy stays the only one. When none can, claim() says
// `failed` and the copy must not start (it could be a second one). A copy that holds the lock
// but cannot listen still runs, and later copies still end. The socket reads at most
// maxMessageBytes per connection and drops a connection that sends more, stays idle past
// idleTimeoutMs; a connection beyond maxConnections makes room by dropping the oldest that has
// said nothing, after every request already sent has been served, and is never dropped itself.
//
//   SingleInstance instance;
//   if (instance.claim() == SingleInstance::Claim::another) return 0;   // the first copy said "ok"
//   instance.onReopen = [&] { delegate.reopen(); };

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QSocketNotifier;

namespace fw {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Claim {
        first,     // this copy runs and holds the lock
        another,   // another copy runs; it was asked to open again and said "ok"
        unanswered,  // another copy holds the lock but did not answer in time (logged)
        failed,    // no folder could take the lock; this copy must not start (logged)
    };

    static constexpr int maxMessageBytes = 256;
    static constexpr int idleTimeoutMs = 2000;
    static constexpr int maxConnections = 8;
    // How long a later copy waits in all to reach the running copy and get its "ok".
    static constexpr int answerTimeoutMs = 5000;

    // dir: the one folder for the lock and the socket; the per-user folders when empty.
    explicit SingleInstance(QString dir = {});
    ~SingleInstance() override;

    // $XDG_RUNTIME_DIR (when it names a folder), <temp>/framewell-<uid>, then
    // $XDG_STATE_HOME/framewell/run-<host>.
    static QStringList defaultDirectories();
    // The folder in use: the one whose lock this copy holds or found held (the first tried
    // before claim()).
    QString directory() const { return dir_; }
    QString lockPath() const;
    // The socket's path, or one to the same file through /proc/self/fd when the folder's path
    // is too long for a local socket's address (107 bytes).
    QString socketPath() const;

    Claim claim();
    // Called on the main thread when a later copy asks this one to open again.
    std::function<void()> onReopen;

private:
    enum class Lock { taken, held, unusable };
    Lock lockIn(const QString& dir, bool create);
    bool heldElsewhere(const QStringList& later);
    enum class Answer { ok, silent, dropped, unreachable };
    Claim askRunningCopy();
    // Asks the running copy to open again and waits for its "ok" until the deadline.
    Answer ask(qint64 deadline) const;
    bool copyListens() const;
    bool listen();
    void watchFolder();
    // Makes the lock file and the socket again when they are gone from the folder.
    void keepLockAndSocket();
    void accept(QLocalSocket* socket);
    void makeRoom();
    void serve(QLocalSocket* socket, QByteArray& message);

    struct Client {
        QPointer<QLocalSocket> socket;
        std::shared_ptr<QByteArray> message;
    };
    QStringList dirs_;
    qsizetype runtimeFolders_ = 0;   // how many of dirs_, at the front, are not ours to make
    QString dir_;
    int lockFd_ = -1;
    // The folder opened for a socket path through /proc/self/fd, and which folder it is.
    mutable int shortFd_ = -1;
    mutable QString shortDir_;
    std::unique_ptr<QLocalServer> server_;
    std::deque<Client> clients_;   // served connections, oldest first
    int watchFd_ = -1;
    std::unique_ptr<QSocketNotifier> watch_;
};

} // namespace fw
