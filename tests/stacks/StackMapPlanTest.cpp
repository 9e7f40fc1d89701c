// The stack map of a span stack's switcher: where the span's own box goes (beside a tall map
// or across the top), shared row lines, narrow regions widened and pushed, regions over two
// rows, "Other windows", the set button's texts, and the plan's width limits.
#include "stacks/StackMapPlan.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

ManagedWindow win(int i, const QString& app) { return {WindowId(100 + i), Pid(10 + i), QStringLiteral("W%1").arg(i), app}; }

WindowStackSection section(const QString& title, std::vector<ManagedWindow> members, std::optional<Rect> frame)
{
    return {title, std::move(members), frame};
}

TEST(StackMapPlan, TwoColumnsUnderASpanPutTheSpanAcrossTheTop)
{
    const Rect span(0, 0, 1200, 800);
    const std::vector<WindowStackSection> sections{
        section("Across both columns", {win(0, "Span")}, span),
        section("Left column", {win(1, "Left")}, Rect(0, 0, 600, 800)),
        section("Right column", {win(2, "Right")}, Rect(600, 0, 600, 800)),
        section("Other windows", {win(3, "Other")}, std::nullopt),
    };
    const StackMapPlan plan(sections, true);
    // Map 480 wide and one row of 138 high, too low for the span beside it (262 needed).
    EXPECT_EQ(plan.width, 640);
    ASSERT_EQ(plan.sectionBoxes.size(), 4u);
    EXPECT_EQ(plan.sectionBoxes[0].box, Rect(4, 0, 632, 138));
    EXPECT_EQ(plan.sectionBoxes[1].box, Rect(4, 146, 232, 138));
    EXPECT_EQ(plan.sectionBoxes[2].box, Rect(244, 146, 232, 138));
    EXPECT_EQ(plan.sectionBoxes[3].box, Rect(4, 292, 632, 138));   // "Other windows" below, full width
    EXPECT_EQ(plan.setBox, Rect(484, 164, 152, 116));        // 18 below the map's top
    EXPECT_EQ(plan.height, 430);
    // Without the send-to-back action there is no set column and the plan keeps its minimum.
    const StackMapPlan plain(sections, false);
    EXPECT_EQ(plain.width, 480);
    EXPECT_FALSE(plain.setBox);
    EXPECT_EQ(StackMapPlan(std::vector<WindowStackSection>{sections[0], sections[3]}, true).width, 400);

    EXPECT_EQ(StackMapPlan::cardFrames(plan.sectionBoxes[0].box, 1), std::vector<Rect>{Rect(254, 24, 132, 104)});
    EXPECT_EQ(StackMapPlan::cardFrames(plan.sectionBoxes[1].box, 1), std::vector<Rect>{Rect(54, 170, 132, 104)});
    EXPECT_FALSE(StackMapPlan::stretchText(0, "Across both columns"));
    EXPECT_EQ(StackMapPlan::stretchText(1, "Left column"), "Stretch across");
    EXPECT_EQ(StackMapPlan::stretchText(1, "Across 3 regions"), "Stretch across 3 regions");
}

TEST(StackMapPlan, TallMapTakesTheSpanIntoTheSetColumn)
{
    const Rect span(0, 0, 1200, 800);
    const std::vector<WindowStackSection> sections{
        section("Across 3 regions", {win(0, "Span")}, span),
        section("Left column", {win(1, "A")}, Rect(0, 0, 600, 800)),
        section("Top right", {win(2, "B")}, Rect(600, 0, 600, 400)),
        section("Bottom right", {win(3, "C")}, Rect(600, 403, 600, 397)),
    };
    const StackMapPlan plan(sections, true);
    // Two row lines; the left column spans both rows but keeps its own height (138), not 284.
    ASSERT_EQ(plan.sectionBoxes.size(), 4u);
    EXPECT_EQ(plan.sectionBoxes[1].box, Rect(4, 0, 232, 138));
    EXPECT_EQ(plan.sectionBoxes[2].box, Rect(244, 0, 232, 138));
    EXPECT_EQ(plan.sectionBoxes[3].box, Rect(244, 146, 232, 138));
    EXPECT_EQ(plan.height, 284);
    EXPECT_EQ(plan.sectionBoxes[0].box, Rect(484, 0, 152, 138));
    EXPECT_EQ(plan.setBox, Rect(484, 146, 152, 116));   // 8 below the span box

    // Region tops 5 points apart share a row line; 6 apart make two lines (both regions then
    // start in the second, the first stays empty).
    const auto rows = [&](double secondTop) {
        return StackMapPlan::make({{0, Rect(0, 0, 600, 800), 1}, {1, Rect(600, secondTop, 600, 300), 1}}, span, 480, 1100)
            .height;
    };
    EXPECT_EQ(rows(5), 138);
    EXPECT_EQ(rows(6), 0 + 8 + 138);
}

TEST(StackMapPlan, NarrowRegionsAreWidenedAndTheirNeighboursPushed)
{
    const Rect span(0, 0, 1200, 800);
    const auto boxes = StackMapPlan::make({{0, Rect(0, 0, 100, 800), 1}, {1, Rect(100, 0, 1100, 800), 1}}, span, 480, 1100);
    ASSERT_TRUE(boxes.boxes[0] && boxes.boxes[1]);
    EXPECT_EQ(*boxes.boxes[0], Rect(4, 0, 152, 138));        // the map width is capped at 1100
    EXPECT_DOUBLE_EQ(boxes.boxes[1]->minX(), 164);           // pushed to the first box's maxX + 8
    EXPECT_NEAR(boxes.boxes[1]->width(), 1100 - 1100.0 / 12 - 8, 1e-9);
    EXPECT_NEAR(boxes.width, boxes.boxes[1]->maxX() + 4, 1e-9);
    EXPECT_EQ(StackMapPlan::make({}, span, 480, 1100).width, 0);
    EXPECT_EQ(StackMapPlan::boxHeight(7, 600), 2 * 104 + 24 + 8 + 10);   // four columns, two rows
}

TEST(StackMapPlan, SetButtonTexts)
{
    const auto one = WindowSetTexts::make({"Mail"}, {"Editor"});
    EXPECT_EQ(one.heading, "Bring Forward");
    EXPECT_EQ(one.accessibilityLabel, "Bring Mail forward together");
    const auto two = WindowSetTexts::make({"Mail", "Notes"}, {"Editor", "Browser"});
    EXPECT_EQ(two.heading, "Bring Both Forward");
    EXPECT_EQ(two.detail, "Mail + Notes");
    EXPECT_EQ(two.toolTip, "Bring Mail and Notes forward together, over Editor and Browser. Press B here, or "
                           "Ctrl+Alt+B anywhere.");
    EXPECT_EQ(WindowSetTexts::make({"A", "B", "C"}, {"S"}).heading, "Bring All 3 Forward");
}

} // namespace
} // namespace fw
