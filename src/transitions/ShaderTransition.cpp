// One shader transition run: shows the captured pictures, lets the windows be rearranged beneath them,
// then plays the effect over its duration.
#include "transitions/ShaderTransition.h"

#include <algorithm>
#include <cmath>

namespace fw {

PixelRect integralRegion(const TransitionCapture& capture)
{
    if (capture.isNull() || !capture.region.isFinite())
        return {};
    const Rect& r = capture.region;
    const int x0 = int(std::floor(r.minX())), y0 = int(std::floor(r.minY()));
    const int x1 = int(std::ceil(r.maxX())), y1 = int(std::ceil(r.maxY()));
    return PixelRect{x0, y0, x1 - x0, y1 - y0}.intersected({0, 0, capture.image->width, capture.image->height});
}

ShaderTransition::ShaderTransition(TransitionPresenter& presenter, Duration duration)
    : presenter_(presenter), duration_(duration)
{
}

Task<void> ShaderTransition::play(StackTransition transition, std::vector<Layer> layers, RevealAction revealBeneath)
{
    std::erase_if(layers, [](const Layer& p) { return p.image.isNull(); });
    const bool shown = !layers.empty() && presenter_.translucentPanels() && presenter_.gpuAvailable();
    if (!shown) {
        co_await revealBeneath();
        co_return;
    }
    co_await presenter_.playShader(effectNumber(transition), std::move(layers), duration_, std::move(revealBeneath));
}

} // namespace fw
