// Window stacks on a real server (Xvfb, the test window manager): two xterms put in the same
// region form a stack, and the cycle command brings the other one to the front, as the
// server's own stacking (QueryTree) shows. The layer list names each frame by its client, with
// the frame window access reads, in one round trip once it knows the windows; an application
// becoming active is observed.
#include "x11/CoordinatorRig.h"
#include "x11/XSession.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

using test::CoordinatorRig;
using test::SessionApp;
using test::XSession;

TEST(StacksX11, TwoXtermsInOneRegionFormAStackAndTheCycleBringsTheOtherForward)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto one = session.startXterm(u"stack one"_qs, {"-geometry", "80x24+100+100"});
    auto two = session.startXterm(u"stack two"_qs, {"-geometry", "80x24+400+300"});
    ASSERT_TRUE(one.window && two.window) << session.error();

    SessionApp app(session);
    CoordinatorRig rig(session);
    ASSERT_TRUE(rig.stackInLeftHalf(session, one.window, two.window));
    const Rect left = rig.leftHalf();
    const auto frame = rig.ws.frame(two.window);
    ASSERT_TRUE(frame && rig.ws.frame(one.window) == frame) << "both on the same cell grid";

    // The layer list: both xterms, ordinary, by their client ids, with their frames.
    const auto layers = rig.ws.layers();
    for (const auto& term : {one, two}) {
        const auto at = std::find_if(layers.begin(), layers.end(), [&](const WindowLayer& l) { return l.id == term.window; });
        ASSERT_NE(at, layers.end());
        EXPECT_EQ(at->level, 0);
        EXPECT_EQ(at->pid, Pid(term.pid));
        EXPECT_EQ(at->frame, *frame);
    }
    EXPECT_EQ(rig.ws.layers(), layers) << "the second pass, from what the first kept, reads the same";
    EXPECT_EQ(rig.ws.lastLayerResolutions(), 0u) << "in one round trip";

    // Moved, a window is still read in one round; resized, it is resolved again. Either way
    // the list states the frame that window access reads.
    auto listedFrame = [&](WindowId id) -> std::optional<Rect> {
        for (const WindowLayer& l : rig.ws.layers()) {
            if (l.id == id)
                return l.frame;
        }
        return std::nullopt;
    };
    ASSERT_TRUE(rig.ws.setFrame(one.window, frame->offsetBy(40, 30)));
    EXPECT_EQ(listedFrame(one.window), rig.ws.frame(one.window));
    EXPECT_EQ(rig.ws.lastLayerResolutions(), 0u);
    ASSERT_TRUE(rig.ws.setFrame(one.window, Rect(300, 200, 500, 400)));
    EXPECT_EQ(listedFrame(one.window), rig.ws.frame(one.window));
    EXPECT_EQ(rig.ws.lastLayerResolutions(), 1u);
    ASSERT_TRUE(rig.ws.setFrame(one.window, left));
    ASSERT_EQ(rig.ws.frame(one.window), frame);

    rig.stacks.start();
    rig.stacks.refresh(true);
    ASSERT_EQ(rig.stacks.presented().size(), 1u);
    const auto members = rig.stacks.presented()[0].members;
    ASSERT_EQ(members.size(), 2u);
    EXPECT_EQ(rig.frontOf(one.window, two.window), two.window);

    // The other xterm's application becomes active: the controller hears of it.
    ASSERT_TRUE(session.activate(one.window));
    EXPECT_TRUE(session.waitFor([&] { return rig.stacks.lastSwitchAt() > 0; })) << "no activation observed";
    ASSERT_EQ(rig.frontOf(one.window, two.window), one.window);

    // The cycle command brings the other one forward, and back again.
    for (const auto& [from, to] : {std::pair{one.window, two.window}, std::pair{two.window, one.window}}) {
        const auto front = ManagedWindow::make(rig.ws, from);
        ASSERT_TRUE(front);
        ASSERT_TRUE(rig.stacks.cycleStack(*front, true));
        EXPECT_TRUE(session.waitFor([&] { return rig.frontOf(one.window, two.window) == to; }))
            << "the other xterm never came to the front";
        // Without a compositing manager the window comes forward at once; with one (metacity's
        // own) the card shuffle plays first.
        ASSERT_TRUE(session.waitFor([&] { return !rig.stacks.shuffling(); }));
    }
    rig.stacks.stop();
}

} // namespace
} // namespace fw
