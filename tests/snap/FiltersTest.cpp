// The coordinator's filters over its tables, the next composition candidate and the values of
// the drop log line.
#include "snap/CompositionRecords.h"
#include "snap/CoordinatorFilters.h"
#include "snap/DropLogText.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

ManagedWindow win(WindowId id, Pid pid = 0) { return ManagedWindow{id, pid ? pid : Pid(id), {}, {}}; }

TEST(Filters, RegionsAndSpans)
{
    SnapAssistSession<ManagedWindow> session{{{0, Rect()}, {1, Rect()}, {2, Rect()}}, {win(1), win(2)}, {{1, win(1)}}, {1, 2}};
    EXPECT_EQ(openRegions(session).size(), 1u) << "region 1, occupied and skipped, is closed once";
    EXPECT_EQ(openRegions(session).begin()->first, 0);
    session.occupied[0] = win(2);
    EXPECT_TRUE(openRegions(session).empty());
    EXPECT_TRUE(session.availableWindows().empty());

    const SpanMap table{{win(1), {1, 2}}, {win(2), {2}}, {win(3), {2, 3}}};
    EXPECT_EQ(spans({1, 2}, table), (SpanMap{{win(1), {1, 2}}, {win(2), {2}}}));

    const RegionWindows regions{{0, win(1, 7)}, {1, win(2, 7)}, {2, win(3)}};
    EXPECT_EQ(removingWindow(win(9, 7), regions), regions) << "same process, other window";
    EXPECT_EQ(removingWindow(win(1, 7), regions).size(), 2u);
    EXPECT_EQ(removingWindows(win(1, 7), win(3), regions), (RegionWindows{{1, win(2, 7)}}));
    EXPECT_EQ(removingWindows(WindowSet{win(2, 7), win(3)}, regions), (RegionWindows{{0, win(1, 7)}}));
}

TEST(Filters, ReturnHomesProcessesAndOrders)
{
    const SnapLayout layout = SnapLayout::builtIns().front();
    const ReturnHomes homes{{win(1), {u"A"_qs, Rect(), layout, 0, Rect()}},
                            {win(2), {u"B"_qs, Rect(), layout, 1, Rect()}},
                            {win(3), {u"B"_qs, Rect(), layout, 0, Rect()}}};
    EXPECT_EQ(returnHomes(u"B"_qs, {}, homes).size(), 1u) << "exactly the targets on the display go";
    EXPECT_TRUE(returnHomes(u"B"_qs, {win(1)}, homes).empty());

    EXPECT_EQ(windowsOutside({1, 2}, {win(1), win(2), win(3)}), (WindowSet{win(3)}));
    EXPECT_EQ(windowsOutside({}, {win(1)}), (WindowSet{win(1)}));

    const std::vector<CompositionRecord> records{{win(3), Rect(), 3}, {win(1), Rect(), 1}, {win(2), Rect(), 2}};
    const auto next = nextCompositionCandidate(records, {win(1)});
    ASSERT_TRUE(next);
    EXPECT_EQ(next->window, win(2));
    EXPECT_EQ(next->rest, (std::vector<CompositionRecord>{{win(1), Rect(), 1}, {win(3), Rect(), 3}}));
    EXPECT_EQ(nextCompositionCandidate(records, {win(1), win(2), win(3)})->window, win(1));
    EXPECT_FALSE(nextCompositionCandidate({}, {}));

    std::vector<std::pair<RegionNumber, ManagedWindow>> pairs{{4, win(1)}, {2, win(2)}, {3, win(3)}, {1, win(4)}};
    const WindowSet members{win(1), win(3)};
    std::sort(pairs.begin(), pairs.end(), SetMembersFirst{members});
    EXPECT_EQ(pairs, (std::vector<std::pair<RegionNumber, ManagedWindow>>{{3, win(3)}, {4, win(1)}, {1, win(4)}, {2, win(2)}}));
}

TEST(Filters, DropLogValues)
{
    EXPECT_EQ(dropIntentText(RegionDropIntent::swap(3)), u"swap(3)"_qs);
    EXPECT_EQ(dropIntentText(RegionDropIntent::split(2, true)), u"split(2, top: true)"_qs);
    EXPECT_EQ(dropIntentText(RegionDropIntent::splitSide(1, false)), u"splitSide(1, left: false)"_qs);
    EXPECT_EQ(dropIntentText(RegionDropIntent::putBack(0)), u"putBack(0)"_qs);
    EXPECT_EQ(millisecondsSince(Duration(1000ms), Duration(1000ms) + milliseconds(24.9)), 24);
    EXPECT_EQ(millisecondsSince(Duration(0), Duration(0)), 0);
}

} // namespace
} // namespace fw
