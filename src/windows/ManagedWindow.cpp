// Making a ManagedWindow from a window's description: only movable, resizable normal windows of
// another process qualify.
#include "windows/ManagedWindow.h"

#include <QCoreApplication>

namespace fw {

Pid ownPid()
{
    return Pid(QCoreApplication::applicationPid());
}

QString ManagedWindow::applicationName(const WindowInfo& info)
{
    if (!info.appName.isEmpty())
        return info.appName;
    return info.appClass.isEmpty() ? kUnnamedApplication : info.appClass;
}

std::optional<ManagedWindow> ManagedWindow::make(WindowSystem& ws, const WindowInfo& info)
{
    // A process we cannot name has no running application behind it.
    if (info.pid <= 0 || info.pid == ownPid())
        return std::nullopt;
    if (!info.normal || info.fullscreen || info.minimized)
        return std::nullopt;
    const bool movable = info.movable ? *info.movable : ws.isMovable(info.id);
    if (!movable || !(info.resizable ? *info.resizable : ws.isResizable(info.id)))
        return std::nullopt;
    ManagedWindow w;
    w.element = info.id;
    w.pid = info.pid;
    // The list cannot tell an empty name from none: ask the window itself.
    w.title = info.title.isEmpty() ? ws.title(info.id).value_or(kUntitledWindow) : info.title;
    w.appName = applicationName(info);
    return w;
}

std::optional<ManagedWindow> ManagedWindow::make(WindowSystem& ws, WindowId id)
{
    auto info = ws.windowInfo(id);
    if (!info)
        return std::nullopt;
    // Pid, state and title are read from the window itself; the snapshot entry can lag.
    info->pid = ws.pid(id).value_or(0);
    if (info->pid <= 0 || info->pid == ownPid() || !info->normal)
        return std::nullopt;
    info->fullscreen = ws.isFullscreen(id);
    info->minimized = ws.isMinimized(id);
    if (auto t = ws.title(id))
        info->title = *t;
    else
        info->title = kUntitledWindow;
    return make(ws, *info);
}

} // namespace fw
