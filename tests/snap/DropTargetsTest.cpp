// The drop target under the pointer over plain coordinator state: the top-edge column fill,
// tile menus over occupied and home regions, the tile under the pointer of a shown menu, plain
// placements, and a randomized check that the target always belongs to the region under the
// pointer.
#include "snap/DropTargets.h"

#include "snap/DropGeometry.h"
#include "snap/DropLayouts.h"

#include "layout/TreeBuilders.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>

using namespace fw;

namespace {

const QString kDisplay = u"display-A"_qs;
const ManagedWindow kDragged{100, 1, u"Dragged"_qs, u"Editor"_qs};
const ManagedWindow kOther{201, 2, u"Other"_qs, u"Terminal"_qs};
const ManagedWindow kBehind{202, 2, u"Behind"_qs, u"Terminal"_qs};

SnapLayout layoutOf(const QString& id, RegionTree tree) { return {id, id, std::move(tree), std::nullopt}; }
const SnapLayout kStack = layoutOf(u"stack"_qs, H(0.6, L(0), V(0.5, L(1), L(2))));
const SnapLayout kQuarters = layoutOf(u"quarters"_qs, H(0.5, V(0.5, L(0), L(1)), V(0.5, L(2), L(3))));

// One display with an applied layout, the dragged window and the coordinator's state.
struct Desk {
    AppliedLayouts::Groups groups;
    DropTargetQuery query;
    DropTargetState state;
    std::optional<ReturnSnapTarget> home;

    Desk(const SnapLayout& layout, const Rect& visible)
    {
        groups[kDisplay] = LayoutGroup{layout, {}, {}};
        query.window = kDragged;
        query.display = kDisplay;
        query.visibleFrame = visible;
        query.windowFrame = Rect(40, 40, 300, 200);
        state.allowsRejoin = [](const ColumnFill&) { return true; };
    }
    LayoutGroup& group() { return groups[kDisplay]; }
    Rect frame(RegionNumber r) const { return groups.at(kDisplay).layout.tree.frames(query.visibleFrame, 8).at(r); }
    // The window was placed in the region and has just left it, its frame still the region's.
    void cameFrom(RegionNumber r)
    {
        home = ReturnSnapTarget{kDisplay, query.visibleFrame, group().layout, r, frame(r)};
        query.windowFrame = frame(r);
        query.allowPutBack = true;
    }
    std::optional<RegionDropTarget> at(Point p)
    {
        query.pointer = p;
        query.returnTarget = home ? &*home : nullptr;
        return regionDropTarget(query, groups, state);
    }
    Point centre(RegionNumber r) const { return {frame(r).midX(), frame(r).midY()}; }
};

std::vector<QString> titles(const std::optional<RegionDropTarget>& t)
{
    std::vector<QString> out;
    if (t && t->menu) {
        for (const auto& item : t->menu->items)
            out.push_back(item.title);
    }
    return out;
}

using Titles = std::vector<QString>;

} // namespace

TEST(DropTargets, NothingWhileMovingOrWithoutAnAppliedLayout)
{
    Desk desk(kQuarters, Rect(0, 0, 1224, 1024));
    desk.group().windows[0] = kOther;
    ASSERT_TRUE(desk.at(desk.centre(0)));
    desk.state.mutating = true;
    EXPECT_FALSE(desk.at(desk.centre(0)));
    desk.state.mutating = false;
    desk.query.display = u"display-B"_qs;
    EXPECT_FALSE(desk.at(desk.centre(0)));
}

TEST(DropTargets, TopEdgeFillsTheColumnUnderThePointer)
{
    Desk desk(kStack, Rect(0, 25, 1600, 1000));
    desk.group().windows[1] = kOther;
    const auto fill = desk.at({1300, 25 + 5});
    ASSERT_TRUE(fill);
    const auto merged = columnFill(kStack, (1300.0 - 4) / 1592);
    ASSERT_TRUE(merged);
    EXPECT_EQ(*fill, (RegionDropTarget{kDisplay, kStack, RegionDropIntent::fillColumn(1), std::nullopt,
                                       merged->layout.tree.frames(desk.query.visibleFrame, 8).at(1), merged,
                                       std::nullopt}));
    EXPECT_EQ(fill->frame.height(), 1000 - 16);              // the whole column
    EXPECT_EQ(desk.at({1300, 25 + 6})->intent, RegionDropIntent::fillColumn(1)); // the band's last point
    EXPECT_EQ(desk.at({1300, 25 + 7})->intent, RegionDropIntent::choose(1));     // below it: the region

    // A window spanning regions 0 and 1 would be cut by merging 1 and 2.
    desk.group().spans[kBehind] = {0, 1};
    EXPECT_EQ(desk.at({1300, 25 + 5})->intent, RegionDropIntent::choose(1));
    desk.group().spans[kBehind] = {1, 2};
    EXPECT_EQ(desk.at({1300, 25 + 5})->intent, RegionDropIntent::fillColumn(1));

    // A single-region column fills as it is, unless it is the window's own.
    const auto single = desk.at({100, 25 + 3});
    ASSERT_TRUE(single);
    EXPECT_EQ(single->intent, RegionDropIntent::fillColumn(0));
    EXPECT_EQ(single->fill->layout, kStack);
    EXPECT_EQ(single->frame, desk.frame(0));
    desk.cameFrom(0);
    EXPECT_EQ(titles(desk.at({100, 25 + 3})),
              (Titles{u"Put Back"_qs, u"Left Half"_qs, u"Right Half"_qs, u"Top Half"_qs, u"Bottom Half"_qs}));
}

TEST(DropTargets, TilesOverAnOccupiedRegionFollowItsSize)
{
    // Quarters on 1224 × 1024: regions of 600 × 500, two splits deep in a full-height column.
    Desk desk(kQuarters, Rect(0, 0, 1224, 1024));
    desk.group().windows = {{0, kOther}, {2, kBehind}};
    ASSERT_EQ(desk.frame(0).size, Size(600, 500));
    const auto target = desk.at(desk.centre(0));
    ASSERT_TRUE(target);
    EXPECT_EQ(target->intent, RegionDropIntent::choose(0));
    EXPECT_EQ(target->occupant, kOther);
    EXPECT_EQ(target->frame, desk.frame(0));
    EXPECT_FALSE(target->fill);
    EXPECT_EQ(titles(target), (Titles{u"Add to Stack"_qs, u"Top Half"_qs, u"Bottom Half"_qs, u"Whole Column"_qs}));
    EXPECT_EQ(target->menu->frame.midX(), desk.frame(0).midX());
    EXPECT_EQ(target->menu->items[3].symbol, u"rectangle.portrait.inset.filled");

    // Swap only while the window's frame agrees with the one it was placed at.
    desk.cameFrom(2);
    desk.query.windowFrame = desk.home->frame.offsetBy(5, -5);
    EXPECT_EQ(titles(desk.at(desk.centre(0))).back(), u"Swap");
    desk.query.windowFrame = desk.home->frame.offsetBy(5.5, 0);
    EXPECT_EQ(titles(desk.at(desk.centre(0))).back(), u"Whole Column");
    // A terminal sits in its slot on its cell grid, short of it by less than a cell.
    const Rect slot = desk.home->frame;
    desk.query.windowFrame = Rect(slot.x(), slot.y(), slot.width() - 8, slot.height() - 16);
    EXPECT_EQ(titles(desk.at(desk.centre(0))).back(), u"Whole Column");
    desk.query.windowGrid = Size{9, 17};
    EXPECT_EQ(titles(desk.at(desk.centre(0))).back(), u"Swap");

    // 700 × 400 in a column that does not span the display's height; the rejoin refused.
    Desk wide(kQuarters, Rect(0, 0, 1424, 824));
    wide.group().windows[3] = kOther;
    wide.state.allowsRejoin = [](const ColumnFill&) { return false; };
    ASSERT_EQ(wide.frame(3).size, Size(700, 400));
    EXPECT_EQ(titles(wide.at(wide.centre(3))), (Titles{u"Add to Stack"_qs, u"Left Half"_qs, u"Right Half"_qs}));
}

TEST(DropTargets, RejoinTilesByTheShapeOfTheSplit)
{
    const Rect visible(0, 0, 1600, 1000);
    const struct {
        RegionTree tree;
        RegionNumber region;
        std::optional<QString> title; // nothing: no rejoin tile
    } cases[] = {
        {H(0.5, L(0), L(1)), 1, std::nullopt},                               // under the root split
        {V(0.5, H(0.5, L(0), L(1)), L(2)), 0, u"Whole Row"_qs},               // side by side: remembered
        {H(0.5, L(0), V(0.5, H(0.5, L(1), L(2)), L(3))), 2, u"Rejoin Halves"_qs},
        {H(0.5, L(0), V(0.5, L(1), L(2))), 2, u"Whole Column"_qs},
    };
    for (const auto& c : cases) {
        Desk desk(layoutOf(u"user-1"_qs, c.tree), visible);
        desk.group().windows[c.region] = kOther;
        std::optional<ColumnFill> asked;
        desk.state.allowsRejoin = [&](const ColumnFill& fill) {
            asked = fill;
            return true;
        };
        const auto target = desk.at(desk.centre(c.region));
        ASSERT_TRUE(target) << c.tree.description().toStdString();
        const auto& items = target->menu->items;
        const auto tile = std::find_if(items.begin(), items.end(), [](const auto& i) {
            return i.intent.kind == RegionDropIntent::Kind::fillColumn;
        });
        EXPECT_EQ(tile != items.end() ? std::optional(tile->title) : std::nullopt, c.title)
            << c.tree.description().toStdString();
        if (c.title) {
            ASSERT_TRUE(asked);
            EXPECT_EQ(asked->region, c.region);
            EXPECT_EQ(asked->layout.id, u"user-1");
        }
    }

    // Without the display's memory a side-by-side pair is never rejoined; a stacked pair is.
    Desk desk(layoutOf(u"user-1"_qs, V(0.5, H(0.5, L(0), L(1)), L(2))), visible);
    desk.group().windows = {{0, kOther}, {2, kBehind}};
    desk.state.allowsRejoin = nullptr;
    EXPECT_EQ(titles(desk.at(desk.centre(0))),
              (Titles{u"Add to Stack"_qs, u"Left Half"_qs, u"Right Half"_qs, u"Top Half"_qs, u"Bottom Half"_qs}));
    Desk stacked(layoutOf(u"user-1"_qs, H(0.5, L(0), V(0.5, L(1), L(2)))), visible);
    stacked.group().windows[1] = kOther;
    stacked.state.allowsRejoin = nullptr;
    EXPECT_EQ(titles(stacked.at(stacked.centre(1))).back(), u"Whole Column");
    // A span that leaves the rejoined split keeps the tile away.
    stacked.group().spans[kBehind] = {0, 1};
    EXPECT_EQ(titles(stacked.at(stacked.centre(1))).back(), u"Bottom Half");
}

TEST(DropTargets, TheHomeRegionOffersPutBackOnlyWithOtherTiles)
{
    // Stack on 1600 × 1000: region 0 is 948 × 984, full height.
    Desk desk(kStack, Rect(0, 25, 1600, 1000));
    desk.group().windows[0] = kOther; // another window shares the region: still no occupant
    desk.cameFrom(0);
    const auto target = desk.at(desk.centre(0));
    ASSERT_TRUE(target);
    EXPECT_EQ(target->intent, RegionDropIntent::choose(0));
    EXPECT_FALSE(target->occupant);
    EXPECT_EQ(titles(target),
              (Titles{u"Put Back"_qs, u"Left Half"_qs, u"Right Half"_qs, u"Top Half"_qs, u"Bottom Half"_qs}));
    EXPECT_EQ(target->menu->items[0].intent, RegionDropIntent::putBack(0));

    // Each disagreement gives nothing at all.
    desk.query.allowPutBack = false;
    EXPECT_FALSE(desk.at(desk.centre(0)));
    desk.query.allowPutBack = true;
    desk.home->displayBounds = Rect(0, 24, 1600, 1001);
    EXPECT_FALSE(desk.at(desk.centre(0)));
    desk.home->displayBounds = desk.query.visibleFrame;
    desk.home->layout.name = u"renamed"_qs;
    EXPECT_FALSE(desk.at(desk.centre(0)));
    desk.home->layout = kStack;
    desk.query.windowFrame = desk.home->frame.offsetBy(0, 5.5);
    EXPECT_FALSE(desk.at(desk.centre(0)));

    // 500 × 300, not full height, right under the root split: Put Back alone is no menu.
    Desk rows(layoutOf(u"rows"_qs, V(0.5, L(0), L(1))), Rect(0, 0, 516, 624));
    rows.cameFrom(1);
    ASSERT_EQ(rows.frame(1).size, Size(500, 300));
    EXPECT_FALSE(rows.at(rows.centre(1)));
    // The home region on another display is just a region there.
    rows.home->display = u"display-B"_qs;
    EXPECT_EQ(rows.at(rows.centre(1))->intent, RegionDropIntent::place(1));
}

TEST(DropTargets, ShownMenuAnswersWithTheTileUnderThePointer)
{
    Desk desk(kQuarters, Rect(0, 0, 1224, 1024));
    desk.group().windows[0] = kOther;
    const auto offered = desk.at(desk.centre(0));
    ASSERT_TRUE(offered && offered->menu);
    const ShownMenu shown{kDisplay, 0, *offered->menu};
    desk.state.shownMenu = &shown;

    // In the menu's top-left margin: the first tile, "Add to Stack".
    const Rect menu = offered->menu->frame;
    const auto first = desk.at({menu.minX() + 1, menu.minY() + 1});
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, (RegionDropTarget{kDisplay, kQuarters, RegionDropIntent::place(0), kOther, desk.frame(0),
                                        std::nullopt, shown.menu}));
    // The fill tile carries the rejoin and the merged region's frame.
    const auto& fillTile = shown.menu.items.back();
    const auto fill = desk.at({fillTile.frame.midX(), fillTile.frame.midY()});
    ASSERT_TRUE(fill && fill->fill);
    EXPECT_EQ(fill->intent, RegionDropIntent::fillColumn(0));
    EXPECT_EQ(fill->fill->columnRegions, (std::set<RegionNumber>{0, 1}));
    EXPECT_EQ(fill->fill->axis, SplitAxis::vertical);
    EXPECT_EQ(fill->fill->space, Rect(0, 0, 0.5, 1));
    EXPECT_EQ(fill->frame, fill->fill->layout.tree.frames(desk.query.visibleFrame, 8).at(0));
    EXPECT_EQ(fill->frame.height(), 1024 - 16);
    EXPECT_EQ(fill->menu, shown.menu);

    // Off the menu the region answers afresh; a menu on another display is not looked at.
    EXPECT_EQ(desk.at({menu.minX() - 1, menu.minY()})->menu, shown.menu); // same region, same tiles
    EXPECT_EQ(desk.at({menu.minX() - 1, menu.minY()})->intent, RegionDropIntent::choose(0));
    const ShownMenu elsewhere{u"display-B"_qs, 0, shown.menu};
    desk.state.shownMenu = &elsewhere;
    EXPECT_EQ(desk.at({menu.minX() + 1, menu.minY() + 1})->intent, RegionDropIntent::choose(0));
}

TEST(DropTargets, EmptyRegionsAndTheDraggedWindowsOwnStack)
{
    Desk desk(kQuarters, Rect(0, 0, 1224, 1024));
    // The gap between regions 0 and 2 runs from x 608 to 616: the nearer region answers.
    EXPECT_EQ(*desk.at({609, 300}), (RegionDropTarget{kDisplay, kQuarters, RegionDropIntent::place(0), std::nullopt,
                                                      desk.frame(0), std::nullopt, std::nullopt}));
    EXPECT_EQ(desk.at({612, 300})->intent, RegionDropIntent::place(2)); // the exact middle: the later region
    EXPECT_FALSE(desk.at({1224, 300}));                                 // off the display

    // The region's stack is fronted by the dragged window: no occupant, a plain placement.
    desk.group().windows[3] = kBehind;
    desk.state.stackFront = [](const ManagedWindow&) { return kDragged; };
    EXPECT_EQ(desk.at(desk.centre(3))->intent, RegionDropIntent::place(3));
    desk.state.stackFront = [](const ManagedWindow&) { return kOther; };
    EXPECT_EQ(desk.at(desk.centre(3))->occupant, kOther);
}

// Over random layouts, occupants and pointers below the top band and away from any menu, the
// target always belongs to the region under the pointer: nothing exactly when there is none,
// its frame, a placement when it is empty, and a menu of that region's tiles centred on it.
TEST(DropTargets, RandomTargetsBelongToTheRegionUnderThePointer)
{
    std::mt19937 rng(1103);
    const auto integer = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::function<RegionTree(std::vector<RegionNumber>)> tree = [&](std::vector<RegionNumber> numbers) {
        if (numbers.size() == 1)
            return L(numbers[0]);
        const auto mid = numbers.begin() + integer(1, int(numbers.size()) - 1);
        const double ratio = 0.08 + 0.84 * integer(0, 100) / 100.0;
        const auto axis = integer(0, 1) ? SplitAxis::horizontal : SplitAxis::vertical;
        return RegionTree::split(axis, ratio, tree({numbers.begin(), mid}), tree({mid, numbers.end()}));
    };
    for (int round = 0; round < 300; ++round) {
        std::vector<RegionNumber> numbers(16);
        std::iota(numbers.begin(), numbers.end(), 0);
        std::shuffle(numbers.begin(), numbers.end(), rng);
        numbers.resize(std::size_t(integer(1, 8)));
        const Rect visible(integer(-2000, 2000), integer(0, 40), integer(300, 3000), integer(300, 2000));
        Desk desk(layoutOf(u"user-r"_qs, tree(numbers)), visible);
        for (RegionNumber n : numbers) {
            if (integer(0, 1))
                desk.group().windows[n] = ManagedWindow{WindowId(300 + n), 3, {}, {}};
        }
        const auto frames = desk.group().layout.tree.frames(visible, 8);
        for (int probe = 0; probe < 40; ++probe) {
            const Point p{visible.minX() - 10 + integer(0, int(visible.width()) + 20),
                          visible.minY() + 7 + integer(0, int(visible.height()))};
            const auto region = regionUnderPoint(p, frames, visible);
            const auto target = desk.at(p);
            const bool occupied = region && desk.group().windows.count(*region);
            // An empty region squeezed to no width or height takes no placement.
            ASSERT_EQ(target.has_value(), region && (occupied || !frames.at(*region).isEmpty()));
            if (!target)
                continue;
            EXPECT_EQ(target->intent.region, *region);
            EXPECT_EQ(target->frame, frames.at(*region));
            EXPECT_EQ(target->occupant.has_value(), occupied);
            EXPECT_EQ(target->intent.kind, occupied ? RegionDropIntent::Kind::choose : RegionDropIntent::Kind::place);
            EXPECT_EQ(target->menu.has_value(), occupied);
            if (!occupied)
                continue;
            EXPECT_EQ(target->menu->items.front().intent, RegionDropIntent::place(*region));
            EXPECT_LE(std::abs(target->menu->frame.midX() - target->frame.midX()), 0.5);
            for (const auto& item : target->menu->items)
                EXPECT_EQ(item.intent.region, *region);
        }
    }
}
