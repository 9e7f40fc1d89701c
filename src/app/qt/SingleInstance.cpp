// One running copy per user: an flock on a lock file and a local socket beside it in a safe runtime
// folder; a later copy asks the running one to open Getting Started and ends.
#include "app/qt/SingleInstance.h"

#include "base/Log.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fw {

namespace {

const QByteArray reopenMessage = "reopen\n";
const QByteArray acknowledgement = "ok\n";
constexpr int askTimeoutMs = 2000;
const QString lockName = QStringLiteral("framewell.lock");

QString errnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

QString fallbackDirectory() { return QDir::tempPath() + QStringLiteral("/framewell-%1").arg(::geteuid()); }

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
        runtimeFolders_ = dirs_.size() - 1;
    } else {
        dirs_ = {std::move(dir)};
    }
    dir_ = dirs_.front();
}

SingleInstance::~SingleInstance()
{
    if (server_)
        server_->close();
    if (lockFd_ >= 0)
        ::close(lockFd_); // lets the lock go
}

QStringList SingleInstance::defaultDirectories()
{
    QStringList dirs;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir())
        dirs << runtime;
    dirs << fallbackDirectory();
    return dirs;
}

QString SingleInstance::lockPath() const { return dir_ + u'/' + lockName; }

QString SingleInstance::socketPath() const { return dir_ + QStringLiteral("/framewell.socket"); }

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
            listen();
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
    log::error(LogCategory::App, "No folder could take the one-copy lock (%{public}s); this copy runs without it",
               dirs_.join(QStringLiteral(", ")));
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
    // The holder may still be starting: give it the time to listen.
    // Once the request is written the running copy has it, however late it answers: it is
    // never sent twice.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < askTimeoutMs) {
        if (ask(askTimeoutMs - int(waited.elapsed()))) {
            log::info(LogCategory::App, "Framewell already runs (it holds %{public}s); asked it to open again",
                      lockPath());
            return Claim::another;
        }
        QThread::msleep(50);
    }
    log::error(LogCategory::App, "Framewell already runs (it holds %{public}s) but did not answer on %{public}s; ending",
               lockPath(), socketPath());
    return Claim::another;
}

bool SingleInstance::ask(int remainingMs) const
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(askTimeoutMs / 4))
        return false;
    socket.write(reopenMessage);
    if (!socket.waitForBytesWritten(askTimeoutMs / 4))
        return false;
    // Delivered: the acknowledgement is awaited while time remains, but the request stands.
    if (socket.waitForReadyRead(std::max(1, remainingMs)))
        socket.readLine(64);
    return true;
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

void SingleInstance::accept(QLocalSocket* socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (connections_ >= maxConnections) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    ++connections_;
    connect(socket, &QObject::destroyed, this, [this] { --connections_; });
    // Neither Qt's buffer nor ours grows past one message; a client that never finishes one
    // is dropped when its time is up.
    socket->setReadBufferSize(maxMessageBytes + 1);
    auto* idle = new QTimer(socket);
    idle->setSingleShot(true);
    connect(idle, &QTimer::timeout, socket, &QLocalSocket::abort);
    idle->start(idleTimeoutMs);
    auto message = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, message] {
        if (socket->state() != QLocalSocket::ConnectedState)
            return;
        message->append(socket->read(maxMessageBytes + 1 - message->size()));
        const qsizetype end = message->indexOf('\n');
        if (end < 0) {
            if (message->size() > maxMessageBytes)
                socket->abort();
            return;
        }
        const bool reopen = message->left(end + 1) == reopenMessage;
        socket->write(acknowledgement);
        socket->flush();
        socket->disconnectFromServer();
        if (reopen && onReopen)
            onReopen();
    });
}

} // namespace fw
