// Panels are cut to what they draw, with or without a compositing manager (one that ignores
// alpha shows every transparent pixel black). Without one: the previews to their outlines, the
// pills and cards to their rounded shapes, the divider editor to its lines, numbers and
// handles. Every panel follows the compositing manager as it starts and stops: with one, the
// previews are cut to their tinted rounded surfaces, the pills and cards stay cut, and the
// divider editor, which dims the whole screen then, is whole.
#include "overlay/DividerEditorView.h"
#include "overlay/DropActionMenuView.h"
#include "overlay/DropSurfaces.h"
#include "overlay/OverlayWindow.h"
#include "overlay/RegionAssistView.h"
#include "overlay/ResizeFeedback.h"
#include "platform/PanelStacking.h"

#include <gtest/gtest.h>

#include <memory>

namespace fw {
namespace {

class FakeStacking final : public PanelStacking {
public:
    bool composites = false;
    std::function<void()> observer;

    bool orderBelow(std::uint64_t, WindowId) override { return false; }
    void orderToBack(std::uint64_t) override {}
    bool compositing() const override { return composites; }
    void setCompositingObserver(std::function<void()> changed) override { observer = std::move(changed); }

    void set(bool on)
    {
        composites = on;
        if (observer)
            observer();
    }
};

struct StackingGuard {
    explicit StackingGuard(PanelStacking& s) { OverlayWindow::setStacking(&s); }
    ~StackingGuard() { OverlayWindow::setStacking(nullptr); }
};

// A display-only panel at the frame holding the view.
std::unique_ptr<OverlayWindow> panelOf(QWidget* view, const Rect& frame)
{
    auto panel = std::make_unique<OverlayWindow>(frame, false);
    panel->setContentView(view);
    return panel;
}

struct Expectation {
    const char* what;
    QPoint point;
    bool inside;
};

// The panel's shape: its mask without a compositor that blends (what it shows), else where it
// takes clicks (its transparent pixels are left to alpha, its mask none).
void expectShape(const OverlayWindow& panel, const char* kind, std::initializer_list<Expectation> points)
{
    EXPECT_EQ(panel.mask().isEmpty(), panel.isTranslucent()) << kind << ": a mask only without a compositor";
    const QRegion mask = panel.shape();
    ASSERT_FALSE(mask.isEmpty()) << kind << " is not cut";
    EXPECT_FALSE(mask.contains(QPoint(0, 0))) << kind << ": its square corner shows";
    for (const Expectation& e : points)
        EXPECT_EQ(mask.contains(e.point), e.inside) << kind << ": " << e.what;
}

TEST(OverlayShapes, WithoutACompositorEachPanelKeepsOnlyWhatItDraws)
{
    FakeStacking stacking;
    StackingGuard guard(stacking);

    auto preview = panelOf(new PreviewView, Rect(0, 0, 600, 400));
    EXPECT_FALSE(preview->isTranslucent());
    expectShape(*preview, "a preview", {{"its border", {300, 5}, true},
                                        {"its keyline", {300, 4 + 4}, true},
                                        {"its middle", {300, 200}, false},
                                        {"just inside its outline", {300, 12}, false}});

    auto* target = new ReturnTargetView;
    auto returnPanel = panelOf(target, Rect(0, 0, 600, 400));
    target->setShowsCaption(true);
    const QPoint badge = target->badge()->geometry().center();
    expectShape(*returnPanel, "a return target", {{"its badge", badge, true}, {"its middle", {300, 250}, false}});
    target->setShowsCaption(false);
    EXPECT_FALSE(returnPanel->mask().contains(badge)) << "a hidden badge is still cut in";

    auto* hint = new ResizeHintView;
    auto hintPanel = panelOf(hint, Rect(0, 0, 10, 10));
    hint->update(u"Resize together"_qs, u"Drag this shared edge"_qs, u"arrow.left.and.right"_qs, 360);
    hintPanel->setFrame(Rect(0, 0, hint->width(), hint->height()));
    expectShape(*hintPanel, "the hint's pill", {{"its middle", hint->rect().center(), true},
                                                {"its right end's corner", {hint->width() - 2, 1}, false}});

    DropActionMenu menu;
    menu.frame = Rect(0, 0, 132, 112);
    menu.items.push_back({RegionDropIntent::swap(1), u"Swap"_qs, u"arrow.left.arrow.right"_qs, Rect(10, 10, 112, 92)});
    auto* tiles = new DropActionMenuView;
    auto menuPanel = panelOf(tiles, menu.frame);
    tiles->configure(menu, std::nullopt, false);
    menuPanel->orderFrontRegardless();
    expectShape(*menuPanel, "the tile menu", {{"its tile", {66, 56}, true}});

    auto assistPanel = panelOf(new RegionAssistView({}, {}, {}, {}, {}, QRect(0, 0, 500, 400)), Rect(0, 0, 500, 400));
    expectShape(*assistPanel, "an assist card", {{"its middle", {250, 200}, true}});

    const SnapLayout halves = SnapLayout::builtIns().front();
    auto* editor = new DividerEditorView(halves, QRect(0, 0, 1000, 800));
    auto editorPanel = panelOf(editor, Rect(0, 0, 1000, 800));
    const QPoint handle = DividerEditorView::handleRect(editor->dividers().front(), 1000, 800).center().toPoint();
    const Rect left = halves.tree.frames(Rect(0, 0, 1000, 800), 8).at(0);
    expectShape(*editorPanel, "the divider editor", {{"a handle", handle, true},
                                                     {"a region's outline", {int(left.midX()), int(left.minY()) + 3}, true},
                                                     {"a region away from its number", {200, 600}, false}});
    const QRect number(int(left.midX()) - 10, int(left.midY()) - 10, 20, 20);
    EXPECT_TRUE(editorPanel->mask().intersects(number)) << "the region's number is cut away";

    // A compositing manager starts: the panels show translucent pixels, no longer cut (a
    // compositor would shadow the cut rectangle) yet taking clicks only on what they draw; it
    // stops: cut to their outlines again.
    stacking.set(true);
    EXPECT_TRUE(preview->isTranslucent());
    expectShape(*preview, "a translucent preview", {{"its middle", {300, 200}, true}, {"its margin", {300, 2}, false}});
    expectShape(*hintPanel, "a translucent hint", {{"its right end's corner", {hint->width() - 2, 1}, false}});
    expectShape(*menuPanel, "a translucent tile menu", {{"its tile", {66, 56}, true}});
    EXPECT_TRUE(editorPanel->mask().isEmpty()) << "the dimmed screen is cut";
    EXPECT_TRUE(editorPanel->shape().contains(QPoint(200, 600))) << "the dimmed screen lets clicks through";
    stacking.set(false);
    expectShape(*preview, "a preview again", {{"its middle", {300, 200}, false}, {"its border", {300, 5}, true}});
}

TEST(OverlayShapes, APanelCutOutStaysOutTranslucentOrNot)
{
    FakeStacking stacking;
    stacking.composites = true;
    StackingGuard guard(stacking);
    auto preview = panelOf(new PreviewView, Rect(100, 100, 600, 400));
    preview->setCutOut(QRegion(300, 0, 200, 200));
    EXPECT_FALSE(preview->mask().contains(QPoint(250, 50))) << "the cut-out shows";
    EXPECT_TRUE(preview->mask().contains(QPoint(100, 50)));
    preview->setFrame(Rect(100, 300, 600, 400));
    EXPECT_TRUE(preview->mask().contains(QPoint(250, 50))) << "the cut-out did not follow the move";
    stacking.set(false);
    EXPECT_FALSE(preview->mask().contains(QPoint(300, 200))) << "the preview's middle with the cut-out";
    preview->setCutOut({});
    preview->setFrame(Rect(100, 100, 600, 400));
    EXPECT_TRUE(preview->mask().contains(QPoint(250, 5)));
}

} // namespace
} // namespace fw
