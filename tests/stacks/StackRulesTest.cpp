// The pure rules of window stacks: which windows form frame stacks and span stacks, the merge,
// placements carrying stack mates, the scan decision of each refresh pass, and the geometry of
// span moves.
#include "stacks/AnchorPeek.h"
#include "stacks/StackGrouping.h"
#include "stacks/StackModel.h"
#include "stacks/StackMoves.h"

#include <gtest/gtest.h>

namespace fw {

inline void PrintTo(const ManagedWindow& w, std::ostream* os) { *os << "#" << w.element; }

namespace {

ManagedWindow win(WindowId id) { return ManagedWindow{id, Pid(100 + id), {}, {}}; }
DiscoveredWindow scanned(WindowId id, const Rect& frame, Size grid = {}) { return {win(id), frame, grid}; }
std::vector<std::vector<ManagedWindow>> membersOf(const std::vector<WindowStack>& stacks)
{
    std::vector<std::vector<ManagedWindow>> out;
    for (const auto& s : stacks)
        out.push_back(s.members);
    return out;
}

TEST(StackRules, FrameStacksNeedEveryMemberToMatchWithinFivePointsOrACell)
{
    const Rect slot(0, 0, 960, 1050);
    const WindowSnapshot windows{
        scanned(1, slot), scanned(2, slot.offsetBy(4, 0)), scanned(3, slot.offsetBy(8, 0)),   // 1~2, 2~3, not 1~3
        scanned(1, slot),                                       // listed twice: counts once
        scanned(4, Rect(0, 0, 0, 1050)), scanned(5, Rect(0, 0, 0, 1050)),   // no area: never
        scanned(6, Rect(1000, 0, 900, 500)), scanned(7, Rect(1005, 5, 895, 495)),   // exactly 5: same
        scanned(8, Rect(1000, 600, 900, 400)), scanned(9, Rect(1000, 600, 905.01, 400)),   // 5.01: not
        // A terminal short of the slot by less than one 9×17 cell, on either side of the test.
        scanned(10, Rect(0, 1100, 952, 441), Size{9, 17}), scanned(11, Rect(0, 1100, 960, 450)),
        scanned(12, Rect(0, 1100, 960, 450)),
    };
    const auto stacks = frameStacks(windows);
    EXPECT_EQ(membersOf(stacks), (std::vector<std::vector<ManagedWindow>>{{win(1), win(2)}, {win(6), win(7)}, {win(10), win(11), win(12)}}));
    EXPECT_EQ(stacks[0].frame, slot) << "the first member's frame";
    EXPECT_EQ(stacks[2].frameGrid, (Size{9, 17}));
    EXPECT_TRUE(stacks[2].sitsInSlot(win(11), Rect(0, 1100, 960, 450)));
    EXPECT_FALSE(stacks[2].sitsInSlot(win(11), Rect(0, 1100, 975, 450))) << "longer than the slot by more than 5";
    EXPECT_TRUE(sameFrame(Rect(0, 0, 10, 10), Rect(5, -5, 15, 5), kSameFrameTolerance));
    EXPECT_FALSE(sameFrame(Rect(0, 0, 10, 10), Rect(5.01, 0, 10, 10), kSameFrameTolerance));
}

TEST(StackRules, TerminalsOnDifferentCellGridsStackInTheRegionTheyBothSitIn)
{
    // Two terminals in one region, each short of it by part of its own cell, neither sitting
    // in the other (one wider, one taller); beside them two windows without increments within
    // 5 points of another region but 8 apart, and a terminal with a plain window in a third.
    const Rect region(8, 8, 952, 1064), second(968, 8, 944, 520), third(968, 536, 944, 536);
    const WindowSnapshot windows{
        scanned(1, Rect(8, 8, 948, 1056), Size{6, 13}),  scanned(2, Rect(8, 8, 941, 1063), Size{7, 15}),
        scanned(3, second.offsetBy(-4, 0)),              scanned(4, second.offsetBy(4, 0)),
        scanned(5, Rect(968, 536, 936, 527), Size{9, 17}), scanned(6, third),
    };
    EXPECT_EQ(membersOf(frameStacks(windows)), (std::vector<std::vector<ManagedWindow>>{{win(5), win(6)}}))
        << "without the regions, the terminals of one region share no slot";
    const auto stacks = frameStacks(windows, {region, second, third});
    ASSERT_EQ(membersOf(stacks), (std::vector<std::vector<ManagedWindow>>{{win(1), win(2)}, {win(5), win(6)}}))
        << "windows without increments keep the 5 points between each other";
    EXPECT_EQ(stacks[0].frame, region) << "the region both sit in is the slot";
    EXPECT_EQ(stacks[0].frameGrid, Size{});
    EXPECT_EQ(stacks[1].frame, third);
    EXPECT_TRUE(stacks[0].sitsInSlot(win(1), Rect(8, 8, 948, 1056)));
    EXPECT_TRUE(stacks[0].sitsInSlot(win(2), Rect(8, 8, 941, 1063)));
    EXPECT_FALSE(stacks[0].sitsInSlot(win(2), Rect(8, 8, 941, 1040))) << "short by more than a cell";
    EXPECT_TRUE(stacks[0].shareSlot(win(1), Rect(8, 8, 948, 1056), win(2), Rect(8, 8, 941, 1063)));
    EXPECT_TRUE(stacks[1].frameSitsIn(Rect(968, 536, 936, 527), Size{9, 17}, third));
    EXPECT_FALSE(stacks[1].frameSitsIn(Rect(968, 536, 936, 527), Size{}, third)) << "without its cells, 8 short";
}

TEST(StackRules, SpanStacksListTheSpanThenEachRegionThenTheRest)
{
    const Rect left(8, 8, 952, 1034), right(968, 8, 944, 1034), span(8, 8, 1904, 1034);
    const SpanCover cover{win(1), span, "Across both columns", {{"Left column", left, win(3)}, {"Right column", right, std::nullopt}}};
    const WindowSnapshot windows{
        scanned(1, span), scanned(2, left), scanned(3, left.offsetBy(2, 0)),   // the occupant listed later
        scanned(4, Rect(400, 400, 300, 200)),                                   // inside, in no region
        scanned(5, right), scanned(6, Rect(1500, 8, 420, 300)),                 // 6 sticks out by 8: outside
        scanned(7, left), scanned(8, left),                                     // a frame stack inside the span
        scanned(9, Rect(960, 300, 960, 700)), scanned(10, Rect(960, 300, 960, 700)),   // one sticking out by 8
    };
    const auto spans = spanStacks({cover}, windows);
    ASSERT_EQ(spans.size(), 1u);
    const WindowStack& s = spans[0];
    ASSERT_EQ(s.sections.size(), 4u);
    EXPECT_EQ(s.sections[0], (WindowStackSection{"Across both columns", {win(1)}, span}));
    EXPECT_EQ(s.sections[1], (WindowStackSection{"Left column", {win(3), win(2), win(7), win(8)}, left})) << "occupant first";
    EXPECT_EQ(s.sections[2], (WindowStackSection{"Right column", {win(5)}, right}));
    EXPECT_EQ(s.sections[3], (WindowStackSection{"Other windows", {win(4)}, std::nullopt}));
    EXPECT_EQ(s.underneath, (std::vector<ManagedWindow>{win(3), win(2), win(7), win(8), win(5), win(4)}));
    EXPECT_EQ(s.members.front(), win(1));
    EXPECT_EQ(s.slot(win(1)), span);
    EXPECT_EQ(s.slot(win(3)), left.offsetBy(2, 0)) << "a covered window's slot is its own frame";
    EXPECT_EQ(s.regionFrames, (std::vector<Rect>{left, right}));

    const auto merged = mergeStacks(frameStacks(windows), spans);
    EXPECT_EQ(membersOf(merged), (std::vector<std::vector<ManagedWindow>>{s.members, {win(9), win(10)}}))
        << "the left-column frame stack lies inside the span; the other sticks out";

    // Alone over nothing: no stack; two spanning windows of one frame: a stack of their own.
    SpanCover twin = cover;
    twin.window = win(20);
    twin.frame = span.offsetBy(3, 0);
    EXPECT_TRUE(spanStacks({cover}, {scanned(1, span)}).empty());
    const auto pair = spanStacks({cover, twin}, {scanned(1, span), scanned(20, span.offsetBy(3, 0))});
    ASSERT_EQ(pair.size(), 1u);
    EXPECT_EQ(pair[0].members, (std::vector<ManagedWindow>{win(1), win(20)}));
    EXPECT_TRUE(pair[0].underneath.empty());
}

TEST(StackRules, PlacementsCarryStackMatesOnceAtTheirWindowsTarget)
{
    const Rect a(0, 0, 10, 10), b(20, 0, 10, 10);
    const std::vector<std::vector<ManagedWindow>> carried{{win(1), win(2), win(3)}};
    // Two windows of one stack with their own targets: each keeps its own; the third follows the first.
    EXPECT_EQ(expandWithStackMates({{win(1), a}, {win(2), b}}, carried),
              (WindowFramePairs{{win(1), a}, {win(3), a}, {win(2), b}}));
    EXPECT_EQ(expandWithStackMates({{win(5), a}, {win(5), b}}, {}), (WindowFramePairs{{win(5), a}}));

    CycleOrder order;
    EXPECT_EQ(order.assign({win(2), win(1)}), (std::vector<ManagedWindow>{win(2), win(1)}));
    EXPECT_EQ(order.assign({win(3), win(1), win(2)}), (std::vector<ManagedWindow>{win(2), win(1), win(3)}))
        << "first seen first, whatever the scan's order";
    EXPECT_EQ(nextMember(win(2), {win(2), win(1), win(3)}, -1), win(3)) << "wraps backwards";
    EXPECT_EQ(nextMember(win(2), {win(2)}, 1), std::nullopt);
}

TEST(StackRules, TheWindowsAboveAStackAreThoseListedBeforeAllItsMembers)
{
    WindowStack stack;
    stack.members = {win(1), win(2)};
    const auto layer = [](WindowId id, Rect frame) { return WindowLayerSnapshot{id, Pid(100 + id), frame, 0}; };
    const Rect dialog(100, 600, 300, 200), slot(0, 0, 960, 1080), elsewhere(1000, 0, 900, 1080);
    // Front to back: a dialog, the stack's front member, another window, the member behind.
    EXPECT_EQ(framesAbove(stack, {layer(9, dialog), layer(2, slot), layer(5, elsewhere), layer(1, slot)}),
              (std::vector<Rect>{dialog}));
    EXPECT_EQ(framesAbove(stack, {layer(1, slot), layer(9, dialog)}), std::vector<Rect>{});
    EXPECT_EQ(framesAbove(stack, {layer(9, dialog)}), std::vector<Rect>{}) << "no member listed";
}

TEST(StackRules, ScanDecisionAsksOnlyWhatChangedAndEveryWindowOnceAMinute)
{
    const Pid own = 1;
    const WindowLayerSnapshot a{1, 100, Rect(0, 0, 100, 100), 0}, b{2, 200, Rect(50, 0, 100, 100), 0};
    const WindowLayerSnapshot mine{3, own, Rect(0, 0, 10, 10), 0}, floating{4, 300, Rect(0, 0, 10, 10), kUnmanagedLevel};
    WindowScanState s;
    EXPECT_EQ(s.decide({a, b, mine}, own, false, false, 10), ScanDecision::discover);
    EXPECT_FALSE(s.changedPIDs) << "the first discovery is a full one";
    EXPECT_EQ(s.decide({a, b, mine}, own, false, false, 11), ScanDecision::unchanged);
    EXPECT_EQ(s.decide({a, b, mine}, own, false, true, 11.5), ScanDecision::present) << "presentation pending";
    EXPECT_EQ(s.decide({b, a, mine}, own, false, false, 12), ScanDecision::present) << "only the stacking changed";
    EXPECT_EQ(s.decide({b, a, floating}, own, false, false, 12.5), ScanDecision::present)
        << "our own and floating windows are no documents, but part of the stacking";

    WindowLayerSnapshot moved = b;
    moved.frame = moved.frame.offsetBy(10, 0);
    EXPECT_EQ(s.decide({moved, a}, own, false, false, 13), ScanDecision::discover);
    EXPECT_EQ(s.changedPIDs, (std::unordered_set<Pid>{200}));
    EXPECT_EQ(s.lastDiscovery, 10) << "a partial discovery";
    EXPECT_EQ(s.decide({moved, a}, own, false, false, 70), ScanDecision::discover);
    EXPECT_FALSE(s.changedPIDs) << "60 s after the last full discovery, even when nothing changed";
    EXPECT_EQ(s.decide({moved, a}, own, true, false, 71), ScanDecision::discover) << "forced";

    s.forceFullDiscovery();
    EXPECT_EQ(s.decide({moved, a}, own, false, false, 72), ScanDecision::discover);
    EXPECT_FALSE(s.changedPIDs);
}

// Ending a look raises again only what stood over the raised windows, back-most first: halves
// 1 and 2 over span 3, a floating window 4 over half 1, window 5 behind all of them.
TEST(StackRules, ALookPutsBackWhatStoodOverTheRaisedWindowsAndNothingBehind)
{
    const Rect left(0, 0, 940, 1000), right(980, 0, 940, 1000), both(0, 0, 1920, 1000), floating(100, 100, 300, 200);
    const auto layer = [](WindowId id, const Rect& frame) { return WindowLayer{id, Pid(100 + id), frame, 0}; };
    const std::vector<WindowLayer> layers{layer(4, floating), layer(1, left), layer(2, right), layer(3, both),
                                          layer(5, both)};
    const PeekScene scene{layers, std::nullopt};
    using List = std::vector<ManagedWindow>;
    // The span looked at: the halves come back over it, the floating window over half 1; 5 stays.
    EXPECT_EQ(AnchorPeek::restoreOrder(scene, {win(3)}), (List{win(2), win(1), win(4)}));
    // Half 2 looked at: nothing stood over it.
    EXPECT_EQ(AnchorPeek::restoreOrder(scene, {win(2)}), List{});
    // The span, then half 2: already in their order, they stay; half 1 and the floating window
    // come over the span. Half 2, then the span: half 2 comes over the span again.
    EXPECT_EQ(AnchorPeek::restoreOrder(scene, {win(3), win(2)}), (List{win(1), win(4)}));
    EXPECT_EQ(AnchorPeek::restoreOrder(scene, {win(2), win(3)}), (List{win(2), win(1), win(4)}));

    // The keyboard goes back to the window that had it, unless something stood over that one.
    EXPECT_EQ(AnchorPeek::restoreOrder({layers, win(2)}, {win(3)}), (List{win(2), win(1), win(4), win(2)}));
    EXPECT_EQ(AnchorPeek::restoreOrder({layers, win(1)}, {win(3)}), (List{win(2), win(1), win(4)}));
    EXPECT_EQ(AnchorPeek::restoreOrder({layers, win(4)}, {win(2)}), List{win(4)});
    EXPECT_EQ(AnchorPeek::restoreOrder({layers, win(2)}, {win(2)}), List{});
}

TEST(StackRules, SpanMovesSlideAwayFromTheMiddleAndCutAlongTheRegions)
{
    const Rect screen(0, 0, 1920, 1050), span(0, 0, 1920, 1000);
    EXPECT_EQ(spanCoverOutFrame(Rect(0, 0, 900, 1000), span, screen), Rect(-270, 0, 900, 1000));
    EXPECT_EQ(spanCoverOutFrame(Rect(1020, 0, 900, 1000), span, screen), Rect(1290, 0, 900, 1000));
    EXPECT_EQ(spanCoverOutFrame(Rect(460.5, 0, 1000, 100), span, screen), Rect(760.5, 0, 1000, 100))
        << "centred within a point: towards the screen's middle";

    const Rect l(0, 0, 940, 1000), r(964, 0, 956, 1000), far(965, 0, 955, 1000);
    ASSERT_EQ(seams(span, {l, r}).size(), 1u);
    EXPECT_EQ(seams(span, {l, r})[0], (Seam{952.f / 1920, 0, 952.f / 1920, 1}));
    EXPECT_TRUE(seams(span, {l, far}).empty()) << "25 points apart";
    EXPECT_TRUE(seams(span, {l}).empty());

    EXPECT_EQ(croppedRegion(Rect(0, 0, 200, 100), Rect(0, 0, 400, 200), Rect(100, 50, 200.5, 100)), Rect(50, 25, 101, 50));
    EXPECT_EQ(croppedRegion(Rect(0, 0, 0.5, 100), Rect(0, 0, 400, 200), Rect(0, 0, 200, 100)), std::nullopt)
        << "less than a pixel of the picture";
}

} // namespace
} // namespace fw
