// Making a ManagedWindow from a window's description: only movable, resizable normal windows of
// another process qualify; why another is refused, as a reason the user is told.
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

// Why make() does not take a window: none when it takes it, a reason the user is told, or one
// not told of (no other running application behind it, minimized).
struct Verdict {
    bool taken = false;
    std::optional<PlacementRefusal> told;
};

Verdict verdictOn(WindowSystem& ws, const WindowInfo& info)
{
    // A process we cannot name has no running application behind it.
    if (info.pid <= 0 || info.pid == ownPid() || info.minimized)
        return {};
    if (!info.normal)
        return {false, PlacementRefusal::dialog};
    if (info.fullscreen)
        return {false, PlacementRefusal::fullscreen};
    if (!(info.movable ? *info.movable : ws.isMovable(info.id)))
        return {false, PlacementRefusal::fixedPosition};
    if (!(info.resizable ? *info.resizable : ws.isResizable(info.id)))
        return {false, PlacementRefusal::fixedSize};
    return {true, std::nullopt};
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

ManagedWindow windowFrom(WindowSystem& ws, const WindowInfo& info)
{
    ManagedWindow w;
    w.element = info.id;
    w.pid = info.pid;
    // The list cannot tell an empty name from none: ask the window itself.
    w.title = info.title.isEmpty() ? ws.title(info.id).value_or(kUntitledWindow) : info.title;
    w.appName = ManagedWindow::applicationName(info);
    return w;
}

} // namespace

std::optional<ManagedWindow> ManagedWindow::make(WindowSystem& ws, const WindowInfo& info)
{
    if (!verdictOn(ws, info).taken)
        return std::nullopt;
    return windowFrom(ws, info);
}

std::optional<ManagedWindow> ManagedWindow::make(WindowSystem& ws, WindowId id)
{
    return placeable(readManagedWindow(ws, id));
}

std::optional<WindowOrRefusal> readManagedWindow(WindowSystem& ws, WindowId id)
{
    const auto info = freshInfo(ws, id);
    if (!info)
        return std::nullopt;
    const Verdict verdict = verdictOn(ws, *info);
    if (verdict.taken)
        return windowFrom(ws, *info);
    if (verdict.told)
        return RefusedWindow{windowFrom(ws, *info), *verdict.told};
    return std::nullopt;
}

const ManagedWindow& windowOf(const WindowOrRefusal& read)
{
    if (const auto* refused = std::get_if<RefusedWindow>(&read))
        return refused->window;
    return std::get<ManagedWindow>(read);
}

std::optional<ManagedWindow> placeable(const std::optional<WindowOrRefusal>& read)
{
    if (const auto* window = read ? std::get_if<ManagedWindow>(&*read) : nullptr)
        return *window;
    return std::nullopt;
}

} // namespace fw
