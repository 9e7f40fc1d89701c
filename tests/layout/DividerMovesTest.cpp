#include "TreeBuilders.h"
#include "layout/SnapLayout.h"

#include <gtest/gtest.h>

#include <limits>

using namespace fw;

namespace {

const Rect kUnit(0, 0, 1, 1);
const Size kNoMinimum{0, 0};

const RegionTree& builtInTree(const char* id)
{
    for (const auto& l : SnapLayout::builtIns()) {
        if (l.id == QLatin1String(id))
            return l.tree;
    }
    throw std::runtime_error(id);
}

double dividerPosition(const RegionTree& t, const DividerPath& path)
{
    for (const auto& d : t.dividers(kUnit)) {
        if (d.path == path)
            return d.position;
    }
    ADD_FAILURE() << "no divider";
    return -1;
}

} // namespace

TEST(MinimumSize, CombinesAlongEachAxis)
{
    EXPECT_EQ(L(0).minimumSize({0.1, 0.2}), (Size{0.1, 0.2}));
    const Size s = builtInTree("stack").minimumSize({0.1, 0.2});
    EXPECT_DOUBLE_EQ(s.width, std::max(0.1 / 0.6, 0.1 / 0.4));
    EXPECT_DOUBLE_EQ(s.height, 0.4); // the stack needs two heights
}

TEST(SettingDivider, OtherDividersKeepTheirAbsolutePlace)
{
    // Main + stack: the stack's level divider is unaffected by the column's width.
    RegionTree moved = builtInTree("stack").settingDivider({}, 0.3, kUnit, kNoMinimum);
    EXPECT_EQ(moved.ratio(), 0.3);
    EXPECT_EQ(moved.second().ratio(), 0.5);
    EXPECT_DOUBLE_EQ(dividerPosition(moved, {true}), 0.5);

    // Three columns: the second divider stays at 2/3.
    moved = builtInTree("thirds").settingDivider({}, 0.5, kUnit, kNoMinimum);
    EXPECT_DOUBLE_EQ(moved.ratio(), 0.5);
    EXPECT_NEAR(moved.second().ratio(), 1.0 / 3.0, 1e-12);
    EXPECT_NEAR(dividerPosition(moved, {true}), 2.0 / 3.0, 1e-12);

    moved = builtInTree("thirds").settingDivider({}, 0.62, kUnit, kNoMinimum);
    EXPECT_DOUBLE_EQ(moved.ratio(), 0.62);
    EXPECT_NEAR(moved.second().ratio(), (2.0 / 3.0 - 0.62) / 0.38, 1e-12);
    EXPECT_TRUE(moved.isValid());
}

TEST(SettingDivider, BisectionStopsWhereTheInnerRatioReachesItsBound)
{
    const RegionTree moved = builtInTree("thirds").settingDivider({}, 0.64, kUnit, kNoMinimum);
    const double limit = (2.0 / 3.0 - 0.08) / 0.92; // ≈ 0.63768
    EXPECT_LT(moved.ratio(), limit);
    EXPECT_GT(moved.ratio(), limit - 1e-7);
    EXPECT_TRUE(moved.isValid());
    EXPECT_NEAR(dividerPosition(moved, {true}), 2.0 / 3.0, 1e-12);
    // Moving the other way toward a region's minimum width.
    const RegionTree halves = builtInTree("halves");
    const RegionTree limited = halves.settingDivider({}, 0.1, kUnit, Size{0.3, 0});
    EXPECT_NEAR(limited.ratio(), 0.3, 1e-7);
    EXPECT_GE(limited.ratio(), 0.3 - 1e-10);
}

TEST(SettingDivider, OutOfRangeTargetsClampAndNoMoveLeavesTheTree)
{
    const RegionTree halves = builtInTree("halves");
    EXPECT_EQ(halves.settingDivider({}, -5, kUnit, kNoMinimum).ratio(), 0.08);
    EXPECT_EQ(halves.settingDivider({}, 7, kUnit, kNoMinimum).ratio(), 0.92);
    EXPECT_EQ(halves.settingDivider({}, std::numeric_limits<double>::quiet_NaN(), kUnit, kNoMinimum), halves);
    EXPECT_EQ(halves.settingDivider({}, std::numeric_limits<double>::infinity(), kUnit, kNoMinimum), halves);
    EXPECT_EQ(L(0).settingDivider({}, 0.3, kUnit, kNoMinimum), L(0));
    EXPECT_EQ(halves.settingDivider({}, 0.3, Rect(0, 0, 0, 1), kNoMinimum), halves);
    // A path that runs into a leaf changes nothing.
    EXPECT_EQ(halves.settingDivider({true, false}, 0.3, kUnit, kNoMinimum), halves);
    // A region already below the minimum may not shrink at all: no round of bisection fits.
    EXPECT_EQ(halves.settingDivider({}, 0.3, kUnit, Size{0.7, 0}), halves);
    // Positions are in the rectangle's coordinates.
    EXPECT_DOUBLE_EQ(halves.settingDivider({}, 400, Rect(100, 0, 1000, 500), kNoMinimum).ratio(), 0.3);
}

TEST(SettingDivider, InnerDividerInItsContainer)
{
    const RegionTree quarters = builtInTree("quarters");
    const RegionTree moved = quarters.settingDivider({true}, 0.25, kUnit, kNoMinimum);
    EXPECT_EQ(moved.second().ratio(), 0.25);
    EXPECT_EQ(moved.first(), quarters.first());
    EXPECT_EQ(moved.ratio(), 0.5);
}

TEST(ProportionalMove, ClampsToChildMinimumsAndCarriesInnerDividers)
{
    const RegionTree thirds = builtInTree("thirds");
    RegionTree moved = thirds.movingDividerProportionally({}, 0.5, kUnit, kNoMinimum);
    EXPECT_EQ(moved.ratio(), 0.5);
    EXPECT_EQ(moved.second().ratio(), 0.5); // inner divider moves with its container
    moved = thirds.movingDividerProportionally({}, 0.9, kUnit, Size{0.1, 0});
    EXPECT_DOUBLE_EQ(moved.ratio(), 0.8); // the two right columns need 0.2
    moved = thirds.movingDividerProportionally({}, 0.0, kUnit, kNoMinimum);
    EXPECT_EQ(moved.ratio(), 0.08);
    // No room for both: unchanged.
    EXPECT_EQ(thirds.movingDividerProportionally({}, 0.5, kUnit, Size{0.6, 0}), thirds);
    EXPECT_EQ(thirds.movingDividerProportionally({}, std::numeric_limits<double>::quiet_NaN(), kUnit, kNoMinimum),
              thirds);
}

TEST(Refitted, LeavesMayShrinkToTheMinimumButNotBelow)
{
    const Size min{100, 50};
    EXPECT_TRUE(L(0).refitted(Rect(0, 0, 300, 300), Rect(0, 0, 100, 50), min).has_value());
    EXPECT_FALSE(L(0).refitted(Rect(0, 0, 300, 300), Rect(0, 0, 99, 50), min).has_value());
    // Already below the minimum: may grow, not shrink.
    EXPECT_TRUE(L(0).refitted(Rect(0, 0, 80, 300), Rect(0, 0, 90, 300), min).has_value());
    EXPECT_FALSE(L(0).refitted(Rect(0, 0, 80, 300), Rect(0, 0, 79, 300), min).has_value());
    // A split keeps its divider's absolute x.
    auto r = H(0.5, L(0), L(1)).refitted(Rect(0, 0, 100, 10), Rect(0, 0, 80, 10), Size{0, 0});
    ASSERT_TRUE(r.has_value());
    EXPECT_DOUBLE_EQ(r->ratio(), 50.0 / 80.0);
    // Divider outside the new rectangle's allowed band.
    EXPECT_FALSE(H(0.5, L(0), L(1)).refitted(Rect(0, 0, 100, 10), Rect(0, 0, 52, 10), Size{0, 0}).has_value());
    EXPECT_FALSE(H(0.5, L(0), L(1)).refitted(Rect(0, 0, 100, 10), Rect(0, 0, 0, 10), Size{0, 0}).has_value());
}

TEST(MoveDividerOnEdge, OuterEdgesAndMatching)
{
    const RegionTree halves = builtInTree("halves");
    EXPECT_EQ(halves.moveDivider(0, RegionEdge::left, 0.3, kNoMinimum), halves);
    EXPECT_EQ(halves.moveDivider(1, RegionEdge::right, 0.3, kNoMinimum), halves);
    EXPECT_EQ(halves.moveDivider(0, RegionEdge::top, 0.3, kNoMinimum), halves);
    EXPECT_EQ(halves.moveDivider(9, RegionEdge::right, 0.3, kNoMinimum), halves);
    EXPECT_EQ(halves.moveDivider(0, RegionEdge::right, 0.3, kNoMinimum).ratio(), 0.3);
    EXPECT_EQ(halves.moveDivider(1, RegionEdge::left, 0.7, kNoMinimum).ratio(), 0.7);

    const RegionTree quarters = builtInTree("quarters");
    // Only the root divider is upright at x = 0.5.
    RegionTree moved = quarters.moveDivider(0, RegionEdge::right, 0.4, kNoMinimum);
    EXPECT_EQ(moved.ratio(), 0.4);
    EXPECT_EQ(moved.first().ratio(), 0.5);
    EXPECT_EQ(moved.second().ratio(), 0.5);
    // The bottom of region 0 is the left column's divider, not the right column's.
    moved = quarters.moveDivider(0, RegionEdge::bottom, 0.3, kNoMinimum);
    EXPECT_DOUBLE_EQ(moved.first().ratio(), 0.3);
    EXPECT_EQ(moved.second().ratio(), 0.5);
    moved = quarters.moveDivider(3, RegionEdge::top, 0.3, kNoMinimum);
    EXPECT_EQ(moved.first().ratio(), 0.5);
    EXPECT_DOUBLE_EQ(moved.second().ratio(), 0.3);
}

TEST(MoveDividerOnEdge, InnermostDividerOnTheLineWins)
{
    // Two level dividers on the line y = 0.5 over region 1: the root (spanning everything) and the
    // right column's. Region 1's bottom edge must move the inner one.
    const RegionTree t = V(0.5, H(0.5, L(0), L(1)), L(2));
    RegionTree moved = t.moveDivider(1, RegionEdge::bottom, 0.3, kNoMinimum);
    EXPECT_DOUBLE_EQ(moved.ratio(), 0.3);
    const RegionTree nested = H(0.5, L(0), V(0.5, L(1), L(2)));
    moved = nested.moveDivider(1, RegionEdge::bottom, 0.7, kNoMinimum);
    EXPECT_EQ(moved.ratio(), 0.5);
    EXPECT_DOUBLE_EQ(moved.second().ratio(), 0.7);
}

TEST(EqualizingDivider, ExactHalfOrNothing)
{
    const RegionTree t = H(0.3, L(0), V(0.7, L(1), L(2)));
    auto eq = t.equalizingDivider({}, kNoMinimum);
    ASSERT_TRUE(eq.has_value());
    EXPECT_EQ(eq->ratio(), 0.5);
    EXPECT_EQ(eq->second(), t.second()); // every other ratio unchanged
    eq = t.equalizingDivider({true}, kNoMinimum);
    ASSERT_TRUE(eq.has_value());
    EXPECT_EQ(eq->second().ratio(), 0.5);
    EXPECT_EQ(eq->ratio(), 0.3);

    // First child needs 0.6 of the width: 50/50 is impossible.
    EXPECT_EQ(H(0.7, L(0), L(1)).equalizingDivider({}, Size{0.6, 0}), std::nullopt);
    // The second child's needs count too (two regions of 0.3 each need 0.6).
    EXPECT_EQ(H(0.3, L(0), H(0.5, L(1), L(2))).equalizingDivider({}, Size{0.3, 0}), std::nullopt);
    EXPECT_EQ(t.equalizingDivider({false}, kNoMinimum), std::nullopt); // leaf: no divider
    EXPECT_EQ(L(0).equalizingDivider({}, kNoMinimum), std::nullopt);
}
