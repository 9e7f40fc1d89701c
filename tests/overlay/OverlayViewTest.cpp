// The layout picker view: grid geometry, keys, hit tests, card texts and hosting.
#include "overlay/OverlayView.h"

#include "PickerOwner.h"
#include "snap/AppNames.h"
#include "layout/TreeBuilders.h"
#include "overlay/ActionButton.h"
#include "overlay/OverlayStyle.h"
#include "overlay/OverlayWindow.h"
#include "platform/sim/FakeApplications.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <gtest/gtest.h>

#include <cmath>

namespace fw {

inline void PrintTo(const SnapSelection& s, std::ostream* os) { *os << "(" << s.layoutIndex << ", " << s.region << ")"; }

namespace {

using test::PickerOwner;

SnapLayout custom(const QString& id, const QString& name, RegionTree tree, std::optional<SnapLayout::AppMap> apps = {})
{
    return SnapLayout{id, name, std::move(tree), std::move(apps)};
}

std::vector<SnapLayout> manyLayouts(int count)
{
    std::vector<SnapLayout> out = SnapLayout::builtIns();
    for (int i = int(out.size()); i < count; ++i)
        out.push_back(custom(u"user-"_qs + QString::number(i), u"Mine "_qs + QString::number(i), H(0.3, L(0), L(1))));
    out.resize(std::size_t(count), out.front());
    return out;
}

struct Recorder {
    std::vector<std::optional<SnapSelection>> hovers;
    std::vector<SnapSelection> chosen;
    void attach(OverlayView& v)
    {
        v.onHover = [this](std::optional<SnapSelection> s) { hovers.push_back(s); };
        v.onChoose = [this](SnapSelection s) { chosen.push_back(s); };
    }
};

bool press(OverlayView& view, int key)
{
    QKeyEvent ev(QEvent::KeyPress, key, Qt::NoModifier, key >= Qt::Key_0 && key <= Qt::Key_9 ? QString(QChar(key)) : QString());
    QCoreApplication::sendEvent(&view, &ev);
    return ev.isAccepted();
}

RegionButton* buttonFor(const OverlayView& v, SnapSelection s)
{
    for (const auto& [sel, b] : v.regionButtons())
        if (sel == s)
            return b;
    return nullptr;
}

TEST(OverlayViewGeometry, ColumnsRowsAndHeightFollowWidthAndCount)
{
    EXPECT_EQ(pickerColumnCount(719, 6), 3);
    EXPECT_EQ(pickerColumnCount(720, 6), 6);
    EXPECT_EQ(pickerColumnCount(720, 7), 4);
    EXPECT_EQ(pickerViewHeight(720, 7, false), 306);
    EXPECT_EQ(pickerViewHeight(720, 7, true), 328);
    EXPECT_EQ(pickerViewHeight(719, 1, false), 188);

    OverlayView seven(manyLayouts(7), std::nullopt, false, true, {}, 720);
    EXPECT_EQ(seven.size(), QSize(720, 306));
    // Card 4 (index 4) opens the second row in the first column.
    EXPECT_EQ(seven.platters().at(4)->geometry(), QRect(20, 58 + 118 - 7, 165, 110));
}

TEST(OverlayViewGeometry, OneLayoutMapsItsRegionsIntoTheCardArea)
{
    OverlayView view({SnapLayout::builtIns().front()}, std::nullopt, false, true, {}, 820);
    ASSERT_EQ(view.regionButtons().size(), 2u);
    const double c = (820.0 - 36) / 6;
    const QRectF area(18 + 11, 58 + 2, c - 24, 63);
    EXPECT_EQ(view.regionButtons()[0].second->exactFrame(),
              QRectF(area.x(), area.y(), area.width() / 2, 63).adjusted(1.5, 1.5, -1.5, -1.5));
    EXPECT_EQ(view.regionButtons()[1].second->exactFrame(),
              QRectF(area.x() + area.width() / 2, area.y(), area.width() / 2, 63).adjusted(1.5, 1.5, -1.5, -1.5));
    EXPECT_EQ(view.regionButtons()[1].second->accessibleName(), u"Halves, region 2"_qs);
    EXPECT_EQ(view.height(), 188);
}

TEST(OverlayViewGeometry, EightBuiltInsFillTwoRowsOfFour)
{
    const auto& layouts = SnapLayout::builtIns();
    ASSERT_EQ(layouts.size(), 8u);
    OverlayView view(layouts, u"halves"_qs, false, false, {}, 820);
    EXPECT_EQ(view.size(), QSize(820, 306));
    const double c = (820.0 - 36) / 4;
    for (int i = 0; i < 8; ++i) {
        const QRect expected = QRectF(c * (i % 4) + 20, 58 + (i / 4) * 118 - 7, c - 6, 110).toAlignedRect();
        EXPECT_EQ(view.platters().at(i)->geometry(), expected) << i;
        EXPECT_EQ(view.cardName(i)->text(), QString::number(i + 1) + u"  "_qs + layouts[std::size_t(i)].name);
    }
    // Buttons come card by card, and within a card by ascending region number.
    int lastIndex = 0;
    RegionNumber lastRegion = -1;
    for (const auto& [sel, b] : view.regionButtons()) {
        if (sel.layoutIndex != lastIndex) {
            EXPECT_EQ(sel.layoutIndex, lastIndex + 1);
            lastIndex = sel.layoutIndex;
            lastRegion = -1;
        }
        EXPECT_GT(sel.region, lastRegion);
        lastRegion = sel.region;
    }
    EXPECT_EQ(view.titleLabel()->text(), u"Choose a region."_qs);
    EXPECT_FALSE(view.cancelHint()->isHidden());
    EXPECT_EQ(view.cancelHint()->geometry(), QRect(820 - 104, 20, 82, 18));
    EXPECT_EQ(view.cancelHint()->accessibleName(), u"Press Escape to cancel"_qs);
}

TEST(OverlayViewGeometry, OwnLayoutsShowTheirLayoutKeysAndManyScrollInAShortPanel)
{
    auto layouts = manyLayouts(12);
    OverlayView* view = new OverlayView(layouts, std::nullopt, false, true, {}, 820);
    EXPECT_EQ(view->height(), 58 + 3 * 118 + 12);
    // Own layouts carry the number Switch Layout gives them, with its keys, not a picker digit.
    EXPECT_EQ(view->cardName(7)->text(), u"8  "_qs + layouts[7].name);
    EXPECT_EQ(view->cardName(8)->text(), layouts[8].name);
    view->setLayoutKeys({{layouts[8].id, 1}, {layouts[9].id, 2}, {layouts[10].id, 10}});
    EXPECT_EQ(view->cardName(8)->text(), u"Ctrl+Alt+1  "_qs + layouts[8].name);
    EXPECT_EQ(view->cardName(9)->text(), u"Ctrl+Alt+2  "_qs + layouts[9].name);
    EXPECT_EQ(view->cardName(10)->text(), layouts[10].name) << "the tenth own layout has no key";
    EXPECT_EQ(view->titleLabel()->text(), u"Drag into a region."_qs);

    const Rect visible(0, 0, 1280, 300);
    EXPECT_EQ(pickerWidth(visible), 820);
    EXPECT_EQ(pickerWidth(Rect(0, 0, 700, 500)), 660);
    auto panel = makePickerPanel(view, visible, true);
    EXPECT_EQ(panel->frame(), Rect(230, 12, 820, 276));
    EXPECT_EQ(panel->title(), u"Choose a Layout"_qs);
    EXPECT_EQ(panel->level(), OverlayWindow::aboveEverythingLevel);
    EXPECT_TRUE(panel->ignoresMouseEvents()) << "a drag is under way";
    EXPECT_FALSE(panel->acceptsKeys());
    auto* card = qobject_cast<GlassCard*>(panel->contentView());
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->cornerRadius(), 26);
    auto* scroll = card->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr) << "the view is taller than the panel";
    EXPECT_EQ(scroll->widget(), view);
    scroll->show();
    EXPECT_GT(scroll->verticalScrollBar()->maximum(), 0);

    // A tall enough display hosts the view directly, interactive and key-capable.
    OverlayView* small = new OverlayView(SnapLayout::builtIns(), std::nullopt, false, false, {}, 820);
    auto direct = makePickerPanel(small, Rect(1920, 0, 1280, 1024), false);
    EXPECT_EQ(direct->frame(), Rect(1920 + 230, 12, 820, 306));
    EXPECT_EQ(direct->contentView()->findChild<QScrollArea*>(), nullptr);
    EXPECT_FALSE(direct->ignoresMouseEvents());
    EXPECT_TRUE(direct->acceptsKeys());
}

// A picker of a thousand layouts makes the widgets of the cards on screen only: the rest come
// as they scroll into view or are chosen by the keys, and the buttons stay in card order.
TEST(OverlayViewGeometry, AThousandLayoutsMakeOnlyTheCardsOnScreen)
{
    const auto layouts = manyLayouts(1000);
    OverlayView* view = new OverlayView(layouts, std::nullopt, false, false, {}, 820);
    auto panel = makePickerPanel(view, Rect(0, 0, 1920, 1080), false);
    auto* scroll = panel->contentView()->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    showPickerPanel(*panel, *view, false);
    const int firstScreen = view->findChildren<LayoutCardPlatter*>().size();
    EXPECT_GT(firstScreen, 0);
    EXPECT_LE(firstScreen, 4 * int(std::ceil(OverlayView::firstBuildHeight / 118.0) + 1));
    EXPECT_EQ(view->builtCardCount(), firstScreen);

    // Left from the first card wraps to the last one: made, selected and scrolled into view.
    PickerOwner owner;
    owner.attach(*view);
    ASSERT_TRUE(press(*view, Qt::Key_Left));
    const auto& selected = owner.session.selection;
    ASSERT_TRUE(selected);
    EXPECT_EQ(selected->layoutIndex, 999);
    ASSERT_TRUE(view->platters().count(999));
    EXPECT_TRUE(view->platters().at(999)->isVisible());
    EXPECT_TRUE(buttonFor(*view, *selected)->highlightedRegion);
    const QRect shown(0, scroll->verticalScrollBar()->value(), view->width(), scroll->viewport()->height());
    EXPECT_TRUE(shown.contains(view->platters().at(999)->geometry())) << "the chosen card was not scrolled into view";

    // Scrolled through the middle, the cards passed on the way are made too.
    scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum() / 2);
    const int middle = int((scroll->verticalScrollBar()->value() + scroll->viewport()->height() / 2 - 58) / 118) * 4;
    ASSERT_TRUE(view->platters().count(middle));
    EXPECT_TRUE(view->platters().at(middle)->isVisible());
    EXPECT_LT(view->builtCardCount(), 200);
    int last = -1;
    for (const auto& [selection, button] : view->regionButtons()) {
        EXPECT_GE(selection.layoutIndex, last);
        last = selection.layoutIndex;
    }
}

TEST(OverlayViewKeys, DigitsSelectLayoutsThatExist)
{
    OverlayView view(manyLayouts(4), std::nullopt, false, false, {}, 820);
    PickerOwner o;
    o.attach(view);
    EXPECT_TRUE(press(view, Qt::Key_5));
    EXPECT_EQ(o.keys.back(), (PickerKey{PickerKey::card, 4}));
    EXPECT_FALSE(o.session.selection);
    EXPECT_TRUE(o.handed.empty());
    EXPECT_TRUE(press(view, Qt::Key_3));
    EXPECT_EQ(o.session.selection, (SnapSelection{2, 0}));
    ASSERT_EQ(o.handed.size(), 1u);
    EXPECT_EQ(o.handed[0], (SnapSelection{2, 0}));
    EXPECT_TRUE(buttonFor(view, {2, 0})->highlightedRegion);
    EXPECT_TRUE(view.platters().at(2)->highlighted());
}

TEST(OverlayViewKeys, ArrowsWrapAroundLayoutsAndRegions)
{
    // Layout 0: three regions (0, 1, 2) — the "Three columns" built-in.
    std::vector<SnapLayout> layouts = {SnapLayout::builtIns()[1], SnapLayout::builtIns()[0], SnapLayout::builtIns()[2]};
    ASSERT_EQ(layouts[0].tree.regionNumbers().size(), 3u);
    {
        OverlayView view(layouts, std::nullopt, false, false, {}, 820);
        PickerOwner o;
        o.attach(view);
        press(view, Qt::Key_Right);
        EXPECT_EQ(o.session.selection, (SnapSelection{1, 0})) << "Right with nothing selected moves on from layout 0";
    }
    {
        OverlayView view(layouts, std::nullopt, false, false, {}, 820);
        PickerOwner o;
        o.attach(view);
        press(view, Qt::Key_Left);
        EXPECT_EQ(o.session.selection, (SnapSelection{2, 0}));
    }
    {
        OverlayView view(layouts, std::nullopt, false, false, {}, 820);
        PickerOwner o;
        o.attach(view);
        press(view, Qt::Key_Up);
        EXPECT_EQ(o.session.selection, (SnapSelection{0, 2}));
        press(view, Qt::Key_Down);
        EXPECT_EQ(o.session.selection, (SnapSelection{0, 0}));
        press(view, Qt::Key_Down);
        EXPECT_EQ(o.session.selection, (SnapSelection{0, 1}));
        EXPECT_EQ(o.handed.size(), 3u);
        EXPECT_TRUE(o.chosen.empty());
    }
}

TEST(OverlayViewKeys, RegionKeysUseTheLayoutsOwnRegionNumbers)
{
    const SnapLayout gap = custom(u"user-gap"_qs, u"Gap"_qs, H(0.5, L(2), L(5)));
    const SnapLayout pair = custom(u"user-pair"_qs, u"Pair"_qs, H(0.5, L(0), L(2)));
    OverlayView view({gap, pair}, std::nullopt, false, false, {}, 820);
    PickerOwner r;
    r.attach(view);
    // Nothing selected: Return chooses the first layout's lowest region, not a region 0 it lacks.
    EXPECT_TRUE(press(view, Qt::Key_Return));
    ASSERT_EQ(r.chosen.size(), 1u);
    EXPECT_EQ(r.chosen[0], (SnapSelection{0, 2}));
    EXPECT_FALSE(r.session.selection) << "Return does not change the selection";
    press(view, Qt::Key_Down);
    EXPECT_EQ(r.session.selection, (SnapSelection{0, 5}));
    press(view, Qt::Key_Down);
    EXPECT_EQ(r.session.selection, (SnapSelection{0, 2}));
    press(view, Qt::Key_Right);
    EXPECT_EQ(r.session.selection, (SnapSelection{1, 0}));
    press(view, Qt::Key_Down);
    EXPECT_EQ(r.session.selection, (SnapSelection{1, 2}));
    press(view, Qt::Key_Down);
    EXPECT_EQ(r.session.selection, (SnapSelection{1, 0}));
    press(view, Qt::Key_Up);
    EXPECT_EQ(r.session.selection, (SnapSelection{1, 2}));
    press(view, Qt::Key_1);
    EXPECT_EQ(r.session.selection, (SnapSelection{0, 2}));
    press(view, Qt::Key_Enter);
    EXPECT_EQ(r.chosen.back(), (SnapSelection{0, 2}));
    // Every reported selection names a button that exists.
    for (const auto& h : r.handed)
        EXPECT_NE(buttonFor(view, *h), nullptr) << h->layoutIndex << "/" << h->region;
}

TEST(OverlayViewKeys, CompositionArrowsMoveBetweenLayoutsAndOtherKeysPassOn)
{
    OverlayView view(manyLayouts(3), std::nullopt, true, false, {}, 820);
    PickerOwner o;
    o.attach(view);
    press(view, Qt::Key_Down);
    EXPECT_EQ(o.session.selection, (SnapSelection{1, 0}));
    press(view, Qt::Key_Up);
    press(view, Qt::Key_Up);
    EXPECT_EQ(o.session.selection, (SnapSelection{2, 0}));
    EXPECT_TRUE(view.compositionButtons()[2].second->highlightedComposition);
    EXPECT_FALSE(view.compositionButtons()[1].second->highlightedComposition);
    EXPECT_FALSE(press(view, Qt::Key_Escape)) << "Escape belongs to the application's hot key";
    EXPECT_FALSE(press(view, Qt::Key_A));

    OverlayView empty({}, std::nullopt, false, false, {}, 820);
    PickerOwner r;
    r.attach(empty);
    EXPECT_TRUE(press(empty, Qt::Key_Return));
    EXPECT_TRUE(press(empty, Qt::Key_Escape));
    EXPECT_TRUE(r.chosen.empty());
    EXPECT_TRUE(r.keys.empty()) << "an empty picker reports no keys";
}

TEST(OverlayViewHitTest, GapsAndEdgesBelongToNoRegion)
{
    OverlayView view(SnapLayout::builtIns(), std::nullopt, false, true, {}, 820);
    const QRectF left = buttonFor(view, {0, 0})->exactFrame();
    const QRectF right = buttonFor(view, {0, 1})->exactFrame();
    ASSERT_NEAR(right.left() - left.right(), 3.0, 1e-9);
    const double y = left.center().y();
    EXPECT_EQ(view.selection({left.center().x(), y}), (SnapSelection{0, 0}));
    EXPECT_EQ(view.selection({left.right() - 0.01, y}), (SnapSelection{0, 0}));
    EXPECT_FALSE(view.selection({left.right(), y})) << "the right edge is outside";
    EXPECT_FALSE(view.selection({left.right() + 1.5, y}));
    EXPECT_EQ(view.selection({right.left(), y}), (SnapSelection{0, 1}));
    EXPECT_FALSE(view.selection({left.center().x(), left.top() - 0.5})) << "platter margin";
    EXPECT_FALSE(view.selection({5, 5}));
    // The last card's last region.
    const auto& [lastSel, lastButton] = view.regionButtons().back();
    EXPECT_EQ(view.selection(lastButton->exactFrame().center()), lastSel);
}

TEST(OverlayViewHitTest, PointerMovesReportHoverWithoutWritingTheSelection)
{
    OverlayView view(SnapLayout::builtIns(), std::nullopt, false, false, {}, 820);
    Recorder r;
    r.attach(view);
    const QPointF inside = buttonFor(view, {1, 2})->exactFrame().center();
    QMouseEvent move(QEvent::MouseMove, inside, view.mapToGlobal(inside), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &move);
    QMouseEvent gap(QEvent::MouseMove, QPointF(5, 5), view.mapToGlobal(QPointF(5, 5)), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &gap);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&view, &leave);
    // Only changes are reported: the leave after the gap says nothing new.
    QMouseEvent back(QEvent::MouseMove, inside, view.mapToGlobal(inside), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &back);
    QCoreApplication::sendEvent(&view, &leave);
    ASSERT_EQ(r.hovers.size(), 4u);
    EXPECT_EQ(r.hovers[0], (SnapSelection{1, 2}));
    EXPECT_FALSE(r.hovers[1]);
    EXPECT_EQ(r.hovers[2], (SnapSelection{1, 2}));
    EXPECT_FALSE(r.hovers[3]);
    for (const auto& [s, b] : view.regionButtons())
        EXPECT_FALSE(b->highlightedRegion) << "a hover lights nothing until the owner hands a selection back";
    // The buttons pass on moves made without a button, which they would swallow untracked.
    view.ensurePolished();
    for (const auto& [s, b] : view.regionButtons())
        EXPECT_TRUE(b->hasMouseTracking());

    // The owner hands its selection over to be drawn; nothing clears every highlight.
    view.showSelection(SnapSelection{1, 2});
    EXPECT_TRUE(buttonFor(view, {1, 2})->highlightedRegion);
    EXPECT_FALSE(buttonFor(view, {1, 1})->highlightedRegion);
    EXPECT_TRUE(view.platters().at(1)->highlighted());
    EXPECT_FALSE(view.platters().at(0)->highlighted());
    view.showSelection(std::nullopt);
    EXPECT_FALSE(buttonFor(view, {1, 2})->highlightedRegion);
    EXPECT_FALSE(view.platters().at(1)->highlighted());

    // A click on a region chooses it.
    buttonFor(view, {3, 1})->click();
    ASSERT_EQ(r.chosen.size(), 1u);
    EXPECT_EQ(r.chosen[0], (SnapSelection{3, 1}));
}

TEST(OverlayViewCards, SecondLinesNamesAndIcons)
{
    auto layouts = SnapLayout::builtIns();
    SnapLayout adjustedHalves = layouts[0];
    adjustedHalves.tree = H(0.6, L(0), L(1));
    layouts[1] = adjustedHalves;
    layouts.push_back(custom(u"user-a"_qs, u"Mine"_qs, V(0.5, L(0), L(1))));
    QPixmap red(32, 32);
    red.fill(Qt::red);
    OverlayView::Occupants occupants{{u"quarters"_qs, {{3, QIcon(red)}}}};

    OverlayView current(layouts, u"user-a"_qs, false, false, occupants, 820);
    const int mine = 8;
    EXPECT_EQ(current.cardDetail(mine)->text(), u"Custom proportions"_qs);
    EXPECT_EQ(current.cardName(mine)->font().weight(), QFont::DemiBold);
    EXPECT_EQ(current.cardName(0)->font().weight(), QFont::Normal);
    EXPECT_EQ(current.cardDetail(0), nullptr);
    EXPECT_EQ(current.cardDetail(1)->text(), u"Custom proportions"_qs) << "a built-in id with another tree";

    OverlayView builtInCurrent(layouts, u"halves"_qs, false, false, occupants, 820);
    EXPECT_EQ(builtInCurrent.cardDetail(0)->text(), u"Current layout"_qs);
    EXPECT_EQ(builtInCurrent.cardDetail(1)->text(), u"Custom proportions"_qs);

    const int quarters = 4;
    ASSERT_EQ(layouts[quarters].id, u"quarters"_qs);
    RegionButton* withIcon = buttonFor(current, {quarters, 3});
    ASSERT_TRUE(withIcon->icon);
    EXPECT_FALSE(buttonFor(current, {quarters, 2})->icon);
    ASSERT_TRUE(withIcon->iconRect());
    const double side = std::min({30.0, withIcon->exactFrame().width() - 10, withIcon->exactFrame().height() - 10});
    EXPECT_NEAR(withIcon->iconRect()->width(), side, 1e-9);

    // The icon and the selection are drawn: red at the region's centre, accent elsewhere.
    current.showSelection(SnapSelection{quarters, 3});
    const QImage shot = current.grab().toImage();
    const QPointF centre = withIcon->exactFrame().center();
    EXPECT_EQ(shot.pixelColor(centre.toPoint()), QColor(Qt::red));
    const QColor accent = styleColor(StyleColor::accent, current.palette());
    const QPoint nearCorner = (withIcon->exactFrame().topLeft() + QPointF(4, 4)).toPoint();
    EXPECT_EQ(shot.pixelColor(nearCorner), accent);
}

TEST(OverlayViewComposition, CardsButtonsAndTexts)
{
    auto fake = std::make_shared<FakeApplications>();
    fake->add(u"org.example.Mail"_qs, u"Mail"_qs);
    fake->add(u"org.example.Notes"_qs, u"Notes"_qs);
    AppNames::setApplications(fake);

    std::vector<SnapLayout> layouts = {SnapLayout::builtIns()[0]};
    SnapLayout adjusted = SnapLayout::builtIns()[1];
    adjusted.tree = H(0.4, L(0), H(0.5, L(1), L(2)));
    layouts.push_back(adjusted);
    const SnapLayout plain = custom(u"user-plain"_qs, u"Plain"_qs, H(0.5, L(0), L(1)));
    layouts.push_back(plain);
    layouts.push_back(custom(u"user-apps"_qs, u"Work"_qs, H(0.5, L(1), L(0)),
                             SnapLayout::AppMap{{0, {u"org.example.Notes"_qs}}, {1, {u"org.example.Mail"_qs}}}));
    SnapLayout plainAgain = plain;
    plainAgain.tree = H(0.7, L(0), L(1));
    layouts.push_back(plainAgain);

    OverlayView view(layouts, std::nullopt, true, false, {}, 820);
    EXPECT_TRUE(view.regionButtons().empty());
    EXPECT_TRUE(view.platters().empty());
    EXPECT_TRUE(view.cancelHint()->isHidden());
    ASSERT_NE(view.createButton(), nullptr);
    EXPECT_EQ(view.createButton()->text(), u"Create Custom Layout…"_qs);
    EXPECT_EQ(view.createButton()->geometry(), QRect(820 - 216, 14, 194, 28));
    EXPECT_EQ(view.subtitle()->text(), u"Apply the shown proportions to this display. Adjusted layouts are separate choices."_qs);
    EXPECT_EQ(view.titleLabel()->text(), u"Layout Gallery"_qs);
    EXPECT_EQ(view.height(), 80 + 118 + 12);

    const auto& buttons = view.compositionButtons();
    ASSERT_EQ(buttons.size(), 5u);
    EXPECT_EQ(buttons[0].second->displayName, u"Halves"_qs);
    EXPECT_EQ(buttons[0].second->detail, u"Standard proportions"_qs);
    EXPECT_EQ(buttons[1].second->displayName, u"Adjusted: "_qs + adjusted.name);
    EXPECT_EQ(buttons[1].second->detail, u"Use adjusted proportions"_qs);
    EXPECT_EQ(buttons[2].second->displayName, u"Plain"_qs);
    EXPECT_EQ(buttons[2].second->detail, u"Custom layout"_qs);
    EXPECT_EQ(buttons[3].second->detail, u"Mail · Notes"_qs) << "left region first";
    EXPECT_EQ(buttons[3].second->accessibleName(), u"Apply Work to windows on this display: Mail · Notes"_qs);
    EXPECT_EQ(buttons[4].second->displayName, u"Adjusted: Plain"_qs) << "differs from the first layout with its id";
    EXPECT_FALSE(buttons[2].second->isAdjusted()) << "the first of its id is compared with itself";

    const double c = (820.0 - 36) / 6;
    EXPECT_EQ(buttons[3].second->exactFrame(), QRectF(c * 3 + 20, 80, c - 6, 105));
    EXPECT_EQ(view.editButton(0), nullptr);
    ASSERT_NE(view.editButton(2), nullptr);
    EXPECT_EQ(view.editButton(2)->accessibleName(), u"Edit Plain"_qs);
    EXPECT_EQ(view.editButton(2)->geometry(), QRectF(c * 2 + 18 + c - 60, 80 + 71, 50, 22).toAlignedRect());

    Recorder r;
    r.attach(view);
    std::vector<QString> edited;
    int created = 0;
    view.onEdit = [&](const SnapLayout& l) { edited.push_back(l.name); };
    view.onCreate = [&] { ++created; };
    view.editButton(2)->click();
    view.createButton()->click();
    buttons[1].second->click();
    EXPECT_EQ(edited, std::vector<QString>{u"Plain"_qs});
    EXPECT_EQ(created, 1);
    ASSERT_EQ(r.chosen.size(), 1u);
    EXPECT_EQ(r.chosen[0], (SnapSelection{1, 0}));
    EXPECT_EQ(view.selection(buttons[4].second->exactFrame().center()), (SnapSelection{4, 0}));
    EXPECT_FALSE(view.selection(QPointF(buttons[4].second->exactFrame().left() - 1, 100)));

    AppNames::setApplications(nullptr);
}

} // namespace
} // namespace fw
