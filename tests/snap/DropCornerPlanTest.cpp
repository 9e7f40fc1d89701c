// The plan of inserting a window into one half of a split region, on unit rectangles: which
// region was split, which half the displaced window takes, where the other windows go, and
// every change beyond the split region refused.
#include "layout/TreeBuilders.h"
#include "snap/CornerInsertionPlan.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

SnapLayout layoutOf(RegionTree tree) { return SnapLayout{u"t"_qs, u"T"_qs, std::move(tree), std::nullopt}; }

using Plan = std::optional<CornerInsertion<int>>;

TEST(DropCornerPlan, SplittingARegionGivesItsOtherHalfToTheWindowThatFilledIt)
{
    // Halves → the left half in two rows, the new row numbered 2 at the bottom; the window
    // (7) dropped into the bottom row, the left window (10) displaced into the top one, the
    // right window (11) keeps its region.
    const SnapLayout halves = layoutOf(H(0.5, L(0), L(1)));
    const SnapLayout rows = layoutOf(H(0.5, V(0.5, L(0), L(2)), L(1)));
    const Plan plan = planCornerInsertion(halves, rows, 2, 7, std::map<RegionNumber, int>{{0, 10}, {1, 11}});
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->assignments, (std::map<RegionNumber, int>{{0, 10}, {1, 11}, {2, 7}}));
    EXPECT_EQ(plan->displaced, 10);
    EXPECT_EQ(plan->displacedRegion, 0);
    EXPECT_EQ(plan->originalRegion, 0);

    // The right window under its new number when the numbering changed; an uneven split
    // (0.6 / 0.4) that fills the old region exactly plans too.
    const SnapLayout renumbered = layoutOf(H(0.5, V(0.6, L(3), L(1)), L(0)));
    const Plan uneven = planCornerInsertion(halves, renumbered, 3, 7, std::map<RegionNumber, int>{{0, 10}, {1, 11}});
    ASSERT_TRUE(uneven);
    EXPECT_EQ(uneven->assignments, (std::map<RegionNumber, int>{{0, 11}, {1, 10}, {3, 7}}));
    EXPECT_EQ(uneven->displacedRegion, 1);

    // The dropped window itself in the split region: not displaced by itself, the other half
    // stays empty; a region without a window: nothing displaced either.
    const Plan self = planCornerInsertion(halves, rows, 2, 10, std::map<RegionNumber, int>{{0, 10}, {1, 11}});
    ASSERT_TRUE(self);
    EXPECT_FALSE(self->displaced);
    EXPECT_EQ(self->assignments, (std::map<RegionNumber, int>{{1, 11}, {2, 10}}));
    const Plan empty = planCornerInsertion(halves, rows, 2, 7, std::map<RegionNumber, int>{{1, 11}});
    ASSERT_TRUE(empty);
    EXPECT_FALSE(empty->displaced);
    EXPECT_EQ(empty->displacedRegion, 0);
}

TEST(DropCornerPlan, AnyChangeBeyondTheSplitRegionGivesNoPlan)
{
    const SnapLayout halves = layoutOf(H(0.5, L(0), L(1)));
    const std::map<RegionNumber, int> windows{{0, 10}, {1, 11}};
    const struct {
        const char* what;
        SnapLayout to;
        RegionNumber region;
        std::map<RegionNumber, int> windows;
    } cases[] = {
        {"another divider moved too", layoutOf(H(0.6, V(0.5, L(0), L(2)), L(1))), 2, windows},
        {"the region is not in the new layout", layoutOf(H(0.5, V(0.5, L(0), L(2)), L(1))), 5, windows},
        {"the region is a whole old region", halves, 1, windows},
        {"a window in a region the old tree lacks", layoutOf(H(0.5, V(0.5, L(0), L(2)), L(1))), 2,
         {{0, 10}, {1, 11}, {4, 12}}},
        {"a region cut into three", layoutOf(H(0.5, V(0.5, L(0), V(0.5, L(2), L(3))), L(1))), 2, windows},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(planCornerInsertion(halves, c.to, c.region, 7, c.windows)) << c.what;
}

} // namespace
} // namespace fw
