// Window capture on the simulated desktop (SimWindowCapture.h): generated one-colour pictures,
// each request recorded, failures scripted by the test.
#include "platform/sim/SimWindowCapture.h"

#include <algorithm>
#include <cmath>

namespace fw::sim {

std::uint32_t SimWindowCapture::colourOf(WindowId id)
{
    // A spread of distinct, fairly bright colours; never the background.
    std::uint64_t h = id * 0x9e3779b97f4a7c15ull;
    h ^= h >> 29;
    const std::uint32_t r = 64 + std::uint32_t(h & 0xbf), g = 64 + std::uint32_t((h >> 8) & 0xbf),
                        b = 64 + std::uint32_t((h >> 16) & 0xbf);
    return argb(255, r, g, b);
}

bool SimWindowCapture::capturable(WindowId id) const
{
    const SimWindow* w = desktop_.window(id);
    return available_ && w && !w->setup.minimized && !failing_.count(id);
}

std::optional<PixelImage> SimWindowCapture::captureWindow(WindowId window, const Rect& frame, PixelSize size)
{
    requests_.push_back({false, window, {}, frame, size});
    if (!capturable(window) || size.isEmpty() || !desktop_.window(window)->frame.intersects(frame))
        return std::nullopt;
    return PixelImage(size.width, size.height, colourOf(window));
}

std::optional<PixelImage> SimWindowCapture::captureDesktop(const Rect& area, const std::vector<WindowId>& windows,
                                                           PixelSize size)
{
    requests_.push_back({true, 0, windows, area, size});
    if (!available_ || size.isEmpty() || area.isEmpty())
        return std::nullopt;
    PixelImage out(size.width, size.height, backgroundColour);
    const double sx = size.width / area.width(), sy = size.height / area.height();
    for (WindowId id : windows) {
        if (!capturable(id))
            continue;
        const Rect r = desktop_.window(id)->frame.intersection(area);
        if (r.isEmpty())
            continue;
        const int x0 = int(std::lround((r.minX() - area.minX()) * sx)), y0 = int(std::lround((r.minY() - area.minY()) * sy));
        const int x1 = int(std::lround((r.maxX() - area.minX()) * sx)), y1 = int(std::lround((r.maxY() - area.minY()) * sy));
        out.fill({x0, y0, x1 - x0, y1 - y0}, colourOf(id));
    }
    return out;
}

} // namespace fw::sim
