#pragma once
// Workspace port: the desktop's virtual desktops. Windows of another workspace are not shown,
// so what was snapped on one is not what the user sees after a switch.

#include <functional>

namespace fw {

class Workspaces {
public:
    virtual ~Workspaces() = default;
    // Called on the main thread after a display came to show another workspace (not when the
    // current one only follows the focus to a display that shows it already). One handler; an
    // empty function removes it.
    virtual void setChangeHandler(std::function<void()> handler) = 0;
};

} // namespace fw
