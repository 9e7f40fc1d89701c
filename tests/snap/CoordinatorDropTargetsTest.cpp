// The drop target under the pointer as the hover update asks the coordinator for it: the
// coordinator's guard, applied layouts, shown menu, window stacks and remembered side splits
// all take part.
#include "SnapFixture.h"

#include "HoverTarget.h"
#include "snap/DropTargets.h"

namespace fw::snaptest {
namespace {

class CoordinatorDropTargets : public SnapDesk {};

TEST_F(CoordinatorDropTargets, TheCoordinatorsStateDecidesTheTarget)
{
    auto& c = start();
    // A custom layout with a side-by-side pair on the right: 0 | 1 | 2.
    const SnapLayout mine{u"user-pair"_qs, u"Pair"_qs,
                          RegionTree::split(SplitAxis::horizontal, 0.5, RegionTree::leaf(0),
                                            RegionTree::split(SplitAxis::horizontal, 0.5, RegionTree::leaf(1),
                                                              RegionTree::leaf(2))),
                          std::nullopt};
    const auto left = add(100, region(mine, 0));
    const auto middle = add(101, region(mine, 1));
    const auto dragged = add(102, Rect(300, 200, 640, 480));
    state.layouts.setGroup(u"A"_qs, LayoutGroup{mine, {{0, left}, {1, middle}}, {}});

    DropTargetQuery query;
    query.window = dragged;
    query.display = u"A"_qs;
    query.visibleFrame = topLeftVisibleFrame(kLeft);
    query.windowFrame = frameOf(dragged);
    const Rect middleFrame = region(mine, 1);
    query.pointer = Point{middleFrame.midX(), middleFrame.midY()};
    const auto tileTitles = [&] {
        QStringList titles;
        const auto target = regionDropTarget(c, query);
        for (const auto& item : target && target->menu ? target->menu->items : std::vector<DropActionMenu::Item>{})
            titles << item.title;
        return titles;
    };

    // A side-by-side pair is rejoined only once a side split made it on this display.
    EXPECT_EQ(tileTitles(), (QStringList{u"Add to Stack"_qs, u"Top Half"_qs, u"Bottom Half"_qs}));
    state.sideSplits.add(u"A"_qs, {1, 2});
    EXPECT_EQ(tileTitles(), (QStringList{u"Add to Stack"_qs, u"Top Half"_qs, u"Bottom Half"_qs, u"Whole Column"_qs}));

    // The tile menu on screen answers with the tile under the pointer.
    const auto offered = regionDropTarget(c, query);
    ASSERT_TRUE(offered && offered->menu);
    state.drop.shownMenu = ShownMenu{u"A"_qs, 1, *offered->menu};
    const Rect lastTile = offered->menu->items.back().frame;
    query.pointer = Point{lastTile.midX(), lastTile.midY()};
    const auto tile = regionDropTarget(c, query);
    ASSERT_TRUE(tile && tile->fill);
    EXPECT_EQ(tile->intent, RegionDropIntent::fillColumn(1));
    EXPECT_EQ(tile->fill->columnRegions, (std::set<RegionNumber>{1, 2}));
    EXPECT_EQ(tile->occupant, middle);

    // While a placement runs there is no target.
    state.interaction.mutating = true;
    EXPECT_FALSE(regionDropTarget(c, query));
    state.interaction.mutating = false;
    state.drop.shownMenu.reset();

    // The middle region's stack is fronted by the dragged window: a plain placement.
    query.pointer = Point{middleFrame.midX(), middleFrame.midY()};
    stacks.declaredStacks = {{dragged, middle}};
    const auto place = regionDropTarget(c, query);
    ASSERT_TRUE(place);
    EXPECT_EQ(place->intent, RegionDropIntent::place(1));
    EXPECT_FALSE(place->menu);
}

} // namespace
} // namespace fw::snaptest
