// The side-split store: lazy load, one bad entry dropped alone, sorted saves, and the test a
// column fill passes to rejoin a side-by-side split.
#include "SnapFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace fw::snaptest {
namespace {

class SideSplits : public SnapDesk {
protected:
    ColumnFill sideFill(std::set<RegionNumber> regions) const
    {
        return ColumnFill{builtIn(u"halves"_qs), 0, std::move(regions), Rect(0, 0, 1, 1), SplitAxis::horizontal};
    }
    SnapLayout custom() const { return {u"user-1"_qs, u"Mine"_qs, builtIn(u"thirds"_qs).tree, std::nullopt}; }
};

TEST_F(SideSplits, LoadOnFirstUseDroppingOnlyTheEntriesThatAreNotRegions)
{
    defaults.setValue(SideSplitStore::key(), QJsonDocument::fromJson(R"({
        "A": [[2, 1], [3, 4, 5], [1, 2, 2]],
        "B": "not a list",
        "C": [[1, "two"], [7], [1.5], [6, 8]],
        "D": [[]]
    })").object());
    defaults.clearWriteLog();
    start();
    const auto& splits = state.sideSplits.sideSplits();
    EXPECT_EQ(splits.at(u"A"_qs), (std::set<SideSplitStore::RegionSet>{{1, 2}, {3, 4, 5}}));
    EXPECT_FALSE(splits.count(u"B"_qs));
    EXPECT_EQ(splits.at(u"C"_qs), (std::set<SideSplitStore::RegionSet>{{7}, {6, 8}}));
    EXPECT_EQ(splits.at(u"D"_qs), (std::set<SideSplitStore::RegionSet>{{}}));
    EXPECT_TRUE(defaults.writeLog().empty()) << "loading writes nothing";

    // The next save writes what was kept, each set ascending.
    state.sideSplits.add(u"B"_qs, {9, 2, 5});
    ASSERT_EQ(defaults.writeLog().size(), 1u);
    const QJsonObject saved = defaults.value(SideSplitStore::key())->toObject();
    EXPECT_EQ(saved.value(u"B"_qs).toArray(), (QJsonArray{QJsonArray{2, 5, 9}}));
    EXPECT_EQ(saved.value(u"C"_qs).toArray().size(), 2);
    EXPECT_EQ(saved.keys(), (QStringList{u"A"_qs, u"B"_qs, u"C"_qs, u"D"_qs}));
}

TEST_F(SideSplits, NothingStoredLoadsEmptyAndWritesNothing)
{
    start();
    EXPECT_TRUE(state.sideSplits.sideSplits().empty());
    EXPECT_TRUE(defaults.writeLog().empty());
    defaults.setValue(SideSplitStore::key(), QJsonArray{1, 2});
    SideSplitStore fresh(defaults);
    EXPECT_TRUE(fresh.sideSplits().empty()) << "not a dictionary";
}

TEST_F(SideSplits, OnlyARecordedSideSplitOfACustomLayoutRejoins)
{
    auto& c = start();
    ColumnFill rows = sideFill({0, 1});
    rows.axis = SplitAxis::vertical;
    EXPECT_TRUE(c.isSideSplitFill(rows, u"A"_qs));
    rows.axis.reset();
    EXPECT_TRUE(c.isSideSplitFill(rows, u"A"_qs)) << "a top-edge fill has no axis";
    EXPECT_FALSE(c.isSideSplitFill(sideFill({1, 2}), u"A"_qs)) << "nothing recorded";

    state.sideSplits.add(u"A"_qs, {1, 2});
    EXPECT_TRUE(c.isSideSplitFill(sideFill({1, 2}), u"A"_qs)) << "no group on the display";
    EXPECT_FALSE(c.isSideSplitFill(sideFill({1, 2, 3}), u"A"_qs)) << "exactly the recorded regions";
    EXPECT_FALSE(c.isSideSplitFill(sideFill({1, 2}), u"B"_qs));
    state.layouts.setGroup(u"A"_qs, {custom(), {}, {}});
    EXPECT_TRUE(c.isSideSplitFill(sideFill({1, 2}), u"A"_qs));
    state.layouts.setGroup(u"A"_qs, {builtIn(u"thirds"_qs), {}, {}});
    EXPECT_FALSE(c.isSideSplitFill(sideFill({1, 2}), u"A"_qs)) << "a built-in layout never rejoins";
}

} // namespace
} // namespace fw::snaptest
