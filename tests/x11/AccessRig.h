#pragma once
// Deciding code over the real adapters, for x11 tests and benchmarks: a task run to its end on
// the Qt event loop (with a deadline), one fixed display, and window access over a session.
//
//   fw::test::AccessRig rig(session);
//   auto ok = fw::test::runOnQtLoop(rig.access.setFrame(*window, target, 1.0));

#include "base/QtClock.h"
#include "base/Task.h"
#include "platform/Screens.h"
#include "platform/x11/X11Permissions.h"
#include "platform/x11/X11WindowSystem.h"
#include "windows/WindowAccess.h"
#include "x11/XSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <optional>
#include <utility>
#include <vector>

namespace fw::test {

namespace detail {
template<typename T>
Task<void> storeResult(Task<T> task, std::optional<T>* out)
{
    *out = co_await task;
}
inline Task<bool> finished(Task<void> task)
{
    co_await task;
    co_return true;
}
} // namespace detail

// Runs a task on the Qt event loop until it ends or the deadline passes; nothing when it did
// not end in time.
template<typename T>
std::optional<T> runOnQtLoop(Task<T> task, int timeoutMs = 10000)
{
    std::optional<T> out;
    spawn(detail::storeResult(std::move(task), &out));
    QElapsedTimer timer;
    timer.start();
    while (!out && timer.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return out;
}

// The same for a task without a result: true when it ended in time.
inline bool runOnQtLoop(Task<void> task, int timeoutMs = 10000)
{
    return runOnQtLoop(detail::finished(std::move(task)), timeoutMs).value_or(false);
}

// One primary display "LEFT", 1920×1080 at 0,0, that never changes.
class OneScreen final : public Screens {
public:
    std::vector<ScreenInfo> screens() const override
    {
        return {{"LEFT", "LEFT", Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1080), true}};
    }
    void setChangeHandler(std::function<void()>) override {}
};

// A Qt core application and window access over the session's display, on the real clock.
struct AccessRig {
    explicit AccessRig(const XSession& session) : ws(session.display()) {}
    int argc = 1;
    char name[16] = "test_x11";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    X11WindowSystem ws;
    OneScreen screens;
    QtClock clock;
    X11Permissions permissions;
    WindowAccess access{ws, screens, clock, permissions};
};

} // namespace fw::test
