// Permissions on X11, where the server has no permission model: everything is granted, and the
// settings open only through a known desktop settings tool found on PATH.
#include "platform/x11/X11Permissions.h"

#include "platform/x11/DetachedLaunch.h"

#include <QStandardPaths>

namespace fw {

bool X11Permissions::windowControlGranted(bool)
{
    return true;
}

bool X11Permissions::windowPreviewsGranted()
{
    return true;
}

bool X11Permissions::resetWindowControl()
{
    return false;
}

QStringList X11Permissions::settingsTools()
{
    return {QStringLiteral("gnome-control-center"), QStringLiteral("systemsettings"),
            QStringLiteral("xfce4-settings-manager"), QStringLiteral("cinnamon-settings"),
            QStringLiteral("mate-control-center"), QStringLiteral("lxqt-config")};
}

bool X11Permissions::openSettings(const QString&)
{
    // No desktop has a pane for grants that do not exist: open its settings at the top.
    for (const QString& tool : settingsTools()) {
        const QString path = QStandardPaths::findExecutable(tool);
        if (!path.isEmpty())
            return startDetached(path, {path}).has_value();
    }
    return false;
}

} // namespace fw
