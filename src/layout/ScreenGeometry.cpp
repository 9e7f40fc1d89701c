// Display keys, the screen containing a point, and the few bottom-left to top-left conversions.
#include "layout/ScreenGeometry.h"

namespace fw {

QString displayKey(const ScreenInfo& screen)
{
    return screen.key.isEmpty() ? screen.name : screen.key;
}

std::optional<ScreenInfo> screenWithKey(const std::vector<ScreenInfo>& screens, const QString& key)
{
    for (const ScreenInfo& s : screens) {
        if (displayKey(s) == key)
            return s;
    }
    return std::nullopt;
}

std::optional<ScreenInfo> containing(const std::vector<ScreenInfo>& screens, const Point& point)
{
    for (const ScreenInfo& s : screens) {
        if (s.frame.contains(point))
            return s;
    }
    return std::nullopt;
}

std::optional<ScreenInfo> mostOverlapping(const std::vector<ScreenInfo>& screens, const Rect& rect)
{
    std::vector<Rect> frames;
    for (const ScreenInfo& s : screens)
        frames.push_back(s.frame);
    const auto best = bestOverlapIndex(rect, frames);
    return best ? std::optional<ScreenInfo>(screens[*best]) : std::nullopt;
}

double scaleAt(const std::vector<ScreenInfo>& screens, const Point& point)
{
    const auto screen = containing(screens, point);
    return screen ? screen->scale : 1.0;
}

Rect topLeftVisibleFrame(const ScreenInfo& screen) { return screen.visibleFrame; }

double primaryScreenMaxY(const std::vector<ScreenInfo>& screens)
{
    return screens.empty() ? 0 : screens.front().frame.maxY();
}

Rect topLeftRect(const Rect& bottomLeftRect, const std::vector<ScreenInfo>& screens)
{
    const double p = primaryScreenMaxY(screens);
    return Rect(bottomLeftRect.minX(), p - bottomLeftRect.maxY(), bottomLeftRect.width(), bottomLeftRect.height());
}

} // namespace fw
