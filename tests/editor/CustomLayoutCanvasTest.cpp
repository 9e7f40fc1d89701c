// The editor canvas: what a press, drag, double-click or arrow key does to the draft, what it
// announces, and what a region with apps draws.
#include "EditorFixture.h"

#include "editor/CanvasGeometry.h"
#include "editor/qt/CustomLayoutCanvas.h"

#include <QKeyEvent>
#include <QTest>

#include <cmath>
#include <vector>

namespace fw {
namespace {

using test::EditorFixture;

struct Canvas : EditorFixture {
    // Columns: region 0 | rows 1 over 2. Root divider at x 366, the inner one at y 155 from x 366.
    CustomLayoutCanvas canvas{H(0.5, L(0), V(0.5, L(1), L(2))), QRect(0, 0, 732, 310)};
    int changes = 0;

    void SetUp() override
    {
        EditorFixture::SetUp();
        canvas.onChange = [this] { ++changes; };
    }
};

TEST_F(Canvas, PressesSelectDragsCommitOnReleaseAndOverlapsPickTheDeeperDivider)
{
    EXPECT_EQ(canvas.draft.selectedRegion, 0);
    test::press(&canvas, {600, 250});
    test::release(&canvas, {600, 250});
    EXPECT_EQ(canvas.draft.selectedRegion, 2);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(canvas.draft.undoTrees.empty()) << "selecting is not an edit";

    // Both bands hold (368, 155): the inner divider (longer path) is the one that moves, past
    // the canvas edge and clamped to 0.92; the draft changes only on release.
    test::press(&canvas, {368, 155});
    ASSERT_TRUE(canvas.dragDivider());
    EXPECT_EQ(canvas.dragDivider()->path, DividerPath{true});
    test::moveTo(&canvas, {368, 500});
    ASSERT_TRUE(canvas.previewTree());
    EXPECT_EQ(canvas.shownTree(), H(0.5, L(0), V(0.92, L(1), L(2))));
    EXPECT_EQ(canvas.draft.tree, H(0.5, L(0), V(0.5, L(1), L(2))));
    test::release(&canvas, {368, 500});
    EXPECT_EQ(canvas.draft.tree, H(0.5, L(0), V(0.92, L(1), L(2))));
    EXPECT_EQ(canvas.draft.undoTrees.size(), 1u);
    EXPECT_FALSE(canvas.previewTree());
    EXPECT_FALSE(canvas.dragDivider());
    EXPECT_EQ(changes, 2);

    // A drag that ends where it began adds no undo step but still announces itself.
    test::drag(&canvas, {366, 40}, {366, 40});
    EXPECT_EQ(canvas.draft.undoTrees.size(), 1u);
    EXPECT_EQ(changes, 3);

    // The root divider dragged off the left edge stops at 0.08.
    test::drag(&canvas, {363, 40}, {-200, 40});
    EXPECT_DOUBLE_EQ(canvas.draft.tree.ratio(), 0.08);
    EXPECT_EQ(canvas.draft.undoTrees.size(), 2u);
    EXPECT_EQ(changes, 4);
    const double x = 0.08 * 732;

    // A press outside every region and divider changes and announces nothing; so does a plain
    // click on a divider.
    test::press(&canvas, {-20, -20});
    test::release(&canvas, {-20, -20});
    test::press(&canvas, {x, 40});
    test::release(&canvas, {x, 40});
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(canvas.draft.selectedRegion, 2);
}

TEST_F(Canvas, DoubleClickEqualisesWhenTheTreeAllowsIt)
{
    canvas.draft = CustomLayoutDraft(H(0.3, L(0), V(0.5, L(1), L(2))));
    test::doubleClick(&canvas, {0.3 * 732, 100});
    EXPECT_EQ(canvas.draft.tree, H(0.5, L(0), V(0.5, L(1), L(2))));
    EXPECT_EQ(canvas.draft.undoTrees.size(), 1u);
    EXPECT_FALSE(canvas.dragDivider());
    EXPECT_EQ(changes, 1);

    // Region 1 is 0.08 wide right of the root divider at 0.2: the middle is out of reach.
    const RegionTree narrow = H(0.2, L(0), H(0.1, L(1), L(2)));
    canvas.draft = CustomLayoutDraft(narrow);
    test::doubleClick(&canvas, {0.2 * 732, 100});
    EXPECT_EQ(canvas.draft.tree, narrow);
    EXPECT_TRUE(canvas.draft.undoTrees.empty());
    EXPECT_FALSE(canvas.dragDivider());
    EXPECT_EQ(changes, 1);
}

TEST_F(Canvas, ArrowKeysWalkRegionsInReadingOrderAndWrap)
{
    // Tree numbers not in screen order: the regions show 1 (left, 3), 2 (top right, 0) and
    // 3 (bottom right, 7), and the keys follow what they show.
    canvas.draft = CustomLayoutDraft(H(0.5, L(3), V(0.5, L(0), L(7))));
    EXPECT_EQ(canvas::readingOrder(canvas.draft.tree), (std::vector<RegionNumber>{3, 0, 7}));
    EXPECT_EQ(canvas::shownNumber(canvas.draft.tree, 0), 2);
    const auto key = [&](Qt::Key k) {
        QKeyEvent event(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(&canvas, &event);
        return event.isAccepted();
    };
    EXPECT_EQ(canvas.draft.selectedRegion, 0);
    key(Qt::Key_Right);
    EXPECT_EQ(canvas.draft.selectedRegion, 7);
    key(Qt::Key_Down);
    EXPECT_EQ(canvas.draft.selectedRegion, 3) << "down on the last wraps to the first";
    key(Qt::Key_Right);
    EXPECT_EQ(canvas.draft.selectedRegion, 0);
    key(Qt::Key_Up);
    key(Qt::Key_Up);
    EXPECT_EQ(canvas.draft.selectedRegion, 7) << "up on the first wraps to the last";
    EXPECT_EQ(changes, 5);

    // A selection the tree lacks counts as the first place.
    canvas.draft.selectedRegion = 9;
    key(Qt::Key_Left);
    EXPECT_EQ(canvas.draft.selectedRegion, 7);
    canvas.draft.selectedRegion = 9;
    key(Qt::Key_Right);
    EXPECT_EQ(canvas.draft.selectedRegion, 0);

    EXPECT_FALSE(key(Qt::Key_A)) << "other keys go on to the window";
    EXPECT_EQ(changes, 7);
}

TEST_F(Canvas, EqualAppsRedrawWithoutAnnouncing)
{
    canvas.setApps({{0, {"a"}}});
    canvas.setApps({{0, {"a"}}});
    EXPECT_EQ(changes, 1);
    canvas.setApps({});
    EXPECT_EQ(changes, 2);
}

QColor pixelAt(const QImage& image, const Rect& r, double fx, double fy)
{
    return image.pixelColor(int(r.minX() + r.width() * fx), int(r.minY() + r.height() * fy));
}

TEST_F(Canvas, ARegionDrawsAtMostFourIconsFirstOnTopAndASmallRegionNone)
{
    install("red", "Red", Qt::red);
    for (const char* id : {"b1", "b2", "b3", "b4"})
        install(id, id, Qt::blue);
    // Region 2 is 0.08 of 310 high: too small for a 16-point icon.
    canvas.draft = CustomLayoutDraft(V(0.92, H(0.5, L(0), L(1)), L(2)));
    canvas.setApps({{0, {"red", "b1", "b2", "b3", "b4"}}, {2, {"red"}}});
    const QImage image = canvas.grab().toImage();

    const auto units = canvas.draft.tree.unitRects(canvas::unitSquare());
    const Rect region0 = canvas::viewRect(units.at(0), {732, 310}).insetBy(5, 5);
    const auto labels = canvas::regionLabels(region0, 5);
    ASSERT_EQ(labels.icons.size(), 4u);
    EXPECT_EQ(pixelAt(image, labels.icons[0], 0.3, 0.5), QColor(Qt::red)) << "the first app lies on top";
    EXPECT_EQ(pixelAt(image, labels.icons[3], 0.9, 0.5), QColor(Qt::blue));
    const QColor beyond = image.pixelColor(int(labels.icons[3].maxX()) + 3, int(labels.icons[3].midY()));
    EXPECT_NE(beyond, QColor(Qt::blue)) << "no fifth icon";

    const Rect region2 = canvas::viewRect(units.at(2), {732, 310});
    for (int x = int(region2.minX()); x < int(region2.maxX()); x += 2)
        for (int y = int(region2.minY()); y < int(region2.maxY()); ++y)
            ASSERT_NE(image.pixelColor(x, y), QColor(Qt::red)) << x << "," << y;
    EXPECT_LT(canvas::regionLabels(region2.insetBy(5, 5), 1).iconSide, 16);
}

// Shares in whole percent: every row and column of regions adds up to 100, and no region shows
// more than its size rounded up or less than rounded down.
TEST(CanvasTexts, SharesAddUpAndFollowTheRealSizes)
{
    const auto check = [](const RegionTree& tree) {
        const auto s = canvas::shares(tree);
        for (const auto& [region, unit] : tree.unitRects(canvas::unitSquare())) {
            const canvas::Share share = s.at(region);
            EXPECT_GE(share.width, std::floor(unit.width() * 100 - 1e-9)) << region;
            EXPECT_LE(share.width, std::ceil(unit.width() * 100 + 1e-9)) << region;
            EXPECT_GE(share.height, std::floor(unit.height() * 100 - 1e-9)) << region;
            EXPECT_LE(share.height, std::ceil(unit.height() * 100 + 1e-9)) << region;
        }
        return s;
    };
    using S = canvas::Share;
    // Three equal columns: 100, not 99 or 101.
    auto s = check(H(1.0 / 3, L(0), H(0.5, L(1), L(2))));
    EXPECT_EQ(s.at(0).width + s.at(1).width + s.at(2).width, 100);
    // Columns of 33.5, 33.5 and 33: rounding each alone gave 34 + 34 + 33.
    s = check(H(0.335, L(0), H(0.335 / 0.665, L(1), L(2))));
    EXPECT_EQ(s.at(0).width + s.at(1).width + s.at(2).width, 100);
    EXPECT_EQ(s.at(2), (S{33, 100}));
    // The smallest of three columns (33.4, 33.2, 33.4) never shows the most.
    s = check(H(0.334, L(0), H(0.332 / 0.666, L(1), L(2))));
    EXPECT_EQ(s.at(1).width, 33);
    EXPECT_EQ(s.at(0).width + s.at(1).width + s.at(2).width, 100);
    // Nested: the left stack's rows and the right columns each add up, across and down.
    s = check(H(1.0 / 3, V(0.125, L(0), L(3)), H(0.5, L(1), L(2))));
    EXPECT_EQ(s.at(0).height + s.at(3).height, 100);
    EXPECT_EQ(s.at(0).width + s.at(1).width + s.at(2).width, 100);
    EXPECT_EQ(s.at(3).width, s.at(0).width);
    EXPECT_EQ(canvas::sizeLabel(S{13, 100}), "13% × 100%");
}

TEST(CanvasTexts, AppNames)
{
    EXPECT_EQ(canvas::appNamesText({"Mail"}), "Mail");
    EXPECT_EQ(canvas::appNamesText({"Mail", "Notes"}), "Mail + Notes");
    EXPECT_EQ(canvas::appNamesText({"Mail", "Notes", "Files", "Music", "Maps"}), "Mail + 4 more");
}

} // namespace
} // namespace fw
