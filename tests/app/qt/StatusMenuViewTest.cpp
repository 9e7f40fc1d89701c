// The tray menu as the user sees it, offscreen: items with their key labels, hidden and
// disabled items, the display submenus kept under their signature (rebuilt only when it
// changes, their check marks refreshed otherwise), pre-building, layout rows that choose on
// release inside and never while disabled, and the icon drawn in the palette's text colour.
#include "app/qt/LayoutMenuRow.h"
#include "app/qt/StatusIcon.h"
#include "app/qt/StatusMenuView.h"
#include "editor/qt/LayoutDiagram.h"

#include "support/MenuRows.h"

#include <QAction>

#include <algorithm>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QWidgetAction>
#include <gtest/gtest.h>

namespace fw {
namespace {

StatusMenuState state()
{
    StatusMenuState s;
    for (ShortcutAction a : allShortcutActions)
        s.combos[a] = KeyCombo::defaultFor(a);
    s.edgeTiling = false;
    s.topTiling = false;
    s.display.screen = {u"LEFT"_qs, u"Studio"_qs, Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1050), true};
    s.display.key = u"LEFT"_qs;
    s.display.offered = SnapLayout::builtIns();
    s.display.custom = {{u"user-1"_qs, u"Work"_qs, SnapLayout::builtIns()[0].tree, std::nullopt}};
    return s;
}

LayoutMenuRow* rowOf(QMenu* menu, const QString& title)
{
    for (QAction* a : menu->actions()) {
        if (auto* w = qobject_cast<QWidgetAction*>(a); w && a->text() == title)
            return qobject_cast<LayoutMenuRow*>(w->defaultWidget());
    }
    return nullptr;
}

TEST(StatusMenuView, ItemsKeyLabelsAndCachedDisplaySubmenus)
{
    StatusMenuView view;
    std::vector<std::pair<MenuCommand, MenuPayload>> sent;
    view.onCommand = [&](MenuCommand c, const MenuPayload& p) { sent.emplace_back(c, p); };
    view.render(state());
    // The key stands beside the item as the menu draws it, never in the label a D-Bus tray exports.
    EXPECT_EQ(view.action({u"Place Focused Window…"_qs})->text(), u"Place Focused Window…"_qs);
    EXPECT_EQ(StatusMenuView::shownText(view.action({u"Place Focused Window…"_qs})), u"Place Focused Window…\tCtrl+Alt+P"_qs);
    EXPECT_FALSE(view.action({u"Enable Window Control…"_qs})->isVisible());
    EXPECT_FALSE(view.action({u"Window Stacks"_qs})->isEnabled());
    EXPECT_FALSE(view.action({u"Window Stacks"_qs, u"Use Window Stacks"_qs})->isEnabled());
    EXPECT_EQ(view.action({u"Switch Layout"_qs, u"Work"_qs})->text(), u"Work"_qs);
    EXPECT_EQ(StatusMenuView::shownText(view.action({u"Switch Layout"_qs, u"Work"_qs})), u"Work\tCtrl+Alt+1"_qs);
    // On/off items show a box while off as while on; plain commands none.
    for (const QString& t : {u"Pause Snapping"_qs, u"Start at Login"_qs}) {
        EXPECT_TRUE(view.action({t})->isCheckable()) << t.toStdString();
        EXPECT_FALSE(view.action({t})->isChecked()) << t.toStdString();
    }
    EXPECT_FALSE(view.action({u"Place Focused Window…"_qs})->isCheckable());
    view.action({u"Choose a Layout"_qs, u"Edit Layout"_qs, u"Work…"_qs})->trigger();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].first, MenuCommand::editCustomLayout);
    EXPECT_EQ(std::get<QStringList>(sent[0].second), (QStringList{u"LEFT"_qs, u"user-1"_qs}));

    // Built once per signature: the same menus again, their check marks refreshed.
    QMenu* choose = view.chooseLayoutMenu();
    QMenu* sw = view.switchLayoutMenu();
    EXPECT_EQ(view.displayMenuBuilds(), 2);
    StatusMenuState applied = state();
    applied.display.applied = SnapLayout::builtIns()[2];
    applied.display.activeCustom = 0;
    view.render(applied);
    EXPECT_EQ(view.displayMenuBuilds(), 2);
    EXPECT_EQ(view.chooseLayoutMenu(), choose);
    EXPECT_EQ(view.action({u"Choose a Layout"_qs})->menu(), choose);
    EXPECT_TRUE(rowOf(choose, u"Wide + narrow"_qs)->current());
    EXPECT_FALSE(rowOf(choose, u"Halves"_qs)->current());
    EXPECT_TRUE(view.action({u"Switch Layout"_qs, u"Work"_qs})->isChecked());
    EXPECT_EQ(view.switchLayoutMenu(), sw);

    // A change the signature covers rebuilds both; pre-building warms the caches for the
    // next opening.
    StatusMenuState paused = applied;
    paused.paused = true;
    view.prebuild(paused);
    EXPECT_EQ(view.displayMenuBuilds(), 4);
    view.render(paused);
    EXPECT_EQ(view.displayMenuBuilds(), 4);
    EXPECT_FALSE(rowOf(view.chooseLayoutMenu(), u"Halves"_qs)->isEnabled());
    EXPECT_FALSE(view.action({u"Switch Layout"_qs, u"Work"_qs})->isEnabled());

    // Taller than the screen, a layout menu stays one column and scrolls (Qt would wrap it into
    // columns over the menu it hangs from).
    QMenu* longMenu = view.switchLayoutMenu();
    for (int i = 0; i < 80; ++i)
        longMenu->addAction(QStringLiteral("Layout %1").arg(i));
    longMenu->popup(QPoint(0, 0));
    const QList<QAction*> all = longMenu->actions();
    EXPECT_LE(longMenu->height(), longMenu->screen()->availableGeometry().height());
    EXPECT_TRUE(std::all_of(all.begin(), all.end(), [&](QAction* a) {
        return !a->isVisible() || longMenu->actionGeometry(a).x() == longMenu->actionGeometry(all.front()).x();
    })) << "one column";
    longMenu->hide();
}

// The key shown beside Quit quits while the menu is open, from a submenu too; other keys and
// Ctrl+Q with more modifiers do nothing.
TEST(StatusMenuView, CtrlQQuitsWhileTheMenuIsOpen)
{
    StatusMenuView view;
    std::vector<MenuCommand> sent;
    view.onCommand = [&](MenuCommand c, const MenuPayload&) { sent.push_back(c); };
    view.render(state());
    EXPECT_EQ(StatusMenuView::shownText(view.action({u"Quit Framewell"_qs})), u"Quit Framewell\tCtrl+Q"_qs);
    QTest::keyClick(view.menu(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(sent.empty()) << "the menu is closed";

    view.menu()->popup(QPoint(10, 10));
    ASSERT_TRUE(view.menuOpen());
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Q, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(sent.empty());
    QMenu* sub = view.action({u"Switch Layout"_qs})->menu();
    sub->popup(QPoint(200, 10));
    ASSERT_EQ(QApplication::activePopupWidget(), sub);
    QTest::keyClick(sub, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(sent, std::vector<MenuCommand>{MenuCommand::quit});
    EXPECT_FALSE(view.menuOpen());
    EXPECT_FALSE(sub->isVisible());
}

// The menu draws an item's key at the right of its row, as it draws a shortcut; an item
// without a key has nothing there.
TEST(StatusMenuView, TheMenuDrawsTheKeyBesideItsItem)
{
    StatusMenuView view;
    view.render(state());
    QMenu* menu = view.menu();
    menu->popup(QPoint(10, 10));
    ASSERT_TRUE(view.menuOpen());
    const QImage shot = menu->grab().toImage();
    const double dpr = shot.devicePixelRatio();
    const auto inkAtRight = [&](QAction* action) {
        const QRect row = menu->actionGeometry(action);
        const int top = int((row.top() + 2) * dpr), bottom = int((row.bottom() - 2) * dpr);
        const int from = int((row.left() + row.width() * 0.65) * dpr), to = int((row.right() - 4) * dpr);
        const QRgb background = shot.pixel(to, (top + bottom) / 2);
        int ink = 0;
        for (int y = top; y <= bottom; ++y) {
            for (int x = from; x <= to; ++x)
                ink += std::abs(qGray(shot.pixel(x, y)) - qGray(background)) > 60 ? 1 : 0;
        }
        return ink;
    };
    EXPECT_GT(inkAtRight(view.action({u"Restore Focused Window"_qs})), 10) << "no key drawn beside the item";
    EXPECT_EQ(inkAtRight(view.action({u"Shortcuts…"_qs})), 0);
    const QFontMetrics metrics(menu->font());
    EXPECT_GT(menu->width(), metrics.horizontalAdvance(u"Restore Focused Window"_qs) + metrics.horizontalAdvance(u"Ctrl+Alt+R"_qs))
        << "the key column is cut off";
    menu->hide();
}

// Whatever the labels beside them ("In use elsewhere" for a layout key another program holds),
// every row of the Switch Layout menu reads whole: each text drawn in full, inside its row's
// room, and clear of the label beside it.
TEST(StatusMenuView, EveryRowReadsWholeBesideTheWidestKeyLabel)
{
    StatusMenuState s = state();
    s.display.screen.name = u"RIGHT"_qs;
    s.display.custom = {{u"user-1"_qs, u"My Layout"_qs, SnapLayout::builtIns()[0].tree, std::nullopt},
                        {u"user-2"_qs, u"Second"_qs, SnapLayout::builtIns()[1].tree, std::nullopt}};
    s.takenLayoutKeys = {0};
    StatusMenuView view;
    view.render(s);
    QMenu* menu = view.switchLayoutMenu();
    menu->popup(QPoint(0, 0));
    EXPECT_TRUE(test::rowsReadWhole(menu, {u"In use elsewhere"_qs}));
    menu->hide();
    // The menu it hangs from, with keys and submenus.
    view.menu()->popup(QPoint(0, 0));
    EXPECT_TRUE(test::rowsReadWhole(view.menu(), {u"Ctrl+Alt+P"_qs}));
    view.menu()->hide();
}

TEST(StatusMenuView, LayoutRowsChooseOnReleaseInsideWhenEnabled)
{
    StatusMenuView view;
    std::vector<MenuPayload> sent;
    view.onCommand = [&](MenuCommand c, const MenuPayload& p) {
        EXPECT_EQ(c, MenuCommand::applyMenuLayout);
        sent.push_back(p);
    };
    view.render(state());
    LayoutMenuRow* halves = rowOf(view.chooseLayoutMenu(), u"Halves"_qs);
    ASSERT_TRUE(halves);
    halves->resize(LayoutMenuRow::rowWidth, LayoutMenuRow::rowHeight);
    EXPECT_EQ(halves->shownName(), u"Halves"_qs);
    EXPECT_EQ(halves->shownDetail(), u"Standard proportions"_qs);
    EXPECT_FALSE(halves->checkShown());

    QTest::mousePress(halves, Qt::LeftButton, {}, QPoint(50, 30));
    QTest::mouseRelease(halves, Qt::LeftButton, {}, QPoint(500, 30));   // let go outside
    EXPECT_TRUE(sent.empty());
    QTest::mouseClick(halves, Qt::LeftButton, {}, QPoint(200, 30));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(std::get<LayoutMenuChoice>(sent[0]).layout.id, u"halves"_qs);
    EXPECT_EQ(std::get<LayoutMenuChoice>(sent[0]).displayBounds, Rect(0, 0, 1920, 1050));

    halves->setEnabled(false);
    QTest::mouseClick(halves, Qt::LeftButton, {}, QPoint(200, 30));
    EXPECT_EQ(sent.size(), 1u);

    // The highlight follows the menu's active item, and a menu closed under the pointer
    // opens again without it.
    QMenu* menu = view.chooseLayoutMenu();
    LayoutMenuRow* columns = rowOf(menu, u"Three columns"_qs);
    QAction* columnsItem = nullptr;
    for (QAction* a : menu->actions()) {
        if (auto* w = qobject_cast<QWidgetAction*>(a); w && w->defaultWidget() == columns)
            columnsItem = a;
    }
    menu->show();
    emit menu->hovered(columnsItem);
    EXPECT_TRUE(columns->highlighted());
    emit menu->hovered(menu->actions().back());
    EXPECT_FALSE(columns->highlighted());
    emit menu->hovered(columnsItem);
    menu->hide();
    EXPECT_FALSE(columns->highlighted());
}

// A display of a thousand custom layouts: building the menus draws no diagram, and showing
// them draws those of the items on screen only.
TEST(StatusMenuView, MenusOfAThousandLayoutsDrawOnlyWhatIsOnScreen)
{
    StatusMenuState many = state();
    many.display.custom.clear();
    for (int i = 0; i < 1000; ++i) {
        // Each its own tree, so that each diagram is a picture of its own.
        const RegionTree tree = RegionTree::split(SplitAxis::horizontal, 0.1 + i * 0.0008, RegionTree::leaf(0),
                                                  RegionTree::leaf(1));
        many.display.custom.push_back({u"user-%1"_qs.arg(i), u"Layout %1"_qs.arg(i), tree, std::nullopt});
    }
    many.display.offered = SnapLayout::builtIns();
    many.display.offered.insert(many.display.offered.end(), many.display.custom.begin(), many.display.custom.end());
    resetLayoutDiagramCache();
    StatusMenuView view;
    view.prebuild(many);
    ASSERT_TRUE(view.chooseLayoutMenu() && view.switchLayoutMenu());
    EXPECT_EQ(layoutDiagramCacheSize(), 0u) << "diagrams were drawn before any menu showed";

    for (QMenu* menu : {view.chooseLayoutMenu(), view.switchLayoutMenu()}) {
        SCOPED_TRACE(menu->title().toStdString());
        const std::size_t before = layoutDiagramCacheSize();
        menu->popup(QPoint(0, 0));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        QCoreApplication::processEvents();
        menu->repaint();
        const std::size_t drawn = layoutDiagramCacheSize() - before;
        // What a menu shows: the items it lays out within its part of the screen (in columns
        // where the style does not scroll menus).
        const QRect onScreen = menu->geometry().intersected(menu->screen()->geometry());
        const QList<QAction*> actions = menu->actions();
        const auto shown = std::count_if(actions.begin(), actions.end(), [&](QAction* a) {
            return onScreen.intersects(menu->actionGeometry(a).translated(menu->pos()));
        });
        EXPECT_GT(drawn, 0u);
        EXPECT_LE(drawn, std::size_t(shown));
        EXPECT_LT(shown, 200);
        menu->hide();
    }
}

TEST(StatusMenuView, AMenuWhoseDataIsUnchangedKeepsItsItemsAndAChangeRebuildsIt)
{
    StatusMenuView view;
    view.render(state());
    EXPECT_EQ(view.menuBuilds(), 1);
    QAction* quit = view.action({u"Quit Framewell"_qs});
    ASSERT_TRUE(quit);
    // The same data again (as each opening and each command asks): the same items, which a
    // D-Bus host knows by their ids.
    view.render(state());
    EXPECT_EQ(view.menuBuilds(), 1);
    EXPECT_EQ(view.action({u"Quit Framewell"_qs}), quit);
    // A toggle that changed: built anew, ticked.
    StatusMenuState login = state();
    login.startAtLogin = true;
    view.render(login);
    EXPECT_EQ(view.menuBuilds(), 2);
    EXPECT_TRUE(view.action({u"Start at Login"_qs})->isChecked());
    // A login entry whose program is gone: unticked, and the tool tip says so.
    StatusMenuState gone = state();
    gone.startAtLoginMissing = u"/tmp/build/framewell"_qs;
    view.render(gone);
    EXPECT_FALSE(view.action({u"Start at Login"_qs})->isChecked());
    EXPECT_TRUE(view.action({u"Start at Login"_qs})->toolTip().contains(u"/tmp/build/framewell, which is gone"_qs));
}

// The icon laid over a panel of this colour at this size: the best contrast any of its pixels
// reaches against the panel.
double bestContrastOn(const QIcon& icon, const QColor& panel, int side)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(panel);
    QPainter painter(&image);
    painter.drawPixmap(0, 0, icon.pixmap(QSize(side, side), 1.0));
    painter.end();
    double best = 1;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            best = std::max(best, contrastRatio(image.pixelColor(x, y), panel));
    return best;
}

TEST(StatusIcon, ReadsOnDarkAndLightPanelsAtEveryTraySize)
{
    QPalette light, dark;
    light.setColor(QPalette::WindowText, Qt::black);
    light.setColor(QPalette::Window, QColor(0xef, 0xef, 0xef));
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Window, QColor(0x2a, 0x2a, 0x2a));
    const QColor darkPanel(0x20, 0x20, 0x20), lightPanel(0xf0, 0xf0, 0xf0);
    for (const QPalette& palette : {light, dark}) {
        for (const QColor& panel : {darkPanel, lightPanel}) {
            // A known panel (its background read): the mask itself reads there.
            const StatusIconColors known = statusIconColors(palette, std::nullopt, panel);
            EXPECT_GE(contrastRatio(known.glyph, panel), 4.5) << panel.name().toStdString();
            EXPECT_GE(bestContrastOn(statusIcon(known), panel, 24), 3.0);
            // An unknown one (a StatusNotifier host that takes pixmaps): the mask or its halo.
            EXPECT_GE(bestContrastOn(statusIcon(palette), panel, 22), 3.0) << panel.name().toStdString();
        }
    }
    // The colour a tray asks for is taken as it is.
    EXPECT_EQ(statusIconColors(light, QColor(0x12, 0x34, 0x56), darkPanel).glyph, QColor(0x12, 0x34, 0x56));

    // Every tray size in device pixels, sharp at each: the filled pane solid in the glyph's
    // colour, the outlined pane clear inside.
    const QIcon icon = statusIcon(StatusIconColors{Qt::black, {}});
    QList<QSize> sizes;
    for (int side : statusIconSizes)
        sizes << QSize(side, side);
    EXPECT_EQ(icon.availableSizes(), sizes);
    for (int side : statusIconSizes) {
        const QImage image = icon.pixmap(QSize(side, side), 1.0).toImage();
        ASSERT_EQ(image.size(), QSize(side, side));
        const double unit = side / 18.0;
        EXPECT_EQ(image.pixelColor(int(13 * unit), int(5 * unit)), QColor(Qt::black)) << side;
        EXPECT_EQ(image.pixelColor(int(4 * unit), int(9 * unit)).alpha(), 0) << side;
    }
    // At 2× a 32-point request gets 64 device pixels.
    EXPECT_EQ(icon.pixmap(QSize(32, 32), 2.0).size(), QSize(64, 64));
    // Faded while paused.
    const auto alpha = [](const QIcon& i) { return i.pixmap(QSize(18, 18), 1.0).toImage().pixelColor(13, 5).alpha(); };
    EXPECT_LT(alpha(statusIcon(StatusIconColors{Qt::white, {}}, true)), 128);
    EXPECT_LT(alpha(statusIcon(dark, true)), alpha(statusIcon(dark)));
}

} // namespace
} // namespace fw
