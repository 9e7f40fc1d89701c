#pragma once
// A panel's status tray on a test's private session bus, for the x11 tests and benchmarks that
// start the program: its StatusNotifierWatcher says a host is there and keeps the items that
// register. It may answer every call late, as a panel busy at login does, or, the moment an
// item registers, read the item's menu with blocking calls, its own loop stopped meanwhile, as
// LXQt's panel imports a menu. Serves while the test's loop runs (XSession::waitFor).
// floodCalls() is a peer calling without pause.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace fw::test {

// A menu's whole layout, asked of the item's menu.
inline QDBusMessage getLayoutCall(const QString& item, const QString& menu)
{
    QDBusMessage layout = QDBusMessage::createMethodCall(item, menu, QStringLiteral("com.canonical.dbusmenu"),
                                                         QStringLiteral("GetLayout"));
    layout << 0 << -1 << QStringList();
    return layout;
}

class TestStatusNotifierWatcher final : public QDBusVirtualObject {
public:
    static inline const QString service = QStringLiteral("org.kde.StatusNotifierWatcher");
    static inline const QString path = QStringLiteral("/StatusNotifierWatcher");

    // delayMs: how late each answer comes; callBack: whether an item's menu is read at once.
    TestStatusNotifierWatcher(QDBusConnection bus, int delayMs, bool callBack)
        : callBack(callBack), bus_(std::move(bus)), delayMs_(delayMs)
    {
    }
    // Serves on the bus under the watcher's name; false when that failed.
    bool serve() { return bus_.registerVirtualObject(path, this) && bus_.registerService(service); }

    bool callBack;        // whether an item's menu is read at once as it registers
    QStringList items;    // the services of the items registered, in order
    int calls = 0;        // every call it had
    bool answered = false;   // whether the last item's blocking calls were all answered
    QString menuPath;     // the last item's menu
    qint64 blockedMs = 0;    // how long the last item's blocking calls held this host

    QString introspect(const QString&) const override
    {
        return QStringLiteral(
            "<interface name=\"org.kde.StatusNotifierWatcher\">"
            "<property name=\"IsStatusNotifierHostRegistered\" type=\"b\" access=\"read\"/>"
            "<property name=\"ProtocolVersion\" type=\"i\" access=\"read\"/>"
            "<property name=\"RegisteredStatusNotifierItems\" type=\"as\" access=\"read\"/>"
            "<method name=\"RegisterStatusNotifierItem\"><arg type=\"s\" direction=\"in\"/></method>"
            "<method name=\"RegisterStatusNotifierHost\"><arg type=\"s\" direction=\"in\"/></method>"
            "</interface>");
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override
    {
        ++calls;
        QString registered;
        QDBusMessage reply;
        const QVariantList args = message.arguments();
        if (message.member() == QLatin1String("Introspect")) {
            reply = message.createReply(QStringLiteral("<node>") + introspect(path) + QStringLiteral("</node>"));
        } else if (message.member() == QLatin1String("Get") && args.size() == 2) {
            reply = message.createReply(QVariant::fromValue(QDBusVariant(property(args[1].toString()))));
        } else if (message.member() == QLatin1String("GetAll")) {
            QVariantMap all;
            for (const char* name : {"IsStatusNotifierHostRegistered", "ProtocolVersion", "RegisteredStatusNotifierItems"})
                all.insert(QLatin1String(name), property(QLatin1String(name)));
            reply = message.createReply(all);
        } else if (message.member() == QLatin1String("RegisterStatusNotifierItem") && !args.isEmpty()) {
            registered = args[0].toString().startsWith(u'/') ? message.service() : args[0].toString();
            items << registered;
            reply = message.createReply();
        } else if (message.member() == QLatin1String("RegisterStatusNotifierHost")) {
            reply = message.createReply();
        } else {
            reply = message.createErrorReply(QDBusError::UnknownMethod, message.member());
        }
        if (delayMs_ > 0)
            QTimer::singleShot(delayMs_, [bus = bus_, reply]() mutable { bus.send(reply); });
        else
            bus_.send(reply);
        if (callBack && !registered.isEmpty())
            readMenu(registered);
        return true;
    }

private:
    QVariant property(const QString& name) const
    {
        if (name == QLatin1String("IsStatusNotifierHostRegistered"))
            return true;
        if (name == QLatin1String("ProtocolVersion"))
            return 0;
        return items;
    }
    void readMenu(const QString& item)
    {
        QElapsedTimer blocked;
        blocked.start();
        answered = read(item);
        blockedMs = blocked.elapsed();
    }
    bool read(const QString& item)
    {
        QDBusMessage get = QDBusMessage::createMethodCall(item, QStringLiteral("/StatusNotifierItem"),
                                                          QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("Get"));
        get << QStringLiteral("org.kde.StatusNotifierItem") << QStringLiteral("Menu");
        const QDBusMessage menu = bus_.call(get, QDBus::Block, 10000);
        if (menu.type() != QDBusMessage::ReplyMessage || menu.arguments().isEmpty())
            return false;
        menuPath = menu.arguments().first().value<QDBusVariant>().variant().value<QDBusObjectPath>().path();
        return bus_.call(getLayoutCall(item, menuPath), QDBus::Block, 10000).type() == QDBusMessage::ReplyMessage;
    }

    QDBusConnection bus_;
    int delayMs_;
};

// Sends the calls in turn, `perSecond` of them a second, answers unawaited, while the session's
// loop runs: `count` of them, or what went out in `ms` where the machine is too busy for the
// pace (the clock is read before every call, so a sender slower than the pace still stops in
// time). How many were sent.
template <class Session>
qint64 floodCalls(Session& session, QDBusConnection& bus, const std::vector<QDBusMessage>& calls, qint64 count,
                  int ms, int perSecond = 10000)
{
    QElapsedTimer timer;
    timer.start();
    qint64 sent = 0;
    for (qint64 now = 0; sent < count && now < ms; now = timer.elapsed()) {
        const qint64 due = std::min(count, now * perSecond / 1000);
        for (; sent < due && timer.elapsed() < ms; ++sent)
            bus.send(calls[std::size_t(sent) % calls.size()]);
        session.waitFor([] { return false; }, 5);
    }
    return sent;
}

} // namespace fw::test
