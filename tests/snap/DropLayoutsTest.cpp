// The layouts that drops produce: halves, stacked splits, corner layouts and column fills,
// with the names and ids they take.
#include "snap/DropLayouts.h"

#include "layout/TreeBuilders.h"

#include <gtest/gtest.h>

using namespace fw;

namespace {

const double third = 1.0 / 3.0;

SnapLayout builtIn(const QString& id)
{
    for (const SnapLayout& l : SnapLayout::builtIns()) {
        if (l.id == id)
            return l;
    }
    return {};
}

SnapLayout custom(const QString& id, const QString& name, RegionTree tree)
{
    return {id, name, std::move(tree), std::nullopt};
}

RegionTree sixteenLeaves()
{
    RegionTree t = L(0);
    for (RegionNumber n = 1; n < 16; ++n)
        t = H(0.5, t, L(n));
    return t;
}

} // namespace

TEST(DropLayouts, HalvesTakeTheFreeNumberAndABuiltInsNameWhenTheTreeIsOne)
{
    EXPECT_EQ(freeRegionNumber(H(0.5, L(0), L(2))), 1);
    EXPECT_FALSE(freeRegionNumber(sixteenLeaves()));
    EXPECT_FALSE(splitLayout(0, SplitAxis::vertical, true, sixteenLeaves()));
    EXPECT_FALSE(splitLayout(5, SplitAxis::vertical, true, H(0.5, L(0), L(1))));

    const auto right = splitLayout(1, SplitAxis::horizontal, false, H(0.5, L(0), L(1)));
    ASSERT_TRUE(right);
    EXPECT_EQ(*right, (LayoutChoice{custom(u"corner-custom"_qs, u"Custom layout"_qs, H(0.5, L(0), H(0.5, L(1), L(2)))),
                                    2}));
    // Splitting the right half of "left column stacked" rebuilds "quarters".
    const auto quarters = splitLayout(2, SplitAxis::vertical, true, H(0.5, V(0.5, L(0), L(1)), L(2)));
    ASSERT_TRUE(quarters);
    EXPECT_EQ(*quarters, (LayoutChoice{builtIn(u"quarters"_qs), 2}));
}

TEST(DropLayouts, StackedSplitsOfFullHeightRegions)
{
    const SnapLayout thirds = builtIn(u"thirds"_qs);
    // The user's adjusted left stack gives the ratio.
    const std::vector<SnapLayout> list{thirds,
                                       custom(u"thirds-left-stack"_qs, u"Left stack + columns"_qs,
                                              H(third, V(0.6, L(0), L(3)), H(0.5, L(1), L(2))))};
    EXPECT_EQ(stackedSplitLayout(0, false, thirds, list),
              (LayoutChoice{custom(u"thirds-left-stack"_qs, u"Left stack + columns"_qs,
                                   H(third, V(0.6, L(0), L(3)), H(0.5, L(1), L(2)))),
                            3}));
    EXPECT_EQ(stackedSplitLayout(2, true, thirds, {}),
              (LayoutChoice{custom(u"thirds-right-stack"_qs, u"Columns + right stack"_qs,
                                   H(third, L(0), H(0.5, L(1), V(0.5, L(2), L(3))))),
                            2}));
    EXPECT_EQ(stackedSplitLayout(1, true, thirds, list).layout.id, u"corner-custom");
    EXPECT_EQ(stackedSplitLayout(1, true, thirds, list).layout.name, u"Custom corner layout");

    // Not full height, or no such region: unchanged.
    const SnapLayout stack = builtIn(u"stack"_qs);
    EXPECT_EQ(stackedSplitLayout(1, true, stack, {}), (LayoutChoice{stack, 1}));
    EXPECT_EQ(stackedSplitLayout(9, true, stack, {}), (LayoutChoice{stack, 9}));
}

TEST(DropLayouts, LayoutAfterASplitDrop)
{
    const SnapLayout halves = builtIn(u"halves"_qs), stack = builtIn(u"stack"_qs);
    EXPECT_EQ(layoutAfterSplit(RegionDropIntent::splitSide(1, false), halves, {})->region, 2);
    // A full-height region is stacked; a region that is not is halved.
    EXPECT_EQ(*layoutAfterSplit(RegionDropIntent::split(0, false), halves, {}),
              (LayoutChoice{custom(u"corner-custom"_qs, u"Custom corner layout"_qs, H(0.5, V(0.5, L(0), L(2)), L(1))),
                            2}));
    EXPECT_EQ(*layoutAfterSplit(RegionDropIntent::split(1, true), stack, {}),
              (LayoutChoice{custom(u"corner-custom"_qs, u"Custom layout"_qs,
                                   H(0.6, L(0), V(0.5, V(0.5, L(1), L(3)), L(2)))),
                            1}));
    EXPECT_FALSE(layoutAfterSplit(RegionDropIntent::place(0), halves, {}));
    EXPECT_FALSE(layoutAfterSplit(RegionDropIntent::fillColumn(0), halves, {}));
}

TEST(DropLayouts, CornerLayouts)
{
    const SnapLayout quarters = builtIn(u"quarters"_qs);
    EXPECT_EQ(cornerLayout(SnapCorner::bottomRight, std::nullopt, {}), (LayoutChoice{quarters, 3}));
    SnapLayout adjusted = quarters;
    adjusted.tree = H(0.4, V(0.5, L(0), L(1)), V(0.5, L(2), L(3)));
    EXPECT_EQ(cornerLayout(SnapCorner::bottomLeft, std::nullopt, {builtIn(u"halves"_qs), adjusted}),
              (LayoutChoice{adjusted, 1}));

    const SnapLayout halves = builtIn(u"halves"_qs);
    EXPECT_EQ(cornerLayout(SnapCorner::topRight, halves, {}),
              (LayoutChoice{custom(u"corner-custom"_qs, u"Custom corner layout"_qs, H(0.5, L(0), V(0.5, L(1), L(2)))),
                            1}));
    EXPECT_EQ(cornerLayout(SnapCorner::bottomLeft, halves, {}).region, 2);
    // The corner's region is not full height: the applied layout stays.
    const SnapLayout stack = builtIn(u"stack"_qs);
    EXPECT_EQ(cornerLayout(SnapCorner::bottomRight, stack, {}), (LayoutChoice{stack, 2}));
}

TEST(DropLayouts, ColumnFillPlans)
{
    const auto stackFill = columnFill(builtIn(u"stack"_qs), 0.8);
    ASSERT_TRUE(stackFill);
    EXPECT_EQ(*stackFill, (ColumnFill{custom(u"corner-custom"_qs, u"Custom layout"_qs, H(0.6, L(0), L(1))), 1, {1, 2},
                                      std::nullopt, std::nullopt}));

    // A single-region column: the layout stays as it is.
    const SnapLayout halves = builtIn(u"halves"_qs);
    EXPECT_EQ(*columnFill(halves, 0.2), (ColumnFill{halves, 0, {0}, std::nullopt, std::nullopt}));

    // The last column at x = 1; nothing just outside the layout or without columns.
    EXPECT_EQ(columnFill(builtIn(u"quarters"_qs), 1.0)->region, 2);
    EXPECT_FALSE(columnFill(builtIn(u"quarters"_qs), 1.01));
    EXPECT_FALSE(columnFill(builtIn(u"quarters"_qs), -0.01));
    EXPECT_FALSE(columnFill(builtIn(u"rows"_qs), 0.5));
    EXPECT_FALSE(columnFill(custom(u"one"_qs, u"One"_qs, L(0)), 0.5));
    EXPECT_FALSE(columnFill(custom(u"bad"_qs, u"Bad"_qs, H(0.5, L(0), V(0.5, L(0), L(1)))), 0.8));

    // A merged tree that is a built-in's takes its id; a custom layout keeps its own, without apps.
    EXPECT_EQ(columnFill(builtIn(u"thirds-left-stack"_qs), 0.1)->layout, builtIn(u"thirds"_qs));
    SnapLayout mine{u"user-7"_qs, u"Mine"_qs, H(0.5, L(0), V(0.5, H(0.5, L(5), L(4)), L(1))),
                    SnapLayout::AppMap{{0, {u"org.gnome.gedit"_qs}}}};
    const auto fill = columnFill(mine, 0.9);
    ASSERT_TRUE(fill);
    // Regions 5 and 4 share the column's top: the lower number is the merged region.
    EXPECT_EQ(*fill, (ColumnFill{custom(u"user-7"_qs, u"Mine"_qs, H(0.5, L(0), L(4))), 4, {1, 4, 5}, std::nullopt,
                                 std::nullopt}));
}
