#include "TreeBuilders.h"
#include "layout/CustomLayoutDraft.h"

#include <gtest/gtest.h>

using namespace fw;

TEST(CustomLayoutDraft, CommitIgnoresInvalidAndEqualTrees)
{
    CustomLayoutDraft d(H(0.5, L(0), L(1)));
    d.commit(H(0.4, L(0), L(1)));
    d.undo();
    ASSERT_EQ(d.redoTrees.size(), 1u);
    const CustomLayoutDraft before = d;
    d.commit(H(0.5, L(0), L(1)));     // equal
    d.commit(H(0.5, L(0), L(0)));     // invalid
    d.commit(H(0.05, L(0), L(1)));    // invalid ratio
    EXPECT_EQ(d, before);
    d.commit(H(0.6, L(0), L(1)));
    EXPECT_TRUE(d.redoTrees.empty());
    EXPECT_EQ(d.undoTrees.size(), 1u);
}

TEST(CustomLayoutDraft, UndoHistoryIsCappedAtOneHundred)
{
    CustomLayoutDraft d(H(0.5, L(0), L(1)));
    for (int i = 1; i <= 101; ++i)
        d.commit(H(0.5 + i * 0.001, L(0), L(1)));
    ASSERT_EQ(d.undoTrees.size(), 100u);
    EXPECT_EQ(d.undoTrees.front(), H(0.501, L(0), L(1))); // the original tree was dropped
    for (int i = 0; i < 100; ++i)
        d.undo();
    EXPECT_EQ(d.tree, H(0.501, L(0), L(1)));
    EXPECT_EQ(d.redoTrees.size(), 100u);
    const CustomLayoutDraft before = d;
    d.undo();
    EXPECT_EQ(d, before);
    for (int i = 0; i < 100; ++i)
        d.redo();
    EXPECT_EQ(d.tree, H(0.5 + 101 * 0.001, L(0), L(1)));
    EXPECT_EQ(d.undoTrees.size(), 100u);
    d.redo(); // nothing left
    EXPECT_EQ(d.undoTrees.size(), 100u);
}

TEST(CustomLayoutDraft, SplitPicksTheSmallestFreeNumberAndKeepsTheSelection)
{
    CustomLayoutDraft d(H(0.5, L(0), V(0.5, L(1), L(3))), 3);
    d.split(SplitAxis::horizontal);
    EXPECT_EQ(d.tree, H(0.5, L(0), V(0.5, L(1), H(0.5, L(3), L(2)))));
    EXPECT_EQ(d.selectedRegion, 3);

    d.undo();
    EXPECT_EQ(d.tree, H(0.5, L(0), V(0.5, L(1), L(3))));
    EXPECT_EQ(d.selectedRegion, 3);
    d.redo();
    EXPECT_EQ(d.tree, H(0.5, L(0), V(0.5, L(1), H(0.5, L(3), L(2)))));
}

TEST(CustomLayoutDraft, SplitRefusesFullTreesAndNarrowRegions)
{
    RegionTree full = L(15);
    for (int n = 14; n >= 0; --n)
        full = V(0.5, L(n), full);
    CustomLayoutDraft d(full, 0);
    d.split(SplitAxis::horizontal);
    EXPECT_EQ(d.tree, full);
    EXPECT_TRUE(d.undoTrees.empty());

    // Region 0 is 0.15 wide: no horizontal split, but a vertical one is fine.
    CustomLayoutDraft narrow(H(0.15, L(0), L(1)), 0);
    narrow.split(SplitAxis::horizontal);
    EXPECT_EQ(narrow.tree, H(0.15, L(0), L(1)));
    narrow.split(SplitAxis::vertical);
    EXPECT_EQ(narrow.tree, H(0.15, V(0.5, L(0), L(2)), L(1)));

    // Exactly 0.16 is wide enough.
    CustomLayoutDraft edge(H(0.16, L(0), L(1)), 0);
    edge.split(SplitAxis::horizontal);
    EXPECT_EQ(edge.tree, H(0.16, H(0.5, L(0), L(2)), L(1)));
}

TEST(CustomLayoutDraft, SelectionFollowsTheTree)
{
    CustomLayoutDraft d(H(0.5, L(4), L(2)), 9);
    EXPECT_EQ(d.selectedRegion, 2); // not a region: the lowest one
    d.selectedRegion = 4;
    // Merging region 2 into its pair removes region 4: the selection moves to the lowest left.
    d.commit(*d.tree.mergingPair(2));
    EXPECT_EQ(d.tree, L(2));
    EXPECT_EQ(d.selectedRegion, 2);
    d.undo();
    EXPECT_EQ(d.selectedRegion, 2); // still present
    d.selectedRegion = 99;
    d.split(SplitAxis::vertical); // selection not in the tree: nothing happens
    EXPECT_EQ(d.tree, H(0.5, L(4), L(2)));
}
