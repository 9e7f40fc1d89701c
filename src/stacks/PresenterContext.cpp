// The presenter context's screens of the pass, the pointer, and hiding everything shown.
#include "stacks/PresenterContext.h"

namespace fw::stacks {

const std::vector<ScreenInfo>& PresenterContext::passScreens() const
{
    if (!screensOfPass_)
        screensOfPass_ = screens.screens();
    return *screensOfPass_;
}

Point PresenterContext::pointer() const
{
    if (mouse) {
        if (const auto state = mouse->pointerState())
            return state->position;
    }
    return hover.lastPointer;
}

void PresenterContext::hideAll()
{
    anchors.tearDownExplicit();
    hover.pause();
    anchors.closeSwitchers();
    for (auto& [window, panel] : anchors.panels)
        panel->orderOut();
    badges.hideAll();
    hover.states.clear();
}

} // namespace fw::stacks
