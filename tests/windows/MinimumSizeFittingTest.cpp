#include "windows/MinimumSizeFitting.h"

#include <gtest/gtest.h>

using namespace fw;

namespace {

SnapLayout layoutOf(RegionTree tree)
{
    SnapLayout l;
    l.id = QStringLiteral("user-test");
    l.name = QStringLiteral("Test");
    l.tree = std::move(tree);
    l.apps = SnapLayout::AppMap{{1, QStringList{QStringLiteral("org.example.editor")}}};
    return l;
}

RegionTree halves(SplitAxis axis, RegionNumber a, RegionNumber b)
{
    return RegionTree::split(axis, 0.5, RegionTree::leaf(a), RegionTree::leaf(b));
}

} // namespace

TEST(MinimumSizeFitting, MovesTheSharedDividerOfARowOnlyAsFarAsNeeded)
{
    const Rect display(0, 0, 1448, 900);
    const auto layout = layoutOf(halves(SplitAxis::horizontal, 0, 1));
    auto fitted = fittingMinimumSizes(layout, 0, 1, {900, 0}, {400, 0}, display);
    ASSERT_TRUE(fitted);
    EXPECT_NEAR(fitted->tree.ratio(), 909.0 / 1440.0, 1e-9);
    const auto frames = fitted->tree.frames(display, 8);
    EXPECT_DOUBLE_EQ(frames.at(0).width(), 901);
    EXPECT_DOUBLE_EQ(frames.at(1).width(), 523);
    EXPECT_EQ(fitted->id, layout.id);
    EXPECT_EQ(fitted->name, layout.name);
    EXPECT_EQ(fitted->apps, layout.apps);

    // The same request with the regions named the other way round moves it the other way.
    fitted = fittingMinimumSizes(layout, 1, 0, {900, 0}, {400, 0}, display);
    ASSERT_TRUE(fitted);
    EXPECT_NEAR(fitted->tree.ratio(), 1 - 909.0 / 1440.0, 1e-9);

    // Room enough already: the divider stays where it is. Heights are not compared in a row.
    fitted = fittingMinimumSizes(layout, 0, 1, {300, 5000}, {300, 5000}, display);
    ASSERT_TRUE(fitted);
    EXPECT_DOUBLE_EQ(fitted->tree.ratio(), 0.5);

    // Minimums that do not fit side by side give nothing.
    EXPECT_FALSE(fittingMinimumSizes(layout, 0, 1, {900, 0}, {540, 0}, display));
}

TEST(MinimumSizeFitting, ColumnCaseTakesTheUpperRegionByPositionNotByArgumentOrder)
{
    const Rect display(0, 0, 800, 1008); // 1000 points between the outer gaps
    const auto layout = layoutOf(halves(SplitAxis::vertical, 3, 5));
    // The first region named is the lower one and needs 600 points.
    auto fitted = fittingMinimumSizes(layout, 5, 3, {0, 600}, {0, 100}, display);
    ASSERT_TRUE(fitted);
    EXPECT_NEAR(fitted->tree.ratio(), 1 - 609.0 / 1000.0, 1e-9);
    const auto frames = fitted->tree.frames(display, 8);
    EXPECT_GE(frames.at(5).height(), 600);
    EXPECT_GE(frames.at(3).height(), 100);

    EXPECT_FALSE(fittingMinimumSizes(layout, 3, 5, {0, 600}, {0, 500}, display));
    EXPECT_FALSE(fittingMinimumSizes(layout, 3, 5, {0, 0}, {0, 0}, Rect(0, 0, 800, 8)));
}

TEST(MinimumSizeFitting, RegionsThatDoNotShareAColumnOrRowGiveNothing)
{
    const Rect display(0, 0, 1448, 900);
    // Region 0 is the top row; regions 1 and 2 split the bottom row. 0 and 1 share minX but
    // not width; 0 and 2 share nothing.
    const auto layout = layoutOf(RegionTree::split(SplitAxis::vertical, 0.5, RegionTree::leaf(0),
                                                   halves(SplitAxis::horizontal, 1, 2)));
    EXPECT_FALSE(fittingMinimumSizes(layout, 0, 1, {10, 10}, {10, 10}, display));
    EXPECT_FALSE(fittingMinimumSizes(layout, 0, 2, {10, 10}, {10, 10}, display));
    EXPECT_TRUE(fittingMinimumSizes(layout, 1, 2, {10, 10}, {10, 10}, display));
    EXPECT_FALSE(fittingMinimumSizes(layout, 1, 9, {10, 10}, {10, 10}, display));
}
