// The window port's shared parts (WindowSystem.h): the size a window's size hints allow.
#include "platform/WindowSystem.h"

#include <algorithm>
#include <cmath>

namespace fw {

namespace {

// Sizes are pixels on X; a size below one pixel does not exist.
constexpr double kSmallestSide = 1;

double constrainAxis(double v, std::optional<double> min, std::optional<double> max, double inc, double base)
{
    v = std::max(v, kSmallestSide);
    if (max)
        v = std::min(v, *max);
    if (min)
        v = std::max(v, *min);
    if (inc > 0 && v > base) {
        // Round down to base + i × increment; a small epsilon keeps exact steps exact.
        v = base + std::floor((v - base) / inc + 1e-9) * inc;
        if (min && v < *min)
            v += inc;
        v = std::max(v, kSmallestSide);
    }
    return v;
}

} // namespace

Size constrainedToHints(Size requested, const SizeHints& hints)
{
    const bool baseGiven = hints.base != Size{};
    const double baseW = baseGiven ? hints.base.width : (hints.minimum ? hints.minimum->width : 0);
    const double baseH = baseGiven ? hints.base.height : (hints.minimum ? hints.minimum->height : 0);
    auto minW = hints.minimum ? std::optional<double>(hints.minimum->width) : std::nullopt;
    auto minH = hints.minimum ? std::optional<double>(hints.minimum->height) : std::nullopt;
    auto maxW = hints.maximum ? std::optional<double>(hints.maximum->width) : std::nullopt;
    auto maxH = hints.maximum ? std::optional<double>(hints.maximum->height) : std::nullopt;
    if (maxW && minW && *maxW < *minW)
        maxW.reset();
    if (maxH && minH && *maxH < *minH)
        maxH.reset();
    return Size{constrainAxis(requested.width, minW, maxW, hints.increment.width, baseW),
                constrainAxis(requested.height, minH, maxH, hints.increment.height, baseH)};
}

} // namespace fw
