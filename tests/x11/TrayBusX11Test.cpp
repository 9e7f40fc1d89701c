// The program never waits on a tray host, on the real server and a private session bus: a
// StatusNotifier host that calls the program back synchronously the moment its icon registers
// (as LXQt's panel imports a menu), started before the program and after it, is answered at
// once, and so is a host that names the menu's root 20,000 times in one message, with the
// picker answering its key meanwhile; a peer asking for the whole menu 10,000 times a second
// leaves the program's memory and its keys as they were, and the menu still served; a watcher that answers every call 8 s late holds neither
// the start nor the keys, nor the end; and a session without a bus starts at once, its icon in
// the XEmbed tray.
#include "x11/FakeKeys.h"
#include "x11/ProgramSession.h"
#include "x11/StatusNotifierHosts.h"
#include "x11/XSession.h"

#include <QDBusPendingCall>
#include <QDir>
#include <QFile>

#include <unistd.h>

#include <memory>

#include <gtest/gtest.h>

namespace fw {
namespace {

using namespace test;

// The session's xterm, focused, for the place key to act on; whether the place key is free
// for the program (pekwm's stock keys hold it), asked before the program takes it.
xcb_window_t focusedXterm(XSession& session, bool& placeKeyFree)
{
    const XSession::Client term = session.startXterm(u"typist"_qs, {u"-geometry"_qs, u"80x24+300+300"_qs});
    placeKeyFree = keyFree(session, keycode(session, LetterP), XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1);
    return term.window && session.activate(term.window) ? term.window : 0;
}

// Ctrl+Alt+P shows the picker and Escape closes it; true also where the window manager holds
// the key itself, which says nothing about the program.
bool pickerAnswers(XSession& session, bool placeKeyFree)
{
    if (!placeKeyFree)
        return true;
    chord(session, {ControlL, AltL, LetterP});
    if (!session.waitFor([&] { return programWindowShown(session, u"Choose a Layout"_qs); }))
        return false;
    chord(session, {Escape});
    return session.waitFor([&] { return !programWindowShown(session, u"Choose a Layout"_qs); });
}

QDBusMessage callServing(XSession& session, QDBusConnection& bus, const QDBusMessage& call, int timeoutMs)
{
    QDBusPendingCall pending = bus.asyncCall(call, timeoutMs);
    session.waitFor([&] { return pending.isFinished(); }, timeoutMs + 1000);
    return pending.isFinished() ? pending.reply() : QDBusMessage();
}

// The process's resident size in bytes; -1 when unknown.
qint64 residentBytes(pid_t pid)
{
    QFile statm(u"/proc/%1/statm"_qs.arg(pid));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> pages = statm.readAll().split(' ');
    return pages.size() > 1 ? pages[1].toLongLong() * sysconf(_SC_PAGESIZE) : -1;
}

// A session, this test's application and a focused xterm; with serve(), its private bus with
// this test's status tray on it.
class TrayBusX11 : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(session.ok()) << session.error();
        app = std::make_unique<SessionApp>(session);
        term = focusedXterm(session, keyFree);
        ASSERT_TRUE(term) << session.error();
    }
    void TearDown() override
    {
        host.reset();
        bus.reset();
        QDBusConnection::disconnectFromBus(u"fw-status-tray"_qs);
    }
    void serve(int delayMs, bool callBack)
    {
        const QString address = session.sessionBus();
        ASSERT_FALSE(address.isEmpty()) << session.error();
        bus = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, u"fw-status-tray"_qs));
        ASSERT_TRUE(bus->isConnected());
        host = std::make_unique<TestStatusNotifierWatcher>(*bus, delayMs, callBack);
        ASSERT_TRUE(host->serve());
    }

    XSession session;
    std::unique_ptr<SessionApp> app;
    bool keyFree = false;
    xcb_window_t term = 0;
    std::unique_ptr<QDBusConnection> bus;
    std::unique_ptr<TestStatusNotifierWatcher> host;
};

TEST_F(TrayBusX11, AHostCallingBackAtOnceIsAnsweredStartedBeforeOrAfterTheProgram)
{
    ASSERT_NO_FATAL_FAILURE(serve(0, true));

    // The host first, as a login starts the panel before the programs.
    pid_t program = startProgram(session);
    ASSERT_TRUE(program) << session.error() << programLog(session).toStdString();
    ASSERT_TRUE(session.waitFor([&] { return !host->items.isEmpty(); }, 10000))
        << host->calls << " calls\n" << programLog(session).toStdString();
    EXPECT_TRUE(host->answered) << "the host's blocking calls went unanswered";
    EXPECT_TRUE(pickerAnswers(session, keyFree)) << programLog(session).toStdString();

    // One message naming the menu's root 20,000 times is answered, and the keys still work.
    QDBusMessage group = QDBusMessage::createMethodCall(host->items.first(), host->menuPath,
                                                        u"com.canonical.dbusmenu"_qs, u"AboutToShowGroup"_qs);
    group << QVariant::fromValue(QList<int>(20000, 0));
    EXPECT_EQ(callServing(session, *bus, group, 10000).type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(pickerAnswers(session, keyFree)) << programLog(session).toStdString();
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0)) << programLog(session).toStdString();

    // The host after the program, as a panel restarted: found, called back and answered. (A
    // window manager's own XEmbed tray takes the icon first, and keeps it.)
    ASSERT_TRUE(bus->unregisterService(TestStatusNotifierWatcher::service));
    const QString wm = session.windowManager();
    if (trayHostRunning(session) || wm == u"icewm"_qs || wm == u"fluxbox"_qs)
        return;
    host->answered = false;
    const qsizetype before = host->items.size();
    program = startProgram(session);
    ASSERT_TRUE(program) << session.error() << programLog(session).toStdString();
    ASSERT_TRUE(session.waitFor([&] { return programLog(session).contains(u"No system tray"_qs); }));
    ASSERT_TRUE(bus->registerService(TestStatusNotifierWatcher::service));
    ASSERT_TRUE(session.waitFor([&] { return host->items.size() > before; }, 10000)) << programLog(session).toStdString();
    EXPECT_TRUE(host->answered) << "the host's blocking calls went unanswered";
    EXPECT_TRUE(session.waitFor([&] { return programLog(session).contains(u"System tray found"_qs); }));
    EXPECT_TRUE(pickerAnswers(session, keyFree)) << programLog(session).toStdString();
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0)) << programLog(session).toStdString();
}

TEST_F(TrayBusX11, AFloodOfWholeMenuReadsCostsBoundedMemoryAndHoldsNeitherTheKeysNorTheMenu)
{
    ASSERT_NO_FATAL_FAILURE(serve(0, true));
    const pid_t program = startProgram(session);
    ASSERT_TRUE(program) << session.error() << programLog(session).toStdString();
    ASSERT_TRUE(session.waitFor([&] { return host->answered; }, 10000)) << programLog(session).toStdString();
    const QDBusMessage layout = getLayoutCall(host->items.first(), host->menuPath);
    ASSERT_EQ(callServing(session, *bus, layout, 10000).type(), QDBusMessage::ReplyMessage);
    const qint64 rest = residentBytes(program);
    ASSERT_GT(rest, 0);

    // Each read builds the whole layout anew; unanswered, the calls would queue without end.
    // 20,000 of them in 2 s, or what a busy machine sends in 10 s.
    const qint64 sent = floodCalls(session, *bus, {layout}, 20000, 10000);
    EXPECT_GT(sent, 10000) << "only " << sent << " calls went out in 10 s";
    [[maybe_unused]] const qint64 flooded = residentBytes(program);
    EXPECT_TRUE(pickerAnswers(session, keyFree)) << programLog(session).toStdString();
    // Under AddressSanitizer freed memory stays in its quarantine: the resident size says
    // nothing there of what the program keeps.
#if !FW_PROGRAM_SANITIZED
    EXPECT_LT(flooded, 2 * rest) << "resident " << flooded / 1024 << " KiB after the flood, " << rest / 1024 << " KiB before";
    EXPECT_LT(residentBytes(program), 2 * rest);
#endif
    // The menu is read again once the flood is over (a call refused meanwhile is asked again).
    EXPECT_TRUE(session.waitFor([&] { return callServing(session, *bus, layout, 5000).type() == QDBusMessage::ReplyMessage; }, 20000));
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0)) << programLog(session).toStdString();
}

TEST_F(TrayBusX11, AWatcherAnsweringLateHoldsNeitherTheStartNorTheKeysNorTheEnd)
{
    ASSERT_NO_FATAL_FAILURE(serve(8000, false));
    const pid_t program = startProgram(session);
    ASSERT_TRUE(program) << session.error() << programLog(session).toStdString();
    // Asked, and not yet answered: the keys work meanwhile, and so does the end.
    ASSERT_TRUE(session.waitFor([&] { return host->calls > 0; })) << "the program never asked the watcher";
    EXPECT_TRUE(pickerAnswers(session, keyFree)) << programLog(session).toStdString();
    EXPECT_EQ(session.terminate(program, 5000), std::optional<int>(0)) << programLog(session).toStdString();
}

TEST_F(TrayBusX11, ASessionWithoutABusStartsAtOnceWithItsIconInTheXEmbedTray)
{
    const QString wm = session.windowManager();
    const bool ownTray = trayHostRunning(session) || wm == u"icewm"_qs || wm == u"fluxbox"_qs;
    if (!ownTray) {
        ASSERT_TRUE(startTrayHost(session)) << session.error();
        // A manager whose focus follows the pointer (evilwm) may hand it to the tray as it maps.
        ASSERT_TRUE(session.activate(term)) << session.error();
    }
    // No address, and a runtime folder without the bus a user session would put there.
    const QString runtime = session.directory() + u"/runtime-without-bus"_qs;
    ASSERT_TRUE(QDir().mkpath(runtime));
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_TRUE(openedBefore(session));
    const pid_t program = session.spawn({u"env"_qs, u"-u"_qs, u"DBUS_SESSION_BUS_ADDRESS"_qs,
                                         u"XDG_RUNTIME_DIR="_qs + runtime, QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(program) << session.error();
    ASSERT_TRUE(session.waitFor([&] { return programLog(session, u"env"_qs).contains(u"Framewell started"_qs); }))
        << programLog(session, u"env"_qs).toStdString();
    EXPECT_TRUE(session.waitFor([&] { return trayIconEmbedded(session); }, 10000))
        << "the icon never came to the tray\n" << programLog(session, u"env"_qs).toStdString();
    // The icon's embedding may hand the focus of a manager whose focus follows the pointer to the
    // tray (evilwm); the picker's key places the focused window.
    ASSERT_TRUE(session.activate(term)) << session.error();
    EXPECT_TRUE(pickerAnswers(session, keyFree)) << programLog(session, u"env"_qs).toStdString();
    EXPECT_EQ(session.terminate(program, 5000), std::optional<int>(0)) << programLog(session, u"env"_qs).toStdString();
}

} // namespace
} // namespace fw
