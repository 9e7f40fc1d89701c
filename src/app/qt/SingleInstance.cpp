// One running copy per user: an flock on a lock file and a local socket beside it in a safe runtime
// folder, both made again when removed; a later copy asks the running one to open Getting Started,
// waits for its answer and ends.
#include "app/qt/SingleInstance.h"

#include "base/Log.h"
#include "base/XdgDirs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fw {

namespace {

const QByteArray reopenMessage = "reopen\n";
const QByteArray acknowledgement = "ok\n";
constexpr int connectTimeoutMs = 500;
const QString lockName = QStringLiteral("framewell.lock");
const QString socketName = QStringLiteral("framewell.socket");

QString errnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

QString fallbackDirectory() { return temporaryFolder() + QStringLiteral("/framewell-%1").arg(::geteuid()); }

// A folder in the user's own state folder, which no other user can make first: the last resort
// when the temporary one is taken. Named after the machine, for a home shared between machines
// (each runs its own copy).
QString homeDirectory()
{
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    QString name = QString::fromLocal8Bit(host);
    name.removeIf([](QChar c) { return !c.isLetterOrNumber() && c != u'-' && c != u'.'; });
    // Short: the socket's whole path must stay within the 107 bytes a local socket takes.
    return xdgStateHome() + QStringLiteral("/framewell/run-") + (name.isEmpty() ? QStringLiteral("here") : name.left(24));
}

// Why a folder may not hold the lock and the socket, or nothing when it may: it must be a
// folder of ours that nobody else may write in, or anyone could plant a lock or a socket
// there and keep us from starting. With `make`, a missing folder is made first (0700), and a
// link in its place is refused (it sits in a folder others share).
QString folderProblem(const QString& dir, bool make)
{
    const QByteArray name = QFile::encodeName(dir);
    if (make && !QDir().mkpath(QFileInfo(dir).absolutePath()))
        return QStringLiteral("its parent folder cannot be made");
    if (make && ::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return QStringLiteral("it cannot be made (%1)").arg(errnoText(errno));
    struct stat st {};
    if ((make ? ::lstat(name.constData(), &st) : ::stat(name.constData(), &st)) != 0)
        return errnoText(errno);
    if (!S_ISDIR(st.st_mode))
        return QStringLiteral("it is not a folder");
    if (st.st_uid != ::geteuid())
        return QStringLiteral("it belongs to another user (%1)").arg(st.st_uid);
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return QStringLiteral("others may write in it (mode %1)").arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'));
    return {};
}

enum class LockResult { taken, held, missing, unusable };

// Opens the lock file (made when missing and `create`) and tries its lock without waiting.
// Whatever the file holds does not matter; a directory in its place is locked as it stands. A
// link there is refused. On `taken`, fd is the open, locked file.
LockResult tryLock(const QString& path, bool create, int& fd, QString& problem)
{
    const QByteArray name = QFile::encodeName(path);
    fd = ::open(name.constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
    if (fd < 0 && errno == EISDIR)
        fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        problem = errnoText(errno);
        return errno == ENOENT && !create ? LockResult::missing : LockResult::unusable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return LockResult::taken;
    const int err = errno;
    ::close(fd);
    fd = -1;
    problem = errnoText(err);
    return err == EWOULDBLOCK ? LockResult::held : LockResult::unusable;
}

} // namespace

SingleInstance::SingleInstance(QString dir)
{
    if (dir.isEmpty()) {
        dirs_ = defaultDirectories();
        // $XDG_RUNTIME_DIR is taken as it stands; the other folders are ours to make.
        runtimeFolders_ = dirs_.size() - 2;
    } else {
        dirs_ = {std::move(dir)};
    }
    dir_ = dirs_.front();
}

SingleInstance::~SingleInstance()
{
    watch_.reset();
    if (watchFd_ >= 0)
        ::close(watchFd_);
    if (server_)
        server_->close();
    if (lockFd_ >= 0)
        ::close(lockFd_); // lets the lock go
    if (shortFd_ >= 0)
        ::close(shortFd_);
}

QStringList SingleInstance::defaultDirectories()
{
    QStringList dirs;
    const QString runtime = environmentPath("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir())
        dirs << runtime;
    dirs << fallbackDirectory() << homeDirectory();
    return dirs;
}

QString SingleInstance::lockPath() const { return dir_ + u'/' + lockName; }

QString SingleInstance::socketPath() const
{
    const QString path = dir_ + u'/' + socketName;
    constexpr qsizetype kAddressBytes = 107;
    if (QFile::encodeName(path).size() <= kAddressBytes)
        return path;
    // A long home: the same file reached through a descriptor of its folder, which the kernel
    // resolves when the socket is bound or connected to.
    if (shortDir_ != dir_) {
        if (shortFd_ >= 0)
            ::close(shortFd_);
        shortFd_ = ::open(QFile::encodeName(dir_).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        shortDir_ = dir_;
    }
    if (shortFd_ < 0)
        return path;
    return QStringLiteral("/proc/self/fd/%1/").arg(shortFd_) + socketName;
}

SingleInstance::Claim SingleInstance::claim()
{
    for (qsizetype i = 0; i < dirs_.size(); ++i) {
        const QString& dir = dirs_[i];
        if (const QString problem = folderProblem(dir, i >= runtimeFolders_); !problem.isEmpty()) {
            log::error(LogCategory::App, "Folder %{public}s not used for the one-copy lock: %{public}s", dir, problem);
            continue;
        }
        int fd = -1;
        QString problem;
        switch (tryLock(dir + u'/' + lockName, true, fd, problem)) {
        case LockResult::taken:
            dir_ = dir;
            lockFd_ = fd;
            // A copy that found this folder unusable when it started holds a later one.
            if (heldElsewhere(dirs_.mid(i + 1))) {
                ::close(std::exchange(lockFd_, -1));
                return askRunningCopy();
            }
            // A copy whose lock file was removed still listens: it runs, not us. The lock file
            // goes again, so that the running copy, told by its folder, takes it back.
            if (copyListens()) {
                ::unlink(QFile::encodeName(lockPath()).constData());
                ::close(std::exchange(lockFd_, -1));
                log::info(LogCategory::App, "Framewell already runs without its lock file; it answers on %{public}s",
                          socketPath());
                return askRunningCopy();
            }
            listen();
            watchFolder();
            return Claim::first;
        case LockResult::held:
            dir_ = dir;
            return askRunningCopy();
        case LockResult::missing:
        case LockResult::unusable:
            log::error(LogCategory::App, "One-copy lock %{public}s cannot be used: %{public}s", dir + u'/' + lockName,
                       problem);
            break;
        }
    }
    log::error(LogCategory::App, "No folder could take the one-copy lock (%{public}s); this copy does not start, "
               "so that two copies never run", dirs_.join(QStringLiteral(", ")));
    return Claim::failed;
}

bool SingleInstance::heldElsewhere(const QStringList& later)
{
    for (const QString& dir : later) {
        if (!folderProblem(dir, false).isEmpty())
            continue;
        int fd = -1;
        QString problem;
        const LockResult result = tryLock(dir + u'/' + lockName, false, fd, problem);
        if (fd >= 0)
            ::close(fd);
        if (result == LockResult::held) {
            dir_ = dir;
            return true;
        }
    }
    return false;
}

SingleInstance::Claim SingleInstance::askRunningCopy()
{
    // The holder may still be starting: it is given the time to listen. A request it has read
    // is never sent twice, however late its answer.
    QElapsedTimer waited;
    waited.start();
    const qint64 deadline = answerTimeoutMs;
    Answer answer = Answer::unreachable;
    while (waited.elapsed() < deadline) {
        answer = ask(deadline - waited.elapsed());
        if (answer == Answer::ok) {
            log::info(LogCategory::App, "Framewell already runs (it holds %{public}s); asked it to open again",
                      lockPath());
            return Claim::another;
        }
        if (answer == Answer::silent)
            break;
        QThread::msleep(50);
    }
    log::error(LogCategory::App,
               "Framewell already runs (it holds %{public}s) but did not answer on %{public}s within %{public}s ms; "
               "this copy ends without its answer",
               lockPath(), socketPath(), QString::number(answerTimeoutMs));
    return Claim::unanswered;
}

SingleInstance::Answer SingleInstance::ask(qint64 remainingMs) const
{
    QElapsedTimer waited;
    waited.start();
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(connectTimeoutMs))
        return Answer::unreachable;
    socket.write(reopenMessage);
    if (!socket.waitForBytesWritten(connectTimeoutMs))
        return Answer::unreachable;
    while (!socket.canReadLine()) {
        const qint64 left = remainingMs - waited.elapsed();
        if (socket.state() != QLocalSocket::ConnectedState || left <= 0)
            break;
        socket.waitForReadyRead(int(left));
    }
    if (socket.canReadLine())
        return socket.readLine(64) == acknowledgement ? Answer::ok : Answer::silent;
    // Closed before an answer: the copy made room for others before it read the request.
    return socket.state() == QLocalSocket::ConnectedState ? Answer::silent : Answer::dropped;
}

bool SingleInstance::copyListens() const
{
    struct stat st {};
    if (::lstat(QFile::encodeName(socketPath()).constData(), &st) != 0 || !S_ISSOCK(st.st_mode))
        return false;
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    return socket.waitForConnected(connectTimeoutMs);
}

bool SingleInstance::listen()
{
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->setMaxPendingConnections(maxConnections);
    // Ours to replace: this copy holds the lock, so whatever is there was left by another.
    QLocalServer::removeServer(socketPath());
    if (!server_->listen(socketPath())) {
        log::error(LogCategory::App, "Cannot listen on %{public}s (%{public}s): later copies end without reaching this one",
                   socketPath(), server_->errorString());
        server_.reset();
        return false;
    }
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection())
            accept(socket);
    });
    return true;
}

void SingleInstance::watchFolder()
{
    // Removals and renames in the folder only: the lock file or the socket may be among them.
    watchFd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watchFd_ < 0 || ::inotify_add_watch(watchFd_, QFile::encodeName(dir_).constData(),
                                            IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO) < 0) {
        log::error(LogCategory::App, "Cannot watch %{public}s (%{public}s): a removed lock file is made again only "
                   "when a later copy asks", dir_, errnoText(errno));
        return;
    }
    watch_ = std::make_unique<QSocketNotifier>(watchFd_, QSocketNotifier::Read);
    connect(watch_.get(), &QSocketNotifier::activated, this, [this] {
        alignas(inotify_event) char events[4096];
        while (::read(watchFd_, events, sizeof events) > 0) {
        }
        keepLockAndSocket();
    });
}

void SingleInstance::keepLockAndSocket()
{
    if (lockFd_ < 0)
        return;
    struct stat held {}, there {};
    const QByteArray lock = QFile::encodeName(lockPath());
    const bool same = ::fstat(lockFd_, &held) == 0 && ::lstat(lock.constData(), &there) == 0
        && held.st_dev == there.st_dev && held.st_ino == there.st_ino;
    if (!same) {
        int fd = -1;
        QString problem;
        if (tryLock(lockPath(), true, fd, problem) == LockResult::taken) {
            ::close(std::exchange(lockFd_, fd));
            log::info(LogCategory::App, "The one-copy lock %{public}s was gone; made it again", lockPath());
        } else {
            // A later copy that has just made it asks us on the socket, ends and removes it.
            log::info(LogCategory::App, "The one-copy lock %{public}s was gone and cannot be taken again yet: %{public}s",
                      lockPath(), problem);
        }
    }
    struct stat st {};
    if (server_ && ::lstat(QFile::encodeName(socketPath()).constData(), &st) != 0) {
        log::info(LogCategory::App, "The socket %{public}s was gone; listening again", socketPath());
        server_.reset();
        listen();
    }
}

void SingleInstance::accept(QLocalSocket* socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    std::erase_if(clients_, [](const Client& c) { return !c.socket || c.socket->state() != QLocalSocket::ConnectedState; });
    if (clients_.size() >= std::size_t(maxConnections))
        makeRoom();
    // Neither Qt's buffer nor ours grows past one message; a client that never finishes one
    // is dropped when its time is up.
    socket->setReadBufferSize(maxMessageBytes + 1);
    auto* idle = new QTimer(socket);
    idle->setSingleShot(true);
    connect(idle, &QTimer::timeout, socket, &QLocalSocket::abort);
    idle->start(idleTimeoutMs);
    auto message = std::make_shared<QByteArray>();
    clients_.push_back({socket, message});
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, message] { serve(socket, *message); });
}

void SingleInstance::makeRoom()
{
    // What has been sent is no longer idle: read it now (a request is served on the spot).
    for (const Client& c : std::deque<Client>(clients_)) {
        if (c.socket && c.socket->state() == QLocalSocket::ConnectedState)
            c.socket->waitForReadyRead(0);
    }
    std::erase_if(clients_, [](const Client& c) { return !c.socket || c.socket->state() != QLocalSocket::ConnectedState; });
    if (clients_.size() < std::size_t(maxConnections))
        return;
    // The oldest that has said nothing goes, else the oldest; never the one that just came.
    auto it = std::find_if(clients_.begin(), clients_.end(), [](const Client& c) { return c.message->isEmpty(); });
    if (it == clients_.end())
        it = clients_.begin();
    const QPointer<QLocalSocket> dropped = it->socket;
    clients_.erase(it);
    if (dropped)
        dropped->abort();
}

void SingleInstance::serve(QLocalSocket* socket, QByteArray& message)
{
    if (socket->state() != QLocalSocket::ConnectedState)
        return;
    message.append(socket->read(maxMessageBytes + 1 - message.size()));
    const qsizetype end = message.indexOf('\n');
    if (end < 0) {
        if (message.size() > maxMessageBytes)
            socket->abort();
        return;
    }
    const bool reopen = message.left(end + 1) == reopenMessage;
    socket->write(acknowledgement);
    socket->flush();
    socket->disconnectFromServer();
    if (reopen) {
        keepLockAndSocket();
        if (onReopen)
            onReopen();
    }
}

} // namespace fw
