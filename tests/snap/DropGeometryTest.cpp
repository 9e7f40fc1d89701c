// The drop geometry's tables: the tile menu's layout and hit test, dwell records, grabbed
// edges and resize tests, the region, rectangle and corner under the pointer, covered regions
// and span captions, and the tree walks.
#include "snap/DropActionMenu.h"
#include "snap/DropGeometry.h"
#include "snap/DropHover.h"

#include "layout/TreeBuilders.h"

#include <gtest/gtest.h>

#include <unordered_map>

using namespace fw;

namespace {

using Kind = RegionDropIntent::Kind;
using E = RegionEdge;

std::vector<Rect> tileFrames(const DropActionMenu& menu)
{
    std::vector<Rect> out;
    for (const auto& item : menu.items)
        out.push_back(item.frame);
    return out;
}

} // namespace

TEST(DropMenuLayout, OneRowWhenTheTilesFitElseTwoCentredRows)
{
    // 400 wide: (400 − 20 + 8) / 120 = 3.2 → three tiles fit in one row.
    const Rect wide(100, 200, 400, 300);
    const auto three = DropActionMenu::centeredIn(
        wide, {RegionDropIntent::place(1), RegionDropIntent::split(1, true), RegionDropIntent::swap(1)});
    EXPECT_EQ(three.frame, Rect(114, 294, 372, 112));
    EXPECT_EQ(tileFrames(three), (std::vector<Rect>{Rect(124, 304, 112, 92), Rect(244, 304, 112, 92),
                                                     Rect(364, 304, 112, 92)}));
    EXPECT_EQ(three.items[0].title, u"Add to Stack");
    EXPECT_EQ(three.items[1].symbol, u"rectangle.tophalf.inset.filled");
    EXPECT_EQ(three.items[2].title, u"Swap");

    // 250 wide fits one tile: five intents go into rows of three and two, the second centred.
    const Rect narrow(0, 0, 250, 301);
    std::vector<RegionDropIntent> five{RegionDropIntent::putBack(2),       RegionDropIntent::splitSide(2, true),
                                       RegionDropIntent::splitSide(2, false), RegionDropIntent::split(2, true),
                                       RegionDropIntent::fillColumn(2)};
    const auto twoRows = DropActionMenu::centeredIn(narrow, five, {{RegionDropIntent::fillColumn(2),
                                                                    {u"Whole Row"_qs, u"rectangle.inset.filled"_qs}}});
    // Origin: round(125 − 186) = −61, round(150.5 − 106) = 45 (halves away from zero).
    EXPECT_EQ(twoRows.frame, Rect(-61, 45, 372, 212));
    EXPECT_EQ(tileFrames(twoRows),
              (std::vector<Rect>{Rect(-51, 55, 112, 92), Rect(69, 55, 112, 92), Rect(189, 55, 112, 92),
                                 Rect(9, 155, 112, 92), Rect(129, 155, 112, 92)}));
    EXPECT_EQ(twoRows.items[4].title, u"Whole Row");
    EXPECT_EQ(twoRows.items[4].symbol, u"rectangle.inset.filled");
    EXPECT_EQ(twoRows.items[0].title, u"Put Back");

    // Four intents in a target that fits two: two rows of two.
    EXPECT_EQ(DropActionMenu::centeredIn(Rect(0, 0, 260, 400), {five.begin(), five.begin() + 4}).frame.size,
              Size(252, 212));
    EXPECT_EQ(DropActionMenu::centeredIn(wide, {RegionDropIntent::place(0)}).frame.size, Size(132, 112));
    const auto empty = DropActionMenu::centeredIn(wide, {});
    EXPECT_TRUE(empty.items.empty());
    EXPECT_EQ(empty.frame, Rect(234, 344, 132, 12));
    EXPECT_FALSE(empty.item({300, 350}));
}

TEST(DropMenuLayout, HitTestPicksTheNearestTileInsideTheFrameOnly)
{
    const auto menu = DropActionMenu::centeredIn(
        Rect(100, 200, 400, 300), {RegionDropIntent::place(1), RegionDropIntent::split(1, true), RegionDropIntent::swap(1)});
    // Frame (114, 294, 372, 112); tile centres at x 180, 300, 420 and y 350.
    EXPECT_EQ(menu.item({115, 295}), RegionDropIntent::place(1));  // margin: nearest tile
    EXPECT_EQ(menu.item({290, 405}), RegionDropIntent::split(1, true));
    EXPECT_EQ(menu.item({485.5, 350}), RegionDropIntent::swap(1));
    EXPECT_EQ(menu.item({240, 350}), RegionDropIntent::place(1)); // halfway: the earlier tile
    EXPECT_FALSE(menu.item({113, 350}));                          // one point outside
    EXPECT_FALSE(menu.item({300, 406}));                          // the frame's bottom edge is outside
}

// On a display of scale 1.5 or 2 the tiles keep their logical size, so the menu's device
// frames grow by the scale (whole device pixels), the rows follow the larger tiles, and the
// hit test answers on those same frames.
TEST(DropMenuLayout, TilesTakeTheDisplaysScaleInDevicePixels)
{
    const std::vector<RegionDropIntent> three{RegionDropIntent::place(1), RegionDropIntent::split(1, true),
                                              RegionDropIntent::swap(1)};
    const Rect wide(100, 200, 800, 600);
    const auto doubled = DropActionMenu::centeredIn(wide, three, {}, 2);
    EXPECT_EQ(doubled.frame, Rect(128, 388, 744, 224));
    EXPECT_EQ(tileFrames(doubled), (std::vector<Rect>{Rect(148, 408, 224, 184), Rect(388, 408, 224, 184),
                                                       Rect(628, 408, 224, 184)}));
    EXPECT_EQ(doubled.item({500, 500}), RegionDropIntent::split(1, true));
    EXPECT_EQ(doubled.item({850, 590}), RegionDropIntent::swap(1));
    EXPECT_FALSE(doubled.item({127, 500}));

    // 1.5: tiles 168 × 138, 12 apart, 15 from the edge; 400 device pixels hold two columns
    // ((400 − 30 + 12) / 180 = 2.1), where at scale 1 three fit.
    const auto half = DropActionMenu::centeredIn(Rect(100, 200, 400, 300), three, {}, 1.5);
    EXPECT_EQ(half.frame.size, Size(378, 318));
    EXPECT_EQ(tileFrames(half)[1], Rect(half.frame.minX() + 195, half.frame.minY() + 15, 168, 138));
    EXPECT_EQ(tileFrames(half)[2].minY(), half.frame.minY() + 165);
    for (const auto& tile : half.items)
        EXPECT_EQ(half.item({tile.frame.midX(), tile.frame.midY()}), tile.intent);
    EXPECT_EQ(DropActionMenu::centeredIn(wide, {}, {}, 2).frame.size, Size(264, 24));
    EXPECT_EQ(DropActionMenu::centeredIn(wide, three, {}, 0).frame, DropActionMenu::centeredIn(wide, three).frame)
        << "a scale that is no scale counts as 1";
}

TEST(DropMenuLayout, IntentsAsKeysAndTheirDefaultTexts)
{
    std::unordered_map<RegionDropIntent, int> keys;
    for (const auto& i : {RegionDropIntent::split(3, true), RegionDropIntent::split(3, false),
                          RegionDropIntent::splitSide(3, true), RegionDropIntent::swap(3), RegionDropIntent::place(3),
                          RegionDropIntent::place(4), RegionDropIntent::split(3, true)})
        ++keys[i];
    EXPECT_EQ(keys.size(), 6u);
    EXPECT_EQ(keys[RegionDropIntent::split(3, true)], 2);
    EXPECT_EQ(RegionDropIntent::choose(1).defaultTitleAndSymbol(), TileText());
    EXPECT_EQ(RegionDropIntent::split(0, false).defaultTitleAndSymbol(),
              (TileText{u"Bottom Half"_qs, u"rectangle.bottomhalf.inset.filled"_qs}));
    EXPECT_EQ(RegionDropIntent::splitSide(0, false).defaultTitleAndSymbol().title, u"Right Half");
    EXPECT_EQ(RegionDropIntent::fillColumn(0).defaultTitleAndSymbol(),
              (TileText{u"Whole Column"_qs, u"rectangle.portrait.inset.filled"_qs}));
    EXPECT_EQ(RegionDropIntent::putBack(0).defaultTitleAndSymbol().symbol, u"arrow.uturn.backward");
}

TEST(DropHoverDwell, HeldOnlyAfterTheDelayOnTheSameKey)
{
    DropHover<int> hover;
    EXPECT_FALSE(hover.isHeld(1, 10s, 200ms));
    EXPECT_FALSE(hover.isHeld(1, 10s + 199ms, 200ms));
    EXPECT_TRUE(hover.isHeld(1, 10s + 200ms, 200ms));
    EXPECT_FALSE(hover.isHeld(2, 11s, 200ms)); // a new key starts over
    EXPECT_EQ(hover.entered, 11s);
    EXPECT_FALSE(hover.isHeld(std::nullopt, 12s, 0ms));
    EXPECT_FALSE(hover.key);
    EXPECT_TRUE(hover.isHeld(2, 12s, 0ms)); // no delay: held at once
}

TEST(DropGeometryEdges, EdgesWithinReachOfThePress)
{
    const Rect frame(100, 100, 400, 300);
    const struct {
        Point p;
        EdgeSet edges;
    } cases[] = {
        {{300, 93}, {}},                 // 7 above the top: outside the top's 6-point reach
        {{300, 94}, {E::top}},           // 6 above
        {{108, 106}, {E::left, E::top}}, // 8 inside the left edge, 6 inside the top
        {{108, 108}, {E::left}},         // 8 inside the top is no top
        {{492, 395}, {E::right, E::bottom}},
        {{92, 250}, {E::left}},
        {{91, 250}, {}},                 // beyond the frame grown by 8
        {{300, 250}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(edgesNear(c.p, frame), c.edges) << c.p.x << "," << c.p.y;
}

TEST(DropGeometryEdges, ResizeMoveAndDraggedEdges)
{
    const Rect from(100, 100, 400, 300);
    EXPECT_FALSE(frameChanged(Rect(100, 100, 404, 300), from));  // exactly 4: no resize
    EXPECT_TRUE(frameChanged(Rect(100, 100, 404.5, 300), from));
    EXPECT_FALSE(frameChanged(Rect(96, 90, 400, 300), from));    // a moved origin with the size kept is no resize

    EXPECT_TRUE(movedWithoutResize(Rect(103, 102.5, 403.9, 300), from));
    EXPECT_FALSE(movedWithoutResize(Rect(103, 100, 400, 300), from));  // moved exactly 3
    EXPECT_FALSE(movedWithoutResize(Rect(150, 100, 404, 300), from));  // resized by 4
    // With an edge grabbed the size is kept within 2: a top-left corner dragged 2.2 points
    // moves the origin by more than 3 and is no move.
    EXPECT_TRUE(movedWithoutResize(Rect(96, 90, 402, 298), from, {E::top}));
    EXPECT_FALSE(movedWithoutResize(Rect(97.8, 97.8, 402.2, 302.2), from, {E::left, E::top}));
    EXPECT_TRUE(movedWithoutResize(Rect(97.8, 97.8, 402.2, 302.2), from));

    EXPECT_EQ(frameDraggingEdges(from, {E::left, E::top}, {50, 60}), Rect(50, 60, 450, 340));
    EXPECT_EQ(frameDraggingEdges(from, {E::right}, {20, 0}), Rect(100, 100, 1, 300)); // past the left edge
    EXPECT_EQ(frameDraggingEdges(from, {E::top}, {0, 900}), Rect(100, 399, 400, 1));
    EXPECT_EQ(frameDraggingEdges(from, {E::bottom, E::right}, {700, 800}), Rect(100, 100, 600, 700));
    EXPECT_EQ(frameDraggingEdges(from, {}, {700, 800}), from);
}

TEST(DropGeometryEdges, DividerHandlesAndBestOverlap)
{
    const Rect display(0, 0, 1008, 808); // inset by 4: (4, 4, 1000, 800)
    const auto dividers = H(0.5, L(0), V(0.25, L(1), L(2))).dividers(kUnitSquare);
    ASSERT_EQ(dividers.size(), 2u);
    EXPECT_EQ(dividerHandleRect(dividers[0], display), Rect(501, 16, 6, 776));
    EXPECT_EQ(dividerHandleRect(dividers[1], display), Rect(516, 201, 476, 6));
    RegionTree::Divider tiny{{}, SplitAxis::vertical, Rect(0, 0, 0.01, 1), 0.5};
    EXPECT_EQ(dividerHandleRect(tiny, display).width(), 1);
    // At scale 2 the bar is 12 device pixels thick, still centred on the divider, and 24 short
    // of each end; at 1.5, 9 thick.
    EXPECT_EQ(dividerHandleRect(dividers[0], display, 2), Rect(498, 28, 12, 752));
    EXPECT_EQ(dividerHandleRect(dividers[1], display, 1.5), Rect(522, 199.5, 464, 9));

    const std::vector<Rect> screens{Rect(0, 0, 100, 100), Rect(100, 0, 100, 100), Rect(200, 0, 100, 100)};
    EXPECT_EQ(bestOverlapIndex(Rect(70, 0, 80, 10), screens), 1u);
    EXPECT_EQ(bestOverlapIndex(Rect(50, 0, 100, 10), screens), 0u); // equal shares: the first
    EXPECT_FALSE(bestOverlapIndex(Rect(300, 0, 10, 10), screens));  // touching is no overlap
}

TEST(DropGeometryPointer, RegionUnderPointInRegionsGapsAndAtBoundaries)
{
    // Two columns 8 apart and a row below them: the gap between 0 and 1 runs from x 100 to 108.
    const std::map<RegionNumber, Rect> frames{
        {0, Rect(0, 0, 100, 200)}, {1, Rect(108, 0, 100, 200)}, {2, Rect(0, 208, 208, 100)}};
    const Rect display(-4, -4, 216, 316);
    const struct {
        Point p;
        std::optional<RegionNumber> region;
    } cases[] = {
        {{50, 50}, 0},
        {{99.99, 50}, 0},
        {{100, 50}, 0},   // on the shared boundary: region 0's clamp is 99.99, region 1's is 108
        {{103.9, 50}, 0},
        {{104, 50}, 1},   // the exact middle of the gap: 4.01 to region 0, 4 to region 1
        {{107, 204}, 2},  // in the gaps' crossing: 4 from region 2, 4.13 from region 1
        {{150, 203.9}, 1},
        {{-3, 100}, 0},   // in the display's margin, within 8 of region 0
        {{212, 300}, std::nullopt}, // outside the display
        {{50, -4}, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(regionUnderPoint(c.p, frames, display), c.region) << c.p.x << "," << c.p.y;

    // Far from every region, or beyond 8 points.
    EXPECT_FALSE(regionUnderPoint({500, 500}, frames, Rect(0, 0, 1000, 1000)));
    EXPECT_FALSE(regionUnderPoint({216.5, 50}, frames, Rect(0, 0, 1000, 1000)));
    // Two regions at the same distance: the lower number.
    EXPECT_EQ(regionUnderPoint({50, 50}, {{5, Rect(0, 0, 100, 100)}, {2, Rect(0, 0, 100, 100)}}, display), 2);
}

TEST(DropGeometryPointer, RectIndexKeepsThePreviousRectangleNearby)
{
    const std::vector<Rect> rects{Rect(0, 0, 100, 100), Rect(100, 0, 100, 100), Rect(50, 50, 100, 100)};
    EXPECT_EQ(rectIndex({120, 10}, rects, std::nullopt), 1u);
    EXPECT_EQ(rectIndex({120, 10}, rects, 0), 0u);  // 20.01 from the previous rectangle: kept
    EXPECT_EQ(rectIndex({130, 10}, rects, 0), 1u);  // 30 inside the neighbour: switches
    EXPECT_EQ(rectIndex({120, 10}, rects, 7), 1u);  // a previous index out of range
    EXPECT_EQ(rectIndex({60, 60}, rects, std::nullopt), 0u); // the first rectangle holding the point
    EXPECT_EQ(rectIndex({60, 60}, rects, 2), 2u);
    EXPECT_FALSE(rectIndex({300, 10}, rects, 0));
}

TEST(DropGeometryPointer, NearOtherRectanglesAndCorners)
{
    const Rect in(0, 0, 100, 100);
    const std::vector<Rect> others{Rect(130, 0, 100, 100)};
    EXPECT_TRUE(isNearOtherRect({99, 50}, others, in));
    EXPECT_FALSE(isNearOtherRect({97, 50}, others, in));
    EXPECT_FALSE(isNearOtherRect({140, 50}, others, in)); // not in the rectangle

    // A display with a 25-point menu bar and a dock of 60 at the left.
    const Rect frame(0, 0, 1600, 1000), visible(60, 25, 1540, 975);
    const struct {
        Point p;
        std::optional<SnapCorner> corner;
    } cases[] = {
        {{72, 49}, SnapCorner::topLeft}, // the dock pushes the left reach to 60 + 12
        {{73, 49}, std::nullopt},
        {{72, 50}, std::nullopt},        // top corners need y ≤ 25 + 24
        {{1576, 10}, SnapCorner::topRight},
        {{1575, 10}, std::nullopt},
        {{10, 976}, SnapCorner::bottomLeft},
        {{1599, 999}, SnapCorner::bottomRight},
        {{1600, 999}, std::nullopt},     // outside the display frame
        {{800, 500}, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(snapCornerAt(c.p, frame, visible), c.corner) << c.p.x << "," << c.p.y;
}

TEST(DropGeometrySpans, CoveredRegionsAndCaptions)
{
    // Quarters-like: 0 top left, 1 bottom left, 2 top right, 3 bottom right, 8 apart.
    const std::map<RegionNumber, Rect> frames{{0, Rect(0, 0, 100, 100)},   {1, Rect(0, 108, 100, 100)},
                                              {2, Rect(108, 0, 100, 100)}, {3, Rect(108, 108, 100, 100)},
                                              {4, Rect::null()}};
    using S = std::set<RegionNumber>;
    EXPECT_EQ(coveredRegions(Rect(0, 0, 208, 100), frames), (S{0, 2}));
    EXPECT_EQ(coveredRegions(Rect(10, 10, 180, 80), frames), (S{0, 2}));    // most of two neighbours
    EXPECT_EQ(coveredRegions(Rect(60, 0, 30, 100), frames), (S{0}));        // under half: the largest overlap
    EXPECT_EQ(coveredRegions(Rect(0, 0, 100, 150), frames), (S{0}));        // 42 % of region 1
    EXPECT_EQ(coveredRegions(Rect(0, 0, 100, 160), frames), (S{0, 1}));     // 52 % of region 1
    EXPECT_EQ(coveredRegions(Rect(90, 90, 30, 30), frames), (S{3}));        // the largest of four slivers
    EXPECT_EQ(coveredRegions(Rect(500, 500, 10, 10), frames), S{});
    // The union of the regions covered closes over a region the frame misses.
    EXPECT_EQ(coveredRegions(Rect(0, 0, 200, 50),
                             {{0, Rect(0, 0, 100, 100)}, {1, Rect(100, 0, 100, 50)}, {2, Rect(100, 50, 100, 50)}}),
              (S{0, 1, 2}));
    // A union that only grazes a neighbour by 2 points keeps it out.
    EXPECT_EQ(coveredRegions(Rect(0, 0, 100, 100), {{0, Rect(0, 0, 100, 100)}, {1, Rect(98, 0, 50, 100)}}),
              (S{0}));
}

TEST(DropGeometryTrees, PathsNodesColumnsAndReplacements)
{
    // thirds-right-stack: 0 | 1 | (2 over 3).
    const RegionTree tree = H(0.25, L(0), H(0.5, L(1), V(0.5, L(2), L(3))));
    const auto three = pathAndFrame(tree, 3, Rect(0, 0, 800, 400));
    ASSERT_TRUE(three);
    EXPECT_EQ(three->path, (TreePath{true, true, true}));
    EXPECT_EQ(three->frame, Rect(500, 200, 300, 200));
    EXPECT_FALSE(pathAndFrame(tree, 7, kUnitSquare));
    EXPECT_EQ(pathAndFrame(L(4), 4, kUnitSquare)->path, TreePath{});

    const TreeNode stack = nodeAt(tree, {true, true}, kUnitSquare);
    EXPECT_EQ(stack.tree, V(0.5, L(2), L(3)));
    EXPECT_EQ(stack.frame, Rect(0.625, 0, 0.375, 1));
    EXPECT_EQ(nodeAt(tree, {false, true, true}, kUnitSquare).tree, L(0)); // runs past a leaf
    EXPECT_EQ(nodeAt(tree, {}, kUnitSquare).tree, tree);

    const struct {
        double x;
        std::optional<TreePath> path;
    } columns[] = {{0, TreePath{false}},  {0.25, TreePath{false}}, {0.26, TreePath{true, false}},
                   {1, TreePath{true, true}}, {1.01, std::nullopt}, {-0.01, std::nullopt}};
    for (const auto& c : columns) {
        const auto column = columnAt(tree, c.x, kUnitSquare);
        EXPECT_EQ(column ? std::optional(column->path) : std::nullopt, c.path) << c.x;
    }
    EXPECT_FALSE(columnAt(V(0.5, L(0), L(1)), 0.5, kUnitSquare)); // as wide as the layout

    EXPECT_EQ(replacingNode(tree, {true, true}, 2), H(0.25, L(0), H(0.5, L(1), L(2))));
    EXPECT_EQ(replacingNode(tree, {}, 9), L(9));
    EXPECT_EQ(replacingNode(tree, {false, true}, 9), tree); // runs past a leaf
}
