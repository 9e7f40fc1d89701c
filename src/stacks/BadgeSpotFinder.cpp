// The badge's sizes and the search for a free title-bar spot.
#include "stacks/BadgeSpotFinder.h"

#include <algorithm>
#include <cmath>

namespace fw {

namespace {

constexpr double kBandLimit = 130;
constexpr double kMaxControlHeight = 60;

bool countsAsControl(const WindowChrome& chrome, const WindowChrome::Element& e)
{
    return e.isControl && !(chrome.titleBarButtons && chrome.titleBarButtons->insetBy(-6, -6).contains(e.frame));
}

bool overlapsBand(const Rect& r, const ControlBand& band) { return band.low < r.maxY() && r.minY() < band.high; }

// Rounded to the nearest whole point, halves away from zero.
double whole(double v) { return std::round(v); }

bool collides(const Rect& badge, const std::vector<const WindowChrome*>& keepClear)
{
    for (const WindowChrome* c : keepClear) {
        for (const auto& e : c->elements) {
            if (badge.intersects(e.frame.insetBy(-8, -2)))
                return true;
        }
        if (c->titleBarButtons && badge.intersects(c->titleBarButtons->insetBy(-8, -4)))
            return true;
    }
    return false;
}

std::vector<double> candidates(const WindowChrome& chrome, const ControlBand& band, bool firstBand)
{
    std::vector<Rect> obstacles;
    for (const auto& e : chrome.elements) {
        if (e.isControl && overlapsBand(e.frame, band))
            obstacles.push_back(e.frame);
    }
    if (chrome.titleBarButtons && overlapsBand(*chrome.titleBarButtons, band))
        obstacles.push_back(*chrome.titleBarButtons);

    std::vector<double> xs;
    if (!obstacles.empty()) {
        double right = obstacles.front().maxX();
        for (const Rect& o : obstacles)
            right = std::max(right, o.maxX());
        xs.push_back(right + 14);
    }
    if (firstBand && chrome.titleBarButtons)
        xs.push_back(chrome.titleBarButtons->maxX() + 16);

    std::stable_sort(obstacles.begin(), obstacles.end(), [](const Rect& a, const Rect& b) { return a.minX() < b.minX(); });
    struct Gap {
        double start, width;
    };
    std::vector<Gap> gaps;
    double cursor = 8;
    for (const Rect& o : obstacles) {
        if (cursor < o.minX())
            gaps.push_back({cursor, o.minX() - cursor});
        cursor = std::max(cursor, o.maxX());
    }
    std::stable_sort(gaps.begin(), gaps.end(), [](const Gap& a, const Gap& b) { return a.width > b.width; });
    for (const Gap& g : gaps)
        xs.push_back(g.start + 14);
    return xs;
}

} // namespace

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

int controlsOutsideButtons(const WindowChrome& chrome)
{
    return int(std::count_if(chrome.elements.begin(), chrome.elements.end(),
                             [&](const auto& e) { return countsAsControl(chrome, e); }));
}

bool hasFewControls(const WindowChrome& chrome) { return controlsOutsideButtons(chrome) < 2; }

std::vector<ControlBand> controlBands(const WindowChrome& chrome)
{
    std::vector<Rect> controls;
    for (const auto& e : chrome.elements) {
        if (e.isControl && e.frame.minY() < kBandLimit && e.frame.height() <= kMaxControlHeight)
            controls.push_back(e.frame);
    }
    std::stable_sort(controls.begin(), controls.end(), [](const Rect& a, const Rect& b) { return a.minY() < b.minY(); });
    std::vector<ControlBand> bands;
    for (const Rect& c : controls) {
        auto band = std::find_if(bands.begin(), bands.end(), [&](const ControlBand& b) {
            return std::min(b.high, c.maxY()) - std::max(b.low, c.minY()) >= c.height() / 2;
        });
        if (band != bands.end()) {
            band->low = std::min(band->low, c.minY());
            band->high = std::max(band->high, c.maxY());
        } else {
            bands.push_back({c.minY(), c.maxY()});
        }
    }
    std::erase_if(bands, [](const ControlBand& b) { return b.high > kBandLimit; });
    std::stable_sort(bands.begin(), bands.end(), [](const ControlBand& a, const ControlBand& b) { return a.low < b.low; });
    return bands;
}

std::optional<Point> badgeOrigin(const WindowChrome& chrome, const Size& windowSize, const Size& compact,
                                 const Size& expanded, const std::vector<WindowChrome>& avoiding)
{
    if (hasFewControls(chrome))
        return std::nullopt;
    std::vector<const WindowChrome*> keepClear{&chrome};
    for (const WindowChrome& other : avoiding) {
        if (!hasFewControls(other))
            keepClear.push_back(&other);
    }
    const std::vector<ControlBand> bands = controlBands(chrome);
    for (std::size_t b = 0; b < bands.size(); ++b) {
        const double y = std::max(2.0, whole((bands[b].low + bands[b].high) / 2 - compact.height / 2));
        for (double candidate : candidates(chrome, bands[b], b == 0)) {
            const double x = whole(candidate);
            if (x < 8 || x + expanded.width > windowSize.width - 8 || y + expanded.height > windowSize.height - 8)
                continue;
            if (!collides(Rect(x, y, compact.width, compact.height), keepClear))
                return Point{x, y};
        }
    }
    return std::nullopt;
}

} // namespace fw
