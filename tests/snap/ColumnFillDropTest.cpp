// Dropping a window along the top edge of a column of stacked regions: the column is joined
// and the dragged window fills it together with the column's windows; a window moved away by
// hand stays out; a window that cannot take the full height puts every window back; a failed
// restore is reported.
#include "DropDesk.h"

namespace fw::snaptest {
namespace {

class ColumnFillDrop : public DropDesk {
protected:
    // The floating window released along the top edge of the right column of "stack".
    void fillRightColumn()
    {
        const Rect column = region(stack, 1);
        const auto t = targetAt(w, Point{column.midX(), topLeftVisibleFrame(kLeft).minY() + 3}, std::nullopt, start);
        ASSERT_TRUE(t);
        ASSERT_EQ(t->intent, RegionDropIntent::fillColumn(1));
        ASSERT_TRUE(release(*t, w, std::nullopt, start));
    }
    static Rect joined() { return region(SnapLayout{{}, {}, H(0.6, L(0), L(1)), {}}, 1); }

    const SnapLayout& stack = builtIn(u"stack"_qs);
    std::vector<ManagedWindow> placed = placeAll(stack);
    const Rect start{200, 300, 500, 400};
    ManagedWindow w = add(110, start);
};

TEST_F(ColumnFillDrop, TheDraggedWindowAndTheColumnsWindowsFillTheJoinedColumn)
{
    sim.place(placed[2].element, region(stack, 2).offsetBy(0, 20)); // moved away by hand
    fillRightColumn();
    EXPECT_EQ(frameOf(w), joined());
    EXPECT_EQ(frameOf(placed[1]), joined());
    EXPECT_EQ(frameOf(placed[2]), region(stack, 2).offsetBy(0, 20)) << "not part of the column any more";
    EXPECT_EQ(frameOf(placed[0]), region(stack, 0));
    const LayoutGroup& g = coordinator->groups().at(u"A"_qs);
    EXPECT_EQ(g.layout.tree, H(0.6, L(0), L(1)));
    EXPECT_EQ(g.windows, (std::map<RegionNumber, ManagedWindow>{{0, placed[0]}, {1, w}}));
    EXPECT_EQ(store.activeLayout(u"A"_qs), g.layout);
    EXPECT_EQ(state.memory.originals.at(w), start);
    EXPECT_EQ(state.memory.originals.at(placed[1]), region(stack, 1));
    EXPECT_FALSE(state.memory.originals.count(placed[2]));
    EXPECT_EQ(state.memory.returnHomes.at(placed[1]).frame, joined());
    EXPECT_TRUE(notices.isEmpty()) << notices.join(u" | "_qs).toStdString();
    EXPECT_TRUE(feedback.calls.contains(
        u"showDropTarget %1 Release to take the whole column arrow.up.and.down armed"_qs.arg(toString(joined()))))
        << feedback.calls.join(u"\n"_qs).toStdString();
    ASSERT_EQ(dropLines().size(), 1);
    EXPECT_TRUE(dropLines().front().startsWith(u"Drop fillColumn(1) finished "_qs));
}

TEST_F(ColumnFillDrop, AWindowThatCannotTakeTheFullHeightPutsEveryWindowBackAndAFailedRestoreIsReported)
{
    sim.setSizeHints(placed[2].element, {.maximum = Size{2000, 600}});
    fillRightColumn();
    EXPECT_EQ(notices, QStringList{u"A window in that column did not fit the full height. The split was kept."_qs});
    EXPECT_EQ(frameOf(w), start);
    EXPECT_EQ(frameOf(placed[1]), region(stack, 1));
    EXPECT_EQ(frameOf(placed[2]), region(stack, 2));
    EXPECT_TRUE(coordinator->groups().at(u"A"_qs).layout == stack);
    EXPECT_FALSE(store.activeLayout(u"A"_qs));

    notices.clear();
    sim.setSizeHints(placed[2].element, {});
    sim.closeOnNextWrite(placed[1].element);
    fillRightColumn();
    EXPECT_EQ(notices, QStringList{u"The column could not be filled or fully restored."_qs});
    EXPECT_TRUE(coordinator->groups().at(u"A"_qs).layout == stack);
}

} // namespace
} // namespace fw::snaptest
