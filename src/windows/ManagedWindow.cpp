// Making a ManagedWindow from a window's description: only movable, resizable normal windows of
// another process qualify; why another is refused, as the user is told.
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

namespace {

// Why make() refuses a window: none when it takes it.
enum class Refusal { none, foreign, minimized, dialog, fullscreen, fixedPosition, fixedSize };

Refusal refusalOf(WindowSystem& ws, const WindowInfo& info)
{
    // A process we cannot name has no running application behind it.
    if (info.pid <= 0 || info.pid == ownPid())
        return Refusal::foreign;
    if (info.minimized)
        return Refusal::minimized;
    if (!info.normal)
        return Refusal::dialog;
    if (info.fullscreen)
        return Refusal::fullscreen;
    if (!(info.movable ? *info.movable : ws.isMovable(info.id)))
        return Refusal::fixedPosition;
    if (!(info.resizable ? *info.resizable : ws.isResizable(info.id)))
        return Refusal::fixedSize;
    return Refusal::none;
}

// The window's entry with its process, states and title read from the window itself (the
// snapshot entry can lag); nothing when it is gone.
std::optional<WindowInfo> freshInfo(WindowSystem& ws, WindowId id)
{
    auto info = ws.windowInfo(id);
    if (!info)
        return std::nullopt;
    info->pid = ws.pid(id).value_or(0);
    if (info->pid <= 0 || info->pid == ownPid() || !info->normal)
        return info;
    info->fullscreen = ws.isFullscreen(id);
    info->minimized = ws.isMinimized(id);
    if (auto t = ws.title(id))
        info->title = *t;
    else
        info->title = kUntitledWindow;
    return info;
}

ManagedWindow windowOf(WindowSystem& ws, const WindowInfo& info)
{
    ManagedWindow w;
    w.element = info.id;
    w.pid = info.pid;
    // The list cannot tell an empty name from none: ask the window itself.
    w.title = info.title.isEmpty() ? ws.title(info.id).value_or(kUntitledWindow) : info.title;
    w.appName = ManagedWindow::applicationName(info);
    return w;
}

// The window refused with what the user is told; nothing for a refusal not to tell of.
std::optional<RefusedWindow> refusalNotice(Refusal why, WindowSystem& ws, const WindowInfo& info)
{
    const auto told = [&](const QString& text) {
        return std::optional(RefusedWindow{windowOf(ws, info), text.arg(ManagedWindow::applicationName(info))});
    };
    switch (why) {
    case Refusal::none:
    case Refusal::foreign:
    case Refusal::minimized:
        return std::nullopt;
    case Refusal::dialog:
        return told(u"This %1 window is a dialog or tool window, so it can’t be placed in a region."_qs);
    case Refusal::fullscreen:
        return told(u"%1 is full screen. Leave full screen to place it in a region."_qs);
    case Refusal::fixedPosition:
        return told(u"%1 can’t be moved, so it can’t be placed in a region."_qs);
    case Refusal::fixedSize:
        return told(u"%1 can’t be resized, so it can’t be placed in a region."_qs);
    }
    return std::nullopt;
}

} // namespace

std::optional<ManagedWindow> ManagedWindow::make(WindowSystem& ws, const WindowInfo& info)
{
    if (refusalOf(ws, info) != Refusal::none)
        return std::nullopt;
    return windowOf(ws, info);
}

std::optional<ManagedWindow> ManagedWindow::make(WindowSystem& ws, WindowId id, std::optional<RefusedWindow>* refused)
{
    const auto info = freshInfo(ws, id);
    if (!info)
        return std::nullopt;
    const Refusal why = refusalOf(ws, *info);
    if (why == Refusal::none)
        return windowOf(ws, *info);
    if (refused)
        *refused = refusalNotice(why, ws, *info);
    return std::nullopt;
}

} // namespace fw
