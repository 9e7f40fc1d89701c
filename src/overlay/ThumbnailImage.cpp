// A thumbnail's picture seen as a QImage over the same memory.
#include "overlay/ThumbnailImage.h"

namespace fw {

QImage thumbnailImage(const Thumbnail& thumbnail)
{
    if (!thumbnail || thumbnail->isNull())
        return {};
    // 0xAARRGGBB premultiplied, rows without padding: exactly QImage's ARGB32_Premultiplied.
    // The image holds a reference to the picture until its last copy goes.
    auto* kept = new Thumbnail(thumbnail);
    const auto release = [](void* held) { delete static_cast<Thumbnail*>(held); };
    return QImage(reinterpret_cast<const uchar*>(thumbnail->pixels.data()), thumbnail->width, thumbnail->height,
                  qsizetype(thumbnail->width) * 4, QImage::Format_ARGB32_Premultiplied, release, kept);
}

} // namespace fw
