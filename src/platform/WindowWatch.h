#pragma once
// Window-watch port: one window another program shows, watched while a panel of ours acts on
// it (the layout picker opened for it). The handler runs once, on the main thread, when the
// window stops being shown: closed, unmapped, minimized, or the desktop shown in front of every
// window. Windows are named by their native ids.

#include "platform/WindowSystem.h"

#include <functional>

namespace fw {

class WindowWatch {
public:
    virtual ~WindowWatch() = default;
    // Watches the window until it is hidden, then calls `hidden` once; replaces any earlier
    // watch. end() stops watching without a call.
    virtual void watch(WindowId window, std::function<void()> hidden) = 0;
    virtual void end() = 0;
};

} // namespace fw
