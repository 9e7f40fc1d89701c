// A captured picture as plain memory (PixelImage.h).
#include "platform/PixelImage.h"

#include <algorithm>

namespace fw {

PixelRect PixelRect::intersected(const PixelRect& o) const
{
    const int x0 = std::max(x, o.x), y0 = std::max(y, o.y);
    const int x1 = std::min(x + width, o.x + o.width), y1 = std::min(y + height, o.y + o.height);
    if (x1 <= x0 || y1 <= y0)
        return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

PixelImage::PixelImage(int w, int h, std::uint32_t fillColour)
{
    if (w <= 0 || h <= 0)
        return;
    width = w;
    height = h;
    pixels.assign(std::size_t(w) * std::size_t(h), fillColour);
}

void PixelImage::fill(const PixelRect& r, std::uint32_t colour)
{
    const PixelRect c = r.intersected({0, 0, width, height});
    for (int y = c.y; y < c.y + c.height; ++y)
        std::fill_n(pixels.begin() + std::ptrdiff_t(std::size_t(y) * std::size_t(width) + std::size_t(c.x)), c.width, colour);
}

namespace {
// Source over for premultiplied pixels, channel by channel.
std::uint32_t over(std::uint32_t s, std::uint32_t d)
{
    const std::uint32_t sa = s >> 24;
    if (sa == 255)
        return s;
    if (sa == 0 && s == 0)
        return d;
    const std::uint32_t k = 255 - sa;
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const std::uint32_t sc = (s >> shift) & 0xff, dc = (d >> shift) & 0xff;
        const std::uint32_t v = std::min<std::uint32_t>(255, sc + (dc * k + 127) / 255);
        out |= v << shift;
    }
    return out;
}
} // namespace

void PixelImage::drawOver(const PixelImage& src, int x, int y)
{
    const PixelRect c = PixelRect{x, y, src.width, src.height}.intersected({0, 0, width, height});
    for (int row = c.y; row < c.y + c.height; ++row) {
        for (int col = c.x; col < c.x + c.width; ++col)
            setPixel(col, row, over(src.pixel(col - x, row - y), pixel(col, row)));
    }
}

PixelImage PixelImage::copy(const PixelRect& r) const
{
    const PixelRect c = r.intersected({0, 0, width, height});
    if (c.isEmpty())
        return {};
    PixelImage out(c.width, c.height);
    for (int row = 0; row < c.height; ++row)
        std::copy_n(pixels.begin() + std::ptrdiff_t(std::size_t(c.y + row) * std::size_t(width) + std::size_t(c.x)),
                    c.width, out.pixels.begin() + std::ptrdiff_t(std::size_t(row) * std::size_t(c.width)));
    return out;
}

} // namespace fw
