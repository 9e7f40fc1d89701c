// Drop-target equality (by which the drag monitor tells whether the target under the pointer
// is still the one armed), a composition's apps matched to running windows, its placement
// records and the window-list difference.
#include "snap/CompositionMatching.h"
#include "snap/DropSession.h"

#include "layout/TreeBuilders.h"

#include <QJsonArray>
#include <gtest/gtest.h>

using namespace fw;

namespace {

ManagedWindow window(WindowId id, Pid pid = 7) { return {id, pid, u"t"_qs, u"a"_qs}; }

const std::map<RegionNumber, Rect> kFrames{{0, Rect(8, 8, 600, 500)}, {1, Rect(616, 8, 600, 500)}};

} // namespace

TEST(DropTargetMatching, TargetsAreEqualOnlyWhenEveryFieldIs)
{
    const SnapLayout halves{u"halves"_qs, u"Halves"_qs, H(0.5, L(0), L(1)), std::nullopt};
    const Rect frame(8, 8, 600, 500);
    const RegionDropTarget base{u"A"_qs, halves, RegionDropIntent::choose(0), window(1), frame, std::nullopt,
                                DropActionMenu::centeredIn(frame, {RegionDropIntent::place(0)})};

    RegionDropTarget same = base;
    same.occupant = ManagedWindow{1, 7, u"renamed"_qs, u"other app"_qs}; // titles take no part
    EXPECT_EQ(same, base);

    std::vector<RegionDropTarget> different(8, base);
    different[0].display = u"B"_qs;
    different[1].layout.name = u"Two"_qs;
    different[2].intent = RegionDropIntent::place(0);
    different[3].occupant = window(1, 8);
    different[4].frame.origin.x += 0.25; // no tolerance
    different[5].fill = ColumnFill{halves, 0, {0}, std::nullopt, std::nullopt};
    different[6].menu->frame.size.height += 0.5;
    different[7].menu.reset(); // a menu and none
    for (std::size_t i = 0; i < different.size(); ++i)
        EXPECT_FALSE(different[i] == base) << i;

    EXPECT_FALSE(RegionDropIntent::split(3, true) == RegionDropIntent::split(3, false));
    EXPECT_EQ(RegionDropIntent::place(3), (RegionDropIntent{RegionDropIntent::Kind::place, 3, true}));
    ColumnFill fill{halves, 0, {0}, Rect(0, 0, 1, 1), SplitAxis::vertical};
    ColumnFill noAxis = fill;
    noAxis.axis.reset();
    EXPECT_FALSE(fill == noAxis);
}

TEST(DropTargetMatching, AppsTakeWindowsInPlaceThenOnTheDisplayThenFirst)
{
    const QString term = u"org.gnome.Terminal"_qs, editor = u"org.gnome.gedit"_qs;
    const std::vector<AppWindow> windows{
        {window(1), term, Rect(0, 0, 300, 300)},
        {window(2), term, Rect(616.5, 8, 600, 499.2)}, // within a point of region 1
        {window(3), editor, std::nullopt},             // frame unreadable
        {window(4), editor, Rect(8, 8, 600, 500)},
        {window(5), u""_qs, Rect(8, 8, 600, 500)},      // no known app
    };
    const SnapLayout::AppMap apps{{1, {term, term, term}}, {0, {editor, u""_qs}}, {9, {editor}}, {2, {}}};
    const AppMatch match = matchLayoutApps(apps, kFrames, windows, {window(3)});
    EXPECT_EQ(match.front, (std::map<RegionNumber, ManagedWindow>{{0, window(4)}, {1, window(2)}}));
    EXPECT_EQ(match.behind, (std::map<RegionNumber, std::vector<ManagedWindow>>{{1, {window(1)}}}));
    EXPECT_EQ(match.missing, (std::vector<MissingApp>{{0, u""_qs, false}, {1, term, false}}));

    // Region 0 comes first: the editor on the display wins over the first one listed.
    const AppMatch onDisplay = matchLayoutApps(SnapLayout::AppMap{{0, {editor}}}, {{0, Rect(0, 0, 10, 10)}},
                                               windows, {window(4)});
    EXPECT_EQ(onDisplay.front.at(0), window(4));
    const AppMatch first = matchLayoutApps(SnapLayout::AppMap{{0, {editor}}}, {{0, Rect(0, 0, 10, 10)}}, windows, {});
    EXPECT_EQ(first.front.at(0), window(3));

    EXPECT_EQ(matchLayoutApps(std::nullopt, kFrames, windows, {}), AppMatch());
    EXPECT_EQ(matchLayoutApps(SnapLayout::AppMap{{5, {term}}}, kFrames, windows, {}), AppMatch());
}

// A window of the same application serves an app only when no app has it as its own: the
// user's own xterm entry takes the system entry's window only when the system entry is not named.
TEST(DropTargetMatching, AppsTakeTheirOwnWindowsBeforeThoseOfTheSameApplication)
{
    const QString mine = u"xterm"_qs, system = u"debian-xterm"_qs;
    const std::vector<AppWindow> windows{{window(1), system, Rect(8, 8, 600, 500), {}, {mine}}};
    const AppMatch both = matchLayoutApps(SnapLayout::AppMap{{0, {mine}}, {1, {system}}}, kFrames, windows, {});
    EXPECT_EQ(both.front, (std::map<RegionNumber, ManagedWindow>{{1, window(1)}})) << "though it lies in region 0";
    EXPECT_EQ(both.missing, (std::vector<MissingApp>{{0, mine, true}}));
    const AppMatch alone = matchLayoutApps(SnapLayout::AppMap{{0, {u"other"_qs, mine}}}, kFrames, windows, {});
    EXPECT_EQ(alone.behind, (std::map<RegionNumber, std::vector<ManagedWindow>>{{0, {window(1)}}}));
    EXPECT_EQ(alone.missing, (std::vector<MissingApp>{{0, u"other"_qs, true}}));
}

TEST(DropTargetMatching, MissingAppsRecordsAndWindowDifferences)
{
    const std::vector<MissingApp> missing{{0, u"a"_qs, true}, {1, u"b"_qs, true}, {1, u"c"_qs, false}};
    EXPECT_EQ(missingAppsStillOpen(missing, {{0, window(1)}}),
              (std::vector<MissingApp>{{1, u"b"_qs, true}, {1, u"c"_qs, false}}));

    const auto placed = compositionPlacementRecord(1, u"org.gnome.gedit"_qs, kFrames, Rect(617, 9, 599, 500));
    EXPECT_EQ(placed.value(u"region"_qs).toInt(), 1);
    EXPECT_EQ(placed.value(u"app"_qs).toString(), u"org.gnome.gedit");
    EXPECT_EQ(placed.value(u"requested"_qs).toArray(), (QJsonArray{616.0, 8.0, 600.0, 500.0}));
    EXPECT_EQ(placed.value(u"actual"_qs).toArray(), (QJsonArray{617.0, 9.0, 599.0, 500.0}));
    EXPECT_TRUE(placed.value(u"fits"_qs).toBool());
    EXPECT_FALSE(compositionPlacementRecord(1, u"x"_qs, kFrames, Rect(617.5, 8, 600, 500)).value(u"fits"_qs).toBool());
    const auto unreadable = compositionPlacementRecord(0, u"x"_qs, kFrames, std::nullopt);
    EXPECT_EQ(unreadable.value(u"actual"_qs).toArray(), QJsonArray());
    EXPECT_FALSE(unreadable.value(u"fits"_qs).toBool());
    const auto noRegion = compositionPlacementRecord(4, u"x"_qs, kFrames, Rect(0, 0, 1, 1));
    EXPECT_EQ(noRegion.value(u"requested"_qs).toArray(), QJsonArray());
    EXPECT_FALSE(noRegion.value(u"fits"_qs).toBool());

    EXPECT_EQ(excluding({window(3), window(1), window(2), window(1, 9)}, {ManagedWindow{1, 7, u"other"_qs, {}}}),
              (std::vector<ManagedWindow>{window(3), window(2), window(1, 9)}));
}
