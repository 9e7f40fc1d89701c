// Each monitor's visible frame from the struts standing on it (Struts.h).
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

} // namespace

Strut Strut::along(double left, double right, double top, double bottom, const Rect& w)
{
    const double x0 = w.minX(), x1 = w.maxX() - 1, y0 = w.minY(), y1 = w.maxY() - 1;
    return Strut{left, right, top, bottom, y0, y1, y0, y1, x0, x1, x0, x1};
}

std::vector<Rect> visibleFrames(const std::vector<Rect>& monitors, const std::vector<Strut>& struts, Size screen,
                                const std::optional<Rect>& workArea)
{
    const bool stated = std::any_of(struts.begin(), struts.end(), [](const Strut& s) { return s.reserves(); });
    std::vector<Rect> out;
    out.reserve(monitors.size());
    for (const Rect& monitor : monitors) {
        Rect visible = monitor;
        for (const Strut& s : struts)
            visible = cut(visible, s, screen);
        // No strut stated anywhere: the bars are the window manager's own (fluxbox's), and its
        // work area is all there is to go by.
        if (!stated && workArea && !monitor.intersection(*workArea).isEmpty())
            visible = monitor.intersection(*workArea);
        out.push_back(visible);
    }
    return out;
}

} // namespace fw
