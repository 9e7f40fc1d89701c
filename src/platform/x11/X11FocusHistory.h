#pragma once
// The focus history on X11, on a connection of its own read on the Qt main thread: each change
// of the root's _NET_ACTIVE_WINDOW is read, and an active window of another process (by
// _NET_WM_PID; a window stating none counts as another program's) is remembered. A question
// first reads what is queued, so a change the main loop has not reached yet counts. A window
// manager that keeps no _NET_ACTIVE_WINDOW tells nothing: no window is remembered then.

#include "platform/FocusHistory.h"

#include <QByteArray>

#include <cstdint>
#include <memory>

namespace fw {

namespace x11 {
class Connection;
class EventPump;
} // namespace x11

class X11FocusHistory final : public FocusHistory {
public:
    // Connects to the given display name, or to $DISPLAY when empty, and follows from then on
    // (from the first question on where no Qt application runs yet).
    explicit X11FocusHistory(const QByteArray& displayName = {});
    ~X11FocusHistory() override;
    X11FocusHistory(const X11FocusHistory&) = delete;
    X11FocusHistory& operator=(const X11FocusHistory&) = delete;

    std::optional<WindowId> windowBeforeOurs() override;
    // Reads the queued events and the active window after them.
    void drain();

private:
    bool follow();
    // The active window now, and whether it is one of ours; 0 when none.
    std::uint32_t active(bool& ours);

    QByteArray displayName_;
    std::unique_ptr<x11::Connection> conn_;
    std::unique_ptr<x11::EventPump> pump_;
    bool failed_ = false;
    std::uint32_t last_ = 0;   // the last active window of another program
};

} // namespace fw
