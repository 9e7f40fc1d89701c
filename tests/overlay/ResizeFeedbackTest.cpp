// Resize feedback: the bubble's size and text order, where it goes beside a bar or near the
// pointer, following the pointer along the bar, and outline panels grown and shrunk.
#include "overlay/ResizeFeedback.h"

#include "overlay/OverlayStyle.h"
#include "overlay/OverlayWindow.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace fw {
namespace {

ScreenInfo screen()
{
    return ScreenInfo{"key", "Main", Rect(0, 0, 1440, 900), Rect(0, 25, 1440, 875), true};
}

ResizeFeedback makeFeedback()
{
    return ResizeFeedback([] { return std::vector<ScreenInfo>{screen()}; });
}

TEST(ResizeHintView, SizedToItsTextsWithTheHeadingOnTop)
{
    ResizeHintView v;
    v.update("Resize together", "Drag this shared edge", "arrow.left.and.right", 360);
    const double text = std::max(QFontMetricsF(v.heading()->font()).horizontalAdvance("Resize together"),
                                 QFontMetricsF(v.detail()->font()).horizontalAdvance("Drag this shared edge"));
    EXPECT_EQ(v.width(), int(std::ceil(text) + 72));
    EXPECT_EQ(v.height(), 46);
    EXPECT_LT(v.heading()->geometry().bottom(), v.detail()->geometry().top());
    EXPECT_EQ(v.icon()->geometry(), QRect(16, 12, 22, 22));
    EXPECT_EQ(v.accessibleName(), "Resize together. Drag this shared edge");
    EXPECT_FALSE(v.icon()->pixmap().isNull());

    // Same texts and symbol again: the symbol image is not replaced.
    const int changes = v.symbolChanges();
    v.update("Resize together", "Drag this shared edge", "arrow.left.and.right", 360);
    EXPECT_EQ(v.symbolChanges(), changes);

    // A long heading is held to the maximum width and truncated at its tail.
    const QString longHeading(200, QChar('W'));
    v.update(longHeading, "detail", "no.such.symbol", 300);
    EXPECT_EQ(v.width(), 300);
    EXPECT_NE(v.heading()->shownText(), longHeading);
    EXPECT_TRUE(v.icon()->pixmap().isNull()); // unknown symbol: no image, texts still shown
}

TEST(ResizeFeedback, HintWithoutBarFlipsNearTheEdgesAndKeepsItsMargin)
{
    const Rect B(0, 25, 1440, 875);
    const Size s{200, 46};
    EXPECT_EQ(ResizeFeedback::hintFrame({500, 300}, s, B, std::nullopt), Rect(520, 322, 200, 46));
    // Near the right edge: left of the pointer. Near the bottom: above it.
    EXPECT_EQ(ResizeFeedback::hintFrame({1300, 300}, s, B, std::nullopt).x(), 1300 - 200 - 20);
    EXPECT_EQ(ResizeFeedback::hintFrame({500, 880}, s, B, std::nullopt).y(), 880 - 46 - 22);
    // Never closer than 12 to the visible frame's edges.
    const Rect corner = ResizeFeedback::hintFrame({5, 26}, s, B, std::nullopt);
    EXPECT_GE(corner.minX(), 12);
    EXPECT_GE(corner.minY(), 25 + 12);
    // Outside every screen the bounds are empty at the origin: (12, 12).
    EXPECT_EQ(ResizeFeedback::hintFrame({5000, 5000}, s, Rect(0, 0, 0, 0), std::nullopt), Rect(12, 12, 200, 46));
}

TEST(ResizeFeedback, BubbleBesideAnUprightOrLyingEdge)
{
    const Rect B(0, 25, 1440, 875);
    const Size s{200, 46};
    // Upright edge in the middle: right of it, 14 away, centred on the pointer.
    EXPECT_EQ(ResizeFeedback::hintFrame({720, 400}, s, B, Rect(718, 25, 4, 875)), Rect(736, 377, 200, 46));
    // Upright edge near the right side: left of it.
    EXPECT_EQ(ResizeFeedback::hintFrame({1300, 400}, s, B, Rect(1298, 25, 4, 875)).x(), 1298 - 14 - 200);
    // Lying edge near the bottom: above it, centred horizontally on the pointer.
    const Rect above = ResizeFeedback::hintFrame({600, 860}, s, B, Rect(0, 858, 1440, 4));
    EXPECT_EQ(above, Rect(500, 858 - 14 - 46, 200, 46));
}

TEST(ResizeFeedback, AnchoredBubbleFollowsAlongTheBarOnly)
{
    auto f = makeFeedback();
    const Rect bar(718, 25, 4, 875);
    f.show({}, bar, "Resize together", "Drag this shared edge", "arrow.left.and.right", {720, 300}, screen(),
           std::nullopt);
    ASSERT_TRUE(f.hint() && f.bar());
    EXPECT_TRUE(f.bar()->isOrderedIn());
    EXPECT_EQ(f.bar()->frame(), bar);
    EXPECT_EQ(f.bar()->level(), OverlayWindow::aboveEverythingLevel);
    ASSERT_TRUE(f.hoverAnchor());
    const Rect first = f.hint()->frame();
    EXPECT_EQ(first.minX(), 722 + 14);

    f.moveHint({720 + 2 + 12, 500}); // 12 from the bar's edge: follows
    EXPECT_EQ(f.hint()->frame().midY(), 500);
    const Rect followed = f.hint()->frame();
    f.moveHint({722 + 13, 700}); // 13 away: stays
    EXPECT_EQ(f.hint()->frame(), followed);
    EXPECT_EQ(f.hoverAnchor()->point, (Point{734, 500}));

    // A hint without a bar drops the anchor and the bar, and no longer follows.
    f.showHint("Split column", "New window above · existing below", "rectangle.split.1x2", {300, 300}, screen());
    EXPECT_FALSE(f.hoverAnchor());
    const Rect plain = f.hint()->frame();
    EXPECT_EQ(plain.origin, (Point{320, 322}));
    f.moveHint({720, 400});
    EXPECT_EQ(f.hint()->frame(), plain);
    f.hide();
    EXPECT_FALSE(f.hint()->isOrderedIn());
    EXPECT_FALSE(f.bar()->isOrderedIn());
}

TEST(ResizeFeedback, OutlinePanelsFollowTheNumberOfFrames)
{
    auto f = makeFeedback();
    std::vector<Rect> five;
    for (int i = 0; i < 5; ++i)
        five.push_back(Rect(i * 100, 100, 90, 90));
    f.show(five, std::nullopt, "Resize together", "Release to apply · hold ⌘ to span regions",
           "arrow.up.left.and.arrow.down.right", {50, 50}, screen(), std::nullopt);
    ASSERT_EQ(f.outlines().size(), 5u);
    EXPECT_EQ(f.outlines()[4]->frame(), five[4]);
    EXPECT_EQ(f.outlines()[0]->level(), OverlayWindow::aboveWindowsLevel);
    EXPECT_FALSE(f.bar()); // never needed, never made
    OverlayWindow* kept = f.outlines()[0].get();

    f.show({five.begin(), five.begin() + 3}, std::nullopt, "a", "b", "c", {50, 50}, screen(),
           ManagedWindow{77, 5, "t", "a"});
    ASSERT_EQ(f.outlines().size(), 3u);
    EXPECT_EQ(f.outlines()[0].get(), kept);
    EXPECT_EQ(f.outlines()[0]->level(), 0); // below the given window
    f.hide();
    EXPECT_TRUE(f.outlines().empty());
}

} // namespace
} // namespace fw
