// The idle inhibitor adapter against a logind stand-in on a private bus (a dbus-daemon started
// here, the stand-in answering from its own thread): only another process's blocking "idle"
// lock keeps the display awake; without a bus the answer is false.
#include "platform/x11/LogindIdleInhibitors.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QList>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

#include <memory>
#include <unistd.h>

Q_DECLARE_METATYPE(fw::InhibitorLock)

namespace fw {
namespace {

// logind's manager object, as far as the adapter uses it.
class FakeLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    QList<InhibitorLock> locks;
public slots:
    QList<InhibitorLock> ListInhibitors() { return locks; }
};

// A private bus with the stand-in on it, served from its own thread (the adapter's call blocks
// the main thread).
struct PrivateBus {
    PrivateBus()
    {
        daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        if (!daemon.waitForStarted(5000) || !daemon.waitForReadyRead(5000))
            return;
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        logind.moveToThread(&thread);
        thread.start();
        QMetaObject::invokeMethod(&logind, [this] {
            auto bus = QDBusConnection::connectToBus(address, QStringLiteral("fake-logind"));
            registered = bus.registerService(QStringLiteral("org.freedesktop.login1"))
                && bus.registerObject(QStringLiteral("/org/freedesktop/login1"), &logind, QDBusConnection::ExportAllSlots);
        }, Qt::BlockingQueuedConnection);
    }
    ~PrivateBus()
    {
        QMetaObject::invokeMethod(&logind, [] { QDBusConnection::disconnectFromBus(QStringLiteral("fake-logind")); },
                                  Qt::BlockingQueuedConnection);
        thread.quit();
        thread.wait();
        daemon.kill();   // the daemon started above, by its pid
        daemon.waitForFinished(2000);
    }
    // Replaces the locks, from the stand-in's thread.
    void setLocks(const QList<InhibitorLock>& locks)
    {
        QMetaObject::invokeMethod(&logind, [this, locks] { logind.locks = locks; }, Qt::BlockingQueuedConnection);
    }

    QProcess daemon;
    QString address;
    QThread thread;
    FakeLogind logind;
    bool registered = false;
};

TEST(IdleInhibitors, OnlyAnotherProcesssBlockingIdleLockKeepsTheDisplayAwake)
{
    int argc = 1;
    char name[] = "idle-inhibitors";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    qDBusRegisterMetaType<InhibitorLock>();
    qDBusRegisterMetaType<QList<InhibitorLock>>();
    PrivateBus bus;
    ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start (scripts/deps installs it)";
    ASSERT_TRUE(bus.registered);

    LogindIdleInhibitors inhibitors(bus.address);
    EXPECT_FALSE(inhibitors.otherAppKeepsDisplayAwake());   // nobody holds a lock
    const unsigned own = unsigned(::getpid());
    bus.setLocks({{"sleep:shutdown", "Updater", "Installing", "block", 1000, 42},
                  {"idle", "Player", "Video", "delay", 1000, 43},
                  {"idle:sleep", "Framewell", "ours", "block", 1000, own}});
    EXPECT_FALSE(inhibitors.otherAppKeepsDisplayAwake());   // other kinds, a delay, our own
    bus.setLocks({{"sleep:idle", "Player", "Playing a video", "block", 1000, 43}});
    EXPECT_TRUE(inhibitors.otherAppKeepsDisplayAwake());

    // No bus at all.
    LogindIdleInhibitors nowhere(QStringLiteral("unix:path=/nonexistent/framewell-test-bus"));
    EXPECT_FALSE(nowhere.otherAppKeepsDisplayAwake());
}

} // namespace
} // namespace fw

#include "IdleInhibitorsTest.moc"
