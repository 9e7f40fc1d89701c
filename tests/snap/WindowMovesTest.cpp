// The coordinator's group moves: the refusals they keep, the first or the latest.
#include "SnapFixture.h"

#include "snap/WindowMoves.h"

namespace fw::snaptest {
namespace {

using WindowMoves = SnapDesk;

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
