// Badges, hover and title-bar readings of the stack controller presenting its own stacks, on
// the simulated desktop in virtual time: where a badge stands and when it hides, what a drag,
// a reset and the edge setting do, when hover opens and closes a switcher, and when the
// title bars of stacked windows are read.
#include "BadgeDesk.h"

#include <QJsonDocument>
#include <QScopeGuard>

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
    EXPECT_EQ(surfaces.anchors[0]->at, Rect(left.maxX() - 39, left.minY() + 4, 12, 14))
        << "over the middle of the three buttons at the right end, where the badge keeps clear of them";
    EXPECT_EQ(s.stack(a), b);
    EXPECT_EQ(s.stackDiagnostics()[0].toObject()[u"status"_qs].toString(), u"hover ready"_qs);

    // A third application's window over a corner of the badge's strip (clear of the buttons)
    // hides it, with the reason.
    const Rect spot = badge->at, strip = defaultStrip(left, 1);
    const auto c = add(102, Rect(strip.minX() - 290, strip.maxY() - 10, 300, 200));
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

// A front a pixel past the slot of the window behind it (where a window manager put it): still
// one stack by the slot rule, so its buttons, a pixel past the slot too, still carry the badge.
TEST_F(StackBadges, AFrontAPixelPastItsSlotStillShowsTheBadge)
{
    defaults.setValue(u"stackBadgesOnEdge"_qs, false);
    const Rect right = region(u"halves"_qs, 1);
    const auto a = addTitled(100, right);
    const auto b = addTitled(101, Rect(right.minX() + 1, right.minY(), right.width(), right.height()));
    auto& s = startPresenting();
    EXPECT_EQ(s.stack(a), b);
    ASSERT_TRUE(shownBadge()) << QJsonDocument(s.stackDiagnostics()).toJson().toStdString();
    EXPECT_EQ(shownBadge()->content.members, std::vector<ManagedWindow>{a});
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
    // pushed right to 1 point inside it. An upright badge offers no move: it would stand on
    // the edge again.
    s.setBadgesOnEdge(true);
    EXPECT_TRUE(surfaces.badges.empty()) << "every badge goes at once";
    EXPECT_EQ(defaults.value(u"stackBadgesOnEdge"_qs), QJsonValue(true));
    clock.advance(1s);
    ASSERT_TRUE(shownBadge());
    const Rect upright = shownBadge()->at;
    EXPECT_EQ(upright, Rect(1, left.minY() + 4 + 14 + 6, 36, 56)) << "the buttons' bottom + 6";
    EXPECT_TRUE(shownBadge()->content.vertical);
    EXPECT_FALSE(shownBadge()->content.resetAllTitle);
    EXPECT_FALSE(surfaces.badges.front()->actions.moved);

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
    const Point button{left.maxX() - 33, left.minY() + 11};

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
    const Rect picker = anchorPanel->switcher.popoverAt;
    pointAt(Point{picker.midX(), picker.maxY() - 10});   // inside the picker's frame
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
    const auto cover = add(102, Rect(left.maxX() - 26, left.minY() + 19, 16, 20));
    clock.advance(1s);
    ASSERT_EQ(surfaces.anchors.size(), 1u);
    pointAt(Point{left.maxX() - 25, left.minY() + 20});
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

// Each pass that presents reads every stacked window's bar once, however many rules ask for it;
// nothing is read while nothing changes. A change of the front's title alone brings the next
// pass, and a title that fills its bar takes the free stretch from the badge.
TEST_F(StackBadges, TitleBarsAreReadOncePerPassAndTheBadgeTakesAFreeStretch)
{
    defaults.setValue(u"stackBadgesOnEdge"_qs, false);
    setTitleBarLayout([] { return TitleBarButtons{1, 3, false, true}; });   // the title centred
    const auto restore = qScopeGuard([] { setTitleBarLayout({}); });
    const Rect left = region(u"halves"_qs, 0);
    const auto a = addTitled(100, left), b = addTitled(101, left);
    startPresenting();

    // The wider stretch, left of the title: 14 points right of the window's icon, centred on
    // the bar.
    ASSERT_TRUE(shownBadge());
    EXPECT_EQ(shownBadge()->at.x(), left.minX() + kTitleBar + 14);
    EXPECT_EQ(shownBadge()->at.y(), left.minY()) << "the strip as thick as the bar, on it";
    const int read = presenter().titleBarReadCount();
    EXPECT_GE(read, 2);
    EXPECT_EQ(read % 2, 0) << "both bars, once per pass";

    clock.advance(60s);
    EXPECT_EQ(presenter().titleBarReadCount(), read) << "nothing changed: nothing read";

    // Only the stacked windows' titles are watched; a change of the front's title alone
    // schedules the pass that reads its bar again.
    EXPECT_EQ(sim.watchedTitles(), (std::set<WindowId>{a.element, b.element}));
    sim.setTitle(frontOf({a, b}), QString(120, u'x'));
    clock.advance(300ms);
    EXPECT_EQ(presenter().titleBarReadCount(), read + 2);
    ASSERT_TRUE(shownBadge());
    EXPECT_EQ(shownBadge()->at, defaultBadge(left, 1)) << "beside the buttons: no stretch is free";

    // A title bar without buttons keeps its badge on the bar, without an anchor.
    setTitleBarLayout([] { return TitleBarButtons{1, 0, false, true}; });
    sim.setFrontmostApp(101);
    clock.advance(300ms);
    ASSERT_TRUE(shownBadge());
    EXPECT_EQ(shownBadge()->at.x(), left.maxX() - 4 - badgeSize(1, true, false).width) << "at the bar's right end";
    EXPECT_TRUE(presenter().anchors().empty());

    // A window that draws its own title bar, or one thinner than 4 pixels, has none to read.
    const WindowId own = sim.addWindow({.pid = 102, .title = u"own"_qs, .frame = Rect(1200, 600, 300, 200)});
    const WindowId thin =
        sim.addWindow({.pid = 102, .title = u"thin"_qs, .frame = Rect(1200, 600, 300, 200), .titleBar = 2});
    EXPECT_FALSE(readTitleBar(sim, own));
    EXPECT_FALSE(readTitleBar(sim, thin));
    EXPECT_TRUE(readTitleBar(sim, b.element));

    controller->stop();
    EXPECT_TRUE(sim.watchedTitles().empty()) << "no title is watched once the stacks stop";
}

} // namespace
} // namespace fw::stacktest
