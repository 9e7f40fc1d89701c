#include "app/qt/SingleInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <algorithm>

#include <unistd.h>

namespace fw {

namespace {

const QByteArray reopenMessage = "reopen\n";
const QByteArray acknowledgement = "ok\n";
constexpr int askTimeoutMs = 2000;

} // namespace

SingleInstance::SingleInstance(QString dir) : dir_(dir.isEmpty() ? defaultDirectory() : std::move(dir)) {}

SingleInstance::~SingleInstance()
{
    if (server_)
        server_->close();
}

QString SingleInstance::defaultDirectory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QDir(runtime).exists())
        return runtime;
    return QDir::tempPath() + QStringLiteral("/framewell-%1").arg(::getuid());
}

QString SingleInstance::lockPath() const { return dir_ + QStringLiteral("/framewell.lock"); }

QString SingleInstance::socketPath() const { return dir_ + QStringLiteral("/framewell.socket"); }

SingleInstance::Claim SingleInstance::claim()
{
    if (!QDir().mkpath(dir_))
        return Claim::failed;
    QFile::setPermissions(dir_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    lock_ = std::make_unique<QLockFile>(lockPath());
    // Only a lock whose process has ended is stale, however old it is.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0))
        return listen() ? Claim::first : Claim::failed;
    if (lock_->error() != QLockFile::LockFailedError)
        return Claim::failed;
    // The holder may still be starting: give it the time to listen.
    // Once the request is written the running copy has it, however late it answers: it is
    // never sent twice.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < askTimeoutMs) {
        if (askRunningCopy(askTimeoutMs - int(waited.elapsed())))
            return Claim::another;
        QThread::msleep(50);
    }
    return Claim::another;
}

bool SingleInstance::listen()
{
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(socketPath());
    if (!server_->listen(socketPath()))
        return false;
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine())
                    return;
                const QByteArray line = socket->readLine(64);
                socket->write(acknowledgement);
                socket->flush();
                socket->disconnectFromServer();
                if (line == reopenMessage && onReopen)
                    onReopen();
            });
        }
    });
    return true;
}

bool SingleInstance::askRunningCopy(int remainingMs) const
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

} // namespace fw
