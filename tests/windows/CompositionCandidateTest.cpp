#include "windows/CompositionCandidate.h"

#include <gtest/gtest.h>

using namespace fw;

namespace {

using Candidate = CompositionCandidate<int>;
using Assignment = std::map<RegionNumber, int>;

Candidate cand(int window, Rect frame, Size minimum = {0, 0}) { return Candidate{window, frame, minimum}; }

} // namespace

TEST(PlacementCost, InPlaceIsMinusOneOtherwiseCentreDistancePlusWeightedSizeDifference)
{
    const Rect region(0, 0, 100, 100);
    EXPECT_DOUBLE_EQ(placementCost(Rect(0.5, -0.5, 100.4, 100), region), -1.0);
    // Centres (50,50) and (80,90): distance 50; sizes differ by 20 and 0 → 50 + 4.
    EXPECT_DOUBLE_EQ(placementCost(Rect(20, 40, 120, 100), region), 54.0);
    // Just outside the tolerance is no longer "in place".
    EXPECT_GT(placementCost(Rect(1.5, 0, 100, 100), region), 0.0);
    // An empty frame never counts as in place, even over an empty region.
    EXPECT_GE(placementCost(Rect(0, 0, 0, 0), Rect(0, 0, 0, 0)), 0.0);
}

TEST(CompositionAssign, KeepsWindowsInPlaceAndOtherwisePrefersTheNearest)
{
    const std::map<RegionNumber, Rect> regions{{0, Rect(0, 0, 100, 100)}, {1, Rect(100, 0, 100, 100)}};
    // Window 2 lies in region 0 exactly; window 1 is nearer to region 0's centre than to 1's
    // but does not lie in it. The window in place keeps its region.
    auto r = Candidate::assign({cand(1, Rect(5, 5, 100, 100)), cand(2, Rect(0, 0, 100, 100))}, regions);
    EXPECT_EQ(r, (Assignment{{0, 2}, {1, 1}}));

    // Equal costs: the earlier candidate wins.
    r = Candidate::assign({cand(7, Rect(300, 0, 50, 50)), cand(3, Rect(300, 0, 50, 50))},
                          {{4, Rect(0, 0, 100, 100)}});
    EXPECT_EQ(r, (Assignment{{4, 7}}));

    // Nearest by centre distance and size difference, whatever the candidate order.
    r = Candidate::assign({cand(1, Rect(400, 400, 100, 100)), cand(2, Rect(10, 10, 100, 100))},
                          {{0, Rect(0, 0, 100, 100)}});
    EXPECT_EQ(r, (Assignment{{0, 2}}));
}

TEST(CompositionAssign, MovesAWindowInPlaceOnlyWhenThatFillsAnotherRegion)
{
    // Region 0 is large, region 1 small. Window 1 lies in region 0 and fits both; window 2
    // fits only region 0 (by its minimum). The maximum matching moves window 1 out.
    const std::map<RegionNumber, Rect> regions{{0, Rect(0, 0, 200, 200)}, {1, Rect(200, 0, 100, 100)}};
    auto r = Candidate::assign({cand(1, Rect(0, 0, 200, 200), {50, 50}), cand(2, Rect(500, 500, 200, 200), {150, 150})},
                               regions);
    EXPECT_EQ(r, (Assignment{{0, 2}, {1, 1}}));

    // A chain of two displacements: 1 in region 0, 2 in region 1; window 3 fits only region 0,
    // window 2 also fits region 2 only after window 1 leaves region 1... build it so that
    // filling all three regions needs 1 to move to 1 and 2 to move to 2.
    const std::map<RegionNumber, Rect> chain{{0, Rect(0, 0, 300, 300)}, {1, Rect(300, 0, 200, 200)}, {2, Rect(500, 0, 100, 100)}};
    r = Candidate::assign({cand(1, Rect(0, 0, 300, 300), {150, 150}),
                           cand(2, Rect(300, 0, 200, 200), {50, 50}),
                           cand(3, Rect(900, 900, 300, 300), {250, 250})},
                          chain);
    EXPECT_EQ(r, (Assignment{{0, 3}, {1, 1}, {2, 2}}));
}

TEST(CompositionAssign, DuplicatesMinimumsExclusionsAndMissingRegions)
{
    const std::map<RegionNumber, Rect> one{{0, Rect(0, 0, 100, 100)}};
    // Only the first occurrence of a window counts: its far frame loses to window 2, even
    // though the second occurrence of window 1 lies in the region.
    auto r = Candidate::assign({cand(1, Rect(600, 600, 100, 100)), cand(2, Rect(20, 20, 100, 100)),
                                cand(1, Rect(0, 0, 100, 100))},
                               one);
    EXPECT_EQ(r, (Assignment{{0, 2}}));

    // A region smaller than the only window's minimum stays empty; the window is absent.
    r = Candidate::assign({cand(1, Rect(0, 0, 100, 100), {101, 50})}, one);
    EXPECT_TRUE(r.empty());
    // Exactly the minimum fits.
    r = Candidate::assign({cand(1, Rect(0, 0, 100, 100), {100, 100})}, one);
    EXPECT_EQ(r, (Assignment{{0, 1}}));

    // Excluded pairs are never offered again; another window may take the region.
    std::unordered_map<int, std::set<RegionNumber>> excluded{{1, {0}}};
    r = Candidate::assign({cand(1, Rect(0, 0, 100, 100)), cand(2, Rect(900, 900, 10, 10))}, one, excluded);
    EXPECT_EQ(r, (Assignment{{0, 2}}));

    EXPECT_TRUE(Candidate::assign({}, one).empty());
    EXPECT_TRUE(Candidate::assign({cand(1, Rect(0, 0, 100, 100))}, {}).empty());
}

TEST(CompositionAssign, TheRegionWithFewerEligibleWindowsIsFilledFirst)
{
    // Window 1 is nearest to region 0 but is the only window that fits region 1; window 2 fits
    // only region 0. Both regions are filled, window 1 where only it fits.
    const std::map<RegionNumber, Rect> regions{{0, Rect(0, 0, 400, 400)}, {1, Rect(400, 0, 100, 100)}};
    auto r = Candidate::assign({cand(1, Rect(10, 10, 400, 400), {50, 50}), cand(2, Rect(2000, 0, 400, 400), {300, 300})},
                               regions);
    EXPECT_EQ(r, (Assignment{{0, 2}, {1, 1}}));

    // With one window and two regions it may take, the region higher on screen comes first
    // when both have as many eligible windows, whatever the distances.
    const std::map<RegionNumber, Rect> stacked{{3, Rect(0, 500, 100, 100)}, {8, Rect(0, 0, 100, 100)}};
    r = Candidate::assign({cand(1, Rect(0, 480, 100, 100))}, stacked);
    EXPECT_EQ(r, (Assignment{{8, 1}}));
}
