#pragma once
// A captured thumbnail as the views draw it: the picture's own memory seen as a QImage,
// without a copy. The image (and every copy of it) keeps the picture alive.

#include "snap/ThumbnailCapture.h"

#include <QImage>

namespace fw {

// A null image for no thumbnail or a null picture.
QImage thumbnailImage(const Thumbnail& thumbnail);

} // namespace fw
