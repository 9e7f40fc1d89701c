// The badge view and its panel, offscreen in virtual time: the frames at rest and open (and
// turned upright), what is drawn, a press that stays a click against one that becomes a drag,
// the context menu, and the fades of the panel.
#include "stacks/qt/StackBadgeView.h"

#include "overlay/OverlayWindow.h"
#include "overlay/WindowThumbnailButton.h"
#include "stacks/qt/QtStackSurfaces.h"

#include <QAccessible>
#include <QMenu>
#include <QPixmap>
#include <QTest>
#include <gtest/gtest.h>

namespace fw {
namespace {

using namespace std::chrono_literals;

std::vector<ManagedWindow> members(int n)
{
    std::vector<ManagedWindow> out;
    for (int i = 0; i < n; ++i)
        out.push_back(ManagedWindow{WindowId(100 + i), Pid(100 + i), QStringLiteral("T%1").arg(i), QStringLiteral("App%1").arg(i)});
    return out;
}

QIcon solid(QColor colour)
{
    QPixmap p(32, 32);
    p.fill(colour);
    return QIcon(p);
}

struct IconLookup {
    IconLookup()
    {
        WindowThumbnailButton::appIconLookup() = [](WindowId window) {
            return std::optional(solid(window == 100 ? Qt::red : Qt::green));
        };
    }
    ~IconLookup() { WindowThumbnailButton::appIconLookup() = {}; }
};

TEST(StackBadgeView, FramesAtRestOpenGroupedAndUpright)
{
    // Seven members: six icons and "+1"; 125.4 points long at rest, 270 open.
    auto compact = StackBadgeFrames::at(0, 7, std::nullopt, std::nullopt, false, 0);
    EXPECT_DOUBLE_EQ(compact.length, 125.4);
    EXPECT_DOUBLE_EQ(compact.thickness, 22);
    ASSERT_EQ(compact.icons.size(), 6u);
    EXPECT_EQ(compact.icons[1], QRectF(4 + 17, 4, 14, 14));
    EXPECT_DOUBLE_EQ(compact.opacity, 0.5);
    EXPECT_EQ(compact.gripOpacity, 0);
    auto open = StackBadgeFrames::at(1, 7, std::nullopt, 2, false, 0);
    EXPECT_DOUBLE_EQ(open.length, 270);
    EXPECT_EQ(open.icons[1], QRectF(22 + 36, 6, 24, 24));
    EXPECT_EQ(open.icons[2], QRectF(22 + 72 - 1.5, 6 - 1.5, 27, 27)) << "the highlighted icon grows";
    EXPECT_EQ(open.grip, QRectF(6, 6, 12, 24));

    // A group of icons 1–3: the joiner after icon 1, the icons after it 34 further on.
    auto grouped = StackBadgeFrames::at(1, 4, BadgeGroup{1, 4}, std::nullopt, false, 0);
    EXPECT_DOUBLE_EQ(grouped.length, 32 + 96 + 36 + 34);
    ASSERT_TRUE(grouped.joiner && grouped.backing);
    EXPECT_EQ(grouped.icons[2].x(), 22 + 72 + 34);
    EXPECT_EQ(*grouped.joiner, QRectF(std::round((grouped.icons[1].right() + grouped.icons[2].left()) / 2 - 11), 7, 22, 22));
    EXPECT_EQ(grouped.backing->left(), grouped.icons[1].left() - 3);
    EXPECT_EQ(grouped.backing->right(), grouped.icons[3].right() + 3);

    // Upright in a 36-point-wide view: x and y trade places.
    auto upright = StackBadgeFrames::at(1, 1, std::nullopt, std::nullopt, true, 36);
    EXPECT_EQ(upright.background, QRectF(0, 0, 36, 56));
    EXPECT_EQ(upright.icons[0], QRectF(6, 22, 24, 24));
}

TEST(StackBadgeView, ClicksChooseDragsMoveAndTheMenuResets)
{
    IconLookup icons;
    VirtualClock clock;
    BadgePanel panel(clock, [] { return false; });
    StackBadgeView& view = panel.view();
    std::vector<ManagedWindow> chosen;
    std::vector<Rect> moved;
    int resets = 0, resetAlls = 0;
    BadgeSurface::Content content{members(2), true};
    panel.configure(content, {[&](const ManagedWindow& w) { chosen.push_back(w); }, [&](const Rect& r) { moved.push_back(r); },
                              [&] { ++resets; }, [&] { ++resetAlls; }, {}});
    panel.setFrame(Rect(100, 100, 92, 36), false);
    panel.setBadgeShown(true);
    clock.advance(1s);
    ASSERT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.window().windowOpacity(), 1.0);

    // The icons are drawn: the first member's red, the second's green.
    const QImage drawn = view.grab().toImage();
    const auto f = view.frames();
    EXPECT_EQ(drawn.pixelColor(f.icons[0].center().toPoint()).red(), 255);
    EXPECT_EQ(drawn.pixelColor(f.icons[1].center().toPoint()).green(), 255);

    // A press that moves exactly 4 points is a click on the icon under it.
    const QPoint second = f.icons[1].center().toPoint();
    QTest::mousePress(&view, Qt::LeftButton, {}, second);
    QTest::mouseMove(&view, second + QPoint(4, 0));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, second + QPoint(4, 0));
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0], members(2)[1]);

    // Five points make it a drag: the panel follows, and no window is chosen.
    QTest::mousePress(&view, Qt::LeftButton, {}, second);
    QTest::mouseMove(&view, second + QPoint(5, 0));
    EXPECT_TRUE(panel.isDragging());
    // (Positions are the view's own, and the view has moved 5 points with the panel.)
    QTest::mouseMove(&view, second + QPoint(40, 30));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, second + QPoint(40, 30));
    EXPECT_FALSE(panel.isDragging());
    EXPECT_EQ(chosen.size(), 1u);
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_EQ(moved[0], Rect(145, 130, 92, 36));

    // No titles, no menu; with them, each item calls its reset.
    EXPECT_EQ(view.contextMenu(), nullptr);
    content.resetTitle = u"Move Badge Back to the Title Bar"_qs;
    content.resetAllTitle = u"Move All Badges Back to the Title Bar"_qs;
    panel.configure(content, {{}, {}, [&] { ++resets; }, [&] { ++resetAlls; }, {}});
    std::unique_ptr<QMenu> menu(view.contextMenu());
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), *content.resetTitle);
    menu->actions()[0]->trigger();
    menu->actions()[1]->trigger();
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(resetAlls, 1);
}

// What assistive technologies and tool tips tell of the painted badge: one button per icon,
// "Bring … forward", pressed as a click would; the joiner by its title; the grip's tip.
TEST(StackBadgeView, IconsAreNamedButtonsAndTheGripSaysWhatItDoes)
{
    VirtualClock clock;
    BadgePanel panel(clock, [] { return false; });
    StackBadgeView& view = panel.view();
    std::vector<ManagedWindow> chosen;
    int together = 0;
    BadgeSurface::Content content{members(3), true, BadgeGroup{1, 3}, u"Bring App1 and App2 forward together"_qs};
    panel.configure(content, {[&](const ManagedWindow& w) { chosen.push_back(w); }, [](const Rect&) {}, {}, {},
                              [&] { ++together; }});
    panel.setFrame(Rect(100, 100, 200, 36), false);
    panel.setBadgeShown(true);
    clock.advance(1s);

    QAccessibleInterface* badge = QAccessible::queryAccessibleInterface(&view);
    ASSERT_NE(badge, nullptr);
    EXPECT_EQ(badge->text(QAccessible::Name), u"Windows in this stack"_qs);
    QStringList names;
    for (int i = 0; i < badge->childCount(); ++i) {
        QAccessibleInterface* child = badge->child(i);
        EXPECT_EQ(child->role(), QAccessible::Button);
        EXPECT_FALSE(child->state().invisible);
        names << child->text(QAccessible::Name);
    }
    EXPECT_EQ(names, (QStringList{u"Bring App0 — T0 forward"_qs, u"Bring App1 — T1 forward"_qs,
                                  u"Bring App2 — T2 forward"_qs, u"Bring App1 and App2 forward together"_qs}));
    ASSERT_EQ(badge->childCount(), 4);
    // A press clicks the button as the pointer would (after its short animation).
    badge->child(1)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !chosen.empty(); }, 5000));
    EXPECT_EQ(chosen, std::vector<ManagedWindow>{members(3)[1]});
    badge->child(3)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(QTest::qWaitFor([&] { return together == 1; }, 5000));

    const auto f = view.frames();
    EXPECT_EQ(view.toolTipAt(f.grip.center()), u"Drag to move the badge"_qs);
    EXPECT_EQ(view.toolTipAt(f.icons[0].center()), u"App0 — T0"_qs);
    // A badge that cannot be moved (upright on the window's edge) offers no grip, and a drag
    // does not move it.
    panel.configure(content, {});
    EXPECT_EQ(view.frames().gripOpacity, 0);
    EXPECT_NE(view.toolTipAt(f.grip.center()), u"Drag to move the badge"_qs);
    const QPoint icon = view.frames().icons[0].center().toPoint();
    QTest::mousePress(&view, Qt::LeftButton, {}, icon);
    QTest::mouseMove(&view, icon + QPoint(30, 20));
    EXPECT_FALSE(panel.isDragging());
    QTest::mouseRelease(&view, Qt::LeftButton, {}, icon + QPoint(30, 20));
    EXPECT_EQ(panel.frame(), Rect(100, 100, 200, 36));
    // Fewer members: the buttons follow, and at rest the grip is not drawn and says nothing.
    content.members = members(1);
    content.group.reset();
    content.expanded = false;
    panel.configure(content, {});
    clock.advance(1s);
    EXPECT_EQ(badge->childCount(), 1);
    EXPECT_EQ(badge->child(0)->text(QAccessible::Name), u"Bring App0 — T0 forward"_qs);
    EXPECT_NE(view.toolTipAt(view.frames().grip.center()), u"Drag to move the badge"_qs);
}

// Without a compositor the panel is cut to the badge's outline: every icon stays inside it and
// the square corners of the panel fall outside, at rest and open.
TEST(StackBadgeView, TheShapeFollowsTheDrawnBadge)
{
    VirtualClock clock;
    BadgePanel panel(clock, [] { return false; });
    panel.configure({members(3), false}, {});
    panel.setFrame(Rect(10, 10, 124, 36), false);
    for (const bool open : {false, true}) {
        panel.setExpanded(open, false);
        const auto outline = panel.view().shapeOutline();
        ASSERT_TRUE(outline);
        const auto f = panel.view().frames();
        for (const QRectF& icon : f.icons)
            EXPECT_TRUE(outline->contains(icon.center())) << "open " << open;
        EXPECT_FALSE(outline->contains(f.background.topLeft() + QPointF(0.5, 0.5))) << "open " << open;
    }
}

TEST(StackBadgeView, OpensAndClosesOverTimeAndThePanelFades)
{
    VirtualClock clock;
    BadgePanel panel(clock, [] { return false; });
    panel.configure({members(3), false}, {});
    panel.setFrame(Rect(10, 10, 124, 36), false);

    // Hiding a panel never shown only lets clicks through.
    panel.setBadgeShown(false);
    EXPECT_FALSE(panel.isVisible());
    EXPECT_TRUE(panel.ignoresMouse());

    panel.setBadgeShown(true);
    clock.advance(100ms);
    EXPECT_TRUE(panel.isVisible());
    EXPECT_GT(panel.window().windowOpacity(), 0.3);
    EXPECT_LT(panel.window().windowOpacity(), 1.0);
    clock.advance(200ms);
    EXPECT_EQ(panel.window().windowOpacity(), 1.0);

    // Opening takes 0.16 s, and highlights only once fully open.
    panel.setExpanded(true, true);
    clock.advance(80ms);
    EXPECT_GT(panel.view().openness(), 0);
    EXPECT_LT(panel.view().openness(), 1);
    panel.view().updateHighlight(panel.view().frames().icons[0].center());
    EXPECT_FALSE(panel.view().highlighted());
    clock.advance(100ms);
    EXPECT_EQ(panel.view().openness(), 1);
    panel.view().updateHighlight(panel.view().frames().icons[0].center());
    EXPECT_EQ(panel.view().highlighted(), 0);

    // Hidden, then shown again before the fade ends: it stays up; hidden for good: ordered out.
    panel.setBadgeShown(false);
    EXPECT_EQ(panel.view().openness(), 0) << "closed at once";
    clock.advance(60ms);
    panel.setBadgeShown(true);
    clock.advance(1s);
    EXPECT_TRUE(panel.isVisible());
    panel.setBadgeShown(false);
    clock.advance(1s);
    EXPECT_FALSE(panel.isVisible());

    // Reduced motion: at once.
    BadgePanel still(clock, [] { return true; });
    still.setBadgeShown(true);
    EXPECT_TRUE(still.isVisible());
    EXPECT_EQ(still.window().windowOpacity(), 1.0);
    still.setBadgeShown(false);
    EXPECT_FALSE(still.isVisible());
}

} // namespace
} // namespace fw
