// Randomised invariants of the picker, its hit tests and keys, the tile menu and region
// assist: fixed seeds, many generated inputs, every failure names its case.
#include "overlay/DropActionMenuView.h"

#include "PickerOwner.h"
#include "overlay/OverlayController.h"
#include "overlay/OverlayFeedback.h"
#include "overlay/OverlayView.h"
#include "overlay/OverlayWindow.h"
#include "overlay/RegionAssistView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <set>

namespace fw {
namespace {
// The pointer over the picker as the coordinator handles it: the cards hit where the overlay
// reports them, then the hit handed back to be highlighted.
std::optional<SnapSelection> hoverAt(OverlayController& controller, Point at)
{
    const auto area = controller.pickerHitArea();
    const auto hit = area ? pickerSelectionAt(*area, at) : std::nullopt;
    OverlayFeedback(controller).setPickerSelection(hit);
    return hit;
}


using Rng = std::mt19937;

double ratio(Rng& rng)
{
    switch (std::uniform_int_distribution<int>(0, 5)(rng)) {
    case 0: return 0.08;
    case 1: return 0.92;
    case 2: return 0.5;
    default: return std::uniform_real_distribution<double>(0.08, 0.92)(rng);
    }
}

// A valid tree over the given distinct region numbers (at least one).
RegionTree treeOver(Rng& rng, std::vector<RegionNumber> numbers)
{
    if (numbers.size() == 1)
        return RegionTree::leaf(numbers.front());
    const std::size_t cut = std::uniform_int_distribution<std::size_t>(1, numbers.size() - 1)(rng);
    std::vector<RegionNumber> second(numbers.begin() + std::ptrdiff_t(cut), numbers.end());
    numbers.resize(cut);
    const auto axis = rng() % 2 ? SplitAxis::horizontal : SplitAxis::vertical;
    return RegionTree::split(axis, ratio(rng), treeOver(rng, numbers), treeOver(rng, second));
}

// A valid tree with 1 to `maxLeaves` leaves carrying arbitrary distinct numbers (often not
// starting at 0 and with holes).
RegionTree randomTree(Rng& rng, int maxLeaves = 6)
{
    std::vector<RegionNumber> all(16);
    for (int i = 0; i < 16; ++i)
        all[std::size_t(i)] = i;
    std::shuffle(all.begin(), all.end(), rng);
    all.resize(std::size_t(std::uniform_int_distribution<int>(1, maxLeaves)(rng)));
    RegionTree t = treeOver(rng, all);
    EXPECT_TRUE(t.isValid()) << t.description().toStdString();
    return t;
}

std::vector<SnapLayout> randomLayouts(Rng& rng, int count)
{
    std::vector<SnapLayout> out;
    const auto& builtIns = SnapLayout::builtIns();
    for (int i = 0; i < count; ++i) {
        if (rng() % 3 == 0)
            out.push_back(builtIns[rng() % builtIns.size()]);
        else
            out.push_back(SnapLayout{u"user-"_qs + QString::number(rng() % 5), u"Mine "_qs + QString::number(i),
                                     randomTree(rng), std::nullopt});
    }
    return out;
}

std::vector<RegionNumber> sortedRegions(const SnapLayout& l)
{
    auto r = l.tree.regionNumbers();
    std::sort(r.begin(), r.end());
    return r;
}

bool halfOpen(const QRectF& r, const QPointF& p)
{
    return p.x() >= r.left() && p.x() < r.right() && p.y() >= r.top() && p.y() < r.bottom();
}

bool inside(const QRectF& inner, const QRectF& outer)
{
    return inner.left() >= outer.left() - 1e-9 && inner.right() <= outer.right() + 1e-9 &&
           inner.top() >= outer.top() - 1e-9 && inner.bottom() <= outer.bottom() + 1e-9;
}

std::string describe(const std::vector<SnapLayout>& layouts, double width, bool composition)
{
    std::string s = "width " + std::to_string(width) + (composition ? " composition" : " regions") + "; layouts:";
    for (const auto& l : layouts)
        s += " [" + l.id.toStdString() + " " + l.tree.description().toStdString() + "]";
    return s;
}

// Where the design puts card i: its cell origin and the area its region buttons map into.
struct CardPlace {
    double x, y, c;
    QRectF area() const { return QRectF(x + 11, y + 2, c - 24, 63); }
    QRectF platter() const { return QRectF(x + 2, y - 7, c - 6, 110); }
};

CardPlace cardPlace(double w, std::size_t n, int i, bool composition)
{
    const int columns = w >= 720 ? (n < 7 ? 6 : 4) : 3;
    const double c = (w - 36) / columns;
    return {c * (i % columns) + 18, (composition ? 80 : 58) + (i / columns) * 118.0, c};
}

// What the design's hit test gives at p, computed from the layouts alone.
std::optional<SnapSelection> expectedAt(const std::vector<SnapLayout>& layouts, double w, bool composition,
                                        const QPointF& p)
{
    for (std::size_t i = 0; i < layouts.size(); ++i) {
        const CardPlace cp = cardPlace(w, layouts.size(), int(i), composition);
        if (composition) {
            if (halfOpen(QRectF(cp.x + 2, cp.y, cp.c - 6, 105), p))
                return SnapSelection{int(i), 0};
            continue;
        }
        const QRectF a = cp.area();
        for (const auto& [region, u] : layouts[i].tree.unitRects(Rect(0, 0, 1, 1))) {
            const QRectF r(a.x() + u.minX() * a.width(), a.y() + u.minY() * a.height(), u.width() * a.width(),
                           u.height() * a.height());
            if (halfOpen(r.adjusted(1.5, 1.5, -1.5, -1.5), p))
                return SnapSelection{int(i), region};
        }
    }
    return std::nullopt;
}

double randomWidth(Rng& rng)
{
    static const double edges[] = {260, 400, 719, 719.5, 720, 820};
    if (rng() % 3 == 0)
        return edges[rng() % std::size(edges)];
    return std::uniform_real_distribution<double>(260, 820)(rng);
}

void key(QWidget& w, int k)
{
    QKeyEvent ev(QEvent::KeyPress, k, Qt::NoModifier,
                 k >= Qt::Key_0 && k <= Qt::Key_9 ? QString(QChar(k)) : QString());
    QCoreApplication::sendEvent(&w, &ev);
}

// Cards and region buttons sit inside the view and their cards, buttons of a card never
// overlap, and both the hit test and a real click agree with the design's geometry at every
// sampled point, the gaps between buttons included.
TEST(OverlayInvariants, PickerGeometryAndHitTestsFollowTheLayouts)
{
    Rng rng(0x51C4);
    for (int caseNo = 0; caseNo < 220; ++caseNo) {
        const int n = std::uniform_int_distribution<int>(1, 14)(rng);
        const auto layouts = randomLayouts(rng, n);
        const double w = randomWidth(rng);
        const bool composition = rng() % 4 == 0;
        const std::string what = "case " + std::to_string(caseNo) + ": " + describe(layouts, w, composition);
        SCOPED_TRACE(what);
        OverlayView view(layouts, std::nullopt, composition, true, {}, w);
        std::optional<SnapSelection> clicked;
        view.onChoose = [&](SnapSelection s) { clicked = s; };

        const int columns = pickerColumnCount(w, layouts.size());
        const int rows = (n + columns - 1) / columns;
        ASSERT_EQ(view.height(), (composition ? 80 : 58) + rows * 118 + 12);
        const QRectF bounds(0, 0, view.width(), view.height());

        if (!composition) {
            ASSERT_EQ(view.platters().size(), layouts.size());
            std::size_t expectedButtons = 0;
            for (const auto& l : layouts)
                expectedButtons += l.tree.regionNumbers().size();
            ASSERT_EQ(view.regionButtons().size(), expectedButtons);
            for (const auto& [index, platter] : view.platters()) {
                EXPECT_TRUE(inside(QRectF(platter->geometry()), bounds)) << "card " << index;
                EXPECT_TRUE(inside(QRectF(platter->geometry()), cardPlace(w, layouts.size(), index, false).platter().toAlignedRect()));
            }
            // Buttons in card order, each card's numbers ascending and exactly the layout's.
            std::map<int, std::vector<RegionNumber>> seen;
            int lastIndex = -1;
            for (const auto& [sel, button] : view.regionButtons()) {
                EXPECT_GE(sel.layoutIndex, lastIndex);
                lastIndex = sel.layoutIndex;
                seen[sel.layoutIndex].push_back(sel.region);
                const QRectF f = button->exactFrame();
                if (f.width() <= 0 || f.height() <= 0)
                    continue; // a sliver thinner than the insets shows no button
                const QRectF card = QRectF(view.platters().at(sel.layoutIndex)->geometry());
                EXPECT_TRUE(inside(f, bounds)) << "button " << sel.layoutIndex << "/" << sel.region;
                EXPECT_TRUE(inside(f, card)) << "button " << sel.layoutIndex << "/" << sel.region;
                EXPECT_TRUE(inside(QRectF(button->geometry()), card)) << "widget of " << sel.layoutIndex << "/" << sel.region;
            }
            for (int i = 0; i < n; ++i)
                EXPECT_EQ(seen[i], sortedRegions(layouts[std::size_t(i)])) << "card " << i;
            for (std::size_t a = 0; a < view.regionButtons().size(); ++a)
                for (std::size_t b = a + 1; b < view.regionButtons().size(); ++b) {
                    const auto* x = view.regionButtons()[a].second;
                    const auto* y = view.regionButtons()[b].second;
                    if (x->exactFrame().isEmpty() || y->exactFrame().isEmpty())
                        continue;
                    EXPECT_FALSE(x->exactFrame().intersects(y->exactFrame()));
                    // Rounded outward, the widgets still leave every click to one button.
                    EXPECT_FALSE(x->geometry().intersects(y->geometry()));
                }
        } else {
            ASSERT_EQ(view.compositionButtons().size(), layouts.size());
            for (const auto& [index, button] : view.compositionButtons())
                EXPECT_TRUE(inside(button->exactFrame(), bounds)) << "card " << index;
        }

        // Random points over the view and beyond it, then points on every divider's gap.
        std::vector<QPointF> points;
        std::uniform_real_distribution<double> px(-20, w + 20), py(-20, view.height() + 20);
        for (int k = 0; k < 300; ++k)
            points.emplace_back(px(rng), py(rng));
        if (!composition) {
            for (int i = 0; i < n; ++i) {
                const QRectF a = cardPlace(w, layouts.size(), i, false).area();
                for (const auto& d : layouts[std::size_t(i)].tree.dividers(Rect(a.x(), a.y(), a.width(), a.height()))) {
                    const bool upright = d.axis == SplitAxis::horizontal;
                    for (int k = 0; k < 6; ++k) {
                        const double off = std::uniform_real_distribution<double>(-1.5, 1.5)(rng);
                        const double along = std::uniform_real_distribution<double>(0, 1)(rng);
                        const QPointF p = upright ? QPointF(d.position + off, d.container.minY() + along * d.container.height())
                                                  : QPointF(d.container.minX() + along * d.container.width(), d.position + off);
                        points.push_back(p);
                        EXPECT_FALSE(view.selection(p)) << "gap point " << p.x() << ", " << p.y() << " of card " << i;
                    }
                }
            }
        }
        for (const QPointF& p : points) {
            const auto expected = expectedAt(layouts, w, composition, p);
            ASSERT_EQ(view.selection(p).has_value(), expected.has_value()) << "at " << p.x() << ", " << p.y();
            if (expected) {
                ASSERT_EQ(*view.selection(p), *expected) << "at " << p.x() << ", " << p.y();
            }
        }
        // A click reaches the button the hit test names (whole points: where events land).
        if (!composition) {
            for (int k = 0; k < 40; ++k) {
                const QPoint p(int(px(rng)), int(py(rng)));
                if (!bounds.contains(p))
                    continue;
                QWidget* child = view.childAt(p);
                auto* button = qobject_cast<RegionButton*>(child);
                const auto hit = view.selection(QPointF(p));
                clicked.reset();
                if (button)
                    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, p - button->pos());
                EXPECT_EQ(clicked.has_value(), hit.has_value()) << "click at " << p.x() << ", " << p.y();
                if (clicked && hit) {
                    EXPECT_EQ(*clicked, *hit) << "click at " << p.x() << ", " << p.y();
                }
            }
        }
    }
}

// Arrow keys walk through the actual numbers of the current layout in ascending cyclic order
// from any start; Left and Right, digits and Return land on layouts and regions that exist.
TEST(OverlayInvariants, KeysOnlyEverSelectWhatThePickerShows)
{
    Rng rng(0xC0DE);
    for (int caseNo = 0; caseNo < 250; ++caseNo) {
        const int n = std::uniform_int_distribution<int>(1, 12)(rng);
        const auto layouts = randomLayouts(rng, n);
        const bool composition = rng() % 5 == 0;
        const double w = randomWidth(rng);
        SCOPED_TRACE("case " + std::to_string(caseNo) + ": " + describe(layouts, w, composition));
        OverlayView view(layouts, std::nullopt, composition, false, {}, w);
        test::PickerOwner owner;
        owner.attach(view);
        const auto& selected = owner.session.selection;
        auto& chosen = owner.chosen;
        auto& handed = owner.handed;

        auto valid = [&](const SnapSelection& s) {
            if (s.layoutIndex < 0 || s.layoutIndex >= n)
                return false;
            return composition ? s.region == 0 : layouts[std::size_t(s.layoutIndex)].tree.containsRegion(s.region);
        };

        // Return with nothing selected chooses something the picker has.
        key(view, Qt::Key_Return);
        ASSERT_EQ(chosen.size(), 1u);
        EXPECT_TRUE(valid(chosen.back())) << chosen.back().layoutIndex << "/" << chosen.back().region;
        EXPECT_EQ(chosen.back().layoutIndex, 0);

        // Start anywhere: nothing, a real region, or a number the layout lacks.
        const int startIndex = std::uniform_int_distribution<int>(0, n - 1)(rng);
        switch (rng() % 3) {
        case 0: owner.select(std::nullopt); break;
        case 1: {
            const auto r = sortedRegions(layouts[std::size_t(startIndex)]);
            owner.select(SnapSelection{startIndex, composition ? 0 : r[rng() % r.size()]});
            break;
        }
        default: owner.select(SnapSelection{startIndex, RegionNumber(rng() % 16)}); break;
        }
        for (int step = 0; step < 30; ++step) {
            const SnapSelection before = selected.value_or(SnapSelection{0, 0});
            const int k = std::array{Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right, Qt::Key_1,
                                     Qt::Key_5, Qt::Key_9}[rng() % 7];
            handed.clear();
            const auto selectedBefore = selected;
            key(view, k);
            if ((k == Qt::Key_5 && n < 5) || (k == Qt::Key_9 && n < 9)) {
                EXPECT_TRUE(handed.empty()) << "a digit past the last card does nothing";
                EXPECT_EQ(selected, selectedBefore);
                continue;
            }
            ASSERT_TRUE(selected) << "key " << k;
            const SnapSelection s = *selected;
            ASSERT_EQ(handed.size(), 1u);
            EXPECT_EQ(handed.back(), selected);
            EXPECT_TRUE(valid(s)) << "key " << k << " gave " << s.layoutIndex << "/" << s.region;
            int wantIndex = before.layoutIndex;
            if (k == Qt::Key_1 || k == Qt::Key_5 || k == Qt::Key_9)
                wantIndex = k - Qt::Key_1;
            else if (k == Qt::Key_Left || k == Qt::Key_Right || composition)
                wantIndex = ((before.layoutIndex + ((k == Qt::Key_Right || k == Qt::Key_Down) ? 1 : -1)) % n + n) % n;
            EXPECT_EQ(s.layoutIndex, wantIndex) << "key " << k;
            // The highlight follows: exactly the selected button and card are lit.
            for (const auto& [sel, button] : view.regionButtons())
                EXPECT_EQ(button->highlightedRegion, sel == s);
            for (const auto& [index, platter] : view.platters())
                EXPECT_EQ(platter->highlighted(), index == s.layoutIndex);
        }
        if (composition)
            continue;

        // From every start, Down visits all numbers ascending and cyclically; Up descending.
        for (int i = 0; i < n; ++i) {
            const auto regions = sortedRegions(layouts[std::size_t(i)]);
            const std::size_t m = regions.size();
            const std::size_t from = rng() % m;
            for (int dir : {+1, -1}) {
                owner.select(SnapSelection{i, regions[from]});
                for (std::size_t step = 1; step <= m + 1; ++step) {
                    key(view, dir > 0 ? Qt::Key_Down : Qt::Key_Up);
                    const std::size_t want = (from + m * 3 + std::size_t(dir) * step) % m;
                    ASSERT_EQ(selected, (SnapSelection{i, regions[want]}))
                        << "card " << i << " from " << regions[from] << " step " << step << " dir " << dir;
                }
            }
        }
    }
}

// The picker panel: its height follows the rows, and the view scrolls exactly when it is
// taller than the room below the top of the display; the controller's hover is the view's
// hit test at the global point, on displays anywhere, negative coordinates included.
TEST(OverlayInvariants, PickerPanelScrollsWhenNeededAndHoverMatchesTheView)
{
    Rng rng(0xD15B);
    OverlayController controller;
    for (int caseNo = 0; caseNo < 60; ++caseNo) {
        const int n = std::uniform_int_distribution<int>(1, 16)(rng);
        const auto layouts = randomLayouts(rng, n);
        const Rect visible(std::uniform_int_distribution<int>(-3000, 3000)(rng),
                           std::uniform_int_distribution<int>(-1500, 1500)(rng),
                           std::uniform_int_distribution<int>(400, 2560)(rng),
                           std::uniform_int_distribution<int>(250, 1440)(rng));
        const bool composition = rng() % 4 == 0;
        SCOPED_TRACE("case " + std::to_string(caseNo) + " on " + toString(visible).toStdString() + ": " +
                     describe(layouts, pickerWidth(visible), composition));
        auto* view = new OverlayView(layouts, std::nullopt, composition, true, {}, pickerWidth(visible));
        const double viewHeight = pickerViewHeight(pickerWidth(visible), layouts.size(), composition);
        ASSERT_EQ(view->height(), viewHeight);
        controller.picker = makePickerPanel(view, visible, true);
        controller.pickerView = view;
        showPickerPanel(*controller.picker, *view, true);
        const Rect panel = controller.picker->frame();
        EXPECT_EQ(panel.height(), std::min(viewHeight, visible.height() - 24));
        EXPECT_EQ(panel.minY(), visible.minY() + 12);
        const bool scrolls = viewHeight > visible.height() - 24;
        auto* scroll = qobject_cast<QScrollArea*>(view->parentWidget() ? view->parentWidget()->parentWidget() : nullptr);
        EXPECT_EQ(scroll != nullptr, scrolls);

        for (int k = 0; k < 80; ++k) {
            const Point g(std::uniform_real_distribution<double>(panel.minX() - 10, panel.maxX() + 10)(rng),
                          std::uniform_real_distribution<double>(panel.minY() - 10, panel.maxY() + 10)(rng));
            const auto hit = hoverAt(controller, g);
            EXPECT_EQ(test::litSelection(*view), hit);
            EXPECT_EQ(controller.containsPoint(g), panel.contains(g)) << toString(g).toStdString();
            if (!panel.contains(g)) {
                EXPECT_FALSE(hit) << "no card is chosen off the panel, at " << toString(g).toStdString();
            }
            if (scrolls)
                continue; // the scroll offset is checked below
            const QPointF local(g.x - panel.minX(), g.y - panel.minY());
            const auto expected = expectedAt(layouts, pickerWidth(visible), composition, local);
            const bool onView = local.y() < viewHeight;
            EXPECT_EQ(hit, onView ? expected : std::nullopt) << "at " << toString(g).toStdString();
        }
        if (scrolls) {
            // Scrolled to the end, the last card's buttons are reachable and hit where shown.
            scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
            EXPECT_GE(scroll->verticalScrollBar()->maximum(), int(viewHeight - panel.height()) - 1);
            const int offset = scroll->verticalScrollBar()->value();
            const QRectF last = composition ? view->compositionButtons().back().second->exactFrame()
                                            : view->regionButtons().back().second->exactFrame();
            if (!last.isEmpty()) {
                const QPointF c = last.center();
                const Point g(panel.minX() + c.x(), panel.minY() + c.y() - offset);
                EXPECT_TRUE(panel.contains(g)) << "the last card is in view when scrolled to the end";
                EXPECT_EQ(hoverAt(controller, g), view->selection(c));
            }
        }
        controller.hidePicker();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// Tile menus: every tile is 112 × 92, inside the menu, where its item says relative to the
// menu's origin; an equal menu never rebuilds, and each tile's state follows the intent under
// the pointer, recolouring only the tiles whose state changed.
TEST(OverlayInvariants, TileMenusPlaceTilesAndRebuildOnlyForADifferentMenu)
{
    Rng rng(0x7113);
    DropActionMenuView view;
    const std::vector<RegionDropIntent::Kind> kinds{RegionDropIntent::Kind::swap,       RegionDropIntent::Kind::split,
                                                    RegionDropIntent::Kind::splitSide,  RegionDropIntent::Kind::place,
                                                    RegionDropIntent::Kind::fillColumn, RegionDropIntent::Kind::choose,
                                                    RegionDropIntent::Kind::putBack};
    auto randomIntent = [&] {
        return RegionDropIntent{kinds[rng() % kinds.size()], RegionNumber(rng() % 4), rng() % 2 == 0};
    };
    std::optional<DropActionMenu> previous;
    for (int caseNo = 0; caseNo < 400; ++caseNo) {
        DropActionMenu menu;
        if (previous && rng() % 3 == 0) {
            menu = *previous; // an equal menu again
        } else {
            const int count = std::uniform_int_distribution<int>(1, 8)(rng);
            const int columns = std::uniform_int_distribution<int>(1, count)(rng);
            const int rows = (count + columns - 1) / columns;
            const double x = std::uniform_int_distribution<int>(-4000, 4000)(rng) + (rng() % 2 ? 0.5 : 0);
            const double y = std::uniform_int_distribution<int>(-2000, 2000)(rng) + (rng() % 2 ? 0.25 : 0);
            menu.frame = Rect(x, y, 2 * DropActionMenu::margin + columns * 112 + (columns - 1) * 8,
                              2 * DropActionMenu::margin + rows * 92 + (rows - 1) * 8);
            for (int i = 0; i < count; ++i)
                menu.items.push_back({randomIntent(), u"Action "_qs + QString::number(i), u"square.split.2x1"_qs,
                                      Rect(x + 10 + (i % columns) * 120, y + 10 + (i / columns) * 100, 112, 92)});
        }
        SCOPED_TRACE("case " + std::to_string(caseNo) + " menu " + toString(menu.frame).toStdString() + " with " +
                     std::to_string(menu.items.size()) + " items");
        view.resize(int(std::lround(menu.frame.width())), int(std::lround(menu.frame.height())));
        const bool same = previous && *previous == menu;
        const std::vector<DropActionTile*> before = view.tiles();
        std::vector<int> recolors;
        for (auto* t : before)
            recolors.push_back(t->recolorCount());
        std::vector<DropActionTile::State> statesBefore;
        for (auto* t : before)
            statesBefore.push_back(t->state());

        std::optional<RegionDropIntent> highlighted;
        if (rng() % 4 != 0)
            highlighted = rng() % 2 && !menu.items.empty() ? menu.items[rng() % menu.items.size()].intent : randomIntent();
        const bool armed = rng() % 2 == 0;
        view.configure(menu, highlighted, armed);

        ASSERT_EQ(view.tiles().size(), menu.items.size());
        if (same) {
            EXPECT_EQ(view.tiles(), before) << "an equal menu keeps its tiles";
            for (std::size_t i = 0; i < before.size(); ++i)
                EXPECT_EQ(view.tiles()[i]->recolorCount() - recolors[i],
                          view.tiles()[i]->state() != statesBefore[i] ? 1 : 0)
                    << "tile " << i << " recoloured without a change of state";
        }
        ASSERT_TRUE(view.actions());
        EXPECT_EQ(*view.actions(), menu);
        EXPECT_EQ(view.background()->geometry(), view.rect());
        const QRect menuRect(QPoint(0, 0), view.size());
        for (std::size_t i = 0; i < view.tiles().size(); ++i) {
            const DropActionTile* t = view.tiles()[i];
            const auto& item = menu.items[i];
            EXPECT_EQ(t->size(), QSize(112, 92)) << "tile " << i;
            EXPECT_EQ(t->parentWidget(), view.background());
            EXPECT_TRUE(menuRect.contains(t->geometry())) << "tile " << i;
            EXPECT_NEAR(t->x(), item.frame.minX() - menu.frame.minX(), 0.5) << "tile " << i;
            EXPECT_NEAR(t->y(), item.frame.minY() - menu.frame.minY(), 0.5) << "tile " << i;
            EXPECT_EQ(t->captionRect(), QRect(6, 60, 100, 18));
            for (std::size_t j = i + 1; j < view.tiles().size(); ++j) {
                EXPECT_FALSE(t->geometry().intersects(view.tiles()[j]->geometry())) << "tiles " << i << ", " << j;
                // Neighbours keep the 8-point gap.
                const QRect a = t->geometry(), b = view.tiles()[j]->geometry();
                if (a.top() == b.top()) {
                    EXPECT_GE(std::abs(b.left() - a.left()), 120);
                }
            }
            const bool match = highlighted && item.intent == *highlighted;
            const auto want = !match ? DropActionTile::State::normal
                              : armed ? DropActionTile::State::armed
                                      : DropActionTile::State::highlighted;
            EXPECT_EQ(t->state(), want) << "tile " << i;
        }
        previous = menu;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// Region assist: for 0 to 30 choices in regions of every size, every tile lies inside the
// scrolling document, tiles never overlap, run in grid order row by row, and the first
// choice is the top-left tile.
TEST(OverlayInvariants, RegionAssistLaysEveryChoiceInsideWithoutOverlap)
{
    Rng rng(0xA551);
    for (int caseNo = 0; caseNo < 160; ++caseNo) {
        const int count = caseNo <= 30 ? caseNo : std::uniform_int_distribution<int>(0, 30)(rng);
        static const int edges[] = {1, 40, 219, 220, 299, 300, 301};
        auto side = [&](int hi) {
            return rng() % 4 == 0 ? edges[rng() % std::size(edges)] : std::uniform_int_distribution<int>(1, hi)(rng);
        };
        const QSize size(side(2560), side(1440));
        SCOPED_TRACE("case " + std::to_string(caseNo) + ": " + std::to_string(count) + " choices in " +
                     std::to_string(size.width()) + " x " + std::to_string(size.height()));
        std::vector<ManagedWindow> windows;
        for (int i = 0; i < count; ++i)
            windows.push_back(ManagedWindow{WindowId(500 + i), Pid(40 + i), u"Window "_qs + QString::number(i), "App"});
        RegionAssistView view(windows, {}, [](const ManagedWindow&) {}, [] {}, [] {}, QRect(QPoint(3, 7), size));
        EXPECT_EQ(view.size(), size);
        ASSERT_EQ(view.controls().size(), std::size_t(count) + 1);
        ASSERT_EQ(view.choices().size(), std::size_t(count));
        EXPECT_EQ(view.firstChoice(), count ? view.controls().front() : nullptr);
        const QRect doc(QPoint(0, 0), view.documentView()->size());
        EXPECT_GE(view.documentView()->height(), view.scrollView()->height() - 1);
        const auto g = RegionAssistView::grid(std::size_t(count), view.scrollView()->width(), view.scrollView()->height());
        for (int i = 0; i < count; ++i) {
            const QRect t = view.controls()[std::size_t(i)]->geometry();
            EXPECT_EQ(view.controls()[std::size_t(i)]->parentWidget(), view.documentView());
            EXPECT_GT(t.width(), 0);
            EXPECT_GT(t.height(), 0);
            EXPECT_TRUE(doc.contains(t)) << "tile " << i << " at " << t.x() << "," << t.y() << " " << t.width() << "x"
                                         << t.height() << " outside " << doc.width() << "x" << doc.height();
            for (int j = i + 1; j < count; ++j)
                EXPECT_FALSE(t.intersects(view.controls()[std::size_t(j)]->geometry())) << "tiles " << i << ", " << j;
            if (i > 0) {
                const QRect p = view.controls()[std::size_t(i - 1)]->geometry();
                if (i % g.columns) {
                    EXPECT_GT(t.left(), p.left()) << "left to right within a row";
                } else {
                    EXPECT_GT(t.top(), p.top()) << "the next row is below";
                }
            }
        }
    }
}

// Seven cards in three rows on a display 362 high: the panel is 338 high and scrolls; a
// drag just below the panel lies over the hidden third row and must choose nothing.
TEST(OverlayInvariants, PickerHoverBelowAScrollingPanelChoosesNothing)
{
    OverlayController controller;
    const Rect visible(0, 0, 538, 362);
    std::vector<SnapLayout> layouts(7, SnapLayout::builtIns().front());
    auto* view = new OverlayView(layouts, std::nullopt, false, true, {}, pickerWidth(visible));
    ASSERT_EQ(view->height(), 424);
    controller.picker = makePickerPanel(view, visible, true);
    controller.pickerView = view;
    showPickerPanel(*controller.picker, *view, true);
    const Rect panel = controller.picker->frame();
    ASSERT_EQ(panel.maxY(), 350);
    const QRectF hidden = view->regionButtons().back().second->exactFrame();
    ASSERT_TRUE(view->selection(QPointF(hidden.center().x(), 355 - panel.minY()))) << "the point lies over a hidden button";
    EXPECT_FALSE(hoverAt(controller, {panel.minX() + hidden.center().x(), 355}));
    EXPECT_FALSE(test::litSelection(*view));
    controller.hidePicker();
}

// Four choices in a region 1098 wide: tiles of 250.5 points, the last column rounded past
// the grid by one point when origin and width were rounded apart.
TEST(OverlayInvariants, RegionAssistLastColumnEndsAtTheGridEdge)
{
    std::vector<ManagedWindow> windows;
    for (int i = 0; i < 4; ++i)
        windows.push_back(ManagedWindow{WindowId(700 + i), Pid(70 + i), u"W"_qs + QString::number(i), "App"});
    RegionAssistView view(windows, {}, [](const ManagedWindow&) {}, [] {}, [] {}, QRect(0, 0, 1098, 490));
    ASSERT_EQ(view.documentView()->width(), 1038);
    EXPECT_EQ(view.controls()[3]->geometry().right() + 1, 1038);
    EXPECT_EQ(view.controls()[0]->x(), 0);
}

} // namespace
} // namespace fw
