// States that hold a window's frame against writes (maximized, full screen, shaded, and
// minimized where an action restores windows): left before a placement writes the frame, put
// back by its roll-back, each change awaited until the window manager reads back so.
#include "base/Log.h"
#include "windows/WindowAccess.h"

#include <QStringList>

namespace fw {

namespace {

constexpr WindowStates kHeldStates = kMaximized | Fullscreen | Shaded;
// A state change has settled once the states read as asked with a frame that stayed the same for
// a while (a window manager may move the window again once it has set the state). Looked at
// often; bounded well past what a window manager on a loaded machine takes to answer.
constexpr SettleTiming kStatesSettle{.look = 20ms, .quiet = 80ms, .limit = 2000ms};

// "maximized, shaded", as the logs write states; "none" for none.
QString statesText(WindowStates states)
{
    QStringList names;
    if ((states & kMaximized) == kMaximized)
        names << QStringLiteral("maximized");
    else if (states & kMaximized)
        names << (states & MaximizedVertically ? QStringLiteral("maximized vertically")
                                               : QStringLiteral("maximized horizontally"));
    if (states & Fullscreen)
        names << QStringLiteral("full screen");
    if (states & Shaded)
        names << QStringLiteral("shaded");
    if (states & Minimized)
        names << QStringLiteral("minimized");
    return names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "));
}

} // namespace

Task<bool> WindowAccess::statesSettled(WindowId id, WindowStates states, bool on)
{
    const auto asked = [this, id, states, on] {
        const auto now = ws_.windowStates(id);
        return now && (on ? (*now & states) == states : (*now & states) == 0);
    };
    const SettledFrame settled = co_await settledFrame(id, kStatesSettle, asked);
    co_return settled.settled;
}

Task<WindowAccess::StatesLeft> WindowAccess::leaveHeldStates(ManagedWindow window, bool unminimize)
{
    const auto now = ws_.windowStates(window.element);
    if (!now)
        co_return StatesLeft{};
    const WindowStates left = *now & (kHeldStates | (unminimize ? WindowStates(Minimized) : 0));
    if (left == 0)
        co_return StatesLeft{0, true};
    bool settled = false;
    if (ws_.changeWindowStates(window.element, left, false))
        settled = co_await statesSettled(window.element, left, false);
    // A window both shaded and minimized shows as minimized only once unshaded.
    if (settled && !unminimize && (ws_.windowStates(window.element).value_or(0) & Minimized))
        settled = false;
    if (settled)
        co_return StatesLeft{left, true};
    const WindowStates still = ws_.windowStates(window.element).value_or(0);
    log::info(LogCategory::WindowAccess, "%{public}s did not leave %{public}s: now %{public}s", window.appName,
              statesText(left), statesText(still));
    co_return StatesLeft{left, false, still & left};
}

Task<bool> WindowAccess::restoreStates(ManagedWindow window, WindowStates states)
{
    // A window that never got out of a state needs no request to take it again.
    const auto now = ws_.windowStates(window.element);
    if (now && (*now & states) == states)
        co_return true;
    bool settled = false;
    if (now && ws_.changeWindowStates(window.element, states, true))
        settled = co_await statesSettled(window.element, states, true);
    if (!settled)
        log::info(LogCategory::WindowAccess, "%{public}s did not go back to %{public}s: now %{public}s", window.appName,
                  statesText(states), statesText(ws_.windowStates(window.element).value_or(0)));
    co_return settled;
}

} // namespace fw
