#include "windows/CompositionCandidate.h"

namespace fw {

double placementCost(const Rect& frame, const Rect& region)
{
    if (approximatelyEquals(frame, region, kPlacementTolerance))
        return -1.0;
    return std::hypot(frame.midX() - region.midX(), frame.midY() - region.midY())
        + 0.2 * std::abs(frame.width() - region.width()) + 0.2 * std::abs(frame.height() - region.height());
}

} // namespace fw
