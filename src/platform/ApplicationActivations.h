#pragma once
// Application activation port: told when another application becomes the active one (its
// window takes the focus), as the window stacks watch it to keep their badges steady through
// the switch; and told when the title of a window the stacks hold changes, as a badge placed
// on a free stretch of its title bar must move off the new title's text.

#include "platform/WindowSystem.h"

#include <functional>
#include <vector>

namespace fw {

class ApplicationActivations {
public:
    virtual ~ApplicationActivations() = default;
    // Called on the main thread, after the event, each time the active window belongs to
    // another application than before. One handler; an empty function removes it.
    virtual void setActivationHandler(std::function<void()> handler) = 0;

    // Called on the main thread, after the event, when the title of a window watched (below)
    // changed; once for changes that arrive together. One handler; an empty function removes it.
    virtual void setTitleHandler(std::function<void()> handler) { (void)handler; }
    // The windows whose titles are watched from now on, replacing those before; none: no window.
    virtual void watchTitles(const std::vector<WindowId>& windows) { (void)windows; }
};

} // namespace fw
