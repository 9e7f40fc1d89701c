// The coordinator's guards: the interaction stamp and the mutation guard.
#include "snap/Interaction.h"
#include "windows/CoordinatorHost.h"

#include <gtest/gtest.h>

#include <memory>

using namespace fw;

namespace {

struct Host final : CoordinatorHost {
    std::uint64_t generation = 4;
    std::uint64_t interactionGeneration() const override { return generation; }
};

struct CountingStacks final : WindowStackController {
    int suspends = 0, refreshes = 0;
    void noteMouseMoved(Point) override {}
    void suspend() override { ++suspends; }
    void scheduleRefresh() override { ++refreshes; }
    void dismissPickers() override {}
    bool menuOpen() const override { return false; }
    void noteWindowChanged(const WindowFramePairs&) override {}
    void resetScanState() override {}
    bool monitoringEnabled() const override { return true; }
    void setMonitoringEnabled(bool) override {}
    std::vector<ManagedWindow> stackMates(const ManagedWindow& w) const override { return {w}; }
    ManagedWindow stack(const ManagedWindow& w) const override { return w; }
    bool isSameWindowOrStack(const ManagedWindow& a, const ManagedWindow& b) const override { return a == b; }
};

} // namespace

TEST(InteractionStamp, CurrentUntilTheInteractionEndsOrTheCoordinatorGoes)
{
    auto host = std::make_shared<Host>();
    const InteractionStamp stamp(host);
    EXPECT_TRUE(stamp.current());
    EXPECT_EQ(stamp.generation(), 4u);
    host->generation = 5;
    EXPECT_FALSE(stamp.current());

    const InteractionStamp later(host);
    EXPECT_TRUE(later.current());
    host.reset();
    EXPECT_FALSE(later.current());
    EXPECT_EQ(later.host(), nullptr);
    EXPECT_FALSE(InteractionStamp().current());
}

TEST(MutationGuard, OneHolderAtATimeAndEveryWayOutReleases)
{
    Interaction interaction;
    CountingStacks stacks;
    int drains = 0;
    interaction.drainPendingEdit = [&] { ++drains; };
    {
        auto guard = MutationGuard::take(interaction, stacks);
        ASSERT_TRUE(guard);
        EXPECT_TRUE(interaction.mutating);
        EXPECT_EQ(stacks.suspends, 1);
        EXPECT_FALSE(MutationGuard::take(interaction, stacks)) << "a second task does not start";
        auto moved = std::move(*guard);
        guard.reset(); // the moved-from guard releases nothing
        EXPECT_TRUE(interaction.mutating);
    }
    EXPECT_FALSE(interaction.mutating);
    EXPECT_EQ(stacks.refreshes, 1);
    EXPECT_EQ(drains, 0) << "no edit waits";

    // An edit that came in while windows moved is carried out when the guard is released,
    // and releasing early does not release twice.
    auto guard = MutationGuard::take(interaction, stacks);
    interaction.pendingEdit = PendingEdit{u"A"_qs, {false}, DividerEdit::move(12)};
    guard->release();
    guard->release();
    EXPECT_FALSE(interaction.mutating);
    EXPECT_EQ(stacks.refreshes, 2);
    EXPECT_EQ(drains, 1);
    guard.reset();
    EXPECT_EQ(stacks.refreshes, 2);
}
