// The status menu as data: every item, its state and key label in the program's usual state,
// while paused, with and without a display's own layouts, and the layout rows' titles, details,
// check marks and tool tips; the display submenus' signatures.
#include "app/StatusMenuModel.h"

#include "layout/ScreenGeometry.h"

#include <gtest/gtest.h>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace fw {
namespace {

QStringList titles(const Menu& menu, bool visibleOnly = true)
{
    QStringList out;
    for (const MenuItem& item : menu.items) {
        if (visibleOnly && item.hidden)
            continue;
        out << (item.kind == MenuItem::Kind::separator ? u"—"_qs : item.title);
    }
    return out;
}

SnapLayout custom(int n, const QString& name)
{
    return {u"user-%1"_qs.arg(n), name, SnapLayout::builtIns()[1].tree, std::nullopt};
}

StatusMenuState baseState()
{
    StatusMenuState s;
    for (ShortcutAction a : allShortcutActions)
        s.combos[a] = KeyCombo::defaultFor(a);
    s.appearance = u"light"_qs;
    s.edgeTiling = false;
    s.topTiling = false;
    s.display.screen = {u"LEFT"_qs, u"Studio"_qs, Rect(0, 0, 1920, 1080), Rect(0, 24, 1920, 1056), true};
    s.display.key = u"LEFT"_qs;
    s.display.offered = SnapLayout::builtIns();
    return s;
}

TEST(StatusMenuModel, EveryItemInOrderWithKeyLabelsAndStacksDisabledWithoutStacks)
{
    const Menu menu = statusMenu(baseState());
    EXPECT_EQ(titles(menu), (QStringList{u"Place Focused Window…"_qs, u"Choose a Layout"_qs, u"Adjust Shared Dividers"_qs,
                                         u"Restore Focused Window"_qs, u"—"_qs, u"Window Stacks"_qs,
                                         u"Switch Layout"_qs, u"—"_qs, u"Pause Snapping"_qs, u"Start at Login"_qs,
                                         u"Shortcuts…"_qs, u"—"_qs, u"Getting Started…"_qs, u"Take the Tour…"_qs,
                                         u"Check for Updates…"_qs, u"About Framewell"_qs, u"Quit Framewell"_qs}));
    // The three attention items and their separator are hidden: granted, no tiling, running.
    EXPECT_EQ(titles(menu, false).mid(0, 4), (QStringList{u"Enable Window Control…"_qs, u"Turn Off Desktop Tiling…"_qs,
                                                          u"Resume Snapping"_qs, u"—"_qs}));
    EXPECT_EQ(menu.item(u"Place Focused Window…"_qs)->keyLabel, u"Ctrl+Alt+P"_qs);
    EXPECT_EQ(menu.item(u"Restore Focused Window"_qs)->keyLabel, u"Ctrl+Alt+R"_qs);
    EXPECT_EQ(menu.item(u"Quit Framewell"_qs)->keyLabel, u"Ctrl+Q"_qs);
    EXPECT_TRUE(menu.item(u"Place Focused Window…"_qs)->enabled);
    // Window stacks stay disabled without a stack subsystem.
    EXPECT_TRUE(menu.item(u"Adjust Shared Dividers"_qs)->enabled);
    EXPECT_TRUE(menu.item(u"Restore Focused Window"_qs)->enabled);
    EXPECT_FALSE(menu.item(u"Window Stacks"_qs)->enabled);
    const Menu& stacks = *menu.item(u"Window Stacks"_qs)->submenu;
    EXPECT_EQ(stacks.item(u"Next Window"_qs)->keyLabel, u"Ctrl+Alt+]"_qs);
    EXPECT_EQ(stacks.item(u"Transition"_qs)->submenu->items[0].title, u"Shuffle"_qs);
    EXPECT_EQ(stacks.item(u"Transition"_qs)->submenu->items[2].title, u"Tornado"_qs) << "everything it needs is here";
    // What a transition still needs: a compositor for every one, window previews beyond Shuffle.
    StatusMenuState lacking = baseState();
    lacking.windowPreviews = false;
    const Menu noPreviews = *windowStacksMenu(lacking).item(u"Transition"_qs)->submenu;
    EXPECT_EQ(noPreviews.items[0].title, u"Shuffle"_qs);
    EXPECT_EQ(noPreviews.items[2].title, u"Tornado (needs Window Previews)"_qs);
    lacking.compositing = false;
    const Menu flat = *windowStacksMenu(lacking).item(u"Transition"_qs)->submenu;
    EXPECT_EQ(flat.items[0].title, u"Shuffle (needs a compositor with transparency)"_qs);
    EXPECT_EQ(flat.items[2].title, u"Tornado (needs a compositor with transparency)"_qs);
    EXPECT_TRUE(stacks.item(u"Transition"_qs)->submenu->items[0].checked);
    EXPECT_TRUE(stacks.item(u"Place All Badges Automatically"_qs)->hidden);

    // Stacks without drawn badges or switcher: switching works, the switcher and badges do not.
    StatusMenuState engine = baseState();
    engine.stacks.available = true;
    const Menu live = windowStacksMenu(engine);
    EXPECT_TRUE(statusMenu(engine).item(u"Window Stacks"_qs)->enabled);
    EXPECT_TRUE(live.item(u"Next Window"_qs)->enabled);
    EXPECT_TRUE(live.item(u"Use Window Stacks"_qs)->enabled);
    EXPECT_FALSE(live.item(u"Show Window Stack…"_qs)->enabled);
    EXPECT_FALSE(live.item(u"Show Stack Badges"_qs)->enabled);
    engine.stacks.presented = true;
    const Menu drawn = windowStacksMenu(engine);
    for (const QString& title : {u"Show Window Stack…"_qs, u"Show Stack Badges"_qs, u"Badges on Window Edge"_qs})
        EXPECT_TRUE(drawn.item(title)->enabled) << title.toStdString();

    // A turned-off shortcut and a key whose label is a word show no key label.
    StatusMenuState s = baseState();
    s.combos[ShortcutAction::place].reset();
    s.combos[ShortcutAction::restore] = KeyCombo{49, StoredCtrl | StoredAlt, u"Space"_qs};
    const Menu changed = statusMenu(s);
    EXPECT_EQ(changed.item(u"Place Focused Window…"_qs)->keyLabel, QString());
    EXPECT_EQ(changed.item(u"Restore Focused Window"_qs)->keyLabel, QString());
}

TEST(StatusMenuModel, AttentionItemsFollowGrantTilingAndPause)
{
    StatusMenuState s = baseState();
    s.paused = true;
    s.windowControl = false;
    s.topTiling.reset();   // unset: the top tiles
    Menu menu = statusMenu(s);
    EXPECT_FALSE(menu.item(u"Enable Window Control…"_qs)->hidden);
    EXPECT_FALSE(menu.item(u"Resume Snapping"_qs)->hidden);
    EXPECT_FALSE(menu.items[3].hidden);   // the attention separator
    const MenuItem* tiling = menu.item(u"Turn Off Desktop Tiling…"_qs);
    EXPECT_FALSE(tiling->hidden);
    EXPECT_EQ(tiling->toolTip, u"Desktop top tiling competes with Framewell’s top-center picker."_qs);
    EXPECT_TRUE(menu.item(u"Pause Snapping"_qs)->checked);

    // While paused, nothing can be placed from the layout menus.
    const Menu& choose = *menu.item(u"Choose a Layout"_qs)->submenu;
    EXPECT_EQ(choose.items[1].title, u"Layout placement is unavailable"_qs);
    EXPECT_FALSE(choose.item(u"Open Layout Gallery…"_qs)->enabled);

    s = baseState();
    s.edgeTiling = true;
    s.topTiling = true;
    menu = statusMenu(s);
    EXPECT_EQ(menu.item(u"Turn Off Desktop Tiling…"_qs)->toolTip,
              u"Desktop edge and top tiling compete with Framewell’s drags."_qs);
    EXPECT_TRUE(menu.item(u"Resume Snapping"_qs)->hidden);
    EXPECT_FALSE(menu.items[3].hidden);
}

TEST(StatusMenuModel, DisplaySubmenusWithAndWithoutOwnLayouts)
{
    StatusMenuState s = baseState();
    Menu sw = switchLayoutMenu(s);
    EXPECT_EQ(titles(sw), (QStringList{u"No layouts for Studio yet"_qs, u"—"_qs, u"Create Custom Layout…"_qs}));
    Menu choose = chooseLayoutMenu(s);
    EXPECT_EQ(choose.item(u"Edit Layout"_qs), nullptr);
    EXPECT_EQ(std::get<QString>(choose.item(u"Create Custom Layout…"_qs)->payload), u"LEFT"_qs);
    EXPECT_EQ(choose.items.back().title, u"Reset Layouts on Studio…"_qs);
    EXPECT_EQ(choose.item(u"Open Layout Gallery…"_qs)->keyLabel, u"Ctrl+Alt+Z"_qs);

    for (int i = 0; i < 10; ++i)
        s.display.custom.push_back(custom(i, u"Mine %1"_qs.arg(i)));
    s.display.activeCustom = 2;
    sw = switchLayoutMenu(s);
    EXPECT_EQ(sw.items[0].title, u"Your layouts on Studio"_qs);
    EXPECT_EQ(sw.items[1].keyLabel, u"Ctrl+Alt+1"_qs);
    EXPECT_EQ(sw.items[9].keyLabel, u"Ctrl+Alt+9"_qs);
    EXPECT_EQ(sw.items[10].keyLabel, QString());
    EXPECT_TRUE(sw.items[3].checked);
    EXPECT_EQ(std::get<QStringList>(sw.items[3].payload), (QStringList{u"LEFT"_qs, u"user-2"_qs}));
    // A layout key another program holds is said in place of the key; the prebuilt submenu
    // is made again.
    StatusMenuState taken = s;
    taken.takenLayoutKeys = {0};
    const Menu takenMenu = switchLayoutMenu(taken);
    EXPECT_EQ(takenMenu.items[1].keyLabel, u"In use elsewhere"_qs);
    EXPECT_EQ(takenMenu.items[2].keyLabel, u"Ctrl+Alt+2"_qs);
    EXPECT_NE(takenMenu.signature, sw.signature);
    EXPECT_TRUE(sw.items[3].enabled);
    ASSERT_TRUE(sw.items[3].diagram);

    choose = chooseLayoutMenu(s);
    const MenuItem* edit = choose.item(u"Edit Layout"_qs);
    ASSERT_TRUE(edit && edit->submenu);
    EXPECT_EQ(edit->submenu->items.size(), 10u);
    EXPECT_EQ(edit->submenu->items[0].title, u"Mine 0…"_qs);
    EXPECT_EQ(std::get<QStringList>(edit->submenu->items[0].payload), (QStringList{u"LEFT"_qs, u"user-0"_qs}));

    // Paused: the rows of both submenus are off.
    s.paused = true;
    sw = switchLayoutMenu(s);
    EXPECT_FALSE(sw.items[1].enabled);
}

TEST(StatusMenuModel, LayoutRowsTitlesDetailsChecksAndToolTips)
{
    SnapLayout adjusted = SnapLayout::builtIns()[0];
    adjusted.tree = RegionTree::split(SplitAxis::horizontal, 0.6, RegionTree::leaf(0), RegionTree::leaf(1));
    SnapLayout withApps = custom(1, u"Work"_qs);
    withApps.apps = SnapLayout::AppMap{{0, {u"org.gnome.gedit"_qs}}};
    const std::vector<SnapLayout> layouts{SnapLayout::builtIns()[1], adjusted, SnapLayout::builtIns()[3], withApps};
    const Rect bounds(0, 24, 1920, 1056);
    const Menu menu = layoutChoiceMenu(layouts, adjusted, u"LEFT"_qs, u"Studio"_qs, true, MenuCommand::applyMenuLayout,
                                       bounds);
    EXPECT_EQ(titles(menu), (QStringList{u"Studio"_qs, u"Arrange windows · standard proportions"_qs, u"—"_qs,
                                         u"Three columns"_qs, u"—"_qs, u"Adjusted proportions"_qs,
                                         u"Adjusted: Halves"_qs, u"Main + stack"_qs, u"Work"_qs}));
    const MenuItem* three = menu.item(u"Three columns"_qs);
    EXPECT_EQ(three->row->detail, u"Standard proportions"_qs);
    EXPECT_EQ(three->toolTip, u"Arrange windows on Studio into 3 regions."_qs);
    EXPECT_FALSE(three->checked);
    const MenuItem* halves = menu.item(u"Adjusted: Halves"_qs);
    EXPECT_EQ(halves->row->detail, u"Adjusted proportions"_qs);
    EXPECT_TRUE(halves->checked);
    EXPECT_TRUE(halves->row->current);
    EXPECT_EQ(std::get<LayoutMenuChoice>(halves->payload), (LayoutMenuChoice{adjusted, u"LEFT"_qs, bounds}));
    const MenuItem* work = menu.item(u"Work"_qs);
    EXPECT_EQ(work->row->detail, u"org.gnome.gedit"_qs);   // no installed applications: the id
    EXPECT_EQ(work->toolTip, u"Arrange Studio: org.gnome.gedit, with your other windows in the rest."_qs);

    // Same id, other tree: not the current layout.
    EXPECT_FALSE(isCurrentLayout(SnapLayout::builtIns()[0], adjusted));
    // Nothing to list: the two headers and the separator.
    EXPECT_EQ(titles(layoutChoiceMenu({}, std::nullopt, u"K"_qs, u"Studio"_qs, false, MenuCommand::applyMenuLayout, bounds)),
              (QStringList{u"Studio"_qs, u"Layout placement is unavailable"_qs, u"—"_qs}));
}

TEST(StatusMenuModel, SignaturesChangeWithWhatTheSubmenusShow)
{
    const StatusMenuState s = baseState();
    const QString choose = chooseLayoutMenu(s).signature;
    const QString sw = switchLayoutMenu(s).signature;
    EXPECT_EQ(chooseLayoutMenu(s).signature, choose);
    StatusMenuState dark = s;
    dark.appearance = u"dark"_qs;
    EXPECT_NE(chooseLayoutMenu(dark).signature, choose);
    EXPECT_NE(switchLayoutMenu(dark).signature, sw);
    StatusMenuState paused = s;
    paused.paused = true;
    EXPECT_NE(chooseLayoutMenu(paused).signature, choose);
    StatusMenuState moved = s;
    moved.display.screen.visibleFrame = Rect(0, 30, 1920, 1050);
    EXPECT_NE(chooseLayoutMenu(moved).signature, choose);
    EXPECT_EQ(switchLayoutMenu(moved).signature, sw);   // the switch rows do not show the geometry
    // The current layout is not part of it: only the check marks change.
    StatusMenuState applied = s;
    applied.display.applied = SnapLayout::builtIns()[0];
    EXPECT_EQ(chooseLayoutMenu(applied).signature, choose);
}

} // namespace
} // namespace fw
