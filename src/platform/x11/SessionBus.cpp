// Keeps the session bus from being launched where none runs: the bus library reads the address
// once, at its first connection, and keeps it; an address that names no transport fails at once.
#include "platform/x11/SessionBus.h"

#include <QDBusConnection>
#include <QString>

#include <sys/stat.h>
#include <unistd.h>

namespace fw {

bool sessionBusKnown()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    // Where a user's bus listens without an address (systemd's user bus), as the bus library
    // looks: a socket of this user's.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        return false;
    struct stat st {};
    const QByteArray socket = runtime + "/bus";
    return ::stat(socket.constData(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == ::getuid();
}

void keepSessionBusFromLaunching()
{
    if (sessionBusKnown())
        return;
    const QString name = QStringLiteral("framewell-no-session-bus");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "none:");
    // The first connection makes the library read and keep the address; it fails at once.
    QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    QDBusConnection::disconnectFromBus(name);
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
}

} // namespace fw
