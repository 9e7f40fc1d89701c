#pragma once
// The pictures a transition animates: a captured window image with the part of it that shows
// the window, and one window of a shader transition (its picture, where it is drawn, the point
// the genie pours into and the gaps the particles stream along).

#include "base/Geometry.h"
#include "platform/PixelImage.h"
#include "transitions/ShaderUniforms.h"

#include <memory>
#include <optional>
#include <vector>

namespace fw {

struct TransitionCapture {
    std::shared_ptr<const PixelImage> image;
    // The part of the image, in pixels from its top left, that holds the picture; captures
    // made here use the whole image.
    Rect region;

    bool isNull() const { return !image || image->isNull(); }
    static TransitionCapture whole(PixelImage picture)
    {
        auto image = std::make_shared<const PixelImage>(std::move(picture));
        const Rect region(0, 0, image->width, image->height);
        return {std::move(image), region};
    }
};

struct TransitionLayer {
    TransitionCapture image;
    Rect frame;                              // global device pixels, top left
    std::optional<Point> funnel;             // global device pixels; the genie's target
    std::optional<std::vector<Seam>> seams;  // window-local gaps for the particles
};

// The region rounded outward to whole pixels and cut to the image; empty when nothing is left.
PixelRect integralRegion(const TransitionCapture& capture);

} // namespace fw
