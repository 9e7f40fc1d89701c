// The frame comparisons and the increment-aware arrival rule every read-back uses.
#include "windows/FrameMatch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace fw;

TEST(FrameMatch, EdgesMatchWithinTheToleranceAndNeverForDegenerateFrames)
{
    const Rect r(10, 20, 300, 200);
    EXPECT_TRUE(edgesMatch(r, r, 0));
    EXPECT_TRUE(edgesMatch(r, Rect(12, 18, 300, 204), 2)); // exactly the tolerance
    EXPECT_FALSE(edgesMatch(r, Rect(12.5, 20, 300, 200), 2));
    // Same origin, larger size: the far edge differs.
    EXPECT_FALSE(edgesMatch(r, Rect(10, 20, 303, 200), 2));
    EXPECT_FALSE(edgesMatch(Rect(0, 0, 0, 10), Rect(0, 0, 0, 10), 5));
    EXPECT_FALSE(edgesMatch(Rect(0, 0, 10, -1), Rect(0, 0, 10, -1), 5));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(edgesMatch(Rect(nan, 0, 10, 10), Rect(0, 0, 10, 10), inf));
    EXPECT_FALSE(edgesMatch(r, Rect(10, 20, inf, 200), inf));
}

TEST(FrameMatch, AWindowOnACellGridMayFallShortOfItsTargetByOneCell)
{
    const Rect target(100, 50, 900, 600);
    const Size cell{9, 17};
    auto sized = [&](double dx, double dy, double dw, double dh) {
        return Rect(target.x() + dx, target.y() + dy, target.width() + dw, target.height() + dh);
    };
    // Each side up to a cell and the tolerance short, never longer than the tolerance allows,
    // the origin as tight as without a grid; without one, the tolerance alone.
    EXPECT_TRUE(sitsIn(sized(5, -5, -14, -22), target, cell, 5));
    EXPECT_FALSE(sitsIn(sized(5, -5, -14, -22), target, {}, 5));
    EXPECT_FALSE(sitsIn(sized(0, 0, -14.01, 0), target, cell, 5));
    EXPECT_FALSE(sitsIn(sized(0, 0, 0, -22.01), target, cell, 5));
    EXPECT_FALSE(sitsIn(sized(0, 0, 5.01, 0), target, cell, 5));
    EXPECT_FALSE(sitsIn(sized(5.01, 0, -9, 0), target, cell, 5));
    // A grid on one axis only; cells of a point or less, or of half the target's side or
    // more, are no grid.
    EXPECT_TRUE(sitsIn(sized(0, 0, -14, 0), target, Size{9, 0}, 5));
    EXPECT_FALSE(sitsIn(sized(0, 0, 0, -14), target, Size{9, 0}, 5));
    EXPECT_EQ(gridCells(Size{1, 300}, target), Size(0, 0));
    EXPECT_EQ(gridCells(Size{449, 299}, target), Size(449, 299));
}
