// The pure rules under badges: the stored placements ("badgePlacements.v2": matching by
// overlap, the cap per display, what a bad stored entry costs), the title-bar reading and its
// free stretches, with the badge sizes they work from, the spots across the window's left
// edge and on the window manager's title bar, and the badge state's choice among the rules.
#include "base/UserDefaults.h"
#include "stacks/BadgePlacementStore.h"
#include "stacks/BadgeSpots.h"
#include "stacks/BadgeState.h"
#include "stacks/TitleBarStretch.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace fw {
namespace {

QJsonObject entry(const Rect& slot, double dx, double dy, std::optional<bool> fromRight)
{
    QJsonObject placement{{u"dx"_qs, dx}, {u"dy"_qs, dy}};
    if (fromRight)
        placement.insert(u"fromRight"_qs, *fromRight);
    return QJsonObject{{u"placement"_qs, placement},
                       {u"slot"_qs, QJsonArray{QJsonArray{slot.x(), slot.y()}, QJsonArray{slot.width(), slot.height()}}}};
}

TEST(BadgePlacementStore, ABadStoredEntryLosesOnlyItselfAndTheRestRoundTrips)
{
    MemoryDefaults defaults;
    defaults.setValue(BadgePlacementStore::legacyKey, u"old"_qs);
    const Rect s1(0, 0, 800, 600), s2(800, 0, 800, 600);
    defaults.setValue(BadgePlacementStore::key,
                      QJsonObject{{u"A"_qs, QJsonArray{entry(s1, 10, 20, false), entry(s2, 1, 2, std::nullopt),
                                                       entry(s2, 30, 40, true), u"junk"_qs}},
                                  {u"B"_qs, u"not a list"_qs},
                                  {u"C"_qs, QJsonArray{entry(s1, 5, 6, true)}}});
    BadgePlacementStore store(defaults);
    EXPECT_FALSE(defaults.value(BadgePlacementStore::legacyKey)) << "removed unread";
    EXPECT_EQ(store.droppedAtLoad(), 3);
    EXPECT_EQ(store.placement(u"A"_qs, s1), (BadgePlacement{false, 10, 20}));
    EXPECT_EQ(store.placement(u"A"_qs, s2), (BadgePlacement{true, 30, 40}));
    EXPECT_EQ(store.placement(u"C"_qs, s1), (BadgePlacement{true, 5, 6}));
    EXPECT_FALSE(store.placement(u"B"_qs, s1));

    // The next change writes what loaded, and a new store reads back the same.
    store.setPlacement({false, 7, 8}, u"D"_qs, s2);
    BadgePlacementStore again(defaults);
    EXPECT_EQ(again.stored(), store.stored());
    EXPECT_EQ(again.droppedAtLoad(), 0);
    const QJsonObject written = defaults.value(BadgePlacementStore::key)->toObject();
    EXPECT_EQ(written.keys(), (QStringList{u"A"_qs, u"B"_qs, u"C"_qs, u"D"_qs}));
    EXPECT_TRUE(written[u"B"_qs].toArray().isEmpty());

    // A value that is not an object at all starts empty; the next save replaces it.
    defaults.setValue(BadgePlacementStore::key, u"{broken"_qs);
    BadgePlacementStore broken(defaults);
    EXPECT_TRUE(broken.isEmpty());
}

TEST(BadgePlacementStore, MatchesByOverlapFollowsDriftCapsEachDisplayAndForgets)
{
    MemoryDefaults defaults;
    BadgePlacementStore store(defaults);
    const Rect slot(0, 0, 100, 100);
    EXPECT_DOUBLE_EQ(BadgePlacementStore::overlap(slot, slot), 1);
    EXPECT_EQ(BadgePlacementStore::overlap(slot, Rect(100, 0, 100, 100)), 0) << "touching edges only";

    store.setPlacement({false, 1, 1}, u"A"_qs, slot);
    store.setPlacement({false, 2, 2}, u"A"_qs, Rect(200, 0, 100, 100));
    // Overlap 0.6 or more replaces the entry (moved to the end); less adds one.
    store.setPlacement({true, 3, 3}, u"A"_qs, Rect(10, 0, 100, 100));
    ASSERT_EQ(store.stored().at(u"A"_qs).size(), 2u);
    EXPECT_EQ(store.stored().at(u"A"_qs).back().placement, (BadgePlacement{true, 3, 3}));
    store.setPlacement({false, 4, 4}, u"A"_qs, Rect(60, 0, 100, 100));
    EXPECT_EQ(store.stored().at(u"A"_qs).size(), 3u) << "0.43 of the union: a slot of its own";

    // Equal overlaps: the older entry wins. A lookup at a drifted slot moves the entry along
    // (and writes); an exact lookup writes nothing.
    EXPECT_EQ(store.bestEntry(u"A"_qs, Rect(35, 0, 100, 100)), 1u);
    defaults.clearWriteLog();
    EXPECT_EQ(store.placement(u"A"_qs, Rect(12, 2, 100, 100)), (BadgePlacement{true, 3, 3}));
    EXPECT_EQ(store.stored().at(u"A"_qs)[1].slot, Rect(12, 2, 100, 100));
    EXPECT_EQ(defaults.writeLog().size(), 1u);
    store.placement(u"A"_qs, Rect(12, 2, 100, 100));
    EXPECT_EQ(defaults.writeLog().size(), 1u);

    // 65 distinct slots on one display keep its newest 64; the other display keeps its own.
    store.setPlacement({false, 9, 9}, u"B"_qs, slot);
    for (int i = 0; i < 65; ++i)
        store.setPlacement({false, double(i), 0}, u"A"_qs, Rect(1000.0 * i, 5000, 100, 100));
    ASSERT_EQ(store.stored().at(u"A"_qs).size(), 64u);
    EXPECT_EQ(store.stored().at(u"A"_qs).front().placement.dx, 1);
    EXPECT_EQ(store.stored().at(u"B"_qs).size(), 1u);

    // Forgetting: one entry leaves its display's list; all of them writes an empty object,
    // once.
    store.removePlacement(u"B"_qs, slot);
    EXPECT_TRUE(store.stored().at(u"B"_qs).empty());
    store.removeAll();
    EXPECT_TRUE(store.isEmpty());
    EXPECT_EQ(defaults.value(BadgePlacementStore::key), QJsonValue(QJsonObject()));
    defaults.clearWriteLog();
    store.removeAll();
    store.removePlacement(u"A"_qs, slot);
    EXPECT_TRUE(defaults.writeLog().empty());
}

TEST(BadgeSpot, SizesFollowTheMemberCount)
{
    EXPECT_EQ(badgeSize(1, false, false), (Size{22, 22}));
    EXPECT_EQ(badgeSize(1, true, false), (Size{56, 36}));
    EXPECT_DOUBLE_EQ(badgeSize(7, false, false).width, 125.4);
    EXPECT_DOUBLE_EQ(badgeSize(7, true, false).width, 270);
    EXPECT_DOUBLE_EQ(badgeSize(4, true, true).width, 32 + 96 + 36 + 34);
    EXPECT_EQ(badgeSize(4, false, true), badgeSize(4, false, false)) << "the joiner lengthens only the open badge";
}

// One reading of a bar: its ends where the button layout puts them, the window's buttons
// among them (inset from the bar's top and bottom, the minimise button their middle), the
// title's text centred where the window manager centres it, else all of the stretch between.
TEST(BadgeSpot, OneReadingOfATitleBarPlacesItsButtonsOnTheWindowManagersSide)
{
    const Rect bar(100, 50, 800, 20);
    const TitleBar right = titleBarOf(bar, {1, 3, false, true}, u"  xterm "_qs);
    EXPECT_EQ(right.leftEnd, Rect(100, 50, 20, 20));
    EXPECT_EQ(right.rightEnd, Rect(840, 50, 60, 20));
    EXPECT_EQ(right.buttons(), Rect(840, 54, 60, 12)) << "the three buttons at the right end";
    EXPECT_EQ(right.minimize(), Rect(864, 54, 12, 12));
    EXPECT_EQ(right.title, Rect(480, 50, 40, 20)) << "the title's text, centred on the bar";
    EXPECT_EQ(right.itemsBesideButtons(), 2) << "the window's icon and the title";

    const TitleBar left = titleBarOf(bar, {3, 1, true, false}, u"xterm"_qs);
    EXPECT_EQ(left.buttons(), Rect(100, 54, 60, 12)) << "the buttons at the left end";
    EXPECT_EQ(left.minimize(), Rect(124, 54, 12, 12));
    EXPECT_EQ(left.title, Rect(160, 50, 720, 20)) << "where the text stands is not known: all between the ends";
    EXPECT_EQ(titleBarOf(bar, {1, 3, false}, u" "_qs).title, std::nullopt);
    EXPECT_EQ(titleBarOf(Rect(0, 0, 60, 20), {2, 3, false}).rightEnd, Rect(40, 0, 20, 20))
        << "the ends never reach past the bar";
}

// The free stretch beside the title's text: beside the buttons at the left end, else the widest
// stretch between the items, 14 pixels in; clear of what stands on the bars of the window's
// busy stacked mates; none where the bar holds fewer than two things besides the buttons, where
// a title fills the stretches, or where the window manager may draw the title anywhere.
TEST(BadgeSpot, FindsTheFreeStretchOfTheTitleBarClearOfEveryBusyStackedWindow)
{
    const Size window{800, 600};
    const Size compact = badgeSize(2, false, false), open = badgeSize(2, true, false);   // 39 × 22, 92 × 36
    const Rect bar(0, 0, 800, 20);
    const TitleBarButtons openbox{1, 3, false, true}, leftButtons{3, 1, true, true};
    const auto origin = [&](const TitleBar& t, std::vector<TitleBar> others = {}) {
        return stacks::freeStretchOrigin(t, window, compact, open, others);
    };

    const TitleBar front = titleBarOf(bar, openbox, u"xterm"_qs);
    EXPECT_EQ(origin(front), (Point{34, 0})) << "the wider stretch, left of the title, 14 in; as near the bar's middle as the window allows";
    EXPECT_EQ(origin(titleBarOf(bar, leftButtons, u"xterm"_qs)), (Point{76, 0})) << "16 right of the buttons";
    EXPECT_EQ(origin(titleBarOf(Rect(0, 0, 800, 30), openbox, u"xterm"_qs)).value_or(Point{}).y, 4)
        << "centred on a taller bar";

    // Another busy window's item over the first stretch pushes it to the next.
    EXPECT_EQ(origin(front, {titleBarOf(bar, leftButtons, u"xterm"_qs)}), (Point{434, 0}));
    // The other member's title covers both stretches of the front's.
    EXPECT_EQ(origin(front, {titleBarOf(bar, openbox, QString(90, u'x'))}), std::nullopt);
    // A window with few items is not kept clear of.
    EXPECT_TRUE(stacks::hasFewItems(titleBarOf(bar, {0, 3, false, true}, QString(90, u'x'))));
    EXPECT_EQ(origin(front, {titleBarOf(bar, {0, 3, false, true}, QString(90, u'x'))}), (Point{34, 0}));

    EXPECT_EQ(origin(titleBarOf(bar, openbox, QString(120, u'x'))), std::nullopt) << "the title fills the bar";
    EXPECT_EQ(origin(titleBarOf(bar, {0, 3, false, true}, u"xterm"_qs)), std::nullopt) << "only the title";
    EXPECT_EQ(origin(titleBarOf(bar, openbox)), std::nullopt) << "only the icon";
    EXPECT_EQ(origin(titleBarOf(bar, {1, 3, false}, u"xterm"_qs)), std::nullopt)
        << "where the window manager may draw its title anywhere between the ends, nothing there is free";
    EXPECT_EQ(stacks::freeStretchOrigin(front, {120, 600}, compact, open, {}), std::nullopt)
        << "the open badge does not fit in the window";
    EXPECT_EQ(stacks::freeStretchOrigin(front, {800, 40}, compact, open, {}), std::nullopt)
        << "nor below the bar";
}

TEST(BadgeSpot, OnTheEdgeTheBadgeStraddlesTheSlotsLeftEdgeInsideTheVisibleFrame)
{
    const Size open = badgeSize(2, true, false), compact = badgeSize(2, false, false);   // 92 × 36, 39 × 22
    struct Row {
        const char* what;
        Rect slot;
        std::optional<double> visibleMinX;
        Rect rect, coverTest;
    };
    const Row rows[] = {
        {"between two windows: half on each side", Rect(960, 40, 900, 700), 0.0, Rect(942, 70, 36, 92),
         Rect(961, 70, 10, 39)},
        {"at the screen's left: pushed 1 point inside", Rect(8, 40, 900, 700), 0.0, Rect(1, 70, 36, 92),
         Rect(9, 70, 21, 39)},
        {"beside a panel on the left", Rect(60, 40, 900, 700), 48.0, Rect(49, 70, 36, 92), Rect(61, 70, 17, 39)},
        {"no screen under the edge: no limit", Rect(-200, 40, 900, 700), std::nullopt, Rect(-218, 70, 36, 92),
         Rect(-199, 70, 10, 39)},
    };
    for (const Row& r : rows) {
        const stacks::EdgeBadge got = stacks::edgeBadge(r.slot, 70, open, compact, r.visibleMinX);
        EXPECT_EQ(got.rect, r.rect) << r.what;
        EXPECT_EQ(got.coverTest, r.coverTest) << r.what << ": the compact strip's part over the window";
    }
}

// On a title bar the badge is as large as anywhere else, however thin the bar: its compact
// strip stands centred on the bar, the open badge's panel around it, beside the buttons.
TEST(BadgeSpot, OnTheTitleBarTheBadgeStandsCentredOnTheBarBesideTheButtonsOnTheTitlesSide)
{
    struct Row {
        const char* what;
        Rect bar;
        TitleBarButtons buttons;
        double scale = 1;
        std::optional<double> topLimit;
        std::optional<Rect> rect, compact;
        double middle = 0;
    };
    const Row rows[] = {
        {"buttons at the right: left of them, reaching past the thin bar", Rect(100, 50, 800, 22), {1, 3, false}, 1,
         std::nullopt, Rect(900 - 66 - 4 - 56, 43, 56, 36), Rect(774, 50, 22, 22), 18},
        {"buttons at the left: right of them", Rect(100, 50, 800, 22), {4, 0, true}, 1, 0.0,
         Rect(100 + 88 + 4, 43, 56, 36), Rect(192, 50, 22, 22), 18},
        {"a tall bar: centred in it", Rect(0, 0, 600, 48), {1, 1, false}, 1, 0.0, Rect(600 - 48 - 4 - 56, 6, 56, 36),
         Rect(492, 13, 22, 22), 18},
        {"at the screen's top: kept below it", Rect(0, 0, 600, 20), {0, 2, false}, 1, 0.0,
         Rect(600 - 40 - 4 - 56, 0, 56, 36), Rect(500, 0, 22, 22), 11},
        {"a 20-pixel bar at twice the density: twice the size, centred on it", Rect(0, 100, 1200, 20), {1, 3, false},
         2, 0.0, Rect(1200 - 60 - 8 - 112, 74, 112, 72), Rect(1020, 88, 44, 44), 36},
        {"an odd bar at the screen's top at twice the density: the strip whole logical pixels into the panel",
         Rect(8, 8, 934, 29), {1, 3, false}, 2, 0.0, Rect(942 - 87 - 8 - 112, 0, 112, 72), Rect(735, 0, 44, 44), 22},
        {"too narrow between the ends", Rect(0, 0, 120, 22), {1, 3, false}, 1, 0.0, std::nullopt, std::nullopt, 0},
    };
    for (const Row& r : rows) {
        const Size open = badgeSize(1, true, false, r.scale), compact = badgeSize(1, false, false, r.scale);
        const auto got = stacks::titleBarBadge(titleBarOf(r.bar, r.buttons), open, compact, r.scale, r.topLimit);
        ASSERT_EQ(got.has_value(), r.rect.has_value()) << r.what;
        if (!got)
            continue;
        EXPECT_EQ(got->rect, *r.rect) << r.what;
        EXPECT_EQ(got->compact, *r.compact) << r.what;
        EXPECT_EQ(got->middle, r.middle) << r.what;
        EXPECT_GE(got->compact.height(), 22 * r.scale) << r.what << ": never below the compact badge";
    }
}

// The rules in order over the badge state alone: on the edge; where the user dragged it; the
// free title-bar spot; on the window manager's title bar (under its buttons when it does not
// fit); inside the top edge of a window without one.
TEST(BadgeSpot, TheBadgeStateTakesTheFirstRuleThatApplies)
{
    MemoryDefaults defaults;
    stacks::BadgeSettings settings(defaults);
    stacks::BadgeState state;
    const ManagedWindow front{11, 100, u"front"_qs, u"Front"_qs}, back{12, 101, u"back"_qs, u"Back"_qs};
    const Rect slot(968, 8, 944, 1034);
    WindowStack stack;
    stack.frame = slot;
    stack.members = {back, front};
    const std::vector<ScreenInfo> screens{{u"A"_qs, u"A"_qs, Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1050), true}};
    const TitleBarButtons layout{1, 3, false};
    state.bars[front] = {slot.origin, titleBarOf(Rect(slot.minX(), slot.minY(), slot.width(), 22), layout)};
    std::optional<Point> free;
    int asked = 0;
    const stacks::BadgeSurroundings around{settings, screens, [&] {
                                               ++asked;
                                               return free;
                                           }};
    const auto place = [&] { return state.layout(front, stack, u"A"_qs, 1, false, around); };

    settings.setOnEdge(true);
    auto got = place();
    ASSERT_TRUE(got);
    EXPECT_TRUE(got->edge);
    EXPECT_EQ(got->rect, Rect(slot.minX() - 18, slot.minY() + 18 + 6, 36, 56)) << "across the edge, below the buttons";
    EXPECT_EQ(asked, 0) << "the free spot is not asked for";

    settings.setOnEdge(false);
    settings.setAutoPlace(true);
    settings.placements().setPlacement({true, 120, 40}, u"A"_qs, slot);
    got = place();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->rect, Rect(slot.maxX() - 120, slot.minY() + 40, 56, 36)) << "where the user dragged it";
    settings.placements().removeAll();

    free = Point{300, 30};
    got = place();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->rect, Rect(slot.minX() + 300, slot.minY() + 30, 56, 36)) << "the free title-bar spot";
    EXPECT_EQ(asked, 1);

    free.reset();
    got = place();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->stripMiddle, std::optional(18.0));
    EXPECT_EQ(got->rect, Rect(slot.maxX() - 66 - 4 - 56, slot.minY() - 7, 56, 36)) << "beside the buttons";
    EXPECT_EQ(got->coverTest, Rect(slot.maxX() - 66 - 4 - 56, slot.minY(), 22, 22)) << "the strip at rest";
    EXPECT_EQ(got->size, (Size{56, 36})) << "a moved badge takes its open size";

    state.bars[front].bar = titleBarOf(Rect(slot.minX(), slot.minY(), 120, 22), layout);
    got = place();
    ASSERT_TRUE(got) << "a narrow title bar";
    EXPECT_FALSE(got->stripMiddle);
    EXPECT_EQ(got->rect, Rect(slot.minX() + 54 - 2, slot.minY() + 24, 56, 36)) << "under the buttons, at the right";
    state.bars[front].bar = titleBarOf(Rect(slot.maxX() - 100, slot.minY(), 100, 22), {1, 1, false});
    got = place();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->rect, Rect(slot.maxX() - 4 - 56, slot.minY() + 24, 56, 36)) << "under them, inside the slot";

    state.bars[front].bar.reset();
    got = place();
    ASSERT_TRUE(got);
    EXPECT_FALSE(got->stripMiddle);
    EXPECT_EQ(got->rect, Rect(slot.minX() + 5, slot.minY() + 6, 56, 36)) << "inside the top edge";
}

} // namespace
} // namespace fw
