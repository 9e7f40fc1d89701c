// Bringing placed windows forward: a list raised so that its first window ends in front, the
// picker's window last in front of its group, and the moves into one region.
#include "SnapFixture.h"

#include "snap/WindowRaising.h"

namespace fw::snaptest {
namespace {

using sim::Write;

class Raising : public SnapDesk {
protected:
    // "activate <pid>" / "raise <pid>", in order.
    QStringList raises() const
    {
        QStringList out;
        for (const auto& w : sim.writesOf(Write::Activate | Write::Raise))
            out << u"%1 %2"_qs.arg(w.kind == Write::Activate ? u"activate"_qs : u"raise"_qs).arg(sim.window(w.window)->setup.pid);
        return out;
    }
};

TEST_F(Raising, AListIsRaisedBackwardsActivatingOnlyApplicationsThatAreNotFrontmost)
{
    auto& c = start();
    const auto a = add(100, Rect(0, 0, 500, 400));
    const auto b = add(101, Rect(100, 100, 500, 400));
    const auto a2 = add(100, Rect(200, 200, 500, 400));
    sim.setFocus(a.element);
    // The frontmost application changes only once the activation is answered.
    c.raiseWindows({a, b});
    EXPECT_EQ(raises(), (QStringList{u"activate 101"_qs, u"raise 101"_qs, u"raise 100"_qs}));
    EXPECT_EQ(sim.stacking().front(), a.element);
    clock.runUntilIdle();
    sim.clearWrites();

    // Two windows of the frontmost application: raised, never activated.
    sim.setFocus(a.element);
    c.raiseWindows({a2, a});
    EXPECT_EQ(raises(), (QStringList{u"raise 100"_qs, u"raise 100"_qs}));
    EXPECT_EQ(sim.stacking().front(), a2.element);
}

TEST_F(Raising, ThePickersWindowEndsInFrontOfItsGroupAndTracksNeedTheRegionsFrame)
{
    auto& c = start();
    const auto w0 = add(100, Rect(0, 0, 500, 400));
    const auto w1 = add(101, Rect(100, 0, 500, 400));
    c.showLayoutPicker(w0, kLeft, false, std::nullopt, true);
    c.activateOwners({{1, w1}, {0, w0}});
    EXPECT_EQ(sim.stacking().front(), w0.element);
    EXPECT_EQ(raises().count(u"raise 100"_qs), 2) << "raised in its region's turn and once more last";
    EXPECT_EQ(raises().back(), u"raise 100"_qs);

    const std::map<RegionNumber, Rect> frames{{0, Rect(8, 8, 900, 1000)}};
    EXPECT_EQ(tracks(0, {w1, w0}, frames), (WindowFramePairs{{w1, frames.at(0)}, {w0, frames.at(0)}}));
    EXPECT_EQ(tracks(0, {}, frames), WindowFramePairs{});
    EXPECT_FALSE(tracks(3, {w1}, frames));
}

} // namespace
} // namespace fw::snaptest
