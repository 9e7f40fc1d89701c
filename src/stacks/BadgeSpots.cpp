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

std::optional<TitleBarBadge> titleBarBadge(const Rect& bar, const Size& open, const TitleBarButtons& buttons,
                                           double screenScale)
{
    const double gap = 4 * screenScale, margin = 1 * screenScale, smallest = 10 * screenScale;
    const double height = std::min(open.height, std::floor(bar.height() - 2 * margin));
    if (height < smallest || open.height <= 0)
        return std::nullopt;
    const double scale = height / open.height;
    const double width = std::round(open.width * scale);
    const double item = bar.height();
    const double leftEnd = bar.minX() + buttons.left * item + gap;
    const double rightEnd = bar.maxX() - buttons.right * item - gap;
    const double x = buttons.buttonsLeft ? leftEnd : rightEnd - width;
    if (x < leftEnd || x + width > rightEnd)
        return std::nullopt;
    const double y = bar.minY() + std::round((bar.height() - height) / 2);
    return TitleBarBadge{Rect(x, y, width, height), scale};
}

} // namespace fw::stacks
