#pragma once
// The image of a captured thumbnail as the choosers draw it: the picture's own memory seen as
// a QImage, without a copy (the memory lives as long as the image and its copies).

#include "platform/PixelImage.h"
#include "snap/ThumbnailCapture.h"

namespace fw {

// Nothing for a null picture.
Thumbnail thumbnailImage(PixelImage picture);

} // namespace fw
