// The idle inhibitor adapter against a logind stand-in on a private bus (a dbus-daemon started
// here, the stand-in answering from its own thread): only another process's blocking "idle"
// lock keeps the display awake; a query never waits for logind; without a bus the answer is false.
#include "platform/x11/LogindIdleInhibitors.h"
#include "x11/XSession.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QList>
#include <QDeadlineTimer>
#include <QProcess>
#include <QSemaphore>
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
    // While held, an answer waits until the test lets it go.
    bool held = false;
    QSemaphore release;
public slots:
    QList<InhibitorLock> ListInhibitors()
    {
        if (held)
            release.acquire();
        return locks;
    }
};

// A private bus with the stand-in on it, served from its own thread, which it may keep from
// answering.
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
    void hold(bool held)
    {
        QMetaObject::invokeMethod(&logind, [this, held] { logind.held = held; }, Qt::BlockingQueuedConnection);
    }

    QProcess daemon;
    QString address;
    QThread thread;
    FakeLogind logind;
    bool registered = false;
};

TEST(IdleInhibitors, OnlyAnotherProcesssBlockingIdleLockKeepsTheDisplayAwake)
{
    if (const auto why = test::XSession::defaultRunOnlySkip("it starts no X server, so no window manager takes part"))
        GTEST_SKIP() << *why;
    int argc = 1;
    char name[] = "idle-inhibitors";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    qDBusRegisterMetaType<InhibitorLock>();
    qDBusRegisterMetaType<QList<InhibitorLock>>();
    PrivateBus bus;
    ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start (scripts/deps installs it)";
    ASSERT_TRUE(bus.registered);

    // Waits, within a bound, for an answer after the `before`th.
    const auto answeredSince = [](LogindIdleInhibitors& inhibitors, int before) {
        const QDeadlineTimer deadline(5000);
        while (inhibitors.answers() <= before && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return inhibitors.answers() > before;
    };
    // What logind says now: a question still out may have been asked before the locks changed,
    // so its answer is taken and one more asked.
    const auto fresh = [&](LogindIdleInhibitors& inhibitors) {
        for (int round = 0; round < 2; ++round) {
            const int before = inhibitors.answers();
            inhibitors.otherAppKeepsDisplayAwake();
            EXPECT_TRUE(answeredSince(inhibitors, before)) << "logind's answer never came";
        }
        return inhibitors.otherAppKeepsDisplayAwake();
    };

    LogindIdleInhibitors inhibitors(bus.address);
    ASSERT_TRUE(answeredSince(inhibitors, 0)) << "the first question is asked once the bus is reached";
    EXPECT_FALSE(inhibitors.otherAppKeepsDisplayAwake());   // nobody holds a lock
    const unsigned own = unsigned(::getpid());
    bus.setLocks({{"sleep:idle", "Player", "Playing a video", "block", 1000, 43}});
    EXPECT_TRUE(fresh(inhibitors));
    bus.setLocks({{"sleep:shutdown", "Updater", "Installing", "block", 1000, 42},
                  {"idle", "Player", "Video", "delay", 1000, 43},
                  {"idle:sleep", "Framewell", "ours", "block", 1000, own}});
    EXPECT_FALSE(fresh(inhibitors));   // other kinds, a delay, our own

    // A logind that does not answer holds nobody up: queries say what it said last.
    ASSERT_TRUE(answeredSince(inhibitors, inhibitors.answers()));   // the question fresh() left out
    const int settled = inhibitors.answers();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_EQ(inhibitors.answers(), settled) << "a question is still out";
    bus.hold(true);
    bus.setLocks({{"idle", "Player", "Video", "block", 1000, 43}});
    EXPECT_FALSE(inhibitors.otherAppKeepsDisplayAwake());   // asks, and does not wait
    EXPECT_FALSE(inhibitors.otherAppKeepsDisplayAwake());   // one question at a time
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(inhibitors.answers(), settled);
    bus.logind.release.release();
    EXPECT_TRUE(answeredSince(inhibitors, settled));
    bus.hold(false);
    EXPECT_TRUE(inhibitors.otherAppKeepsDisplayAwake());

    // No bus at all.
    LogindIdleInhibitors nowhere(QStringLiteral("unix:path=/nonexistent/framewell-test-bus"));
    EXPECT_TRUE(answeredSince(nowhere, 0));
    EXPECT_FALSE(nowhere.otherAppKeepsDisplayAwake());
}

} // namespace
} // namespace fw

#include "IdleInhibitorsTest.moc"
