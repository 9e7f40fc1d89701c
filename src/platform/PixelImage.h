#pragma once
// A captured picture as plain memory: 32-bit pixels 0xAARRGGBB with premultiplied alpha, row by
// row from the top left, without padding. This is the layout of QImage's
// Format_ARGB32_Premultiplied and of OpenGL's GL_BGRA / GL_UNSIGNED_INT_8_8_8_8_REV, so views
// and textures take it without conversion.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fw {

struct PixelSize {
    int width = 0;
    int height = 0;

    bool isEmpty() const { return width <= 0 || height <= 0; }
    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool isEmpty() const { return width <= 0 || height <= 0; }
    // Empty when the two do not overlap.
    PixelRect intersected(const PixelRect& o) const;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

struct PixelImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    PixelImage() = default;
    // A picture of the size filled with one colour (transparent by default); a size with a
    // side below 1 gives the null picture.
    PixelImage(int w, int h, std::uint32_t fill = 0);

    bool isNull() const { return width <= 0 || height <= 0; }
    PixelSize size() const { return {width, height}; }
    std::uint32_t pixel(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
    void setPixel(int x, int y, std::uint32_t argb) { pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)] = argb; }

    // Fills the part of the rectangle inside the picture.
    void fill(const PixelRect& r, std::uint32_t argb);
    // Draws `src` with its top left at (x, y), source over (premultiplied); parts outside are
    // cut off.
    void drawOver(const PixelImage& src, int x, int y);
    // The part of the picture inside r (cut to the picture); null when nothing is left.
    PixelImage copy(const PixelRect& r) const;
};

// An opaque colour from 8-bit channels.
constexpr std::uint32_t argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b)
{
    return (a << 24) | (r << 16) | (g << 8) | b;
}

} // namespace fw
