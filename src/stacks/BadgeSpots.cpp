// The badge's sizes and its edge and title-bar spots.
#include "stacks/BadgeSpots.h"

#include <algorithm>
#include <cmath>

namespace fw {

Size badgeSize(int count, bool expanded, bool joiner, double scale)
{
    const int n = std::clamp(count, 0, 6);
    const int gaps = std::max(0, n - 1);
    const bool overflow = count > 6;
    const double s = scale > 0 && std::isfinite(scale) ? scale : 1.0;
    if (!expanded)
        return {(8.0 + 14.0 * n + 3.0 * gaps + (overflow ? 18.4 : 0.0)) * s, 22 * s};
    return {(32.0 + 24.0 * n + 12.0 * gaps + (overflow ? 34.0 : 0.0) + (joiner ? 34.0 : 0.0)) * s, 36 * s};
}

} // namespace fw

namespace fw::stacks {

EdgeBadge edgeBadge(const Rect& slot, double top, const Size& open, const Size& compact,
                    std::optional<double> visibleMinX)
{
    // Upright: the strip's thickness is the badge's width.
    double x = slot.minX() - open.height / 2;
    if (visibleMinX)
        x = std::max(x, *visibleMinX + 1);
    EdgeBadge out;
    out.rect = Rect(x, top, open.height, open.width);
    const Rect small(out.rect.midX() - compact.height / 2, top, compact.height, compact.width);
    out.coverTest = small.intersection(slot.insetBy(1, 0));
    return out;
}

std::optional<TitleBarBadge> titleBarBadge(const TitleBar& reading, const Size& open, const Size& compact,
                                           double screenScale, std::optional<double> topLimit)
{
    if (open.width <= 0 || open.height <= 0 || compact.height > open.height)
        return std::nullopt;
    const double gap = 4 * screenScale;
    const Rect& bar = reading.bar;
    const double leftEnd = reading.leftEnd.maxX() + gap;
    const double rightEnd = reading.rightEnd.minX() - gap;
    const double x = reading.buttonsLeft ? leftEnd : rightEnd - open.width;
    if (x < leftEnd || x + open.width > rightEnd)
        return std::nullopt;
    // The strip and the panel around it centred on the bar, both pushed down below the limit.
    // The strip is drawn in the panel's logical pixels: it stands a whole number of them below
    // the panel's top, the nearest to the bar's middle.
    const double middle = bar.minY() + bar.height() / 2;
    double stripTop = middle - compact.height / 2;
    double panelTop = std::round(middle - open.height / 2);
    if (topLimit) {
        stripTop = std::max(stripTop, *topLimit);
        panelTop = std::max(panelTop, *topLimit);
    }
    const double scale = screenScale > 0 ? screenScale : 1;
    stripTop = panelTop + std::max(0.0, std::round((stripTop - panelTop) / scale)) * scale;
    TitleBarBadge out;
    out.rect = Rect(x, panelTop, open.width, open.height);
    out.compact = Rect(x, stripTop, compact.width, compact.height);
    out.middle = stripTop + compact.height / 2 - panelTop;
    return out;
}

} // namespace fw::stacks
