#include "windows/PlacementRecord.h"

#include <gtest/gtest.h>

using namespace fw;

namespace {

ManagedWindow win(WindowId id, Pid pid, const char* title = "")
{
    return ManagedWindow{id, pid, QString::fromUtf8(title), QStringLiteral("App")};
}

} // namespace

TEST(WindowRecords, FilterKeepsSliceOrderDuplicatesAndTheSlicesFrames)
{
    const auto a = win(1, 10), b = win(2, 10), c = win(3, 11);
    const std::vector<PlacementItem> items{{a, Rect(0, 0, 1, 1)}, {b, Rect(0, 0, 2, 2)}, {a, Rect(0, 0, 3, 3)},
                                           {c, Rect(0, 0, 4, 4)}};
    const std::unordered_map<ManagedWindow, Rect> present{{a, Rect(9, 9, 9, 9)}, {c, Rect(8, 8, 8, 8)}};

    auto out = WindowRecords::filtered(items, 0, items.size(), present);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].frame, Rect(0, 0, 1, 1));
    EXPECT_EQ(out[1].frame, Rect(0, 0, 3, 3));
    EXPECT_EQ(out[2].frame, Rect(0, 0, 4, 4));

    // Only the slice counts; an empty slice or map gives nothing.
    out = WindowRecords::filtered(items, 1, 3, present);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].frame, Rect(0, 0, 3, 3));
    EXPECT_TRUE(WindowRecords::filtered(items, 2, 2, present).empty());
    EXPECT_TRUE(WindowRecords::filtered(items, 0, items.size(), std::unordered_map<ManagedWindow, Rect>{}).empty());

    // Keys compare by process and window id only; title and app name take no part. The same
    // id under another process is another window.
    const std::unordered_map<ManagedWindow, int> renamed{{win(2, 10, "renamed"), 0}, {win(3, 99), 0}};
    out = WindowRecords::filtered(items, 0, items.size(), renamed);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].window, b);
}

TEST(PlacementRecords, OutcomesAreDistinctAndOnlyTheFirstRefusalIsKept)
{
    const std::hash<PlacementOutcome> h;
    EXPECT_NE(h(PlacementOutcome::committed), h(PlacementOutcome::rolledBack));
    EXPECT_NE(h(PlacementOutcome::rolledBack), h(PlacementOutcome::rollbackFailed));
    EXPECT_NE(h(PlacementOutcome::committed), h(PlacementOutcome::rollbackFailed));
    EXPECT_EQ(toString(PlacementOutcome::rollbackFailed), QStringLiteral("rollbackFailed"));

    ColumnSplitRecord record;
    recordFirstTarget(std::nullopt, record, win(1, 10), Rect(0, 0, 100, 100));
    recordFirstTarget(Rect(1, 1, 50, 50), record, win(2, 10), Rect(0, 0, 200, 200));
    ASSERT_TRUE(record.firstRefusal);
    EXPECT_EQ(record.firstRefusal->window, win(1, 10));
    EXPECT_EQ(record.firstRefusal->requested, Rect(0, 0, 100, 100));
    EXPECT_FALSE(record.firstRefusal->actual);
}
