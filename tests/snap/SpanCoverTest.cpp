// Span covers for the stack controller, and taking a window out of every group.
#include "SnapFixture.h"

#include "layout/TreeBuilders.h"
#include "snap/CoordinatorFilters.h"
#include "snap/SpanCovers.h"

namespace fw::snaptest {
namespace {

class SpanCovers : public SnapDesk {};

TEST(SpanNames, RegionsAreNamedByTheirPlaceAndSpansByTheirShape)
{
    const struct {
        Rect unit;
        const char* name;
    } regions[] = {
        {Rect(0, 0, 1, 1), "Whole display"},     {Rect(0, 0, 0.5, 1), "Left column"},
        {Rect(0.5, 0, 0.5, 1), "Right column"},  {Rect(1.0 / 3, 0, 1.0 / 3, 1), "Middle column"},
        {Rect(0, 0.5, 1, 0.5), "Bottom row"},    {Rect(0, 0, 0.5, 0.5), "Top left"},
        {Rect(0.5, 0, 0.5, 0.5), "Top right"},   {Rect(1.0 / 3, 1.0 / 3, 1.0 / 3, 1.0 / 3), "Center"},
        {Rect(0.34, 0.7, 0.3, 0.3), "Bottom middle"}, {Rect(0, 0.2, 0.5, 0.4), "Middle left"},
    };
    for (const auto& r : regions)
        EXPECT_EQ(spanRegionName(r.unit), QString::fromUtf8(r.name)) << r.name;
    EXPECT_EQ(spanName({Rect(0, 0, 0.5, 1), Rect(0.5, 0, 0.5, 1)}), u"Across both columns"_qs);
    EXPECT_EQ(spanName({Rect(0, 0, 1, 0.5), Rect(0, 0.5, 1, 0.5)}), u"Across both rows"_qs);
    EXPECT_EQ(spanName({Rect(0, 0, 0.5, 0.5), Rect(0.5, 0, 0.5, 0.5)}), u"Across 2 regions"_qs);
    EXPECT_EQ(spanName({Rect(), Rect(), Rect()}), u"Across 3 regions"_qs);
    EXPECT_EQ(spanName({Rect(0, 0, 0.5, 0.5), Rect(0.5, 0, 0.5, 0.5), Rect(0, 0.5, 1, 0.5)}), u"Across 3 regions"_qs);
}

TEST_F(SpanCovers, OneCoverPerSpanningWindowOfAConnectedDisplay)
{
    start();
    const auto span = add(100, Rect()), occupant = add(101, Rect()), other = add(102, Rect());
    const SnapLayout& quarters = builtIn(u"quarters"_qs);
    const SnapLayout& halves = builtIn(u"halves"_qs);
    // Top right (2) and top left (0); region 0's recorded occupant is the spanning window.
    state.layouts.setGroup(u"B"_qs, {quarters, {{0, span}, {2, occupant}}, {{span, {2, 0}}}});
    state.layouts.setGroup(u"A"_qs, {halves, {{0, other}}, {{other, {0, 1}}, {occupant, {1, 7}}}});
    state.layouts.setGroup(u"gone"_qs, {halves, {}, {{other, {0, 1}}}});
    state.layouts.setGroup(u"C"_qs, {halves, {{0, other}}, {}});

    const auto covers = stacks.callbacks.spanProvider();
    ASSERT_EQ(covers.size(), 2u) << "a stale region set and a disconnected display give nothing";
    const SpanCover& a = covers[0];
    EXPECT_EQ(a.window, other);
    EXPECT_EQ(a.title, u"Across both columns"_qs);
    EXPECT_EQ(a.frame, region(halves, 0).united(region(halves, 1)));
    ASSERT_EQ(a.regions.size(), 2u);
    EXPECT_EQ(a.regions[0], (SpanRegion{u"Left column"_qs, region(halves, 0), std::nullopt}))
        << "its own region has no occupant";
    EXPECT_EQ(a.regions[1], (SpanRegion{u"Right column"_qs, region(halves, 1), std::nullopt}));

    const SpanCover& b = covers[1];
    EXPECT_EQ(b.window, span);
    EXPECT_EQ(b.title, u"Across 2 regions"_qs);
    ASSERT_EQ(b.regions.size(), 2u);
    EXPECT_EQ(b.regions[0], (SpanRegion{u"Top left"_qs, region(quarters, 0, kRight), std::nullopt}));
    EXPECT_EQ(b.regions[1], (SpanRegion{u"Top right"_qs, region(quarters, 2, kRight), occupant}));
}

TEST_F(SpanCovers, ARemovedWindowLeavesTheSpansAsWellAsTheRegions)
{
    start();
    const auto w = add(100, Rect()), keep = add(101, Rect());
    state.layouts.setGroup(u"A"_qs, {builtIn(u"halves"_qs), {{0, w}, {1, keep}}, {{w, {0, 1}}}});
    state.layouts.setGroup(u"B"_qs, {builtIn(u"rows"_qs), {{1, w}}, {{w, {0, 1}}, {keep, {0, 1}}}});
    state.layouts.removeWindow(w);
    EXPECT_EQ(state.layouts.group(u"A"_qs)->windows, (RegionWindows{{1, keep}}));
    EXPECT_TRUE(state.layouts.group(u"A"_qs)->spans.empty());
    EXPECT_TRUE(state.layouts.group(u"B"_qs)->windows.empty());
    EXPECT_EQ(state.layouts.group(u"B"_qs)->spans, (SpanMap{{keep, {0, 1}}}));
    EXPECT_EQ(stacks.callbacks.spanProvider().size(), 1u) << "no cover of the window is left";
}

} // namespace
} // namespace fw::snaptest
