// A captured thumbnail's pixels seen as a QImage without a copy, for the choosers to draw.
#include "transitions/qt/ThumbnailImage.h"

#include <QImage>

namespace fw {

Thumbnail thumbnailImage(PixelImage picture)
{
    if (picture.isNull())
        return nullptr;
    // 0xAARRGGBB premultiplied, rows without padding: exactly QImage's ARGB32_Premultiplied.
    auto* kept = new PixelImage(std::move(picture));
    const auto release = [](void* memory) { delete static_cast<PixelImage*>(memory); };
    return std::make_shared<const QImage>(reinterpret_cast<const uchar*>(kept->pixels.data()), kept->width,
                                          kept->height, qsizetype(kept->width) * 4, QImage::Format_ARGB32_Premultiplied,
                                          release, kept);
}

} // namespace fw
