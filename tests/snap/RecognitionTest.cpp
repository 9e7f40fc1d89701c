// Recognising the layout windows form on a display, adopting it, and the windows that span
// several regions.
#include "SnapFixture.h"

#include "layout/TreeBuilders.h"
#include "snap/LayoutRecognition.h"

namespace fw::snaptest {
namespace {

ManagedWindow fake(WindowId id) { return ManagedWindow{id, Pid(id), u"W"_qs, u"App"_qs}; }

// One window per region of the layout on the display, each frame pushed off its region by a
// few points (never more than 5) on every side.
WindowSnapshot handPlaced(const SnapLayout& layout, const ScreenInfo& on, WindowId firstId)
{
    static const double nudges[] = {5, -5, 3, -2, 0, 4, -4, 1};
    WindowSnapshot out;
    int k = 0;
    for (const auto& [r, frame] : layout.tree.frames(topLeftVisibleFrame(on), 8)) {
        const double dx = nudges[k % 8], dy = nudges[(k + 3) % 8], dw = nudges[(k + 5) % 8], dh = nudges[(k + 6) % 8];
        out.push_back({fake(firstId + WindowId(r)), Rect(frame.x() + dx, frame.y() + dy, frame.width() + dw, frame.height() + dh)});
        ++k;
    }
    return out;
}

class Recognition : public SnapDesk {};

TEST_F(Recognition, EveryBuiltInIsRecognisedFromWindowsPlacedByHand)
{
    const Rect visible = topLeftVisibleFrame(kRight);
    for (const SnapLayout& layout : SnapLayout::builtIns()) {
        SCOPED_TRACE(layout.id.toStdString());
        WindowSnapshot windows = handPlaced(layout, kRight, 100);
        const auto found = recognizeLayout(store.choices(u"B"_qs), windows, std::nullopt, visible);
        ASSERT_TRUE(found);
        EXPECT_EQ(found->layout.id, layout.id);
        ASSERT_EQ(found->members.size(), windows.size());
        for (const auto& [r, members] : found->members)
            EXPECT_EQ(members, std::vector<ManagedWindow>{fake(100 + WindowId(r))});

        // Exactly 5 points off in one dimension still sits in the region; 5.01 does not.
        const auto frames = layout.tree.frames(visible, 8);
        const RegionNumber first = frames.begin()->first;
        windows[0].frame = frames.at(first);
        windows[0].frame.size.width += 5;
        EXPECT_EQ(recognizeLayout(store.choices(u"B"_qs), windows, std::nullopt, visible)->members.count(first), 1u);
        windows[0].frame.size.width += 0.01;
        const auto again = recognizeLayout(store.choices(u"B"_qs), windows, std::nullopt, visible);
        if (windows.size() == 2) {
            EXPECT_FALSE(again) << "one region left is not enough";
        } else if (layout.id == u"thirds"_qs) {
            EXPECT_FALSE(again) << "the two columns left fit Left stack + columns as well";
        } else {
            ASSERT_TRUE(again);
            EXPECT_EQ(again->layout.id, layout.id);
            EXPECT_EQ(again->members.count(first), 0u);
        }
    }
}

TEST_F(Recognition, TiesGoToThePreferredLayoutThenToTheFirstOfOneTree)
{
    const Rect visible = topLeftVisibleFrame(kLeft);
    const SnapLayout& halves = builtIn(u"halves"_qs);
    const SnapLayout twin{u"user-twin"_qs, u"Twin"_qs, halves.tree, std::nullopt};
    const auto two = handPlaced(halves, kLeft, 10);
    EXPECT_EQ(recognizeLayout({halves, twin}, two, std::nullopt, visible)->layout.id, u"halves"_qs);
    EXPECT_EQ(recognizeLayout({twin, halves}, two, std::nullopt, visible)->layout.id, u"user-twin"_qs);
    EXPECT_EQ(recognizeLayout({halves, twin}, two, twin, visible)->layout.id, u"user-twin"_qs);

    // Left half, top right and bottom right fill three regions of both trees below, which
    // the frames cannot tell apart; the fourth window sits in the second tree's third region.
    const SnapLayout a{u"user-a"_qs, u"A"_qs, H(0.5, L(0), V(0.5, L(1), L(2))), std::nullopt};
    const SnapLayout b{u"user-b"_qs, u"B"_qs, H(0.5, L(0), V(0.5, L(1), V(0.5, L(2), L(3)))), std::nullopt};
    const auto fa = a.tree.frames(visible, 8), fb = b.tree.frames(visible, 8);
    const WindowSnapshot four{{fake(1), fa.at(0)}, {fake(2), fa.at(1)}, {fake(3), fa.at(2)}, {fake(4), fb.at(2)}};
    EXPECT_FALSE(recognizeLayout({a, b}, four, std::nullopt, visible));
    EXPECT_EQ(recognizeLayout({a, b}, four, b, visible)->layout.id, u"user-b"_qs);

    // One window is enough only for the preferred layout.
    const WindowSnapshot one{{fake(1), halves.tree.frames(visible, 8).at(1)}};
    EXPECT_FALSE(recognizeLayout({halves}, one, std::nullopt, visible));
    EXPECT_FALSE(recognizeLayout({halves}, one, builtIn(u"rows"_qs), visible));
    EXPECT_EQ(recognizeLayout({halves}, one, halves, visible)->members.at(1), std::vector<ManagedWindow>{fake(1)});
    EXPECT_FALSE(recognizeLayout({halves}, {}, halves, visible));
}

TEST_F(Recognition, AdoptingKeepsTheFrontOfAStackAndEveryMembersWayHome)
{
    auto& c = start();
    const Rect left = region(u"halves"_qs, 0), right = region(u"halves"_qs, 1);
    const auto front = add(100, left);
    const auto behind = add(101, left.offsetBy(2, 2));
    const auto other = add(102, right);
    const auto elsewhere = add(103, region(u"rows"_qs, 0, kRight));
    c.ensureGroup(kLeft);
    const auto* g = state.layouts.group(u"A"_qs);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->layout.id, u"halves"_qs);
    EXPECT_EQ(g->windows.size(), 2u);
    const ManagedWindow shown = g->windows.at(0);
    EXPECT_TRUE(shown == front || shown == behind) << "one window of the stack stands for the region";
    EXPECT_EQ(g->windows.at(1), other);
    EXPECT_EQ(store.activeLayout(u"A"_qs)->id, u"halves"_qs);
    EXPECT_EQ(state.memory.returnHomes.at(front).frame, left);
    EXPECT_EQ(state.memory.returnHomes.at(behind).frame, left) << "every member returns home";
    EXPECT_FALSE(state.memory.returnHomes.count(elsewhere));
    EXPECT_FALSE(state.layouts.group(u"B"_qs)) << "the other display is left alone";

    // A display with a group keeps it, even after its windows moved.
    sim.place(other.element, Rect(200, 200, 400, 300));
    c.ensureGroup(kLeft);
    EXPECT_EQ(state.layouts.group(u"A"_qs)->windows.at(1), other);
}

TEST_F(Recognition, ADraggedWindowCountsWhereItWasBeforeTheDrag)
{
    auto& c = start();
    add(100, region(u"quarters"_qs, 0, kRight));
    const auto dragged = add(101, Rect(2500, 300, 600, 400)); // already moving
    c.ensureGroup(kRight, dragged, std::nullopt);
    EXPECT_FALSE(state.layouts.group(u"B"_qs)) << "a window without a frame is left out";
    c.ensureGroup(kRight, dragged, region(u"quarters"_qs, 3, kRight));
    const auto* g = state.layouts.group(u"B"_qs);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->layout.id, u"quarters"_qs);
    EXPECT_EQ(g->windows.at(3), dragged);
}

TEST_F(Recognition, WindowsCoveringWholeRegionsAreSpans)
{
    auto& c = start();
    const SnapLayout& stack = builtIn(u"stack"_qs);
    add(100, region(stack, 0));
    add(101, region(stack, 1));
    add(102, region(stack, 2));
    const Rect column = region(stack, 1).united(region(stack, 2));
    const auto tall = add(103, column.insetBy(2, 2)); // within 5 points of both regions together
    const Rect wide = region(stack, 0).united(region(stack, 1));
    add(104, Rect(wide.x(), wide.y(), wide.width(), wide.height() * 0.75)); // one and a half regions
    c.reconcile(scan());
    const auto* g = state.layouts.group(u"A"_qs);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->layout.id, u"stack"_qs);
    EXPECT_EQ(g->spans, (SpanMap{{tall, {1, 2}}}));

    // Windows the caller has placed are left out.
    EXPECT_TRUE(spanMembers(scan(), regionFrames(stack, kLeft), {tall}).empty());
}

} // namespace
} // namespace fw::snaptest
