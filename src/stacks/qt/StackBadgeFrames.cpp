// The badge's frames at an openness: the strip, grip, icons, overflow and a group's joiner and
// backing, laid along the strip and turned for upright badges.
#include "stacks/qt/StackBadgeFrames.h"

#include "stacks/BadgeSpots.h"

#include <algorithm>
#include <cmath>

namespace fw {

namespace {

QRectF transposed(const QRectF& r, double offset) { return QRectF(offset + r.y(), r.x(), r.height(), r.width()); }

} // namespace

StackBadgeFrames StackBadgeFrames::at(double o, int count, std::optional<BadgeGroup> group,
                                      std::optional<int> highlighted, bool vertical, double viewWidth)
{
    StackBadgeFrames f;
    const int n = std::clamp(count, 0, 6);
    const double s = 14 + 10 * o, y0 = 4 + 2 * o, g = 3 + 9 * o, lead = 4 + 6 * o;
    const bool grouped = group.has_value();
    const Size compact = badgeSize(count, false, false), open = badgeSize(count, true, grouped);
    f.length = compact.width + (open.width - compact.width) * o;
    f.thickness = 22 + (open.height - 22) * o;
    f.grip = QRectF(0.6 * lead, y0, 12 * o, s);
    f.gripOpacity = std::max(0.0, 2 * o - 1);
    f.background = QRectF(0, 0, f.length, f.thickness);
    const int m = grouped ? group->first + (group->second - group->first) / 2 - 1 : -1;
    for (int i = 0; i < n; ++i) {
        const double x = (4 + 18 * o) + i * (s + g) + (grouped && i > m ? 34 * o : 0);
        QRectF icon(x, y0, s, s);
        if (highlighted == i && o >= 1)
            icon.adjust(-1.5, -1.5, 1.5, 1.5);
        f.icons.push_back(icon);
    }
    if (grouped && group->second <= n && m >= 0 && m + 1 < n) {
        const double size = 22 * o;
        const double mid = (f.icons[std::size_t(m)].right() + f.icons[std::size_t(m + 1)].left()) / 2;
        f.joiner = QRectF(std::round(mid - size / 2), y0 + (s - size) / 2, size, size);
        f.joinerOpacity = std::max(0.0, 2 * o - 1);
        const QRectF first = f.icons[std::size_t(group->first)], last = f.icons[std::size_t(group->second - 1)];
        f.backing = QRectF(first.left() - 3, y0 - 3, last.right() + 3 - (first.left() - 3), s + 6);
    }
    f.overflowFont = 8 + 3 * o;
    const double xo = (4 + 18 * o) + n * (s + g) + (grouped ? 34 * o : 0);
    const double h = 10 + 4 * o;
    f.overflow = QRectF(xo - g / 2, y0 + (s - h) / 2, std::max(0.0, g / 2 + f.length - xo - lead / 2), h);
    f.opacity = 0.5 + 0.5 * o;
    if (vertical) {
        const double offset = std::round((viewWidth - f.thickness) / 2);
        f.background = transposed(f.background, offset);
        f.grip = transposed(f.grip, offset);
        f.overflow = transposed(f.overflow, offset);
        for (QRectF& icon : f.icons)
            icon = transposed(icon, offset);
        if (f.joiner)
            f.joiner = transposed(*f.joiner, offset);
        if (f.backing)
            f.backing = transposed(*f.backing, offset);
    }
    return f;
}

} // namespace fw
