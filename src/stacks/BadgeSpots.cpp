// The edge and title-bar badge spots.
#include "stacks/BadgeSpots.h"

#include <algorithm>
#include <cmath>

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

TitleBarEnds titleBarEnds(const Rect& bar, const TitleBarButtons& buttons)
{
    const double item = bar.height();
    const double left = buttons.left * item, right = buttons.right * item;
    return {Rect(bar.minX(), bar.minY(), left, bar.height()), Rect(bar.maxX() - right, bar.minY(), right, bar.height())};
}

std::optional<TitleBarBadge> titleBarBadge(const Rect& bar, const Size& open, const Size& compact,
                                           const TitleBarButtons& buttons, double screenScale,
                                           std::optional<double> topLimit)
{
    if (open.width <= 0 || open.height <= 0 || compact.height > open.height)
        return std::nullopt;
    const double gap = 4 * screenScale;
    const TitleBarEnds ends = titleBarEnds(bar, buttons);
    const double leftEnd = ends.left.maxX() + gap;
    const double rightEnd = ends.right.minX() - gap;
    const double x = buttons.buttonsLeft ? leftEnd : rightEnd - open.width;
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
