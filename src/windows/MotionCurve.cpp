#include "windows/MotionCurve.h"

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
