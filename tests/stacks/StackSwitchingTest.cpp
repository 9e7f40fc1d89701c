// Switching the front window of a stack and sending a span behind, on the simulated desktop
// in virtual time with the real coordinator: the cycle order and the coordinator's memory of
// the front window, a cycle refused while a move animates, the transition each case takes
// (none at all when transitions cannot be shown), and span to back with what it reports.
#include "StackDesk.h"

namespace fw::stacktest {
namespace {

class StackSwitching : public StackDesk {
protected:
    void choose(StackTransition t) { fw::store(t, defaults); }
    RegionNumber occupied(const ManagedWindow& w) const
    {
        for (const auto& [region, occupant] : state.layouts.group(u"A"_qs)->windows) {
            if (occupant == w)
                return region;
        }
        return -1;
    }
};

TEST_F(StackSwitching, CyclingFollowsFirstSeenOrderAndTheCoordinatorRemembersTheFront)
{
    const Rect left = region(u"halves"_qs, 0);
    const auto abc = stackOf(left, {100, 101, 102});   // c in front
    add(103, region(u"halves"_qs, 1));
    auto& s = startStacks();
    ASSERT_EQ(s.presented().size(), 1u);

    // Forward from the front wraps to the first seen; the card shuffle plays with c leaving.
    sim.clearWrites();
    EXPECT_TRUE(s.cycleStack(abc[2], true));
    EXPECT_TRUE(s.shuffling());
    EXPECT_FALSE(s.cycleStack(abc[2], true)) << "refused while the move animates";
    EXPECT_EQ(s.cycle(abc[2], 1, s.presented()[0]), std::nullopt);
    clock.advance(1s);
    EXPECT_FALSE(s.shuffling());
    ASSERT_EQ(presenter.cardsCalls.size(), 1u);
    EXPECT_EQ(presenter.cardsCalls[0].shuffle->scene.leaving.size(), 1u);
    EXPECT_EQ(raised(), std::vector<WindowId>{abc[0].element});
    EXPECT_EQ(frontOf({abc[0], abc[1], abc[2]}), abc[0].element);
    EXPECT_EQ(occupied(abc[0]), 0) << "the coordinator records the window brought forward";

    // Then b; backwards from a wraps to c. A member moved out of the slot is skipped.
    EXPECT_TRUE(s.cycleStack(abc[0], true));
    clock.advance(1s);
    EXPECT_EQ(frontOf({abc[0], abc[1], abc[2]}), abc[1].element);
    sim.place(abc[1].element, left.offsetBy(40, 0));
    EXPECT_TRUE(s.cycleStack(abc[0], false));
    clock.advance(1s);
    EXPECT_EQ(frontOf({abc[0], abc[2]}), abc[2].element);
    EXPECT_EQ(occupied(abc[2]), 0);
    EXPECT_TRUE(s.cycleStack(abc[2], false));
    clock.advance(1s);
    EXPECT_EQ(frontOf({abc[0], abc[2]}), abc[0].element) << "b, out of its slot, is skipped";

    // A window in no stack, and the coordinator busy: nothing.
    EXPECT_FALSE(s.cycleStack(add(104, Rect(100, 100, 300, 300)), true));
    state.interaction.windowInteraction = true;
    EXPECT_FALSE(s.cycleStack(abc[0], true));
}

TEST_F(StackSwitching, EachCaseTakesItsTransitionAndNoneWhenTransitionsCannotBeShown)
{
    const Rect left = region(u"halves"_qs, 0);
    const auto abc = stackOf(left, {100, 101, 102});
    auto& s = startStacks();
    const WindowStack stack = s.presented().at(0);

    // Transitions unavailable: the window comes forward at once, whatever is chosen.
    choose(StackTransition::genie);
    presenter.gpu = false;
    sim.clearWrites();
    ASSERT_TRUE(s.switchFront(abc[0], left, false, abc[2]));
    EXPECT_FALSE(s.shuffling());
    EXPECT_EQ(raised(), std::vector<WindowId>{abc[0].element});
    EXPECT_TRUE(sim.writesOf(sim::Write::Position).empty());
    EXPECT_TRUE(presenter.shaderCalls.empty() && presenter.cardsCalls.empty());
    presenter.gpu = true;

    // A shader effect over the covering windows, one per frame, the target raised beneath.
    sim.clearWrites();
    const auto b = stack.members[1];
    ASSERT_TRUE(s.switchFront(b, left, false, abc[0]));
    EXPECT_TRUE(s.shuffling());
    clock.advance(1s);
    ASSERT_EQ(presenter.shaderCalls.size(), 1u);
    EXPECT_EQ(presenter.shaderCalls[0].effect, effectNumber(StackTransition::genie));
    ASSERT_EQ(presenter.shaderCalls[0].layers.size(), 1u);
    EXPECT_EQ(presenter.shaderCalls[0].layers[0].frame, left);
    EXPECT_EQ(raised(), std::vector<WindowId>{b.element});
    EXPECT_EQ(sim.writesOf(sim::Write::Raise)[0].time, presenter.shaderCalls[0].revealedAt);
    EXPECT_FALSE(s.shuffling());

    // The window already in front: at once, even with a shader chosen.
    sim.clearWrites();
    ASSERT_TRUE(s.switchFront(b, left, true, b));
    EXPECT_EQ(presenter.shaderCalls.size(), 1u);
    EXPECT_EQ(raised(), std::vector<WindowId>{b.element});

    // The shuffle without pictures: the window's own slide out and back, raised on the way.
    choose(StackTransition::shuffle);
    pictures.setAvailable(false);
    sim.clearWrites();
    ASSERT_TRUE(s.switchFront(abc[2], left, false, b));
    clock.advance(1s);
    EXPECT_TRUE(presenter.cardsCalls.empty());
    EXPECT_GT(sim.writesOf(sim::Write::Position).size(), 10u);
    EXPECT_EQ(sim.window(abc[2].element)->frame, left) << "back home";
    EXPECT_EQ(frontOf({abc[0], b, abc[2]}), abc[2].element);

    // Reduce motion: at once.
    access.setReduceMotion([] { return true; });
    sim.clearWrites();
    ASSERT_TRUE(s.switchFront(abc[0], left, false, abc[2]));
    EXPECT_FALSE(s.shuffling());
    EXPECT_TRUE(sim.writesOf(sim::Write::Position).empty());
}

class SpanToBack : public StackSwitching {
protected:
    // The halves with a window in each, and a third spanning both on top.
    void spread()
    {
        l = add(100, region(u"halves"_qs, 0));
        r = add(101, region(u"halves"_qs, 1));
        span = add(102, region(u"halves"_qs, 0).united(region(u"halves"_qs, 1)));
        startStacks();
    }
    ManagedWindow l, r, span;
};

TEST_F(SpanToBack, CoveredWindowsComeForwardFurthestBackFirstAndItSaysWhenNothingMoved)
{
    spread();
    auto& s = *controller;
    ASSERT_EQ(s.presented().size(), 1u);
    EXPECT_EQ(s.presented()[0].underneath, (std::vector<ManagedWindow>{l, r}));
    EXPECT_EQ(s.presented()[0].sections[0].title, u"Across both columns"_qs);

    // The card shuffle: both covered windows come in, the span goes out; the raises start
    // when the cards cover the slot, 40 ms apart, and the move ends after them.
    sim.clearWrites();
    EXPECT_TRUE(s.sendSpanToBack(span.element, span.pid));
    EXPECT_FALSE(s.sendSpanToBack(span.element, span.pid)) << "refused while the move animates";
    clock.advance(2s);
    ASSERT_EQ(presenter.cardsCalls.size(), 1u);
    EXPECT_EQ(presenter.cardsCalls[0].shuffle->scene.incoming.size(), 2u);
    EXPECT_EQ(raised(), (std::vector<WindowId>{l.element, r.element}));
    const auto raises = sim.writesOf(sim::Write::Raise);
    EXPECT_EQ(raises[0].time, presenter.cardsCalls[0].begunAt);
    EXPECT_EQ(raises[1].time - raises[0].time, 40ms);
    EXPECT_FALSE(s.shuffling());
    EXPECT_EQ(sim.stacking()[2], span.element) << "behind both";

    // From a covered window, with reduced motion and a shader chosen: the same raises, plainly.
    sim.raise(span.element);
    clock.advance(1s);
    choose(StackTransition::melt);
    access.setReduceMotion([] { return true; });
    sim.clearWrites();
    EXPECT_TRUE(s.sendSpanToBack(r.element, r.pid));
    clock.advance(1s);
    EXPECT_EQ(raised(), (std::vector<WindowId>{l.element, r.element}));
    EXPECT_TRUE(presenter.shaderCalls.empty());

    // The covered windows moved off their places: nothing moves, and it says so. A window in
    // no span: nothing either.
    sim.raise(span.element);
    sim.place(l.element, region(u"halves"_qs, 0).offsetBy(30, 30));
    sim.place(r.element, region(u"halves"_qs, 1).offsetBy(-30, 30));
    sim.clearWrites();
    EXPECT_FALSE(s.sendSpanToBack(span.element, span.pid));
    EXPECT_FALSE(s.sendSpanToBack(WindowId(999), 999));
    clock.advance(1s);
    EXPECT_TRUE(raised().empty());
}

TEST_F(SpanToBack, AShaderCutsTheSpanAlongItsRegions)
{
    spread();
    choose(StackTransition::disintegrate);
    sim.clearWrites();
    ASSERT_TRUE(controller->sendSpanToBack(span.element, span.pid));
    clock.advance(2s);
    ASSERT_EQ(presenter.shaderCalls.size(), 1u);
    const auto& pieces = presenter.shaderCalls[0].layers;
    ASSERT_EQ(pieces.size(), 2u) << "one per covered region";
    const Rect spanFrame = frameOf(span);
    EXPECT_EQ(pieces[0].frame, spanFrame.intersection(region(u"halves"_qs, 0).insetBy(-4, -4)));
    EXPECT_EQ(pieces[1].frame, spanFrame.intersection(region(u"halves"_qs, 1).insetBy(-4, -4)));
    EXPECT_EQ(raised(), (std::vector<WindowId>{l.element, r.element}));
    EXPECT_EQ(sim.writesOf(sim::Write::Raise)[0].time, presenter.shaderCalls[0].revealedAt);
    EXPECT_FALSE(controller->shuffling());
}

} // namespace
} // namespace fw::stacktest
