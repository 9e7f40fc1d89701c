#include "WindowAccessFixture.h"

using namespace fw;
using namespace fw::accesstest;

namespace {

struct Refusal {
    WindowId window;
    std::optional<Rect> actual;
    Rect target;
};

class GroupMove : public Desk {
protected:
    GroupMove()
    {
        a = addWindow(10, "Alpha", "a", Rect(0, 0, 400, 300));
        b = addWindow(11, "Beta", "b", Rect(500, 0, 400, 300));
        c = addWindow(12, "Gamma", "c", Rect(0, 400, 400, 300));
    }
    Task<bool> group(std::vector<std::pair<WindowId, Rect>> targets, std::uint64_t generation = 0)
    {
        std::vector<std::pair<ManagedWindow, Rect>> items;
        for (const auto& [id, frame] : targets)
            items.emplace_back(ManagedWindow{id, sim.window(id) ? sim.window(id)->setup.pid : 12, "w", names[id]}, frame);
        return wa.animateGroup(items, [this](const ManagedWindow& w, std::optional<Rect> r, const Rect& t) {
            refusals.push_back({w.element, r, t});
        }, {sharedOwner, generation}, 1.0);
    }
    Duration lastWrite(WindowId id) const
    {
        const auto w = sim.writesFor(id);
        return w.empty() ? Duration{-1} : w.back().time;
    }
    WindowId a = 0, b = 0, c = 0;
    std::map<WindowId, QString> names;
    std::shared_ptr<Generation> sharedOwner = std::make_shared<Generation>();
    Generation& owner = *sharedOwner;
    std::vector<Refusal> refusals;
    const Rect ta{100, 100, 400, 300}, tb{600, 100, 400, 300}, tc{100, 500, 400, 300};
};

} // namespace

TEST_F(GroupMove, WindowsInPlaceAreLeftAloneAndUnreadableOnesAreFailures)
{
    names = {{a, "Alpha"}, {b, "Beta"}, {c, "Gamma"}};
    EXPECT_TRUE(run(group({{a, Rect(0, 0, 400, 300)}, {b, Rect(500.5, 0, 400, 300)}})));
    EXPECT_TRUE(sim.writes().empty());
    EXPECT_TRUE(motion().isEmpty());

    sim.closeWindow(b);
    EXPECT_FALSE(run(group({{a, ta}, {b, tb}, {c, tc}})));
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_EQ(refusals[0].window, b);
    EXPECT_FALSE(refusals[0].actual);
    EXPECT_EQ(refusals[0].target, tb);
    EXPECT_EQ(frameOf(a), ta);
    EXPECT_EQ(frameOf(c), tc);
    EXPECT_EQ(motion(), QStringList({"Group of 2 (Alpha, Gamma) failed: 240 ms, 16 frames"}));
}

TEST_F(GroupMove, RefusedWindowDropsOutWhileTheOthersFinish)
{
    names = {{a, "Alpha"}, {b, "Beta"}, {c, "Gamma"}};
    // Moves and grows in frame 1 (one write), refused in frame 2.
    sim.refuseWrites(b, {.kinds = sim::Write::Size | sim::Write::Frame, .skip = 1});
    const Rect grown(600, 100, 500, 400);
    EXPECT_FALSE(run(group({{a, ta}, {b, grown}, {c, tc}})));
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_EQ(refusals[0].window, b);
    EXPECT_EQ(refusals[0].actual, frameOf(b));
    EXPECT_EQ(refusals[0].target, grown);
    EXPECT_EQ(lastWrite(b), 16ms);   // never written again, nor settled
    EXPECT_EQ(frameOf(a), ta);
    EXPECT_EQ(frameOf(c), tc);
    EXPECT_EQ(motion(), QStringList({"Group of 3 (Alpha, Beta, Gamma) failed: 240 ms, 16 frames"}));
}

TEST_F(GroupMove, OnlyResizingGroupsJumpForSlowApplications)
{
    names = {{a, "Alpha"}, {c, "Gamma"}};
    sim.setWriteLatency(a, 30ms);
    EXPECT_TRUE(run(group({{a, ta}, {c, tc}})));
    ASSERT_EQ(motion().size(), 1);
    EXPECT_TRUE(motion()[0].startsWith("Group of 2 (Alpha, Gamma) done:"));
    EXPECT_FALSE(motion()[0].contains("jumped"));
    EXPECT_FALSE(motion()[0].endsWith(" 1 frames"));

    logs.clear();
    sim.clearWrites();
    EXPECT_TRUE(run(group({{a, Rect(0, 0, 402, 300)}, {c, Rect(0, 400, 400, 300)}})));
    EXPECT_TRUE(run(group({{a, Rect(50, 50, 404, 300)}, {c, Rect(50, 450, 400, 300)}})));
    ASSERT_EQ(motion().size(), 2);
    EXPECT_TRUE(motion()[1].startsWith("Group of 2 (Alpha, Gamma) done (jumped: slow app):"));
    EXPECT_TRUE(motion()[1].endsWith(" 1 frames"));
    EXPECT_EQ(frameOf(a), Rect(50, 50, 404, 300));
    EXPECT_EQ(frameOf(c), Rect(50, 450, 400, 300));
}

TEST_F(GroupMove, GenerationChangeBetweenFramesRestoresTheInterfaceSilently)
{
    sim.addApp({.pid = 20, .name = "Assisted", .frameAnimation = true});
    const WindowId x = sim.addWindow({.pid = 20, .title = "x", .frame = Rect(0, 0, 300, 300)});
    const WindowId y = sim.addWindow({.pid = 20, .title = "y", .frame = Rect(400, 0, 300, 300)});
    names = {{x, "Assisted"}, {y, "Assisted"}};
    clock.schedule(50ms, [&] { owner.value = 1; });
    EXPECT_FALSE(run(group({{x, Rect(50, 50, 300, 300)}, {y, Rect(450, 50, 300, 300)}})));
    EXPECT_EQ(lastWrite(x), 48ms);   // frames 1 to 4
    EXPECT_EQ(interfaceWrites(), QStringList({"frame-animation off @0ms", "frame-animation on @64ms"}));
    EXPECT_TRUE(motion().isEmpty());
    EXPECT_TRUE(refusals.empty());

    // Changed before the call: nothing is written.
    sim.clearWrites();
    EXPECT_FALSE(run(group({{x, Rect(0, 0, 300, 300)}}, 0)));
    EXPECT_TRUE(sim.writes().empty());
}

TEST_F(GroupMove, GenerationChangeDuringTheSettleStopsSettlingLaterWindows)
{
    names = {{a, "Alpha"}, {b, "Beta"}, {c, "Gamma"}};
    sim.applyLate(b, 100ms);   // still on its way when the settle starts at 240 ms
    sim.applyLate(c, 300ms);
    clock.schedule(300ms, [&] { owner.value = 1; });
    EXPECT_FALSE(run(group({{a, ta}, {b, tb}, {c, tc}})));
    EXPECT_EQ(lastWrite(c), 240ms);   // frame 16, never settled
    EXPECT_GT(lastWrite(b), 240ms);   // its settle ran to the end
    ASSERT_EQ(motion().size(), 1);
    EXPECT_TRUE(motion()[0].startsWith("Group of 3 (Alpha, Beta, Gamma) failed:"));
}
