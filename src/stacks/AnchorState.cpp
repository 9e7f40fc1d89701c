// The anchors' panels and the explicit switcher: what is shown and closing it.
#include "stacks/AnchorState.h"

#include <algorithm>

namespace fw::stacks {

AnchorPanel* AnchorState::panel(const ManagedWindow& window) const
{
    const auto it = panels.find(window);
    return it == panels.end() ? nullptr : it->second.get();
}

bool AnchorState::switcherOpen() const
{
    if (explicitPanel && explicitPanel->anchor().switcherShown())
        return true;
    return std::any_of(panels.begin(), panels.end(), [](const auto& p) { return p.second->anchor().switcherShown(); });
}

int AnchorState::visiblePanelCount() const
{
    return int(std::count_if(panels.begin(), panels.end(), [](const auto& p) { return p.second->isVisible(); }));
}

std::vector<Rect> AnchorState::zones() const
{
    std::vector<Rect> out;
    for (const auto& [window, anchor] : anchors)
        out.push_back(anchor.activation.insetBy(-20, -20));
    return out;
}

void AnchorState::tearDownExplicit()
{
    if (auto panel = std::move(explicitPanel)) {
        panel->anchor().teardown();
        panel->orderOut();
    }
}

void AnchorState::closeSwitchers()
{
    tearDownExplicit();
    for (auto& [window, panel] : panels) {
        WindowStackAnchor& anchor = panel->anchor();
        anchor.endPeek(true, {});
        if (anchor.switcherShown())
            anchor.teardown();
        else
            anchor.didDismiss();
    }
}

void AnchorState::clear()
{
    panels.clear();
    anchors.clear();
    fronts.clear();
    seen.clear();
}

} // namespace fw::stacks
