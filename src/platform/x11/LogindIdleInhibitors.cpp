// Idle inhibitors from systemd-logind (LogindIdleInhibitors.h): whether another process holds
// a blocking idle lock, asked on the system bus with a bounded wait.
#include "platform/x11/LogindIdleInhibitors.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QVariant>

#include <atomic>
#include <unistd.h>
#include <vector>

namespace fw {

namespace {
std::atomic<int> connectionCount{0};
} // namespace

QDBusArgument& operator<<(QDBusArgument& arg, const InhibitorLock& lock)
{
    arg.beginStructure();
    arg << lock.what << lock.who << lock.why << lock.mode << lock.uid << lock.pid;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, InhibitorLock& lock)
{
    arg.beginStructure();
    arg >> lock.what >> lock.who >> lock.why >> lock.mode >> lock.uid >> lock.pid;
    arg.endStructure();
    return arg;
}

bool keepsDisplayAwake(const std::vector<InhibitorLock>& locks, unsigned ownPid)
{
    for (const InhibitorLock& lock : locks) {
        if (lock.pid == ownPid || lock.mode != QLatin1String("block"))
            continue;
        if (lock.what.split(QLatin1Char(':')).contains(QLatin1String("idle")))
            return true;
    }
    return false;
}

LogindIdleInhibitors::LogindIdleInhibitors(const QString& busAddress)
{
    connectionName_ = QStringLiteral("framewell-logind-%1").arg(++connectionCount);
    if (busAddress.isEmpty())
        QDBusConnection::connectToBus(QDBusConnection::SystemBus, connectionName_);
    else
        QDBusConnection::connectToBus(busAddress, connectionName_);
}

LogindIdleInhibitors::~LogindIdleInhibitors()
{
    QDBusConnection::disconnectFromBus(connectionName_);
}

bool LogindIdleInhibitors::otherAppKeepsDisplayAwake()
{
    QDBusConnection bus(connectionName_);
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("ListInhibitors"));
    const QDBusMessage answer = bus.call(call, QDBus::Block, timeoutMs_);
    if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().isEmpty())
        return false;
    const QVariant value = answer.arguments().constFirst();
    if (!value.canConvert<QDBusArgument>())
        return false;
    const QDBusArgument arg = value.value<QDBusArgument>();
    if (arg.currentSignature() != QLatin1String("a(ssssuu)"))
        return false;
    std::vector<InhibitorLock> locks;
    arg.beginArray();
    while (!arg.atEnd()) {
        InhibitorLock lock;
        arg >> lock;
        locks.push_back(lock);
    }
    arg.endArray();
    return keepsDisplayAwake(locks, unsigned(::getpid()));
}

} // namespace fw
