#include "TreeBuilders.h"
#include "layout/SnapLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

using namespace fw;

namespace {

const SnapLayout& builtIn(const char* id)
{
    for (const auto& l : SnapLayout::builtIns()) {
        if (l.id == QLatin1String(id))
            return l;
    }
    throw std::runtime_error(id);
}

} // namespace

TEST(RegionTreeValidity, RatioBoundsAreInclusiveAndNonFiniteRatiosFail)
{
    EXPECT_TRUE(H(0.08, L(0), L(1)).isValid());
    EXPECT_TRUE(V(0.92, L(0), L(1)).isValid());
    EXPECT_FALSE(H(std::nextafter(0.08, 0.0), L(0), L(1)).isValid());
    EXPECT_FALSE(H(std::nextafter(0.92, 1.0), L(0), L(1)).isValid());
    EXPECT_FALSE(H(std::numeric_limits<double>::quiet_NaN(), L(0), L(1)).isValid());
    EXPECT_FALSE(H(std::numeric_limits<double>::infinity(), L(0), L(1)).isValid());
    // A bad ratio deep inside makes the whole tree invalid.
    EXPECT_FALSE(H(0.5, L(0), V(0.95, L(1), L(2))).isValid());
}

TEST(RegionTreeValidity, LeafNumbersAndRepeats)
{
    EXPECT_TRUE(L(0).isValid());
    EXPECT_TRUE(L(15).isValid());
    EXPECT_FALSE(L(16).isValid());
    EXPECT_FALSE(L(-1).isValid());
    EXPECT_FALSE(H(0.5, L(2), L(2)).isValid());
    // A number repeated in different subtrees, not siblings.
    EXPECT_FALSE(H(0.5, V(0.5, L(0), L(1)), V(0.5, L(2), L(1))).isValid());
    EXPECT_TRUE(H(0.5, V(0.5, L(0), L(1)), V(0.5, L(2), L(3))).isValid());
}

TEST(RegionTreeValidity, SixteenRegionsAreTheMost)
{
    // A chain of 16 leaves with ratios that stay within bounds.
    RegionTree t = L(15);
    for (int n = 14; n >= 0; --n)
        t = H(0.5, L(n), t);
    EXPECT_TRUE(t.isValid());
    EXPECT_EQ(t.regionNumbers().size(), 16u);
    EXPECT_FALSE(H(0.5, L(16), t.second()).isValid());
}

TEST(RegionTreeEquality, ExactRatiosShapeAndAxis)
{
    EXPECT_EQ(H(0.5, L(0), L(1)), H(0.5, L(0), L(1)));
    EXPECT_NE(H(0.5, L(0), L(1)), H(0.5000000001, L(0), L(1)));
    EXPECT_NE(H(0.5, L(0), L(1)), V(0.5, L(0), L(1)));
    EXPECT_NE(H(0.5, L(0), L(1)), H(0.5, L(1), L(0)));
    EXPECT_NE(L(0), H(0.5, L(0), L(1)));
    EXPECT_NE(H(0.5, L(0), V(0.5, L(1), L(2))), H(0.5, L(0), V(0.5, L(1), L(3))));
    const RegionTree nan = H(std::numeric_limits<double>::quiet_NaN(), L(0), L(1));
    EXPECT_NE(nan, nan); // doubles compare as doubles
}

TEST(SnapLayoutEquality, AppsAbsentDiffersFromEmpty)
{
    SnapLayout a{"user-1", "A", H(0.5, L(0), L(1)), std::nullopt};
    SnapLayout b = a;
    EXPECT_EQ(a, b);
    b.apps = SnapLayout::AppMap{};
    EXPECT_NE(a, b);
    a.apps = SnapLayout::AppMap{};
    EXPECT_EQ(a, b);
    a.apps = SnapLayout::AppMap{{0, {"x", "y"}}};
    b.apps = SnapLayout::AppMap{{0, {"y", "x"}}};
    EXPECT_NE(a, b); // order matters: the first is in front
    b = a;
    b.name = "B";
    EXPECT_NE(a, b);
}

TEST(RegionTreeEdits, ReplacingEveryMatchingLeaf)
{
    const RegionTree t = H(0.3, L(0), V(0.6, L(1), L(2)));
    EXPECT_EQ(t.replacing(1, H(0.5, L(1), L(3))), H(0.3, L(0), V(0.6, H(0.5, L(1), L(3)), L(2))));
    EXPECT_EQ(t.replacing(9, L(4)), t);
    EXPECT_EQ(L(5).replacing(5, L(6)), L(6));
    // Invalid trees can repeat a number: every copy is replaced.
    EXPECT_EQ(H(0.5, L(2), L(2)).replacing(2, L(7)), H(0.5, L(7), L(7)));
}

TEST(RegionTreeEdits, MergingPairFindsTheFirstLeafPairInPreOrder)
{
    const RegionTree t = H(0.5, L(0), V(0.5, L(1), L(2)));
    EXPECT_EQ(t.mergingPair(1), H(0.5, L(0), L(1)));
    EXPECT_EQ(t.mergingPair(2), H(0.5, L(0), L(2)));
    EXPECT_EQ(t.mergingPair(0), std::nullopt);
    EXPECT_EQ(L(0).mergingPair(0), std::nullopt);
    EXPECT_EQ(H(0.4, L(3), L(5)).mergingPair(5), L(5));
    EXPECT_EQ(t.mergingPair(7), std::nullopt);

    const RegionTree quarters = H(0.5, V(0.3, L(0), L(1)), V(0.7, L(2), L(3)));
    EXPECT_EQ(quarters.mergingPair(3), H(0.5, V(0.3, L(0), L(1)), L(3)));
    EXPECT_EQ(quarters.mergingPair(0), H(0.5, L(0), V(0.7, L(2), L(3))));
}

TEST(RegionTreeEdits, LowestRegion)
{
    EXPECT_EQ(lowestRegion(std::map<RegionNumber, Rect>{}), std::nullopt);
    const auto rects = H(0.5, L(7), V(0.5, L(3), L(12))).unitRects(Rect(0, 0, 1, 1));
    EXPECT_EQ(lowestRegion(rects), 3);
}

TEST(SnapLayoutBuiltIns, EightInOrderAllValidNumberedFromZero)
{
    const auto& all = SnapLayout::builtIns();
    ASSERT_EQ(all.size(), 8u);
    const char* ids[] = {"halves", "thirds", "focus", "stack", "quarters", "rows", "thirds-left-stack",
                         "thirds-right-stack"};
    const char* names[] = {"Halves", "Three columns", "Wide + narrow", "Main + stack", "Four quarters",
                           "Two rows", "Left stack + columns", "Columns + right stack"};
    const std::size_t counts[] = {2, 3, 2, 3, 4, 2, 4, 4};
    for (std::size_t i = 0; i < all.size(); ++i) {
        SCOPED_TRACE(ids[i]);
        EXPECT_EQ(all[i].id, QLatin1String(ids[i]));
        EXPECT_EQ(all[i].name, QLatin1String(names[i]));
        EXPECT_FALSE(all[i].apps.has_value());
        EXPECT_TRUE(all[i].tree.isValid());
        auto numbers = all[i].tree.regionNumbers();
        std::sort(numbers.begin(), numbers.end());
        ASSERT_EQ(numbers.size(), counts[i]);
        for (std::size_t n = 0; n < numbers.size(); ++n)
            EXPECT_EQ(numbers[n], RegionNumber(n));
    }
    EXPECT_EQ(&SnapLayout::builtIns(), &all); // made once
}

TEST(SnapLayoutBuiltIns, TreesAreExact)
{
    const double third = 1.0 / 3.0;
    EXPECT_EQ(builtIn("halves").tree, H(0.5, L(0), L(1)));
    EXPECT_EQ(builtIn("thirds").tree, H(third, L(0), H(0.5, L(1), L(2))));
    EXPECT_EQ(builtIn("focus").tree, H(0.67, L(0), L(1)));
    EXPECT_EQ(builtIn("stack").tree, H(0.6, L(0), V(0.5, L(1), L(2))));
    EXPECT_EQ(builtIn("quarters").tree, H(0.5, V(0.5, L(0), L(1)), V(0.5, L(2), L(3))));
    EXPECT_EQ(builtIn("rows").tree, V(0.5, L(0), L(1)));
    EXPECT_EQ(builtIn("thirds-left-stack").tree, H(third, V(0.5, L(0), L(3)), H(0.5, L(1), L(2))));
    EXPECT_EQ(builtIn("thirds-right-stack").tree, H(third, L(0), H(0.5, L(1), V(0.5, L(2), L(3)))));

    // "Left stack + columns": region 3 sits under region 0.
    const auto rects = builtIn("thirds-left-stack").tree.unitRects(Rect(0, 0, 1, 1));
    EXPECT_EQ(rects.at(3).minX(), 0);
    EXPECT_EQ(rects.at(3).minY(), 0.5);
}
