#pragma once
// What the pixel tests share: the private X session they run on, a GPU record, offscreen
// targets, and pictures of known colours with a tolerant comparison.

#include "platform/PixelImage.h"
#include "transitions/qt/TransitionGpu.h"
#include "x11/XSession.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace fw::test {

// The session the test program runs on (set by its main).
XSession& glSession();

// Channel-wise distance of two premultiplied pixels.
int pixelDistance(std::uint32_t a, std::uint32_t b);
// Nothing when every pixel is within the tolerance; otherwise where and what differed first.
std::string firstDifference(const PixelImage& actual, const PixelImage& expected, int tolerance);
// How many pixels are not fully transparent.
int coveredPixels(const PixelImage& image);

// Four quadrants: opaque red, opaque green, half-transparent blue (premultiplied) and opaque
// white, with a black frame one pixel wide.
PixelImage quadrants(int width, int height);
PixelImage solid(int width, int height, std::uint32_t argb);

class GpuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gpu = TransitionGpu::make();
        ASSERT_TRUE(gpu) << "no OpenGL 3.3 context on the test display";
        ASSERT_TRUE(gpu->makeCurrent());
    }
    void TearDown() override
    {
        if (gpu)
            gpu->makeCurrent();
    }
    std::unique_ptr<TransitionGpu> gpu;
};

} // namespace fw::test
