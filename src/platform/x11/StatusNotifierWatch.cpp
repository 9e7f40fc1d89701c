// Finds a StatusNotifier host on the session bus with asynchronous calls only: the bus reached
// on a thread of its own, the watcher's presence asked of the bus, its host asked of the watcher.
#include "platform/x11/StatusNotifierWatch.h"

#include "platform/x11/SessionBus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QTimer>

#include <thread>

namespace fw {

namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");
// Slow answers after which the watcher is left alone until it restarts or a host registers.
constexpr int kSlowAnswersKept = 6;
// How long the bus itself may take to say whether the watcher runs.
constexpr int kBusTimeoutMs = 5000;

} // namespace

StatusNotifierWatch::StatusNotifierWatch(std::function<void()> changed) : changed_(std::move(changed)) {}

StatusNotifierWatch::~StatusNotifierWatch() { *alive_ = false; }

void StatusNotifierWatch::start()
{
    if (std::exchange(started_, true))
        return;
    // No bus to reach: settled at once, so that the tray is joined while the program starts
    // rather than in the middle of the user's first gesture.
    if (!sessionBusKnown()) {
        connected(false);
        return;
    }
    // Reaching the bus may take seconds (a bus launched for the session); the answer comes
    // back to this thread, and nothing here waits for it.
    std::thread([alive = alive_, self = this] {
        const bool reached = QDBusConnection::sessionBus().isConnected();
        if (QCoreApplication* app = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(app, [alive, self, reached] {
                if (*alive)
                    self->connected(reached);
            }, Qt::QueuedConnection);
        }
    }).detach();
}

void StatusNotifierWatch::connected(bool reached)
{
    reached_ = reached;
    if (!reached) {
        set(true, false);
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    auto* services = new QDBusServiceWatcher(watcherService, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(services, &QDBusServiceWatcher::serviceOwnerChanged, this, &StatusNotifierWatch::watcherAppeared);
    bus.connect(QString(), watcherPath, watcherService, QStringLiteral("StatusNotifierHostRegistered"), this,
                SLOT(hostRegistered()));
    ask();
}

void StatusNotifierWatch::watcherAppeared()
{
    slowAnswers_ = 0;
    ask();
}

void StatusNotifierWatch::hostRegistered()
{
    slowAnswers_ = 0;
    ask();
}

void StatusNotifierWatch::ask()
{
    if (!reached_)
        return;
    if (retry_)
        retry_->stop();
    const int generation = ++asking_;
    // Unsettled until answered: the toolkit's tray is not made meanwhile.
    set(false, host_);
    QDBusMessage hasOwner = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                           QStringLiteral("/org/freedesktop/DBus"),
                                                           QStringLiteral("org.freedesktop.DBus"),
                                                           QStringLiteral("NameHasOwner"));
    hasOwner << watcherService;
    auto* call = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(hasOwner, kBusTimeoutMs), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, call, generation] {
        call->deleteLater();
        if (generation != asking_)
            return;
        const QDBusPendingReply<bool> reply = *call;
        answered(!reply.isError() && reply.value());
    });
}

void StatusNotifierWatch::answered(bool owned)
{
    if (!owned) {
        set(true, false);
        return;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(watcherService, watcherPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << watcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    const int generation = asking_;
    auto* call = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(get, int(kPromptMs.count())), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, call, generation] {
        call->deleteLater();
        if (generation == asking_)
            hostAnswered(call);
    });
}

void StatusNotifierWatch::hostAnswered(QDBusPendingCallWatcher* call)
{
    const QDBusPendingReply<QDBusVariant> reply = *call;
    const QDBusError::ErrorType error = reply.isError() ? reply.error().type() : QDBusError::NoError;
    if (error == QDBusError::NoReply || error == QDBusError::Timeout) {
        // Too slow for the toolkit's synchronous calls: asked again a few times, further apart.
        set(false, false);
        if (++slowAnswers_ > kSlowAnswersKept)
            return;
        if (!retry_) {
            retry_ = std::make_unique<QTimer>();
            retry_->setSingleShot(true);
            connect(retry_.get(), &QTimer::timeout, this, &StatusNotifierWatch::ask);
        }
        retry_->start(kPromptMs * (1 << (slowAnswers_ - 1)));
        return;
    }
    slowAnswers_ = 0;
    set(true, error == QDBusError::NoError && reply.value().variant().toBool());
}

void StatusNotifierWatch::set(bool settled, bool host)
{
    if (settled == settled_ && host == host_)
        return;
    settled_ = settled;
    host_ = host;
    if (changed_)
        changed_();
}

} // namespace fw
