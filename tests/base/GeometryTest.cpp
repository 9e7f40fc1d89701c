#include "base/Geometry.h"

#include <gtest/gtest.h>

using namespace fw;

TEST(Rect, EdgesAreThoseOfTheStandardisedRectangle)
{
    const Rect r(10, 20, -4, -6); // same area as {{6, 14}, {4, 6}}
    EXPECT_EQ(r.minX(), 6);
    EXPECT_EQ(r.maxX(), 10);
    EXPECT_EQ(r.minY(), 14);
    EXPECT_EQ(r.maxY(), 20);
    EXPECT_EQ(r.midX(), 8);
    EXPECT_EQ(r.midY(), 17);
    EXPECT_EQ(r.standardized(), Rect(6, 14, 4, 6));
    EXPECT_FALSE(r.isEmpty());
    EXPECT_TRUE(Rect(1, 2, 0, 5).isEmpty());
    EXPECT_FALSE(Rect(1, 2, 0, 5).isNull());
    EXPECT_TRUE(Rect::null().isNull());
    EXPECT_TRUE(Rect::null().isEmpty());
    EXPECT_FALSE(Rect::null().isFinite());
    EXPECT_FALSE(Rect(0, 0, std::nan(""), 1).isFinite());
}

TEST(Rect, IntersectionIsNullWithoutOverlapAndEmptyWhereEdgesTouch)
{
    const Rect a(0, 0, 100, 100);
    EXPECT_EQ(a.intersection(Rect(50, 60, 100, 100)), Rect(50, 60, 50, 40));
    EXPECT_EQ(a.intersection(Rect(150, 150, -100, -100)), Rect(50, 50, 50, 50)); // standardised first
    EXPECT_TRUE(a.intersects(Rect(99, 99, 5, 5)));

    // Touching along an edge: an empty rectangle on the shared edge, not null; no intersection.
    const Rect touch = a.intersection(Rect(100, 10, 50, 20));
    EXPECT_FALSE(touch.isNull());
    EXPECT_TRUE(touch.isEmpty());
    EXPECT_EQ(touch, Rect(100, 10, 0, 20));
    EXPECT_FALSE(a.intersects(Rect(100, 10, 50, 20)));
    EXPECT_EQ(a.intersection(Rect(100, 100, 5, 5)), Rect(100, 100, 0, 0)); // corner to corner

    EXPECT_TRUE(a.intersection(Rect(100.5, 0, 5, 5)).isNull());
    EXPECT_TRUE(a.intersection(Rect(0, -10, 5, 9)).isNull());
    EXPECT_TRUE(a.intersection(Rect::null()).isNull());
    EXPECT_TRUE(Rect::null().intersection(a).isNull());
    EXPECT_FALSE(a.intersects(Rect::null()));
}

TEST(Rect, UnionIgnoresNullButNotEmptyRectangles)
{
    const Rect a(0, 0, 10, 10);
    EXPECT_EQ(a.united(Rect(20, -5, 5, 5)), Rect(0, -5, 25, 15));
    EXPECT_EQ(a.united(Rect::null()), a);
    EXPECT_EQ(Rect::null().united(Rect(5, 5, -5, -5)), Rect(0, 0, 5, 5));
    EXPECT_TRUE(Rect::null().united(Rect::null()).isNull());
    EXPECT_EQ(a.united(Rect(30, 30, 0, 0)), Rect(0, 0, 30, 30)); // a zero-size rect still counts
}

TEST(Rect, ContainmentTakesMinimumEdgesInsideAndMaximumEdgesOutside)
{
    const Rect r(10, 20, 30, 40);
    EXPECT_TRUE(r.contains(Point{10, 20}));
    EXPECT_TRUE(r.contains(Point{39.999, 59.999}));
    EXPECT_FALSE(r.contains(Point{40, 30}));
    EXPECT_FALSE(r.contains(Point{20, 60}));
    EXPECT_FALSE(r.contains(Point{9.999, 30}));
    EXPECT_TRUE(Rect(40, 60, -30, -40).contains(Point{10, 20})); // standardised
    EXPECT_FALSE(Rect(10, 20, 0, 40).contains(Point{10, 30}));   // empty holds no point
    EXPECT_FALSE(Rect::null().contains(Point{0, 0}));

    EXPECT_TRUE(r.contains(r));
    EXPECT_TRUE(r.contains(Rect(10, 20, 0, 0)));
    EXPECT_TRUE(r.contains(Rect(40, 60, -30, -40)));
    EXPECT_FALSE(r.contains(Rect(10, 20, 30.5, 40)));
    EXPECT_FALSE(r.contains(Rect(9, 20, 2, 2)));
    EXPECT_TRUE(r.contains(Rect::null()));
    EXPECT_FALSE(Rect::null().contains(r));
}

TEST(Rect, InsetAndOffset)
{
    EXPECT_EQ(Rect(0, 0, 100, 50).insetBy(4, 4), Rect(4, 4, 92, 42));
    EXPECT_EQ(Rect(0, 0, 100, 50).insetBy(-4, 0), Rect(-4, 0, 108, 50));
    EXPECT_EQ(Rect(100, 50, -100, -50).insetBy(10, 5), Rect(10, 5, 80, 40));
    EXPECT_EQ(Rect(0, 0, 10, 10).insetBy(5, 5), Rect(5, 5, 0, 0)); // exactly used up: empty
    EXPECT_TRUE(Rect(0, 0, 10, 10).insetBy(5.5, 0).isNull());       // overdrawn: null
    EXPECT_TRUE(Rect::null().insetBy(-10, -10).isNull());
    EXPECT_EQ(Rect(1, 2, 3, 4).offsetBy(-1, 10), Rect(0, 12, 3, 4));
    EXPECT_TRUE(Rect::null().offsetBy(5, 5).isNull());
}

TEST(GeometryText, IntegralValuesHaveNoDecimalsAndTheRectFormReadsBack)
{
    EXPECT_EQ(toString(Rect(0, 25, 1440, 875)), "{{0, 25}, {1440, 875}}");
    EXPECT_EQ(toString(Point{-0.0, -12}), "{0, -12}");
    EXPECT_EQ(toString(Size{0.5, 1e20}), "{0.5, 1e+20}");
    EXPECT_EQ(toString(Rect(0.1, 2.25, -3, 4)), "{{0.1, 2.25}, {-3, 4}}");
    EXPECT_EQ(formatNumber(1.0 / 3), "0.3333333333333333");

    Rect out;
    ASSERT_TRUE(parseRect("{{0.1, 2.25}, {-3, 4}}", out));
    EXPECT_EQ(out, Rect(0.1, 2.25, -3, 4));
    ASSERT_TRUE(parseRect(" { {1,2} , {3,4} } ", out));
    EXPECT_EQ(out, Rect(1, 2, 3, 4));
    const Rect kept = out;
    for (const char* bad : {"", "{1, 2}", "{{1, 2}, {3}}", "{{1, 2}, {3, 4}}x", "{{a, 2}, {3, 4}}",
             "{{1, 2}, {3, inf}}", "{{nan, 2}, {3, 4}}", "{{1, 2}, {3, 4}, {5, 6}}"}) {
        EXPECT_FALSE(parseRect(bad, out)) << bad;
        EXPECT_EQ(out, kept) << bad;
    }
}
