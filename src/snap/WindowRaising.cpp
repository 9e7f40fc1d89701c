// Raising placed windows in order, and the small moves of a composition: several windows into one
// region, or one window placed, raised and verified.
#include "snap/WindowRaising.h"

#include "windows/WindowAccess.h"
#include "windows/WindowPlacement.h"

namespace fw {

void raiseWindows(WindowAccess& access, const std::vector<ManagedWindow>& inOrder)
{
    for (auto w = inOrder.rbegin(); w != inOrder.rend(); ++w)
        access.raise(*w);
}

std::optional<WindowFramePairs> tracks(RegionNumber region, const std::vector<ManagedWindow>& windows,
                                       const std::map<RegionNumber, Rect>& frames)
{
    const auto frame = frames.find(region);
    if (frame == frames.end())
        return std::nullopt;
    WindowFramePairs out;
    for (const ManagedWindow& window : windows)
        out.emplace_back(window, frame->second);
    return out;
}

} // namespace fw
