// The geometric and bookkeeping rules of a drag, as pure functions: the return gesture's
// arming, the picker zone with its start rule, the bar over a shared edge and whether the edge
// lies between two windows, and the drag trace's repeats and length.
#include "layout/TreeBuilders.h"
#include "snap/DragTrace.h"
#include "snap/ReturnSnap.h"
#include "snap/SharedEdgeHint.h"
#include "snap/SnapDragHandler.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

const Rect kSlot(100, 100, 400, 300);

TEST(DropReturnGesture, ArmsOnlyAfterTheWindowOrThePointerWentAwayAndCameBack)
{
    // Moving the window up to 60 points with the pointer within 12 of the slot never arms.
    ReturnSnapGesture stay(kSlot);
    for (double dx : {10.0, 40.0, 60.0, 20.0, 0.0})
        EXPECT_FALSE(stay.update(kSlot.offsetBy(dx, 0), {150 + dx, 110}, true));
    EXPECT_FALSE(stay.hasDeparted || stay.hasLeftSlot);

    // Away by 61, back to 20: armed, not aligned; back to 10: aligned too.
    ReturnSnapGesture back(kSlot);
    EXPECT_FALSE(back.update(kSlot.offsetBy(61, 0), {250, 110}, true));
    EXPECT_TRUE(back.hasDeparted);
    EXPECT_TRUE(back.update(kSlot.offsetBy(20, 0), {250, 95}, true)) << "pointer within 8 of the slot";
    EXPECT_FALSE(back.isAligned);
    EXPECT_TRUE(back.update(kSlot.offsetBy(10, 0), {250, 95}, true));
    EXPECT_TRUE(back.isAligned);
    EXPECT_FALSE(back.update(kSlot.offsetBy(33, 0), {250, 95}, true)) << "more than 32 away";
    // Off the target's display: disarmed at once; back on it, armed by the same rules.
    EXPECT_FALSE(back.update(kSlot.offsetBy(10, 0), {250, 95}, false));
    EXPECT_FALSE(back.isAligned);
    EXPECT_TRUE(back.update(kSlot.offsetBy(10, 0), {250, 95}, true));
    // The picker reached: disarmed for the rest of the drag.
    back.markChoosing();
    EXPECT_FALSE(back.update(kSlot.offsetBy(0, 0), {300, 250}, true));

    // The pointer taken away (beyond 12 points) and brought back deep into the slot arms the
    // gesture without the window departing; not in the step it leaves, nor near the slot's edge.
    ReturnSnapGesture pointer(kSlot);
    EXPECT_FALSE(pointer.update(kSlot, {150, 87.9}, true));
    EXPECT_TRUE(pointer.hasLeftSlot);
    EXPECT_FALSE(pointer.update(kSlot, {150, 105}, true)) << "inside, but within 8 of the edge";
    EXPECT_TRUE(pointer.update(kSlot, {150, 108}, true));
}

TEST(DropPickerZone, LiesAtTheTopCentreAndADragStartedThereMustClimbFirst)
{
    const Rect frame(0, 0, 1920, 1080), visible(0, 24, 1920, 1026);
    EXPECT_TRUE(inPickerZone({960 + 179.99, 30}, frame, visible));
    EXPECT_FALSE(inPickerZone({960 + 180, 30}, frame, visible)) << "180 from the middle is out";
    EXPECT_FALSE(inPickerZone({960 - 180, 30}, frame, visible));
    EXPECT_TRUE(inPickerZone({960, 46}, frame, visible)) << "22 below the visible top";
    EXPECT_FALSE(inPickerZone({960, 46.01}, frame, visible));
    EXPECT_FALSE(inPickerZone({960, -1}, frame, visible)) << "off the display";
    const Rect narrow(0, 0, 800, 600);
    EXPECT_FALSE(inPickerZone({400 + 160, 10}, narrow, narrow)) << "20 % of the width on a narrow display";

    const Point start(960, 40);
    EXPECT_FALSE(inPickerZone({960, 30.01}, start, frame, visible));
    EXPECT_TRUE(inPickerZone({960, 30}, start, frame, visible)) << "10 points above the start";
    EXPECT_TRUE(inPickerZone({960, 40}, Point{960, 400}, frame, visible));
}

TEST(DropSharedEdge, TheBarCatchesSevenPointsAroundItAndOnlyBetweenTwoWindows)
{
    const Rect visible(0, 0, 1920, 1050);
    // Thirds: dividers at a third and two thirds of the area inset by 4.
    const SnapLayout thirds{u"thirds"_qs, u"Thirds"_qs, H(1.0 / 3, L(0), H(0.5, L(1), L(2))), std::nullopt};
    LayoutGroup group{thirds, {{0, ManagedWindow{1, 1}}, {2, ManagedWindow{3, 3}}}, {}};
    const double x = 4 + 1912.0 / 3;
    const auto first = dividerAt({x - 3 - 7, 500}, group, visible);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->path, DividerPath{});
    EXPECT_FALSE(dividerAt({x - 3 - 7.01, 500}, group, visible));
    EXPECT_FALSE(dividerAt({x, 4 + 12 - 7.01}, group, visible)) << "past the end of the bar";
    EXPECT_TRUE(dividerAt({x, 4 + 12 - 7}, group, visible));
    // At scale 2 the bar is 12 device pixels thick and catches 14 around it.
    EXPECT_TRUE(dividerAt({x - 6 - 14, 500}, group, visible, 2));
    EXPECT_FALSE(dividerAt({x - 6 - 14.01, 500}, group, visible, 2));
    EXPECT_FALSE(dividerAt({x, 4 + 24 - 14.01}, group, visible, 2)) << "past the end of the bar";

    // Region 1 is empty: neither divider lies between two windows; with it filled, both do.
    EXPECT_FALSE(dividerSeparatesWindows(*first, 0, group));
    const auto second = dividerAt({4 + 2 * 1912.0 / 3, 500}, group, visible);
    ASSERT_TRUE(second);
    EXPECT_FALSE(dividerSeparatesWindows(*second, 2, group));
    group.windows[1] = ManagedWindow{2, 2};
    EXPECT_TRUE(dividerSeparatesWindows(*first, 0, group));
    EXPECT_TRUE(dividerSeparatesWindows(*first, 1, group));
    EXPECT_FALSE(dividerSeparatesWindows(*first, 2, group)) << "region 2 does not border the first divider";
    EXPECT_TRUE(dividerSeparatesWindows(*second, 2, group));
}

TEST(DropDragTrace, KeepsSixtyFourStatesWithoutRepeatsAndNothingWithoutDiagnostics)
{
    DragTrace trace(true);
    trace.add(u"A"_qs, 1s, Point{1, 2}, u"D"_qs);
    trace.add(u"A"_qs, 2s, Point{3, 4}, u"D"_qs);
    trace.add(u"B"_qs, 3s, std::nullopt, std::nullopt);
    trace.add(u"A"_qs, 4s, Point{5, 6}, u"D"_qs);
    const QJsonArray events = trace.events();
    ASSERT_EQ(events.size(), 3);
    EXPECT_EQ(events[0].toObject(), (QJsonObject{{u"state"_qs, u"A"_qs},
                                                {u"time"_qs, 1.0},
                                                {u"pointer"_qs, u"{1, 2}"_qs},
                                                {u"routedDisplay"_qs, u"D"_qs}}));
    EXPECT_EQ(events[1].toObject(),
              (QJsonObject{{u"state"_qs, u"B"_qs}, {u"time"_qs, 3.0}, {u"routedDisplay"_qs, u"none"_qs}}));
    for (int i = 0; i < 62; ++i)
        trace.add(QString::number(i), 5s, std::nullopt, std::nullopt);
    EXPECT_EQ(trace.events().size(), 64);
    EXPECT_EQ(trace.events().first().toObject().value(u"state"_qs).toString(), u"B"_qs) << "the 65th removed the first";
    trace.clear();
    EXPECT_TRUE(trace.empty());
    trace.add(u"61"_qs, 6s, std::nullopt, std::nullopt);
    EXPECT_FALSE(trace.empty()) << "a cleared trace takes any state again";

    DragTrace off(false);
    off.add(u"A"_qs, 1s, std::nullopt, std::nullopt);
    EXPECT_TRUE(off.empty());
}

} // namespace
} // namespace fw
