#include "windows/CompositionCandidate.h"

#include "windows/WindowAccess.h"

namespace fw {

bool liesInRegion(const Rect& frame, const Rect& region, const Size& grid)
{
    return WindowAccess::arrivedAt(frame, region, grid, kPlacementTolerance);
}

double placementCost(const Rect& frame, const Rect& region, const Size& grid)
{
    if (liesInRegion(frame, region, grid))
        return -1.0;
    return std::hypot(frame.midX() - region.midX(), frame.midY() - region.midY())
        + 0.2 * std::abs(frame.width() - region.width()) + 0.2 * std::abs(frame.height() - region.height());
}

} // namespace fw
