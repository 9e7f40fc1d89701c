// Badges, hover and title-bar readings of the stack controller presenting its own stacks, on
// the simulated desktop in virtual time: where a badge stands and when it hides, what a drag,
// a reset and the edge setting do, when hover opens and closes a switcher, and how often the
// title bars of stacked windows are read.
#include "BadgeDesk.h"

namespace fw::stacktest {
namespace {

class StackBadges : public BadgeDesk {};

TEST_F(StackBadges, OneBadgeUnderTheFrontsButtonsHidesWhileCoveredAndSwitchesTheStack)
{
    defaults.setValue(u"stackBadgesOnEdge"_qs, false);
    const Rect left = region(u"halves"_qs, 0);
    const auto a = addTitled(100, left), b = addTitled(101, left);
    auto& s = startPresenting();

    // One badge, of the window behind the front, under the front's title-bar buttons.
    ASSERT_EQ(surfaces.badges.size(), 1u);
    const RecordingBadge* badge = surfaces.badges.front();
    EXPECT_TRUE(badge->shown);
    EXPECT_EQ(badge->at, defaultBadge(left, 1));
    EXPECT_EQ(badge->content.members, std::vector<ManagedWindow>{a});
    EXPECT_FALSE(badge->content.vertical);
    EXPECT_EQ(tips, std::vector<Tip>{Tip::badge});
    ASSERT_EQ(surfaces.anchors.size(), 1u);
    EXPECT_EQ(surfaces.anchors[0]->at, Rect(left.minX() + 27, left.minY() + 4, 12, 14)) << "over the middle button";
    EXPECT_EQ(s.stack(a), b);
    EXPECT_EQ(s.stackDiagnostics()[0].toObject()[u"status"_qs].toString(), u"hover ready"_qs);

    // A third application's window over a corner of the badge's strip hides it, with the reason.
    const Rect spot = badge->at, strip = defaultStrip(left, 1);
    const auto c = add(102, Rect(strip.maxX() - 10, strip.maxY() - 10, 300, 200));
    clock.advance(2s);   // past the grace of its application's activation
    EXPECT_FALSE(badge->shown);
    EXPECT_TRUE(presenter().badges().empty());
    EXPECT_TRUE(logs.contains(u"Badge hidden for App101: something covers "_qs + toString(strip)));
    sim.place(c.element, Rect(1200, 600, 300, 200));
    clock.advance(1s);
    ASSERT_TRUE(shownBadge());
    EXPECT_EQ(shownBadge()->at, spot);

    // A click on the icon brings the window behind forward; its badge now shows the other.
    shownBadge()->actions.choose(a);
    clock.advance(3s);
    EXPECT_EQ(frontOf({a, b}), a.element);
    ASSERT_TRUE(shownBadge());
    EXPECT_EQ(shownBadge()->content.members, std::vector<ManagedWindow>{b});
    EXPECT_EQ(s.stack(b), a);
    for (const RecordingBadge* r : surfaces.badges)
        EXPECT_GT(r->raises, 0) << "raised after passes";
}

TEST_F(StackBadges, MovedBadgesAreRememberedClampedAndResetAndEdgeBadgesSnapBack)
{
    defaults.setValue(u"stackBadgesOnEdge"_qs, false);
    const Rect left = region(u"halves"_qs, 0);
    addTitled(100, left);
    addTitled(101, left);
    auto& s = startPresenting();
    RecordingBadge* badge = surfaces.badges.front();
    EXPECT_EQ(badge->at, defaultBadge(left, 1));
    EXPECT_EQ(badge->content.stripMiddle, std::optional(18.0)) << "the strip on the bar's middle, 7 below the panel's top";
    const Size size = badgeSize(1, true, false);   // a moved badge has its full size

    // Dropped beyond the window's right edge: remembered from the right, clamped 4 inside.
    badge->actions.moved(Rect(left.maxX() - 20, left.minY() + 60, size.width, size.height));
    EXPECT_EQ(badge->at, Rect(left.maxX() - 4 - size.width, left.minY() + 60, size.width, size.height));
    const auto stored = s.badgePlacements().placement(u"A"_qs, left);
    ASSERT_TRUE(stored);
    EXPECT_EQ(*stored, (BadgePlacement{true, 20, 60}));
    EXPECT_TRUE(defaults.value(BadgePlacementStore::key)->toObject().contains(u"A"_qs));
    EXPECT_EQ(badge->content.resetTitle, u"Place Badge Automatically"_qs);
    EXPECT_EQ(badge->content.resetAllTitle, u"Place All Badges Automatically"_qs);

    EXPECT_FALSE(badge->content.stripMiddle);

    // The next passes keep it there; a reset puts it back on the title bar.
    clock.advance(2s);
    EXPECT_EQ(shownBadge()->at.x(), left.maxX() - 4 - size.width);
    shownBadge()->actions.resetPosition();
    EXPECT_EQ(shownBadge()->at, defaultBadge(left, 1));
    EXPECT_TRUE(s.badgePlacements().isEmpty());
    EXPECT_FALSE(shownBadge()->content.resetTitle);

    // On the edge: upright, just below the title bar, across the window's left edge; that edge
    // is 8 points from the screen's, so half the badge would leave the visible frame: it is
    // pushed right to 1 point inside it. A drag of an upright badge stores nothing and snaps
    // back.
    s.setBadgesOnEdge(true);
    EXPECT_TRUE(surfaces.badges.empty()) << "every badge goes at once";
    EXPECT_EQ(defaults.value(u"stackBadgesOnEdge"_qs), QJsonValue(true));
    clock.advance(1s);
    ASSERT_TRUE(shownBadge());
    const Rect upright = shownBadge()->at;
    EXPECT_EQ(upright, Rect(1, left.minY() + 4 + 14 + 6, 36, 56)) << "the buttons' bottom + 6";
    EXPECT_TRUE(shownBadge()->content.vertical);
    EXPECT_FALSE(shownBadge()->content.resetAllTitle);
    surfaces.badges.front()->actions.moved(Rect(400, 400, 36, 56));
    EXPECT_EQ(shownBadge()->at, upright);
    EXPECT_TRUE(s.badgePlacements().isEmpty());

    s.setBadgesEnabled(false);
    clock.advance(1s);
    EXPECT_FALSE(shownBadge());
    EXPECT_EQ(defaults.value(u"stackBadgesEnabled"_qs), QJsonValue(false));
}

TEST_F(StackBadges, HoverOpensTheSwitcherOnlyOverTheRealFrontAndAShortcutSwitcherStaysOpen)
{
    const Rect left = region(u"halves"_qs, 0);
    const auto a = addTitled(100, left), b = addTitled(101, left);
    auto& s = startPresenting();
    RecordingAnchorPanel* anchorPanel = surfaces.anchors.front();
    const Point button{left.minX() + 33, left.minY() + 11};

    // Far from every anchor and badge the hover tick parks itself; near, it runs. 0.44 s of
    // rest opens nothing; 0.45 s opens the popover and gives the switcher tip.
    pointAt(Point{1500, 900});
    clock.advance(200ms);
    EXPECT_TRUE(presenter().hoverPaused());
    pointAt(button);
    EXPECT_FALSE(presenter().hoverPaused());
    clock.advance(440ms);
    EXPECT_FALSE(anchorPanel->switcher.popover);
    clock.advance(110ms);
    EXPECT_TRUE(anchorPanel->switcher.popover);
    EXPECT_TRUE(anchorPanel->visible);
    EXPECT_EQ(tips.back(), Tip::switcher);

    // Leaving for 0.35 s (neither the anchor nor the picker) closes it.
    pointAt(Point{100, 300});   // inside the picker's frame
    clock.advance(1s);
    EXPECT_TRUE(anchorPanel->switcher.popover);
    pointAt(Point{1500, 900});
    clock.advance(200ms);
    EXPECT_TRUE(anchorPanel->switcher.popover);
    clock.advance(300ms);
    EXPECT_FALSE(anchorPanel->switcher.popover);
    EXPECT_FALSE(anchorPanel->visible);
    clock.advance(2s);
    EXPECT_TRUE(presenter().hoverPaused()) << "far from every anchor and badge";

    // Another application's window under the pointer (beside the button): refused, naming it.
    const auto cover = add(102, Rect(left.minX() + 10, left.minY() + 19, 16, 20));
    clock.advance(1s);
    ASSERT_EQ(surfaces.anchors.size(), 1u);
    pointAt(Point{left.minX() + 25, left.minY() + 20});
    clock.advance(600ms);
    EXPECT_FALSE(anchorPanel->switcher.popover);
    EXPECT_TRUE(logs.contains(u"Hover refused for App101: pointer is over App102"_qs));
    sim.closeWindow(cover.element);
    clock.advance(1s);

    // By shortcut: the switcher opens in a key panel, and hover (which waits while it is up,
    // even with the menu open) leaves it open.
    ASSERT_TRUE(s.showSwitcher(b));
    const AnchorPanel* explicitPanel = presenter().explicitPickerPanel();
    ASSERT_TRUE(explicitPanel);
    s.setMenuOpen(true);
    pointAt(button);
    clock.advance(2s);
    EXPECT_EQ(presenter().explicitPickerPanel(), explicitPanel);
    EXPECT_TRUE(static_cast<const RecordingAnchorPanel*>(explicitPanel)->switcher.keyPanel);
    s.setMenuOpen(false);
    (void)a;
}

TEST_F(StackBadges, TitleBarReadingsFollowTheirAgeAndPlaceTheBadgeInAFreeSpot)
{
    defaults.setValue(u"stackBadgesOnEdge"_qs, false);
    const Rect left = region(u"halves"_qs, 0);
    const auto a = addTitled(100, left), b = addTitled(101, left);
    // b's toolbar: two controls in one row near its left; a has few controls.
    WindowChrome busy;
    busy.titleBarButtons = Rect(7, 4, 52, 14);
    busy.elements = {{Rect(80, 30, 24, 20), true}, {Rect(110, 30, 24, 20), true}};
    reads.chromes[b.element] = busy;
    sim.setFrontmostApp(101);
    startPresenting();

    // The reading arrives after the pass that asked for it and moves the badge at once: 14
    // points right of the last control, centred on the row.
    clock.advance(100ms);
    ASSERT_TRUE(shownBadge());
    EXPECT_EQ(shownBadge()->at.x(), left.minX() + 148);
    EXPECT_EQ(shownBadge()->at.y(), left.minY() + 29);
    EXPECT_EQ(reads.requestsFor(a.element), 1);
    EXPECT_EQ(reads.requestsFor(b.element), 1);

    // The busy front of the active application is asked again once its reading is 4 s old
    // (at the 4 s ticks: every 8 s); a reading with few controls lasts 60 s.
    clock.advance(40s);
    EXPECT_GE(reads.requestsFor(b.element), 5);
    EXPECT_LE(reads.requestsFor(b.element), 6);
    EXPECT_EQ(reads.requestsFor(a.element), 1);
    clock.advance(30s);
    EXPECT_EQ(reads.requestsFor(a.element), 2);

    // Another application active: the busy front waits 20 s between readings.
    sim.setFrontmostApp(100);
    const int before = reads.requestsFor(b.element);
    clock.advance(40s);
    EXPECT_LE(reads.requestsFor(b.element) - before, 2);
    EXPECT_EQ(presenter().chromeReadCount(), reads.requests.size());
}

} // namespace
} // namespace fw::stacktest
