#pragma once
// Processes port: whether the process behind a window still runs. A window whose process
// has ended is gone, whatever the window system still reports about it.

#include "platform/WindowSystem.h"

namespace fw {

class Processes {
public:
    virtual ~Processes() = default;
    virtual bool isRunning(Pid pid) const = 0;
};

} // namespace fw
