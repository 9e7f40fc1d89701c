// Entry of the pixel tests. An OpenGL 3.3 context needs a display, and Qt's offscreen platform
// offers none without one, so the tests run on a private Xvfb (no window manager) through the
// xcb platform; Mesa's llvmpipe draws. Listing the tests starts nothing.
#include "transitions/gl/GlRig.h"

#include <QApplication>
#include <algorithm>
#include <cstdio>

namespace fw::test {

namespace {
XSession* gSession = nullptr;
}

XSession& glSession() { return *gSession; }

int pixelDistance(std::uint32_t a, std::uint32_t b)
{
    int worst = 0;
    for (int shift = 0; shift < 32; shift += 8)
        worst = std::max(worst, std::abs(int((a >> shift) & 0xff) - int((b >> shift) & 0xff)));
    return worst;
}

std::string firstDifference(const PixelImage& actual, const PixelImage& expected, int tolerance)
{
    if (actual.size() != expected.size())
        return "sizes differ";
    for (int y = 0; y < actual.height; ++y)
        for (int x = 0; x < actual.width; ++x)
            if (pixelDistance(actual.pixel(x, y), expected.pixel(x, y)) > tolerance) {
                char text[96];
                std::snprintf(text, sizeof text, "at %d,%d: %08x, expected %08x", x, y, actual.pixel(x, y),
                              expected.pixel(x, y));
                return text;
            }
    return {};
}

int coveredPixels(const PixelImage& image)
{
    return int(std::count_if(image.pixels.begin(), image.pixels.end(), [](std::uint32_t p) { return p != 0; }));
}

PixelImage quadrants(int width, int height)
{
    PixelImage out(width, height);
    const int hw = width / 2, hh = height / 2;
    out.fill({0, 0, hw, hh}, argb(255, 255, 0, 0));
    out.fill({hw, 0, width - hw, hh}, argb(255, 0, 255, 0));
    out.fill({0, hh, hw, height - hh}, argb(128, 0, 0, 128));
    out.fill({hw, hh, width - hw, height - hh}, argb(255, 255, 255, 255));
    for (int x = 0; x < width; ++x) {
        out.setPixel(x, 0, argb(255, 0, 0, 0));
        out.setPixel(x, height - 1, argb(255, 0, 0, 0));
    }
    for (int y = 0; y < height; ++y) {
        out.setPixel(0, y, argb(255, 0, 0, 0));
        out.setPixel(width - 1, y, argb(255, 0, 0, 0));
    }
    return out;
}

PixelImage solid(int width, int height, std::uint32_t colour) { return PixelImage(width, height, colour); }

} // namespace fw::test

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    fw::test::XSession session(fw::test::XSessionOptions{1024, 768, false, false});
    if (!session.ok()) {
        std::fprintf(stderr, "pixel tests: no X session: %s\n", session.error().c_str());
        return 1;
    }
    fw::test::SessionApp app(session);
    fw::test::gSession = &session;
    return RUN_ALL_TESTS();
}
