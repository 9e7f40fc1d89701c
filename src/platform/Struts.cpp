#include "platform/Struts.h"

#include <algorithm>

namespace fw {

namespace {

// Cuts one strut's edges from a monitor where they stand on it.
Rect cut(Rect m, const Strut& s, Size screen)
{
    const auto crosses = [&](const Rect& line) { return !line.intersection(m).isEmpty(); };
    double minX = m.minX(), maxX = m.maxX(), minY = m.minY(), maxY = m.maxY();
    if (s.left > 0 && crosses(Rect(s.left - 1, s.leftStartY, 1, s.leftEndY - s.leftStartY + 1)))
        minX = std::max(minX, s.left);
    if (s.right > 0 && crosses(Rect(screen.width - s.right, s.rightStartY, 1, s.rightEndY - s.rightStartY + 1)))
        maxX = std::min(maxX, screen.width - s.right);
    if (s.top > 0 && crosses(Rect(s.topStartX, s.top - 1, s.topEndX - s.topStartX + 1, 1)))
        minY = std::max(minY, s.top);
    if (s.bottom > 0 && crosses(Rect(s.bottomStartX, screen.height - s.bottom, s.bottomEndX - s.bottomStartX + 1, 1)))
        maxY = std::min(maxY, screen.height - s.bottom);
    if (maxX <= minX || maxY <= minY)
        return m;
    return Rect(minX, minY, maxX - minX, maxY - minY);
}

// The edges of the work area that reach further in than every strut on them: bars the window
// manager keeps without stating a strut, taken to span their whole edge.
Strut unexplained(const Rect& area, const std::vector<Strut>& struts, Size screen)
{
    Strut most;
    for (const Strut& s : struts) {
        most.left = std::max(most.left, s.left);
        most.right = std::max(most.right, s.right);
        most.top = std::max(most.top, s.top);
        most.bottom = std::max(most.bottom, s.bottom);
    }
    const double left = area.minX(), right = screen.width - area.maxX();
    const double top = area.minY(), bottom = screen.height - area.maxY();
    return Strut::along(left > most.left ? left : 0, right > most.right ? right : 0, top > most.top ? top : 0,
                        bottom > most.bottom ? bottom : 0, Rect(0, 0, screen.width, screen.height));
}

} // namespace

Strut Strut::along(double left, double right, double top, double bottom, const Rect& w)
{
    const double x0 = w.minX(), x1 = w.maxX() - 1, y0 = w.minY(), y1 = w.maxY() - 1;
    return Strut{left, right, top, bottom, y0, y1, y0, y1, x0, x1, x0, x1};
}

std::vector<Rect> visibleFrames(const std::vector<Rect>& monitors, const std::vector<Strut>& struts, Size screen,
                                const std::optional<Rect>& workArea)
{
    const bool areaFits = workArea && !workArea->isEmpty() && Rect(0, 0, screen.width, screen.height).contains(*workArea);
    const std::optional<Strut> bars = areaFits ? std::optional(unexplained(*workArea, struts, screen)) : std::nullopt;
    std::vector<Rect> out;
    out.reserve(monitors.size());
    for (const Rect& monitor : monitors) {
        Rect visible = monitor;
        for (const Strut& s : struts)
            visible = cut(visible, s, screen);
        if (bars && bars->reserves())
            visible = cut(visible, *bars, screen);
        out.push_back(visible);
    }
    return out;
}

} // namespace fw
