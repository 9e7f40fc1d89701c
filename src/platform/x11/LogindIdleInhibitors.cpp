// Asks systemd-logind over the system bus, without waiting on it, whether another process holds
// a blocking "idle" inhibitor lock, as video players and presentation tools do.
#include "platform/x11/LogindIdleInhibitors.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QVariant>

#include <thread>
#include <unistd.h>

namespace fw {

namespace {
std::atomic<int> connectionCount{0};
// How long logind may take to answer; nobody waits for it meanwhile.
constexpr int kAnswerTimeoutMs = 2000;

// The locks in a ListInhibitors reply; none when the reply is not one.
std::vector<InhibitorLock> locksIn(const QDBusMessage& reply)
{
    std::vector<InhibitorLock> locks;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return locks;
    const QVariant value = reply.arguments().constFirst();
    if (!value.canConvert<QDBusArgument>())
        return locks;
    const QDBusArgument arg = value.value<QDBusArgument>();
    if (arg.currentSignature() != QLatin1String("a(ssssuu)"))
        return locks;
    arg.beginArray();
    while (!arg.atEnd()) {
        InhibitorLock lock;
        arg >> lock;
        locks.push_back(lock);
    }
    arg.endArray();
    return locks;
}
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
    // Reaching a bus waits for its daemon's greeting: done on a thread of its own, the outcome
    // handed back to this one.
    std::thread([alive = alive_, self = this, name = connectionName_, busAddress] {
        const QDBusConnection bus = busAddress.isEmpty()
            ? QDBusConnection::connectToBus(QDBusConnection::SystemBus, name)
            : QDBusConnection::connectToBus(busAddress, name);
        const bool reached = bus.isConnected();
        QCoreApplication* app = QCoreApplication::instance();
        if (!app || !*alive) {
            QDBusConnection::disconnectFromBus(name);
            return;
        }
        QMetaObject::invokeMethod(app, [alive, self, reached] {
            if (*alive)
                self->connected(reached);
        }, Qt::QueuedConnection);
    }).detach();
}

LogindIdleInhibitors::~LogindIdleInhibitors()
{
    *alive_ = false;
    delete asking_;
    QDBusConnection::disconnectFromBus(connectionName_);
}

bool LogindIdleInhibitors::otherAppKeepsDisplayAwake()
{
    ask();
    return awake_;
}

void LogindIdleInhibitors::connected(bool reached)
{
    reached_ = reached;
    if (!reached)
        ++answers_;
    ask();
}

void LogindIdleInhibitors::ask()
{
    if (!reached_ || asking_)
        return;
    QDBusConnection bus(connectionName_);
    const QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("ListInhibitors"));
    asking_ = new QDBusPendingCallWatcher(bus.asyncCall(call, kAnswerTimeoutMs));
    QObject::connect(asking_, &QDBusPendingCallWatcher::finished, asking_,
                     [alive = alive_, self = this](QDBusPendingCallWatcher* done) {
                         done->deleteLater();
                         if (*alive)
                             self->answered(done->reply());
                     });
}

void LogindIdleInhibitors::answered(const QDBusMessage& reply)
{
    asking_ = nullptr;   // deleted once its signal has returned
    awake_ = keepsDisplayAwake(locksIn(reply), unsigned(::getpid()));
    ++answers_;
}

} // namespace fw
