// The overlay controller: previews and targets, the dragged window's number lookup, the
// chooser, region assist, the divider editor and toolbar, hit tests and hiding everything.
#include "overlay/OverlayController.h"
#include "overlay/OverlayFeedback.h"

#include "base/Clock.h"
#include "overlay/ActionButton.h"
#include "overlay/DividerEditorView.h"
#include "overlay/DropActionMenuView.h"
#include "overlay/DropSurfaces.h"
#include "overlay/OverlayWindow.h"
#include "overlay/RegionAssistView.h"
#include "overlay/WindowChoiceButton.h"

#include "PickerOwner.h"

#include <QApplication>
#include <QScrollArea>
#include <QTest>
#include <gtest/gtest.h>

namespace fw {
namespace {
// The pointer over the picker as the coordinator handles it: the cards hit where the overlay
// reports them, then the hit handed back to be highlighted.
std::optional<SnapSelection> hoverAt(OverlayController& controller, Point at)
{
    const auto area = controller.pickerHitArea();
    const auto hit = area ? pickerSelectionAt(*area, at) : std::nullopt;
    OverlayFeedback(controller).setPickerSelection(hit);
    return hit;
}


using namespace std::chrono_literals;

ScreenInfo screen()
{
    return ScreenInfo{"key", "Main", Rect(0, 0, 1440, 900), Rect(0, 0, 1440, 900), true};
}

ManagedWindow window(WindowId id) { return ManagedWindow{id, Pid(id), QStringLiteral("Window %1").arg(id), "App"}; }

SnapLayout columns()
{
    return SnapLayout{"halves", "Halves",
                      RegionTree::split(SplitAxis::horizontal, 0.5, RegionTree::leaf(0), RegionTree::leaf(1)),
                      std::nullopt};
}

struct OverlayControllerTest : ::testing::Test {
    VirtualClock clock;
    int lookups = 0;
    bool lookupFails = false;
    OverlayController controller{&clock,
                                 [this](const ManagedWindow& w) -> std::optional<WindowId> {
                                     ++lookups;
                                     if (lookupFails)
                                         return std::nullopt;
                                     return w.element;
                                 },
                                 [] { return std::vector<ScreenInfo>{screen()}; }};
    int cancels = 0;

    void SetUp() override { controller.onCancel = [this] { ++cancels; }; }
    void TearDown() override
    {
        controller.hideAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

TEST_F(OverlayControllerTest, FixedPanelsStartHiddenAndDisplayOnly)
{
    for (OverlayWindow* p : {controller.preview(), controller.returnPreview(), controller.swapSourcePreview(),
                             controller.actionMenu()}) {
        EXPECT_FALSE(p->isOrderedIn());
        EXPECT_TRUE(p->ignoresMouseEvents());
    }
    EXPECT_TRUE(controller.actionMenu()->hasShadow());
    EXPECT_EQ(controller.returnPreview()->level(), OverlayWindow::aboveWindowsLevel);
    EXPECT_EQ(controller.actionMenu()->contentView(), controller.actionMenuView());
}

TEST_F(OverlayControllerTest, NumberLookupIsLimitedToOneAttemptPerInterval)
{
    lookupFails = true;
    controller.setDraggedWindow(window(1));
    EXPECT_EQ(lookups, 1);
    clock.advance(100ms);
    controller.setDraggedWindow(window(1)); // same window within 0.2 s: no second lookup
    EXPECT_EQ(lookups, 1);
    controller.setDraggedWindow(window(2)); // a different window is looked up at once
    EXPECT_EQ(lookups, 2);
    clock.advance(200ms);
    lookupFails = false;
    controller.setDraggedWindow(window(2));
    EXPECT_EQ(lookups, 3);
    EXPECT_EQ(controller.draggedWindowNumber(), WindowId(2));
    controller.setDraggedWindow(window(2)); // known: nothing to do
    EXPECT_EQ(lookups, 3);
}

TEST_F(OverlayControllerTest, PreviewGoesBelowTheDraggedWindowOrAboveWindowsWithoutOne)
{
    controller.showPreview(Rect(10, 20, 300, 200));
    EXPECT_TRUE(controller.preview()->isOrderedIn());
    EXPECT_EQ(controller.preview()->frame(), Rect(10, 20, 300, 200));
    EXPECT_EQ(controller.preview()->level(), OverlayWindow::aboveWindowsLevel);

    controller.setDraggedWindow(window(5));
    controller.showPreview(Rect(10, 20, 300, 200));
    EXPECT_EQ(controller.preview()->level(), 0);
    controller.showPreview(std::nullopt);
    EXPECT_FALSE(controller.preview()->isOrderedIn());
}

TEST_F(OverlayControllerTest, ReturnTargetShowsItsCaptionBelowTheWindow)
{
    controller.swapSourcePreview()->orderFrontRegardless();
    controller.showReturnPreview(false, window(3), Rect(100, 100, 500, 400));
    EXPECT_EQ(controller.returnView()->caption()->text(), "Previous position");
    EXPECT_FALSE(controller.swapSourcePreview()->isOrderedIn());
    EXPECT_TRUE(controller.returnPreview()->isOrderedIn());
    EXPECT_EQ(controller.returnPreview()->level(), 0);
    EXPECT_EQ(controller.draggedWindow(), window(3));
    controller.showReturnPreview(true, window(3), Rect(100, 100, 500, 400));
    EXPECT_EQ(controller.returnView()->caption()->text(), "Release to return");
    EXPECT_TRUE(controller.returnView()->surfaceArmed());
}

// The shared panel's badge keeps out of the window dragged over a drop target only while that
// target shows: the return target shown next has its caption in its own place, centred 32
// below its top, whether it shows on the same frame or on another.
TEST_F(OverlayControllerTest, AReturnTargetsCaptionKeepsOutOfNoEarlierTargetsWindow)
{
    const ReturnTargetView* view = controller.returnView();
    const Rect frame(100, 100, 500, 400);
    const QRect home(132, 32, 236, 46);
    for (const Rect& next : {frame, Rect(100, 100, 500, 401)}) {
        controller.setDraggedWindow(window(3));
        controller.showDropTarget(frame, "Release to place", "rectangle.inset.filled", true, true, std::nullopt,
                                  Rect(250, 100, 200, 150));
        ASSERT_TRUE(controller.returnPreview()->isOrderedIn());
        EXPECT_FALSE(view->badge()->geometry().intersects(QRect(150, 0, 200, 150)))
            << "the caption lies under the dragged window";
        controller.hideReturnPanels();
        controller.showReturnPreview(false, window(3), next);
        EXPECT_EQ(view->caption()->text(), "Previous position");
        EXPECT_EQ(view->badge()->geometry(), home) << "on " << toString(next).toStdString();
    }
}

TEST_F(OverlayControllerTest, CompositionPreviewsAreReusedAndSurplusOnesHidden)
{
    controller.showCompositionPreviews({Rect(0, 0, 10, 10), Rect(10, 0, 10, 10), Rect(20, 0, 10, 10),
                                        Rect(30, 0, 10, 10)});
    ASSERT_EQ(controller.compositionPreviews().size(), 4u);
    OverlayWindow* first = controller.compositionPreviews()[0].get();
    controller.showCompositionPreviews({Rect(0, 0, 50, 50), Rect(50, 0, 50, 50)});
    ASSERT_EQ(controller.compositionPreviews().size(), 4u);
    EXPECT_EQ(controller.compositionPreviews()[0].get(), first);
    EXPECT_EQ(first->frame(), Rect(0, 0, 50, 50));
    EXPECT_TRUE(controller.compositionPreviews()[1]->isOrderedIn());
    EXPECT_FALSE(controller.compositionPreviews()[2]->isOrderedIn());
    EXPECT_FALSE(controller.compositionPreviews()[3]->isOrderedIn());
    controller.hidePicker();
    EXPECT_TRUE(controller.compositionPreviews().empty());
}

TEST_F(OverlayControllerTest, ChooserSizeRowsAndButtons)
{
    std::vector<ManagedWindow> ws;
    for (int i = 1; i <= 10; ++i)
        ws.push_back(window(WindowId(i)));
    std::vector<ManagedWindow> chosen;
    int cancelled = 0;
    controller.choices().showWindowChooser(screen(), ws, "Choose a window to arrange.", std::nullopt,
                                 [&](const ManagedWindow& w) { chosen.push_back(w); }, [&] { ++cancelled; });
    OverlayWindow* chooser = controller.chooser();
    ASSERT_TRUE(chooser);
    EXPECT_EQ(chooser->frame(), Rect(440, 225, 560, 450));
    EXPECT_EQ(chooser->title(), "Choose a Window");
    EXPECT_TRUE(chooser->acceptsKeys());
    auto* list = chooser->findChild<QScrollArea*>("chooserList");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->widget()->height(), 600); // taller than the list: it scrolls
    EXPECT_GT(list->widget()->height(), list->viewport()->height());
    const auto rows = list->widget()->findChildren<WindowChoiceButton*>();
    ASSERT_EQ(rows.size(), 10);
    // Laid out from the document's bottom, 56 high every 60: tops 4, 64, …, 544; the last
    // row ends at the document's bottom edge.
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(rows[i]->geometry(), QRect(0, 4 + 60 * i, 512, 56)) << "row " << i;
    EXPECT_EQ(rows[9]->geometry().top() + rows[9]->height(), 600);
    QTest::mouseClick(rows[1], Qt::LeftButton);
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0], ws[1]);

    // Return runs "Done" (onCancel), not a choice.
    QTest::keyClick(chooser->contentView(), Qt::Key_Return);
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(chosen.size(), 1u);
    for (auto* b : chooser->findChildren<ActionButton*>()) {
        if (b->text() == "Cancel")
            QTest::mouseClick(b, Qt::LeftButton);
    }
    EXPECT_EQ(cancelled, 1);
    const auto subtitles = chooser->findChildren<OverlayLabel*>();
    EXPECT_TRUE(std::any_of(subtitles.begin(), subtitles.end(), [](OverlayLabel* l) {
        return l->text() == "Choose a window to arrange on this display.";
    }));

    // A second chooser replaces the first.
    controller.choices().showWindowChooser(screen(), ws, "Again", QString("Sub"), {}, {});
    EXPECT_NE(controller.chooser(), chooser);
}

TEST_F(OverlayControllerTest, RegionAssistPanelsInReadingOrderFirstOneKey)
{
    std::vector<std::pair<RegionNumber, ManagedWindow>> chosen;
    std::vector<RegionNumber> skipped;
    const std::map<RegionNumber, Rect> regions{
        {0, Rect(0, 400, 400, 300)}, {1, Rect(500, 0, 400, 300)}, {2, Rect(0, 0, 400, 300)}};
    const size_t before = OverlayWindow::allPanels().size();
    controller.showPreview(Rect(0, 0, 100, 100));
    controller.choices().showRegionAssist(regions, {window(7), window(8)}, {},
                                [&](RegionNumber r, const ManagedWindow& w) { chosen.emplace_back(r, w); },
                                [&](RegionNumber r) { skipped.push_back(r); });
    EXPECT_FALSE(controller.preview()->isOrderedIn());
    ASSERT_EQ(controller.assistPanels().size(), 3u);
    // Created top row first, then left to right.
    const auto all = OverlayWindow::allPanels();
    ASSERT_EQ(all.size(), before + 3);
    EXPECT_EQ(all[before]->frame(), Rect(0, 0, 400, 300));
    EXPECT_EQ(all[before + 1]->frame(), Rect(500, 0, 400, 300));
    EXPECT_EQ(all[before + 2]->frame(), Rect(0, 400, 400, 300));
    EXPECT_EQ(all[before]->title(), "Choose a window for this space");
    EXPECT_EQ(controller.assistPanels().at(2)->focusWidget(), controller.assistViews().at(2)->firstChoice());

    RegionAssistView* view = controller.assistViews().at(0);
    QTest::mouseClick(view->firstChoice(), Qt::LeftButton);
    QTest::mouseClick(view->skipButton(), Qt::LeftButton);
    QTest::mouseClick(view->doneButton(), Qt::LeftButton);
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0], std::make_pair(RegionNumber(0), window(7)));
    EXPECT_EQ(skipped, std::vector<RegionNumber>{0});
    EXPECT_EQ(cancels, 1);

    // A late thumbnail reaches the tile of its window in every view; others are untouched.
    QImage image(40, 30, QImage::Format_ARGB32);
    controller.choices().updateAssistThumbnail(image, window(8));
    controller.choices().updateAssistThumbnail(image, window(99));
    for (const auto& [r, v] : controller.assistViews()) {
        EXPECT_TRUE(v->choices().at(window(8))->thumbnail);
        EXPECT_FALSE(v->choices().at(window(7))->thumbnail);
    }

    // No regions: nothing shown, the earlier panels gone.
    controller.choices().showRegionAssist({}, {window(7)}, {}, {}, {});
    EXPECT_TRUE(controller.assistPanels().empty());
}

TEST_F(OverlayControllerTest, DividerEditorAndToolbar)
{
    controller.showPreview(Rect(0, 0, 100, 100));
    std::vector<DividerPath> equalized;
    std::vector<double> positions;
    controller.choices().showDividerEditor(screen(), columns(), [&](const DividerPath& p) { equalized.push_back(p); },
                                 [&](const DividerPath&, double pos, bool) { positions.push_back(pos); });
    EXPECT_FALSE(controller.preview()->isOrderedIn()); // everything else hidden first
    ASSERT_TRUE(controller.editor() && controller.editorView() && controller.editorToolbar());
    EXPECT_EQ(controller.editor()->frame(), Rect(0, 0, 1440, 900));
    EXPECT_FALSE(controller.editor()->acceptsKeys());
    EXPECT_EQ(controller.editorToolbar()->frame(), Rect(420, 22, 600, 54));

    auto* equalize = controller.editorToolbar()->findChild<ActionButton*>("equalizeButton");
    ASSERT_TRUE(equalize);
    EXPECT_FALSE(equalize->isEnabled());
    QTest::mouseClick(controller.editorView(), Qt::LeftButton, {}, QPoint(720, 450));
    EXPECT_TRUE(equalize->isEnabled());
    QTest::mouseClick(equalize, Qt::LeftButton);
    EXPECT_EQ(equalized, std::vector<DividerPath>{DividerPath{}});
    QTest::mouseClick(controller.editorView(), Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_FALSE(equalize->isEnabled());

    SnapLayout moved = columns();
    moved.tree = moved.tree.settingRatio({}, 0.3);
    controller.choices().updateDividerEditor(moved);
    EXPECT_EQ(controller.editorView()->layout(), moved);

    QTest::mouseClick(controller.editorToolbar()->findChild<ActionButton*>("doneButton"), Qt::LeftButton);
    EXPECT_EQ(cancels, 1);
}

TEST_F(OverlayControllerTest, PickerHoverHitTestsGlobalPointsAndStoresTheSelection)
{
    EXPECT_FALSE(hoverAt(controller, {100, 100})) << "no picker: nothing";

    // A picker on a display that does not start at the origin, shown as during a drag.
    const Rect visible(1440, 30, 1280, 994);
    auto* view = new OverlayView(SnapLayout::builtIns(), std::nullopt, false, true, {}, pickerWidth(visible));
    controller.picker = makePickerPanel(view, visible, true);
    controller.pickerView = view;
    showPickerPanel(*controller.picker, *view, true);
    const Rect panel = controller.picker->frame();
    ASSERT_EQ(panel.minX(), 1440 + 230);

    // The centre of the second region of the third card, in global coordinates.
    RegionButton* target = nullptr;
    for (const auto& [sel, b] : view->regionButtons())
        if (sel == SnapSelection{2, 1})
            target = b;
    ASSERT_TRUE(target);
    const QPointF c = target->exactFrame().center();
    const auto hit = hoverAt(controller, {panel.minX() + c.x(), panel.minY() + c.y()});
    EXPECT_EQ(hit, (SnapSelection{2, 1}));
    EXPECT_EQ(test::litSelection(*view), hit);
    EXPECT_TRUE(target->highlightedRegion);
    EXPECT_TRUE(view->platters().at(2)->highlighted());

    // The dragged window's preview never covers the picker.
    controller.setDraggedWindow(window(9));
    controller.showPreview(Rect(1500, 100, 400, 400));
    EXPECT_TRUE(controller.picker->isOrderedIn());
    EXPECT_EQ(controller.preview()->level(), 0);

    // Off every button: the selection is cleared, the highlight goes.
    EXPECT_FALSE(hoverAt(controller, {panel.minX() + 2, panel.minY() + 2}));
    EXPECT_FALSE(test::litSelection(*view));
    EXPECT_FALSE(target->highlightedRegion);
    EXPECT_FALSE(view->platters().at(2)->highlighted());

    controller.hidePicker();
    EXPECT_FALSE(controller.picker);
    EXPECT_EQ(controller.pickerView, nullptr);
    EXPECT_FALSE(hoverAt(controller, {panel.minX() + c.x(), panel.minY() + c.y()}));
}

TEST_F(OverlayControllerTest, ContainsPointCoversInteractivePanelsOnly)
{
    controller.showPreview(Rect(0, 0, 300, 300));
    controller.showReturnPreview(false, window(1), Rect(300, 0, 300, 300));
    controller.actionMenu()->setFrame(Rect(600, 0, 300, 300));
    controller.actionMenu()->orderFrontRegardless();
    EXPECT_FALSE(controller.containsPoint({100, 100}));
    EXPECT_FALSE(controller.containsPoint({400, 100}));
    EXPECT_FALSE(controller.containsPoint({700, 100}));

    controller.choices().showRegionAssist({{0, Rect(0, 400, 400, 300)}}, {window(7)}, {}, {}, {});
    EXPECT_TRUE(controller.containsPoint({100, 500}));
    controller.choices().showDividerEditor(screen(), columns(), {}, {});
    EXPECT_TRUE(controller.containsPoint({500, 40})); // the toolbar
    EXPECT_FALSE(controller.containsPoint({2000, 40}));
    controller.hideAll();
    EXPECT_FALSE(controller.containsPoint({500, 40}));
}

TEST_F(OverlayControllerTest, HideAllLeavesNothingShownAndForgetsTheDraggedWindow)
{
    controller.setDraggedWindow(window(4));
    controller.showPreview(Rect(0, 0, 300, 300));
    controller.showReturnPreview(true, window(4), Rect(300, 0, 300, 300));
    controller.actionMenu()->orderFrontRegardless();
    controller.feedback().showHint("Split column", "Existing window above · new below", "rectangle.split.1x2",
                                   {100, 100}, screen());
    controller.showCompositionPreviews({Rect(0, 0, 10, 10)});
    controller.choices().showWindowChooser(screen(), {window(1)}, "t", std::nullopt, {}, {});
    controller.choices().showRegionAssist({{0, Rect(0, 400, 400, 300)}}, {window(7)}, {}, {}, {});
    controller.hideAll();
    for (OverlayWindow* p : controller.panels())
        EXPECT_FALSE(p->isOrderedIn()) << p->title().toStdString();
    EXPECT_FALSE(controller.draggedWindow());
    EXPECT_FALSE(controller.chooser());
    EXPECT_TRUE(controller.assistPanels().empty());
    EXPECT_FALSE(controller.feedback().hint()->isOrderedIn());
}

TEST_F(OverlayControllerTest, DoneThatHidesItsOwnPanelIsSafe)
{
    // The coordinator's end of interaction hides everything from inside the button's click.
    controller.onCancel = [this] {
        ++cancels;
        controller.hideAll();
    };
    controller.choices().showRegionAssist({{0, Rect(0, 400, 400, 300)}}, {window(7)}, {}, {}, {});
    QTest::mouseClick(controller.assistViews().at(0)->doneButton(), Qt::LeftButton);
    EXPECT_EQ(cancels, 1);
    EXPECT_TRUE(controller.assistPanels().empty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace
} // namespace fw
