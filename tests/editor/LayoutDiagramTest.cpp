// Layout diagrams: drawn once per tree, apps and palette, shared by layouts that differ only in
// name, the cache emptied whole past 256 entries, and regions with apps tinted lighter.
#include "EditorFixture.h"

#include "editor/qt/LayoutDiagram.h"

namespace fw {
namespace {

TEST(LayoutDiagram, CachedPerTreeAndAppsAndTintedByApps)
{
    resetLayoutDiagramCache();
    const SnapLayout a{"a", "A", H(0.5, L(0), L(1)), SnapLayout::AppMap{{1, {}}}};
    const SnapLayout b{"b", "B", a.tree, a.apps};
    const QPixmap first = layoutDiagramImage(a);
    EXPECT_EQ(first.size(), QSize(144, 84));
    EXPECT_EQ(first.deviceIndependentSize(), QSizeF(72, 42));
    EXPECT_EQ(layoutDiagramImage(b).cacheKey(), first.cacheKey()) << "drawn once for both names";
    EXPECT_EQ(layoutDiagramCacheSize(), 1u);
    EXPECT_TRUE(layoutDiagramKey(SnapLayout{"c", "C", a.tree, std::nullopt}, false).endsWith("|"));
    EXPECT_TRUE(layoutDiagramKey(SnapLayout{"c", "C", a.tree, SnapLayout::AppMap{{0, {"x", "y"}}, {3, {"z"}}}}, true)
                    .endsWith("|0=x,y;3=z"));

    // An empty app list tints like no apps; a region with an app is lighter.
    const SnapLayout withApp{"d", "D", a.tree, SnapLayout::AppMap{{1, {"not-installed"}}}};
    const QImage empty = first.toImage();
    const QImage tinted = layoutDiagramImage(withApp).toImage();
    EXPECT_EQ(empty.pixelColor(40, 42), empty.pixelColor(104, 42));
    EXPECT_LT(tinted.pixelColor(104, 42).alpha(), tinted.pixelColor(40, 42).alpha());

    for (int i = 0; layoutDiagramCacheSize() < 257; ++i)
        layoutDiagramImage(SnapLayout{"n", "N", H(0.1 + i * 0.003, L(0), L(1)), std::nullopt});
    EXPECT_EQ(layoutDiagramCacheSize(), 257u);
    layoutDiagramImage(SnapLayout{"m", "M", V(0.5, L(0), L(1)), std::nullopt});
    EXPECT_EQ(layoutDiagramCacheSize(), 1u) << "the 258th entry starts a fresh cache";
}

} // namespace
} // namespace fw
