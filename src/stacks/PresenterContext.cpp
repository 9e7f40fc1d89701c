// The presenter context's screens of the pass and the pointer.
#include "stacks/PresenterContext.h"

namespace fw::stacks {

const std::vector<ScreenInfo>& PresenterContext::passScreens() const
{
    if (!screensOfPass_)
        screensOfPass_ = screens.screens();
    return *screensOfPass_;
}

Point PresenterContext::pointer(Point lastReported) const
{
    if (mouse) {
        if (const auto state = mouse->pointerState())
            return state->position;
    }
    return lastReported;
}

} // namespace fw::stacks
