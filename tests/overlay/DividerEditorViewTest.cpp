// The divider editor's handles and its press, drag, release and double-click callbacks; the
// drop surfaces' armed looks and badge layout.
#include "overlay/DividerEditorView.h"
#include "overlay/DropSurfaces.h"

#include <QTest>
#include <gtest/gtest.h>

namespace fw {
namespace {

// Two columns (split at 0.4); the right column split into rows at 0.5.
SnapLayout twoColumns()
{
    return SnapLayout{"test", "Test",
                      RegionTree::split(SplitAxis::horizontal, 0.4, RegionTree::leaf(0),
                                        RegionTree::split(SplitAxis::vertical, 0.5, RegionTree::leaf(1),
                                                          RegionTree::leaf(2))),
                      std::nullopt};
}

struct Events {
    std::vector<std::tuple<DividerPath, double, bool>> changes;
    std::vector<DividerPath> equalized;
    std::vector<bool> selections;
};

void wire(DividerEditorView& v, Events& e)
{
    v.onChange = [&e](const DividerPath& p, double pos, bool fin) { e.changes.emplace_back(p, pos, fin); };
    v.onEqualize = [&e](const DividerPath& p) { e.equalized.push_back(p); };
    v.onSelectionChange = [&e](bool s) { e.selections.push_back(s); };
}

TEST(DividerEditorView, HandlesAreCentredAndStopShortOfTheEnds)
{
    DividerEditorView v(twoColumns(), QRect(0, 0, 1000, 800));
    const auto ds = v.dividers();
    ASSERT_EQ(ds.size(), 2u);
    EXPECT_EQ(DividerEditorView::handleRect(ds[0], 1000, 800), QRectF(393, 48, 14, 704));
    EXPECT_EQ(DividerEditorView::handleRect(ds[1], 1000, 800), QRectF(448, 393, 504, 14));
    // An extent under 116 points gets a 20-point handle starting 48 in.
    DividerEditorView small(twoColumns(), QRect(0, 0, 1000, 100));
    const QRectF h = DividerEditorView::handleRect(small.dividers()[0], 1000, 100);
    EXPECT_EQ(h.height(), 20);
    EXPECT_EQ(h.top(), 48);
}

TEST(DividerEditorView, PressSelectsWithinFivePointsAndDeselectsBeyond)
{
    DividerEditorView v(twoColumns(), QRect(0, 0, 1000, 800));
    Events e;
    wire(v, e);
    QTest::mouseClick(&v, Qt::LeftButton, {}, QPoint(388, 400)); // 5 left of the handle
    ASSERT_TRUE(v.selectedPath());
    EXPECT_EQ(*v.selectedPath(), DividerPath{});
    QTest::mouseClick(&v, Qt::LeftButton, {}, QPoint(387, 400)); // 6 left
    EXPECT_FALSE(v.selectedPath());
    EXPECT_EQ(e.selections, (std::vector<bool>{true, false}));
    EXPECT_TRUE(e.changes.empty()); // clicks without movement change nothing
}

TEST(DividerEditorView, DragSendsIntermediatePositionsAndOneFinal)
{
    DividerEditorView v(twoColumns(), QRect(0, 0, 1000, 800));
    Events e;
    wire(v, e);
    QTest::mousePress(&v, Qt::LeftButton, {}, QPoint(700, 400)); // the row divider of the right column
    QTest::mouseMove(&v, QPoint(700, 480));
    QTest::mouseMove(&v, QPoint(700, 560));
    QTest::mouseRelease(&v, Qt::LeftButton, {}, QPoint(700, 600));
    ASSERT_EQ(e.changes.size(), 3u);
    const DividerPath second{true};
    EXPECT_EQ(e.changes[0], std::make_tuple(second, 0.6, false));
    EXPECT_EQ(e.changes[1], std::make_tuple(second, 0.7, false));
    EXPECT_EQ(e.changes[2], std::make_tuple(second, 0.75, true));
    EXPECT_FALSE(v.active());
    EXPECT_FALSE(v.dragged());
    EXPECT_EQ(*v.selectedPath(), second);

    // Positions are reported unclamped, beyond the view too.
    e.changes.clear();
    QTest::mousePress(&v, Qt::LeftButton, {}, QPoint(400, 300));
    QTest::mouseMove(&v, QPoint(-100, 300));
    QTest::mouseRelease(&v, Qt::LeftButton, {}, QPoint(-100, 300));
    ASSERT_EQ(e.changes.size(), 2u);
    EXPECT_DOUBLE_EQ(std::get<1>(e.changes[1]), -0.1);

    // A drag that starts off every handle reports no change.
    e.changes.clear();
    QTest::mousePress(&v, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(&v, QPoint(150, 100));
    QTest::mouseRelease(&v, Qt::LeftButton, {}, QPoint(150, 100));
    EXPECT_TRUE(e.changes.empty());
}

TEST(DividerEditorView, DoubleClickEqualizesAndKeepsTheSelection)
{
    DividerEditorView v(twoColumns(), QRect(0, 0, 1000, 800));
    Events e;
    wire(v, e);
    QTest::mouseDClick(&v, Qt::LeftButton, {}, QPoint(400, 300));
    EXPECT_EQ(e.equalized, (std::vector<DividerPath>{DividerPath{}}));
    EXPECT_TRUE(v.selectedPath());
    EXPECT_FALSE(v.active());
    EXPECT_TRUE(e.changes.empty());

    // The toolbar's 50/50 asks the same for the selection, and nothing without one.
    v.equalizeSelection();
    EXPECT_EQ(e.equalized.size(), 2u);
    QTest::mouseClick(&v, Qt::LeftButton, {}, QPoint(100, 100));
    v.equalizeSelection();
    EXPECT_EQ(e.equalized.size(), 2u);
}

TEST(DropSurfaces, PreviewIsArmedAndReturnTargetArmsOnce)
{
    PreviewView preview;
    EXPECT_TRUE(preview.surfaceArmed());
    EXPECT_EQ(preview.surfaceBorderWidth(), 4);
    EXPECT_NEAR(preview.surfaceFill().alphaF(), 0.44 * preview.palette().color(QPalette::Highlight).alphaF(), 0.01);

    ReturnTargetView target;
    EXPECT_FALSE(target.surfaceArmed());
    EXPECT_EQ(target.caption()->text(), "Previous position");
    target.setCaption(true);
    EXPECT_EQ(target.caption()->text(), "Release to return");
    EXPECT_TRUE(target.surfaceArmed());
    EXPECT_EQ(target.surfaceBorderWidth(), 4);

    // A caption set from outside stays when the armed state does not change.
    target.update("Swap with this window", "arrow.left.arrow.right", true, std::nullopt);
    EXPECT_EQ(target.caption()->text(), "Swap with this window");
    target.setCaption(true);
    EXPECT_EQ(target.caption()->text(), "Swap with this window");
    EXPECT_EQ(target.symbolName(), "arrow.left.arrow.right");
}

TEST(DropSurfaces, ReturnBadgeWidthAndPlacement)
{
    ReturnTargetView target;
    target.setAttribute(Qt::WA_DontShowOnScreen);
    target.show(); // resizes reach a shown view at once
    target.resize(100, 60);
    EXPECT_EQ(target.badge()->width(), 100); // never narrower
    EXPECT_EQ(target.badge()->y(), 60 - 8 - 46);
    target.resize(400, 300);
    EXPECT_EQ(target.badge()->width(), 236);
    EXPECT_EQ(target.badge()->x(), 82);
    EXPECT_EQ(target.badge()->y(), 32); // top 32 below the view's top
    EXPECT_EQ(target.caption()->width(), 236 - 59);
}

} // namespace
} // namespace fw
