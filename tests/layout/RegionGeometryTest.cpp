#include "TreeBuilders.h"
#include "layout/ScreenGeometry.h"
#include "layout/SnapLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace fw;

namespace {

const Rect kUnit(0, 0, 1, 1);

const RegionTree& builtInTree(const char* id)
{
    for (const auto& l : SnapLayout::builtIns()) {
        if (l.id == QLatin1String(id))
            return l.tree;
    }
    throw std::runtime_error(id);
}

} // namespace

TEST(RegionGeometry, DivideAlongEachAxis)
{
    auto [a, b] = divide(SplitAxis::horizontal, Rect(10, 20, 100, 50), 0.25);
    EXPECT_EQ(a, Rect(10, 20, 25, 50));
    EXPECT_EQ(b, Rect(35, 20, 75, 50));
    std::tie(a, b) = divide(SplitAxis::vertical, Rect(10, 20, 100, 50), 0.4);
    EXPECT_EQ(a, Rect(10, 20, 100, 20));
    EXPECT_EQ(b, Rect(10, 40, 100, 30));
}

TEST(RegionGeometry, UnitRects)
{
    EXPECT_EQ(L(4).unitRects(Rect(1, 2, 3, 4)), (std::map<RegionNumber, Rect>{{4, Rect(1, 2, 3, 4)}}));
    const auto rects = builtInTree("stack").unitRects(kUnit);
    ASSERT_EQ(rects.size(), 3u);
    EXPECT_EQ(rects.at(0), Rect(0, 0, 0.6, 1));
    EXPECT_EQ(rects.at(1), Rect(0.6, 0, 0.4, 0.5)); // first of a vertical split is on top
    EXPECT_EQ(rects.at(2), Rect(0.6, 0.5, 0.4, 0.5));
    // In an invalid tree the leaf met first keeps its rectangle.
    EXPECT_EQ(H(0.25, L(2), L(2)).unitRects(kUnit).at(2), Rect(0, 0, 0.25, 1));
}

TEST(RegionGeometry, FramesOfHalvesOnAVisibleFrame)
{
    const auto frames = builtInTree("halves").frames(Rect(0, 25, 1440, 875), 8);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames.at(0), Rect(8, 33, 708, 859));
    EXPECT_EQ(frames.at(1), Rect(724, 33, 708, 859));
}

TEST(RegionGeometry, FramesOfThreeColumnsSnapOutward)
{
    const auto frames = builtInTree("thirds").frames(Rect(0, 0, 1000, 600), 8);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames.at(0), Rect(8, 8, 323, 584));
    EXPECT_EQ(frames.at(1), Rect(338, 8, 324, 584));
    EXPECT_EQ(frames.at(2), Rect(669, 8, 323, 584));
}

TEST(RegionGeometry, EdgeSnapping)
{
    // The only region of a leaf has the visible frame inset by the gap: choose frames whose
    // inset edges land on the values under test.
    auto only = [](Rect display) { return L(0).frames(display, 8).at(0); };
    // 100.00000005 is within 1e-7 of 100: both a minimum and a maximum edge snap to 100.
    Rect f = only(Rect(92.00000005, 92.00000005, 100, 100));
    EXPECT_EQ(f.minX(), 100);
    EXPECT_EQ(f.minY(), 100);
    f = only(Rect(0, 0, 108.00000005, 108.00000005));
    EXPECT_EQ(f.maxX(), 100);
    EXPECT_EQ(f.maxY(), 100);
    // 100.3 rounds down as a left/top edge and up as a right/bottom edge.
    f = only(Rect(92.3, 92.3, 100, 100));
    EXPECT_EQ(f.minX(), 100);
    EXPECT_EQ(f.minY(), 100);
    EXPECT_EQ(f.maxX(), 185); // 92.3 + 100 − 8 = 184.3
    f = only(Rect(0, 0, 108.3, 108.3));
    EXPECT_EQ(f.maxX(), 101);
    EXPECT_EQ(f.maxY(), 101);
    // Slightly below a whole number but not within 1e-7: floor still moves it outward.
    f = only(Rect(91.9999, 0, 100, 100));
    EXPECT_EQ(f.minX(), 99);
}

TEST(RegionGeometry, FramesKeepGapsOnEveryBuiltIn)
{
    const Rect display(0, 30, 1917, 1043); // odd sizes make fractional edges
    for (const auto& layout : SnapLayout::builtIns()) {
        SCOPED_TRACE(layout.id.toStdString());
        const auto frames = layout.tree.frames(display, 8);
        const auto unit = layout.tree.unitRects(kUnit);
        ASSERT_EQ(frames.size(), unit.size());
        for (const auto& [n, f] : frames) {
            EXPECT_EQ(f.minX(), std::floor(f.minX()));
            EXPECT_EQ(f.maxY(), std::floor(f.maxY()));
            EXPECT_TRUE(display.insetBy(8, 8).contains(f)) << toString(f).toStdString();
            for (const auto& [m, g] : frames) {
                if (m == n)
                    continue;
                // Neighbours keep 6 to 8 points apart; never overlap.
                const Rect grown = f.insetBy(-6, -6);
                EXPECT_FALSE(grown.intersection(g).width() > 0 && grown.intersection(g).height() > 0)
                    << n << " and " << m;
            }
        }
    }
}

TEST(RegionGeometry, TinyRegionsStayFinite)
{
    const auto frames = H(0.08, L(0), L(1)).frames(Rect(0, 0, 60, 40), 8);
    for (const auto& [n, f] : frames) {
        EXPECT_TRUE(f.isFinite()) << n;
        EXPECT_GE(f.width(), 0);
    }
}

TEST(RegionGeometry, DividersInPreOrder)
{
    EXPECT_TRUE(L(0).dividers(kUnit).empty());
    const auto d = builtInTree("quarters").dividers(kUnit);
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(d[0], (RegionTree::Divider{{}, SplitAxis::horizontal, kUnit, 0.5}));
    EXPECT_EQ(d[1], (RegionTree::Divider{{false}, SplitAxis::vertical, Rect(0, 0, 0.5, 1), 0.5}));
    EXPECT_EQ(d[2], (RegionTree::Divider{{true}, SplitAxis::vertical, Rect(0.5, 0, 0.5, 1), 0.5}));

    const auto deep = builtInTree("thirds-right-stack").dividers(Rect(0, 0, 900, 600));
    ASSERT_EQ(deep.size(), 3u);
    EXPECT_EQ(deep[2].path, (DividerPath{true, true}));
    EXPECT_EQ(deep[2].axis, SplitAxis::vertical);
    EXPECT_DOUBLE_EQ(deep[2].position, 300);
    EXPECT_DOUBLE_EQ(deep[1].position, 600);
}

TEST(ScreenGeometry, KeysContainmentAndCoordinates)
{
    const ScreenInfo primary{"3f1c5a2e-0000-4000-8000-0123456789ab", "DP-1", Rect(0, 0, 1920, 1080),
                             Rect(0, 30, 1920, 1050), true};
    const ScreenInfo above{"", "HDMI-1", Rect(200, -900, 1600, 900), Rect(200, -900, 1600, 900), false};
    const ScreenInfo twin{"", "HDMI-1", Rect(1920, 0, 1600, 900), Rect(1920, 0, 1600, 900), false};
    const std::vector<ScreenInfo> screens{primary, above, twin};

    EXPECT_EQ(displayKey(primary), "3f1c5a2e-0000-4000-8000-0123456789ab");
    EXPECT_EQ(displayKey(above), "HDMI-1");
    EXPECT_EQ(displayKey(above), displayKey(twin)); // same name, no key: shared

    EXPECT_EQ(containing(screens, Point{500, -10}), above);
    EXPECT_EQ(containing(screens, Point{1919, 1079}), primary);
    EXPECT_EQ(containing(screens, Point{1920, 10}), twin); // maximum edge belongs to the next
    EXPECT_EQ(containing(screens, Point{5000, 0}), std::nullopt);
    EXPECT_EQ(containing({}, Point{0, 0}), std::nullopt);

    EXPECT_EQ(topLeftVisibleFrame(primary), Rect(0, 30, 1920, 1050));
    EXPECT_EQ(primaryScreenMaxY(screens), 1080);
    EXPECT_EQ(primaryScreenMaxY({}), 0);
    const Rect r(100, 50, 400, 300);
    EXPECT_EQ(topLeftRect(r, screens), Rect(100, 730, 400, 300));
    EXPECT_EQ(topLeftRect(topLeftRect(r, screens), screens), r);
    EXPECT_EQ(topLeftRect(r, {}), Rect(100, -350, 400, 300));
}
