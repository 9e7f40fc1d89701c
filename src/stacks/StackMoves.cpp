// The geometry of stack moves, computed apart from the tasks that play them.
#include "stacks/StackMoves.h"

#include "layout/ScreenGeometry.h"

#include <algorithm>
#include <cmath>

namespace fw {

Rect screenArea(const std::vector<ScreenInfo>& screens, const Rect& frame)
{
    const Point centre{frame.midX(), frame.midY()};
    for (const ScreenInfo& s : screens) {
        if (s.frame.contains(centre))
            return topLeftVisibleFrame(s);
    }
    return frame;
}

std::optional<Rect> croppedRegion(const Rect& region, const Rect& frame, const Rect& visible)
{
    if (visible == frame)
        return region;
    const double sx = region.width() / frame.width(), sy = region.height() / frame.height();
    const Rect crop(region.minX() + sx * (visible.minX() - frame.minX()), region.minY() + sy * (visible.minY() - frame.minY()),
                    sx * visible.width(), sy * visible.height());
    const double x0 = std::floor(crop.minX()), y0 = std::floor(crop.minY());
    const Rect out = Rect(x0, y0, std::ceil(crop.maxX()) - x0, std::ceil(crop.maxY()) - y0).intersection(region);
    if (out.isNull() || out.width() < 1 || out.height() < 1)
        return std::nullopt;
    return out;
}

Rect spanCoverOutFrame(const Rect& frame, const Rect& span, const Rect& screen)
{
    double direction;
    if (frame.midX() < span.midX() - 1)
        direction = -1;
    else if (frame.midX() > span.midX() + 1)
        direction = 1;
    else
        direction = span.midX() <= screen.midX() ? 1 : -1;
    return frame.offsetBy(direction * std::min(0.3 * frame.width(), 520.0), 0);
}

namespace {

// A vertical seam when b lies just right of a, overlapping vertically.
std::optional<std::array<double, 4>> rightOf(const Rect& a, const Rect& b)
{
    const double overlap = std::min(a.maxY(), b.maxY()) - std::max(a.minY(), b.minY());
    if (a.maxX() - 1 > b.minX() || b.minX() - a.maxX() > 24 || overlap <= 1)
        return std::nullopt;
    const double x = (a.maxX() + b.minX()) / 2;
    return std::array<double, 4>{x, std::max(a.minY(), b.minY()), x, std::min(a.maxY(), b.maxY())};
}

// A horizontal seam when b lies just below a, overlapping horizontally.
std::optional<std::array<double, 4>> below(const Rect& a, const Rect& b)
{
    const double overlap = std::min(a.maxX(), b.maxX()) - std::max(a.minX(), b.minX());
    if (a.maxY() - 1 > b.minY() || b.minY() - a.maxY() > 24 || overlap <= 1)
        return std::nullopt;
    const double y = (a.maxY() + b.minY()) / 2;
    return std::array<double, 4>{std::max(a.minX(), b.minX()), y, std::min(a.maxX(), b.maxX()), y};
}

} // namespace

std::vector<Seam> seams(const Rect& span, const std::vector<Rect>& regions)
{
    std::vector<Seam> out;
    if (!(span.width() > 0) || !(span.height() > 0) || regions.size() < 2)
        return out;
    auto add = [&](const std::optional<std::array<double, 4>>& line) {
        if (!line)
            return;
        const auto& l = *line;
        out.push_back({float((l[0] - span.minX()) / span.width()), float((l[1] - span.minY()) / span.height()),
                       float((l[2] - span.minX()) / span.width()), float((l[3] - span.minY()) / span.height())});
    };
    for (std::size_t i = 0; i < regions.size(); ++i) {
        for (std::size_t j = i + 1; j < regions.size(); ++j) {
            const Rect& a = regions[i];
            const Rect& b = regions[j];
            add(rightOf(a, b));
            add(rightOf(b, a));
            add(below(a, b));
            add(below(b, a));
        }
    }
    return out;
}

} // namespace fw
