#pragma once
// Workspace port: the desktop's virtual desktops. Windows of another workspace are not shown,
// so what was snapped on one is not what the user sees after a switch.

#include <functional>

namespace fw {

class Workspaces {
public:
    virtual ~Workspaces() = default;
    // Called on the main thread after the current workspace changed. One handler; an empty
    // function removes it.
    virtual void setChangeHandler(std::function<void()> handler) = 0;
};

} // namespace fw
