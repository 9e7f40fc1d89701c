// The card shuffle's timeline and draw lists: where each card is in 3D at chosen times (read
// back through the camera), its shading and shadow, the drawing order and the edge cases.
#include "transitions/CardShuffle.h"

#include <gtest/gtest.h>

#include <cmath>

namespace fw {
namespace {

using namespace cardCurves;

struct Point3 {
    double x, y, z;
};

class CardShuffleScene : public ::testing::Test {
protected:
    CardShuffleScene()
    {
        shuffle.scene.area = Rect(0, 0, 1600, 900);
        shuffle.scene.slot = slot;
        shuffle.scene.beneath = {slot};
        shuffle.scene.incoming = {{slot, slot.offsetBy(300, 0)}};
        shuffle.scene.leaving = {{slot, slot}};
    }

    // A corner back in scene coordinates: undoes the perspective divide and the projection.
    Point3 unproject(const CardVertex& v) const
    {
        const Rect& area = shuffle.scene.area;
        const double w = v.position[3];
        const double px = area.minX() + (v.position[0] / w + 1) / 2 * area.width();
        const double py = area.minY() + (1 - v.position[1] / w) / 2 * area.height();
        const double cx = slot.midX(), cy = slot.midY();
        return {cx + (px - cx) * w, cy + (py - cy) * w, D * (1 - w)};
    }
    double depthOf(const CardVertex& v) const { return v.position[2] / v.position[3]; }

    const Rect slot{100, 100, 1000, 600};
    const double D = 2.4 * 1000;
    CardShuffle shuffle;
};

TEST(CardCurves, RiseHoldAndSettleAtTheirTurningPoints)
{
    EXPECT_DOUBLE_EQ(bump(0), 0);
    EXPECT_NEAR(bump(0.42), 1, 1e-12);
    EXPECT_NEAR(bump(0.71), 0.5, 1e-12);
    EXPECT_DOUBLE_EQ(bump(1), 0);
    EXPECT_DOUBLE_EQ(bump(-0.1), 0);
    EXPECT_NEAR(lift(0.21), 0.5, 1e-12);
    EXPECT_DOUBLE_EQ(lift(0.6), 1);
    EXPECT_NEAR(lift(0.85), 0.5, 1e-12);
    EXPECT_DOUBLE_EQ(lift(1), 0);
    EXPECT_DOUBLE_EQ(rise(0.16), 0);
    EXPECT_NEAR(rise(0.33), 0.5, 1e-12);
    EXPECT_DOUBLE_EQ(rise(0.5), 1);
    EXPECT_DOUBLE_EQ(settle(0.7), 0);
    EXPECT_NEAR(settle(0.85), 0.5, 1e-12);
    EXPECT_DOUBLE_EQ(settle(1), 1);
}

TEST_F(CardShuffleScene, StartsWithTheIncomingCardFlatBehindTheLeavingOneAndEndsWithItFlatInFront)
{
    auto start = shuffle.drawList(0);
    ASSERT_EQ(start.size(), 3u);   // backdrop, leaving, incoming: no shadow yet
    EXPECT_EQ(start[0].texture, 0);
    EXPECT_FALSE(start[0].depth);
    EXPECT_EQ(start[1].texture, 2);
    EXPECT_EQ(start[2].texture, 1);
    for (int k = 0; k < 4; ++k) {
        const Point3 leaving = unproject(start[1].vertices[k]), incoming = unproject(start[2].vertices[k]);
        EXPECT_NEAR(leaving.z, -2, 1e-3);
        EXPECT_NEAR(incoming.z, -2 - 0.05 * D, 1e-3);
        EXPECT_FLOAT_EQ(start[1].vertices[k].shade, 1);
        EXPECT_GT(depthOf(start[2].vertices[k]), depthOf(start[1].vertices[k]));   // farther
    }
    // Corners in strip order, at the window's own frame.
    const Point3 tl = unproject(start[2].vertices[0]), br = unproject(start[2].vertices[3]);
    EXPECT_NEAR(tl.x, slot.minX(), 1e-2);
    EXPECT_NEAR(tl.y, slot.minY(), 1e-2);
    EXPECT_NEAR(br.x, slot.maxX(), 1e-2);
    EXPECT_NEAR(br.y, slot.maxY(), 1e-2);

    auto end = shuffle.drawList(1);
    ASSERT_EQ(end.size(), 3u);   // the shadow is gone again
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(unproject(end[2].vertices[k]).z, 0, 1e-3);
        EXPECT_NEAR(unproject(end[1].vertices[k]).z, -2, 1e-3);
        EXPECT_LT(depthOf(end[2].vertices[k]), depthOf(end[1].vertices[k]));   // nearer
    }
}

TEST_F(CardShuffleScene, MidwayTheCardIsOutAtItsOutRectInFrontWithAFullShadowWhileTheOtherSinks)
{
    // At 0.42 the slide has reached its out rectangle: the hinge edge and the rows sit there.
    auto out = shuffle.drawList(0.42);
    const Rect target = slot.offsetBy(300, 0);
    const CardDraw& card = out.back();
    EXPECT_NEAR(unproject(card.vertices[0]).x, target.minX(), 1e-2);
    EXPECT_NEAR(unproject(card.vertices[0]).y, target.minY(), 1e-2);
    EXPECT_NEAR(unproject(card.vertices[3]).y, target.maxY(), 1e-2);
    // The far edge swings back by up to 6°.
    EXPECT_NEAR(unproject(card.vertices[1]).x, target.minX() + std::cos(M_PI / 30) * target.width(), 1e-2);

    auto mid = shuffle.drawList(0.5);
    ASSERT_EQ(mid.size(), 4u);
    const CardDraw& shadow = mid[2];
    EXPECT_FALSE(shadow.texture);
    EXPECT_FALSE(shadow.depth);
    EXPECT_FLOAT_EQ(shadow.vertices[0].mode, 1);
    EXPECT_NEAR(shadow.vertices[0].alpha, 0.32, 1e-6);
    // The leaving card has sunk by a tenth of the camera distance and darkened by a quarter.
    EXPECT_NEAR(mid[1].vertices[0].shade, 0.75, 1e-6);
    EXPECT_LT(unproject(mid[1].vertices[0]).z, -0.1 * D);
    for (int k = 0; k < 4; ++k)
        EXPECT_GT(unproject(mid[3].vertices[k]).z, unproject(mid[1].vertices[k]).z);
}

TEST_F(CardShuffleScene, CardsSlidingBothWaysOnlyTiltTheLeavingCardBack)
{
    shuffle.scene.incoming = {{slot, slot.offsetBy(300, 0)}, {slot, slot.offsetBy(-300, 0)}};
    EXPECT_EQ(shuffle.direction(), 0);
    auto mid = shuffle.drawList(0.6);
    const CardDraw& leaving = mid[1];
    ASSERT_EQ(leaving.texture, 3);   // after the backdrop and both incoming pictures
    const double c = std::cos(7 * M_PI / 180);
    for (int k = 0; k < 4; ++k) {
        const Point3 p = unproject(leaving.vertices[k]);
        const double x = k % 2 ? slot.maxX() : slot.minX(), y = k < 2 ? slot.minY() : slot.maxY();
        EXPECT_NEAR(p.x, x, 1e-2);   // no sideways swing
        EXPECT_NEAR(p.y, slot.maxY() - c * (slot.maxY() - y), 1e-2);
    }
    shuffle.scene.incoming = {};
    EXPECT_EQ(shuffle.direction(), 0);
    shuffle.scene.incoming = {{slot, slot.offsetBy(-300, 0)}};
    EXPECT_EQ(shuffle.direction(), -1);
}

TEST_F(CardShuffleScene, DrawListsKeepTheirOrderAndSkipWhatLiesOutsideTheSlot)
{
    shuffle.scene.beneath = {Rect(1200, 0, 100, 100), slot, Rect(100, 100, 0.5, 600)};
    shuffle.scene.leaving.push_back({Rect(1300, 50, 200, 200), Rect::null()});
    for (int i = 0; i <= 100; ++i) {
        const auto list = shuffle.drawList(i / 100.0);
        // Backdrop (0), leaving (1), shadows (2), incoming (3), never going back.
        int last = 0;
        for (const CardDraw& d : list) {
            const int kind = !d.depth ? (d.texture ? 0 : 2) : (d.texture == 3 ? 3 : 1);
            EXPECT_GE(kind, last) << i;
            last = kind;
            for (const CardVertex& v : d.vertices)
                for (float f : v.position)
                    EXPECT_TRUE(std::isfinite(f)) << i;
        }
        // Only the beneath rectangle that meets the slot, and only the leaving card inside it.
        EXPECT_EQ(std::count_if(list.begin(), list.end(), [](auto& d) { return d.texture && !d.depth; }), 1) << i;
        EXPECT_EQ(std::count_if(list.begin(), list.end(), [](auto& d) { return d.texture && *d.texture >= 4; }), 1) << i;
    }
}

} // namespace
} // namespace fw
