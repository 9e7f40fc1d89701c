#pragma once
// A manageable window of another application: its client window id, process id, title and
// application name as they were when the value was made. Equal when the process ids and the
// window ids are equal; title and application name take no part. The window may have closed
// since: every operation that uses the value treats a failed read as a missing value. A window
// of another running application we do not place is read as a RefusedWindow, with why.

#include "platform/WindowSystem.h"

#include <QString>
#include <cstddef>
#include <functional>
#include <optional>
#include <variant>

namespace fw {

struct ManagedWindow {
    WindowId element = 0;
    Pid pid = 0;
    QString title;
    QString appName;

    // Nothing unless the window is a normal top-level window of another running application,
    // neither full screen nor minimized, whose position and size can both be changed.
    static std::optional<ManagedWindow> make(WindowSystem& ws, WindowId id);
    // The same tests with the facts of a snapshot entry; only the movable and resizable
    // questions go to the window system.
    static std::optional<ManagedWindow> make(WindowSystem& ws, const WindowInfo& info);
    // The desktop entry's display name, else the WM_CLASS class, else "Application".
    static QString applicationName(const WindowInfo& info);

    friend bool operator==(const ManagedWindow& a, const ManagedWindow& b)
    {
        return a.pid == b.pid && a.element == b.element;
    }
};

// Why a window of another running application is not placed, as the user is told it (a
// minimized window, and one of no other running application, are refused without a reason).
enum class PlacementRefusal { dialog, fullscreen, fixedPosition, fixedSize };

// A window we do not place and why: made once where the window is read and carried whole to
// whoever tells the user, who puts it in words.
struct RefusedWindow {
    ManagedWindow window;
    PlacementRefusal reason;
};

// A window of another running application as read: one we place, or one refused.
using WindowOrRefusal = std::variant<ManagedWindow, RefusedWindow>;

// The window as read now (the tests of ManagedWindow::make): nothing for a window gone, of no
// other running application or minimized.
std::optional<WindowOrRefusal> readManagedWindow(WindowSystem& ws, WindowId id);
// The window either way, and the window when it can be placed.
const ManagedWindow& windowOf(const WindowOrRefusal& read);
std::optional<ManagedWindow> placeable(const std::optional<WindowOrRefusal>& read);

// This program's own process id; its windows are never managed.
Pid ownPid();

inline const QString kUntitledWindow = QStringLiteral("Untitled window");
inline const QString kUnnamedApplication = QStringLiteral("Application");

} // namespace fw

template<>
struct std::hash<fw::ManagedWindow> {
    std::size_t operator()(const fw::ManagedWindow& w) const noexcept
    {
        std::size_t h = std::hash<fw::Pid>{}(w.pid);
        return h ^ (std::hash<fw::WindowId>{}(w.element) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2));
    }
};
