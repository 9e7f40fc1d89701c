// The easing curves and frame interpolation of animated window moves and the shuffle's slide.
#include "windows/MotionCurve.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace fw {

double easeInOut(double p)
{
    if (!(p > 0))   // also NaN
        p = 0;
    if (p >= 1)
        return 1;
    if (p < 0.5)
        return 4 * p * p * p;
    const double q = 2 - 2 * p;
    return 1 - q * q * q / 2;
}

double progressMoving(const Rect& from, const Rect& to, double pixels)
{
    const double far = std::max({std::abs(to.minX() - from.minX()), std::abs(to.minY() - from.minY()),
                                 std::abs(to.maxX() - from.maxX()), std::abs(to.maxY() - from.maxY())});
    if (!(far > pixels))   // also NaN
        return 1;
    // The inverse of easeInOut at the fraction of the trip that is `pixels` long.
    const double e = pixels / far;
    const double p = e < 0.5 ? std::cbrt(e / 4) : 1 - std::cbrt(2 * (1 - e)) / 2;
    return std::clamp(p, 0.0, 1.0);
}

Rect animateFrame(const Rect& from, const Rect& to, double progress)
{
    const double e = easeInOut(progress);
    // std::lerp: exact at both ends, monotone, and finite for any finite frames (a + e(b − a)
    // overflows for far-apart values and misses the end by rounding).
    auto lerp = [e](double a, double b) { return std::lerp(a, b, e); };
    return Rect(lerp(from.x(), to.x()), lerp(from.y(), to.y()),
                lerp(from.width(), to.width()), lerp(from.height(), to.height()));
}

double shuffleFraction(double t)
{
    constexpr double peak = 0.42;
    if (!(t > 0))
        t = 0;
    if (t > 1)
        t = 1;
    const double b = t <= peak ? 1 - std::cos(std::numbers::pi * t / peak)
                               : 1 + std::cos(std::numbers::pi * (t - peak) / (1 - peak));
    return b / 2;
}

} // namespace fw
