// The coordinator's window moves: settling within 5 points, refusals, windows that vanish,
// the interaction ending mid-move, and the refusals a group move keeps.
#include "SnapFixture.h"

#include "snap/WindowMoves.h"

namespace fw::snaptest {
namespace {

class WindowMoves : public SnapDesk {
protected:
    Task<bool> move(const ManagedWindow& w, const Rect& to, bool guarded, bool& flag)
    {
        return moveWindow(access, w, to, guarded, flag, coordinator->stamp());
    }
    void endInteractionAt(Duration at)
    {
        clock.schedule(at - clock.now(), [this] { coordinator->endInteraction(false); });
    }
};

TEST_F(WindowMoves, OneWindowSettlesWithinFivePointsIsRefusedOrVanishes)
{
    start();
    const Rect target = region(u"halves"_qs, 1);
    const auto plain = add(100, Rect(100, 100, 600, 400));
    const auto nearly = add(101, Rect(100, 100, 600, 400));
    const auto stubborn = add(102, Rect(100, 100, 600, 400));
    const auto closing = add(103, Rect(100, 100, 600, 400));
    sim.setSizeHints(nearly.element, {.minimum = Size{target.width() + 5, 300}});
    sim.setSizeHints(stubborn.element, {.minimum = Size{target.width() + 6, 300}});
    bool flag = false;

    EXPECT_TRUE(clock.run(move(plain, target, false, flag)));
    EXPECT_EQ(frameOf(plain), target);
    EXPECT_TRUE(clock.run(move(nearly, target, false, flag))) << "5 points wider still settles";
    EXPECT_EQ(frameOf(nearly).width(), target.width() + 5);
    EXPECT_FALSE(clock.run(move(stubborn, target, false, flag)));
    EXPECT_TRUE(logs.contains(u"Geometry rejected by App102: requested %1, actual %2"_qs.arg(
        toString(target), toString(Rect(target.origin, Size{target.width() + 6, target.height()})))));
    sim.closeAfter(closing.element, 60ms);
    EXPECT_FALSE(clock.run(move(closing, target, false, flag)));
    EXPECT_FALSE(sim.exists(closing.element));
}

TEST_F(WindowMoves, OnlyTheFirstMoveOfATaskIsGuardedByTheInteraction)
{
    auto& c = start();
    const Rect start1(100, 100, 600, 400), start2(200, 150, 600, 400);
    const auto a = add(100, start1), b = add(101, start2);
    const Rect ta = region(u"quarters"_qs, 0), tb = region(u"quarters"_qs, 3);
    bool flag = true;

    endInteractionAt(clock.now() + 100ms);
    EXPECT_FALSE(clock.run(move(a, ta, true, flag))) << "the interaction ended mid-move";
    EXPECT_FALSE(flag);
    EXPECT_NE(frameOf(a), ta);

    endInteractionAt(clock.now() + 100ms);
    EXPECT_TRUE(clock.run(move(b, tb, true, flag))) << "the second move is plain";
    EXPECT_EQ(frameOf(b), tb);
    EXPECT_EQ(c.interactionGeneration(), 2u);

    flag = true;
    EXPECT_TRUE(clock.run(move(a, ta, false, flag)));
    EXPECT_FALSE(flag) << "an unguarded move consumes the flag too";

    // A guarded move whose coordinator is gone does not move at all.
    flag = true;
    const InteractionStamp orphan = c.stamp();
    coordinator.reset();
    sim.clearWrites();
    EXPECT_FALSE(clock.run(moveWindow(access, b, start2, true, flag, orphan)));
    EXPECT_TRUE(sim.writes().empty());
}

TEST_F(WindowMoves, AGroupMoveKeepsTheFirstRefusalAndTheLatestWhenAskedTo)
{
    auto& c = start();
    const Rect sa(100, 100, 600, 400), sb(300, 200, 600, 400);
    const auto a = add(100, sa), b = add(101, sb), gone = add(102, Rect(50, 50, 300, 300));
    sim.refuseWrites(a.element);
    sim.refuseWrites(b.element);
    const Rect ta = region(u"halves"_qs, 0), tb = region(u"halves"_qs, 1);
    auto box = std::make_shared<RejectionBox>();
    EXPECT_FALSE(clock.run(moveGroup(access, {{a, ta}, {b, tb}}, box, c.stamp())));
    ASSERT_TRUE(*box);
    EXPECT_EQ((*box)->window, a);
    EXPECT_EQ((*box)->requested, ta);
    EXPECT_EQ((*box)->actual, sa);

    // The column split's latest mismatch replaces the earlier one and is logged as a drift.
    ColumnSplitRecord record;
    recordLatestTarget(access, a, sa, record, ta);
    recordLatestTarget(access, b, sb, record, tb);
    ASSERT_TRUE(record.lastMismatch);
    EXPECT_EQ(record.lastMismatch->window, b);
    EXPECT_EQ(record.lastMismatch->expected, tb);
    EXPECT_EQ(record.lastMismatch->actual, sb);
    EXPECT_TRUE(logs.contains(u"Post-placement drift in App101: expected %1, actual %2"_qs.arg(toString(tb), toString(sb))));

    // A window that cannot be read is a refusal without a frame.
    sim.closeWindow(gone.element);
    auto second = std::make_shared<RejectionBox>();
    EXPECT_FALSE(clock.run(moveGroup(access, {{gone, ta}}, second, c.stamp())));
    ASSERT_TRUE(*second);
    EXPECT_EQ((*second)->window, gone);
    EXPECT_FALSE((*second)->actual);

    EXPECT_EQ(sizeText(Rect(0, 0, 799.9, 600.2)), u"799 × 600"_qs);
    EXPECT_EQ(sizeText(Rect(0, 0, 1280.6, 800)), u"1280 × 800"_qs);
}

} // namespace
} // namespace fw::snaptest
