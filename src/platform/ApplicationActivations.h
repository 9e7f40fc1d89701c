#pragma once
// Application activation port: told when another application becomes the active one (its
// window takes the focus), as the window stacks watch it to keep their badges steady through
// the switch.

#include <functional>

namespace fw {

class ApplicationActivations {
public:
    virtual ~ApplicationActivations() = default;
    // Called on the main thread, after the event, each time the active window belongs to
    // another application than before. One handler; an empty function removes it.
    virtual void setActivationHandler(std::function<void()> handler) = 0;
};

} // namespace fw
